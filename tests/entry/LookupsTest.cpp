#include "entry/Lookups.h"
#include "store/NameOrder.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::entry;

TEST(Lookups, StatementsQuoteTheValueAsTyped)
{
    EXPECT_EQ(nameByNcmStatement(QStringLiteral("2807.00.10")),
              QStringLiteral("Select NmProdutoControlado from ProdutoControlado where cdNCM = '2807.00.10'"
                             " and coalesce(FlForaDaLista, 0) = 0"));
    EXPECT_EQ(ncmByNameStatement(QStringLiteral("D'AGUA")),
              QStringLiteral("Select cdNCM from ProdutoControlado where NmProdutoControlado = 'D''AGUA'"
                             " and coalesce(FlForaDaLista, 0) = 0"));
}

TEST(Lookups, BothDirectionsAndCfop)
{
    test::TempStore store;
    store.exec(QStringLiteral("delete from ProdutoControlado"));
    // A product no longer in the list (kept for the months that use it)
    // comes first by number and by name, and is never answered.
    store.exec(QStringLiteral("insert into ProdutoControlado (CdNCM, NmProdutoControlado, FlForaDaLista) values "
                              "('2807.00.10', 'ACIDO SULFURICO ANTIGO', 1), ('2930.00.00', 'ACIDO ANTIGO', 1)"));
    store.exec(QStringLiteral("insert into ProdutoControlado (CdNCM, NmProdutoControlado) values "
                              "('2807.00.10', 'ACIDO SULFURICO'), ('2807.00.10', 'OLEUM'), "
                              "('2902.30.00', 'TOLUENO'), ('2915.24.00', 'ANIDRIDO ACETICO')"));
    Lookups l(store.db());
    auto name = l.nameForNcm(QStringLiteral("2807.00.10"));
    ASSERT_OK(name);
    ASSERT_TRUE(name->has_value());
    EXPECT_EQ(**name, QStringLiteral("ACIDO SULFURICO"));
    EXPECT_FALSE(l.nameForNcm(QStringLiteral("2807.00.1"))->has_value());
    EXPECT_FALSE(l.nameForNcm(QStringLiteral("2930.00.00"))->has_value());
    EXPECT_FALSE(l.ncmForName(QStringLiteral("ACIDO ANTIGO"))->has_value());
    EXPECT_FALSE(l.nameForNcm(QStringLiteral("x' or '1'='1"))->has_value());

    auto ncm = l.ncmForName(QStringLiteral("TOLUENO"));
    ASSERT_OK(ncm);
    EXPECT_EQ(ncm->value_or(QString()), QStringLiteral("2902.30.00"));
    // Exact comparison: another case is another name.
    EXPECT_FALSE(l.ncmForName(QStringLiteral("tolueno"))->has_value());

    auto names = l.productNames();
    ASSERT_OK(names);
    EXPECT_EQ(*names, (QStringList{QStringLiteral("ACIDO SULFURICO"), QStringLiteral("ANIDRIDO ACETICO"),
                                   QStringLiteral("OLEUM"), QStringLiteral("TOLUENO")}));

    auto cfops = l.cfops();
    ASSERT_OK(cfops);
    ASSERT_FALSE(cfops->isEmpty());
    for (qsizetype i = 1; i < cfops->size(); ++i)
        EXPECT_LE(store::compareNames(cfops->at(i - 1).description, cfops->at(i).description), 0);
    EXPECT_EQ(l.cfopDescription(QStringLiteral("1.101"))->value_or(QString()),
              QStringLiteral("Compra para industrialização ou produção rural"));
    EXPECT_FALSE(l.cfopDescription(QStringLiteral("9.999"))->has_value());
}

TEST(Lookups, HeldTablesAnswerAsTheStore)
{
    test::TempStore store;
    Lookups asked(store.db());
    Lookups held(store.db());
    ASSERT_OK(held.holdCfops());
    ASSERT_OK(held.holdCountries());
    // Once held, the tables no longer change the answers: they come from memory.
    store.exec(QStringLiteral("delete from Paises where CDPAIS = 1058"));
    for (const char *code : {"1058", " 1058 ", "639", "9999", "", "abc"}) {
        const auto country = held.countryName(QLatin1String(code));
        ASSERT_OK(country);
        if (QLatin1String(code).trimmed() == QLatin1String("1058"))
            EXPECT_EQ(country->value_or(QString()), QStringLiteral("Brasil")) << code;
        else
            EXPECT_EQ(*country, *asked.countryName(QLatin1String(code))) << code;
    }
    for (const char *code : {"1.101", "5.102", "9.999", ""})
        EXPECT_EQ(*held.cfopDescription(QLatin1String(code)), *asked.cfopDescription(QLatin1String(code))) << code;
}
