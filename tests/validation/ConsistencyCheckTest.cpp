#include "MonthFixture.h"
#include "validation/ConsistencyCheck.h"
#include "validation/Messages.h"

#include <functional>
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::validation;
namespace m = quirels::validation::msg;

namespace {

QString L(const QString &status, const QString &location) { return status + QLatin1Char('\t') + location; }

QStringList rendered(const ValidationReport &r)
{
    QStringList out;
    for (const CheckLine &l : r.lines())
        out.append(L(l.status, l.location));
    return out;
}

QStringList companyOk()
{
    return {L(m::kClfOk, m::kLocCompany), L(m::kMainGroupOk, m::kLocCompany), L(m::kGroupOk, m::kLocCompany),
            L(m::kCnaeOk, m::kLocCompany)};
}

QStringList fixedLines()
{
    return {L(m::kCnpjChecked, m::kLocAllFields),          L(m::kInvalidValuesChecked, m::kLocAllFields),
            L(m::kNegativeValuesChecked, m::kLocAllFields), L(m::kRequiredFieldsChecked, m::kLocAllFields),
            L(m::kDatesChecked, m::kLocAnnexB),             L(m::kDatesChecked, m::kLocAnnexE),
            L(m::kDatesChecked, m::kLocAnnexF),             L(m::kDatesChecked, m::kLocAnnexH)};
}

struct MonthCase {
    const char *name;
    std::initializer_list<int> groups;
    std::function<void(test::Month &)> build;
    QStringList lines;
    int validated, alerts, errors;
};

const QString kGeneral = m::kLocAnnexAGeneral;
const QString kGeneralB = m::kLocAnnexAGeneralBlank;

} // namespace

