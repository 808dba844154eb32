#include "BatchInsert.h"

#include "BulkBind.h"
#include "Dialect.h"
#include "Sql.h"

#include <QSqlError>
#include <algorithm>

namespace quirels::store {

namespace {

// Numbers reserved at a time once the rows the caller expected are used up.
constexpr qint64 kMoreNumbers = 64;

} // namespace

BatchInsert::BatchInsert(QSqlDatabase &db, const QString &table, const QStringList &fields, const QString &autoIncrement)
    : m_db(db), m_table(table), m_fields(fields), m_autoInc(autoIncrement), m_server(dialect::isServer(db))
{
}

BatchInsert::~BatchInsert() = default;

Status BatchInsert::prepare(qint64 rows)
{
    m_expected = std::max<qint64>(rows, 0);
    m_row.assign(static_cast<size_t>(m_fields.size()), QVariant());
    QStringList ids;
    QStringList marks;
    if (m_server && !m_autoInc.isEmpty()) {
        ids.append(sql::id(m_autoInc));
        marks.append(QStringLiteral("?"));
    }
    for (const QString &f : m_fields) {
        ids.append(sql::id(f));
        marks.append(QStringLiteral("?"));
    }
    m_width = static_cast<int>(ids.size());
    const QString text = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                             .arg(sql::id(m_table), ids.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    if (!m_server) {
        m_single = std::make_unique<QSqlQuery>(m_db);
        if (!m_single->prepare(text))
            return makeError(sql::errorText(*m_single), 2);
        m_singleBulk = std::make_unique<sql::BulkStatement>(*m_single, m_width);
        return {};
    }
    m_pending.reserve(kGroup * m_width);
    return {};
}

void BatchInsert::set(int i, const QVariant &v)
{
    if (i >= 0 && static_cast<size_t>(i) < m_row.size())
        m_row[static_cast<size_t>(i)] = sql::bindable(v);
}

Result<qint64> BatchInsert::add()
{
    if (!m_server) {
        if (!m_singleBulk)
            return makeError(QStringLiteral("Tabela \"%1\": instrução não preparada.").arg(m_table), 2);
        for (int i = 0; i < m_width; ++i)
            m_singleBulk->set(i, m_row[static_cast<size_t>(i)]);
        if (!m_singleBulk->exec())
            return makeError(sql::errorText(*m_single), 2);
        return m_autoInc.isEmpty() ? 0 : m_single->lastInsertId().toLongLong();
    }

    qint64 number = 0;
    if (!m_autoInc.isEmpty()) {
        Result<qint64> n = nextNumber();
        if (!n)
            return n.error();
        number = *n;
        m_pending.append(number);
    }
    for (const QVariant &v : m_row)
        m_pending.append(v);
    if (++m_pendingRows == kGroup)
        if (Status s = sendGroup(kGroup); !s)
            return s.error();
    return number;
}

Status BatchInsert::finish()
{
    if (!m_server || m_pendingRows == 0)
        return {};
    return sendGroup(m_pendingRows);
}

Result<qint64> BatchInsert::nextNumber()
{
    if (m_nextNumber >= m_numbers.size()) {
        const qint64 want = m_expected > 0 ? m_expected : kMoreNumbers;
        Result<std::vector<qint64>> got = dialect::reserveNumbers(m_db, m_table, want);
        if (!got)
            return got.error();
        m_numbers = got.take();
        m_nextNumber = 0;
        m_expected = 0;
    }
    if (m_expected > 0)
        --m_expected;
    return m_numbers[m_nextNumber++];
}

sql::BulkStatement *BatchInsert::groupStatement(int rows)
{
    std::unique_ptr<QSqlQuery> &q = rows == kGroup ? m_group : m_tail;
    std::unique_ptr<sql::BulkStatement> &bulk = rows == kGroup ? m_groupBulk : m_tailBulk;
    if (q && bulk && (rows == kGroup || m_tailRows == rows))
        return bulk.get();
    const QString row = QLatin1Char('(') + QStringLiteral("?,").repeated(m_width - 1) + QStringLiteral("?)");
    QStringList ids;
    if (!m_autoInc.isEmpty())
        ids.append(sql::id(m_autoInc));
    for (const QString &f : m_fields)
        ids.append(sql::id(f));
    QString text = QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(sql::id(m_table), ids.join(QLatin1Char(',')));
    for (int r = 0; r < rows; ++r) {
        if (r > 0)
            text += QLatin1Char(',');
        text += row;
    }
    q = std::make_unique<QSqlQuery>(m_db);
    bulk.reset();
    if (rows != kGroup)
        m_tailRows = rows;
    if (!q->prepare(text))
        return nullptr;
    bulk = std::make_unique<sql::BulkStatement>(*q, rows * m_width);
    return bulk.get();
}

Status BatchInsert::sendGroup(int rows)
{
    sql::BulkStatement *bulk = groupStatement(rows);
    const int n = rows * m_width;
    bool ok = bulk != nullptr;
    if (ok) {
        for (int i = 0; i < n; ++i)
            bulk->set(i, m_pending.at(i));
        ok = bulk->exec();
    }
    m_pending.clear();
    m_pendingRows = 0;
    if (!ok) {
        const QSqlQuery *q = (rows == kGroup ? m_group : m_tail).get();
        return makeError(q ? sql::errorText(*q) : QString(), 2);
    }
    return {};
}

} // namespace quirels::store
