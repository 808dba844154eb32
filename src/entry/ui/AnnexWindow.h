#pragma once
// The entry screen of an annex with one record list: the header, the group
// of entry controls with the observation memo, the commands, the navigator
// and the grid.

#include "entry/ui/EntryWindow.h"
#include "entry/ui/FieldPanel.h"
#include "entry/ui/ListBar.h"

namespace quirels::entry {

class AnnexWindow : public EntryWindow {
    Q_OBJECT
public:
    AnnexWindow(const AnnexSpec &spec, store::DataModule &data, Dialogs &dialogs, QWidget *parent = nullptr);

    ListEngine &engine() { return *m_engine; }
    FieldPanel &panel() { return *m_panel; }
    ListBar &bar() { return *m_bar; }

    // Opening: the cursors open, every table browsing, buttons in browse.
    void open() override;
    bool closePrompts() override;
    void flush() override;

private:
    ListEngine *m_engine;
    FieldPanel *m_panel;
    ListBar *m_bar;
};

// Keyboard moves of a list: Ctrl+Home, Ctrl+PgUp, Ctrl+PgDown, Ctrl+End for
// the navigator and Ctrl+G for the grid, within `scope`.
void addNavigatorShortcuts(ListBar &bar, QWidget *scope);

} // namespace quirels::entry
