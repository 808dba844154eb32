#pragma once
// A small period with a row in every annex table, a three-level product
// chain, texts that need escaping and accented letters, for the packet tests.

#include "store/PeriodKey.h"
#include "support/TestSupport.h"

namespace quirels::test {

inline const PeriodKey kSmallPeriod{QStringLiteral("11222333000181"), QStringLiteral("2003"), QStringLiteral("MAR")};
inline const PeriodKey kCpfPeriod{QStringLiteral("12345678909"), QStringLiteral("2004"), QStringLiteral("DEZ")};

// The company of kSmallPeriod with the person responsible.
inline void addSmallCompany(const TempStore &s)
{
    s.exec(QStringLiteral(
        "INSERT INTO Empresa (CdCNPJEmpr, NmRazao, NrCLF, CdCNAE, FlGrupoI, FlGrupoII, FlGrupoIII, FlGrupoIV, "
        "FlGrupoV, FlGrupoVI, FlGrupoVII, FlGrupoVIII, FlGrupoIX, DsGrupoIX, DsInformacoes, DsGrupoPrincipal, "
        "NmResponsavel, NrCpfResponsavel, NrIdentidade, NmOrgao, SgUF, NrDDD, NrFone, NrFax, NmEmail) VALUES "
        "('11222333000181', 'Química & Filhos <Ltda> \"Sul\"', '12345678-9', '2029-1/00', 1, 0, 0, 0, 0, 0, 1, 0, "
        "NULL, NULL, 'Linha 1\r\nLinha 2', 'Grupo I', 'João Ñandú', '12345678909', "
        "'1234567', 'SSP', 'SP', '011', '12345678', '', 'a@b.com')"));
}

inline void fillSmallPeriod(const TempStore &s)
{
    addSmallCompany(s);
    const QString k = QStringLiteral("'11222333000181', '2003', 'MAR'");
    auto ins = [&](const QString &table, const QString &cols, const QString &vals) {
        s.exec(QStringLiteral("INSERT INTO %1 (CdCNPJEmpr, NrAno, NmMes, %2) VALUES (%3, %4)").arg(table, cols, k, vals));
    };
    s.exec(QStringLiteral("INSERT INTO ProdutoControlado (IdProdutoControlado, CdNCM, NmProdutoControlado) "
                          "VALUES (9001, '2902.30.00', 'TOLUENO ÁCIDO')"));
    s.exec(QStringLiteral("INSERT INTO Mes (CdCNPJEmpr, NrAno, NmMes) VALUES (%1)").arg(k));
    ins(QStringLiteral("Observacoes"), QStringLiteral("Anexo, Observacao"), QStringLiteral("'B', NULL"));
    ins(QStringLiteral("Observacoes"), QStringLiteral("Anexo, Observacao"), QStringLiteral("'A', 'Obs. ''A'' & cia'"));
    ins(QStringLiteral("MovArmazenagem"),
        QStringLiteral("NrDia, DsES, CdProduto, QtMovArmazenagem, DsUnidade, CdNF, CdProprietario, CdTransportadora, "
                       "Vlconcentracao, CdNCM, NmProduto"),
        QStringLiteral("'05', 'E', 9001, 10.5, 'Kg', '123', '99888777000166', '12345678909', 98.25, '2902.30.00', "
                       "'TOLUENO'"));
    ins(QStringLiteral("MovResiduo"),
        QStringLiteral("NrDia, VlES, QtdMovResiduo, DsUnidade, CdProdControlado, VlConcentracao, NrNF, CdFornecedor, "
                       "CdTransportadora, CdNCM, NmProduto"),
        QStringLiteral("'31', 'S', 0.1, 'litro', 9001, 0, '77', '99888777000166', NULL, '2902.30.00', 'TOLUENO'"));
    ins(QStringLiteral("Isolado"),
        QStringLiteral("CdProdContrPresente, VlConcentracao, VlDensidade, QtProdIsolado, DsUnidade, CdNCM, NmProduto"),
        QStringLiteral("9001, 50, 0.87, 1234.567, 'Kg', '2902.30.00', 'TOLUENO'"));
    ins(QStringLiteral("Residuo"),
        QStringLiteral("CdProdContrPresente, VlConcentracao, QtResiduo, DsUnidade, DsDestinacao, CdNCM, NmProduto"),
        QStringLiteral("9001, 3.5, 200, 'Kg', 'Incineração', '2902.30.00', 'TOLUENO'"));
    ins(QStringLiteral("Importacao"),
        QStringLiteral("CdProduto, VlConcentracao, QtImportacao, DsUnidade, NrLI, NrNF, CdTransportadora, "
                       "NmImportador, CdPais, FlIE, CdNCM, NmProduto"),
        QStringLiteral("9001, 99.9, 1500, 'litro', '03/1234567-8', '4455', '99888777000166', 'Chem GmbH', 23, 'I', "
                       "'2902.30.00', 'TOLUENO'"));
    const QString prodCols = QStringLiteral(
        "VlConcentracao, VlDensidade, QtEstoqueAnt, QtProducao, QtTransformacao, QtUtilizacao, QtCompras, QtVendas, "
        "QtReciclagem, QtReaproveitamento, QtImportacao, QtExportacao, QtPerdas, QtEvaporacao, QtEntradasDiv, "
        "QtSaidasDiv, QtEstoqueAtual, DsUnidade, CdProdutoControlado, CdNCM, NmProduto");
    ins(QStringLiteral("Produtos"), QStringLiteral("CdProduto, ") + prodCols,
        QStringLiteral("7, 99.5, 0.87, 100, 10, 0, 5, 20, 15, 0, 0, 1500, 0, 0.25, 0, 0, 0, 1609.75, 'Kg', 9001, "
                       "'2902.30.00', 'TOLUENO'"));
    ins(QStringLiteral("Produtos"), QStringLiteral("CdProduto, ") + prodCols,
        QStringLiteral("8, NULL, NULL, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'Kg', NULL, NULL, 'SEM NCM'"));
    ins(QStringLiteral("ProdutoFinal"),
        QStringLiteral("CdProduto, CdProdFinal, VlDensidade, QtProdFinal, DsUnidade, CdProdControlado, CdNCM, NmProduto"),
        QStringLiteral("7, 3, 1.1, 42, 'Kg', 9001, '3814.00.00', 'THINNER'"));
    ins(QStringLiteral("SubstanciaPresente"),
        QStringLiteral("CdProduto, CdProdFinal, CdSubstancia, VlConcentracao, CdProdControlado, CdNCM, NmProduto"),
        QStringLiteral("7, 3, 12, 60, 9001, '2902.30.00', 'TOLUENO'"));
    ins(QStringLiteral("SubstanciaPresente"),
        QStringLiteral("CdProduto, CdProdFinal, CdSubstancia, VlConcentracao, CdProdControlado, CdNCM, NmProduto"),
        QStringLiteral("7, 3, 11, 40, 9001, '2909.11.00', 'ÉTER'"));
    ins(QStringLiteral("Armazenagem"),
        QStringLiteral("CdNCM, NmProduto, VlConcentracao, QtEstoqueAnt, QtEstoqueAtual, DsUnidade, CdProprietario"),
        QStringLiteral("'2902.30.00', 'TOLUENO', 100, 5, 7.125, 'Kg', '99888777000166'"));
    ins(QStringLiteral("Transporte"),
        QStringLiteral("NrDia, CdProduto, VlConcentracao, QtProduto, DsUnidade, NrNF, CdEmbarcador, SgUFEmbarcador, "
                       "CdDestinatario, SgUFDestinatario, CdNCM, NmProduto"),
        QStringLiteral("'12', 9001, 98, 3000, 'Kg', 556677, '99888777000166', 'RJ', '12345678909', 'MG', "
                       "'2902.30.00', 'TOLUENO'"));
    ins(QStringLiteral("Movimentacao"),
        QStringLiteral("NrMovimentacao, NrDia, NrCFOP, CdProduto, VlConcentracao, VlQuantidade, NmUnidade, NrNF, "
                       "CdFornecedor, CdTransportadora, CdNCM, NmProduto"),
        QStringLiteral("21, '15', '5.101', 424242, 98, 20, 'Kg', '1001', '99888777000166', NULL, '2902.30.00', "
                       "'TOLUENO'"));
    ins(QStringLiteral("Movimentacao"),
        QStringLiteral("NrMovimentacao, NrDia, NrCFOP, CdProduto, VlConcentracao, VlQuantidade, NmUnidade, NrNF, "
                       "CdFornecedor, CdTransportadora, CdNCM, NmProduto"),
        QStringLiteral("20, '02', '1.101', 9001, 98, 15, 'Kg', '1000', '99888777000166', '12345678909', "
                       "'2902.30.00', 'TOLUENO'"));
}

} // namespace quirels::test

namespace quirels::test {

// Makes the small period pass the consistency check: the product's purchases,
// sales and imports agree with the movements of annexes XI-B and XI-C.
inline void makeSmallPeriodConsistent(const TempStore &s)
{
    s.exec(QStringLiteral("UPDATE Movimentacao SET VlConcentracao = 99.5"));
    s.exec(QStringLiteral("UPDATE Importacao SET VlConcentracao = 99.5"));
    s.exec(QStringLiteral("UPDATE Produtos SET QtCompras = 15, QtVendas = 20, QtEstoqueAtual = 1604.75 WHERE CdProduto = 7"));
}

} // namespace quirels::test
