#include "BackupArchive.h"

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

namespace {

constexpr qint64 kIoBuffer = 1 << 20;       // archive and file reads/writes move in 1 MB pieces
constexpr qint32 kMaxNameLength = 32768;    // longest title or entry name accepted when reading
constexpr qint64 kMaxFileListBytes = 64LL << 20; // largest file-information text loaded into memory
const char kMarkerZlib[4] = {'E', 'C', '2', '\0'};
const char kDiskChangePrefix[] = "NEXT:DISK";
constexpr int kDiskChangeNameLength = 12;

inline void putLe32(unsigned char *p, qint32 v)
{
    const quint32 u = static_cast<quint32>(v);
    p[0] = static_cast<unsigned char>(u);
    p[1] = static_cast<unsigned char>(u >> 8);
    p[2] = static_cast<unsigned char>(u >> 16);
    p[3] = static_cast<unsigned char>(u >> 24);
}

inline qint32 getLe32(const unsigned char *p)
{
    const quint32 u = static_cast<quint32>(p[0]) | (static_cast<quint32>(p[1]) << 8) |
                      (static_cast<quint32>(p[2]) << 16) | (static_cast<quint32>(p[3]) << 24);
    return static_cast<qint32>(u);
}

bool hasWildcard(const QString &name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

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

int percentOf(qint64 done, qint64 total)
{
    if (total <= 0)
        return 0;
    return static_cast<int>(std::clamp<qint64>(done * 100 / total, 0, 100));
}

} // namespace

QString errorMessage(int code)
{
    switch (code) {
    case kErrRead: return msg::kReadFailure;
    case kErrOverwrite: return msg::kOverwriteFailure;
    case kErrOpenArchive: return msg::kReadFailure;
    case kErrWrite: return msg::kWriteFailure;
    case kErrInvalid: return msg::kInvalidArchive;
    case kErrCompression: return msg::kCompressionError;
    case kErrTempFile: return msg::kTempFileFailure;
    default: return QString();
    }
}

// ---------------------------------------------------------------------------
// Archive output: one disk file at a time (or the caller's stream), buffered.

namespace {

class ArchiveWriter {
public:
    ArchiveWriter() : m_buffer(static_cast<size_t>(kIoBuffer)) {}
    ~ArchiveWriter() { close(); }

    bool openFile(const QString &path)
    {
        m_file = std::make_unique<QFile>(path);
        if (!m_file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
            m_file.reset();
            return false;
        }
        m_device = m_file.get();
        m_diskPos = 0;
        return true;
    }

    void openStream(QIODevice *device)
    {
        m_device = device;
        m_diskPos = 0;
    }

    bool isStream() const { return m_device && !m_file; }
    qint64 diskPos() const { return m_diskPos; }
    bool failed() const { return m_failed; }

    bool put(const void *data, qint64 n)
    {
        if (m_failed || !m_device)
            return false;
        const auto *p = static_cast<const unsigned char *>(data);
        m_diskPos += n;
        if (n >= kIoBuffer) {
            return flush() && writeOut(p, n);
        }
        if (m_used + n > kIoBuffer && !flush())
            return false;
        std::memcpy(m_buffer.data() + m_used, p, static_cast<size_t>(n));
        m_used += n;
        return true;
    }

    bool putInt(qint32 v)
    {
        unsigned char b[4];
        putLe32(b, v);
        return put(b, 4);
    }

    bool flush()
    {
        if (m_failed)
            return false;
        if (m_used > 0) {
            const qint64 n = m_used;
            m_used = 0;
            if (!writeOut(m_buffer.data(), n))
                return false;
        }
        return true;
    }

    // Flushes and closes the disk file (a stream stays open).
    bool close()
    {
        const bool ok = m_device ? flush() : !m_failed;
        if (m_file) {
            m_file->close();
            if (m_file->error() != QFileDevice::NoError)
                m_failed = true;
            m_file.reset();
        }
        m_device = nullptr;
        return ok && !m_failed;
    }

private:
    bool writeOut(const unsigned char *p, qint64 n)
    {
        while (n > 0) {
            const qint64 w = m_device->write(reinterpret_cast<const char *>(p), n);
            if (w <= 0) {
                m_failed = true;
                return false;
            }
            p += w;
            n -= w;
        }
        return true;
    }

