#pragma once
// Reads one period of the store into the packet tree: the company row, the
// month row and every annex row of the month, each data set in the order of
// its table's key; the products carry their final products and these their
// substances.

#include "Packet.h"
#include "base/Result.h"
#include "store/PeriodKey.h"

#include <QByteArray>
#include <QSqlDatabase>

namespace quirels::exchange {

namespace detail {
class PacketOutput;
}

// Fails when the company or the month is not in the store, or on a store error.
Result<PacketRow> buildPacket(QSqlDatabase &db, const PeriodKey &key);

// The same packet written straight to its full-file bytes as the rows are
// read, without holding the tree. The bytes equal
// packetBytes(buildPacket(db, key)).
Result<QByteArray> buildPacketBytes(QSqlDatabase &db, const PeriodKey &key);

// The same bytes handed to output a piece at a time as the rows are read, in
// one pass over each table: what the generation uses. Memory stays the same
// whatever the size of the month.
Status streamPacket(QSqlDatabase &db, const PeriodKey &key, detail::PacketOutput &output);

} // namespace quirels::exchange
