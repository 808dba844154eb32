// The main window from the keyboard: every key has one owner, and the keys
// reach their commands.

#include "ShellFixture.h"
#include "shell/ui/EmpresaQuirels.h"
#include "shell/ui/OpenPeriodDialog.h"
#include "shell/ui/Splash.h"
#include "base/ui/QtTexts.h"
#include "base/ui/MessageBoxDialogs.h"
#include "store/DataModule.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace quirels;
using namespace quirels::test;

namespace {

// One bound key: who owns it and the part of the window where it works.
struct Binding {
    QKeySequence keys;
    QString owner;
    QWidget *reach;
};

QWidget *widgetAncestor(QObject *o)
{
    while (o && !o->isWidgetType())
        o = o->parent();
    return static_cast<QWidget *>(o);
}

// Every key sequence bound in the window. An action works in its child
// window (a child window's own menu) or in the whole main window; a
// shortcut of a part of the window works in that part.
QList<Binding> boundKeys(QWidget *root)
{
    QList<Binding> out;
    for (QAction *a : root->findChildren<QAction *>()) {
        QWidget *reach = root;
        for (QObject *o = a->parent(); o; o = o->parent())
            if (auto *sub = qobject_cast<QMdiSubWindow *>(o)) {
                reach = sub;
                break;
            }
        for (const QKeySequence &k : a->shortcuts())
            if (!k.isEmpty() && a->shortcutContext() != Qt::WidgetShortcut)
                out.append({k, a->objectName() + QLatin1Char('/') + a->text(), reach});
    }
    for (QShortcut *s : root->findChildren<QShortcut *>()) {
        QWidget *reach = s->context() == Qt::WindowShortcut ? widgetAncestor(s->parent())->window()
                                                            : widgetAncestor(s->parent());
        for (const QKeySequence &k : s->keys())
            if (!k.isEmpty() && s->context() != Qt::WidgetShortcut)
                out.append({k, QStringLiteral("shortcut in ") + reach->objectName(), reach});
    }
    return out;
}

} // namespace

TEST_F(ShellTest, EveryKeyHasOneOwner)
{
    // Without a company, with the windows of one open, and with a report's
    // options dialog and preview open as well.
    for (int round = 0; round < 3; ++round) {
        if (round == 1) {
            addCompany(kCpf, {9});
            openPeriod(kCpf);
            window->showAnnex(QLatin1Char('B'));
        }
        if (round == 2) {
            store.exec(QStringLiteral("insert into Movimentacao (CdCNPJEmpr, NrAno, NmMes, NrDia, NrCFOP, VlQuantidade)"
                                      " values ('%1', '2005', 'MAR', '02', '1.102', 1)").arg(kCpf));
            window->command(QStringLiteral("mniMovimentacaoProdutosRel"))->trigger();
            auto *options = window->findChild<QDialog *>(QStringLiteral("TfrmConfigRelatorio"));
            ASSERT_NE(options, nullptr);
            options->findChild<QPushButton *>(QStringLiteral("btnImprimir"))->click();
            ASSERT_NE(window->findChild<QWidget *>(QStringLiteral("TfrmPreview")), nullptr);
        }
        const QList<Binding> keys = boundKeys(window.get());
        for (qsizetype i = 0; i < keys.size(); ++i)
            for (qsizetype j = i + 1; j < keys.size(); ++j) {
                const Binding &a = keys.at(i);
                const Binding &b = keys.at(j);
                // Two owners meet where one's part of the window holds the other's.
                const bool meet = a.reach == b.reach || a.reach->isAncestorOf(b.reach) || b.reach->isAncestorOf(a.reach);
                EXPECT_FALSE(a.keys == b.keys && meet)
                    << qPrintable(a.keys.toString()) << ": " << qPrintable(a.owner) << " and " << qPrintable(b.owner);
            }
        EXPECT_GE(keys.size(), 8);
    }
}