TEST(ConsistencyCheck, MonthsGiveTheirExactLinesAndCounters)
{
    const QString acetona = QStringLiteral("ACETONA a 12,5%");
    const QString acido = QStringLiteral("ACIDO a 100%");
    const QString tolueno = QStringLiteral("TOLUENO a 30%");
    const QString xileno = QStringLiteral("XILENO a 0%");
    const QString eter = QStringLiteral("ETER a 0,25%");

    const MonthCase cases[] = {
        {"no group: only the company lines and the fixed confirmations",
         {},
         [](test::Month &) {},
         companyOk().replaceInStrings(m::kGroupOk, m::kNoGroup) + fixedLines(),
         12, 0, 1},

        {"company information missing; group IX with every annex empty",
         {9},
         [](test::Month &mo) {
             mo.company(QStringLiteral("NrCLF = '       - ', DsGrupoPrincipal = '  ', DsGrupoIX = ' ', CdCNAE = 'X-0/00'"));
             // Rows that do not make an annex filled in.
             mo.insert("Isolado", {{"NmProduto", QStringLiteral("ISOLADO")}});
             mo.insert("MovResiduo", {{"NmProduto", QStringLiteral("RESIDUO")}});
             mo.insert("Observacoes", {{"Anexo", QStringLiteral("A")}, {"Observacao", QStringLiteral("texto")}});
         },
         QStringList{L(m::kClfEmpty, m::kLocCompany), L(m::kMainGroupEmpty, m::kLocCompany), L(m::kGroupOk, m::kLocCompany),
                     L(m::kGroupIXEmpty, m::kLocCompany), L(m::kCnaeMissing, m::kLocCompany),
                     L(m::kAllAnnexesEmpty, m::kLocAllAnnexes)}
             + fixedLines(),
         13, 0, 5},

        {"one product without movements: three-decimal agreement",
         {1},
         [](test::Month &mo) {
             mo.product(QStringLiteral("ACETONA"), 12.5, {{"QtCompras", 0.0004}, {"QtVendas", 0.0005}, {"QtPerdas", 0.0}});
         },
         companyOk()
             + QStringList{L(m::kProductsOk, kGeneralB), L(m::kAnnexBRequired, kGeneral),
                           L(m::kPurchaseOk + acetona, kGeneral), L(m::kSaleDiffers + acetona, kGeneral),
                           L(m::kOtherOk + acetona, kGeneral), L(m::kFinalMissing, m::kLocAnnexAFinal),
                           L(m::kImportOk + acetona, kGeneralB)}
             + fixedLines(),
         20, 0, 3},

        {"CFOP classes; movements matched by exact name and concentration",
         {2},
         [](test::Month &mo) {
             const int p1 = mo.product(QStringLiteral("ACIDO"), 100,
                                       {{"QtCompras", 17}, {"QtVendas", 36}, {"QtEntradasDiv", 6}, {"QtSaidasDiv", 4},
                                        {"QtPerdas", 1}});
             mo.product(QStringLiteral("ACIDO"), 100.0, {{"QtCompras", 17.0}});
             mo.insert("ProdutoFinal", {{"CdProduto", p1}, {"NmProduto", QStringLiteral("TINTA")}});
             mo.insert("Observacoes", {{"Anexo", QStringLiteral("A")}, {"Observacao", QStringLiteral(" Perdas no processo ")}});
             const std::pair<const char *, double> moves[] = {{"1.401", 1}, {"1.408", 2},  {"5.405", 4},
                                                              {"5.406", 8}, {"2.556", 16}, {"6.551", 32}};
             for (const auto &mv : moves)
                 mo.movement(QStringLiteral("10"), QString::fromLatin1(mv.first), QStringLiteral("ACIDO"), 100, mv.second);
             mo.movement(QStringLiteral("11"), QStringLiteral("1.102"), QStringLiteral("acido"), 100, 1000);
             mo.movement(QStringLiteral("11"), QStringLiteral("1.102"), QStringLiteral("ACIDO X"), 100, 1000);
             mo.movement(QStringLiteral("11"), QStringLiteral("5.102"), QStringLiteral("ACIDO "), 100, 1000);
             mo.movement(QStringLiteral("11"), QStringLiteral("1.102"), QStringLiteral("ACIDO"), 99.5, 1000);
         },
         companyOk()
             + QStringList{L(m::kComplementaryOk, m::kLocAnnexAComplementary), L(m::kProductsOk, kGeneralB),
                           L(m::kAnnexBOk, kGeneral),
                           L(m::kPurchaseOk + acido, kGeneral), L(m::kSaleOk + acido, kGeneral),
                           L(m::kOtherOk + acido, kGeneral),
                           L(m::kPurchaseOk + acido, kGeneral), L(m::kSaleDiffers + acido, kGeneral),
                           L(m::kOtherDiffers + acido, kGeneral),
                           L(m::kFinalOk, m::kLocAnnexAFinal),
                           L(m::kImportOk + acido, kGeneralB), L(m::kImportOk + acido, kGeneralB)}
             + fixedLines(),
         24, 1, 1},

        {"imports and exports against annex XI-C; a missing concentration reads as 0",
         {3},
         [](test::Month &mo) {
             mo.product(QStringLiteral("TOLUENO"), 30, {{"QtImportacao", 5}, {"QtExportacao", 3.001}});
             mo.product(QStringLiteral("XILENO"), QVariant(), {{"QtExportacao", 2}});
             mo.insert("Importacao", {{"NmProduto", QStringLiteral("TOLUENO")}, {"VlConcentracao", 30}, {"FlIE", QStringLiteral("I")}, {"QtImportacao", 5.25}});
             mo.insert("Importacao", {{"NmProduto", QStringLiteral("TOLUENO")}, {"VlConcentracao", 30}, {"FlIE", QStringLiteral("E")}, {"QtImportacao", 2.75}});
             mo.insert("Importacao", {{"NmProduto", QStringLiteral("TOLUENO")}, {"VlConcentracao", 30.5}, {"FlIE", QStringLiteral("E")}, {"QtImportacao", 1}});
             mo.insert("Importacao", {{"NmProduto", QStringLiteral("XILENO")}, {"VlConcentracao", 0}, {"QtImportacao", 2}});
         },
         companyOk()
             + QStringList{L(m::kProductsOk, kGeneralB),
                           L(m::kPurchaseOk + tolueno, kGeneral), L(m::kSaleOk + tolueno, kGeneral), L(m::kOtherOk + tolueno, kGeneral),
                           L(m::kPurchaseOk + xileno, kGeneral), L(m::kSaleOk + xileno, kGeneral), L(m::kOtherOk + xileno, kGeneral),
                           L(m::kAnnexCOk, kGeneralB),
                           L(m::kImportDiffers + tolueno, kGeneral), L(m::kImportOk + xileno, kGeneralB)}
             + fixedLines(),
         23, 0, 1},

        {"losses without an observation; other movements against other entries",
         {6},
         [](test::Month &mo) {
             mo.product(QStringLiteral("ETER"), 0.25, {{"QtSaidasDiv", 0.0004}, {"QtEntradasDiv", 2}});
             mo.insert("Observacoes", {{"Anexo", QStringLiteral("A")}, {"Observacao", QStringLiteral(" \r\n ")}});
             mo.insert("Observacoes", {{"Anexo", QStringLiteral("B")}, {"Observacao", QStringLiteral("outra")}});
             mo.movement(QStringLiteral("01"), QStringLiteral("1.949"), QStringLiteral("ETER"), 0.25, 1.5);
         },
         companyOk()
             + QStringList{L(m::kComplementaryAlert, m::kLocAnnexAObservations), L(m::kProductsOk, kGeneralB),
                           L(m::kPurchaseOk + eter, kGeneral), L(m::kSaleOk + eter, kGeneral),
                           L(m::kOtherDiffers + eter, kGeneral), L(m::kImportOk + eter, kGeneralB)}
             + fixedLines(),
         18, 2, 0},

        {"storage balances; residues present",
         {4, 7},
         [](test::Month &mo) {
             mo.insert("Residuo", {{"NmProduto", QStringLiteral("LODO")}});
             mo.insert("Armazenagem", {{"NmProduto", QStringLiteral("SOLVENTE")}, {"VlConcentracao", 50}, {"QtEstoqueAnt", 10}, {"QtEstoqueAtual", 13}});
             mo.insert("Armazenagem", {{"NmProduto", QStringLiteral("SOLVENTE")}, {"VlConcentracao", 50.5}, {"QtEstoqueAtual", 1}});
             const std::pair<const char *, double> moves[] = {{"E", 5}, {"S", 2}, {"X", 100}, {"e", 100}};
             for (const auto &mv : moves)
                 mo.insert("MovArmazenagem", {{"NmProduto", QStringLiteral("SOLVENTE")}, {"Vlconcentracao", 50},
                                              {"DsES", QString::fromLatin1(mv.first)}, {"QtMovArmazenagem", mv.second}});
         },
         companyOk()
             + QStringList{L(m::kResidueOk, m::kLocResidueAndMovement), L(m::kStorageOk, m::kLocStorage),
                           L(m::kStorageBalanceOk + QStringLiteral("SOLVENTE a 50%"), m::kLocStorageMovement),
                           L(m::kStorageDiffers + QStringLiteral("SOLVENTE a 50,5%"), m::kLocStorageMovement)}
             + fixedLines(),
         16, 1, 0},

        {"groups IV, VII, VIII and IX: what each requires",
         {4, 7, 8, 9},
         [](test::Month &mo) { mo.insert("Transporte", {{"NmProduto", QStringLiteral("ACETONA")}}); },
         QStringList{L(m::kClfOk, m::kLocCompany), L(m::kMainGroupOk, m::kLocCompany), L(m::kGroupOk, m::kLocCompany),
                     L(m::kGroupIXOk, m::kLocCompany), L(m::kCnaeOk, m::kLocCompany),
                     L(m::kResidueMissing, m::kLocResidue), L(m::kStorageMissing, m::kLocStorage),
                     L(m::kTransportOk, m::kLocTransport)}
             + fixedLines(),
         16, 0, 2},
    };

    for (const MonthCase &c : cases) {
        SCOPED_TRACE(c.name);
        test::Month month(c.groups);
        c.build(month);
        QSqlDatabase db = month.store.db();
        Result<ValidationReport> r = runCheck(db, month.period, std::nullopt);
        ASSERT_OK(r);
        EXPECT_EQ(rendered(*r), c.lines);
        EXPECT_EQ(r->validated(), c.validated);
        EXPECT_EQ(r->alerts(), c.alerts);
        EXPECT_EQ(r->errors(), c.errors);
        EXPECT_FALSE(r->stopped());
        EXPECT_EQ(allowsGeneration(*r), c.errors == 0);
    }
}

