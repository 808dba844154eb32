// The declaration of a month of 100,000 annex rows (both files) against the
// sqlite3 shell writing the same rows as CSV.
#include "BenchSupport.h"
#include "ExchangeBenchData.h"
#include "exchange/Generate.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

using namespace quirels;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
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

    const double ours = bench::seconds(
        [&] {
            Result<exchange::GeneratedFiles> r = exchange::writeDeclarationFiles(*db, bench::kBenchPeriod, out);
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
    double baseline = 1e300;
    for (int i = 0; i < 3; ++i)
        baseline = std::min(baseline, bench::sqliteShell(store::databasePath(data), script));
    bench::report(QStringLiteral("generate"), ours, baseline);
    return 0;
}
