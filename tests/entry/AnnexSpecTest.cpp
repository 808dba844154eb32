#include "entry/Annex.h"
#include "entry/Lookups.h"
#include "entry/Messages.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::entry;

namespace {

QVariantMap completeMovement()
{
    return {{QStringLiteral("NrDia"), QStringLiteral("10")},
            {QStringLiteral("NrCFOP"), QStringLiteral("1.101")},
            {QStringLiteral("NmProduto"), QStringLiteral("TOLUENO")},
            {QStringLiteral("VlConcentracao"), 99.5},
            {QStringLiteral("VlQuantidade"), 10.0},
            {QStringLiteral("NmUnidade"), QStringLiteral("Kg")},
            {QStringLiteral("NrNF"), QStringLiteral("123")},
            {QStringLiteral("CdFornecedor"), QStringLiteral("11222333000181")},
            {QStringLiteral("CdTransportadora"), QStringLiteral("12345678909")}};
}

} // namespace

TEST(AnnexB, RequiredChecksInOrderWithTheirFocus)
{
    test::TempStore store;
    Lookups lookups(store.db());
    const CheckContext ctx{CheckMode::Salvar, &lookups};
    const QList<RequiredCheck> &checks = annexB().main.checks;

    // A complete row passes, even without an NCM code.
    EXPECT_EQ(firstMissing(checks, completeMovement(), ctx), nullptr);

    struct Case {
        const char *field;
        QVariant value;
        QString message;
        const char *focus;
    };
    const Case cases[] = {
        {"NrDia", QStringLiteral("  "), msg::kInformarDia, "edtDia"},
        {"NrCFOP", QStringLiteral("_.___"), msg::kInformarCfop, "edtCFOP"},
        {"NrCFOP", QStringLiteral("9.999"), msg::kInformarCfop, "cmbCFOP"},
        {"NmProduto", QVariant(), msg::kInformarNomeControlado, "cmbProduto"},
        {"VlConcentracao", QVariant(), msg::kInformarConcentracao, "edtConcentracao"},
        {"VlQuantidade", QVariant(), msg::kInformarQuantidade, "edtQuantidade"},
        {"NmUnidade", QString(), msg::kInformarUnidade, "cmbUnidade"},
        {"NrNF", QStringLiteral(" "), msg::kInformarNotaFiscal, "edtNF"},
        {"CdFornecedor", QString(), msg::kInformarFornecedor, "edtCNPJFornecedor"},
        {"CdTransportadora", QString(), msg::kInformarTransportadora, "edtCNPJTransportadora"},
    };
    for (const Case &c : cases) {
        QVariantMap row = completeMovement();
        row.insert(QString::fromLatin1(c.field), c.value);
        const RequiredCheck *failed = firstMissing(checks, row, ctx);
        ASSERT_NE(failed, nullptr) << c.field;
        EXPECT_EQ(failed->message, c.message) << c.field;
        EXPECT_EQ(failed->focus, QString::fromLatin1(c.focus)) << c.field;
    }

    // The first failure wins: an empty row stops at the day.
    EXPECT_EQ(firstMissing(checks, {}, ctx)->focus, QStringLiteral("edtDia"));
}

TEST(AnnexA, SubstanceChecksRunOnNovoOnly)
{
    const QList<RequiredCheck> &checks = annexASubstances().checks;
    const QVariantMap noName{{QStringLiteral("CdNCM"), QStringLiteral("2807.00.10")}};
    const RequiredCheck *onNovo = firstMissing(checks, noName, {CheckMode::Novo, nullptr});
    ASSERT_NE(onNovo, nullptr);
    EXPECT_EQ(onNovo->message, msg::kInformarNomeProduto);
    EXPECT_EQ(onNovo->focus, QStringLiteral("cmbProdutoPresente"));
    EXPECT_EQ(firstMissing(checks, {}, {CheckMode::Novo, nullptr})->message, msg::kInformarCodigoProduto);
    EXPECT_EQ(firstMissing(checks, noName, {CheckMode::Salvar, nullptr}), nullptr);
    // Products and final products have no checks of the screen.
    EXPECT_TRUE(annexA().main.checks.isEmpty());
    EXPECT_TRUE(annexAFinalProducts().checks.isEmpty());
}

TEST(Annexes, EveryControlIsNamedOnceAndEveryGridColumnIsAField)
{
    for (const AnnexSpec *a : {&annexA(), &annexB()}) {
        QStringList controls;
        for (const FieldSpec &f : a->main.fields) {
            EXPECT_FALSE(controls.contains(f.control)) << qPrintable(f.control);
            controls.append(f.control);
        }
        for (const GridColumn &c : a->main.grid)
            EXPECT_NE(a->main.fieldByName(c.field), nullptr) << qPrintable(c.field);
        for (const RequiredCheck &c : a->main.checks)
            EXPECT_NE(a->main.fieldByControl(c.focus), nullptr) << qPrintable(c.focus);
    }
    EXPECT_EQ(annexB().observationLabel(), QStringLiteral("Observações Anexo B"));
    EXPECT_EQ(annexB().observationControl(), QStringLiteral("memObservacoesAnexoB"));
}
