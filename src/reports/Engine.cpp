#include "reports/Engine.h"
#include "reports/Fonts.h"

#include "base/Numbers.h"

#include <QDataStream>
#include <QIODevice>
#include <QFontMetricsF>
#include <QImage>
#include <array>
#include <cmath>

namespace quirels::reports {

PageSink::~PageSink() = default;
Source::~Source() = default;

// ---- page model -------------------------------------------------------------

QStringList Page::lines() const
{
    std::vector<const PageItem *> texts;
    for (const PageItem &it : items)
        if (it.kind == PageItem::Kind::Text && !it.text.isEmpty())
            texts.push_back(&it);
    std::stable_sort(texts.begin(), texts.end(), [](const PageItem *a, const PageItem *b) {
        const double ya = std::round(a->rect.top() * 100), yb = std::round(b->rect.top() * 100);
        return ya != yb ? ya < yb : a->rect.left() < b->rect.left();
    });
    QStringList out;
    double lastTop = -1;
    for (const PageItem *it : texts) {
        const double top = std::round(it->rect.top() * 100);
        if (out.isEmpty() || top != lastTop)
            out.append(it->text);
        else
            out.last() += QLatin1Char(' ') + it->text;
        lastTop = top;
    }
    return out;
}

int Page::ruleCount() const
{
    int n = 0;
    for (const PageItem &it : items)
        if (it.kind == PageItem::Kind::Line && it.rect.height() == 0)
            ++n;
    return n;
}

QByteArray Page::pack() const
{
    QByteArray raw;
    QDataStream out(&raw, QIODevice::WriteOnly);
    out << qint32(number) << quint32(items.size());
    for (const PageItem &it : items)
        out << quint8(it.kind) << it.rect << it.text << it.font.pt << it.font.bold << quint8(it.align);
    return qCompress(raw, 1);
}

Page Page::unpack(const QByteArray &bytes)
{
    Page page;
    const QByteArray raw = qUncompress(bytes);
    QDataStream in(raw);
    qint32 number = 0;
    quint32 count = 0;
    in >> number >> count;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        PageItem it;
        quint8 kind = 0, align = 0;
        in >> kind >> it.rect >> it.text >> it.font.pt >> it.font.bold >> align;
        if (in.status() != QDataStream::Ok || kind > quint8(PageItem::Kind::Box) || align > quint8(Align::Right))
            return Page();
        it.kind = static_cast<PageItem::Kind>(kind);
        it.align = static_cast<Align>(align);
        page.items.push_back(std::move(it));
    }
    page.number = in.status() == QDataStream::Ok ? number : 0;
    return page;
}

// ---- sources ------------------------------------------------------------------

bool RowsSource::next()
{
    if (m_at + 1 >= static_cast<int>(m_rows.size())) {
        m_at = static_cast<int>(m_rows.size());
        return false;
    }
    ++m_at;
    return true;
}

QVariant RowsSource::value(const QString &field) const
{
    if (m_at < 0 || m_at >= static_cast<int>(m_rows.size()))
        return {};
    const QVariantMap &row = m_rows[static_cast<size_t>(m_at)];
    const auto it = row.constFind(field);
    if (it != row.constEnd())
        return *it;
    for (auto i = row.constBegin(); i != row.constEnd(); ++i)
        if (i.key().compare(field, Qt::CaseInsensitive) == 0)
            return *i;
    return {};
}

QVariant EvalContext::value(const QString &field) const
{
    if (row) {
        const QVariant v = row->value(field);
        if (v.isValid())
            return v;
    }
    return params ? params->value(field) : QVariant();
}

// ---- fonts and metrics ----------------------------------------------------------

QFont qfont(const FontSpec &spec)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(spec.pt);
    f.setBold(spec.bold);
    return f;
}

