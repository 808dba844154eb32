#pragma once
// What a backup and a restore do about the store among the files, for the
// backup screen and quirels-cli alike:
// - a store file is archived as a consistent copy holding every committed row
//   (also those still in its write-ahead log), and its log files are left
//   out, since the copy holds what they held;
// - before a store file is restored over, its old log files are set aside so
//   that none is replayed into the restored file; a shared index in an
//   archive is never restored;
// - after the restore, every restored store must pass the integrity check
//   before the restore counts as done.
// The caller closes its own connections to a store it restores over.
//
//     TBackupArchive archive(dialogs);
//     StoreGuard guard(archive, dialogs);
//     bool ok = archive.Restore(name, QString()) && guard.checkRestored(dialogs);

#include "backup/BackupArchive.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace quirels::backup {

class StoreGuard {
public:
    // Installs the archive's OnSourceFile and OnRestoreFile handlers; the
    // guard must live as long as the archive runs operations.
    StoreGuard(TBackupArchive &archive, Dialogs &dialogs);
    StoreGuard(const StoreGuard &) = delete;
    StoreGuard &operator=(const StoreGuard &) = delete;

    // After a restore: checks each store the restore wrote. The first
    // failure is shown and the result is false.
    bool checkRestored();
    // The stores the last checked restore wrote.
    QStringList restoredStores() const { return m_lastRestored; }

private:
    bool source(const QString &path, QString &source);
    void restoring(QString &fileName, bool &doRestore);

    Dialogs &m_dialogs;
    std::unique_ptr<QTemporaryDir> m_copies;
    int m_copyCount = 0;
    QStringList m_restored;
    QStringList m_lastRestored;
    bool m_failed = false;
};

} // namespace quirels::backup
