#include "ExchangeFixture.h"
#include "exchange/Generate.h"
#include "exchange/Messages.h"
#include "exchange/PacketBuilder.h"
#include "exchange/PacketImport.h"
#include "exchange/PacketReader.h"
#include "exchange/PacketWriter.h"
#include "shell/Messages.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <functional>
#include "store/Messages.h"
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::exchange;
using Kind = ScriptedDialogs::Kind;

namespace {

// Every row of every table, in a stable order: equal dumps mean the store
// was left exactly as it was.
QString dump(const test::TempStore &s)
{
    QStringList lines;
    QSqlDatabase db = s.db();
    for (const schema::Table &t : schema::tables()) {
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT * FROM %1").arg(t.qname())));
        while (q.next()) {
            QString line = t.qname() + QLatin1Char(':');
            for (int i = 0; i < q.record().count(); ++i)
                line += QLatin1Char('|') + q.value(i).toString();
            lines.append(line);
        }
    }
    lines.sort();
    return lines.join(QLatin1Char('\n'));
}

PacketRow smallPacket(const test::TempStore &s)
{
    QSqlDatabase db = s.db();
    Result<PacketRow> p = buildPacket(db, test::kSmallPeriod);
    EXPECT_TRUE(p.ok()) << qPrintable(p.message());
    return p.ok() ? *p : PacketRow();
}

// The packet with its record numbers (counters and the chain's links to
// them) blanked: what must survive an import unchanged.
void blankNumbers(const Level &level, PacketRow &row)
{
    for (size_t i = 0; i < level.fields.size(); ++i) {
        const PacketField &f = level.fields[i];
        const bool link = (level.name == QLatin1String("tblProdutoFinal") && f.name == QLatin1String("CdProduto")) ||
                          (level.name == QLatin1String("tblSubstanciaPresente") &&
                           (f.name == QLatin1String("CdProduto") || f.name == QLatin1String("CdProdFinal")));
        if (f.kind == FieldKind::Counter || link)
            row.values[static_cast<int>(i)] = QVariant();
    }
    for (size_t n = 0; n < level.nested.size(); ++n)
        for (PacketRow &c : row.nested[n])
            blankNumbers(*level.nested[n], c);
}

QByteArray withoutNumbers(PacketRow p)
{
    blankNumbers(packetRoot(), p);
    return *packetBytes(p);
}

void addLookupRow(const test::TempStore &s)
{
    s.exec(QStringLiteral("INSERT INTO ProdutoControlado (IdProdutoControlado, CdNCM, NmProdutoControlado) "
                          "VALUES (9001, '2902.30.00', 'TOLUENO ÁCIDO')"));
}

} // namespace

TEST(PacketImport, RoundTripIntoAnEmptyStoreKeepsEveryRowAndTheChain)
{
    test::TempStore source(QStringLiteral("source"));
    test::fillSmallPeriod(source);
    QTemporaryDir out;
    QSqlDatabase sdb = source.db();
    Result<GeneratedFiles> files = writeDeclarationFiles(sdb, test::kSmallPeriod, out.path());
    ASSERT_OK(files);

    test::TempStore target(QStringLiteral("target"));
    addLookupRow(target);
    // Numbers already used in the target, so that every row gets a new one.
    target.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdProduto) VALUES ('1', '2000', 'JAN', 500)"));
    target.exec(QStringLiteral("INSERT INTO ProdutoFinal (CdCNPJEmpr, NrAno, NmMes, CdProduto, CdProdFinal) "
                               "VALUES ('1', '2000', 'JAN', 500, 600)"));
    Result<PacketRow> loaded = readPacketFile(files->packetPath);
    ASSERT_OK(loaded);
    ScriptedDialogs dialogs;
    QSqlDatabase tdb = target.db();
    ASSERT_OK(importPacket(tdb, *loaded, dialogs));
    EXPECT_EQ(dialogs.texts(), QStringList{msg::kImportacaoConcluida});

    Result<PacketRow> again = buildPacket(tdb, test::kSmallPeriod);
    ASSERT_OK(again);
    EXPECT_EQ(withoutNumbers(*again), withoutNumbers(smallPacket(source)));
    // New numbers, links intact.
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM SubstanciaPresente s JOIN ProdutoFinal f ON "
                                           "f.CdProduto = s.CdProduto AND f.CdProdFinal = s.CdProdFinal JOIN Produtos p "
                                           "ON p.CdProduto = f.CdProduto WHERE p.NmProduto = 'TOLUENO' AND "
                                           "p.CdProduto > 500 AND f.CdProdFinal > 600")).toInt(),
              2);
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT NrLI || '|' || DsUnidade || '|' || FlIE || '|' || NmImportador || "
                                           "'|' || CdPais FROM Importacao")).toString(),
              QStringLiteral("03/1234567-8|litro|I|Chem GmbH|23"));
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM Produtos WHERE NmProduto = 'SEM NCM' AND CdNCM IS NULL")).toInt(), 1);
}

