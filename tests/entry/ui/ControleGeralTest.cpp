#include "EntryFixture.h"

#include "entry/Messages.h"
#include "entry/ui/ControleGeralWindow.h"
#include "store/Messages.h"

#include <QGroupBox>
#include <QTabWidget>
#include <QToolButton>

using namespace quirels;
using namespace quirels::test;
namespace msg = quirels::entry::msg;
using Kind = ScriptedDialogs::Kind;

namespace {

struct GeneralScreen : EntryFixture {
    entry::ControleGeralWindow w{dm, dialogs};

    GeneralScreen()
    {
        w.open();
        showActive(w);
    }

    // Starts a product with its code (the name comes from the list),
    // concentration, density and unit.
    void startProduct()
    {
        press(w, QStringLiteral("btnNovo"));
        enter(w, QStringLiteral("edtCdProduto"), QStringLiteral("28012010"));
        enter(w, QStringLiteral("edtConcentracaoDemon"), QStringLiteral("99"));
        enter(w, QStringLiteral("edtDensidadeDemon"), QStringLiteral("1,5"));
        enter(w, QStringLiteral("cmbUnDemon"), QStringLiteral("Kg"));
    }

    QVariant product(const char *field) const
    {
        return sql(QStringLiteral("SELECT %1 FROM Produtos ORDER BY CdProduto DESC LIMIT 1").arg(QLatin1String(field)));
    }
};

} // namespace

TEST(ControleGeral, ClosingStockIsRecomputedOnLeavingAQuantity)
{
    struct Case {
        QList<QPair<const char *, const char *>> typed;
        const char *shown;
        double stored;
    };
    const QList<Case> cases{
        {{{"edtEstoqueAnterior", "100"}, {"edtCompra", "50"}, {"edtVenda", "30"}}, "120,000", 120},
        {{{"edtEstoqueAnterior", "100"}, {"edtReciclagem", "10"}}, "100,000", 100},
        {{{"edtEstoqueAnterior", "100"}, {"edtTransformacao", "20"}}, "80,000", 80},
        {{{"edtEstoqueAnterior", "100"}, {"edtProducao", "7,5"}, {"edtVenda", "150"}}, "-42,500", -42.5},
    };
    for (const Case &c : cases) {
        GeneralScreen s;
        s.startProduct();
        for (const auto &[control, value] : c.typed) {
            enter(s.w, QLatin1String(control), QLatin1String(value));
            // Each quantity is rewritten with three decimals at once.
            EXPECT_TRUE(text(s.w, QLatin1String(control)).endsWith(QLatin1String(",000"))
                        || text(s.w, QLatin1String(control)).endsWith(QLatin1String(",500")))
                << control;
        }
        EXPECT_EQ(text(s.w, QStringLiteral("edtEstoqueAtual")), QLatin1String(c.shown));
        press(s.w, QStringLiteral("btnSalvar"));
        EXPECT_TRUE(s.dialogs.messages.isEmpty()) << qPrintable(s.dialogs.texts().join(QLatin1Char('|')));
        EXPECT_DOUBLE_EQ(s.product("QtEstoqueAtual").toDouble(), c.stored);
        EXPECT_EQ(s.product("NmProduto").toString(), QStringLiteral("IODO"));
        EXPECT_EQ(focusName(), QStringLiteral("btnNovo"));
    }
}

