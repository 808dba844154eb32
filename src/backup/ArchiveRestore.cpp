#include "BackupArchive.h"
#include "ArchiveSegments.h"
#include "ArchiveVolumes.h"

#include "DosTime.h"
#include "Messages.h"
#include "WorkFiles.h"

#include "base/Cp1252.h"
#include "base/Numbers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace quirels::backup {

using namespace archive;

namespace {

// Separators of a stored name: archives from other systems use "\".
bool isSeparator(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); }

QStringList nameParts(const QString &name)
{
    QStringList parts;
    QString cur;
    for (QChar c : name) {
        if (isSeparator(c)) {
            if (!cur.isEmpty())
                parts.append(cur);
            cur.clear();
        } else {
            cur.append(c);
        }
    }
    if (!cur.isEmpty())
        parts.append(cur);
    return parts;
}

// A stored name without its drive or root part ("c:\dados\a.db" gives
// "dados/a.db", "/home/u/a.db" gives "home/u/a.db"); empty when a part is
// ".." or nothing is left.
QString withoutDrive(const QString &stored)
{
    if (stored.size() >= 2 && stored.at(1) == QLatin1Char(':') && stored.at(0).isLetter())
        return stored.mid(2);
    return stored;
}

QString relativeStoredPath(const QString &stored)
{
    QStringList kept;
    for (const QString &part : nameParts(withoutDrive(stored))) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String(".."))
            return QString();
        kept.append(part);
    }
    return kept.join(QLatin1Char('/'));
}

QString storedFileName(const QString &stored)
{
    const QStringList parts = nameParts(withoutDrive(stored));
    if (parts.isEmpty())
        return QString();
    const QString last = parts.last();
    if (last == QLatin1String(".") || last == QLatin1String(".."))
        return QString();
    return last;
}

