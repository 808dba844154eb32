#include "ShellFixture.h"
#include "shell/Company.h"
#include "shell/Messages.h"
#include "shell/ui/EmpresaQuirels.h"
#include "shell/ui/NovaQuirels.h"
#include "shell/ui/NumberEdit.h"
#include "shell/ui/Periodo.h"
#include "store/DataModule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QTest>

using namespace quirels;
using namespace quirels::test;
namespace msg = quirels::shell::msg;

namespace {

struct Handed {
    QString number;
    QString name;
    int times = 0;
    bool accept = true;  // what the period dialog answers
};

// The new-company dialog with the period dialog replaced by a recorder.
std::unique_ptr<TfrmNovaQuirels> newCompanyDialog(MainWindow &w, Handed &handed)
{
    auto d = std::make_unique<TfrmNovaQuirels>(w);
    d->setPeriodRunner([&handed](const QString &number, const QString &name) {
        handed.number = number;
        handed.name = name;
        ++handed.times;
        return handed.accept;
    });
    return d;
}

// What the user does: enter the field (the mask goes), type, leave it.
void typeNumber(NumberEdit *field, const QString &digits)
{
    field->removeMask();
    field->clear();
    QTest::keyClicks(field, digits);
    field->leave();
}

} // namespace

TEST_F(ShellTest, RegistrationChecksTheNumber)
{
    struct Case {
        const char *typed;  // keys pressed in the number field
        const char *name;
        const QString *message;
        ScriptedDialogs::Kind kind;
        const char *focus;
    };
    const auto info = ScriptedDialogs::Kind::Information;
    const auto error = ScriptedDialogs::Kind::Error;
    const Case cases[] = {
        {"12345678909", "Acme", nullptr, info, ""},
        // Neither 11 nor 14 digits, though the first eleven are a valid CPF.
        {"1234567890912", "Acme", &msg::kNumeroInvalido, error, "edtCNPJ"},
        {"00000000000", "Acme", &msg::kCpfInvalido, error, "edtCNPJ"},
        {"00000000000000", "Acme", &msg::kCnpjInvalido, error, "edtCNPJ"},
        {"11222333000181", "Acme", nullptr, info, ""},
        {"12345678900", "Acme", &msg::kCpfInvalido, error, "edtCNPJ"},
        {"11222333000182", "Acme", &msg::kCnpjInvalido, error, "edtCNPJ"},
        {"12345678909000", "Acme", &msg::kCnpjInvalido, error, "edtCNPJ"},
        {"123.456-78a909", "Acme", nullptr, info, ""},     // only digits get through the key filter
        {"", "Acme", &msg::kInformeCnpj, info, "edtCNPJ"},
        {"12345678909", "   ", &msg::kInformeRazao, info, "edtRazao"},
    };
    for (const Case &c : cases) {
        dialogs.clear();
        Handed handed;
        auto d = newCompanyDialog(*window, handed);
        d->show();
        d->numberField()->setFocus();
        QTest::keyClicks(d->numberField(), QString::fromLatin1(c.typed));
        QTest::keyClicks(d->nameField(), QString::fromLatin1(c.name));
        const bool ok = d->registerCompany();
        EXPECT_EQ(ok, c.message == nullptr) << c.typed;
        if (c.message) {
            ASSERT_EQ(dialogs.messages.size(), 1) << c.typed;
            EXPECT_EQ(dialogs.messages.first().text, *c.message) << c.typed;
            EXPECT_EQ(dialogs.messages.first().kind, c.kind) << c.typed;
            EXPECT_EQ(dialogs.focused, QStringList{QString::fromLatin1(c.focus)}) << c.typed;
            EXPECT_EQ(handed.times, 0) << c.typed;
        } else {
            EXPECT_TRUE(dialogs.messages.isEmpty()) << c.typed;
            EXPECT_EQ(handed.times, 1) << c.typed;
            EXPECT_EQ(handed.name, QStringLiteral("ACME")) << c.typed; // upper case as typed
            QString digits = QString::fromLatin1(c.typed);
            digits.remove(QRegularExpression(QStringLiteral("[^0-9]")));
            EXPECT_EQ(handed.number, digits) << c.typed;
        }
    }
    // Registration enables the company's commands before the period exists.
    EXPECT_TRUE(enabled("mniFecharEmpresa"));
    EXPECT_TRUE(enabled("btnValidar"));
    EXPECT_FALSE(enabled("mniResponsavel"));
}

