#pragma once
// One record list on a page of an entry screen: its group of entry controls
// (with the observation memo under them when the list has one), its command
// bar with the navigator keys, and its grid when it has one, in one tab order
// (fields, memo, commands). The annex screens are made of these; a screen with
// dependent lists lays out one per list.

#include "entry/ui/FieldPanel.h"
#include "entry/ui/ListBar.h"

#include <functional>

class QBoxLayout;
class QGroupBox;
class QPlainTextEdit;

namespace quirels::entry {

struct ListSectionOptions {
    QString suffix;                                // follows the button names ("btnNovo" + suffix)
    Qt::KeyboardModifiers keys = Qt::AltModifier;  // with N, S, C, E: the four commands
    QWidget *scope = nullptr;                      // where the command keys work; null: the page (the group
                                                   // when the bar is in it)
    QPlainTextEdit *memo = nullptr;                // the observation memo, under the fields
    QString memoLabel;
    int memoHeight = 90;
    bool barInGroup = false;                       // the bar inside the group (dependent lists)
    std::function<bool()> leave;                   // the window's leave-the-field step (null: the
                                                   // section's own fields)
    bool finder = false;                           // "Localizar" (Ctrl+L) for the list
};

struct ListSection {
    QGroupBox *group = nullptr;
    FieldPanel *panel = nullptr;
    ListBar *bar = nullptr;
};

// Builds the section of `spec` on `page` and adds it to `layout`: the group,
// the bar, and the grid (with the remaining height) when the list has one.
ListSection addListSection(const ListSpec &spec, ListEngine &engine, const Lookups &lookups,
                           std::function<QPair<QString, QString>()> period, QWidget *page, QBoxLayout *layout,
                           const ListSectionOptions &options = {});

// A dependent list is open while its master has records: its group enabled
// and its buttons in browse; otherwise its group disabled and its buttons
// locked.
void setListAvailable(ListEngine &engine, QGroupBox *group, bool available);

// Keyboard moves of a list: Ctrl+Home, Ctrl+PgUp, Ctrl+PgDown, Ctrl+End for
// the navigator and Ctrl+G for the grid, within `scope`.
void addNavigatorShortcuts(ListBar &bar, QWidget *scope);

} // namespace quirels::entry