TEST(ControleGeral, NegativeQuantityIsEmptiedAndKeepsTheBalance)
{
    GeneralScreen s;
    s.startProduct();
    enter(s.w, QStringLiteral("edtEstoqueAnterior"), QStringLiteral("100"));
    enter(s.w, QStringLiteral("edtPerdas"), QStringLiteral("-1"));
    EXPECT_EQ(s.dialogs.texts(), QStringList{msg::kNegativo});
    EXPECT_EQ(s.dialogs.focused.last(), QStringLiteral("edtPerdas"));
    EXPECT_EQ(focusName(), QStringLiteral("edtPerdas"));
    EXPECT_EQ(text(s.w, QStringLiteral("edtPerdas")), QString());
    EXPECT_EQ(text(s.w, QStringLiteral("edtEstoqueAtual")), QStringLiteral("100,000"));
    EXPECT_FALSE(s.dm.produtos().value(QStringLiteral("QtPerdas")).isValid());
    // Zero is accepted.
    enter(s.w, QStringLiteral("edtPerdas"), QStringLiteral("0"));
    EXPECT_EQ(s.dialogs.messages.size(), 1);
    EXPECT_EQ(text(s.w, QStringLiteral("edtPerdas")), QStringLiteral("0,000"));
}

TEST(ControleGeral, ProductWithoutQuantitiesIsSavedWithZeros)
{
    GeneralScreen s;
    s.startProduct();
    press(s.w, QStringLiteral("btnSalvar"));
    EXPECT_EQ(s.sql(QStringLiteral("SELECT count(*) FROM Produtos")).toInt(), 1);
    EXPECT_EQ(s.product("QtEstoqueAtual").toDouble(), 0.0);
    EXPECT_EQ(s.product("QtSaidasDiv").toDouble(), 0.0);
    EXPECT_FALSE(s.product("QtSaidasDiv").isNull());
    EXPECT_EQ(text(s.w, QStringLiteral("edtEstoqueAtual")), QStringLiteral("0,000"));
}

TEST(ControleGeral, PageTwoFollowsProductsAndFinalProducts)
{
    GeneralScreen s;
    s.w.pages()->setCurrentIndex(1);
    const QStringList lists{QStringLiteral("ProdFinal"), QStringLiteral("Substancia")};
    for (const QString &l : lists)
        for (const char *b : {"btnNovo", "btnSalvar", "btnCancelar", "btnExcluir"})
            EXPECT_FALSE(enabled(s.w, QLatin1String(b) + l)) << b << qPrintable(l);

    s.w.pages()->setCurrentIndex(0);
    s.startProduct();
    press(s.w, QStringLiteral("btnSalvar"));
    s.w.pages()->setCurrentIndex(1);
    EXPECT_TRUE(enabled(s.w, QStringLiteral("btnNovoProdFinal")));
    EXPECT_FALSE(enabled(s.w, QStringLiteral("btnNovoSubstancia")));

    // The first final product opens the substances.
    press(s.w, QStringLiteral("btnNovoProdFinal"));
    EXPECT_EQ(focusName(), QStringLiteral("edtCdNCMProdutFinal"));
    enter(s.w, QStringLiteral("edtCdNCMProdutFinal"), QStringLiteral("28012010"));
    enter(s.w, QStringLiteral("edtDensidadeProd"), QStringLiteral("1"));
    enter(s.w, QStringLiteral("edtQtdProduto"), QStringLiteral("0"));
    enter(s.w, QStringLiteral("cmbUnidadeProd"), QStringLiteral("litro"));
    // The record rule refuses a quantity of zero; the row stays pending.
    press(s.w, QStringLiteral("btnSalvarProdFinal"));
    EXPECT_EQ(s.dialogs.lastText(), store::msg::kQuantidadeFinalPositiva);
    EXPECT_TRUE(enabled(s.w, QStringLiteral("btnSalvarProdFinal")));
    EXPECT_FALSE(enabled(s.w, QStringLiteral("btnNovoSubstancia")));
    enter(s.w, QStringLiteral("edtQtdProduto"), QStringLiteral("2"));
    press(s.w, QStringLiteral("btnSalvarProdFinal"));
    EXPECT_EQ(s.sql(QStringLiteral("SELECT count(*) FROM ProdutoFinal")).toInt(), 1);
    EXPECT_TRUE(enabled(s.w, QStringLiteral("btnNovoSubstancia")));

    // A pending substance without its name stops Novo (enabled again by a
    // visit of page 2 while the row is pending).
    press(s.w, QStringLiteral("btnNovoSubstancia"));
    s.dialogs.expect(Kind::Confirm, msg::kNcmInexistente, Answer::Yes);
    enter(s.w, QStringLiteral("edtCdNCMProdutoObtido"), QStringLiteral("99999999"));
    s.w.pages()->setCurrentIndex(0);
    s.w.pages()->setCurrentIndex(1);
    press(s.w, QStringLiteral("btnNovoSubstancia"));
    EXPECT_EQ(s.dialogs.lastText(), msg::kInformarNomeProduto);
    EXPECT_EQ(focusName(), QStringLiteral("cmbProdutoPresente"));
    type(s.w, QStringLiteral("cmbProdutoPresente"), QStringLiteral("x"));
    EXPECT_EQ(text(s.w, QStringLiteral("cmbProdutoPresente")), QStringLiteral("X"));
    press(s.w, QStringLiteral("btnCancelarSubstancia"));
    EXPECT_EQ(s.sql(QStringLiteral("SELECT count(*) FROM SubstanciaPresente")).toInt(), 0);

    // Deleting the only final product closes the substances again.
    s.dialogs.expect(Kind::Confirm, msg::kExcluirRegistro, Answer::Yes);
    press(s.w, QStringLiteral("btnExcluirProdFinal"));
    EXPECT_EQ(s.sql(QStringLiteral("SELECT count(*) FROM ProdutoFinal")).toInt(), 0);
    EXPECT_FALSE(enabled(s.w, QStringLiteral("btnNovoSubstancia")));
    EXPECT_FALSE(enabled(s.w, QStringLiteral("edtCdNCMProdutoObtido")));
}

