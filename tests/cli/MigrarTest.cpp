// quirels-cli migrar --para-servidor: a filled data folder moves onto an
// empty server database whole, and its numbering goes on there.

#include "exchange/ExchangeFixture.h"
#include "support/TestServer.h"
#include "support/TestSupport.h"

#include "store/Messages.h"

#include <QFile>
#include <QMap>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;

namespace {

// The "Tabela<TAB>Pasta<TAB>Servidor" lines of the report, by table.
QMap<QString, QPair<qint64, qint64>> reportedCounts(const QString &out)
{
    QMap<QString, QPair<qint64, qint64>> counts;
    for (const QString &line : out.split(QLatin1Char('\n'))) {
        const QStringList cells = line.trimmed().split(QLatin1Char('\t'));
        bool a = false;
        bool b = false;
        if (cells.size() == 3) {
            const qint64 source = cells[1].toLongLong(&a);
            const qint64 target = cells[2].toLongLong(&b);
            if (a && b)
                counts.insert(cells[0], {source, target});
        }
    }
    return counts;
}

QStringList migrar(const QString &folder, const QString &url)
{
    return {QStringLiteral("--dados"), folder, QStringLiteral("migrar"), QStringLiteral("--para-servidor"), url};
}

} // namespace

// The source is a data folder's SQLite file: on the server run of this
// suite there is none to move.
TEST(CliMigrar, CopiesEveryRowAndTheNumberingGoesOn)
{
    QUIRELS_SQLITE_ONLY();
    QUIRELS_REQUIRE_SERVER();
    test::ServerDatabase server;
    ASSERT_TRUE(server.valid()) << qPrintable(server.error());
    test::TempStore store(QStringLiteral("migracao"));
    test::fillSmallPeriod(store);
    // The product numbered 8 is gone: its number is never given again.
    store.exec(QStringLiteral("DELETE FROM Produtos WHERE CdProduto = 8"));
    // A day kept as one digit by an older layout arrives in two.
    store.exec(QStringLiteral("UPDATE Movimentacao SET NrDia = '2' WHERE NrDia = '02'"));
    const qint64 localProducts = store.scalar(QStringLiteral("SELECT count(*) FROM Produtos")).toLongLong();

    const test::ProcessResult r = test::runCli(migrar(store.folder(), server.url()));
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err + r.out);
    EXPECT_TRUE(r.out.contains(store::msg::kMigracaoCabecalho)) << qPrintable(r.out);
    const auto counts = reportedCounts(r.out);
    for (const QString &table : {QStringLiteral("Empresa"), QStringLiteral("Mes"), QStringLiteral("Produtos"),
                                 QStringLiteral("Movimentacao"), QStringLiteral("SubstanciaPresente"),
                                 QStringLiteral("Cnae"), QStringLiteral("Paises"), QStringLiteral("CFOP")}) {
        ASSERT_TRUE(counts.contains(table)) << qPrintable(table + QLatin1Char(' ') + r.out);
        const qint64 local = store.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong();
        EXPECT_EQ(counts[table].first, local) << qPrintable(table);
        EXPECT_EQ(counts[table].second, local) << qPrintable(table);
        EXPECT_EQ(server.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong(), local)
            << qPrintable(table);
    }
    EXPECT_GT(counts.value(QStringLiteral("Cnae")).first, 1000);
    EXPECT_EQ(counts.value(QStringLiteral("Produtos")).second, localProducts);
    // Texts with accents, quotes and line breaks arrive as they were.
    EXPECT_EQ(server.scalar(QStringLiteral("SELECT NmRazao FROM Empresa")).toString(),
              store.scalar(QStringLiteral("SELECT NmRazao FROM Empresa")).toString());
    EXPECT_EQ(server.scalar(QStringLiteral("SELECT DsInformacoes FROM Empresa")).toString(),
              QStringLiteral("Linha 1\r\nLinha 2"));
    EXPECT_EQ(server.scalar(QStringLiteral("SELECT QtEstoqueAtual FROM Produtos WHERE CdProduto = 7")).toDouble(),
              1609.75);
    EXPECT_EQ(server.scalar(QStringLiteral("SELECT count(*) FROM Movimentacao WHERE NrDia = '02'")).toInt(), 1);
    // A new product on the server takes the number after the highest ever given.
    EXPECT_EQ(server
                  .scalar(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, NmProduto) "
                                         "VALUES ('11222333000181', '2003', 'MAR', 'NOVO') RETURNING CdProduto"))
                  .toInt(),
              9);
}

