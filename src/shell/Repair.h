#pragma once
// The table repair: an integrity check of the store, its indexes rebuilt and
// the file compacted; a store that stays damaged is rebuilt from every row
// that can still be read, the damaged file kept beside it.

#include "base/Result.h"

#include <QString>
#include <QStringList>

namespace quirels::shell {

// The repair program, beside the application, and the access code it
// expects as its first argument.
inline const QString kRepairProgram = QStringLiteral("quirels-reparo");
inline const QString kRepairAccessCode = QStringLiteral("731946");

struct RepairReport {
    QStringList found;       // what the check found (Portuguese lines)
    QStringList done;        // what was done (Portuguese lines)
    QString keptOriginal;    // where the damaged file was kept, when it was replaced
    bool sound = false;      // the store passes the integrity check at the end
};

// Repairs the store of the data folder on connections of its own (the
// caller closes the others first), keeping the journal mode that "Local
// Share" of the machine's store configuration selects (sharedFolder). What
// the checks and the recovery report in the store's own words goes to the
// log of the data folder. An error when the store is missing or cannot be
// opened at all.
Result<RepairReport> repairDataFolder(const QString &dataFolder, bool sharedFolder = false);

// The older entry point: the problems still found after the repair; empty
// when the store is sound.
Result<QStringList> repairStore(const QString &dataFolder, bool sharedFolder = false);

} // namespace quirels::shell
