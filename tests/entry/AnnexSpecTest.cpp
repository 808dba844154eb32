#include "entry/Annex.h"
#include "entry/Lookups.h"
#include "entry/Messages.h"
#include "store/Schema.h"

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
    for (const AnnexSpec *a : {&annexA(), &annexB(), &annexC(), &annexD(), &annexE(), &annexF(), &annexG(), &annexH()}) {
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

namespace {

struct Step {
    const char *field;
    QVariant value;
    QString message;
    const char *focus;
};

QVariant t(const char *utf8) { return QString::fromUtf8(utf8); }

} // namespace

// Each list's checks in their order: from an empty row, every step's field is
// the one asked for next, with its message and focus; the full row passes.
TEST(Annexes, RequiredChecksOfAnnexesCToHInTheirOrder)
{
    test::TempStore store;
    Lookups lookups(store.db());
    const QVariant ncm = t("2902.30.00"), name = t("TOLUENO"), kg = t("Kg"), cnpj = t("11222333000181");
    const QList<Step> c = {{"FlIE", t("E"), msg::kInformarOperacao, "rdgOperacao"},
                           {"CdNCM", ncm, msg::kInformarCodigoProdutoQuimico, "edtCodProduto"},
                           {"NmProduto", name, msg::kInformarNomeProdutoQuimico, "cmbProduto"},
                           {"VlConcentracao", 150.0, msg::kInformarConcentracao, "edtConcentracao"},
                           {"QtImportacao", 3.0, msg::kInformarQuantidade, "edtQuantidade"},
                           {"DsUnidade", kg, msg::kInformarUnidade, "cmbUnidade"},
                           {"NrLI", t("03/1234567-8"), msg::kInformarLiRe, "edtLIRE"},
                           {"NrNF", t("4455"), msg::kInformarNumeroNotaFiscal, "edtNF"},
                           {"CdTransportadora", cnpj, msg::kInformarCnpjTransportadora, "edtCNPJTransportadora"},
                           {"NmImportador", t("Chem GmbH"), msg::kInformarImportador, "edtImportador"},
                           {"CdPais", 1058, msg::kInformarPais, "cmbPais"}};
    QList<Step> cNovo = c;
    cNovo.removeAt(4); // Novo lets the quantity wait
    const QList<Step> d = {{"CdNCM", ncm, msg::kInformarCodigoProduto, "edtCodigoProduto"},
                           {"NmProduto", name, msg::kNomeDoProduto, "cmbProduto"},
                           {"VlConcentracao", 10.0, msg::kInformarConcentracao, "edtConcentracao"},
                           {"QtEstoqueAnt", 0.0, msg::kInformarEstoqueAnterior, "edtEstoqueAnterior"},
                           {"QtEstoqueAtual", -2.0, msg::kInformarEstoqueAtual, "edtEstoqueAtual"},
                           {"DsUnidade", kg, msg::kInformarUnidadeDeMedida, "cmbUnidade"},
                           {"CdProprietario", cnpj, msg::kInformarCnpjProprietario, "edtCNPJ"}};
    const QList<Step> e = {{"NrDia", t("5"), msg::kInformarDia, "edtDia"},
                           {"DsES", t("S"), msg::kInformarOperacao, "rdgOperacao"},
                           {"CdNCM", ncm, msg::kInformarCodigoProduto, "edtCodProduto"},
                           {"NmProduto", name, msg::kInformarNomeProduto, "cmbProduto"},
                           {"QtMovArmazenagem", 1.0, msg::kInformarQuantidade, "edtQuantidade"},
                           {"DsUnidade", kg, msg::kInformarUnidade, "cmbUnidade"},
                           {"CdNF", t("12"), msg::kInformarANotaFiscal, "edtNotaFiscal"},
                           {"CdProprietario", cnpj, msg::kInformarCnpjCpfProprietario, "edtCNPJProprietario"},
                           {"CdTransportadora", cnpj, msg::kInformarCnpjCpfTransportadora, "edtCNPJTransportadora"},
                           {"Vlconcentracao", 10.0, msg::kInformarValorDaConcentracao, "edtConcentracao"}};
    const QList<Step> f = {{"NrDia", t("5"), msg::kInformarDia, "edtDia"},
                           {"CdNCM", ncm, msg::kInformarCodigoProduto, "edtCodProduto"},
                           {"NmProduto", name, msg::kInformarNomeProduto, "cmbProduto"},
                           {"VlConcentracao", 10.0, msg::kInformarConcentracao, "edtConcentracao"},
                           {"QtProduto", 1.0, msg::kInformarQuantidadeSo, "edtQuantidade"},
                           {"DsUnidade", kg, msg::kInformarUnidade, "cmbUnidade"},
                           {"NrNF", 77, msg::kInformarNumeroNotaFiscal, "edtNF"},
                           {"CdEmbarcador", cnpj, msg::kInformarEmbarcador, "edtCNPJEmbarcador"},
                           {"SgUFEmbarcador", t("SP"), msg::kInformarUfEmbarcador, "cmbUFEmbarcador"},
                           {"CdDestinatario", cnpj, msg::kInformarDestinatario, "edtCNPJDestinatario"},
                           {"SgUFDestinatario", t("RJ"), msg::kInformarUfDestinatario, "cmbUFDestinatario"}};
    const QList<Step> g = {{"CdNCM", ncm, msg::kInformarCodigoPresente, "edtCodProduto"},
                           {"NmProduto", name, msg::kInformarNomePresente, "cmbProdutoPresente"},
                           {"VlConcentracao", 0.0, msg::kInformarConcentracao, "edtConcentracaoPresente"},
                           {"QtResiduo", 1.0, msg::kInformarQuantidade, "edtQuantidadePresente"},
                           {"DsUnidade", kg, msg::kInformarUnidade, "cmbUnidadePresente"},
                           {"DsDestinacao", t("Aterro"), msg::kInformarDestinacao, "cmbDestinacao"}};
    const QList<Step> isolated = {{"CdNCM", ncm, msg::kInformarCodigoPresente, "edtCodIsolado"},
                                  {"NmProduto", name, msg::kInformarNomePresente, "cmbProdutoIsolado"},
                                  {"VlConcentracao", 0.0, msg::kInformarConcentracao, "edtConcentracaoIsolado"},
                                  {"QtProdIsolado", 1.0, msg::kInformarQuantidade, "edtQuantidadeIsolado"},
                                  {"DsUnidade", kg, msg::kInformarUnidade, "cmbUnidadeIsolado"},
                                  {"VlDensidade", 0.0, msg::kInformarDensidade, "edtDensidade"}};
    const QList<Step> h = {{"NrDia", t("5"), msg::kInformarDia, "edtDia"},
                           {"VlES", t("E"), msg::kInformarOperacao, "rdgOperacao"},
                           {"QtdMovResiduo", 1.0, msg::kInformarQuantidadeSo, "edtQuantidade"},
                           {"DsUnidade", kg, msg::kInformarUnidade, "cmbUnidade"},
                           {"CdNCM", ncm, msg::kInformarCodigoControlado, "edtCodProduto"},
                           {"NmProduto", name, msg::kInformarNomePresente, "cmbProduto"},
                           {"VlConcentracao", 10.0, msg::kInformarConcentracao, "edtConcentracao"},
                           {"NrNF", t("9"), msg::kInformarNumeroNotaFiscal, "edtNF"},
                           {"CdFornecedor", cnpj, msg::kInformarCnpjCpfFornecedor, "edtCNPJFornecedor"},
                           {"CdTransportadora", cnpj, msg::kInformarCnpjDaTransportadora, "edtCNPJTransportadora"}};
    struct Case {
        const char *name;
        const ListSpec *list;
        CheckMode mode;
        QList<Step> steps;
    };
    const Case cases[] = {
        {"C Salvar", &annexC().main, CheckMode::Salvar, c}, {"C Novo", &annexC().main, CheckMode::Novo, cNovo},
        {"D", &annexD().main, CheckMode::Salvar, d},        {"D Novo", &annexD().main, CheckMode::Novo, d},
        {"E", &annexE().main, CheckMode::Novo, e},          {"F Novo", &annexF().main, CheckMode::Novo, f},
        {"F Salvar", &annexF().main, CheckMode::Salvar, f}, {"G", &annexG().main, CheckMode::Salvar, g},
        {"G isolated", &annexGIsolated(), CheckMode::Novo, isolated},
        {"H", &annexH().main, CheckMode::Salvar, h},
    };
    for (const Case &k : cases) {
        const CheckContext ctx{k.mode, &lookups};
        QVariantMap row;
        for (const Step &s : k.steps) {
            const RequiredCheck *failed = firstMissing(k.list->checks, row, ctx);
            ASSERT_NE(failed, nullptr) << k.name << " " << s.field;
            EXPECT_EQ(failed->message, s.message) << k.name << " " << s.field;
            EXPECT_EQ(failed->focus, QString::fromLatin1(s.focus)) << k.name << " " << s.field;
            row.insert(QString::fromLatin1(s.field), s.value);
        }
        EXPECT_EQ(firstMissing(k.list->checks, row, ctx), nullptr) << k.name;
    }

    // A country number that names no country counts as missing.
    QVariantMap row;
    for (const Step &s : c)
        row.insert(QString::fromLatin1(s.field), s.value);
    row.insert(QStringLiteral("CdPais"), 99999);
    EXPECT_EQ(firstMissing(annexC().main.checks, row, {CheckMode::Salvar, &lookups})->message, msg::kInformarPais);
}

// Each field of a screen is a field of its table, and no control lets more be
// typed than the field keeps.
TEST(Annexes, FieldsFitTheirTables)
{
    QList<const ListSpec *> lists{&annexAFinalProducts(), &annexASubstances(), &annexGIsolated()};
    for (const AnnexSpec *a : {&annexA(), &annexB(), &annexC(), &annexD(), &annexE(), &annexF(), &annexG(), &annexH()})
        lists.append(&a->main);
    for (const ListSpec *l : lists) {
        const schema::Table *table = schema::table(l->table);
        ASSERT_NE(table, nullptr) << qPrintable(l->table);
        for (const FieldSpec &f : l->fields) {
            const schema::Field *field = table->field(f.field);
            ASSERT_NE(field, nullptr) << qPrintable(l->table + QLatin1Char('.') + f.field);
            if (field->type != schema::Type::Text)
                continue;
            EXPECT_LE(f.maxLength, field->width) << qPrintable(f.control);
            for (const auto &choice : f.choices) {
                EXPECT_LE(choice.second.size(), field->width) << qPrintable(choice.second);
            }
        }
    }
    EXPECT_EQ(annexF().observationLabel(), QStringLiteral("Observaçõe Anexo F"));
    EXPECT_EQ(ufList().size(), 28);
    EXPECT_EQ(ufList().at(8), QStringLiteral("EX"));
    EXPECT_EQ(destinationList().size(), 11);
}