TEST(CliMigrar, RefusesADatabaseThatHoldsTablesAndABadAddress)
{
    QUIRELS_SQLITE_ONLY();
    QUIRELS_REQUIRE_SERVER();
    test::ServerDatabase server;
    ASSERT_TRUE(server.valid()) << qPrintable(server.error());
    test::TempStore store(QStringLiteral("migracao"));
    test::addSmallCompany(store);
    ASSERT_TRUE(server.exec(QStringLiteral("CREATE TABLE Empresa (x int); INSERT INTO Empresa VALUES (1)")));

    test::ProcessResult r = test::runCli(migrar(store.folder(), server.url()));
    EXPECT_EQ(r.exitCode, 1) << qPrintable(r.err + r.out);
    EXPECT_TRUE(r.err.contains(store::msg::kMigracaoDestinoNaoVazio.arg(server.url()))) << qPrintable(r.err);
    EXPECT_EQ(server.scalar(QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = 'public'")).toInt(), 1);
    EXPECT_EQ(server.scalar(QStringLiteral("SELECT count(*) FROM Empresa")).toInt(), 1);

    for (const QString &bad : {QStringLiteral("postgresql://u@:5432/banco"), QStringLiteral("http://u@h:1/b"),
                               QStringLiteral("postgresql://u:segredo@h:1/b"), QStringLiteral("postgresql://u@h:1/")}) {
        r = test::runCli(migrar(store.folder(), bad));
        EXPECT_EQ(r.exitCode, 2) << qPrintable(bad);
        EXPECT_FALSE(r.err.trimmed().isEmpty());
    }
}

// A server that asks for a password: the command line takes it from the
// standard password file (or PGPASSWORD), never from its arguments; without
// it the refusal is told in Portuguese and nothing is done.
TEST(CliMigrar, ServerPasswordComesFromThePasswordFile)
{
    QUIRELS_SQLITE_ONLY();
    QUIRELS_REQUIRE_SERVER();
    test::ServerDatabase server;
    ASSERT_TRUE(server.valid()) << qPrintable(server.error());
    const QString password = QStringLiteral("s3nha:do\\servidor");
    store::ServerUrl url = server.address();
    url.user = server.passwordUser(password);
    ASSERT_FALSE(url.user.isEmpty());
    test::TempStore store(QStringLiteral("migracao"));
    test::addSmallCompany(store);

    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("PGPASSWORD"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("PGPASSFILE"), home.filePath(QStringLiteral("senhas")));
    test::ProcessResult r = test::runCli(migrar(store.folder(), url.toString()), {}, env);
    EXPECT_EQ(r.exitCode, 2) << qPrintable(r.err + r.out);
    EXPECT_TRUE(r.err.contains(store::msg::kServidorSenha.section(QStringLiteral("%1"), 1).trimmed())) << qPrintable(r.err);
    EXPECT_FALSE(r.err.contains(QStringLiteral("password"))) << qPrintable(r.err);
    EXPECT_EQ(server.scalar(QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = 'public'")).toInt(), 0);

    // The file's fields escape ':' and '\' with a backslash.
    QFile passFile(home.filePath(QStringLiteral("senhas")));
    ASSERT_TRUE(passFile.open(QIODevice::WriteOnly));
    passFile.write(QStringLiteral("%1:%2:%3:%4:s3nha\\:do\\\\servidor\n")
                       .arg(url.host).arg(url.port).arg(url.database, url.user).toUtf8());
    passFile.close();
    passFile.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    r = test::runCli(migrar(store.folder(), url.toString()), {}, env);
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err + r.out);
    EXPECT_EQ(server.scalar(QStringLiteral("SELECT count(*) FROM Empresa")).toInt(), 1);
}
