#include "BackupArchive.h"
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

bool hasWildcard(const QString &name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

} // namespace

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
    startRun();
    m_busy = true;

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

} // namespace quirels::backup
