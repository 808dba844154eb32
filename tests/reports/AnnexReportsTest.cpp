#include <gtest/gtest.h>

#include "reports/AnnexReports.h"
#include "reports/Messages.h"
#include "validation/MonthFixture.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

using namespace quirels;
using namespace quirels::reports;
using quirels::test::Month;

namespace {

QString u(const char *utf8) { return QString::fromUtf8(utf8); }

struct Run {
    std::vector<Page> pages;
    Outcome outcome = Outcome::Stopped;
    ScriptedDialogs dialogs;
    // A page's lines after its page header (four lines, five for G).
    QStringList body(size_t page, int headerLines) const { return pages.at(page).lines().mid(headerLines); }
};

std::unique_ptr<Run> run(Month &m, QChar annex)
{
    auto r = std::make_unique<Run>();
    PageList list;
    Result<Outcome> out = runAnnexReport(m.store.db(), m.period, annex, Variant::Data, list, r->dialogs);
    EXPECT_TRUE(out.ok()) << qPrintable(out.message());
    if (out)
        r->outcome = *out;
    r->pages = std::move(list.pages);
    return r;
}

} // namespace

TEST(AnnexReports, EmptyAnnexShowsItsMessageAndPrintsNothing)
{
    Month m({9});
    m.insert("Observacoes", {{"Anexo", QStringLiteral("B")}, {"Observacao", QStringLiteral("sem movimento")}});
    for (const QChar letter : kAnnexLetters) {
        auto r = run(m, letter);
        EXPECT_EQ(r->outcome, Outcome::Empty) << letter.toLatin1();
        EXPECT_TRUE(r->pages.empty());
        EXPECT_EQ(r->dialogs.texts(), QStringList{u("Não existem informações à serem impressas no Anexo ") + letter + QLatin1Char('.')});
    }
}

TEST(AnnexReports, AnnexAPrintsFinalProductsAndSubstancesOnlyWhereTheyExist)
{
    Month m({1});
    const int p = m.product(QStringLiteral("ACETONA"), 99.5,
                            {{"CdNCM", QStringLiteral("2914.11.00")}, {"VlDensidade", 0.79}, {"DsUnidade", QStringLiteral("Kg")},
                             {"QtEstoqueAnt", 1234.5}, {"QtCompras", 10.0}, {"QtEstoqueAtual", 1244.5}});
    int finals[3];
    for (int i = 0; i < 3; ++i)
        finals[i] = m.insert("ProdutoFinal", {{"CdProduto", p}, {"CdNCM", QStringLiteral("3814.00.0%1").arg(i + 1)},
                                              {"NmProduto", QStringLiteral("SOLVENTE %1").arg(i + 1)}, {"QtProdFinal", 2.5},
                                              {"VlDensidade", 0.8}, {"DsUnidade", QStringLiteral("litro")}});
    m.insert("SubstanciaPresente", {{"CdProduto", p}, {"CdProdFinal", finals[1]}, {"CdNCM", QStringLiteral("2902.30.00")},
                                    {"NmProduto", QStringLiteral("TOLUENO")}, {"VlConcentracao", 1234.5}});
    m.product(QStringLiteral("ETER"), 50); // no final products: lines 1 to 6 only

    auto r = run(m, QLatin1Char('A'));
    ASSERT_EQ(r->outcome, Outcome::Printed);
    ASSERT_EQ(r->pages.size(), 2u);
    EXPECT_EQ(r->pages[0].lines().mid(0, 4),
              (QStringList{u("Anexo XI-A - QUIREL DE CONTROLE GERAL DE PRODUTOS QUÍMICOS"), QStringLiteral("Anexo A"),
                           QStringLiteral("MAR/2024"), QStringLiteral("QUIMICA TESTE LTDA 11222333000181")}));
    const QStringList body = r->body(0, 4);
    const QStringList expected = {
        QStringLiteral("Cod.NCM : 2914.11.00"),
        u("Nome Produto: ACETONA Concentração %: 99,50 Densidade: 0,79 Unidade: Kg"),
        u("Estoque Anterior: 1.234,500 Produção: Transformação: Utilização:"),
        QStringLiteral("Compras  : 10,000 Vendas: Reciclagem: Reaproveitamento:"),
        u("Importação: Exportação: Perdas: Evaporação:"),
        u("Entradas Diversas: Saídas Diversas: Estoque Atual: 1.244,500"),
        QStringLiteral("Cod.NCM Prod.Final: 3814.00.01 - SOLVENTE 1 Qtde.: 2,500 Densidade: 0,80 Unidade: litro"),
        QStringLiteral("Cod.NCM Prod.Final: 3814.00.02 - SOLVENTE 2 Qtde.: 2,500 Densidade: 0,80 Unidade: litro"),
        u("Cod.NCM Substância Nome do Produto Concentração %"),
        QStringLiteral("2902.30.00 TOLUENO 1.234,50"),
        QStringLiteral("Cod.NCM Prod.Final: 3814.00.03 - SOLVENTE 3 Qtde.: 2,500 Densidade: 0,80 Unidade: litro"),
        QStringLiteral("Cod.NCM :"),
        u("Nome Produto: ETER Concentração %: 50,00 Densidade: Unidade:"),
        u("Estoque Anterior: Produção: Transformação: Utilização:"),
        QStringLiteral("Compras  : Vendas: Reciclagem: Reaproveitamento:"),
        u("Importação: Exportação: Perdas: Evaporação:"),
        u("Entradas Diversas: Saídas Diversas: Estoque Atual:"),
    };
    EXPECT_EQ(body, expected);
    // The closing page: the observations caption alone (the period has no
    // observation row for A).
    EXPECT_EQ(r->body(1, 4), QStringList{u("Observações do Anexo A:")});
    EXPECT_TRUE(r->dialogs.messages.isEmpty());
}

