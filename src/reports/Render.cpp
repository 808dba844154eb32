#include "reports/Render.h"
#include "reports/Fonts.h"

#include "base/Cp1252.h"

#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <QPainter>
#include <QSaveFile>

#include <array>
#include <cmath>
#include <cstring>

#include <zlib.h>

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

// ---- PDF ---------------------------------------------------------------------------

namespace {

// Writes a content stream into a buffer that is kept from page to page:
// the caller makes room for what it is about to write, then writes without
// further checks.
class ContentWriter {
public:
    explicit ContentWriter(std::vector<char> &buffer) : m_buffer(buffer) {}
    void room(size_t bytes)
    {
        if (m_used + bytes > m_buffer.size())
            m_buffer.resize(std::max(m_buffer.size() * 2, m_used + bytes + 65536));
    }
    void put(char c) { m_buffer[m_used++] = c; }
    template <size_t N>
    void put(const char (&text)[N])
    {
        std::memcpy(m_buffer.data() + m_used, text, N - 1);
        m_used += N - 1;
    }
    // A number in hundredths of a unit: at most two decimals, no trailing
    // zeros (at most 22 bytes).
    void hundredths(long long n)
    {
        if (n < 0) {
            put('-');
            n = -n;
        }
        char digits[20];
        int at = sizeof digits;
        long long whole = n / 100;
        do {
            digits[--at] = static_cast<char>('0' + whole % 10);
            whole /= 10;
        } while (whole);
        std::memcpy(m_buffer.data() + m_used, digits + at, sizeof digits - at);
        m_used += sizeof digits - at;
        const int frac = static_cast<int>(n % 100);
        if (frac) {
            put('.');
            put(static_cast<char>('0' + frac / 10));
            if (frac % 10)
                put(static_cast<char>('0' + frac % 10));
        }
    }
    void number(double v) { hundredths(std::llround(v * 100)); }
    size_t size() const { return m_used; }
    const char *data() const { return m_buffer.data(); }

private:
    std::vector<char> &m_buffer;
    size_t m_used = 0;
};

long long hundredths(double v) { return std::llround(v * 100); }

QByteArray num(double v)
{
    std::vector<char> buffer(32);
    ContentWriter w(buffer);
    w.number(v);
    return QByteArray(w.data(), static_cast<qsizetype>(w.size()));
}

// The Windows-1252 byte of a character; '?' for one without a byte.
char winAnsi(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<char>(u);
    static const std::array<char16_t, 32> high = [] {
        std::array<char16_t, 32> h{};
        QByteArray bytes;
        for (int b = 0x80; b < 0xA0; ++b)
            bytes.append(static_cast<char>(b));
        const QString decoded = cp1252::decode(bytes);
        for (int i = 0; i < 32 && i < decoded.size(); ++i)
            h[static_cast<size_t>(i)] = decoded.at(i).unicode();
        return h;
    }();
    for (size_t i = 0; i < high.size(); ++i)
        if (high[i] == u)
            return static_cast<char>(0x80 + i);
    return '?';
}

// Page contents are compressed for speed, font programs for size.
QByteArray deflated(const QByteArray &data, int level = 1)
{
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(data.constData()),
                  static_cast<uLong>(data.size()), level) != Z_OK)
        return {};
    out.resize(static_cast<qsizetype>(size));
    return out;
}

quint16 be16at(const QByteArray &b, qsizetype at)
{
    return at + 1 < b.size() ? static_cast<quint16>((quint8(b[at]) << 8) | quint8(b[at + 1])) : 0;
}

quint32 be32at(const QByteArray &b, qsizetype at)
{
    return (quint32(be16at(b, at)) << 16) | be16at(b, at + 2);
}

