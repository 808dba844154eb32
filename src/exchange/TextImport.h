#pragma once
// The text file import: reads a fixed-column Windows-1252 file line by line
// and stores each line as a row of the table its record type names. The
// whole file is one transaction: when any line fails, when an overwrite is
// declined or when the file cannot be read, every table stays exactly as it
// was before the import.

#include "base/Dialogs.h"
#include "base/Result.h"
#include "store/PeriodKey.h"

#include <QSqlDatabase>
#include <QString>

class QIODevice;

namespace quirels::exchange {

struct TextImportResult {
    enum class Outcome {
        Imported, // every line read; the rows are stored
        Declined, // "Não" to overwriting a period: nothing stored, no message
        Failed,   // nothing stored; error says why
    };
    Outcome outcome = Outcome::Imported;
    // The company and period current after the last line (the latest EM and
    // ME lines); empty when the file had none.
    QString company;
    PeriodKey period;
    // Failed: the message (naming the line when a line failed) and its code:
    // 1 a line refused by a value check or a record rule, 2 the file could not
    // be read or the store refused.
    Error error;
    // The failure is a record rule's refusal, shown as information; other
    // failures are errors.
    bool ruleRefusal = false;
    qint64 failedLine = 0;
    qint64 lines = 0;        // lines read
    qint64 rowsWritten = 0;  // rows inserted or updated

    bool ok() const { return outcome == Outcome::Imported; }
};

// Imports from a device that is open for reading. Questions (an existing
// company, an existing period) go through dialogs; progress runs over the
// bytes of the device when its size is known. The import runs in one
// transaction on db.
TextImportResult importTextFile(QSqlDatabase &db, QIODevice &device, Dialogs &dialogs,
                                Progress &progress = noProgress());
// Opens the file and imports it; a file that cannot be opened fails with the
// system's reason and nothing is imported.
TextImportResult importTextFile(QSqlDatabase &db, const QString &path, Dialogs &dialogs,
                                Progress &progress = noProgress());

// Shows the message of a failed import: an information box for a record
// rule's refusal, an error box otherwise. Nothing for other outcomes.
void reportFailure(const TextImportResult &result, Dialogs &dialogs);

} // namespace quirels::exchange
