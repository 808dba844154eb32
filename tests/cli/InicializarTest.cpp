#include "support/TestSupport.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "store/StoreConfig.h"

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
        EXPECT_EQ(q.value(0).toInt(), 104);
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

// The journal mode follows "Local Share" of the machine's store
// configuration, whatever the program's settings file says.
TEST(CliInicializar, JournalModeFollowsTheMachineStoreConfiguration)
{
    struct Case {
        const char *config;   // LOCAL SHARE of the machine's file; null: no file
        const char *settings; // Local Share of the settings file
        bool shared;
    };
    const Case cases[] = {
        {"TRUE", "0", true},
        {nullptr, "1", false},
        {"FALSE", "1", false},
    };
    // The store's journal mode; set first to `set` when given.
    const auto journalMode = [](const QString &data, const QString &set = QString()) {
        QString mode;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
            db.setDatabaseName(data + QStringLiteral("/quirels.db"));
            if (db.open()) {
                QSqlQuery q(db);
                if (q.exec(QStringLiteral("PRAGMA journal_mode") + (set.isEmpty() ? QString() : QLatin1Char('=') + set)) && q.next())
                    mode = q.value(0).toString();
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
        return mode;
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.config ? c.config : "no file");
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("dados"));
        if (c.config)
            ASSERT_OK(store::config::changeEntry(test::machineStoreConfigPath(dir.path()), store::config::kSystemInit,
                                                 store::config::kLocalShare, QString::fromLatin1(c.config)));
        IniFile settingsFile(test::cliSettingsPath());
        ASSERT_OK(settingsFile.load());
        settingsFile.setValue(settings::kSection, settings::kLocalShare, QString::fromLatin1(c.settings));
        ASSERT_OK(settingsFile.save());
        const QProcessEnvironment env = test::machineConfigEnvironment(dir.path());
        const QString expected = c.shared ? QStringLiteral("delete") : QStringLiteral("wal");

        test::ProcessResult r = test::runCli({QStringLiteral("--dados"), data, QStringLiteral("inicializar")}, {}, env);
        ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
        EXPECT_EQ(journalMode(data), expected);
        // Another command that opens the store puts the mode back.
        journalMode(data, c.shared ? QStringLiteral("wal") : QStringLiteral("delete"));
        r = test::runCli({QStringLiteral("--dados"), data, QStringLiteral("validar"), QStringLiteral("11222333000181"),
                          QStringLiteral("2024"), QStringLiteral("MAR")}, {}, env);
        EXPECT_NE(r.exitCode, 0); // no such company
        EXPECT_EQ(journalMode(data), expected);
    }
    IniFile settingsFile(test::cliSettingsPath());
    ASSERT_OK(settingsFile.load());
    settingsFile.setValue(settings::kSection, settings::kLocalShare, QStringLiteral("0"));
    ASSERT_OK(settingsFile.save());
}
