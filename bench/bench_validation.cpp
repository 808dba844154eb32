// The consistency check of a big month: 5,000 products, 100,000 movements,
// 10,000 import rows, 500 storage rows and 20,000 storage movements.
// Baseline: the sqlite3 shell computing the same sums (purchases, sales and
// others per name and concentration with one GROUP BY, and the import and
// storage-movement sums) and listing the products.

#include "BenchSupport.h"

#include "store/Database.h"
#include "store/Sql.h"
#include "validation/ConsistencyCheck.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

using namespace quirels;

namespace {

const int kProducts = 5000;
const int kMovements = 100000;
const int kImports = 10000;
const int kStorage = 500;
const int kStorageMovements = 20000;
const PeriodKey kPeriod{QStringLiteral("11222333000181"), QStringLiteral("2005"), QStringLiteral("JUN")};

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "bench_validation: %s failed\n", what);
        std::exit(2);
    }
}

QString name(int i) { return QStringLiteral("PRODUTO %1").arg(i); }
double concentration(int i) { return 10.0 + (i % 7) * 12.5; }

void fill(QSqlDatabase &db)
{
    sql::Transaction t(db);
    check(t.active(), "begin");
    check(sql::exec(db, QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao, NrCLF, CdCNAE, DsGrupoPrincipal, FlGrupoI,"
                                       " FlGrupoVII) values ('11222333000181', 'BENCH', '12345678-9',"
                                       " (select CDDESCRCNAE from Cnae limit 1), 'Grupo I', 1, 1)")).ok(),
          "company");
    check(sql::exec(db, QStringLiteral("insert into Mes values ('11222333000181', '2005', 'JUN')")).ok(), "month");
    const QString key = QStringLiteral("'11222333000181','2005','JUN'");
    QSqlQuery p(db), m(db), i(db), a(db), e(db);
    check(p.prepare(QStringLiteral("insert into Produtos (CdCNPJEmpr,NrAno,NmMes,NmProduto,VlConcentracao,QtCompras,QtVendas,"
                                   "QtEntradasDiv,QtImportacao,QtExportacao,DsUnidade) values (") + key
                    + QStringLiteral(",?,?,?,?,?,?,?,'Kg')")),
          "prepare products");
    check(m.prepare(QStringLiteral("insert into Movimentacao (CdCNPJEmpr,NrAno,NmMes,NrDia,NrCFOP,NmProduto,VlConcentracao,"
                                   "VlQuantidade,NmUnidade) values (") + key + QStringLiteral(",?,?,?,?,?,'Kg')")),
          "prepare movements");
    check(i.prepare(QStringLiteral("insert into Importacao (CdCNPJEmpr,NrAno,NmMes,NmProduto,VlConcentracao,QtImportacao,FlIE)"
                                   " values (") + key + QStringLiteral(",?,?,?,?)")),
          "prepare imports");
    check(a.prepare(QStringLiteral("insert into Armazenagem (CdCNPJEmpr,NrAno,NmMes,NmProduto,VlConcentracao,QtEstoqueAnt,"
                                   "QtEstoqueAtual) values (") + key + QStringLiteral(",?,?,?,?)")),
          "prepare storage");
    check(e.prepare(QStringLiteral("insert into MovArmazenagem (CdCNPJEmpr,NrAno,NmMes,NrDia,DsES,NmProduto,Vlconcentracao,"
                                   "QtMovArmazenagem) values (") + key + QStringLiteral(",?,?,?,?,?)")),
          "prepare storage movements");

    static const char *const cfops[] = {"1.102", "1.401", "2.102", "5.102", "5.405", "6.102", "1.949", "5.949", "3.102", "7.101"};
    for (int n = 0; n < kProducts; ++n) {
        p.bindValue(0, name(n));
        p.bindValue(1, concentration(n));
        p.bindValue(2, 20.0 * 1.25);
        p.bindValue(3, 15.0);
        p.bindValue(4, n % 3 == 0 ? 5.0 : 0.0);
        p.bindValue(5, 2.0);
        p.bindValue(6, 0.0);
        check(p.exec(), "insert product");
    }
    for (int n = 0; n < kMovements; ++n) {
        const int product = (n * 7919) % kProducts;
        m.bindValue(0, QStringLiteral("%1").arg(1 + n % 28, 2, 10, QLatin1Char('0')));
        m.bindValue(1, QString::fromLatin1(cfops[n % 10]));
        m.bindValue(2, name(product));
        m.bindValue(3, concentration(product));
        m.bindValue(4, 1.25);
        check(m.exec(), "insert movement");
    }
    for (int n = 0; n < kImports; ++n) {
        const int product = (n * 104729) % kProducts;
        i.bindValue(0, name(product));
        i.bindValue(1, concentration(product));
        i.bindValue(2, 1.0);
        i.bindValue(3, n % 2 ? QStringLiteral("I") : QStringLiteral("E"));
        check(i.exec(), "insert import");
    }
    for (int n = 0; n < kStorage; ++n) {
        a.bindValue(0, QStringLiteral("ARMAZENADO %1").arg(n));
        a.bindValue(1, 99.5);
        a.bindValue(2, 100.0);
        a.bindValue(3, 100.0 + (n % 2) * 3.0);
        check(a.exec(), "insert storage");
    }
    for (int n = 0; n < kStorageMovements; ++n) {
        e.bindValue(0, QStringLiteral("%1").arg(1 + n % 28, 2, 10, QLatin1Char('0')));
        e.bindValue(1, n % 2 ? QStringLiteral("E") : QStringLiteral("S"));
        e.bindValue(2, QStringLiteral("ARMAZENADO %1").arg(n % kStorage));
        e.bindValue(3, 99.5);
        e.bindValue(4, 0.75);
        check(e.exec(), "insert storage movement");
    }
    check(t.commit().ok(), "commit");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    check(dir.isValid(), "temporary folder");
    check(store::initializeDataFolder(dir.path(), bench::storeOptions(dir.path())).ok(), "initialize");
    Result<QSqlDatabase> opened = store::open(dir.path(), bench::storeOptions(dir.path()));
    check(opened.ok(), "open");
    QSqlDatabase db = *opened;
    fill(db);

    int lines = 0;
    const double ours = bench::seconds(
        [&] {
            Result<validation::ValidationReport> r = validation::runCheck(db, kPeriod, std::nullopt);
            check(r.ok() && !r->stopped(), "check");
            lines = static_cast<int>(r->lines().size());
        },
        3);
    check(lines > 2 * kProducts, "report lines");

    const QString where = QStringLiteral(" WHERE CdCNPJEmpr = '11222333000181' AND NrAno = '2005' AND NmMes = 'JUN'");
    const QString purchase = QStringLiteral(
        "c BETWEEN 1100 AND 1122 OR c BETWEEN 1250 AND 1257 OR c BETWEEN 1401 AND 1407 OR c BETWEEN 2100 AND 2122"
        " OR c BETWEEN 2250 AND 2257 OR c BETWEEN 2401 AND 2407 OR c BETWEEN 3100 AND 3127 OR c BETWEEN 3250 AND 3251"
        " OR c IN (1126, 1400, 1551, 1556, 2126, 2551, 2556)");
    const QString sale = QStringLiteral(
        "c BETWEEN 5100 AND 5123 OR c BETWEEN 5250 AND 5258 OR c BETWEEN 5401 AND 5405 OR c BETWEEN 6100 AND 6123"
        " OR c BETWEEN 6250 AND 6258 OR c BETWEEN 6401 AND 6404 OR c BETWEEN 7100 AND 7127 OR c BETWEEN 7250 AND 7251"
        " OR c IN (5551, 6551)");
    const QString script =
        QStringLiteral(".output /dev/null\n")
        + QStringLiteral("SELECT CdProduto, NmProduto, VlConcentracao, QtCompras, QtVendas, QtEntradasDiv, QtSaidasDiv,"
                         " QtImportacao, QtExportacao FROM Produtos")
        + where + QStringLiteral(" ORDER BY CdProduto;\n")
        // Each movement is classified once, then summed per name and
        // concentration with one GROUP BY.
        + QStringLiteral("WITH mv AS MATERIALIZED (SELECT NmProduto, VlConcentracao, VlQuantidade, CASE WHEN ") + purchase
        + QStringLiteral(" THEN 1 WHEN ") + sale
        + QStringLiteral(" THEN 2 ELSE 3 END AS k FROM (SELECT NmProduto, VlConcentracao, VlQuantidade,"
                         " CAST(replace(NrCFOP, '.', '') AS INTEGER) AS c FROM Movimentacao")
        + where
        + QStringLiteral(")) SELECT NmProduto, VlConcentracao, TOTAL(CASE WHEN k = 1 THEN VlQuantidade END),"
                         " TOTAL(CASE WHEN k = 2 THEN VlQuantidade END), TOTAL(CASE WHEN k = 3 THEN VlQuantidade END)"
                         " FROM mv GROUP BY NmProduto, VlConcentracao;\n")
        + QStringLiteral("SELECT NmProduto, VlConcentracao, TOTAL(QtImportacao) FROM Importacao") + where
        + QStringLiteral(" GROUP BY NmProduto, VlConcentracao;\n")
        + QStringLiteral("SELECT NmProduto, Vlconcentracao, DsES, TOTAL(QtMovArmazenagem) FROM MovArmazenagem") + where
        + QStringLiteral(" AND DsES IN ('E', 'S') GROUP BY NmProduto, Vlconcentracao, DsES;\n");
    const QString path = store::databasePath(dir.path());
    double baseline = 1e300;
    for (int run = 0; run < 3 && !bench::onServer(); ++run)
        baseline = std::min(baseline, bench::sqliteShell(path, script));

    bench::report(QStringLiteral("validation"), ours, baseline);
    return 0;
}
