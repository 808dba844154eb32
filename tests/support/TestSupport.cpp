#include "TestSupport.h"

#include "store/Database.h"
#include "store/Sql.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace quirels::test {

QString binaryDir()
{
    return QCoreApplication::applicationDirPath();
}

bool onServer() { return qEnvironmentVariable("QUIRELS_TEST_ARMAZENAMENTO") == QLatin1String("servidor"); }

QString serverUnavailable()
{
    if (qEnvironmentVariableIsEmpty("QUIRELS_TEST_SERVIDOR"))
        return QStringLiteral("QUIRELS_TEST_SERVIDOR is not set: no PostgreSQL server to run the server store's tests on "
                              "(scripts/test.sh starts one)");
    if (!store::ServerUrl::parse(qEnvironmentVariable("QUIRELS_TEST_SERVIDOR")))
        return QStringLiteral("QUIRELS_TEST_SERVIDOR is not a server address: ") + qEnvironmentVariable("QUIRELS_TEST_SERVIDOR");
    return {};
}

store::ServerUrl maintenanceUrl() { return *store::ServerUrl::parse(qEnvironmentVariable("QUIRELS_TEST_SERVIDOR")); }

namespace {

const QString kMaintenance = QStringLiteral("quirels_teste_manutencao");

// Runs one statement on the maintenance database.
void maintain(const QString &statement)
{
    if (!QSqlDatabase::contains(kMaintenance) || !QSqlDatabase::database(kMaintenance, false).isOpen()) {
        store::ServerConnection how;
        how.connection = kMaintenance;
        Result<QSqlDatabase> db = store::openServer(maintenanceUrl(), how);
        ASSERT_TRUE(db.ok()) << qPrintable(db.message());
    }
    QSqlQuery q(QSqlDatabase::database(kMaintenance, false));
    ASSERT_TRUE(q.exec(statement)) << qPrintable(q.lastError().text()) << " in " << qPrintable(statement);
}

QString templateName() { return QStringLiteral("quirels_modelo_%1").arg(QCoreApplication::applicationPid()); }

// A database with the schema and the reference data, copied for each store.
bool templateReady = false;
std::optional<store::ServerUrl> currentServer;

} // namespace

