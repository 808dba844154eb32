#pragma once
// The month a window of periods starts on, and the months a company has:
// the clerk confirms instead of picking month and year from scratch.

#include "base/Result.h"
#include "store/PeriodKey.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace quirels::shell {

// The month after: DEZ 2005 gives JAN 2006. An unknown month code or a year
// that is not a number gives an invalid key.
PeriodKey nextPeriod(const PeriodKey &key);

// The company's months, oldest first.
Result<QList<PeriodKey>> companyPeriods(QSqlDatabase &db, const QString &cnpj);

enum class PeriodUse {
    Create, // a new month ("Período")
    Open,   // "Abrir Empresa"
    Delete, // "Excluir Movimento"
};

// The month to start on for the company, given the open period (invalid
// when no company is open):
// - the open month when it is the company's, except to create one, where a
//   month after the company's last is wanted;
// - otherwise the month after the company's last (to create or open) or
//   its last (to delete);
// - a company without months: the open month's year and month, to create or
//   open; none to delete.
Result<std::optional<PeriodKey>> suggestedPeriod(QSqlDatabase &db, const QString &cnpj, const PeriodKey &open,
                                                 PeriodUse use);

} // namespace quirels::shell
