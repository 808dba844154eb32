#include "ListSection.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QToolButton>

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
        // Shown, the grid takes the keyboard.
        QObject::connect(s, &QShortcut::activated, t, [&bar, t] {
            t->click();
            QTableView *grid = bar.grid();
            if (grid && grid->isVisible())
                grid->setFocus(Qt::ShortcutFocusReason);
        });
    }
}

ListSection addListSection(const ListSpec &spec, ListEngine &engine, const Lookups &lookups,
                           std::function<QPair<QString, QString>()> period, QWidget *page, QBoxLayout *layout,
                           const ListSectionOptions &o)
{
    ListSection s;
    s.group = new QGroupBox(spec.group, page);
    QWidget *scope = o.scope ? o.scope : o.barInGroup ? static_cast<QWidget *>(s.group) : page;
    auto *grid = new QGridLayout(s.group);
    s.panel = new FieldPanel(spec, engine, lookups, std::move(period), s.group);
    s.panel->layOut(grid);
    if (o.memo) {
        const int row = grid->rowCount();
        auto *label = new QLabel(o.memoLabel, s.group);
        grid->addWidget(label, row, 0, 1, spec.perRow);
        o.memo->setParent(s.group);
        o.memo->setMaximumHeight(o.memoHeight);
        label->setBuddy(o.memo);
        grid->addWidget(o.memo, row + 1, 0, 1, spec.perRow);
    }
    layout->addWidget(s.group);

    s.bar = new ListBar(engine, o.suffix, o.keys, scope, o.barInGroup ? static_cast<QWidget *>(s.group) : page);
    if (o.barInGroup)
        grid->addWidget(s.bar, grid->rowCount(), 0, 1, spec.perRow);
    else
        layout->addWidget(s.bar);
    if (QTableView *view = s.bar->grid()) {
        view->setParent(page);
        layout->addWidget(view, 1);
        // While the grid is hidden the height left over stays below the bar
        // instead of spreading the fields apart.
        layout->addStretch(0);
    }
    // A command first leaves the field being typed into, as Tab would.
    if (o.leave)
        s.bar->setBeforeCommand(o.leave);
    else
        s.bar->setBeforeCommand([panel = s.panel] { return panel->leaveField(); });
    // The navigator keys are the same for every list: a dependent list's
    // work inside its own group.
    addNavigatorShortcuts(*s.bar, o.barInGroup ? static_cast<QWidget *>(s.group) : scope);
    if (o.finder)
        s.bar->addFinder(scope);

    QList<QWidget *> order = s.panel->tabOrder();
    if (o.memo)
        order.append(o.memo);
    order << s.bar->novo() << s.bar->salvar() << s.bar->cancelar() << s.bar->excluir();
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
    return s;
}

void setListAvailable(ListEngine &engine, QGroupBox *group, bool available)
{
    group->setEnabled(available);
    engine.setButtons(available ? ButtonState::Browse : ButtonState::Locked);
}

} // namespace quirels::entry
