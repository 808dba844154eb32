#include "Cursor.h"

#include "Dialect.h"
#include "Messages.h"
#include "RecordRules.h"
#include "Sql.h"
#include "Statement.h"

#include <QSqlError>
#include <algorithm>
#include <cmath>
#include <limits>

namespace quirels::store {

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

} // namespace

namespace {

// Used when a cursor was given no dialogs: messages still travel in the
// returned Status.
class SilentDialogs : public Dialogs {
public:
    void information(const QString &) override {}
    void error(const QString &) override {}
    bool confirm(const QString &) override { return false; }
    Answer confirmYesNoCancel(const QString &) override { return Answer::Cancel; }
    bool confirmOkCancel(const QString &) override { return false; }
};

SilentDialogs &silentDialogs()
{
    static SilentDialogs d;
    return d;
}

// Passes every message on and keeps the last one, so a refused post can
// report the text a rule showed.
class RecordingDialogs : public Dialogs {
public:
    explicit RecordingDialogs(Dialogs &target) : m_target(target) {}
    void information(const QString &t) override { m_last = t; m_target.information(t); }
    void error(const QString &t) override { m_last = t; m_target.error(t); }
    bool confirm(const QString &t) override { m_last = t; return m_target.confirm(t); }
    Answer confirmYesNoCancel(const QString &t) override { m_last = t; return m_target.confirmYesNoCancel(t); }
    bool confirmOkCancel(const QString &t) override { m_last = t; return m_target.confirmOkCancel(t); }
    void focus(const QString &c) override { m_target.focus(c); }
    const QString &last() const { return m_last; }

private:
    Dialogs &m_target;
    QString m_last;
};

bool isNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool: return true;
    default: return false;
    }
}

// Text comparison as the store's collations do it: NOCASE folds ASCII
// letters and compares everything else as is; names as NameOrder.h says.
int compareText(const QString &a, const QString &b, Collation collation, bool primaryOnly = false)
{
    if (collation == Collation::Names)
        return compareNames(a, b, primaryOnly);
    if (collation == Collation::Binary) {
        const int c = a.compare(b, Qt::CaseSensitive);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        ushort x = a.at(i).unicode();
        ushort y = b.at(i).unicode();
        if (x >= 'A' && x <= 'Z')
            x = static_cast<ushort>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<ushort>(y + 32);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Order of values as the store sorts them: null first, then numbers, then texts.
int compareValues(const QVariant &a, const QVariant &b, Collation collation, bool primaryOnly = false)
{
    const bool an = a.isNull();
    const bool bn = b.isNull();
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1);
    const bool anum = isNumber(a);
    const bool bnum = isNumber(b);
    if (anum && bnum) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (anum != bnum)
        return anum ? -1 : 1;
    return compareText(a.toString(), b.toString(), collation, primaryOnly);
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    if (isNumber(a) && isNumber(b))
        return a.toDouble() == b.toDouble();
    return a.toString() == b.toString();
}

} // namespace

Cursor::Cursor(const QString &name, const schema::Table &table, const QString &connection, QObject *parent)
    : QObject(parent), m_name(name), m_table(table), m_connection(connection)
{
    for (size_t i = 0; i < m_table.fields.size(); ++i) {
        m_names.append(m_table.fields[i].qname());
        m_fieldByName.insert(m_names.last(), static_cast<int>(i));
        if (m_table.fields[i].type == schema::Type::AutoInc)
            m_autoInc = static_cast<int>(i);
        m_sortedFields.emplace_back(m_table.fields[i].qname(), static_cast<int>(i));
        if (m_table.fields[i].type == schema::Type::Text)
            m_textFields.append(static_cast<int>(i));
    }
    m_linkNames = m_table.linkNames();
    for (const QString &l : m_linkNames)
        m_linkFields.append(fieldIndex(l));
    std::sort(m_sortedFields.begin(), m_sortedFields.end());
    setOrder(m_table.order ? QString::fromLatin1(m_table.order) : QString());
}

Cursor::~Cursor()
{
    if (m_master) {
        auto &d = m_master->m_details;
        d.erase(std::remove(d.begin(), d.end(), this), d.end());
    }
    for (Cursor *d : m_details)
        d->m_master = nullptr;
}

Dialogs &Cursor::dialogs() const { return m_dialogs ? *m_dialogs : silentDialogs(); }