// Every menu of the main window (the menu bar, its menus and submenus, the
// open button's drop-down): each visible item has an Alt letter, and no two
// items of one menu share it.
TEST_F(ShellTest, EveryMenuItemHasItsOwnAltLetter)
{
    QList<QPair<QString, QList<QAction *>>> menus{{QStringLiteral("menu bar"), window->menuBar()->actions()}};
    for (qsizetype i = 0; i < menus.size(); ++i)
        for (QAction *a : menus.at(i).second)
            if (a->menu())
                menus.append({a->menu()->objectName(), a->menu()->actions()});
    menus.append({QStringLiteral("open button"), window->openButton()->menu()->actions()});
    EXPECT_GE(menus.size(), 8);
    for (const auto &[name, actions] : menus) {
        QHash<QKeySequence, QString> owners;
        for (QAction *a : actions) {
            if (a->isSeparator() || !a->isVisible())
                continue;
            const QKeySequence key = QKeySequence::mnemonic(a->text());
            EXPECT_FALSE(key.isEmpty()) << qPrintable(name) << ": " << qPrintable(a->text());
            if (key.isEmpty())
                continue;
            EXPECT_FALSE(owners.contains(key)) << qPrintable(name) << ": " << qPrintable(key.toString()) << " for "
                                               << qPrintable(owners.value(key)) << " and " << qPrintable(a->text());
            owners.insert(key, a->text());
        }
    }
}

TEST_F(ShellTest, MenuAltLettersReachTheirCommands)
{
    QStringList ran;
    for (const QString &screen : {screens::kAbrirEmpresa, screens::kPesquisaProdutos, screens::kResponsavel})
        window->registerScreen(screen, [&ran, screen](const QString &) {
            ran.append(screen);
            return false;
        });
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    addCompany(kCpf, {1});
    openPeriod(kCpf);
    const auto keys = [this](std::initializer_list<Qt::Key> letters) {
        // The offscreen platform leaves a closed menu as the active window.
        QApplication::setActiveWindow(window.get());
        QTest::keyClick(window.get(), *letters.begin(), Qt::AltModifier);
        for (auto k = letters.begin() + 1; k != letters.end(); ++k) {
            QWidget *popup = QApplication::activePopupWidget();
            ASSERT_NE(popup, nullptr);
            QTest::keyClick(popup, *k);
        }
        QCoreApplication::processEvents();
    };
    keys({Qt::Key_M, Qt::Key_P});
    keys({Qt::Key_A, Qt::Key_P});
    keys({Qt::Key_A, Qt::Key_A, Qt::Key_E});
    EXPECT_EQ(ran, (QStringList{screens::kPesquisaProdutos, screens::kResponsavel, screens::kAbrirEmpresa}));
}

TEST_F(ShellTest, FunctionKeysRunTheirCommands)
{
    int opened = 0;
    window->registerScreen(screens::kAbrirEmpresa, [&opened](const QString &) {
        ++opened;
        return false;
    });
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_F3);
    EXPECT_EQ(opened, 1);
    // The open button's drop-down item runs the same command.
    window->openButton()->menu()->actions().constFirst()->trigger();
    EXPECT_EQ(opened, 2);
}

TEST_F(ShellTest, ControlKeysCloseAndCycleTheChildWindows)
{
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    addCompany(kCpf, {4, 7});
    openPeriod(kCpf);
    QMdiArea *mdi = window->mdiArea();
    const QList<QMdiSubWindow *> subs = mdi->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(subs.size(), 2);
    mdi->setActiveSubWindow(subs[0]);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_Tab,
                    Qt::ControlModifier);
    EXPECT_EQ(mdi->activeSubWindow(), subs[1]);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(mdi->activeSubWindow(), subs[0]);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_F4,
                    Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(mdi->subWindowList().size(), 1);
}

TEST_F(ShellTest, TabLeavesTheCompanyGridArrowsMoveInIt)
{
    addCompany(kCnpj, {1});
    addCompany(kCpf, {1});
    TfrmAbrirQuirels dlg(window->dataModule(), dialogs, nullptr);
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    auto *grid = dlg.findChild<QTableView *>(QStringLiteral("grdEmpresa"));
    ASSERT_NE(grid, nullptr);
    grid->setFocus();
    const QString first = dlg.currentCompany();
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_NE(dlg.currentCompany(), first);
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("cmbMes"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("cmbAno"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), grid);
}

TEST_F(ShellTest, AboutShowsVersionAndReferenceTables)
{
    std::unique_ptr<QDialog> box(createAbout(window->db(), window.get()));
    EXPECT_TRUE(box->findChild<QLabel *>(QStringLiteral("lblVersao"))->text().contains(applicationVersion()));
    const QRegularExpression dated(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \u2014 \\d+ registros$"));
    for (const char *table : {"ProdutoControlado", "Cnae", "CFOP", "Paises"}) {
        auto *l = box->findChild<QLabel *>(QStringLiteral("lbl") + QLatin1String(table));
        ASSERT_NE(l, nullptr) << table;
        EXPECT_TRUE(dated.match(l->text()).hasMatch()) << qPrintable(l->text());
    }
    // Not the start-up picture with its "Carregando...".
    for (QLabel *l : box->findChildren<QLabel *>())
        EXPECT_FALSE(l->text().contains(QStringLiteral("Carregando")));
}

TEST(QtTexts, StandardButtonsInPortuguese)
{
    if (!installQtTranslations())
        GTEST_SKIP() << "Qt's Portuguese translations are not installed";
    QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Yes);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Cancelar"));
}

