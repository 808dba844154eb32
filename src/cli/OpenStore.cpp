#include "Cli.h"

#include "base/IniFile.h"
#include "store/StoreLocation.h"

namespace quirels::cli {

Result<store::OpenOptions> storeOptions(Context &ctx)
{
    IniFile ini(ctx.settingsPath);
    if (Status s = ini.load(); !s)
        return s.error();
    return store::storeOptions(ini, ctx.server);
}

Result<QSqlDatabase> openStore(Context &ctx)
{
    Result<store::OpenOptions> options = storeOptions(ctx);
    if (!options)
        return options.error();
    return store::open(ctx.dataFolder, *options);
}

} // namespace quirels::cli
