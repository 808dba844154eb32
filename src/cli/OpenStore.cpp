#include "Cli.h"

#include "base/IniFile.h"
#include "base/Settings.h"
#include "store/Database.h"

namespace quirels::cli {

Result<QSqlDatabase> openStore(Context &ctx)
{
    IniFile ini(ctx.settingsPath);
    if (Status s = ini.load(); !s)
        return s.error();
    store::OpenOptions options;
    options.sharedFolder = ini.boolValue(settings::kSection, settings::kLocalShare, false);
    return store::open(ctx.dataFolder, options);
}

} // namespace quirels::cli
