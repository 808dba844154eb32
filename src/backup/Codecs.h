#pragma once
// The two block codecs of the backup archive.
//
// zlib: every chunk of up to 16384 bytes of file data becomes one complete,
// independent zlib stream, or stays raw when that stream would not fit in
// 16384 bytes. LZRW1KH: read only; blocks of at most 32768 bytes that decode
// into at most 32783 bytes.

#include <QByteArray>
#include <memory>

struct z_stream_s;

namespace quirels::backup {

constexpr int kChunkSize = 16384;          // file data per zlib block, and its output bound
constexpr int kLzrwMaxBlock = 32768;       // longest LZRW1KH block
constexpr int kLzrwMaxOutput = 32783;      // output area of one LZRW1KH block

enum class TCompressionLevel { clFastest, clNone, clDefault, clMax };

// The zlib level of each setting: 1, 0, -1 (the library's default), 9.
int zlibLevel(TCompressionLevel level);

// Codes chunks at one level. One encoder is reused from block to block; each
// block is still a fresh stream (the stream is reset between blocks), so any
// block decodes on its own.
class ZlibBlockEncoder {
public:
    explicit ZlibBlockEncoder(TCompressionLevel level);
    ~ZlibBlockEncoder();
    ZlibBlockEncoder(const ZlibBlockEncoder &) = delete;
    ZlibBlockEncoder &operator=(const ZlibBlockEncoder &) = delete;

    struct Block {
        const unsigned char *data = nullptr; // the coded bytes (valid until the next call)
        int size = 0;
        bool compressed = false;             // false: data is the chunk itself
    };

    // Codes a chunk of 1 to 16384 bytes. False on a zlib error.
    bool encode(const unsigned char *chunk, int size, Block &out);

private:
    bool start();
    std::unique_ptr<z_stream_s> m_stream;
    int m_level;
    bool m_ready = false;
    unsigned char m_out[kChunkSize];
};

// Decodes compressed zlib blocks. Reused like the encoder.
class ZlibBlockDecoder {
public:
    ZlibBlockDecoder();
    ~ZlibBlockDecoder();
    ZlibBlockDecoder(const ZlibBlockDecoder &) = delete;
    ZlibBlockDecoder &operator=(const ZlibBlockDecoder &) = delete;

    // Decodes one complete zlib stream of `size` bytes into out, which holds
    // 16384 bytes. Returns the decoded count, or -1 when the block is damaged:
    // not a complete stream, or more than 16384 bytes of output.
    int decode(const unsigned char *in, int size, unsigned char *out);

private:
    std::unique_ptr<z_stream_s> m_stream;
    bool m_ready = false;
};

// Decodes one LZRW1KH block of `length` bytes (1 to 32768) into out, which
// holds kLzrwMaxOutput bytes. Returns the decoded count, or -1 when the block
// is damaged: too long, an item cut short by the block's end, a copy reaching
// before the start of the output, or more output than the area holds.
int Lzrw1khDecompress(const unsigned char *block, int length, unsigned char *out);

// Conveniences over QByteArray.
struct EncodedBlock {
    QByteArray bytes;
    bool compressed = false;
};
// Empty optional-like result: ok is false on a zlib error.
bool encodeZlibBlock(const QByteArray &chunk, TCompressionLevel level, EncodedBlock &out);
// False when the block is damaged.
bool decodeZlibBlock(const QByteArray &block, bool compressed, QByteArray &out);
bool decodeLzrw1khBlock(const QByteArray &block, QByteArray &out);

} // namespace quirels::backup