TEST(AnnexReports, AnnexFDayHeaderAtEveryChangeOfDayInEntryOrder)
{
    Month m({4});
    for (const char *day : {"05", "03", "05"})
        m.insert("Transporte", {{"NrDia", QString::fromLatin1(day)}, {"NrNF", 123}, {"CdEmbarcador", QStringLiteral("11222333000181")},
                                {"SgUFEmbarcador", QStringLiteral("SP")}, {"CdNCM", QStringLiteral("2914.11.00")},
                                {"NmProduto", QStringLiteral("ACETONA")}, {"VlConcentracao", 5.0}, {"QtProduto", 1500.25},
                                {"DsUnidade", QStringLiteral("Kg")}});
    auto r = run(m, QLatin1Char('F'));
    ASSERT_EQ(r->outcome, Outcome::Printed);
    QStringList days;
    for (const QString &line : r->body(0, 4))
        if (line.startsWith(QLatin1String("Dia ")))
            days.append(line);
    EXPECT_EQ(days, (QStringList{QStringLiteral("Dia 05"), QStringLiteral("Dia 03"), QStringLiteral("Dia 05")}));
    EXPECT_TRUE(r->body(0, 4).contains(u("Nt.Fiscal: 123 CPF/CNPJ Embarcador: 11222333000181 UF: SP CPF/CNPJ Destinatário: UF:")));
    EXPECT_TRUE(r->body(0, 4).contains(u("Cod.NCM : 2914.11.00 - ACETONA Concentração %: 5,00 Unidade: Kg")));
    EXPECT_TRUE(r->body(0, 4).contains(QStringLiteral("Qtde.: 1.500,250")));
}