TEST_F(ShellTest, NumberFieldMasksByLengthWhenLeft)
{
    Handed handed;
    auto d = newCompanyDialog(*window, handed);
    d->show();
    QApplication::setActiveWindow(d.get());
    NumberEdit *n = d->numberField();
    n->setFocus();
    QTest::keyClicks(n, QStringLiteral("11222333000181"));
    d->nameField()->setFocus();
    EXPECT_EQ(n->displayText(), QStringLiteral("11.222.333/0001-81"));
    EXPECT_EQ(n->value(), QStringLiteral("11222333000181"));
    n->setFocus(); // the mask is removed while the field has the focus
    EXPECT_EQ(n->displayText(), QStringLiteral("11222333000181"));
    n->clear();
    QTest::keyClicks(n, QStringLiteral("12345678909"));
    d->nameField()->setFocus();
    EXPECT_EQ(n->displayText(), QStringLiteral("123.456.789-09"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(ShellTest, PeriodDialogLimitsAndWritesTheCompany)
{
    TfrmPeriodo p(*window, kCpf, QStringLiteral("ACME"));
    EXPECT_EQ(p.numberField()->displayText(), QStringLiteral("123.456.789-09"));
    struct Case {
        const char *month;
        const char *year;
        const QString *message;
        const QString *focus;
    };
    // Today is 17 May 2006.
    const Case refused[] = {
        {"JUN", "2006", &msg::kMesMaiorQueCorrente, &shell::kMonthList},
        {"JAN", "2007", &msg::kAnoMaiorQueCorrente, &shell::kYearList},
        {"", "2006", &msg::kInformeMesReferencia, &shell::kMonthList},
    };
    for (const Case &c : refused) {
        dialogs.clear();
        p.monthList()->setCurrentIndex(p.monthList()->findText(QString::fromLatin1(c.month)));
        p.yearList()->setCurrentIndex(p.yearList()->findText(QString::fromLatin1(c.year)));
        EXPECT_FALSE(p.createPeriod()) << c.month << c.year;
        EXPECT_EQ(dialogs.lastText(), *c.message) << c.month << c.year;
        EXPECT_EQ(dialogs.focused, QStringList{*c.focus}) << c.month << c.year;
    }
    EXPECT_EQ(count(QStringLiteral("select count(*) from Empresa")), 0);

    dialogs.clear();
    p.monthList()->setCurrentIndex(p.monthList()->findText(QStringLiteral("MAI")));
    p.yearList()->setCurrentIndex(p.yearList()->findText(QStringLiteral("2006")));
    ASSERT_TRUE(p.createPeriod());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(store.scalar(QStringLiteral("select NmRazao from Empresa where CdCNPJEmpr = '12345678909'")).toString(),
              QStringLiteral("ACME"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Mes where NrAno = '2006' and NmMes = 'MAI'")), 1);
    EXPECT_EQ(window->currentPeriod(), (PeriodKey{kCpf, QStringLiteral("2006"), QStringLiteral("MAI")}));
    // The company window is shown, not modal, and no annex window yet; the
    // company counts as open (closing it closes that window).
    TfrmEmpresaQuirels *company = window->companyWindow();
    EXPECT_TRUE(company->isVisible());
    EXPECT_FALSE(company->isModal());
    EXPECT_TRUE(window->mdiArea()->subWindowList().isEmpty());
    EXPECT_TRUE(window->companyOpen());
}

TEST_F(ShellTest, PeriodDialogWithARegisteredCompany)
{
    addCompany(kCpf, {1}, QStringLiteral("ABR"));
    TfrmPeriodo p(*window, kCpf, QStringLiteral("OUTRO NOME"));
    p.monthList()->setCurrentIndex(p.monthList()->findText(QStringLiteral("MAR")));
    p.yearList()->setCurrentIndex(p.yearList()->findText(QStringLiteral("2005")));
    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kEmpresaJaCadastrada, Answer::No);
    EXPECT_FALSE(p.createPeriod());
    EXPECT_EQ(count(QStringLiteral("select count(*) from Mes")), 1);
    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kEmpresaJaCadastrada, Answer::Yes);
    EXPECT_TRUE(p.createPeriod());
    EXPECT_EQ(count(QStringLiteral("select count(*) from Mes")), 2);
    EXPECT_EQ(store.scalar(QStringLiteral("select NmRazao from Empresa")).toString(), QStringLiteral("EMPRESA"));
    TfrmPeriodo again(*window, kCpf, QStringLiteral("X"));
    again.monthList()->setCurrentIndex(again.monthList()->findText(QStringLiteral("ABR")));
    again.yearList()->setCurrentIndex(again.yearList()->findText(QStringLiteral("2005")));
    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kPeriodoJaExiste, Answer::Yes);
    EXPECT_TRUE(again.createPeriod());
    EXPECT_EQ(count(QStringLiteral("select count(*) from Mes")), 2);
    EXPECT_EQ(window->currentPeriod().mes, QStringLiteral("ABR"));
}

TEST_F(ShellTest, MainGroupRuleAndClosingOpensTheAnnexes)
{
    addCompany(kCpf, {2});
    ASSERT_TRUE(window->setCurrentPeriod(PeriodKey{kCpf, QStringLiteral("2005"), QStringLiteral("MAR")}));
    TfrmEmpresaQuirels *w = window->companyWindow();
    w->showNonModal();
    EXPECT_FALSE(w->otherActivityField()->isEnabled());
    w->mainGroupList()->setCurrentIndex(w->mainGroupList()->findText(QStringLiteral("Grupo VII")));
    w->mainGroupLeft();
    EXPECT_TRUE(w->groupBox(7)->isChecked());
    EXPECT_TRUE(w->groupBox(2)->isChecked()); // a group chosen before stays
    EXPECT_TRUE(w->editing());
    w->groupBox(7)->click();                  // the main group cannot be unchecked
    EXPECT_TRUE(w->groupBox(7)->isChecked());
    w->groupBox(2)->click();
    EXPECT_FALSE(w->groupBox(2)->isChecked());
    w->mainGroupList()->setCurrentIndex(w->mainGroupList()->findText(QStringLiteral("Grupo IX")));
    w->mainGroupLeft();
    EXPECT_TRUE(w->otherActivityField()->isEnabled());
    w->groupBox(9)->click();                  // group IX is not held
    EXPECT_FALSE(w->groupBox(9)->isChecked());
    // The activity lists store the code; each shows its own order.
    QComboBox *names = w->activityNameList();
    QComboBox *codes = w->activityCodeList();
    ASSERT_GT(names->count(), 1000);
    EXPECT_LE(names->itemText(0).compare(names->itemText(1), Qt::CaseInsensitive), 0);
    EXPECT_LE(codes->itemText(0).compare(codes->itemText(1)), 0);
    names->setCurrentIndex(10);
    emit names->activated(10);
    EXPECT_EQ(codes->currentData().toString(), names->currentData().toString());

    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.texts().join(QLatin1Char('|')));
    EXPECT_EQ(store.scalar(QStringLiteral("select FlGrupoVII from Empresa")).toInt(), 1);
    EXPECT_EQ(store.scalar(QStringLiteral("select FlGrupoII from Empresa")).toInt(), 0);
    EXPECT_EQ(store.scalar(QStringLiteral("select DsGrupoPrincipal from Empresa")).toString(), QStringLiteral("Grupo IX"));
    EXPECT_EQ(store.scalar(QStringLiteral("select CdCNAE from Empresa")).toString(), names->currentData().toString());
    // Group VII: the storage annex window is open now, with its rows.
    EXPECT_NE(window->annexWindow(QLatin1Char('D')), nullptr);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Observacoes")), 2);
}

// The other activity's description can be typed whenever group IX is
// ticked, with any main group, and sits on group IX's row.
TEST_F(ShellTest, OtherActivityFollowsGroupNine)
{
    addCompany(kCpf, {2});
    ASSERT_TRUE(window->setCurrentPeriod(PeriodKey{kCpf, QStringLiteral("2005"), QStringLiteral("MAR")}));
    TfrmEmpresaQuirels *w = window->companyWindow();
    w->showNonModal();
    QLineEdit *other = w->otherActivityField();
    EXPECT_FALSE(other->isEnabled());
    w->mainGroupList()->setCurrentIndex(w->mainGroupList()->findText(QStringLiteral("Grupo I")));
    w->mainGroupLeft();
    w->groupBox(9)->click();
    ASSERT_TRUE(w->groupBox(9)->isChecked());
    EXPECT_TRUE(other->isEnabled());
    EXPECT_EQ(other->geometry().center().y(), w->groupBox(9)->geometry().center().y());
    EXPECT_GT(other->geometry().left(), w->groupBox(9)->geometry().right());
    other->setFocus();
    QTest::keyClicks(other, QStringLiteral("REVENDA"));
    w->groupBox(9)->click();
    EXPECT_FALSE(other->isEnabled());
    w->groupBox(9)->click();
    w->close();
    EXPECT_EQ(store.scalar(QStringLiteral("select DsGrupoIX from Empresa")).toString(), QStringLiteral("REVENDA"));
    // Shown again with group IX stored: open at once.
    w->showNonModal();
    EXPECT_TRUE(w->otherActivityField()->isEnabled());
    w->close();
}

TEST_F(ShellTest, KeyChangeToAnotherCompanysNumberRestoresTheOldOne)
{
    addCompany(kCpf, {8});
    addCompany(kCnpj, {8});
    ASSERT_TRUE(window->setCurrentPeriod(PeriodKey{kCpf, QStringLiteral("2005"), QStringLiteral("MAR")}));
    TfrmEmpresaQuirels *w = window->companyWindow();
    w->showNonModal();
    typeNumber(w->numberField(), kCnpj);
    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kConfirmaMudancaCnpj, Answer::Yes);
    dialogs.expect(ScriptedDialogs::Kind::Information, msg::kCnpjJaExiste);
    w->close();
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    EXPECT_EQ(w->numberField()->value(), kCpf);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Mes where CdCNPJEmpr = '12345678909'")), 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Mes where CdCNPJEmpr = '11222333000181'")), 1);
    EXPECT_EQ(window->currentPeriod().cnpj, kCpf);
}

