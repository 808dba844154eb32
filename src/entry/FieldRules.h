#pragma once
// The checks the entry screens run when a field is left: day of the month,
// value signs and blank codes. Each answers
// with the message to show (empty when the value passes), so the screens, the
// command-line tool and the tests share one rule.

#include <QString>
#include <QVariant>
#include <optional>

namespace quirels::entry {

// Days of a month of a year (month 1..12): 31, 30 for April, June,
// September and November, 29 for February of a leap year, else 28. A year is
// a leap year when divisible by 4 and, if divisible by 100, also by 400.
int monthLength(int month, int year);
bool isLeapYear(int year);

// A day typed for a period (month code "JAN".."DEZ", four-digit year text):
// a whole number from 1 to the month's length. Blanks around the digits are
// allowed; letters, signs and an unknown period are not.
bool isValidDay(const QString &day, const QString &monthCode, const QString &year);

// Sign rule of a numeric field.
enum class Sign {
    Any,          // no check
    Positive,     // greater than zero
    NotNegative,  // zero or more
};
// The message for a value that breaks the rule; empty when it passes.
QString signMessage(Sign sign, double value);

// A text is blank when nothing but blanks remains after trimming.
bool isBlank(const QString &text);
// A value is blank when it is absent, null or a blank text; a number never
// is (and its text is not made to find that out).
bool isBlankValue(const QVariant &v);
// An NCM or CFOP code is blank when it holds no digit (the mask's literals
// and blanks alone).
bool hasDigit(const QString &text);

} // namespace quirels::entry