TEST(ControleGeral, ClosePromptsInTheirOrder)
{
    GeneralScreen s;
    s.startProduct();
    s.w.pages()->setCurrentIndex(2);
    type(s.w, QStringLiteral("memInformacoes"), QStringLiteral("Fabrica em Campinas"));

    // Cancel at the second prompt keeps everything.
    s.dialogs.expect(Kind::YesNoCancel, msg::kEmpresaAlterada, Answer::Yes);
    s.dialogs.expect(Kind::YesNoCancel, msg::kProdutoNaoSalvo, Answer::Cancel);
    ASSERT_FALSE(s.w.close());
    EXPECT_EQ(s.dialogs.texts(), (QStringList{msg::kEmpresaAlterada, msg::kProdutoNaoSalvo}));
    EXPECT_TRUE(s.dm.produtos().isEditing());
    EXPECT_EQ(s.sql(QStringLiteral("SELECT DsInformacoes FROM Empresa")).toString(),
              QStringLiteral("Fabrica em Campinas"));

    // Leaving the company memo saves the pending product.
    s.w.pages()->setCurrentIndex(0);
    EXPECT_EQ(s.sql(QStringLiteral("SELECT count(*) FROM Produtos")).toInt(), 1);

    // A product the record rule refuses stops the closing with its message.
    type(s.w, QStringLiteral("edtDensidadeDemon"), QString());
    tab();
    s.dialogs.expect(Kind::YesNoCancel, msg::kProdutoNaoSalvo, Answer::Yes);
    s.dialogs.expect(Kind::Information, store::msg::kDensidadeProduto);
    EXPECT_FALSE(s.w.close());
    EXPECT_TRUE(s.w.isVisible());

    s.dialogs.expect(Kind::YesNoCancel, msg::kProdutoNaoSalvo, Answer::No);
    s.dialogs.expect(Kind::YesNoCancel, msg::observacoesNaoSalvas(QLatin1Char('A')), Answer::No);
    EXPECT_TRUE(s.w.close());
    EXPECT_TRUE(s.dialogs.failures.isEmpty()) << qPrintable(s.dialogs.failures.join(QLatin1Char('|')));
    EXPECT_EQ(s.dialogs.pendingExpectations(), 0);
    // "Não" dropped the change: the saved product keeps its density.
    EXPECT_DOUBLE_EQ(s.product("VlDensidade").toDouble(), 1.5);
}

