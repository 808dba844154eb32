#pragma once
// What differs between the two stores, in one place: the SQLite file of a
// data folder and a database on a PostgreSQL server. Everything else in the
// program issues the same statements on either.
//
// On the server every name of the schema is written without quotes, so the
// server folds it to lower case and every statement of the program, quoted
// or not, finds it (sql::id() leaves names unquoted for the server). Each
// table carries a column "rowid" like SQLite's own row number: the number of
// an auto-increment field where the table has one, else a number of its
// own, taken from the table's counter by the column's default, as the
// auto-increment field's is; a row given a number of its own above the
// counter moves it past that number (a trigger of the table), so numbers go
// as SQLite's AUTOINCREMENT gives them (the highest number ever given plus
// one, never reused). Text columns compare and order by code
// point as SQLite's do, whatever the server's language; nocase() gives the
// order of SQLite's NOCASE. instr(), ifnull(), total(), group_concat() and
// last_insert_rowid() exist as in SQLite. Unlike SQLite's, a number given
// by an insert that was rolled back is not given again: the counters of the
// server never wait for another workstation's transaction to end.

#include "Schema.h"
#include "base/Result.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <vector>

namespace quirels::store::dialect {

// True when the connection is on a PostgreSQL server.
bool isServer(const QSqlDatabase &db);

// CREATE statements for one table on the connection's store.
QStringList ddl(const QSqlDatabase &db, const schema::Table &t);
// The server's objects that every table relies on (the collation, the
// compatibility functions, the version table); nothing on SQLite.
QStringList commonDdl(const QSqlDatabase &db);

// An ORDER BY term that orders a text expression as SQLite's NOCASE does:
// ASCII letters without regard to case, everything else by code point
// ("expr COLLATE NOCASE" on SQLite).
QString nocase(const QSqlDatabase &db, const QString &expr);
// The ORDER BY term(s) that order a text expression as names (NameOrder.h):
// "expr COLLATE PTBR" on SQLite; on the server the folded text, then the
// text itself, both by code point.
QString names(const QSqlDatabase &db, const QString &expr);

// The server's version of a row, as text: it changes with every change of
// the row ("xmin::text").
QString rowVersion();

// The layout version stamped in the store; 0 when never stamped.
Result<int> schemaVersion(QSqlDatabase &db);
Status setSchemaVersion(QSqlDatabase &db, int version);

// The row number of the row the connection inserted last (SQLite's
// last_insert_rowid(); on the server, the number the session's last insert
// took from a counter).
qint64 lastInsertId(const QSqlQuery &q);
qint64 lastInsertId(QSqlDatabase &db);

// An INSERT statement that also gives back the number of the row it
// inserts, read with insertedId() after each run: on the server in the same
// round trip (RETURNING), on SQLite from the connection.
QString insertReturningId(const QSqlDatabase &db, const QString &insert);
qint64 insertedId(QSqlQuery &q);

// Moves the numbering of a table's auto-increment field to at least
// `highest` (a number given before, maybe by another store), so that the
// next row gets a higher one. Nothing for a table without such a field.
Status continueNumbering(QSqlDatabase &db, const schema::Table &t, qint64 highest);

// Server only: n numbers of the table's counter, in increasing order, taken
// now for rows the caller is about to insert with them (no other insert is
// given them; the numbers left unused are skipped).
Result<std::vector<qint64>> reserveNumbers(QSqlDatabase &db, const QString &table, qint64 n);

// The tables of the store (names as the store keeps them).
QStringList tableNames(QSqlDatabase &db);

// The field lists of a table's indexes, each as "F1;F2;...".
Result<QStringList> indexFieldLists(QSqlDatabase &db, const QString &table);

} // namespace quirels::store::dialect