int Cursor::fieldIndex(const QString &field) const
{
    const auto it = m_fieldByName.constFind(field);
    if (it != m_fieldByName.constEnd())
        return *it;
    return m_table.fieldIndex(field);
}

// ---- configuration ---------------------------------------------------------

void Cursor::setMaster(Cursor *master)
{
    if (m_master) {
        auto &d = m_master->m_details;
        d.erase(std::remove(d.begin(), d.end(), this), d.end());
    }
    m_master = master;
    if (m_master)
        m_master->m_details.push_back(this);
    buildOrder();
    invalidate(true);
}

void Cursor::setFixedValues(const QVariantMap &values)
{
    m_fixed.clear();
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        const int f = fieldIndex(it.key());
        if (f >= 0)
            m_fixed.insert(m_table.fields[static_cast<size_t>(f)].qname(), it.value());
    }
    buildOrder();
    if (m_open)
        refresh();
}

bool Cursor::setOrder(const QString &indexName)
{
    QStringList fields;
    Collation collation = Collation::Binary;
    QString name;
    if (!indexName.isEmpty()) {
        const schema::Index *i = m_table.index(indexName);
        if (!i)
            return false;
        for (const char *f : i->fields)
            fields.append(QString::fromLatin1(f));
        collation = i->names ? Collation::Names : (i->caseInsensitive ? Collation::NoCase : Collation::Binary);
        name = QString::fromLatin1(i->name);
    } else {
        fields = m_table.primaryKeyNames();
    }
    m_orderName = name;
    m_orderFieldNames = fields;
    m_orderCollation = collation;
    buildOrder();
    if (m_open)
        refresh();
    return true;
}

void Cursor::setOrderFields(const QStringList &fields, bool caseInsensitive)
{
    m_orderName.clear();
    m_orderFieldNames = fields;
    m_orderCollation = caseInsensitive ? Collation::NoCase : Collation::Binary;
    buildOrder();
    if (m_open)
        refresh();
}

void Cursor::buildOrder()
{
    m_order.clear();
    m_searchKey.clear();
    QList<int> used;
    const QStringList links = m_master ? m_table.linkNames() : QStringList();
    for (const QString &n : m_orderFieldNames) {
        const int f = fieldIndex(n);
        if (f < 0 || used.contains(f))
            continue;
        used.append(f);
        m_order.push_back({f, m_orderCollation});
        const QString canonical = m_table.fields[static_cast<size_t>(f)].qname();
        if (!links.contains(canonical) && !m_fixed.contains(canonical))
            m_searchKey.push_back({f, m_orderCollation});
    }
    for (const QString &n : m_table.primaryKeyNames()) {
        const int f = fieldIndex(n);
        if (f >= 0 && !used.contains(f)) {
            used.append(f);
            m_order.push_back({f, Collation::Binary});
        }
    }
}

void Cursor::addLookup(const QString &name, const QString &keyField, const QString &lookupTable,
                       const QString &lookupKey, const QString &resultField)
{
    Lookup l;
    l.name = name;
    l.keyField = fieldIndex(keyField);
    l.table = lookupTable;
    l.key = lookupKey;
    l.result = resultField;
    m_lookups.push_back(std::move(l));
}

QStringList Cursor::lookupNames() const
{
    QStringList out;
    for (const Lookup &l : m_lookups)
        out.append(l.name);
    return out;
}

// ---- life cycle --------------------------------------------------------------

Status Cursor::open()
{
    if (m_open)
        return {};
    m_db = QSqlDatabase::database(m_connection, false);
    if (!m_db.isValid() || !m_db.isOpen()) {
        m_db = QSqlDatabase();
        return makeError(QStringLiteral("A conexão \"%1\" não está aberta.").arg(m_connection), kStoreError);
    }
    m_server = dialect::isServer(m_db);
    // A probe proves the table exists even when no row is read (a detail
    // whose master is empty); the store's own message when it does not.
    {
        QSqlQuery probe(m_db);
        if (!probe.exec(QStringLiteral("SELECT rowid FROM %1 LIMIT 0").arg(sql::id(m_table.qname())))) {
            const QString e = sql::errorText(probe);
            m_db = QSqlDatabase();
            return makeError(e, kStoreError);
        }
    }
    emit aboutToReset();
    m_open = true;
    m_loaded = false;
    m_wantRowid = 0;
    setState(State::Browse);
    Status s = load(0);
    if (!s) {
        m_open = false;
        m_loaded = false;
        dropRows();
        m_db = QSqlDatabase();
        setState(State::Inactive);
        emit resetDone();
        return s;
    }
    emit resetDone();
    detailsInvalidate(true);
    return {};
}

