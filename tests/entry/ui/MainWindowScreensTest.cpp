#include "entry/Messages.h"
#include "entry/ui/AnnexWindow.h"
#include "entry/ui/ControleGeralWindow.h"
#include "entry/Annex.h"
#include "shell/Annexes.h"
#include "shell/ui/MainWindow.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenuBar>
#include <QShortcut>
#include <QTabBar>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <gtest/gtest.h>

using namespace quirels;
namespace msg = quirels::entry::msg;

TEST(AnnexScreensInMainWindow, OneScreenPerAnnexWithItsMenuCheck)
{
    test::TempStore store;
    ScriptedDialogs dialogs;
    const QString cnpj = QStringLiteral("11222333000181");
    store.exec(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao, FlGrupoI) values ('%1', 'ALFA', 1)").arg(cnpj));
    store.exec(QStringLiteral("insert into Mes values ('%1', '2005', 'MAR')").arg(cnpj));
    MainWindow::Options o;
    o.dialogs = &dialogs;
    o.dataFolder = store.folder();
    o.openStore = false;
    MainWindow window(o);
    window.show();
    window.setCurrentPeriod(PeriodKey{cnpj, QStringLiteral("2005"), QStringLiteral("MAR")});
    window.openAnnexWindows();

    QMdiSubWindow *a = window.annexWindow(QLatin1Char('A'));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(qobject_cast<entry::ControleGeralWindow *>(a->widget()), nullptr);
    EXPECT_EQ(a->widget()->findChild<QLineEdit *>(QStringLiteral("edtNmRazao"))->text(), QStringLiteral("ALFA"));
    QAction *itemA = window.command(QStringLiteral("mniControleGeral"));
    QAction *itemB = window.command(QStringLiteral("mniMovimentacaoProdutos"));
    EXPECT_TRUE(itemA->isChecked());

    itemB->trigger();
    QMdiSubWindow *b = window.annexWindow(QLatin1Char('B'));
    ASSERT_NE(b, nullptr);
    auto *movement = qobject_cast<entry::AnnexWindow *>(b->widget());
    ASSERT_NE(movement, nullptr);
    EXPECT_EQ(movement->objectName(), QStringLiteral("TfrmMovimentacao"));
    EXPECT_TRUE(itemB->isChecked());
    EXPECT_FALSE(itemA->isChecked());
    // Asking again brings the same screen forward.
    itemA->trigger();
    EXPECT_EQ(window.annexWindow(QLatin1Char('A')), a);
    EXPECT_TRUE(itemA->isChecked());
    EXPECT_FALSE(itemB->isChecked());

    // A pending movement answered with Cancel keeps the company open.
    movement->engine().novo();
    dialogs.expect(ScriptedDialogs::Kind::YesNoCancel, msg::kNaoSalvas, Answer::Cancel);
    EXPECT_FALSE(window.closeCompany());
    EXPECT_NE(window.annexWindow(QLatin1Char('B')), nullptr);
    dialogs.expect(ScriptedDialogs::Kind::YesNoCancel, msg::kNaoSalvas, Answer::No);
    dialogs.expect(ScriptedDialogs::Kind::YesNoCancel, msg::observacoesNaoSalvas(QLatin1Char('B')), Answer::No);
    EXPECT_TRUE(window.closeCompany());
    EXPECT_EQ(window.annexWindow(QLatin1Char('A')), nullptr);
    EXPECT_EQ(window.annexWindow(QLatin1Char('B')), nullptr);
    EXPECT_FALSE(itemA->isChecked());
    EXPECT_FALSE(itemB->isChecked());
    EXPECT_TRUE(dialogs.failures.isEmpty()) << qPrintable(dialogs.failures.join(QLatin1Char('|')));
}

TEST(AnnexScreensInMainWindow, EveryAnnexCommandAndButtonOpensItsScreen)
{
    test::TempStore store;
    ScriptedDialogs dialogs;
    const QString cnpj = QStringLiteral("11222333000181");
    store.exec(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao, FlGrupoIX) values ('%1', 'ALFA', 1)").arg(cnpj));
    store.exec(QStringLiteral("insert into Mes values ('%1', '2005', 'MAR')").arg(cnpj));
    MainWindow::Options o;
    o.dialogs = &dialogs;
    o.dataFolder = store.folder();
    o.openStore = false;
    MainWindow window(o);
    window.show();
    window.setCurrentPeriod(PeriodKey{cnpj, QStringLiteral("2005"), QStringLiteral("MAR")});
    window.openAnnexWindows();
    for (const shell::Annex &a : shell::annexes()) {
        const QChar letter = QLatin1Char(a.letter);
        for (const char *name : {a.menuItem, a.button}) {
            QAction *command = window.command(QLatin1String(name));
            ASSERT_NE(command, nullptr) << name;
            EXPECT_TRUE(command->isEnabled()) << name;
            command->trigger();
            QMdiSubWindow *sub = window.annexWindow(letter);
            ASSERT_NE(sub, nullptr) << name;
            EXPECT_EQ(window.mdiArea()->activeSubWindow(), sub) << name;
            auto *screen = qobject_cast<entry::EntryWindow *>(sub->widget());
            ASSERT_NE(screen, nullptr) << name;
            EXPECT_EQ(screen->objectName(), entry::annexSpec(letter)->className);
            EXPECT_TRUE(window.command(QLatin1String(a.menuItem))->isChecked()) << name;
        }
    }
    for (const shell::Annex &a : shell::annexes())
        EXPECT_NE(window.annexWindow(QLatin1Char(a.letter)), nullptr);
    EXPECT_TRUE(window.closeCompany());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.texts().join(QLatin1Char('|')));
}

