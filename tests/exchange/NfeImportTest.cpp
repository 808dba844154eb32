// The electronic invoice import: hand-written invoices of one month read
// from a folder and a zip, filtered, turned into annex XI-B and XI-C rows and
// stored all at once; a second import of the same invoices.

#include "exchange/Messages.h"
#include "exchange/NfeImport.h"
#include "shell/PeriodOps.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <zip.h>

using namespace quirels;
using namespace quirels::exchange;

namespace {

const QString kCompany = QStringLiteral("11222333000181");
const PeriodKey kMarch{kCompany, QStringLiteral("2024"), QStringLiteral("MAR")};

QString fixture(const char *name) { return QStringLiteral(QUIRELS_NFE_FIXTURES "/") + QLatin1String(name); }

QByteArray readFixture(const char *name)
{
    QFile f(fixture(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The purchase again, as another invoice (key and number 1101).
QByteArray otherPurchase()
{
    QByteArray b = readFixture("compra.xml");
    b.replace("0000010011000010011", "0000011011000011011");
    b.replace("<nNF>1001</nNF>", "<nNF>1101</nNF>");
    return b;
}

// A zip with a folder, one invoice and a file that is no XML.
void writeZip(const QString &path, const QList<QPair<QByteArray, QByteArray>> &entries)
{
    int err = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(z, nullptr);
    static std::vector<QByteArray> keep; // the sources read the bytes at zip_close
    for (const auto &[name, bytes] : entries) {
        keep.push_back(bytes);
        zip_source_t *src = zip_source_buffer(z, keep.back().constData(), static_cast<zip_uint64_t>(keep.back().size()), 0);
        ASSERT_GE(zip_file_add(z, name.constData(), src, ZIP_FL_OVERWRITE), 0);
    }
    ASSERT_EQ(zip_close(z), 0);
}

// The fixture folder copied with a zip batch beside it.
QString inputFolder(QTemporaryDir &dir)
{
    const QString root = dir.filePath(QStringLiteral("notas"));
    for (const char *name : {"compra.xml", "venda.xml", "exportacao.xml", "cancelada.xml", "outro-mes.xml",
                             "fator.xml", "denegada.xml", "outra-empresa.xml", "malformado.xml", "dtd.xml"})
        writeFile(root + QStringLiteral("/marco/") + QLatin1String(name), readFixture(name));
    // The cancellation event sits in another folder: it still cancels.
    writeFile(root + QStringLiteral("/eventos/cancelamento.xml"), readFixture("cancelamento.xml"));
    writeZip(root + QStringLiteral("/lote.zip"),
             {{"lote/", QByteArray()}, {"lote/compra2.xml", otherPurchase()}, {"lote/danfe.pdf", "%PDF-1.4"}});
    return root;
}

void openMarch(test::TempStore &s)
{
    s.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('11222333000181', 'EMPRESA')"));
    s.exec(QStringLiteral("INSERT INTO Mes (CdCNPJEmpr, NrAno, NmMes) VALUES ('11222333000181', '2024', 'MAR')"));
    // The month's XI-A products give the concentrations.
    for (const char *p : {"'2806.10.20', 33", "'2807.00.10', 98", "'2801.20.10', 99.5"})
        s.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM, VlConcentracao) "
                              "VALUES ('11222333000181', '2024', 'MAR', %1)").arg(QLatin1String(p)));
}

QStringList rows(test::TempStore &s, const QString &select)
{
    QSqlDatabase db = s.db();
    QSqlQuery q(db);
    EXPECT_TRUE(q.exec(select)) << qPrintable(select);
    QStringList out;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.record().count(); ++i)
            cells.append(q.value(i).isNull() ? QStringLiteral("-") : q.value(i).toString());
        out.append(cells.join(QLatin1Char('|')));
    }
    return out;
}

const QString kSelectB = QStringLiteral(
    "SELECT NrDia, NrCFOP, CdNCM, NmProduto, VlConcentracao, VlQuantidade, NmUnidade, NrNF, CdFornecedor, "
    "CdTransportadora FROM Movimentacao ORDER BY NrNF, NrMovimentacao");
