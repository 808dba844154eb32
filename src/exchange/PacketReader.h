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
#include <QStringView>
#include <vector>

class QIODevice;

namespace quirels::exchange {

struct ReadLimits {
    qint64 maxBytes = qint64(1) << 30;   // the whole file, when it is held in memory
    int maxDepth = 32;                   // element nesting (the packet needs 11)
    qsizetype maxAttributeChars = 1 << 16;
    qsizetype maxRows = 2000000;         // rows held in memory, all levels
    qint64 maxElementBytes = 8 << 20;    // file bytes read for one element or other piece of XML
};

// A field's value as read, typed by the field's kind: the text of a text,
// memo or looked-up field, a flag, a number (double) or an integer.
struct FieldValue {
    enum class Kind { Null, Text, Flag, Number, Integer };
    Kind kind = Kind::Null;
    QStringView text;  // valid only while the row is handed over
    bool flag = false;
    double number = 0;
    qint64 integer = 0;
};

// Receives the rows of a packet in the order of the file while it is read:
// row() for each row element (the company, the month, each annex row), then,
// after its nested rows, endRow(). An error stops the reading and is
// returned as it stands.
class PacketSink {
public:
    virtual ~PacketSink();
    // values holds one entry per field of the level, Null where the file has
    // no attribute.
    virtual Status row(const Level &level, const std::vector<FieldValue> &values) = 0;
    virtual Status endRow(const Level &level) = 0;
    // Bytes of the file read so far, after each piece.
    virtual void bytesRead(qint64 /*bytes*/) {}
};

// Reads the packet from device a piece at a time, handing each row to sink:
// what is held is one piece of the file and one row, whatever the file's
// size. Checks everything readPacket checks; the rows before a damage have
// already been handed over when it is found.
Status readPacketStream(QIODevice &device, PacketSink &sink, const ReadLimits &limits = {});

// The company row with its month and the month's data sets. Values are
// typed by the packet's field kinds: QString for text, bool for flags, double
// for numbers, int for integers and counters; a null QVariant for an absent
// attribute.
Result<PacketRow> readPacket(const QByteArray &bytes, const ReadLimits &limits = {});
Result<PacketRow> readPacket(QIODevice &device, const ReadLimits &limits = {});
Result<PacketRow> readPacketFile(const QString &path, const ReadLimits &limits = {});

} // namespace quirels::exchange
