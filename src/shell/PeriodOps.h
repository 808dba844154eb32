#pragma once
// Periods of a company: opening a month with the carry-over of the previous
// month's closing stocks, and deleting a period or a whole company. Every
// bulk change here is all-or-nothing.

#include "base/Dialogs.h"
#include "base/Result.h"
#include "store/PeriodKey.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace quirels::shell {

// The month before: FEV 2005 gives JAN 2005, JAN 2005 gives DEZ 2004. An
// unknown month code or a year that is not a number gives an invalid key.
PeriodKey previousPeriod(const PeriodKey &key);

// The name (NmRazao) of a registered company; no value when the key names none.
Result<std::optional<QString>> companyName(QSqlDatabase &db, const QString &cnpj);

// The company's Mes row for that year and month, compared without regard to
// letter case; the key as stored, or no value when the period does not exist.
Result<std::optional<PeriodKey>> findPeriod(QSqlDatabase &db, const PeriodKey &key);

enum class OpenOutcome {
    Existing,  // the period existed: nothing asked, nothing carried
    Created,   // the Mes row was created (and the previous month carried when it exists)
    Declined,  // the user answered "Não" to including the period
};

struct Opened {
    OpenOutcome outcome = OpenOutcome::Existing;
    PeriodKey period;        // the period as stored
    bool carried = false;    // the previous period existed and was carried over
};

// Opens a period. When its Mes row is missing, asks whether to include it;
// on "Sim" inserts the Mes row and carries the previous period's products
// (with their final products and substances) and storage rows, showing
// progress per product and storage row, then "Dados importados com
// Sucesso!". The new Mes row and every carried row are one transaction: a
// failure leaves no trace of the new month.
Result<Opened> openPeriod(QSqlDatabase &db, const PeriodKey &key, Dialogs &dialogs, Progress &progress);

// The carry-over alone, into a period whose Mes row exists, from the period
// `from`. Runs inside the caller's transaction. Progress range: products +
// storage rows of `from`; it advances once the products (with their final
// products and substances) are copied and again after the storage rows.
Status carryOver(QSqlDatabase &db, const PeriodKey &from, const PeriodKey &to, Progress &progress);

// The tables a period's rows live in, in the order they are deleted.
const QStringList &periodTables();

// Deletes every row of the period from the thirteen period tables, in
// order, without a transaction of its own: the caller runs it inside its
// own (the imports replace a month this way).
Status deletePeriodRows(QSqlDatabase &db, const PeriodKey &key);
// The same in one transaction.
Status deletePeriod(QSqlDatabase &db, const PeriodKey &key);
// Deletes the Empresa row and every row carrying the company's key from the
// thirteen period tables, in one transaction.
Status deleteCompany(QSqlDatabase &db, const QString &cnpj);

enum class DeleteOutcome {
    Deleted,
    Declined,        // "Não" to the confirmation, or the company could not be closed
    NoSuchPeriod,    // the period does not exist: the include question was asked, nothing done
};

// What the desktop does around a deletion: close the open company before the
// rows go (false stops the deletion) and reconnect the store after it (a
// failure there is the reconnection's own to report: the rows are gone).
struct DeletionHooks {
    std::function<bool()> closeCompany;
    std::function<void()> reconnect;
};

// The deletion as the deletion window runs it: the confirmation with the
// company's name, closing the company, the deletion, reconnecting and the
// success message. `key.ano`/`key.mes` are the chosen year and month.
Result<DeleteOutcome> confirmAndDeleteCompany(QSqlDatabase &db, const QString &cnpj, const QString &razao,
                                              Dialogs &dialogs, const DeletionHooks &hooks = {});
Result<DeleteOutcome> confirmAndDeletePeriod(QSqlDatabase &db, const PeriodKey &key, const QString &razao,
                                             Dialogs &dialogs, const DeletionHooks &hooks = {});

} // namespace quirels::shell
