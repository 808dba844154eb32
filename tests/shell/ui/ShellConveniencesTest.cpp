// The main window's conveniences for a keyboard clerk: the "Janela" menu
// lists the open windows, a hint goes with the dialog that showed it, the
// Open button's drop-down holds the invoice import, and a long window
// caption shows whole inside its window.

#include "ShellFixture.h"
#include "shell/ui/OpenPeriodDialog.h"
#include "store/DataModule.h"

#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusTipEvent>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using namespace quirels;
using namespace quirels::test;

namespace {

QList<QAction *> listedWindows(QMenu *menu)
{
    emit menu->aboutToShow();
    QList<QAction *> out;
    for (QAction *a : menu->actions())
        if (a->objectName().startsWith(QLatin1String("mniJanela")))
            out.append(a);
    return out;
}

} // namespace

TEST_F(ShellTest, JanelaListsTheOpenWindowsAndActivatesTheChosenOne)
{
    addCompany(kCnpj, {1, 4});
    window->show();
    openPeriod(kCnpj);
    QMenu *janela = window->menu(QStringLiteral("mnuJanela"));
    QList<QAction *> items = listedWindows(janela);
    // XI-G, then XI-A (opened last, active).
    ASSERT_EQ(items.size(), 2);
    EXPECT_TRUE(items.at(0)->text().startsWith(QStringLiteral("&1 Anexo XI-G"))) << qPrintable(items.at(0)->text());
    EXPECT_TRUE(items.at(1)->text().startsWith(QStringLiteral("&2 Anexo XI-A"))) << qPrintable(items.at(1)->text());
    EXPECT_FALSE(items.at(0)->isChecked());
    EXPECT_TRUE(items.at(1)->isChecked());

    items.at(0)->trigger();
    EXPECT_EQ(window->mdiArea()->activeSubWindow(), window->annexWindow(QLatin1Char('G')));
    // A minimised window comes back.
    window->annexWindow(QLatin1Char('A'))->showMinimized();
    items = listedWindows(janela);
    ASSERT_EQ(items.size(), 2);
    items.at(1)->trigger();
    EXPECT_EQ(window->mdiArea()->activeSubWindow(), window->annexWindow(QLatin1Char('A')));
    EXPECT_FALSE(window->annexWindow(QLatin1Char('A'))->isMinimized());

    // A closed window leaves the list; with none open the list is empty.
    window->annexWindow(QLatin1Char('G'))->close();
    items = listedWindows(janela);
    ASSERT_EQ(items.size(), 1);
    EXPECT_TRUE(items.at(0)->text().startsWith(QStringLiteral("&1 Anexo XI-A")));
    ASSERT_TRUE(window->closeCompany());
    EXPECT_TRUE(listedWindows(janela).isEmpty());
}

TEST_F(ShellTest, AHintGoesAwayWithTheDialogThatShowedIt)
{
    addCompany(kCnpj, {1});
    window->show();
    TfrmAbrirQuirels dialog(window->dataModule(), dialogs, {}, window.get());
    dialog.show();
    auto *grid = dialog.findChild<QTableView *>(QStringLiteral("grdEmpresa"));
    ASSERT_NE(grid, nullptr);
    // The pointer rests on the grid: its long hint is shown.
    QStatusTipEvent tip(grid->statusTip());
    QCoreApplication::sendEvent(grid, &tip);
    EXPECT_EQ(window->message(), QStringLiteral("Selecione a Empresa que deseja abrir"));
    dialog.reject();
    EXPECT_EQ(window->message(), QString());

    // A hint of a window that stays keeps showing when another one closes.
    QWidget *button = window->openButton();
    QStatusTipEvent own(QStringLiteral("Abre uma empresa"));
    QCoreApplication::sendEvent(button, &own);
    TfrmAbrirQuirels other(window->dataModule(), dialogs, {}, window.get());
    other.show();
    other.reject();
    EXPECT_EQ(window->message(), QStringLiteral("Abre uma empresa"));
}

TEST_F(ShellTest, TheOpenDropDownHoldsTheInvoiceImport)
{
    QMenu *drop = window->openButton()->menu();
    ASSERT_NE(drop, nullptr);
    QAction *nfe = window->command(QStringLiteral("mniImportarNFe"));
    ASSERT_NE(nfe, nullptr);
    EXPECT_TRUE(drop->actions().contains(nfe));
    // Enabled with a period open, as its menu item.
    EXPECT_FALSE(nfe->isEnabled());
    addCompany(kCnpj, {1});
    openPeriod(kCnpj);
    EXPECT_TRUE(nfe->isEnabled());
}

TEST_F(ShellTest, TheAbrirEmpresaDialogHasAFixedSize)
{
    // No resizing handle of the window manager below its buttons.
    TfrmAbrirQuirels dialog(window->dataModule(), dialogs, {}, window.get());
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_GE(dialog.height(), dialog.minimumSizeHint().height());
}

TEST_F(ShellTest, AnAnnexWindowShowsItsWholeCaption)
{
    addCompany(kCnpj, {4});
    window->resize(1024, 700);
    window->show();
    openPeriod(kCnpj);
    QMdiSubWindow *g = window->annexWindow(QLatin1Char('G'));
    ASSERT_NE(g, nullptr);
    auto *caption = g->widget()->findChild<QLabel *>(QStringLiteral("lblTitulo"));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->text(), g->widget()->windowTitle());
    EXPECT_TRUE(caption->wordWrap());
    EXPECT_TRUE(caption->isVisible());
}

TEST_F(ShellTest, TheValidationReportWrapsItsLongLines)
{
    addCompany(kCnpj, {1});
    window->resize(1024, 700);
    window->show();
    openPeriod(kCnpj);
    window->command(QStringLiteral("mniValidar"))->trigger();
    auto *list = window->mdiArea()->findChild<QTreeWidget *>(QStringLiteral("lvwInconsistencia"));
    ASSERT_NE(list, nullptr);
    ASSERT_GT(list->topLevelItemCount(), 0);
    EXPECT_TRUE(list->wordWrap());
    // The first line made long: its row takes the lines its text needs.
    QTreeWidgetItem *first = list->topLevelItem(0);
    const int oneLine = list->visualItemRect(first).height();
    first->setText(0, QString(QStringLiteral("palavra ")).repeated(60));
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->visualItemRect(first).height() >= 2 * oneLine - 4; }));
}

TEST_F(ShellTest, TabbingThroughASavedProductChangesNothing)
{
    // The product's name is one of the list's: leaving its drop-down makes
    // the list pick that entry, which is no change.
    addCompany(kCnpj, {1});
    store.exec(QStringLiteral("insert into Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM, NmProduto, VlConcentracao, "
                              "VlDensidade, DsUnidade, QtEstoqueAnt, QtEstoqueAtual) values "
                              "('%1', '2005', 'MAR', '2902.30.00', 'TOLUENO', 99.5, 0.87, 'Kg', 100, 100)")
                   .arg(kCnpj));
    window->resize(1024, 700);
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    openPeriod(kCnpj);
    QWidget *a = window->annexWindow(QLatin1Char('A'))->widget();
    auto *name = a->findChild<QComboBox *>(QStringLiteral("cmbProdutos"));
    ASSERT_NE(name, nullptr);
    ASSERT_EQ(name->currentText(), QStringLiteral("TOLUENO"));
    name->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_FALSE(window->dataModule().produtos().isEditing());
    // Closing asks nothing: there is nothing to save.
    EXPECT_TRUE(window->closeCompany());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.texts().join(QLatin1Char('|')));
}