const QString kSelectC = QStringLiteral(
    "SELECT FlIE, NrLI, NrNF, CdTransportadora, NmImportador, CdPais, CdNCM, NmProduto, VlConcentracao, "
    "QtImportacao, DsUnidade FROM Importacao ORDER BY CdImportacao");

const nfe::UnitFactor kGallon{QStringLiteral("11444777000161"), QStringLiteral("HCL-GL"), QStringLiteral("GL"), 5.9,
                              QStringLiteral("Kg")};

} // namespace

TEST(NfeReader, RefusesWhatIsNoInvoiceAndBoundsWhatItReads)
{
    struct Case {
        const char *what;
        QByteArray bytes;
        nfe::Limits limits;
        QString message; // expected start of the error; empty: read
    };
    nfe::Limits small;
    small.maxFileBytes = 1000;
    nfe::Limits shallow;
    shallow.maxDepth = 5;
    const QByteArray deep = QByteArray("<NFe>") + QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000) + "</NFe>";
    const QString dtd = msg::kNfeComDtd;
    const QString malformed = msg::kNfeXmlInvalido.section(QLatin1Char('%'), 0, 0);
    const QByteArray compra = readFixture("compra.xml");
    const qsizetype inTag = compra.indexOf("<xProd>") + 3;
    const QByteArray prefixed = QByteArray(compra).replace("<nfeProc xmlns=", "<n:nfeProc xmlns:n=").replace("</nfeProc>", "</n:nfeProc>");
    const Case cases[] = {
        {"purchase", readFixture("compra.xml"), {}, QString()},
        {"cancellation event", readFixture("cancelamento.xml"), {}, QString()},
        {"document type declaration", readFixture("dtd.xml"), {}, dtd},
        {"internal entity", "<!DOCTYPE NFe [<!ENTITY a 'b'>]><NFe/>", {}, dtd},
        {"truncated", readFixture("malformado.xml"), {}, msg::kNfeXmlInvalido.section(QLatin1Char('%'), 0, 0)},
        {"another document", "<DATAPACKET Version=\"2.0\"/>", {}, msg::kNfeNaoEhNfe},
        {"no access key", "<NFe><infNFe Id=\"NFe123\"><ide><nNF>1</nNF><dhEmi>2024-03-01</dhEmi></ide></infNFe></NFe>", {},
         msg::kNfeSemChave},
        {"bad quantity",
         readFixture("compra.xml").replace("<qCom>500.0000</qCom>", "<qCom>5OO</qCom>"), {},
         msg::kNfeValorInvalido.arg(QStringLiteral("5OO"), QStringLiteral("qCom"))},
        {"too big", readFixture("compra.xml"), small, msg::kNfeGrandeDemais.arg(1000)},
        {"too deep for the limit", readFixture("compra.xml"), shallow, msg::kNfeFundoDemais.arg(5)},
        {"very deep", deep, {}, msg::kNfeFundoDemais.arg(48)},
        // Hostile or damaged files: refused, never read past their end.
        {"cut inside a tag", readFixture("compra.xml").left(inTag), {}, malformed},
        {"cut inside a reference", readFixture("compra.xml").replace("VENDA", "V&am").left(compra.indexOf("VENDA") + 4), {}, malformed},
        {"stray end of CDATA", readFixture("compra.xml").replace("VENDA", "VEN]]>DA"), {}, malformed},
        {"mismatched end tag", readFixture("compra.xml").replace("</ide>", "</idee>"), {}, malformed},
        {"undeclared prefix", readFixture("compra.xml").replace("<ide>", "<x:ide>").replace("</ide>", "</x:ide>"), {}, malformed},
        {"undeclared entity", readFixture("compra.xml").replace("VENDA", "&venda;"), {}, msg::kNfeEntidade},
        {"bytes that are not UTF-8", readFixture("compra.xml").replace("VENDA", "VEND\xC1" "A"), {}, malformed},
        {"control character", readFixture("compra.xml").replace("VENDA", "VEN\x01" "DA"), {}, malformed},
        {"repeated attribute", readFixture("compra.xml").replace("versao=\"4.00\">", "versao=\"4.00\" versao=\"4\">"), {}, malformed},
        {"unsupported encoding", readFixture("compra.xml").replace("UTF-8", "EBCDIC"), {}, malformed},
        {"text after the root", readFixture("compra.xml") + "x", {}, malformed},
        {"prefixed root", prefixed, {}, QString()},
        {"prefix of another namespace", QByteArray(prefixed).replace("xmlns:n=\"http://www.portalfiscal.inf.br/nfe\"", "xmlns:n=\"urn:x\""), {}, msg::kNfeNaoEhNfe},
    };
    for (const Case &c : cases) {
        Result<nfe::Document> d = nfe::parse(c.bytes, c.limits);
        if (c.message.isEmpty())
            EXPECT_TRUE(d.ok()) << c.what << ": " << qPrintable(d.message());
        else
            EXPECT_TRUE(!d.ok() && d.message().startsWith(c.message)) << c.what << ": " << qPrintable(d.message());
    }

    Result<nfe::Document> d = nfe::parse(readFixture("compra.xml"));
    ASSERT_TRUE(d.ok());
    ASSERT_EQ(d->invoices.size(), 1u);
    const nfe::Invoice &inv = d->invoices.front();
    EXPECT_EQ(inv.key, QStringLiteral("35240311444777000161550010000010011000010011"));
    EXPECT_EQ(inv.date(), QDate(2024, 3, 6)); // the exit date where present
    EXPECT_EQ(inv.status, 100);
    EXPECT_EQ(inv.carrier, QStringLiteral("45543915000181"));
    ASSERT_EQ(inv.items.size(), 2u);
    EXPECT_EQ(inv.items[0].ncm, QStringLiteral("28061020"));
    EXPECT_DOUBLE_EQ(inv.items[0].quantity, 500.0);

    // Text as XML reads it: references, CDATA, comments and line ends.
    Result<nfe::Document> text = nfe::parse(readFixture("compra.xml").replace(
        "<xProd>ACIDO CLORIDRICO 33%</xProd>", "<xProd>\r\n ACIDO &amp; <![CDATA[<BASE> &amp;]]>&#x41;<!-- x -->\r\nB\rC </xProd>"));
    ASSERT_TRUE(text.ok()) << qPrintable(text.message());
    EXPECT_EQ(text->invoices.front().items[0].description, QStringLiteral("ACIDO & <BASE> &amp;A\nB\nC"));
}

