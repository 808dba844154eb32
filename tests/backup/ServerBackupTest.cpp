// With the store on a database server, a backup holds a snapshot of the
// database and a restore loads it into an empty database only.

#include "support/TestServer.h"
#include "support/TestSupport.h"

#include "backup/BackupArchive.h"
#include "backup/Messages.h"
#include "backup/store/ServerSnapshot.h"
#include "backup/store/StoreGuard.h"
#include "store/StoreError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/types.h>

using namespace quirels;
using namespace quirels::backup;

namespace {

ServerTarget targetOf(const test::ServerDatabase &db)
{
    ServerTarget t;
    t.url.host = db.host();
    t.url.port = db.port();
    t.url.user = db.user();
    t.url.database = db.name();
    return t;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A data folder with one plain file, and a database with a counter, text
// outside ASCII and a row count the copy must keep.
struct Fixture {
    Fixture()
    {
        data = dir.filePath(QStringLiteral("dados"));
        QDir().mkpath(data);
        ini = QDir(data).filePath(QStringLiteral("quirels.ini"));
        writeFile(ini, "[Geral]\nCaminho=dados\n");
        archiveName = dir.filePath(QStringLiteral("copia.bck"));
    }
    bool fillSource()
    {
        return source.exec(QStringLiteral("CREATE TABLE \"Empresa\" (\"Cd\" serial PRIMARY KEY, \"NmEmpresa\" varchar(60), "
                                          "\"QtEstoque\" double precision)")) &&
               source.exec(QStringLiteral("INSERT INTO \"Empresa\" (\"NmEmpresa\", \"QtEstoque\") "
                                          "SELECT 'Ação Química ' || g, g * 1.5 FROM generate_series(1, 250) g")) &&
               source.exec(QStringLiteral("CREATE INDEX \"idxEmpresaNome\" ON \"Empresa\" (\"NmEmpresa\")"));
    }
    bool backup(Dialogs &dialogs, const ServerTarget &server)
    {
        TBackupArchive archive(dialogs);
        StoreGuard guard(archive, dialogs);
        guard.setServer(server, data);
        archive.ProcessEvents = nullptr;
        return archive.Backup({ini}, archiveName);
    }
    bool restore(Dialogs &dialogs, const ServerTarget &server, const QString &destination = QString())
    {
        TBackupArchive archive(dialogs);
        StoreGuard guard(archive, dialogs);
        guard.setServer(server, data);
        guard.setRestoringInPlace(destination.isEmpty());
        archive.ProcessEvents = nullptr;
        const bool restored = archive.Restore(archiveName, destination);
        return guard.checkRestored() && restored;
    }

    QTemporaryDir dir;
    QString data;
    QString ini;
    QString archiveName;
    test::ServerDatabase source;
};

} // namespace

TEST(ServerBackup, RoundTripIntoAnEmptyDatabaseKeepsRowsAndCounters)
{
    QUIRELS_REQUIRE_SERVER();
    Fixture f;
    ASSERT_TRUE(f.source.valid()) << qPrintable(f.source.error());
    ASSERT_TRUE(f.fillSource());
    ScriptedDialogs dialogs;
    ASSERT_TRUE(f.backup(dialogs, targetOf(f.source))) << qPrintable(dialogs.texts().join(QLatin1Char('|')));

    // One member named after the data folder, besides the chosen file.
    ScriptedDialogs infoDialogs;
    TBackupArchive reader(infoDialogs);
    QStringList lines;
    QString title;
    reader.GetArchiveInfo(f.archiveName, &lines, title);
    ASSERT_EQ(lines.size(), 2) << qPrintable(lines.join(QLatin1Char('|')));
    EXPECT_TRUE(lines.at(0).startsWith(QDir(f.data).filePath(kServerSnapshotFile) + QLatin1Char('\t')));
    EXPECT_TRUE(lines.at(1).startsWith(f.ini + QLatin1Char('\t')));

    test::ServerDatabase target;
    ASSERT_TRUE(target.valid()) << qPrintable(target.error());
    writeFile(f.ini, "mudado");
    ASSERT_TRUE(f.restore(dialogs, targetOf(target))) << qPrintable(dialogs.texts().join(QLatin1Char('|')));
    EXPECT_EQ(readFile(f.ini), QByteArray("[Geral]\nCaminho=dados\n"));
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM \"Empresa\"")).toInt(), 250);
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT \"NmEmpresa\" FROM \"Empresa\" WHERE \"Cd\" = 7")).toString(),
              QStringLiteral("Ação Química 7"));
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM pg_indexes WHERE indexname = 'idxEmpresaNome'")).toInt(), 1);
    // The counter goes on from the copied rows.
    EXPECT_EQ(target.scalar(QStringLiteral("INSERT INTO \"Empresa\" (\"NmEmpresa\") VALUES ('nova') RETURNING \"Cd\"")).toInt(),
              251);
    // The snapshot's temporary copy is not left behind in the data folder.
    EXPECT_FALSE(QFile::exists(QDir(f.data).filePath(kServerSnapshotFile)));
}

