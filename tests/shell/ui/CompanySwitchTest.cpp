// Opening, creating or closing a company closes every window of the previous
// one first, the company windows outside the frame included: no window is
// left showing one company while the cursors write another.

#include "ShellFixture.h"
#include "shell/Messages.h"
#include "shell/ui/DeletionWindow.h"
#include "shell/ui/EmpresaQuirels.h"
#include "shell/ui/NovaQuirels.h"
#include "shell/ui/NumberEdit.h"
#include "shell/ui/OpenPeriodDialog.h"
#include "shell/ui/Periodo.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace quirels;
using namespace quirels::test;
using Kind = ScriptedDialogs::Kind;
namespace msg = quirels::shell::msg;

namespace {

// Runs `fn` on the modal dialog of type T once it is up.
template <typename T>
void onModal(std::function<void(T &)> fn)
{
    QTimer::singleShot(0, [fn] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        fn(*dialog);
    });
}

void choosePeriod(QWidget &d, const char *month, const char *year)
{
    auto *m = d.findChild<QComboBox *>(QStringLiteral("cmbMes"));
    auto *y = d.findChild<QComboBox *>(QStringLiteral("cmbAno"));
    ASSERT_TRUE(m && y);
    m->setCurrentIndex(m->findText(QLatin1String(month)));
    y->setCurrentIndex(y->findText(QLatin1String(year)));
}

// Types into a control of a window and leaves it with Tab.
void enter(QWidget &root, const char *name, const QString &text)
{
    QWidget *w = root.findChild<QWidget *>(QLatin1String(name));
    ASSERT_NE(w, nullptr) << name;
    w->setFocus(Qt::TabFocusReason);
    if (auto *c = qobject_cast<QComboBox *>(w)) {
        const int i = c->findText(text);
        c->setCurrentIndex(i);
        emit c->activated(i);
    } else if (auto *e = qobject_cast<QLineEdit *>(w)) {
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
}

} // namespace

class CompanySwitch : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        addCompany(kCnpj, {7});  // storage: annexes XI-D and XI-E
        addCompany(kCpf, {7});
        window->resize(1024, 740);
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // F2 with a registered number and its registered month: the company
    // window of that company is left open beside the main window.
    void registerAgain(const QString &number)
    {
        dialogs.expect(Kind::Confirm, msg::kPeriodoJaExiste, Answer::Yes);
        onModal<TfrmNovaQuirels>([number](TfrmNovaQuirels &d) {
            d.numberField()->setFocus();
            QTest::keyClicks(d.numberField(), number);
            QTest::keyClicks(d.nameField(), QStringLiteral("OUTRO NOME"));
            onModal<TfrmPeriodo>([](TfrmPeriodo &p) {
                choosePeriod(p, "MAR", "2005");
                QTest::mouseClick(p.findChild<QPushButton *>(QStringLiteral("btnOk")), Qt::LeftButton);
            });
            QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("btnOk")), Qt::LeftButton);
        });
        QApplication::setActiveWindow(window.get());
        QTest::keyClick(window.get(), Qt::Key_F2);
    }

    // Back in the main window, F3 and the month of another company.
    void openWithF3(const QString &key)
    {
        QApplication::setActiveWindow(window.get());
        onModal<TfrmAbrirQuirels>([key](TfrmAbrirQuirels &d) {
            d.seek(key);
            ASSERT_EQ(d.currentCompany(), key);
            choosePeriod(d, "MAR", "2005");
            QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("btnOk")), Qt::LeftButton);
        });
        QTest::keyClick(window.get(), Qt::Key_F3);
    }

    QString header(QChar letter, const char *field)
    {
        QMdiSubWindow *sub = window->annexWindow(letter);
        auto *e = sub ? sub->widget()->findChild<QLineEdit *>(QLatin1String(field)) : nullptr;
        return e ? e->displayText() : QString();
    }
};

