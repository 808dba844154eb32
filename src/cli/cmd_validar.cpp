#include "Cli.h"

#include "base/IniFile.h"
#include "base/Settings.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "validation/ConsistencyCheck.h"
#include "validation/Messages.h"

namespace quirels::cli {

// validar CNPJ ANO MES: the consistency check of one period, one line per
// check line ("Status<TAB>Local") and then the three counters.
static int validar(Context &ctx)
{
    if (ctx.args.size() != 3)
        return usageError(QStringLiteral("validar"));
    const std::optional<PeriodKey> parsed = periodArguments(ctx.args.at(0), ctx.args.at(1), ctx.args.at(2));
    if (!parsed)
        return usageError(QStringLiteral("validar"));
    const PeriodKey period = *parsed;

    Result<QSqlDatabase> db = openStore(ctx);
    if (!db)
        return fail(ctx, Error{kUsage, db.message()});
    Result<std::optional<int>> first = validation::firstProduct(*db, period);
    if (!first)
        return fail(ctx, Error{kUsage, first.message()});
    Result<validation::ValidationReport> report = validation::runCheck(*db, period, *first);
    if (!report) // a missing period or company (1), or a store failure (2)
        return fail(ctx, report.error());

    for (const validation::CheckLine &line : report->lines())
        ctx.dialogs->information(line.status + QLatin1Char('\t') + line.location);
    if (report->stopped()) {
        ctx.dialogs->error(report->failure());
        return kRefused;
    }
    ctx.dialogs->information(validation::msg::kCounterValidated.arg(report->validated()));
    ctx.dialogs->information(validation::msg::kCounterAlerts.arg(report->alerts()));
    ctx.dialogs->information(validation::msg::kCounterErrors.arg(report->errors()));
    return report->hasErrors() ? kRefused : kOk;
}

QUIRELS_CLI_COMMAND("validar", "CNPJ ANO MES", validar);

} // namespace quirels::cli
