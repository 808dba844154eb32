#pragma once
// The archive's disk files (internal to the backup): writing and reading one
// disk file at a time, or the caller's stream, buffered, with the format's
// little-endian words. Shared by the backup, the restore and the archive
// information.

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

namespace quirels::backup::archive {

// Each file of the backup that includes this has its own copy, as code of
// its own (internal linkage), so the compiler inlines it as it sees fit.
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

inline int percentOf(qint64 done, qint64 total)
{
    if (total <= 0)
        return 0;
    return static_cast<int>(std::clamp<qint64>(done * 100 / total, 0, 100));
}

// ---------------------------------------------------------------------------
// Archive output: one disk file at a time (or the caller's stream), buffered.

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

} // namespace

} // namespace quirels::backup::archive
