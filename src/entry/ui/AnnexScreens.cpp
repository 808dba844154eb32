#include "AnnexScreens.h"

#include "entry/Annex.h"
#include "entry/ui/AnnexWindow.h"
#include "entry/ui/ControleGeralWindow.h"
#include "entry/ui/ResiduoWindow.h"
#include "shell/Annexes.h"
#include "shell/ui/MainWindow.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace quirels::entry {

bool hasAnnexScreen(QChar letter) { return annexSpec(letter) != nullptr; }

EntryWindow *createAnnexScreen(QChar letter, store::DataModule &data, Dialogs &dialogs, QWidget *parent)
{
    EntryWindow *w = nullptr;
    switch (letter.toUpper().unicode()) {
    case 'A':
        w = new ControleGeralWindow(data, dialogs, parent);
        break;
    case 'G':
        w = new ResiduoWindow(data, dialogs, parent);
        break;
    default:
        if (const AnnexSpec *spec = annexSpec(letter))
            w = new AnnexWindow(*spec, data, dialogs, parent);
        else
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
    auto *data = new store::DataModule(window.dialogs(), store::kConnection, &window);
    window.registerAnnexWindow([&window, data](QChar letter) -> QWidget * {
        if (!hasAnnexScreen(letter))
            return nullptr;
        // With no entry screen open, read the tables again: the period may be
        // new, or changed by imports and the carry-over since the last one.
        bool anyOpen = false;
        for (const shell::Annex &a : shell::annexes())
            if (QMdiSubWindow *sub = window.annexWindow(QLatin1Char(a.letter)))
                anyOpen = anyOpen || qobject_cast<EntryWindow *>(sub->widget());
        if (!anyOpen && !data->reopenAll().ok())
            return nullptr;
        const PeriodKey p = window.currentPeriod();
        data->empresa().locate({{QStringLiteral("CdCNPJEmpr"), p.cnpj}});
        data->mes().locate({{QStringLiteral("NrAno"), p.ano}, {QStringLiteral("NmMes"), p.mes}});
        EntryWindow *w = createAnnexScreen(letter, *data, window.dialogs());
        QObject::connect(w, &EntryWindow::closed, &window, [&window] { updateChecks(window); });
        return w;
    });
    // A checkable menu entry toggles when chosen; asking for the screen that
    // is already active must leave it checked.
    for (const shell::Annex &a : shell::annexes())
        for (const char *name : {a.menuItem, a.button})
            if (QAction *command = window.command(QString::fromLatin1(name)))
                QObject::connect(command, &QAction::triggered, &window, [&window] { updateChecks(window); });
    QObject::connect(window.mdiArea(), &QMdiArea::subWindowActivated, &window, [&window](QMdiSubWindow *sub) {
        updateChecks(window);
        if (sub)
            if (auto *screen = qobject_cast<EntryWindow *>(sub->widget()))
                screen->activated();
    });
}

} // namespace quirels::entry
