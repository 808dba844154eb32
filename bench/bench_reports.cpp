// The annex B map of a month of 50,000 movements written to PDF, page by
// page, through the report engine. Baseline: the sqlite3 shell writing the
// same rows, in the same order, as CSV. Also prints the pages per second and
// the peak memory of the process: the pages go to the file as they are laid
// out, so memory stays flat however long the month is.

#include "BenchSupport.h"

#include "base/Dialogs.h"
#include "reports/AnnexReports.h"
#include "reports/Application.h"
#include "reports/Render.h"
#include "store/Database.h"
#include "store/Sql.h"

#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

using namespace quirels;

namespace {

// QUIRELS_BENCH_ROWS changes the size of the month (for profiling).
const int kMovements = qEnvironmentVariableIsSet("QUIRELS_BENCH_ROWS") ? qEnvironmentVariableIntValue("QUIRELS_BENCH_ROWS") : 50000;
const PeriodKey kPeriod{QStringLiteral("11222333000181"), QStringLiteral("2005"), QStringLiteral("JUN")};

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "bench_reports: %s failed\n", what);
        std::exit(2);
    }
}

void fill(QSqlDatabase &db)
{
    sql::Transaction t(db);
    check(t.active(), "begin");
    check(sql::exec(db, QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao, FlGrupoI) values ('11222333000181',"
                                       " 'QUIMICA BENCH INDUSTRIA E COMERCIO LTDA', 1)")).ok(), "company");
    check(sql::exec(db, QStringLiteral("insert into Mes values ('11222333000181', '2005', 'JUN')")).ok(), "month");
    check(sql::exec(db, QStringLiteral("insert into Observacoes values ('11222333000181', '2005', 'JUN', 'B', 'Mês de teste.')")).ok(),
          "observation");
    QSqlQuery m(db);
    check(m.prepare(QStringLiteral("insert into Movimentacao (CdCNPJEmpr,NrAno,NmMes,NrDia,NrCFOP,CdNCM,NmProduto,VlConcentracao,"
                                   "VlQuantidade,NmUnidade,NrNF,CdFornecedor,CdTransportadora) values "
                                   "('11222333000181','2005','JUN',?,?,?,?,?,?,'Kg',?,'12345678000199','98765432000110')")),
          "prepare");
    static const char *const cfops[] = {"1.102", "1.401", "2.102", "5.102", "5.405", "6.102"};
    for (int n = 0; n < kMovements; ++n) {
        m.bindValue(0, QStringLiteral("%1").arg(1 + (n * 7) % 28, 2, 10, QLatin1Char('0')));
        m.bindValue(1, QString::fromLatin1(cfops[n % 6]));
        m.bindValue(2, QStringLiteral("2914.11.%1").arg(n % 100, 2, 10, QLatin1Char('0')));
        m.bindValue(3, QStringLiteral("PRODUTO CONTROLADO %1").arg(n % 500));
        m.bindValue(4, 10.0 + (n % 9) * 9.5);
        m.bindValue(5, 1000.0 + n * 0.125);
        m.bindValue(6, QString::number(100000 + n));
        check(m.exec(), "insert movement");
    }
    check(t.commit().ok(), "commit");
}

double peakMegabytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

} // namespace

int main(int argc, char **argv)
{
    std::unique_ptr<QCoreApplication> app = reports::makeHeadlessApplication(argc, argv);
    QTemporaryDir dir;
    check(dir.isValid(), "temporary folder");
    check(store::initializeDataFolder(dir.path(), bench::storeOptions(dir.path())).ok(), "initialize");
    Result<QSqlDatabase> opened = store::open(dir.path(), bench::storeOptions(dir.path()));
    check(opened.ok(), "open");
    QSqlDatabase db = *opened;
    fill(db);
    const double before = peakMegabytes();

    const QString pdf = dir.filePath(QStringLiteral("anexo-b.pdf"));
    int pages = 0;
    ConsoleDialogs dialogs(false);
    const double ours = bench::seconds(
        [&] {
            reports::PdfSink sink(pdf);
            Result<reports::Outcome> r =
                reports::runAnnexReport(db, kPeriod, QLatin1Char('B'), reports::Variant::Data, sink, dialogs);
            check(r.ok() && *r == reports::Outcome::Printed, "report");
            check(sink.close().ok(), "pdf");
            pages = sink.pageCount();
        },
        2);

    const QString csv = dir.filePath(QStringLiteral("anexo-b.csv"));
    const QString script = QStringLiteral(".headers on\n.mode csv\n.output ") + csv +
                           QStringLiteral("\nSELECT * FROM Movimentacao WHERE CdCNPJEmpr = '11222333000181' AND NrAno = '2005'"
                                          " AND NmMes = 'JUN' ORDER BY NrDia, NrMovimentacao;\n");
    const QString path = store::databasePath(dir.path());
    double baseline = 1e300;
    for (int run = 0; run < 3 && !bench::onServer(); ++run)
        baseline = std::min(baseline, bench::sqliteShell(path, script));

    bench::report(QStringLiteral("reports"), ours, baseline);
    std::printf("reports: %d pages (%.1f MB of PDF), %.0f pages per second, peak memory %.0f MB (%.0f MB before printing)\n",
                pages, QFileInfo(pdf).size() / 1048576.0, pages / ours, peakMegabytes(), before);
    return 0;
}
