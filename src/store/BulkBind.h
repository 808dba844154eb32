#pragma once
// A prepared statement run for many rows. QSqlQuery::bindValue() names each
// position with a placeholder string built on every call (a QString::arg and
// a hash look-up per value), which costs more than the insert itself in a
// bulk import. The values are one list in the result, reachable through
// QSqlResult's protected interface for drivers: the first row is bound the
// normal way, which sets the result up for positional binding, and later
// rows overwrite that list in place; the driver binds them from it on exec().

#include "Sql.h"

#include <QSqlQuery>
#include <QSqlResult>
#include <QVariant>

namespace quirels::sql {

class BulkStatement {
public:
    explicit BulkStatement(QSqlQuery &query, int count) : m_query(query), m_count(count) {}

    // Value i of the next row.
    void set(int i, const QVariant &v)
    {
        if (m_bound)
            values(m_query)[i] = sql::bindable(v);
        else
            m_query.bindValue(i, sql::bindable(v));
    }
    bool exec()
    {
        const bool ok = m_query.exec();
        m_bound = ok && values(m_query).size() == m_count;
        return ok;
    }
    QSqlQuery &query() { return m_query; }

private:
    class Access : public QSqlResult {
    public:
        static QVariantList &of(const QSqlQuery &q)
        {
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
            using Getter = QVariantList &(QSqlResult::*)(Qt::Disambiguated_t);
            return (const_cast<QSqlResult *>(q.result())->*static_cast<Getter>(&Access::boundValues))(Qt::Disambiguated);
#else
            using Getter = QVariantList &(QSqlResult::*)() const;
            return (q.result()->*static_cast<Getter>(&Access::boundValues))();
#endif
        }
    };
    static QVariantList &values(const QSqlQuery &q) { return Access::of(q); }

    QSqlQuery &m_query;
    int m_count;
    bool m_bound = false;
};

} // namespace quirels::sql
