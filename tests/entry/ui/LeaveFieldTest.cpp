// One way out of a field: the field's checks, formatting and derived values
// run whether the clerk leaves it with Tab or with a command key, and what
// the screens show is what the store holds.

#include "DesktopFixture.h"
#include "EntryFixture.h"

#include "entry/Annex.h"
#include "entry/FieldRules.h"
#include "entry/Messages.h"
#include "entry/ui/AnnexWindow.h"
#include "entry/ui/ControleGeralWindow.h"
#include "shell/ui/MainWindow.h"

#include <QAction>
#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>

using namespace quirels;
using namespace quirels::test;
namespace msg = quirels::entry::msg;
using Kind = ScriptedDialogs::Kind;

namespace {

void alt(Qt::Key key, Qt::KeyboardModifiers more = Qt::NoModifier)
{
    QTest::keyClick(focused(), key, Qt::AltModifier | more);
}

// Types into the focused control as a clerk does, key by key.
void keys(const QString &text) { QTest::keyClicks(focused(), text); }

// The cursors read the rows written behind their back.
void reread(EntryFixture &f)
{
    for (store::Cursor *c : f.dm.cursors())
        if (c->isOpen())
            c->refresh();
}

// A carried-over product of the period: 120 at the start, nothing moved.
void carriedProduct(TempStore &store, const QString &ncm, const QString &name)
{
    store.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM, NmProduto, VlConcentracao, "
                                "VlDensidade, DsUnidade, QtEstoqueAnt, QtProducao, QtTransformacao, QtUtilizacao, "
                                "QtCompras, QtVendas, QtReciclagem, QtReaproveitamento, QtImportacao, QtExportacao, "
                                "QtPerdas, QtEvaporacao, QtEntradasDiv, QtSaidasDiv, QtEstoqueAtual) VALUES "
                                "('%1', '2004', 'FEV', '%2', '%3', 99, 1.5, 'Kg', 120, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
                                "0, 0, 0, 0, 120)")
                     .arg(kCnpj, ncm, name));
}

void carriedProduct(EntryFixture &f, const QString &ncm, const QString &name)
{
    carriedProduct(f.store, ncm, name);
    reread(f);
}

struct Movement : EntryFixture {
    entry::AnnexWindow w{entry::annexB(), dm, dialogs};
    Movement()
    {
        store.exec(QStringLiteral("INSERT INTO Movimentacao (CdCNPJEmpr, NrAno, NmMes, NrDia, NrCFOP, NmProduto, "
                                  "VlConcentracao, VlQuantidade, NmUnidade, NrNF, CdFornecedor, CdTransportadora, "
                                  "CdNCM) VALUES ('%1', '2004', 'FEV', '10', '1.102', 'TOLUENO', 50, 3, 'litro', "
                                  "'77', '12345678909', '11222333000181', '2902.30.00')")
                       .arg(kCnpj));
        reread(*this);
        w.open();
        showActive(w);
    }
    QString stored(const char *field) const
    {
        return sql(QStringLiteral("SELECT %1 FROM Movimentacao").arg(QLatin1String(field))).toString();
    }
};

} // namespace

// A command key leaves the field as Tab does: the closing stock follows the
// quantity typed just before Alt+S, and the next month carries it.
TEST(LeaveField, AltSaveRecomputesTheClosingStock)
{
    EntryFixture f;
    carriedProduct(f, QStringLiteral("2801.20.10"), QStringLiteral("IODO"));
    entry::ControleGeralWindow w(f.dm, f.dialogs);
    w.open();
    showActive(w);
    child(w, QStringLiteral("edtCompra"))->setFocus(Qt::TabFocusReason);
    keys(QStringLiteral("10"));
    alt(Qt::Key_S);
    EXPECT_TRUE(f.dialogs.messages.isEmpty()) << qPrintable(f.dialogs.texts().join(QLatin1Char('|')));
    EXPECT_DOUBLE_EQ(f.sql(QStringLiteral("SELECT QtCompras FROM Produtos")).toDouble(), 10);
    EXPECT_DOUBLE_EQ(f.sql(QStringLiteral("SELECT QtEstoqueAtual FROM Produtos")).toDouble(), 130);
    EXPECT_EQ(text(w, QStringLiteral("edtEstoqueAtual")), QStringLiteral("130,000"));
    EXPECT_EQ(text(w, QStringLiteral("edtCompra")), QStringLiteral("10,000"));
}