namespace {

constexpr double kMetricsDpi = 1200;

double toMm(double px) { return px * 25.4 / kMetricsDpi; }

// The metrics of one font, and its line height in mm (asked for every text
// of every band, so kept rather than measured again).
struct Metrics {
    int key = 0;
    bool bold = false;
    std::unique_ptr<QFontMetricsF> fm;
    double lineHeightMm = 0;
    std::array<double, 256> advanceMm{}; // Latin-1 characters, measured on first use; 0: not yet
};

const Metrics &metricsOf(const FontSpec &spec)
{
    static QImage device = [] {
        QImage img(1, 1, QImage::Format_Mono);
        const int dpm = static_cast<int>(std::lround(kMetricsDpi / 0.0254));
        img.setDotsPerMeterX(dpm);
        img.setDotsPerMeterY(dpm);
        return img;
    }();
    static std::vector<std::unique_ptr<Metrics>> cache; // a report uses a handful of fonts
    const int key = static_cast<int>(std::lround(spec.pt * 100));
    for (const auto &m : cache)
        if (m->key == key && m->bold == spec.bold)
            return *m;
    auto m = std::make_unique<Metrics>();
    m->key = key;
    m->bold = spec.bold;
    m->fm = std::make_unique<QFontMetricsF>(qfont(spec), &device);
    m->lineHeightMm = m->fm->lineSpacing() * 25.4 / kMetricsDpi;
    cache.push_back(std::move(m));
    return *cache.back();
}

const QFontMetricsF &metrics(const FontSpec &spec) { return *metricsOf(spec).fm; }

// The width of a text as the devices draw it: the sum of its characters'
// advances, without kerning (the PDF writer and the preview place glyphs
// the same way).
double drawnWidth(const QString &text, const FontSpec &font)
{
    Metrics &m = const_cast<Metrics &>(metricsOf(font));
    double w = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 256) {
            double &a = m.advanceMm[u];
            if (a == 0)
                a = std::max(1e-9, toMm(m.fm->horizontalAdvance(c)));
            w += a;
        } else {
            w += toMm(m.fm->horizontalAdvance(c));
        }
    }
    return w;
}

} // namespace

double lineHeight(const FontSpec &font) { return metricsOf(font).lineHeightMm; }

double textWidth(const QString &text, const FontSpec &font)
{
    return toMm(metrics(font).horizontalAdvance(text));
}

QStringList wrapText(const QString &text, const FontSpec &font, double width)
{
    QStringList out;
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList paragraphs = normalized.split(QLatin1Char('\n'));
    for (const QString &para : paragraphs) {
        QString line;
        const QStringList words = para.split(QLatin1Char(' '));
        for (int i = 0; i < words.size(); ++i) {
            QString word = words.at(i);
            const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (textWidth(candidate, font) <= width) {
                line = candidate;
                continue;
            }
            if (!line.isEmpty()) {
                out.append(line);
                line.clear();
            }
            // A word wider than the line is split where it no longer fits.
            while (textWidth(word, font) > width && word.size() > 1) {
                int n = 1;
                while (n < word.size() && textWidth(word.left(n + 1), font) <= width)
                    ++n;
                out.append(word.left(n));
                word = word.mid(n);
            }
            line = word;
        }
        out.append(line);
    }
    return out;
}

// ---- element builders ------------------------------------------------------------

Element label(double x, double y, double w, const QString &text, FontSpec font, Align align)
{
    Element e;
    e.kind = Element::Kind::Label;
    e.x = x, e.y = y, e.w = w, e.font = font, e.align = align, e.text = text;
    return e;
}

Element field(double x, double y, double w, const QString &name, FontSpec font, Align align)
{
    Element e = label(x, y, w, name, font, align);
    e.kind = Element::Kind::Field;
    return e;
}

Element number(double x, double y, double w, const QString &name, const QString &picture, FontSpec font)
{
    Element e = field(x, y, w, name, font, Align::Right);
    e.picture = picture;
    return e;
}

Element computed(double x, double y, double w, std::function<QString(const EvalContext &)> fn, FontSpec font,
                 Align align)
{
    Element e = label(x, y, w, QString(), font, align);
    e.kind = Element::Kind::Computed;
    e.compute = std::move(fn);
    return e;
}

Element sum(double x, double y, double w, const QString &name, const QString &picture, FontSpec font)
{
    Element e = number(x, y, w, name, picture, font);
    e.kind = Element::Kind::Sum;
    return e;
}

Element pageNumber(double x, double y, double w, const QString &prefix, FontSpec font, Align align)
{
    Element e = label(x, y, w, prefix, font, align);
    e.kind = Element::Kind::PageNumber;
    return e;
}

