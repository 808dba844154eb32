#pragma once
// What the entry engine needs of a table cursor: the rows of its master's
// current row, a current row, one pending row at most (being inserted or
// changed), post with the table's record rule, cancel, delete and moves.
// The data module's cursors are seen through this, so the engine does not
// depend on how they are kept.

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace quirels::entry {

class RecordCursor : public QObject {
    Q_OBJECT
public:
    enum class State { Browse, Edit, Insert };

    using QObject::QObject;
    ~RecordCursor() override;

    virtual State state() const = 0;
    bool isPending() const { return state() != State::Browse; }
    // The pending row differs from what it started as.
    virtual bool isModified() const = 0;

    // Saved rows under the master's current row.
    virtual int count() const = 0;
    // Index of the current row (0-based), -1 when there is none.
    virtual int position() const = 0;
    // Moving with a pending row first posts it; false when that is refused.
    virtual bool moveTo(int row) = 0;

    virtual QVariant value(const QString &field) const = 0;
    // The current row, pending values included.
    virtual QVariantMap values() const = 0;
    // Writes a field of the current row, starting to change it when it is
    // browsing; false when the value is refused (its message was shown).
    virtual bool setValue(const QString &field, const QVariant &value) = 0;

    // Starts changing the current row (nothing when there is none or it is
    // already pending).
    virtual void edit() = 0;
    // Starts a new row: a pending row with changes is posted first (false
    // when its record rule refuses it), one without changes is dropped.
    virtual bool append() = 0;
    // Writes the pending row; the record rule runs first and may refuse it
    // (false, the row stays pending).
    virtual bool post() = 0;
    // Drops the pending row.
    virtual void cancel() = 0;
    // Deletes the current row; false on a store failure.
    virtual bool remove() = 0;

signals:
    // The current row is another one or its values were reloaded.
    void currentChanged();
    // Browse / edit / insert changed.
    void stateChanged();
};

} // namespace quirels::entry
