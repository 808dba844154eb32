#include "../PeriodFixture.h"
#include "shell/CpfCnpj.h"
#include "shell/Messages.h"
#include "shell/ui/ResponsibleDialog.h"
#include "store/Cursor.h"
#include "store/Schema.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::test;
using Kind = ScriptedDialogs::Kind;

namespace {

const QString kCnpj = QStringLiteral("11222333000181");

template <typename T>
T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

void showActive(QWidget &w)
{
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

// Types into a field and leaves it for another one, as the user does.
void typeAndLeave(QWidget &w, const char *field, const QString &text, const char *next = "edtNmEmail")
{
    auto *f = child<QLineEdit>(w, field);
    f->setFocus();
    f->clear();
    QTest::keyClicks(f, text);
    child<QWidget>(w, next)->setFocus();
}

// The company cursor on the company's row, as the data module holds it.
struct Empresa {
    store::Cursor cursor{QStringLiteral("tblEmpresa"), *schema::table(QStringLiteral("Empresa")), QStringLiteral("dbQuirel")};
    explicit Empresa(Dialogs &d)
    {
        cursor.setDialogs(&d);
        EXPECT_OK(cursor.open());
        EXPECT_TRUE(cursor.locate({{QStringLiteral("CdCNPJEmpr"), kCnpj}}));
    }
};

QVariantList responsible(TempStore &s)
{
    QSqlDatabase db = s.db();
    QSqlQuery q(db);
    EXPECT_TRUE(q.exec(QStringLiteral("select NmResponsavel, NrCpfResponsavel, NrIdentidade, NmOrgao, SgUF, NrDDD,"
                                      " NrFone, NrFax, NmEmail from Empresa where CdCNPJEmpr = '11222333000181'")));
    EXPECT_TRUE(q.next());
    QVariantList out;
    for (int i = 0; i < 9; ++i)
        out.append(q.value(i));
    return out;
}

} // namespace

TEST(ResponsibleDialog, RequiredFieldsInOrderThenTheRowIsWritten)
{
    TempStore s;
    addCompany(s, kCnpj, QStringLiteral("QUIMICA SA"));
    ScriptedDialogs d;
    Empresa e(d);
    TfrmResponsavelQuirels dlg(e.cursor, d);
    showActive(dlg);

    const struct {
        const char *field;
        QString message;
        std::function<void()> fill;
    } steps[] = {
        {"edtNmResponsavel", shell::msg::kInformeNomeResponsavel,
         [&] { child<QLineEdit>(dlg, "edtNmResponsavel")->setText(QStringLiteral("Maria")); }},
        {"edtNrCpfResponsavel", shell::msg::kInformeCpfResponsavel,
         [&] { typeAndLeave(dlg, "edtNrCpfResponsavel", QStringLiteral("12345678909")); }},
        {"edtNrIdentidade", shell::msg::kInformeIdentidadeResponsavel,
         [&] { child<QLineEdit>(dlg, "edtNrIdentidade")->setText(QStringLiteral("1234567")); }},
        {"edtNmOrgao", shell::msg::kInformeOrgaoResponsavel,
         [&] { typeAndLeave(dlg, "edtNmOrgao", QStringLiteral("ssp")); }},
        {"cmbSgUF", shell::msg::kInformeUFResponsavel,
         [&] { child<QComboBox>(dlg, "cmbSgUF")->setCurrentIndex(25); }},
    };
    for (const auto &step : steps) {
        d.clear();
        dlg.confirm();
        EXPECT_EQ(d.texts(), QStringList{step.message}) << step.field;
        EXPECT_EQ(d.focused, QStringList{QString::fromLatin1(step.field)});
        EXPECT_TRUE(dlg.isVisible());
        step.fill();
    }
    EXPECT_EQ(responsible(s)[0], QVariant(QString())); // nothing written before OK passes
    typeAndLeave(dlg, "edtNrFone", QStringLiteral("32345678"));
    d.clear();
    QTest::mouseClick(child<QPushButton>(dlg, "btnOk"), Qt::LeftButton);
    EXPECT_TRUE(d.messages.isEmpty()) << qPrintable(d.texts().join(QLatin1Char('\n')));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.cancelled());
    const QVariantList row = responsible(s);
    EXPECT_EQ(row[0].toString(), QStringLiteral("Maria"));
    EXPECT_EQ(row[1].toString(), QStringLiteral("12345678909"));
    EXPECT_EQ(row[3].toString(), QStringLiteral("SSP")); // typed in upper case
    EXPECT_EQ(row[4].toString(), QStringLiteral("SP"));
    EXPECT_EQ(row[6].toString(), QStringLiteral("32345678"));
    EXPECT_FALSE(e.cursor.isEditing());