TEST(NfeImport, CompanySideCfop)
{
    const struct {
        const char *invoice;
        bool issued;
        const char *expected;
    } cases[] = {{"5.102", false, "1.102"}, {"6.102", false, "2.102"}, {"7.101", false, "3.101"},
                 {"1.202", false, "5.202"}, {"5.102", true, "5.102"},  {"", false, ""}};
    for (const auto &c : cases)
        EXPECT_EQ(nfe::companyCfop(QLatin1String(c.invoice), c.issued), QLatin1String(c.expected)) << c.invoice;
}

TEST(NfeImport, TheMonthsInvoicesBecomeAnnexRows)
{
    test::TempStore s;
    openMarch(s);
    QTemporaryDir dir;
    const QString in = inputFolder(dir);
    QSqlDatabase db = s.db();

    Result<nfe::Scan> scan = nfe::scan(db, kMarch, {in});
    ASSERT_TRUE(scan.ok()) << qPrintable(scan.message());

    // Every file or invoice left out is named with its reason.
    QStringList skipped;
    for (const nfe::Skipped &k : scan->skipped)
        skipped.append(QDir(in).relativeFilePath(k.file) + QStringLiteral(": ") + k.reason.left(40));
    skipped.sort();
    const QString xmlError = msg::kNfeXmlInvalido.arg(QStringLiteral("fim inesperado do arquivo")).left(40);
    EXPECT_EQ(skipped, (QStringList{
                           QStringLiteral("marco/cancelada.xml: ") + msg::kNfeCancelada.arg(QStringLiteral("4004")).left(40),
                           QStringLiteral("marco/denegada.xml: ") + msg::kNfeNaoAutorizada.arg(QStringLiteral("7007")).arg(302).left(40),
                           QStringLiteral("marco/dtd.xml: ") + msg::kNfeComDtd.left(40),
                           QStringLiteral("marco/malformado.xml: ") + xmlError,
                           QStringLiteral("marco/outra-empresa.xml: ") + msg::kNfeOutraEmpresa.arg(QStringLiteral("8008")).left(40),
                           QStringLiteral("marco/outro-mes.xml: ") + msg::kNfeForaDoPeriodo.arg(QStringLiteral("505"), QStringLiteral("28/02/2024")).left(40),
                       }));
    EXPECT_EQ(scan->outsidePeriod, 1);
    EXPECT_EQ(scan->uncontrolledItems, 2); // the drums of both purchases

    // The gallon has no known unit: quantity and unit wait for a factor, and
    // the import is refused with nothing stored.
    Result<nfe::StoreResult> refused = nfe::store(db, *scan, {});
    ASSERT_TRUE(refused.ok());
    EXPECT_TRUE(refused->refused);
    ASSERT_EQ(refused->incomplete.size(), 1u);
    const nfe::Candidate &gallon = scan->rows[refused->incomplete.front()];
    EXPECT_TRUE(gallon.needsFactor);
    EXPECT_EQ(gallon.number, QStringLiteral("6006"));
    EXPECT_EQ(nfe::Screen(db).firstMissing(gallon)->message,
              QStringLiteral("É necessário informar a quantidade do produto."));
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(*) FROM Movimentacao")).toInt(), 0);

    EXPECT_EQ(nfe::applyFactor(*scan, kGallon), 1);
    nfe::StoreOptions options;
    options.factors = {kGallon};
    Result<nfe::StoreResult> stored = nfe::store(db, *scan, options);
    ASSERT_TRUE(stored.ok()) << qPrintable(stored.message());
    EXPECT_FALSE(stored->refused);
    EXPECT_EQ(stored->rowsB, 5);
    EXPECT_EQ(stored->rowsC, 1);

    EXPECT_EQ(rows(s, kSelectB),
              (QStringList{
                  // purchase: the exit date's day, the supplier's 5.102 as 1.102, concentration of the XI-A product
                  QStringLiteral("06|1.102|2806.10.20|ÁCIDO CLORÍDRICO|33|500|Kg|1001|11444777000161|45543915000181"),
                  // the same purchase in the zip
                  QStringLiteral("06|1.102|2806.10.20|ÁCIDO CLORÍDRICO|33|500|Kg|1101|11444777000161|45543915000181"),
                  // sale with carrier: tonnes to kilograms; drums counted in litres by the tax unit
                  QStringLiteral("12|6.102|2807.00.10|ÁCIDO SULFÚRICO|98|2500|Kg|2002|33000167000101|45543915000181"),
                  QStringLiteral("12|6.102|2806.10.20|ÁCIDO CLORÍDRICO|33|200|litro|2002|33000167000101|45543915000181"),
                  // gallons through the factor; a carrier with a CPF
                  QStringLiteral("25|2.102|2806.10.20|ÁCIDO CLORÍDRICO|33|59|Kg|6006|11444777000161|12345678909"),
              }));
    // The foreign sale: an export with its registration and country.
    EXPECT_EQ(rows(s, kSelectC),
              (QStringList{QStringLiteral(
                  "E|240012345678|3003|45543915000181|QUIMICA DEL SUR SA|639|2801.20.10|IODO|99.5|25|Kg")}));
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(DISTINCT CdChave) FROM NFeImportada")).toInt(), 5);
    EXPECT_EQ(rows(s, QStringLiteral("SELECT CdEmitente, CdProdutoNF, SgUnidadeNF, VlFator, DsUnidade FROM FatorUnidade")),
              QStringList{QStringLiteral("11444777000161|HCL-GL|GL|5.9|Kg")});

    // The factor is remembered: the next reading needs none.
    Result<nfe::Scan> again = nfe::scan(db, kMarch, {fixture("fator.xml")});
    ASSERT_TRUE(again.ok());
    ASSERT_EQ(again->rows.size(), 1u);
    EXPECT_FALSE(again->rows.front().needsFactor);
    EXPECT_DOUBLE_EQ(again->rows.front().row.value(QStringLiteral("VlQuantidade")).toDouble(), 59.0);
    EXPECT_TRUE(again->rows.front().importedBefore);
}

