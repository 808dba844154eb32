#pragma once
// The address of a store kept on a PostgreSQL server:
// "postgresql://user@host:port/database". The port is optional (5432) and so
// is the user (the system's user name, as the server's client library
// decides). A password is never part of the address: the client library
// reads it from the PGPASSWORD variable or the password file (~/.pgpass or
// the file PGPASSFILE names), or the desktop asks for it.

#include "base/Result.h"

#include <QSqlDatabase>
#include <QString>

namespace quirels::store {

inline const QString kServerScheme = QStringLiteral("postgresql");
inline constexpr int kDefaultServerPort = 5432;

struct ServerUrl {
    QString user;      // empty: the client library's default
    QString host;
    int port = kDefaultServerPort;
    QString database;

    // Reads an address; an error in Portuguese names what is wrong with it
    // (a password in it, no host, no database, a port out of range, ...).
    static Result<ServerUrl> parse(const QString &text);
    // The address as parse() reads it; the port is always written.
    QString toString() const;

    bool operator==(const ServerUrl &o) const
    {
        return user == o.user && host == o.host && port == o.port && database == o.database;
    }
    bool operator!=(const ServerUrl &o) const { return !(*this == o); }
};

struct ServerConnection {
    QString connection;  // the Qt SQL connection name
    QString password;    // empty: PGPASSWORD or the password file
    QString schema;      // empty: the database's default schema ("public")
    int lockTimeoutMs = 5000; // how long a row or table lock of another workstation is waited for
};

// Opens (or re-opens) the named connection on the server with the QPSQL
// driver. A server that cannot be reached, a refused password or a missing
// database is an error with a Portuguese sentence naming the address.
Result<QSqlDatabase> openServer(const ServerUrl &url, const ServerConnection &how);

// Whether an error of openServer() is the server refusing the user or the
// password (the caller may ask for the password and try again).
bool isPasswordRefusal(const Error &e);
// The question that asks for the password of the address's user.
QString passwordQuestion(const ServerUrl &url);

} // namespace quirels::store
