#include "ExchangeFixture.h"
#include "exchange/Messages.h"
#include "exchange/PacketBuilder.h"
#include "exchange/PacketReader.h"
#include "exchange/PacketWriter.h"

#include <QBuffer>
#include <cmath>
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::exchange;

namespace {

QByteArray smallPacket()
{
    test::TempStore store(QStringLiteral("reader"));
    test::fillSmallPeriod(store);
    QSqlDatabase db = store.db();
    Result<QByteArray> bytes = buildPacketBytes(db, test::kSmallPeriod);
    EXPECT_TRUE(bytes.ok()) << qPrintable(bytes.message());
    return bytes.ok() ? *bytes : QByteArray();
}

} // namespace

TEST(PacketReader, ReadsBackExactlyWhatTheWriterWrote)
{
    const QByteArray bytes = smallPacket();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    Result<PacketRow> packet = readPacket(buffer);
    ASSERT_OK(packet);
    Result<QByteArray> again = packetBytes(*packet);
    ASSERT_OK(again);
    EXPECT_EQ(*again, bytes);

    const Level &root = packetRoot();
    EXPECT_EQ(fieldValue(root, *packet, QStringLiteral("NmRazao")).toString(),
              QStringLiteral("Química & Filhos <Ltda> \"Sul\""));
    EXPECT_EQ(fieldValue(root, *packet, QStringLiteral("DsInformacoes")).toString(), QStringLiteral("Linha 1\r\nLinha 2"));
    EXPECT_EQ(fieldValue(root, *packet, QStringLiteral("FlGrupoVII")), QVariant(true));
    EXPECT_TRUE(fieldValue(root, *packet, QStringLiteral("FlGrupoIX")).isNull());
}

