#include "store/Messages.h"
#include "store/RecordRules.h"
#include "support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace quirels;
namespace rules = quirels::store::rules;
namespace msg = quirels::store::msg;

namespace {

QVariantMap completeProduct()
{
    return {{QStringLiteral("CdNCM"), QStringLiteral("2939.41.00")},
            {QStringLiteral("VlConcentracao"), 98.5},
            {QStringLiteral("VlDensidade"), 1.2},
            {QStringLiteral("DsUnidade"), QStringLiteral("Kg")}};
}

// The one message a check showed, or an empty text when it passed.
QString messageOf(bool (*check)(const QVariantMap &, Dialogs &), const QVariantMap &row)
{
    ScriptedDialogs d;
    const bool ok = check(row, d);
    EXPECT_EQ(ok, d.messages.isEmpty());
    EXPECT_LE(d.messages.size(), 1);
    if (!d.messages.isEmpty()) {
        EXPECT_EQ(d.messages.first().kind, ScriptedDialogs::Kind::Information);
    }
    return d.lastText();
}

} // namespace

TEST(RecordRules, ProductChecksFirstMissingFieldWins)
{
    struct Case {
        QStringList clear;
        QVariant blankUnit; // a value given to DsUnidade instead of clearing
        QString message;
    };
    const QList<Case> cases{
        {{}, {}, QString()},
        {{QStringLiteral("DsUnidade")}, {}, msg::kUnidadeEstoqueAtual},
        {{}, QStringLiteral("   "), msg::kUnidadeEstoqueAtual},
        {{QStringLiteral("VlDensidade"), QStringLiteral("DsUnidade")}, {}, msg::kDensidadeProduto},
        {{QStringLiteral("VlConcentracao"), QStringLiteral("VlDensidade")}, {}, msg::kConcentracao},
        {{QStringLiteral("CdNCM"), QStringLiteral("VlConcentracao"), QStringLiteral("DsUnidade")}, {}, msg::kProdutoCodigoOuNome},
    };
    for (const Case &c : cases) {
        QVariantMap row = completeProduct();
        for (const QString &f : c.clear)
            row.remove(f);
        if (c.blankUnit.isValid())
            row.insert(QStringLiteral("DsUnidade"), c.blankUnit);
        EXPECT_EQ(messageOf(rules::validarProduto, row), c.message) << qPrintable(c.clear.join(QLatin1Char(',')));
    }
    // A null value and an empty text are no value either.
    QVariantMap row = completeProduct();
    row.insert(QStringLiteral("VlDensidade"), QVariant());
    EXPECT_EQ(messageOf(rules::validarProduto, row), msg::kDensidadeProduto);
    row = completeProduct();
    row.insert(QStringLiteral("CdNCM"), QString());
    EXPECT_EQ(messageOf(rules::validarProduto, row), msg::kProdutoCodigoOuNome);
}

