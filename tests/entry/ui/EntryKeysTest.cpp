// The entry screens from the keyboard: Enter moves on, masked fields take
// what is typed where typing goes on, the buttons show their Alt letters.

#include "DesktopFixture.h"
#include "EntryFixture.h"

#include "entry/Annex.h"
#include "entry/Messages.h"
#include "entry/ui/AnnexScreens.h"
#include "entry/ui/AnnexWindow.h"
#include "shell/ui/EmpresaQuirels.h"
#include "store/Schema.h"

#include <memory>

using namespace quirels;
using namespace quirels::test;
namespace msg = quirels::entry::msg;
using Kind = ScriptedDialogs::Kind;

namespace {

struct Screen : EntryFixture {
    entry::AnnexWindow w{entry::annexB(), dm, dialogs};

    Screen()
    {
        w.open();
        showActive(w);
    }
};

void enterKey() { QTest::keyClick(focused(), Qt::Key_Return); }

} // namespace

TEST(EntryKeys, EnterMovesToTheNextFieldButNotInTheMemo)
{
    Screen s;
    QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
    ASSERT_EQ(focusName(), QStringLiteral("edtDia"));
    QTest::keyClicks(focused(), QStringLiteral("5"));
    enterKey();
    EXPECT_EQ(focusName(), QStringLiteral("edtCFOP"));
    // Keypad Enter too; leaving runs the field's rule as Tab does.
    QTest::keyClicks(focused(), QStringLiteral("1101"));
    QTest::keyClick(focused(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(focusName(), QStringLiteral("cmbCFOP"));
    EXPECT_EQ(s.dm.movimentacao().value(QStringLiteral("NrCFOP")).toString(), QStringLiteral("1.101"));
    // A drop-down list without free text.
    s.w.findChild<QWidget *>(QStringLiteral("cmbUnidade"))->setFocus(Qt::TabFocusReason);
    enterKey();
    EXPECT_EQ(focusName(), QStringLiteral("edtNF"));
    // The memo takes Enter as a line break.
    auto *memo = child<QPlainTextEdit>(s.w, QStringLiteral("memObservacoesAnexoB"));
    memo->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(memo, QStringLiteral("a"));
    enterKey();
    QTest::keyClicks(memo, QStringLiteral("b"));
    EXPECT_EQ(focused(), memo);
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("a\nb"));
    EXPECT_TRUE(s.dialogs.messages.isEmpty()) << qPrintable(s.dialogs.texts().join(QLatin1Char('|')));
}

TEST(EntryKeys, MaskedFieldTypesFromItsFirstEmptyPosition)
{
    Screen s;
    QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
    auto *ncm = child<QLineEdit>(s.w, QStringLiteral("edtCodProduto"));
    // A click far right in the empty field.
    QTest::mouseClick(ncm, Qt::LeftButton, {}, QPoint(ncm->width() - 4, ncm->height() / 2));
    QCoreApplication::processEvents();
    ASSERT_EQ(focused(), ncm);
    EXPECT_EQ(ncm->cursorPosition(), 0);
    QTest::keyClicks(ncm, QStringLiteral("2807"));
    EXPECT_EQ(ncm->displayText(), QStringLiteral("2807.  .  "));
    // Clicking past the typed digits goes on after them.
    QTest::mouseClick(ncm, Qt::LeftButton, {}, QPoint(ncm->width() - 4, ncm->height() / 2));
    QCoreApplication::processEvents();
    EXPECT_EQ(ncm->cursorPosition(), 5);
    // The menu bar taking the keyboard (Alt) or a popup is no leaving: the
    // code is not checked yet.
    const qsizetype asked = s.dialogs.messages.size();
    for (Qt::FocusReason r : {Qt::MenuBarFocusReason, Qt::PopupFocusReason, Qt::ActiveWindowFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, r);
        QCoreApplication::sendEvent(ncm, &out);
    }
    EXPECT_EQ(s.dialogs.messages.size(), asked) << qPrintable(s.dialogs.texts().join(QLatin1Char('|')));
    // The partly filled code keeps its full width.
    s.dialogs.expect(Kind::Confirm, msg::kNcmInexistente, Answer::Yes);
    tab();
    EXPECT_EQ(s.dm.movimentacao().value(QStringLiteral("CdNCM")).toString(), QStringLiteral("2807.  .  "));
    // Entering it again, the caret waits at the first empty position.
    ncm->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(ncm->cursorPosition(), 5);
    EXPECT_FALSE(ncm->hasSelectedText());
    EXPECT_TRUE(s.dialogs.failures.isEmpty()) << qPrintable(s.dialogs.failures.join(QLatin1Char('|')));
}

// A masked field filled whole and entered with Tab takes what is typed in
// place of what it held: an NCM code of a screen, the company's CLF.
TEST(EntryKeys, FullMaskedFieldIsReplacedAfterTab)
{
    Desktop d;
    d.store.exec(QStringLiteral("UPDATE Empresa SET NrCLF = '12345678-9'"));
    d.store.exec(QStringLiteral("INSERT INTO Movimentacao (CdCNPJEmpr, NrAno, NmMes, NrDia, CdNCM, NmProduto) VALUES "
                                "('%1', '2004', 'FEV', '10', '2902.30.00', 'TOLUENO')")
                     .arg(kCnpj));
    d.window->reloadData(d.window->currentPeriod());
    d.show('B');
    entry::EntryWindow *b = d.screen('B');
    ASSERT_NE(b, nullptr);
    auto *ncm = child<QLineEdit>(*b, QStringLiteral("edtCodProduto"));
    child(*b, QStringLiteral("cmbCFOP"))->setFocus(Qt::TabFocusReason);
    tab();
    QCoreApplication::processEvents();
    ASSERT_EQ(focused(), ncm);
    QTest::keyClicks(ncm, QStringLiteral("2801"));
    EXPECT_EQ(ncm->displayText(), QStringLiteral("2801.  .  "));

    TfrmEmpresaQuirels *company = d.window->companyWindow();
    company->showNonModal();
    QApplication::setActiveWindow(company);
    ASSERT_TRUE(QTest::qWaitForWindowActive(company));
    auto *clf = child<QLineEdit>(*company, QStringLiteral("edtCLF"));
    ASSERT_EQ(clf->displayText(), QStringLiteral("12345678-9"));
    child(*company, QStringLiteral("edtCNPJ"))->setFocus(Qt::TabFocusReason);
    tab();
    QCoreApplication::processEvents();
    ASSERT_EQ(focused(), clf);
    QTest::keyClicks(clf, QStringLiteral("987"));
    EXPECT_EQ(clf->displayText(), QStringLiteral("987_____-_"));
    d.dialogs.setDefaultAnswer(Answer::No);
    company->close();
}

TEST(EntryKeys, CommandsShowTheirAltLetters)
{
    Screen s;
    const struct {
        const char *button;
        const char *caption;
    } cases[] = {{"btnNovo", "&Novo"}, {"btnSalvar", "&Salvar"}, {"btnCancelar", "&Cancelar"}, {"btnExcluir", "&Excluir"}};
    for (const auto &c : cases)
        EXPECT_EQ(child<QPushButton>(s.w, QString::fromLatin1(c.button))->text(), QString::fromLatin1(c.caption));
}

TEST(EntryKeys, InputsTakeAtMostTheirFieldsWidth)
{
    Screen s;
    QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
    const struct {
        const char *control;
        int width;
    } cases[] = {{"edtDia", 2}, {"edtNF", 10}};
    for (const auto &c : cases) {
        auto *e = child<QLineEdit>(s.w, QString::fromLatin1(c.control));
        e->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(e, QString(c.width + 5, QLatin1Char('1')));
        EXPECT_EQ(e->text().size(), c.width) << c.control;
    }
}

namespace {

// The controls of a list that take input, in tab order.
QStringList inputControls(QWidget &w, const entry::ListSpec &spec)
{
    QStringList out;
    for (const entry::FieldSpec &f : spec.fields) {
        QWidget *c = w.findChild<QWidget *>(f.control);
        if (!f.readOnly && c && c->isEnabled() && c->focusPolicy() != Qt::NoFocus)
            out.append(f.control);
    }
    return out;
}

} // namespace

// Every annex screen as a clerk meets it: Novo puts the focus in the first
// field, Enter walks the fields in their order to the memo, a text takes at
// most its field's width, an empty row stops Salvar at the first check with
// the focus on the control it names, and the screen fits a 1024×768 frame.
TEST(EntryKeys, EveryScreenFromTheKeyboard)
{
    for (const char letter : {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}) {
        SCOPED_TRACE(letter);
        EntryFixture f;
        std::unique_ptr<entry::EntryWindow> w(entry::createAnnexScreen(QLatin1Char(letter), f.dm, f.dialogs));
        showActive(*w);
        const entry::ListSpec &spec = w->spec().main;

        QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
        ASSERT_EQ(focusName(), spec.firstFocus);
        const QStringList inputs = inputControls(*w, spec);
        QStringList walked;
        for (int i = 0; i < inputs.size() + 1 && focused() != w->memo(); ++i) {
            walked.append(focusName());
            QTest::keyClick(focused(), Qt::Key_Return);
        }
        EXPECT_EQ(walked, inputs.mid(inputs.indexOf(spec.firstFocus)));
        EXPECT_EQ(focused(), w->memo());
        EXPECT_TRUE(f.dialogs.messages.isEmpty()) << qPrintable(f.dialogs.texts().join(QLatin1Char('|')));

        for (const entry::FieldSpec &field : spec.fields) {
            auto *e = w->findChild<QLineEdit *>(field.control);
            const schema::Field *def = schema::table(spec.table)->field(field.field);
            if (!e || field.readOnly || !e->inputMask().isEmpty() || def->type != schema::Type::Text)
                continue;
            e->setFocus(Qt::TabFocusReason);
            e->selectAll();
            QTest::keyClicks(e, QString(def->width + 3, QLatin1Char('1')));
            EXPECT_LE(e->text().size(), def->width) << qPrintable(field.control);
            e->clear();
        }

        if (!spec.checks.isEmpty()) {
            f.dialogs.messages.clear();
            w->findChild<QWidget *>(spec.firstFocus)->setFocus(Qt::TabFocusReason);
            QTest::keyClick(focused(), Qt::Key_S, Qt::AltModifier);
            const entry::RequiredCheck *first =
                entry::firstMissing(spec.checks, {}, {entry::CheckMode::Salvar, &w->lookups()});
            ASSERT_NE(first, nullptr);
            EXPECT_EQ(f.dialogs.lastText(), first->message);
            EXPECT_EQ(focusName(), first->focus);
        }

        const QSize least = w->minimumSizeHint();
        EXPECT_LE(least.width(), 1000);
        EXPECT_LE(least.height(), 620);
        // At that size (tiled, cascaded) the header still shows the company whole.
        w->resize(least);
        QCoreApplication::processEvents();
        auto *cnpj = child<QLineEdit>(*w, QStringLiteral("edtCdCNPJEmpr"));
        EXPECT_EQ(cnpj->text(), QStringLiteral("11.222.333/0001-81"));
        EXPECT_GE(cnpj->width(), cnpj->fontMetrics().horizontalAdvance(cnpj->text()) + 8);
    }
}