TEST(ServerBackup, RestoreRefusesADatabaseThatHoldsTablesBeforeWritingAnyFile)
{
    QUIRELS_REQUIRE_SERVER();
    Fixture f;
    ASSERT_TRUE(f.source.valid()) << qPrintable(f.source.error());
    ASSERT_TRUE(f.fillSource());
    ScriptedDialogs dialogs;
    ASSERT_TRUE(f.backup(dialogs, targetOf(f.source)));

    ASSERT_TRUE(f.source.exec(QStringLiteral("DELETE FROM \"Empresa\" WHERE \"Cd\" > 10")));
    writeFile(f.ini, "mudado");
    dialogs.clear();
    EXPECT_FALSE(f.restore(dialogs, targetOf(f.source)));
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_EQ(dialogs.messages.first().text, msg::kServerNotEmpty.arg(targetOf(f.source).display()));
    EXPECT_EQ(f.source.scalar(QStringLiteral("SELECT count(*) FROM \"Empresa\"")).toInt(), 10);
    EXPECT_EQ(readFile(f.ini), QByteArray("mudado"));

    // A database with a table of another program is no empty database either.
    test::ServerDatabase other;
    ASSERT_TRUE(other.exec(QStringLiteral("CREATE SCHEMA outro; CREATE TABLE outro.t (x int)")));
    dialogs.clear();
    EXPECT_FALSE(f.restore(dialogs, targetOf(other)));
    EXPECT_EQ(dialogs.messages.value(0).text, msg::kServerNotEmpty.arg(targetOf(other).display()));
}

