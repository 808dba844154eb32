#pragma once
// The consistency check of one month ("&Validar"): company information, the
// annex XI-A balances against the movements of annexes XI-B and XI-C, the
// storage balances of annex XI-D against annex XI-E, the annexes each group
// requires, and the fixed confirmations of what the entry screens enforce.
// It reads the stored values and changes nothing.

#include "Movements.h"
#include "ValidationReport.h"
#include "base/Result.h"
#include "store/PeriodKey.h"

#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace quirels::validation {

// Runs the check on the period. currentProduct is the CdProduto of the annex
// XI-A row the user is on; when it is empty or not a product of the period,
// the period's first product in key order is the current one (as right after
// the period is opened). A missing period or company is an error of code 1
// (nothing to check), a store failure one of code 2; a CFOP that does not read as an integer stops the run
// with a report whose stopped() is set.
Result<ValidationReport> runCheck(QSqlDatabase &db, const PeriodKey &period, std::optional<int> currentProduct);

// The CdProduto of the period's first product in key order; empty when the
// period has no product.
Result<std::optional<int>> firstProduct(QSqlDatabase &db, const PeriodKey &period);

// "NmProduto a 12,5%": the concentration in its shortest decimal form with
// the regional decimal separator.
QString productLabel(const QString &name, double concentration);

// Two quantities agree when both, with three decimals in the regional form,
// give the same text.
bool sameQuantity(double a, double b);

} // namespace quirels::validation
