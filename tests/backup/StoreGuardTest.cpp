// A backup of a store in use holds every committed row; a restore over a
// store never replays the old store's log into the restored file.

#include "support/TestSupport.h"

#include "backup/BackupArchive.h"
#include "backup/Messages.h"
#include "backup/store/StoreGuard.h"
#include "store/Messages.h"
#include "store/StoreFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;

namespace {

// A connection of its own on a store file, kept open as another program would.
class Connection {
public:
    Connection(const QString &path, const QString &name) : m_name(name)
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        m_db.setDatabaseName(path);
        m_db.open();
    }
    ~Connection()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    void exec(const QString &sql)
    {
        QSqlQuery q(m_db);
        ASSERT_TRUE(q.exec(sql)) << qPrintable(sql + QLatin1Char(' ') + q.lastError().text());
    }
    qint64 count(const QString &table)
    {
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("SELECT count(*) FROM ") + table) || !q.next())
            return -1;
        return q.value(0).toLongLong();
    }

private:
    QString m_name;
    QSqlDatabase m_db;
};

qint64 rowsIn(const QString &path, const QString &table)
{
    Connection c(path, QStringLiteral("contagem"));
    return c.count(table);
}

} // namespace

TEST(StoreBackup, HoldsEveryCommittedRowWhileAnotherConnectionWrites)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("dados"));
    ASSERT_TRUE(QDir().mkpath(data));
    const QString store = QDir(data).filePath(QStringLiteral("quirels.db"));
    {
        Connection writer(store, QStringLiteral("escritor"));
        writer.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        writer.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
        writer.exec(QStringLiteral("CREATE TABLE Linha (Nr INTEGER PRIMARY KEY, Texto TEXT)"));
        for (int i = 1; i <= 200; ++i)
            writer.exec(QStringLiteral("INSERT INTO Linha (Texto) VALUES ('%1')").arg(QString(300, QLatin1Char('x'))));
        // Committed but only in the log; then a transaction left open.
        writer.exec(QStringLiteral("BEGIN"));
        writer.exec(QStringLiteral("INSERT INTO Linha (Texto) VALUES ('pendente')"));
        ASSERT_GT(QFileInfo(store + QStringLiteral("-wal")).size(), QFileInfo(store).size());

        const QString archive = dir.filePath(QStringLiteral("copia.bck"));
        test::ProcessResult r = test::runCli({QStringLiteral("backup"), archive, data + QStringLiteral("/*")});
        ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
        writer.exec(QStringLiteral("COMMIT"));

        // The log files are not archived: the copy holds what they held.
        r = test::runCli({QStringLiteral("conteudo"), archive});
        ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
        EXPECT_TRUE(r.out.contains(store)) << qPrintable(r.out);
        EXPECT_FALSE(r.out.contains(QStringLiteral("-wal"))) << qPrintable(r.out);
        EXPECT_FALSE(r.out.contains(QStringLiteral("-shm"))) << qPrintable(r.out);

        const QString other = dir.filePath(QStringLiteral("outra"));
        r = test::runCli({QStringLiteral("restaurar"), archive, QStringLiteral("--destino"), other});
        ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
        const QString restored = QDir(other).filePath(QStringLiteral("quirels.db"));
        EXPECT_TRUE(store::file::integrityProblems(restored).isEmpty());
        EXPECT_EQ(rowsIn(restored, QStringLiteral("Linha")), 200);

        // The store file alone, its log still beside it.
        const QString alone = dir.filePath(QStringLiteral("so-banco.bck"));
        writer.exec(QStringLiteral("INSERT INTO Linha (Texto) VALUES ('depois')"));
        r = test::runCli({QStringLiteral("backup"), alone, store});
        ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
        const QString other2 = dir.filePath(QStringLiteral("outra2"));
        r = test::runCli({QStringLiteral("restaurar"), alone, QStringLiteral("--destino"), other2});
        ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
        EXPECT_EQ(rowsIn(QDir(other2).filePath(QStringLiteral("quirels.db")), QStringLiteral("Linha")), 202);
    }
}

