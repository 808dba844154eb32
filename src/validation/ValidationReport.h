#pragma once
// The outcome of one consistency check: its lines, in the order they were
// found, and the three counters.

#include <QChar>
#include <QList>
#include <QString>
#include <optional>

namespace quirels::validation {

enum class LineKind { Error, Alert, Confirmation };

// What a line points at, so that the report can take the user there.
enum class Place {
    None,    // the month as a whole ("Todos os Campos", every annex)
    Company, // the company information window
    Annex,   // an annex screen: annex and row below
};

struct CheckLine {
    LineKind kind = LineKind::Confirmation;
    QString status;   // "OK: ...", "Alerta: ..." or "Erro: ..."
    QString location; // where the user must look
    Place place = Place::None;
    QChar annex;      // 'A' .. 'H' when place is Annex
    int row = 0;      // the row of that annex the line is about (CdProduto,
                      // CdArmazenagem); 0 for the annex as a whole
    QString table;    // the table of that row (empty: the annex's main list)
    QString field;    // the field at fault (empty: none in particular)

    bool operator==(const CheckLine &o) const
    {
        return kind == o.kind && status == o.status && location == o.location && place == o.place
            && annex == o.annex && row == o.row && table == o.table && field == o.field;
    }
};

class ValidationReport {
public:
    const QList<CheckLine> &lines() const { return m_lines; }
    int validated() const { return m_validated; }
    int alerts() const { return m_alerts; }
    int errors() const { return m_errors; }
    // The validation result flag: at least one error line was added.
    bool hasErrors() const { return m_errors > 0; }

    // A run stopped before its end (a CFOP that is not an integer): the lines
    // found until then stay, failure() holds the message, and the counters
    // are not shown.
    bool stopped() const { return !m_failure.isEmpty(); }
    const QString &failure() const { return m_failure; }

    // The annex XI-A product the check went through last (the period's last
    // product when the annex XI-A totals were checked): the desktop leaves
    // the product list on it, as after walking the list.
    std::optional<int> lastVisitedProduct() const { return m_lastProduct; }
    void setLastVisitedProduct(int code) { m_lastProduct = code; }

    // Adds a line; it counts one validated item unless countItem is false, an
    // error line also counts one error and an alert one alert.
    void add(CheckLine line, bool countItem = true);
    // A step that validated an item without adding a line.
    void countItem() { ++m_validated; }
    void stop(const QString &failure) { m_failure = failure; }

private:
    QList<CheckLine> m_lines;
    int m_validated = 0;
    int m_alerts = 0;
    int m_errors = 0;
    QString m_failure;
    std::optional<int> m_lastProduct;
};

// The declaration file may be generated (and sent) only after a run that
// reached its end without an error line. A run stopped by a failure does not
// allow it either, whatever it had found before stopping.
inline bool allowsGeneration(const ValidationReport &report) { return !report.hasErrors() && !report.stopped(); }

} // namespace quirels::validation
