// Fuzzes the LZRW1KH block decoder: any input must decode within its bounds
// or be refused.
#include "backup/Codecs.h"

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace quirels::backup;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > static_cast<size_t>(kLzrwMaxBlock) + 16)
        return 0;
    // Exact-size copies, so any read or write past the bounds is caught.
    std::unique_ptr<unsigned char[]> block(new unsigned char[size ? size : 1]);
    if (size)
        std::memcpy(block.get(), data, size);
    std::unique_ptr<unsigned char[]> out(new unsigned char[kLzrwMaxOutput]);
    const int n = Lzrw1khDecompress(block.get(), static_cast<int>(size), out.get());
    if (n > kLzrwMaxOutput || n < -1)
        std::abort();
    if (size > static_cast<size_t>(kLzrwMaxBlock) && n != -1)
        std::abort();
    if (size > 0 && data[0] == 0x80 && size <= static_cast<size_t>(kLzrwMaxBlock) &&
        (n != static_cast<int>(size) - 1 || std::memcmp(out.get(), data + 1, size - 1) != 0))
        std::abort();
    return 0;
}
