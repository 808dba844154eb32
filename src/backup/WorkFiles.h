#pragma once
// The work files a backup or a restore writes beside its archive or its
// targets before putting them in place, and the removal of those a killed
// run left behind. Each name carries the number of the process that made it,
// so a later run removes only what belongs to a process no longer running.

#include <QString>

namespace quirels::backup {

// "folder/.quirels-parcial-<pid>-<name>": a file being written for `name`.
QString workFileName(const QString &folder, const QString &name);
// A QTemporaryDir template "folder/.quirels-copia-<pid>-XXXXXX" for copies.
QString workFolderTemplate(const QString &folder);
// Removes from `folder` the work files and folders of processes that are no
// longer running. Returns how many it removed.
int removeLeftovers(const QString &folder);

} // namespace quirels::backup