TEST(AnnexReports, AnnexGWithIsolatedProductsOnlyPrintsEmptyResidueSection)
{
    Month m({9});
    m.insert("Isolado", {{"CdNCM", QStringLiteral("2902.30.00")}, {"NmProduto", QStringLiteral("TOLUENO")}, {"VlConcentracao", 12.5},
                         {"VlDensidade", 0.87}, {"QtProdIsolado", 3.0}, {"DsUnidade", QStringLiteral("litro")}});
    m.insert("Observacoes", {{"Anexo", QStringLiteral("G")}, {"Observacao", QStringLiteral("linha um\r\nlinha dois")}});
    auto r = run(m, QLatin1Char('G'));
    ASSERT_EQ(r->outcome, Outcome::Printed);
    ASSERT_EQ(r->pages.size(), 2u);
    const QStringList lines = r->pages[0].lines();
    EXPECT_EQ(lines.mid(0, 2), (QStringList{u("Anexo XI-G - QUIREL DE CONTROLE DE GERAÇÃO/REAPROVEITAMENTO/RECICLAGEM "),
                                            u("DE RESÍDUOS CONTENDO PRODUTOS QUÍMICOS CONTROLADOS")}));
    EXPECT_EQ(lines.mid(5), (QStringList{u("Resíduo"), u("Cod.NCM : - Concentração %: Unidade:"), u("Quantidade: Destinação:"),
                                         u("Produto Químico Controlado Isolado do Resíduo"),
                                         u("Cod.NCM: 2902.30.00 - TOLUENO Concentração %: 12,500 Densidade 0,870 Unidade: litro"),
                                         QStringLiteral("Quantidade: 3,000")}));
    EXPECT_EQ(r->pages[1].lines().mid(5), (QStringList{u("Observações do Anexo G:"), QStringLiteral("linha um"), QStringLiteral("linha dois")}));
}

TEST(AnnexReports, AnnexBOverThreePagesRepeatsThePageHeaderInDayOrder)
{
    Month m({1});
    for (int i = 0; i < 60; ++i)
        m.insert("Movimentacao", {{"NrDia", QStringLiteral("%1").arg(30 - i / 3, 2, 10, QLatin1Char('0'))}, {"NrCFOP", QStringLiteral("1.102")},
                                  {"CdNCM", QStringLiteral("2914.11.00")}, {"NmProduto", QStringLiteral("ACETONA")},
                                  {"VlConcentracao", 99.0}, {"VlQuantidade", 1000.0 + i}, {"NmUnidade", QStringLiteral("Kg")},
                                  {"NrNF", QStringLiteral("%1").arg(i)}, {"CdFornecedor", QStringLiteral("12345678901")}});
    auto r = run(m, QLatin1Char('B'));
    ASSERT_EQ(r->outcome, Outcome::Printed);
    ASSERT_GE(r->pages.size(), 4u); // three or more pages of movements and the observations page
    const QStringList header{u("Anexo XI-B - QUIREL DE MOVIMENTAÇÃO DE PRODUTOS QUÍMICOS"), QStringLiteral("Anexo B"),
                             QStringLiteral("MAR/2024"), QStringLiteral("QUIMICA TESTE LTDA 11222333000181")};
    QString lastDay;
    int movements = 0;
    for (const Page &page : r->pages) {
        const QStringList lines = page.lines();
        EXPECT_EQ(lines.mid(0, 4), header) << page.number;
        for (const QString &line : lines) {
            if (line.startsWith(QLatin1String("Dia "))) {
                EXPECT_GT(line, lastDay.isEmpty() ? QString() : lastDay) << "days ascend";
                lastDay = line;
            }
            if (line.startsWith(QLatin1String("Nt.Fiscal:")))
                ++movements;
        }
    }
    EXPECT_EQ(movements, 60);
    EXPECT_EQ(lastDay, QStringLiteral("Dia 30"));
    EXPECT_TRUE(r->body(0, 4).contains(u("Nt.Fiscal: 59 Qtde.: 1.059,000 CPF/CNPJ Fornecedor: 12345678901 CPF/CNPJ Transportadora:")));
    EXPECT_EQ(r->body(r->pages.size() - 1, 4), QStringList{u("Observações do Anexo B:")});
}

TEST(AnnexReports, AnnexCOperationTextsAndCountryName)
{
    Month m({5});
    const QString country = m.store.scalar(QStringLiteral("SELECT NMPAIS FROM Paises WHERE CDPAIS = 1058")).toString();
    for (const char *flag : {"E", "I", "", "e"})
        m.insert("Importacao", {{"FlIE", QString::fromLatin1(flag)}, {"CdPais", 1058}, {"NrLI", QStringLiteral("LI-1")},
                                {"NmImportador", QStringLiteral("FOREIGN CO")}, {"QtImportacao", 2.0}});
    auto r = run(m, QLatin1Char('C'));
    ASSERT_EQ(r->outcome, Outcome::Printed);
    QStringList operations;
    for (const QString &line : r->body(0, 4))
        if (line.startsWith(u("Operação:")))
            operations.append(line);
    EXPECT_EQ(operations, (QStringList{u("Operação: Exportação"), u("Operação: Importação"), u("Operação:"), u("Operação:")}));
    EXPECT_TRUE(r->body(0, 4).contains(u("Nome do Importador: FOREIGN CO País: ") + country)) << qPrintable(country);
    EXPECT_TRUE(r->body(0, 4).contains(u("Quantidade Importação : 2,000")));
}