TEST(RecordRules, FinalProductAndSubstanceChecks)
{
    const QVariantMap base{{QStringLiteral("CdNCM"), QStringLiteral("2939.41.00")},
                           {QStringLiteral("VlDensidade"), 1.0},
                           {QStringLiteral("QtProdFinal"), 10.0},
                           {QStringLiteral("DsUnidade"), QStringLiteral("litro")}};
    struct Case {
        const char *field;
        QVariant value; // invalid: remove the field
        QString message;
    };
    const QList<Case> cases{
        {"CdNCM", {}, msg::kCodigoProduto},
        {"VlDensidade", {}, msg::kDensidadeFinal},
        {"QtProdFinal", {}, msg::kQuantidadeFinal},
        {"QtProdFinal", 0.0, msg::kQuantidadeFinalPositiva},
        {"QtProdFinal", -3.0, msg::kQuantidadeFinalPositiva},
        {"DsUnidade", {}, msg::kUnidade},
        {"DsUnidade", QStringLiteral("Kg"), QString()},
    };
    for (const Case &c : cases) {
        QVariantMap row = base;
        if (c.value.isValid())
            row.insert(QString::fromLatin1(c.field), c.value);
        else
            row.remove(QString::fromLatin1(c.field));
        EXPECT_EQ(messageOf(rules::validarProdutoFinal, row), c.message) << c.field;
    }
    // 0.001 passes the quantity test and stops at the missing unit.
    QVariantMap tiny = base;
    tiny.insert(QStringLiteral("QtProdFinal"), 0.001);
    tiny.remove(QStringLiteral("DsUnidade"));
    EXPECT_EQ(messageOf(rules::validarProdutoFinal, tiny), msg::kUnidade);

    const QVariantMap substance{{QStringLiteral("CdNCM"), QStringLiteral("2939.41.00")},
                                {QStringLiteral("VlConcentracao"), 5.0}};
    EXPECT_EQ(messageOf(rules::validarSubstanciaPresente, substance), QString());
    QVariantMap s = substance;
    s.remove(QStringLiteral("VlConcentracao"));
    EXPECT_EQ(messageOf(rules::validarSubstanciaPresente, s), msg::kConcentracao);
    s.insert(QStringLiteral("CdNCM"), QString());
    EXPECT_EQ(messageOf(rules::validarSubstanciaPresente, s), msg::kCodigoProduto);
}

TEST(RecordRules, ClosingStock)
{
    // 100 + 50 - 30 = 120; recycling takes no part.
    QVariantMap row = completeProduct();
    row.insert(QStringLiteral("QtEstoqueAnt"), 100.0);
    row.insert(QStringLiteral("QtCompras"), 50.0);
    row.insert(QStringLiteral("QtVendas"), 30.0);
    row.insert(QStringLiteral("QtReciclagem"), 20.0);
    rules::applyClosingStock(row);
    EXPECT_DOUBLE_EQ(row.value(QStringLiteral("QtEstoqueAtual")).toDouble(), 120.0);
    EXPECT_DOUBLE_EQ(row.value(QStringLiteral("QtReciclagem")).toDouble(), 20.0);

    // A typed closing stock stays, 0 included; the empty quantities become 0.
    for (double typed : {7.0, 0.0}) {
        QVariantMap kept = completeProduct();
        kept.insert(QStringLiteral("QtEstoqueAnt"), 100.0);
        kept.insert(QStringLiteral("QtEstoqueAtual"), typed);
        rules::applyClosingStock(kept);
        EXPECT_DOUBLE_EQ(kept.value(QStringLiteral("QtEstoqueAtual")).toDouble(), typed);
        EXPECT_EQ(kept.value(QStringLiteral("QtVendas")), QVariant(0.0));
    }

    // No quantity at all: the fourteen and the closing stock are 0.
    QVariantMap none = completeProduct();
    none.insert(QStringLiteral("QtPerdas"), QString()); // an empty text counts as empty
    rules::applyClosingStock(none);
    for (const QString &f : rules::quantityFields())
        EXPECT_EQ(none.value(f), QVariant(0.0)) << qPrintable(f);
    EXPECT_EQ(none.value(QStringLiteral("QtEstoqueAtual")), QVariant(0.0));

    // Every term with its sign: in = 1+2-4+8+16+32+64, out = 128+...+4096.
    QVariantMap all;
    const char *in[] = {"QtEstoqueAnt", "QtProducao", "QtTransformacao", "QtCompras", "QtImportacao", "QtEntradasDiv", "QtReaproveitamento"};
    const char *out[] = {"QtUtilizacao", "QtVendas", "QtExportacao", "QtPerdas", "QtEvaporacao", "QtSaidasDiv"};
    double v = 1;
    for (const char *f : in) {
        all.insert(QString::fromLatin1(f), v);
        v *= 2;
    }
    for (const char *f : out) {
        all.insert(QString::fromLatin1(f), v);
        v *= 2;
    }
    all.insert(QStringLiteral("QtReciclagem"), 1e6);
    EXPECT_DOUBLE_EQ(rules::closingStock(all), (1 + 2 - 4 + 8 + 16 + 32 + 64) - (128 + 256 + 512 + 1024 + 2048 + 4096));

    // The outflows are summed before they are subtracted: with doubles the
    // order shows in the last bits.
    // 1 - 2^-54 rounds back to 1, while 1 - (2^-54 + 2^-54) does not.
    const double half = std::ldexp(1.0, -54);
    QVariantMap order{{QStringLiteral("QtEstoqueAnt"), 1.0}, {QStringLiteral("QtVendas"), half}, {QStringLiteral("QtPerdas"), half}};
    EXPECT_EQ(rules::closingStock(order), 1.0 - std::ldexp(1.0, -53));
    EXPECT_NE(rules::closingStock(order), 1.0);
}