// Keeps the outlines of the given glyphs (and of the glyphs they are built
// from) and empties every other one: the file shrinks to the characters a
// report can print. Returns false, leaving the tables alone, when they do
// not read as expected.
bool subsetGlyphs(QByteArray &glyf, QByteArray &loca, const QByteArray &head, const QByteArray &maxp,
                  QList<quint32> keep)
{
    const bool longOffsets = be16at(head, 50) == 1;
    const int count = be16at(maxp, 4);
    if (count == 0 || loca.size() < (count + 1) * (longOffsets ? 4 : 2))
        return false;
    const auto offset = [&](int g) -> quint32 { return longOffsets ? be32at(loca, g * 4) : quint32(be16at(loca, g * 2)) * 2; };
    std::vector<bool> kept(static_cast<size_t>(count), false);
    kept[0] = true;
    while (!keep.isEmpty()) {
        const quint32 g = keep.takeLast();
        if (g >= static_cast<quint32>(count) || kept[g])
            continue;
        kept[g] = true;
        const quint32 start = offset(static_cast<int>(g)), end = offset(static_cast<int>(g) + 1);
        if (end <= start || end > static_cast<quint32>(glyf.size()))
            continue;
        if (static_cast<qint16>(be16at(glyf, start)) >= 0)
            continue; // a simple glyph
        // A composite glyph: its components are kept too.
        qsizetype at = start + 10;
        for (;;) {
            if (at + 4 > static_cast<qsizetype>(end))
                break;
            const quint16 flags = be16at(glyf, at);
            keep.append(be16at(glyf, at + 2));
            at += 4 + ((flags & 0x0001) ? 4 : 2);
            if (flags & 0x0008)
                at += 2;
            else if (flags & 0x0040)
                at += 4;
            else if (flags & 0x0080)
                at += 8;
            if (!(flags & 0x0020))
                break;
        }
    }
    QByteArray newGlyf, newLoca;
    const auto putOffset = [&](quint32 o) {
        if (longOffsets) {
            newLoca.append(static_cast<char>(o >> 24)).append(static_cast<char>(o >> 16));
            newLoca.append(static_cast<char>(o >> 8)).append(static_cast<char>(o));
        } else {
            newLoca.append(static_cast<char>((o / 2) >> 8)).append(static_cast<char>(o / 2));
        }
    };
    for (int g = 0; g < count; ++g) {
        putOffset(static_cast<quint32>(newGlyf.size()));
        const quint32 start = offset(g), end = offset(g + 1);
        if (kept[static_cast<size_t>(g)] && end > start && end <= static_cast<quint32>(glyf.size())) {
            newGlyf.append(glyf.constData() + start, end - start);
            while (newGlyf.size() % 4)
                newGlyf.append('\0');
        }
    }
    putOffset(static_cast<quint32>(newGlyf.size()));
    glyf = newGlyf;
    loca = newLoca;
    return true;
}

// The font program as a TrueType file, put together from the tables the
// font engine gives, with the outlines of the Windows-1252 characters only
// and without glyph names.
QByteArray trueTypeFile(const QRawFont &raw)
{
    static const char *const tags[] = {"OS/2", "cmap", "cvt ", "fpgm", "gasp", "glyf", "head", "hhea",
                                       "hmtx", "loca", "maxp", "name", "post", "prep"};
    QHash<QByteArray, QByteArray> byTag;
    for (const char *t : tags) {
        const QByteArray data = raw.fontTable(t);
        if (!data.isEmpty())
            byTag.insert(QByteArray(t, 4), data);
    }
    QByteArray glyf = byTag.value("glyf"), loca = byTag.value("loca");
    QString charset;
    for (int c = 32; c < 256; ++c)
        charset += cp1252::decode(QByteArray(1, static_cast<char>(c)));
    if (subsetGlyphs(glyf, loca, byTag.value("head"), byTag.value("maxp"), raw.glyphIndexesForString(charset))) {
        byTag.insert("glyf", glyf);
        byTag.insert("loca", loca);
    }
    QByteArray post = byTag.value("post").left(32);
    if (post.size() == 32) {
        post[0] = 0, post[1] = 3, post[2] = 0, post[3] = 0; // version 3: no glyph names
        byTag.insert("post", post);
    }
    std::vector<std::pair<QByteArray, QByteArray>> tables;
    for (const char *t : tags)
        if (byTag.contains(QByteArray(t, 4)))
            tables.emplace_back(QByteArray(t, 4), byTag.value(QByteArray(t, 4)));
    const auto be32 = [](QByteArray &b, quint32 v) {
        b.append(static_cast<char>(v >> 24)).append(static_cast<char>(v >> 16)).append(static_cast<char>(v >> 8)).append(static_cast<char>(v));
    };
    const auto be16 = [](QByteArray &b, quint16 v) { b.append(static_cast<char>(v >> 8)).append(static_cast<char>(v)); };
    const quint16 n = static_cast<quint16>(tables.size());
    quint16 pow2 = 1, log2 = 0;
    while (pow2 * 2 <= n) {
        pow2 *= 2;
        ++log2;
    }
    QByteArray out;
    be32(out, 0x00010000);
    be16(out, n);
    be16(out, static_cast<quint16>(pow2 * 16));
    be16(out, log2);
    be16(out, static_cast<quint16>(n * 16 - pow2 * 16));
    quint32 offset = 12 + 16u * n;
    for (const auto &[tag, data] : tables) {
        QByteArray padded = data;
        while (padded.size() % 4)
            padded.append('\0');
        quint32 sum = 0;
        for (qsizetype i = 0; i < padded.size(); i += 4)
            sum += (quint32(quint8(padded[i])) << 24) | (quint32(quint8(padded[i + 1])) << 16) |
                   (quint32(quint8(padded[i + 2])) << 8) | quint32(quint8(padded[i + 3]));
        out.append(tag);
        be32(out, sum);
        be32(out, offset);
        be32(out, static_cast<quint32>(data.size()));
        offset += static_cast<quint32>(padded.size());
    }
    for (const auto &[tag, data] : tables) {
        out.append(data);
        while (out.size() % 4)
            out.append('\0');
    }
    return out;
}

} // namespace