    std::unique_ptr<QFile> m_file;
    QIODevice *m_device = nullptr;
    std::vector<unsigned char> m_buffer;
    qint64 m_used = 0;
    qint64 m_diskPos = 0;
    bool m_failed = false;
};

// ---------------------------------------------------------------------------
// Archive input: one disk file at a time (or the caller's stream), buffered.
// Knows how many bytes are left in a disk file, so every length read from the
// archive can be checked against it.

class ArchiveReader {
public:
    ArchiveReader() : m_buffer(static_cast<size_t>(kIoBuffer)) {}
    ~ArchiveReader() { close(); }
    ArchiveReader(const ArchiveReader &) = delete;
    ArchiveReader &operator=(const ArchiveReader &) = delete;

    bool openFile(const QString &path)
    {
        close();
        m_file = std::make_unique<QFile>(path);
        if (!m_file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            m_file.reset();
            return false;
        }
        m_device = m_file.get();
        m_deviceLeft = m_file->size();
        return true;
    }

    void openStream(QIODevice *device)
    {
        close();
        m_device = device;
        m_deviceLeft = device->isSequential() ? -1 : std::max<qint64>(0, device->size() - device->pos());
    }

    void close()
    {
        // A caller's stream is left right after what was read from it.
        if (m_device && !m_file && !m_device->isSequential() && m_end > m_pos)
            m_device->seek(m_device->pos() - (m_end - m_pos));
        m_file.reset();
        m_device = nullptr;
        m_pos = m_end = 0;
        m_deviceLeft = -1;
    }

    bool isStream() const { return m_device && !m_file; }

    // Bytes left in this disk file, or -1 when the stream cannot tell.
    qint64 remaining() const { return m_deviceLeft < 0 ? -1 : m_deviceLeft + (m_end - m_pos); }

    bool fits(qint64 n) const
    {
        const qint64 left = remaining();
        return n >= 0 && (left < 0 || n <= left);
    }

    // Makes n bytes (n <= buffer size) available at data(); false at the end.
    bool ensure(qint64 n)
    {
        if (m_end - m_pos >= n)
            return true;
        if (!m_device)
            return false;
        if (m_pos > 0) {
            std::memmove(m_buffer.data(), m_buffer.data() + m_pos, static_cast<size_t>(m_end - m_pos));
            m_end -= m_pos;
            m_pos = 0;
        }
        while (m_end < n) {
            qint64 want = kIoBuffer - m_end;
            if (m_deviceLeft >= 0)
                want = std::min(want, m_deviceLeft);
            if (want <= 0)
                return false;
            const qint64 got = m_device->read(reinterpret_cast<char *>(m_buffer.data() + m_end), want);
            if (got <= 0) {
                if (!m_device->isSequential() || got < 0)
                    return false;
                if (!m_device->waitForReadyRead(30000))
                    return false;
                continue;
            }
            m_end += got;
            if (m_deviceLeft >= 0)
                m_deviceLeft -= got;
        }
        return true;
    }

    // Consumes n bytes (n <= buffer size) and returns them; nullptr at the end.
    const unsigned char *take(qint64 n)
    {
        if (!ensure(n))
            return nullptr;
        const unsigned char *p = m_buffer.data() + m_pos;
        m_pos += n;
        return p;
    }

    // The next n bytes without consuming them.
    const unsigned char *peek(qint64 n)
    {
        if (!ensure(n))
            return nullptr;
        return m_buffer.data() + m_pos;
    }

    bool readInt(qint32 &v)
    {
        const unsigned char *p = take(4);
        if (!p)
            return false;
        v = getLe32(p);
        return true;
    }

    bool readBytes(qint64 n, QByteArray &out)
    {
        if (!fits(n) || n > kIoBuffer)
            return false;
        const unsigned char *p = take(n);
        if (!p)
            return false;
        out = QByteArray(reinterpret_cast<const char *>(p), n);
        return true;
    }

