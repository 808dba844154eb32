#include "Cli.h"

#include "store/Database.h"

#include <QDir>

namespace quirels::cli {

static int inicializar(Context &ctx)
{
    if (!ctx.args.isEmpty())
        return usageError(QStringLiteral("inicializar"));
    if (Status s = store::initializeDataFolder(ctx.dataFolder, storeOptions(ctx)); !s)
        return fail(ctx, s.error());
    ctx.dialogs->information(QStringLiteral("Pasta de dados pronta: %1").arg(QDir::toNativeSeparators(ctx.dataFolder)));
    return kOk;
}

QUIRELS_CLI_COMMAND("inicializar", "", inicializar);

} // namespace quirels::cli
