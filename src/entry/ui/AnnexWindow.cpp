#include "AnnexWindow.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace quirels::entry {

AnnexWindow::AnnexWindow(const AnnexSpec &spec, store::DataModule &data, Dialogs &dialogs, QWidget *parent)
    : EntryWindow(spec, data, dialogs, parent)
{
    store::Cursor &table = cursor(spec.main.table);
    m_engine = new ListEngine(spec.main, table, m_obs, *m_dialogs, &m_lookups, this);
    m_engine->setLetter(spec.letter);

    auto *lay = new QVBoxLayout(this);
    lay->addWidget(buildHeader());
    ListSectionOptions o;
    o.scope = this;
    o.memo = buildMemo(*m_engine);
    o.memoLabel = spec.observationLabel();
    o.leave = [this] { return leaveField(); };
    o.finder = true;
    m_list = addListSection(spec.main, *m_engine, m_lookups, [this] { return period(); }, this, lay, o);
    if (!m_list.bar->grid())
        lay->addStretch(1);
}

void AnnexWindow::open()
{
    for (store::Cursor *c : {&m_data.table(m_spec.main.table), m_obs})
        if (c && !c->isOpen())
            c->open();
    m_engine->cancelar();
    loadHeader();
    m_list.panel->load();
    loadMemo();
    if (!m_list.panel->tabOrder().isEmpty())
        m_list.panel->tabOrder().first()->setFocus();
}

bool AnnexWindow::closePrompts()
{
    return leaveField() && m_engine->close();
}

} // namespace quirels::entry
