#include "AnnexScreens.h"

#include "entry/Annex.h"
#include "entry/ui/AnnexWindow.h"
#include "entry/ui/ControleGeralWindow.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace quirels::entry {

AnnexScreens::AnnexScreens(QMdiArea *area, store::DataModule &data, Dialogs &dialogs, QObject *parent)
    : QObject(parent), m_area(area), m_data(data), m_dialogs(dialogs)
{
    connect(m_area, &QMdiArea::subWindowActivated, this, &AnnexScreens::updateChecks);
}

bool AnnexScreens::has(QChar letter)
{
    const QChar l = letter.toUpper();
    return l == QLatin1Char('A') || l == QLatin1Char('B');
}

void AnnexScreens::setMenuAction(QChar letter, QAction *action)
{
    m_actions.insert(letter.toUpper(), action);
    if (action)
        action->setCheckable(true);
    updateChecks();
}

EntryWindow *AnnexScreens::show(QChar letter)
{
    const QChar l = letter.toUpper();
    if (EntryWindow *w = m_screens.value(l)) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget())) {
            m_area->setActiveSubWindow(sub);
            sub->showMaximized();
        }
        return w;
    }
    EntryWindow *w = nullptr;
    if (l == QLatin1Char('A'))
        w = new ControleGeralWindow(m_data, m_dialogs);
    else if (l == QLatin1Char('B'))
        w = new AnnexWindow(annexB(), m_data, m_dialogs);
    if (!w)
        return nullptr;
    m_screens.insert(l, w);
    QMdiSubWindow *sub = m_area->addSubWindow(w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(w->windowTitle());
    connect(w, &EntryWindow::closed, this, [this, l] {
        m_screens.remove(l);
        if (QAction *a = m_actions.value(l))
            a->setChecked(false);
        emit screenClosed(l);
    });
    w->open();
    sub->showMaximized();
    m_area->setActiveSubWindow(sub);
    updateChecks();
    return w;
}

void AnnexScreens::updateChecks()
{
    QMdiSubWindow *active = m_area->activeSubWindow();
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        if (!it.value())
            continue;
        EntryWindow *w = m_screens.value(it.key());
        it.value()->setChecked(w && active && active->widget() == w);
    }
}

} // namespace quirels::entry