TEST_F(ShellTest, ErrorBoxesAreTitledErro)
{
    MessageBoxDialogs boxes(window.get());
    QStringList titles;
    auto closeNext = [&titles] {
        QTimer::singleShot(0, [&titles] {
            if (QWidget *w = QApplication::activeModalWidget()) {
                titles.append(w->windowTitle());
                w->close();
            }
        });
    };
    closeNext();
    boxes.error(QStringLiteral("falhou"));
    closeNext();
    boxes.information(QStringLiteral("aviso"));
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Erro"), QStringLiteral("Quirels")}));
}

TEST_F(ShellTest, DeletionWindowOpensInsideTheMainWindowAsItsDialog)
{
    window->setGeometry(200, 150, 900, 640);
    window->show();
    addCompany(kCpf, {1});
    openPeriod(kCpf);
    window->runScreen(screens::kExclusao);
    auto *w = window->findChild<QWidget *>(QStringLiteral("frmExclusaoQuirels"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowType(), Qt::Dialog);
    EXPECT_FALSE(w->isModal());
    EXPECT_TRUE(window->geometry().contains(w->geometry()))
        << w->geometry().x() << "," << w->geometry().y() << " " << w->width() << "x" << w->height();
    w->close();
}

TEST_F(ShellTest, TiledEntryScreensKeepTheirSmallestUsableSize)
{
    window->resize(1024, 700);
    window->show();
    addCompany(kCpf, {9});
    openPeriod(kCpf);
    window->showAnnex(QLatin1Char('B'));
    // An annex window opens maximised.
    EXPECT_TRUE(window->annexWindow(QLatin1Char('B'))->isMaximized());
    window->command(QStringLiteral("mniHorizontal"))->trigger();
    QCoreApplication::processEvents();
    QMdiSubWindow *b = window->annexWindow(QLatin1Char('B'));
    ASSERT_NE(b, nullptr);
    QWidget *screen = b->widget();
    EXPECT_GE(screen->height(), screen->minimumSizeHint().height());
    EXPECT_GE(screen->width(), screen->minimumSizeHint().width());
    auto *memo = screen->findChild<QPlainTextEdit *>(QStringLiteral("memObservacoesAnexoB"));
    ASSERT_NE(memo, nullptr);
    EXPECT_GE(memo->height(), memo->fontMetrics().lineSpacing() * 3);
    // The frame scrolls to what does not fit.
    EXPECT_EQ(window->mdiArea()->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
}

TEST_F(ShellTest, TabGoesThroughTheCompanyWindowAsItReads)
{
    addCompany(kCpf, {9});
    ASSERT_TRUE(window->setCurrentPeriod(PeriodKey{kCpf, QStringLiteral("2005"), QStringLiteral("MAR")}));
    TfrmEmpresaQuirels *w = window->companyWindow();
    w->showNonModal();
    QApplication::setActiveWindow(w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    w->findChild<QWidget *>(QStringLiteral("edtRazao"))->setFocus(Qt::TabFocusReason);
    QStringList order;
    for (int i = 0; i < 18; ++i) {
        order.append(QApplication::focusWidget()->objectName());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // Group IX is ticked: its description, beside it, comes next.
    EXPECT_EQ(order, (QStringList{QStringLiteral("edtRazao"), QStringLiteral("edtCNPJ"), QStringLiteral("edtCLF"),
                                  QStringLiteral("cmbGrupoPrincipal"), QStringLiteral("chkGrupoI"),
                                  QStringLiteral("chkGrupoII"), QStringLiteral("chkGrupoIII"),
                                  QStringLiteral("chkGrupoIV"), QStringLiteral("chkGrupoV"),
                                  QStringLiteral("chkGrupoVI"), QStringLiteral("chkGrupoVII"),
                                  QStringLiteral("chkGrupoVIII"), QStringLiteral("chkGrupoIX"),
                                  QStringLiteral("edtDsGrupoIX"), QStringLiteral("cmbCdCNAE"), QStringLiteral("cmbCNAE"),
                                  QStringLiteral("btnFechar"), QStringLiteral("edtRazao")}));
    w->close();
}