    bool skip(qint64 n)
    {
        if (!fits(n))
            return false;
        const qint64 inBuffer = std::min(n, m_end - m_pos);
        m_pos += inBuffer;
        n -= inBuffer;
        if (n == 0)
            return true;
        if (!m_device->isSequential() && m_deviceLeft >= n) {
            if (!m_device->seek(m_device->pos() + n))
                return false;
            m_deviceLeft -= n;
            return true;
        }
        while (n > 0) {
            const qint64 step = std::min(n, kIoBuffer);
            if (!take(step))
                return false;
            n -= step;
        }
        return true;
    }

private:
    std::unique_ptr<QFile> m_file;
    QIODevice *m_device = nullptr;
    std::vector<unsigned char> m_buffer;
    qint64 m_pos = 0;
    qint64 m_end = 0;
    qint64 m_deviceLeft = -1;
};

// Where a decoded segment goes.
class Sink {
public:
    virtual ~Sink() = default;
    virtual bool write(const unsigned char *data, int n) = 0;
};

class MemorySink : public Sink {
public:
    bool write(const unsigned char *data, int n) override
    {
        if (bytes.size() + n > kMaxFileListBytes)
            return false;
        bytes.append(reinterpret_cast<const char *>(data), n);
        return true;
    }
    QByteArray bytes;
};

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

// Error codes for the ways reading a segment can fail.
struct SegmentCodes {
    int invalidMarker;
    int damaged;
    int zlib;
    int sinkFailed;
};
// The segment reader's code for a sink that refused its bytes, in a restore.
constexpr int kSinkFailed = 1000;

} // namespace

// ---------------------------------------------------------------------------

TBackupArchive::TBackupArchive(Dialogs &dialogs) : m_dialogs(dialogs)
{
    ProcessEvents = [] {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    };
}

TBackupArchive::~TBackupArchive() = default;

void TBackupArchive::setBackupMode(TBackupMode mode)
{
    m_backupMode = mode;
    if (mode == TBackupMode::bmIncremental)
        m_setArchiveFlag = true;
}

QString TBackupArchive::diskSuffix(int disk)
{
    const QString s = QStringLiteral("00") + QString::number(disk);
    return s.right(3);
}

QString TBackupArchive::diskFileName(const QString &archiveName, int disk)
{
    const int slash = std::max(archiveName.lastIndexOf(QLatin1Char('/')), archiveName.lastIndexOf(QLatin1Char('\\')));
    const int dot = archiveName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > slash ? archiveName.left(dot) : archiveName;
    return base + QLatin1Char('.') + diskSuffix(disk);
}

void TBackupArchive::setFailure(int code, const QString &detail)
{
    if (m_failureCode == 0) {
        m_failureCode = code;
        m_failureDetail = detail;
    }
    m_continue = false;
}

void TBackupArchive::reportError(int code)
{
    const QString text = errorMessage(code);
    if (OnError)
        OnError(code, text);
    else
        m_dialogs.error(text);
}

void TBackupArchive::reportFailure()
{
    if (m_failureCode == 0)
        return;
    if (m_failureDetail.isEmpty()) {
        reportError(m_failureCode);
        return;
    }
    if (OnError)
        OnError(m_failureCode, m_failureDetail);
    else
        m_dialogs.error(m_failureDetail);
}

void TBackupArchive::progress(const QString &fileName, int percent)
{
    if (!OnProgress)
        return;
    bool cont = true;
    OnProgress(fileName, percent, cont);
    if (!cont)
        m_continue = false;
}

void TBackupArchive::idle()
{
    if (ProcessEvents)
        ProcessEvents();
}

bool TBackupArchive::askDisk(int disk)
{
    bool cont = true;
    if (OnNeedDisk)
        OnNeedDisk(static_cast<quint16>(disk), cont);
    else
        cont = m_dialogs.confirmOkCancel(msg::kInsertDisk.arg(disk));
    return cont;
}

int TBackupArchive::CompressionRate() const
{
    if (m_totalSize <= 0)
        return 0;
    return static_cast<int>(100 - m_archiveBytes * 100 / m_totalSize);
}

// ---------------------------------------------------------------------------
// Backup

namespace {

struct ListedFile {
    QString path;
    QString source; // the file read for it
    qint64 size = 0;
    bool exists = false;
};

class FileFinder {
public:
    FileFinder(const QString &archiveKey) : m_archiveKey(archiveKey) {}

