#pragma once
// The entry controls of one record list, made from its field descriptors and
// bound to its cursor: each control shows the current row, a change starts
// changing the row and runs the editing-state refresh, and leaving a control
// runs its field rule (look-ups, day, sign, CNPJ/CPF, CFOP).
//
// A field has one way out: Tab, Enter, a click elsewhere and every command
// (a list's buttons and keys, the main window's commands, closing the
// window) run the same leave-the-field step, leaveField(): the field's
// checks, its formatting, and `left` for the values derived from it. A
// field left without a change asks nothing.

#include "entry/Annex.h"
#include "entry/ListEngine.h"
#include "entry/Lookups.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <functional>

class QButtonGroup;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;

namespace quirels::entry {

class FieldPanel : public QObject {
    Q_OBJECT
public:
    // `period` answers the open period's month code and year (for the day
    // check). The controls are created as children of `parent`.
    FieldPanel(const ListSpec &spec, ListEngine &engine, const Lookups &lookups,
               std::function<QPair<QString, QString>()> period, QWidget *parent);

    // Lays the controls out in rows of `perRow` label-over-control cells;
    // `spans` gives a control more than one cell.
    void layOut(QGridLayout *grid, int perRow, const QHash<QString, int> &spans = {});
    // The same with the list's own cells per row and spans.
    void layOut(QGridLayout *grid);

    QWidget *control(const QString &name) const { return m_controls.value(name); }
    // The control that takes a stored field (the first, when two show it);
    // null when the list has no input for it.
    QWidget *controlOfField(const QString &field) const;
    const ListSpec &spec() const { return m_spec; }
    ListEngine &engine() const { return m_engine; }
    QLabel *label(const QString &name) const { return m_labels.value(name); }
    // The controls in tab order (read-only ones excluded).
    QList<QWidget *> tabOrder() const;

    // Shows the current row in every control.
    void load();
    // Shows one field again after the program changed it.
    void showField(const QString &field);
    // The leave-the-field step for the field the clerk is in (focused, or
    // entered and not left since: a message box or another window took the
    // focus for a while). False when the field refused what it holds: the
    // message was shown, the focus is back in the field, and the command
    // that asked must stop.
    bool leaveField();
    void setEnabled(bool enabled);

signals:
    // A control was left and its rule passed.
    void left(const QString &control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Bound {
        const FieldSpec *spec = nullptr;
        QWidget *widget = nullptr;
    };
    QWidget *create(const FieldSpec &f, QWidget *parent);
    // The most characters the field's input takes.
    int widthOf(const FieldSpec &f) const;
    void edited(const FieldSpec &f);
    bool write(const FieldSpec &f);
    QString shownText(const FieldSpec &f) const;
    void show(const FieldSpec &f);
    // `tabbed`: the field is left with Tab or Shift+Tab.
    bool leave(const FieldSpec &f, bool tabbed);
    // Starts changing the row (a new one when the list has none) for a
    // change typed into `f`, which keeps what is being typed.
    bool startEditing(const FieldSpec &f);
    void backTo(const FieldSpec &f);
    void setField(const QString &field, const QVariant &value);
    QString cfopDescription(const QString &code) const;

    const ListSpec &m_spec;
    ListEngine &m_engine;
    const Lookups &m_lookups;
    std::function<QPair<QString, QString>()> m_period;
    QHash<QString, QWidget *> m_controls;
    QHash<QString, QLabel *> m_labels;
    QHash<QObject *, const FieldSpec *> m_specOf;
    QHash<QString, QButtonGroup *> m_groups;
    bool m_loading = false;
    bool m_leaving = false;
    const FieldSpec *m_inside = nullptr;  // entered and not yet left
    bool m_changed = false;               // typed into since it was entered
    const FieldSpec *m_typing = nullptr;  // not reloaded while its edit starts
    bool m_writing = false;
    // Left by a command while it kept the focus: it shows its value in its
    // own form (a CPF with its punctuation) until typed into again.
    const FieldSpec *m_leftInPlace = nullptr;
    // The code not in the controlled list that tabbing through was last
    // asked about (the field, the row and the code): tabbing past it again
    // asks no more.
    struct Asked {
        const FieldSpec *field = nullptr;
        int row = -1;
        QString text;
    } m_askedNcm;
};

} // namespace quirels::entry
