#pragma once
// The database of a PostgreSQL server as one member of a backup archive: a
// consistent snapshot written by the server's own client pg_dump (custom
// format), loaded back with pg_restore into an empty database in one
// transaction. The password never goes on a command line: the clients read
// the standard password file or PGPASSWORD, which is set in their
// environment when a password is given. A failure of a client reaches the
// user as a Portuguese sentence; the client's own text goes to the log of
// the data folder.

#include "base/Result.h"
#include "store/ServerUrl.h"

#include <QString>

class QProcess;

namespace quirels::backup {

// Where the server's database is, and the password when the program has
// one (empty: the password file or PGPASSWORD of the environment).
struct ServerTarget {
    store::ServerUrl url;
    QString password;

    QString display() const { return url.toString(); }
};

// The name the snapshot is archived under, in the data folder.
inline const QString kServerSnapshotFile = QStringLiteral("quirels-servidor.dump");

// Makes the process `p` will start end with this one: killed when this
// process dies, however it dies, so a client never goes on writing to the
// server after the program that started it is gone.
void endWithThisProcess(QProcess &p);

// Writes a snapshot of the whole database into `file`.
Status dumpServer(const ServerTarget &server, const QString &file, const QString &logFolder);

// True when the database holds no table, view or sequence outside the
// server's own schemas.
Result<bool> serverIsEmpty(const ServerTarget &server, const QString &logFolder);

// Loads a snapshot into the database, which must be empty; all or nothing.
Status restoreServer(const ServerTarget &server, const QString &file, const QString &logFolder);

} // namespace quirels::backup
