// The carry-over of a big month: 20,000 products, each with two final
// products holding two substances, and 5,000 storage rows, opened into the
// next month. Baseline: the sqlite3 shell copying the same rows with
// INSERT ... SELECT in one transaction.

#include "BenchSupport.h"

#include "base/Dialogs.h"
#include "shell/PeriodOps.h"
#include "store/Database.h"
#include "store/Dialect.h"
#include "store/Sql.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

using namespace quirels;

namespace {

const int kProducts = 20000;
const int kStorage = 5000;
const QString kCnpj = QStringLiteral("11222333000181");

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "bench_carryover: %s failed\n", what);
        std::exit(2);
    }
}

void fill(QSqlDatabase &db)
{
    sql::Transaction t(db);
    check(t.active(), "begin");
    check(sql::exec(db, QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao) values ('11222333000181', 'BENCH')")).ok(),
          "company");
    check(sql::exec(db, QStringLiteral("insert into Mes values ('11222333000181', '2004', 'DEZ')")).ok(), "month");
    QSqlQuery p(db), f(db), s(db), a(db);
    check(p.prepare(QStringLiteral("insert into Produtos (CdCNPJEmpr,NrAno,NmMes,CdNCM,NmProduto,VlConcentracao,VlDensidade,"
                                   "DsUnidade,QtEstoqueAnt,QtProducao,QtVendas,QtEstoqueAtual) values "
                                   "('11222333000181','2004','DEZ','2807.00.10',?,98.5,1.84,'Kg',?,?,?,?)")),
          "prepare products");
    check(f.prepare(QStringLiteral("insert into ProdutoFinal (CdCNPJEmpr,NrAno,NmMes,CdProduto,CdNCM,NmProduto,VlDensidade,"
                                   "DsUnidade,QtProdFinal) values ('11222333000181','2004','DEZ',?,'3824.90.00',?,1.1,'Kg',?)")),
          "prepare finals");
    check(s.prepare(QStringLiteral("insert into SubstanciaPresente (CdCNPJEmpr,NrAno,NmMes,CdProduto,CdProdFinal,CdNCM,"
                                   "NmProduto,VlConcentracao) values ('11222333000181','2004','DEZ',?,?,'2807.00.10',?,?)")),
          "prepare substances");
    check(a.prepare(QStringLiteral("insert into Armazenagem (CdCNPJEmpr,NrAno,NmMes,CdNCM,NmProduto,VlConcentracao,"
                                   "QtEstoqueAnt,QtEstoqueAtual,DsUnidade,CdProprietario) values "
                                   "('11222333000181','2004','DEZ','2902.30.00',?,99.5,?,?,'litro','12345678909')")),
          "prepare storage");
    for (int i = 0; i < kProducts; ++i) {
        p.bindValue(0, QStringLiteral("PRODUTO %1").arg(i));
        p.bindValue(1, i * 0.125);
        p.bindValue(2, 10.0);
        p.bindValue(3, 3.5);
        p.bindValue(4, i * 0.125 + 6.5);
        check(p.exec(), "insert product");
        const QVariant produto = store::dialect::lastInsertId(p);
        for (int j = 0; j < 2; ++j) {
            f.bindValue(0, produto);
            f.bindValue(1, QStringLiteral("FINAL %1.%2").arg(i).arg(j));
            f.bindValue(2, 2.25 * j);
            check(f.exec(), "insert final");
            const QVariant final = store::dialect::lastInsertId(f);
            for (int k = 0; k < 2; ++k) {
                s.bindValue(0, produto);
                s.bindValue(1, final);
                s.bindValue(2, QStringLiteral("SUBSTANCIA %1").arg(k));
                s.bindValue(3, 12.5 + k);
                check(s.exec(), "insert substance");
            }
        }
    }
    for (int i = 0; i < kStorage; ++i) {
        a.bindValue(0, QStringLiteral("ARMAZENADO %1").arg(i));
        a.bindValue(1, i * 0.5);
        a.bindValue(2, i * 0.5 + 1);
        check(a.exec(), "insert storage");
    }
    check(t.commit().ok(), "commit");
}