TEST(NfeImport, CompletingLeavesOutOnlyTheIncompleteRows)
{
    test::TempStore s;
    openMarch(s);
    s.exec(QStringLiteral("DELETE FROM Produtos WHERE CdNCM = '2807.00.10'")); // no concentration for the acid
    QSqlDatabase db = s.db();
    Result<nfe::Scan> scan = nfe::scan(db, kMarch, {fixture("venda.xml"), fixture("compra.xml")});
    ASSERT_TRUE(scan.ok());
    nfe::StoreOptions options;
    options.completeOnly = true;
    Result<nfe::StoreResult> r = nfe::store(db, *scan, options);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->rowsB, 2);
    ASSERT_EQ(r->incomplete.size(), 1u);
    const nfe::Candidate &left = scan->rows[r->incomplete.front()];
    EXPECT_EQ(nfe::incompleteLine(left, nfe::Screen(db).firstMissing(left)->message),
              QStringLiteral("Anexo XI-B, NF 2002, item 1 (%1): É necessário informar o valor de concentração.")
                  .arg(QDir::toNativeSeparators(fixture("venda.xml"))));
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(*) FROM Movimentacao WHERE CdNCM = '2807.00.10'")).toInt(), 0);
}

TEST(NfeImport, WhatTheInvoiceDoesNotSayIsProposedFromTheParty)
{
    test::TempStore s;
    openMarch(s);
    s.exec(QStringLiteral("DELETE FROM Produtos"));
    // An earlier month's row with the supplier: its concentration of the
    // same product and its carrier.
    s.exec(QStringLiteral("INSERT INTO Mes (CdCNPJEmpr, NrAno, NmMes) VALUES ('11222333000181', '2024', 'JAN')"));
    s.exec(QStringLiteral("INSERT INTO Movimentacao (CdCNPJEmpr, NrAno, NmMes, NrDia, CdNCM, VlConcentracao, "
                          "CdFornecedor, CdTransportadora) VALUES ('11222333000181', '2024', 'JAN', '3', '2806.10.20', "
                          "31, '11444777000161', '99888777000166')"));
    QTemporaryDir dir;
    QByteArray noCarrier = readFixture("compra.xml");
    const qsizetype from = noCarrier.indexOf("<transporta>");
    noCarrier.remove(from, noCarrier.indexOf("</transporta>") + 13 - from);
    writeFile(dir.filePath(QStringLiteral("sem-transportadora.xml")), noCarrier);
    QSqlDatabase db = s.db();
    Result<nfe::Scan> scan = nfe::scan(db, kMarch, {dir.path()});
    ASSERT_TRUE(scan.ok());
    ASSERT_EQ(scan->rows.size(), 1u);
    const nfe::Candidate &c = scan->rows.front();
    EXPECT_EQ(c.row.value(QStringLiteral("VlConcentracao")).toDouble(), 31.0);
    EXPECT_EQ(c.row.value(QStringLiteral("CdTransportadora")).toString(), QStringLiteral("99888777000166"));
    EXPECT_EQ(c.proposed, (QStringList{QStringLiteral("VlConcentracao"), QStringLiteral("CdTransportadora")}));
}

