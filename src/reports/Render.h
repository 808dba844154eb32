#pragma once
// Drawing pages of the page model on a painter (preview, printer, PDF), and
// the sink that streams a report into a PDF file.

#include "base/Result.h"
#include "reports/PageModel.h"

#include <QString>
#include <memory>

class QPainter;
class QPdfWriter;
class QSaveFile;

namespace quirels::reports {

// Draws the page with its top-left paper corner at the painter's origin;
// `dotsPerMm` converts millimetres to the painter's device units. Fonts are
// sized in points for the painter's device resolution.
void paintPage(QPainter &painter, const Page &page, double dotsPerMm);

// Writes every page it receives into one PDF file, page by page: no page is
// kept once drawn. Several reports may follow one another in the same file.
// The file appears only when close() succeeds.
class PdfSink : public PageSink {
public:
    explicit PdfSink(const QString &path);
    ~PdfSink() override;
    void beginReport(const QString &title, const PageSetup &setup) override;
    bool addPage(Page &&page) override;
    // Finishes the file; the error carries the system's message.
    Status close();
    int pageCount() const { return m_pages; }

private:
    QString m_path;
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
    PageSetup m_setup;
    QString m_title;
    int m_pages = 0;
    bool m_failed = false;
};

} // namespace quirels::reports
