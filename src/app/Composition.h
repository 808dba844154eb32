#pragma once
// The desktop program's composition root: the one place (beside the
// command-line tool) that knows every subsystem and wires its screens into
// the shell's screen registry.

namespace quirels {
class MainWindow;
}

namespace quirels::app {

// Registers the screens of entry, validation, exchange, reports and backup
// with one main window.
void installSubsystemScreens(MainWindow &window);

// Makes every main window made from now on register the subsystems' screens
// (installSubsystemScreens); called once at start, before the main window.
void compose();

} // namespace quirels::app
