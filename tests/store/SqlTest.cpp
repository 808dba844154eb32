#include "store/Sql.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quirels;

TEST(Sql, StatementFormsQuoteEveryValueAndRun)
{
    const QString key = QStringLiteral("12345678909");
    EXPECT_EQ(sql::insertInto(QStringLiteral("Produtos"),
                              {QStringLiteral("CdCNPJEmpr"), QStringLiteral("NmProduto"), QStringLiteral("QtEstoqueAnt"),
                               QStringLiteral("CdProdutoControlado"), QStringLiteral("DsUnidade")},
                              {key, QStringLiteral("D'ÁGUA"), 1.5, 7, QVariant()}),
              QStringLiteral("insert into Produtos (CdCNPJEmpr,NmProduto,QtEstoqueAnt,CdProdutoControlado,DsUnidade) "
                             "values ('12345678909','D''ÁGUA',1.5,7,NULL)"));
    EXPECT_EQ(sql::updateCompanyKey(QStringLiteral("Mes"), QStringLiteral("11222333000181"), key),
              QStringLiteral("update Mes set CdCNPJEmpr='11222333000181' where CdCNPJEmpr='12345678909'"));
    EXPECT_EQ(sql::deleteWhere(QStringLiteral("MES"), {{QStringLiteral("CdCNPJEmpr"), key}, {QStringLiteral("NrAno"), QStringLiteral("2005")}}),
              QStringLiteral("delete from MES where CdCNPJEmpr = '12345678909' and NrAno = '2005'"));
    EXPECT_EQ(sql::selectMax(QStringLiteral("CdProduto"), QStringLiteral("Produtos")),
              QStringLiteral("Select Max (CdProduto) as cod from Produtos"));

    // The store takes them as they are; a quote inside a value stays data.
    test::TempStore store;
    QSqlDatabase db = store.db();
    for (const char *mes : {"JAN", "FEV"})
        ASSERT_OK(sql::exec(db, sql::insertInto(QStringLiteral("Mes"), {QStringLiteral("CdCNPJEmpr"), QStringLiteral("NrAno"), QStringLiteral("NmMes")},
                                                {key, QStringLiteral("2005"), QLatin1String(mes)})));
    ASSERT_OK(sql::exec(db, sql::insertInto(QStringLiteral("Produtos"), {QStringLiteral("CdCNPJEmpr"), QStringLiteral("NrAno"), QStringLiteral("NmMes"), QStringLiteral("NmProduto")},
                                            {key, QStringLiteral("2005"), QStringLiteral("JAN"), QStringLiteral("x' OR '1'='1")})));
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT NmProduto FROM Produtos")).toString(), QStringLiteral("x' OR '1'='1"));
    Result<QVariant> cod = sql::scalar(db, sql::selectMax(QStringLiteral("CdProduto"), QStringLiteral("Produtos")));
    ASSERT_OK(cod);
    EXPECT_EQ(cod->toInt(), 1);
    ASSERT_OK(sql::exec(db, sql::updateCompanyKey(QStringLiteral("Mes"), QStringLiteral("11222333000181"), key)));
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM Mes WHERE CdCNPJEmpr = '11222333000181'")).toInt(), 2);
    ASSERT_OK(sql::exec(db, sql::deleteWhere(QStringLiteral("MES"), {{QStringLiteral("CdCNPJEmpr"), QStringLiteral("11222333000181")},
                                                                      {QStringLiteral("NrAno"), QStringLiteral("2005")},
                                                                      {QStringLiteral("NmMes"), QStringLiteral("JAN")}})));
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT NmMes FROM Mes")).toString(), QStringLiteral("FEV"));
}
