#include "shell/CpfCnpj.h"
#include "shell/Messages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::cpfcnpj;
namespace msg = quirels::shell::msg;

TEST(CpfCnpj, CheckDigitTests)
{
    struct Case {
        const char *text;
        bool cpf;
        bool cnpj;
    };
    const Case cases[] = {
        {"12345678909", true, false},        // sums 210 and 255
        {"12345678900", false, false},       // check digits must be 09
        {"12345678919", false, false},       // second digit only right by chance of the first
        {"00000000000", true, false},        // a repeated digit is not refused
        {"00000000000000", true, true},
        {"11222333000181", false, true},     // sums 102 and 120
        {"11222333000180", false, false},
        {"11222333000118", false, false},
        {"1234567890912", true, false},      // CPF looks at the first eleven only
        {"12345678909xyz", true, false},
        {"11222333000181999", false, true},  // CNPJ looks at the first fourteen only
        {"", false, false},
        {"1234567890", false, false},        // too short for either
        {"123.456.789-09", false, false},    // punctuation is not removed
        {"1234567890a", false, false},
        {" 12345678909", false, false},      // nor is white space
        {"١٢٣٤٥٦٧٨٩٠٩", false, false},      // other scripts' digits are not decimal digits here
    };
    for (const Case &c : cases) {
        const QString t = QString::fromUtf8(c.text);
        EXPECT_EQ(isValidCpf(t), c.cpf) << c.text;
        EXPECT_EQ(isValidCnpj(t), c.cnpj) << c.text;
    }
}

TEST(CpfCnpj, EachCallersRule)
{
    enum Caller { Registration, Counterpart, Responsible };
    struct Case {
        Caller caller;
        const char *number;
        MaskKind mask;
        const QString *message; // null: passes
    };
    const Case cases[] = {
        {Registration, "12345678909", MaskKind::Cpf, nullptr},
        {Registration, "12345678900", MaskKind::Cpf, &msg::kCpfInvalido},
        {Registration, "11222333000181", MaskKind::Cnpj, nullptr},
        {Registration, "11222333000182", MaskKind::Cnpj, &msg::kCnpjInvalido},
        // Only 11 or 14 digits make a key: a valid CPF in the first eleven
        // of 12 or 13 does not help.
        {Registration, "1234567890912", MaskKind::None, &msg::kNumeroInvalido},
        {Registration, "123456789012", MaskKind::None, &msg::kNumeroInvalido},
        {Registration, "12345678909000", MaskKind::Cnpj, &msg::kCnpjInvalido}, // a CPF inside does not help
        {Registration, "123", MaskKind::None, &msg::kNumeroInvalido},
        {Registration, "", MaskKind::None, &msg::kNumeroInvalido},
        // One digit repeated passes the check-digit tests but is no key.
        {Registration, "00000000000", MaskKind::Cpf, &msg::kCpfInvalido},
        {Registration, "99999999999", MaskKind::Cpf, &msg::kCpfInvalido},
        {Registration, "00000000000000", MaskKind::Cnpj, &msg::kCnpjInvalido},
        {Registration, "12345678909 ", MaskKind::Cpf, nullptr},
        {Counterpart, "", MaskKind::Keep, nullptr},
        {Counterpart, "   ", MaskKind::Keep, nullptr},
        {Counterpart, "12345678909", MaskKind::Cpf, nullptr},
        {Counterpart, "12345678900", MaskKind::Cpf, &msg::kCpfInvalido},
        {Counterpart, "11222333000181", MaskKind::Cnpj, nullptr},
        {Counterpart, "12345678909000", MaskKind::Cnpj, &msg::kCnpjInvalido},
        {Counterpart, "1234567890912", MaskKind::Keep, &msg::kNumeroInvalido},
        {Counterpart, "1234", MaskKind::Keep, &msg::kNumeroInvalido},
        {Responsible, "12345678909", MaskKind::Cpf, nullptr},
        {Responsible, "", MaskKind::Cpf, &msg::kCpfInvalido},
        {Responsible, "11222333000181", MaskKind::Cpf, &msg::kCpfInvalido},
    };
    for (const Case &c : cases) {
        const QString n = QString::fromLatin1(c.number);
        const Check r = c.caller == Registration  ? checkRegistration(n)
                        : c.caller == Counterpart ? checkCounterpart(n)
                                                  : checkResponsible(n);
        EXPECT_EQ(r.mask, c.mask) << c.number;
        EXPECT_EQ(r.message, c.message ? *c.message : QString()) << c.number;
        EXPECT_EQ(r.ok(), c.message == nullptr) << c.number;
    }
}

TEST(CpfCnpj, DisplayMasks)
{
    // Company key: 14 or more characters after trimming is a CNPJ; 12 or 13
    // fit neither mask whole and are shown as they are.
    EXPECT_EQ(keyDisplayMask(QStringLiteral("11222333000181")), MaskKind::Cnpj);
    EXPECT_EQ(keyDisplayMask(QStringLiteral("12345678909   ")), MaskKind::Cpf);
    EXPECT_EQ(keyDisplayMask(QStringLiteral("1234567890912")), MaskKind::None);
    EXPECT_EQ(keyDisplayMask(QStringLiteral("123456789091")), MaskKind::None);
    EXPECT_EQ(keyDisplayMask(QString()), MaskKind::Cpf);
    // Typed numbers: more than 13 characters.
    EXPECT_EQ(typedNumberMask(QStringLiteral("11222333000181")), MaskKind::Cnpj);
    EXPECT_EQ(typedNumberMask(QStringLiteral("1234567890912")), MaskKind::None);
    EXPECT_EQ(typedNumberMask(QStringLiteral("1234567890")), MaskKind::Cpf);
    // Row change: exactly 11 or 14, else the mask stays.
    EXPECT_EQ(rowChangeMask(QStringLiteral("11222333000181")), MaskKind::Cnpj);
    EXPECT_EQ(rowChangeMask(QStringLiteral("12345678909")), MaskKind::Cpf);
    EXPECT_EQ(rowChangeMask(QStringLiteral("123456789091")), MaskKind::Keep);
    EXPECT_EQ(rowChangeMask(QString()), MaskKind::Keep);

    EXPECT_EQ(formatted(QStringLiteral("11222333000181"), MaskKind::Cnpj), QStringLiteral("11.222.333/0001-81"));
    EXPECT_EQ(formatted(QStringLiteral("12345678909"), MaskKind::Cpf), QStringLiteral("123.456.789-09"));
    EXPECT_EQ(formatted(QStringLiteral("12345678909"), MaskKind::Keep), QStringLiteral("12345678909"));
    EXPECT_EQ(mask(MaskKind::Cnpj).source(), QStringLiteral("00.000.000/0000-00;0;_"));
    EXPECT_EQ(mask(MaskKind::Cpf).source(), QStringLiteral("000.000.000-00;0;_"));
    EXPECT_TRUE(mask(MaskKind::Keep).isEmpty());

    for (QChar c : QStringLiteral("0123456789\b\r"))
        EXPECT_TRUE(isNumberKey(c)) << c.unicode();
    for (QChar c : QStringLiteral("a.-/ \t"))
        EXPECT_FALSE(isNumberKey(c)) << c.unicode();
}
