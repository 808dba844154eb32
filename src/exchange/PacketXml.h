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

    void raw(const char *s) { out.append(s); }
    void raw(const QByteArray &s) { out.append(s); }
    void latin(const QString &s) { out.append(s.toLatin1()); } // names: ASCII only

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
        auto put = [&d](const char *s, int n) {
            std::memcpy(d, s, static_cast<size_t>(n));
            d += n;
        };
        for (; p != end; ++p) {
            const char16_t c = p->unicode();
            if (c >= 0x80) {
                if (c <= 0xFF && c >= 0xA0) {
                    *d++ = static_cast<char>(c);
                    continue;
                }
                const qsizetype len = p->isHighSurrogate() && p + 1 != end ? 2 : 1;
                const QString ch(p, len);
                Result<QByteArray> b = cp1252::encode(ch);
                if (!b || b->size() != 1) {
                    out.resize(start);
                    return fail(msg::kCaractereInvalido.arg(ch, field));
                }
                *d++ = b->at(0);
                continue;
            }
            switch (c) {
            case u'&': put("&amp;", 5); continue;
            case u'<': put("&lt;", 4); continue;
            case u'>': put("&gt;", 4); continue;
            case u'"': put("&quot;", 6); continue;
            case u'\'': put("&apos;", 6); continue;
            case u'\r': put("&#13;", 5); continue;
            case u'\n': put("&#10;", 5); continue;
            case u'\t': put("&#9;", 4); continue;
            default: break;
            }
            if (c < 0x20) {
                out.resize(start);
                return fail(msg::kCaractereInvalido.arg(QStringLiteral("\\x%1").arg(int(c), 2, 16, QLatin1Char('0')), field));
            }
            *d++ = static_cast<char>(c);
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
            out.append(prefix);
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
            out.append(prefix);
            raw(on ? "TRUE" : "FALSE");
            break;
        }
        case FieldKind::Number: {
            bool ok = false;
            const double d = v.toDouble(&ok);
            if (!ok || !std::isfinite(d))
                return fail(msg::kValorInvalido.arg(v.toString(), f.name));
            out.append(prefix);
            // Decimal notation with a point, the fewest digits that read
            // back as the same double.
            char buf[400];
            const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
            out.append(buf, r.ptr - buf);
            break;
        }
        case FieldKind::Integer:
        case FieldKind::Counter: {
            bool ok = false;
            const qlonglong n = v.toLongLong(&ok);
            if (!ok || n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
                return fail(msg::kValorInvalido.arg(v.toString(), f.name));
            out.append(prefix);
            char buf[24];
            const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, n);
            out.append(buf, r.ptr - buf);
            break;
        }
        }
        out.append('"');
        return true;
    }

    void fieldDeclaration(const PacketField &f)
    {
        raw("<FIELD attrname=\"");
        latin(f.name);
        switch (f.kind) {
        case FieldKind::Text: raw("\" fieldtype=\"string\" WIDTH=\""); out.append(QByteArray::number(f.width)); raw("\"/>"); break;
        case FieldKind::Flag: raw("\" fieldtype=\"boolean\"/>"); break;
        case FieldKind::Number: raw("\" fieldtype=\"r8\"/>"); break;
        case FieldKind::Integer: raw("\" fieldtype=\"i4\"/>"); break;
        case FieldKind::Counter: raw("\" fieldtype=\"i4\" SUBTYPE=\"Autoinc\" readonly=\"true\"/>"); break;
        case FieldKind::Memo:
            raw("\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\" WIDTH=\"");
            out.append(QByteArray::number(f.width));
            raw("\"/>");
            break;
        case FieldKind::Lookup:
            raw("\" fieldtype=\"string\" WIDTH=\"");
            out.append(QByteArray::number(f.width));
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
        out.append(b.rowOpen);
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
        out.append('>');
        for (size_t i = 0; i < level.nested.size(); ++i) {
            const Level &child = *level.nested[i];
            const LevelBytes &cb = bytesOf(child);
            const std::vector<PacketRow> *rows = i < r.nested.size() ? &r.nested[i] : nullptr;
            if (!rows || rows->empty()) {
                out.append(cb.setEmpty);
                continue;
            }
            out.append(cb.setOpen);
            for (const PacketRow &cr : *rows)
                if (!row(child, cr))
                    return false;
            out.append(cb.setClose);
        }
        out.append(bytesOf(level).rowClose);
        return true;
    }
};

} // namespace quirels::exchange::detail
