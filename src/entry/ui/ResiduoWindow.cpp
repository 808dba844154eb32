#include "ResiduoWindow.h"

#include "entry/Messages.h"
#include "store/Sql.h"

#include <QGroupBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quirels::entry {

bool ResidueListEngine::removeCurrent()
{
    if (m_table.count() > 1)
        return m_table.remove().ok();
    // The period's last residue: it and every isolated product of the period
    // go together or not at all.
    if (m_isolated.isEditing())
        m_isolated.cancel();
    sql::KeyValues period;
    for (const QString &f : schema::periodKey())
        period.append({f, m_table.value(f)});
    QSqlDatabase db = QSqlDatabase::database(m_table.connectionName(), false);
    sql::Transaction tx(db);
    if (!tx.active()) {
        m_dialogs.error(tx.error().message);
        return false;
    }
    if (!m_table.remove().ok()) {
        m_table.refresh();
        return false;
    }
    Status s = sql::exec(db, sql::deleteWhere(m_isolated.table().qname(), period));
    if (s)
        s = tx.commit();
    if (!s) {
        tx.rollback();
        m_dialogs.error(s.message());
        m_table.refresh();
        return false;
    }
    m_isolated.refresh();
    return true;
}

ResiduoWindow::ResiduoWindow(store::DataModule &data, Dialogs &dialogs, QWidget *parent)
    : EntryWindow(annexG(), data, dialogs, parent)
{
    store::Cursor &isolated = cursor(annexGIsolated().table);
    m_residues = new ResidueListEngine(m_spec.main, cursor(m_spec.main.table), isolated, m_obs, *m_dialogs,
                                       &m_lookups, this);
    m_residues->setLetter(m_spec.letter);
    m_isolated = new ListEngine(annexGIsolated(), isolated, nullptr, *m_dialogs, &m_lookups, this);

    auto *lay = new QVBoxLayout(this);
    lay->addWidget(buildHeader());
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pgcResiduo"));
    lay->addWidget(m_pages, 1);

    auto *page1 = new QWidget;
    auto *lay1 = new QVBoxLayout(page1);
    ListSectionOptions o1;
    o1.memo = buildMemo(*m_residues);
    o1.memoLabel = m_spec.observationLabel();
    o1.leave = [this] { return leaveField(); };
    o1.finder = true;
    m_residueList = addListSection(m_spec.main, *m_residues, m_lookups, [this] { return period(); }, page1, lay1, o1);
    lay1->addStretch(1);
    // Alt+R and Alt+P choose the pages.
    m_pages->addTab(page1, QStringLiteral("&Resíduo"));

    auto *page2 = new QWidget;
    auto *lay2 = new QVBoxLayout(page2);
    ListSectionOptions o2;
    o2.suffix = QStringLiteral("Isolado");
    o2.leave = [this] { return leaveField(); };
    m_isolatedList = addListSection(annexGIsolated(), *m_isolated, m_lookups, [this] { return period(); }, page2,
                                    lay2, o2);
    lay2->addStretch(1);
    m_pages->addTab(page2, QStringLiteral("&Produto Químico Controlado Isolado do Resíduo"));

    // A residue saved or deleted opens or closes the isolated products.
    connect(m_residues, &ListEngine::saved, this, &ResiduoWindow::evaluateIsolated);
    connect(m_residues, &ListEngine::removed, this, &ResiduoWindow::evaluateIsolated);
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == 0)
            m_residueList.panel->tabOrder().first()->setFocus();
        else if (m_isolatedList.group->isEnabled())
            m_isolatedList.panel->tabOrder().first()->setFocus();
    });
}

void ResiduoWindow::evaluateIsolated()
{
    setListAvailable(*m_isolated, m_isolatedList.group, m_residues->table().count() > 0);
}

void ResiduoWindow::activated() { evaluateIsolated(); }

void ResiduoWindow::open()
{
    for (store::Cursor *c : {&m_residues->table(), &m_isolated->table(), m_obs})
        if (c && !c->isOpen())
            c->open();
    m_pages->setCurrentIndex(0);
    m_residues->cancelar();
    loadHeader();
    m_residueList.panel->load();
    m_isolatedList.panel->load();
    loadMemo();
    evaluateIsolated();
    m_residueList.panel->tabOrder().first()->setFocus();
}

bool ResiduoWindow::closePrompts()
{
    return leaveField() && ListEngine::promptPending(m_residues->table(), msg::kNaoSalvas, *m_dialogs)
        && ListEngine::promptPending(m_isolated->table(), msg::kNaoSalvas, *m_dialogs)
        && (!m_obs || ListEngine::promptPending(*m_obs, msg::observacoesNaoSalvas(m_spec.letter), *m_dialogs));
}

} // namespace quirels::entry
