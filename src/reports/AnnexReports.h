#pragma once
// The printable maps of the eight annexes, as definitions for the report
// engine, and the common run of a report: the empty check with its message,
// then the pages to a sink (preview, printer or PDF).
//
//     PdfSink pdf(path);
//     runAnnexReport(db, period, QLatin1Char('B'), Variant::Data, pdf, dialogs);
//     pdf.close();
//
// Every report reads the rows of one company and month from the store
// connection it is given (the data module's, in the application).

#include "base/Dialogs.h"
#include "base/Result.h"
#include "reports/Engine.h"
#include "store/PeriodKey.h"

#include <QSqlDatabase>

namespace quirels::reports {

// Which report of an annex: the day or entry-order map, or a grouped variant
// (annexes B, C, E and F only).
enum class Variant { Data, Produto, NotaFiscal };

// The print-all order.
inline const QString kAnnexLetters = QStringLiteral("ABCDEFGH");

// True when the annex has this variant.
bool hasVariant(QChar annex, Variant variant);

// The report definition of the annex for the period. Nothing is read until
// the engine runs it.
ReportDef annexReport(const QSqlDatabase &db, const PeriodKey &period, QChar annex, Variant variant = Variant::Data);

// The report run: generates the annex report into the sink. When there is
// nothing to print, the annex's empty message is shown and Outcome::Empty
// returned; a store failure is returned as an error (not shown).
Result<Outcome> runAnnexReport(const QSqlDatabase &db, const PeriodKey &period, QChar annex, Variant variant,
                               PageSink &sink, Dialogs &dialogs);

} // namespace quirels::reports
