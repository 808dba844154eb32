#include "Sql.h"

#include "base/Numbers.h"
#include "store/StoreError.h"

#include <QSqlDriver>
#include <QSqlError>

namespace quirels::sql {

QString quote(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

QString number(double value) { return numbers::plain(value); }

QString literal(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: return number(value.toDouble());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: return QString::number(value.toLongLong());
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default: return quote(value.toString());
    }
}

QString id(const QString &name)
{
    // A plain name stays unquoted, so that each store matches it as it
    // matches the names of every other statement (the server folds it to
    // lower case, as its tables were created).
    bool plain = !name.isEmpty() && !name.at(0).isDigit();
    for (QChar c : name)
        plain = plain && c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('_'));
    if (plain)
        return name;
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString insertInto(const QString &table, const QStringList &fields, const QVariantList &values)
{
    QStringList literals;
    for (const QVariant &v : values)
        literals.append(literal(v));
    return QStringLiteral("insert into %1 (%2) values (%3)")
        .arg(table, fields.join(QLatin1Char(',')), literals.join(QLatin1Char(',')));
}

QString updateCompanyKey(const QString &table, const QString &newKey, const QString &oldKey)
{
    return QStringLiteral("update %1 set CdCNPJEmpr=%2 where CdCNPJEmpr=%3").arg(table, quote(newKey), quote(oldKey));
}

QString deleteWhere(const QString &table, const KeyValues &key)
{
    QString s = QStringLiteral("delete from ") + table;
    for (qsizetype i = 0; i < key.size(); ++i)
        s += (i == 0 ? QStringLiteral(" where ") : QStringLiteral(" and ")) + key.at(i).first + QStringLiteral(" = ") +
             literal(key.at(i).second);
    return s;
}

QString selectMax(const QString &field, const QString &table)
{
    return QStringLiteral("Select Max (%1) as cod from %2").arg(field, table);
}

QString errorText(const QSqlQuery &q) { return store::describe(q).message; }
QString errorText(const QSqlDatabase &db) { return store::describe(db).message; }

void forwardOnly(QSqlQuery &q)
{
    if (!q.driver() || q.driver()->dbmsType() != QSqlDriver::PostgreSQL)
        q.setForwardOnly(true);
}

Status exec(QSqlDatabase &db, const QString &statement)
{
    QSqlQuery q(db);
    return exec(q, statement);
}

Status exec(QSqlQuery &q)
{
    if (!q.exec())
        return makeError(errorText(q));
    return {};
}

Status exec(QSqlQuery &q, const QString &statement)
{
    if (!q.exec(statement))
        return makeError(errorText(q));
    return {};
}

Status execBound(QSqlQuery &q, const QString &statement, const QVariantList &binds, int code)
{
    if (!q.prepare(statement))
        return makeError(errorText(q), code);
    for (const QVariant &b : binds)
        q.addBindValue(b);
    if (!q.exec())
        return makeError(errorText(q), code);
    return {};
}

Result<QVariant> scalar(QSqlDatabase &db, const QString &statement)
{
    QSqlQuery q(db);
    if (!q.exec(statement))
        return makeError(errorText(q));
    if (!q.next())
        return QVariant();
    return q.value(0);
}

Transaction::Transaction(QSqlDatabase &db) : m_db(db)
{
    if (m_db.driverName() == QLatin1String("QSQLITE")) {
        // The write lock is taken at the start. A transaction that begins as
        // a reader and writes later is refused at once, without waiting, when
        // another program writes meanwhile; one that takes the lock first
        // waits the busy timeout for it like any writer.
        QSqlQuery begin(m_db);
        m_active = begin.exec(QStringLiteral("BEGIN IMMEDIATE"));
        if (!m_active)
            m_error = makeError(errorText(begin));
        return;
    }
    m_active = m_db.transaction();
    if (!m_active)
        m_error = makeError(errorText(m_db));
}

Transaction::~Transaction()
{
    if (m_active)
        m_db.rollback();
}

Status Transaction::commit()
{
    if (!m_active)
        return m_error;
    if (!m_db.commit()) {
        Error e = makeError(errorText(m_db));
        m_db.rollback();
        m_active = false;
        return e;
    }
    m_active = false;
    return {};
}

void Transaction::rollback()
{
    if (m_active)
        m_db.rollback();
    m_active = false;
}

} // namespace quirels::sql
