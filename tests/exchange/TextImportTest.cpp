// The text import against a store: every record type, the questions, and
// failures that must leave every table as it was.

#include "TextImportFixture.h"
#include "exchange/Messages.h"
#include "exchange/TextImport.h"
#include "exchange/TextRecords.h"
#include "shell/Messages.h"
#include "store/Messages.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include "store/Schema.h"
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quirels;
using namespace quirels::exchange;
using quirels::test::Line;
using Kind = ScriptedDialogs::Kind;

namespace {

const QString kK = QStringLiteral("12345678000195");
const QString kAno = QStringLiteral("2024");
const QString kMes = QStringLiteral("JAN");

TextImportResult importLines(test::TempStore &store, const QStringList &lines, Dialogs &dialogs)
{
    QByteArray bytes = test::fileBytes(lines);
    QBuffer buffer(&bytes);
    EXPECT_TRUE(buffer.open(QIODevice::ReadOnly));
    QSqlDatabase db = store.db();
    return importTextFile(db, buffer, dialogs);
}

QString row(test::TempStore &store, const QString &select)
{
    QSqlQuery q(store.db());
    EXPECT_TRUE(q.exec(select)) << qPrintable(select);
    if (!q.next())
        return QStringLiteral("<none>");
    QStringList cells;
    for (int i = 0; i < q.record().count(); ++i)
        cells.append(q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
    return cells.join(QLatin1Char('|'));
}

// A movement line of annex XI-B with the day and the quantity given.
test::Line movement(const QString &k, const QString &ano, const QString &mes, const QString &day,
                    const QString &quantity = QStringLiteral("1"))
{
    return test::Line(QStringLiteral("MV"))
        .key(k, ano, mes)
        .put(24, 25, day)
        .put(26, 30, QStringLiteral("1.102"))
        .put(31, 36, QStringLiteral("98"))
        .put(37, 56, quantity);
}

QString lineError(qint64 line, const QString &reason)
{
    return msg::kTxtErroNaLinha.arg(QString::number(line), reason);
}

} // namespace

TEST(TextImport, StoresOneRowOfEveryRecordTypeWithItsLinks)
{
    test::TempStore store;
    ScriptedDialogs dialogs;
    // The SQLite connection's page cache is as it was before the import.
    const QString cacheSize = test::onServer() ? QString() : row(store, QStringLiteral("PRAGMA cache_size"));
    const TextImportResult r = importLines(store, test::monthLines(kK, kAno, kMes), dialogs);
    ASSERT_TRUE(r.ok()) << qPrintable(r.error.message);
    if (!test::onServer()) {
        EXPECT_EQ(row(store, QStringLiteral("PRAGMA cache_size")), cacheSize);
    }
    EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.texts().join(QLatin1Char('\n')));
    EXPECT_EQ(r.company, kK);
    EXPECT_EQ(r.period, (PeriodKey{kK, kAno, kMes}));
    EXPECT_EQ(r.lines, 15);

