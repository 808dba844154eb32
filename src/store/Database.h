#pragma once
// The store: one SQLite file "quirels.db" in the data folder, or a database
// on a PostgreSQL server shared by several workstations, reached through the
// named connection "dbQuirel". Either way the data folder keeps the store's
// log and the files the program writes.

#include "ServerUrl.h"
#include "base/Result.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

namespace quirels::store {

inline const QString kDatabaseFile = QStringLiteral("quirels.db");
inline const QString kConnection = QStringLiteral("dbQuirel");

QString databasePath(const QString &dataFolder);

struct OpenOptions {
    QString connection = kConnection;
    bool create = false;          // create the file when missing
    bool sharedFolder = false;    // "Local Share": a journal mode safe on a shared folder
    int busyTimeoutMs = 5000;     // how long a lock held by another process is waited for
    // The store is the database at this address instead of the data
    // folder's file.
    std::optional<ServerUrl> server;
    QString password;             // for the server; empty: PGPASSWORD or the password file
    QString serverSchema;         // the server's schema to work in; empty: the default
};

// Where the store is, for messages: the file's path or the server's address.
QString storeName(const QString &dataFolder, const OpenOptions &options);

// Opens (or re-opens) the named connection on the data folder. A missing
// database file is an error unless create is set; a file that is not a store
// of this program is an error with a clear message.
Result<QSqlDatabase> open(const QString &dataFolder, const OpenOptions &options = {});
void close(const QString &connection = kConnection);

// Creates every missing table and index and stamps the schema version.
// Existing tables and rows are left alone.
Status createSchema(QSqlDatabase &db);

// Fills each reference table that has no rows from the installed reference
// data; a table that has rows is left alone. A row that does not fit its
// column is an error naming the file and line.
Status loadReferenceData(QSqlDatabase &db);

// One reference table: its name, the date of the reference data this
// program installs into it, and how many rows the store holds now.
struct ReferenceTable {
    QString table;
    QDateTime edition;  // invalid when unknown
    qint64 rows = -1;   // -1 when the store could not tell
};
// The reference tables in their loading order; `db` may be closed.
QList<ReferenceTable> referenceTables(const QSqlDatabase &db);

// Brings an existing store up to this program's layout step by step: each
// step moves the schema version by one and runs in one transaction with the
// stamp. Tables that are missing are created; nothing is written when the
// store is already current. A store stamped by a newer program is refused.
Status upgradeSchema(QSqlDatabase &db);

// Gives the day of every row of the day tables its stored two-digit form
// ("5" and " 5" become "05"); other days are left as they are. The upgrade
// to layout 4 runs it, and so does a move of rows kept by an older layout.
Status storeDaysInTwoDigits(QSqlDatabase &db);

// The day-index files of the tables of movements, deleted at start-up.
const QStringList &dayIndexFiles();
// Deletes each day-index file present in the data folder (names matched
// without regard to letter case); an error names a file that could not go.
Status removeDayIndexFiles(const QString &dataFolder);

// The field lists of a table's indexes, each as "F1;F2;...".
Result<QStringList> indexFieldLists(QSqlDatabase &db, const QString &table);
// For Movimentacao and MovArmazenagem: when no index has exactly the fields
// CdCNPJEmpr;NrAno;NmMes;NrDia, creates "idxDia" on them (an index of that
// name with other fields is replaced).
Status ensureDayIndexes(QSqlDatabase &db);
// SQLite: the indexes that order names (schema::Index::names) in the order
// of names (collation PTBR); one of a store made before is made again.
// Nothing on the server, where the names order in the statements.
Status ensureNameIndexes(QSqlDatabase &db);

// "inicializar": the data folder, the store, the tables and the reference
// data, all that is missing, in one transaction; nothing is half-written.
// A server database that holds tables of anything else is refused.
Status initializeDataFolder(const QString &dataFolder, const OpenOptions &options = {});

} // namespace quirels::store
