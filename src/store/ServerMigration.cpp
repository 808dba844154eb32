#include "ServerMigration.h"

#include "Database.h"
#include "Dialect.h"
#include "Messages.h"
#include "Schema.h"
#include "Sql.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <vector>

namespace quirels::store {

namespace {

// Rows per INSERT statement, and the most characters one statement takes.
constexpr int kRowsPerStatement = 250;
constexpr qsizetype kStatementChars = 1 << 20;

// A column copied: its name in the folder's store and on the server, and
// whether the server keeps it as a truth value (the folder's store keeps 0/1).
struct Column {
    QString source;
    QString target;
    bool boolean = false;
};

bool truthOf(const QVariant &v)
{
    if (v.typeId() == QMetaType::QString) {
        const QString t = v.toString().trimmed().toLower();
        return t == QLatin1String("1") || t == QLatin1String("true") || t == QLatin1String("t") ||
               t == QLatin1String("s") || t == QLatin1String("sim");
    }
    return v.toLongLong() != 0 || v.toDouble() != 0.0;
}

QString literalFor(const Column &c, const QVariant &v)
{
    if (c.boolean && !v.isNull())
        return truthOf(v) ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    return sql::literal(v);
}

// The columns of a table as one store names them (an empty record when the
// table is missing there).
QSqlRecord columnsOf(QSqlDatabase &db, const QString &table)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(sql::id(table))))
        return {};
    return q.record();
}

Result<qint64> count(QSqlDatabase &db, const QString &table)
{
    Result<QVariant> n = sql::scalar(db, QStringLiteral("SELECT count(*) FROM ") + sql::id(table));
    if (!n)
        return n.error();
    return n->toLongLong();
}

Error tableError(const QString &table, const QString &message)
{
    return makeError(msg::kMigracaoFalhou.arg(table, message), 2);
}

Status copyRows(QSqlDatabase &source, QSqlDatabase &server, const schema::Table &t)
{
    const QSqlRecord from = columnsOf(source, t.qname());
    const QSqlRecord to = columnsOf(server, t.qname());
    if (to.isEmpty())
        return tableError(t.qname(), msg::kFalhaTabelaAusente.arg(t.qname()));
    if (from.isEmpty())
        return {}; // a table the folder's store never had: nothing to copy
    std::vector<Column> columns;
    for (const schema::Field &f : t.fields) {
        const int s = from.indexOf(f.qname());
        const int d = to.indexOf(f.qname());
        if (s < 0 || d < 0)
            continue;
        columns.push_back({from.fieldName(s), to.fieldName(d), to.field(d).metaType().id() == QMetaType::Bool});
    }
    if (columns.empty())
        return {};
    QStringList sourceNames;
    QStringList targetNames;
    for (const Column &c : columns) {
        sourceNames.append(sql::id(c.source));
        targetNames.append(sql::id(c.target));
    }
    const QString head = QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(sql::id(t.qname()), targetNames.join(QLatin1Char(',')));

    QSqlQuery read(source);
    read.setForwardOnly(true);
    // In the order the rows were entered: the server numbers them in the
    // order they arrive, and reports list rows in that order.
    if (!read.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(sourceNames.join(QLatin1Char(',')), sql::id(t.qname()))))
        return tableError(t.qname(), sql::errorText(read));
    QString statement;
    int rows = 0;
    auto flush = [&]() -> Status {
        if (rows == 0)
            return {};
        Status s = sql::exec(server, statement);
        statement.clear();
        rows = 0;
        return s;
    };
    QStringList values;
    while (read.next()) {
        values.clear();
        for (int i = 0; i < static_cast<int>(columns.size()); ++i)
            values.append(literalFor(columns[static_cast<size_t>(i)], read.value(i)));
        statement += (rows == 0 ? head : QStringLiteral(",")) + QLatin1Char('(') + values.join(QLatin1Char(',')) +
                     QLatin1Char(')');
        if (++rows >= kRowsPerStatement || statement.size() >= kStatementChars)
            if (Status s = flush(); !s)
                return tableError(t.qname(), s.message());
    }
    if (read.lastError().isValid())
        return tableError(t.qname(), sql::errorText(read));
    if (Status s = flush(); !s)
        return tableError(t.qname(), s.message());
    return {};
}

