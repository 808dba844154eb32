#pragma once
// The packet's XML form, shared by the writer of an in-memory packet and the
// generation that streams rows from the store: names as bytes made once,
// values written as Windows-1252 bytes with entity references.
// Internal to the exchange library.

#include "Messages.h"
#include "Packet.h"
#include "base/Cp1252.h"
#include "base/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>
#include <QVariant>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

namespace quirels::exchange::detail {

inline const QByteArray kXmlDeclaration = QByteArrayLiteral("<?xml version=\"1.0\" standalone=\"yes\"?>");
inline const QByteArray kRootOpen = QByteArrayLiteral("<DATAPACKET Version=\"2.0\">");
inline const QByteArray kMetadataEnd = QByteArrayLiteral("</METADATA>");
inline const QByteArray kCrLf = QByteArrayLiteral("\r\n");

// Where a streamed packet goes: the bytes up to and including
// "</METADATA>" (the head), then everything after it (the body).
class PacketOutput {
public:
    virtual ~PacketOutput() = default;
    virtual Status head(QByteArrayView bytes) = 0;
    virtual Status body(QByteArrayView bytes) = 0;
};

// The byte forms of a level's names, made once per packet.
struct LevelBytes {
    std::vector<QByteArray> attr; // ' name="' per field
    QByteArray rowOpen;           // "<ROWname"
    QByteArray rowClose;          // "</ROWname>"
    QByteArray setOpen;           // "<name>"
    QByteArray setClose;          // "</name>"
    QByteArray setEmpty;          // "<name/>"
};

class PacketXmlWriter {
public:
    QByteArray out;
    // With an output, out is handed over whenever it grows past a row
    // boundary beyond kFlushBytes; without one, out holds the whole packet.
    PacketOutput *output = nullptr;
    bool inBody = false;
    static constexpr qsizetype kFlushBytes = 1 << 20;
    std::unordered_map<const Level *, LevelBytes> names;

    const LevelBytes &bytesOf(const Level &level)
    {
        auto it = names.find(&level);
        if (it != names.end())
            return it->second;
        LevelBytes b;
        for (const PacketField &f : level.fields)
            b.attr.push_back(' ' + f.name.toLatin1() + "=\"");
        const QByteArray row = level.rowElement.toLatin1(), name = level.name.toLatin1();
        b.rowOpen = '<' + row;
        b.rowClose = "</" + row + '>';
        b.setOpen = '<' + name + '>';
        b.setClose = "</" + name + '>';
        b.setEmpty = '<' + name + "/>";
        return names.emplace(&level, std::move(b)).first->second;
    }
    Error error;
    bool failed = false;

    // Appends to out. QByteArray's own append goes through its general
    // insert, which costs hundreds of instructions for the few bytes of an
    // attribute; here it is a copy once the room is there.
    void put(const char *s, qsizetype n)
    {
        const qsizetype at = out.size();
        if (out.capacity() - at < n)
            out.reserve(std::max<qsizetype>(at + n, 2 * out.capacity()));
        out.resize(at + n);
        std::memcpy(out.data() + at, s, static_cast<size_t>(n));
    }
    void put(char c) { put(&c, 1); }
    void put(const QByteArray &s) { put(s.constData(), s.size()); }
    void raw(const char *s) { put(s, static_cast<qsizetype>(std::strlen(s))); }
    void raw(const QByteArray &s) { put(s); }
    void latin(const QString &s) { raw(s.toLatin1()); } // names: ASCII only

    // One character below 0x80 at d: XML's special characters and the
    // line breaks and tabs as references; false for any other control
    // character.
    bool ascii(char *&d, char16_t c, const QString &field)
    {
        const auto put = [&d](const char *s, int n) {
            std::memcpy(d, s, static_cast<size_t>(n));
            d += n;
        };
        switch (c) {
        case u'&': put("&amp;", 5); return true;
        case u'<': put("&lt;", 4); return true;
        case u'>': put("&gt;", 4); return true;
        case u'"': put("&quot;", 6); return true;
        case u'\'': put("&apos;", 6); return true;
        case u'\r': put("&#13;", 5); return true;
        case u'\n': put("&#10;", 5); return true;
        case u'\t': put("&#9;", 4); return true;
        default: break;
        }
        if (c < 0x20)
            return fail(msg::kCaractereInvalido.arg(QStringLiteral("\\x%1").arg(int(c), 2, 16, QLatin1Char('0')), field));
        *d++ = static_cast<char>(c);
        return true;
    }

