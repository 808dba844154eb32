#pragma once
// Where the declaration files go: the checks made before anything is written.
// On Windows the folder's drive must be a letter with a medium in it; on
// other systems, which have no drive letters, the folder must exist (or be
// created) and accept new files.

#include "base/Result.h"

#include <QString>

namespace quirels::exchange {

// Ok when files can be written into folder; otherwise an error (code 1) with
// the message to show.
Status prepareOutputFolder(const QString &folder);

// The drive letter of a folder, upper-cased, when it names a removable disk
// that is formatted before writing (A: or B:, on Windows only); a null QChar
// otherwise.
QChar floppyDrive(const QString &folder);

} // namespace quirels::exchange
