#include "Cli.h"

#include "base/IniFile.h"
#include "base/Settings.h"
#include "exchange/PacketImport.h"
#include "exchange/PacketReader.h"
#include "store/Database.h"

namespace quirels::cli {

// importar-xml ARQUIVO: loads a full packet file and stores it, as the
// "&Importar" button of the import window does.
static int importarXml(Context &ctx)
{
    if (ctx.args.size() != 1)
        return usageError(QStringLiteral("importar-xml"));
    Result<exchange::PacketRow> packet = exchange::readPacketFile(ctx.args.first());
    if (!packet)
        return fail(ctx, packet.error());

    Result<QSqlDatabase> db = openStore(ctx);
    if (!db)
        return fail(ctx, db.error());
    Status s = exchange::importPacket(*db, *packet, *ctx.dialogs, *ctx.progress);
    if (!s)
        return s.error().code == kRefused ? kRefused : kUsage;
    return kOk;
}

QUIRELS_CLI_COMMAND("importar-xml", "ARQUIVO", importarXml);

} // namespace quirels::cli