TEST_F(ShellTest, KeyChangeFromCpfToCnpjMovesTheCompany)
{
    addCompany(kCpf, {9});
    store.exec(QStringLiteral("insert into Produtos (CdCNPJEmpr, NrAno, NmMes, NmProduto) "
                              "values ('12345678909', '2005', 'MAR', 'ACETONA')"));
    ASSERT_TRUE(window->setCurrentPeriod(PeriodKey{kCpf, QStringLiteral("2005"), QStringLiteral("MAR")}));
    TfrmEmpresaQuirels *w = window->companyWindow();
    w->showNonModal();
    QTest::keyClicks(w->nameField(), QStringLiteral(" NOVA"));
    typeNumber(w->numberField(), kCnpj);
    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kConfirmaMudancaCnpj, Answer::Yes);
    w->close();
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    EXPECT_TRUE(dialogs.failures.isEmpty());
    EXPECT_EQ(count(QStringLiteral("select count(*) from Empresa where CdCNPJEmpr = '11222333000181'")), 1);
    EXPECT_EQ(store.scalar(QStringLiteral("select NmRazao from Empresa")).toString(), QStringLiteral("EMPRESA NOVA"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Empresa")), 1);
    for (const QString &t : shell::keyChangeTables())
        EXPECT_EQ(count(QStringLiteral("select count(*) from %1 where CdCNPJEmpr = '12345678909'").arg(t)), 0)
            << qPrintable(t);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Produtos where CdCNPJEmpr = '11222333000181'")), 1);
    // Positioned on the renamed company; the key shows with the CNPJ mask.
    EXPECT_EQ(window->currentPeriod(), (PeriodKey{kCnpj, QStringLiteral("2005"), QStringLiteral("MAR")}));
    EXPECT_EQ(window->companyKeyMask(), cpfcnpj::MaskKind::Cnpj);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Observacoes where CdCNPJEmpr = '11222333000181'")), 8);
    EXPECT_EQ(window->mdiArea()->subWindowList().size(), 4);
    // Shown again, the window takes the new number as its opening key.
    w->showNonModal();
    EXPECT_EQ(w->openingKey(), kCnpj);
    EXPECT_EQ(w->numberField()->displayText(), QStringLiteral("11.222.333/0001-81"));
}

TEST_F(ShellTest, ClosingWithoutChangingTheNumberAsksNothing)
{
    addCompany(kCnpj, {});
    ASSERT_TRUE(window->setCurrentPeriod(PeriodKey{kCnpj, QStringLiteral("2005"), QStringLiteral("MAR")}));
    TfrmEmpresaQuirels *w = window->companyWindow();
    w->showNonModal();
    EXPECT_EQ(w->numberField()->displayText(), QStringLiteral("11.222.333/0001-81"));
    w->close();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(count(QStringLiteral("select count(*) from Empresa where CdCNPJEmpr = '11222333000181'")), 1);
}

// A key of another length kept from older data opens and closes as it is;
// a changed key must be a CPF or a CNPJ, else the window stays open.
TEST_F(ShellTest, OnlyACpfOrACnpjBecomesTheNewKey)
{
    const QString odd = QStringLiteral("123456789012");
    addCompany(odd, {});
    ASSERT_TRUE(window->setCurrentPeriod(PeriodKey{odd, QStringLiteral("2005"), QStringLiteral("MAR")}));
    TfrmEmpresaQuirels *w = window->companyWindow();
    w->showNonModal();
    EXPECT_EQ(w->numberField()->displayText(), odd);
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.texts().join(QLatin1Char('|')));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Empresa where CdCNPJEmpr = '%1'").arg(odd)), 1);

    w->showNonModal();
    const struct {
        const char *typed;
        const QString &message;
    } refused[] = {
        {"1234567890912", msg::kNumeroInvalido},
        {"00000000000", msg::kCpfInvalido},
        {"11111111111111", msg::kCnpjInvalido},
        {"12345678900", msg::kCpfInvalido},
    };
    for (const auto &r : refused) {
        dialogs.clear();
        typeNumber(w->numberField(), QString::fromLatin1(r.typed));
        dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kConfirmaMudancaCnpj, Answer::Yes);
        dialogs.expect(ScriptedDialogs::Kind::Error, r.message);
        w->close();
        EXPECT_EQ(dialogs.pendingExpectations(), 0) << r.typed;
        EXPECT_TRUE(w->isVisible()) << r.typed;
        EXPECT_EQ(dialogs.focused, QStringList{QStringLiteral("edtCNPJ")}) << r.typed;
        EXPECT_EQ(w->numberField()->displayText(), QString::fromLatin1(r.typed)) << r.typed;
    }
    EXPECT_EQ(count(QStringLiteral("select count(*) from Mes where CdCNPJEmpr = '%1'").arg(odd)), 1);
    // "Não" puts the old key back and the window closes.
    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kConfirmaMudancaCnpj, Answer::No);
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(count(QStringLiteral("select count(*) from Empresa where CdCNPJEmpr = '%1'").arg(odd)), 1);
    // A valid CNPJ is taken.
    w->showNonModal();
    typeNumber(w->numberField(), kCnpj);
    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kConfirmaMudancaCnpj, Answer::Yes);
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(count(QStringLiteral("select count(*) from Mes where CdCNPJEmpr = '%1'").arg(kCnpj)), 1);
    EXPECT_TRUE(dialogs.failures.isEmpty()) << qPrintable(dialogs.failures.join(QLatin1Char('|')));
}

