#pragma once
// Databases of their own on the test server: the PostgreSQL server that
// QUIRELS_TEST_SERVIDOR names (postgresql://USER@HOST:PORT/DB, a database
// the user may create databases from). A test that needs one starts with
// QUIRELS_REQUIRE_SERVER(): without the variable the test is skipped, or
// fails when QUIRELS_TEST_SERVIDOR_OBRIGATORIO=1 (scripts/test.sh sets both).

#include <QString>
#include <QUrl>
#include <gtest/gtest.h>

namespace quirels::test {

// The test server's address; empty when none is given.
QUrl testServer();
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
    QString name() const { return m_name; }
    QString host() const;
    int port() const;
    QString user() const;
    // postgresql://USER@HOST:PORT/NAME
    QString url() const;
    // Runs one statement on the database (a connection of its own each time);
    // the first column of the first row, or an invalid QVariant on failure
    // (the failure is added to the test's failures).
    QVariant scalar(const QString &sql) const;
    bool exec(const QString &sql) const;

private:
    QUrl m_server;
    QString m_name;
    QString m_error;
};

} // namespace quirels::test

#define QUIRELS_REQUIRE_SERVER()                                                                     \
    do {                                                                                             \
        if (::quirels::test::testServer().isEmpty()) {                                               \
            if (::quirels::test::testServerRequired())                                               \
                FAIL() << "QUIRELS_TEST_SERVIDOR is not set but QUIRELS_TEST_SERVIDOR_OBRIGATORIO=1"; \
            GTEST_SKIP() << "no test server (QUIRELS_TEST_SERVIDOR)";                                \
        }                                                                                            \
    } while (0)
