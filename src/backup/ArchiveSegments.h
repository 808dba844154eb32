#pragma once
// The archive's segments (internal to the backup): where a decoded segment
// goes, reading one segment block by block, the header and the disk-change
// entries.

#include "ArchiveVolumes.h"

namespace quirels::backup::archive {

// Each file of the backup that includes this has its own copy, as code of
// its own (internal linkage), so the compiler inlines it as it sees fit.
namespace {

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

// Error codes for the ways reading a segment can fail.
struct SegmentCodes {
    int invalidMarker;
    int damaged;
    int zlib;
    int sinkFailed;
};
// The segment reader's code for a sink that refused its bytes, in a restore.
constexpr int kSinkFailed = 1000;

// ---------------------------------------------------------------------------
// Reading segments

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
inline bool readHeader(ArchiveReader &in, QString &title, qint32 &total, qint32 &count)
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

inline bool isDiskChangeName(const QByteArray &name)
{
    return name.startsWith(kDiskChangePrefix);
}

// The disk number of a "NEXT:DISKnnn" name; -1 when the name is malformed.
inline int diskNumber(const QByteArray &name)
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

} // namespace quirels::backup::archive