// With every annex window open, no Alt letter of the menu bar is also a key
// of a part of a child window (a button's or page's letter, a list's command
// key), where Qt would find the key ambiguous and run neither.
TEST(AnnexScreensInMainWindow, MenuBarLettersAreFreeInTheScreens)
{
    test::TempStore store;
    ScriptedDialogs dialogs;
    const QString cnpj = QStringLiteral("11222333000181");
    store.exec(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao, FlGrupoIX) values ('%1', 'ALFA', 1)").arg(cnpj));
    store.exec(QStringLiteral("insert into Mes values ('%1', '2005', 'MAR')").arg(cnpj));
    MainWindow::Options o;
    o.dialogs = &dialogs;
    o.dataFolder = store.folder();
    o.openStore = false;
    MainWindow window(o);
    window.show();
    window.setCurrentPeriod(PeriodKey{cnpj, QStringLiteral("2005"), QStringLiteral("MAR")});
    window.openAnnexWindows();
    for (const char letter : {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'})
        window.showAnnex(QLatin1Char(letter));

    QHash<QKeySequence, QString> inWindows;
    QWidget *area = window.mdiArea();
    for (QAbstractButton *b : area->findChildren<QAbstractButton *>())
        inWindows.insert(QKeySequence::mnemonic(b->text()), b->objectName());
    for (QTabBar *bar : area->findChildren<QTabBar *>())
        for (int i = 0; i < bar->count(); ++i)
            inWindows.insert(QKeySequence::mnemonic(bar->tabText(i)), bar->tabText(i));
    for (QShortcut *s : area->findChildren<QShortcut *>())
        inWindows.insert(s->key(), s->parent()->objectName());
    inWindows.remove(QKeySequence());
    EXPECT_GT(inWindows.size(), 10);
    for (QAction *a : window.menuBar()->actions()) {
        const QKeySequence key = QKeySequence::mnemonic(a->text());
        EXPECT_FALSE(inWindows.contains(key)) << qPrintable(a->text()) << " and " << qPrintable(inWindows.value(key));
    }
}

// Arranging the windows leaves the clerk in the field where he was.
TEST(AnnexScreensInMainWindow, ArrangingTheWindowsKeepsTheFocusedField)
{
    test::TempStore store;
    ScriptedDialogs dialogs;
    const QString cnpj = QStringLiteral("11222333000181");
    store.exec(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao, FlGrupoIX) values ('%1', 'ALFA', 1)").arg(cnpj));
    store.exec(QStringLiteral("insert into Mes values ('%1', '2005', 'MAR')").arg(cnpj));
    MainWindow::Options o;
    o.dialogs = &dialogs;
    o.dataFolder = store.folder();
    o.openStore = false;
    MainWindow window(o);
    window.resize(1024, 740);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.setCurrentPeriod(PeriodKey{cnpj, QStringLiteral("2005"), QStringLiteral("MAR")});
    window.openAnnexWindows();
    QMdiSubWindow *h = window.showAnnex(QLatin1Char('H'), true);
    ASSERT_NE(h, nullptr);
    QWidget *dia = h->widget()->findChild<QWidget *>(QStringLiteral("edtDia"));
    dia->setFocus(Qt::TabFocusReason);
    for (const char *command : {"mniCascata", "mniHorizontal", "mniVertical"}) {
        window.command(QLatin1String(command))->trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), dia) << command;
    }
    // Tiled one above the other, eight windows scroll and none is wider
    // than the frame beside its scroll bar.
    window.command(QStringLiteral("mniHorizontal"))->trigger();
    QCoreApplication::processEvents();
    for (QMdiSubWindow *sub : window.mdiArea()->subWindowList())
        EXPECT_LE(sub->geometry().right(), window.mdiArea()->viewport()->width()) << qPrintable(sub->windowTitle());
}
