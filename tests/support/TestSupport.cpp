#include "TestSupport.h"

#include "store/Database.h"
#include "store/Sql.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <gtest/gtest.h>

namespace quirels::test {

QString binaryDir()
{
    return QCoreApplication::applicationDirPath();
}

TempStore::TempStore(const QString &connection) : m_connection(connection)
{
    store::OpenOptions o;
    o.connection = connection;
    Status s = store::initializeDataFolder(m_dir.path(), o);
    EXPECT_TRUE(s.ok()) << qPrintable(s.message());
    Result<QSqlDatabase> db = store::open(m_dir.path(), o);
    EXPECT_TRUE(db.ok()) << qPrintable(db.message());
}

TempStore::~TempStore() { store::close(m_connection); }

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

QProcessEnvironment machineConfigEnvironment(const QString &root)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir(root).filePath(QStringLiteral("usuario")));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), QDir(root).filePath(QStringLiteral("maquina")));
    return env;
}

QString machineStoreConfigPath(const QString &root)
{
    return QDir(root).filePath(QStringLiteral("maquina/quirels/armazenamento.ini"));
}

ProcessResult runCli(const QStringList &args, const QString &workingDir, const QProcessEnvironment &environment)
{
    const QString program = cliProgram();
    QProcess p;
    if (!environment.isEmpty())
        p.setProcessEnvironment(environment);
    p.setProgram(program);
    p.setArguments(args);
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
