#pragma once
// Reads a full packet file back into the packet tree. Accepts the files the
// writer produces and any file in the same packet form (field declarations,
// nested data set names and field names), and refuses everything else with a
// clear message: a file without field declarations (the declaration file),
// another XML document, a damaged or truncated file. What it reads is bounded.

#include "Packet.h"
#include "base/Result.h"

#include <QByteArray>
#include <QString>

class QIODevice;

namespace quirels::exchange {

struct ReadLimits {
    qint64 maxBytes = qint64(1) << 30;   // the whole file
    int maxDepth = 32;                   // element nesting (the packet needs 11)
    qsizetype maxAttributeChars = 1 << 16;
    qsizetype maxRows = 2000000;         // rows held in memory, all levels
};

// The company row with its month and the month's data sets. Values are
// typed by the packet's field kinds: QString for text, bool for flags, double
// for numbers, int for integers and counters; a null QVariant for an absent
// attribute.
Result<PacketRow> readPacket(const QByteArray &bytes, const ReadLimits &limits = {});
Result<PacketRow> readPacket(QIODevice &device, const ReadLimits &limits = {});
Result<PacketRow> readPacketFile(const QString &path, const ReadLimits &limits = {});

} // namespace quirels::exchange
