#include "Cli.h"

#include "exchange/Messages.h"
#include "exchange/NfeImport.h"
#include "store/Database.h"
#include "store/Schema.h"

namespace quirels::cli {

namespace msg = exchange::msg;
namespace nfe = exchange::nfe;

// importar-nfe CNPJ ANO MES ARQUIVO_OU_PASTA... [--completar]: the month's
// electronic invoices into annexes XI-B and XI-C. Without --completar a
// single incomplete row refuses the whole import; with it, the incomplete
// rows are left out and listed.
static int importarNfe(Context &ctx)
{
    QStringList args = ctx.args;
    const bool complete = args.removeAll(QStringLiteral("--completar")) > 0;
    if (args.size() < 4)
        return usageError(QStringLiteral("importar-nfe"));
    PeriodKey period;
    for (const QChar ch : args.at(0))
        if (ch.isDigit())
            period.cnpj += ch;
    period.ano = args.at(1).trimmed();
    period.mes = args.at(2).trimmed().toUpper();
    bool year = period.ano.size() == 4;
    for (const QChar ch : period.ano)
        year = year && ch.isDigit();
    if ((period.cnpj.size() != 11 && period.cnpj.size() != 14) || !year || schema::monthNumber(period.mes) == 0)
        return usageError(QStringLiteral("importar-nfe"));
    const QStringList paths = args.mid(3);

    int status = kOk;
    {
        Result<QSqlDatabase> db = openStore(ctx);
        if (!db)
            return fail(ctx, Error{kUsage, db.message()});
        Result<nfe::Scan> scan = nfe::scan(*db, period, paths, {}, *ctx.progress);
        if (!scan) {
            status = fail(ctx, scan.error());
        } else {
            for (const nfe::Skipped &s : scan->skipped)
                ctx.dialogs->information(s.line());
            if (scan->outsidePeriod > 0)
                ctx.dialogs->information(msg::kNfeTotalForaDoPeriodo.arg(scan->outsidePeriod));
            if (scan->uncontrolledItems > 0)
                ctx.dialogs->information(msg::kNfeItensIgnorados.arg(scan->uncontrolledItems));
            // Every file refused: nothing to import is no success.
            const bool nothing = scan->rows.empty() && !scan->skipped.empty();
            if (nothing)
                ctx.dialogs->error(msg::kNfeNenhumaLinha);
            nfe::StoreOptions options;
            options.completeOnly = complete;
            if (!scan->importedBefore.isEmpty())
                options.replace = ctx.dialogs->confirm(msg::kNfeJaImportadas.arg(scan->importedBefore.size()));
            Result<nfe::StoreResult> r = nothing ? Result<nfe::StoreResult>(nfe::StoreResult{}) : nfe::store(*db, *scan, options);
            if (nothing) {
                status = kRefused;
            } else if (!r) {
                status = fail(ctx, r.error());
            } else {
                const nfe::Screen screen(*db);
                const auto listIncomplete = [&](bool asError) {
                    for (size_t i : r->incomplete) {
                        const nfe::Candidate &c = scan->rows[i];
                        const entry::RequiredCheck *check = screen.firstMissing(c);
                        QString why = check ? check->message : QString();
                        if (c.needsFactor)
                            why = msg::kNfeSemFator.arg(c.invoiceUnit, c.productCode, c.description);
                        const QString line = nfe::incompleteLine(c, why);
                        if (asError)
                            ctx.dialogs->error(line);
                        else
                            ctx.dialogs->information(line);
                    }
                };
                if (r->refused) {
                    ctx.dialogs->error(msg::kNfeIncompletas.arg(r->incomplete.size()));
                    listIncomplete(true);
                    status = kRefused;
                } else {
                    if (!r->incomplete.empty()) {
                        listIncomplete(false);
                        ctx.dialogs->information(msg::kNfeIncompletasDeixadas.arg(r->incomplete.size()));
                    }
                    ctx.dialogs->information(msg::kNfeImportadas.arg(r->rowsB).arg(r->rowsC));
                }
            }
        }
    }
    store::close();
    return status;
}

QUIRELS_CLI_COMMAND("importar-nfe", "CNPJ ANO MES ARQUIVO_OU_PASTA... [--completar]", importarNfe);

} // namespace quirels::cli