// From the keyboard, as a clerk works: after a refusal the focus is on the
// field the message names, wherever it was when the command ran.
TEST(ControleGeral, RefusalsPutTheFocusOnTheFieldNamed)
{
    const auto key = [](Qt::Key k, Qt::KeyboardModifiers m) { QTest::keyClick(focused(), k, m); };
    struct Case {
        const char *name;
        std::function<void(GeneralScreen &)> prepare; // leaves the focus somewhere else
        std::function<void(GeneralScreen &)> run;
        QString message;
        const char *focus;
    };
    const auto productWithoutDensity = [](GeneralScreen &s) {
        s.startProduct();
        type(s.w, QStringLiteral("edtDensidadeDemon"), QString());
        tab();
        type(s.w, QStringLiteral("edtEstoqueAnterior"), QStringLiteral("100"));
    };
    const auto finalWithZeroQuantity = [](GeneralScreen &s) {
        s.startProduct();
        press(s.w, QStringLiteral("btnSalvar"));
        s.w.pages()->setCurrentIndex(1);
        press(s.w, QStringLiteral("btnNovoProdFinal"));
        enter(s.w, QStringLiteral("edtCdNCMProdutFinal"), QStringLiteral("28012010"));
        enter(s.w, QStringLiteral("edtDensidadeProd"), QStringLiteral("1"));
        enter(s.w, QStringLiteral("edtQtdProduto"), QStringLiteral("0"));
        type(s.w, QStringLiteral("cmbUnidadeProd"), QStringLiteral("litro"));
    };
    const auto substanceWithoutConcentration = [&](GeneralScreen &s) {
        finalWithZeroQuantity(s);
        enter(s.w, QStringLiteral("edtQtdProduto"), QStringLiteral("2"));
        key(Qt::Key_S, Qt::AltModifier);
        key(Qt::Key_N, Qt::AltModifier | Qt::ShiftModifier);
        enter(s.w, QStringLiteral("edtCdNCMProdutoObtido"), QStringLiteral("28012010"));
        type(s.w, QStringLiteral("cmbProdutoPresente"), QStringLiteral("IODO"));
    };
    const QList<Case> cases{
        {"product Salvar", productWithoutDensity, [&](GeneralScreen &) { key(Qt::Key_S, Qt::AltModifier); },
         store::msg::kDensidadeProduto, "edtDensidadeDemon"},
        {"product saved on leaving page 3",
         [&](GeneralScreen &s) {
             productWithoutDensity(s);
             s.w.pages()->setCurrentIndex(2);
             child(s.w, QStringLiteral("memInformacoes"))->setFocus(Qt::TabFocusReason);
         },
         [&](GeneralScreen &) { tab(); }, store::msg::kDensidadeProduto, "edtDensidadeDemon"},
        {"final product Salvar", finalWithZeroQuantity, [&](GeneralScreen &) { key(Qt::Key_S, Qt::AltModifier); },
         store::msg::kQuantidadeFinalPositiva, "edtQtdProduto"},
        // The message box has the window inactive until it closes.
        {"final product Salvar behind a box", finalWithZeroQuantity,
         [&](GeneralScreen &s) {
             QApplication::setActiveWindow(nullptr);
             press(s.w, QStringLiteral("btnSalvarProdFinal"));
             QApplication::setActiveWindow(&s.w);
             QCoreApplication::processEvents();
         },
         store::msg::kQuantidadeFinalPositiva, "edtQtdProduto"},
        {"substance Salvar", substanceWithoutConcentration,
         [&](GeneralScreen &) { key(Qt::Key_S, Qt::AltModifier | Qt::ShiftModifier); },
         store::msg::kConcentracao, "edtConcentracaoProdutoObtido"},
        {"substance closing", substanceWithoutConcentration,
         [&](GeneralScreen &s) {
             s.dialogs.answer(Answer::Yes);
             EXPECT_FALSE(s.w.close());
         },
         store::msg::kConcentracao, "edtConcentracaoProdutoObtido"},
    };
    for (const Case &c : cases) {
        GeneralScreen s;
        c.prepare(s);
        s.dialogs.messages.clear();
        c.run(s);
        EXPECT_EQ(s.dialogs.lastText(), c.message) << c.name;
        EXPECT_EQ(focusName(), QLatin1String(c.focus)) << c.name;
        // What is typed next replaces the refused value.
        if (auto *e = qobject_cast<QLineEdit *>(focused())) {
            EXPECT_EQ(e->selectedText(), e->text()) << c.name;
        }
    }
}

