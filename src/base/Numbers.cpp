#include "Numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace quirels::numbers {

namespace {

std::optional<QLocale> &overrideLocale()
{
    static std::optional<QLocale> locale;
    return locale;
}

// A value as 15 significant decimal digits and the position of the decimal
// point: value = 0.d1d2...d15 x 10^exponent.
struct Decimal {
    bool negative = false;
    std::string digits; // exactly 15 digits, or empty for zero
    int exponent = 0;
};

// Reads "d.ddde+XX" (or "de+XX") into digits and exponent; false when the
// text has more than 15 digits.
bool fromScientific(const char *first, const char *last, Decimal &d)
{
    char digits[15];
    int count = 0;
    const char *p = first;
    for (; p != last && *p != 'e'; ++p) {
        if (*p == '.')
            continue;
        if (count == 15)
            return false;
        digits[count++] = *p;
    }
    if (p == last || count == 0)
        return false;
    ++p;
    const bool negative = p != last && *p == '-';
    if (p != last && (*p == '-' || *p == '+'))
        ++p;
    int exponent = 0;
    for (; p != last; ++p)
        exponent = exponent * 10 + (*p - '0');
    d.digits.assign(digits, static_cast<size_t>(count));
    d.digits.resize(15, '0');
    d.exponent = (negative ? -exponent : exponent) + 1;
    return true;
}

Decimal toDecimal(double value)
{
    Decimal d;
    if (value == 0.0 || !std::isfinite(value))
        return d;
    d.negative = value < 0;
    const double magnitude = std::fabs(value);
    // The shortest digits that read back as this double are, when there are
    // at most 15 of them, exactly its 15-digit rounding: 15-digit decimals
    // lie more than four units of the double apart, and these digits are
    // within half a unit (not so for subnormal values, whose units are
    // coarser). Typed values (quantities, percentages) take this quick path;
    // the others are rounded to 15 digits in full.
    if (magnitude >= std::numeric_limits<double>::min()) {
        char buffer[64];
        const std::to_chars_result shortest =
            std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
        if (shortest.ec == std::errc() && fromScientific(buffer, shortest.ptr, d))
            return d;
    }
    const QByteArray e = QByteArray::number(magnitude, 'e', 14); // d.dddddddddddddde+XX
    const int ePos = e.indexOf('e');
    d.digits = QByteArray(e.left(1) + e.mid(2, ePos - 2)).toStdString();
    d.exponent = e.mid(ePos + 1).toInt() + 1;
    return d;
}

// Rounds the digit string half away from zero so that it keeps `keep` digits
// (may be zero or negative: everything rounds away). Returns the new digits
// and adjusts the exponent on carry.
void roundDigits(Decimal &d, int keep)
{
    if (keep < 0)
        d.digits.clear();
    const int size = static_cast<int>(d.digits.size());
    const bool up = keep >= 0 && keep < size && d.digits[static_cast<size_t>(keep)] >= '5';
    if (keep >= 0 && keep < size)
        d.digits.resize(static_cast<size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') {
            d.digits[static_cast<size_t>(i)] = '0';
            --i;
        }
        if (i >= 0)
            d.digits[static_cast<size_t>(i)] = static_cast<char>(d.digits[static_cast<size_t>(i)] + 1);
        else {
            d.digits.insert(d.digits.begin(), '1');
            d.exponent += 1;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        d.exponent = 0;
}

} // namespace

QLocale appLocale()
{
    if (overrideLocale())
        return *overrideLocale();
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QLocale(QLocale::Portuguese, QLocale::Brazil);
    return system;
}

void setAppLocale(const QLocale &locale) { overrideLocale() = locale; }
void resetAppLocale() { overrideLocale().reset(); }

QString format(double value, const QString &picture, const QLocale &locale)
{
    if (picture.isEmpty())
        return general(value, locale);
    // Reports format every number of every row: the picture is read and the
    // digits put together without temporary strings.
    // Before the first point: ',' asks for groups, each '0' is a digit always
    // shown. After it: each '0' or '#' is a decimal place, and the places up
    // to the last '0' are always shown.
    bool thousands = false, afterPoint = false;
    int minInt = 0, maxFrac = 0, minFrac = 0, fracChars = 0;
    for (const QChar c : picture) {
        if (!afterPoint) {
            afterPoint = c == QLatin1Char('.');
            thousands = thousands || c == QLatin1Char(',');
            minInt += c == QLatin1Char('0');
            continue;
        }
        ++fracChars;
        if (c == QLatin1Char('0') || c == QLatin1Char('#'))
            ++maxFrac;
        if (c == QLatin1Char('0'))
            minFrac = fracChars;
    }

    Decimal d = toDecimal(value);
    roundDigits(d, d.exponent + maxFrac);

    std::string integer, fraction;
    if (!d.digits.empty()) {
        const int n = static_cast<int>(d.digits.size());
        if (d.exponent > 0) {
            integer.assign(d.digits, 0, static_cast<size_t>(std::min(n, d.exponent)));
            integer.resize(static_cast<size_t>(d.exponent), '0');
            if (n > d.exponent)
                fraction.assign(d.digits, static_cast<size_t>(d.exponent), std::string::npos);
        } else {
            fraction.assign(static_cast<size_t>(-d.exponent), '0');
            fraction += d.digits;
        }
    }
    if (static_cast<int>(integer.size()) < minInt)
        integer.insert(0, static_cast<size_t>(minInt) - integer.size(), '0');
    if (static_cast<int>(fraction.size()) < minFrac)
        fraction.resize(static_cast<size_t>(minFrac), '0');

    QString out;
    out.reserve(static_cast<qsizetype>(integer.size() + integer.size() / 3 + fraction.size() + 4));
    if (d.negative && !d.digits.empty())
        out += QLatin1Char('-');
    const QString separator = thousands ? locale.groupSeparator() : QString();
    const size_t n = integer.size();
    for (size_t i = 0; i < n; ++i) {
        if (thousands && i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += QLatin1Char(integer[i]);
    }
    if (!fraction.empty()) {
        out += locale.decimalPoint();
        out += QLatin1String(fraction.data(), static_cast<qsizetype>(fraction.size()));
    }
    return out;
}

QString general(double value, const QLocale &locale)
{
    Decimal d = toDecimal(value);
    roundDigits(d, 15);
    if (d.digits.empty())
        return QStringLiteral("0");
    const QString digits = QString::fromLatin1(d.digits.data(), static_cast<qsizetype>(d.digits.size()));
    QString out;
    if (d.exponent > 15 || d.exponent < -3) {
        out = digits.left(1);
        if (digits.size() > 1)
            out += locale.decimalPoint() + digits.mid(1);
        out += QLatin1Char('E') + QString::number(d.exponent - 1);
    } else if (d.exponent <= 0) {
        out = QLatin1Char('0') + locale.decimalPoint() + QString(-d.exponent, QLatin1Char('0')) + digits;
    } else {
        QString integer = digits.left(d.exponent);
        while (integer.size() < d.exponent)
            integer += QLatin1Char('0');
        out = integer;
        if (digits.size() > d.exponent)
            out += locale.decimalPoint() + digits.mid(d.exponent);
    }
    if (d.negative)
        out.prepend(QLatin1Char('-'));
    return out;
}

std::optional<double> parse(const QString &text, const QLocale &locale)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const QString sep = locale.decimalPoint();
    QByteArray c;
    c.reserve(t.size());
    qsizetype i = 0;
    if (t.at(0) == QLatin1Char('+') || t.at(0) == QLatin1Char('-'))
        c += static_cast<char>(t.at(i++).unicode());
    int digits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        const QChar ch = t.at(i);
        if (ch.isDigit() && ch.unicode() < 128) {
            c += static_cast<char>(ch.unicode());
            ++digits;
        } else if (!point && QStringView(t).mid(i).startsWith(sep)) {
            point = true;
            c += '.';
            i += sep.size() - 1;
        } else {
            break;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < t.size() && (t.at(i) == QLatin1Char('e') || t.at(i) == QLatin1Char('E'))) {
        c += 'e';
        ++i;
        if (i < t.size() && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
            c += static_cast<char>(t.at(i++).unicode());
        int expDigits = 0;
        for (; i < t.size() && t.at(i).isDigit() && t.at(i).unicode() < 128; ++i, ++expDigits)
            c += static_cast<char>(t.at(i).unicode());
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != t.size())
        return std::nullopt;
    bool ok = false;
    const double v = c.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString plain(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace quirels::numbers