    // Any other character (one code point, as UTF-16) at d as its one
    // Windows-1252 byte; false when the code page has none.
    bool other(char *&d, const QString &ch, const QString &field)
    {
        Result<QByteArray> b = cp1252::encode(ch);
        if (!b || b->size() != 1)
            return fail(msg::kCaractereInvalido.arg(ch, field));
        *d++ = b->at(0);
        return true;
    }

    // Takes back what a refused text wrote from start on.
    bool refuse(qsizetype start)
    {
        out.resize(start);
        return false;
    }

    static constexpr char32_t kNotUtf8 = 0xFFFFFFFF;
    // The code point of the sequence of two to four bytes at p (p moves past
    // it); kNotUtf8 for a byte that starts none, a cut or overlong
    // sequence, a surrogate or a value past U+10FFFF.
    static char32_t decodeUtf8(const unsigned char *&p, const unsigned char *end)
    {
        const unsigned char b = *p;
        int len;
        char32_t c, least;
        if (b >= 0xC2 && b <= 0xDF) {
            len = 2, c = b & 0x1Fu, least = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3, c = b & 0x0Fu, least = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4, c = b & 0x07u, least = 0x10000;
        } else {
            return kNotUtf8;
        }
        if (end - p < len)
            return kNotUtf8;
        for (int k = 1; k < len; ++k) {
            if ((p[k] & 0xC0u) != 0x80u)
                return kNotUtf8;
            c = (c << 6) | (p[k] & 0x3Fu);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return kNotUtf8;
        p += len;
        return c;
    }

    bool fail(const QString &message)
    {
        if (!failed) {
            failed = true;
            error = makeError(message, 2);
        }
        return false;
    }

    // Hands out over to the output (nothing without one).
    bool flush()
    {
        if (!output || out.isEmpty())
            return true;
        const Status s = inBody ? output->body(out) : output->head(out);
        out.truncate(0);
        if (!s) {
            if (!failed) {
                failed = true;
                error = s.error();
            }
            return false;
        }
        return true;
    }
    bool rowDone() { return out.size() < kFlushBytes || flush(); }

    // Text as Windows-1252 bytes with the XML special characters, and the
    // line breaks and tabs a memo may hold, written as references.
    bool text(QStringView value, const QString &field)
    {
        // Worst case six bytes per character ("&quot;"); written through a
        // pointer and trimmed afterwards.
        const qsizetype start = out.size();
        out.resize(start + value.size() * 6);
        char *d = out.data() + start;
        const QChar *p = value.constData();
        const QChar *end = p + value.size();
        for (; p != end; ++p) {
            const char16_t c = p->unicode();
            if (c < 0x80) {
                if (!ascii(d, c, field))
                    return refuse(start);
                continue;
            }
            if (c <= 0xFF && c >= 0xA0) {
                *d++ = static_cast<char>(c);
                continue;
            }
            const qsizetype len = p->isHighSurrogate() && p + 1 != end ? 2 : 1;
            if (!other(d, QString(p, len), field))
                return refuse(start);
            p += len - 1;
        }
        out.resize(d - out.constData());
        return true;
    }

    // The same from UTF-8 bytes, as the store holds its texts (no conversion
    // to UTF-16 on the way). Nothing written and nullopt when the bytes are
    // not UTF-8: the caller then writes the text as the store converts it.
    std::optional<bool> textUtf8(QByteArrayView value, const QString &field)
    {
        // Each byte gives at most six ("&quot;"); a character of several
        // bytes gives one.
        const qsizetype start = out.size();
        out.resize(start + value.size() * 6);
        char *d = out.data() + start;
        const auto *p = reinterpret_cast<const unsigned char *>(value.data());
        const auto *end = p + value.size();
        while (p != end) {
            const unsigned char b = *p;
            if (b < 0x80) {
                if (!ascii(d, b, field))
                    return refuse(start);
                ++p;
                continue;
            }
            const char32_t c = decodeUtf8(p, end);
            if (c == kNotUtf8) {
                out.resize(start);
                return std::nullopt;
            }
            if (c <= 0xFF && c >= 0xA0) {
                *d++ = static_cast<char>(c);
                continue;
            }
            if (!other(d, QString::fromUcs4(&c, 1), field))
                return refuse(start);
        }
        out.resize(d - out.constData());
        return true;
    }

    bool value(const PacketField &f, const QByteArray &prefix, const QVariant &v)
    {
        if (v.isNull() || !v.isValid())
            return true;
        switch (f.kind) {
        case FieldKind::Text:
        case FieldKind::Memo:
        case FieldKind::Lookup: {
            const QString s = v.toString();
            if (s.isEmpty())
                return true;
            put(prefix);
            if (!text(s, f.name))
                return false;
            break;
        }
        case FieldKind::Flag: {
            bool on;
            if (v.typeId() == QMetaType::QString) {
                const QString s = v.toString().trimmed();
                if (s.isEmpty())
                    return true;
                on = s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || s == QLatin1String("1");
            } else {
                on = v.toLongLong() != 0;
            }
            put(prefix);
            raw(on ? "TRUE" : "FALSE");
            break;
        }
        case FieldKind::Number: {
            bool ok = false;
            const double d = v.toDouble(&ok);
            if (!ok || !std::isfinite(d))
                return fail(msg::kValorInvalido.arg(v.toString(), f.name));
            put(prefix);
            // Decimal notation with a point, the fewest digits that read
            // back as the same double.
            char buf[400];
            const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
            put(buf, r.ptr - buf);
            break;
        }
        case FieldKind::Integer:
        case FieldKind::Counter: {
            bool ok = false;
            const qlonglong n = v.toLongLong(&ok);
            if (!ok || n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
                return fail(msg::kValorInvalido.arg(v.toString(), f.name));
            put(prefix);
            char buf[24];
            const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, n);
            put(buf, r.ptr - buf);
            break;
        }
        }
        put('"');
        return true;
    }

    void fieldDeclaration(const PacketField &f)
    {
        raw("<FIELD attrname=\"");
        latin(f.name);
        switch (f.kind) {
        case FieldKind::Text: raw("\" fieldtype=\"string\" WIDTH=\""); put(QByteArray::number(f.width)); raw("\"/>"); break;
        case FieldKind::Flag: raw("\" fieldtype=\"boolean\"/>"); break;
        case FieldKind::Number: raw("\" fieldtype=\"r8\"/>"); break;
        case FieldKind::Integer: raw("\" fieldtype=\"i4\"/>"); break;
        case FieldKind::Counter: raw("\" fieldtype=\"i4\" SUBTYPE=\"Autoinc\" readonly=\"true\"/>"); break;
        case FieldKind::Memo:
            raw("\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\" WIDTH=\"");
            put(QByteArray::number(f.width));
            raw("\"/>");
            break;
        case FieldKind::Lookup:
            raw("\" fieldtype=\"string\" WIDTH=\"");
            put(QByteArray::number(f.width));
            raw("\" readonly=\"true\"/>");
            break;
        }
    }

    void fields(const Level &level)
    {
        raw("<FIELDS>");
        for (const PacketField &f : level.fields)
            fieldDeclaration(f);
        for (const Level *n : level.nested) {
            raw("<FIELD attrname=\"");
            latin(n->name);
            raw("\" fieldtype=\"nested\">");
            fields(*n);
            raw("<PARAMS/></FIELD>");
        }
        raw("</FIELDS>");
    }

    // "<ROWname" and the row's non-empty fields; get(i) gives field i.
    template <class Get>
    bool attributes(const Level &level, Get get)
    {
        const LevelBytes &b = bytesOf(level);
        put(b.rowOpen);
        const size_t n = level.fields.size();
        for (size_t i = 0; i < n; ++i)
            if (!value(level.fields[i], b.attr[i], get(static_cast<int>(i))))
                return false;
        return true;
    }

    // The head: declaration and field declarations, up to "</METADATA>".
    void metadata()
    {
        raw(kXmlDeclaration);
        raw("  ");
        raw(kRootOpen);
        raw("<METADATA>");
        fields(packetRoot());
        raw("<PARAMS/>");
        raw(kMetadataEnd);
    }
    // Everything before the company row: the head and "<ROWDATA>"; with an
    // output, the head is handed over and the body begins.
    bool begin()
    {
        metadata();
        if (output) {
            if (!flush())
                return false;
            inBody = true;
        }
        raw("<ROWDATA>");
        return true;
    }
    void end() { raw("</ROWDATA></DATAPACKET>"); }

    bool row(const Level &level, const PacketRow &r)
    {
        const int have = static_cast<int>(r.values.size());
        if (!attributes(level, [&](int i) { return i < have ? r.values.at(i) : QVariant(); }))
            return false;
        if (level.nested.empty()) {
            raw("/>");
            return true;
        }
        put('>');
        for (size_t i = 0; i < level.nested.size(); ++i) {
            const Level &child = *level.nested[i];
            const LevelBytes &cb = bytesOf(child);
            const std::vector<PacketRow> *rows = i < r.nested.size() ? &r.nested[i] : nullptr;
            if (!rows || rows->empty()) {
                put(cb.setEmpty);
                continue;
            }
            put(cb.setOpen);
            for (const PacketRow &cr : *rows)
                if (!row(child, cr))
                    return false;
            put(cb.setClose);
        }
        put(bytesOf(level).rowClose);
        return true;
    }
};

} // namespace quirels::exchange::detail
