#pragma once
// What a backup and a restore do about the store among the files, for the
// backup screen and quirels-cli alike:
// - a store file is archived as a consistent copy holding every committed row
//   (also those still in its write-ahead log), and its log files are left
//   out, since the copy holds what they held;
// - a restored store must pass the integrity check before any file of the
//   restore is put in place; right before a store file is replaced, its old
//   log files are set aside so that none is replayed into the restored
//   file; a shared index in an archive is never restored;
// - the working copies (of a store, of a server's database) are kept in a
//   folder beside the store or the data folder, removed when the operation
//   ends; those a killed run left are removed by the next one.
// - when the store is a database server, every backup holds a snapshot of
//   it as the member "quirels-servidor.dump" of the data folder, first in
//   the archive; a restore to the stored places loads that snapshot into the
//   server's database, which must be empty (a database that holds tables is
//   refused before any file is written); a restore into another folder
//   writes the snapshot there as a file.
// The caller closes its own connections to a store it restores over.
//
//     TBackupArchive archive(dialogs);
//     StoreGuard guard(archive, dialogs);
//     bool ok = archive.Restore(name, QString()) && guard.checkRestored(dialogs);

#include "backup/BackupArchive.h"
#include "backup/store/ServerSnapshot.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace quirels::backup {

class StoreGuard {
public:
    // Installs the archive's OnSourceFile and OnRestoreFile handlers; the
    // guard must live as long as the archive runs operations.
    StoreGuard(TBackupArchive &archive, Dialogs &dialogs);
    StoreGuard(const StoreGuard &) = delete;
    StoreGuard &operator=(const StoreGuard &) = delete;

    // The store is the database of a server (or, with nullopt, the files of
    // the data folder); the data folder names the snapshot's member and
    // receives the log.
    void setServer(std::optional<ServerTarget> server, const QString &dataFolder);
    // Whether the next restores write to the stored places (true by default);
    // only then is a snapshot loaded into the server.
    void setRestoringInPlace(bool inPlace) { m_inPlace = inPlace; }

    // After a restore: checks each store the restore wrote and loads a
    // server snapshot it held. The first failure is shown and the result is
    // false.
    bool checkRestored();
    // Whether the last checked restore was refused because the server's
    // database was not empty.
    bool serverRefused() const { return m_lastRefused; }
    // The stores the last checked restore wrote.
    QStringList restoredStores() const { return m_lastRestored; }

private:
    bool source(const QString &path, QString &source);
    void restoring(QString &fileName, bool &doRestore);
    void restoringSnapshot(QString &fileName, bool &doRestore);
    bool makeCopies(const QString &besides);
    QString checkStaged(const QString &work, const QString &target) const;
    QString replacing(const QString &target);

    QString snapshotEntry() const;

    TBackupArchive &m_archive;
    Dialogs &m_dialogs;
    std::optional<ServerTarget> m_server;
    QString m_dataFolder;
    bool m_inPlace = true;
    QString m_serverSnapshot; // restored, to be loaded
    bool m_refused = false;
    bool m_lastRefused = false;
    std::unique_ptr<QTemporaryDir> m_copies;
    int m_copyCount = 0;
    QStringList m_restored;
    QStringList m_lastRestored;
    bool m_failed = false;
};

} // namespace quirels::backup
