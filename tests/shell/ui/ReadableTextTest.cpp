// Long texts stay readable in a narrow window: a long list line wraps and
// its row grows, a long grid title breaks between words.

#include "base/ui/WrapText.h"

#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace quirels;

TEST(ReadableText, ALongListLineWrapsAndItsRowGrows)
{
    QTreeWidget list;
    list.setColumnCount(2);
    list.setRootIsDecorated(false);
    wrapItemLines(&list);
    const QString longLine = QStringLiteral("OK: Total de lançamentos para importação e/ou exportação preenchidos "
                                            "corretamente para o produto SEM NCM a 0%");
    list.addTopLevelItems({new QTreeWidgetItem({QStringLiteral("OK"), QStringLiteral("Anexo XI-A")}),
                           new QTreeWidgetItem({longLine, QStringLiteral("Anexo XI-A")})});
    list.resize(500, 300);
    list.header()->setStretchLastSection(false);
    list.setColumnWidth(0, 300);
    list.setColumnWidth(1, 150);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const int oneLine = list.visualItemRect(list.topLevelItem(0)).height();
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.visualItemRect(list.topLevelItem(1)).height() >= 2 * oneLine - 4; }))
        << list.visualItemRect(list.topLevelItem(1)).height() << " vs " << oneLine;
    // Wider, the line takes one row again.
    list.setColumnWidth(0, 2000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.visualItemRect(list.topLevelItem(1)).height() == oneLine; }));
}

TEST(ReadableText, ALongTitleBreaksBetweenWords)
{
    const struct {
        const char *title;
        const char *wrapped;
    } cases[] = {
        {"Dia", "Dia"},
        {"CNPJ/CPF do Fornecedor ou Adquirinte", "CNPJ/CPF do\nFornecedor ou\nAdquirinte"},
        {"Produto Químico Controlado", "Produto Químico\nControlado"},
        {"Converte para", "Converte para"},
        {"  Concentração   % ", "Concentração %"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(wrapTitle(QString::fromUtf8(c.title)), QString::fromUtf8(c.wrapped)) << c.title;
    // A word longer than a line keeps its own line.
    EXPECT_EQ(wrapTitle(QStringLiteral("ab cdefgh ij"), 4), QStringLiteral("ab\ncdefgh\nij"));
}
