// libFuzzer target of the packet reader: any bytes must be read or refused
// without a crash, an out-of-bounds access or unbounded memory; whatever is
// accepted must be writable again.
#include "exchange/PacketReader.h"
#include "exchange/PacketWriter.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quirels::exchange;
    ReadLimits limits;
    limits.maxBytes = 1 << 20;
    limits.maxRows = 10000;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    quirels::Result<PacketRow> packet = readPacket(bytes, limits);
    if (packet.ok())
        (void)packetBytes(*packet); // may refuse a value, never crash
    return 0;
}
