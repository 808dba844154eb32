#include "Repair.h"

#include "store/Database.h"
#include "store/Sql.h"

#include <QSqlQuery>

namespace quirels::shell {

namespace {

const QString kRepairConnection = QStringLiteral("quirelsRepair");

Result<QStringList> integrityProblems(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (Status s = sql::exec(q, QStringLiteral("PRAGMA integrity_check")); !s)
        return s.error();
    QStringList problems;
    while (q.next()) {
        const QString line = q.value(0).toString();
        if (line.compare(QLatin1String("ok"), Qt::CaseInsensitive) != 0)
            problems.append(line);
    }
    return problems;
}

Result<QStringList> repair(QSqlDatabase &db)
{
    // Rebuilding every index mends the damage the check reports most often
    // (an index out of step with its table); the check then tells what is left.
    if (Status s = sql::exec(db, QStringLiteral("REINDEX")); !s)
        return s.error();
    Result<QStringList> problems = integrityProblems(db);
    if (!problems)
        return problems;
    if (problems->isEmpty())
        if (Status s = sql::exec(db, QStringLiteral("VACUUM")); !s)
            return s.error();
    return problems;
}

} // namespace

Result<QStringList> repairStore(const QString &dataFolder)
{
    store::OpenOptions options;
    options.connection = kRepairConnection;
    Result<QStringList> out = makeError(QString());
    {
        Result<QSqlDatabase> db = store::open(dataFolder, options);
        if (!db) {
            store::close(kRepairConnection);
            return db.error();
        }
        out = repair(*db);
    }
    store::close(kRepairConnection);
    return out;
}

} // namespace quirels::shell
