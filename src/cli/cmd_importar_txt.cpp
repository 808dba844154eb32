#include "Cli.h"

#include "exchange/Messages.h"
#include "exchange/TextImport.h"
#include "store/Database.h"

namespace quirels::cli {

// The text file import as the desktop runs it, without a window: no company
// is open here, so the close question never arises, and no annex window is
// opened at the end.
static int importarTxt(Context &ctx)
{
    if (ctx.args.size() != 1)
        return usageError(QStringLiteral("importar-txt"));
    Result<store::OpenOptions> chosen = storeOptions(ctx);
    if (!chosen)
        return fail(ctx, chosen.error());
    const store::OpenOptions &options = *chosen;
    int status = kOk;
    {
        Result<QSqlDatabase> db = store::open(ctx.dataFolder, options);
        if (!db)
            return fail(ctx, db.error());
        ctx.progress->setLabel(exchange::msg::kTxtImportando);
        const exchange::TextImportResult r = exchange::importTextFile(*db, ctx.args.first(), *ctx.dialogs, *ctx.progress);
        switch (r.outcome) {
        case exchange::TextImportResult::Outcome::Imported: status = kOk; break;
        case exchange::TextImportResult::Outcome::Declined: status = kRefused; break;
        case exchange::TextImportResult::Outcome::Failed: status = fail(ctx, r.error); break;
        }
    }
    store::close(options.connection);
    return status;
}

QUIRELS_CLI_COMMAND("importar-txt", "ARQUIVO", importarTxt);

} // namespace quirels::cli
