#pragma once
// The exact byte form of the packet: one line of XML in Windows-1252, rows as
// elements whose attributes are the non-empty fields in field order; and the
// declaration file cut from it.

#include "Packet.h"
#include "base/Result.h"

#include <QByteArray>

class QIODevice;

namespace quirels::exchange {

// The full packet: XML declaration, field declarations (METADATA) and rows.
// Fails on a value that cannot be written (a character outside Windows-1252
// or a control character, a number that is not finite, an integer out of
// range), naming the field.
Result<QByteArray> packetBytes(const PacketRow &company);

// The declaration file made from the full packet's bytes: the header line,
// CR LF, everything after the first "</METADATA>", CR LF, CR LF.
Result<QByteArray> declarationBytes(const QByteArray &packet);

// The header line of the declaration file (without its CR LF).
QByteArray declarationHeader();

// Writes all of bytes to the device; a short or failed write is an error.
Status writeAll(QIODevice &device, const QByteArray &bytes);
Status writePacket(QIODevice &device, const PacketRow &company);
Status writeDeclaration(QIODevice &device, const QByteArray &packet);

// Writes bytes to path through QSaveFile: the file appears under its name
// only when every byte was written, replacing any older file.
Status saveFile(const QString &path, const QByteArray &bytes);

} // namespace quirels::exchange
