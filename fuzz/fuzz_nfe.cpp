// libFuzzer target of the electronic invoice reader: any bytes must be read
// or refused without a crash, an out-of-bounds access or unbounded memory.
#include "exchange/NfeReader.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quirels::exchange;
    nfe::Limits limits;
    limits.maxFileBytes = 1 << 20;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    (void)nfe::parse(bytes, limits);
    return 0;
}
