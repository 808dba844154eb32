#include "Cli.h"

#include "base/Numbers.h"
#include "store/Schema.h"
#include "validation/Messages.h"
#include "validation/Totals.h"

namespace quirels::cli {

namespace {

QString shown(double v) { return numbers::format(v, QStringLiteral("0.000")); }

} // namespace

// totalizar CNPJ ANO MES [--aplicar]: the annex XI-A totals computed from the
// month's movements, product by product (current, computed, difference);
// with --aplicar the computed values of every product that differs are
// stored in one transaction.
static int totalizar(Context &ctx)
{
    const QString command = QStringLiteral("totalizar");
    QStringList positional;
    bool store = false;
    for (const QString &a : ctx.args) {
        if (a == QLatin1String("--aplicar"))
            store = true;
        else if (a.startsWith(QLatin1String("--")))
            return usageError(command);
        else
            positional.append(a);
    }
    if (positional.size() != 3)
        return usageError(command);
    const std::optional<PeriodKey> parsed = periodArguments(positional.at(0), positional.at(1), positional.at(2));
    if (!parsed)
        return usageError(command);
    const PeriodKey period = *parsed;

    Result<QSqlDatabase> db = openStore(ctx);
    if (!db)
        return fail(ctx, Error{kUsage, db.message()});
    namespace t = validation::totals;
    namespace msg = validation::msg;
    Result<t::MonthTotals> totals = t::compute(*db, period);
    if (!totals)
        return fail(ctx, totals.error());

    QList<int> differing;
    for (const t::ProductTotals &p : totals->products) {
        for (int q = 0; q < t::kQuantities; ++q)
            ctx.dialogs->information(msg::kTotaisLinha.arg(p.label(), t::captionOf(q), shown(p.current[q]),
                                                           shown(p.computed[q]), shown(p.computed[q] - p.current[q])));
        if (p.anyDifference())
            differing.append(p.code);
    }
    for (const t::Orphan &o : totals->orphans)
        ctx.dialogs->information(msg::kTotaisSemProduto.arg(o.label(), QString::number(o.movementsB), shown(o.quantityB),
                                                               QString::number(o.movementsC), shown(o.quantityC)));
    ctx.dialogs->information(msg::kTotaisResumo.arg(differing.size())
                                 .arg(totals->products.size())
                                 .arg(totals->orphans.size()));
    if (!store)
        return kOk;
    if (differing.isEmpty()) {
        ctx.dialogs->information(msg::kTotaisNadaAGravar);
        return kOk;
    }
    if (Status s = t::apply(*db, *totals, differing); !s)
        return fail(ctx, s.error());
    ctx.dialogs->information(msg::kTotaisGravados.arg(differing.size()));
    return kOk;
}

QUIRELS_CLI_COMMAND("totalizar", "CNPJ ANO MES [--aplicar]", totalizar);

} // namespace quirels::cli
