#pragma once
// What the entry screens enforce as data are typed, checked again on the
// stored rows of a month: rows that came from an import, from an older
// program or from another tool never went through the screens. Four checks
// cover the month's tables (CNPJ/CPF numbers, values out of range, negative
// values, required fields) and one the days of the annexes that have a day.

#include "ValidationReport.h"
#include "base/Result.h"
#include "store/PeriodKey.h"

#include <QList>
#include <QSqlDatabase>

namespace quirels::validation {

struct StoredRowFindings {
    QList<CheckLine> cnpj;     // company key and counterpart numbers
    QList<CheckLine> invalid;  // concentrations and densities outside 0..100
    QList<CheckLine> negative; // negative quantities and values
    QList<CheckLine> required; // fields a row cannot go without
    // Days outside the period's month, per annex letter B, E, F and H.
    QList<CheckLine> dates[4];
};

// The annex letters whose rows have a day, in the order of the dates lists.
inline constexpr char kDatedAnnexes[4] = {'B', 'E', 'F', 'H'};

// Error lines ("Erro: ...") naming the annex, the row (its number in the
// annex, in key order) and the value. A store failure is an error of code 2.
Result<StoredRowFindings> checkStoredRows(QSqlDatabase &db, const PeriodKey &period);

} // namespace quirels::validation