Element hline(double y, double x, double w)
{
    Element e;
    e.kind = Element::Kind::Line;
    e.x = x, e.y = y, e.w = w;
    return e;
}

Element box(double x, double y, double w, double h)
{
    Element e;
    e.kind = Element::Kind::Box;
    e.x = x, e.y = y, e.w = w, e.h = h;
    return e;
}

Element segment(double x1, double y1, double x2, double y2)
{
    Element e;
    e.kind = Element::Kind::Segment;
    e.x = x1, e.y = y1, e.w = x2 - x1, e.h = y2 - y1;
    return e;
}

Element memo(double x, double y, double w, const QString &name, FontSpec font)
{
    Element e = field(x, y, w, name, font);
    e.kind = Element::Kind::Memo;
    return e;
}

// ---- layout -----------------------------------------------------------------------

namespace {

QString display(const QVariant &v, const QString &picture, const QLocale &locale)
{
    if (!v.isValid() || v.isNull())
        return {};
    const int type = v.typeId();
    const bool numeric = type == QMetaType::Double || type == QMetaType::Float || type == QMetaType::Int ||
                         type == QMetaType::LongLong || type == QMetaType::UInt || type == QMetaType::ULongLong;
    if (!picture.isEmpty()) {
        bool ok = numeric;
        double d = numeric ? v.toDouble() : v.toString().toDouble(&ok);
        if (ok)
            return numbers::format(d, picture, locale);
        return v.toString();
    }
    if (type == QMetaType::Double || type == QMetaType::Float)
        return numbers::general(v.toDouble(), locale);
    return v.toString();
}

class Layout {
public:
    Layout(const ReportDef &def, PageSink &sink) : m_def(def), m_sink(sink), m_setup(def.setup) {}

    Result<Outcome> run();

private:
    double bottom() const
    {
        return m_setup.paper.height() - m_setup.margins.bottom() - m_def.pageFooter.height;
    }
    bool startPage();
    bool finishPage();
    bool ensureRoom(double height);
    void put(const Band &band, const EvalContext &ctx, double top);
    bool place(const Band &band, const Source *row, const QHash<QString, double> *sums = nullptr,
               double keepWith = 0);
    bool placeMemoBand(const Band &band, const EvalContext &ctx);
    Result<bool> runLevel(const Level &level, const Source *master, std::unique_ptr<Source> opened = {});
    EvalContext context(const Source *row, const QHash<QString, double> *sums = nullptr) const
    {
        return {row, m_def.params.get(), sums, m_page.number};
    }

    const ReportDef &m_def;
    PageSink &m_sink;
    PageSetup m_setup;
    const QLocale m_locale = numbers::appLocale(); // asked once: numbers of every row use it
    Page m_page;
    bool m_open = false;
    bool m_stopped = false;
    double m_y = 0;
    double m_bodyTop = 0;
};

// A value wider than its field would run into the next caption: it is
// printed smaller, in steps of a tenth of a point, down to 60% of its size,
// so that the whole value stays readable in its place. A value may use 1 mm
// of the gap after its field. (A value that does not fit even at 60% is
// printed at that size, whole.)
void fitToWidth(PageItem &item)
{
    const double room = item.rect.width() + 1.0;
    if (item.text.isEmpty() || item.rect.width() <= 0)
        return;
    const double drawn = drawnWidth(item.text, item.font);
    if (drawn <= room)
        return;
    const double smallest = item.font.pt * 0.6;
    FontSpec smaller = item.font;
    smaller.pt = std::max(smallest, std::floor(item.font.pt * room / drawn * 10) / 10);
    while (smaller.pt > smallest && drawnWidth(item.text, smaller) > room)
        smaller.pt = std::max(smallest, smaller.pt - 0.1);
    item.font.pt = smaller.pt;
}

bool isMemoBand(const Band &band)
{
    for (const Element &e : band.elements)
        if (e.kind == Element::Kind::Memo)
            return true;
    return false;
}

QString elementText(const Element &e, const EvalContext &ctx, const QLocale &locale)
{
    switch (e.kind) {
    case Element::Kind::Label:
        return e.text;
    case Element::Kind::Field:
        return display(ctx.value(e.text), e.picture, locale);
    case Element::Kind::Computed:
        return e.compute ? e.compute(ctx) : QString();
    case Element::Kind::Sum:
        return display(ctx.sums ? QVariant(ctx.sums->value(e.text.toLower())) : QVariant(0.0), e.picture, locale);
    case Element::Kind::PageNumber:
        return e.text + QString::number(ctx.page);
    default:
        return {};
    }
}

} // namespace

