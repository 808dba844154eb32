#include "Cli.h"

#include "store/Database.h"
#include "store/StoreConfig.h"

namespace quirels::cli {

store::OpenOptions storeOptions(const Context &ctx)
{
    store::OpenOptions options;
    options.sharedFolder = store::config::localShare(ctx.storeConfigPath);
    return options;
}

Result<QSqlDatabase> openStore(Context &ctx) { return store::open(ctx.dataFolder, storeOptions(ctx)); }

} // namespace quirels::cli