// Alt+S after a value the field refuses: the message, the focus back in the
// field, and the store unchanged; an accepted value is stored in the
// field's own form.
TEST(LeaveField, AltSaveRunsTheFieldsChecksAndFormatting)
{
    struct Case {
        const char *control;
        const char *typed;
        Kind kind;            // of the message; Information with no text: none
        QString message;
        const char *field;
        const char *stored;   // as the store holds it afterwards
        const char *shown;
    };
    const QList<Case> cases{
        {"edtQuantidade", "0", Kind::Information, msg::kZeroOuNegativo, "VlQuantidade", "3", ""},
        {"edtDia", "31", Kind::Error, msg::kDiaInvalido, "NrDia", "10", "31"},
        {"edtDia", "30", Kind::Error, msg::kDiaInvalido, "NrDia", "10", "30"},
        {"edtConcentracao", "99", Kind::Information, QString(), "VlConcentracao", "99", "99,00"},
        {"edtQuantidade", "2,5", Kind::Information, QString(), "VlQuantidade", "2.5", "2,500"},
        // The field keeps the focus and shows the number as leaving it does.
        {"edtCNPJFornecedor", "52998224725", Kind::Information, QString(), "CdFornecedor", "52998224725",
         "529.982.247-25"},
    };
    for (const Case &c : cases) {
        Movement s;
        type(s.w, QLatin1String(c.control), QLatin1String(c.typed));
        alt(Qt::Key_S);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(s.dialogs.messages.isEmpty()) << c.control << qPrintable(s.dialogs.texts().join(QLatin1Char('|')));
        } else {
            ASSERT_EQ(s.dialogs.messages.size(), 1) << c.control << qPrintable(s.dialogs.texts().join(QLatin1Char('|')));
            EXPECT_EQ(s.dialogs.messages.first().kind, c.kind);
            EXPECT_EQ(s.dialogs.messages.first().text, c.message);
            EXPECT_EQ(focusName(), QLatin1String(c.control));
            EXPECT_TRUE(enabled(s.w, QStringLiteral("btnSalvar"))) << c.control;
        }
        EXPECT_EQ(s.stored(c.field), QLatin1String(c.stored)) << c.control << " " << c.typed;
        EXPECT_EQ(text(s.w, QLatin1String(c.control)), QLatin1String(c.shown)) << c.control;
    }
    // Typed into again, the CPF is edited as bare digits.
    Movement s;
    type(s.w, QStringLiteral("edtCNPJFornecedor"), QStringLiteral("52998224725"));
    alt(Qt::Key_S);
    ASSERT_EQ(focusName(), QStringLiteral("edtCNPJFornecedor"));
    QTest::keyClick(focused(), Qt::Key_End);
    QTest::keyClick(focused(), Qt::Key_Backspace);
    EXPECT_EQ(text(s.w, QStringLiteral("edtCNPJFornecedor")), QStringLiteral("5299822472"));
}

// The navigator keys leave the field first too: a refused day keeps the
// row where it is, unwritten.
TEST(LeaveField, NavigatorStopsOnARefusedField)
{
    for (const Qt::Key key : {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End}) {
        Movement s;
        type(s.w, QStringLiteral("edtDia"), QStringLiteral("0"));
        QTest::keyClick(focused(), key, Qt::ControlModifier);
        EXPECT_EQ(s.dialogs.texts(), QStringList{msg::kDiaInvalido}) << key;
        EXPECT_EQ(focusName(), QStringLiteral("edtDia"));
        EXPECT_EQ(s.sql(QStringLiteral("SELECT count(*) FROM Movimentacao")).toInt(), 1);
        EXPECT_EQ(s.stored("NrDia"), QStringLiteral("10"));
    }
}