// quirels-cli imprimir writes a PDF that a PDF reader opens and reads back.
TEST(AnnexReportsCli, ImprimirWritesAReadablePdfAndRefusesEmptyAnnexes)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed; scripts/setup.sh installs it";
    Month m({1});
    m.movement(QStringLiteral("07"), QStringLiteral("1.102"), u("ÁCIDO SULFÚRICO"), 98.0, 1234567.891);
    m.insert("Observacoes", {{"Anexo", QStringLiteral("B")}, {"Observacao", u("Observação do mês")}});
    m.store.db().close();
    const QString pdf = m.store.folder() + QStringLiteral("/b.pdf");

    test::ProcessResult p = test::runCli({QStringLiteral("--dados"), m.store.folder(), QStringLiteral("imprimir"), m.period.cnpj,
                                          m.period.ano, m.period.mes, QStringLiteral("B"), QStringLiteral("--pdf"), pdf});
    ASSERT_EQ(p.exitCode, 0) << qPrintable(p.err);
    QProcess text;
    text.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    ASSERT_EQ(text.exitCode(), 0);
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    const QStringList pages = out.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(pages.size(), 2) << qPrintable(out);
    for (const QString &needle : {u("Anexo XI-B - QUIREL DE MOVIMENTAÇÃO DE PRODUTOS QUÍMICOS"), QStringLiteral("MAR/2024"),
                                  QStringLiteral("QUIMICA TESTE LTDA"), QStringLiteral("Dia 07"), QStringLiteral("CFOP:"),
                                  QStringLiteral("1.102"), u("ÁCIDO SULFÚRICO"), QStringLiteral("98,00"), QStringLiteral("1.234.567,891")})
        EXPECT_TRUE(pages[0].contains(needle)) << qPrintable(needle);
    EXPECT_TRUE(pages[1].contains(u("Observações do Anexo B:")));
    EXPECT_TRUE(pages[1].contains(u("Observação do mês")));

    // An annex without data: its message, exit 1, no file.
    const QString none = m.store.folder() + QStringLiteral("/d.pdf");
    p = test::runCli({QStringLiteral("--dados"), m.store.folder(), QStringLiteral("imprimir"), m.period.cnpj, m.period.ano,
                      m.period.mes, QStringLiteral("D"), QStringLiteral("--pdf"), none});
    EXPECT_EQ(p.exitCode, 1);
    EXPECT_EQ(p.out.trimmed(), u("Não existem informações à serem impressas no Anexo D."));
    EXPECT_FALSE(QFile::exists(none));

    // "todos": the annexes with data, in order, in one file.
    const QString all = m.store.folder() + QStringLiteral("/todos.pdf");
    p = test::runCli({QStringLiteral("--dados"), m.store.folder(), QStringLiteral("imprimir"), m.period.cnpj, m.period.ano,
                      m.period.mes, QStringLiteral("todos"), QStringLiteral("--pdf"), all});
    EXPECT_EQ(p.exitCode, 0) << qPrintable(p.err);
    EXPECT_TRUE(QFile::exists(all));
}

namespace {

std::unique_ptr<Run> runVariant(Month &m, QChar annex, Variant v)
{
    auto r = std::make_unique<Run>();
    PageList list;
    Result<Outcome> out = runAnnexReport(m.store.db(), m.period, annex, v, list, r->dialogs);
    EXPECT_TRUE(out.ok()) << qPrintable(out.message());
    if (out)
        r->outcome = *out;
    r->pages = std::move(list.pages);
    return r;
}

} // namespace

