#pragma once
// Streams the pages of a report to a printer, each page scaled to the
// printable area, with a page break between pages; pages outside the chosen
// range are skipped.

#include "reports/PageModel.h"

#include <QPainter>
#include <QPointer>
#include <memory>

class QPrinter;
class QProgressDialog;

namespace quirels::reports::ui {

class PrinterSink : public PageSink {
public:
    // `from`/`to` 0: the whole report. With `progress`, a progress window
    // shows the pages as they are printed.
    PrinterSink(QPrinter &printer, int from = 0, int to = 0, bool progress = false);
    ~PrinterSink() override;
    void beginReport(const QString &title, const PageSetup &setup) override;
    bool addPage(Page &&page) override;
    void endReport() override;
    int printed() const { return m_printed; }

private:
    QPrinter &m_printer;
    QPainter m_painter;
    int m_from, m_to;
    bool m_withProgress;
    std::unique_ptr<QProgressDialog> m_progress;
    PageSetup m_setup;
    int m_printed = 0;
};

// True when the system has a printer to print on.
bool printerAvailable();

} // namespace quirels::reports::ui