    const QString key = QStringLiteral(" WHERE CdCNPJEmpr = '12345678000195' AND NrAno = '2024' AND NmMes = 'JAN'");
    // Every field of the company, in the layout's order.
    QStringList companyFields;
    for (const schema::Field &f : schema::table(QStringLiteral("Empresa"))->fields)
        companyFields.append(f.qname());
    EXPECT_EQ(row(store, QStringLiteral("SELECT %1 FROM Empresa").arg(companyFields.join(QLatin1Char(',')))),
              QStringLiteral("12345678000195|Química Exemplo Ltda|12345678-9|2011-8/00|1|0|1|1|1|1|1|1|1|Outras atividades|"
                             "Informações gerais|Grupo I|Fulano de Tal|12345678909|MG1234567|SSP|MG|031|32221111|32222222|"
                             "contato@empresa.com.br"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT count(*) FROM Mes") + key), QStringLiteral("1"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT CdProduto, VlConcentracao, VlDensidade, QtEstoqueAnt, QtProducao, "
                                        "QtTransformacao, QtUtilizacao, QtCompras, QtVendas, QtReciclagem, QtReaproveitamento, "
                                        "QtImportacao, QtExportacao, QtPerdas, QtEvaporacao, QtEntradasDiv, QtSaidasDiv, "
                                        "QtEstoqueAtual, DsUnidade, CdProdutoControlado, CdNCM, NmProduto FROM Produtos") + key),
              QStringLiteral("1|98.5|0.79|100|1|2|3|50|30|20|4|5|6|7|8|9|10|120|Kg|<null>|2207.10.00|Álcool etílico"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT CdProduto, CdProdFinal, VlDensidade, QtProdFinal, DsUnidade, CdProdControlado, "
                                        "CdNCM, NmProduto FROM ProdutoFinal") + key),
              QStringLiteral("1|1|0.8|10.5|litro|<null>|2208.90.00|Aguardente"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT CdProduto, CdProdFinal, CdSubstancia, VlConcentracao, CdNCM, NmProduto "
                                        "FROM SubstanciaPresente") + key),
              QStringLiteral("1|1|1|40|2207.10.00|Álcool etílico"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT NrDia, NrCFOP, CdProduto, VlConcentracao, VlQuantidade, NmUnidade, NrNF, "
                                        "CdFornecedor, CdTransportadora, CdNCM, NmProduto FROM Movimentacao") + key),
              QStringLiteral("05|1.102|<null>|98|12.345|Kg|NF-1|11222333000181|12345678909|2207.10.00|Álcool"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT VlConcentracao, QtImportacao, DsUnidade, NrLI, NrNF, CdTransportadora, "
                                        "NmImportador, CdPais, FlIE, CdNCM, NmProduto FROM Importacao") + key),
              QStringLiteral("150|3.5|Kg|LI-77|NF-2|11222333000181|Importadora Ltda|249|E|2207.10.00|Álcool"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT CdNCM, NmProduto, VlConcentracao, QtEstoqueAnt, QtEstoqueAtual, DsUnidade, "
                                        "CdProprietario FROM Armazenagem") + key),
              QStringLiteral("2207.10.00|Álcool armazenado|50|1.25|2.5|litro|11222333000181"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT NrDia, DsES, QtMovArmazenagem, DsUnidade, CdNF, CdProprietario, "
                                        "CdTransportadora, Vlconcentracao, CdNCM, NmProduto FROM MovArmazenagem") + key),
              QStringLiteral("07|E|4|Kg|NF-3|11222333000181|99888777000166|120|2207.10.00|Álcool"));
    // The invoice number is stored as a number, not as the text of the line.
    const QString storedType = test::onServer() ? QStringLiteral("pg_typeof(NrNF)::text") : QStringLiteral("typeof(NrNF)");
    EXPECT_EQ(row(store, QStringLiteral("SELECT NrDia, VlConcentracao, QtProduto, DsUnidade, NrNF, %1, CdEmbarcador, "
                                        "SgUFEmbarcador, CdDestinatario, SgUFDestinatario, CdNCM, NmProduto FROM Transporte")
                             .arg(storedType) + key),
              QStringLiteral("08|50|5|Kg|123|%1|11222333000181|SP|99888777000166|RJ|2207.10.00|Álcool")
                  .arg(test::onServer() ? QStringLiteral("bigint") : QStringLiteral("integer")));
    EXPECT_EQ(row(store, QStringLiteral("SELECT CdProdContrPresente, VlConcentracao, QtResiduo, DsUnidade, DsDestinacao, "
                                        "CdNCM, NmProduto FROM Residuo") + key),
              QStringLiteral("7|50|6|Kg|Incineração|2207.10.00|Álcool"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT NrDia, VlES, QtdMovResiduo, DsUnidade, CdProdControlado, VlConcentracao, NrNF, "
                                        "CdFornecedor, CdTransportadora, CdNCM, NmProduto FROM MovResiduo") + key),
              QStringLiteral("09|S|7|Kg|<null>|50|NF-4|11222333000181|99888777000166|2207.10.00|Álcool"));
    // Two observation lines joined by a CR; trailing blanks of each dropped.
    EXPECT_EQ(row(store, QStringLiteral("SELECT Anexo, Observacao FROM Observacoes") + key),
              QStringLiteral("A|Primeira linha da observação\rSegunda linha"));
}

