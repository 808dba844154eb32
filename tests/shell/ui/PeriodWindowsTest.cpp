#include "../PeriodFixture.h"
#include "shell/Messages.h"
#include "shell/ui/DeletionWindow.h"
#include "shell/ui/OpenPeriodDialog.h"
#include "store/DataModule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::test;
using Kind = ScriptedDialogs::Kind;

namespace {

const QString kCnpj = QStringLiteral("11222333000181");
const QString kCpf = QStringLiteral("12345678909");

template <typename T>
T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

void choose(QWidget &w, const QString &month, const QString &year)
{
    auto *m = child<QComboBox>(w, "cmbMes");
    auto *y = child<QComboBox>(w, "cmbAno");
    m->setCurrentIndex(m->findText(month));
    y->setCurrentIndex(y->findText(year));
}

} // namespace

TEST(OpenDialog, SearchChecksAndCarryOver)
{
    TempStore s;
    ScriptedDialogs d;
    store::DataModule dm(d);
    ASSERT_OK(dm.openAll());
    {
        TfrmAbrirQuirels empty(dm, d, nullptr);
        EXPECT_FALSE(child<QPushButton>(empty, "btnOk")->isEnabled());
    }
    addCompany(s, kCnpj, QStringLiteral("QUIMICA SA"));
    addCompany(s, kCpf, QStringLiteral("JOSE"));
    addCompany(s, QStringLiteral("33000167000101"), QStringLiteral("TERCEIRA"));
    s.exec(QStringLiteral("insert into Mes values ('33000167000101','2004','DEZ')"));
    for (int i = 0; i < 3; ++i)
        s.exec(QStringLiteral("insert into Produtos (CdCNPJEmpr,NrAno,NmMes,QtEstoqueAtual,NmProduto) values"
                              " ('33000167000101','2004','DEZ',12.5,'P')"));

    // Registered since the cursors were opened: the dialog reads them anew.
    QList<PeriodKey> opened;
    TfrmAbrirQuirels dlg(dm, d, [&](const PeriodKey &k) { opened.append(k); });
    EXPECT_TRUE(child<QPushButton>(dlg, "btnOk")->isEnabled());
    EXPECT_EQ(dlg.currentCompany(), kCnpj);

    // Typing moves to the first key equal to or after the text; only digits get in.
    auto *search = child<QLineEdit>(dlg, "edtCNPJ");
    const struct {
        const char *typed;
        QString company;
    } seeks[] = {{"12", kCpf}, {"2", QStringLiteral("33000167000101")}, {"1", kCnpj}, {"9", QStringLiteral("33000167000101")}};
    for (const auto &c : seeks) {
        search->clear();
        QTest::keyClicks(search, QString::fromLatin1(c.typed));
        EXPECT_EQ(dlg.currentCompany(), c.company) << c.typed;
        // The search moves the data module's company cursor, and the grid shows it.
        EXPECT_EQ(dm.empresa().value(QStringLiteral("CdCNPJEmpr")).toString(), c.company) << c.typed;
        EXPECT_EQ(child<QTableView>(dlg, "grdEmpresa")->currentIndex().row(), dm.empresa().row()) << c.typed;
    }
    search->clear();
    QTest::keyClicks(search, QStringLiteral("3a3."));
    EXPECT_EQ(search->text(), QStringLiteral("33"));

    // The pickers start on the month after the company's last; emptied,
    // "Ok" asks for them.
    child<QComboBox>(dlg, "cmbMes")->setCurrentIndex(-1);
    child<QComboBox>(dlg, "cmbAno")->setCurrentIndex(-1);
    d.expect(Kind::Information, shell::msg::kInformeMes);
    dlg.open();
    child<QComboBox>(dlg, "cmbMes")->setCurrentIndex(0);
    d.expect(Kind::Information, shell::msg::kInformeAno);
    dlg.open();
    EXPECT_EQ(d.focused, (QStringList{QStringLiteral("cmbMes"), QStringLiteral("cmbAno")}));

    // "Não" keeps the dialog open and creates nothing.
    choose(dlg, QStringLiteral("JAN"), QStringLiteral("2005"));
    d.expect(Kind::Confirm, shell::msg::kIncluirPeriodo, Answer::No);
    dlg.open();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from Mes where NrAno = '2005'")).toInt(), 0);

    // "Sim": the month is created and carried, the main window gets the period.
    d.expect(Kind::Confirm, shell::msg::kIncluirPeriodo, Answer::Yes);
    d.expect(Kind::Information, shell::msg::kDadosImportados);
    dlg.open();
    EXPECT_TRUE(d.failures.isEmpty()) << qPrintable(d.failures.join(QLatin1Char('\n')));
    EXPECT_EQ(d.pendingExpectations(), 0);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], (PeriodKey{QStringLiteral("33000167000101"), QStringLiteral("2005"), QStringLiteral("JAN")}));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(child<QProgressBar>(dlg, "pgbProgresso")->maximum(), 3);
    EXPECT_FALSE(child<QWidget>(dlg, "pnlProgresso")->isVisible());
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from Produtos where NrAno = '2005' and QtEstoqueAnt = 12.5")).toInt(), 3);
}