// The first key typed into a browsing screen starts the row and stays in
// the field.
TEST(LeaveField, FirstKeyLandsInTheField)
{
    struct Case {
        char letter;
        const char *control;
        const char *typed;
        const char *shown;
    };
    const QList<Case> cases{{'A', "edtCdProduto", "28061020", "2806.10.20"},
                            {'A', "edtConcentracaoDemon", "37", "37"},
                            {'B', "edtDia", "12", "12"},
                            {'B', "edtQuantidade", "45", "45"}};
    for (const Case &c : cases) {
        EntryFixture f;
        std::unique_ptr<entry::EntryWindow> w(c.letter == 'A'
                                                  ? static_cast<entry::EntryWindow *>(
                                                        new entry::ControleGeralWindow(f.dm, f.dialogs))
                                                  : new entry::AnnexWindow(entry::annexB(), f.dm, f.dialogs));
        w->open();
        showActive(*w);
        child(*w, QLatin1String(c.control))->setFocus(Qt::TabFocusReason);
        keys(QLatin1String(c.typed));
        EXPECT_EQ(text(*w, QLatin1String(c.control)), QLatin1String(c.shown)) << c.control;
    }
}

// Tabbing through a field nobody changed asks nothing about a name that is
// not in the list; a changed one still asks.
TEST(LeaveField, AnUntouchedFieldAsksNothing)
{
    EntryFixture f;
    carriedProduct(f, QStringLiteral("2801.20.10"), QStringLiteral("IODO IMPORTADO"));
    entry::ControleGeralWindow w(f.dm, f.dialogs);
    w.open();
    showActive(w);
    child(w, QStringLiteral("cmbProdutos"))->setFocus(Qt::TabFocusReason);
    tab();
    tab();
    EXPECT_TRUE(f.dialogs.messages.isEmpty()) << qPrintable(f.dialogs.texts().join(QLatin1Char('|')));
    EXPECT_FALSE(enabled(w, QStringLiteral("btnSalvar")));
    child(w, QStringLiteral("cmbProdutos"))->setFocus(Qt::TabFocusReason);
    keys(QStringLiteral("X"));
    f.dialogs.expect(Kind::Confirm, msg::kNomeInexistente, Answer::Yes);
    tab();
    EXPECT_TRUE(f.dialogs.failures.isEmpty()) << qPrintable(f.dialogs.failures.join(QLatin1Char('|')));
    EXPECT_EQ(f.dialogs.messages.size(), 1);
}

