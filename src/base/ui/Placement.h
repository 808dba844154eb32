#pragma once
// Where a window of the program opens: inside its owner's area, whole on the
// screen, never over the corner of the desktop.

class QWidget;

namespace quirels {

// Moves the top-level window `w` so that it is centred on `owner`'s window,
// kept inside the owner and inside the screen's available area as far as its
// size allows.
void placeInside(QWidget *w, const QWidget *owner);

} // namespace quirels
