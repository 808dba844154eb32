#pragma once
// TBackupArchive packs a list of files into a backup archive, optionally split
// over several disk files, and restores files from such an archive.
//
// Archive layout (all integers 32-bit signed little-endian, texts in
// Windows-1252 preceded by their length):
//   title length, title, total size, file count,
//   entries: name length (> 0), name, packed DOS time, data segments;
//            a "NEXT:DISKnnn" entry (no time, no data) ends a disk file whose
//            last file continues on the next one;
//   a name length of 0 on the last disk file.
// A segment is "EC2\0", then blocks (length word n and n bytes: n > 0 a zlib
// stream, n < 0 -n raw bytes) and an end word 0; or, read only, "ECS\0", the
// byte count S of the blocks that follow, then LZRW1KH blocks each preceded by
// its length word.

#include "Codecs.h"

#include "base/Dialogs.h"

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <functional>

namespace quirels::backup {

enum class TBackupMode { bmAll, bmIncremental };
enum class TRestoreMode { rmAll, rmNoOverwrite, rmNewer, rmExisting, rmExistingNewer };

// Error codes reported through OnError or the error dialog.
enum ErrorCode {
    kNoError = 0,
    kErrRead = 1,         // a file to archive cannot be read; a file cannot be restored
    kErrOverwrite = 2,    // no operation sets it
    kErrOpenArchive = 3,  // GetArchiveInfo cannot open the archive
    kErrWrite = 4,        // the archive cannot be created or written
    kErrInvalid = 5,      // the archive is not readable as an archive
    kErrCompression = 6,  // a zlib block cannot be coded or decoded
    kErrTempFile = 7,     // the file-information list cannot be written
};

// The message of an error code.
QString errorMessage(int code);

// The archive name that makes the component use the caller's stream.
inline const QString kStreamName = QStringLiteral(":STREAM");
// The name of the file-information entry.
inline const QString kFileListName = QStringLiteral("FILE:LIST");
// Free room kept below MaxSize in a disk file: one chunk and 100 bytes.
constexpr qint64 kDiskMargin = 16484;

class TBackupArchive {
public:
    // The dialogs show the error box and the disk prompt when no OnError or
    // OnNeedDisk handler is set.
    explicit TBackupArchive(Dialogs &dialogs);
    ~TBackupArchive();
    TBackupArchive(const TBackupArchive &) = delete;
    TBackupArchive &operator=(const TBackupArchive &) = delete;

    // Properties.
    QString Version() const { return QStringLiteral("3.00"); }
    QString BackupTitle() const { return m_title; }
    void setBackupTitle(const QString &title) { m_title = title; }
    TBackupMode BackupMode() const { return m_backupMode; }
    // bmIncremental also switches SetArchiveFlag on.
    void setBackupMode(TBackupMode mode);
    TCompressionLevel CompressionLevel() const { return m_level; }
    void setCompressionLevel(TCompressionLevel level) { m_level = level; }
    TRestoreMode RestoreMode() const { return m_restoreMode; }
    void setRestoreMode(TRestoreMode mode) { m_restoreMode = mode; }
    // Size limit of one disk file in bytes; 0 means one file without limit.
    // Any other value must be above kDiskMargin (the backup fails with code 4
    // otherwise), so that every disk file takes at least one block.
    qint32 MaxSize() const { return m_maxSize; }
    void setMaxSize(qint32 bytes) { m_maxSize = bytes; }
    // Clears each archived file's archive attribute. This platform has no such
    // attribute: the setting is kept but changes nothing on disk.
    bool SetArchiveFlag() const { return m_setArchiveFlag; }
    void setSetArchiveFlag(bool on) { m_setArchiveFlag = on; }
    bool RestoreFullPath() const { return m_restoreFullPath; }
    void setRestoreFullPath(bool on) { m_restoreFullPath = on; }
    bool SaveFileID() const { return m_saveFileID; }
    void setSaveFileID(bool on) { m_saveFileID = on; }
    // The stream used for the archive name ":STREAM" (not owned, never closed).
    QIODevice *Stream() const { return m_stream; }
    void setStream(QIODevice *stream) { m_stream = stream; }