TEST(PacketImport, TheLongestResidueDestinationSurvivesBothFilesWhole)
{
    const QString wide = QStringLiteral("Destruição - Neutralização");
    test::TempStore source(QStringLiteral("source"));
    test::fillSmallPeriod(source);
    source.exec(QStringLiteral("UPDATE Residuo SET DsDestinacao = '%1'").arg(wide));
    QTemporaryDir out;
    QSqlDatabase sdb = source.db();
    Result<GeneratedFiles> files = writeDeclarationFiles(sdb, test::kSmallPeriod, out.path());
    ASSERT_OK(files);
    // Both files hold the 26 characters in Windows-1252; the full packet
    // declares the width.
    for (const QString &path : {files->packetPath, files->declarationPath}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        if (path == files->packetPath) {
            EXPECT_TRUE(bytes.contains("<FIELD attrname=\"DsDestinacao\" fieldtype=\"string\" WIDTH=\"26\"/>"));
        }
        EXPECT_TRUE(bytes.contains("DsDestinacao=\"Destrui\xE7\xE3o - Neutraliza\xE7\xE3o\"")) << qPrintable(path);
    }

    test::TempStore target(QStringLiteral("target"));
    addLookupRow(target);
    Result<PacketRow> loaded = readPacketFile(files->packetPath);
    ASSERT_OK(loaded);
    ScriptedDialogs dialogs;
    QSqlDatabase tdb = target.db();
    ASSERT_OK(importPacket(tdb, *loaded, dialogs));
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT DsDestinacao FROM Residuo")).toString(), wide);
}

TEST(PacketImport, RegisteredCompanyAndTheOverwriteQuestion)
{
    test::TempStore source(QStringLiteral("source"));
    test::fillSmallPeriod(source);
    const PacketRow packet = smallPacket(source);

    test::TempStore target(QStringLiteral("target"));
    target.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('11222333000181', 'NOME REGISTRADO')"));
    target.exec(QStringLiteral("INSERT INTO Mes VALUES ('11222333000181', '2003', 'mar')"));
    target.exec(QStringLiteral("INSERT INTO Movimentacao (CdCNPJEmpr, NrAno, NmMes, NrDia) VALUES ('11222333000181', '2003', 'mar', '01')"));
    target.exec(QStringLiteral("INSERT INTO Mes VALUES ('11222333000181', '2003', 'ABR')"));
    target.exec(QStringLiteral("INSERT INTO Movimentacao (CdCNPJEmpr, NrAno, NmMes, NrDia) VALUES ('11222333000181', '2003', 'ABR', '09')"));
    const QString before = dump(target);
    QSqlDatabase db = target.db();

    ScriptedDialogs no;
    no.expect(Kind::Confirm, msg::kSobrescrever, Answer::No);
    Status declined = importPacket(db, packet, no);
    EXPECT_FALSE(declined.ok());
    EXPECT_EQ(declined.error().code, 1);
    EXPECT_TRUE(no.failures.isEmpty()) << qPrintable(no.failures.join(QLatin1Char('\n')));
    EXPECT_EQ(no.messages.size(), 1);
    EXPECT_EQ(dump(target), before);

    ScriptedDialogs yes;
    yes.expect(Kind::Confirm, msg::kSobrescrever, Answer::Yes);
    yes.expect(Kind::Information, msg::kImportacaoConcluida);
    ASSERT_OK(importPacket(db, packet, yes));
    EXPECT_TRUE(yes.failures.isEmpty()) << qPrintable(yes.failures.join(QLatin1Char('\n')));
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT NmRazao FROM Empresa")).toString(), QStringLiteral("NOME REGISTRADO"));
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT group_concat(NmMes) FROM (SELECT NmMes FROM Mes ORDER BY NmMes) AS m")).toString(),
              QStringLiteral("ABR,MAR"));
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT group_concat(NrDia) FROM (SELECT NrDia FROM Movimentacao ORDER BY NrDia) AS m")).toString(),
              QStringLiteral("02,09,15"));

    // Again: the month now exists, so the question comes back.
    ScriptedDialogs third;
    third.setDefaultAnswer(Answer::Yes);
    ASSERT_OK(importPacket(db, packet, third));
    EXPECT_EQ(third.texts(), (QStringList{msg::kSobrescrever, msg::kImportacaoConcluida}));
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM Observacoes")).toInt(), 2);
}

