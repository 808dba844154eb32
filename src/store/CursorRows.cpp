#include "Cursor.h"

#include "Dialect.h"
#include "Messages.h"
#include "RecordRules.h"
#include "Sql.h"
#include "Statement.h"
#include "ValueOrder.h"

#include <QSqlQuery>
#include <cmath>
#include <limits>
#include <optional>

// The cursor's rows: reading them from the store (kept as read, converted to
// values when looked at), dropping them when the master moves, and the values
// of the current row or of any row.

namespace quirels::store {

using valueorder::sameValue;

namespace {

// A value bound as Qt SQL binds it: flags and whole numbers as integers,
// decimals as reals, anything else as its text.
void bindVariant(Statement &st, int i, const QVariant &v)
{
    if (v.isNull()) {
        st.bindNull(i);
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        st.bindInteger(i, v.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        st.bindReal(i, v.toDouble());
        break;
    default:
        st.bindText(i, v.toString());
    }
}

// For the length of a read of a cursor's rows on SQLite, a page cache that
// holds a big month's pages (up to 64 MB, taken only as pages are read): the
// rows are read in the order of an index, the table's pages visited out of
// order, and the small cache read many of them again and again. The cache
// goes back to its size afterwards: bulk writes run faster with the small one.
class ReadCache {
public:
    explicit ReadCache(QSqlDatabase &db) : m_db(db)
    {
        const std::optional<qint64> before = current();
        if (!before || *before <= -kKiB)
            return; // unknown, or already that big
        if (set(QString::number(-kKiB)))
            m_before = before;
    }
    ~ReadCache()
    {
        if (m_before)
            set(QString::number(*m_before));
    }
    ReadCache(const ReadCache &) = delete;
    ReadCache &operator=(const ReadCache &) = delete;

private:
    static constexpr qint64 kKiB = 65536;

    // The cache's size as the store gives it (negative: in KiB).
    std::optional<qint64> current()
    {
        Result<std::unique_ptr<Statement>> q = prepare(m_db, QStringLiteral("PRAGMA cache_size"));
        if (!q || !(*q)->start())
            return std::nullopt;
        const Result<bool> row = (*q)->next();
        if (!row || !*row)
            return std::nullopt;
        return (*q)->integer(0);
    }
    bool set(const QString &size)
    {
        Result<std::unique_ptr<Statement>> q = prepare(m_db, QStringLiteral("PRAGMA cache_size = ") + size);
        return q && (*q)->run();
    }

    QSqlDatabase &m_db;
    std::optional<qint64> m_before;
};

} // namespace

// ---- reading -------------------------------------------------------------------

QVariantList Cursor::masterValues(bool *ok) const
{
    *ok = true;
    QVariantList out;
    if (!m_master)
        return out;
    if (!m_master->isOpen()) {
        *ok = false;
        return out;
    }
    if (!m_master->isEditing() && m_master->row() < 0) {
        *ok = false;
        return out;
    }
    for (const QString &l : m_linkNames) {
        const QVariant v = m_master->value(l);
        if (v.isNull())
            *ok = false;
        out.append(v);
    }
    return out;
}

void Cursor::ensureLoaded() const
{
    if (!m_open || m_loaded)
        return;
    auto *self = const_cast<Cursor *>(this);
    Status s = self->load(m_wantRowid);
    if (!s)
        self->dialogs().error(s.message());
}

void Cursor::dropRows()
{
    m_rows.clear();
    m_raw.clear();
}

const QVector<QVariant> &Cursor::valuesOf(const Row &r) const
{
    if (r.raw >= 0) {
        r.values = decodeRaw(r.raw);
        r.raw = -1;
    }
    return r.values;
}

// The values of a row as read, converted as the store's own query would give
// them and then to the fields' types.
QVector<QVariant> Cursor::decodeRaw(qsizetype at) const
{
    const int n = static_cast<int>(m_table.fields.size());
    QVector<QVariant> out(n);
    const char *p = m_raw.constData() + at;
    for (int i = 0; i < n; ++i) {
        const QVariant v = Statement::readColumn(p);
        if (v.isNull())
            continue;
        bool ok = true;
        const QVariant nv = normalized(i, v, &ok);
        out[i] = ok ? nv : v;
    }
    return out;
}

Status Cursor::load(qint64 keepRowid)
{
    bool linked = true;
    const QVariantList mv = masterValues(&linked);
    dropRows();
    for (const Lookup &l : m_lookups)
        l.cache.clear();
    m_loaded = true;
    m_loadedLinked = linked;
    m_loadedLinks = mv;
    m_wantRowid = 0;
    Status result;
    if (linked) {
        QStringList cols{QStringLiteral("rowid")};
        for (const schema::Field &f : m_table.fields)
            cols.append(sql::id(f.qname()));
        if (m_server)
            cols.append(dialect::rowVersion());
        QStringList where;
        QVariantList binds;
        // The fields every row read holds one value of (the master's links,
        // the fixed values).
        QHash<int, QVariant> same;
        if (m_master) {
            for (qsizetype i = 0; i < mv.size(); ++i) {
                const QString link = QString::fromLatin1(m_table.links[static_cast<size_t>(i)]);
                where.append(sql::id(link) + QStringLiteral(" = ?"));
                binds.append(mv.at(i));
                same.insert(m_table.fieldIndex(link), mv.at(i));
            }
        }
        for (auto it = m_fixed.constBegin(); it != m_fixed.constEnd(); ++it) {
            where.append(sql::id(it.key()) + QStringLiteral(" = ?"));
            binds.append(it.value());
            same.insert(m_table.fieldIndex(it.key()), it.value());
        }
        QStringList order;
        for (const OrderField &o : m_order) {
            const QString field = sql::id(m_table.fields[static_cast<size_t>(o.field)].qname());
            const auto fixed = same.constFind(o.field);
            if (fixed != same.constEnd()) {
                // Equal in every row, the field orders nothing. On SQLite
                // the same condition without regard to case (implied by the
                // exact one) lets the store walk the order's index instead
                // of sorting the rows.
                if (o.collation == Collation::NoCase && !m_server) {
                    where.append(field + QStringLiteral(" = ? COLLATE NOCASE"));
                    binds.append(fixed.value());
                }
                continue;
            }
            order.append(o.collation == Collation::Names    ? dialect::names(m_db, field)
                         : o.collation == Collation::NoCase ? dialect::nocase(m_db, field)
                                                            : field);
        }
        order.append(QStringLiteral("rowid"));
        QString text = QStringLiteral("SELECT %1 FROM %2").arg(cols.join(QLatin1Char(',')), sql::id(m_table.qname()));
        if (!where.isEmpty())
            text += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
        text += QStringLiteral(" ORDER BY ") + order.join(QLatin1Char(','));

        // The month's rows may be many: on SQLite they are read from the
        // engine without Qt SQL's copy of every row (store/Statement.h).
        std::optional<ReadCache> cache;
        if (!m_server)
            cache.emplace(m_db);
        Result<std::unique_ptr<Statement>> prepared = prepare(m_db, text);
        if (!prepared) {
            result = makeError(prepared.message(), kStoreError);
        } else {
            Statement &q = **prepared;
            for (int i = 0; i < binds.size(); ++i)
                bindVariant(q, i, binds.at(i));
            if (Status started = q.start(); !started) {
                result = makeError(started.message(), kStoreError);
            } else {
                const int n = static_cast<int>(m_table.fields.size());
                while (true) {
                    Result<bool> more = q.next();
                    if (!more) {
                        result = makeError(more.message(), kStoreError);
                        break;
                    }
                    if (!*more)
                        break;
                    Row r;
                    if (!m_server) {
                        // Kept as read; converted when looked at.
                        r.rowid = q.integer(0);
                        r.raw = m_raw.size();
                        q.appendColumns(m_raw, 1, n);
                        m_rows.push_back(std::move(r));
                        continue;
                    }
                    r.rowid = q.value(0).toLongLong();
                    r.values.resize(n);
                    for (int i = 0; i < n; ++i) {
                        if (q.type(i + 1) == ValueType::Null)
                            continue;
                        const QVariant v = q.value(i + 1);
                        if (v.isNull())
                            continue;
                        bool ok = true;
                        const QVariant nv = normalized(i, v, &ok);
                        r.values[i] = ok ? nv : v;
                    }
                    if (m_server)
                        r.version = q.value(n + 1).toString();
                    m_rows.push_back(std::move(r));
                }
            }
        }
    }
    int pos = m_rows.empty() ? -1 : 0;
    if (keepRowid != 0)
        for (size_t i = 0; i < m_rows.size(); ++i)
            if (m_rows[i].rowid == keepRowid) {
                pos = static_cast<int>(i);
                break;
            }
    m_current = pos;
    m_bof = pos <= 0;
    m_eof = m_rows.empty();
    scrolled();
    return result;
}

void Cursor::invalidate(bool force)
{
    if (!m_open || !m_loaded)
        return;
    if (!force) {
        // The master's row still has the same link values: nothing to reload,
        // and a pending row here stays pending. (A master that dropped its
        // rows has no row to compare with, and is not read again for that.)
        if (m_master && m_master->m_loaded) {
            bool linked = true;
            const QVariantList mv = masterValues(&linked);
            bool same = linked == m_loadedLinked && mv.size() == m_loadedLinks.size();
            for (qsizetype i = 0; same && i < mv.size(); ++i)
                same = sameValue(mv.at(i), m_loadedLinks.at(i));
            if (same)
                return;
        }
        // A modified pending row belongs to the master's previous row: it
        // is written there (a refusal has shown its message).
        if (isEditing() && m_modified)
            post();
    }
    if (isEditing()) {
        m_buffer.clear();
        m_modified = false;
        setState(State::Browse);
    }
    emit aboutToReset();
    m_loaded = false;
    dropRows();
    m_current = -1;
    m_wantRowid = 0;
    emit resetDone();
    detailsInvalidate();
}

void Cursor::detailsInvalidate(bool force)
{
    for (Cursor *d : m_details)
        d->invalidate(force);
}

// ---- values ----------------------------------------------------------------

QVariant Cursor::lookupValue(const Lookup &l, const QVariant &key) const
{
    if (key.isNull() || !m_db.isOpen())
        return QVariant();
    const QString k = key.toString();
    const auto it = l.cache.constFind(k);
    if (it != l.cache.constEnd())
        return *it;
    QSqlQuery q(m_db);
    sql::forwardOnly(q);
    QVariant result;
    if (q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? LIMIT 1").arg(sql::id(l.result), sql::id(l.table), sql::id(l.key)))) {
        q.addBindValue(key);
        if (q.exec() && q.next() && !q.value(0).isNull())
            result = q.value(0);
    }
    l.cache.insert(k, result);
    return result;
}

QVariant Cursor::value(const QString &field) const
{
    const int f = fieldIndex(field);
    if (f < 0) {
        for (const Lookup &l : m_lookups)
            if (l.name.compare(field, Qt::CaseInsensitive) == 0)
                return l.keyField < 0 ? QVariant() : lookupValue(l, value(m_table.fields[static_cast<size_t>(l.keyField)].qname()));
        return QVariant();
    }
    if (isEditing())
        return m_buffer.value(f);
    const Row *r = currentRow();
    return r ? valuesOf(*r).at(f) : QVariant();
}

QVariant Cursor::valueAt(int row, int f) const
{
    ensureLoaded();
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return QVariant();
    const Row &r = m_rows[static_cast<size_t>(row)];
    const int n = static_cast<int>(m_table.fields.size());
    if (f >= 0 && f < n)
        return valuesOf(r).at(f);
    const int li = f - n;
    if (li >= 0 && li < static_cast<int>(m_lookups.size())) {
        const Lookup &l = m_lookups[static_cast<size_t>(li)];
        return l.keyField < 0 ? QVariant() : lookupValue(l, valuesOf(r).at(l.keyField));
    }
    return QVariant();
}

QVariant Cursor::valueAt(int row, const QString &field) const
{
    int f = fieldIndex(field);
    if (f < 0)
        for (size_t i = 0; i < m_lookups.size(); ++i)
            if (m_lookups[i].name.compare(field, Qt::CaseInsensitive) == 0)
                f = static_cast<int>(m_table.fields.size() + i);
    return f < 0 ? QVariant() : valueAt(row, f);
}

QVariantMap Cursor::record() const
{
    QVariantMap out;
    const Row *r = isEditing() ? nullptr : currentRow();
    // Keys are added in their sorted order, each at the end: no searching.
    for (const auto &[name, f] : m_sortedFields)
        out.insert(out.cend(), name, isEditing() ? m_buffer.value(f) : (r ? valuesOf(*r).at(f) : QVariant()));
    return out;
}

QVariant Cursor::normalized(int field, const QVariant &value, bool *ok) const
{
    *ok = true;
    if (rules::isEmptyValue(value))
        return QVariant();
    const schema::Field &f = m_table.fields[static_cast<size_t>(field)];
    switch (f.type) {
    case schema::Type::Text:
    case schema::Type::Memo: return value.typeId() == QMetaType::QString ? value : QVariant(value.toString());
    case schema::Type::Float: {
        if (value.typeId() == QMetaType::Double)
            return value;
        const std::optional<double> d = rules::toNumber(value);
        if (!d) {
            *ok = false;
            return QVariant();
        }
        return *d;
    }
    case schema::Type::Integer:
    case schema::Type::AutoInc: {
        if (value.typeId() == QMetaType::Int)
            return value;
        const std::optional<double> d = rules::toNumber(value);
        if (!d || std::floor(*d) != *d || *d < std::numeric_limits<int>::min() || *d > std::numeric_limits<int>::max()) {
            *ok = false;
            return QVariant();
        }
        return static_cast<int>(*d);
    }
    case schema::Type::Boolean:
        if (value.typeId() == QMetaType::QString) {
            const QString t = value.toString().trimmed().toLower();
            return t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("t") || t == QLatin1String("s") ||
                   t == QLatin1String("sim");
        }
        return value.toBool();
    }
    return value;
}

void Cursor::refuse(const QString &message) { dialogs().error(message); }

bool Cursor::setValue(const QString &field, const QVariant &value)
{
    if (!isEditing())
        return false;
    const int f = fieldIndex(field);
    if (f < 0 || f == m_autoInc)
        return false;
    const schema::Field &def = m_table.fields[static_cast<size_t>(f)];
    bool ok = true;
    const QVariant v = normalized(f, value, &ok);
    if (!ok) {
        refuse(msg::kNaoNumerico.arg(value.toString(), def.qname()));
        return false;
    }
    if (def.max100 && !v.isNull()) {
        const QString m = rules::rangeMessage(def, v.toDouble());
        if (!m.isEmpty()) {
            refuse(m);
            return false;
        }
    }
    m_buffer[f] = v;
    m_modified = true;
    emit fieldChanged(m_names.at(f));
    return true;
}

void Cursor::assign(const QVariantMap &values)
{
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        assign(it.key(), it.value());
}

void Cursor::assign(const QString &field, const QVariant &value)
{
    if (!isEditing())
        return;
    const int f = fieldIndex(field);
    if (f < 0 || f == m_autoInc)
        return;
    bool ok = true;
    const QVariant v = normalized(f, value, &ok);
    if (!ok || sameValue(m_buffer.value(f), v))
        return;
    m_buffer[f] = v;
    m_modified = true;
    emit fieldChanged(m_names.at(f));
}

QString Cursor::displayMask(const QString &field) const
{
    const int f = fieldIndex(field);
    if (f < 0)
        return QString();
    const schema::Field &def = m_table.fields[static_cast<size_t>(f)];
    const auto it = m_masks.constFind(def.qname());
    return it != m_masks.constEnd() ? *it : QString::fromLatin1(def.mask);
}

void Cursor::setDisplayMask(const QString &field, const QString &mask)
{
    const int f = fieldIndex(field);
    if (f >= 0)
        m_masks.insert(m_table.fields[static_cast<size_t>(f)].qname(), mask);
}

} // namespace quirels::store
