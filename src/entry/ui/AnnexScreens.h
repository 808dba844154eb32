#pragma once
// The annex entry screens in the main window: its annex commands create
// each screen on first use on the open company and period, and the menu
// entry of the active screen is shown checked.

#include "base/Dialogs.h"
#include "store/DataModule.h"

#include <QChar>

class QWidget;

namespace quirels {
class MainWindow;
}

namespace quirels::entry {

class EntryWindow;

// Whether this build has the entry screen of an annex letter.
bool hasAnnexScreen(QChar letter);
// The entry screen of a letter on the data module's current company and
// period, opened (cursors open, lists browsing); null for a letter without
// a screen.
EntryWindow *createAnnexScreen(QChar letter, store::DataModule &data, Dialogs &dialogs, QWidget *parent = nullptr);

// Registers the screens with the main window. The screens work on the
// window's own data module, on its open company and period.
void installAnnexScreens(MainWindow &window);

} // namespace quirels::entry
