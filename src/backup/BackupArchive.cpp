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

void TBackupArchive::startRun()
{
    m_failureCode = 0;
    m_failureDetail.clear();
    m_continue = true;
    m_totalSize = 0;
    m_fileCount = 0;
    m_filesDone = 0;
    m_bytesProcessed = 0;
    m_archiveBytes = 0;
    m_currentFile.clear();
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
