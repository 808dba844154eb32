#pragma once
// Whether a field losing the focus is the clerk leaving it. A popup (a
// drop-down list, a completer), another window coming up (a message box)
// or the menu bar taking the keyboard (Alt, F10) takes the focus for a
// moment without leaving the field: its exit rules and questions wait for
// the real leaving.

#include <QFocusEvent>

namespace quirels {

inline bool leavesTheField(const QFocusEvent *e)
{
    const Qt::FocusReason r = e->reason();
    return r != Qt::PopupFocusReason && r != Qt::ActiveWindowFocusReason && r != Qt::MenuBarFocusReason;
}

} // namespace quirels
