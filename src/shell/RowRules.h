#pragma once
// The rules that the key and the values of a stored row follow, in one
// place: both importers refuse what breaks them (naming the line or the
// record), and the consistency check reports stored rows that break them.
// The entry screens apply the same rules as fields are typed.

#include "base/Result.h"
#include "store/PeriodKey.h"
#include "store/Schema.h"

#include <QString>

namespace quirels::shell {

// A month code, matched without regard to letter case and blanks around it:
// its stored form ("abr" gives "ABR"); empty when it is none of the twelve.
QString monthCode(const QString &text);
// A four-digit year.
bool isYear(const QString &year);
// A company key or counterpart number in stored form: the 11 digits of a
// CPF or the 14 digits of a CNPJ, nothing else.
bool isCpfCnpjForm(const QString &key);

// The company key of a file: an error naming the value when it is not in
// stored form (see isCpfCnpjForm).
Status checkCompanyKey(const QString &key);
// A period key as a file gives it, in stored form (the month code in upper
// case); an error naming the value that is not a company key, a year or a
// month code.
Result<PeriodKey> checkPeriodKey(const PeriodKey &key);

// Days of a month of a year (month 1..12): 31, 30 for April, June,
// September and November, 29 for February of a leap year, else 28.
int monthLength(int month, int year);
bool isLeapYear(int year);
// A day of a period (month code, four-digit year): a whole number from 1 to
// the month's length; blanks around the digits allowed.
bool isValidDay(const QString &day, const QString &monthCode, const QString &year);

// An observation's annex letter: "A" to "H".
bool isAnnexLetter(const QString &letter);

// Fields that never hold a negative value: every decimal field of the
// tables (quantities, stocks, concentrations and densities).
bool mayNotBeNegative(const schema::Field &field);

} // namespace quirels::shell
