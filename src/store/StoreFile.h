#pragma once
// The store file handled as a whole, below the connection layer: a consistent
// copy of a live store, the log files beside it, its integrity, and the
// recovery of what can still be read from a damaged one. These work on the
// file's path through connections of their own, so the caller closes its
// connections to the store first where the file is to be replaced.

#include "base/Result.h"

#include <QString>
#include <QStringList>

namespace quirels::store::file {

// True when the file begins with the store's file header.
bool isStoreFile(const QString &path);

// The suffixes of the files the store keeps beside its file while it is in
// use: the write-ahead log, its shared index and the rollback journal.
const QStringList &logSuffixes();
// When path names a log file of a store ("quirels.db-wal"), the store's
// path; otherwise empty.
QString storeOfLogFile(const QString &path);

// Writes to target a copy of the store at source holding every committed
// row, also those still in the write-ahead log, taken in one read
// transaction while other connections keep reading and writing. A writer
// holding the store is waited for busyTimeoutMs. The copy has no log files.
Status snapshot(const QString &source, const QString &target, int busyTimeoutMs = 5000);

// Before the store file at path is replaced by another: moves its write-ahead
// log and rollback journal aside (to the same name plus ".anterior") and
// removes its shared index, so none of them is replayed into the new file.
Status setAsideLogs(const QString &path);

// The problems the store's integrity check reports for the file; empty when
// it is sound. A file that cannot be read at all is one problem.
QStringList integrityProblems(const QString &path);

// What a recovery read and lost.
struct Recovery {
    qint64 rowsCopied = 0;
    QStringList damagedTables; // tables with rows that could not be read
};

// Copies every row that can still be read from the store at source into a
// new store at target with the same tables, indexes and schema version.
Result<Recovery> recover(const QString &source, const QString &target);

} // namespace quirels::store::file
