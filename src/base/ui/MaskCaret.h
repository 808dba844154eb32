#pragma once
// Typing into a masked field starts where the typed value stops: entering the
// field or clicking into its empty part puts the caret on the first empty
// position, so that no digit is typed into a position past a gap (where the
// mask would keep it apart from the others).

#include "base/Masks.h"

class QLineEdit;
class QWidget;

namespace quirels {

// Keeps the caret of `edit`, whose input mask is `mask`, out of the empty
// part of the field. Nothing happens while the field has no input mask.
void keepCaretInMask(QLineEdit *edit, const EditMask &mask);

// Puts the focus on a field as Tab does, also while its window is not yet
// active again (after a message box): a text is selected whole, so that
// what is typed next replaces it; a masked field keeps its own caret rule.
void focusField(QWidget *field);

} // namespace quirels
