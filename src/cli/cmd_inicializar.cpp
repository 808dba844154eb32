#include "Cli.h"

#include "store/Database.h"

#include <QDir>

namespace quirels::cli {

static int inicializar(Context &ctx)
{
    if (!ctx.args.isEmpty())
        return usageError(QStringLiteral("inicializar"));
    Result<store::OpenOptions> chosen = storeOptions(ctx);
    if (!chosen)
        return fail(ctx, chosen.error());
    const store::OpenOptions &options = *chosen;
    if (Status s = store::initializeDataFolder(ctx.dataFolder, options); !s)
        return fail(ctx, s.error());
    if (options.server)
        ctx.dialogs->information(QStringLiteral("Banco de dados pronto: %1").arg(options.server->toString()));
    else
        ctx.dialogs->information(QStringLiteral("Pasta de dados pronta: %1").arg(QDir::toNativeSeparators(ctx.dataFolder)));
    return kOk;
}

QUIRELS_CLI_COMMAND("inicializar", "", inicializar);

} // namespace quirels::cli