store::ServerUrl createServerDatabase(const QString &templateName)
{
    static int counter = 0;
    store::ServerUrl url = maintenanceUrl();
    url.database = QStringLiteral("quirels_t_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    maintain(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(url.database));
    if (templateName.isEmpty())
        maintain(QStringLiteral("CREATE DATABASE %1").arg(url.database));
    else
        maintain(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2 STRATEGY FILE_COPY").arg(url.database, templateName));
    return url;
}

void dropServerDatabase(const store::ServerUrl &url)
{
    maintain(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(url.database));
}

void finishServer()
{
    if (templateReady)
        maintain(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(templateName()));
    templateReady = false;
    store::close(kMaintenance);
}

static bool ensureTemplate()
{
    if (templateReady)
        return true;
    store::ServerUrl url = maintenanceUrl();
    url.database = templateName();
    maintain(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(url.database));
    maintain(QStringLiteral("CREATE DATABASE %1").arg(url.database));
    QTemporaryDir folder;
    store::OpenOptions o;
    o.connection = QStringLiteral("quirels_teste_modelo");
    o.server = url;
    Status s = store::initializeDataFolder(folder.path(), o);
    EXPECT_TRUE(s.ok()) << qPrintable(s.message());
    templateReady = s.ok();
    return templateReady;
}

TempStore::TempStore(const QString &connection) : m_connection(connection)
{
    if (onServer() && serverUnavailable().isEmpty() && ensureTemplate()) {
        m_server = createServerDatabase(templateName());
        currentServer = m_server;
        Result<QSqlDatabase> db = store::open(m_dir.path(), options(connection));
        EXPECT_TRUE(db.ok()) << qPrintable(db.message());
        return;
    }
    store::OpenOptions o = options(connection);
    Status s = store::initializeDataFolder(m_dir.path(), o);
    EXPECT_TRUE(s.ok()) << qPrintable(s.message());
    Result<QSqlDatabase> db = store::open(m_dir.path(), o);
    EXPECT_TRUE(db.ok()) << qPrintable(db.message());
}

TempStore::~TempStore()
{
    store::close(m_connection);
    if (m_server) {
        // Other connections the test opened on this store go first.
        for (const QString &name : QSqlDatabase::connectionNames()) {
            QSqlDatabase other = QSqlDatabase::database(name, false);
            if (name != kMaintenance && other.driverName() == QLatin1String("QPSQL") &&
                other.databaseName() == m_server->database)
                store::close(name);
        }
        if (currentServer == m_server)
            currentServer.reset();
        dropServerDatabase(*m_server);
    }
}

store::OpenOptions TempStore::options(const QString &connection) const
{
    store::OpenOptions o;
    o.connection = connection;
    o.server = m_server;
    return o;
}

store::OpenOptions currentStoreOptions(const QString &connection)
{
    store::OpenOptions o;
    o.connection = connection;
    o.server = currentServer;
    return o;
}

QSqlDatabase TempStore::db() const { return QSqlDatabase::database(m_connection); }

QVariant TempStore::scalar(const QString &sql) const
{
    QSqlDatabase d = db();
    Result<QVariant> r = sql::scalar(d, sql);
    EXPECT_TRUE(r.ok()) << qPrintable(r.message());
    return r.ok() ? *r : QVariant();
}

void TempStore::exec(const QString &statement) const
{
    QSqlDatabase d = db();
    Status s = sql::exec(d, statement);
    EXPECT_TRUE(s.ok()) << qPrintable(s.message()) << " in " << qPrintable(statement);
}

void TempStore::refuse(const QString &name, const QString &operation, const QString &table, const QString &message,
                       const QString &when) const
{
    if (!m_server) {
        exec(QStringLiteral("create trigger %1 before %2 on %3 %4 begin select raise(abort, %5); end")
                 .arg(name, operation, table, when.isEmpty() ? QString() : QStringLiteral("when ") + when, sql::quote(message)));
        return;
    }
    const QString row = operation.compare(QLatin1String("delete"), Qt::CaseInsensitive) == 0 ? QStringLiteral("OLD") : QStringLiteral("NEW");
    exec(QStringLiteral("create function %1() returns trigger language plpgsql as $f$ begin if %2 then "
                        "raise exception using errcode = 'check_violation', message = %3; end if; return %4; end $f$")
             .arg(name, when.isEmpty() ? QStringLiteral("true") : when, sql::quote(message), row));
    exec(QStringLiteral("create trigger %1 before %2 on %3 for each row execute function %1()").arg(name, operation, table));
}

void TempStore::dropRefusal(const QString &name, const QString &table) const
{
    if (!m_server) {
        exec(QStringLiteral("drop trigger %1").arg(name));
        return;
    }
    exec(QStringLiteral("drop trigger %1 on %2").arg(name, table));
    exec(QStringLiteral("drop function %1()").arg(name));
}

// The tool runs from a copy in a folder of this test process, so the
// settings file it reads and writes beside itself is the test's own.
static QString cliProgram()
{
    static QTemporaryDir programs;
    const QString program = programs.filePath(QStringLiteral("quirels-cli"));
    if (!QFileInfo::exists(program))
        QFile::copy(QDir(binaryDir()).filePath(QStringLiteral("quirels-cli")), program);
    return program;
}

QString cliSettingsPath() { return QFileInfo(cliProgram()).dir().filePath(QStringLiteral("quirels.ini")); }

ProcessResult runCli(const QStringList &args, const QString &workingDir)
{
    const QString program = cliProgram();
    QProcess p;
    p.setProgram(program);
    p.setArguments(currentServer ? QStringList{QStringLiteral("--servidor"), currentServer->toString()} + args : args);
    if (!workingDir.isEmpty())
        p.setWorkingDirectory(workingDir);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start();
    ProcessResult r;
    if (!p.waitForFinished(300000)) {
        p.kill();
        r.err = QStringLiteral("timeout");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace quirels::test
