#include "store/BatchInsert.h"
#include "store/Sql.h"
#include "support/TestSupport.h"

#include <QSqlQuery>
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

// Rows written in bulk keep every value as given, on either store: quotes,
// backslashes, braces and commas in text, the word NULL as text, empty text
// beside a missing value, and numbers to their last digit; each row keeps
// the number add() gave it, past a group and a shorter last one.
TEST(Sql, BatchInsertKeepsEveryValueAndItsNumber)
{
    test::TempStore store;
    QSqlDatabase db = store.db();
    const QStringList fields{QStringLiteral("CdCNPJEmpr"), QStringLiteral("NrAno"), QStringLiteral("NmMes"),
                             QStringLiteral("NmProduto"), QStringLiteral("NrDia"), QStringLiteral("VlQuantidade"),
                             QStringLiteral("CdProduto")};
    const QStringList texts{QStringLiteral("D'ÁGUA \"pura\""), QStringLiteral("a\\b\\\\c"), QStringLiteral("{1,2}"),
                            QStringLiteral("NULL"), QStringLiteral(""), QStringLiteral("ação, 100%")};
    const int rows = store::BatchInsert::kGroup + 7;
    sql::Transaction tx(db);
    store::BatchInsert ins(db, QStringLiteral("Movimentacao"), fields, QStringLiteral("NrMovimentacao"));
    ASSERT_OK(ins.prepare(rows));
    QList<qint64> numbers;
    for (int i = 0; i < rows; ++i) {
        ins.set(0, QStringLiteral("11222333000181"));
        ins.set(1, QStringLiteral("2005"));
        ins.set(2, QStringLiteral("JAN"));
        ins.set(3, QString(texts.at(i % texts.size()) + QString::number(i)));
        ins.set(4, i % 2 ? QVariant(QString()) : QVariant(QStringLiteral("")));
        ins.set(5, i % 3 ? QVariant(1.0 / 3.0 + i) : QVariant(QMetaType::fromType<double>()));
        ins.set(6, static_cast<qlonglong>(i) * 1000000007LL);
        Result<qint64> n = ins.add();
        ASSERT_TRUE(n.ok()) << qPrintable(n.message());
        numbers.append(*n);
    }
    ASSERT_OK(ins.finish());
    ASSERT_OK(tx.commit());

    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT NrMovimentacao, NmProduto, NrDia, VlQuantidade, CdProduto FROM Movimentacao "
                                      "ORDER BY NrMovimentacao")));
    int i = 0;
    for (; q.next(); ++i) {
        ASSERT_LT(i, rows);
        EXPECT_EQ(q.value(0).toLongLong(), numbers.at(i));
        EXPECT_EQ(q.value(1).toString(), texts.at(i % texts.size()) + QString::number(i));
        EXPECT_EQ(q.value(2).isNull(), i % 2 == 1) << i;
        if (i % 3)
            EXPECT_EQ(q.value(3).toDouble(), 1.0 / 3.0 + i) << i;
        else
            EXPECT_TRUE(q.value(3).isNull()) << i;
        EXPECT_EQ(q.value(4).toLongLong(), static_cast<qlonglong>(i) * 1000000007LL);
    }
    EXPECT_EQ(i, rows);
}
