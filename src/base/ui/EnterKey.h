#pragma once
// Enter in an entry screen moves to the next field, as Tab does, the way
// clerks are used to enter forms: in a single-line field (an edit, a
// drop-down, a number box) and in a choice (radio group, check box), never
// in a memo, a list or on a push button. Windows
// that do not ask for it keep Qt's rule, where Enter presses the dialog's
// default button.

class QKeyEvent;
class QWidget;

namespace quirels {

// Enter moves to the next field for every field inside `root`, including
// fields created afterwards.
void enterMovesToNextField(QWidget *root);

// Return or Enter (the keypad's too) with no other modifier held.
bool isPlainEnter(const QKeyEvent *key);

} // namespace quirels
