#pragma once
// Shared fixtures: a temporary data folder with an initialized store.

#include "base/Result.h"
#include "store/Database.h"

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>
#include <optional>

#include <ostream>

// Readable QStrings in assertion messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace quirels::test {

// Where the built programs are (quirels-cli).
QString binaryDir();

// The store the tests of this process run on. By default the SQLite file of
// each TempStore's data folder; with QUIRELS_TEST_ARMAZENAMENTO=servidor a
// fresh database for each TempStore on the server whose maintenance database
// QUIRELS_TEST_SERVIDOR names (postgresql://user@host:port/postgres; the user
// may create databases). The same tests run on either.
bool onServer();
// Why the server's tests cannot run (no server given); empty when they can.
QString serverUnavailable();
// The server's maintenance database.
store::ServerUrl maintenanceUrl();
// Creates an empty database on the server; its address.
store::ServerUrl createServerDatabase(const QString &templateName = QString());
void dropServerDatabase(const store::ServerUrl &url);
// Drops what the process left on the server (the template database).
void finishServer();

class TempStore {
public:
    // Creates a data folder with every table and the reference data, and
    // opens it under the given connection name; on the server, the store is
    // a database of its own for this TempStore.
    explicit TempStore(const QString &connection = QStringLiteral("dbQuirel"));
    ~TempStore();
    QString folder() const { return m_dir.path(); }
    QSqlDatabase db() const;
    // The options that open this store (the data folder's file, or the
    // server's database), under the given connection name.
    store::OpenOptions options(const QString &connection = QStringLiteral("dbQuirel")) const;
    // The server's database of this store; empty on SQLite.
    std::optional<store::ServerUrl> server() const { return m_server; }
    QVariant scalar(const QString &sql) const;
    void exec(const QString &sql) const;
    // A fault for a test: the store refuses each `operation` ("insert",
    // "update", "delete") of a row of `table` with `message` (while `when`,
    // an SQL condition, holds; always when empty), as a rule of the table
    // refuses a row. dropRefusal() takes it away.
    void refuse(const QString &name, const QString &operation, const QString &table, const QString &message,
                const QString &when = QString()) const;
    void dropRefusal(const QString &name, const QString &table) const;

private:
    QTemporaryDir m_dir;
    QString m_connection;
    std::optional<store::ServerUrl> m_server;
};

// The options to open the store of the TempStore alive last (on the server,
// its database) for a data folder of the test's own; the data folder's file
// when on SQLite.
store::OpenOptions currentStoreOptions(const QString &connection = QStringLiteral("dbQuirel"));

struct ProcessResult {
    int exitCode = -1;
    QString out;
    QString err;
};

// The settings file of the copy of quirels-cli that runCli runs.
QString cliSettingsPath();

// Runs quirels-cli with the arguments (and standard input closed) from a
// copy of the program in a temporary folder of the test process. On the
// server, the tool works on the database of the TempStore alive last
// (--servidor in front of the arguments).
ProcessResult runCli(const QStringList &args, const QString &workingDir = QString());

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

// A test of the SQLite store file itself (its header, journal, pragmas or
// file name): it has no meaning on the server and is skipped there.
#define QUIRELS_SQLITE_ONLY()                                                            \
    do {                                                                                 \
        if (::quirels::test::onServer())                                                 \
            GTEST_SKIP() << "about the SQLite store file of the data folder";            \
    } while (0)
