#include "CpfCnpj.h"

#include "Messages.h"

namespace quirels::cpfcnpj {

namespace {

namespace msg = quirels::shell::msg;

bool digitsAt(const QString &text, int count)
{
    if (text.size() < count)
        return false;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

int digit(const QString &text, int i) { return text.at(i).unicode() - u'0'; }

int checkDigit(int sum)
{
    const int k = 11 - sum % 11;
    return k >= 10 ? 0 : k;
}

} // namespace

bool isValidCpf(const QString &text)
{
    if (!digitsAt(text, 11))
        return false;
    int sum1 = 0;
    int sum2 = 0;
    for (int i = 0; i < 9; ++i) {
        sum1 += (10 - i) * digit(text, i);
        sum2 += (11 - i) * digit(text, i);
    }
    const int k1 = checkDigit(sum1);
    sum2 += 2 * k1;
    const int k2 = checkDigit(sum2);
    return digit(text, 9) == k1 && digit(text, 10) == k2;
}

bool isValidCnpj(const QString &text)
{
    if (!digitsAt(text, 14))
        return false;
    static const int w1[12] = {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
    static const int w2[12] = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3};
    int sum1 = 0;
    int sum2 = 0;
    for (int i = 0; i < 12; ++i) {
        sum1 += w1[i] * digit(text, i);
        sum2 += w2[i] * digit(text, i);
    }
    const int k1 = checkDigit(sum1);
    sum2 += 2 * k1;
    const int k2 = checkDigit(sum2);
    return digit(text, 12) == k1 && digit(text, 13) == k2;
}

EditMask mask(MaskKind kind)
{
    switch (kind) {
    case MaskKind::Cpf: return EditMask::cpf();
    case MaskKind::Cnpj: return EditMask::cnpj();
    case MaskKind::None:
    case MaskKind::Keep: break;
    }
    return EditMask();
}

Check checkRegistration(const QString &number)
{
    const QString n = number.trimmed();
    const bool oneDigit = !n.isEmpty() && n.count(n.at(0)) == n.size();
    if (n.size() == 14)
        return {MaskKind::Cnpj, isValidCnpj(n) && !oneDigit ? QString() : msg::kCnpjInvalido};
    if (n.size() == 11)
        return {MaskKind::Cpf, isValidCpf(n) && !oneDigit ? QString() : msg::kCpfInvalido};
    return {MaskKind::None, msg::kNumeroInvalido};
}

Check checkCounterpart(const QString &number)
{
    if (number.trimmed().isEmpty())
        return {MaskKind::Keep, QString()};
    if (number.size() == 14)
        return {MaskKind::Cnpj, isValidCnpj(number) ? QString() : msg::kCnpjInvalido};
    if (number.size() == 11)
        return {MaskKind::Cpf, isValidCpf(number) ? QString() : msg::kCpfInvalido};
    return {MaskKind::Keep, msg::kNumeroInvalido};
}

Check checkResponsible(const QString &number)
{
    return {MaskKind::Cpf, isValidCpf(number) ? QString() : msg::kCpfInvalido};
}

namespace {

// A CPF mask would drop the digits after the eleventh of a 12- or 13-digit
// number, and a CNPJ mask would show blanks for the missing ones.
MaskKind maskByLength(qsizetype length)
{
    if (length > 13)
        return MaskKind::Cnpj;
    return length > 11 ? MaskKind::None : MaskKind::Cpf;
}

} // namespace

MaskKind keyDisplayMask(const QString &key) { return maskByLength(key.trimmed().size()); }

MaskKind typedNumberMask(const QString &number) { return maskByLength(number.size()); }

MaskKind rowChangeMask(const QString &value)
{
    if (value.size() == 14)
        return MaskKind::Cnpj;
    if (value.size() == 11)
        return MaskKind::Cpf;
    return MaskKind::Keep;
}

QString formatted(const QString &digits, MaskKind kind)
{
    const EditMask m = mask(kind);
    if (m.isEmpty() || digits.isEmpty())
        return digits;
    return m.format(digits);
}

bool isNumberKey(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('\b') || c == QLatin1Char('\r')
           || c == QLatin1Char('\n');
}

} // namespace quirels::cpfcnpj