void Layout::put(const Band &band, const EvalContext &ctx, double top)
{
    const double left = m_setup.margins.left();
    const double width = m_setup.contentWidth();
    for (const Element &e : band.elements) {
        PageItem item;
        const double w = e.w > 0 ? e.w : width - e.x;
        switch (e.kind) {
        case Element::Kind::Line:
            item.kind = PageItem::Kind::Line;
            item.rect = QRectF(left + e.x, top + e.y, w, 0);
            break;
        case Element::Kind::Segment:
            item.kind = PageItem::Kind::Line;
            item.rect = QRectF(left + e.x, top + e.y, e.w, e.h);
            break;
        case Element::Kind::Box:
            item.kind = PageItem::Kind::Box;
            item.rect = QRectF(left + e.x, top + e.y, w, e.h);
            break;
        case Element::Kind::Memo:
            continue; // placed by placeMemoBand
        default:
            item.text = elementText(e, ctx, m_locale);
            item.font = e.font;
            item.align = e.align;
            item.rect = QRectF(left + e.x, top + e.y, w, e.h > 0 ? e.h : lineHeight(e.font));
            if (e.kind != Element::Kind::Label)
                fitToWidth(item);
            break;
        }
        m_page.items.push_back(std::move(item));
    }
}

bool Layout::startPage()
{
    const int number = m_page.number + 1;
    m_page = Page();
    m_page.number = number;
    m_open = true;
    m_y = m_setup.margins.top();
    const EvalContext ctx = context(nullptr);
    put(m_def.pageHeader, ctx, m_y);
    m_y += m_def.pageHeader.height;
    if (number == 1) {
        put(m_def.titleBand, ctx, m_y);
        m_y += m_def.titleBand.height;
    }
    put(m_def.columnHeader, ctx, m_y);
    m_y += m_def.columnHeader.height;
    m_bodyTop = m_y;
    return true;
}

bool Layout::finishPage()
{
    if (!m_open)
        return !m_stopped;
    put(m_def.pageFooter, context(nullptr), bottom());
    m_open = false;
    const int number = m_page.number;
    if (!m_sink.addPage(std::move(m_page)))
        m_stopped = true;
    m_page = Page();
    m_page.number = number;
    return !m_stopped;
}

bool Layout::ensureRoom(double height)
{
    if (m_stopped)
        return false;
    if (m_y + height > bottom() + 1e-6 && m_y > m_bodyTop + 1e-6) {
        if (!finishPage())
            return false;
        startPage();
    }
    return true;
}

bool Layout::place(const Band &band, const Source *row, const QHash<QString, double> *sums, double keepWith)
{
    if (!band.present() || m_stopped)
        return !m_stopped;
    EvalContext ctx = context(row, sums);
    if (band.printIf && !band.printIf(ctx))
        return true;
    if (isMemoBand(band))
        return placeMemoBand(band, ctx);
    // A header keeps the first band after it on the same page.
    const double room = keepWith > 0 && band.height + keepWith <= bottom() - m_bodyTop ? band.height + keepWith
                                                                                      : band.height;
    if (!ensureRoom(room))
        return false;
    ctx.page = m_page.number;
    put(band, ctx, m_y);
    m_y += band.height;
    return true;
}

bool Layout::placeMemoBand(const Band &band, const EvalContext &given)
{
    const Element *memoElement = nullptr;
    for (const Element &e : band.elements)
        if (e.kind == Element::Kind::Memo)
            memoElement = &e;
    const Element &me = *memoElement;
    const double lh = lineHeight(me.font);
    if (!ensureRoom(me.y + lh))
        return false;
    EvalContext ctx = given;
    ctx.page = m_page.number;
    put(band, ctx, m_y);
    const double width = me.w > 0 ? me.w : m_setup.contentWidth() - me.x;
    const QString text = ctx.value(me.text).toString();
    m_y += me.y;
    if (!text.isEmpty()) {
        for (const QString &line : wrapText(text, me.font, width)) {
            if (!ensureRoom(lh))
                return false;
            PageItem item;
            item.text = line;
            item.font = me.font;
            item.rect = QRectF(m_setup.margins.left() + me.x, m_y, width, lh);
            m_page.items.push_back(std::move(item));
            m_y += lh;
        }
    }
    m_y += std::max(0.0, band.height - me.y);
    return true;
}