// A packet written elsewhere may carry a day of one digit: it is stored as
// two, so that the month's movements list in calendar order.
TEST(PacketImport, DaysAreStoredAsTwoDigits)
{
    test::TempStore source(QStringLiteral("source"));
    test::fillSmallPeriod(source);
    source.exec(QStringLiteral("UPDATE Movimentacao SET NrDia = '2' WHERE NrDia = '02'"));
    const PacketRow packet = smallPacket(source);

    test::TempStore target(QStringLiteral("target"));
    QSqlDatabase db = target.db();
    ScriptedDialogs dialogs;
    ASSERT_OK(importPacket(db, packet, dialogs));
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT group_concat(NrDia) FROM (SELECT NrDia FROM Movimentacao ORDER BY NrDia) AS m")).toString(),
              QStringLiteral("02,15"));
}

TEST(PacketImport, DeclinedOverwriteDoesNotRegisterTheCompany)
{
    test::TempStore source(QStringLiteral("source"));
    test::fillSmallPeriod(source);
    const PacketRow packet = smallPacket(source);
    test::TempStore target(QStringLiteral("target"));
    target.exec(QStringLiteral("INSERT INTO Mes VALUES ('11222333000181', '2003', 'MAR')"));
    const QString before = dump(target);
    ScriptedDialogs no;
    QSqlDatabase db = target.db();
    EXPECT_FALSE(importPacket(db, packet, no).ok());
    EXPECT_EQ(no.texts(), QStringList{msg::kSobrescrever});
    EXPECT_EQ(dump(target), before);
}

