#pragma once
// Drawing pages of the page model on a painter (preview, printer), and
// the sink that streams a report into a PDF file.

#include "base/Result.h"
#include "reports/PageModel.h"

#include <QByteArrayView>
#include <QString>
#include <memory>
#include <string>
#include <vector>

class QPainter;
class QSaveFile;

namespace quirels::reports {

// Draws the page with its top-left paper corner at the painter's origin;
// `dotsPerMm` converts millimetres to the painter's device units. Fonts are
// sized in points for the painter's device resolution.
void paintPage(QPainter &painter, const Page &page, double dotsPerMm);

// Writes every page it receives into one PDF file, page by page: no page is
// kept once written. Several reports may follow one another in the same
// file. Texts are written whole with the report fonts embedded (Windows-1252
// encoding, the character set of the system's data), so the file is small,
// quick to write and its text can be searched and extracted. The file
// appears only when close() succeeds.
class PdfSink : public PageSink {
public:
    explicit PdfSink(const QString &path);
    ~PdfSink() override;
    void beginReport(const QString &title, const PageSetup &setup) override;
    bool addPage(Page &&page) override;
    // Finishes the file; the error carries the system's message.
    Status close();
    int pageCount() const { return static_cast<int>(m_pageObjects.size()); }

private:
    struct Font;
    class Deflater;
    Font &font(const FontSpec &spec);
    int newObject();
    bool write(QByteArrayView bytes);
    bool write(const QByteArray &bytes) { return write(QByteArrayView(bytes)); }
    bool writeFonts();

    QString m_path;
    std::unique_ptr<QSaveFile> m_file;
    PageSetup m_setup;
    QString m_title;
    bool m_failed = false;
    qint64 m_written = 0;
    std::vector<qint64> m_offsets;      // by object number - 1
    std::vector<int> m_pageObjects;
    std::vector<std::unique_ptr<Font>> m_fonts;
    std::unique_ptr<Deflater> m_deflater;
    std::vector<char> m_content;        // the page being written, reused
    std::string m_text;                 // one text's bytes, reused
};

} // namespace quirels::reports