TEST(ServerBackup, RestoreIntoAnotherFolderWritesTheSnapshotAsAFile)
{
    QUIRELS_REQUIRE_SERVER();
    Fixture f;
    ASSERT_TRUE(f.source.valid()) << qPrintable(f.source.error());
    ASSERT_TRUE(f.fillSource());
    ScriptedDialogs dialogs;
    ASSERT_TRUE(f.backup(dialogs, targetOf(f.source)));
    const QString other = f.dir.filePath(QStringLiteral("outra"));
    test::ServerDatabase untouched;
    ASSERT_TRUE(f.restore(dialogs, targetOf(untouched), other)) << qPrintable(dialogs.texts().join(QLatin1Char('|')));
    EXPECT_TRUE(readFile(QDir(other).filePath(kServerSnapshotFile)).startsWith("PGDMP"));
    EXPECT_EQ(untouched.scalar(QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = 'public'")).toInt(), 0);
}

TEST(ServerBackup, AFailingClientIsAPortugueseMessageWithItsTextInTheLog)
{
    QUIRELS_REQUIRE_SERVER();
    Fixture f;
    ASSERT_TRUE(f.source.valid()) << qPrintable(f.source.error());
    ServerTarget missing = targetOf(f.source);
    missing.url.database = QStringLiteral("quirels_nao_existe");
    ScriptedDialogs dialogs;
    EXPECT_FALSE(f.backup(dialogs, missing));
    const QString logFile = QDir::toNativeSeparators(store::logPath(f.data));
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_EQ(dialogs.messages.first().text, msg::kServerDumpFailed.arg(missing.display(), logFile));
    EXPECT_TRUE(readFile(logFile).contains("quirels_nao_existe")) << readFile(logFile).constData();
    EXPECT_FALSE(QFile::exists(f.archiveName));

    // Loading a file that is no snapshot leaves the empty database empty.
    const QString bogus = f.dir.filePath(QStringLiteral("falso.dump"));
    writeFile(bogus, "PGDMP mas não é");
    const Status s = restoreServer(targetOf(f.source), bogus, f.data);
    EXPECT_EQ(s.message(), msg::kServerRestoreFailed.arg(targetOf(f.source).display(), logFile));
    EXPECT_EQ(f.source.scalar(QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = 'public'")).toInt(), 0);
}

TEST(ServerBackup, CommandLineBacksUpTheServerStoreAndRestoresItIntoAnEmptyDatabaseOnly)
{
    QUIRELS_REQUIRE_SERVER();
    test::ServerDatabase source;
    test::ServerDatabase target;
    ASSERT_TRUE(source.valid() && target.valid()) << qPrintable(source.error() + target.error());
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("dados"));
    auto cli = [&](const test::ServerDatabase &db, const QStringList &args) {
        return test::runCli(QStringList{QStringLiteral("--dados"), data, QStringLiteral("--servidor"), db.url()} + args);
    };
    test::ProcessResult r = cli(source, {QStringLiteral("inicializar")});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    ASSERT_TRUE(source.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('11222333000181', 'Ação')")));

    // No file needed: the database is the archive's content.
    const QString archive = dir.filePath(QStringLiteral("servidor.bck"));
    r = cli(source, {QStringLiteral("backup"), archive});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_TRUE(r.out.contains(msg::kBackupSuccessPrefix)) << qPrintable(r.out);
    r = test::runCli({QStringLiteral("conteudo"), archive});
    EXPECT_TRUE(r.out.contains(QDir(data).filePath(kServerSnapshotFile))) << qPrintable(r.out);

    r = cli(target, {QStringLiteral("restaurar"), archive});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err + r.out);
    for (const QString &table : {QStringLiteral("Empresa"), QStringLiteral("Cnae"), QStringLiteral("Paises")})
        EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong(),
                  source.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong())
            << qPrintable(table);
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT NmRazao FROM Empresa")).toString(), QStringLiteral("Ação"));

    // Again into the now filled database: refused, exit 1, nothing changed.
    ASSERT_TRUE(target.exec(QStringLiteral("DELETE FROM Empresa")));
    r = cli(target, {QStringLiteral("restaurar"), archive});
    EXPECT_EQ(r.exitCode, 1) << qPrintable(r.err + r.out);
    EXPECT_TRUE(r.err.contains(msg::kServerNotEmpty.arg(target.url()))) << qPrintable(r.err);
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM Empresa")).toInt(), 0);
}

// The server's clients end with the program that started them: a program
// killed while a client runs leaves no client behind to finish its work.
// The test runs its own binary as that program (the helper below), kills
// it, and waits for the client to be gone.
TEST(ServerBackup, ClientHelperForTheKillTrial)
{
    if (qEnvironmentVariableIsEmpty("QUIRELS_TEST_TIED_CHILD"))
        GTEST_SKIP() << "run by ClientsEndWithTheProgram";
    QProcess client;
    endWithThisProcess(client);
    client.start(QStringLiteral("sleep"), {QStringLiteral("120")});
    ASSERT_TRUE(client.waitForStarted());
    printf("%lld\n", static_cast<long long>(client.processId()));
    fflush(stdout);
    client.waitForFinished(120000);
}

TEST(ServerBackup, ClientsEndWithTheProgram)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUIRELS_TEST_TIED_CHILD"), QStringLiteral("1"));
    program.setProcessEnvironment(env);
    program.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--gtest_filter=ServerBackup.ClientHelperForTheKillTrial")});
    ASSERT_TRUE(program.waitForStarted());
    QByteArray out;
    while (!out.contains('\n') && program.waitForReadyRead(20000))
        out += program.readAllStandardOutput();
    bool ok = false;
    // gtest prints its own lines first: the number is the line of digits.
    qint64 pid = 0;
    for (const QByteArray &line : out.split('\n')) {
        const qint64 n = line.trimmed().toLongLong(&ok);
        if (ok && n > 0)
            pid = n;
    }
    while (pid == 0 && program.waitForReadyRead(20000)) {
        out += program.readAllStandardOutput();
        for (const QByteArray &line : out.split('\n')) {
            const qint64 n = line.trimmed().toLongLong(&ok);
            if (ok && n > 0)
                pid = n;
        }
    }
    ASSERT_GT(pid, 0) << out.constData();
    ASSERT_EQ(::kill(static_cast<pid_t>(pid), 0), 0);
    ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
    program.waitForFinished();
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i) {
        // Gone, or a zombie waiting for init to reap it.
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        gone = !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
        if (!gone)
            QThread::msleep(25);
    }
    EXPECT_TRUE(gone);
    if (!gone)
        ::kill(static_cast<pid_t>(pid), SIGKILL);
}
