#pragma once
// The month both exchange benchmarks use: 100,000 rows across the annexes of
// one period, written straight into a fresh store.

#include "store/PeriodKey.h"
#include "store/Sql.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace quirels::bench {

inline const PeriodKey kBenchPeriod{QStringLiteral("11222333000181"), QStringLiteral("2005"), QStringLiteral("JUN")};


inline void must(QSqlDatabase &db, const QString &statement)
{
    if (Status s = sql::exec(db, statement); !s) {
        std::fprintf(stderr, "bench: %s\n  in %s\n", qPrintable(s.message()), qPrintable(statement));
        std::exit(2);
    }
}

// INSERT ... SELECT over a counter 1..n.
inline void series(QSqlDatabase &db, const QString &table, const QString &cols, int n, const QString &vals)
{
    must(db, QStringLiteral("INSERT INTO %1 (CdCNPJEmpr, NrAno, NmMes, %2) WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL "
                            "SELECT i + 1 FROM c WHERE i < %3) SELECT '11222333000181', '2005', 'JUN', %4 FROM c")
                 .arg(table, cols)
                 .arg(n)
                 .arg(vals));
}

// The month, with every table's row count multiplied by scale.
inline void fillBenchMonth(QSqlDatabase &db, int scale = 1)
{
    must(db, QStringLiteral("BEGIN"));
    must(db, QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao, FlGrupoI, FlGrupoIX, NmResponsavel, "
                            "NrCpfResponsavel, NrIdentidade, NmOrgao, SgUF) VALUES ('11222333000181', "
                            "'INDÚSTRIA QUÍMICA & CIA', 1, 1, 'José', '12345678909', '123', 'SSP', 'SP')"));
    must(db, QStringLiteral("INSERT INTO Mes VALUES ('11222333000181', '2005', 'JUN')"));
    for (const char *l : {"A", "B", "C", "D", "E", "F", "G", "H"})
        must(db, QStringLiteral("INSERT INTO Observacoes VALUES ('11222333000181', '2005', 'JUN', '%1', "
                                "'Observação do anexo %1')")
                     .arg(QLatin1String(l)));
    const QString ncm = QStringLiteral("printf('%04d.%02d.%02d', 2900 + i % 100, i % 100, i % 7)");
    series(db, QStringLiteral("Produtos"),
           QStringLiteral("CdProduto, VlConcentracao, VlDensidade, QtEstoqueAnt, QtProducao, QtTransformacao, "
                          "QtUtilizacao, QtCompras, QtVendas, QtReciclagem, QtReaproveitamento, QtImportacao, "
                          "QtExportacao, QtPerdas, QtEvaporacao, QtEntradasDiv, QtSaidasDiv, QtEstoqueAtual, "
                          "DsUnidade, CdProdutoControlado, CdNCM, NmProduto"),
           10000 * scale,
           QStringLiteral("i, 98.5, 0.87, i * 1.5, 10, 0, 2.25, 100, 50.125, 0, 0, 0, 0, 0.5, 0, 0, 0, i * 1.5 + 57.125, "
                          "'Kg', i % 70 + 1, %1, 'PRODUTO ' || i").arg(ncm));
    series(db, QStringLiteral("ProdutoFinal"),
           QStringLiteral("CdProduto, CdProdFinal, VlDensidade, QtProdFinal, DsUnidade, CdProdControlado, CdNCM, NmProduto"),
           10000 * scale, QStringLiteral("i, i, 1.1, i * 0.25, 'litro', i % 70 + 1, %1, 'FINAL ' || i").arg(ncm));
    series(db, QStringLiteral("SubstanciaPresente"),
           QStringLiteral("CdProduto, CdProdFinal, CdSubstancia, VlConcentracao, CdProdControlado, CdNCM, NmProduto"),
           10000 * scale, QStringLiteral("i, i, i, 12.5, i % 70 + 1, %1, 'SUBSTÂNCIA ' || i").arg(ncm));
    series(db, QStringLiteral("Movimentacao"),
           QStringLiteral("NrDia, NrCFOP, CdProduto, VlConcentracao, VlQuantidade, NmUnidade, NrNF, CdFornecedor, "
                          "CdTransportadora, CdNCM, NmProduto"),
           30000 * scale, QStringLiteral("printf('%02d', i % 30 + 1), '1.101', i % 80 + 1, 98.25, i * 0.001, 'Kg', i, "
                                 "'99888777000166', '12345678909', %1, 'PRODUTO ' || i").arg(ncm));
    series(db, QStringLiteral("Importacao"),
           QStringLiteral("CdProduto, VlConcentracao, QtImportacao, DsUnidade, NrLI, NrNF, CdTransportadora, "
                          "NmImportador, CdPais, FlIE, CdNCM, NmProduto"),
           5000 * scale, QStringLiteral("i % 70 + 1, 99.9, i, 'litro', '05/' || i, i, '99888777000166', 'Chem <GmbH>', 23, "
                                "'I', %1, 'PRODUTO ' || i").arg(ncm));
    series(db, QStringLiteral("Armazenagem"),
           QStringLiteral("CdNCM, NmProduto, VlConcentracao, QtEstoqueAnt, QtEstoqueAtual, DsUnidade, CdProprietario"),
           5000 * scale, QStringLiteral("%1, 'PRODUTO ' || i, 100, i, i + 0.5, 'Kg', '99888777000166'").arg(ncm));
    series(db, QStringLiteral("MovArmazenagem"),
           QStringLiteral("NrDia, DsES, CdProduto, QtMovArmazenagem, DsUnidade, CdNF, CdProprietario, CdTransportadora, "
                          "Vlconcentracao, CdNCM, NmProduto"),
           10000 * scale, QStringLiteral("printf('%02d', i % 30 + 1), 'E', i % 70 + 1, i * 0.5, 'Kg', i, '99888777000166', "
                                 "'12345678909', 50, %1, 'PRODUTO ' || i").arg(ncm));
    series(db, QStringLiteral("Transporte"),
           QStringLiteral("NrDia, CdProduto, VlConcentracao, QtProduto, DsUnidade, NrNF, CdEmbarcador, SgUFEmbarcador, "
                          "CdDestinatario, SgUFDestinatario, CdNCM, NmProduto"),
           10000 * scale, QStringLiteral("printf('%02d', i % 30 + 1), i % 80 + 1, 98, i * 2, 'Kg', i, '99888777000166', 'RJ', "
                                 "'12345678909', 'MG', %1, 'PRODUTO ' || i").arg(ncm));
    series(db, QStringLiteral("Residuo"),
           QStringLiteral("CdProdContrPresente, VlConcentracao, QtResiduo, DsUnidade, DsDestinacao, CdNCM, NmProduto"),
           3000 * scale, QStringLiteral("i % 70 + 1, 3.5, i, 'Kg', 'Incineração', %1, 'RESÍDUO ' || i").arg(ncm));
    series(db, QStringLiteral("Isolado"),
           QStringLiteral("CdProdContrPresente, VlConcentracao, VlDensidade, QtProdIsolado, DsUnidade, CdNCM, NmProduto"),
           3000 * scale, QStringLiteral("i % 70 + 1, 50, 0.9, i * 0.1, 'Kg', %1, 'ISOLADO ' || i").arg(ncm));
    series(db, QStringLiteral("MovResiduo"),
           QStringLiteral("NrDia, VlES, QtdMovResiduo, DsUnidade, CdProdControlado, VlConcentracao, NrNF, CdFornecedor, "
                          "CdTransportadora, CdNCM, NmProduto"),
           3992 * scale, QStringLiteral("printf('%02d', i % 30 + 1), 'S', i, 'Kg', i % 70 + 1, 10, i, '99888777000166', "
                                "'12345678909', %1, 'PRODUTO ' || i").arg(ncm));
    must(db, QStringLiteral("COMMIT"));
}

inline QStringList benchTables()
{
    return {QStringLiteral("Observacoes"), QStringLiteral("MovArmazenagem"), QStringLiteral("MovResiduo"),
            QStringLiteral("Isolado"), QStringLiteral("Residuo"), QStringLiteral("Importacao"),
            QStringLiteral("Produtos"), QStringLiteral("ProdutoFinal"), QStringLiteral("SubstanciaPresente"),
            QStringLiteral("Armazenagem"), QStringLiteral("Transporte"), QStringLiteral("Movimentacao")};
}

} // namespace quirels::bench
