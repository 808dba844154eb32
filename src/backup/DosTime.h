#pragma once
// Packed MS-DOS date-times: the date in the high 16 bits (year since 1980,
// month, day), the time in the low 16 bits (hour, minute, seconds / 2). The
// archive keeps file times in this form; on this platform they come from and
// go to the file's modification time in local time.

#include <QDateTime>
#include <QString>
#include <optional>

class QFileDevice;

namespace quirels::backup {

// Packs a local date-time. Seconds are truncated to even; times before 1980
// or after 2107 are clamped to the first or last time the form can hold.
quint32 packDosTime(const QDateTime &localTime);

// The local date-time of a packed value; nothing when a field is out of range.
std::optional<QDateTime> unpackDosTime(quint32 packed);

// The packed modification time of a file; nothing when it does not exist.
std::optional<quint32> fileDosTime(const QString &path);

// Sets an open file's modification time. False when the value is not a valid
// date-time or the platform refuses.
bool setFileDosTime(QFileDevice &file, quint32 packed);

} // namespace quirels::backup