    // Shown again, the stored values come back with their masks.
    Empresa reread(d);
    TfrmResponsavelQuirels again(reread.cursor, d);
    EXPECT_EQ(child<QLineEdit>(again, "edtNrCpfResponsavel")->displayText(), QStringLiteral("123.456.789-09"));
    EXPECT_EQ(child<QLineEdit>(again, "edtNrFone")->displayText(), QStringLiteral("3234-5678"));
    EXPECT_EQ(child<QComboBox>(again, "cmbSgUF")->currentText(), QStringLiteral("SP"));
}

TEST(ResponsibleDialog, TelephoneMasksByLengthAndDigitsOnly)
{
    TempStore s;
    addCompany(s, kCnpj, QStringLiteral("QUIMICA SA"));
    ScriptedDialogs d;
    Empresa e(d);
    TfrmResponsavelQuirels dlg(e.cursor, d);
    showActive(dlg);
    auto *fone = child<PhoneEdit>(dlg, "edtNrFone");
    ASSERT_NE(fone, nullptr);
    const struct {
        const char *typed;
        const char *shown;
        const char *value;
    } cases[] = {
        {"1234567", " 123-4567", "1234567"},
        {"32345678", "3234-5678", "32345678"},
        {"123456", "123456", "123456"},
        {"12a3-4", "1234", "1234"},
    };
    for (const auto &c : cases) {
        typeAndLeave(dlg, "edtNrFone", QString::fromLatin1(c.typed));
        EXPECT_EQ(fone->displayText(), QString::fromLatin1(c.shown)) << c.typed;
        EXPECT_EQ(fone->value(), QString::fromLatin1(c.value)) << c.typed;
        // Entering the field again shows the bare digits.
        fone->setFocus();
        EXPECT_EQ(fone->displayText(), QString::fromLatin1(c.value)) << c.typed;
        EXPECT_TRUE(fone->inputMask().isEmpty());
    }
    // The fax behaves the same.
    typeAndLeave(dlg, "edtNrFax", QStringLiteral("7654321"));
    EXPECT_EQ(child<QLineEdit>(dlg, "edtNrFax")->displayText(), QStringLiteral(" 765-4321"));
    EXPECT_TRUE(d.messages.isEmpty());
}