TEST(GroupedVariants, AnnexBByProductTotalsEachProductAndMasksNumbers)
{
    Month m({1});
    const auto mov = [&](const char *name, const char *ncm, double qty, const char *supplier) {
        m.insert("Movimentacao", {{"NrDia", QStringLiteral("04")}, {"NrCFOP", QStringLiteral("1.102")}, {"CdNCM", QString::fromLatin1(ncm)},
                                  {"NmProduto", QString::fromLatin1(name)}, {"VlConcentracao", 12.5}, {"VlQuantidade", qty},
                                  {"NmUnidade", QStringLiteral("Kg")}, {"NrNF", QStringLiteral("77")},
                                  {"CdFornecedor", QString::fromLatin1(supplier)}});
    };
    mov("TOLUENO", "2902.30.00", 10.0, "12345678909");
    mov("ACETONA", "2914.11.00", 1.5, "11222333000181");
    mov("ACETONA", "2914.11.00", 2.25, "11222333000181");
    auto r = runVariant(m, QLatin1Char('B'), Variant::Produto);
    ASSERT_EQ(r->outcome, Outcome::Printed);
    const QStringList body = r->body(0, 4);
    const QStringList expected = {
        QStringLiteral("Cod.NCM : 2914.11.00 - ACETONA"),
        QStringLiteral("Dia 04"),
        u("CFOP: 1.102 Concentração %: 12,5 Unidade: Kg"),
        QStringLiteral("Nt.Fiscal: 77 Qtde.: 1,500 CPF/CNPJ Fornecedor: 11.222.333/0001-81 CPF/CNPJ Transportadora:"),
        QStringLiteral("Dia 04"),
        u("CFOP: 1.102 Concentração %: 12,5 Unidade: Kg"),
        QStringLiteral("Nt.Fiscal: 77 Qtde.: 2,250 CPF/CNPJ Fornecedor: 11.222.333/0001-81 CPF/CNPJ Transportadora:"),
        QStringLiteral("Total.: 3,750"),
        QStringLiteral("Cod.NCM : 2902.30.00 - TOLUENO"),
        QStringLiteral("Dia 04"),
        u("CFOP: 1.102 Concentração %: 12,5 Unidade: Kg"),
        QStringLiteral("Nt.Fiscal: 77 Qtde.: 10,000 CPF/CNPJ Fornecedor: 123.456.789-09 CPF/CNPJ Transportadora:"),
        QStringLiteral("Total.: 10,000"),
    };
    EXPECT_EQ(body, expected);

    // By invoice: the same number from two suppliers stays under one header.
    auto byInvoice = runVariant(m, QLatin1Char('B'), Variant::NotaFiscal);
    ASSERT_EQ(byInvoice->outcome, Outcome::Printed);
    EXPECT_EQ(byInvoice->body(0, 4).filter(QStringLiteral("Nota Fiscal:")), QStringList{QStringLiteral("Nota Fiscal: 77")});
    // The day-order map prints the bare digits.
    auto byDay = runVariant(m, QLatin1Char('B'), Variant::Data);
    EXPECT_FALSE(byDay->body(0, 4).filter(QStringLiteral("CPF/CNPJ Fornecedor: 11222333000181")).isEmpty());
}

TEST(GroupedVariants, EmptyStorageMovementsGiveTheMessageForBothVariants)
{
    Month m({7});
    for (const Variant v : {Variant::Produto, Variant::NotaFiscal}) {
        auto r = runVariant(m, QLatin1Char('E'), v);
        EXPECT_EQ(r->outcome, Outcome::Empty);
        EXPECT_EQ(r->dialogs.texts(), QStringList{u("Não existem informações à serem impressas no Anexo E.")});
    }
}

TEST(GroupedVariants, AnnexEByProductPutsEntriesBeforeExits)
{
    Month m({7});
    for (const char *es : {"S", "E"})
        m.insert("MovArmazenagem", {{"NrDia", QStringLiteral("02")}, {"DsES", QString::fromLatin1(es)}, {"CdNCM", QStringLiteral("2914.11.00")},
                                    {"NmProduto", QStringLiteral("ACETONA")}, {"Vlconcentracao", 99.0}, {"QtMovArmazenagem", 1.0}});
    auto r = runVariant(m, QLatin1Char('E'), Variant::Produto);
    ASSERT_EQ(r->outcome, Outcome::Printed);
    EXPECT_EQ(r->body(0, 4).filter(u("Operação:")), (QStringList{u("Dia 02 Operação: Entrada"), u("Dia 02 Operação: Saída")}));
}