    // Events.
    // Progress: file name, percentage 0..100; setting cont to false stops.
    std::function<void(const QString &fileName, int percent, bool &cont)> OnProgress;
    // Asks for the next disk; cont false stops the operation.
    std::function<void(quint16 diskId, bool &cont)> OnNeedDisk;
    // May change a restore target and whether it is written; fa is the
    // archived packed date-time.
    std::function<void(QString &fileName, qint32 fa, bool &doRestore)> OnRestoreFile;
    // Called for each file found for a backup, before anything is written:
    // source starts as the file's path and may be set to another file whose
    // bytes are archived under that path (a consistent copy of a file in
    // use), or emptied to leave the file out. False fails the backup with
    // kErrRead.
    std::function<bool(const QString &path, QString &source)> OnSourceFile;
    // Called once the patterns are found, before anything is read: may name
    // entries that are no file on disk (a database kept by a server). They
    // are archived first, each under its name, with the bytes of the file
    // OnSourceFile gives for it; an entry it leaves without a file is left
    // out. False fails the backup with kErrRead.
    std::function<bool(QStringList &entries)> OnExtraEntries;
    // A restore writes every file under a work name beside its target and
    // puts them in place only once the whole archive was read and checked.
    // Called then for each file, before any is put in place, with the work
    // file and its target: a non-empty text refuses the restore and is
    // reported as its failure.
    std::function<QString(const QString &work, const QString &target)> OnCheckRestored;
    // Called right before a checked file replaces its target; a non-empty
    // text stops the restore and is reported as its failure.
    std::function<QString(const QString &target)> OnReplacing;
    // Called when a backup ends, whatever its outcome.
    std::function<void()> OnBackupDone;
    // Replaces the error dialog.
    std::function<void(int code, const QString &message)> OnError;
    // Called between blocks so a user interface can handle pending input. By
    // default it lets the application's event loop run pending events.
    std::function<void()> ProcessEvents;

    // Operations.
    // Packs the files matched by the patterns. True exactly when the end
    // marker of the archive was written.
    bool Backup(const QStringList &patterns, const QString &archiveName);
    // Restores into destination (empty: every file to its stored path). True
    // when no error was set and the operation was not stopped.
    bool Restore(const QString &archiveName, const QString &destination);
    // Reads the header (TotalSize, FileCount, the title) and, when the first
    // entry is the file-information list and list is given, its lines.
    void GetArchiveInfo(const QString &archiveName, QStringList *list, QString &title);
    // 100 - (archive bytes written * 100 / TotalSize); 0 without data.
    int CompressionRate() const;
    bool Busy() const { return m_busy; }
    // Stops the running operation at its next block or entry.
    void Abort() { m_continue = false; }

    // Working state.
    qint64 TotalSize() const { return m_totalSize; }
    qint32 FileCount() const { return m_fileCount; }
    int FilesDone() const { return m_filesDone; }
    int FailureCode() const { return m_failureCode; }
    // What went wrong and where, when the failure has more to say than its
    // code's message (the text shown in its place).
    QString FailureDetail() const { return m_failureDetail; }
    qint64 BytesProcessed() const { return m_bytesProcessed; }
    qint64 ArchiveBytesWritten() const { return m_archiveBytes; }
    QString CurrentFile() const { return m_currentFile; }

    // The name of a continuation disk file: the archive name with its
    // extension replaced by the disk suffix (backup.bck -> backup.002).
    static QString diskFileName(const QString &archiveName, int disk);
    // The last three digits of "00" + disk number.
    static QString diskSuffix(int disk);

private:
    // No failure, no counts, nothing being read or written: a backup or
    // restore starting.
    void startRun();
    void setFailure(int code, const QString &detail = QString());
    void reportFailure();
    void reportError(int code);
    void progress(const QString &fileName, int percent);
    bool askDisk(int disk);
    void idle();

    Dialogs &m_dialogs;
    QString m_title;
    TBackupMode m_backupMode = TBackupMode::bmAll;
    TCompressionLevel m_level = TCompressionLevel::clFastest;
    TRestoreMode m_restoreMode = TRestoreMode::rmAll;
    qint32 m_maxSize = 0;
    bool m_setArchiveFlag = false;
    bool m_restoreFullPath = false;
    bool m_saveFileID = true;
    QIODevice *m_stream = nullptr;

    qint64 m_totalSize = 0;
    qint32 m_fileCount = 0;
    int m_filesDone = 0;
    qint64 m_bytesProcessed = 0;
    qint64 m_archiveBytes = 0;
    QString m_currentFile;
    bool m_busy = false;
    bool m_continue = true;
    int m_failureCode = 0;
    QString m_failureDetail;
};

// Texts of the restore page, shared by the screen and quirels-cli.
// "N files, M KB total", M being TotalSize / 1024 rounded half to even.
QString contentsLine(qint32 fileCount, qint64 totalSize);
// A file-information line ("path<TAB>time=size") shown as
// "path from <short date>, size bytes".
QString fileInfoDisplayLine(const QString &line);
// The same texts for the backup screen, in Portuguese.
QString screenContentsLine(qint32 fileCount, qint64 totalSize);
QString screenFileInfoLine(const QString &line);
// The path of a file-information line.
QString fileInfoPath(const QString &line);

} // namespace quirels::backup
