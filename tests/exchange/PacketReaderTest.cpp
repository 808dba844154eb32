#include "ExchangeFixture.h"
#include "exchange/Messages.h"
#include "exchange/PacketBuilder.h"
#include "exchange/PacketReader.h"
#include "exchange/PacketWriter.h"

#include <QBuffer>
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
        {"too many rows", good, QStringLiteral("5 linhas"), fewRows},
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