TEST(RecordRules, RangeAndWidth)
{
    const schema::Table &produtos = *schema::table(QStringLiteral("Produtos"));
    const QString field = QStringLiteral("VlConcentracao");
    EXPECT_EQ(rules::rangeMessage(produtos, field, 100.0), QString());
    EXPECT_EQ(rules::rangeMessage(produtos, field, 0.0), QString());
    EXPECT_EQ(rules::rangeMessage(produtos, field, QVariant()), QString());
    EXPECT_EQ(rules::rangeMessage(produtos, field, 100.01),
              QStringLiteral("100,01 Não é um valor válido para o campo 'VlConcentracao'. A faixa permitida é de 0 até 100"));
    EXPECT_EQ(rules::rangeMessage(produtos, QStringLiteral("vldensidade"), -1.0),
              QStringLiteral("-1 Não é um valor válido para o campo 'VlDensidade'. A faixa permitida é de 0 até 100"));
    EXPECT_EQ(rules::rangeMessage(produtos, field, QStringLiteral("150,5")),
              QStringLiteral("150,5 Não é um valor válido para o campo 'VlConcentracao'. A faixa permitida é de 0 até 100"));
    // Fields without the range take any value.
    EXPECT_EQ(rules::rangeMessage(produtos, QStringLiteral("QtCompras"), 1e9), QString());
    EXPECT_EQ(rules::rangeMessage(*schema::table(QStringLiteral("Importacao")), field, 250.0), QString());

    const schema::Table &mov = *schema::table(QStringLiteral("Movimentacao"));
    EXPECT_EQ(rules::widthMessage(mov, QStringLiteral("NrDia"), QStringLiteral("31")), QString());
    EXPECT_EQ(rules::widthMessage(mov, QStringLiteral("NrDia"), QStringLiteral("310")), msg::kTextoLongo.arg(QStringLiteral("NrDia")).arg(2));
    const schema::Table &obs = *schema::table(QStringLiteral("Observacoes"));
    EXPECT_EQ(rules::widthMessage(obs, QStringLiteral("Observacao"), QString(1000, QLatin1Char('x'))), QString());
}

TEST(RecordRules, CounterpartMaskFollowsLengthOrStays)
{
    EXPECT_EQ(rules::counterpartMask(QStringLiteral("11222333000181"), rules::kCpfMask), rules::kCnpjMask);
    EXPECT_EQ(rules::counterpartMask(QStringLiteral("12345678909"), rules::kCnpjMask), rules::kCpfMask);
    EXPECT_EQ(rules::counterpartMask(QString(), rules::kCnpjMask), rules::kCnpjMask);
    EXPECT_EQ(rules::counterpartMask(QStringLiteral("123"), rules::kCpfMask), rules::kCpfMask);
    EXPECT_EQ(rules::counterpartFields(QStringLiteral("movarmazenagem")),
              (QStringList{QStringLiteral("CdProprietario"), QStringLiteral("CdTransportadora")}));
    EXPECT_TRUE(rules::counterpartFields(QStringLiteral("Produtos")).isEmpty());
}
