#include "RowRules.h"

#include "Messages.h"

#include <optional>

namespace quirels::shell {

namespace {

bool allDigits(const QString &s)
{
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return !s.isEmpty();
}

std::optional<int> wholeNumber(const QString &text)
{
    const QString t = text.trimmed();
    if (t.size() > 4 || !allDigits(t))
        return std::nullopt;
    return t.toInt();
}

} // namespace

QString monthCode(const QString &text)
{
    const QString code = text.trimmed().toUpper();
    return schema::monthCodes().contains(code) ? code : QString();
}

bool isYear(const QString &year) { return year.size() == 4 && allDigits(year); }

bool isCpfCnpjForm(const QString &key) { return (key.size() == 11 || key.size() == 14) && allDigits(key); }

Status checkCompanyKey(const QString &key)
{
    if (!isCpfCnpjForm(key))
        return makeError(msg::kChaveEmpresaInvalida.arg(key));
    return {};
}

Result<PeriodKey> checkPeriodKey(const PeriodKey &key)
{
    if (Status s = checkCompanyKey(key.cnpj); !s)
        return s.error();
    if (!isYear(key.ano))
        return makeError(msg::kAnoInvalido.arg(key.ano));
    const QString mes = monthCode(key.mes);
    if (mes.isEmpty())
        return makeError(msg::kMesInvalido.arg(key.mes));
    return PeriodKey{key.cnpj, key.ano, mes};
}

bool isLeapYear(int year)
{
    if (year % 4 != 0)
        return false;
    return year % 100 != 0 || year % 400 == 0;
}

int monthLength(int month, int year)
{
    switch (month) {
    case 4: case 6: case 9: case 11:
        return 30;
    case 2:
        return isLeapYear(year) ? 29 : 28;
    default:
        return 31;
    }
}

bool isValidDay(const QString &day, const QString &code, const QString &year)
{
    const int month = schema::monthNumber(monthCode(code));
    const std::optional<int> y = wholeNumber(year);
    const std::optional<int> d = wholeNumber(day);
    if (month == 0 || !y || !d)
        return false;
    return *d >= 1 && *d <= monthLength(month, *y);
}

bool isAnnexLetter(const QString &letter)
{
    return letter.size() == 1 && letter.at(0) >= QLatin1Char('A') && letter.at(0) <= QLatin1Char('H');
}

bool mayNotBeNegative(const schema::Field &field) { return field.type == schema::Type::Float; }

} // namespace quirels::shell
