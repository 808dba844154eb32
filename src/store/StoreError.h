#pragma once
// Store failures as the user reads them.
//
// A failed call of the store becomes one Portuguese sentence that says what
// failed and what to do (another program is using the store, the store is
// damaged, the disk is full, a row with that key exists, ...). The store's
// own technical text never reaches the user: it is appended, with the time
// and the store's error code, to the log file "quirels.log" in the data
// folder of the connection that failed.
//
// sql::errorText() answers with describe(...).message, so every caller of
// the sql helpers (and every Status they return) already carries the
// sentence. Code that holds a QSqlError itself calls describe() directly.
//
// Usage:
//     if (!q.exec()) {
//         const store::Failure f = store::describe(q);
//         return makeError(f.message, 2);   // f.aboutRow(): may name the line
//     }

#include <QString>

class QSqlDatabase;
class QSqlDriver;
class QSqlError;
class QSqlQuery;

namespace quirels::store {

inline const QString kLogFile = QStringLiteral("quirels.log");

enum class FailureKind {
    Busy,      // another program holds the store longer than the busy timeout
    Damaged,   // the file is not a sound store
    NoSpace,   // the disk of the data folder is full
    ReadOnly,  // the store or its folder cannot be written
    CantOpen,  // the store file cannot be opened
    Disk,      // the device failed to read or write
    Missing,   // a table of the store is missing
    Duplicate, // a row with the same key exists
    Required,  // a required field has no value
    Refused,   // another rule of the table refused the row
    Other,     // anything else
};

struct Failure {
    FailureKind kind = FailureKind::Other;
    QString message; // the sentence for the user

    // True when the failure concerns the row being written (its key or its
    // values), so a caller may name the row or line; false when the store
    // as a whole failed and no line of the user's is to blame.
    bool aboutRow() const
    {
        return kind == FailureKind::Duplicate || kind == FailureKind::Required || kind == FailureKind::Refused;
    }
};

// Classifies the error, writes its technical text to the log of the
// connection's data folder and returns the sentence. An error that is not
// valid gives an empty message and logs nothing.
Failure describe(const QSqlError &error, const QSqlDriver *driver);
Failure describe(const QSqlQuery &query);
Failure describe(const QSqlDatabase &db);

// The data folder whose log receives the failures of a connection's driver.
// store::open() registers every connection it opens and store::close()
// forgets it; the failures of a connection that was never registered go to
// the folder registered last.
void setLogFolder(const QSqlDriver *driver, const QString &folder);
void forgetLogFolder(const QSqlDriver *driver);
// The log file of a data folder.
QString logPath(const QString &dataFolder);
// Appends a technical text that is no store error of a connection (what a
// check of the store file reported, a step of a repair, a failed server
// client) to the log of the data folder, with the time and the code when
// there is one; surrounding blanks (a program's last line end) are dropped.
void logDetail(const QString &dataFolder, const QString &text, const QString &code = QString());

} // namespace quirels::store
