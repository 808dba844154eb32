#include "PeriodChoice.h"

#include "store/Schema.h"
#include "store/Sql.h"

#include <QSqlQuery>
#include <algorithm>

namespace quirels::shell {

PeriodKey nextPeriod(const PeriodKey &key)
{
    const int month = schema::monthNumber(key.mes);
    bool ok = false;
    const int year = key.ano.toInt(&ok);
    if (month == 0 || !ok)
        return PeriodKey{key.cnpj, QString(), QString()};
    if (month == 12)
        return PeriodKey{key.cnpj, QString::number(year + 1), schema::monthCodes().first()};
    return PeriodKey{key.cnpj, key.ano, schema::monthCodes().at(month)};
}

Result<QList<PeriodKey>> companyPeriods(QSqlDatabase &db, const QString &cnpj)
{
    QSqlQuery q(db);
    sql::forwardOnly(q);
    if (!q.prepare(QStringLiteral("select NrAno, NmMes from Mes where CdCNPJEmpr = ?")))
        return makeError(sql::errorText(q));
    q.addBindValue(cnpj);
    if (Status s = sql::exec(q); !s)
        return s.error();
    QList<PeriodKey> out;
    while (q.next()) {
        const PeriodKey p{cnpj, q.value(0).toString().trimmed(), q.value(1).toString().trimmed().toUpper()};
        if (schema::monthNumber(p.mes) > 0)
            out.append(p);
    }
    std::sort(out.begin(), out.end(), [](const PeriodKey &a, const PeriodKey &b) {
        const int y = a.ano.compare(b.ano);
        return y != 0 ? y < 0 : schema::monthNumber(a.mes) < schema::monthNumber(b.mes);
    });
    return out;
}

Result<std::optional<PeriodKey>> suggestedPeriod(QSqlDatabase &db, const QString &cnpj, const PeriodKey &open,
                                                 PeriodUse use)
{
    if (cnpj.isEmpty())
        return std::optional<PeriodKey>();
    const bool openIsTheCompanys = open.isValid() && open.cnpj.trimmed() == cnpj.trimmed();
    if (openIsTheCompanys && use != PeriodUse::Create)
        return std::optional<PeriodKey>(PeriodKey{cnpj, open.ano, open.mes});
    Result<QList<PeriodKey>> months = companyPeriods(db, cnpj);
    if (!months)
        return months.error();
    if (!months->isEmpty()) {
        const PeriodKey last = months->last();
        const PeriodKey p = use == PeriodUse::Delete ? last : nextPeriod(last);
        return p.isValid() ? std::optional<PeriodKey>(p) : std::optional<PeriodKey>();
    }
    if (use != PeriodUse::Delete && open.isValid())
        return std::optional<PeriodKey>(PeriodKey{cnpj, open.ano, open.mes});
    return std::optional<PeriodKey>();
}

} // namespace quirels::shell
