#include "PacketWriter.h"

#include "Messages.h"
#include "base/Cp1252.h"

#include <QDir>
#include <QIODevice>
#include <QLocale>
#include <QSaveFile>
#include <cmath>
#include <limits>

namespace quirels::exchange {

namespace {

const QByteArray kXmlDeclaration = QByteArrayLiteral("<?xml version=\"1.0\" standalone=\"yes\"?>");
const QByteArray kRootOpen = QByteArrayLiteral("<DATAPACKET Version=\"2.0\">");
const QByteArray kMetadataEnd = QByteArrayLiteral("</METADATA>");
const QByteArray kCrLf = QByteArrayLiteral("\r\n");

class Writer {
public:
    QByteArray out;
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

    // Text as Windows-1252 bytes with the XML special characters, and the
    // line breaks and tabs a memo may hold, written as references.
    bool text(const QString &value, const QString &field)
    {
        const QChar *p = value.constData();
        const QChar *end = p + value.size();
        for (; p != end; ++p) {
            const char16_t c = p->unicode();
            switch (c) {
            case u'&': raw("&amp;"); continue;
            case u'<': raw("&lt;"); continue;
            case u'>': raw("&gt;"); continue;
            case u'"': raw("&quot;"); continue;
            case u'\'': raw("&apos;"); continue;
            case u'\r': raw("&#13;"); continue;
            case u'\n': raw("&#10;"); continue;
            case u'\t': raw("&#9;"); continue;
            default: break;
            }
            if (c < 0x20)
                return fail(msg::kCaractereInvalido.arg(QStringLiteral("\\x%1").arg(int(c), 2, 16, QLatin1Char('0')), field));
            if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
                out.append(static_cast<char>(c));
                continue;
            }
            const qsizetype len = p->isHighSurrogate() && p + 1 != end ? 2 : 1;
            const QString ch(p, len);
            Result<QByteArray> b = cp1252::encode(ch);
            if (!b || b->size() != 1)
                return fail(msg::kCaractereInvalido.arg(ch, field));
            out.append(*b);
        }
        return true;
    }

    bool value(const PacketField &f, const QVariant &v)
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
            attrStart(f);
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
            attrStart(f);
            raw(on ? "TRUE" : "FALSE");
            break;
        }
        case FieldKind::Number: {
            bool ok = false;
            const double d = v.toDouble(&ok);
            if (!ok || !std::isfinite(d))
                return fail(msg::kValorInvalido.arg(v.toString(), f.name));
            attrStart(f);
            // Decimal notation with a point, the fewest digits that read
            // back as the same double.
            out.append(QByteArray::number(d, 'f', QLocale::FloatingPointShortest));
            break;
        }
        case FieldKind::Integer:
        case FieldKind::Counter: {
            bool ok = false;
            const qlonglong n = v.toLongLong(&ok);
            if (!ok || n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
                return fail(msg::kValorInvalido.arg(v.toString(), f.name));
            attrStart(f);
            out.append(QByteArray::number(n));
            break;
        }
        }
        out.append('"');
        return true;
    }

    void attrStart(const PacketField &f)
    {
        out.append(' ');
        latin(f.name);
        raw("=\"");
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

    bool row(const Level &level, const PacketRow &r)
    {
        const QByteArray element = level.rowElement.toLatin1();
        out.append('<');
        out.append(element);
        const size_t n = level.fields.size();
        for (size_t i = 0; i < n; ++i)
            if (i < static_cast<size_t>(r.values.size()) && !value(level.fields[i], r.values.at(static_cast<int>(i))))
                return false;
        if (level.nested.empty()) {
            raw("/>");
            return true;
        }
        out.append('>');
        for (size_t i = 0; i < level.nested.size(); ++i) {
            const Level &child = *level.nested[i];
            const QByteArray name = child.name.toLatin1();
            const std::vector<PacketRow> *rows = i < r.nested.size() ? &r.nested[i] : nullptr;
            out.append('<');
            out.append(name);
            if (!rows || rows->empty()) {
                raw("/>");
                continue;
            }
            out.append('>');
            for (const PacketRow &cr : *rows)
                if (!row(child, cr))
                    return false;
            raw("</");
            out.append(name);
            out.append('>');
        }
        raw("</");
        out.append(element);
        out.append('>');
        return true;
    }
};

qsizetype estimate(const Level &level, const PacketRow &r)
{
    qsizetype n = 24 * static_cast<qsizetype>(level.fields.size()) + 32;
    for (size_t i = 0; i < level.nested.size() && i < r.nested.size(); ++i)
        for (const PacketRow &c : r.nested[i])
            n += estimate(*level.nested[i], c);
    return n;
}

} // namespace

Result<QByteArray> packetBytes(const PacketRow &company)
{
    const Level &root = packetRoot();
    Writer w;
    w.out.reserve(estimate(root, company) + 8192);
    w.raw(kXmlDeclaration);
    w.raw("  ");
    w.raw(kRootOpen);
    w.raw("<METADATA>");
    w.fields(root);
    w.raw("<PARAMS/>");
    w.raw(kMetadataEnd);
    w.raw("<ROWDATA>");
    if (!w.row(root, company))
        return w.error;
    w.raw("</ROWDATA></DATAPACKET>");
    return std::move(w.out);
}

QByteArray declarationHeader()
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"yes\"?>  ") + kRootOpen;
}

Result<QByteArray> declarationBytes(const QByteArray &packet)
{
    const qsizetype at = packet.indexOf(kMetadataEnd);
    if (at < 0)
        return makeError(msg::kSemMetadata, 2);
    const qsizetype from = at + kMetadataEnd.size();
    QByteArray out;
    out.reserve(packet.size() - from + 128);
    out.append(declarationHeader());
    out.append(kCrLf);
    out.append(packet.constData() + from, packet.size() - from);
    out.append(kCrLf);
    out.append(kCrLf);
    return out;
}

Status writeAll(QIODevice &device, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = device.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            QString why = device.errorString();
            if (why.isEmpty())
                why = QStringLiteral("falha de gravação");
            return makeError(why, 2);
        }
        done += n;
    }
    return {};
}

Status writePacket(QIODevice &device, const PacketRow &company)
{
    Result<QByteArray> bytes = packetBytes(company);
    if (!bytes)
        return bytes.error();
    return writeAll(device, *bytes);
}

Status writeDeclaration(QIODevice &device, const QByteArray &packet)
{
    Result<QByteArray> bytes = declarationBytes(packet);
    if (!bytes)
        return bytes.error();
    return writeAll(device, *bytes);
}

Status saveFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile f(path);
    const QString shown = QDir::toNativeSeparators(path);
    if (!f.open(QIODevice::WriteOnly))
        return makeError(msg::kErroGravacao.arg(shown, f.errorString()), 2);
    if (Status s = writeAll(f, bytes); !s) {
        f.cancelWriting();
        return makeError(msg::kErroGravacao.arg(shown, s.message()), 2);
    }
    if (!f.commit())
        return makeError(msg::kErroGravacao.arg(shown, f.errorString()), 2);
    return {};
}

} // namespace quirels::exchange
