#include "base/Masks.h"

#include <gtest/gtest.h>

using namespace quirels;

TEST(Masks, ConvertsToQtSyntax)
{
    struct Case {
        const char *system;
        const char *qt;
        bool stores;
    };
    const Case cases[] = {
        {"00.000.000/0000-00;0;_", "99.999.999/9999-99;_", false},
        {"000.000.000-00;0;_", "999.999.999-99;_", false},
        {"9999.99.99;1; ", "0000.00.00; ", true},
        {"9.999;1;_", "0.000;_", true},
        {"\\ 999-9999;0;_", " 000-0000;_", false},
        {"99999999-9;1;_", "00000000-0;_", true},
    };
    for (const Case &c : cases) {
        EditMask m{QString::fromLatin1(c.system)};
        EXPECT_EQ(m.qtInputMask(), QString::fromLatin1(c.qt)) << c.system;
        EXPECT_EQ(m.storesLiterals(), c.stores) << c.system;
    }
}

TEST(Masks, DisplayAndStore)
{
    const EditMask cnpj = EditMask::cnpj();
    EXPECT_EQ(cnpj.display(QStringLiteral("11222333000181")), QStringLiteral("11.222.333/0001-81"));
    EXPECT_EQ(cnpj.store(QStringLiteral("11.222.333/0001-81")), QStringLiteral("11222333000181"));
    EXPECT_EQ(cnpj.display(QString()), QStringLiteral("__.___.___/____-__"));
    EXPECT_EQ(cnpj.store(QStringLiteral("__.___.___/____-__")), QString());

    const EditMask ncm = EditMask::ncm();
    EXPECT_EQ(ncm.display(QStringLiteral("2811.19.90")), QStringLiteral("2811.19.90"));
    EXPECT_EQ(ncm.store(QStringLiteral("2811.19.90")), QStringLiteral("2811.19.90"));
    EXPECT_EQ(ncm.store(QStringLiteral("    .  .  ")), QString());
    // A partly filled mask that keeps its literals is stored in its full width.
    EXPECT_EQ(ncm.store(QStringLiteral("2807.  .  ")), QStringLiteral("2807.  .  "));
    EXPECT_EQ(ncm.store(QStringLiteral("2807.1")), QStringLiteral("2807.1 .  "));
    EXPECT_EQ(ncm.display(QStringLiteral("2807.  .  ")), QStringLiteral("2807.  .  "));
    const EditMask cfop(QStringLiteral("9.999;1;_"));
    EXPECT_EQ(cfop.store(QStringLiteral("5.1__")), QStringLiteral("5.1  "));

    // Where typing goes on: the first input position without a character.
    EXPECT_EQ(ncm.firstEmpty(QStringLiteral("    .  .  ")), 0);
    EXPECT_EQ(ncm.firstEmpty(QStringLiteral("2807.  .  ")), 5);
    EXPECT_EQ(ncm.firstEmpty(QStringLiteral("2807.10.  ")), 8);
    EXPECT_EQ(ncm.firstEmpty(QStringLiteral("2807.10.20")), 10);
    EXPECT_EQ(cnpj.firstEmpty(QStringLiteral("11.2__.___/____-__")), 4);

    const EditMask phone(QStringLiteral("\\ 999-9999;0;_"));
    EXPECT_EQ(phone.display(QStringLiteral("3211234")), QStringLiteral(" 321-1234"));
    EXPECT_EQ(phone.store(QStringLiteral(" 321-1234")), QStringLiteral("3211234"));
}
