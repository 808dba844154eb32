#include "Codecs.h"

#include <zlib.h>

#include <cstring>

namespace quirels::backup {

int zlibLevel(TCompressionLevel level)
{
    switch (level) {
    case TCompressionLevel::clFastest: return 1;
    case TCompressionLevel::clNone: return 0;
    case TCompressionLevel::clDefault: return Z_DEFAULT_COMPRESSION;
    case TCompressionLevel::clMax: return 9;
    }
    return Z_DEFAULT_COMPRESSION;
}

ZlibBlockEncoder::ZlibBlockEncoder(TCompressionLevel level)
    : m_stream(std::make_unique<z_stream_s>()), m_level(zlibLevel(level))
{
}

ZlibBlockEncoder::~ZlibBlockEncoder()
{
    if (m_ready)
        deflateEnd(m_stream.get());
}

bool ZlibBlockEncoder::start()
{
    if (m_ready)
        return deflateReset(m_stream.get()) == Z_OK;
    std::memset(m_stream.get(), 0, sizeof(z_stream_s));
    // Method deflate, 15-bit window, memory level 8, default strategy: the
    // same stream a plain deflateInit makes.
    if (deflateInit2(m_stream.get(), m_level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    m_ready = true;
    return true;
}

bool ZlibBlockEncoder::encode(const unsigned char *chunk, int size, Block &out)
{
    if (size <= 0 || size > kChunkSize || !start())
        return false;
    z_stream_s *s = m_stream.get();
    s->next_in = const_cast<Bytef *>(chunk);
    s->avail_in = static_cast<uInt>(size);
    s->next_out = m_out;
    s->avail_out = kChunkSize;
    const int rc = deflate(s, Z_FINISH);
    if (rc == Z_STREAM_END) {
        out.data = m_out;
        out.size = static_cast<int>(s->total_out);
        out.compressed = true;
        return true;
    }
    if (rc == Z_OK || rc == Z_BUF_ERROR) {
        // The stream did not fit in the output buffer: the chunk stays raw.
        out.data = chunk;
        out.size = size;
        out.compressed = false;
        return true;
    }
    // A failed stream is started afresh on the next block.
    deflateEnd(s);
    m_ready = false;
    return false;
}

ZlibBlockDecoder::ZlibBlockDecoder() : m_stream(std::make_unique<z_stream_s>()) {}

ZlibBlockDecoder::~ZlibBlockDecoder()
{
    if (m_ready)
        inflateEnd(m_stream.get());
}

int ZlibBlockDecoder::decode(const unsigned char *in, int size, unsigned char *out)
{
    if (size <= 0)
        return -1;
    z_stream_s *s = m_stream.get();
    if (m_ready) {
        if (inflateReset(s) != Z_OK)
            return -1;
    } else {
        std::memset(s, 0, sizeof(z_stream_s));
        if (inflateInit(s) != Z_OK)
            return -1;
        m_ready = true;
    }
    s->next_in = const_cast<Bytef *>(in);
    s->avail_in = static_cast<uInt>(size);
    s->next_out = out;
    s->avail_out = kChunkSize;
    const int rc = inflate(s, Z_FINISH);
    if (rc != Z_STREAM_END)
        return -1;
    return static_cast<int>(s->total_out);
}

int Lzrw1khDecompress(const unsigned char *block, int length, unsigned char *out)
{
    if (length <= 0 || length > kLzrwMaxBlock)
        return -1;
    if (block[0] == 0x80) {
        // Stored block: the data follow the flag byte.
        std::memcpy(out, block + 1, static_cast<size_t>(length - 1));
        return length - 1;
    }
    if (length < 3)
        return 0; // a control word and no item
    unsigned control = (static_cast<unsigned>(block[1]) << 8) | block[2];
    int items = 16;
    int pos = 3;
    int n = 0;
    while (pos < length) {
        if (items == 0) {
            if (pos + 2 > length)
                return -1;
            control = (static_cast<unsigned>(block[pos]) << 8) | block[pos + 1];
            pos += 2;
            items = 16;
            // A control word at the very end announces an item that is not there.
            if (pos >= length)
                return -1;
        }
        if ((control & 0x8000u) == 0) {
            if (n >= kLzrwMaxOutput)
                return -1;
            out[n++] = block[pos++];
        } else {
            if (pos + 2 > length)
                return -1;
            const int b0 = block[pos];
            const int b1 = block[pos + 1];
            const int offset = (b0 << 4) | (b1 >> 4);
            if (offset == 0) {
                // Run item: count copies of one byte.
                if (pos + 4 > length)
                    return -1;
                const int count = ((b1 & 0x0F) << 8) + block[pos + 2] + 16;
                if (count > kLzrwMaxOutput - n)
                    return -1;
                std::memset(out + n, block[pos + 3], static_cast<size_t>(count));
                n += count;
                pos += 4;
            } else {
                // Copy item: may overlap the bytes it produces, so byte by byte.
                const int count = (b1 & 0x0F) + 3;
                if (offset > n || count > kLzrwMaxOutput - n)
                    return -1;
                const unsigned char *from = out + n - offset;
                unsigned char *to = out + n;
                for (int i = 0; i < count; ++i)
                    to[i] = from[i];
                n += count;
                pos += 2;
            }
        }
        control = (control << 1) & 0xFFFFu;
        --items;
    }
    return n;
}

bool encodeZlibBlock(const QByteArray &chunk, TCompressionLevel level, EncodedBlock &out)
{
    ZlibBlockEncoder encoder(level);
    ZlibBlockEncoder::Block b;
    if (!encoder.encode(reinterpret_cast<const unsigned char *>(chunk.constData()), static_cast<int>(chunk.size()), b))
        return false;
    out.bytes = QByteArray(reinterpret_cast<const char *>(b.data), b.size);
    out.compressed = b.compressed;
    return true;
}

bool decodeZlibBlock(const QByteArray &block, bool compressed, QByteArray &out)
{
    if (block.size() > kChunkSize || block.isEmpty())
        return false;
    if (!compressed) {
        out = block;
        return true;
    }
    unsigned char buffer[kChunkSize];
    ZlibBlockDecoder decoder;
    const int n = decoder.decode(reinterpret_cast<const unsigned char *>(block.constData()), static_cast<int>(block.size()), buffer);
    if (n < 0)
        return false;
    out = QByteArray(reinterpret_cast<const char *>(buffer), n);
    return true;
}

bool decodeLzrw1khBlock(const QByteArray &block, QByteArray &out)
{
    if (block.size() > kLzrwMaxBlock)
        return false;
    unsigned char buffer[kLzrwMaxOutput];
    const int n = Lzrw1khDecompress(reinterpret_cast<const unsigned char *>(block.constData()), static_cast<int>(block.size()), buffer);
    if (n < 0)
        return false;
    out = QByteArray(reinterpret_cast<const char *>(buffer), n);
    return true;
}

} // namespace quirels::backup