TEST(NfeImport, ASecondImportReplacesOrSkipsNeverDoubles)
{
    test::TempStore s;
    openMarch(s);
    QSqlDatabase db = s.db();
    const QStringList in{fixture("venda.xml")};
    Result<nfe::Scan> first = nfe::scan(db, kMarch, in);
    ASSERT_TRUE(first.ok());
    EXPECT_TRUE(first->importedBefore.isEmpty());
    ASSERT_TRUE(nfe::store(db, *first, {}).ok());
    // A row typed by hand stays whatever happens to the invoice's rows.
    s.exec(QStringLiteral("INSERT INTO Movimentacao (CdCNPJEmpr, NrAno, NmMes, NrDia, NrNF) "
                          "VALUES ('11222333000181', '2024', 'MAR', '1', 'MANUAL')"));

    Result<nfe::Scan> second = nfe::scan(db, kMarch, in);
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(second->importedBefore, QStringList{QStringLiteral("35240311222333000181550010000020021000020021")});

    Result<nfe::StoreResult> skipped = nfe::store(db, *second, {});
    ASSERT_TRUE(skipped.ok());
    EXPECT_EQ(skipped->invoicesSkipped, 1);
    EXPECT_EQ(skipped->rowsB, 0);
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(*) FROM Movimentacao")).toInt(), 3);

    // Replacing: the earlier rows go (also after the user changed one), the new ones come.
    s.exec(QStringLiteral("UPDATE Movimentacao SET VlQuantidade = 1 WHERE NrNF = '2002'"));
    nfe::StoreOptions replace;
    replace.replace = true;
    Result<nfe::StoreResult> replaced = nfe::store(db, *second, replace);
    ASSERT_TRUE(replaced.ok());
    EXPECT_EQ(replaced->invoicesReplaced, 1);
    EXPECT_EQ(rows(s, QStringLiteral("SELECT NrNF, VlQuantidade FROM Movimentacao ORDER BY NrMovimentacao")),
              (QStringList{QStringLiteral("MANUAL|-"), QStringLiteral("2002|2500"), QStringLiteral("2002|200")}));
    EXPECT_EQ(rows(s, QStringLiteral("SELECT NrNF, CdParte, DsLinhas FROM NFeImportada")),
              QStringList{QStringLiteral("2002|33000167000101|B4 B5")});

    // Deleting the period forgets its invoices.
    s.exec(QStringLiteral("DELETE FROM Movimentacao"));
    ASSERT_TRUE(shell::deletePeriod(db, kMarch).ok());
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(*) FROM NFeImportada")).toInt(), 0);
}