TEST(PacketImport, ARefusedRowLeavesEveryTableAsItWas)
{
    test::TempStore source(QStringLiteral("source"));
    test::fillSmallPeriod(source);
    const PacketRow good = smallPacket(source);
    const Level &mes = *packetLevel(QStringLiteral("qryMes"));
    const int obs = mes.nestedIndex(QStringLiteral("tblObservacoes"));
    const int mov = mes.nestedIndex(QStringLiteral("tblMovimentacao"));
    const Level &movLevel = *packetLevel(QStringLiteral("tblMovimentacao"));

    struct Case {
        const char *name;
        std::function<void(PacketRow &month)> damage;
        QString says;
    };
    const Case cases[] = {
        {"two observations of one letter",
         [&](PacketRow &m) { m.nested[static_cast<size_t>(obs)].push_back(m.nested[static_cast<size_t>(obs)].front()); },
         store::msg::kFalhaChaveRepetida.arg(QStringLiteral("Observacoes"))},
        {"text wider than its field",
         [&](PacketRow &m) {
             m.nested[static_cast<size_t>(mov)].back().values[movLevel.fieldIndex(QStringLiteral("NrNF"))] =
                 QStringLiteral("12345678901");
         },
         store::msg::kTextoLongo.arg(QStringLiteral("NrNF")).arg(10)},
        {"a row of another period",
         [&](PacketRow &m) {
             m.nested[static_cast<size_t>(mov)].back().values[movLevel.fieldIndex(QStringLiteral("NrAno"))] =
                 QStringLiteral("2004");
         },
         QStringLiteral("outro período")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PacketRow bad = good;
        c.damage(bad.nested[0][0]);
        test::TempStore target(QStringLiteral("target"));
        const QString before = dump(target);
        ScriptedDialogs dialogs;
        QSqlDatabase db = target.db();
        Status s = importPacket(db, bad, dialogs);
        ASSERT_FALSE(s.ok());
        EXPECT_EQ(s.error().code, 2);
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
        if (!c.says.isEmpty()) {
            EXPECT_TRUE(dialogs.messages[0].text.contains(c.says)) << qPrintable(dialogs.messages[0].text);
        }
        EXPECT_EQ(dump(target), before);
    }
}

// Month codes and company keys follow the rule of every stored key: a month
// in any letter case is stored in its upper-case form; anything else is
// refused, naming the record, and nothing is stored.
TEST(PacketImport, MonthCodesAndCompanyKeysAreChecked)
{
    test::TempStore source(QStringLiteral("source"));
    test::fillSmallPeriod(source);
    const PacketRow good = smallPacket(source);
    const Level &root = packetRoot();
    const Level &mes = *packetLevel(QStringLiteral("qryMes"));
    const QString K = QStringLiteral("11222333000181");
    const QString monthRecord = QStringLiteral("do mês (qryMes)");
    struct Case {
        const char *name;
        QString cnpj;
        QString month;
        QString says; // empty: imported
    };
    const Case cases[] = {
        {"lower-case month", K, QStringLiteral("mar"), QString()},
        {"mixed-case month", K, QStringLiteral("Mar"), QString()},
        {"unknown month", K, QStringLiteral("XYZ"), msg::kPacoteRegistro.arg(monthRecord, shell::msg::kMesInvalido.arg(QStringLiteral("XYZ")))},
        {"month number", K, QStringLiteral("03"), msg::kPacoteRegistro.arg(monthRecord, shell::msg::kMesInvalido.arg(QStringLiteral("03")))},
        {"company key with a letter", QStringLiteral("1122233300018A"), QStringLiteral("MAR"),
         msg::kPacoteRegistro.arg(QStringLiteral("da empresa"), shell::msg::kChaveEmpresaInvalida.arg(QStringLiteral("1122233300018A")))},
        {"company key with punctuation", QStringLiteral("11.222.333/0001-81"), QStringLiteral("MAR"),
         msg::kPacoteRegistro.arg(QStringLiteral("da empresa"), shell::msg::kChaveEmpresaInvalida.arg(QStringLiteral("11.222.333/0001-81")))},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PacketRow p = good;
        p.values[root.fieldIndex(QStringLiteral("CdCNPJEmpr"))] = c.cnpj;
        PacketRow &month = p.nested[0][0];
        month.values[mes.fieldIndex(QStringLiteral("CdCNPJEmpr"))] = c.cnpj;
        month.values[mes.fieldIndex(QStringLiteral("NmMes"))] = c.month;
        test::TempStore target(QStringLiteral("target"));
        const QString before = dump(target);
        ScriptedDialogs dialogs;
        QSqlDatabase db = target.db();
        const Status s = importPacket(db, p, dialogs);
        if (c.says.isEmpty()) {
            ASSERT_TRUE(s.ok()) << qPrintable(s.message());
            EXPECT_EQ(target.scalar(QStringLiteral("SELECT group_concat(NmMes) FROM Mes")).toString(), QStringLiteral("MAR"));
            EXPECT_GT(target.scalar(QStringLiteral("SELECT count(*) FROM Produtos WHERE NmMes = 'MAR'")).toInt(), 0);
            EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM Produtos WHERE NmMes <> 'MAR'")).toInt(), 0);
        } else {
            ASSERT_FALSE(s.ok());
            EXPECT_EQ(dialogs.texts(), QStringList{c.says});
            EXPECT_EQ(dump(target), before);
        }
    }
}

TEST(PacketImport, CliEndToEnd)
{
    test::TempStore source(QStringLiteral("source"));
    test::fillSmallPeriod(source);
    QTemporaryDir out;
    QSqlDatabase sdb = source.db();
    Result<GeneratedFiles> files = writeDeclarationFiles(sdb, test::kSmallPeriod, out.path());
    ASSERT_OK(files);
    test::TempStore target(QStringLiteral("target"));
    const QStringList base{QStringLiteral("--dados"), target.folder()};

    test::ProcessResult first = test::runCli(base + QStringList{QStringLiteral("importar-xml"), files->packetPath});
    EXPECT_EQ(first.exitCode, 0) << qPrintable(first.err);
    EXPECT_EQ(first.out.trimmed(), msg::kImportacaoConcluida);
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM Movimentacao")).toInt(), 2);

    test::ProcessResult no = test::runCli(base + QStringList{QStringLiteral("importar-xml"), files->packetPath});
    EXPECT_EQ(no.exitCode, 1);
    EXPECT_TRUE(no.out.contains(msg::kSobrescrever)) << qPrintable(no.out);

    test::ProcessResult yes =
        test::runCli(QStringList{QStringLiteral("--sim")} + base + QStringList{QStringLiteral("importar-xml"), files->packetPath});
    EXPECT_EQ(yes.exitCode, 0) << qPrintable(yes.err);
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM Movimentacao")).toInt(), 2);

    test::ProcessResult declaration =
        test::runCli(base + QStringList{QStringLiteral("importar-xml"), files->declarationPath});
    EXPECT_EQ(declaration.exitCode, 2);
    EXPECT_TRUE(declaration.err.contains(msg::kPacoteSemDeclaracoes)) << qPrintable(declaration.err);
    test::ProcessResult missing =
        test::runCli(base + QStringList{QStringLiteral("importar-xml"), out.filePath(QStringLiteral("nada.xml"))});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(test::runCli(base + QStringList{QStringLiteral("importar-xml")}).exitCode, 2);
}

namespace {

// The small period with a thousand more rows in each table of the chain and
// in the product movements: a packet of many pieces.
void fillLargerPeriod(const test::TempStore &s)
{
    test::fillSmallPeriod(s);
    const QString series = QStringLiteral("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 1000) ");
    s.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdProduto, QtEstoqueAnt, DsUnidade, NmProduto) ") +
           series + QStringLiteral("SELECT '11222333000181', '2003', 'MAR', 100 + i, i * 0.5, 'Kg', 'PRODUTO ' || i FROM c"));
    s.exec(QStringLiteral("INSERT INTO ProdutoFinal (CdCNPJEmpr, NrAno, NmMes, CdProduto, CdProdFinal, QtProdFinal, NmProduto) ") +
           series + QStringLiteral("SELECT '11222333000181', '2003', 'MAR', 100 + i, 100 + i, i, 'FINAL ' || i FROM c"));
    s.exec(QStringLiteral("INSERT INTO SubstanciaPresente (CdCNPJEmpr, NrAno, NmMes, CdProduto, CdProdFinal, CdSubstancia, "
                          "VlConcentracao, NmProduto) ") +
           series + QStringLiteral("SELECT '11222333000181', '2003', 'MAR', 100 + i, 100 + i, 100 + i, 50, 'Á & <B> ' || i FROM c"));
    s.exec(QStringLiteral("INSERT INTO Movimentacao (CdCNPJEmpr, NrAno, NmMes, NrDia, NrCFOP, VlQuantidade, NmProduto) ") + series +
           QStringLiteral("SELECT '11222333000181', '2003', 'MAR', '03', '1.101', i * 0.001, 'MOVIMENTO ' || i FROM c"));
}

} // namespace

