#pragma once
// Moving a data folder's store onto a database server: every row of every
// table of the schema is copied into an empty server database in one
// transaction, and the numbering of each auto-numbered table goes on from
// the highest number the folder's store ever gave. Nothing is written to
// the server unless the whole copy succeeds and every table holds as many
// rows on the server as in the folder.
//
//     Result<QList<store::TableCount>> counts = store::migrateToServer(sqlite, server);

#include "base/Result.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <functional>

namespace quirels::store {

// The rows of one table on both sides.
struct TableCount {
    QString table;
    qint64 source = 0;
    qint64 target = 0;
};

// True when the database holds no table, view or sequence outside the
// server's own schemas (information_schema, pg_*).
Result<bool> isEmptyServerDatabase(QSqlDatabase &server);

// Copies the store `source` (open on the folder's file) into `server` (open,
// empty; a database that holds tables is refused with code 1). progress, when
// given, is told (tables done, tables in all) after each table. The error of
// a failure carries the user's sentence; nothing is left on the server.
Result<QList<TableCount>> migrateToServer(QSqlDatabase &source, QSqlDatabase &server,
                                          const std::function<void(int done, int total)> &progress = {});

} // namespace quirels::store
