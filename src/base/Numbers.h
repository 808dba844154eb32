#pragma once
// Numbers as the user sees them: the regional decimal separator on screens,
// reports and the text import; a point in SQL literals and the XML packet.

#include <QLocale>
#include <QString>
#include <optional>

namespace quirels::numbers {

// The locale of the regional settings: the system's, or Portuguese (Brazil)
// when the system has none configured (C/POSIX). Tests may set it.
QLocale appLocale();
void setAppLocale(const QLocale &locale);
void resetAppLocale();

// Formats with a picture such as "0.000", "###,###,##0.000", "##0.00" or
// "0.00": '0' a digit always shown, '#' a digit shown when significant, ','
// anywhere before the point asks for thousands groups, '.' the decimal
// separator. The value is first taken to 15 significant digits, then rounded
// half away from zero to the picture's decimals. An empty picture means the
// general format.
QString format(double value, const QString &picture, const QLocale &locale = appLocale());

// General format: up to 15 significant digits, no trailing zeros, scientific
// notation ("1,5E-7", "1E20") for values below 0.0001 in magnitude or with
// more than 15 integer digits.
QString general(double value, const QLocale &locale = appLocale());

// Reads a number typed with the regional decimal separator: optional blanks
// around it, a sign, digits, one decimal separator, an optional exponent. No
// thousands separators. Empty optional when the text is not such a number.
std::optional<double> parse(const QString &text, const QLocale &locale = appLocale());

// A number for SQL or the packet: a point, the shortest form that reads back
// as the same double.
QString plain(double value);

} // namespace quirels::numbers
