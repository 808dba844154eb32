#pragma once
// A month of one company built with plain inserts on a temporary store.

#include "store/PeriodKey.h"
#include "store/Sql.h"
#include "support/TestSupport.h"

#include <QStringList>
#include <QVariant>
#include <initializer_list>
#include <utility>

namespace quirels::test {

using Values = std::initializer_list<std::pair<const char *, QVariant>>;

class Month {
public:
    // A company with a filled-in CLF, main group and CNAE, the given groups
    // (1 .. 9) and the period MAR/2024.
    explicit Month(std::initializer_list<int> groups, const QString &connection = QStringLiteral("dbQuirel"))
        : store(connection)
    {
        const QString cnae = store.scalar(QStringLiteral("SELECT CDDESCRCNAE FROM Cnae WHERE length(NMCNAE) > 0 LIMIT 1")).toString();
        static const char *const flags[] = {"FlGrupoI", "FlGrupoII", "FlGrupoIII", "FlGrupoIV", "FlGrupoV",
                                            "FlGrupoVI", "FlGrupoVII", "FlGrupoVIII", "FlGrupoIX"};
        QStringList cols{QStringLiteral("CdCNPJEmpr"), QStringLiteral("NmRazao"), QStringLiteral("NrCLF"),
                         QStringLiteral("CdCNAE"), QStringLiteral("DsGrupoPrincipal"), QStringLiteral("DsGrupoIX")};
        QStringList vals{sql::quote(period.cnpj), sql::quote(QStringLiteral("QUIMICA TESTE LTDA")),
                         sql::quote(QStringLiteral("12345678-9")), sql::quote(cnae), sql::quote(QStringLiteral("Grupo I")),
                         sql::quote(QStringLiteral("Recuperação de solventes"))};
        for (int g : groups) {
            cols.append(QString::fromLatin1(flags[g - 1]));
            vals.append(QStringLiteral("1"));
        }
        store.exec(QStringLiteral("INSERT INTO Empresa (%1) VALUES (%2)").arg(cols.join(QLatin1Char(',')), vals.join(QLatin1Char(','))));
        insert("Mes", {});
    }

    // Inserts a row of the period; returns its auto-increment number.
    int insert(const char *table, Values values)
    {
        QStringList cols{QStringLiteral("CdCNPJEmpr"), QStringLiteral("NrAno"), QStringLiteral("NmMes")};
        QStringList vals{sql::quote(period.cnpj), sql::quote(period.ano), sql::quote(period.mes)};
        for (const auto &v : values) {
            cols.append(QString::fromLatin1(v.first));
            vals.append(sql::literal(v.second));
        }
        store.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(QString::fromLatin1(table), cols.join(QLatin1Char(',')), vals.join(QLatin1Char(','))));
        return store.scalar(QStringLiteral("SELECT last_insert_rowid()")).toInt();
    }

    void company(const QString &assignments) const
    {
        store.exec(QStringLiteral("UPDATE Empresa SET ") + assignments);
    }

    int product(const QString &name, const QVariant &concentration, Values more = {})
    {
        const int code = insert("Produtos", {{"NmProduto", name}, {"VlConcentracao", concentration}});
        for (const auto &v : more)
            store.exec(QStringLiteral("UPDATE Produtos SET %1 = %2 WHERE CdProduto = %3")
                           .arg(QString::fromLatin1(v.first), sql::literal(v.second))
                           .arg(code));
        return code;
    }

    int movement(const QString &day, const QString &cfop, const QString &name, const QVariant &concentration, double quantity)
    {
        return insert("Movimentacao", {{"NrDia", day}, {"NrCFOP", cfop}, {"NmProduto", name},
                                       {"VlConcentracao", concentration}, {"VlQuantidade", quantity}});
    }

    PeriodKey period{QStringLiteral("11222333000181"), QStringLiteral("2024"), QStringLiteral("MAR")};
    TempStore store;
};

} // namespace quirels::test
