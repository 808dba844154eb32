#pragma once
// Company and first-period registration, the observation rows of a period and
// the change of a company's key: the store work behind the shell's windows.

#include "Annexes.h"
#include "base/Result.h"
#include "store/PeriodKey.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace quirels::shell {

// The group flags FlGrupoI .. FlGrupoIX of a company; an error when the
// company does not exist.
Result<Groups> readGroups(QSqlDatabase &db, const QString &cnpj);

// Makes sure the period has one Observacoes row for each letter; a letter
// that has one already is left alone. Returns how many rows were created.
// All rows or none are written.
Result<int> ensureObservationRows(QSqlDatabase &db, const PeriodKey &period, const QString &letters);

// A failed check: the message and the control that gets the focus.
struct FieldCheck {
    QString message;
    QString control;
    bool ok() const { return message.isEmpty(); }
};

// Object names of the period lists, shared by the dialogs that pick a period.
inline const QString kMonthList = QStringLiteral("cmbMes");
inline const QString kYearList = QStringLiteral("cmbAno");

// The first period of a new company may not lie after today's month: a later
// year is refused with the year message, a later month of this year with the
// month message. Empty month or year are refused first.
FieldCheck checkNewPeriod(const QString &monthCode, const QString &year, const QDate &today);

enum class PeriodLookup { NoCompany, NoPeriod, PeriodExists };
Result<PeriodLookup> lookupPeriod(QSqlDatabase &db, const PeriodKey &period);

// Inserts the Empresa row (number and name; the other fields take their
// defaults) and its first Mes row, both or neither.
Status createCompany(QSqlDatabase &db, const PeriodKey &period, const QString &name);
// Inserts the Mes row of an existing company.
Status createPeriod(QSqlDatabase &db, const PeriodKey &period);

// The tables renamed by a key change, in the order they are renamed.
const QStringList &keyChangeTables();

enum class KeyChange { Renamed, Exists };

// Renames a company: when no company has the new number yet, the thirteen
// tables of keyChangeTables() and the Empresa row itself take the new number,
// in one transaction, so a failure leaves every table as it was. When the new
// number belongs to another company, nothing is changed and Exists returned.
Result<KeyChange> changeCompanyKey(QSqlDatabase &db, const QString &oldKey, const QString &newKey);

} // namespace quirels::shell