TEST(TextImport, FinalProductsAndSubstancesFollowTheLatestProductLines)
{
    test::TempStore store;
    ScriptedDialogs dialogs;
    const QString K = kK, A = kAno, M = kMes;
    const QStringList lines{test::emLine(K, QStringLiteral("X")), test::meLine(K, A, M),
                            test::prLine(K, A, M), test::pfLine(K, A, M), test::pfLine(K, A, M, QStringLiteral("2")),
                            test::spLine(K, A, M), test::prLine(K, A, M), test::pfLine(K, A, M, QStringLiteral("3")),
                            test::spLine(K, A, M), test::spLine(K, A, M),
                            test::obLine(K, A, M, QStringLiteral("B")), test::ooLine(QStringLiteral("b")),
                            test::obLine(K, A, M, QStringLiteral("C")), test::ooLine(QStringLiteral("c1")),
                            test::ooLine(QStringLiteral("c2"))};
    const TextImportResult r = importLines(store, lines, dialogs);
    ASSERT_TRUE(r.ok()) << qPrintable(r.error.message);
    // Quantities in tenths, so both stores write them alike.
    EXPECT_EQ(row(store, QStringLiteral("SELECT group_concat(CdProduto || ':' || CdProdFinal || ':' ||"
                                        " cast(QtProdFinal * 10 as integer), ' ') FROM ProdutoFinal")),
              QStringLiteral("1:1:105 1:2:20 2:3:30"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT group_concat(CdProduto || ':' || CdProdFinal, ' ') FROM SubstanciaPresente")),
              QStringLiteral("1:2 2:3 2:3"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT group_concat(Anexo || '=' || Observacao, ' ') FROM Observacoes")),
              QStringLiteral("B=b C=c1\rc2"));
}

TEST(TextImport, CpfKeyGivenInTheFourteenColumnsFindsTheStoredCompany)
{
    test::TempStore store;
    const QString cpf = QStringLiteral("12345678909");
    ScriptedDialogs first;
    ASSERT_TRUE(importLines(store, {test::emLine(cpf, QStringLiteral("Pessoa")), test::meLine(cpf, kAno, kMes)}, first).ok());
    EXPECT_EQ(row(store, QStringLiteral("SELECT CdCNPJEmpr, length(CdCNPJEmpr) FROM Mes")), QStringLiteral("12345678909|11"));

    ScriptedDialogs again;
    again.expect(Kind::Confirm, msg::kTxtEmpresaCadastrada, Answer::No);
    again.expect(Kind::Confirm, msg::kTxtSobrescreverMes, Answer::Yes);
    const TextImportResult r =
        importLines(store, {test::emLine(cpf, QStringLiteral("Outro nome")), test::meLine(cpf, kAno, kMes)}, again);
    ASSERT_TRUE(r.ok()) << qPrintable(r.error.message);
    EXPECT_TRUE(again.failures.isEmpty()) << qPrintable(again.failures.join(QLatin1Char('\n')));
    EXPECT_EQ(again.pendingExpectations(), 0);
    EXPECT_EQ(row(store, QStringLiteral("SELECT NmRazao FROM Empresa")), QStringLiteral("Pessoa"));
}

TEST(TextImport, QuestionsAboutAnExistingCompanyAndPeriod)
{
    const QString K = kK, A = kAno, M = kMes;
    const auto prepare = [&](test::TempStore &store) {
        ScriptedDialogs d;
        ASSERT_TRUE(importLines(store, test::monthLines(K, A, M), d).ok());
        // Another period of the same company, which no answer may touch.
        ASSERT_TRUE(importLines(store, {test::emLine(K, QStringLiteral("Y")), test::meLine(K, A, QStringLiteral("FEV")),
                                        test::prLine(K, A, QStringLiteral("FEV"))},
                                d)
                        .ok());
    };
    // The new file: the company with another name and groups, a line for the
    // period stored before its ME line, then the period again with one product.
    const QStringList file{test::emLine(K, QStringLiteral("Nome Novo"), QStringLiteral("000000001")),
                           test::prLine(K, A, M, QStringLiteral("11")), test::meLine(K, A, M),
                           test::prLine(K, A, M, QStringLiteral("22"))};

    struct Case {
        Answer company, period;
        TextImportResult::Outcome outcome;
        const char *razao;
        const char *concentrations; // of the products of JAN, in tenths
    };
    const Case cases[] = {
        {Answer::Yes, Answer::Yes, TextImportResult::Outcome::Imported, "Nome Novo", "220"},
        {Answer::No, Answer::Yes, TextImportResult::Outcome::Imported, "Química Exemplo Ltda", "220"},
        // "Não" to the overwrite stops the import and keeps everything, the
        // company update answered "Sim" included.
        {Answer::Yes, Answer::No, TextImportResult::Outcome::Declined, "Química Exemplo Ltda", "985"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.razao);
        test::TempStore store;
        prepare(store);
        const QString before = test::dumpTables(store.db());
        const QString fev = row(store, QStringLiteral("SELECT count(*) FROM Produtos WHERE NmMes = 'FEV'"));
        ScriptedDialogs dialogs;
        dialogs.expect(Kind::Confirm, msg::kTxtEmpresaCadastrada, c.company);
        dialogs.expect(Kind::Confirm, msg::kTxtSobrescreverMes, c.period);
        const TextImportResult r = importLines(store, file, dialogs);
        EXPECT_EQ(r.outcome, c.outcome) << qPrintable(r.error.message);
        EXPECT_TRUE(dialogs.failures.isEmpty()) << qPrintable(dialogs.failures.join(QLatin1Char('\n')));
        EXPECT_EQ(dialogs.messages.size(), 2);
        EXPECT_EQ(row(store, QStringLiteral("SELECT NmRazao FROM Empresa")), QString::fromUtf8(c.razao));
        EXPECT_EQ(row(store, QStringLiteral("SELECT group_concat(cast(VlConcentracao * 10 as integer), ' ') FROM Produtos"
                                            " WHERE NmMes = 'JAN'")),
                  QString::fromLatin1(c.concentrations));
        EXPECT_EQ(row(store, QStringLiteral("SELECT count(*) FROM Produtos WHERE NmMes = 'FEV'")), fev);
        if (c.outcome == TextImportResult::Outcome::Declined) {
            EXPECT_EQ(test::dumpTables(store.db()), before);
        } else {
            // Overwriting removed every row of the period in every table.
            for (const char *t : {"ProdutoFinal", "SubstanciaPresente", "Movimentacao", "Importacao", "Armazenagem",
                                  "MovArmazenagem", "Transporte", "Residuo", "MovResiduo", "Observacoes"})
                EXPECT_EQ(row(store, QStringLiteral("SELECT count(*) FROM %1 WHERE NmMes = 'JAN'").arg(QString::fromLatin1(t))),
                          QStringLiteral("0"))
                    << t;
            EXPECT_EQ(row(store, QStringLiteral("SELECT CAST(FlGrupoI AS TEXT) || CAST(FlGrupoIX AS TEXT) FROM Empresa")),
                      c.company == Answer::Yes ? QStringLiteral("01") : QStringLiteral("11"));
        }
    }
}

TEST(TextImport, AFailingLineLeavesEveryTableAsItWas)
{
    const QString K = kK, A = kAno, M = kMes;
    // Another company than the one stored before, so that no question is asked.
    const QString K2 = QStringLiteral("98765432000198");
    const QString em = test::emLine(K2, QStringLiteral("Nova")), me = test::meLine(K2, A, QStringLiteral("MAR"));
    const QString M3 = QStringLiteral("MAR");
    const auto bytesOf = [](const QStringList &lines) { return test::fileBytes(lines); };

    struct Case {
        const char *name;
        QByteArray file;
        QString message;
        int code;
        bool rule;
    };
    const QList<Case> cases{
        {"blank closing stock", bytesOf({em, me, test::prLine(K2, A, M3, QStringLiteral("1"), QStringLiteral("Kg"), QString())}),
         lineError(3, QStringLiteral("'                    ' não é um valor de ponto flutuante válido para o campo 'QtEstoqueAtual'")),
         1, false},
        {"country not an integer",
         bytesOf({em, me, Line(QStringLiteral("IE")).key(K2, A, M3).put(24, 29, QStringLiteral("1")).put(30, 49, QStringLiteral("1")).put(200, 202, QStringLiteral("1 "))}),
         lineError(3, QStringLiteral("'1  ' não é um inteiro válido para o campo 'CdPais'")), 1, false},
        {"density out of range",
         bytesOf({em, me, Line(QStringLiteral("PF")).key(K2, A, M3).put(24, 29, QStringLiteral("101"))}),
         lineError(3, QStringLiteral("101 Não é um valor válido para o campo 'VlDensidade'. A faixa permitida é de 0 até 100")),
         1, false},
        {"product without unit", bytesOf({em, me, test::prLine(K2, A, M3, QStringLiteral("1"), QString())}),
         lineError(3, store::msg::kUnidadeEstoqueAtual), 1, true},
        {"final quantity zero", bytesOf({em, me, test::prLine(K2, A, M3), test::pfLine(K2, A, M3, QStringLiteral("0"))}),
         lineError(4, store::msg::kQuantidadeFinalPositiva), 1, true},
        {"substance without NCM",
         bytesOf({em, me, test::prLine(K2, A, M3), test::pfLine(K2, A, M3),
                  Line(QStringLiteral("SP")).key(K2, A, M3).put(24, 29, QStringLiteral("5"))}),
         lineError(5, store::msg::kCodigoProduto), 1, true},
        {"SP before any PF", bytesOf({em, me, test::prLine(K2, A, M3), test::spLine(K2, A, M3)}),
         lineError(4, msg::kTxtSemRegistroAnterior.arg(QStringLiteral("SP"), QStringLiteral("PF"))), 1, false},
        {"SP after a new PR",
         bytesOf({em, me, test::prLine(K2, A, M3), test::pfLine(K2, A, M3), test::prLine(K2, A, M3), test::spLine(K2, A, M3)}),
         lineError(6, msg::kTxtSemRegistroAnterior.arg(QStringLiteral("SP"), QStringLiteral("PF"))), 1, false},
        {"PF before any PR", bytesOf({em, me, test::pfLine(K2, A, M3)}),
         lineError(3, msg::kTxtSemRegistroAnterior.arg(QStringLiteral("PF"), QStringLiteral("PR"))), 1, false},
        {"OO before any OB", bytesOf({em, me, test::ooLine(QStringLiteral("texto"))}),
         lineError(3, msg::kTxtSemRegistroAnterior.arg(QStringLiteral("OO"), QStringLiteral("OB"))), 1, false},
        {"OO after a new ME",
         bytesOf({em, me, test::obLine(K2, A, M3, QStringLiteral("A")), test::meLine(K2, A, QStringLiteral("ABR")),
                  test::ooLine(QStringLiteral("texto"))}),
         lineError(5, msg::kTxtSemRegistroAnterior.arg(QStringLiteral("OO"), QStringLiteral("OB"))), 1, false},
        {"ME before any EM", bytesOf({me}),
         lineError(1, msg::kTxtSemRegistroAnterior.arg(QStringLiteral("ME"), QStringLiteral("EM"))), 1, false},
        {"binary garbage", bytesOf({em, me}) + QByteArray("PR\x00\x01\x02\xff\xfe garbage", 15) + "\r\n",
         lineError(3, msg::kTxtNaoEhTexto.arg(0).arg(3)), 1, false},
        {"UTF-8 file", QStringLiteral("%1\r\n%2\r\n").arg(em, me).toUtf8(), lineError(1, msg::kTxtUtf8), 1, false},
        {"UTF-16 file", QByteArray("\xFF\xFE") + QByteArray("E\0M\0", 4), lineError(1, msg::kTxtNaoEhTexto.arg(0).arg(4)), 1,
         false},
        // Keys and values no entry screen accepts.
        {"month code unknown", bytesOf({em, test::meLine(K2, A, QStringLiteral("XYZ"))}),
         lineError(2, shell::msg::kMesInvalido.arg(QStringLiteral("XYZ"))), 1, false},
        {"month code of another line unknown", bytesOf({em, me, test::obLine(K2, A, QStringLiteral("MA"), QStringLiteral("A"))}),
         lineError(3, shell::msg::kMesInvalido.arg(QStringLiteral("MA"))), 1, false},
        {"year not a number", bytesOf({em, test::meLine(K2, QStringLiteral("ABCD"), M3)}),
         lineError(2, shell::msg::kAnoInvalido.arg(QStringLiteral("ABCD"))), 1, false},
        {"company key with letters", bytesOf({test::emLine(QStringLiteral("1122233300018X"), QStringLiteral("Nova"))}),
         lineError(1, shell::msg::kChaveEmpresaInvalida.arg(QStringLiteral("1122233300018X"))), 1, false},
        {"company key of 12 digits", bytesOf({em, test::meLine(QStringLiteral("112223330001"), A, M3)}),
         lineError(2, shell::msg::kChaveEmpresaInvalida.arg(QStringLiteral("112223330001"))), 1, false},
        {"day 45", bytesOf({em, me, movement(K2, A, M3, QStringLiteral("45"))}),
         lineError(3, msg::kTxtDiaInvalido.arg(QStringLiteral("45"), M3, A)), 1, false},
        {"day 00", bytesOf({em, me, movement(K2, A, M3, QStringLiteral("00"))}),
         lineError(3, msg::kTxtDiaInvalido.arg(QStringLiteral("00"), M3, A)), 1, false},
        {"day AB", bytesOf({em, me, movement(K2, A, M3, QStringLiteral("AB"))}),
         lineError(3, msg::kTxtDiaInvalido.arg(QStringLiteral("AB"), M3, A)), 1, false},
        {"day 31 in April",
         bytesOf({em, test::meLine(K2, A, QStringLiteral("ABR")),
                  Line(QStringLiteral("MR")).key(K2, A, QStringLiteral("abr")).put(24, 25, QStringLiteral("31"))}),
         lineError(3, msg::kTxtDiaInvalido.arg(QStringLiteral("31"), QStringLiteral("ABR"), A)), 1, false},
        {"day 29 in February of a common year",
         bytesOf({em, test::meLine(K2, QStringLiteral("2023"), QStringLiteral("FEV")),
                  Line(QStringLiteral("TP")).key(K2, QStringLiteral("2023"), QStringLiteral("FEV")).put(24, 25, QStringLiteral("29"))}),
         lineError(3, msg::kTxtDiaInvalido.arg(QStringLiteral("29"), QStringLiteral("FEV"), QStringLiteral("2023"))), 1, false},
        {"annex letter Z", bytesOf({em, me, test::obLine(K2, A, M3, QStringLiteral("Z"))}),
         lineError(3, msg::kTxtAnexoInvalido.arg(QStringLiteral("Z"))), 1, false},
        {"negative quantity", bytesOf({em, me, movement(K2, A, M3, QStringLiteral("05"), QStringLiteral("-3"))}),
         lineError(3, msg::kTxtNegativo.arg(QStringLiteral("-3").leftJustified(20), QStringLiteral("VlQuantidade"))), 1, false},
        {"negative stock", bytesOf({em, me, test::prLine(K2, A, M3, QStringLiteral("1"), QStringLiteral("Kg"), QStringLiteral("-5"))}),
         lineError(3, msg::kTxtNegativo.arg(QStringLiteral("-5").rightJustified(20), QStringLiteral("QtEstoqueAtual"))), 1, false},
    };

    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        test::TempStore store;
        {
            ScriptedDialogs d;
            ASSERT_TRUE(importLines(store, test::monthLines(K, A, M), d).ok());
        }
        const QString before = test::dumpTables(store.db());
        QByteArray bytes = c.file;
        QBuffer buffer(&bytes);
        ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
        ScriptedDialogs dialogs;
        QSqlDatabase db = store.db();
        const TextImportResult r = importTextFile(db, buffer, dialogs);
        EXPECT_EQ(r.outcome, TextImportResult::Outcome::Failed);
        EXPECT_EQ(r.error.message, c.message);
        EXPECT_EQ(r.error.code, c.code);
        EXPECT_EQ(r.ruleRefusal, c.rule);
        EXPECT_TRUE(dialogs.messages.isEmpty());
        EXPECT_EQ(test::dumpTables(store.db()), before);

        reportFailure(r, dialogs);
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0].kind, c.rule ? Kind::Information : Kind::Error);
        EXPECT_EQ(dialogs.messages[0].text, c.message);
    }
}