// The highest number the folder's store gave a table's auto-increment
// field, also one whose row is gone: SQLite keeps it in sqlite_sequence.
Result<qint64> highestNumber(QSqlDatabase &source, const schema::Table &t)
{
    const schema::Field *autoField = t.autoIncrement();
    if (!autoField)
        return qint64(0);
    Result<QVariant> m = sql::scalar(source, sql::selectMax(sql::id(autoField->qname()), sql::id(t.qname())));
    if (!m)
        return m.error();
    qint64 highest = m->toLongLong();
    QSqlQuery given(source);
    // No sqlite_sequence at all when nothing was ever numbered.
    if (given.exec(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ") + sql::quote(t.qname())) && given.next())
        highest = std::max(highest, given.value(0).toLongLong());
    return highest;
}

} // namespace

Result<bool> isEmptyServerDatabase(QSqlDatabase &server)
{
    Result<QVariant> n = sql::scalar(server, QStringLiteral("SELECT count(*) FROM pg_catalog.pg_class c "
                                                            "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
                                                            "WHERE c.relkind IN ('r', 'p', 'v', 'm', 'S', 'f') "
                                                            "AND n.nspname NOT IN ('pg_catalog', 'information_schema') "
                                                            "AND n.nspname NOT LIKE 'pg\\_toast%' "
                                                            "AND n.nspname NOT LIKE 'pg\\_temp%'"));
    if (!n)
        return makeError(n.message(), 2);
    return n->toLongLong() == 0;
}

Result<QList<TableCount>> migrateToServer(QSqlDatabase &source, QSqlDatabase &server,
                                          const std::function<void(int done, int total)> &progress)
{
    const Result<bool> empty = isEmptyServerDatabase(server);
    if (!empty)
        return empty.error();
    if (!*empty)
        return makeError(msg::kMigracaoDestinoNaoVazio.arg(QStringLiteral("postgresql://%1@%2:%3/%4")
                                                              .arg(server.userName(), server.hostName())
                                                              .arg(server.port())
                                                              .arg(server.databaseName())),
                         1);

    std::vector<schema::Table> tables = schema::tables();
    tables.insert(tables.end(), schema::ownTables().begin(), schema::ownTables().end());

    // One read transaction on the folder's store: every table is read as it
    // was at one moment, while other programs may go on writing.
    if (!source.transaction())
        return makeError(sql::errorText(source), 2);
    struct EndRead {
        QSqlDatabase &db;
        ~EndRead() { db.rollback(); }
    } endRead{source};

    sql::Transaction tx(server);
    if (!tx.active())
        return makeError(tx.error().message, 2);
    if (Status s = createSchema(server); !s)
        return makeError(s.message(), 2);
    QList<TableCount> counts;
    int done = 0;
    for (const schema::Table &t : tables) {
        if (Status s = copyRows(source, server, t); !s)
            return s.error();
        if (!columnsOf(source, t.qname()).isEmpty()) {
            const Result<qint64> highest = highestNumber(source, t);
            if (!highest)
                return tableError(t.qname(), highest.message());
            if (Status s = dialect::continueNumbering(server, t, *highest); !s)
                return tableError(t.qname(), s.message());
        }
        TableCount c{t.qname()};
        const QSqlRecord from = columnsOf(source, t.qname());
        if (!from.isEmpty()) {
            Result<qint64> n = count(source, t.qname());
            if (!n)
                return tableError(t.qname(), n.message());
            c.source = *n;
        }
        Result<qint64> m = count(server, t.qname());
        if (!m)
            return tableError(t.qname(), m.message());
        c.target = *m;
        if (c.source != c.target)
            return makeError(msg::kMigracaoContagemDiferente.arg(t.qname()).arg(c.source).arg(c.target), 2);
        counts.append(c);
        if (progress)
            progress(++done, static_cast<int>(tables.size()));
    }
    // A folder not yet opened by this version may keep days of one digit:
    // the server's layout has them in two.
    if (Status s = storeDaysInTwoDigits(server); !s)
        return makeError(s.message(), 2);
    if (Status s = tx.commit(); !s)
        return makeError(s.message(), 2);
    return counts;
}

} // namespace quirels::store
