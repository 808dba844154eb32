#include "reports/Render.h"
#include "reports/Fonts.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace quirels::reports {

void paintPage(QPainter &painter, const Page &page, double dotsPerMm)
{
    const auto r = [dotsPerMm](const QRectF &mm) {
        return QRectF(mm.left() * dotsPerMm, mm.top() * dotsPerMm, mm.width() * dotsPerMm, mm.height() * dotsPerMm);
    };
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, 0.2 * dotsPerMm));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (const PageItem &item : page.items) {
        switch (item.kind) {
        case PageItem::Kind::Line: {
            const QRectF d = r(item.rect);
            painter.drawLine(d.topLeft(), d.bottomRight());
            break;
        }
        case PageItem::Kind::Box:
            painter.drawRect(r(item.rect));
            break;
        case PageItem::Kind::Text: {
            if (item.text.isEmpty())
                break;
            painter.setFont(qfont(item.font));
            int flags = Qt::AlignVCenter | Qt::TextDontClip | Qt::TextSingleLine;
            flags |= item.align == Align::Right ? Qt::AlignRight
                     : item.align == Align::Center ? Qt::AlignHCenter
                                                   : Qt::AlignLeft;
            painter.drawText(r(item.rect), flags, item.text);
            break;
        }
        }
    }
}

PdfSink::PdfSink(const QString &path) : m_path(path) {}

PdfSink::~PdfSink()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
    if (m_file)
        m_file->cancelWriting();
}

void PdfSink::beginReport(const QString &title, const PageSetup &setup)
{
    m_setup = setup;
    if (m_title.isEmpty())
        m_title = title;
}

bool PdfSink::addPage(Page &&page)
{
    if (m_failed)
        return false;
    const QPageSize size(m_setup.paper, QPageSize::Millimeter);
    if (!m_writer) {
        m_file = std::make_unique<QSaveFile>(m_path);
        if (!m_file->open(QIODevice::WriteOnly)) {
            m_failed = true;
            return false;
        }
        m_writer = std::make_unique<QPdfWriter>(m_file.get());
        m_writer->setResolution(600);
        m_writer->setTitle(m_title);
        m_writer->setCreator(QStringLiteral("Quirels"));
        m_writer->setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        m_painter = std::make_unique<QPainter>();
        if (!m_painter->begin(m_writer.get())) {
            m_failed = true;
            return false;
        }
    } else {
        m_writer->setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        if (!m_writer->newPage()) {
            m_failed = true;
            return false;
        }
    }
    paintPage(*m_painter, page, m_writer->resolution() / 25.4);
    ++m_pages;
    return true;
}

Status PdfSink::close()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_painter.reset();
    m_writer.reset();
    if (m_failed || !m_file) {
        const QString why = m_file ? m_file->errorString() : QString();
        if (m_file)
            m_file->cancelWriting();
        m_file.reset();
        return makeError(why.isEmpty() ? m_path : m_path + QStringLiteral(": ") + why, 2);
    }
    const bool ok = m_file->commit();
    const QString why = m_file->errorString();
    m_file.reset();
    if (!ok)
        return makeError(m_path + QStringLiteral(": ") + why, 2);
    return {};
}

} // namespace quirels::reports