TEST(StoreRestore, SetsAsideAStaleLogAndChecksTheRestoredStore)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("dados"));
    ASSERT_TRUE(QDir().mkpath(data));
    const QString store = QDir(data).filePath(QStringLiteral("quirels.db"));
    {
        Connection c(store, QStringLiteral("inicial"));
        c.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        c.exec(QStringLiteral("CREATE TABLE Linha (Nr INTEGER PRIMARY KEY, Texto TEXT)"));
        for (int i = 1; i <= 3; ++i)
            c.exec(QStringLiteral("INSERT INTO Linha (Texto) VALUES ('antes')"));
    }
    const QString archive = dir.filePath(QStringLiteral("copia.bck"));
    test::ProcessResult r = test::runCli({QStringLiteral("backup"), archive, store});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);

    // Rows imported after the backup, left in the log of a session that
    // crashed: the log is kept as it was while the session ran.
    QByteArray staleLog;
    {
        Connection c(store, QStringLiteral("sessao"));
        c.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
        for (int i = 1; i <= 50; ++i)
            c.exec(QStringLiteral("INSERT INTO Linha (Texto) VALUES ('depois')"));
        QFile wal(store + QStringLiteral("-wal"));
        ASSERT_TRUE(wal.open(QIODevice::ReadOnly));
        staleLog = wal.readAll();
    }
    ASSERT_FALSE(staleLog.isEmpty());
    QFile wal(store + QStringLiteral("-wal"));
    ASSERT_TRUE(wal.open(QIODevice::WriteOnly));
    wal.write(staleLog);
    wal.close();

    r = test::runCli({QStringLiteral("restaurar"), archive});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err + r.out);
    EXPECT_TRUE(store::file::integrityProblems(store).isEmpty());
    EXPECT_EQ(rowsIn(store, QStringLiteral("Linha")), 3);
    EXPECT_TRUE(QFile::exists(store + QStringLiteral("-wal.anterior")));

    // A store that fails its integrity check is no successful restore.
    QFile f(store);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const qint64 pageSize = 4096;
    f.seek(pageSize); // the second page: the table's rows
    f.write(QByteArray(static_cast<int>(pageSize), '\x5a'));
    f.close();
    r = test::runCli({QStringLiteral("backup"), dir.filePath(QStringLiteral("ruim.bck")), store});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    r = test::runCli({QStringLiteral("restaurar"), dir.filePath(QStringLiteral("ruim.bck")), QStringLiteral("--destino"),
                      dir.filePath(QStringLiteral("r2"))});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("está danificado"))) << qPrintable(r.err);
    EXPECT_TRUE(r.err.contains(backup::msg::kRestoreFailed)) << qPrintable(r.err);
    EXPECT_FALSE(r.out.contains(backup::msg::kRestoreSuccessPrefix)) << qPrintable(r.out);
}

// The consistent copy of a store is made beside the store, never in the
// system's temporary folder, and is gone when the backup ends; a copy left
// by a run that was killed is removed by the next one. A store that fails
// its check is never put in place of the live one.
TEST(StoreBackup, WorkingCopiesStayBesideTheStoreAndGoAway)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("dados"));
    ASSERT_TRUE(QDir().mkpath(data));
    const QString store = QDir(data).filePath(QStringLiteral("quirels.db"));
    {
        Connection c(store, QStringLiteral("inicial"));
        c.exec(QStringLiteral("CREATE TABLE Linha (Nr INTEGER PRIMARY KEY, Texto TEXT)"));
        c.exec(QStringLiteral("INSERT INTO Linha (Texto) VALUES ('antes')"));
    }
    const QString killed = QDir(data).filePath(QStringLiteral(".quirels-copia-2147483646-AbCdEf"));
    ASSERT_TRUE(QDir().mkpath(killed));
    QFile leftover(killed + QStringLiteral("/1.db"));
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.write(QByteArray(4096, 'x'));
    leftover.close();
    const auto copiesIn = [](const QString &folder) {
        return QDir(folder).entryList({QStringLiteral("*quirels-copia-*")}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    const QStringList tmpBefore = copiesIn(QDir::tempPath());

    ScriptedDialogs dialogs;
    backup::TBackupArchive archive(dialogs);
    backup::StoreGuard guard(archive, dialogs);
    archive.ProcessEvents = nullptr;
    QStringList during;
    archive.OnProgress = [&](const QString &name, int, bool &) {
        if (!name.isEmpty() && during.isEmpty())
            during = copiesIn(data);
    };
    const QString bck = dir.filePath(QStringLiteral("copia.bck"));
    ASSERT_TRUE(archive.Backup({store}, bck));
    ASSERT_EQ(during.size(), 1) << qPrintable(during.join(QLatin1Char(',')));
    EXPECT_TRUE(during.first().startsWith(QStringLiteral(".quirels-copia-%1-").arg(QCoreApplication::applicationPid())));
    EXPECT_TRUE(copiesIn(data).isEmpty()) << qPrintable(copiesIn(data).join(QLatin1Char(',')));
    EXPECT_EQ(copiesIn(QDir::tempPath()), tmpBefore);

    // An archive whose store is damaged: the live store stays as it is.
    {
        Connection c(store, QStringLiteral("depois"));
        c.exec(QStringLiteral("INSERT INTO Linha (Texto) VALUES ('depois')"));
    }
    const QString damaged = dir.filePath(QStringLiteral("dano.db"));
    ASSERT_TRUE(QFile::copy(store, damaged));
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(4096);
        f.write(QByteArray(4096, '\x5a'));
    }
    // Archived under the live store's name, as a backup of it would be.
    archive.OnSourceFile = [&](const QString &, QString &src) {
        src = damaged;
        return true;
    };
    ASSERT_TRUE(archive.Backup({store}, dir.filePath(QStringLiteral("ruim.bck"))));
    backup::StoreGuard again(archive, dialogs);
    dialogs.setDefaultAnswer(Answer::Ok);
    EXPECT_FALSE(archive.Restore(dir.filePath(QStringLiteral("ruim.bck")), QString()));
    again.checkRestored();
    EXPECT_TRUE(store::file::integrityProblems(store).isEmpty());
    EXPECT_EQ(rowsIn(store, QStringLiteral("Linha")), 2);
    EXPECT_TRUE(dialogs.lastText().contains(QStringLiteral("está danificado"))) << qPrintable(dialogs.lastText());
    EXPECT_EQ(QDir(data).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("quirels.db")}));
}
