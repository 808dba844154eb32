#include "AnnexScreens.h"

#include "entry/Annex.h"
#include "entry/ui/AnnexWindow.h"
#include "entry/ui/ControleGeralWindow.h"
#include "entry/ui/ResiduoWindow.h"
#include "shell/Annexes.h"
#include "shell/ui/MainWindow.h"

#include <QAction>
#include <QBoxLayout>
#include <QPushButton>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>

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

// Annex XI-A: "Calcular Totais" beside the product buttons runs the main
// window's command of the same name (which refreshes the data module after
// applying).
void addTotalsButton(ControleGeralWindow &screen, MainWindow &window)
{
    auto *bar = qobject_cast<QBoxLayout *>(screen.productBar().layout());
    if (!bar)
        return;
    auto *button = new QPushButton(QStringLiteral("Calcular &Totais"), &screen.productBar());
    button->setObjectName(QStringLiteral("btnCalcularTotais"));
    button->setToolTip(QStringLiteral("Calcula os totais do Anexo XI-A a partir dos Anexos XI-B e XI-C"));
    bar->addWidget(button);
    QObject::connect(button, &QPushButton::clicked, &window, [&window] {
        if (QAction *a = window.command(QStringLiteral("mniCalcularTotais")); a && a->isEnabled())
            a->trigger();
    });
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
        if (auto *a = qobject_cast<ControleGeralWindow *>(w))
            addTotalsButton(*a, window);
        return w;
    });
    // Every command of the main window leaves the field being typed into
    // first: the active screen's, then any other screen's field that a
    // switch of windows left entered.
    window.setLeaveField([&window] {
        QList<QMdiSubWindow *> subs = window.mdiArea()->subWindowList(QMdiArea::ActivationHistoryOrder);
        std::reverse(subs.begin(), subs.end());
        for (QMdiSubWindow *sub : subs)
            if (auto *screen = qobject_cast<EntryWindow *>(sub->widget()); screen && !sub->isHidden())
                if (!screen->leaveField())
                    return false;
        return true;
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