TEST(TextImport, StoreRefusalAndUnreadableFileLeaveNothingBehind)
{
    test::TempStore store;
    const QString before = test::dumpTables(store.db());
    ScriptedDialogs dialogs;
    // The same observation twice: the store refuses the duplicate key.
    const TextImportResult dup = importLines(
        store, {test::emLine(kK, QStringLiteral("X")), test::meLine(kK, kAno, kMes), test::obLine(kK, kAno, kMes, QStringLiteral("A")),
                test::obLine(kK, kAno, kMes, QStringLiteral("A"))},
        dialogs);
    EXPECT_EQ(dup.outcome, TextImportResult::Outcome::Failed);
    EXPECT_EQ(dup.error.code, 2);
    EXPECT_EQ(dup.failedLine, 4);
    EXPECT_TRUE(dup.error.message.startsWith(QStringLiteral("Erro na linha 4 do arquivo texto:\r"))) << qPrintable(dup.error.message);
    EXPECT_TRUE(dup.error.message.contains(store::msg::kFalhaChaveRepetida.arg(QStringLiteral("Observacoes"))))
        << qPrintable(dup.error.message);
    EXPECT_EQ(test::dumpTables(store.db()), before);

    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("nao-existe.txt"));
    QSqlDatabase db = store.db();
    const TextImportResult none = importTextFile(db, missing, dialogs);
    EXPECT_EQ(none.outcome, TextImportResult::Outcome::Failed);
    EXPECT_EQ(none.error.code, 2);
    EXPECT_TRUE(none.error.message.startsWith(msg::kTxtLeitura.arg(missing, QString()))) << qPrintable(none.error.message);

    // A device that fails in the middle of the file.
    class Failing : public QIODevice {
    public:
        explicit Failing(QByteArray head) : m_head(std::move(head)) { open(QIODevice::ReadOnly); }
        bool isSequential() const override { return true; }

    protected:
        qint64 readData(char *data, qint64 max) override
        {
            if (m_head.isEmpty()) {
                setErrorString(QStringLiteral("Erro de E/S"));
                return -1;
            }
            const qint64 n = std::min<qint64>(max, m_head.size());
            std::memcpy(data, m_head.constData(), static_cast<size_t>(n));
            m_head.remove(0, n);
            return n;
        }
        qint64 writeData(const char *, qint64) override { return -1; }

    private:
        QByteArray m_head;
    };
    Failing device(test::fileBytes(test::monthLines(kK, kAno, kMes)));
    const TextImportResult broken = importTextFile(db, device, dialogs);
    EXPECT_EQ(broken.outcome, TextImportResult::Outcome::Failed);
    EXPECT_EQ(broken.error.code, 2);
    EXPECT_TRUE(broken.error.message.endsWith(QStringLiteral("Erro de E/S"))) << qPrintable(broken.error.message);
    EXPECT_EQ(test::dumpTables(store.db()), before);
}

