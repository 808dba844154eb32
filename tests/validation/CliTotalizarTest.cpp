#include "MonthFixture.h"
#include "validation/Messages.h"

#include <gtest/gtest.h>

using namespace quirels;
namespace m = quirels::validation::msg;

TEST(CliTotalizar, PrintsEachProductsTotalsAndAppliesThemInOneGo)
{
    test::Month month({1});
    month.product(QStringLiteral("ACETONA"), 12.5, {{"QtEstoqueAnt", 10.0}, {"QtCompras", 1.0}});
    month.movement(QStringLiteral("01"), QStringLiteral("1.102"), QStringLiteral("ACETONA"), 12.5, 4);
    month.movement(QStringLiteral("02"), QStringLiteral("5.949"), QStringLiteral("ACETONA"), 12.5, 1.5);
    month.movement(QStringLiteral("03"), QStringLiteral("1.102"), QStringLiteral("XILOL"), 50, 2);
    const QStringList args{QStringLiteral("--dados"), month.store.folder(), QStringLiteral("totalizar"),
                           QStringLiteral("11.222.333/0001-81"), QStringLiteral("2024"), QStringLiteral("mar")};

    test::ProcessResult r = test::runCli(args);
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    const QString a = QStringLiteral("ACETONA a 12,5%");
    const QString expected = QStringLiteral(
        "%1\tCompras\tatual 1,000\tcalculado 4,000\tdiferença 3,000\n"
        "%1\tVendas\tatual 0,000\tcalculado 0,000\tdiferença 0,000\n"
        "%1\tEntradas Diversas\tatual 0,000\tcalculado 0,000\tdiferença 0,000\n"
        "%1\tSaídas Diversas\tatual 0,000\tcalculado 1,500\tdiferença 1,500\n"
        "%1\tImportação\tatual 0,000\tcalculado 0,000\tdiferença 0,000\n"
        "%1\tExportação\tatual 0,000\tcalculado 0,000\tdiferença 0,000\n"
        "%1\tEstoque Atual\tatual 0,000\tcalculado 12,500\tdiferença 12,500\n"
        "Sem produto no Anexo XI-A: XILOL a 50%\tAnexo XI-B: 1 movimento(s), 2,000\tAnexo XI-C: 0 registro(s), 0,000\n"
        "Produtos com diferença: 1 de 1. Movimentos sem produto no Anexo XI-A: 1.\n").arg(a);
    EXPECT_EQ(r.out, expected);
    EXPECT_DOUBLE_EQ(month.store.scalar(QStringLiteral("SELECT QtCompras FROM Produtos")).toDouble(), 1);

    r = test::runCli(args + QStringList{QStringLiteral("--aplicar")});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_TRUE(r.out.endsWith(m::kTotaisGravados.arg(1) + QLatin1Char('\n'))) << qPrintable(r.out);
    EXPECT_DOUBLE_EQ(month.store.scalar(QStringLiteral("SELECT QtCompras FROM Produtos")).toDouble(), 4);
    EXPECT_DOUBLE_EQ(month.store.scalar(QStringLiteral("SELECT QtSaidasDiv FROM Produtos")).toDouble(), 1.5);
    EXPECT_DOUBLE_EQ(month.store.scalar(QStringLiteral("SELECT QtEstoqueAtual FROM Produtos")).toDouble(), 12.5);

    r = test::runCli(args + QStringList{QStringLiteral("--aplicar")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.endsWith(m::kTotaisNadaAGravar + QLatin1Char('\n'))) << qPrintable(r.out);

    // A movement that cannot be placed: refused, nothing written.
    month.movement(QStringLiteral("04"), QStringLiteral("9.999"), QStringLiteral("ACETONA"), 12.5, 1);
    r = test::runCli(args + QStringList{QStringLiteral("--aplicar")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.trimmed(), m::kTotaisCfopSemDirecao.arg(QStringLiteral("9.999"), a));
    // Bad usage.
    EXPECT_EQ(test::runCli({QStringLiteral("--dados"), month.store.folder(), QStringLiteral("totalizar"),
                            month.period.cnpj, QStringLiteral("2024")})
                  .exitCode,
              2);
}
