#include "Cursor.h"

#include "Dialect.h"
#include "Sql.h"
#include "Statement.h"
#include "ValueOrder.h"

#include <QSqlQuery>
#include <algorithm>

// The cursor's configuration, life cycle and navigation. Reading the rows and
// their values is in CursorRows.cpp, editing and writing in CursorPost.cpp.

namespace quirels::store {

using valueorder::compareValues;
using valueorder::sameValue;

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

} // namespace quirels::store
