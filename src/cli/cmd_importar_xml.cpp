#include "Cli.h"

#include "base/IniFile.h"
#include "base/Settings.h"
#include "exchange/PacketImport.h"
#include "store/Database.h"

namespace quirels::cli {

// importar-xml ARQUIVO: stores a full packet file, as the "&Importar" button
// of the import window does, reading and storing it in one pass.
static int importarXml(Context &ctx)
{
    if (ctx.args.size() != 1)
        return usageError(QStringLiteral("importar-xml"));
    Result<QSqlDatabase> db = openStore(ctx);
    if (!db)
        return fail(ctx, db.error());
    Status s = exchange::importPacketFile(*db, ctx.args.first(), *ctx.dialogs, *ctx.progress);
    if (!s)
        return s.error().code == kRefused ? kRefused : kUsage;
    return kOk;
}

QUIRELS_CLI_COMMAND("importar-xml", "ARQUIVO", importarXml);

} // namespace quirels::cli
