#pragma once
// The main window on a company of group I with its February 2004 open and
// its annex windows shown, the way the clerk meets them.

#include "EntryFixture.h"

#include "entry/ui/EntryWindow.h"
#include "shell/ui/MainWindow.h"

#include <QMdiSubWindow>
#include <memory>

namespace quirels::test {

struct Desktop {
    TempStore store;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    Desktop()
    {
        store.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao, FlGrupoI) VALUES ('%1', 'ALFA', 1)")
                       .arg(kCnpj));
        store.exec(QStringLiteral("INSERT INTO Mes VALUES ('%1', '2004', 'FEV')").arg(kCnpj));
        MainWindow::Options o;
        o.dialogs = &dialogs;
        o.dataFolder = store.folder();
        o.openStore = false;
        window = std::make_unique<MainWindow>(o);
        window->resize(1100, 800);
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->setCurrentPeriod(PeriodKey{kCnpj, QStringLiteral("2004"), QStringLiteral("FEV")});
        window->openAnnexWindows();
    }
    ~Desktop()
    {
        dialogs.clear();
        dialogs.setDefaultAnswer(Answer::No);
        window->closeCompany();
    }
    QVariant sql(const QString &statement) const { return store.scalar(statement); }
    entry::EntryWindow *screen(char letter)
    {
        QMdiSubWindow *sub = window->annexWindow(QLatin1Char(letter));
        return sub ? qobject_cast<entry::EntryWindow *>(sub->widget()) : nullptr;
    }
    void show(char letter) { window->showAnnex(QLatin1Char(letter)); }
};

} // namespace quirels::test
