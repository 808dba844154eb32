#include "ServerSnapshot.h"

#include "backup/Messages.h"
#include "store/ServerMigration.h"
#include "store/StoreError.h"

#include <QAtomicInt>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace quirels::backup {

namespace {

QString logName(const QString &logFolder)
{
    return QDir::toNativeSeparators(logFolder.isEmpty() ? store::kLogFile : store::logPath(logFolder));
}

// A libpq connection string value: quoted, with ' and \ escaped.
QString conninfoValue(const QString &v)
{
    QString out = v;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

// The environment of a client: where the server is and, when one is given,
// the password; the rest of the caller's environment (a password file named
// in PGPASSFILE, for one) is kept.
QProcessEnvironment clientEnvironment(const ServerTarget &server)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGHOST"), server.url.host);
    env.insert(QStringLiteral("PGPORT"), QString::number(server.url.port));
    if (!server.url.user.isEmpty())
        env.insert(QStringLiteral("PGUSER"), server.url.user);
    if (!server.password.isEmpty())
        env.insert(QStringLiteral("PGPASSWORD"), server.password);
    if (!env.contains(QStringLiteral("PGCONNECT_TIMEOUT")))
        env.insert(QStringLiteral("PGCONNECT_TIMEOUT"), QStringLiteral("15"));
    env.insert(QStringLiteral("PGAPPNAME"), QStringLiteral("quirels"));
    return env;
}

// Runs a client program to its end. The password is never among the
// arguments, and the client never prompts for one (-w).
Status runClient(const QString &program, const QStringList &arguments, const ServerTarget &server,
                 const QString &logFolder, const QString &failure)
{
    const QString exe = QStandardPaths::findExecutable(program);
    if (exe.isEmpty()) {
        store::logDetail(logFolder, QStringLiteral("not found in PATH"), program);
        return makeError(msg::kServerClientMissing.arg(program), 2);
    }
    QProcess p;
    endWithThisProcess(p);
    p.setProcessEnvironment(clientEnvironment(server));
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(exe, arguments);
    if (!p.waitForStarted(-1)) {
        store::logDetail(logFolder, p.errorString(), program);
        return makeError(failure, 2);
    }
    p.waitForFinished(-1);
    const QString errors = QString::fromLocal8Bit(p.readAllStandardError());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        store::logDetail(logFolder, errors.isEmpty() ? p.errorString() : errors,
                         program + QLatin1Char(' ') + QString::number(p.exitCode()));
        return makeError(failure, 2);
    }
    return {};
}

// A connection of its own to the server, closed and removed when it ends.
class Connection {
public:
    explicit Connection(const ServerTarget &server)
    {
        static QAtomicInt serial;
        m_name = QStringLiteral("quirels-servidor-%1").arg(serial.fetchAndAddRelaxed(1));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        db.setHostName(server.url.host);
        db.setPort(server.url.port);
        db.setDatabaseName(server.url.database);
        if (!server.url.user.isEmpty())
            db.setUserName(server.url.user);
        if (!server.password.isEmpty())
            db.setPassword(server.password);
        db.setConnectOptions(QStringLiteral("connect_timeout=15;application_name=quirels"));
    }
    ~Connection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

} // namespace

void endWithThisProcess(QProcess &p)
{
    const pid_t parent = ::getpid();
    p.setChildProcessModifier([parent] {
        // Runs in the child between fork and exec.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127); // the parent died before the line above
    });
}

Status dumpServer(const ServerTarget &server, const QString &file, const QString &logFolder)
{
    // pg_dump reads every table inside one transaction of its own, so the
    // snapshot is consistent while other workstations go on writing.
    return runClient(QStringLiteral("pg_dump"),
                     {QStringLiteral("-w"), QStringLiteral("--format=custom"), QStringLiteral("--file=") + file,
                      QStringLiteral("--dbname=dbname=") + conninfoValue(server.url.database)},
                     server, logFolder, msg::kServerDumpFailed.arg(server.display(), logName(logFolder)));
}

Result<bool> serverIsEmpty(const ServerTarget &server, const QString &logFolder)
{
    Connection c(server);
    QSqlDatabase db = c.db();
    if (!db.open()) {
        store::logDetail(logFolder, db.lastError().text(), db.lastError().nativeErrorCode());
        return makeError(msg::kServerUnreachable.arg(server.display(), logName(logFolder)), 2);
    }
    const Result<bool> empty = store::isEmptyServerDatabase(db);
    if (!empty) {
        store::logDetail(logFolder, db.lastError().text());
        return makeError(msg::kServerUnreachable.arg(server.display(), logName(logFolder)), 2);
    }
    return *empty;
}

Status restoreServer(const ServerTarget &server, const QString &file, const QString &logFolder)
{
    const Result<bool> empty = serverIsEmpty(server, logFolder);
    if (!empty)
        return empty.error();
    if (!*empty)
        return makeError(msg::kServerNotEmpty.arg(server.display()), 1);
    // Owners and grants of the source server need not exist here: the
    // restoring user owns what it creates. One transaction: a failure
    // leaves the database as empty as it was.
    return runClient(QStringLiteral("pg_restore"),
                     {QStringLiteral("-w"), QStringLiteral("--no-owner"), QStringLiteral("--no-privileges"),
                      QStringLiteral("--single-transaction"), QStringLiteral("--exit-on-error"),
                      QStringLiteral("--dbname=dbname=") + conninfoValue(server.url.database), file},
                     server, logFolder, msg::kServerRestoreFailed.arg(server.display(), logName(logFolder)));
}

} // namespace quirels::backup
