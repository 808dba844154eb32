#pragma once
// The arrangement of the child windows ("Janela" menu): cascade, tile
// horizontally or vertically, the focused field kept where it is.

#include <Qt>
#include <functional>

class QMdiArea;

namespace quirels {

// Runs an arrangement of the child windows; the field that had the focus
// keeps it (restoring a maximised window would move it on).
void arrangeKeepingFocus(const std::function<void()> &how);

// Tiles the shown child windows, in the order they were opened:
// horizontally one above the other, vertically side by side. A window keeps
// its smallest size, and the frame scrolls to the rest.
void tileWindows(QMdiArea *mdi, Qt::Orientation orientation);

} // namespace quirels
