#pragma once
// Databases of their own on the test server (TestSupport.h: the server that
// QUIRELS_TEST_SERVIDOR names), for the tests of what is done to a server's
// database as a whole (snapshots, migration), on any test run. A test that
// needs one starts with QUIRELS_REQUIRE_SERVER(): without a server the test
// is skipped, or fails when QUIRELS_TEST_SERVIDOR_OBRIGATORIO=1
// (scripts/test.sh sets both).

#include "store/ServerUrl.h"
#include "support/TestSupport.h"

#include <QString>
#include <QVariant>
#include <gtest/gtest.h>

namespace quirels::test {

// Whether the tests that need the server must fail without it.
bool testServerRequired();

// A new empty database on the test server, dropped (with any connection
// left on it) when the object goes. valid() is false when it could not be
// created; error() says why.
class ServerDatabase {
public:
    ServerDatabase();
    ~ServerDatabase();
    ServerDatabase(const ServerDatabase &) = delete;
    ServerDatabase &operator=(const ServerDatabase &) = delete;

    bool valid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString name() const { return m_url.database; }
    QString host() const { return m_url.host; }
    int port() const { return m_url.port; }
    QString user() const { return m_url.user; }
    // postgresql://USER@HOST:PORT/NAME
    QString url() const { return m_url.toString(); }
    const store::ServerUrl &address() const { return m_url; }
    // Runs one statement on the database (a connection of its own each time);
    // the first column of the first row, or an invalid QVariant on failure
    // (the failure is added to the test's failures).
    QVariant scalar(const QString &sql) const;
    bool exec(const QString &sql) const;
    // A user of this database that the server lets in only with `password`
    // (the test server asks a password of the members of the role
    // "quirels_senha", and trusts everyone else); dropped with the database.
    // Empty on failure (added to the test's failures).
    QString passwordUser(const QString &password);

private:
    store::ServerUrl m_url;
    QString m_error;
    QString m_passwordUser;
};

} // namespace quirels::test

#define QUIRELS_REQUIRE_SERVER()                                                                     \
    do {                                                                                             \
        if (const QString why = ::quirels::test::serverUnavailable(); !why.isEmpty()) {             \
            if (::quirels::test::testServerRequired())                                               \
                FAIL() << qPrintable(why);                                                           \
            GTEST_SKIP() << qPrintable(why);                                                         \
        }                                                                                            \
    } while (0)
