#include "FieldRules.h"

#include "entry/Messages.h"
#include "shell/RowRules.h"

namespace quirels::entry {

bool isLeapYear(int year) { return shell::isLeapYear(year); }

int monthLength(int month, int year) { return shell::monthLength(month, year); }

bool isValidDay(const QString &day, const QString &monthCode, const QString &year)
{
    return shell::isValidDay(day, monthCode, year);
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