    void addPattern(const QString &pattern)
    {
        QString p = pattern.trimmed();
        bool recursive = false;
        // A trailing " /s" (or a pattern of only "/s") searches subfolders too.
        if (p.endsWith(QLatin1String("/s"), Qt::CaseInsensitive) && (p.size() == 2 || p.at(p.size() - 3).isSpace())) {
            recursive = true;
            p = p.left(p.size() - 2).trimmed();
        }
        if (p.isEmpty())
            return;
        const QString abs = QDir::cleanPath(QFileInfo(p).absoluteFilePath());
        const int slash = abs.lastIndexOf(QLatin1Char('/'));
        const QString dir = slash <= 0 ? QStringLiteral("/") : abs.left(slash);
        const QString name = abs.mid(slash + 1);
        if (name.isEmpty())
            return;
        search(dir, name, recursive);
    }

    QStringList files;

private:
    void add(const QString &path)
    {
        const QString key = path.toLower();
        if (key == m_archiveKey || m_seen.contains(key))
            return;
        m_seen.insert(key);
        files.append(path);
    }

    void search(const QString &dir, const QString &name, bool recursive)
    {
        if (hasWildcard(name)) {
            QDir d(dir);
            d.setNameFilters({name});
            d.setFilter(QDir::Files | QDir::Hidden);
            d.setSorting(QDir::Name | QDir::IgnoreCase);
            for (const QFileInfo &fi : d.entryInfoList())
                add(QDir::cleanPath(fi.absoluteFilePath()));
        } else {
            const QFileInfo fi(dir + QLatin1Char('/') + name);
            if (fi.isFile())
                add(QDir::cleanPath(fi.absoluteFilePath()));
        }
        if (!recursive)
            return;
        QDir d(dir);
        d.setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks);
        d.setSorting(QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo &sub : d.entryInfoList())
            search(sub.absoluteFilePath(), name, true);
    }

    QString m_archiveKey;
    QSet<QString> m_seen;
};

} // namespace