// Page 2 of XI-A shows the final products and substances of the product
// page 1 is on, and nothing is stored that the clerk did not type.
TEST(LeaveField, DetailListsFollowTheirProduct)
{
    EntryFixture f;
    carriedProduct(f, QStringLiteral("2801.20.10"), QStringLiteral("IODO"));
    f.store.exec(QStringLiteral("INSERT INTO ProdutoFinal (CdCNPJEmpr, NrAno, NmMes, CdProduto, CdNCM, NmProduto, "
                                "VlDensidade, QtProdFinal, DsUnidade) SELECT CdCNPJEmpr, NrAno, NmMes, CdProduto, "
                                "'2807.00.10', 'ÁCIDO SULFÚRICO', 1.1, 5, 'Kg' FROM Produtos"));
    reread(f);
    entry::ControleGeralWindow w(f.dm, f.dialogs);
    w.open();
    showActive(w);
    auto *pages = child<QTabWidget>(w, QStringLiteral("pgcPaginas"));
    alt(Qt::Key_2);
    ASSERT_EQ(pages->currentIndex(), 1);
    // A substance of the final product, saved with the keys; the focus
    // stays in its concentration.
    child(w, QStringLiteral("edtCdNCMProdutFinal"))->setFocus(Qt::TabFocusReason);
    alt(Qt::Key_N, Qt::ShiftModifier);
    keys(QStringLiteral("29023000"));
    tab();
    tab();
    keys(QStringLiteral("3"));
    alt(Qt::Key_S, Qt::ShiftModifier);
    EXPECT_EQ(f.sql(QStringLiteral("SELECT count(*) FROM SubstanciaPresente")).toInt(), 1);
    // A second product on page 1.
    alt(Qt::Key_1);
    ASSERT_EQ(pages->currentIndex(), 0);
    alt(Qt::Key_N);
    keys(QStringLiteral("28061020"));
    tab();
    tab();
    keys(QStringLiteral("37"));
    tab();
    keys(QStringLiteral("1,19"));
    tab();
    keys(QStringLiteral("K"));
    alt(Qt::Key_S);
    EXPECT_EQ(f.sql(QStringLiteral("SELECT count(*) FROM Produtos")).toInt(), 2);
    alt(Qt::Key_2);
    ASSERT_EQ(pages->currentIndex(), 1);
    // The new product has no final product: both lists are empty.
    EXPECT_FALSE(entry::hasDigit(text(w, QStringLiteral("edtCdNCMProdutFinal"))));
    EXPECT_EQ(text(w, QStringLiteral("edtConcentracaoProdutoObtido")), QString());
    EXPECT_FALSE(entry::hasDigit(text(w, QStringLiteral("edtCdNCMProdutoObtido"))));
    EXPECT_TRUE(w.isAncestorOf(focused()));
    // A final product of the new product, typed and saved with the keys.
    alt(Qt::Key_N);
    EXPECT_EQ(focusName(), QStringLiteral("edtCdNCMProdutFinal"));
    keys(QStringLiteral("28070010"));
    tab();
    tab();
    keys(QStringLiteral("1"));
    tab();
    keys(QStringLiteral("2"));
    tab();
    keys(QStringLiteral("K"));
    alt(Qt::Key_S);
    EXPECT_TRUE(f.dialogs.messages.isEmpty()) << qPrintable(f.dialogs.texts().join(QLatin1Char('|')));
    EXPECT_EQ(f.sql(QStringLiteral("SELECT count(*) FROM ProdutoFinal")).toInt(), 2);
    EXPECT_FALSE(entry::hasDigit(text(w, QStringLiteral("edtCdNCMProdutoObtido"))));
    // Tabbing through the empty substance group starts nothing.
    child(w, QStringLiteral("edtCdNCMProdutoObtido"))->setFocus(Qt::TabFocusReason);
    tab();
    tab();
    tab();
    EXPECT_TRUE(f.dialogs.messages.isEmpty()) << qPrintable(f.dialogs.texts().join(QLatin1Char('|')));
    EXPECT_TRUE(w.closePrompts());
    EXPECT_TRUE(f.dialogs.messages.isEmpty()) << qPrintable(f.dialogs.texts().join(QLatin1Char('|')));
    EXPECT_EQ(f.sql(QStringLiteral("SELECT count(*) FROM SubstanciaPresente")).toInt(), 1);
    EXPECT_EQ(f.sql(QStringLiteral("SELECT count(*) FROM ProdutoFinal")).toInt(), 2);
}

