#pragma once
// Shared fixtures: a temporary data folder with an initialized store.

#include "base/Result.h"

#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

#include <ostream>

// Readable QStrings in assertion messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace quirels::test {

// Where the built programs are (quirels-cli).
QString binaryDir();

class TempStore {
public:
    // Creates a data folder with every table and the reference data, and
    // opens it under the given connection name.
    explicit TempStore(const QString &connection = QStringLiteral("dbQuirel"));
    ~TempStore();
    QString folder() const { return m_dir.path(); }
    QSqlDatabase db() const;
    QVariant scalar(const QString &sql) const;
    void exec(const QString &sql) const;

private:
    QTemporaryDir m_dir;
    QString m_connection;
};

struct ProcessResult {
    int exitCode = -1;
    QString out;
    QString err;
};

// The settings file of the copy of quirels-cli that runCli runs.
QString cliSettingsPath();

// Runs quirels-cli with the arguments (and standard input closed) from a
// copy of the program in a temporary folder of the test process; with an
// environment, in that one instead of the test's.
ProcessResult runCli(const QStringList &args, const QString &workingDir = QString(),
                     const QProcessEnvironment &environment = QProcessEnvironment());

// An environment in which a program finds the machine's store configuration
// under root (and the user's configuration folder there too), and the path
// of that configuration file.
QProcessEnvironment machineConfigEnvironment(const QString &root);
QString machineStoreConfigPath(const QString &root);

} // namespace quirels::test

// Prints Status/Result failures readably in assertions.
#define EXPECT_OK(expr)                                                     \
    do {                                                                    \
        auto _r = (expr);                                                   \
        EXPECT_TRUE(_r.ok()) << qPrintable(_r.message());                   \
    } while (0)
#define ASSERT_OK(expr)                                                     \
    do {                                                                    \
        auto _r = (expr);                                                   \
        ASSERT_TRUE(_r.ok()) << qPrintable(_r.message());                   \
    } while (0)
