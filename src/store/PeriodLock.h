#pragma once
// Workstations sharing a server store. A workstation that has a period open
// for writing holds it (shared: any number of workstations may hold the same
// period and keep saving rows). A bulk operation (imports, carry-over,
// deletions, a company's key change) takes its period, or the whole company,
// for itself inside its transaction and refuses to run while another
// workstation holds it. Different companies never touch each other's locks.
// The locks belong to the server's session: a workstation that dies lets go
// of them. On the SQLite file there is nothing to do (its writers take turns
// through the file's own lock).

#include "PeriodKey.h"
#include "base/Result.h"

#include <QSqlDatabase>
#include <QString>

namespace quirels::store {

// The period held open by this connection, until released or destroyed.
class PeriodHold {
public:
    PeriodHold() = default;
    ~PeriodHold();
    PeriodHold(const PeriodHold &) = delete;
    PeriodHold &operator=(const PeriodHold &) = delete;

    // Holds `period` on db's session (a period held before is let go). A
    // bulk operation of another workstation on it is waited for as long as
    // any lock.
    Status hold(QSqlDatabase &db, const PeriodKey &period);
    void release();
    const PeriodKey &period() const { return m_period; }

private:
    QString m_connection;
    PeriodKey m_period;
};

// Inside a bulk operation's transaction on `period`: refuses, naming the
// reason, when another workstation holds the period open (or runs a bulk
// operation on it or on its company).
Status claimPeriod(QSqlDatabase &db, const PeriodKey &period);
// The same for an operation on every period of a company.
Status claimCompany(QSqlDatabase &db, const QString &cnpj);
// Inside a transaction that may register the company (an import's first
// line): waits while another workstation's transaction may be registering
// the same company, so that the second one finds it registered instead of
// writing it twice. Held to the end of the transaction.
Status awaitCompanyRegistration(QSqlDatabase &db, const QString &cnpj);
// The same for an operation on what every period relies on (the reference
// tables): every registered company is claimed, after any other such
// operation has ended (they take turns).
Status claimEveryCompany(QSqlDatabase &db);

} // namespace quirels::store