TEST(ConsistencyCheck, CurrentProductDecidesAnnexBAndLastProductAnnexC)
{
    test::Month month({5});
    const int p1 = month.product(QStringLiteral("A"), 1, {{"QtCompras", 5}});
    const int p2 = month.product(QStringLiteral("B"), 2, {{"QtExportacao", 2}});
    QSqlDatabase db = month.store.db();
    const QString needB = L(m::kAnnexBRequired, kGeneral);
    const QString needC = L(m::kAnnexCRequired, kGeneral);

    Result<std::optional<int>> first = firstProduct(db, month.period);
    ASSERT_OK(first);
    EXPECT_EQ(*first, std::optional<int>(p1));
    for (std::optional<int> current : {std::optional<int>(), std::optional<int>(p1), std::optional<int>(999)}) {
        Result<ValidationReport> r = runCheck(db, month.period, current);
        ASSERT_OK(r);
        EXPECT_EQ(rendered(*r).count(needB), 1);
        EXPECT_EQ(rendered(*r).count(needC), 1);
        EXPECT_EQ(r->lastVisitedProduct(), std::optional<int>(p2));
    }
    Result<ValidationReport> r = runCheck(db, month.period, p2);
    ASSERT_OK(r);
    EXPECT_EQ(rendered(*r).count(needB), 0);
    EXPECT_EQ(rendered(*r).count(needC), 1);

    // The lines point at the rows they are about.
    for (const CheckLine &l : r->lines()) {
        if (l.status.endsWith(QStringLiteral("B a 2%")) || l.status == m::kAnnexCRequired) {
            EXPECT_EQ(l.place, Place::Annex);
            EXPECT_EQ(l.annex, QLatin1Char('A'));
            EXPECT_EQ(l.row, p2) << qPrintable(l.status);
        }
        if (l.location == m::kLocCompany) {
            EXPECT_EQ(l.place, Place::Company);
        }
    }
}

