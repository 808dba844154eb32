#include "WindowList.h"

#include <QAction>
#include <QActionGroup>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

namespace quirels {

namespace {
const char kListed[] = "quirelsWindowListItem";
}

WindowList::WindowList(QMenu *menu, QMdiArea *area) : QObject(menu), m_menu(menu), m_area(area)
{
    connect(menu, &QMenu::aboutToShow, this, &WindowList::refresh);
}

void WindowList::refresh()
{
    for (QAction *a : m_menu->actions())
        if (a->property(kListed).toBool()) {
            m_menu->removeAction(a);
            a->deleteLater();
        }
    QList<QMdiSubWindow *> open;
    for (QMdiSubWindow *sub : m_area->subWindowList(QMdiArea::CreationOrder))
        if (!sub->isHidden())
            open.append(sub);
    if (open.isEmpty())
        return;
    auto *separator = m_menu->addSeparator();
    separator->setProperty(kListed, true);
    auto *group = new QActionGroup(separator);
    int number = 0;
    for (QMdiSubWindow *sub : open) {
        ++number;
        // Ampersands of a title are shown as typed; 1..9 are the item's keys.
        QString title = sub->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString caption = number <= 9 ? QStringLiteral("&%1 %2").arg(number).arg(title)
                                            : QStringLiteral("%1 %2").arg(number).arg(title);
        QAction *a = m_menu->addAction(caption);
        a->setObjectName(QStringLiteral("mniJanela%1").arg(number));
        a->setProperty(kListed, true);
        a->setCheckable(true);
        a->setChecked(sub == m_area->activeSubWindow());
        a->setActionGroup(group);
        QPointer<QMdiSubWindow> target = sub;
        connect(a, &QAction::triggered, this, [this, target] {
            if (!target)
                return;
            if (target->isMinimized())
                target->showNormal();
            m_area->setActiveSubWindow(target);
        });
    }
}

} // namespace quirels