TEST(ControleGeral, SavedSubstanceLeavesTheFocusOnItsNovo)
{
    GeneralScreen s;
    s.startProduct();
    press(s.w, QStringLiteral("btnSalvar"));
    s.w.pages()->setCurrentIndex(1);
    press(s.w, QStringLiteral("btnNovoProdFinal"));
    enter(s.w, QStringLiteral("edtCdNCMProdutFinal"), QStringLiteral("28012010"));
    enter(s.w, QStringLiteral("edtDensidadeProd"), QStringLiteral("1"));
    enter(s.w, QStringLiteral("edtQtdProduto"), QStringLiteral("2"));
    enter(s.w, QStringLiteral("cmbUnidadeProd"), QStringLiteral("Kg"));
    // Tab from the last field reaches Salvar (Novo is disabled while editing).
    ASSERT_EQ(focusName(), QStringLiteral("btnSalvarProdFinal"));
    QTest::keyClick(focused(), Qt::Key_Space);
    EXPECT_EQ(focusName(), QStringLiteral("btnNovoProdFinal"));
    QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier | Qt::ShiftModifier);
    ASSERT_EQ(focusName(), QStringLiteral("edtCdNCMProdutoObtido"));
    enter(s.w, QStringLiteral("edtCdNCMProdutoObtido"), QStringLiteral("28012010"));
    enter(s.w, QStringLiteral("edtConcentracaoProdutoObtido"), QStringLiteral("10"));
    ASSERT_EQ(focusName(), QStringLiteral("btnSalvarSubstancia"));
    QTest::keyClick(focused(), Qt::Key_Space);
    EXPECT_EQ(s.sql(QStringLiteral("SELECT count(*) FROM SubstanciaPresente")).toInt(), 1);
    EXPECT_EQ(focusName(), QStringLiteral("btnNovoSubstancia"));
}

