#include "PeriodFixture.h"
#include "base/Dialogs.h"
#include "shell/Messages.h"

#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::test;

namespace {

const QString kCnpj = QStringLiteral("11222333000181");

QString lines(const QStringList &texts)
{
    QString out;
    for (const QString &t : texts)
        out += ConsoleDialogs::consoleText(t) + QLatin1Char('\n');
    return out;
}

ProcessResult cli(TempStore &s, QStringList args, bool yes = false)
{
    if (yes)
        args.prepend(QStringLiteral("--sim"));
    args.prepend(s.folder());
    args.prepend(QStringLiteral("--dados"));
    return runCli(args);
}

} // namespace

TEST(PeriodCli, AbrirAsksCarriesAndRefuses)
{
    TempStore s;
    addCompany(s, kCnpj, QStringLiteral("QUIMICA SA"));
    s.exec(QStringLiteral("insert into Mes values ('11222333000181','2004','DEZ')"));
    s.exec(QStringLiteral("insert into Produtos (CdCNPJEmpr,NrAno,NmMes,QtEstoqueAtual,NmProduto) values"
                          " ('11222333000181','2004','DEZ',12.5,'ACIDO')"));
    const PeriodKey jan{kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")};

    ProcessResult r = cli(s, {QStringLiteral("abrir"), kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")});
    EXPECT_EQ(r.exitCode, 1) << qPrintable(r.err);
    EXPECT_EQ(r.out, lines({shell::msg::kIncluirPeriodo, QStringLiteral("Não")}));
    EXPECT_EQ(countPeriod(s, QStringLiteral("Mes"), jan), 0);

    r = cli(s, {QStringLiteral("abrir"), kCnpj, QStringLiteral("2005"), QStringLiteral("jan")}, true);
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(r.out, lines({shell::msg::kIncluirPeriodo, QStringLiteral("Sim"), shell::msg::kDadosImportados}));
    EXPECT_EQ(s.scalar(QStringLiteral("select QtEstoqueAnt from Produtos where NrAno = '2005' and NmMes = 'JAN'")).toDouble(),
              12.5);

    // An existing period opens without a word.
    r = cli(s, {QStringLiteral("abrir"), kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_TRUE(r.out.isEmpty()) << qPrintable(r.out);
    EXPECT_EQ(countPeriod(s, QStringLiteral("Produtos"), jan), 1);

    r = cli(s, {QStringLiteral("abrir"), QStringLiteral("99999999999999"), QStringLiteral("2005"), QStringLiteral("FEV")}, true);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(shell::msg::empresaNaoCadastrada(QStringLiteral("99999999999999")))) << qPrintable(r.err);

    for (const QStringList &bad : {QStringList{QStringLiteral("abrir"), kCnpj, QStringLiteral("2005")},
                                   QStringList{QStringLiteral("abrir"), kCnpj, QStringLiteral("05"), QStringLiteral("JAN")},
                                   QStringList{QStringLiteral("abrir"), kCnpj, QStringLiteral("2005"), QStringLiteral("JANEIRO")}})
        EXPECT_EQ(cli(s, bad, true).exitCode, 2) << qPrintable(bad.join(QLatin1Char(' ')));
}

TEST(PeriodCli, ExcluirPeriodAndCompany)
{
    TempStore s;
    addCompany(s, kCnpj, QStringLiteral("QUIMICA SA"));
    const PeriodKey jan{kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")};
    const PeriodKey fev{kCnpj, QStringLiteral("2005"), QStringLiteral("FEV")};
    fillPeriod(s, jan);
    fillPeriod(s, fev);
    const QString question = shell::msg::excluirPeriodoPergunta(QStringLiteral("JAN"), QStringLiteral("2005"),
                                                                QStringLiteral("QUIMICA SA"));

    ProcessResult r = cli(s, {QStringLiteral("excluir"), kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, lines({question, QStringLiteral("Não")}));
    EXPECT_EQ(countPeriod(s, QStringLiteral("Produtos"), jan), 1);

    r = cli(s, {QStringLiteral("excluir"), kCnpj, QStringLiteral("2005"), QStringLiteral("MAR")}, true);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, lines({shell::msg::kIncluirPeriodo, QStringLiteral("Sim")}));
    EXPECT_EQ(countKey(s, QStringLiteral("Mes"), kCnpj), 2);

    r = cli(s, {QStringLiteral("excluir"), kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")}, true);
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(r.out, lines({question, QStringLiteral("Sim"), shell::msg::kPeriodoExcluido}));
    EXPECT_EQ(countPeriod(s, QStringLiteral("Produtos"), jan), 0);
    EXPECT_EQ(countPeriod(s, QStringLiteral("Produtos"), fev), 1);

    r = cli(s, {QStringLiteral("excluir"), kCnpj}, true);
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(r.out, lines({shell::msg::excluirEmpresaPergunta(QStringLiteral("QUIMICA SA")), QStringLiteral("Sim"),
                            shell::msg::kEmpresaExcluida}));
    EXPECT_EQ(countKey(s, QStringLiteral("Empresa"), kCnpj), 0);
    EXPECT_EQ(countKey(s, QStringLiteral("Observacoes"), kCnpj), 0);

    EXPECT_EQ(cli(s, {QStringLiteral("excluir"), kCnpj}, true).exitCode, 1); // no longer registered
    EXPECT_EQ(cli(s, {QStringLiteral("excluir"), kCnpj, QStringLiteral("2005")}, true).exitCode, 2);
}
