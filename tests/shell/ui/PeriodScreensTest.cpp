// The open dialog, the deletion window and the responsible-person dialog as
// the main window's commands run them.

#include "ShellFixture.h"
#include "shell/Messages.h"
#include "shell/ui/DeletionWindow.h"
#include "shell/ui/OpenPeriodDialog.h"
#include "shell/ui/ResponsibleDialog.h"
#include "store/DataModule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace quirels;
using namespace quirels::test;
using Kind = ScriptedDialogs::Kind;

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

} // namespace

TEST_F(ShellTest, OpenCommandCreatesThePeriodAndOpensItsWindows)
{
    addCompany(kCnpj, {1});
    dialogs.expect(Kind::Confirm, shell::msg::kIncluirPeriodo, Answer::Yes);
    dialogs.expect(Kind::Information, shell::msg::kDadosImportados);
    onModal<TfrmAbrirQuirels>([](TfrmAbrirQuirels &d) {
        auto *m = d.findChild<QComboBox *>(QStringLiteral("cmbMes"));
        auto *y = d.findChild<QComboBox *>(QStringLiteral("cmbAno"));
        m->setCurrentIndex(m->findText(QStringLiteral("ABR")));
        y->setCurrentIndex(y->findText(QStringLiteral("2005")));
        QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("btnOk")), Qt::LeftButton);
    });
    window->command(QStringLiteral("mniAbrirEmpresa"))->trigger();
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    EXPECT_EQ(window->currentPeriod(), (PeriodKey{kCnpj, QStringLiteral("2005"), QStringLiteral("ABR")}));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Mes where NmMes = 'ABR'")), 1);
    EXPECT_FALSE(enabled("mniBackup"));
    EXPECT_TRUE(window->companyOpen());
    EXPECT_NE(window->annexWindow(QLatin1Char('A')), nullptr);
}

// The open dialog lists the chosen company's months and starts on the month
// after its last one; the deletion window starts on the open month.
TEST_F(ShellTest, PeriodWindowsStartOnTheOpenMonthOrAfterTheLastOne)
{
    addCompany(kCnpj, {1});
    store.exec(QStringLiteral("insert into Mes (CdCNPJEmpr, NrAno, NmMes) values ('%1', '2004', 'DEZ')").arg(kCnpj));
    QStringList listed;
    QString month, year;
    onModal<TfrmAbrirQuirels>([&](TfrmAbrirQuirels &d) {
        for (int i = 0; i < d.monthList()->count(); ++i)
            listed.append(d.monthList()->item(i)->text());
        month = d.monthPicker()->currentText();
        year = d.yearPicker()->currentText();
        // A month of the list goes to the pickers; Enter there opens it.
        d.monthList()->setCurrentRow(0);
        EXPECT_EQ(d.monthPicker()->currentText(), QStringLiteral("DEZ"));
        EXPECT_EQ(d.yearPicker()->currentText(), QStringLiteral("2004"));
        d.monthList()->setFocus();
        QTest::keyClick(d.monthList(), Qt::Key_Return);
    });
    window->command(QStringLiteral("mniAbrirEmpresa"))->trigger();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("DEZ/2004"), QStringLiteral("MAR/2005")}));
    EXPECT_EQ(month + QLatin1Char('/') + year, QStringLiteral("ABR/2005"));
    ASSERT_EQ(window->currentPeriod(), (PeriodKey{kCnpj, QStringLiteral("2004"), QStringLiteral("DEZ")}));

    window->command(QStringLiteral("mniExcluirMovimento"))->trigger();
    auto *w = window->findChild<TfrmExclusaoQuirels *>();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->findChild<QComboBox *>(QStringLiteral("cmbMes"))->currentText(), QStringLiteral("DEZ"));
    EXPECT_EQ(w->findChild<QComboBox *>(QStringLiteral("cmbAno"))->currentText(), QStringLiteral("2004"));
    w->close();
}

TEST_F(ShellTest, DeletionWindowClosesTheCompanyAndReconnects)
{
    addCompany(kCnpj, {1});
    openPeriod(kCnpj);
    ASSERT_TRUE(window->companyOpen());
    window->command(QStringLiteral("mniExcluirMovimento"))->trigger();
    auto *w = window->findChild<TfrmExclusaoQuirels *>();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    w->findChild<QCheckBox *>(QStringLiteral("chkTodosMeses"))->setChecked(true);
    dialogs.expect(Kind::Confirm, shell::msg::excluirEmpresaPergunta(QStringLiteral("EMPRESA")), Answer::Yes);
    dialogs.expect(Kind::Information, shell::msg::kEmpresaExcluida);
    QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("btnOk")), Qt::LeftButton);
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(window->companyOpen());
    EXPECT_TRUE(enabled("mniBackup"));
    EXPECT_FALSE(enabled("mniExcluirMovimento"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Empresa")), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Observacoes")), 0);

    // The window is made once and shown again.
    window->runScreen(screens::kExclusao);
    EXPECT_EQ(window->findChildren<TfrmExclusaoQuirels *>().size(), 1);
}

TEST_F(ShellTest, ResponsibleScreenAnswersWhetherItWasCancelled)
{
    addCompany(kCnpj, {1});
    openPeriod(kCnpj);
    onModal<TfrmResponsavelQuirels>([](TfrmResponsavelQuirels &d) {
        QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("btnCancelar")), Qt::LeftButton);
    });
    EXPECT_FALSE(window->runScreen(screens::kResponsavel));

    store.exec(QStringLiteral("update Empresa set NmResponsavel = 'MARIA', NrCpfResponsavel = '12345678909',"
                              " NrIdentidade = '123', NmOrgao = 'SSP', SgUF = 'DF'"));
    // Written behind the data module's back: read again, as after a bulk change.
    ASSERT_OK(window->dataModule().empresa().refresh());
    onModal<TfrmResponsavelQuirels>([](TfrmResponsavelQuirels &d) {
        d.findChild<QLineEdit *>(QStringLiteral("edtNrFone"))->setText(QStringLiteral("1234567"));
        QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("btnOk")), Qt::LeftButton);
    });
    EXPECT_TRUE(window->runScreen(screens::kResponsavel));
    EXPECT_EQ(store.scalar(QStringLiteral("select NrFone from Empresa")).toString(), QStringLiteral("1234567"));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.texts().join(QLatin1Char('\n')));
}