TEST(NumberEdit, LeavingCounterpartAndResponsibleFields)
{
    struct Case {
        NumberEdit::Rule rule;
        const char *typed;
        const QString *message;
        const char *shown;  // what the field shows afterwards
    };
    const auto counterpart = NumberEdit::Rule::Counterpart;
    const auto responsible = NumberEdit::Rule::Responsible;
    const Case cases[] = {
        {counterpart, "", nullptr, ""},
        {counterpart, "11222333000181", nullptr, "11.222.333/0001-81"},
        {counterpart, "12345678909", nullptr, "123.456.789-09"},
        {counterpart, "12345678909000", &msg::kCnpjInvalido, "12345678909000"}, // mask removed again
        {counterpart, "12345678900", &msg::kCpfInvalido, "12345678900"},
        {counterpart, "1234", &msg::kNumeroInvalido, "1234"},
        {responsible, "12345678909", nullptr, "123.456.789-09"},
        {responsible, "", &msg::kCpfInvalido, ""},
    };
    for (const Case &c : cases) {
        ScriptedDialogs dialogs;
        NumberEdit field;
        field.setObjectName(QStringLiteral("edtCdFornecedor"));
        field.setRule(c.rule);
        field.setDialogs(&dialogs);
        field.setText(QString::fromLatin1(c.typed));
        EXPECT_EQ(field.leave(), c.message == nullptr) << c.typed;
        EXPECT_EQ(field.displayText(), QString::fromLatin1(c.shown)) << c.typed;
        EXPECT_EQ(field.value(), QString::fromLatin1(c.typed)) << c.typed;
        if (c.message) {
            EXPECT_EQ(dialogs.texts(), QStringList{*c.message}) << c.typed;
            EXPECT_EQ(dialogs.messages.first().kind, ScriptedDialogs::Kind::Error) << c.typed;
            EXPECT_EQ(dialogs.focused, QStringList{QStringLiteral("edtCdFornecedor")}) << c.typed;
        } else {
            EXPECT_TRUE(dialogs.messages.isEmpty()) << c.typed;
        }
    }
}

