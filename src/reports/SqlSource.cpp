#include "reports/SqlSource.h"

#include "store/Sql.h"

#include <QSqlDriver>
#include <QSqlRecord>

#include <sqlite3.h>

namespace quirels::reports {

SqlSource::SqlSource(QSqlDatabase db, QString statement, QVariantList values)
    : m_db(std::move(db)), m_statement(std::move(statement)), m_values(std::move(values))
{
}

SqlSource::~SqlSource() = default;

void SqlSource::StmtDeleter::operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }

bool SqlSource::openNative(Status &status)
{
    const QVariant handle = m_db.driver() ? m_db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *db = *static_cast<sqlite3 *const *>(handle.constData());
    if (!db)
        return false;
    status = openOn(db);
    return true;
}

Status SqlSource::openOn(sqlite3 *db)
{
    const QByteArray sql = m_statement.toUtf8();
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return makeError(QString::fromUtf8(sqlite3_errmsg(db)), 2);
    }
    m_stmt.reset(raw);
    for (int i = 0; i < m_values.size(); ++i) {
        const QVariant &v = m_values.at(i);
        int rc = SQLITE_OK;
        switch (v.isNull() ? QMetaType::UnknownType : v.typeId()) {
        case QMetaType::UnknownType:
            rc = sqlite3_bind_null(raw, i + 1);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(raw, i + 1, v.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(raw, i + 1, v.toDouble());
            break;
        default: {
            const QByteArray text = v.toString().toUtf8();
            rc = sqlite3_bind_text(raw, i + 1, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
            break;
        }
        }
        if (rc != SQLITE_OK) {
            m_stmt.reset();
            return makeError(QString::fromUtf8(sqlite3_errmsg(db)), 2);
        }
    }
    return {};
}

Status SqlSource::open()
{
    m_stmt.reset();
    m_index.clear();
    m_onRow = false;
    if (Status s; openNative(s))
        return s;
    m_query = QSqlQuery(m_db);
    sql::forwardOnly(m_query);
    if (!m_query.prepare(m_statement))
        return makeError(sql::errorText(m_query), 2);
    for (int i = 0; i < m_values.size(); ++i)
        m_query.bindValue(i, m_values.at(i));
    if (!m_query.exec())
        return makeError(sql::errorText(m_query), 2);
    return {};
}

bool SqlSource::next()
{
    if (m_stmt) {
        m_onRow = sqlite3_step(m_stmt.get()) == SQLITE_ROW;
        if (!m_onRow)
            m_stmt.reset(); // done (or failed): the statement lets go of the store
        return m_onRow;
    }
    m_onRow = m_query.isActive() && m_query.next();
    return m_onRow;
}

int SqlSource::column(const QString &field) const
{
    auto it = m_index.constFind(field);
    if (it != m_index.constEnd())
        return *it;
    int found = -1;
    if (m_stmt) {
        const int n = sqlite3_column_count(m_stmt.get());
        for (int i = 0; i < n && found < 0; ++i)
            if (QString::fromUtf8(sqlite3_column_name(m_stmt.get(), i)).compare(field, Qt::CaseInsensitive) == 0)
                found = i;
    } else {
        const QSqlRecord rec = m_query.record();
        for (int i = 0; i < rec.count() && found < 0; ++i)
            if (rec.fieldName(i).compare(field, Qt::CaseInsensitive) == 0)
                found = i;
    }
    m_index.insert(field, found);
    return found;
}

QVariant SqlSource::value(const QString &field) const
{
    if (!m_onRow)
        return {};
    const int c = column(field);
    if (c < 0)
        return {};
    if (m_stmt) {
        // The types the SQLite driver of the query layer gives.
        sqlite3_stmt *s = m_stmt.get();
        switch (sqlite3_column_type(s, c)) {
        case SQLITE_INTEGER:
            return QVariant(static_cast<qlonglong>(sqlite3_column_int64(s, c)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(s, c));
        case SQLITE_TEXT:
            return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, c)),
                                              sqlite3_column_bytes(s, c)));
        case SQLITE_BLOB:
            return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(s, c)), sqlite3_column_bytes(s, c)));
        default:
            return {};
        }
    }
    const QVariant v = m_query.value(c);
    return v.isNull() ? QVariant() : v;
}

} // namespace quirels::reports
