#include "Dialect.h"

#include "NameOrder.h"
#include "Sql.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <algorithm>

namespace quirels::store::dialect {

namespace {

// The version table of a server store (SQLite keeps the number in its header).
const QString kVersionTable = QStringLiteral("quirels_esquema");


QString columnDdl(const schema::Field &f, bool key, const QString &counter)
{
    const QString n = f.qname();
    switch (f.type) {
    case schema::Type::Text:
        // The width is a check of its own (not VARCHAR(n)), so that a value
        // too long is refused naming its column, as on SQLite.
        return QStringLiteral("%1 TEXT COLLATE \"C\"%2 CHECK (length(%1) <= %3)").arg(n, key ? QStringLiteral(" NOT NULL") : QString()).arg(f.width);
    case schema::Type::Memo: return n + QStringLiteral(" TEXT COLLATE \"C\"");
    case schema::Type::Integer: return n + QStringLiteral(" BIGINT");
    case schema::Type::Float: return n + QStringLiteral(" DOUBLE PRECISION");
    case schema::Type::Boolean: return n + QStringLiteral(" SMALLINT DEFAULT 0");
    case schema::Type::AutoInc: return n + QStringLiteral(" BIGINT PRIMARY KEY DEFAULT nextval('%1')").arg(counter);
    }
    return n;
}

QStringList serverDdl(const schema::Table &t)
{
    const QString name = t.qname();
    const QString low = name.toLower();
    const QString counter = low + QStringLiteral("_numero");
    const QStringList pk = t.primaryKeyNames();
    const schema::Field *autoInc = t.autoIncrement();
    QStringList cols;
    for (const schema::Field &f : t.fields)
        cols.append(columnDdl(f, pk.contains(f.qname()), counter));
    // The row number: the auto-increment field's value where the table has
    // one (as SQLite's rowid is), else a number of the table's counter.
    cols.append(autoInc ? QStringLiteral("rowid BIGINT GENERATED ALWAYS AS (%1) STORED UNIQUE").arg(autoInc->qname())
                        : QStringLiteral("rowid BIGINT NOT NULL UNIQUE DEFAULT nextval('%1')").arg(counter));
    if (!pk.isEmpty() && !autoInc)
        cols.append(QStringLiteral("PRIMARY KEY (%1)").arg(pk.join(QStringLiteral(", "))));

    QStringList out;
    out.append(QStringLiteral("CREATE SEQUENCE IF NOT EXISTS %1").arg(counter));
    out.append(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(name, cols.join(QStringLiteral(", "))));
    if (autoInc) {
        // Numbered as SQLite numbers: a row given a number of its own above
        // the counter moves the counter past it, never back. Only such rows
        // run the function (the condition is the server's own, per row); its
        // writers take turns, and the counter is read again as it is set.
        const QString a = autoInc->qname();
        const QString current = QStringLiteral("coalesce(pg_sequence_last_value('%1'), 0)").arg(counter);
        out.append(QStringLiteral("CREATE OR REPLACE FUNCTION %1_avanca() RETURNS trigger LANGUAGE plpgsql AS $f$ BEGIN "
                                  "PERFORM pg_advisory_xact_lock(hashtext('%2')); "
                                  "PERFORM setval('%2', greatest(NEW.%3, %4)); RETURN NULL; END $f$")
                       .arg(low, counter, a, current));
        out.append(QStringLiteral("CREATE OR REPLACE TRIGGER %1_avanca AFTER INSERT OR UPDATE OF %2 ON %3 FOR EACH ROW "
                                  "WHEN (NEW.%2 > %4) EXECUTE FUNCTION %1_avanca()")
                       .arg(low, a, name, current));
    }
    if (autoInc && pk.size() > 1)
        out.append(QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS %1_pk ON %1 (%2)").arg(name, pk.join(QStringLiteral(", "))));
    for (const schema::Index &i : t.indexes) {
        QStringList q;
        // On the columns themselves: an index serves the lookups by value;
        // the ordering without regard to case is the statement's.
        for (const char *f : i.fields)
            q.append(QString::fromLatin1(f));
        out.append(QStringLiteral("CREATE %1INDEX IF NOT EXISTS %2 ON %3 (%4)")
                       .arg(i.unique ? QStringLiteral("UNIQUE ") : QString(), schema::physicalIndexName(t, i), name,
                            q.join(QStringLiteral(", "))));
    }
    return out;
}

} // namespace

bool isServer(const QSqlDatabase &db) { return db.driverName() == QLatin1String("QPSQL"); }

QString rowVersion() { return QStringLiteral("xmin::text"); }

QString nocase(const QSqlDatabase &db, const QString &expr)
{
    if (!isServer(db))
        return expr + QStringLiteral(" COLLATE NOCASE");
    return QStringLiteral("translate(%1, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz') COLLATE \"C\"").arg(expr);
}

QString names(const QSqlDatabase &db, const QString &expr)
{
    if (!isServer(db))
        return expr + QStringLiteral(" COLLATE PTBR");
    return QStringLiteral("%1 COLLATE \"C\", %2 COLLATE \"C\"").arg(serverFoldExpression(expr), expr);
}

QStringList ddl(const QSqlDatabase &db, const schema::Table &t)
{
    return isServer(db) ? serverDdl(t) : schema::ddl(t);
}

QStringList commonDdl(const QSqlDatabase &db)
{
    if (!isServer(db))
        return {};
    return {
        QStringLiteral("CREATE OR REPLACE FUNCTION instr(text, text) RETURNS integer LANGUAGE sql IMMUTABLE AS "
                       "'SELECT strpos($1, $2)'"),
        QStringLiteral("CREATE OR REPLACE FUNCTION ifnull(anycompatible, anycompatible) RETURNS anycompatible "
                       "LANGUAGE sql IMMUTABLE AS 'SELECT coalesce($1, $2)'"),
        // The number the session's last insert took from a counter (0 before
        // any), as SQLite's function gives the last row's number.
        QStringLiteral("CREATE OR REPLACE FUNCTION last_insert_rowid() RETURNS bigint LANGUAGE plpgsql VOLATILE AS "
                       "$f$BEGIN RETURN lastval(); EXCEPTION WHEN object_not_in_prerequisite_state THEN RETURN 0; END$f$"),
        // SQLite's TOTAL(): the sum as a real number, 0.0 over no rows.
        QStringLiteral("CREATE OR REPLACE AGGREGATE total(double precision) (SFUNC = float8pl, STYPE = double precision, "
                       "INITCOND = '0')"),
        // SQLite's group_concat(), with "," or the given separator.
        QStringLiteral("CREATE OR REPLACE FUNCTION quirels_concat(acc text, v anyelement, sep text) RETURNS text "
                       "LANGUAGE sql IMMUTABLE AS $f$SELECT CASE WHEN v IS NULL THEN acc WHEN acc IS NULL THEN v::text "
                       "ELSE acc || sep || v::text END$f$"),
        QStringLiteral("CREATE OR REPLACE FUNCTION quirels_concat(acc text, v anyelement) RETURNS text "
                       "LANGUAGE sql IMMUTABLE AS $f$SELECT quirels_concat(acc, v, ',')$f$"),
        QStringLiteral("CREATE OR REPLACE AGGREGATE group_concat(anyelement, text) (SFUNC = quirels_concat, STYPE = text)"),
        QStringLiteral("CREATE OR REPLACE AGGREGATE group_concat(anyelement) (SFUNC = quirels_concat, STYPE = text)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (versao INTEGER NOT NULL)").arg(kVersionTable),
    };
}

Result<int> schemaVersion(QSqlDatabase &db)
{
    if (!isServer(db)) {
        Result<QVariant> v = sql::scalar(db, QStringLiteral("PRAGMA user_version"));
        if (!v)
            return v.error();
        return v->toInt();
    }
    Result<QVariant> present =
        sql::scalar(db, QStringLiteral("SELECT to_regclass('%1') IS NOT NULL").arg(kVersionTable));
    if (!present)
        return present.error();
    if (!present->toBool())
        return 0;
    Result<QVariant> v = sql::scalar(db, QStringLiteral("SELECT max(versao) FROM %1").arg(kVersionTable));
    if (!v)
        return v.error();
    return v->toInt();
}

Status setSchemaVersion(QSqlDatabase &db, int version)
{
    if (!isServer(db))
        return sql::exec(db, QStringLiteral("PRAGMA user_version = %1").arg(version));
    for (const QString &s : commonDdl(db))
        if (Status st = sql::exec(db, s); !st)
            return st;
    if (Status s = sql::exec(db, QStringLiteral("DELETE FROM %1").arg(kVersionTable)); !s)
        return s;
    return sql::exec(db, QStringLiteral("INSERT INTO %1 (versao) VALUES (%2)").arg(kVersionTable).arg(version));
}

qint64 lastInsertId(QSqlDatabase &db)
{
    if (!isServer(db)) {
        Result<QVariant> v = sql::scalar(db, QStringLiteral("SELECT last_insert_rowid()"));
        return v ? v->toLongLong() : 0;
    }
    Result<QVariant> v = sql::scalar(db, QStringLiteral("SELECT last_insert_rowid()"));
    return v ? v->toLongLong() : 0;
}

qint64 lastInsertId(const QSqlQuery &q)
{
    if (!q.driver() || q.driver()->dbmsType() != QSqlDriver::PostgreSQL)
        return q.lastInsertId().toLongLong();
    QSqlDatabase db = QSqlDatabase::database(QString(), false);
    // The query's own connection: found by its driver.
    for (const QString &name : QSqlDatabase::connectionNames()) {
        QSqlDatabase candidate = QSqlDatabase::database(name, false);
        if (candidate.driver() == q.driver()) {
            db = candidate;
            break;
        }
    }
    return lastInsertId(db);
}

QString insertReturningId(const QSqlDatabase &db, const QString &insert)
{
    return isServer(db) ? insert + QStringLiteral(" RETURNING rowid") : insert;
}

qint64 insertedId(QSqlQuery &q)
{
    if (!q.driver() || q.driver()->dbmsType() != QSqlDriver::PostgreSQL)
        return q.lastInsertId().toLongLong();
    const qint64 id = q.next() ? q.value(0).toLongLong() : 0;
    q.finish();
    return id;
}

Status continueNumbering(QSqlDatabase &db, const schema::Table &t, qint64 highest)
{
    if (!t.autoIncrement() || highest <= 0)
        return {};
    if (isServer(db)) {
        const QString seq = t.qname().toLower() + QStringLiteral("_numero");
        return sql::exec(db, QStringLiteral("SELECT setval('%1', greatest(%2, (SELECT CASE WHEN is_called THEN "
                                            "last_value ELSE 0 END FROM %1)))")
                                 .arg(seq)
                                 .arg(highest));
    }
    const QString name = sql::quote(t.qname());
    if (Status s = sql::exec(db, QStringLiteral("INSERT INTO sqlite_sequence (name, seq) SELECT %1, 0 WHERE NOT EXISTS "
                                                "(SELECT 1 FROM sqlite_sequence WHERE name = %1)")
                                     .arg(name));
        !s)
        return s;
    return sql::exec(db, QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, %1) WHERE name = %2").arg(highest).arg(name));
}

Result<std::vector<qint64>> reserveNumbers(QSqlDatabase &db, const QString &table, qint64 n)
{
    std::vector<qint64> out;
    if (n <= 0)
        return out;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT nextval('%1_numero') FROM generate_series(1, %2)").arg(table.toLower()).arg(n)))
        return makeError(sql::errorText(q), 2);
    out.reserve(static_cast<size_t>(n));
    while (q.next())
        out.push_back(q.value(0).toLongLong());
    if (q.lastError().isValid())
        return makeError(sql::errorText(q), 2);
    if (static_cast<qint64>(out.size()) != n)
        return makeError(QStringLiteral("O contador da tabela %1 não deu os números pedidos.").arg(table), 2);
    std::sort(out.begin(), out.end());
    return out;
}

QStringList tableNames(QSqlDatabase &db)
{
    if (!isServer(db))
        return db.tables();
    QStringList out;
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = current_schema() ORDER BY tablename")))
        while (q.next())
            out.append(q.value(0).toString());
    return out;
}

Result<QStringList> indexFieldLists(QSqlDatabase &db, const QString &table)
{
    QStringList out;
    if (isServer(db)) {
        QSqlQuery q(db);
        const QString text = QStringLiteral(
            "SELECT i.indexrelid, a.attname, k.n FROM pg_index i "
            "JOIN pg_class c ON c.oid = i.indrelid "
            "CROSS JOIN LATERAL unnest(i.indkey) WITH ORDINALITY AS k(attnum, n) "
            "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum = k.attnum "
            "WHERE c.oid = to_regclass(%1) ORDER BY i.indexrelid, k.n")
                                 .arg(sql::quote(table.toLower()));
        if (!q.exec(text))
            return makeError(sql::errorText(q), 2);
        QString current;
        QStringList fields;
        bool any = false;
        while (q.next()) {
            const QString idx = q.value(0).toString();
            if (any && idx != current) {
                out.append(fields.join(QLatin1Char(';')));
                fields.clear();
            }
            any = true;
            current = idx;
            // The schema's spelling of the column where it knows it.
            QString f = q.value(1).toString();
            if (const schema::Table *t = schema::table(table))
                if (const schema::Field *sf = t->field(f))
                    f = sf->qname();
            fields.append(f);
        }
        if (any)
            out.append(fields.join(QLatin1Char(';')));
        return out;
    }
    QSqlQuery list(db);
    if (!list.exec(QStringLiteral("PRAGMA index_list(%1)").arg(sql::id(table))))
        return makeError(sql::errorText(list), 2);
    QStringList names;
    while (list.next())
        names.append(list.value(1).toString());
    for (const QString &n : names) {
        QSqlQuery info(db);
        if (!info.exec(QStringLiteral("PRAGMA index_info(%1)").arg(sql::id(n))))
            return makeError(sql::errorText(info), 2);
        QList<std::pair<int, QString>> cols;
        while (info.next())
            cols.append({info.value(0).toInt(), info.value(2).toString()});
        std::sort(cols.begin(), cols.end());
        QStringList fields;
        for (const auto &c : cols)
            fields.append(c.second);
        out.append(fields.join(QLatin1Char(';')));
    }
    return out;
}

} // namespace quirels::store::dialect
