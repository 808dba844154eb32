#include "FieldRules.h"

#include "entry/Messages.h"
#include "store/Schema.h"

namespace quirels::entry {

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

static std::optional<int> wholeNumber(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 4)
        return std::nullopt;
    int n = 0;
    for (QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

bool isValidDay(const QString &day, const QString &monthCode, const QString &year)
{
    const int month = schema::monthNumber(monthCode.trimmed().toUpper());
    const std::optional<int> y = wholeNumber(year);
    const std::optional<int> d = wholeNumber(day);
    if (month == 0 || !y || !d)
        return false;
    return *d >= 1 && *d <= monthLength(month, *y);
}

QString signMessage(Sign sign, double value)
{
    switch (sign) {
    case Sign::Positive:
        return value > 0 ? QString() : msg::kZeroOuNegativo;
    case Sign::NotNegative:
        return value < 0 ? msg::kNegativo : QString();
    case Sign::Any:
        break;
    }
    return QString();
}

bool isBlank(const QString &text) { return text.trimmed().isEmpty(); }

bool hasDigit(const QString &text)
{
    for (QChar c : text)
        if (c.isDigit())
            return true;
    return false;
}

} // namespace quirels::entry
