#include "base/Numbers.h"

#include <gtest/gtest.h>

using namespace quirels;

namespace {
const QLocale br(QLocale::Portuguese, QLocale::Brazil);
const QLocale us(QLocale::English, QLocale::UnitedStates);
} // namespace

TEST(Numbers, FormatsThePictures)
{
    struct Case {
        double value;
        const char *picture;
        const char *expected;
    };
    const Case cases[] = {
        {120, "0.000", "120,000"},
        {-12.5, "0.000", "-12,500"},
        {1234567.5, "###,###,##0.000", "1.234.567,500"},
        {999.9995, "###,###,##0.000", "1.000,000"},
        {0.5, "##0.00", "0,50"},
        {0, "##0.00", "0,00"},
        {2.675, "0.00", "2,68"},      // 15 digits first: 2.67500000000000 rounds up
        {1.0005, "0.000", "1,001"},
        {-0.0001, "0.000", "0,000"},  // no negative zero
        {12345678.9, "0.00", "12345678,90"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(numbers::format(c.value, QString::fromLatin1(c.picture), br), QString::fromUtf8(c.expected))
            << c.value << " " << c.picture;
    EXPECT_EQ(numbers::format(1234.5, QStringLiteral("###,###,##0.000"), us), QStringLiteral("1,234.500"));
}

TEST(Numbers, GeneralFormat)
{
    struct Case {
        double value;
        const char *expected;
    };
    const Case cases[] = {
        {100.01, "100,01"}, {-1, "-1"}, {0, "0"}, {0.1, "0,1"}, {1.0 / 3, "0,333333333333333"},
        {0.0001, "0,0001"}, {0.00001, "1E-5"}, {1.5e-7, "1,5E-7"}, {1e20, "1E20"},
        {123456789012345.0, "123456789012345"}, {0.1 + 0.2, "0,3"},
        {4.0995617250256654e-311, "4,09956172502567E-311"}, // subnormal: fewer exact digits than its shortest form shows
    };
    for (const Case &c : cases)
        EXPECT_EQ(numbers::general(c.value, br), QString::fromLatin1(c.expected)) << c.value;
}

TEST(Numbers, ParsesRegionalText)
{
    EXPECT_EQ(numbers::parse(QStringLiteral(" 12,5 "), br), 12.5);
    EXPECT_EQ(numbers::parse(QStringLiteral("-0,001"), br), -0.001);
    EXPECT_EQ(numbers::parse(QStringLiteral("1E3"), br), 1000.0);
    EXPECT_EQ(numbers::parse(QStringLiteral("12.5"), us), 12.5);
    for (const char *bad : {"", "  ", "12.5", "1.234,5", "1,2,3", "abc", "1E", "--1", ","})
        EXPECT_FALSE(numbers::parse(QString::fromLatin1(bad), br).has_value()) << bad;
}

TEST(Numbers, PlainIsShortestRoundTrip)
{
    EXPECT_EQ(numbers::plain(12.5), QStringLiteral("12.5"));
    EXPECT_EQ(numbers::plain(0.1 + 0.2), QStringLiteral("0.30000000000000004"));
    EXPECT_EQ(numbers::plain(100), QStringLiteral("100"));
    const double v = 1234.5678901234567;
    EXPECT_EQ(numbers::plain(v).toDouble(), v);
}

TEST(Numbers, PortugueseWhenSystemHasNoLocale)
{
    numbers::resetAppLocale();
    QLocale::setDefault(QLocale::c());
    if (QLocale::system().language() == QLocale::C) {
        EXPECT_EQ(numbers::appLocale().decimalPoint(), QStringLiteral(","));
    }
    numbers::setAppLocale(br);
}