TEST(DeletionWindow, PeriodCompanyAndMissingPeriod)
{
    TempStore s;
    addCompany(s, kCnpj, QStringLiteral("QUIMICA SA"));
    const PeriodKey jan{kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")};
    const PeriodKey fev{kCnpj, QStringLiteral("2005"), QStringLiteral("FEV")};
    fillPeriod(s, jan);
    fillPeriod(s, fev);

    ScriptedDialogs d;
    store::DataModule dm(d);
    ASSERT_OK(dm.openAll());
    ASSERT_TRUE(dm.empresa().locate({{QStringLiteral("CdCNPJEmpr"), kCnpj}}));
    QStringList calls;
    TfrmExclusaoQuirels::Hooks hooks;
    hooks.closeCompany = [&] {
        calls << QStringLiteral("close");
        return true;
    };
    hooks.reconnect = [&] {
        calls << QStringLiteral("reconnect");
        ASSERT_OK(dm.reopenAll());
        dm.empresa().locate({{QStringLiteral("CdCNPJEmpr"), kCnpj}}); // gone after the company's deletion
    };
    TfrmExclusaoQuirels w(dm, d, hooks);
    w.show();
    EXPECT_EQ(child<QLineEdit>(w, "edtCNPJ")->text(), QStringLiteral("11.222.333/0001-81"));
    EXPECT_EQ(child<QLineEdit>(w, "edtRazao")->text(), QStringLiteral("QUIMICA SA"));
    auto *all = child<QCheckBox>(w, "chkTodosMeses");
    all->setChecked(true);
    EXPECT_FALSE(child<QGroupBox>(w, "grpPeriodo")->isEnabled());
    all->setChecked(false);
    EXPECT_TRUE(child<QGroupBox>(w, "grpPeriodo")->isEnabled());

    // A missing period: the include question, nothing done, the window stays.
    choose(w, QStringLiteral("MAR"), QStringLiteral("2005"));
    d.expect(Kind::Confirm, shell::msg::kIncluirPeriodo, Answer::Yes);
    QTest::mouseClick(child<QPushButton>(w, "btnOk"), Qt::LeftButton);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(countKey(s, QStringLiteral("Mes"), kCnpj), 2);

    choose(w, QStringLiteral("JAN"), QStringLiteral("2005"));
    d.expect(Kind::Confirm, shell::msg::excluirPeriodoPergunta(QStringLiteral("JAN"), QStringLiteral("2005"),
                                                               QStringLiteral("QUIMICA SA")),
             Answer::Yes);
    d.expect(Kind::Information, shell::msg::kPeriodoExcluido);
    QTest::mouseClick(child<QPushButton>(w, "btnOk"), Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(calls, (QStringList{QStringLiteral("close"), QStringLiteral("reconnect")}));
    EXPECT_EQ(countPeriod(s, QStringLiteral("Produtos"), jan), 0);
    EXPECT_EQ(countPeriod(s, QStringLiteral("Produtos"), fev), 1);

    // The whole company; shown again, the window reads the company anew.
    w.show();
    all->setChecked(true);
    d.expect(Kind::Confirm, shell::msg::excluirEmpresaPergunta(QStringLiteral("QUIMICA SA")), Answer::Yes);
    d.expect(Kind::Information, shell::msg::kEmpresaExcluida);
    QTest::mouseClick(child<QPushButton>(w, "btnOk"), Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(countKey(s, QStringLiteral("Empresa"), kCnpj), 0);
    EXPECT_EQ(countKey(s, QStringLiteral("Mes"), kCnpj), 0);
    EXPECT_TRUE(d.failures.isEmpty()) << qPrintable(d.failures.join(QLatin1Char('\n')));
    EXPECT_EQ(d.pendingExpectations(), 0);
}
