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

// A fresh copy of the filled store in folder (SQLite).
void freshCopy(const QString &templ, const QString &folder)
{
    const QString db = store::databasePath(folder);
    for (const QString &f : QStringList{db, db + QStringLiteral("-wal"), db + QStringLiteral("-shm")})
        QFile::remove(f);
    check(QFile::copy(templ, db), "copy");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir filled, ours, base;
    check(filled.isValid() && ours.isValid() && base.isValid(), "temporary folders");
    if (qEnvironmentVariableIsSet("QUIRELS_BENCH_KEEP")) {
        for (QTemporaryDir *d : {&filled, &ours, &base})
            d->setAutoRemove(false);
        std::fprintf(stderr, "bench_carryover: stores kept in %s (filled), %s (ours) and %s (baseline)\n",
                     qPrintable(filled.path()), qPrintable(ours.path()), qPrintable(base.path()));
    }
    // On the server the store is filled in place and carried once; on SQLite
    // each side takes the best of three runs, each on a fresh copy of the
    // filled store.
    const QString fillFolder = bench::onServer() ? ours.path() : filled.path();
    const store::OpenOptions options = bench::storeOptions(fillFolder);
    check(store::initializeDataFolder(fillFolder, options).ok(), "initialize");
    {
        Result<QSqlDatabase> db = store::open(fillFolder, options);
        check(db.ok(), "open");
        fill(*db);
    }
    store::close();
    const QString templ = store::databasePath(filled.path());
    const int runs = bench::onServer() ? 1 : 3;

    const PeriodKey jan{kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")};
    double oursSeconds = 1e300;
    for (int r = 0; r < runs; ++r) {
        if (!bench::onServer())
            freshCopy(templ, ours.path());
        Result<QSqlDatabase> db = store::open(ours.path(), options);
        check(db.ok(), "open");
        ScriptedDialogs dialogs;
        dialogs.setDefaultAnswer(Answer::Yes);
        oursSeconds = std::min(oursSeconds, bench::seconds([&] {
            Result<shell::Opened> opened = shell::openPeriod(*db, jan, dialogs, noProgress());
            check(opened.ok() && opened->carried, "carry-over");
        }));
        Result<QVariant> n = sql::scalar(*db, QStringLiteral("select count(*) from SubstanciaPresente where NrAno = '2005'"));
        check(n.ok() && n->toInt() == kProducts * 4, "carried substances");
        db = Error{};
        store::close();
    }

    double baseSeconds = bench::onServer() ? 0.0 : 1e300;
    for (int r = 0; r < runs && !bench::onServer(); ++r) {
        freshCopy(templ, base.path());
        baseSeconds = std::min(baseSeconds, bench::sqliteShell(store::databasePath(base.path()), QString::fromUtf8(kBaseline)));
    }
    bench::report(QStringLiteral("carryover"), oursSeconds, baseSeconds);
    return 0;
}