void Cursor::close()
{
    if (!m_open)
        return;
    emit aboutToReset();
    m_open = false;
    m_loaded = false;
    dropRows();
    m_current = -1;
    m_bof = m_eof = true;
    m_buffer.clear();
    m_modified = false;
    m_insert.reset();
    m_insertDirect.reset();
    m_updateDirect.reset();
    m_update.reset();
    m_delete.reset();
    m_db = QSqlDatabase();
    setState(State::Inactive);
    emit resetDone();
    detailsInvalidate(true);
}

Status Cursor::refresh()
{
    if (!m_open)
        return open();
    if (!settle())
        return makeError(QString(), kRefused);
    const Row *r = currentRow();
    const qint64 keep = r ? r->rowid : m_wantRowid;
    emit aboutToReset();
    m_loaded = false;
    Status s = load(keep);
    emit resetDone();
    detailsInvalidate(true);
    if (!s)
        dialogs().error(s.message());
    return s;
}

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

// ---- navigation ------------------------------------------------------------

bool Cursor::checkBrowseMode()
{
    if (!isEditing())
        return true;
    if (!m_modified) {
        cancel();
        return true;
    }
    return post().ok();
}

bool Cursor::settleDetails()
{
    for (Cursor *d : m_details)
        if (d->isOpen() && (!d->checkBrowseMode() || !d->settleDetails()))
            return false;
    return true;
}

bool Cursor::settle() { return checkBrowseMode() && settleDetails(); }

void Cursor::setCurrent(int row)
{
    m_current = row;
    m_bof = false;
    m_eof = false;
}

void Cursor::scrolled()
{
    for (const Hook &h : m_afterScroll)
        h(*this);
    emit currentChanged();
}

bool Cursor::first()
{
    if (!m_open || !settle())
        return false;
    ensureLoaded();
    const int before = m_current;
    m_current = m_rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.empty();
    if (before != m_current)
        detailsInvalidate();
    scrolled();
    return true;
}

bool Cursor::last()
{
    if (!m_open || !settle())
        return false;
    ensureLoaded();
    const int before = m_current;
    m_current = static_cast<int>(m_rows.size()) - 1;
    m_eof = true;
    m_bof = m_rows.empty();
    if (before != m_current)
        detailsInvalidate();
    scrolled();
    return true;
}

bool Cursor::next()
{
    if (!m_open || !settle())
        return false;
    ensureLoaded();
    if (m_current + 1 >= static_cast<int>(m_rows.size())) {
        m_eof = true;
        return true;
    }
    setCurrent(m_current + 1);
    detailsInvalidate();
    scrolled();
    return true;
}

bool Cursor::prior()
{
    if (!m_open || !settle())
        return false;
    ensureLoaded();
    if (m_current <= 0) {
        m_bof = true;
        return true;
    }
    setCurrent(m_current - 1);
    detailsInvalidate();
    scrolled();
    return true;
}

bool Cursor::moveTo(int row)
{
    if (!m_open)
        return false;
    ensureLoaded();
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return false;
    if (row == m_current && !isEditing())
        return true;
    if (!settle())
        return false;
    ensureLoaded(); // a post may have reordered the rows
    if (row >= static_cast<int>(m_rows.size()))
        return false;
    setCurrent(row);
    detailsInvalidate();
    scrolled();
    return true;
}