TEST_F(CompanySwitch, OpeningAnotherCompanyClosesTheCompanyWindowOfTheFirst)
{
    registerAgain(kCnpj);
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    TfrmEmpresaQuirels *info = window->companyWindow();
    ASSERT_TRUE(info->isVisible());
    EXPECT_EQ(info->openingKey(), kCnpj);
    EXPECT_TRUE(window->companyOpen());
    // A change typed into it is written when F3 closes it (the registered
    // company keeps its name: the one typed at registration is not taken).
    info->nameField()->setFocus();
    QTest::keyClicks(info->nameField(), QStringLiteral(" X"));

    openWithF3(kCpf);
    EXPECT_FALSE(info->isVisible());
    EXPECT_EQ(store.scalar(QStringLiteral("select NmRazao from Empresa where CdCNPJEmpr = '%1'").arg(kCnpj)).toString(),
              QStringLiteral("EMPRESA X"));
    EXPECT_EQ(window->currentPeriod(), (PeriodKey{kCpf, QStringLiteral("2005"), QStringLiteral("MAR")}));
    // The first company's windows did not come back: every window is the
    // second's.
    const QList<QMdiSubWindow *> subs = window->mdiArea()->subWindowList();
    ASSERT_FALSE(subs.isEmpty());
    for (QMdiSubWindow *sub : subs) {
        auto *key = sub->widget()->findChild<QLineEdit *>(QStringLiteral("edtCdCNPJEmpr"));
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->displayText(), QStringLiteral("123.456.789-09")) << qPrintable(sub->windowTitle());
    }
    // Closing the company window again (it is closed) changes nothing.
    info->close();
    EXPECT_EQ(window->currentPeriod().cnpj, kCpf);

    // Novo and save in XI-D: the row goes to the company every header shows.
    QMdiSubWindow *d = window->showAnnex(QLatin1Char('D'));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(header(QLatin1Char('D'), "edtCdCNPJEmpr"), QStringLiteral("123.456.789-09"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
    enter(*d->widget(), "edtCodigoProduto", QStringLiteral("29023000"));
    enter(*d->widget(), "edtConcentracao", QStringLiteral("100"));
    enter(*d->widget(), "edtEstoqueAnterior", QStringLiteral("5"));
    enter(*d->widget(), "edtEstoqueAtual", QStringLiteral("2"));
    enter(*d->widget(), "cmbUnidade", QStringLiteral("Kg"));
    enter(*d->widget(), "edtCNPJ", kCnpj);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(store.scalar(QStringLiteral("select group_concat(CdCNPJEmpr) from Armazenagem")).toString(), kCpf);
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    EXPECT_EQ(dialogs.texts(), QStringList{msg::kPeriodoJaExiste});
}

TEST_F(CompanySwitch, NewAndCloseCompanyCloseTheCompanyWindowsToo)
{
    // Close company: the company window writes its row and opens nothing.
    registerAgain(kCnpj);
    TfrmEmpresaQuirels *info = window->companyWindow();
    ASSERT_TRUE(info->isVisible());
    window->command(QStringLiteral("mniFecharEmpresa"))->trigger();
    EXPECT_FALSE(info->isVisible());
    EXPECT_FALSE(window->companyOpen());
    EXPECT_TRUE(window->mdiArea()->subWindowList().isEmpty());

    // The deletion window of the open company closes when F2 asks to close
    // the company, before another can be registered.
    openWithF3(kCnpj);
    window->command(QStringLiteral("mniExcluirMovimento"))->trigger();
    auto *deletion = window->findChild<TfrmExclusaoQuirels *>();
    ASSERT_TRUE(deletion && deletion->isVisible());
    dialogs.expect(Kind::Confirm, msg::kFecharEmpresaAtual, Answer::Yes);
    onModal<TfrmNovaQuirels>([](TfrmNovaQuirels &d) { d.reject(); });
    QApplication::setActiveWindow(window.get());
    QTest::keyClick(window.get(), Qt::Key_F2);
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    EXPECT_FALSE(deletion->isVisible());
    EXPECT_FALSE(window->companyOpen());

    // With the company window the only window open, F2 asks too.
    registerAgain(kCnpj);
    ASSERT_TRUE(info->isVisible());
    dialogs.expect(Kind::Confirm, msg::kFecharEmpresaAtual, Answer::No);
    QApplication::setActiveWindow(window.get());
    QTest::keyClick(window.get(), Qt::Key_F2);
    EXPECT_TRUE(info->isVisible());
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
}

TEST_F(CompanySwitch, TheOpenedCompanyStaysWhenTheOpenDialogGetsTheFocusAgain)
{
    // The second company is chosen in the grid; opening its month reads the
    // companies again, and the grid then takes the focus once more (the
    // dialog active again after a question): the cursors stay on it.
    TfrmAbrirQuirels dialog(window->dataModule(), dialogs, [this](const PeriodKey &period) {
        ASSERT_TRUE(window->setCurrentPeriod(period));
        window->openAnnexWindows();
    }, window.get());
    auto *grid = dialog.findChild<QTableView *>(QStringLiteral("grdEmpresa"));
    ASSERT_NE(grid, nullptr);
    dialog.show();
    grid->setFocus();
    grid->selectRow(1);
    const QString chosen = dialog.currentCompany();
    ASSERT_EQ(chosen, kCpf);
    choosePeriod(dialog, "MAR", "2005");
    dialog.open();
    QFocusEvent again(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(grid, &again);
    EXPECT_EQ(window->currentPeriod(), (PeriodKey{chosen, QStringLiteral("2005"), QStringLiteral("MAR")}));
    EXPECT_EQ(header(QLatin1Char('D'), "edtNrAno"), QStringLiteral("2005"));
}
