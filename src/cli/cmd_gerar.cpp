#include "Cli.h"

#include "base/IniFile.h"
#include "base/Settings.h"
#include "exchange/Generate.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "validation/ConsistencyCheck.h"

#include <QDir>
#include <QRegularExpression>

namespace quirels::cli {

static int gerar(Context &ctx)
{
    QStringList args = ctx.args;
    QString folder;
    const int at = static_cast<int>(args.indexOf(QStringLiteral("--pasta")));
    if (at >= 0) {
        if (at + 1 >= args.size())
            return usageError(QStringLiteral("gerar"));
        folder = args.at(at + 1);
        args.remove(at, 2);
    }
    if (args.size() != 3)
        return usageError(QStringLiteral("gerar"));
    PeriodKey key;
    key.cnpj = args.at(0);
    key.cnpj.remove(QRegularExpression(QStringLiteral("[./\\- ]")));
    key.ano = args.at(1);
    key.mes = args.at(2).toUpper();
    static const QRegularExpression digits(QStringLiteral("^(\\d{11}|\\d{14})$"));
    static const QRegularExpression year(QStringLiteral("^\\d{4}$"));
    if (!digits.match(key.cnpj).hasMatch() || !year.match(key.ano).hasMatch() || schema::monthNumber(key.mes) == 0)
        return usageError(QStringLiteral("gerar"));

    IniFile ini(ctx.settingsPath);
    if (Status s = ini.load(); !s)
        return fail(ctx, s.error());
    if (folder.isEmpty()) {
        Result<StartupFolders> folders = readStartupSettings(ctx.settingsPath, layout::desktop());
        if (!folders)
            return fail(ctx, folders.error());
        folder = folders->xmlFolder;
    }

    Result<store::OpenOptions> chosen = storeOptions(ctx);
    if (!chosen)
        return fail(ctx, chosen.error());
    const store::OpenOptions &options = *chosen;
    Result<QSqlDatabase> db = store::open(ctx.dataFolder, options);
    if (!db)
        return fail(ctx, db.error());

    exchange::GenerateRequest request;
    request.key = key;
    request.folder = QDir(folder).absolutePath();
    // The check's current product is the first of the period, as right after
    // the period is opened.
    Result<std::optional<int>> first = validation::firstProduct(*db, key);
    if (!first)
        return fail(ctx, first.error());
    request.currentProduct = *first;
    Result<exchange::GeneratedFiles> r = exchange::generateDeclaration(*db, request, *ctx.dialogs);
    if (!r)
        return r.error().code == kRefused ? kRefused : kUsage;
    return kOk;
}

QUIRELS_CLI_COMMAND("gerar", "CNPJ ANO MES [--pasta PASTA]", gerar);

} // namespace quirels::cli
