#include "Cli.h"

#include "reports/Messages.h"
#include "reports/Render.h"
#include "reports/YearView.h"

#include <QDir>
#include <QSaveFile>

namespace quirels::cli {

// ano CNPJ ANO (--pdf ARQUIVO.pdf | --csv ARQUIVO.csv): the year view, per
// product and month the opening stock, entries, exits and closing stock, with
// a warning where the carry-over is broken; the PDF holds a chart of the
// stock of each product too.
static int ano(Context &ctx)
{
    const QString command = QStringLiteral("ano");
    QStringList positional;
    QString pdf, csv;
    for (int i = 0; i < ctx.args.size(); ++i) {
        const QString &a = ctx.args.at(i);
        if (a == QLatin1String("--pdf") && i + 1 < ctx.args.size())
            pdf = ctx.args.at(++i);
        else if (a == QLatin1String("--csv") && i + 1 < ctx.args.size())
            csv = ctx.args.at(++i);
        else if (a.startsWith(QLatin1String("--")))
            return usageError(command);
        else
            positional.append(a);
    }
    if (positional.size() != 2 || pdf.isEmpty() == csv.isEmpty())
        return usageError(command);
    QString cnpj;
    for (const QChar ch : positional.at(0))
        if (ch.isDigit())
            cnpj += ch;
    const QString year = positional.at(1).trimmed();
    bool digits = year.size() == 4;
    for (const QChar ch : year)
        digits = digits && ch.isDigit();
    if (cnpj.isEmpty() || !digits)
        return usageError(command);

    Result<QSqlDatabase> db = openStore(ctx);
    if (!db)
        return fail(ctx, Error{kUsage, db.message()});
    Result<reports::year::YearView> view = reports::year::read(*db, cnpj, year);
    if (!view)
        return fail(ctx, view.error());
    if (view->products.empty()) {
        ctx.dialogs->information(reports::msg::kVisaoAnoVazio.arg(cnpj, year));
        return kRefused;
    }
    if (!csv.isEmpty()) {
        QSaveFile file(QDir(csv).absolutePath());
        const QByteArray bytes = reports::year::csv(*view);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            return fail(ctx, Error{kUsage, file.errorString()});
    } else {
        reports::PdfSink sink(QDir(pdf).absolutePath());
        Result<reports::Outcome> r = reports::generate(reports::year::report(*view), sink);
        if (!r)
            return fail(ctx, Error{kUsage, r.message()});
        if (Status s = sink.close(); !s)
            return fail(ctx, Error{kUsage, s.message()});
    }
    ctx.dialogs->information(reports::msg::kVisaoAnoResumo.arg(view->products.size()).arg(view->brokenCount()));
    return kOk;
}

QUIRELS_CLI_COMMAND("ano", "CNPJ ANO (--pdf ARQUIVO.pdf | --csv ARQUIVO.csv)", ano);

} // namespace quirels::cli