Result<bool> Layout::runLevel(const Level &level, const Source *master, std::unique_ptr<Source> opened)
{
    std::unique_ptr<Source> src = std::move(opened);
    bool has = true;
    if (!src) {
        if (!level.source)
            return false;
        src = level.source(master);
        if (!src)
            return false;
        if (Status s = src->open(); !s)
            return s.error();
        has = src->next();
    }
    if (!has) {
        if (!level.printEmpty)
            return false;
        RowsSource empty;
        (void)empty.open();
        place(level.header, &empty, nullptr, level.detail.height);
        place(level.detail, &empty);
        place(level.footer, &empty);
        return !m_stopped;
    }
    place(level.header, src.get(), nullptr, level.detail.height);
    const size_t n = level.groups.size();
    std::vector<QString> keys(n);
    std::vector<QHash<QString, double>> sums(n);
    bool first = true;
    do {
        size_t changed = first ? 0 : n;
        if (!first)
            for (size_t g = 0; g < n; ++g)
                if (src->value(level.groups[g].field).toString() != keys[g]) {
                    changed = g;
                    break;
                }
        if (!first)
            for (size_t g = n; g-- > changed;)
                place(level.groups[g].footer, src.get(), &sums[g]);
        for (size_t g = changed; g < n; ++g) {
            keys[g] = src->value(level.groups[g].field).toString();
            sums[g].clear();
            place(level.groups[g].header, src.get(), nullptr, level.detail.height);
        }
        for (size_t g = 0; g < n; ++g)
            for (const QString &f : level.groups[g].sums)
                sums[g][f.toLower()] += src->value(f).toDouble();
        place(level.detail, src.get());
        for (const Level &child : level.children) {
            Result<bool> r = runLevel(child, src.get());
            if (!r)
                return r.error();
        }
        first = false;
    } while (!m_stopped && src->next());
    for (size_t g = n; g-- > 0;)
        place(level.groups[g].footer, src.get(), &sums[g]);
    place(level.footer, src.get());
    return !m_stopped;
}

Result<Outcome> Layout::run()
{
    std::vector<std::unique_ptr<Source>> tops;
    std::vector<bool> hasRows;
    bool any = false;
    for (const Level &section : m_def.sections) {
        std::unique_ptr<Source> src = section.source ? section.source(nullptr) : nullptr;
        bool has = false;
        if (src) {
            if (Status s = src->open(); !s)
                return s.error();
            has = src->next();
        }
        any = any || has;
        hasRows.push_back(has);
        tops.push_back(std::move(src));
    }
    if (!any)
        return Outcome::Empty;
    if (m_def.params) {
        if (Status s = m_def.params->open(); !s)
            return s.error();
        m_def.params->next();
    }
    m_sink.beginReport(m_def.title, m_setup);
    startPage();
    for (size_t i = 0; i < m_def.sections.size() && !m_stopped; ++i) {
        const Level &section = m_def.sections[i];
        Result<bool> r = hasRows[i] ? runLevel(section, nullptr, std::move(tops[i]))
                                    : (section.printEmpty ? runLevel(section, nullptr) : Result<bool>(false));
        if (!r)
            return r.error();
    }
    if (!m_stopped && m_def.summary.present()) {
        if (m_def.summaryNewPage && m_y > m_bodyTop + 1e-6) {
            finishPage();
            if (!m_stopped)
                startPage();
        }
        place(m_def.summary, nullptr);
    }
    finishPage();
    m_sink.endReport();
    return m_stopped ? Outcome::Stopped : Outcome::Printed;
}


Result<Outcome> generate(const ReportDef &def, PageSink &sink)
{
    Layout layout(def, sink);
    return layout.run();
}

} // namespace quirels::reports