// Deleting the only final product and adding another shows no substance of
// the deleted one.
TEST(LeaveField, SubstancesOfADeletedFinalProductAreGone)
{
    EntryFixture f;
    carriedProduct(f, QStringLiteral("2801.20.10"), QStringLiteral("IODO"));
    f.store.exec(QStringLiteral("INSERT INTO ProdutoFinal (CdCNPJEmpr, NrAno, NmMes, CdProduto, CdNCM, NmProduto, "
                                "VlDensidade, QtProdFinal, DsUnidade) SELECT CdCNPJEmpr, NrAno, NmMes, CdProduto, "
                                "'2807.00.10', 'ÁCIDO SULFÚRICO', 1.1, 5, 'Kg' FROM Produtos"));
    f.store.exec(QStringLiteral("INSERT INTO SubstanciaPresente (CdCNPJEmpr, NrAno, NmMes, CdProduto, CdProdFinal, "
                                "CdNCM, NmProduto, VlConcentracao) SELECT CdCNPJEmpr, NrAno, NmMes, CdProduto, "
                                "CdProdFinal, '2902.30.00', 'TOLUENO', 3 FROM ProdutoFinal"));
    reread(f);
    entry::ControleGeralWindow w(f.dm, f.dialogs);
    w.open();
    showActive(w);
    alt(Qt::Key_2);
    EXPECT_EQ(text(w, QStringLiteral("cmbProdutoPresente")), QStringLiteral("TOLUENO"));
    child(w, QStringLiteral("edtCdNCMProdutFinal"))->setFocus(Qt::TabFocusReason);
    f.dialogs.answer(Answer::Yes);
    alt(Qt::Key_E);
    EXPECT_EQ(f.sql(QStringLiteral("SELECT count(*) FROM ProdutoFinal")).toInt(), 0);
    EXPECT_EQ(text(w, QStringLiteral("cmbProdutoPresente")), QString());
    alt(Qt::Key_N);
    keys(QStringLiteral("28070010"));
    tab();
    tab();
    keys(QStringLiteral("1"));
    tab();
    keys(QStringLiteral("2"));
    tab();
    keys(QStringLiteral("K"));
    alt(Qt::Key_S);
    EXPECT_EQ(text(w, QStringLiteral("cmbProdutoPresente")), QString());
    EXPECT_EQ(text(w, QStringLiteral("edtConcentracaoProdutoObtido")), QString());
    child(w, QStringLiteral("edtCdNCMProdutoObtido"))->setFocus(Qt::TabFocusReason);
    tab();
    tab();
    tab();
    f.dialogs.clear();
    EXPECT_TRUE(w.closePrompts());
    EXPECT_TRUE(f.dialogs.messages.isEmpty()) << qPrintable(f.dialogs.texts().join(QLatin1Char('|')));
    EXPECT_EQ(f.sql(QStringLiteral("SELECT count(*) FROM SubstanciaPresente")).toInt(), 0);
}

// The main window's commands leave the field first: Validar and closing the
// window stop on a refused field, with the focus kept there.
TEST(LeaveField, MainWindowCommandsStopOnARefusedField)
{
    Desktop d;
    d.show('B');
    entry::EntryWindow *b = d.screen('B');
    ASSERT_NE(b, nullptr);
    child(*b, QStringLiteral("edtDia"))->setFocus(Qt::TabFocusReason);
    keys(QStringLiteral("31"));
    d.window->command(QStringLiteral("mniValidar"))->trigger();
    EXPECT_EQ(d.dialogs.texts(), QStringList{msg::kDiaInvalido});
    EXPECT_EQ(focusName(), QStringLiteral("edtDia"));
    EXPECT_EQ(d.sql(QStringLiteral("SELECT count(*) FROM Movimentacao")).toInt(), 0);
    d.dialogs.clear();
    EXPECT_FALSE(d.window->annexWindow(QLatin1Char('B'))->close());
    EXPECT_EQ(d.dialogs.texts(), QStringList{msg::kDiaInvalido});
    EXPECT_NE(d.window->annexWindow(QLatin1Char('B')), nullptr);
    d.dialogs.clear();
}

// Validar right after opening asks nothing about the untouched fields and
// leaves XI-A on the product it showed.
TEST(LeaveField, ValidarAsksNothingAndKeepsTheProduct)
{
    Desktop d;
    carriedProduct(d.store, QStringLiteral("2801.20.10"), QStringLiteral("IODO DE OUTRA LISTA"));
    carriedProduct(d.store, QStringLiteral("2902.30.00"), QStringLiteral("TOLUENO"));
    d.window->reloadData(d.window->currentPeriod());
    d.show('A');
    auto *a = qobject_cast<entry::ControleGeralWindow *>(d.screen('A'));
    ASSERT_NE(a, nullptr);
    a->products().table().first();
    child(*a, QStringLiteral("cmbProdutos"))->setFocus(Qt::TabFocusReason);
    d.window->command(QStringLiteral("mniValidar"))->trigger();
    for (const auto &m : d.dialogs.messages)
        EXPECT_NE(m.text, msg::kNomeInexistente);
    d.show('A');
    EXPECT_EQ(a->products().table().row(), 0);
    EXPECT_EQ(text(*a, QStringLiteral("cmbProdutos")), QStringLiteral("IODO DE OUTRA LISTA"));
}
