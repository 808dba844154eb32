#pragma once
// The annex entry screens of the main window: each created on first use and
// kept while it is open (asking again brings it to the front), shown
// maximised as a child window, with its menu entry checked while it is the
// active child.

#include "base/Dialogs.h"
#include "store/DataModule.h"

#include <QChar>
#include <QHash>
#include <QObject>
#include <QPointer>

class QAction;
class QMdiArea;

namespace quirels::entry {

class EntryWindow;

class AnnexScreens : public QObject {
    Q_OBJECT
public:
    AnnexScreens(QMdiArea *area, store::DataModule &data, Dialogs &dialogs, QObject *parent = nullptr);

    // The letters whose screen this build has.
    static bool has(QChar letter);
    // The menu entry checked while the letter's screen is the active child.
    void setMenuAction(QChar letter, QAction *action);
    // Creates the screen on first use, opens it and brings it to the front.
    EntryWindow *show(QChar letter);
    // The open screen of a letter, or null.
    EntryWindow *screen(QChar letter) const { return m_screens.value(letter.toUpper()); }

signals:
    void screenClosed(QChar letter);

private:
    void updateChecks();
    QMdiArea *m_area;
    store::DataModule &m_data;
    Dialogs &m_dialogs;
    QHash<QChar, QPointer<EntryWindow>> m_screens;
    QHash<QChar, QPointer<QAction>> m_actions;
};

} // namespace quirels::entry
