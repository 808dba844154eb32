#include "Company.h"

#include "Messages.h"
#include "store/Schema.h"
#include "store/PeriodLock.h"
#include "store/Sql.h"

#include <QSqlQuery>

namespace quirels::shell {

namespace {

QString periodWhere(const PeriodKey &p)
{
    return QStringLiteral("CdCNPJEmpr = %1 and NrAno = %2 and NmMes = %3")
        .arg(sql::quote(p.cnpj), sql::quote(p.ano), sql::quote(p.mes));
}

Result<bool> exists(QSqlDatabase &db, const QString &statement)
{
    QSqlQuery q(db);
    if (Status s = sql::exec(q, statement); !s)
        return s.error();
    return q.next();
}

QString insertMes(const PeriodKey &p)
{
    return QStringLiteral("insert into Mes (CdCNPJEmpr, NrAno, NmMes) values (%1, %2, %3)")
        .arg(sql::quote(p.cnpj), sql::quote(p.ano), sql::quote(p.mes));
}

} // namespace

Result<Groups> readGroups(QSqlDatabase &db, const QString &cnpj)
{
    QSqlQuery q(db);
    const QString s = QStringLiteral("select FlGrupoI, FlGrupoII, FlGrupoIII, FlGrupoIV, FlGrupoV, FlGrupoVI, "
                                     "FlGrupoVII, FlGrupoVIII, FlGrupoIX from Empresa where CdCNPJEmpr = %1")
                          .arg(sql::quote(cnpj));
    if (Status st = sql::exec(q, s); !st)
        return st.error();
    if (!q.next())
        return makeError(QStringLiteral("A empresa %1 não está cadastrada.").arg(cnpj));
    Groups g{};
    for (int i = 0; i < 9; ++i)
        g[static_cast<size_t>(i)] = !q.value(i).isNull() && q.value(i).toBool();
    return g;
}

Result<int> ensureObservationRows(QSqlDatabase &db, const PeriodKey &period, const QString &letters)
{
    sql::Transaction tx(db);
    if (!tx.active())
        return tx.error();
    int created = 0;
    for (QChar letter : letters) {
        const Result<bool> has = exists(
            db, QStringLiteral("select Anexo from Observacoes where %1 and Anexo = %2")
                    .arg(periodWhere(period), sql::quote(QString(letter))));
        if (!has)
            return has.error();
        if (*has)
            continue;
        const QString insert = QStringLiteral("insert into Observacoes (CdCNPJEmpr, NrAno, NmMes, Anexo) "
                                              "values (%1, %2, %3, %4)")
                                   .arg(sql::quote(period.cnpj), sql::quote(period.ano), sql::quote(period.mes),
                                        sql::quote(QString(letter)));
        if (Status s = sql::exec(db, insert); !s)
            return s.error();
        ++created;
    }
    if (Status s = tx.commit(); !s)
        return s.error();
    return created;
}

FieldCheck checkNewPeriod(const QString &monthCode, const QString &year, const QDate &today)
{
    if (monthCode.isEmpty())
        return {msg::kInformeMesReferencia, kMonthList};
    if (year.isEmpty())
        return {msg::kInformeAnoReferencia, kYearList};
    const int y = year.toInt();
    if (y > today.year())
        return {msg::kAnoMaiorQueCorrente, kYearList};
    if (y == today.year() && schema::monthNumber(monthCode) > today.month())
        return {msg::kMesMaiorQueCorrente, kMonthList};
    return {};
}

Result<PeriodLookup> lookupPeriod(QSqlDatabase &db, const PeriodKey &period)
{
    const Result<bool> company =
        exists(db, QStringLiteral("select CdCNPJEmpr from Empresa where CdCNPJEmpr = %1").arg(sql::quote(period.cnpj)));
    if (!company)
        return company.error();
    if (!*company)
        return PeriodLookup::NoCompany;
    // Month and year are matched without regard to letter case.
    const Result<bool> mes = exists(
        db, QStringLiteral("select NmMes from Mes where CdCNPJEmpr = %1 and upper(NrAno) = upper(%2) "
                           "and upper(NmMes) = upper(%3)")
                .arg(sql::quote(period.cnpj), sql::quote(period.ano), sql::quote(period.mes)));
    if (!mes)
        return mes.error();
    return *mes ? PeriodLookup::PeriodExists : PeriodLookup::NoPeriod;
}

Status createCompany(QSqlDatabase &db, const PeriodKey &period, const QString &name)
{
    sql::Transaction tx(db);
    if (!tx.active())
        return tx.error();
    const QString empresa = QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao) values (%1, %2)")
                                .arg(sql::quote(period.cnpj), sql::quote(name));
    if (Status s = sql::exec(db, empresa); !s)
        return s;
    if (Status s = sql::exec(db, insertMes(period)); !s)
        return s;
    return tx.commit();
}

Status createPeriod(QSqlDatabase &db, const PeriodKey &period) { return sql::exec(db, insertMes(period)); }

const QStringList &keyChangeTables()
{
    static const QStringList t{
        QStringLiteral("Armazenagem"),   QStringLiteral("Importacao"),   QStringLiteral("Isolado"),
        QStringLiteral("Mes"),           QStringLiteral("MovArmazenagem"), QStringLiteral("Movimentacao"),
        QStringLiteral("MovResiduo"),    QStringLiteral("Observacoes"),  QStringLiteral("ProdutoFinal"),
        QStringLiteral("Produtos"),      QStringLiteral("Residuo"),      QStringLiteral("SubstanciaPresente"),
        QStringLiteral("Transporte"),
        // The invoice import's own tables follow the company's key too.
        QStringLiteral("NFeImportada"),  QStringLiteral("FatorUnidade"),
    };
    return t;
}

Result<KeyChange> changeCompanyKey(QSqlDatabase &db, const QString &oldKey, const QString &newKey)
{
    sql::Transaction tx(db);
    if (!tx.active())
        return tx.error();
    // Not while another workstation works on a period of the company.
    if (Status s = store::claimCompany(db, oldKey); !s)
        return s.error();
    const Result<bool> taken =
        exists(db, QStringLiteral("select * from Empresa where CdCNPJEmpr=") + sql::quote(newKey));
    if (!taken)
        return taken.error();
    if (*taken)
        return KeyChange::Exists;
    QStringList statements;
    for (const QString &table : keyChangeTables())
        statements.append(QStringLiteral("update ") + table + QStringLiteral(" set CdCNPJEmpr=") + sql::quote(newKey)
                          + QStringLiteral(" where CdCNPJEmpr=") + sql::quote(oldKey));
    statements.append(QStringLiteral("update Empresa set CdCNPJEmpr=") + sql::quote(newKey)
                      + QStringLiteral(" where CdCNPJEmpr=") + sql::quote(oldKey));
    for (const QString &s : statements)
        if (Status st = sql::exec(db, s); !st)
            return st.error();
    if (Status s = tx.commit(); !s)
        return s.error();
    return KeyChange::Renamed;
}

} // namespace quirels::shell
