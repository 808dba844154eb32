#include "store/Database.h"
#include "store/Schema.h"
#include "support/TestSupport.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace quirels;

TEST(Schema, EveryTableAndFieldIsCreatedWithItsType)
{
    QUIRELS_SQLITE_ONLY();
    test::TempStore store;
    QSqlDatabase db = store.db();
    for (const schema::Table &t : schema::tables()) {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(t.qname())));
        QStringList names;
        QStringList types;
        while (q.next()) {
            names.append(q.value(1).toString());
            types.append(q.value(2).toString());
        }
        EXPECT_EQ(names, t.fieldNames()) << t.name;
        for (size_t i = 0; i < t.fields.size() && i < static_cast<size_t>(types.size()); ++i)
            if (t.fields[i].type == schema::Type::Text) {
                EXPECT_EQ(types.at(static_cast<int>(i)), QStringLiteral("VARCHAR(%1)").arg(t.fields[i].width));
            }
    }
    EXPECT_EQ(store.scalar(QStringLiteral("PRAGMA user_version")).toInt(), schema::kSchemaVersion);
}

TEST(Schema, SecondaryIndexesExist)
{
    QUIRELS_SQLITE_ONLY();
    test::TempStore store;
    QSqlDatabase db = store.db();
    const QStringList expected{QStringLiteral("Movimentacao_IdxDia"), QStringLiteral("MovArmazenagem_IdxDia"),
                               QStringLiteral("ProdutoControlado_idxNome"), QStringLiteral("ProdutoControlado_idxNCM"),
                               QStringLiteral("Cnae_idxCDCNAE"), QStringLiteral("Cnae_idxCDDescr"),
                               QStringLiteral("Cnae_idxNome"), QStringLiteral("CFOP_idxDescricao"),
                               QStringLiteral("Paises_idxPais")};
    for (const QString &name : expected)
        EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='index' AND name='%1'").arg(name)).toInt(), 1)
            << qPrintable(name);
}

TEST(Schema, WidthsAreEnforcedAndCountersNeverReused)
{
    test::TempStore store;
    store.exec(QStringLiteral("INSERT INTO Mes VALUES ('12345678909','2005','JAN')"));
    QSqlDatabase db = store.db();
    QSqlQuery q(db);
    EXPECT_FALSE(q.exec(QStringLiteral("INSERT INTO Mes VALUES ('123456789012345','2005','JAN')")));
    for (int i = 0; i < 3; ++i)
        store.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr,NrAno,NmMes,CdNCM) VALUES ('12345678909','2005','JAN','2939.41.00')"));
    store.exec(QStringLiteral("DELETE FROM Produtos WHERE CdProduto = 3"));
    store.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr,NrAno,NmMes,CdNCM) VALUES ('12345678909','2005','JAN','2939.41.00')"));
    EXPECT_EQ(store.scalar(QStringLiteral("Select Max (CdProduto) as cod from Produtos")).toInt(), 4);
}

TEST(Schema, MonthCodes)
{
    EXPECT_EQ(schema::monthCodes().size(), 12);
    EXPECT_EQ(schema::monthNumber(QStringLiteral("JAN")), 1);
    EXPECT_EQ(schema::monthNumber(QStringLiteral("dez")), 12);
    EXPECT_EQ(schema::monthNumber(QStringLiteral("XYZ")), 0);
}
