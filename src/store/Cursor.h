#pragma once
// A cursor over one table of the schema: the rows of the table restricted to
// its master's current row, in the order of the primary key or of an index,
// with a current row, a state (browse, edit, insert) and a pending-row buffer.
//
//     Cursor &p = dm.table("Produtos");      // rows of the current period
//     p.insert();                             // link fields come from tblMes
//     p.setValue("CdNCM", "2939.41.00");      // range rule runs here
//     if (p.post()) { ... p.value("CdProduto") is the store's number ... }
//
// Rows are read lazily: a cursor whose master moved reloads on first use, so
// moving a master costs nothing for details nobody looks at. Inserted and
// edited rows are placed in the cache at their order position without a
// reload, so posting many rows stays linear; wrap them in one
// sql::Transaction for speed.
//
// Moving a cursor first writes a modified pending row of it and of its
// details (an unmodified one is dropped); a refused row stops the move. A
// master that posts without changing its key leaves its details as they are,
// pending rows included.
//
// Messages (rule refusals, range and width rules, store errors) go through
// the cursor's Dialogs. The Status returned by post()/remove() carries the
// same text; the caller must not show it a second time.

#include "base/Dialogs.h"
#include "base/Result.h"
#include "store/NameOrder.h"
#include "store/Schema.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <vector>

namespace quirels::store {

class Statement;

class Cursor : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    Q_ENUM(State)

    // Error codes of post() and remove().
    static constexpr int kRefused = 1;     // a rule refused; its message was shown
    static constexpr int kStoreError = 2;  // the store failed; its message was shown

    using BeforePost = std::function<bool(Cursor &)>; // false refuses the post
    using Hook = std::function<void(Cursor &)>;

    // A cursor named `name` (the data module's name, "tblProdutos") over the
    // schema table, on the named connection.
    Cursor(const QString &name, const schema::Table &table, const QString &connection, QObject *parent = nullptr);
    ~Cursor() override;

    const QString &name() const { return m_name; }
    const schema::Table &table() const { return m_table; }
    QString connectionName() const { return m_connection; }

    // ---- configuration (before open, or followed by refresh) -------------
    // The master whose current row restricts this cursor through the table's
    // link fields (same names in both tables). Null: no restriction.
    void setMaster(Cursor *master);
    Cursor *master() const { return m_master; }
    // Further fixed values: only rows whose fields equal them are shown, and
    // inserted rows receive them (the observation views: Anexo = "A").
    void setFixedValues(const QVariantMap &values);
    // Orders by an index of the table (case-insensitive name) or, with an
    // empty name, by the primary key. Reloads an open cursor. False when the
    // table has no such index.
    bool setOrder(const QString &indexName);
    // Orders by an explicit field list (ties by primary key).
    void setOrderFields(const QStringList &fields, bool caseInsensitive);
    QString orderName() const { return m_orderName; }
    void setDialogs(Dialogs *dialogs) { m_dialogs = dialogs; }
    Dialogs &dialogs() const;

    // A computed field: the value of `resultField` of the row of
    // `lookupTable` whose `lookupKey` equals this row's `keyField`.
    void addLookup(const QString &name, const QString &keyField, const QString &lookupTable,
                   const QString &lookupKey, const QString &resultField);
    QStringList lookupNames() const;

    // ---- life cycle -------------------------------------------------------
    // Opens on the connection and reads the rows; the store's message on
    // failure (the cursor stays closed).
    Status open();
    // Drops pending changes, the rows and the prepared statements.
    void close();
    bool isOpen() const { return m_open; }
    // Re-reads the rows, staying on the same row when it still exists.
    Status refresh();

    // ---- navigation -------------------------------------------------------
    // Every move first settles a pending row of this cursor and of its
    // details (posted when modified, else cancelled); false when a pending
    // row was refused, and then the cursor stays where it was.
    bool first();
    bool last();
    bool next();
    bool prior();
    // Moves to a row by 0-based position.
    bool moveTo(int row);
    // Nearest-key search: the first row whose order fields (after those fixed
    // by the master) are >= the given values, compared as the order compares
    // them. False (and on the last row) when every row is smaller.
    bool findNearest(const QVariantList &key);
    // Exact search: the first row whose fields equal the values (texts
    // compared case-sensitively, numbers numerically). False: stays put.
    bool locate(const QVariantMap &values);

