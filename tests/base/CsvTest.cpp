#include "base/Csv.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quirels;

TEST(Csv, QuotedFieldsAndLines)
{
    Result<QList<csv::Row>> r = csv::parse(QStringLiteral("A;B\r\n1;\"x;\"\"y\"\"\"\r\n\r\n2;z\n"));
    ASSERT_OK(r);
    ASSERT_EQ(r->size(), 3);
    EXPECT_EQ(r->at(1).fields, (QStringList{QStringLiteral("1"), QStringLiteral("x;\"y\"")}));
    EXPECT_EQ(r->at(2).line, 4);
    EXPECT_EQ(r->at(2).fields, (QStringList{QStringLiteral("2"), QStringLiteral("z")}));
    EXPECT_FALSE(csv::parse(QStringLiteral("a;\"b\n")).ok());
}
