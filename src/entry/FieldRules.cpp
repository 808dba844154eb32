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

bool isBlankValue(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return true;
    switch (v.typeId()) {
    case QMetaType::QString: return QStringView(*static_cast<const QString *>(v.constData())).trimmed().isEmpty();
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::LongLong: return false;
    default: return isBlank(v.toString());
    }
}

bool hasDigit(const QString &text)
{
    for (QChar c : text)
        if (c.isDigit())
            return true;
    return false;
}

} // namespace quirels::entry
