#include "Cli.h"

#include "base/IniFile.h"
#include "store/StoreLocation.h"

namespace quirels::cli {

Result<store::OpenOptions> storeOptions(Context &ctx)
{
    IniFile ini(ctx.settingsPath);
    if (Status s = ini.load(); !s)
        return s.error();
    return store::storeOptions(ini, ctx.storeConfigPath, ctx.server);
}

Result<QSqlDatabase> openStore(Context &ctx)
{
    Result<store::OpenOptions> options = storeOptions(ctx);
    if (!options)
        return options.error();
    Result<QSqlDatabase> db = store::open(ctx.dataFolder, *options);
    if (!db)
        return db;
    // A store of an older version takes this version's layout first, as the
    // desktop's does at start-up (nothing is written when it is current).
    if (Status s = store::upgradeSchema(*db); !s) {
        *db = QSqlDatabase();
        store::close(options->connection);
        return s.error();
    }
    return db;
}

} // namespace quirels::cli