TEST(PacketImport, FileImportStoresAPacketOfManyPiecesInOnePass)
{
    test::TempStore source(QStringLiteral("source"));
    fillLargerPeriod(source);
    QTemporaryDir out;
    QSqlDatabase sdb = source.db();
    Result<GeneratedFiles> files = writeDeclarationFiles(sdb, test::kSmallPeriod, out.path());
    ASSERT_OK(files);
    ASSERT_GT(QFileInfo(files->packetPath).size(), 4 * 65536);

    test::TempStore target(QStringLiteral("target"));
    addLookupRow(target);
    target.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdProduto) VALUES ('1', '2000', 'JAN', 5000)"));
    QSqlDatabase tdb = target.db();
    ScriptedDialogs dialogs;
    ASSERT_OK(importPacketFile(tdb, files->packetPath, dialogs));
    EXPECT_EQ(dialogs.texts(), QStringList{msg::kImportacaoConcluida});
    Result<PacketRow> again = buildPacket(tdb, test::kSmallPeriod);
    ASSERT_OK(again);
    EXPECT_EQ(withoutNumbers(*again), withoutNumbers(smallPacket(source)));
    // Each substance still hangs under the final product and product of its own number.
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM SubstanciaPresente s JOIN ProdutoFinal f ON "
                                           "f.CdProduto = s.CdProduto AND f.CdProdFinal = s.CdProdFinal JOIN Produtos p "
                                           "ON p.CdProduto = f.CdProduto WHERE p.CdProduto > 5000 AND "
                                           "p.NmProduto LIKE 'PRODUTO %' AND substr(s.NmProduto, 9) = substr(p.NmProduto, 9)")).toInt(),
              1000);
}