TEST(NfeImport, AStoreFailureLeavesEveryTableAsItWas)
{
    test::TempStore s;
    openMarch(s);
    QSqlDatabase db = s.db();
    Result<nfe::Scan> scan = nfe::scan(db, kMarch, {fixture("venda.xml"), fixture("exportacao.xml")});
    ASSERT_TRUE(scan.ok());
    // The export's row cannot be written: the sale's rows written before it go too.
    s.refuse(QStringLiteral("no_exports"), QStringLiteral("insert"), QStringLiteral("Importacao"), QStringLiteral("x"));
    Result<nfe::StoreResult> r = nfe::store(db, *scan, {});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(*) FROM Movimentacao")).toInt(), 0);
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(*) FROM NFeImportada")).toInt(), 0);
}

TEST(NfeImport, AMissingPeriodIsRefused)
{
    test::TempStore s;
    QSqlDatabase db = s.db();
    Result<nfe::Scan> scan = nfe::scan(db, kMarch, {fixture("venda.xml")});
    ASSERT_FALSE(scan.ok());
    EXPECT_EQ(scan.error().code, 1);
    EXPECT_EQ(scan.message(), msg::kNfeSemPeriodo.arg(kCompany, QStringLiteral("MAR"), QStringLiteral("2024")));
}

