#pragma once
// Enter on a focused push button or tool button presses it, as Space does,
// in every window of the program: a clerk who tabs to "Salvar" or "Fechar"
// confirms with Enter. Fields keep their own Enter (the entry screens move
// to the next field), lists and grids keep theirs, and Enter in a field of a
// dialog still presses the dialog's default button.

namespace quirels {

// Installs the rule for the whole application; a second call does nothing.
// Needs a QApplication.
void enterPressesFocusedButton();

} // namespace quirels
