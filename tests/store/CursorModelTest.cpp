#include "store/CursorModel.h"
#include "store/DataModule.h"
#include "support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

using namespace quirels;
using store::Cursor;

TEST(CursorModel, FollowsTheCursorWithDisplayFormats)
{
    test::TempStore store;
    const QString cnpj = QStringLiteral("11222333000181");
    store.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('%1', 'X')").arg(cnpj));
    store.exec(QStringLiteral("INSERT INTO Mes VALUES ('%1', '2005', 'JAN')").arg(cnpj));
    store.exec(QStringLiteral("INSERT INTO Mes VALUES ('%1', '2005', 'FEV')").arg(cnpj));
    ScriptedDialogs d;
    store::DataModule dm(d);
    ASSERT_OK(dm.openAll());
    Cursor &m = dm.movimentacao();
    store::CursorModel model(m, {QStringLiteral("nrdia"), QStringLiteral("VlQuantidade"), QStringLiteral("CdFornecedor"),
                                 QStringLiteral("VlConcentracao"), QStringLiteral("NrMovimentacao")});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.columnCount(), 5);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("NrDia"));

    struct Row {
        const char *day;
        double qty;
        QString supplier;
    };
    for (const Row &r : {Row{"25", 1234.5, cnpj}, Row{"3", 0.0005, QStringLiteral("12345678909")}, Row{"10", 2, QStringLiteral("123")}}) {
        ASSERT_TRUE(m.insert());
        m.setValue(QStringLiteral("NrDia"), QLatin1String(r.day));
        m.setValue(QStringLiteral("VlQuantidade"), r.qty);
        m.setValue(QStringLiteral("CdFornecedor"), r.supplier);
        m.setValue(QStringLiteral("VlConcentracao"), 7.125);
        ASSERT_OK(m.post());
    }
    ASSERT_EQ(model.rowCount(), 3);
    const auto text = [&](int row, int col) { return model.data(model.index(row, col)).toString(); };
    // Ordered by day as text, the days stored as two digits: 03, 10, 25.
    EXPECT_EQ(text(0, 0), QStringLiteral("03"));
    EXPECT_EQ(text(2, 1), QStringLiteral("1234,500"));
    EXPECT_EQ(text(2, 2), QStringLiteral("11.222.333/0001-81"));
    EXPECT_EQ(text(0, 1), QStringLiteral("0,001"));
    EXPECT_EQ(text(0, 2), QStringLiteral("123.456.789-09"));
    EXPECT_EQ(text(1, 2), QStringLiteral("123"));
    EXPECT_EQ(text(0, 3), QStringLiteral("7,13"));
    EXPECT_EQ(model.data(model.index(2, 1), Qt::EditRole).toDouble(), 1234.5);

    // Edits, removals and a master that moves all reach the grid.
    ASSERT_TRUE(m.moveTo(2));
    ASSERT_TRUE(m.edit());
    m.setValue(QStringLiteral("NrDia"), QStringLiteral("1"));
    ASSERT_OK(m.post());
    EXPECT_EQ(text(0, 0), QStringLiteral("01"));
    ASSERT_TRUE(m.first());
    ASSERT_OK(m.remove());
    EXPECT_EQ(model.rowCount(), 2);
    ASSERT_TRUE(dm.mes().last());
    EXPECT_EQ(model.rowCount(), 0);
    ASSERT_TRUE(dm.mes().first());
    EXPECT_EQ(model.rowCount(), 2);
    m.close();
    EXPECT_EQ(model.rowCount(), 0);
    ASSERT_OK(m.open());
    EXPECT_EQ(model.rowCount(), 2);
}
