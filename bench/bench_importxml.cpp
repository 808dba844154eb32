// Import of the full packet file of the generation benchmark's month (100,000
// annex rows) into an empty store, against the sqlite3 shell loading the
// same rows from CSV files into an empty store; then the peak memory of a
// run that imports a packet of over 100 MB.
#include "BenchSupport.h"
#include "ExchangeBenchData.h"
#include "base/Dialogs.h"
#include "exchange/Generate.h"
#include "exchange/PacketImport.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

using namespace quirels;

static void check(const Status &s)
{
    if (!s) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(s.message()));
        std::exit(2);
    }
}

// "--memory DATA PACKET": imports the packet into the store in DATA and
// prints the peak memory of this process.
static int memoryRun(const QString &data, const QString &packet)
{
    Result<QSqlDatabase> db = store::open(data);
    if (!db)
        return 2;
    ScriptedDialogs dialogs;
    if (Status s = exchange::importPacketFile(*db, packet, dialogs); !s) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(s.message()));
        return 2;
    }
    std::printf("%lld\n", static_cast<long long>(bench::peakMemory()));
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--memory")
        return memoryRun(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("origem"));
    check(store::initializeDataFolder(source));
    QString packetPath;
    {
        Result<QSqlDatabase> db = store::open(source);
        check(db ? Status() : Status(db.error()));
        bench::fillBenchMonth(*db);
        Result<exchange::GeneratedFiles> files = exchange::writeDeclarationFiles(*db, bench::kBenchPeriod, dir.path());
        check(files ? Status() : Status(files.error()));
        packetPath = files->packetPath;
    }
    store::close();

    const int runs = 3;
    double ours = 1e300;
    for (int i = 0; i < runs; ++i) {
        // The store imported into is the server's under bench/run --servidor.
        const QString target = dir.filePath(QStringLiteral("destino%1").arg(i));
        check(store::initializeDataFolder(target, bench::storeOptions(target)));
        Result<QSqlDatabase> db = store::open(target, bench::storeOptions(target));
        check(db ? Status() : Status(db.error()));
        ours = std::min(ours, bench::seconds([&] {
            ScriptedDialogs dialogs;
            check(exchange::importPacketFile(*db, packetPath, dialogs));
        }));
        *db = QSqlDatabase();
        store::close();
    }

    // On the server only the import's own time is compared, with the SQLite run's.
    if (bench::onServer()) {
        bench::report(QStringLiteral("importxml"), ours, 0);
        return 0;
    }

    // The same rows as CSV files, written once by the shell from the source.
    QString exportScript = QStringLiteral(".mode csv\n.headers off\n");
    const QString where = QStringLiteral(" WHERE CdCNPJEmpr = '11222333000181' AND NrAno = '2005' AND NmMes = 'JUN'");
    QStringList tables{QStringLiteral("Empresa"), QStringLiteral("Mes")};
    tables += bench::benchTables();
    for (const QString &t : tables) {
        exportScript += QStringLiteral(".output %1\n").arg(dir.filePath(t + QStringLiteral(".csv")));
        exportScript += QStringLiteral("SELECT * FROM ") + t +
                        (t == QLatin1String("Empresa") ? QStringLiteral(" WHERE CdCNPJEmpr = '11222333000181'") : where) +
                        QStringLiteral(";\n");
    }
    bench::sqliteShell(store::databasePath(source), exportScript);
    QString importScript = QStringLiteral(".mode csv\n");
    for (const QString &t : tables)
        importScript += QStringLiteral(".import %1 %2\n").arg(dir.filePath(t + QStringLiteral(".csv")), t);
    double baseline = 1e300;
    for (int i = 0; i < runs; ++i) {
        const QString target = dir.filePath(QStringLiteral("csv%1").arg(i));
        check(store::initializeDataFolder(target));
        store::close();
        baseline = std::min(baseline, bench::sqliteShell(store::databasePath(target), importScript));
    }
    bench::report(QStringLiteral("importxml"), ours, baseline);

    // Four times the month: a packet of over 100 MB.
    const QString big = dir.filePath(QStringLiteral("grande"));
    const QString bigOut = dir.filePath(QStringLiteral("grande-xml"));
    QDir().mkpath(bigOut);
    QString bigPacket;
    {
        check(store::initializeDataFolder(big));
        Result<QSqlDatabase> db = store::open(big);
        check(db ? Status() : Status(db.error()));
        bench::fillBenchMonth(*db, 4);
        Result<exchange::GeneratedFiles> files = exchange::writeDeclarationFiles(*db, bench::kBenchPeriod, bigOut);
        check(files ? Status() : Status(files.error()));
        bigPacket = files->packetPath;
    }
    store::close();
    const QString target = dir.filePath(QStringLiteral("grande-destino"));
    check(store::initializeDataFolder(target));
    const qint64 peak = bench::peakMemoryOfRun({QStringLiteral("--memory"), target, bigPacket});
    bench::reportMemory(QStringLiteral("importxml_memory"), peak, QFileInfo(bigPacket).size());
    return 0;
}