struct PdfSink::Font {
    FontSpec spec;
    QByteArray name;        // resource name, "F1"
    QRawFont raw;           // at 1000 units per em
    double widths[256] = {};
    double ascent = 0, descent = 0;
};

// Compresses page contents at the fastest level, reusing one stream and one
// output buffer for every page.
class PdfSink::Deflater {
public:
    // A 16 KB window and a smaller hash than the defaults: a page is a few
    // kilobytes, and the hash is cleared for every page.
    Deflater() { m_ok = deflateInit2(&m_z, 1, Z_DEFLATED, 14, 7, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~Deflater()
    {
        if (m_ok)
            deflateEnd(&m_z);
    }
    // The compressed bytes of data, valid until the next call; empty on failure.
    QByteArrayView compress(const char *data, size_t size)
    {
        if (!m_ok || deflateReset(&m_z) != Z_OK)
            return {};
        const uLong bound = deflateBound(&m_z, static_cast<uLong>(size));
        if (m_out.size() < bound)
            m_out.resize(bound);
        m_z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        m_z.avail_in = static_cast<uInt>(size);
        m_z.next_out = reinterpret_cast<Bytef *>(m_out.data());
        m_z.avail_out = static_cast<uInt>(m_out.size());
        if (deflate(&m_z, Z_FINISH) != Z_STREAM_END)
            return {};
        return QByteArrayView(m_out.data(), static_cast<qsizetype>(m_out.size() - m_z.avail_out));
    }

private:
    z_stream m_z{};
    bool m_ok = false;
    std::vector<char> m_out;
};

PdfSink::PdfSink(const QString &path) : m_path(path) {}

PdfSink::~PdfSink()
{
    if (m_file)
        m_file->cancelWriting();
}

void PdfSink::beginReport(const QString &title, const PageSetup &setup)
{
    m_setup = setup;
    if (m_title.isEmpty())
        m_title = title;
}

int PdfSink::newObject()
{
    m_offsets.push_back(m_written);
    return static_cast<int>(m_offsets.size());
}

bool PdfSink::write(QByteArrayView bytes)
{
    if (m_failed)
        return false;
    if (m_file->write(bytes.data(), bytes.size()) != bytes.size()) {
        m_failed = true;
        return false;
    }
    m_written += bytes.size();
    return true;
}

PdfSink::Font &PdfSink::font(const FontSpec &spec)
{
    // One font program per weight; sizes are set in the content.
    for (auto &f : m_fonts)
        if (f->spec.bold == spec.bold)
            return *f;
    auto f = std::make_unique<Font>();
    f->spec = spec;
    f->name = "F" + QByteArray::number(static_cast<int>(m_fonts.size()) + 1);
    FontSpec unit = spec;
    unit.pt = 12;
    f->raw = QRawFont::fromFont(qfont(unit));
    f->raw.setPixelSize(1000);
    for (int c = 32; c < 256; ++c) {
        const QString ch = cp1252::decode(QByteArray(1, static_cast<char>(c)));
        const QList<quint32> glyphs = f->raw.glyphIndexesForString(ch);
        const QList<QPointF> adv = f->raw.advancesForGlyphIndexes(glyphs);
        f->widths[c] = adv.isEmpty() ? 0 : adv.first().x();
    }
    f->ascent = f->raw.ascent();
    f->descent = f->raw.descent();
    m_fonts.push_back(std::move(f));
    return *m_fonts.back();
}

bool PdfSink::addPage(Page &&page)
{
    if (m_failed)
        return false;
    if (!m_file) {
        m_file = std::make_unique<QSaveFile>(m_path);
        if (!m_file->open(QIODevice::WriteOnly)) {
            m_failed = true;
            return false;
        }
        // Objects 1, 2 and 3 (catalog, page tree, the pages' shared
        // resources) are written last.
        write(QByteArrayView("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"));
        m_offsets = {0, 0, 0};
        m_deflater = std::make_unique<Deflater>();
    }
    const double k = 72.0 / 25.4; // points per millimetre
    const double height = m_setup.paper.height() * k;
    // The content stream: lines and boxes first, then every text in one text
    // object (black on white, so the order does not show). Texts are placed
    // by moves relative to the previous one, in whole hundredths of a point
    // so that the moves add up exactly to each text's own position.
    ContentWriter c(m_content);
    c.room(64);
    c.put("0 G 0 g ");
    c.number(0.2 * k);
    c.put(" w\n");
    for (const PageItem &item : page.items) {
        const QRectF &r = item.rect;
        if (item.kind == PageItem::Kind::Line) {
            c.room(128);
            c.number(r.left() * k);
            c.put(' ');
            c.number(height - r.top() * k);
            c.put(" m ");
            c.number(r.right() * k);
            c.put(' ');
            c.number(height - r.bottom() * k);
            c.put(" l S\n");
        } else if (item.kind == PageItem::Kind::Box) {
            c.room(128);
            c.number(r.left() * k);
            c.put(' ');
            c.number(height - r.bottom() * k);
            c.put(' ');
            c.number(r.width() * k);
            c.put(' ');
            c.number(r.height() * k);
            c.put(" re S\n");
        }
    }
    c.room(8);
    c.put("BT\n");
    const Font *current = nullptr;
    double currentSize = 0;
    long long atX = 0, atY = 0;
    for (const PageItem &item : page.items) {
        if (item.kind != PageItem::Kind::Text || item.text.isEmpty())
            continue;
        Font &f = font(item.font);
        const double size = item.font.pt;
        const size_t length = static_cast<size_t>(item.text.size());
        c.room(96 + 2 * length);
        if (&f != current || size != currentSize) {
            c.put('/');
            for (const char ch : f.name)
                c.put(ch);
            c.put(' ');
            c.number(size);
            c.put(" Tf\n");
            current = &f;
            currentSize = size;
        }
        // The text's bytes go to the scratch buffer while its width adds up:
        // the width places right-aligned and centred texts.
        m_text.resize(length);
        double w = 0;
        const QChar *chars = item.text.constData();
        for (size_t i = 0; i < length; ++i) {
            const char16_t u = chars[i].unicode();
            const char b = u < 0x80 ? static_cast<char>(u) : winAnsi(u);
            m_text[i] = b;
            w += f.widths[static_cast<quint8>(b)];
        }
        w *= size / 1000.0;
        const QRectF &r = item.rect;
        const double left = r.left() * k, width = r.width() * k;
        const double x = item.align == Align::Right ? left + width - w
                         : item.align == Align::Center ? left + (width - w) / 2
                                                       : left;
        const double boxHeight = r.height() * k;
        const double glyphHeight = (f.ascent + f.descent) * size / 1000.0;
        const double baseline = r.top() * k + (boxHeight - glyphHeight) / 2 + f.ascent * size / 1000.0;
        const long long toX = hundredths(x), toY = hundredths(height - baseline);
        c.hundredths(toX - atX);
        c.put(' ');
        c.hundredths(toY - atY);
        c.put(" Td (");
        atX = toX;
        atY = toY;
        for (const char b : m_text) {
            if (b == '(' || b == ')' || b == '\\')
                c.put('\\');
            c.put(b);
        }
        c.put(") Tj\n");
    }
    c.room(8);
    c.put("ET\n");
    const QByteArrayView z = m_deflater->compress(c.data(), c.size());
    if (z.isEmpty()) {
        m_failed = true;
        return false;
    }
    const int content = newObject();
    write(QByteArray::number(content) + " 0 obj\n<< /Length " + QByteArray::number(z.size()) +
          " /Filter /FlateDecode >>\nstream\n");
    write(z);
    write(QByteArrayView("\nendstream\nendobj\n"));
    const int pageObject = newObject();
    write(QByteArray::number(pageObject) + " 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " +
          num(m_setup.paper.width() * k) + ' ' + num(height) + "] /Contents " + QByteArray::number(content) +
          " 0 R /Resources 3 0 R >>\nendobj\n");
    m_pageObjects.push_back(pageObject);
    return !m_failed;
}

bool PdfSink::writeFonts()
{
    // Both weights are always declared, so that every page can share one
    // resource dictionary (object 3).
    font(FontSpec{7, false});
    font(FontSpec{7, true});
    QByteArray resources = "<< /Font << ";
    std::vector<int> objects;
    for (auto &f : m_fonts) {
        // The font programs are the same in every file: made once.
        static QHash<bool, QPair<QByteArray, qsizetype>> programs;
        if (!programs.contains(f->spec.bold)) {
            const QByteArray program = trueTypeFile(f->raw);
            programs.insert(f->spec.bold, {deflated(program, 9), program.size()});
        }
        const QByteArray &z = programs[f->spec.bold].first;
        const qsizetype programSize = programs[f->spec.bold].second;
        const int file = newObject();
        write(QByteArray::number(file) + " 0 obj\n<< /Length " + QByteArray::number(z.size()) + " /Length1 " +
              QByteArray::number(programSize) + " /Filter /FlateDecode >>\nstream\n" + z + "\nendstream\nendobj\n");
        const QByteArray baseName = f->spec.bold ? "DejaVuSans-Bold" : "DejaVuSans";
        const int descriptor = newObject();
        write(QByteArray::number(descriptor) + " 0 obj\n<< /Type /FontDescriptor /FontName /" + baseName +
              " /Flags 32 /FontBBox [-1021 -463 1793 1232] /ItalicAngle 0 /Ascent " + num(f->ascent) + " /Descent -" +
              num(f->descent) + " /CapHeight 729 /StemV " + QByteArray(f->spec.bold ? "140" : "80") + " /FontFile2 " +
              QByteArray::number(file) + " 0 R >>\nendobj\n");
        QByteArray widths;
        for (int ch = 32; ch < 256; ++ch)
            widths += num(f->widths[ch]) + (ch % 16 == 15 ? "\n" : " ");
        const int dict = newObject();
        write(QByteArray::number(dict) + " 0 obj\n<< /Type /Font /Subtype /TrueType /BaseFont /" + baseName +
              " /FirstChar 32 /LastChar 255 /Widths [" + widths + "] /Encoding /WinAnsiEncoding /FontDescriptor " +
              QByteArray::number(descriptor) + " 0 R >>\nendobj\n");
        resources += '/' + f->name + ' ' + QByteArray::number(dict) + " 0 R ";
    }
    resources += ">> >>";
    m_offsets[2] = m_written;
    return write("3 0 obj\n" + resources + "\nendobj\n");
}

Status PdfSink::close()
{
    if (!m_file || m_failed) {
        const QString why = m_file ? m_file->errorString() : QString();
        if (m_file)
            m_file->cancelWriting();
        m_file.reset();
        return makeError(why.isEmpty() ? m_path : m_path + QStringLiteral(": ") + why, 2);
    }
    writeFonts();
    QByteArray kids;
    for (const int p : m_pageObjects)
        kids += QByteArray::number(p) + " 0 R ";
    m_offsets[1] = m_written;
    write("2 0 obj\n<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pageCount()) + " >>\nendobj\n");
    m_offsets[0] = m_written;
    write(QByteArrayView("1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n"));
    // The title as UTF-16 with its byte-order mark, in hexadecimal.
    QByteArray title = "FEFF";
    for (const QChar ch : m_title)
        title += QByteArray::number(ch.unicode(), 16).rightJustified(4, '0').toUpper();
    const int info = newObject();
    write(QByteArray::number(info) + " 0 obj\n<< /Title <" + title + "> /Creator (Quirels) /Producer (Quirels) >>\nendobj\n");
    const qint64 xref = m_written;
    QByteArray table = "xref\n0 " + QByteArray::number(m_offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (const qint64 off : m_offsets)
        table += QByteArray::number(off).rightJustified(10, '0') + " 00000 n \n";
    table += "trailer\n<< /Size " + QByteArray::number(m_offsets.size() + 1) + " /Root 1 0 R /Info " +
             QByteArray::number(info) + " 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    write(table);
    if (m_failed) {
        const QString why = m_file->errorString();
        m_file->cancelWriting();
        m_file.reset();
        return makeError(m_path + QStringLiteral(": ") + why, 2);
    }
    const bool ok = m_file->commit();
    const QString why = m_file->errorString();
    m_file.reset();
    if (!ok)
        return makeError(m_path + QStringLiteral(": ") + why, 2);
    return {};
}

} // namespace quirels::reports
