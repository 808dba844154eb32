#pragma once
// The entry screen of an annex with one record list: the header, the group
// of entry controls with the observation memo, the commands, the navigator
// and the grid.

#include "entry/ui/EntryWindow.h"
#include "entry/ui/ListSection.h"

namespace quirels::entry {

class AnnexWindow : public EntryWindow {
    Q_OBJECT
public:
    AnnexWindow(const AnnexSpec &spec, store::DataModule &data, Dialogs &dialogs, QWidget *parent = nullptr);

    ListEngine &engine() { return *m_engine; }
    FieldPanel &panel() { return *m_list.panel; }
    ListBar &bar() { return *m_list.bar; }

    // Opening: the cursors open, every table browsing, buttons in browse.
    void open() override;
    bool closePrompts() override;

private:
    ListEngine *m_engine;
    ListSection m_list;
};

} // namespace quirels::entry