TEST(ConsistencyCheck, ACfopThatIsNotAnIntegerStopsTheRun)
{
    test::Month month({1});
    month.product(QStringLiteral("A"), 1, {{"QtCompras", 1}});
    month.product(QStringLiteral("B"), 2);
    month.product(QStringLiteral("C"), 3);
    month.movement(QStringLiteral("01"), QStringLiteral("zz"), QStringLiteral("D"), 4, 1); // matches no product
    month.movement(QStringLiteral("07"), QStringLiteral("1.102"), QStringLiteral("A"), 1, 1);
    month.movement(QStringLiteral("05"), QStringLiteral("1.102"), QStringLiteral("B"), 2, 1);
    month.movement(QStringLiteral("03"), QStringLiteral("1.10 "), QStringLiteral("B"), 2, 1);
    month.movement(QStringLiteral("02"), QStringLiteral("1.1x2"), QStringLiteral("B"), 2, 1);
    month.movement(QStringLiteral("01"), QString(), QStringLiteral("C"), 3, 1);
    QSqlDatabase db = month.store.db();

    Result<ValidationReport> r = runCheck(db, month.period, std::nullopt);
    ASSERT_OK(r);
    EXPECT_TRUE(r->stopped());
    EXPECT_EQ(r->failure(), QStringLiteral("'11x2' não é um valor Inteiro válido"));
    const QString a = QStringLiteral("A a 1%");
    const QStringList expected = companyOk() + QStringList{L(m::kProductsOk, kGeneralB), L(m::kAnnexBOk, kGeneral),
                                                          L(m::kPurchaseOk + a, kGeneral), L(m::kSaleOk + a, kGeneral),
                                                          L(m::kOtherOk + a, kGeneral)};
    EXPECT_EQ(rendered(*r), expected);
    EXPECT_FALSE(r->hasErrors());
    EXPECT_FALSE(allowsGeneration(*r));
}

