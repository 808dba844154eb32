#pragma once
// The machine-wide store configuration: a file of sections and entries shared
// by every program on the machine that uses the store, holding how the store
// is shared ("LOCAL SHARE" in "\System\Init") and the network control folder
// ("NET DIR" in "\Drivers\Paradox\Init"). Entry names are kept in upper case.

#include "base/Result.h"

#include <QString>

namespace quirels::store::config {

inline const QString kSystemInit = QStringLiteral("\\System\\Init");
inline const QString kDriverInit = QStringLiteral("\\Drivers\\Paradox\\Init");
inline const QString kLocalShare = QStringLiteral("Local Share");
inline const QString kNetDir = QStringLiteral("Net Dir");

// The machine's file, where layout::Places puts it: run from a writable
// folder, in the system's configuration folder when it can be written there,
// otherwise in the user's; installed, /etc/quirels unless the user keeps one.
QString defaultPath();

// Sets entry `name` of `section` to `value`: every line of the section whose
// upper-cased text holds the upper-cased name becomes the upper-cased name,
// "=" and the value; a section without such a line gains one. The file is
// written at once.
Status changeEntry(const QString &path, const QString &section, const QString &name, const QString &value);

// The value of an entry (names matched without regard to case); empty when absent.
QString entry(const QString &path, const QString &section, const QString &name);

// Whether "LOCAL SHARE" of "\System\Init" is "TRUE" (any case): the store is
// shared over a network folder and kept in a journal mode safe there. False
// when the file or the entry is missing or unreadable.
bool localShare(const QString &path);

} // namespace quirels::store::config
