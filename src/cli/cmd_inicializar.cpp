#include "Cli.h"

#include "base/IniFile.h"
#include "base/Settings.h"
#include "store/Database.h"

#include <QDir>

namespace quirels::cli {

static int inicializar(Context &ctx)
{
    if (!ctx.args.isEmpty())
        return usageError(QStringLiteral("inicializar"));
    IniFile ini(ctx.settingsPath);
    if (Status s = ini.load(); !s)
        return fail(ctx, s.error());
    store::OpenOptions options;
    options.sharedFolder = ini.boolValue(settings::kSection, settings::kLocalShare, false);
    if (Status s = store::initializeDataFolder(ctx.dataFolder, options); !s)
        return fail(ctx, s.error());
    ctx.dialogs->information(QStringLiteral("Pasta de dados pronta: %1").arg(QDir::toNativeSeparators(ctx.dataFolder)));
    return kOk;
}

QUIRELS_CLI_COMMAND("inicializar", "", inicializar);

} // namespace quirels::cli
