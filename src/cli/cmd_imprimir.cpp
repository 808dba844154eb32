#include "Cli.h"

#include "reports/AnnexReports.h"
#include "reports/Render.h"
#include "store/Schema.h"

#include <QDir>

namespace quirels::cli {

// imprimir CNPJ ANO MES ANEXO [--variante produto|nota|data] --pdf ARQUIVO.pdf:
// the annex map (or, with "todos", every annex that has data, in the
// print-all order) through the report engine into one PDF file.
static int imprimir(Context &ctx)
{
    const QString command = QStringLiteral("imprimir");
    QStringList positional;
    QString pdf;
    QString variantName = QStringLiteral("data");
    for (int i = 0; i < ctx.args.size(); ++i) {
        const QString &a = ctx.args.at(i);
        if (a == QLatin1String("--pdf") && i + 1 < ctx.args.size())
            pdf = ctx.args.at(++i);
        else if (a == QLatin1String("--variante") && i + 1 < ctx.args.size())
            variantName = ctx.args.at(++i).toLower();
        else if (a.startsWith(QLatin1String("--")))
            return usageError(command);
        else
            positional.append(a);
    }
    if (positional.size() != 4 || pdf.isEmpty())
        return usageError(command);
    const std::optional<PeriodKey> parsed = periodArguments(positional.at(0), positional.at(1), positional.at(2));
    if (!parsed)
        return usageError(command);
    const PeriodKey period = *parsed;

    const QString annexArg = positional.at(3).trimmed().toUpper();
    QString letters;
    if (annexArg == QLatin1String("TODOS"))
        letters = reports::kAnnexLetters;
    else if (annexArg.size() == 1 && reports::kAnnexLetters.contains(annexArg))
        letters = annexArg;
    else
        return usageError(command);

    reports::Variant variant;
    if (variantName == QLatin1String("data"))
        variant = reports::Variant::Data;
    else if (variantName == QLatin1String("produto"))
        variant = reports::Variant::Produto;
    else if (variantName == QLatin1String("nota"))
        variant = reports::Variant::NotaFiscal;
    else
        return usageError(command);
    // The grouped variants exist for annexes B, C, E and F; print-all uses
    // the day or entry-order maps only.
    if (variant != reports::Variant::Data && (letters.size() != 1 || !reports::hasVariant(letters.at(0), variant)))
        return usageError(command);

    Result<QSqlDatabase> db = openStore(ctx);
    if (!db)
        return fail(ctx, Error{kUsage, db.message()});

    reports::PdfSink sink(QDir(pdf).absolutePath());
    for (const QChar letter : letters) {
        Result<reports::Outcome> r = reports::runAnnexReport(*db, period, letter, variant, sink, *ctx.dialogs);
        if (!r)
            return fail(ctx, Error{kUsage, r.message()});
        if (*r == reports::Outcome::Stopped)
            break;
    }
    if (sink.pageCount() == 0)
        return kRefused; // every report was empty; its message was shown
    if (Status s = sink.close(); !s)
        return fail(ctx, Error{kUsage, s.message()});
    return kOk;
}

QUIRELS_CLI_COMMAND("imprimir", "CNPJ ANO MES ANEXO [--variante produto|nota|data] --pdf ARQUIVO.pdf", imprimir);

} // namespace quirels::cli