    int count() const;          // rows of the cursor (the pending insert not counted)
    bool isEmpty() const { return count() == 0; }
    int row() const;            // 0-based position of the current row, -1 when none
    int recNo() const { return row() + 1; } // 1-based, 0 when none
    bool eof() const;
    bool bof() const;

    // ---- values -----------------------------------------------------------
    // A field of the current row (the pending buffer while editing or
    // inserting) or a lookup; an invalid QVariant for null and for an
    // unknown field. Field names are matched without regard to case.
    QVariant value(const QString &field) const;
    // A field of any row by position (for grids); lookups included.
    QVariant valueAt(int row, const QString &field) const;
    QVariant valueAt(int row, int fieldIndex) const;
    bool isNull(const QString &field) const { return value(field).isNull(); }
    // The current row (or the pending buffer) as field name -> value, every
    // field of the table included (null ones as invalid QVariants).
    QVariantMap record() const;

    // Sets a field of the pending row (edit or insert state only). The value
    // is converted to the field's type (texts with the regional decimal
    // separator for numbers; an empty text is null); a value that is not a
    // number for a numeric field, or outside the 0..100 range of a field that
    // has it, is refused with its message (error box) and the field keeps its
    // previous value. The auto-increment field cannot be set.
    bool setValue(const QString &field, const QVariant &value);
    // Sets several fields without the range rule: used by rules that
    // complete the row before it is written (the closing stock).
    void assign(const QVariantMap &values);
    void assign(const QString &field, const QVariant &value);

    // ---- editing ----------------------------------------------------------
    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }
    bool isModified() const { return m_modified; }
    // Starts editing the current row; false when there is none.
    bool edit();
    // Starts a new row (settling a pending one first): its link fields
    // receive the master's current values, the fixed values are set and
    // booleans start false. False when the pending row was refused.
    bool insert();
    bool append() { return insert(); }
    // Writes the pending row: before-post hooks (a refusal leaves the row
    // pending, message already shown), text widths, then the store. The
    // auto-increment value given by the store is read back into the row.
    Status post();
    void cancel();
    // Deletes the current row.
    Status remove();
    // Posts when modified, cancels an unmodified pending row; false when the
    // post was refused (the row stays pending).
    bool checkBrowseMode();

    // ---- hooks ------------------------------------------------------------
    void addBeforePost(BeforePost hook) { m_beforePost.push_back(std::move(hook)); }
    // A before-post hook that refuses names the field its message is about,
    // so that the screen can put the focus there.
    void setRefusedField(const QString &field) { m_refusedField = field; }
    // The field the last refused post named (a hook's, or a text too wide);
    // empty after a post that was not refused for a field.
    const QString &refusedField() const { return m_refusedField; }
    void addAfterPost(Hook hook) { m_afterPost.push_back(std::move(hook)); }
    // Runs each time the current row changes: moves, open, reload after the
    // master moved, insert, cancel, remove.
    void addAfterScroll(Hook hook) { m_afterScroll.push_back(std::move(hook)); }

    // Display mask of a field: the schema's mask unless a rule changed it
    // (counterpart numbers follow the value of the current row).
    QString displayMask(const QString &field) const;
    void setDisplayMask(const QString &field, const QString &mask);

    // Index of a field in the table (case-insensitive), -1 when unknown.
    int fieldIndex(const QString &field) const;

signals:
    // Grids: the rows were re-read or dropped (open, close, master moved).
    void aboutToReset();
    void resetDone();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    // Edits: the current row moved (after the after-scroll hooks).
    void currentChanged();
    // Edits: a field of the pending buffer changed.
    void fieldChanged(const QString &field);
    void stateChanged(quirels::store::Cursor::State state);
    // After a row was written (after the after-post hooks).
    void posted();