bool Cursor::findNearest(const QVariantList &key)
{
    if (!m_open || !settle())
        return false;
    ensureLoaded();
    if (m_rows.empty())
        return false;
    const size_t k = std::min(static_cast<size_t>(key.size()), m_searchKey.size());
    QVector<QVariant> probe(static_cast<qsizetype>(k));
    for (size_t i = 0; i < k; ++i) {
        bool ok = true;
        const QVariant v = normalized(m_searchKey[i].field, key.at(static_cast<qsizetype>(i)), &ok);
        probe[static_cast<qsizetype>(i)] = ok ? v : key.at(static_cast<qsizetype>(i));
    }
    const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), probe, [&](const Row &r, const QVector<QVariant> &p) {
        for (size_t i = 0; i < k; ++i) {
            const OrderField &o = m_searchKey[i];
            // A name is found by its start whatever its case and accents.
            const int c = compareValues(valuesOf(r)[o.field], p[static_cast<qsizetype>(i)], o.collation, true);
            if (c != 0)
                return c < 0;
        }
        return false;
    });
    const bool found = it != m_rows.end();
    const int pos = found ? static_cast<int>(it - m_rows.begin()) : static_cast<int>(m_rows.size()) - 1;
    const int before = m_current;
    setCurrent(pos);
    if (before != pos)
        detailsInvalidate();
    scrolled();
    return found;
}

bool Cursor::locate(const QVariantMap &values)
{
    if (!m_open || !settle())
        return false;
    ensureLoaded();
    std::vector<std::pair<int, QVariant>> want;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        const int f = fieldIndex(it.key());
        if (f < 0)
            return false;
        bool ok = true;
        const QVariant v = normalized(f, it.value(), &ok);
        want.emplace_back(f, ok ? v : it.value());
    }
    for (size_t i = 0; i < m_rows.size(); ++i) {
        bool match = true;
        for (const auto &[f, v] : want)
            if (!sameValue(valuesOf(m_rows[i])[f], v)) {
                match = false;
                break;
            }
        if (match) {
            const int before = m_current;
            setCurrent(static_cast<int>(i));
            if (before != m_current)
                detailsInvalidate();
            scrolled();
            return true;
        }
    }
    return false;
}

int Cursor::count() const
{
    ensureLoaded();
    return static_cast<int>(m_rows.size());
}

int Cursor::row() const
{
    ensureLoaded();
    return m_current;
}

bool Cursor::eof() const
{
    ensureLoaded();
    return m_eof;
}

bool Cursor::bof() const
{
    ensureLoaded();
    return m_bof;
}

const Cursor::Row *Cursor::currentRow() const
{
    ensureLoaded();
    if (m_current < 0 || m_current >= static_cast<int>(m_rows.size()))
        return nullptr;
    return &m_rows[static_cast<size_t>(m_current)];
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

// ---- editing -----------------------------------------------------------------

void Cursor::setState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    emit stateChanged(s);
}

bool Cursor::edit()
{
    if (!m_open)
        return false;
    if (isEditing())
        return true;
    const Row *r = currentRow();
    if (!r)
        return false;
    m_buffer = valuesOf(*r);
    m_modified = false;
    setState(State::Edit);
    return true;
}

bool Cursor::insert()
{
    if (!m_open || !settle())
        return false;
    const int n = static_cast<int>(m_table.fields.size());
    m_buffer = QVector<QVariant>(n);
    for (int i = 0; i < n; ++i)
        if (m_table.fields[static_cast<size_t>(i)].type == schema::Type::Boolean)
            m_buffer[i] = false;
    if (m_master) {
        bool linked = true;
        const QVariantList mv = masterValues(&linked);
        for (qsizetype i = 0; i < mv.size(); ++i)
            m_buffer[m_linkFields.at(i)] = mv.at(i);
    }
    for (auto it = m_fixed.constBegin(); it != m_fixed.constEnd(); ++it) {
        bool ok = true;
        const int f = fieldIndex(it.key());
        m_buffer[f] = normalized(f, it.value(), &ok);
    }
    m_modified = false;
    setState(State::Insert);
    detailsInvalidate();
    scrolled();
    return true;
}

void Cursor::cancel()
{
    if (!isEditing())
        return;
    const bool wasInsert = m_state == State::Insert;
    m_buffer.clear();
    m_modified = false;
    setState(State::Browse);
    if (wasInsert)
        detailsInvalidate();
    scrolled();
}

