#include "Cli.h"

#include "base/IniFile.h"
#include "base/Settings.h"
#include "store/Database.h"
#include "store/Messages.h"
#include "store/ServerMigration.h"
#include "store/StoreError.h"

#include <QDir>

namespace quirels::cli {

namespace {

const QString kTarget = QStringLiteral("migracao-servidor");
const QString kSource = QStringLiteral("migracao-pasta");

} // namespace

// migrar --para-servidor URL
static int migrarCommand(Context &ctx)
{
    const QString command = QStringLiteral("migrar");
    if (ctx.args.size() != 2 || ctx.args.at(0) != QLatin1String("--para-servidor"))
        return usageError(command);
    const Result<store::ServerUrl> url = store::ServerUrl::parse(ctx.args.at(1));
    if (!url)
        return fail(ctx, makeError(url.message(), kUsage));
    IniFile ini(ctx.settingsPath);
    if (Status s = ini.load(); !s)
        return fail(ctx, s.error());
    store::OpenOptions options;
    options.connection = kSource;
    options.sharedFolder = ini.boolValue(settings::kSection, settings::kLocalShare, false);
    int exit = kOk;
    {
        Result<QSqlDatabase> source = store::open(ctx.dataFolder, options);
        if (!source)
            return fail(ctx, source.error());
        // A folder of an older version is brought up to this one first, so
        // that the server starts with this version's layout and reference data.
        if (Status s = store::upgradeSchema(*source); !s) {
            *source = QSqlDatabase();
            store::close(kSource);
            return fail(ctx, s.error());
        }
        store::OpenOptions target;
        target.connection = kTarget;
        target.server = *url;
        target.create = true; // an empty database: no layout to check yet
        Result<QSqlDatabase> server = store::open(ctx.dataFolder, target);
        if (!server) {
            exit = fail(ctx, server.error());
        } else {
            ctx.progress->setRange(100);
            const Result<QList<store::TableCount>> counts =
                store::migrateToServer(*source, *server, [&ctx](int done, int total) {
                    ctx.progress->setValue(total > 0 ? done * 100 / total : 100);
                });
            if (!counts) {
                exit = fail(ctx, counts.error());
            } else {
                QStringList lines{store::msg::kMigracaoCabecalho};
                qint64 total = 0;
                for (const store::TableCount &c : *counts) {
                    lines.append(QStringLiteral("%1\t%2\t%3").arg(c.table).arg(c.source).arg(c.target));
                    total += c.target;
                }
                lines.append(store::msg::kMigracaoConcluida.arg(total).arg(url->toString()));
                ctx.dialogs->information(lines.join(QLatin1Char('\n')));
            }
            *server = QSqlDatabase();
        }
        *source = QSqlDatabase();
    }
    store::close(kTarget);
    store::close(kSource);
    return exit;
}

QUIRELS_CLI_COMMAND("migrar", "--para-servidor URL", migrarCommand);

} // namespace quirels::cli