// A file found damaged after rows were stored leaves every table as it was;
// so does an overwrite declined, and the question comes before any row.
TEST(PacketImport, FileImportIsAllOrNothing)
{
    test::TempStore source(QStringLiteral("source"));
    fillLargerPeriod(source);
    QTemporaryDir out;
    QSqlDatabase sdb = source.db();
    Result<GeneratedFiles> files = writeDeclarationFiles(sdb, test::kSmallPeriod, out.path());
    ASSERT_OK(files);
    QFile full(files->packetPath);
    ASSERT_TRUE(full.open(QIODevice::ReadOnly));
    const QByteArray bytes = full.readAll();

    struct Case {
        const char *name;
        QByteArray bytes;
        QString says;
    };
    const Case cases[] = {
        {"cut in the last data set", bytes.left(bytes.lastIndexOf("<ROWtblMovimentacao") + 30), QStringLiteral("fim inesperado")},
        {"a bad number near the end", QByteArray(bytes).replace("VlQuantidade=\"0.999\"", "VlQuantidade=\"0,999\""),
         QStringLiteral("VlQuantidade")},
        {"a second company", QByteArray(bytes).replace("</ROW></ROWDATA>", "</ROW><ROW CdCNPJEmpr=\"1\"/></ROWDATA>"),
         QStringLiteral("mais de uma empresa")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = out.filePath(QStringLiteral("damaged.xml"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        test::TempStore target(QStringLiteral("target"));
        const QString before = dump(target);
        QSqlDatabase db = target.db();
        ScriptedDialogs dialogs;
        Status s = importPacketFile(db, path, dialogs);
        ASSERT_FALSE(s.ok());
        EXPECT_EQ(s.error().code, 2);
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
        EXPECT_TRUE(dialogs.messages[0].text.contains(c.says)) << qPrintable(dialogs.messages[0].text);
        EXPECT_EQ(dump(target), before);
    }

    test::TempStore target(QStringLiteral("target"));
    target.exec(QStringLiteral("INSERT INTO Mes VALUES ('11222333000181', '2003', 'MAR')"));
    const QString before = dump(target);
    QSqlDatabase db = target.db();
    ScriptedDialogs no;
    Status declined = importPacketFile(db, files->packetPath, no);
    EXPECT_EQ(declined.error().code, 1);
    EXPECT_EQ(no.texts(), QStringList{msg::kSobrescrever});
    EXPECT_EQ(dump(target), before);
}
