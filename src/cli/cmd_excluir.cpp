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

int storeFailure(Context &ctx, const Error &e) { return fail(ctx, Error{kUsage, e.message}); }

// With ANO and MES one period goes, without them the whole company, after
// the deletion window's confirmations.
int excluir(Context &ctx)
{
    if (ctx.args.size() != 1 && ctx.args.size() != 3)
        return usageError(QStringLiteral("excluir"));
    PeriodKey key{ctx.args.at(0).trimmed(), QString(), QString()};
    const bool wholeCompany = ctx.args.size() == 1;
    if (!wholeCompany) {
        key.ano = ctx.args.at(1).trimmed();
        key.mes = ctx.args.at(2).trimmed().toUpper();
        static const QRegularExpression year(QStringLiteral("^[0-9]{4}$"));
        if (!year.match(key.ano).hasMatch() || schema::monthNumber(key.mes) == 0)
            return usageError(QStringLiteral("excluir"));
    }
    if (key.cnpj.isEmpty())
        return usageError(QStringLiteral("excluir"));

    Result<QSqlDatabase> db = openStore(ctx);
    if (!db)
        return storeFailure(ctx, db.error());
    Result<std::optional<QString>> razao = shell::companyName(*db, key.cnpj);
    if (!razao)
        return storeFailure(ctx, razao.error());
    if (!razao->has_value())
        return fail(ctx, Error{kRefused, shell::msg::empresaNaoCadastrada(key.cnpj)});

    Result<shell::DeleteOutcome> r = wholeCompany
        ? shell::confirmAndDeleteCompany(*db, key.cnpj, **razao, *ctx.dialogs)
        : shell::confirmAndDeletePeriod(*db, key, **razao, *ctx.dialogs);
    if (!r)
        return storeFailure(ctx, r.error());
    return *r == shell::DeleteOutcome::Deleted ? kOk : kRefused;
}

} // namespace

QUIRELS_CLI_COMMAND("excluir", "CNPJ [ANO MES]", excluir);

} // namespace quirels::cli
