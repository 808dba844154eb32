#pragma once
// Small period fixtures for the shell tests: a company, periods with a row in
// every period table, and a dump of every user table to compare before/after.

#include "shell/PeriodOps.h"
#include "store/Schema.h"
#include "store/Sql.h"
#include "support/TestSupport.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

namespace quirels::test {

inline void addCompany(TempStore &store, const QString &cnpj, const QString &razao)
{
    store.exec(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao) values (%1, %2)")
                   .arg(sql::quote(cnpj), sql::quote(razao)));
}

// The Mes row and one row in each of the twelve annex and observation tables.
inline void fillPeriod(TempStore &store, const PeriodKey &k)
{
    const QString key = sql::quote(k.cnpj) + QLatin1Char(',') + sql::quote(k.ano) + QLatin1Char(',') + sql::quote(k.mes);
    const QString cols = QStringLiteral("CdCNPJEmpr,NrAno,NmMes");
    store.exec(QStringLiteral("insert into Mes (%1) values (%2)").arg(cols, key));
    for (const QString &t : {QStringLiteral("Movimentacao"), QStringLiteral("Transporte"), QStringLiteral("Armazenagem"),
                             QStringLiteral("MovArmazenagem"), QStringLiteral("Residuo"), QStringLiteral("Isolado"),
                             QStringLiteral("MovResiduo"), QStringLiteral("Produtos"), QStringLiteral("Importacao")})
        store.exec(QStringLiteral("insert into %1 (%2,NmProduto) values (%3,'x')").arg(t, cols, key));
    store.exec(QStringLiteral("insert into ProdutoFinal (%1,CdProduto,NmProduto) values (%2,1,'x')").arg(cols, key));
    store.exec(QStringLiteral("insert into SubstanciaPresente (%1,CdProduto,CdProdFinal,NmProduto) values (%2,1,1,'x')")
                   .arg(cols, key));
    store.exec(QStringLiteral("insert into Observacoes (%1,Anexo,Observacao) values (%2,'A','obs')").arg(cols, key));
    // One imported invoice per period: its key is unique in the company.
    store.exec(QStringLiteral("insert into NFeImportada (%1,CdChave,DsLinhas) values (%2,%3,'B1')")
                   .arg(cols, key, sql::quote(k.ano + k.mes)));
}

inline int countKey(TempStore &store, const QString &table, const QString &cnpj)
{
    return store.scalar(QStringLiteral("select count(*) from %1 where CdCNPJEmpr = %2").arg(table, sql::quote(cnpj))).toInt();
}

inline int countPeriod(TempStore &store, const QString &table, const PeriodKey &k)
{
    return store.scalar(QStringLiteral("select count(*) from %1 where CdCNPJEmpr = %2 and NrAno = %3 and NmMes = %4")
                            .arg(table, sql::quote(k.cnpj), sql::quote(k.ano), sql::quote(k.mes)))
        .toInt();
}

// Every row of Empresa, the period tables and the auto-increment counters.
inline QStringList dump(TempStore &store)
{
    QStringList out;
    // The server's counters are not part of a transaction (a rolled-back
    // insert leaves a gap, so that workstations never wait for each other's
    // counters): they are compared on SQLite only.
    QStringList tables{QStringLiteral("Empresa")};
    if (!onServer())
        tables.append(QStringLiteral("sqlite_sequence"));
    tables += shell::periodTables();
    QSqlDatabase db = store.db();
    for (const QString &t : tables) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("select * from %1 order by rowid").arg(t))) {
            out.append(t + QStringLiteral(": error"));
            continue;
        }
        while (q.next()) {
            QStringList row{t};
            for (int i = 0; i < q.record().count(); ++i)
                row.append(q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
            out.append(row.join(QLatin1Char('|')));
        }
    }
    return out;
}

} // namespace quirels::test
