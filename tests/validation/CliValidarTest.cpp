#include "MonthFixture.h"

#include <gtest/gtest.h>

using namespace quirels;

TEST(CliValidar, PrintsEveryLineAndTheCountersAndExitsOneOnErrors)
{
    test::Month month({1});
    month.product(QStringLiteral("ACETONA"), 12.5, {{"QtCompras", 0.0004}, {"QtVendas", 0.0005}});
    const QString data = month.store.folder();

    test::ProcessResult r = test::runCli({QStringLiteral("--dados"), data, QStringLiteral("validar"),
                                          QStringLiteral("11.222.333/0001-81"), QStringLiteral("2024"), QStringLiteral("mar")});
    EXPECT_EQ(r.exitCode, 1) << qPrintable(r.err);
    const QString expected = QStringLiteral(
        "OK: O campo CLF está preenchido corretamente.\t[Informações sobre a Empresa]\n"
        "OK: O campo Grupo Principal está preenchido corretamente.\t[Informações sobre a Empresa]\n"
        "OK: Informação sobre o Grupo informado.\t[Informações sobre a Empresa]\n"
        "OK: CNAE informado\t[Informações sobre a Empresa]\n"
        "OK: Produto informado.\t Anexo XI-A [1. Demonstrativo Geral]\n"
        "Erro: É necessário preencher o Anexo XI-B quando ocorrer operação de compra e/ou venda.\tAnexo XI-A [1. Demonstrativo Geral]\n"
        "OK: Total de lançamentos para compra preenchido corretamente para o produto ACETONA a 12,5%\tAnexo XI-A [1. Demonstrativo Geral]\n"
        "Erro: A soma das operações lançadas no Anexo XI-B não correspondem ao valor de venda para o produto ACETONA a 12,5%\tAnexo XI-A [1. Demonstrativo Geral]\n"
        "OK: Total de lançamentos para Entradas e/ou Saídas diversas preenchidos corretamente para o produto ACETONA a 12,5%\tAnexo XI-A [1. Demonstrativo Geral]\n"
        "Erro: Não foi informado a especificação do produto final obtido.\tAnexo XI-A [2. Especificações sobre o Produto Final Obtido]\n"
        "OK: Total de lançamentos para importação e/ou exportação preenchidos corretamente para o produto ACETONA a 12,5%\t Anexo XI-A [1. Demonstrativo Geral]\n"
        "OK: Verificação de CNPJ/CPF - pré-consistido\tTodos os Campos\n"
        "OK: Verificação de valores inválidos - pré-consistido\tTodos os Campos\n"
        "OK: Verificação de valores negativos - pré-consistido\tTodos os Campos\n"
        "OK: Verificação de campos obrigatórios - pré-consistido\tTodos os Campos\n"
        "OK: Validação de datas - pré-consistido\tAnexo XI-B\n"
        "OK: Validação de datas - pré-consistido\tAnexo XI-E\n"
        "OK: Validação de datas - pré-consistido\tAnexo XI-F\n"
        "OK: Validação de datas - pré-consistido\tAnexo XI-H\n"
        "Itens Validados: 20\n"
        "Alertas: 0\n"
        "Erros: 3\n");
    EXPECT_EQ(r.out, expected);

    // Corrected data pass: exit 0.
    month.store.exec(QStringLiteral("UPDATE Produtos SET QtCompras = 0, QtVendas = 0"));
    month.insert("ProdutoFinal", {{"CdProduto", 1}});
    r = test::runCli({QStringLiteral("--dados"), data, QStringLiteral("validar"), month.period.cnpj, QStringLiteral("2024"),
                      QStringLiteral("MAR")});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("Itens Validados: 19\nAlertas: 0\nErros: 0\n"))) << qPrintable(r.out);

    // A CFOP that does not read stops the run: the lines found so far, the
    // failure, no counters.
    month.movement(QStringLiteral("03"), QStringLiteral("5.1O2"), QStringLiteral("ACETONA"), 12.5, 1);
    r = test::runCli({QStringLiteral("--dados"), data, QStringLiteral("validar"), month.period.cnpj, QStringLiteral("2024"),
                      QStringLiteral("MAR")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("OK: Produto informado.\t Anexo XI-A [1. Demonstrativo Geral]\n"))) << qPrintable(r.out);
    EXPECT_EQ(r.err, QStringLiteral("'51O2' não é um valor Inteiro válido\n"));

    // A period that does not exist, and bad usage.
    r = test::runCli({QStringLiteral("--dados"), data, QStringLiteral("validar"), month.period.cnpj, QStringLiteral("2024"),
                      QStringLiteral("ABR")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, QString());
    EXPECT_TRUE(r.err.contains(QStringLiteral("O período ABR/2024 da empresa 11222333000181 não está cadastrado."))) << qPrintable(r.err);
    EXPECT_EQ(test::runCli({QStringLiteral("--dados"), data, QStringLiteral("validar"), month.period.cnpj, QStringLiteral("2024")}).exitCode, 2);
    EXPECT_EQ(test::runCli({QStringLiteral("--dados"), data, QStringLiteral("validar"), month.period.cnpj, QStringLiteral("2024"),
                            QStringLiteral("XYZ")}).exitCode, 2);
}
