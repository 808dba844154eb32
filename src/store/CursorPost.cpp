#include "Cursor.h"

#include "Dialect.h"
#include "Messages.h"
#include "RecordRules.h"
#include "Sql.h"
#include "Statement.h"
#include "ValueOrder.h"

#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

// Editing and writing: the pending row, its post through the record rules to
// the store, the row's place among the rows read, deletion, and the refusal
// of a row another workstation changed.

namespace quirels::store {

using valueorder::compareValues;
using valueorder::sameValue;

namespace {

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

} // namespace

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
