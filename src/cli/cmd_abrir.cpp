#include "Cli.h"

#include "base/IniFile.h"
#include "base/Settings.h"
#include "shell/Messages.h"
#include "shell/PeriodOps.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QRegularExpression>

namespace quirels::cli {

namespace {

// Failures of the store end with status 2, whatever their own code.
int storeFailure(Context &ctx, const Error &e) { return fail(ctx, Error{kUsage, e.message}); }

int abrir(Context &ctx)
{
    if (ctx.args.size() != 3)
        return usageError(QStringLiteral("abrir"));
    const PeriodKey key{ctx.args.at(0).trimmed(), ctx.args.at(1).trimmed(), ctx.args.at(2).trimmed().toUpper()};
    static const QRegularExpression year(QStringLiteral("^[0-9]{4}$"));
    if (key.cnpj.isEmpty() || !year.match(key.ano).hasMatch() || schema::monthNumber(key.mes) == 0)
        return usageError(QStringLiteral("abrir"));

    Result<QSqlDatabase> db = openStore(ctx);
    if (!db)
        return storeFailure(ctx, db.error());
    Result<std::optional<QString>> razao = shell::companyName(*db, key.cnpj);
    if (!razao)
        return storeFailure(ctx, razao.error());
    if (!razao->has_value())
        return fail(ctx, Error{kRefused, shell::msg::empresaNaoCadastrada(key.cnpj)});

    Result<shell::Opened> opened = shell::openPeriod(*db, key, *ctx.dialogs, *ctx.progress);
    if (!opened)
        return storeFailure(ctx, opened.error());
    return opened->outcome == shell::OpenOutcome::Declined ? kRefused : kOk;
}

} // namespace

QUIRELS_CLI_COMMAND("abrir", "CNPJ ANO MES", abrir);

} // namespace quirels::cli