TEST(TextImport, SkipsUnknownLinesAndReadsNothingBeyondTheLayout)
{
    test::TempStore store;
    ScriptedDialogs dialogs;
    QStringList lines = test::monthLines(kK, kAno, kMes);
    // A movement line of 100,000 characters, an unknown record type as long,
    // lower-case and empty lines.
    for (QString &l : lines)
        if (l.startsWith(QLatin1String("MV")))
            l += QString(100000 - l.size(), QLatin1Char('9'));
    lines.insert(2, QStringLiteral("ZZ") + QString(99998, QLatin1Char('z')));
    lines.insert(3, QStringLiteral("pr") + test::prLine(kK, kAno, kMes).str().mid(2));
    lines.insert(4, QString());
    QByteArray bytes = test::fileBytes(lines) + "\x1A"; // a DOS end-of-file mark
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    QSqlDatabase db = store.db();
    const TextImportResult r = importTextFile(db, buffer, dialogs);
    ASSERT_TRUE(r.ok()) << qPrintable(r.error.message);
    EXPECT_EQ(row(store, QStringLiteral("SELECT count(*) FROM Produtos")), QStringLiteral("1"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT NmProduto || '|' || VlQuantidade FROM Movimentacao")), QStringLiteral("Álcool|12.345"));
}

// Each of CR LF, LF and CR alone ends a line: the same file with any of them
// (or a mix) stores the same rows.
TEST(TextImport, EveryLineEndEndsALine)
{
    const QStringList lines = test::monthLines(kK, kAno, kMes);
    const QByteArray crlf = test::fileBytes(lines);
    QString expected;
    {
        test::TempStore store;
        ScriptedDialogs d;
        QBuffer b;
        b.setData(crlf);
        ASSERT_TRUE(b.open(QIODevice::ReadOnly));
        QSqlDatabase db = store.db();
        ASSERT_TRUE(importTextFile(db, b, d).ok());
        expected = test::dumpTables(store.db());
    }
    QByteArray mixed;
    for (qsizetype i = 0; i < lines.size(); ++i)
        mixed += *cp1252::encode(lines[i]) + (i % 3 == 0 ? "\r" : i % 3 == 1 ? "\n" : "\r\n");
    struct Case {
        const char *name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"LF", QByteArray(crlf).replace("\r\n", "\n")},
        {"CR", QByteArray(crlf).replace("\r\n", "\r")},
        {"CR without a last line end", QByteArray(crlf).replace("\r\n", "\r").chopped(1)},
        {"mixed", mixed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        test::TempStore store;
        ScriptedDialogs d;
        QBuffer b;
        b.setData(c.bytes);
        ASSERT_TRUE(b.open(QIODevice::ReadOnly));
        QSqlDatabase db = store.db();
        const TextImportResult r = importTextFile(db, b, d);
        ASSERT_TRUE(r.ok()) << qPrintable(r.error.message);
        EXPECT_EQ(r.lines, lines.size());
        EXPECT_EQ(test::dumpTables(store.db()), expected);
    }
}

// A month code is matched without regard to letter case and stored in its
// upper-case form: "abr" and "ABR" are one month.
TEST(TextImport, MonthCodesAreStoredInTheirUpperCaseForm)
{
    test::TempStore store;
    ScriptedDialogs first;
    const QStringList lower{test::emLine(kK, QStringLiteral("X")), test::meLine(kK, kAno, QStringLiteral("abr")),
                            test::prLine(kK, kAno, QStringLiteral("Abr")), test::obLine(kK, kAno, QStringLiteral("aBr"), QStringLiteral("b"))};
    const TextImportResult r = importLines(store, lower, first);
    ASSERT_TRUE(r.ok()) << qPrintable(r.error.message);
    EXPECT_EQ(r.period.mes, QStringLiteral("ABR"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT group_concat(NmMes) FROM Mes")), QStringLiteral("ABR"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT NmMes FROM Produtos")), QStringLiteral("ABR"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT NmMes || Anexo FROM Observacoes")), QStringLiteral("ABRB"));

    // The same month in upper case is the month already stored.
    ScriptedDialogs again;
    again.expect(Kind::Confirm, msg::kTxtEmpresaCadastrada, Answer::No);
    again.expect(Kind::Confirm, msg::kTxtSobrescreverMes, Answer::Yes);
    ASSERT_TRUE(importLines(store, {test::emLine(kK, QStringLiteral("X")), test::meLine(kK, kAno, QStringLiteral("ABR"))}, again).ok());
    EXPECT_TRUE(again.failures.isEmpty()) << qPrintable(again.failures.join(QLatin1Char('\n')));
    EXPECT_EQ(again.pendingExpectations(), 0);
    EXPECT_EQ(row(store, QStringLiteral("SELECT count(*) FROM Mes")), QStringLiteral("1"));
    EXPECT_EQ(row(store, QStringLiteral("SELECT count(*) FROM Produtos")), QStringLiteral("0"));
}

// A day given as one digit, either side of its two columns, is stored as two
// digits, so that the movements of a month list in calendar order.
TEST(TextImport, DaysAreStoredAsTwoDigits)
{
    test::TempStore store;
    ScriptedDialogs dialogs;
    const QStringList lines{test::emLine(kK, QStringLiteral("X")), test::meLine(kK, kAno, kMes),
                            movement(kK, kAno, kMes, QStringLiteral("15")), movement(kK, kAno, kMes, QStringLiteral("5")),
                            movement(kK, kAno, kMes, QStringLiteral(" 3")), movement(kK, kAno, kMes, QStringLiteral("09"))};
    const TextImportResult r = importLines(store, lines, dialogs);
    ASSERT_TRUE(r.ok()) << qPrintable(r.error.message);
    EXPECT_EQ(row(store, QStringLiteral("SELECT group_concat(NrDia) FROM (SELECT NrDia FROM Movimentacao "
                                        "ORDER BY NrDia) AS m")),
              QStringLiteral("03,05,09,15"));
}

// Only regular files are read, and a file without line ends is refused
// without being read to its end: a device that never ends and a named pipe
// without a writer are refused at once.
TEST(TextImport, OnlyRegularFilesWithLineEndsAreRead)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString noLineEnd = dir.filePath(QStringLiteral("zeros.txt"));
    {
        QFile f(noLineEnd);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(static_cast<qsizetype>(text::kMaxLineBytes) + 10, 'A'));
    }
    struct Case {
        const char *name;
        QString path;
        QString message;
    };
    const Case cases[] = {
        {"endless device", QStringLiteral("/dev/zero"), msg::kTxtNaoEhArquivo.arg(QStringLiteral("/dev/zero"))},
        {"named pipe without a writer", fifo, msg::kTxtNaoEhArquivo.arg(fifo)},
        {"folder", dir.path(), msg::kTxtNaoEhArquivo.arg(dir.path())},
        {"no line end", noLineEnd, lineError(1, msg::kTxtLinhaLonga.arg(text::kMaxLineBytes))},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        test::TempStore store;
        ScriptedDialogs d;
        QSqlDatabase db = store.db();
        QElapsedTimer t;
        t.start();
        const TextImportResult r = importTextFile(db, c.path, d);
        EXPECT_LT(t.elapsed(), 10000);
        EXPECT_EQ(r.outcome, TextImportResult::Outcome::Failed);
        EXPECT_EQ(r.error.message, c.message);
    }
}
