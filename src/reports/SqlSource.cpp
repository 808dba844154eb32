#include "reports/SqlSource.h"

#include "store/Sql.h"

#include <QSqlRecord>

namespace quirels::reports {

SqlSource::SqlSource(QSqlDatabase db, QString statement, QVariantList values)
    : m_db(std::move(db)), m_statement(std::move(statement)), m_values(std::move(values))
{
}

Status SqlSource::open()
{
    m_query = QSqlQuery(m_db);
    sql::forwardOnly(m_query);
    m_index.clear();
    m_onRow = false;
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
    m_onRow = m_query.isActive() && m_query.next();
    return m_onRow;
}

QVariant SqlSource::value(const QString &field) const
{
    if (!m_onRow)
        return {};
    auto it = m_index.constFind(field);
    if (it == m_index.constEnd()) {
        const QSqlRecord rec = m_query.record();
        int found = -1;
        for (int i = 0; i < rec.count() && found < 0; ++i)
            if (rec.fieldName(i).compare(field, Qt::CaseInsensitive) == 0)
                found = i;
        it = m_index.insert(field, found);
    }
    if (*it < 0)
        return {};
    const QVariant v = m_query.value(*it);
    return v.isNull() ? QVariant() : v;
}

} // namespace quirels::reports
