#include "BatchInsert.h"

#include "BulkBind.h"
#include "Dialect.h"
#include "Schema.h"
#include "Sql.h"

#include <QSqlError>
#include <algorithm>

namespace quirels::store {

namespace {

// Numbers reserved at a time once the rows the caller expected are used up.
constexpr qint64 kMoreNumbers = 64;

// The server's array type of a column.
QString arrayType(const schema::Field &f)
{
    switch (f.type) {
    case schema::Type::Text:
    case schema::Type::Memo: return QStringLiteral("text[]");
    case schema::Type::Integer:
    case schema::Type::AutoInc: return QStringLiteral("bigint[]");
    case schema::Type::Float: return QStringLiteral("float8[]");
    case schema::Type::Boolean: return QStringLiteral("smallint[]");
    }
    return QStringLiteral("text[]");
}

// Null as a Qt SQL driver takes it: a null string is NULL too.
bool isNullValue(const QVariant &v)
{
    if (v.typeId() == QMetaType::QString)
        return static_cast<const QString *>(v.constData())->isNull();
    if (v.typeId() == QMetaType::QByteArray)
        return static_cast<const QByteArray *>(v.constData())->isNull();
    return v.isNull();
}

// One element of an array's text form: NULL bare, anything else quoted with
// its backslashes and quotes escaped.
void appendElement(QString &out, const QVariant &v, schema::Type type)
{
    if (isNullValue(v)) {
        out += QLatin1String("NULL");
        return;
    }
    QString text;
    bool ok = false;
    switch (type) {
    case schema::Type::Float: {
        const double d = v.toDouble(&ok);
        text = ok ? QString::number(d, 'g', 17) : v.toString();
        break;
    }
    case schema::Type::Integer:
    case schema::Type::AutoInc:
    case schema::Type::Boolean: {
        const qlonglong n = v.toLongLong(&ok);
        text = ok ? QString::number(n) : v.toString();
        break;
    }
    default: text = v.toString(); break;
    }
    out += QLatin1Char('"');
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    out += QLatin1Char('"');
}

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
    QStringList columns;
    if (m_server && !m_autoInc.isEmpty())
        columns.append(m_autoInc);
    columns += m_fields;
    m_width = static_cast<int>(columns.size());
    QStringList ids;
    for (const QString &c : columns)
        ids.append(sql::id(c));
    if (!m_server) {
        QStringList marks;
        for (int i = 0; i < m_width; ++i)
            marks.append(QStringLiteral("?"));
        m_single = std::make_unique<QSqlQuery>(m_db);
        if (!m_single->prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(sql::id(m_table), ids.join(QLatin1Char(',')), marks.join(QLatin1Char(',')))))
            return makeError(sql::errorText(*m_single), 2);
        m_singleBulk = std::make_unique<sql::BulkStatement>(*m_single, m_width);
        // The same insert straight on the engine, for rows of the values it
        // binds alike (all but the rarest); not prepared, Qt SQL does it all.
        if (Result<std::unique_ptr<Statement>> direct = store::prepare(m_db, m_single->lastQuery()); direct)
            m_direct = std::move(*direct);
        return {};
    }
    // On the server a group is one statement of one array per column, so
    // that the server reads a few values rather than a literal per value.
    const schema::Table *t = schema::anyTable(m_table);
    if (!t)
        return makeError(QStringLiteral("Tabela \"%1\" desconhecida.").arg(m_table), 2);
    QStringList arrays;
    m_types.clear();
    for (const QString &c : columns) {
        const schema::Field *f = t->field(c);
        if (!f)
            return makeError(QStringLiteral("Tabela \"%1\": campo \"%2\" desconhecido.").arg(m_table, c), 2);
        m_types.push_back(f->type);
        arrays.append(QStringLiteral("?::") + arrayType(*f));
    }
    m_group = std::make_unique<QSqlQuery>(m_db);
    if (!m_group->prepare(QStringLiteral("INSERT INTO %1 (%2) SELECT * FROM unnest(%3)")
                              .arg(sql::id(m_table), ids.join(QLatin1Char(',')), arrays.join(QLatin1Char(',')))))
        return makeError(sql::errorText(*m_group), 2);
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
        if (m_direct) {
            int i = 0;
            while (i < m_width && bindAsQtSql(*m_direct, i, m_row[static_cast<size_t>(i)]))
                ++i;
            if (i == m_width) {
                if (Status s = m_direct->run(); !s)
                    return s.error();
                return m_autoInc.isEmpty() ? 0 : m_direct->lastInsertId();
            }
        }
        for (int i = 0; i < m_width; ++i)
            m_singleBulk->set(i, m_row[static_cast<size_t>(i)]);
        if (!m_singleBulk->exec())
            return makeError(sql::errorText(*m_single), 2);
        return m_autoInc.isEmpty() ? 0 : m_single->lastInsertId().toLongLong();
    }
    if (!m_group)
        return makeError(QStringLiteral("Tabela \"%1\": instrução não preparada.").arg(m_table), 2);

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
        if (Status s = sendGroup(); !s)
            return s.error();
    return number;
}

Status BatchInsert::finish()
{
    if (!m_server || m_pendingRows == 0)
        return {};
    return sendGroup();
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

Status BatchInsert::sendGroup()
{
    const int rows = m_pendingRows;
    for (int c = 0; c < m_width; ++c) {
        QString array;
        array.reserve(rows * 12);
        array += QLatin1Char('{');
        for (int r = 0; r < rows; ++r) {
            if (r > 0)
                array += QLatin1Char(',');
            appendElement(array, m_pending.at(r * m_width + c), m_types[static_cast<size_t>(c)]);
        }
        array += QLatin1Char('}');
        m_group->bindValue(c, array);
    }
    const bool ok = m_group->exec();
    m_pending.clear();
    m_pendingRows = 0;
    if (!ok)
        return makeError(sql::errorText(*m_group), 2);
    return {};
}

} // namespace quirels::store