const char *kBaseline = R"(BEGIN;
INSERT INTO Mes (CdCNPJEmpr,NrAno,NmMes) VALUES ('11222333000181','2005','JAN');
INSERT INTO Produtos (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlConcentracao,VlDensidade,DsUnidade,QtEstoqueAnt,QtProducao,
  QtTransformacao,QtUtilizacao,QtCompras,QtVendas,QtReciclagem,QtReaproveitamento,QtImportacao,QtExportacao,QtPerdas,
  QtEvaporacao,QtEntradasDiv,QtSaidasDiv,QtEstoqueAtual)
  SELECT CdCNPJEmpr,'2005','JAN',CdNCM,NmProduto,VlConcentracao,VlDensidade,DsUnidade,QtEstoqueAtual,0,0,0,0,0,0,0,0,0,0,0,0,0,
  QtEstoqueAtual FROM Produtos WHERE CdCNPJEmpr='11222333000181' AND NrAno='2004' AND NmMes='DEZ' ORDER BY CdProduto;
INSERT INTO ProdutoFinal (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlDensidade,DsUnidade,QtProdFinal,CdProduto)
  SELECT CdCNPJEmpr,'2005','JAN',CdNCM,NmProduto,VlDensidade,DsUnidade,QtProdFinal,CdProduto FROM ProdutoFinal
  WHERE CdCNPJEmpr='11222333000181' AND NrAno='2004' AND NmMes='DEZ' ORDER BY CdProduto,CdProdFinal;
INSERT INTO SubstanciaPresente (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlConcentracao,CdProduto,CdProdFinal)
  SELECT CdCNPJEmpr,'2005','JAN',CdNCM,NmProduto,VlConcentracao,CdProduto,CdProdFinal FROM SubstanciaPresente
  WHERE CdCNPJEmpr='11222333000181' AND NrAno='2004' AND NmMes='DEZ' ORDER BY CdProduto,CdProdFinal,CdSubstancia;
INSERT INTO Armazenagem (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlConcentracao,DsUnidade,QtEstoqueAnt,QtEstoqueAtual,
  CdProprietario)
  SELECT CdCNPJEmpr,'2005','JAN',CdNCM,NmProduto,VlConcentracao,DsUnidade,QtEstoqueAtual,QtEstoqueAtual,CdProprietario
  FROM Armazenagem WHERE CdCNPJEmpr='11222333000181' AND NrAno='2004' AND NmMes='DEZ' ORDER BY CdArmazenagem;
COMMIT;
)";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir ours, base;
    check(ours.isValid() && base.isValid(), "temporary folders");
    if (qEnvironmentVariableIsSet("QUIRELS_BENCH_KEEP")) {
        ours.setAutoRemove(false);
        base.setAutoRemove(false);
        std::fprintf(stderr, "bench_carryover: stores kept in %s and %s\n", qPrintable(ours.path()), qPrintable(base.path()));
    }
    const store::OpenOptions options = bench::storeOptions(ours.path());
    check(store::initializeDataFolder(ours.path(), options).ok(), "initialize");
    {
        Result<QSqlDatabase> db = store::open(ours.path(), options);
        check(db.ok(), "open");
        fill(*db);
    }
    store::close();
    if (!bench::onServer())
        check(QFile::copy(store::databasePath(ours.path()), store::databasePath(base.path())), "copy");

    Result<QSqlDatabase> db = store::open(ours.path(), options);
    check(db.ok(), "open");
    ScriptedDialogs dialogs;
    dialogs.setDefaultAnswer(Answer::Yes);
    const PeriodKey jan{kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")};
    const double oursSeconds = bench::seconds([&] {
        Result<shell::Opened> r = shell::openPeriod(*db, jan, dialogs, noProgress());
        check(r.ok() && r->carried, "carry-over");
    });
    Result<QVariant> n = sql::scalar(*db, QStringLiteral("select count(*) from SubstanciaPresente where NrAno = '2005'"));
    check(n.ok() && n->toInt() == kProducts * 4, "carried substances");
    db = Error{};
    store::close();

    const double baseSeconds =
        bench::onServer() ? 0.0 : bench::sqliteShell(store::databasePath(base.path()), QString::fromUtf8(kBaseline));
    bench::report(QStringLiteral("carryover"), oursSeconds, baseSeconds);
    return 0;
}
