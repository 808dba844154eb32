#include "entry/Messages.h"
#include "entry/ui/PesqProdutos.h"
#include "reports/ui/PreviewWindow.h"
#include "shell/ui/MainWindow.h"
#include "store/Cursor.h"
#include "store/DataModule.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace quirels;
using entry::TfrmPesqProdutos;
namespace msg = quirels::entry::msg;

namespace {

// Seven products whose name order and code order differ.
const char *const kProducts[][2] = {
    {"2914.11.00", "ACETONA"},    {"2915.24.00", "ANIDRIDO ACETICO"}, {"2806.10.20", "CLORIDRICO"},
    {"2807.00.90", "OLEUM"},      {"2841.61.00", "PERMANGANATO DE POTASSIO"},
    {"2807.00.10", "SULFURICO"},  {"2902.30.00", "TOLUENO"},
};

// What has been typed into the field, without the mask's dots and blanks.
QString typed(const QLineEdit *edit)
{
    QString t = edit->displayText();
    t.remove(QLatin1Char('_')).remove(QLatin1Char('.')).remove(QLatin1Char(' '));
    return t;
}

class ProductSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store.exec(QStringLiteral("delete from ProdutoControlado"));
        for (const auto &p : kProducts)
            store.exec(QStringLiteral("insert into ProdutoControlado (CdNCM, NmProdutoControlado) values ('%1', '%2')")
                           .arg(QString::fromLatin1(p[0]), QString::fromLatin1(p[1])));
        MainWindow::Options o;
        o.dialogs = &dialogs;
        o.dataFolder = store.folder();
        window = std::make_unique<MainWindow>(o);
        window->show();
    }

    void TearDown() override
    {
        window->close();
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(dialogs.failures.isEmpty()) << qPrintable(dialogs.failures.join(QLatin1Char('|')));
    }

    // "Pesquisar Produtos"; the window that is showing afterwards.
    TfrmPesqProdutos *openSearch()
    {
        window->command(QStringLiteral("mniPesquisarProdutos"))->trigger();
        TfrmPesqProdutos *found = nullptr;
        for (auto *w : window->findChildren<TfrmPesqProdutos *>())
            if (w->isVisible())
                found = w;
        return found;
    }

    template <class T> static T *child(QWidget *w, const char *name) { return w->findChild<T *>(QString::fromLatin1(name)); }
    store::Cursor &produtos() { return window->dataModule().lkpProdutoControlado(); }
    QString current(const char *field) { return produtos().value(QString::fromLatin1(field)).toString(); }

    QList<reports::ui::TfrmPreview *> previews() const
    {
        QList<reports::ui::TfrmPreview *> out;
        for (QMdiSubWindow *sub : window->mdiArea()->subWindowList())
            if (auto *p = qobject_cast<reports::ui::TfrmPreview *>(sub->widget()))
                out.append(p);
        return out;
    }

    test::TempStore store;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST_F(ProductSearchTest, TypingMovesToTheNearestRowInNameAndCodeModeWithoutFiltering)
{
    TfrmPesqProdutos *search = openSearch();
    ASSERT_NE(search, nullptr);
    auto *edit = child<QLineEdit>(search, "edtPesquisa");
    auto *grid = child<QTableView>(search, "grdPesquisar");
    EXPECT_EQ(search->windowTitle(), msg::kPesqCaption);
    EXPECT_EQ(search->mode(), TfrmPesqProdutos::Mode::Nome);
    EXPECT_TRUE(child<QRadioButton>(search, "rbNomeProduto")->isChecked());
    EXPECT_EQ(child<QLabel>(search, "lblPesquisa")->text(), msg::kPesqLabelNome);
    EXPECT_EQ(current("NmProdutoControlado"), QStringLiteral("ACETONA"));

    struct Case {
        TfrmPesqProdutos::Mode mode;
        const char *typed;
        const char *shown;  // the field's text afterwards
        const char *name;   // the row the grid is on
    };
    const Case cases[] = {
        // No name starts with ACG: the first name after it. Typed letters become upper case.
        {TfrmPesqProdutos::Mode::Nome, "acg", "ACG", "ANIDRIDO ACETICO"},
        {TfrmPesqProdutos::Mode::Nome, "PERM", "PERM", "PERMANGANATO DE POTASSIO"},
        {TfrmPesqProdutos::Mode::Nome, "B", "B", "CLORIDRICO"},
        // After every name: the last row.
        {TfrmPesqProdutos::Mode::Nome, "ZZ", "ZZ", "TOLUENO"},
        {TfrmPesqProdutos::Mode::Codigo, "2807", "2807.__.__", "SULFURICO"},
        {TfrmPesqProdutos::Mode::Codigo, "28", "28__.__.__", "CLORIDRICO"},
        {TfrmPesqProdutos::Mode::Codigo, "2808", "2808.__.__", "PERMANGANATO DE POTASSIO"},
        {TfrmPesqProdutos::Mode::Codigo, "291", "291_.__.__", "ACETONA"},
        {TfrmPesqProdutos::Mode::Codigo, "280700", "2807.00.__", "SULFURICO"},
        {TfrmPesqProdutos::Mode::Codigo, "2807009", "2807.00.9_", "OLEUM"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        search->setMode(c.mode);
        EXPECT_EQ(typed(edit), QString());
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(edit->displayText(), QString::fromLatin1(c.shown));
        EXPECT_EQ(current("NmProdutoControlado"), QString::fromLatin1(c.name));
        EXPECT_EQ(grid->currentIndex().row(), produtos().row());
        EXPECT_EQ(grid->model()->rowCount(), 7);
    }
}

TEST_F(ProductSearchTest, ChoosingCodeModeEmptiesTheFieldAndOrdersByCode)
{
    TfrmPesqProdutos *search = openSearch();
    ASSERT_NE(search, nullptr);
    auto *edit = child<QLineEdit>(search, "edtPesquisa");
    auto *grid = child<QTableView>(search, "grdPesquisar");
    QTest::keyClicks(edit, QStringLiteral("TOL"));
    EXPECT_EQ(current("NmProdutoControlado"), QStringLiteral("TOLUENO"));

    child<QRadioButton>(search, "rbCodigoNCM")->click();
    EXPECT_EQ(search->mode(), TfrmPesqProdutos::Mode::Codigo);
    EXPECT_EQ(child<QLabel>(search, "lblPesquisa")->text(), msg::kPesqLabelCodigo);
    EXPECT_EQ(edit->displayText(), QStringLiteral("____.__.__"));
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("2806.10.20"));
    EXPECT_EQ(grid->model()->index(6, 0).data().toString(), QStringLiteral("2915.24.00"));
    EXPECT_EQ(current("CdNCM"), QStringLiteral("2806.10.20"));
    // Letters do not get into a code.
    QTest::keyClicks(edit, QStringLiteral("a2807"));
    EXPECT_EQ(current("CdNCM"), QStringLiteral("2807.00.10"));

    child<QRadioButton>(search, "rbNomeProduto")->click();
    EXPECT_EQ(edit->text(), QString());
    EXPECT_EQ(grid->model()->index(0, 1).data().toString(), QStringLiteral("ACETONA"));
}

