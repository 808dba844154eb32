// The clerk opens the XI-B window on a month of 100,000 movements and moves
// to its last row: the cursor reads the month, the window shows and paints
// (offscreen), the last row is shown in the fields and painted again.
// Baseline: the sqlite3 shell selecting the same rows in the same order.

#include "BenchSupport.h"

#include "base/Dialogs.h"
#include "base/Numbers.h"
#include "entry/ui/AnnexScreens.h"
#include "entry/ui/EntryWindow.h"
#include "store/DataModule.h"
#include "store/Database.h"
#include "store/Sql.h"

#include <QApplication>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace quirels;

namespace {

const int kMovements = qEnvironmentVariableIsSet("QUIRELS_BENCH_ROWS") ? qEnvironmentVariableIntValue("QUIRELS_BENCH_ROWS") : 100000;
constexpr int kRuns = 3;
const QString kCnpj = QStringLiteral("11222333000181");

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "bench_annexb_open: %s failed\n", what);
        std::exit(2);
    }
}

void fill(const QString &folder)
{
    store::OpenOptions o;
    o.connection = QStringLiteral("fill");
    check(store::initializeDataFolder(folder, bench::storeOptions(folder, o)).ok(), "initialize");
    {
        Result<QSqlDatabase> opened = store::open(folder, bench::storeOptions(folder, o));
        check(opened.ok(), "open");
        QSqlDatabase db = *opened;
        sql::Transaction t(db);
        check(t.active(), "begin");
        check(sql::exec(db, QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('%1', 'BENCH')").arg(kCnpj)).ok(),
              "company");
        check(sql::exec(db, QStringLiteral("INSERT INTO Mes VALUES ('%1', '2005', 'JUN')").arg(kCnpj)).ok(), "month");
        for (const char *letter : {"A", "B", "C", "D", "E", "F", "G", "H"})
            check(sql::exec(db, QStringLiteral("INSERT INTO Observacoes (CdCNPJEmpr, NrAno, NmMes, Anexo) VALUES"
                                               " ('%1', '2005', 'JUN', '%2')")
                                    .arg(kCnpj, QLatin1String(letter)))
                      .ok(),
                  "observations");
        QSqlQuery m(db);
        check(m.prepare(QStringLiteral("INSERT INTO Movimentacao (CdCNPJEmpr, NrAno, NmMes, NrDia, NrCFOP, NmProduto,"
                                       " VlConcentracao, VlQuantidade, NmUnidade, NrNF, CdFornecedor, CdTransportadora, CdNCM)"
                                       " VALUES ('%1', '2005', 'JUN', ?, ?, ?, ?, ?, 'Kg', ?, '12345678909', '11222333000181', ?)")
                            .arg(kCnpj)),
              "prepare");
        static const char *const cfops[] = {"1.102", "1.401", "2.102", "5.102", "5.405", "6.102", "1.949", "5.949"};
        for (int n = 0; n < kMovements; ++n) {
            const int product = (n * 7919) % 500;
            m.bindValue(0, QStringLiteral("%1").arg(1 + n % 30, 2, 10, QLatin1Char('0')));
            m.bindValue(1, QString::fromLatin1(cfops[n % 8]));
            m.bindValue(2, QStringLiteral("PRODUTO %1").arg(product));
            m.bindValue(3, 10.0 + (product % 7) * 12.5);
            m.bindValue(4, 1.0 + (n % 13) * 0.25);
            m.bindValue(5, QString::number(100000 + n));
            m.bindValue(6, QStringLiteral("2902.30.%1").arg(product % 100, 2, 10, QLatin1Char('0')));
            check(m.exec(), "insert movement");
        }
        check(t.commit().ok(), "commit");
    }
    store::close(o.connection);
}

// Opens the window on the month, shows it, moves to the last row and paints;
// returns the seconds it took.
double openAndGoToLast(store::DataModule &dm, Dialogs &dialogs)
{
    // A fresh read of the month each time, as when the window is first opened.
    dm.movimentacao().close();
    std::unique_ptr<entry::EntryWindow> w;
    const double s = bench::seconds([&] {
        w.reset(entry::createAnnexScreen(QLatin1Char('B'), dm, dialogs));
        check(w != nullptr, "window");
        w->resize(1024, 768);
        w->show();
        QApplication::processEvents();
        w->repaint();
        auto *last = w->findChild<QToolButton *>(QStringLiteral("btnUltimo"));
        check(last != nullptr, "last-row button");
        last->click();
        QApplication::processEvents();
        w->repaint();
    });
    check(dm.movimentacao().count() == kMovements && dm.movimentacao().row() == kMovements - 1, "on the last row");
    w->close();
    w.reset();
    QApplication::processEvents();
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    numbers::setAppLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QTemporaryDir dir;
    check(dir.isValid(), "temporary folder");
    fill(dir.path());

    ScriptedDialogs dialogs;
    store::DataModule dm(dialogs);
    store::StartupOptions startup;
    startup.server = bench::storeOptions(dir.path()).server;
    check(dm.openAtStartup(dir.path(), startup).ok(), "start-up");
    check(dm.empresa().locate({{QStringLiteral("CdCNPJEmpr"), kCnpj}}), "company");
    check(dm.mes().locate({{QStringLiteral("NrAno"), QStringLiteral("2005")}, {QStringLiteral("NmMes"), QStringLiteral("JUN")}}),
          "month");

    // The rows the window lists, in its order (the day without regard to
    // case, then the movement's number), every field.
    const QString script = QStringLiteral(".output /dev/null\n"
                                          "SELECT * FROM Movimentacao WHERE CdCNPJEmpr = '%1' AND NrAno = '2005'"
                                          " AND NmMes = 'JUN' ORDER BY NrDia COLLATE NOCASE, NrMovimentacao;\n")
                               .arg(kCnpj);
    double ours = 1e300, baseline = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        ours = std::min(ours, openAndGoToLast(dm, dialogs));
        if (!bench::onServer())
            baseline = std::min(baseline, bench::sqliteShell(store::databasePath(dir.path()), script));
    }
    if (!dialogs.messages.isEmpty()) {
        std::fprintf(stderr, "bench_annexb_open: %d messages shown\n", static_cast<int>(dialogs.messages.size()));
        return 2;
    }
    bench::report(QStringLiteral("annexb_open"), ours, baseline);
    return 0;
}