private:
    // A save or deletion of a row another workstation changed since it was
    // read: refused with the message, and the rows read again.
    // `typed`/`read`: the clerk's row and the row as it was read (empty for
    // a deletion): what the clerk changed is shown beside what is stored now.
    Status refuseStale(qint64 rowid, QVector<QVariant> typed = {}, QVector<QVariant> read = {});
    // The end of a post: browse state, details, after-post hooks, signals.
    void finishPost(bool linksChanged);

    struct Row {
        qint64 rowid = 0;
        // The values; for a row read from a SQLite store, filled on first
        // use from the row as read (valuesOf()).
        mutable QVector<QVariant> values;
        // Where the row as read starts in m_raw; -1 once its values are filled.
        mutable qsizetype raw = -1;
        // On the server: the row's version as read, so that a save finds a
        // row another workstation changed meanwhile.
        QString version;
    };
    struct OrderField {
        int field;
        Collation collation;
    };
    struct Lookup {
        QString name;
        int keyField;
        QString table;
        QString key;
        QString result;
        mutable QHash<QString, QVariant> cache;
    };

    // The values of a row, converted from the row as read on first use.
    const QVector<QVariant> &valuesOf(const Row &r) const;
    QVector<QVariant> decodeRaw(qsizetype at) const;
    void dropRows();
    void ensureLoaded() const;
    Status load(qint64 keepRowid);
    // Drops the rows so they are read again on next use; unless forced, only
    // when the master's link values changed since they were read.
    void invalidate(bool force = false);
    void detailsInvalidate(bool force = false);
    bool settle();
    bool settleDetails();
    void setCurrent(int row);
    void scrolled();
    void setState(State s);
    QVariantList masterValues(bool *ok) const;
    void buildOrder();
    int compareRows(const Row &a, const Row &b) const;
    int insertPosition(const Row &r) const;
    QVariant normalized(int field, const QVariant &value, bool *ok) const;
    QVariant lookupValue(const Lookup &l, const QVariant &key) const;
    bool prepareWrites();
    // The row just written takes its place among the rows read.
    void storePosted(Row r, bool inserting);
    // Binds the pending row (and the row's number for an update) as Qt SQL
    // would; false when a value is of a kind only Qt SQL binds.
    bool bindDirect(Statement &st, const Row *cur) const;
    const Row *currentRow() const;
    void refuse(const QString &message);

    QString m_name;
    const schema::Table &m_table;
    QString m_connection;
    QSqlDatabase m_db;
    bool m_server = false; // the store is a server shared by several workstations
    Cursor *m_master = nullptr;
    std::vector<Cursor *> m_details;
    QVariantMap m_fixed;
    QString m_orderName;
    QStringList m_orderFieldNames;
    Collation m_orderCollation = Collation::Binary;
    std::vector<OrderField> m_order;     // full order: index fields, primary key
    std::vector<OrderField> m_searchKey; // order fields not fixed by the master
    Dialogs *m_dialogs = nullptr;
    QStringList m_names;                 // field names as the schema spells them
    QHash<QString, int> m_fieldByName;
    std::vector<std::pair<QString, int>> m_sortedFields; // by name, as a QVariantMap orders them
    QList<int> m_textFields;
    QStringList m_linkNames;
    QList<int> m_linkFields;
    std::vector<Lookup> m_lookups;
    QHash<QString, QString> m_masks;

    bool m_open = false;
    mutable bool m_loaded = false;
    mutable std::vector<Row> m_rows;
    // The rows as the SQLite store gave them, one after another
    // (Statement::appendColumns): a month's rows are kept this way and
    // converted to values only when something looks at them (a grid shows a
    // screenful of them).
    QByteArray m_raw;
    mutable int m_current = -1;
    mutable bool m_bof = true;
    mutable bool m_eof = true;
    mutable qint64 m_wantRowid = 0;      // row to land on at the next load
    bool m_loadedLinked = false;         // the link values the rows were read with
    QVariantList m_loadedLinks;
    State m_state = State::Inactive;
    QVector<QVariant> m_buffer;
    bool m_modified = false;
    int m_autoInc = -1;

    std::unique_ptr<QSqlQuery> m_insert;
    std::unique_ptr<QSqlQuery> m_update;
    std::unique_ptr<QSqlQuery> m_delete;
    // On SQLite the same insert and update straight on the engine: a
    // QSqlQuery names each bound position with a text built on every bind.
    std::unique_ptr<Statement> m_insertDirect;
    std::unique_ptr<Statement> m_updateDirect;

    std::vector<BeforePost> m_beforePost;
    QString m_refusedField;
    std::vector<Hook> m_afterPost;
    std::vector<Hook> m_afterScroll;
};

} // namespace quirels::store