bool Cursor::prepareWrites()
{
    if (m_insert)
        return true;
    QStringList cols;
    QStringList marks;
    QStringList sets;
    for (const schema::Field &f : m_table.fields) {
        if (f.type == schema::Type::AutoInc)
            continue;
        cols.append(sql::id(f.qname()));
        marks.append(QStringLiteral("?"));
        sets.append(sql::id(f.qname()) + QStringLiteral(" = ?"));
    }
    const QString t = sql::id(m_table.qname());
    auto ins = std::make_unique<QSqlQuery>(m_db);
    auto upd = std::make_unique<QSqlQuery>(m_db);
    auto del = std::make_unique<QSqlQuery>(m_db);
    // On the server a row is written only as it was read: the version read
    // is part of the condition, and the new version comes back.
    const QString v = dialect::rowVersion();
    const QString insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(t, cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    const QString update = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(t, sets.join(QLatin1Char(',')));
    const QString remove = QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(t);
    if (!ins->prepare(m_server ? insert + QStringLiteral(" RETURNING rowid, ") + v : insert) ||
        !upd->prepare(m_server ? update + QStringLiteral(" AND %1 = ? RETURNING %1").arg(v) : update) ||
        !del->prepare(m_server ? remove + QStringLiteral(" AND %1 = ?").arg(v) : remove)) {
        const QString e = !ins->lastError().isValid() ? QString() : sql::errorText(*ins);
        refuse(e.isEmpty() ? sql::errorText(*upd) : e);
        return false;
    }
    m_insert = std::move(ins);
    m_update = std::move(upd);
    m_delete = std::move(del);
    if (!m_server) {
        // Not prepared: the QSqlQuery path does the work alone.
        if (Result<std::unique_ptr<Statement>> i = store::prepare(m_db, insert); i)
            m_insertDirect = std::move(*i);
        if (Result<std::unique_ptr<Statement>> u = store::prepare(m_db, update); u)
            m_updateDirect = std::move(*u);
    }
    return true;
}

bool Cursor::bindDirect(Statement &st, const Row *cur) const
{
    const int n = static_cast<int>(m_table.fields.size());
    int b = 0;
    for (int i = 0; i < n; ++i) {
        if (i == m_autoInc)
            continue;
        if (!bindAsQtSql(st, b++, m_buffer.at(i)))
            return false;
    }
    if (m_state != State::Insert)
        st.bindInteger(b, cur ? cur->rowid : 0);
    return true;
}

int Cursor::compareRows(const Row &a, const Row &b) const
{
    for (const OrderField &o : m_order) {
        const int c = compareValues(valuesOf(a).at(o.field), valuesOf(b).at(o.field), o.collation);
        if (c != 0)
            return c;
    }
    return a.rowid < b.rowid ? -1 : (a.rowid > b.rowid ? 1 : 0);
}

int Cursor::insertPosition(const Row &r) const
{
    // New rows mostly go last (the key grows with the counter).
    if (m_rows.empty() || compareRows(m_rows.back(), r) <= 0)
        return static_cast<int>(m_rows.size());
    const auto it = std::upper_bound(m_rows.begin(), m_rows.end(), r,
                                     [this](const Row &x, const Row &y) { return compareRows(x, y) < 0; });
    return static_cast<int>(it - m_rows.begin());
}

Status Cursor::post()
{
    if (!m_open)
        return makeError(QStringLiteral("Tabela \"%1\" não está aberta.").arg(m_table.qname()), kStoreError);
    if (!isEditing())
        return {};

    m_refusedField.clear();
    // The day as it is typed ("5") is written in its stored form ("05").
    if (const int day = m_table.fieldIndex(rules::kDayField); day >= 0 && day != m_autoInc) {
        if (const QVariant typed = m_buffer.at(day); typed.typeId() == QMetaType::QString)
            m_buffer[day] = rules::storedDay(typed.toString());
    }
    {
        RecordingDialogs rec(dialogs());
        Dialogs *saved = m_dialogs;
        m_dialogs = &rec;
        bool ok = true;
        for (const BeforePost &h : m_beforePost)
            if (!h(*this)) {
                ok = false;
                break;
            }
        m_dialogs = saved;
        if (!ok)
            return makeError(rec.last(), kRefused);
    }

    for (int i : m_textFields) {
        const QString m = rules::widthMessage(m_table.fields[static_cast<size_t>(i)], m_buffer.at(i));
        if (!m.isEmpty()) {
            m_refusedField = m_names.at(i);
            refuse(m);
            return makeError(m, kRefused);
        }
    }

    if (!prepareWrites())
        return makeError(QStringLiteral("Tabela \"%1\": instruções não preparadas.").arg(m_table.qname()), kStoreError);

    const int n = static_cast<int>(m_table.fields.size());
    const bool inserting = m_state == State::Insert;
    ensureLoaded(); // before the write, so the new row is placed once
    const Row *cur = inserting ? nullptr : currentRow();
    // The details follow this row through their link fields: they are read
    // again only when a new row was written or one of those fields changed,
    // so that a pending detail row survives the post of its master.
    bool linksChanged = inserting || !cur;
    for (const Cursor *d : m_details)
        for (const char *l : d->m_table.links) {
            const int i = fieldIndex(QString::fromLatin1(l));
            if (!linksChanged && cur && i >= 0 && valuesOf(*cur).at(i) != m_buffer.at(i))
                linksChanged = true;
        }
    // An edit that changes nothing is not written: on the server a write
    // gives the row a new version, and another workstation's later save of
    // the row it read (which this one did not change) would be refused.
    if (cur && valuesOf(*cur) == m_buffer) {
        m_buffer.clear();
        m_modified = false;
        finishPost(false);
        return {};
    }
    Row r;
    r.values = m_buffer;
    if (Statement *direct = inserting ? m_insertDirect.get() : m_updateDirect.get(); direct && bindDirect(*direct, cur)) {
        if (Status s = direct->run(); !s) {
            refuse(s.message());
            return makeError(s.message(), kStoreError);
        }
        r.rowid = inserting ? direct->lastInsertId() : (cur ? cur->rowid : 0);
        if (inserting && m_autoInc >= 0)
            r.values[m_autoInc] = static_cast<int>(r.rowid);
        storePosted(std::move(r), inserting);
        finishPost(linksChanged);
        return {};
    }
    QSqlQuery &q = inserting ? *m_insert : *m_update;
    int b = 0;
    for (int i = 0; i < n; ++i)
        if (i != m_autoInc)
            q.bindValue(b++, sql::bindable(m_buffer.at(i)));
    if (!inserting) {
        q.bindValue(b, cur ? cur->rowid : 0);
        if (m_server)
            q.bindValue(b + 1, cur ? cur->version : QString());
    }
    if (!q.exec()) {
        const QString e = sql::errorText(q);
        refuse(e);
        return makeError(e, kStoreError);
    }

    if (m_server) {
        // No row back: another workstation changed or deleted the row since
        // it was read. Nothing is written; the row is shown as it is now.
        if (!q.next()) {
            q.finish();
            return refuseStale(cur ? cur->rowid : 0, m_buffer, cur ? valuesOf(*cur) : QVector<QVariant>());
        }
        r.rowid = inserting ? q.value(0).toLongLong() : (cur ? cur->rowid : 0);
        r.version = q.value(inserting ? 1 : 0).toString();
        if (inserting && m_autoInc >= 0)
            r.values[m_autoInc] = static_cast<int>(r.rowid);
    } else if (inserting) {
        r.rowid = dialect::lastInsertId(q);
        if (m_autoInc >= 0)
            r.values[m_autoInc] = static_cast<int>(r.rowid);
    } else {
        r.rowid = cur ? cur->rowid : 0;
    }
    q.finish();
    storePosted(std::move(r), inserting);
    finishPost(linksChanged);
    return {};
}

void Cursor::storePosted(Row r, bool inserting)
{
    m_buffer.clear();
    m_modified = false;
    if (m_loaded) {
        if (inserting) {
            const int pos = insertPosition(r);
            emit rowAboutToBeInserted(pos);
            m_rows.insert(m_rows.begin() + pos, std::move(r));
            setCurrent(pos);
            emit rowInserted(pos);
        } else {
            const int old = m_current;
            m_rows[static_cast<size_t>(old)].values = r.values;
            m_rows[static_cast<size_t>(old)].raw = -1;
            m_rows[static_cast<size_t>(old)].version = r.version;
            const bool inOrder = (old == 0 || compareRows(m_rows[static_cast<size_t>(old - 1)], m_rows[static_cast<size_t>(old)]) < 0) &&
                                 (old + 1 >= static_cast<int>(m_rows.size()) ||
                                  compareRows(m_rows[static_cast<size_t>(old)], m_rows[static_cast<size_t>(old + 1)]) < 0);
            if (inOrder) {
                emit rowChanged(old);
            } else {
                emit rowAboutToBeRemoved(old);
                Row moved = std::move(m_rows[static_cast<size_t>(old)]);
                m_rows.erase(m_rows.begin() + old);
                emit rowRemoved(old);
                const int pos = insertPosition(moved);
                emit rowAboutToBeInserted(pos);
                m_rows.insert(m_rows.begin() + pos, std::move(moved));
                setCurrent(pos);
                emit rowInserted(pos);
            }
        }
    } else {
        m_wantRowid = r.rowid;
    }
}

void Cursor::finishPost(bool linksChanged)
{
    setState(State::Browse);
    if (linksChanged)
        detailsInvalidate();
    for (const Hook &h : m_afterPost)
        h(*this);
    emit posted();
    emit currentChanged();
}

// A field's name as the clerk reads it: without its kind ("Vl", "Nm", ...),
// its words apart ("VlQuantidade" -> "Quantidade", "QtProdFinal" -> "Prod Final").
static QString readableFieldName(const QString &name)
{
    qsizetype from = 0;
    while (from < name.size() && name.at(from).isLower())
        ++from;
    if (from == 0 || from == name.size())
        from = 0;
    QString out;
    for (qsizetype i = from; i < name.size(); ++i) {
        if (i > from && name.at(i).isUpper() && name.at(i - 1).isLower())
            out += QLatin1Char(' ');
        out += name.at(i);
    }
    return out;
}

Status Cursor::refuseStale(qint64 rowid, QVector<QVariant> typed, QVector<QVariant> read)
{
    // The row is read again before the message is shown: the screen shows
    // the row as it is now behind the message, and nothing the message's
    // own events do (a field left, a key) can post the old edit again.
    m_buffer.clear();
    m_modified = false;
    setState(State::Browse);
    emit aboutToReset();
    m_loaded = false;
    const Status s = load(rowid);
    emit resetDone();
    detailsInvalidate(true);
    emit currentChanged();
    // What the clerk typed is dropped: shown first beside what is stored
    // now, so that it can be typed again where it still matters.
    QString text = msg::kRegistroAlterado;
    if (!typed.isEmpty()) {
        const Row *now = nullptr;
        for (const Row &r : m_rows)
            if (r.rowid == rowid)
                now = &r;
        QStringList lines;
        for (qsizetype i = 0; i < typed.size(); ++i) {
            const bool changed = read.size() != typed.size() || !sameValue(read.at(i), typed.at(i));
            if (!changed || static_cast<int>(i) == m_autoInc)
                continue;
            const QString stored = now ? valuesOf(*now).value(i).toString() : msg::kRegistroExcluidoAgora;
            lines.append(msg::kValorDigitado.arg(readableFieldName(m_names.value(static_cast<int>(i))),
                                                 typed.at(i).toString(), stored));
        }
        if (!lines.isEmpty())
            text += QStringLiteral("\r\r") + msg::kValoresDigitados + QLatin1Char('\r') + lines.join(QLatin1Char('\r'));
    }
    refuse(text);
    if (!s)
        dialogs().error(s.message());
    return makeError(msg::kRegistroAlterado, kRefused);
}

Status Cursor::remove()
{
    if (!m_open)
        return makeError(QStringLiteral("Tabela \"%1\" não está aberta.").arg(m_table.qname()), kStoreError);
    if (m_state == State::Insert) {
        cancel();
        return {};
    }
    if (m_state == State::Edit)
        cancel();
    ensureLoaded();
    const Row *cur = currentRow();
    if (!cur)
        return {};
    if (!prepareWrites())
        return makeError(QStringLiteral("Tabela \"%1\": instruções não preparadas.").arg(m_table.qname()), kStoreError);
    m_delete->bindValue(0, cur->rowid);
    if (m_server)
        m_delete->bindValue(1, cur->version);
    if (!m_delete->exec()) {
        const QString e = sql::errorText(*m_delete);
        refuse(e);
        return makeError(e, kStoreError);
    }
    const bool stale = m_server && m_delete->numRowsAffected() == 0;
    m_delete->finish();
    if (stale)
        return refuseStale(cur->rowid);
    const int pos = m_current;
    emit rowAboutToBeRemoved(pos);
    m_rows.erase(m_rows.begin() + pos);
    emit rowRemoved(pos);
    const int size = static_cast<int>(m_rows.size());
    m_current = pos < size ? pos : size - 1;
    // Removing the last row ends a loop that walks to the end.
    m_bof = size == 0;
    m_eof = pos >= size;
    detailsInvalidate();
    scrolled();
    return {};
}

} // namespace quirels::store
