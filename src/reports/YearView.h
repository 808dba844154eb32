#pragma once
// The year at a glance: for each annex XI-A product of a company (by name and
// concentration, as the carry-over follows it from month to month), month by
// month the opening stock, the entries, the exits and the closing stock, with
// a warning where a month's opening stock is not the previous month's closing
// stock (a carry-over broken by an edit or an import). As data (the window
// and the CSV file) and as a report for the engine: a table and a chart of
// the closing stock over the months for each product.

#include "base/Result.h"
#include "reports/Engine.h"

#include <QSqlDatabase>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace quirels::reports::year {

struct MonthFigures {
    double opening = 0;  // QtEstoqueAnt
    double entries = 0;  // production, purchases, imports, other entries, reuse
    double exits = 0;    // transformation, use, sales, exports, losses, evaporation, other exits
    double closing = 0;  // QtEstoqueAtual as stored
};

struct ProductYear {
    QString name;
    double concentration = 0;
    QString ncm;
    QString unit;
    // By month (0 = JAN); empty where the month has not the product.
    std::array<std::optional<MonthFigures>, 12> months;
    // The previous month's closing stock, where the month's opening stock
    // differs from it (three decimals); the product missing on one side
    // counts as a stock of 0.
    std::array<std::optional<double>, 12> broken;
    QString label() const;
    // The warning of a month, empty when there is none.
    QString warning(int month) const;
};

struct YearView {
    QString cnpj;
    QString ano;
    QString company;                 // NmRazao
    std::array<bool, 12> periods{};  // the months the company has (Mes rows)
    std::vector<ProductYear> products; // by name, then concentration
    int brokenCount() const;
};

// Reads the year (and last year's December, for January's opening stock).
// A company that is not registered is an error of code 1; a store failure,
// code 2.
Result<YearView> read(QSqlDatabase &db, const QString &cnpj, const QString &ano);

// The report: per product, a table of the months and a chart of the closing
// stock; months with a warning are marked in the chart too.
ReportDef report(const YearView &view);

// The CSV file (';', the regional decimal separator, UTF-8 with a byte-order
// mark for spreadsheets): one line per product and month.
QByteArray csv(const YearView &view);

} // namespace quirels::reports::year