TEST_F(ProductSearchTest, ReopeningStartsInNameModeWithAnEmptyField)
{
    TfrmPesqProdutos *search = openSearch();
    ASSERT_NE(search, nullptr);
    // The command shows the one window it has.
    EXPECT_EQ(openSearch(), search);
    search->setMode(TfrmPesqProdutos::Mode::Codigo);
    QTest::keyClicks(child<QLineEdit>(search, "edtPesquisa"), QStringLiteral("2902"));
    QTest::keyClick(child<QLineEdit>(search, "edtPesquisa"), Qt::Key_Escape);
    EXPECT_FALSE(search->isVisible());
    // The shared cursor is back in name order.
    EXPECT_EQ(produtos().orderName(), QStringLiteral("idxNome"));

    TfrmPesqProdutos *again = openSearch();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->mode(), TfrmPesqProdutos::Mode::Nome);
    EXPECT_TRUE(child<QRadioButton>(again, "rbNomeProduto")->isChecked());
    EXPECT_EQ(child<QLineEdit>(again, "edtPesquisa")->text(), QString());
    EXPECT_TRUE(child<QLineEdit>(again, "edtPesquisa")->inputMask().isEmpty());
    EXPECT_EQ(child<QLabel>(again, "lblPesquisa")->text(), msg::kPesqLabelNome);
    // The closed one is gone.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChildren<TfrmPesqProdutos *>(), QList<TfrmPesqProdutos *>{again});
}

TEST_F(ProductSearchTest, PickingARowWritesItsNameOrCodeIntoTheField)
{
    TfrmPesqProdutos *search = openSearch();
    ASSERT_NE(search, nullptr);
    auto *edit = child<QLineEdit>(search, "edtPesquisa");
    auto *grid = child<QTableView>(search, "grdPesquisar");

    // A click on a cell of the fourth row in name mode.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(3, 0)).center());
    EXPECT_EQ(edit->text(), QStringLiteral("OLEUM"));
    EXPECT_EQ(produtos().row(), 3);

    // From the keyboard in code mode: down twice in the grid, then Enter.
    search->setMode(TfrmPesqProdutos::Mode::Codigo);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(current("CdNCM"), QStringLiteral("2807.00.90"));
    EXPECT_EQ(edit->displayText(), QStringLiteral("____.__.__"));
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(edit->displayText(), QStringLiteral("2807.00.90"));
    EXPECT_EQ(current("CdNCM"), QStringLiteral("2807.00.90"));
    EXPECT_TRUE(search->isVisible());
}

