#include "Arrangement.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStyle>

namespace quirels {

void arrangeKeepingFocus(const std::function<void()> &how)
{
    QPointer<QWidget> focus = QApplication::focusWidget();
    how();
    if (focus && focus->isVisible() && focus != QApplication::focusWidget())
        focus->setFocus(Qt::OtherFocusReason);
}

void tileWindows(QMdiArea *mdi, Qt::Orientation orientation)
{
    QList<QMdiSubWindow *> subs;
    for (QMdiSubWindow *sub : mdi->subWindowList(QMdiArea::CreationOrder))
        if (!sub->isHidden())
            subs.append(sub);
    if (subs.isEmpty())
        return;
    arrangeKeepingFocus([&] {
        QRect area = mdi->viewport()->rect();
        const int n = static_cast<int>(subs.size());
        // Windows that do not fit at their smallest size make the frame
        // scroll: its scroll bar takes its share of the other direction.
        int total = 0;
        for (QMdiSubWindow *sub : subs)
            total += orientation == Qt::Horizontal ? sub->minimumHeight() : sub->minimumWidth();
        const int bar = mdi->window()->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, mdi);
        if (orientation == Qt::Horizontal && total > area.height())
            area.setWidth(area.width() - bar);
        else if (orientation == Qt::Vertical && total > area.width())
            area.setHeight(area.height() - bar);
        int at = 0;
        for (int i = 0; i < n; ++i) {
            QMdiSubWindow *sub = subs.at(i);
            sub->showNormal();
            // Horizontal: one above the other, each as wide as the frame;
            // vertical: side by side, each as tall as the frame. A window
            // keeps its smallest size, and the frame scrolls to the rest.
            const QSize least = sub->minimumSize();
            if (orientation == Qt::Horizontal) {
                const int h = qMax(area.height() / n, least.height());
                sub->setGeometry(0, at, qMax(area.width(), least.width()), h);
                at += h;
            } else {
                const int w = qMax(area.width() / n, least.width());
                sub->setGeometry(at, 0, w, qMax(area.height(), least.height()));
                at += w;
            }
        }
    });
}

} // namespace quirels
