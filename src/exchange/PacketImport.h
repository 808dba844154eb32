#pragma once
// Storing a loaded packet: the company when it is not registered, the month
// (replacing an existing month after the question), and every annex row, the
// product chain relinked to the numbers the store assigns. All of it is one
// transaction: a refused row or a declined overwrite leaves every table as it
// was.

#include "Packet.h"
#include "base/Dialogs.h"
#include "base/Result.h"
#include "store/PeriodKey.h"

#include <QSqlDatabase>

namespace quirels::exchange {

// The period a loaded packet holds (the month row's key).
PeriodKey packetPeriod(const PacketRow &company);

// Asks "Já existem dados para este mês. Sobrescrever?" when the month exists
// and ends with "A importação foi concluída com sucesso!"; a failure shows
// the store's message. Error code 1 when the user declined, 2 on a failure.
Status importPacket(QSqlDatabase &db, const PacketRow &company, Dialogs &dialogs, Progress &progress = noProgress());

// The same for a full packet file, read and stored in one pass: each row is
// inserted as it is read, so memory stays the same whatever the file's size.
// A damaged file found after rows were stored undoes them with the rest. The
// progress runs over the file's bytes.
Status importPacketFile(QSqlDatabase &db, const QString &path, Dialogs &dialogs, Progress &progress = noProgress());

} // namespace quirels::exchange
