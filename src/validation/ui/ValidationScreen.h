#pragma once
// The "&Validar" screen of the main window.

namespace quirels {
class MainWindow;
}

namespace quirels::validation {

// Registers the screen that "&Validar" runs: the report window, created on
// first use and kept while open, run on the open period; its result sets the
// main window's validation result flag (also when the check runs again as the
// window is activated). Enter or a double-click on a line shows the annex
// window it names on the record and field of the line, or the company
// information for the company lines.
void installValidationScreen(MainWindow &window);

} // namespace quirels::validation
