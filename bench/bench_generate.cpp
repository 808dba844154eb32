// The declaration of a month of 100,000 annex rows (both files) against the
// sqlite3 shell writing the same rows as CSV; then the peak memory of a run
// that writes a packet of over 100 MB.
#include "BenchSupport.h"
#include "ExchangeBenchData.h"
#include "exchange/Generate.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/ServerMigration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

using namespace quirels;

// "--memory DATA OUT": generates the bench period of the store in DATA into
// OUT and prints the peak memory of this process.
static int memoryRun(const QString &data, const QString &out)
{
    Result<QSqlDatabase> db = store::open(data);
    if (!db)
        return 2;
    Result<exchange::GeneratedFiles> r = exchange::writeDeclarationFiles(*db, bench::kBenchPeriod, out);
    if (!r) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(r.message()));
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
    const QString data = dir.filePath(QStringLiteral("dados"));
    if (Status s = store::initializeDataFolder(data); !s) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(s.message()));
        return 2;
    }
    Result<QSqlDatabase> db = store::open(data);
    if (!db) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(db.message()));
        return 2;
    }
    bench::fillBenchMonth(*db);
    const QString out = dir.filePath(QStringLiteral("xml"));
    QDir().mkpath(out);

    // Under bench/run --servidor the month is read from the server: the
    // filled store is moved there first (the filling speaks SQLite).
    QSqlDatabase source = *db;
    if (bench::onServer()) {
        store::OpenOptions o = bench::storeOptions(dir.filePath(QStringLiteral("servidor")));
        o.connection = QStringLiteral("servidor");
        o.create = true;
        Result<QSqlDatabase> server = store::open(dir.filePath(QStringLiteral("servidor")), o);
        if (!server) {
            std::fprintf(stderr, "bench: %s\n", qPrintable(server.message()));
            return 2;
        }
        if (Result<QList<store::TableCount>> moved = store::migrateToServer(*db, *server); !moved) {
            std::fprintf(stderr, "bench: %s\n", qPrintable(moved.message()));
            return 2;
        }
        source = *server;
    }

    const double ours = bench::seconds(
        [&] {
            Result<exchange::GeneratedFiles> r = exchange::writeDeclarationFiles(source, bench::kBenchPeriod, out);
            if (!r) {
                std::fprintf(stderr, "bench: %s\n", qPrintable(r.message()));
                std::exit(2);
            }
        },
        3);

    QString script = QStringLiteral(".mode csv\n.headers on\n.output %1\n").arg(dir.filePath(QStringLiteral("mes.csv")));
    const QString where = QStringLiteral(" WHERE CdCNPJEmpr = '11222333000181' AND NrAno = '2005' AND NmMes = 'JUN'");
    script += QStringLiteral("SELECT * FROM Empresa WHERE CdCNPJEmpr = '11222333000181';\n");
    script += QStringLiteral("SELECT * FROM Mes") + where + QStringLiteral(";\n");
    for (const QString &t : bench::benchTables()) {
        const schema::Table *table = schema::table(t);
        script += QStringLiteral("SELECT * FROM ") + t + where + QStringLiteral(" ORDER BY ") +
                  table->primaryKeyNames().join(QStringLiteral(", ")) + QStringLiteral(";\n");
    }
    if (bench::onServer()) {
        bench::report(QStringLiteral("generate"), ours, 0);
        source = QSqlDatabase();
        *db = QSqlDatabase();
        return 0;
    }
    double baseline = 1e300;
    for (int i = 0; i < 3; ++i)
        baseline = std::min(baseline, bench::sqliteShell(store::databasePath(data), script));
    bench::report(QStringLiteral("generate"), ours, baseline);

    // Four times the month: a packet of over 100 MB.
    const QString big = dir.filePath(QStringLiteral("grande"));
    if (Status s = store::initializeDataFolder(big, {QStringLiteral("grande")}); !s)
        return 2;
    {
        Result<QSqlDatabase> bigDb = store::open(big, {QStringLiteral("grande")});
        if (!bigDb)
            return 2;
        bench::fillBenchMonth(*bigDb, 4);
    }
    store::close(QStringLiteral("grande"));
    const qint64 peak = bench::peakMemoryOfRun({QStringLiteral("--memory"), big, out});
    bench::reportMemory(QStringLiteral("generate_memory"), peak,
                        QFileInfo(exchange::declarationPaths(out, bench::kBenchPeriod).packetPath).size());
    return 0;
}