// Page 2 from the keyboard: Alt with N, S, C and E acts on the group the
// focus is in, the substances keep Alt+Shift for themselves, Ctrl+Shift moves
// the product, and tabbing past a saved final product whose code is not in
// the list asks about it once.
TEST(ControleGeral, PageTwoKeysActOnTheGroupInFocus)
{
    EntryFixture f;
    for (const char *name : {"ACETONA", "TOLUENO"})
        f.store.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM, NmProduto, VlConcentracao, "
                                    "VlDensidade, DsUnidade) VALUES ('%1', '2004', 'FEV', '2914.11.00', '%2', 99, 1, 'Kg')")
                         .arg(kCnpj, QLatin1String(name)));
    f.store.exec(QStringLiteral("INSERT INTO ProdutoFinal (CdCNPJEmpr, NrAno, NmMes, CdProduto, CdNCM, NmProduto, "
                                "VlDensidade, QtProdFinal, DsUnidade) SELECT CdCNPJEmpr, NrAno, NmMes, CdProduto, "
                                "'3814.00.00', 'SOLVENTE', 1, 2, 'Kg' FROM Produtos WHERE NmProduto = 'TOLUENO'"));
    for (store::Cursor *c : f.dm.cursors())
        if (c->isOpen())
            c->refresh();
    entry::ControleGeralWindow w(f.dm, f.dialogs);
    w.open();
    showActive(w);
    const auto keyOn = [](Qt::Key key, Qt::KeyboardModifiers mods) { QTest::keyClick(focused(), key, mods); };

    w.pages()->setCurrentIndex(1);
    ASSERT_EQ(text(w, QStringLiteral("cmbProdutoFinal")), QString());
    child(w, QStringLiteral("edtDensidadeProd"))->setFocus(Qt::TabFocusReason);
    keyOn(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.products().table().value(QStringLiteral("NmProduto")).toString(), QStringLiteral("TOLUENO"));
    EXPECT_EQ(text(w, QStringLiteral("cmbProdutoFinal")), QStringLiteral("SOLVENTE"));
    EXPECT_TRUE(enabled(w, QStringLiteral("btnNovoSubstancia")));
    keyOn(Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.products().table().value(QStringLiteral("NmProduto")).toString(), QStringLiteral("ACETONA"));
    keyOn(Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.products().table().value(QStringLiteral("NmProduto")).toString(), QStringLiteral("TOLUENO"));

    // Tabbing through the saved code asks once, however often it is passed.
    f.dialogs.expect(Kind::Confirm, msg::kNcmInexistente, Answer::Yes);
    child(w, QStringLiteral("edtCdNCMProdutFinal"))->setFocus(Qt::TabFocusReason);
    for (int pass = 0; pass < 3; ++pass) {
        tab();
        EXPECT_EQ(focusName(), QStringLiteral("cmbProdutoFinal"));
        QTest::keyClick(focused(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(focusName(), QStringLiteral("edtCdNCMProdutFinal"));
    }
    EXPECT_EQ(f.dialogs.texts(), QStringList{msg::kNcmInexistente});

    // Alt+N in the substances starts a substance, not a final product.
    child(w, QStringLiteral("edtCdNCMProdutoObtido"))->setFocus(Qt::TabFocusReason);
    keyOn(Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(focusName(), QStringLiteral("edtCdNCMProdutoObtido"));
    EXPECT_TRUE(enabled(w, QStringLiteral("btnCancelarSubstancia")));
    EXPECT_TRUE(enabled(w, QStringLiteral("btnNovoProdFinal")));
    keyOn(Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(enabled(w, QStringLiteral("btnNovoSubstancia")));
    // From the final products: Alt+Shift+N is the substances', Alt+N theirs.
    child(w, QStringLiteral("edtDensidadeProd"))->setFocus(Qt::TabFocusReason);
    keyOn(Qt::Key_N, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(focusName(), QStringLiteral("edtCdNCMProdutoObtido"));
    keyOn(Qt::Key_C, Qt::AltModifier);
    child(w, QStringLiteral("edtDensidadeProd"))->setFocus(Qt::TabFocusReason);
    keyOn(Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(focusName(), QStringLiteral("edtCdNCMProdutFinal"));
    EXPECT_TRUE(enabled(w, QStringLiteral("btnCancelarProdFinal")));
    keyOn(Qt::Key_C, Qt::AltModifier);
    // Moving to a product without final products from the substances: the
    // focus goes to the final products, the substances close.
    child(w, QStringLiteral("edtConcentracaoProdutoObtido"))->setFocus(Qt::TabFocusReason);
    keyOn(Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(enabled(w, QStringLiteral("edtCdNCMProdutoObtido")));
    EXPECT_EQ(focusName(), QStringLiteral("edtCdNCMProdutFinal"));
    EXPECT_EQ(f.sql(QStringLiteral("SELECT count(*) FROM ProdutoFinal")).toInt(), 1);
    EXPECT_EQ(f.sql(QStringLiteral("SELECT count(*) FROM SubstanciaPresente")).toInt(), 0);
    EXPECT_TRUE(f.dialogs.failures.isEmpty()) << qPrintable(f.dialogs.failures.join(QLatin1Char('|')));
}
