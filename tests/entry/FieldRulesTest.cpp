#include "entry/FieldRules.h"
#include "entry/Messages.h"

#include <gtest/gtest.h>

using namespace quirels::entry;

TEST(DayOfMonth, FollowsTheMonthAndLeapYears)
{
    struct Case {
        const char *day;
        const char *month;
        const char *year;
        bool valid;
    };
    const Case cases[] = {
        {"29", "FEV", "2004", true},  {"29", "FEV", "2005", false}, {"29", "FEV", "1900", false},
        {"29", "FEV", "2000", true},  {"28", "FEV", "2005", true},  {"0", "JAN", "2004", false},
        {"32", "JAN", "2004", false}, {"31", "JAN", "2004", true},  {"31", "ABR", "2004", false},
        {"30", "ABR", "2004", true},  {"31", "JUN", "2004", false}, {"31", "SET", "2004", false},
        {"31", "NOV", "2004", false}, {"31", "DEZ", "2004", true},  {"1a", "JAN", "2004", false},
        {"-1", "JAN", "2004", false}, {" 5", "MAR", "2004", true},  {"05", "MAR", "2004", true},
        {"", "MAR", "2004", false},   {"10", "XYZ", "2004", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(isValidDay(QString::fromLatin1(c.day), QString::fromLatin1(c.month), QString::fromLatin1(c.year)),
                  c.valid)
            << c.day << ' ' << c.month << ' ' << c.year;
}

TEST(ValueSign, PositiveAndNotNegative)
{
    EXPECT_EQ(signMessage(Sign::Positive, 0), msg::kZeroOuNegativo);
    EXPECT_EQ(signMessage(Sign::Positive, -0.001), msg::kZeroOuNegativo);
    EXPECT_TRUE(signMessage(Sign::Positive, 0.001).isEmpty());
    EXPECT_EQ(signMessage(Sign::NotNegative, -1), msg::kNegativo);
    EXPECT_TRUE(signMessage(Sign::NotNegative, 0).isEmpty());
    EXPECT_TRUE(signMessage(Sign::Any, -5).isEmpty());
}

TEST(Codes, BlankMeansNoDigit)
{
    EXPECT_FALSE(hasDigit(QStringLiteral("    .  .  ")));
    EXPECT_FALSE(hasDigit(QStringLiteral("_.___")));
    EXPECT_TRUE(hasDigit(QStringLiteral("2807.  .  ")));
    EXPECT_TRUE(isBlank(QStringLiteral("   ")));
    EXPECT_FALSE(isBlank(QStringLiteral(" x ")));
}