TEST_F(ProductSearchTest, KeyboardAloneInAWindowThatDoesNotBlock)
{
    TfrmPesqProdutos *search = openSearch();
    ASSERT_NE(search, nullptr);
    EXPECT_TRUE(search->isWindow());
    EXPECT_FALSE(search->isModal());
    EXPECT_EQ(search->parentWidget(), window.get());
    EXPECT_TRUE(window->frameGeometry().contains(search->geometry()));
    search->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(search));
    auto *edit = child<QLineEdit>(search, "edtPesquisa");
    auto *grid = child<QTableView>(search, "grdPesquisar");
    EXPECT_EQ(QApplication::focusWidget(), edit);

    // Arrows in the field move the grid; Enter there picks the row.
    QTest::keyClicks(edit, QStringLiteral("P"));
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(current("NmProdutoControlado"), QStringLiteral("SULFURICO"));
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Enter);
    EXPECT_EQ(edit->text(), QStringLiteral("PERMANGANATO DE POTASSIO"));
    EXPECT_TRUE(search->isVisible());

    // Tab goes into the grid and out of it again.
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), grid);
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), child<QPushButton>(search, "btnFechar"));
    // Typing on the grid goes on in the field.
    grid->setFocus();
    QTest::keyClicks(grid, QStringLiteral("x"));
    EXPECT_EQ(edit->text(), QStringLiteral("PERMANGANATO DE POTASSIOX"));
    EXPECT_EQ(QApplication::focusWidget(), edit);

    // Back to the choices: an arrow takes code mode and the focus returns to the field.
    QTest::keyClick(edit, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), child<QRadioButton>(search, "rbNomeProduto"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    QCoreApplication::processEvents();
    EXPECT_EQ(search->mode(), TfrmPesqProdutos::Mode::Codigo);
    EXPECT_EQ(QApplication::focusWidget(), edit);
    // Enter there picks no button.
    QTest::keyClick(child<QRadioButton>(search, "rbCodigoNCM"), Qt::Key_Return);
    EXPECT_TRUE(search->isVisible());

    // Alt+F closes (the button shows its press first).
    const QPointer<TfrmPesqProdutos> alive(search);
    QTest::keyClick(edit, Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !alive || !alive->isVisible(); }));
}

TEST_F(ProductSearchTest, PrintListsTheProductsInTheOrderOfTheMode)
{
    // The listing's page text: where two products stand.
    const auto order = [](const reports::ui::TfrmPreview *p) {
        const QString text = p->page(1).text();
        return text.indexOf(QStringLiteral("CLORIDRICO")) < text.indexOf(QStringLiteral("ACETONA")) ? QStringLiteral("code")
                                                                                                     : QStringLiteral("name");
    };

    TfrmPesqProdutos *search = openSearch();
    ASSERT_NE(search, nullptr);
    search->setMode(TfrmPesqProdutos::Mode::Codigo);
    const QPointer<TfrmPesqProdutos> alive(search);
    child<QPushButton>(search, "btnImprimir")->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(!alive || !alive->isVisible());
    ASSERT_EQ(previews().size(), 1);
    reports::ui::TfrmPreview *first = previews().at(0);
    EXPECT_EQ(first->title(), QString::fromUtf8("Relação de Produtos Controlados"));
    EXPECT_TRUE(first->finished());
    EXPECT_TRUE(first->page(1).text().contains(QString::fromUtf8("RELAÇÃO DOS PRODUTOS CONTROLADOS")));
    EXPECT_EQ(order(first), QStringLiteral("code"));

    // While that listing is shown, printing again makes no second one.
    search = openSearch();
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(search->mode(), TfrmPesqProdutos::Mode::Nome);
    child<QPushButton>(search, "btnImprimir")->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(previews().size(), 1);

    first->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(previews().isEmpty());
    search = openSearch();
    ASSERT_NE(search, nullptr);
    child<QPushButton>(search, "btnImprimir")->click();
    QCoreApplication::processEvents();
    ASSERT_EQ(previews().size(), 1);
    EXPECT_EQ(order(previews().at(0)), QStringLiteral("name"));
}
