#include "reports/Render.h"
#include "reports/Fonts.h"

#include <QGlyphRun>
#include <QHash>
#include <QPageLayout>
#include <QRawFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace quirels::reports {

namespace {

// Text is drawn as glyph runs of a raw font sized for the device: the report
// texts are Latin, so characters map to glyphs one to one and no text layout
// or shaping is needed. This is what keeps long reports fast.
class GlyphCache {
public:
    struct Run {
        QList<quint32> glyphs;
        QList<QPointF> positions;
        double width = 0;
    };
    struct Font {
        QRawFont raw;
        double ascent = 0, height = 0;
        QHash<QString, Run> runs;
    };

    Font &font(const FontSpec &spec, double dotsPerMm)
    {
        if (dotsPerMm != m_dotsPerMm) {
            m_fonts.clear();
            m_dotsPerMm = dotsPerMm;
        }
        const int key = static_cast<int>(spec.pt * 100) * 2 + (spec.bold ? 1 : 0);
        auto it = m_fonts.find(key);
        if (it == m_fonts.end()) {
            Font f;
            f.raw = QRawFont::fromFont(qfont(spec));
            f.raw.setPixelSize(spec.pt * dotsPerMm * 25.4 / 72.0);
            f.ascent = f.raw.ascent();
            f.height = f.raw.ascent() + f.raw.descent();
            it = m_fonts.insert(key, f);
        }
        return *it;
    }

    const Run &run(Font &f, const QString &text)
    {
        auto it = f.runs.find(text);
        if (it != f.runs.end())
            return *it;
        if (f.runs.size() > 4096)
            f.runs.clear();
        Run r;
        r.glyphs = f.raw.glyphIndexesForString(text);
        const QList<QPointF> advances = f.raw.advancesForGlyphIndexes(r.glyphs);
        r.positions.reserve(advances.size());
        double x = 0;
        for (const QPointF &a : advances) {
            r.positions.append(QPointF(x, 0));
            x += a.x();
        }
        r.width = x;
        return *f.runs.insert(text, r);
    }

private:
    double m_dotsPerMm = 0;
    QHash<int, Font> m_fonts;
};

GlyphCache &glyphCache()
{
    static GlyphCache cache;
    return cache;
}

} // namespace

void paintPage(QPainter &painter, const Page &page, double dotsPerMm)
{
    const auto r = [dotsPerMm](const QRectF &mm) {
        return QRectF(mm.left() * dotsPerMm, mm.top() * dotsPerMm, mm.width() * dotsPerMm, mm.height() * dotsPerMm);
    };
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, 0.2 * dotsPerMm));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // The texts of a page are gathered into one glyph run per font, drawn
    // after the lines: black on white, so the order does not show, and the
    // device receives a few long runs instead of thousands of short ones.
    struct Pending {
        GlyphCache::Font *font;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    std::vector<Pending> pending;
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
            GlyphCache::Font &font = glyphCache().font(item.font, dotsPerMm);
            if (!font.raw.isValid()) { // no font file behind the family: let Qt lay the text out
                painter.setFont(qfont(item.font));
                const int h = item.align == Align::Right ? Qt::AlignRight : item.align == Align::Center ? Qt::AlignHCenter : Qt::AlignLeft;
                painter.drawText(r(item.rect), h | Qt::AlignVCenter | Qt::TextDontClip | Qt::TextSingleLine, item.text);
                break;
            }
            const GlyphCache::Run &run = glyphCache().run(font, item.text);
            const QRectF d = r(item.rect);
            const double x = item.align == Align::Right    ? d.right() - run.width
                             : item.align == Align::Center ? d.left() + (d.width() - run.width) / 2
                                                           : d.left();
            const double baseline = d.top() + (d.height() - font.height) / 2 + font.ascent;
            auto it = std::find_if(pending.begin(), pending.end(), [&](const Pending &p) { return p.font == &font; });
            if (it == pending.end()) {
                pending.push_back({&font, {}, {}});
                it = pending.end() - 1;
            }
            it->glyphs += run.glyphs;
            for (const QPointF &p : run.positions)
                it->positions.append(QPointF(x + p.x(), baseline));
            break;
        }
        }
    }
    for (const Pending &p : pending) {
        QGlyphRun glyphs;
        glyphs.setRawFont(p.font->raw);
        glyphs.setGlyphIndexes(p.glyphs);
        glyphs.setPositions(p.positions);
        painter.drawGlyphRun(QPointF(0, 0), glyphs);
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