bool TBackupArchive::Backup(const QStringList &patterns, const QString &archiveName)
{
    if (m_busy)
        return false;
    m_failureCode = 0;
    m_failureDetail.clear();
    m_busy = true;
    m_continue = true;
    m_totalSize = 0;
    m_fileCount = 0;
    m_filesDone = 0;
    m_bytesProcessed = 0;
    m_archiveBytes = 0;
    m_currentFile.clear();

    const bool toStream = archiveName == kStreamName;
    const QString archivePath = toStream ? QString() : QDir::cleanPath(QFileInfo(archiveName).absoluteFilePath());
    bool success = false;
    std::unique_ptr<QTemporaryFile> fileList;
    ArchiveWriter out;
    // Every volume is written under a work name beside its final one and
    // renamed into place once the whole archive is written, so an archive of
    // the same name stays whole until the new one is complete.
    std::vector<std::pair<QString, QString>> volumes; // work name, final name
    auto openVolume = [&](const QString &finalName) {
        const QFileInfo fi(finalName);
        const QString work = workFileName(fi.absolutePath(), fi.fileName());
        QFile::remove(work);
        if (!out.openFile(work))
            return false;
        volumes.emplace_back(work, finalName);
        return true;
    };

    auto finish = [&]() {
        out.close();
        if (success) {
            for (auto it = volumes.crbegin(); it != volumes.crend(); ++it) {
                if (std::rename(QFile::encodeName(it->first).constData(), QFile::encodeName(it->second).constData()) != 0) {
                    success = false;
                    setFailure(kErrWrite, msg::kCannotWrite.arg(QDir::toNativeSeparators(it->second),
                                                               QString::fromLocal8Bit(std::strerror(errno))));
                    break;
                }
            }
        }
        for (const auto &v : volumes)
            QFile::remove(v.first); // what is left of a failed or stopped backup
        fileList.reset();
        if (OnBackupDone)
            OnBackupDone();
        progress(QString(), 100);
        m_busy = false;
        m_currentFile.clear();
        reportFailure();
        return success;
    };

    if (m_maxSize < 0 || (m_maxSize > 0 && m_maxSize <= kDiskMargin) || (toStream && !m_stream)) {
        setFailure(kErrWrite);
        return finish();
    }
    if (!toStream)
        removeLeftovers(QFileInfo(archivePath).absolutePath());

    // 1. The list of files.
    FileFinder finder(toStream ? QString() : archivePath.toLower());
    for (const QString &pattern : patterns)
        finder.addPattern(pattern);

    // 2. Sizes and the file-information text.
    progress(QString(), 0);
    std::vector<ListedFile> list;
    list.reserve(static_cast<size_t>(finder.files.size()) + 1);
    QByteArray fileInfo;
    QStringList extra;
    if (OnExtraEntries && !OnExtraEntries(extra)) {
        setFailure(kErrRead);
        return finish();
    }
    for (QString &e : extra)
        e = QDir::cleanPath(QFileInfo(e).absoluteFilePath());
    const qsizetype extraCount = extra.size();
    for (const QString &found : finder.files) {
        if (!extra.contains(found, Qt::CaseInsensitive))
            extra.append(found);
    }
    for (qsizetype k = 0; k < extra.size(); ++k) {
        const QString &path = extra.at(k);
        const bool onDisk = k >= extraCount;
        ListedFile f;
        f.path = path;
        f.source = onDisk ? path : QString();
        if (OnSourceFile && (!onDisk || QFileInfo::exists(path))) {
            if (!OnSourceFile(path, f.source)) {
                setFailure(kErrRead);
                return finish();
            }
        }
        if (f.source.isEmpty())
            continue; // left out, or an extra entry nobody gave a file for
        const QFileInfo info(path);
        f.exists = (info.exists() || !onDisk) && QFileInfo::exists(f.source);
        if (f.exists) {
            // Names are stored in Windows-1252; a name without a code for
            // every character cannot be archived.
            if (!cp1252::canEncode(path)) {
                setFailure(kErrRead);
                return finish();
            }
            f.size = QFileInfo(f.source).size();
            m_totalSize += f.size;
            if (m_saveFileID) {
                const QString line = path + QLatin1Char('\t') +
                                     QString::number(static_cast<qint32>(packDosTime(
                                         onDisk ? info.lastModified() : QFileInfo(f.source).lastModified()))) +
                                     QLatin1Char('=') + QString::number(f.size) + QStringLiteral("\r\n");
                fileInfo += *cp1252::encode(line);
            }
        }
        list.push_back(f);
    }
    m_fileCount = static_cast<qint32>(std::min<qsizetype>(list.size(), std::numeric_limits<qint32>::max()));

    // 3. The file-information list goes first, from a temporary file.
    if (m_saveFileID) {
        fileList = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/FIDXXXXXX"));
        if (!fileList->open() || fileList->write(fileInfo) != fileInfo.size() || !fileList->flush()) {
            setFailure(kErrTempFile);
            return finish();
        }
        fileList->close();
        ListedFile head;
        head.path = fileList->fileName();
        head.source = head.path;
        head.size = fileInfo.size();
        head.exists = true;
        list.insert(list.begin(), head);
        m_totalSize += fileInfo.size();
    }

    // 4. The archive and its header.
    const Result<QByteArray> title = cp1252::encode(m_title);
    if (toStream)
        out.openStream(m_stream);
    if (!title || (!toStream && !openVolume(archivePath))) {
        setFailure(kErrWrite);
        return finish();
    }
    // The header holds 32-bit sizes: a larger total is kept at the largest value.
    const qint32 headerTotal = static_cast<qint32>(std::min<qint64>(m_totalSize, std::numeric_limits<qint32>::max()));
    out.putInt(static_cast<qint32>(title->size()));
    out.put(title->constData(), title->size());
    out.putInt(headerTotal);
    out.putInt(m_fileCount);
    if (out.failed()) {
        setFailure(kErrWrite);
        return finish();
    }
    int disk = 1;

    // 5. The entries.
    ZlibBlockEncoder encoder(m_level);
    std::vector<unsigned char> readBuffer(static_cast<size_t>(kIoBuffer));
    for (size_t i = 0; i < list.size() && m_continue; ++i) {
        const ListedFile &entry = list[i];
        const bool isFileList = m_saveFileID && i == 0;
        if (!QFileInfo::exists(entry.source))
            continue;
        QFile src(entry.source);
        if (!src.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            setFailure(kErrRead);
            break;
        }
        m_currentFile = entry.path;
        const QByteArray name = isFileList ? kFileListName.toLatin1() : *cp1252::encode(entry.path);
        out.putInt(static_cast<qint32>(name.size()));
        out.put(name.constData(), name.size());
        // A substituted file carries the time of the file it stands for.
        const QDateTime modified = entry.source == entry.path || !QFileInfo::exists(entry.path)
                                       ? src.fileTime(QFileDevice::FileModificationTime)
                                       : QFileInfo(entry.path).lastModified();
        out.putInt(static_cast<qint32>(packDosTime(modified)));
        if (out.failed()) {
            setFailure(kErrWrite);
            break;
        }

        // Segments until the bytes the file had when opened are written.
        // With the file-information list, exactly the listed size: the
        // restore checks every file against it, so a file that lost bytes
        // since it was listed fails the backup instead.
        qint64 remaining = src.size();
        const bool listed = m_saveFileID && !isFileList;
        if (listed) {
            if (remaining < entry.size) {
                setFailure(kErrRead);
                break;
            }
            remaining = entry.size;
        }
        qint64 bufPos = 0;
        qint64 bufEnd = 0;
        bool ok = true;
        for (;;) {
            out.put(kMarkerZlib, 4);
            m_archiveBytes += 4;
            while (remaining > 0 && m_continue &&
                   (m_maxSize == 0 || out.diskPos() < static_cast<qint64>(m_maxSize) - kDiskMargin)) {
                if (bufPos == bufEnd) {
                    const qint64 got = src.read(reinterpret_cast<char *>(readBuffer.data()), std::min(kIoBuffer, remaining));
                    if (got < 0) {
                        setFailure(kErrRead);
                        ok = false;
                        break;
                    }
                    if (got == 0) {
                        // The file shrank: what it had is all there is,
                        // unless the list already gave its size.
                        if (listed) {
                            setFailure(kErrRead);
                            ok = false;
                        }
                        remaining = 0;
                        break;
                    }
                    bufPos = 0;
                    bufEnd = got;
                }
                const int n = static_cast<int>(std::min<qint64>({kChunkSize, bufEnd - bufPos, remaining}));
                ZlibBlockEncoder::Block block;
                if (!encoder.encode(readBuffer.data() + bufPos, n, block)) {
                    setFailure(kErrCompression);
                    ok = false;
                    break;
                }
                bufPos += n;
                out.putInt(block.compressed ? block.size : -block.size);
                out.put(block.data, block.size);
                if (out.failed()) {
                    setFailure(kErrWrite);
                    ok = false;
                    break;
                }
                m_archiveBytes += 4 + block.size;
                remaining -= n;
                m_bytesProcessed += n;
                idle();
                progress(entry.path, percentOf(m_bytesProcessed, m_totalSize));
            }
            if (!ok)
                break;
            out.putInt(0);
            if (out.failed()) {
                setFailure(kErrWrite);
                ok = false;
                break;
            }
            if (remaining <= 0 || !m_continue)
                break;

            // Change disks: the rest of the file goes to the next disk file.
            ++disk;
            if (disk > 999 || toStream) {
                setFailure(kErrWrite);
                ok = false;
                break;
            }
            const QByteArray change = QByteArray(kDiskChangePrefix) + diskSuffix(disk).toLatin1();
            out.putInt(static_cast<qint32>(change.size()));
            out.put(change.constData(), change.size());
            if (!out.close()) {
                setFailure(kErrWrite);
                ok = false;
                break;
            }
            if (!askDisk(disk)) {
                m_continue = false;
                ok = false;
                break;
            }
            if (!openVolume(diskFileName(archivePath, disk))) {
                setFailure(kErrWrite);
                ok = false;
                break;
            }
        }
        src.close();
        // The archive attribute has no counterpart here: SetArchiveFlag has
        // nothing to clear.
        if (!ok)
            break;
        if (!isFileList)
            ++m_filesDone;
    }

    // 6. The end marker.
    if (m_continue && m_failureCode == 0) {
        out.putInt(0);
        if (out.close())
            success = true;
        else
            setFailure(kErrWrite);
    }
    return finish();
}