TEST(PacketReader, AcceptsTheSameFormWithBlanksCommentsAndUtf8)
{
    QByteArray bytes = smallPacket();
    bytes.replace("<ROWDATA>", "\r\n<!-- comentário -->\r\n  <ROWDATA>\n");
    bytes.replace("<?xml version=\"1.0\" standalone=\"yes\"?>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    bytes = QString::fromLatin1(bytes).toUtf8(); // every byte of the packet is Latin-1 here
    Result<PacketRow> packet = readPacket(bytes);
    ASSERT_OK(packet);
    EXPECT_EQ(fieldValue(packetRoot(), *packet, QStringLiteral("NmResponsavel")).toString(), QStringLiteral("João Ñandú"));
}

TEST(PacketReader, ReadsValuesAsXmlDefinesThem)
{
    // Quotes of either kind, references, and line ends and tabs written
    // bare in a value, which XML reads as blanks (CR LF as one).
    QByteArray bytes = smallPacket();
    bytes.replace("NmEmail=\"a@b.com\"", "NmEmail='a\"b&#x41;&#66;\r\nc\td\re'");
    Result<PacketRow> packet = readPacket(bytes);
    ASSERT_OK(packet);
    EXPECT_EQ(fieldValue(packetRoot(), *packet, QStringLiteral("NmEmail")).toString(), QStringLiteral("a\"bAB c d e"));
}

// A number attribute is read only in the packet's own form: decimal with a
// point. A comma, as a thousands or a decimal separator, refuses the file.
TEST(PacketReader, NumbersOnlyInThePacketsOwnForm)
{
    const QByteArray good = smallPacket();
    const Level &residuo = *packetLevel(QStringLiteral("tblResiduo"));
    struct Case {
        const char *text;
        double value; // NaN: refused
    };
    const double no = std::nan("");
    const Case numbers[] = {
        {"1500", 1500}, {"-0.25", -0.25}, {"12.", 12}, {".5", 0.5}, {"1E-5", 1e-5}, {"+3", 3},
        {"1,500", no}, {"12,345,678", no}, {"1,5", no}, {"1.500,00", no}, {"1 500", no}, {"0x10", no},
        {"1e", no}, {"--1", no}, {"inf", no}, {"nan", no}, {"1e999", no}, {".", no},
    };
    for (const Case &c : numbers) {
        SCOPED_TRACE(c.text);
        const QByteArray bytes = QByteArray(good).replace("QtResiduo=\"200\"", QByteArray("QtResiduo=\"" + QByteArray(c.text) + "\""));
        Result<PacketRow> r = readPacket(bytes);
        if (std::isnan(c.value)) {
            ASSERT_FALSE(r.ok());
            EXPECT_TRUE(r.message().contains(QStringLiteral("QtResiduo"))) << qPrintable(r.message());
            continue;
        }
        ASSERT_OK(r);
        const PacketRow &row = r->nested[0][0].nested[static_cast<size_t>(
            packetLevel(QStringLiteral("qryMes"))->nestedIndex(residuo.name))][0];
        EXPECT_DOUBLE_EQ(fieldValue(residuo, row, QStringLiteral("QtResiduo")).toDouble(), c.value);
    }
    for (const char *text : {"1,500", "23.0", "2e3", "99999999999"}) {
        SCOPED_TRACE(text);
        Result<PacketRow> r = readPacket(QByteArray(good).replace("CdPais=\"23\"", QByteArray("CdPais=\"" + QByteArray(text) + "\"")));
        ASSERT_FALSE(r.ok());
        EXPECT_TRUE(r.message().contains(QStringLiteral("CdPais"))) << qPrintable(r.message());
    }
}

// A file that says it is UTF-8 must be UTF-8: Windows-1252 bytes in it are
// refused with their position, not read as replacement characters.
TEST(PacketReader, Utf8FileWithWindows1252BytesIsRefusedAtThePosition)
{
    QByteArray bytes = smallPacket(); // Windows-1252: "Química" holds 0xED
    bytes.replace("<?xml version=\"1.0\" standalone=\"yes\"?>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    qsizetype first = 0;
    while (static_cast<unsigned char>(bytes.at(first)) < 0x80)
        ++first;
    Result<PacketRow> r = readPacket(bytes);
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.message().contains(msg::kPacoteNaoUtf8.arg(first + 1))) << qPrintable(r.message());

    // The same file with a mark instead of the declaration, and a sequence
    // cut by the end of the file.
    const QByteArray withMark = "\xEF\xBB\xBF" + smallPacket();
    Result<PacketRow> marked = readPacket(withMark);
    ASSERT_FALSE(marked.ok());
    EXPECT_TRUE(marked.message().contains(msg::kPacoteNaoUtf8.arg(withMark.indexOf("\xED") + 1))) << qPrintable(marked.message());
    const QByteArray utf8 = QString::fromLatin1(bytes).toUtf8();
    Result<PacketRow> cut = readPacket(utf8 + "\xC3");
    ASSERT_FALSE(cut.ok());
    EXPECT_TRUE(cut.message().contains(msg::kPacoteNaoUtf8.arg(utf8.size() + 1))) << qPrintable(cut.message());
}

// The file is read in pieces: a character cut by the end of a piece, and a
// file that declares another code page, read as they stand.
TEST(PacketReader, PiecesAndDeclaredCodePages)
{
    QByteArray utf8 = QString::fromLatin1(smallPacket()).toUtf8();
    utf8.replace("<?xml version=\"1.0\" standalone=\"yes\"?>", "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
    const QByteArray marker = "DsInformacoes=\"";
    const qsizetype valueAt = utf8.indexOf(marker) + marker.size();
    const qsizetype padding = 65535 - valueAt; // "é" starts one byte before the end of the first piece
    ASSERT_GT(padding, 0);
    utf8.insert(valueAt, QByteArray(padding, 'x') + "\xC3\xA9\xE2\x82\xAC");
    Result<PacketRow> packet = readPacket(utf8);
    ASSERT_OK(packet);
    EXPECT_EQ(fieldValue(packetRoot(), *packet, QStringLiteral("DsInformacoes")).toString(),
              QString(padding, QLatin1Char('x')) + QStringLiteral("é€Linha 1\r\nLinha 2"));

    QByteArray latin = smallPacket();
    latin.replace("<?xml version=\"1.0\" standalone=\"yes\"?>", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");
    Result<PacketRow> declared = readPacket(latin);
    ASSERT_OK(declared);
    EXPECT_EQ(fieldValue(packetRoot(), *declared, QStringLiteral("NmResponsavel")).toString(), QStringLiteral("João Ñandú"));
}

TEST(PacketReader, RefusesDamagedAndHostileFiles)
{
    const QByteArray good = smallPacket();
    const QByteArray head = good.left(good.indexOf("<ROWDATA>"));
    const QByteArray companyStart = "<ROWDATA><ROW CdCNPJEmpr=\"11222333000181\"";
    struct Case {
        const char *name;
        QByteArray bytes;
        QString says;       // part of the message
        ReadLimits limits;
    };
    ReadLimits fewRows;
    fewRows.maxRows = 5;
    const Case cases[] = {
        {"declaration file", *declarationBytes(good), msg::kPacoteSemDeclaracoes, {}},
        {"empty", QByteArray(), QString(), {}},
        {"another document", "<?xml version=\"1.0\"?><html><body>x</body></html>", QStringLiteral("DATAPACKET"), {}},
        {"truncated", good.left(good.size() / 2), QString(), {}},
        {"truncated in metadata", good.left(300), QString(), {}},
        {"garbage", QByteArray("\x00\x01\xFF\xFE garbage", 13), QString(), {}},
        {"deep nesting", "<DATAPACKET Version=\"2.0\"><METADATA><PARAMS>" + QByteArray("<p>").repeated(100000),
         QStringLiteral("níveis"), {}},
        {"nesting of row sets", head + companyStart + ">" + QByteArray("<qryMes>").repeated(1000), QStringLiteral("qryMes"), {}},
        {"deep metadata", "<DATAPACKET><METADATA>" + QByteArray("<FIELDS><FIELD attrname=\"x\" fieldtype=\"nested\">").repeated(50000),
         QStringLiteral("níveis"), {}},
        {"huge attribute", head + "<ROWDATA><ROW NmRazao=\"" + QByteArray(200000, 'x') + "\"/></ROWDATA></DATAPACKET>",
         QStringLiteral("caracteres por atributo"), {}},
        {"entity expansion", "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
                             "<DATAPACKET>&b;</DATAPACKET>", QStringLiteral("tipo de documento"), {}},
        {"external entity", "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                            "<DATAPACKET>&x;</DATAPACKET>", QStringLiteral("tipo de documento"), {}},
        {"bad flag", QByteArray(good).replace("FlGrupoI=\"TRUE\"", "FlGrupoI=\"SIM\""), QStringLiteral("FlGrupoI"), {}},
        {"bad integer", QByteArray(good).replace("CdPais=\"23\"", "CdPais=\"23x\""), QStringLiteral("CdPais"), {}},
        {"bad number", QByteArray(good).replace("QtResiduo=\"200\"", "QtResiduo=\"1,5\""), QStringLiteral("QtResiduo"), {}},
        {"two companies", QByteArray(good).replace("</ROW></ROWDATA>", "</ROW><ROW CdCNPJEmpr=\"1\"/></ROWDATA>"),
         QStringLiteral("mais de uma empresa"), {}},
        {"no month", head + companyStart + "/></ROWDATA></DATAPACKET>", msg::kPacoteSemEmpresa, {}},
        {"undeclared data set", QByteArray(good).replace("<tblIsolado>", "<tblOutro/><tblIsolado>"),
         QStringLiteral("tblOutro"), {}},
        {"wrong row element", QByteArray(good).replace("<ROWtblIsolado ", "<ROWtblResiduo "), QStringLiteral("ROWtblResiduo"), {}},
        {"trailing element", good + "<DATAPACKET/>", QString(), {}},
        {"trailing piece of a tag", good + "\r\n<DATA", QStringLiteral("depois do fim"), {}},
        {"trailing text", good + "x", QStringLiteral("texto"), {}},
        {"too many rows", good, QStringLiteral("5 linhas"), fewRows},
        // Not well-formed XML.
        {"end tag of another element", QByteArray(good).replace("</qryMes>", "</tblOutro>"), QStringLiteral("</tblOutro>"), {}},
        {"value without quotes", QByteArray(good).replace("NrAno=\"2003\"", "NrAno=2003"), QStringLiteral("aspas"), {}},
        {"< in a value", QByteArray(good).replace("NmResponsavel=\"", "NmResponsavel=\"<"), QStringLiteral("\"<\""), {}},
        {"undeclared entity", QByteArray(good).replace("&amp;", "&nbsp;"), QStringLiteral("entidade"), {}},
        {"bare ampersand", QByteArray(good).replace("&amp;", "& "), QStringLiteral("referência"), {}},
        {"reference to NUL", QByteArray(good).replace("&#13;", "&#0;"), QStringLiteral("caractere"), {}},
        {"control byte", QByteArray(good).replace("Linha 2", "Linha\x01"), QStringLiteral("caractere"), {}},
        {"repeated attribute", QByteArray(good).replace("NrAno=\"2003\"", "NrAno=\"2003\" NrAno=\"2004\""),
         QStringLiteral("repetido"), {}},
        {"attributes without a blank", QByteArray(good).replace("\" NrAno=", "\"NrAno="), QStringLiteral("espaço"), {}},
        {"-- in a comment", QByteArray(good).replace("<ROWDATA>", "<!-- a -- b --><ROWDATA>"), QStringLiteral("--"), {}},
        {"declaration not first", " " + good, QStringLiteral("declaração XML"), {}},
        {"text in CDATA", QByteArray(good).replace("<ROWDATA>", "<![CDATA[x]]><ROWDATA>"), QStringLiteral("texto"), {}},
        {"cut inside a tag", good.left(good.indexOf("<ROWtblIsolado") + 10), QStringLiteral("fim inesperado"), {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Result<PacketRow> r = readPacket(c.bytes, c.limits);
        ASSERT_FALSE(r.ok());
        EXPECT_FALSE(r.message().isEmpty());
        if (!c.says.isEmpty()) {
            EXPECT_TRUE(r.message().contains(c.says)) << qPrintable(r.message());
        }
    }
}