TEST_F(ShellTest, CancellingThePeriodLeavesNoCompanyCommands)
{
    Handed handed;
    handed.accept = false;
    auto d = newCompanyDialog(*window, handed);
    d->show();
    d->numberField()->setFocus();
    QTest::keyClicks(d->numberField(), kCpf);
    QTest::keyClicks(d->nameField(), QStringLiteral("Acme"));
    ASSERT_TRUE(d->registerCompany());
    EXPECT_EQ(handed.times, 1);
    for (const char *n : {"mniFecharEmpresa", "mniExcluirMovimento", "mniInformacoesEmpresa", "mniValidar",
                          "btnValidar", "mnuQuirels"}) {
        if (QAction *a = window->command(QString::fromLatin1(n))) {
            EXPECT_FALSE(a->isEnabled()) << n;
        }
    }
    EXPECT_TRUE(enabled("mniBackup"));
}

TEST_F(ShellTest, CompanyNumberTakesAtMostItsWidth)
{
    Handed handed;
    auto d = newCompanyDialog(*window, handed);
    d->show();
    QApplication::setActiveWindow(d.get());
    NumberEdit *n = d->numberField();
    n->setFocus();
    QTest::keyClicks(n, QStringLiteral("112223330001819999"));
    EXPECT_EQ(n->value(), kCnpj);
    // Left (the mask comes) and entered again (it goes): still fourteen.
    d->nameField()->setFocus();
    n->setFocus();
    n->end(false);
    QTest::keyClicks(n, QStringLiteral("9999"));
    EXPECT_EQ(n->value(), kCnpj);
    QTest::keyClicks(d->nameField(), QString(80, QLatin1Char('a')));
    EXPECT_EQ(d->nameField()->text().size(), 70);
}

TEST_F(ShellTest, EnterConfirmsTheRegistrationDialogs)
{
    Handed handed;
    auto d = newCompanyDialog(*window, handed);
    d->show();
    QApplication::setActiveWindow(d.get());
    d->numberField()->setFocus();
    QTest::keyClicks(d->numberField(), kCpf);
    QTest::keyClick(d->numberField(), Qt::Key_Tab);
    QTest::keyClicks(d->nameField(), QStringLiteral("Acme"));
    QTest::keyClick(d->nameField(), Qt::Key_Return);
    EXPECT_EQ(handed.times, 1);
    EXPECT_EQ(d->result(), QDialog::Accepted);
}