// ---------------------------------------------------------------------------
// Reading segments

namespace {

// Reads one segment into sink, or over it when sink is null. Returns 0, an
// error code, or -1 when stopped by the continue flag between blocks.
class SegmentReader {
public:
    static int read(ArchiveReader &in, Sink *sink, const SegmentCodes &codes, ZlibBlockDecoder &zlib,
                    unsigned char *work, const bool &cont, const std::function<void(int)> &afterBlock)
    {
        const unsigned char *m = in.take(4);
        if (!m)
            return codes.damaged;
        // The marker is compared as text up to its first zero byte.
        const QByteArray marker(reinterpret_cast<const char *>(m), static_cast<int>(strnlen(reinterpret_cast<const char *>(m), 4)));
        if (marker == "EC2") {
            for (;;) {
                qint32 n = 0;
                if (!in.readInt(n))
                    return codes.damaged;
                if (n == 0)
                    return 0;
                if (!cont)
                    return -1;
                const bool compressed = n > 0;
                if (n < -kChunkSize || n > kChunkSize)
                    return codes.damaged;
                const int len = compressed ? n : -n;
                if (!sink) {
                    if (!in.skip(len))
                        return codes.damaged;
                    afterBlock(0);
                    continue;
                }
                if (!in.fits(len))
                    return codes.damaged;
                const unsigned char *block = in.take(len);
                if (!block)
                    return codes.damaged;
                int produced = len;
                const unsigned char *data = block;
                if (compressed) {
                    produced = zlib.decode(block, len, work);
                    if (produced < 0)
                        return codes.zlib;
                    data = work;
                }
                if (!sink->write(data, produced))
                    return codes.sinkFailed;
                afterBlock(produced);
            }
        }
        if (marker == "ECS") {
            qint32 left = 0;
            if (!in.readInt(left) || !in.fits(left))
                return codes.damaged;
            while (left > 0) {
                if (!cont)
                    return -1;
                qint32 n = 0;
                if (!in.readInt(n) || n <= 0 || n > kLzrwMaxBlock || n > left - 4)
                    return codes.damaged;
                if (!sink) {
                    if (!in.skip(n))
                        return codes.damaged;
                    left -= n + 4;
                    afterBlock(0);
                    continue;
                }
                const unsigned char *block = in.take(n);
                if (!block)
                    return codes.damaged;
                const int produced = Lzrw1khDecompress(block, n, work);
                if (produced < 0)
                    return codes.damaged;
                if (!sink->write(work, produced))
                    return codes.sinkFailed;
                left -= n + 4;
                afterBlock(produced);
            }
            return 0;
        }
        return codes.invalidMarker;
    }
};

// Reads the header: title, total size, file count.
bool readHeader(ArchiveReader &in, QString &title, qint32 &total, qint32 &count)
{
    qint32 len = 0;
    QByteArray bytes;
    if (!in.readInt(len) || len < 0 || len > kMaxNameLength || !in.readBytes(len, bytes))
        return false;
    if (!in.readInt(total) || !in.readInt(count))
        return false;
    title = cp1252::decode(bytes);
    return true;
}

bool isDiskChangeName(const QByteArray &name)
{
    return name.startsWith(kDiskChangePrefix);
}

// The disk number of a "NEXT:DISKnnn" name; -1 when the name is malformed.
int diskNumber(const QByteArray &name)
{
    if (name.size() != kDiskChangeNameLength)
        return -1;
    int n = 0;
    for (int i = 9; i < 12; ++i) {
        const char c = name.at(i);
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
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
    m_failureCode = 0;
    m_failureDetail.clear();
    m_filesDone = 0;
    m_continue = true;
    m_bytesProcessed = 0;
    m_archiveBytes = 0;
    m_totalSize = 0;
    m_fileCount = 0;
    m_currentFile.clear();

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

// ---------------------------------------------------------------------------
// GetArchiveInfo

void TBackupArchive::GetArchiveInfo(const QString &archiveName, QStringList *list, QString &title)
{
    title.clear();
    m_totalSize = 0;
    m_fileCount = 0;
    m_filesDone = 0;
    if (list)
        list->clear();
    if (m_busy)
        return;
    m_failureCode = 0;

    ArchiveReader in;
    if (archiveName == kStreamName) {
        if (!m_stream)
            return;
        in.openStream(m_stream);
    } else {
        if (!QFileInfo::exists(archiveName))
            return;
        if (!in.openFile(archiveName)) {
            m_failureCode = kErrOpenArchive;
            reportError(kErrOpenArchive);
            return;
        }
    }

    auto fail = [&]() {
        m_failureCode = kErrInvalid;
        reportError(kErrInvalid);
    };
    QString t;
    qint32 total = 0;
    qint32 count = 0;
    qint32 len = 0;
    if (!readHeader(in, t, total, count) || !in.readInt(len) || len < 0)
        return fail();
    QStringList lines;
    if (len > 0 && list) {
        QByteArray name;
        if (len > kMaxNameLength || !in.readBytes(len, name))
            return fail();
        if (name == kFileListName.toLatin1()) {
            qint32 time = 0;
            if (!in.readInt(time))
                return fail();
            MemorySink sink;
            ZlibBlockDecoder zlib;
            std::vector<unsigned char> work(static_cast<size_t>(std::max(kChunkSize, kLzrwMaxOutput)));
            const bool cont = true;
            const SegmentCodes codes{kErrInvalid, kErrInvalid, kErrInvalid, kErrInvalid};
            if (SegmentReader::read(in, &sink, codes, zlib, work.data(), cont, [](int) {}) != 0)
                return fail();
            const QString text = cp1252::decode(sink.bytes);
            lines = text.split(QStringLiteral("\r\n"));
            if (!lines.isEmpty() && lines.last().isEmpty())
                lines.removeLast();
        }
    }
    title = t;
    m_totalSize = total;
    m_fileCount = count;
    if (list)
        *list = lines;
}

// ---------------------------------------------------------------------------
// Texts of the restore page

namespace {

// Division by 1024 rounded to the nearest whole number, halves to even.
qint64 kilobytes(qint64 totalSize)
{
    const qint64 q = totalSize / 1024;
    const qint64 r = totalSize % 1024;
    qint64 kb = q;
    if (r > 512 || (r == 512 && (q & 1)))
        ++kb;
    else if (r < -512 || (r == -512 && (q & 1)))
        --kb;
    return kb;
}

struct FileInfoParts {
    QString path, date, size;
};

std::optional<FileInfoParts> fileInfoParts(const QString &line)
{
    const qsizetype tab = line.lastIndexOf(QLatin1Char('\t'));
    if (tab < 0)
        return std::nullopt;
    const QString rest = line.mid(tab + 1);
    const qsizetype eq = rest.indexOf(QLatin1Char('='));
    if (eq < 0)
        return std::nullopt;
    FileInfoParts p;
    p.path = line.left(tab);
    bool ok = false;
    const qint64 packed = rest.left(eq).toLongLong(&ok);
    if (ok) {
        if (const std::optional<QDateTime> t = unpackDosTime(static_cast<quint32>(packed)))
            p.date = numbers::appLocale().toString(t->date(), QLocale::ShortFormat);
    }
    p.size = rest.mid(eq + 1);
    return p;
}

} // namespace

QString contentsLine(qint32 fileCount, qint64 totalSize)
{
    return QString::number(fileCount) + msg::kContentsFiles + QString::number(kilobytes(totalSize)) +
           msg::kContentsKbTotal;
}

QString fileInfoDisplayLine(const QString &line)
{
    const std::optional<FileInfoParts> p = fileInfoParts(line);
    if (!p)
        return line;
    return p->path + msg::kFileInfoFrom + p->date + QStringLiteral(", ") + p->size + msg::kFileInfoBytes;
}

QString screenContentsLine(qint32 fileCount, qint64 totalSize)
{
    return msg::kScreenContents.arg(fileCount).arg(kilobytes(totalSize));
}

QString screenFileInfoLine(const QString &line)
{
    const std::optional<FileInfoParts> p = fileInfoParts(line);
    if (!p)
        return line;
    return msg::kScreenFileInfo.arg(p->path, p->date, p->size);
}

QString fileInfoPath(const QString &line)
{
    const std::optional<FileInfoParts> p = fileInfoParts(line);
    return p ? p->path : line;
}

} // namespace quirels::backup