TEST(ConsistencyCheck, AMissingPeriodOrCompanyIsAnError)
{
    test::Month month({1});
    QSqlDatabase db = month.store.db();
    PeriodKey other = month.period;
    other.mes = QStringLiteral("ABR");
    Result<ValidationReport> r = runCheck(db, other, std::nullopt);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.message(), m::kPeriodMissing.arg(QStringLiteral("ABR"), QStringLiteral("2024"), month.period.cnpj));
    EXPECT_EQ(r.error().code, 1);

    month.store.exec(QStringLiteral("DELETE FROM Empresa"));
    r = runCheck(db, month.period, std::nullopt);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.message(), QStringLiteral("Empresa não cadastrada: 11222333000181"));
}

TEST(ConsistencyCheck, CfopNumbersAndClasses)
{
    const std::pair<const char *, std::optional<int>> numbers[] = {
        {"1.102", 1102}, {"1102", 1102}, {" 5.405", 5405}, {"1.1.02", std::nullopt}, {"1.10 ", std::nullopt},
        {"", std::nullopt}, {".", std::nullopt}, {"-", std::nullopt}, {"1.1x2", std::nullopt},
        {"99999999999", std::nullopt}};
    for (const auto &n : numbers)
        EXPECT_EQ(cfopNumber(QString::fromLatin1(n.first)), n.second) << n.first;

    const int purchases[] = {1100, 1122, 1126, 1250, 1257, 1400, 1401, 1407, 1551, 1556, 2100, 2122, 2126,
                             2250, 2257, 2401, 2407, 2551, 2556, 3100, 3127, 3250, 3251};
    const int sales[] = {5100, 5123, 5250, 5258, 5401, 5405, 5551, 6100, 6123, 6250, 6258, 6401, 6404, 6551,
                         7100, 7127, 7250, 7251};
    const int others[] = {1099, 1123, 1125, 1127, 1249, 1258, 1399, 1408, 1550, 1552, 1555, 1557, 2099, 2123,
                          2127, 2258, 2400, 2408, 2550, 2557, 3099, 3128, 3249, 3252, 5099, 5124, 5259, 5400,
                          5406, 5550, 5552, 6099, 6124, 6259, 6400, 6405, 6550, 6552, 7099, 7128, 7249, 7252, 0};
    for (int n : purchases)
        EXPECT_EQ(classifyCfop(n), CfopClass::Purchase) << n;
    for (int n : sales)
        EXPECT_EQ(classifyCfop(n), CfopClass::Sale) << n;
    for (int n : others)
        EXPECT_EQ(classifyCfop(n), CfopClass::Other) << n;
}

TEST(ConsistencyCheck, ProductLabelUsesTheShortestRegionalForm)
{
    EXPECT_EQ(productLabel(QStringLiteral("X"), 12.5), QStringLiteral("X a 12,5%"));
    EXPECT_EQ(productLabel(QStringLiteral("X"), 100), QStringLiteral("X a 100%"));
    EXPECT_EQ(productLabel(QStringLiteral("X"), 0.1 + 0.2), QStringLiteral("X a 0,3%"));
}

