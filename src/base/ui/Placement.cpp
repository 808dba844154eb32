#include "Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace quirels {

namespace {

// The rectangle moved into `bounds` as far as its size allows; a rectangle
// larger than the bounds keeps its top-left corner inside them.
QRect keptInside(QRect r, const QRect &bounds)
{
    if (r.right() > bounds.right())
        r.moveRight(bounds.right());
    if (r.bottom() > bounds.bottom())
        r.moveBottom(bounds.bottom());
    if (r.left() < bounds.left())
        r.moveLeft(bounds.left());
    if (r.top() < bounds.top())
        r.moveTop(bounds.top());
    return r;
}

} // namespace

void placeInside(QWidget *w, const QWidget *owner)
{
    if (!w || !owner)
        return;
    const QWidget *top = owner->window();
    const QRect area = top->geometry(); // the owner's client area on the screen
    QSize size = w->size().expandedTo(w->minimumSizeHint());
    QRect r(QPoint(0, 0), size);
    r.moveCenter(area.center());
    r = keptInside(r, area);
    if (const QScreen *screen = top->screen() ? top->screen() : QGuiApplication::primaryScreen())
        r = keptInside(r, screen->availableGeometry());
    w->move(r.topLeft());
}

} // namespace quirels
