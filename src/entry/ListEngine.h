#pragma once
// The command cycle of one record list of an entry screen: Novo, Salvar,
// Cancelar, Excluir, the three button states, the editing-state refresh,
// the observation record that follows the main list, and the close prompts.
// It works on cursors and speaks through Dialogs (messages and focus), so
// it runs the same under a window, in the tests and without a screen.

#include "base/Dialogs.h"
#include "entry/Annex.h"
#include "store/Cursor.h"

#include <QObject>

namespace quirels::entry {

class Lookups;

enum class ButtonState { Browse, Editing, Locked };

class ListEngine : public QObject {
    Q_OBJECT
public:
    // `observation` is the annex's observation view (null for dependent
    // lists, which have none).
    ListEngine(const ListSpec &spec, store::Cursor &table, store::Cursor *observation, Dialogs &dialogs,
               const Lookups *lookups, QObject *parent = nullptr);

    const ListSpec &spec() const { return m_spec; }
    store::Cursor &table() const { return m_table; }
    store::Cursor *observation() const { return m_obs; }
    Dialogs &dialogs() const { return m_dialogs; }

    // The annex letter named by the observation prompt.
    void setLetter(QChar letter) { m_letter = letter; }

    ButtonState buttons() const { return m_buttons; }
    void setButtons(ButtonState state);

    // After each change of an entry control's value (typed or loaded by a
    // move): a pending row sets the buttons to editing and starts changing
    // the observation record with it.
    void refresh();
    // After the observation memo changed.
    void observationChanged();

    // The required-field checks of the pending row; on the first failure its
    // message and focus, and false.
    bool runChecks(CheckMode mode);
    // Moving away from a pending row saves it as Salvar does (the checks,
    // the record rule, the observation with it), without moving the focus;
    // false when it was refused. Nothing pending: nothing to do.
    bool settle();

    virtual bool novo();
    virtual bool salvar();
    virtual void cancelar();
    virtual bool excluir();

    // One close prompt for a pending row: Yes posts it unchanged (only the
    // record rule runs), No drops it, Cancel stops. False stops the closing.
    static bool promptPending(store::Cursor &cursor, const QString &question, Dialogs &dialogs);
    // The close prompts of this list and then of its observation record.
    bool close();

    // After a post of `cursor` that a record rule refused: the focus goes to
    // the control of the field the rule's message named, when the list has
    // one.
    static void focusRefusal(const ListSpec &spec, const store::Cursor &cursor, Dialogs &dialogs);

signals:
    void buttonsChanged(quirels::entry::ButtonState state);
    // Salvar saved what was pending (the row, the observation record).
    void saved();
    // Excluir deleted the current record.
    void removed();

protected:
    // The pending row (checks, record rule) and the observation posted,
    // the buttons back to browsing; false when either was refused.
    bool postPending();
    void startObservation();
    void focusRefusal() { focusRefusal(m_spec, m_table, m_dialogs); }
    // Deletes the current record; a list whose records own others deletes
    // those with it.
    virtual bool removeCurrent();

    const ListSpec &m_spec;
    store::Cursor &m_table;
    store::Cursor *m_obs;
    Dialogs &m_dialogs;
    const Lookups *m_lookups;
    ButtonState m_buttons = ButtonState::Browse;
    QChar m_letter;
};

} // namespace quirels::entry