// The four "pré-consistido" steps and the dates check the stored rows: a row
// that breaks a rule gives an error line naming the annex, the row and the
// value in place of the step's OK line, and the month cannot be generated.
TEST(ConsistencyCheck, PreConsistencyStepsCheckTheStoredRows)
{
    struct Case {
        const char *name;
        std::function<void(test::Month &)> plant;
        QString status;
        QString location;
        QString okStatus;   // the OK line that must be gone
        QString okLocation;
    };
    const QString X = QStringLiteral("Xilol");
    const Case cases[] = {
        {"day 45 in annex XI-B", [&](test::Month &m) { m.movement(QStringLiteral("45"), QStringLiteral("1.102"), X, 10, 1); },
         msg::kStoredDay.arg(QStringLiteral("45"), QStringLiteral("MAR"), QStringLiteral("2024")),
         QStringLiteral("Anexo XI-B [Movimentacao, registro 1]"), msg::kDatesChecked, msg::kLocAnnexB},
        {"day 00 in annex XI-E", [&](test::Month &m) { m.insert("MovArmazenagem", {{"NrDia", QStringLiteral("00")}, {"NmProduto", X}}); },
         msg::kStoredDay.arg(QStringLiteral("00"), QStringLiteral("MAR"), QStringLiteral("2024")),
         QStringLiteral("Anexo XI-E [MovArmazenagem, registro 1]"), msg::kDatesChecked, msg::kLocAnnexE},
        {"day AB in annex XI-F, second row",
         [&](test::Month &m) {
             m.insert("Transporte", {{"NrDia", QStringLiteral("31")}, {"NmProduto", X}});
             m.insert("Transporte", {{"NrDia", QStringLiteral("AB")}, {"NmProduto", X}});
         },
         msg::kStoredDay.arg(QStringLiteral("AB"), QStringLiteral("MAR"), QStringLiteral("2024")),
         QStringLiteral("Anexo XI-F [Transporte, registro 2]"), msg::kDatesChecked, msg::kLocAnnexF},
        {"day 32 in annex XI-H", [&](test::Month &m) { m.insert("MovResiduo", {{"NrDia", QStringLiteral("32")}, {"NmProduto", X}}); },
         msg::kStoredDay.arg(QStringLiteral("32"), QStringLiteral("MAR"), QStringLiteral("2024")),
         QStringLiteral("Anexo XI-H [MovResiduo, registro 1]"), msg::kDatesChecked, msg::kLocAnnexH},
        {"negative quantity", [&](test::Month &m) { m.movement(QStringLiteral("05"), QStringLiteral("1.102"), X, 10, -3); },
         msg::kStoredNegative.arg(QStringLiteral("VlQuantidade"), QStringLiteral("-3")),
         QStringLiteral("Anexo XI-B [Movimentacao, registro 1]"), msg::kNegativeValuesChecked, msg::kLocAllFields},
        {"negative stock", [&](test::Month &m) { m.product(X, 10, {{"QtEstoqueAnt", -2.5}}); },
         msg::kStoredNegative.arg(QStringLiteral("QtEstoqueAnt"), QStringLiteral("-2,5")),
         QStringLiteral("Anexo XI-A [1. Demonstrativo Geral] [Produtos, registro 1]"), msg::kNegativeValuesChecked, msg::kLocAllFields},
        {"concentration above 100", [&](test::Month &m) { m.insert("Armazenagem", {{"NmProduto", X}, {"VlConcentracao", 150}}); },
         msg::kStoredOutOfRange.arg(QStringLiteral("VlConcentracao"), QStringLiteral("150")),
         QStringLiteral("Anexo XI-D [Armazenagem, registro 1]"), msg::kInvalidValuesChecked, msg::kLocAllFields},
        {"supplier number with a letter",
         [&](test::Month &m) {
             m.insert("Movimentacao", {{"NrDia", QStringLiteral("05")}, {"NrCFOP", QStringLiteral("1.102")}, {"NmProduto", X},
                                       {"VlQuantidade", 1}, {"CdFornecedor", QStringLiteral("1122233300018X")}});
         },
         msg::kStoredNumber.arg(QStringLiteral("CdFornecedor"), QStringLiteral("1122233300018X")),
         QStringLiteral("Anexo XI-B [Movimentacao, registro 1]"), msg::kCnpjChecked, msg::kLocAllFields},
        {"company key with a wrong check digit", [&](test::Month &m) {
             m.store.exec(QStringLiteral("UPDATE Empresa SET CdCNPJEmpr = '11222333000182'"));
             m.store.exec(QStringLiteral("UPDATE Mes SET CdCNPJEmpr = '11222333000182'"));
             m.period.cnpj = QStringLiteral("11222333000182");
         },
         msg::kStoredCompanyKey.arg(QStringLiteral("11222333000182")), msg::kLocCompany, msg::kCnpjChecked, msg::kLocAllFields},
        {"carrier number of 12 digits",
         [&](test::Month &m) { m.insert("Importacao", {{"NmProduto", X}, {"CdTransportadora", QStringLiteral("112223330001")}}); },
         msg::kStoredNumber.arg(QStringLiteral("CdTransportadora"), QStringLiteral("112223330001")),
         QStringLiteral("Anexo XI-C [Importacao, registro 1]"), msg::kCnpjChecked, msg::kLocAllFields},
        {"transport without product", [&](test::Month &m) { m.insert("Transporte", {{"NrDia", QStringLiteral("05")}}); },
         msg::kStoredRequired.arg(QStringLiteral("CdNCM ou NmProduto")), QStringLiteral("Anexo XI-F [Transporte, registro 1]"),
         msg::kRequiredFieldsChecked, msg::kLocAllFields},
        {"movement without day", [&](test::Month &m) { m.insert("Movimentacao", {{"NrCFOP", QStringLiteral("1.102")}, {"NmProduto", X}, {"VlQuantidade", 1}}); },
         msg::kStoredRequired.arg(QStringLiteral("NrDia")), QStringLiteral("Anexo XI-B [Movimentacao, registro 1]"),
         msg::kRequiredFieldsChecked, msg::kLocAllFields},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        test::Month m({});
        c.plant(m);
        QSqlDatabase db = m.store.db();
        Result<ValidationReport> rep = runCheck(db, m.period, std::nullopt);
        ASSERT_OK(rep);
        bool found = false, okLeft = false;
        for (const CheckLine &l : rep->lines()) {
            if (l.status == c.status && l.location == c.location && l.kind == LineKind::Error)
                found = true;
            if (l.status == c.okStatus && l.location == c.okLocation)
                okLeft = true;
        }
        QStringList all;
        for (const CheckLine &l : rep->lines())
            all.append(l.status + QStringLiteral(" @ ") + l.location);
        EXPECT_TRUE(found) << qPrintable(all.join(QLatin1Char('\n')));
        EXPECT_FALSE(okLeft);
        EXPECT_TRUE(rep->hasErrors());
    }

    // The same month without the bad rows keeps every confirmation.
    test::Month clean({});
    clean.movement(QStringLiteral("31"), QStringLiteral("1.102"), X, 10, 1);
    QSqlDatabase db = clean.store.db();
    Result<ValidationReport> rep = runCheck(db, clean.period, std::nullopt);
    ASSERT_OK(rep);
    int confirmations = 0;
    for (const CheckLine &l : rep->lines())
        if (l.status.endsWith(QStringLiteral("pré-consistido")))
            ++confirmations;
    EXPECT_EQ(confirmations, 8);
}
