#pragma once
// The banded report engine. A report definition is data: bands of elements
// (captions, fields, computed texts, running sums, page numbers, lines,
// memos) over data sources. The engine lays the bands out on pages:
//
//   page header    on every page, the first included
//   title          on the first page only
//   column header  on every page, below the page header
//   levels         per top-level section: a header band, the detail band
//                  once per row of its source, group headers and footers
//                  on a change of the group value (with running sums), the
//                  sub-levels over linked sources after each detail, and a
//                  footer band; a level without rows prints its header,
//                  detail and footer once with empty values when it asks
//                  to (printEmpty)
//   summary        after the last row, on a new page when asked
//   page footer    at the bottom of every page
//
// A band is never cut across pages: a band that does not fit starts a new
// page, where the page header and column header are repeated. A memo grows
// its band and flows line by line across pages.
//
// Pages go to a PageSink as soon as each is complete; the engine holds only
// the page being filled.

#include "base/Result.h"
#include "reports/PageModel.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <vector>

namespace quirels::reports {

// A forward-only source of rows.
class Source {
public:
    virtual ~Source();
    // Runs the source; positioned before the first row.
    virtual Status open() = 0;
    // Moves to the next row; false after the last one.
    virtual bool next() = 0;
    // A field of the current row (matched without regard to case); an
    // invalid QVariant for null, an unknown field or no current row.
    virtual QVariant value(const QString &field) const = 0;
};

// Rows held in memory (report parameters, tests).
class RowsSource : public Source {
public:
    RowsSource() = default;
    explicit RowsSource(std::vector<QVariantMap> rows) : m_rows(std::move(rows)) {}
    Status open() override { m_at = -1; return {}; }
    bool next() override;
    QVariant value(const QString &field) const override;
    void append(const QVariantMap &row) { m_rows.push_back(row); }

private:
    std::vector<QVariantMap> m_rows;
    int m_at = -1;
};

// What an element is evaluated against.
struct EvalContext {
    const Source *row = nullptr;      // the level's current row (may be null)
    const Source *params = nullptr;   // the report's parameters
    const QHash<QString, double> *sums = nullptr; // running sums of the closing group
    int page = 0;

    // A value of the row, else of the parameters.
    QVariant value(const QString &field) const;
};

struct Element {
    enum class Kind { Label, Field, Computed, Sum, PageNumber, Line, Box, Memo, Segment };
    Kind kind = Kind::Label;
    double x = 0, y = 0, w = 0, h = 0;   // mm within the band; w 0: to the right margin
    FontSpec font;
    Align align = Align::Left;
    QString text;       // Label: the text; Field, Sum, Memo: the field; PageNumber: a prefix
    QString picture;    // number format of a Field or Sum ("###,###,##0.000"); empty: as stored
    std::function<QString(const EvalContext &)> compute;
};

// Element builders. Field output: a number with a picture is printed with it
// in the regional format; everything else as its text; null as nothing.
Element label(double x, double y, double w, const QString &text, FontSpec font = {7, true},
              Align align = Align::Left);
Element field(double x, double y, double w, const QString &name, FontSpec font = {7, false},
              Align align = Align::Left);
Element number(double x, double y, double w, const QString &name, const QString &picture,
               FontSpec font = {7, false});
Element computed(double x, double y, double w, std::function<QString(const EvalContext &)> fn,
                 FontSpec font = {7, false}, Align align = Align::Left);
Element sum(double x, double y, double w, const QString &name, const QString &picture,
            FontSpec font = {7, false});
Element pageNumber(double x, double y, double w, const QString &prefix, FontSpec font = {7, false},
                   Align align = Align::Left);
Element hline(double y, double x = 0, double w = 0);
Element box(double x, double y, double w, double h);
// A straight line from (x1, y1) to (x2, y2) in mm within the band, in any
// direction (the lines of a chart).
Element segment(double x1, double y1, double x2, double y2);
// A memo field printed as flowing text from (x, y) over width w.
Element memo(double x, double y, double w, const QString &name, FontSpec font = {7, false});

struct Band {
    double height = 0;  // 0 with no elements: the band is absent
    std::vector<Element> elements;
    // Printed only when this holds for the current row (always when empty).
    std::function<bool(const EvalContext &)> printIf;

    bool present() const { return height > 0 || !elements.empty(); }
};

struct Group {
    QString field;          // the group value; a change starts a new group
    Band header;
    Band footer;
    QStringList sums;       // fields summed over the group, shown by Sum elements of the footer
};

struct Level {
    // The rows of this level for the master's current row (null at the top).
    std::function<std::unique_ptr<Source>(const Source *master)> source;
    Band header;            // before the first row
    std::vector<Group> groups; // outermost first
    Band detail;
    std::vector<Level> children; // sub-details after each detail band
    Band footer;            // after the last row
    bool printEmpty = false; // no rows: header, detail and footer once, with empty values
};

struct ReportDef {
    QString title;          // print-job and preview title
    PageSetup setup;
    Band pageHeader;
    Band titleBand;
    Band columnHeader;
    Band pageFooter;
    std::vector<Level> sections;
    Band summary;
    bool summaryNewPage = false;
    // Values for every band (company, period, observation): its first row,
    // read once the report has rows to print.
    std::shared_ptr<Source> params;
};

enum class Outcome { Printed, Empty, Stopped };

// Lays the report out and hands its pages to the sink. Empty: every section
// is without rows (nothing reaches the sink). Stopped: the sink refused a
// page. A source that fails to open is returned as an error.
Result<Outcome> generate(const ReportDef &def, PageSink &sink);

// The height in mm of one line of text in this font, and the width of a text.
double lineHeight(const FontSpec &font);
double textWidth(const QString &text, const FontSpec &font);
// A text broken into lines that fit the width: at its own line breaks, then
// between words (a word longer than the width is split).
QStringList wrapText(const QString &text, const FontSpec &font, double width);

} // namespace quirels::reports
