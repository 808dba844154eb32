#include "AnnexWindow.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace quirels::entry {

void addNavigatorShortcuts(ListBar &bar, QWidget *scope)
{
    const QKeySequence keys[4] = {QKeySequence(Qt::CTRL | Qt::Key_Home), QKeySequence(Qt::CTRL | Qt::Key_PageUp),
                                  QKeySequence(Qt::CTRL | Qt::Key_PageDown), QKeySequence(Qt::CTRL | Qt::Key_End)};
    for (int i = 0; i < 4; ++i) {
        auto *s = new QShortcut(keys[i], scope);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        QObject::connect(s, &QShortcut::activated, bar.navigator(i), &QToolButton::click);
    }
    if (QToolButton *t = bar.gridToggle()) {
        auto *s = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), scope);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        QObject::connect(s, &QShortcut::activated, t, &QToolButton::click);
    }
}

AnnexWindow::AnnexWindow(const AnnexSpec &spec, store::DataModule &data, Dialogs &dialogs, QWidget *parent)
    : EntryWindow(spec, data, dialogs, parent)
{
    store::Cursor &table = cursor(spec.main.table);
    m_engine = new ListEngine(spec.main, table, m_obs, *m_dialogs, &m_lookups, this);
    m_engine->setLetter(spec.letter);

    auto *lay = new QVBoxLayout(this);
    lay->addWidget(buildHeader());

    auto *group = new QGroupBox(spec.main.group, this);
    auto *grid = new QGridLayout(group);
    m_panel = new FieldPanel(spec.main, *m_engine, m_lookups, [this] { return period(); }, group);
    m_panel->layOut(grid, 6, {{QStringLiteral("cmbProduto"), 2}, {QStringLiteral("cmbCFOP"), 3},
                              {QStringLiteral("edtCNPJFornecedor"), 2}, {QStringLiteral("edtCNPJTransportadora"), 2}});
    const int memoRow = grid->rowCount();
    auto *memoLabel = new QLabel(spec.observationLabel(), group);
    grid->addWidget(memoLabel, memoRow, 0, 1, 6);
    QPlainTextEdit *memo = buildMemo(*m_engine);
    memo->setParent(group);
    memoLabel->setBuddy(memo);
    memo->setMaximumHeight(90);
    grid->addWidget(memo, memoRow + 1, 0, 1, 6);
    lay->addWidget(group);

    m_bar = new ListBar(*m_engine, QString(), Qt::AltModifier, this, this);
    lay->addWidget(m_bar);
    if (m_bar->grid()) {
        m_bar->grid()->setParent(this);
        lay->addWidget(m_bar->grid(), 1);
    } else {
        lay->addStretch(1);
    }
    connect(m_bar, &ListBar::aboutToRun, m_panel, &FieldPanel::flush);
    addNavigatorShortcuts(*m_bar, this);

    // Tab order: the fields, the memo, then the commands.
    QWidget *prev = m_panel->tabOrder().isEmpty() ? nullptr : m_panel->tabOrder().last();
    for (QWidget *w : QList<QWidget *>{memo, m_bar->novo(), m_bar->salvar(), m_bar->cancelar(), m_bar->excluir()}) {
        if (prev)
            setTabOrder(prev, w);
        prev = w;
    }
}

void AnnexWindow::open()
{
    for (store::Cursor *c : {&m_data.table(m_spec.main.table), m_obs})
        if (c && !c->isOpen())
            c->open();
    m_engine->cancelar();
    loadHeader();
    m_panel->load();
    loadMemo();
    if (!m_panel->tabOrder().isEmpty())
        m_panel->tabOrder().first()->setFocus();
}

void AnnexWindow::flush() { m_panel->flush(); }

bool AnnexWindow::closePrompts()
{
    m_panel->flush();
    return m_engine->close();
}

} // namespace quirels::entry
