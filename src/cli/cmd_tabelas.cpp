#include "Cli.h"

#include "store/Database.h"
#include "store/ReferenceTables.h"

#include <QDir>

namespace quirels::cli {

// tabelas atualizar PASTA
static int tabelas(Context &ctx)
{
    if (ctx.args.size() != 2 || ctx.args.at(0) != QLatin1String("atualizar"))
        return usageError(QStringLiteral("tabelas"));
    const QString folder = QDir(ctx.args.at(1)).absolutePath();
    Result<QSqlDatabase> db = openStore(ctx);
    if (!db)
        return fail(ctx, db.error());
    int exit = kOk;
    if (Result<QList<store::reference::TableChanges>> r = store::reference::updateFromFolder(*db, folder); !r) {
        exit = fail(ctx, r.error());
    } else {
        ctx.dialogs->information(store::reference::describe(*r).join(QLatin1Char('\n')));
    }
    const QString connection = db->connectionName();
    *db = QSqlDatabase();
    store::close(connection);
    return exit;
}

QUIRELS_CLI_COMMAND("tabelas", "atualizar PASTA", tabelas);

} // namespace quirels::cli
