// quirels-cli importar-nfe end to end: refused while a row is incomplete,
// imported with --completar, and a second run that replaces (--sim) instead
// of doubling.

#include "exchange/Messages.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;
namespace msg = quirels::exchange::msg;

namespace {

QString query(const QString &folder, const QString &statement)
{
    QString out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("nfe-cli"));
        db.setDatabaseName(folder + QStringLiteral("/quirels.db"));
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(statement)) << qPrintable(statement);
        out = q.next() ? q.value(0).toString() : QString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("nfe-cli"));
    return out;
}

QString fixture(const char *name) { return QStringLiteral(QUIRELS_NFE_FIXTURES "/") + QLatin1String(name); }

} // namespace

TEST(NfeCli, RefusesIncompleteRowsOrLeavesThemOut)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("dados"));
    const QStringList base{QStringLiteral("--dados"), data};
    ASSERT_EQ(test::runCli(base + QStringList{QStringLiteral("inicializar")}).exitCode, 0);
    query(data, QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('11222333000181', 'E')"));
    query(data, QStringLiteral("INSERT INTO Mes VALUES ('11222333000181', '2024', 'MAR')"));
    query(data, QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM, VlConcentracao) "
                               "VALUES ('11222333000181', '2024', 'MAR', '2806.10.20', 33)"));
    const QStringList cmd = base + QStringList{QStringLiteral("importar-nfe"), QStringLiteral("11.222.333/0001-81"),
                                               QStringLiteral("2024"), QStringLiteral("mar"),
                                               fixture("compra.xml"), fixture("fator.xml"), fixture("outro-mes.xml")};

    // The gallons have no factor: nothing is stored.
    test::ProcessResult r = test::runCli(cmd);
    EXPECT_EQ(r.exitCode, 1) << qPrintable(r.err);
    const QString gallon = QStringLiteral("Anexo XI-B, NF 6006, item 1 (%1): ").arg(QDir::toNativeSeparators(fixture("fator.xml"))) +
                           msg::kNfeSemFator.arg(QStringLiteral("GL"), QStringLiteral("HCL-GL"),
                                                 QStringLiteral("ACIDO CLORIDRICO GALAO 5L"));
    EXPECT_EQ(r.err, msg::kNfeIncompletas.arg(1) + QLatin1Char('\n') + gallon + QLatin1Char('\n'));
    EXPECT_TRUE(r.out.contains(msg::kNfeTotalForaDoPeriodo.arg(1))) << qPrintable(r.out);
    EXPECT_EQ(query(data, QStringLiteral("SELECT count(*) FROM Movimentacao")), QStringLiteral("0"));

    // --completar: the purchase goes in, the gallons are listed.
    r = test::runCli(cmd + QStringList{QStringLiteral("--completar")});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_TRUE(r.out.contains(gallon)) << qPrintable(r.out);
    EXPECT_TRUE(r.out.endsWith(msg::kNfeImportadas.arg(1).arg(0) + QLatin1Char('\n'))) << qPrintable(r.out);
    EXPECT_EQ(query(data, QStringLiteral("SELECT count(*) FROM Movimentacao")), QStringLiteral("1"));

    // Again with --sim: the purchase imported before is replaced, not doubled.
    r = test::runCli(QStringList{QStringLiteral("--sim")} + cmd + QStringList{QStringLiteral("--completar")});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_TRUE(r.out.contains(msg::kNfeJaImportadas.arg(1).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))))
        << qPrintable(r.out);
    EXPECT_EQ(query(data, QStringLiteral("SELECT count(*) FROM Movimentacao")), QStringLiteral("1"));

    // Bad usage.
    EXPECT_EQ(test::runCli(base + QStringList{QStringLiteral("importar-nfe"), QStringLiteral("1"), QStringLiteral("2024"),
                                              QStringLiteral("MAR"), fixture("compra.xml")})
                  .exitCode,
              2);
}

// A hostile invoice is listed with its reason and refused; a batch whose
// every file is refused (no protocol, another namespace, a cut zip) is no
// success; none of it reaches the annexes, and no English text is shown.
TEST(NfeCli, HostileInvoicesAreListedAndNothingIsStored)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("dados"));
    const QStringList base{QStringLiteral("--dados"), data};
    ASSERT_EQ(test::runCli(base + QStringList{QStringLiteral("inicializar")}).exitCode, 0);
    query(data, QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('11222333000181', 'E')"));
    query(data, QStringLiteral("INSERT INTO Mes VALUES ('11222333000181', '2024', 'MAR')"));
    query(data, QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM, VlConcentracao) "
                               "VALUES ('11222333000181', '2024', 'MAR', '2806.10.20', 33)"));
    QFile in(fixture("compra.xml"));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray purchase = in.readAll();
    const auto write = [&](const char *name, const QByteArray &bytes) {
        const QString p = dir.filePath(QLatin1String(name));
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return p;
    };
    const QString longNumber =
        write("longa.xml", QByteArray(purchase).replace("<nNF>1001</nNF>", "<nNF>1234567890123456789012345</nNF>"));
    const QStringList cmd = base + QStringList{QStringLiteral("importar-nfe"), QStringLiteral("11222333000181"),
                                               QStringLiteral("2024"), QStringLiteral("MAR")};
    test::ProcessResult r = test::runCli(cmd + QStringList{longNumber});
    EXPECT_EQ(r.exitCode, 1) << qPrintable(r.err);
    EXPECT_TRUE(r.err.contains(msg::kNfeNumeroInvalido)) << qPrintable(r.err);
    r = test::runCli(cmd + QStringList{longNumber, QStringLiteral("--completar")});
    EXPECT_TRUE(r.out.contains(msg::kNfeNumeroInvalido)) << qPrintable(r.out);
    EXPECT_EQ(query(data, QStringLiteral("SELECT count(*) FROM Movimentacao")), QStringLiteral("0"));

    QByteArray bare = purchase;
    bare.replace(bare.indexOf("<protNFe"), bare.indexOf("</protNFe>") + 10 - bare.indexOf("<protNFe"), "");
    const QString unsigned_ = write("sem-protocolo.xml", bare);
    const QString foreign = write("outro-ns.xml", QByteArray(purchase).replace("http://www.portalfiscal.inf.br/nfe",
                                                                               "http://exemplo.com/nfe"));
    const QString cut = write("cortado.zip", QByteArray("PK\x03\x04", 4) + QByteArray(100, 'x'));
    r = test::runCli(cmd + QStringList{unsigned_, foreign, cut});
    EXPECT_EQ(r.exitCode, 1) << qPrintable(r.out + r.err);
    EXPECT_TRUE(r.out.contains(msg::kNfeSemProtocolo.arg(QStringLiteral("1001")))) << qPrintable(r.out);
    EXPECT_TRUE(r.out.contains(QDir::toNativeSeparators(foreign) + QStringLiteral(": ") + msg::kNfeNaoEhNfe))
        << qPrintable(r.out);
    EXPECT_TRUE(r.out.contains(msg::kNfeZipInvalido.section(QLatin1Char('%'), 0, 0))) << qPrintable(r.out);
    EXPECT_TRUE(r.err.contains(msg::kNfeNenhumaLinha)) << qPrintable(r.err);
    for (const char *english : {"Not a zip", "Zip archive", "error", "Error"})
        EXPECT_FALSE(QString(r.out + r.err).contains(QLatin1String(english))) << english;
    EXPECT_EQ(query(data, QStringLiteral("SELECT count(*) FROM Movimentacao")), QStringLiteral("0"));
}
