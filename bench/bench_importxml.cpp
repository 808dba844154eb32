// Import of the full packet file of the generation benchmark's month (100,000
// annex rows) into an empty store, against the sqlite3 shell loading the
// same rows from CSV files into an empty store.
#include "BenchSupport.h"
#include "ExchangeBenchData.h"
#include "base/Dialogs.h"
#include "exchange/Generate.h"
#include "exchange/PacketImport.h"
#include "exchange/PacketReader.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
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

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
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
        const QString target = dir.filePath(QStringLiteral("destino%1").arg(i));
        check(store::initializeDataFolder(target));
        Result<QSqlDatabase> db = store::open(target);
        check(db ? Status() : Status(db.error()));
        ours = std::min(ours, bench::seconds([&] {
            Result<exchange::PacketRow> packet = exchange::readPacketFile(packetPath);
            check(packet ? Status() : Status(packet.error()));
            ScriptedDialogs dialogs;
            check(exchange::importPacket(*db, *packet, dialogs));
        }));
        store::close();
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
    return 0;
}
