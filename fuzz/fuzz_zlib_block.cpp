// Fuzzes the zlib block codec: decoding any bytes stays within the 16384-byte
// output or is refused, and every chunk coded at any level decodes back to
// itself.
#include "backup/Codecs.h"

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace quirels::backup;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > static_cast<size_t>(kChunkSize) + 1)
        return 0;
    const int n = static_cast<int>(size - 1);
    std::unique_ptr<unsigned char[]> in(new unsigned char[n ? n : 1]);
    if (n)
        std::memcpy(in.get(), data + 1, static_cast<size_t>(n));
    std::unique_ptr<unsigned char[]> out(new unsigned char[kChunkSize]);

    static ZlibBlockDecoder decoder; // reused, as the archive reader does
    const int got = decoder.decode(in.get(), n, out.get());
    if (got > kChunkSize || got < -1)
        std::abort();

    if (n == 0)
        return 0;
    const TCompressionLevel levels[] = {TCompressionLevel::clFastest, TCompressionLevel::clNone,
                                        TCompressionLevel::clDefault, TCompressionLevel::clMax};
    ZlibBlockEncoder encoder(levels[data[0] & 3]);
    ZlibBlockEncoder::Block block;
    if (!encoder.encode(in.get(), n, block))
        std::abort();
    if (!block.compressed) {
        if (block.size != n || std::memcmp(block.data, in.get(), static_cast<size_t>(n)) != 0)
            std::abort();
        return 0;
    }
    if (block.size > kChunkSize)
        std::abort();
    const int back = decoder.decode(block.data, block.size, out.get());
    if (back != n || std::memcmp(out.get(), in.get(), static_cast<size_t>(n)) != 0)
        std::abort();
    return 0;
}
