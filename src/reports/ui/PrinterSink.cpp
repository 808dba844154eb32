#include "reports/ui/PrinterSink.h"
#include "reports/Messages.h"
#include "reports/Render.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>

namespace quirels::reports::ui {

bool printerAvailable() { return !QPrinterInfo::availablePrinterNames().isEmpty(); }

PrinterSink::PrinterSink(QPrinter &printer, int from, int to, bool progress)
    : m_printer(printer), m_from(from), m_to(to), m_withProgress(progress)
{
}

PrinterSink::~PrinterSink()
{
    if (m_painter.isActive())
        m_painter.end();
}

void PrinterSink::beginReport(const QString &title, const PageSetup &setup)
{
    m_setup = setup;
    m_printer.setDocName(title);
    m_printer.setPageSize(QPageSize(setup.paper, QPageSize::Millimeter));
    if (m_withProgress) {
        m_progress = std::make_unique<QProgressDialog>();
        m_progress->setWindowTitle(title);
        m_progress->setLabelText(msg::kImprimindo.arg(title));
        m_progress->setCancelButton(nullptr);
        m_progress->setRange(0, 0);
        m_progress->setMinimumDuration(0);
        m_progress->show();
    }
}

bool PrinterSink::addPage(Page &&page)
{
    if ((m_from > 0 && page.number < m_from) || (m_to > 0 && page.number > m_to))
        return true;
    if (!m_painter.isActive()) {
        if (!m_painter.begin(&m_printer))
            return false;
    } else if (!m_printer.newPage()) {
        return false;
    }
    // The page scaled to the printable area of the paper.
    const QRectF area = m_printer.pageRect(QPrinter::DevicePixel);
    const double dotsPerMm = std::min(area.width() / m_setup.paper.width(), area.height() / m_setup.paper.height());
    // The painter's origin is the top-left corner of the printable area.
    paintPage(m_painter, page, dotsPerMm);
    ++m_printed;
    if (m_progress) {
        m_progress->setLabelText(msg::kImprimindo.arg(m_printer.docName()) + QStringLiteral(" ") + QString::number(m_printed));
        QCoreApplication::processEvents();
    }
    return true;
}

void PrinterSink::endReport()
{
    if (m_painter.isActive())
        m_painter.end();
    m_progress.reset();
}

} // namespace quirels::reports::ui
