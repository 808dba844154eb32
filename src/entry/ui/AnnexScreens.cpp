#include "AnnexScreens.h"

#include "entry/Annex.h"
#include "entry/ui/AnnexWindow.h"
#include "entry/ui/ControleGeralWindow.h"
#include "shell/Annexes.h"
#include "shell/ui/MainWindow.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace quirels::entry {

bool hasAnnexScreen(QChar letter)
{
    const QChar l = letter.toUpper();
    return l == QLatin1Char('A') || l == QLatin1Char('B');
}

EntryWindow *createAnnexScreen(QChar letter, store::DataModule &data, Dialogs &dialogs, QWidget *parent)
{
    EntryWindow *w = nullptr;
    switch (letter.toUpper().unicode()) {
    case 'A':
        w = new ControleGeralWindow(data, dialogs, parent);
        break;
    case 'B':
        w = new AnnexWindow(annexB(), data, dialogs, parent);
        break;
    default:
        return nullptr;
    }
    w->open();
    return w;
}

namespace {

// Checks the menu entry of the active annex screen and clears the others.
void updateChecks(MainWindow &window)
{
    QMdiSubWindow *active = window.mdiArea()->activeSubWindow();
    for (const shell::Annex &a : shell::annexes()) {
        QAction *item = window.command(QString::fromLatin1(a.menuItem));
        if (!item)
            continue;
        QMdiSubWindow *sub = window.annexWindow(QLatin1Char(a.letter));
        item->setCheckable(true);
        item->setChecked(sub && sub == active && qobject_cast<EntryWindow *>(sub->widget()));
    }
}

} // namespace

void installAnnexScreens(MainWindow &window)
{
    // Every screen works on the main window's data module, whose current
    // Empresa and Mes rows are the open company and period.
    window.registerAnnexWindow([&window](QChar letter) -> QWidget * {
        if (!hasAnnexScreen(letter))
            return nullptr;
        EntryWindow *w = createAnnexScreen(letter, window.dataModule(), window.dialogs());
        QObject::connect(w, &EntryWindow::closed, &window, [&window] { updateChecks(window); });
        QObject::connect(&window, &MainWindow::aboutToPostPending, w, &EntryWindow::flush);
        return w;
    });
    QObject::connect(window.mdiArea(), &QMdiArea::subWindowActivated, &window,
                     [&window] { updateChecks(window); });
}

} // namespace quirels::entry