TEST(ResponsibleDialog, CpfIsTestedOnLeavingAndCancelWritesNothing)
{
    TempStore s;
    addCompany(s, kCnpj, QStringLiteral("QUIMICA SA"));
    s.exec(QStringLiteral("update Empresa set NmResponsavel = 'Antigo' where CdCNPJEmpr = '11222333000181'"));
    const QVariantList before = responsible(s);
    ScriptedDialogs d;
    Empresa e(d);
    {
        TfrmResponsavelQuirels dlg(e.cursor, d);
        showActive(dlg);
        auto *cpf = child<QLineEdit>(dlg, "edtNrCpfResponsavel");
        for (const QString &bad : {QString(), QStringLiteral("12345678900")}) {
            d.clear();
            typeAndLeave(dlg, "edtNrCpfResponsavel", bad);
            EXPECT_EQ(d.texts(), QStringList{shell::msg::kCpfInvalido}) << qPrintable(bad);
            EXPECT_EQ(d.focused, QStringList{QStringLiteral("edtNrCpfResponsavel")});
            EXPECT_EQ(cpf->displayText(), bad); // the mask removed again, the text kept
        }
        d.clear();
        typeAndLeave(dlg, "edtNrCpfResponsavel", QStringLiteral("12345678909"));
        EXPECT_TRUE(d.messages.isEmpty());
        EXPECT_EQ(cpf->displayText(), QStringLiteral("123.456.789-09"));

        child<QLineEdit>(dlg, "edtNmResponsavel")->setText(QStringLiteral("Novo"));
        QTest::keyClick(&dlg, Qt::Key_Escape);
        EXPECT_TRUE(dlg.cancelled());
        EXPECT_FALSE(dlg.isVisible());
    }
    {
        // The close box neither cancels nor writes.
        TfrmResponsavelQuirels dlg(e.cursor, d);
        showActive(dlg);
        child<QLineEdit>(dlg, "edtNmResponsavel")->setText(QStringLiteral("Novo"));
        dlg.close();
        EXPECT_FALSE(dlg.cancelled());
    }
    {
        // "&Cancelar" also drops a pending edit of the company row.
        ASSERT_TRUE(e.cursor.edit());
        e.cursor.setValue(QStringLiteral("NmResponsavel"), QStringLiteral("Pendente"));
        TfrmResponsavelQuirels dlg(e.cursor, d);
        showActive(dlg);
        QTest::mouseClick(child<QPushButton>(dlg, "btnCancelar"), Qt::LeftButton);
        EXPECT_TRUE(dlg.cancelled());
        EXPECT_FALSE(e.cursor.isEditing());
        EXPECT_EQ(e.cursor.value(QStringLiteral("NmResponsavel")).toString(), QStringLiteral("Antigo"));
    }
    EXPECT_EQ(responsible(s), before);
}

// Enter in the CPF field presses OK without leaving the field: OK runs the
// field's test, and a CPF that fails it is never written.
TEST(ResponsibleDialog, OkTestsTheCpfTypedWithoutLeavingTheField)
{
    TempStore s;
    addCompany(s, kCnpj, QStringLiteral("QUIMICA SA"));
    s.exec(QStringLiteral("update Empresa set NmResponsavel = 'MARIA', NrCpfResponsavel = '12345678909',"
                          " NrIdentidade = '123', NmOrgao = 'SSP', SgUF = 'DF' where CdCNPJEmpr = '11222333000181'"));
    ScriptedDialogs d;
    Empresa e(d);
    TfrmResponsavelQuirels dlg(e.cursor, d);
    showActive(dlg);
    auto *cpf = child<QLineEdit>(dlg, "edtNrCpfResponsavel");
    for (const QString &bad : {QStringLiteral("12345678908"), QStringLiteral("1234567890")}) {
        d.clear();
        cpf->setFocus();
        cpf->selectAll();
        QTest::keyClicks(cpf, bad);
        QTest::keyClick(cpf, Qt::Key_Return);
        EXPECT_EQ(d.texts(), QStringList{shell::msg::kCpfInvalido}) << qPrintable(bad);
        EXPECT_EQ(d.messages.value(0).kind, Kind::Error);
        EXPECT_EQ(d.focused, QStringList{QStringLiteral("edtNrCpfResponsavel")});
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(cpf->displayText(), bad); // unmasked, as typed, to correct
        EXPECT_EQ(responsible(s)[1].toString(), QStringLiteral("12345678909")) << qPrintable(bad);
        EXPECT_FALSE(e.cursor.isEditing());
    }
    d.clear();
    cpf->setFocus();
    cpf->selectAll();
    QTest::keyClicks(cpf, QStringLiteral("52998224725"));
    QTest::keyClick(cpf, Qt::Key_Return);
    EXPECT_TRUE(d.messages.isEmpty()) << qPrintable(d.texts().join(QLatin1Char('\n')));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(responsible(s)[1].toString(), QStringLiteral("52998224725"));
}