// A stored path that can be written where it says: absolute here and
// without "." or ".." parts.
bool isSafeStoredPath(const QString &stored)
{
    if (!QDir::isAbsolutePath(stored))
        return false;
    for (const QString &part : stored.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        if (part == QLatin1String("..") || part == QLatin1String("."))
            return false;
    return true;
}

// Creates the missing folders of `folder`, top down, noting each one it
// creates in `created`.
bool createMissing(const QString &folder, QStringList &created)
{
    QStringList missing;
    QString p = QDir::cleanPath(folder);
    for (;;) {
        const QFileInfo fi(p);
        if (fi.exists() || fi.isSymLink())
            break;
        missing.prepend(p);
        const QString up = fi.path();
        if (up == p)
            break;
        p = up;
    }
    for (const QString &m : missing) {
        if (!QDir().mkdir(m))
            return false;
        created.append(m);
    }
    return QFileInfo(folder).isDir();
}

// The folder of a target inside the destination: every part below the
// destination must be a real folder, never a symbolic link (which could lead
// out of it); missing parts are created and noted in `created`.
bool makeFoldersBelow(const QString &root, const QString &folder, QStringList &created)
{
    if (!createMissing(root, created))
        return false;
    const QString base = QDir::cleanPath(QDir(root).absolutePath());
    const QString target = QDir::cleanPath(QDir(folder).absolutePath());
    if (target == base)
        return true;
    if (!target.startsWith(base + QLatin1Char('/')) && base != QLatin1String("/"))
        return false;
    QString p = base;
    for (const QString &part : target.mid(base.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (!p.endsWith(QLatin1Char('/')))
            p += QLatin1Char('/');
        p += part;
        const QFileInfo fi(p);
        if (fi.isSymLink())
            return false;
        if (fi.exists()) {
            if (!fi.isDir())
                return false;
            continue;
        }
        if (!QDir().mkdir(p))
            return false;
        created.append(p);
    }
    return true;
}

// A restored file, written under a work name beside its target. It is put
// in place by a rename over the target, which replaces whatever stands there
// (a symbolic link included, never the file a link points to), and only once
// the whole archive was read and checked.
class StagedFile : public Sink {
public:
    StagedFile(const QString &target, const QString &work)
        : target(target), work(work), m_file(work), m_buffer(static_cast<size_t>(kIoBuffer))
    {
    }

    bool open()
    {
        QFile::remove(work);
        return m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    }

    bool write(const unsigned char *data, int n) override
    {
        if (m_used + n > kIoBuffer && !flush())
            return false;
        std::memcpy(m_buffer.data() + m_used, data, static_cast<size_t>(n));
        m_used += n;
        written += n;
        return true;
    }

    // Flushes, sets the archived time and the permissions of the file it
    // replaces, and closes the work file.
    bool finish(quint32 time)
    {
        if (!flush() || !m_file.flush())
            return false;
        setFileDosTime(m_file, time);
        m_file.close();
        if (m_file.error() != QFileDevice::NoError)
            return false;
        const QFileInfo old(target);
        if (old.exists() && !old.isSymLink())
            QFile::setPermissions(work, old.permissions());
        return true;
    }

    QString errorString() const { return m_file.errorString(); }

    const QString target;
    const QString work;
    qint64 written = 0;
    qint64 expected = -1; // the length the archive's list gives, -1 unknown

private:
    bool flush()
    {
        if (m_used == 0)
            return true;
        const qint64 n = m_used;
        m_used = 0;
        return m_file.write(reinterpret_cast<const char *>(m_buffer.data()), n) == n;
    }

    QFile m_file;
    std::vector<unsigned char> m_buffer;
    qint64 m_used = 0;
};

// The lengths of the file-information list, by stored name.
QHash<QString, qint64> listedSizes(const QByteArray &text)
{
    QHash<QString, qint64> sizes;
    for (const QString &line : cp1252::decode(text).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        const qsizetype tab = line.lastIndexOf(QLatin1Char('\t'));
        const qsizetype eq = line.indexOf(QLatin1Char('='), tab + 1);
        if (tab <= 0 || eq < 0)
            continue;
        bool ok = false;
        const qint64 size = line.mid(eq + 1).toLongLong(&ok);
        if (ok && size >= 0)
            sizes.insert(line.left(tab), size);
    }
    return sizes;
}

} // namespace

// ---------------------------------------------------------------------------
// Restore

bool TBackupArchive::Restore(const QString &archiveName, const QString &destination)
{
    if (m_busy)
        return false;
    QString dest = destination;
    if (!dest.isEmpty() && !dest.endsWith(QLatin1Char('/')))
        dest += QLatin1Char('/');
    startRun();

    const bool fromStream = archiveName == kStreamName;
    ArchiveReader in;
    if (fromStream) {
        if (!m_stream)
            return false;
        in.openStream(m_stream);
    } else {
        if (!QFileInfo::exists(archiveName))
            return false;
        if (!in.openFile(archiveName)) {
            setFailure(kErrRead, msg::kHeaderUnreadable.arg(QDir::toNativeSeparators(archiveName)));
            reportFailure();
            return false;
        }
    }
    m_busy = true;

    const auto native = [](const QString &p) { return QDir::toNativeSeparators(p); };
    // The volume being read and its place in the sequence.
    int disk = 1;
    QString volume = archiveName;
    QString reading = msg::kArchiveHeader; // the entry being read, for messages
    const auto truncated = [&]() {
        setFailure(kErrRead, msg::kVolumeTruncated.arg(native(volume), reading) + msg::kNothingRestored);
    };

    std::unique_ptr<StagedFile> target; // the file being restored, until its last segment
    std::vector<std::unique_ptr<StagedFile>> staged; // read whole, waiting to be put in place
    QHash<QString, qint64> sizes;                    // from the file-information list
    quint32 targetTime = 0;
    bool endSeen = false;
    ZlibBlockDecoder zlib;
    std::vector<unsigned char> work(static_cast<size_t>(std::max(kChunkSize, kLzrwMaxOutput)));
    QSet<QString> cleaned; // folders whose leftovers of killed runs were removed

    auto afterBlock = [&](int produced) {
        idle();
        if (target && produced > 0) {
            m_bytesProcessed += produced;
            progress(target->target, percentOf(m_bytesProcessed, m_totalSize));
        }
    };
    // What this restore created: undone when it fails.
    QStringList createdFolders;
    // A file whose last segment was read: complete it and check its length
    // against the archive's list.
    auto finishTarget = [&]() {
        if (!target)
            return true;
        std::unique_ptr<StagedFile> t = std::move(target);
        const bool ok = t->finish(targetTime);
        const QString work = t->work;
        const qint64 written = t->written;
        const qint64 expected = t->expected;
        const QString path = t->target;
        staged.push_back(std::move(t));
        if (!ok) {
            setFailure(kErrRead, msg::kCannotWrite.arg(native(work), staged.back()->errorString()) +
                                     msg::kNothingRestored);
            return false;
        }
        if (expected >= 0 && written != expected) {
            setFailure(kErrRead, msg::kLengthMismatch.arg(native(path))
                                         .arg(written)
                                         .arg(expected) +
                                     msg::kNothingRestored);
            return false;
        }
        return true;
    };
    // After a restored file's segment: keep it open when the next entry
    // continues it on another disk, otherwise it is complete.
    auto afterSegment = [&]() {
        const unsigned char *next = in.peek(4 + 9);
        if (next && getLe32(next) == kDiskChangeNameLength && std::memcmp(next + 4, kDiskChangePrefix, 9) == 0)
            return true;
        return finishTarget();
    };
    // A segment read into a restored file, or read over (also the
    // file-information list, which is read but never restored).
    auto segment = [&](Sink *sink, bool restoring = true) {
        const SegmentCodes codes = sink && restoring ? SegmentCodes{kErrRead, kErrRead, kErrCompression, kSinkFailed}
                                        : SegmentCodes{kErrInvalid, kErrRead, kErrCompression, kSinkFailed};
        const int rc = SegmentReader::read(in, sink, codes, zlib, work.data(), m_continue, afterBlock);
        if (rc == kSinkFailed && target)
            setFailure(kErrRead, msg::kCannotWrite.arg(native(target->work), target->errorString()) +
                                     msg::kNothingRestored);
        else if (rc == kErrRead || rc == kSinkFailed)
            truncated();
        else if (rc > 0)
            setFailure(rc, msg::kVolumeTruncated.arg(native(volume), reading) + msg::kNothingRestored);
        return rc == 0;
    };

    QString title;
    qint32 total = 0;
    qint32 count = 0;
    if (!readHeader(in, title, total, count)) {
        setFailure(kErrRead, msg::kHeaderUnreadable.arg(native(volume)) + msg::kNothingRestored);
    } else {
        m_totalSize = total;
        m_fileCount = count;
    }

    while (m_continue) {
        qint32 len = 0;
        if (!in.readInt(len)) {
            truncated();
            break;
        }
        if (len == 0) {
            endSeen = true;
            break;
        }
        QByteArray name;
        if (len < 0 || len > kMaxNameLength || !in.readBytes(len, name)) {
            truncated();
            break;
        }

        if (isDiskChangeName(name)) {
            const int next = diskNumber(name);
            if (next < 0 || fromStream) {
                truncated();
                break;
            }
            // Each volume says which one follows it: a volume that names any
            // other than the next in the sequence is not in its place.
            if (next != disk + 1) {
                setFailure(kErrRead, msg::kVolumeOutOfOrder.arg(native(volume)).arg(disk) + msg::kNothingRestored);
                break;
            }
            in.close();
            const QString nextName = diskFileName(archiveName, next);
            bool found = false;
            while (!found) {
                if (!askDisk(next))
                    break;
                found = QFileInfo::exists(nextName);
            }
            if (!found) {
                m_continue = false;
                break;
            }
            disk = next;
            volume = nextName;
            if (!in.openFile(nextName)) {
                setFailure(kErrRead, msg::kVolumeTruncated.arg(native(volume), reading) + msg::kNothingRestored);
                break;
            }
            if (!segment(target.get()))
                break;
            if (target && !afterSegment())
                break;
            continue;
        }

        // A new entry: a file still open here was complete.
        if (!finishTarget())
            break;
        const QString stored = cp1252::decode(name);
        reading = stored;
        qint32 time = 0;
        if (!in.readInt(time)) {
            truncated();
            break;
        }
        if (name == kFileListName.toLatin1()) {
            // Read, never restored: the lengths every restored file must have.
            MemorySink list;
            if (!segment(&list, false))
                break;
            sizes = listedSizes(list.bytes);
            continue;
        }

        QString path;
        bool safe = false;
        if (dest.isEmpty()) {
            path = stored;
            safe = isSafeStoredPath(stored);
        } else {
            const QString rel = m_restoreFullPath ? relativeStoredPath(stored) : storedFileName(stored);
            safe = !rel.isEmpty();
            path = dest + rel;
        }
        // A name with a zero character names no file.
        if (path.contains(QChar(0)))
            safe = false;
        // The target's packed time, when it exists.
        const std::optional<quint32> found = safe ? fileDosTime(path) : std::nullopt;
        const bool exists = found.has_value();
        const quint32 current = found.value_or(0);
        const quint32 archived = static_cast<quint32>(time);
        bool doRestore = false;
        switch (m_restoreMode) {
        case TRestoreMode::rmAll: doRestore = true; break;
        case TRestoreMode::rmNoOverwrite: doRestore = !exists; break;
        case TRestoreMode::rmNewer: doRestore = !exists || current < archived; break;
        case TRestoreMode::rmExisting: doRestore = exists; break;
        case TRestoreMode::rmExistingNewer: doRestore = exists && current < archived; break;
        }
        bool callerChose = false;
        if (OnRestoreFile) {
            QString changed = path;
            OnRestoreFile(changed, time, doRestore);
            if (changed != path) {
                path = changed;
                safe = true; // the caller chose this target
                callerChose = true;
            }
        }
        if (doRestore && !safe) {
            // Never write outside the destination, nor to a place the stored
            // name does not plainly state.
            setFailure(kErrRead, msg::kUnsafeName.arg(stored) + msg::kNothingRestored);
            break;
        }
        if (doRestore && !dest.isEmpty() && !callerChose) {
            // Inside the destination no symbolic link is followed, neither a
            // folder nor the file itself: a link planted there could lead
            // the restore out of it.
            const QString folder = QFileInfo(path).absolutePath();
            if (!makeFoldersBelow(dest, folder, createdFolders)) {
                setFailure(kErrRead, msg::kLinkInDestination.arg(native(folder)) + msg::kNothingRestored);
                break;
            }
            if (QFileInfo(path).isSymLink()) {
                setFailure(kErrRead, msg::kLinkInDestination.arg(native(path)) + msg::kNothingRestored);
                break;
            }
        } else if (doRestore) {
            const QString folder = QFileInfo(path).absolutePath();
            createMissing(folder, createdFolders);
            if (!QFileInfo(folder).isDir())
                doRestore = false;
        }
        if (!doRestore) {
            if (!segment(nullptr))
                break;
            continue;
        }
        m_currentFile = path;
        const QFileInfo targetInfo(path);
        const QString folder = targetInfo.absolutePath();
        if (!cleaned.contains(folder)) {
            cleaned.insert(folder);
            removeLeftovers(folder);
        }
        target = std::make_unique<StagedFile>(path, workFileName(folder, targetInfo.fileName()));
        target->expected = sizes.value(stored, -1);
        targetTime = archived;
        if (!target->open()) {
            setFailure(kErrRead, msg::kCannotWrite.arg(native(path), target->errorString()) + msg::kNothingRestored);
            target.reset();
            break;
        }
        if (!segment(target.get()))
            break;
        if (!afterSegment())
            break;
    }
    if (endSeen && m_continue && m_failureCode == 0)
        finishTarget();
    if (target)
        staged.push_back(std::move(target)); // cut short: removed below

    // Every file was read whole and had its length: now the caller's
    // checks, and only then is each put in place.
    bool success = m_failureCode == 0 && m_continue && endSeen;
    if (success && OnCheckRestored) {
        for (const auto &t : staged) {
            const QString refusal = OnCheckRestored(t->work, t->target);
            if (!refusal.isEmpty()) {
                setFailure(kErrRead, refusal);
                success = false;
                break;
            }
        }
    }
    if (success) {
        for (const auto &t : staged) {
            if (OnReplacing) {
                const QString refusal = OnReplacing(t->target);
                if (!refusal.isEmpty()) {
                    setFailure(kErrRead, refusal);
                    success = false;
                    break;
                }
            }
            if (std::rename(QFile::encodeName(t->work).constData(), QFile::encodeName(t->target).constData()) != 0) {
                setFailure(kErrRead, msg::kCannotWrite.arg(native(t->target), QString::fromLocal8Bit(std::strerror(errno))));
                success = false;
                break;
            }
            ++m_filesDone;
        }
    }
    for (const auto &t : staged)
        QFile::remove(t->work); // nothing of a failed or stopped restore is left behind
    if (!success) {
        for (auto it = createdFolders.crbegin(); it != createdFolders.crend(); ++it)
            QDir().rmdir(*it);
    }
    in.close();
    progress(QString(), 100);
    m_busy = false;
    m_currentFile.clear();
    reportFailure();
    return success;
}

} // namespace quirels::backup
