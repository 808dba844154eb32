#pragma once
// The table repair: an integrity check of the store, its indexes rebuilt and
// the file compacted.

#include "base/Result.h"

#include <QString>
#include <QStringList>

namespace quirels::shell {

// Repairs the store of the data folder on a connection of its own (the
// caller closes the others first). Returns the problems the integrity check
// still finds after the indexes were rebuilt; empty when the store is sound.
// An error when the store cannot be opened or a step fails.
Result<QStringList> repairStore(const QString &dataFolder);

} // namespace quirels::shell
