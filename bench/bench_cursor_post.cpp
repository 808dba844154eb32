// 100,000 products posted through the cursor of the data module (record
// rules, closing stock, rows kept in order in the cursor) against the same
// rows written with one prepared insert, both in one transaction on a fresh
// store. Best of three runs each, taken in turns, to damp a busy machine.

#include "BenchSupport.h"

#include "base/Dialogs.h"
#include "base/Numbers.h"
#include "store/DataModule.h"
#include "store/Database.h"
#include "store/RecordRules.h"
#include "store/Sql.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace quirels;

namespace {

const int kRows = qEnvironmentVariableIsSet("QUIRELS_BENCH_ROWS") ? qEnvironmentVariableIntValue("QUIRELS_BENCH_ROWS") : 100000;
constexpr int kRuns = 3;
const QString kCnpj = QStringLiteral("11222333000181");

void check(const Status &s, const char *what)
{
    if (!s) {
        std::fprintf(stderr, "bench_cursor_post: %s: %s\n", what, qPrintable(s.message()));
        std::exit(2);
    }
}

void prepareFolder(const QString &folder)
{
    store::OpenOptions o;
    o.connection = QStringLiteral("prepare");
    check(store::initializeDataFolder(folder, bench::storeOptions(folder, o)), "initialize");
    Result<QSqlDatabase> db = store::open(folder, bench::storeOptions(folder, o));
    check(db.ok() ? Status() : Status(db.error()), "open");
    check(sql::exec(*db, QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('%1', 'BENCH')").arg(kCnpj)), "company");
    check(sql::exec(*db, QStringLiteral("INSERT INTO Mes VALUES ('%1', '2005', 'JAN')").arg(kCnpj)), "period");
    *db = QSqlDatabase();
    store::close(o.connection);
}

struct Values {
    double conc, dens, ant, compras, vendas;
    QString ncm, name;
};

Values valuesFor(int i)
{
    return {static_cast<double>(i % 100), 1.0 + (i % 7) * 0.1, 100.0 + i, 50.0, 30.0 + (i % 10),
            QStringLiteral("2939.41.%1").arg(i % 100, 2, 10, QLatin1Char('0')), QStringLiteral("PRODUTO %1").arg(i)};
}

// Through the cursor, with the record rules.
double ours()
{
    QTemporaryDir dir;
    prepareFolder(dir.path());
    ScriptedDialogs dialogs;
    store::DataModule dm(dialogs);
    store::StartupOptions startup;
    startup.server = bench::storeOptions(dir.path()).server;
    check(dm.openAtStartup(dir.path(), startup), "start-up");
    if (!dm.empresa().locate({{QStringLiteral("CdCNPJEmpr"), kCnpj}}) || dm.mes().count() != 1) {
        std::fprintf(stderr, "bench_cursor_post: period not found\n");
        std::exit(2);
    }
    store::Cursor &p = dm.produtos();
    QSqlDatabase db = dm.database();
    const double s = bench::seconds([&] {
        sql::Transaction tx(db);
        for (int i = 0; i < kRows; ++i) {
            const Values v = valuesFor(i);
            p.insert();
            p.setValue(QStringLiteral("CdNCM"), v.ncm);
            p.setValue(QStringLiteral("NmProduto"), v.name);
            p.setValue(QStringLiteral("VlConcentracao"), v.conc);
            p.setValue(QStringLiteral("VlDensidade"), v.dens);
            p.setValue(QStringLiteral("DsUnidade"), QStringLiteral("Kg"));
            p.setValue(QStringLiteral("QtEstoqueAnt"), v.ant);
            p.setValue(QStringLiteral("QtCompras"), v.compras);
            p.setValue(QStringLiteral("QtVendas"), v.vendas);
            check(p.post(), "post");
        }
        check(tx.commit(), "commit");
    });
    if (p.count() != kRows || !dialogs.messages.isEmpty()) {
        std::fprintf(stderr, "bench_cursor_post: %d rows in the cursor, %d messages\n", p.count(),
                     static_cast<int>(dialogs.messages.size()));
        std::exit(2);
    }
    db = QSqlDatabase();
    return s;
}

// The same rows, closing stock computed alike, one prepared insert.
double baseline()
{
    QTemporaryDir dir;
    prepareFolder(dir.path());
    store::OpenOptions o;
    o.connection = QStringLiteral("baseline");
    Result<QSqlDatabase> db = store::open(dir.path(), bench::storeOptions(dir.path(), o));
    check(db.ok() ? Status() : Status(db.error()), "open baseline");
    const QStringList qty = store::rules::quantityFields();
    const double s = bench::seconds([&] {
        sql::Transaction tx(*db);
        QSqlQuery q(*db);
        QStringList cols{QStringLiteral("CdCNPJEmpr"), QStringLiteral("NrAno"), QStringLiteral("NmMes"),
                         QStringLiteral("CdNCM"), QStringLiteral("NmProduto"), QStringLiteral("VlConcentracao"),
                         QStringLiteral("VlDensidade"), QStringLiteral("DsUnidade")};
        cols += qty;
        cols.append(QStringLiteral("QtEstoqueAtual"));
        QStringList marks;
        for (qsizetype i = 0; i < cols.size(); ++i)
            marks.append(QStringLiteral("?"));
        q.prepare(QStringLiteral("INSERT INTO Produtos (%1) VALUES (%2)").arg(cols.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
        for (int i = 0; i < kRows; ++i) {
            const Values v = valuesFor(i);
            int b = 0;
            q.bindValue(b++, kCnpj);
            q.bindValue(b++, QStringLiteral("2005"));
            q.bindValue(b++, QStringLiteral("JAN"));
            q.bindValue(b++, v.ncm);
            q.bindValue(b++, v.name);
            q.bindValue(b++, v.conc);
            q.bindValue(b++, v.dens);
            q.bindValue(b++, QStringLiteral("Kg"));
            for (const QString &f : qty)
                q.bindValue(b++, f == QLatin1String("QtEstoqueAnt") ? v.ant
                                 : f == QLatin1String("QtCompras") ? v.compras
                                 : f == QLatin1String("QtVendas")  ? v.vendas
                                                                   : 0.0);
            q.bindValue(b++, v.ant + v.compras - v.vendas);
            if (!q.exec())
                check(makeError(sql::errorText(q)), "baseline insert");
        }
        check(tx.commit(), "baseline commit");
    });
    *db = QSqlDatabase();
    store::close(o.connection);
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    numbers::setAppLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    double best = 1e300;
    double base = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        best = std::min(best, ours());
        base = std::min(base, baseline());
    }
    bench::reportWithStoreBaseline(QStringLiteral("cursor_post"), best, base);
    return 0;
}
