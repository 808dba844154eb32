#include "ListEngine.h"

#include "entry/Messages.h"

namespace quirels::entry {

ListEngine::ListEngine(const ListSpec &spec, store::Cursor &table, store::Cursor *observation, Dialogs &dialogs,
                       const Lookups *lookups, QObject *parent)
    : QObject(parent), m_spec(spec), m_table(table), m_obs(observation), m_dialogs(dialogs), m_lookups(lookups)
{
    // Rows written or dropped elsewhere ("&Validar" posts every pending row,
    // a bulk operation reads the tables again): with nothing pending any
    // more, the buttons go back to browse.
    const auto settled = [this] {
        if (m_buttons == ButtonState::Editing && !m_table.isEditing() && !(m_obs && m_obs->isEditing()))
            setButtons(ButtonState::Browse);
    };
    connect(&m_table, &store::Cursor::stateChanged, this, settled);
    if (m_obs)
        connect(m_obs, &store::Cursor::stateChanged, this, settled);
}

void ListEngine::setButtons(ButtonState state)
{
    if (m_buttons == state)
        return;
    m_buttons = state;
    emit buttonsChanged(state);
}

void ListEngine::startObservation()
{
    if (m_obs && !m_obs->isEditing() && m_obs->count() > 0)
        m_obs->edit();
}

void ListEngine::refresh()
{
    if (!m_table.isEditing())
        return;
    if (m_buttons != ButtonState::Locked)
        setButtons(ButtonState::Editing);
    startObservation();
}

void ListEngine::observationChanged()
{
    if (m_table.count() == 0)
        setButtons(ButtonState::Editing);
    else if (!m_table.isEditing())
        m_table.edit();
    refresh();
}

bool ListEngine::runChecks(CheckMode mode)
{
    if (!m_table.isEditing())
        return true;
    const CheckContext ctx{mode, m_lookups};
    if (const RequiredCheck *c = firstMissing(m_spec.checks, m_table.record(), ctx)) {
        m_dialogs.information(c->message);
        m_dialogs.focus(c->focus);
        return false;
    }
    return true;
}

bool ListEngine::novo()
{
    if (!runChecks(CheckMode::Novo))
        return false;
    // The invoice fields of the row that just passed the checks, or of the
    // selected record when nothing was pending.
    QVariantMap kept;
    if (m_spec.reuse)
        for (const QString &f : m_spec.reuse->keptFields)
            kept.insert(f, m_table.value(f));
    if (!m_table.insert()) {
        focusRefusal();
        return false;
    }
    setButtons(ButtonState::Editing);
    if (m_spec.reuse && m_table.count() > 0) {
        if (m_dialogs.confirm(msg::kManterNotaFiscal)) {
            for (const QString &f : m_spec.reuse->keptFields)
                m_table.setValue(f, kept.value(f));
            m_dialogs.focus(m_spec.reuse->focusAfterYes);
        } else {
            m_dialogs.focus(m_spec.firstFocus);
        }
    } else {
        m_dialogs.focus(m_spec.firstFocus);
    }
    startObservation();
    return true;
}

bool ListEngine::salvar()
{
    if (!postPending())
        return false;
    emit saved();
    return true;
}

bool ListEngine::settle()
{
    return !m_table.isEditing() || postPending();
}

bool ListEngine::postPending()
{
    if (m_table.isEditing()) {
        if (!runChecks(CheckMode::Salvar))
            return false;
        if (!m_table.post().ok()) {
            focusRefusal();
            return false;
        }
    }
    if (m_obs && m_obs->isEditing() && !m_obs->post().ok())
        return false;
    setButtons(ButtonState::Browse);
    return true;
}

void ListEngine::cancelar()
{
    if (m_table.isEditing())
        m_table.cancel();
    if (m_obs && m_obs->isEditing())
        m_obs->cancel();
    setButtons(ButtonState::Browse);
}

bool ListEngine::removeCurrent() { return m_table.remove().ok(); }

bool ListEngine::excluir()
{
    bool done = false;
    if (m_table.count() > 0 && m_dialogs.confirm(msg::kExcluirRegistro))
        done = removeCurrent();
    setButtons(ButtonState::Browse);
    if (done)
        emit removed();
    return done;
}

bool ListEngine::promptPending(store::Cursor &cursor, const QString &question, Dialogs &dialogs)
{
    if (!cursor.isEditing())
        return true;
    switch (dialogs.confirmYesNoCancel(question)) {
    case Answer::Yes:
    case Answer::Ok:
        return cursor.post().ok();
    case Answer::No:
        cursor.cancel();
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

void ListEngine::focusRefusal(const ListSpec &spec, const store::Cursor &cursor, Dialogs &dialogs)
{
    if (!cursor.isEditing() || cursor.refusedField().isEmpty())
        return;
    if (const FieldSpec *f = spec.fieldByName(cursor.refusedField()))
        dialogs.focus(f->control);
}

bool ListEngine::close()
{
    if (!promptPending(m_table, m_spec.closePrompt, m_dialogs)) {
        focusRefusal();
        return false;
    }
    if (m_obs) {
        if (!promptPending(*m_obs, msg::observacoesNaoSalvas(m_letter), m_dialogs))
            return false;
    }
    return true;
}

} // namespace quirels::entry
