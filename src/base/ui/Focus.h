#pragma once
// Whether a field losing the focus is the clerk leaving it. A popup (a
// drop-down list, a completer), another window coming up (a message box)
// or the menu bar taking the keyboard (Alt, F10) takes the focus for a
// moment without leaving the field; and a window that has accepted its
// closing (markClosing) takes its fields away with it: the exit rules and
// questions of a field wait for a real leaving.

#include <QFocusEvent>
#include <QWidget>

namespace quirels {

inline constexpr char kClosingProperty[] = "quirelsFechando";

// Set when a window accepts its closing; cleared when it is shown again.
inline void markClosing(QWidget *window, bool closing) { window->setProperty(kClosingProperty, closing); }

inline bool leavesTheField(const QFocusEvent *e, const QWidget *field = nullptr)
{
    const Qt::FocusReason r = e->reason();
    if (r == Qt::PopupFocusReason || r == Qt::ActiveWindowFocusReason || r == Qt::MenuBarFocusReason)
        return false;
    for (const QWidget *w = field; w; w = w->parentWidget())
        if (w->property(kClosingProperty).toBool())
            return false;
    return true;
}

} // namespace quirels
