#include "PeriodLock.h"

#include "Dialect.h"
#include "Messages.h"
#include "Schema.h"
#include "Sql.h"

#include <QSqlQuery>
#include <QStringList>

namespace quirels::store {

namespace {

// The two numbers of a lock: the company's, and the period's (0: the company
// as a whole).
QString companyKey(const QString &cnpj) { return QStringLiteral("hashtext(%1)").arg(sql::quote(QStringLiteral("quirels:") + cnpj)); }

int periodNumber(const PeriodKey &p) { return p.ano.toInt() * 100 + schema::monthNumber(p.mes); }

Result<bool> ask(QSqlDatabase &db, const QString &condition)
{
    Result<QVariant> v = sql::scalar(db, QStringLiteral("SELECT ") + condition);
    if (!v)
        return v.error();
    return v->toBool();
}

} // namespace

PeriodHold::~PeriodHold() { release(); }

Status PeriodHold::hold(QSqlDatabase &db, const PeriodKey &period)
{
    release();
    if (!dialect::isServer(db) || !period.isValid())
        return {};
    const QString k = companyKey(period.cnpj);
    const Status s = sql::exec(db, QStringLiteral("SELECT pg_advisory_lock_shared(%1, 0), pg_advisory_lock_shared(%1, %2)")
                                       .arg(k)
                                       .arg(periodNumber(period)));
    if (!s)
        return s;
    m_connection = db.connectionName();
    m_period = period;
    return {};
}

void PeriodHold::release()
{
    if (m_connection.isEmpty())
        return;
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isOpen())
            sql::exec(db, QStringLiteral("SELECT pg_advisory_unlock_shared(%1, 0), pg_advisory_unlock_shared(%1, %2)")
                              .arg(companyKey(m_period.cnpj))
                              .arg(periodNumber(m_period)));
    }
    m_connection.clear();
    m_period = {};
}

Status claimPeriod(QSqlDatabase &db, const PeriodKey &period)
{
    if (!dialect::isServer(db))
        return {};
    const QString k = companyKey(period.cnpj);
    Result<bool> got = ask(db, QStringLiteral("pg_try_advisory_xact_lock_shared(%1, 0) AND pg_try_advisory_xact_lock(%1, %2)")
                                   .arg(k)
                                   .arg(periodNumber(period)));
    if (!got)
        return got.error();
    if (!*got)
        return makeError(msg::kPeriodoEmUso.arg(period.mes, period.ano, period.cnpj), 1);
    return {};
}

Status claimCompany(QSqlDatabase &db, const QString &cnpj)
{
    if (!dialect::isServer(db))
        return {};
    Result<bool> got = ask(db, QStringLiteral("pg_try_advisory_xact_lock(%1, 0)").arg(companyKey(cnpj)));
    if (!got)
        return got.error();
    if (!*got)
        return makeError(msg::kEmpresaEmUso.arg(cnpj), 1);
    return {};
}

Status awaitCompanyRegistration(QSqlDatabase &db, const QString &cnpj)
{
    if (!dialect::isServer(db))
        return {};
    // A lock number of its own (no period is -1), so the periods held open
    // by workstations are no obstacle.
    return sql::exec(db, QStringLiteral("SELECT pg_advisory_xact_lock(%1, -1)").arg(companyKey(cnpj)));
}

Status claimEveryCompany(QSqlDatabase &db)
{
    if (!dialect::isServer(db))
        return {};
    // A key of its own: no company's key has a negative second number.
    if (Status s = sql::exec(db, QStringLiteral("SELECT pg_advisory_xact_lock(hashtext('quirels:tabelas'), -1)")); !s)
        return s;
    QSqlQuery q(db);
    sql::forwardOnly(q);
    if (!q.exec(QStringLiteral("SELECT CdCNPJEmpr FROM Empresa ORDER BY CdCNPJEmpr")))
        return makeError(sql::errorText(q), 2);
    QStringList companies;
    while (q.next())
        companies.append(q.value(0).toString());
    for (const QString &cnpj : companies)
        if (Status s = claimCompany(db, cnpj); !s)
            return s;
    return {};
}

} // namespace quirels::store