// Values an invoice carries but no clerk could type: each leaves its row
// incomplete with the reason, the import refuses, and nothing is stored
// (nor, when completing, that row).
TEST(NfeImport, InvoiceValuesPassTheChecksOfTypedOnes)
{
    struct Case {
        const char *what;
        QByteArray from, to;
        QString reason;
    };
    const Case cases[] = {
        {"25-digit number", "<nNF>1001</nNF>", "<nNF>1234567890123456789012345</nNF>", msg::kNfeNumeroInvalido},
        {"number of text", "<nNF>1001</nNF>", "<nNF>ABC</nNF>", msg::kNfeNumeroInvalido},
        {"issuer's check digits", "<CNPJ>11444777000161</CNPJ>", "<CNPJ>11444777000162</CNPJ>",
         msg::kNfeFornecedorInvalido},
        {"carrier's check digits", "<CNPJ>45543915000181</CNPJ>", "<CNPJ>45543915000182</CNPJ>",
         msg::kNfeTransportadoraInvalida},
        {"negative quantity", "<qCom>500.0000</qCom>", "<qCom>-10</qCom>", msg::kNfeQuantidadeInvalida},
        {"zero quantity", "<qCom>500.0000</qCom>", "<qCom>0</qCom>", msg::kNfeQuantidadeInvalida},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        test::TempStore s;
        openMarch(s);
        QTemporaryDir dir;
        QByteArray bytes = readFixture("compra.xml");
        ASSERT_TRUE(bytes.contains(c.from));
        bytes.replace(c.from, c.to);
        const QString file = dir.filePath(QStringLiteral("hostil.xml"));
        writeFile(file, bytes);
        QSqlDatabase db = s.db();
        Result<nfe::Scan> scan = nfe::scan(db, kMarch, {file});
        ASSERT_TRUE(scan.ok());
        ASSERT_EQ(scan->rows.size(), 1u) << qPrintable(scan->skipped.empty() ? QString() : scan->skipped.front().line());
        const entry::RequiredCheck *why = nfe::Screen(db).firstMissing(scan->rows.front());
        ASSERT_NE(why, nullptr);
        EXPECT_EQ(why->message, c.reason);
        Result<nfe::StoreResult> r = nfe::store(db, *scan, {});
        ASSERT_TRUE(r.ok());
        EXPECT_TRUE(r->refused);
        EXPECT_EQ(r->incomplete.size(), 1u);
        nfe::StoreOptions completing;
        completing.completeOnly = true;
        r = nfe::store(db, *scan, completing);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(r->rowsB, 0);
        EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(*) FROM Movimentacao")).toInt(), 0);
    }

    // A concentration out of range proposed from the party's earlier row is
    // caught the same way; so is a day the period's month does not have.
    test::TempStore store;
    const nfe::Screen screen(store.db());
    QVariantMap row{{QStringLiteral("NrDia"), QStringLiteral("30")}, {QStringLiteral("NrAno"), QStringLiteral("2024")},
                    {QStringLiteral("NmMes"), QStringLiteral("FEV")}, {QStringLiteral("NrCFOP"), QStringLiteral("1.102")},
                    {QStringLiteral("CdNCM"), QStringLiteral("2806.10.20")}, {QStringLiteral("NmProduto"), QStringLiteral("X")},
                    {QStringLiteral("VlConcentracao"), 33.0}, {QStringLiteral("VlQuantidade"), 1.0},
                    {QStringLiteral("NmUnidade"), QStringLiteral("Kg")}, {QStringLiteral("NrNF"), QStringLiteral("12")},
                    {QStringLiteral("CdFornecedor"), QStringLiteral("11444777000161")},
                    {QStringLiteral("CdTransportadora"), QStringLiteral("45543915000181")}};
    const auto reason = [&](const QVariantMap &r) {
        const entry::RequiredCheck *c = screen.firstMissing(QLatin1Char('B'), r);
        return c ? c->message : QString();
    };
    const QString day = reason(row);
    EXPECT_TRUE(day.startsWith(QStringLiteral("O dia digitado é inválido"))) << qPrintable(day);
    row[QStringLiteral("NrDia")] = QStringLiteral("29");
    EXPECT_EQ(reason(row), QString());
    row[QStringLiteral("VlConcentracao")] = 100.5;
    EXPECT_EQ(reason(row), msg::kNfeConcentracaoInvalida);
}
