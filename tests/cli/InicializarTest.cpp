#include "support/TestSupport.h"
#include "base/Settings.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;

TEST(CliInicializar, CreatesTheDataFolderAndIsIdempotent)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("X"));
    test::ProcessResult r = test::runCli({QStringLiteral("--dados"), data, QStringLiteral("inicializar")});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    ASSERT_TRUE(QFile::exists(data + QStringLiteral("/quirels.db")));
    r = test::runCli({QStringLiteral("--dados"), data, QStringLiteral("inicializar")});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(data + QStringLiteral("/quirels.db"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT (SELECT count(*) FROM ProdutoControlado), (SELECT count(*) FROM Cnae),"
                                          " (SELECT count(*) FROM CFOP), (SELECT count(*) FROM Paises)")));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toInt(), 70);
        EXPECT_EQ(q.value(1).toInt(), 1332);
        EXPECT_EQ(q.value(2).toInt(), 619);
        EXPECT_EQ(q.value(3).toInt(), 252);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
}

TEST(CliInicializar, BadUsageAndUnwritableFolderExitTwo)
{
    QTemporaryDir dir;
    EXPECT_EQ(test::runCli({QStringLiteral("nada")}).exitCode, 2);
    EXPECT_EQ(test::runCli({QStringLiteral("--dados")}).exitCode, 2);
    QFile f(dir.filePath(QStringLiteral("f")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    test::ProcessResult r = test::runCli({QStringLiteral("--dados"), dir.filePath(QStringLiteral("f/x")), QStringLiteral("inicializar")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("f/x"))) << qPrintable(r.err);
}

TEST(CliInicializar, DefaultDataFolderIsCurrentFolderPlusDados)
{
    QTemporaryDir dir;
    test::ProcessResult r = test::runCli({QStringLiteral("inicializar")}, dir.path());
    // The copy of the program has no settings file of its own yet.
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("dados/quirels.db"))));
    IniFile ini(test::cliSettingsPath());
    ASSERT_OK(ini.load());
    EXPECT_TRUE(ini.value(settings::kSection, settings::kCaminho).isEmpty());
}
