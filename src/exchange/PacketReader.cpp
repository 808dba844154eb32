#include "PacketReader.h"

#include "Messages.h"
#include "base/Cp1252.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>

namespace quirels::exchange {

PacketSink::~PacketSink() = default;

namespace {

constexpr qint64 kPieceBytes = 64 * 1024;

// ---- The file's bytes, as UTF-8 for the XML reader ---------------------------

// The 256 characters of Windows-1252 in UTF-8, made once from the code
// page's own decoder.
struct Cp1252Utf8 {
    char bytes[256][3];
    unsigned char length[256];
};

const Cp1252Utf8 &cp1252Utf8()
{
    static const Cp1252Utf8 table = [] {
        Cp1252Utf8 t{};
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = static_cast<char>(i);
        const QString chars = cp1252::decode(all);
        for (int i = 0; i < 256 && i < chars.size(); ++i) {
            const QByteArray u = QString(chars.at(i)).toUtf8();
            t.length[i] = static_cast<unsigned char>(std::min<qsizetype>(u.size(), 3));
            std::memcpy(t.bytes[i], u.constData(), t.length[i]);
        }
        return t;
    }();
    return table;
}

// Reads the device a piece at a time and gives each piece as UTF-8: a file
// that says it is UTF-8 (or starts with its mark) is checked and passed on;
// any other is Windows-1252, the code page the packet is written in.
class Input {
public:
    Input(QIODevice &device, const ReadLimits &limits) : m_device(device), m_limits(limits) {}

    qint64 consumed() const { return m_consumed; }

    // True once the device gave no more bytes.
    bool ended() const { return m_ended; }

    // The next piece (possibly empty while a cut UTF-8 sequence waits for
    // its end); an empty piece and ended() at the end of the file.
    Result<QByteArray> next()
    {
        QByteArray raw = m_device.read(kPieceBytes);
        if (auto *file = qobject_cast<QFileDevice *>(&m_device); file && file->error() != QFileDevice::NoError)
            return makeError(msg::kPacoteInvalido.arg(file->errorString()), 2);
        if (raw.isEmpty()) {
            m_ended = true;
            if (!m_pending.isEmpty())
                return notUtf8(m_pendingAt);
            return raw;
        }
        const qint64 at = m_consumed;
        m_consumed += raw.size();
        if (m_consumed > m_limits.maxBytes)
            return makeError(msg::kPacoteGrandeDemais.arg(QStringLiteral("%1 bytes").arg(m_limits.maxBytes)), 2);
        if (m_first) {
            m_first = false;
            if (Status s = decide(raw); !s)
                return s.error();
            if (m_bomSkipped) {
                raw.remove(0, 3);
                return utf8(raw, at + 3);
            }
        }
        return m_utf8 ? utf8(raw, at) : fromCp1252(raw);
    }

private:
    QIODevice &m_device;
    const ReadLimits &m_limits;
    qint64 m_consumed = 0;
    bool m_first = true;
    bool m_utf8 = false;
    bool m_bomSkipped = false;
    bool m_ended = false;
    QByteArray m_pending; // the start of a UTF-8 sequence cut by the end of a piece
    qint64 m_pendingAt = 0;

    Status decide(const QByteArray &head)
    {
        if (head.startsWith("\xEF\xBB\xBF")) {
            m_utf8 = m_bomSkipped = true;
            return {};
        }
        if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF"))
            return makeError(msg::kPacoteInvalido.arg(QStringLiteral("codificação UTF-16 não suportada")), 2);
        static const QRegularExpression declaration(
            QStringLiteral("^\\s*<\\?xml[^>]*encoding\\s*=\\s*[\"']([A-Za-z0-9._-]+)[\"']"));
        const QRegularExpressionMatch m = declaration.match(QString::fromLatin1(head.left(256)));
        m_utf8 = m.hasMatch() && m.captured(1).compare(QLatin1String("utf-8"), Qt::CaseInsensitive) == 0;
        return {};
    }

    QByteArray fromCp1252(const QByteArray &raw)
    {
        const Cp1252Utf8 &t = cp1252Utf8();
        QByteArray out(raw.size() * 3, Qt::Uninitialized);
        char *d = out.data();
        for (const char c : raw) {
            const auto b = static_cast<unsigned char>(c);
            if (b < 0x80) {
                *d++ = c;
                continue;
            }
            std::memcpy(d, t.bytes[b], 3);
            d += t.length[b];
        }
        out.truncate(d - out.constData());
        return out;
    }

    // Checks that the bytes are UTF-8; a byte that is not refuses the file
    // with its position (counted from 1).
    Result<QByteArray> utf8(QByteArray raw, qint64 at)
    {
        if (!m_pending.isEmpty()) {
            raw.prepend(m_pending);
            at = m_pendingAt;
            m_pending.clear();
        }
        const auto *p = reinterpret_cast<const unsigned char *>(raw.constData());
        const qsizetype n = raw.size();
        qsizetype i = 0;
        while (i < n) {
            const unsigned char b = p[i];
            if (b < 0x80) {
                ++i;
                continue;
            }
            int len = 0;
            unsigned char lo = 0x80, hi = 0xBF; // the allowed range of the second byte
            if (b >= 0xC2 && b <= 0xDF) {
                len = 2;
            } else if (b >= 0xE0 && b <= 0xEF) {
                len = 3;
                if (b == 0xE0)
                    lo = 0xA0;
                else if (b == 0xED)
                    hi = 0x9F; // no surrogates
            } else if (b >= 0xF0 && b <= 0xF4) {
                len = 4;
                if (b == 0xF0)
                    lo = 0x90;
                else if (b == 0xF4)
                    hi = 0x8F;
            } else {
                return notUtf8(at + i);
            }
            if (i + len > n) {
                // Cut by the end of the piece: finished with the next one.
                for (qsizetype k = i + 1; k < n; ++k)
                    if (p[k] < (k == i + 1 ? lo : 0x80) || p[k] > (k == i + 1 ? hi : 0xBF))
                        return notUtf8(at + i);
                m_pending = raw.mid(i);
                m_pendingAt = at + i;
                raw.truncate(i);
                return raw;
            }
            if (p[i + 1] < lo || p[i + 1] > hi)
                return notUtf8(at + i);
            for (int k = 2; k < len; ++k)
                if (p[i + k] < 0x80 || p[i + k] > 0xBF)
                    return notUtf8(at + i);
            i += len;
        }
        return raw;
    }

    Error notUtf8(qint64 offset) const
    {
        return makeError(msg::kPacoteInvalido.arg(msg::kPacoteNaoUtf8.arg(offset + 1)), 2);
    }
};

// ---- Field values in the packet's own forms ----------------------------------

bool blank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

QStringView trimmed(QStringView t)
{
    qsizetype b = 0, e = t.size();
    while (b < e && blank(t[b].unicode()))
        ++b;
    while (e > b && blank(t[e - 1].unicode()))
        --e;
    return t.mid(b, e - b);
}

bool digit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

// Decimal notation with a point, as the packet writes numbers: an optional
// sign, digits with an optional fraction, an optional exponent. No group
// separators, no comma.
bool readNumber(QStringView text, double &out)
{
    const QStringView t = trimmed(text);
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t[i] == u'-' || t[i] == u'+'))
        ++i;
    qsizetype digits = 0;
    while (i < n && digit(t[i]))
        ++i, ++digits;
    if (i < n && t[i] == u'.') {
        ++i;
        while (i < n && digit(t[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < n && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < n && (t[i] == u'-' || t[i] == u'+'))
            ++i;
        qsizetype e = 0;
        while (i < n && digit(t[i]))
            ++i, ++e;
        if (e == 0)
            return false;
    }
    if (i != n)
        return false;
    QByteArray ascii = t.toLatin1();
    if (ascii.startsWith('+'))
        ascii.remove(0, 1);
    double d = 0;
    const std::from_chars_result r = std::from_chars(ascii.constData(), ascii.constData() + ascii.size(), d);
    if (r.ec != std::errc() || r.ptr != ascii.constData() + ascii.size() || !std::isfinite(d))
        return false;
    out = d;
    return true;
}

// A 32-bit integer in decimal, with an optional sign.
bool readInteger(QStringView text, qint64 &out)
{
    const QStringView t = trimmed(text);
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        negative = t[i++] == u'-';
    if (i == t.size())
        return false;
    qint64 v = 0;
    for (; i < t.size(); ++i) {
        if (!digit(t[i]))
            return false;
        v = v * 10 + (t[i].unicode() - u'0');
        if (v > qint64(std::numeric_limits<qint32>::max()) + 1)
            return false;
    }
    v = negative ? -v : v;
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        return false;
    out = v;
    return true;
}

// ---- The parser ----------------------------------------------------------------

// The field declarations of one data set in the file.
struct MetaSet {
    QStringList fields;
    std::map<QString, std::unique_ptr<MetaSet>> nested;
};

class Parser {
public:
    Parser(QIODevice &device, PacketSink &sink, const ReadLimits &limits)
        : m_xml(QString()), m_input(device, limits), m_sink(sink), m_limits(limits)
    {
        // Constructed from a (empty) string, the XML reader takes every piece
        // as UTF-8, whatever the file's declaration says: the pieces are
        // UTF-8 already.
    }

    Status run()
    {
        if (!expectStart() || !fail_if(m_xml.name() != QLatin1String("DATAPACKET"), QStringLiteral("o elemento raiz não é DATAPACKET")))
            return error();
        if (!nextStart())
            return error();
        if (m_xml.name() != QLatin1String("METADATA"))
            return makeError(msg::kPacoteSemDeclaracoes, 2);
        MetaSet top;
        if (!readMetadata(top))
            return error();
        if (!nextStart() || !fail_if(m_xml.name() != QLatin1String("ROWDATA"), QStringLiteral("ROWDATA não encontrado")))
            return error();
        const Level &root = packetRoot();
        bool haveCompany = false;
        for (;;) {
            const QXmlStreamReader::TokenType t = next();
            if (t == QXmlStreamReader::Invalid)
                return error();
            if (t == QXmlStreamReader::EndElement)
                break; // </ROWDATA>
            if (t != QXmlStreamReader::StartElement)
                continue;
            if (!fail_if(m_xml.name() != QLatin1String("ROW"), unexpected()) ||
                !fail_if(haveCompany, QStringLiteral("mais de uma empresa no pacote")))
                return error();
            if (!readRow(root, top))
                return error();
            haveCompany = true;
        }
        // </DATAPACKET>, then the end of the document.
        for (;;) {
            const QXmlStreamReader::TokenType t = next();
            if (t == QXmlStreamReader::Invalid)
                return error();
            if (t == QXmlStreamReader::StartElement)
                return makeError(msg::kPacoteInvalido.arg(unexpected()), 2);
            if (t == QXmlStreamReader::EndDocument)
                break;
        }
        if (!haveCompany || m_months != 1)
            return makeError(msg::kPacoteSemEmpresa, 2);
        return {};
    }

private:
    QXmlStreamReader m_xml;
    Input m_input;
    PacketSink &m_sink;
    ReadLimits m_limits;
    bool m_atEnd = false;
    qint64 m_fedSinceToken = 0;
    int m_depth = 0;
    qsizetype m_rows = 0;
    int m_months = 0;
    QString m_error;
    std::optional<Error> m_stop; // an error to return as it stands
    QHash<const Level *, QHash<QString, int>> m_fieldIndex;
    QHash<const Level *, std::vector<FieldValue>> m_values;

    Error error() const
    {
        if (m_stop)
            return *m_stop;
        QString why = m_error;
        if (why.isEmpty())
            why = m_xml.errorString();
        if (why.isEmpty())
            why = QStringLiteral("fim inesperado do arquivo");
        return makeError(msg::kPacoteInvalido.arg(why + QStringLiteral(" (linha %1, coluna %2)")
                                                             .arg(m_xml.lineNumber())
                                                             .arg(m_xml.columnNumber())),
                         2);
    }

    bool fail(const QString &why)
    {
        if (m_error.isEmpty())
            m_error = why;
        return false;
    }
    bool fail_if(bool condition, const QString &why) { return condition ? fail(why) : true; }
    bool stop(const Error &e)
    {
        if (!m_stop)
            m_stop = e;
        return false;
    }

    QString unexpected() const { return QStringLiteral("elemento inesperado <%1>").arg(m_xml.name().toString()); }

    // Gives the XML reader the next piece of the file; false at the end of
    // the file or on a failure.
    bool feed()
    {
        if (m_atEnd)
            return false;
        Result<QByteArray> piece = m_input.next();
        while (piece && piece->isEmpty() && !m_input.ended())
            piece = m_input.next();
        if (!piece)
            return stop(piece.error());
        m_sink.bytesRead(m_input.consumed());
        if (piece->isEmpty()) {
            m_atEnd = true;
            return false;
        }
        m_fedSinceToken += piece->size();
        if (m_fedSinceToken > m_limits.maxElementBytes)
            return stop(makeError(msg::kPacoteGrandeDemais.arg(QStringLiteral("%1 bytes por elemento").arg(m_limits.maxElementBytes)), 2));
        m_xml.addData(*piece);
        return true;
    }
    QXmlStreamReader::TokenType readToken()
    {
        for (;;) {
            const QXmlStreamReader::TokenType t = m_xml.readNext();
            if (t == QXmlStreamReader::Invalid && m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
                if (feed())
                    continue;
                if (m_stop)
                    return QXmlStreamReader::Invalid;
            }
            if (t != QXmlStreamReader::Invalid)
                m_fedSinceToken = 0;
            return t;
        }
    }

    // The next token that matters; Invalid on any error. Text between
    // elements must be blank; a document type declaration is refused.
    QXmlStreamReader::TokenType next()
    {
        for (;;) {
            const QXmlStreamReader::TokenType t = readToken();
            switch (t) {
            case QXmlStreamReader::Invalid: return t;
            case QXmlStreamReader::DTD:
                fail(QStringLiteral("declaração de tipo de documento não é aceita"));
                return QXmlStreamReader::Invalid;
            case QXmlStreamReader::EntityReference:
                fail(QStringLiteral("referência a entidade não declarada"));
                return QXmlStreamReader::Invalid;
            case QXmlStreamReader::Characters:
                if (!m_xml.isWhitespace()) {
                    fail(QStringLiteral("texto fora de um atributo"));
                    return QXmlStreamReader::Invalid;
                }
                continue;
            case QXmlStreamReader::StartElement:
                if (++m_depth > m_limits.maxDepth) {
                    fail(msg::kPacoteGrandeDemais.arg(QStringLiteral("%1 níveis de elementos").arg(m_limits.maxDepth)));
                    return QXmlStreamReader::Invalid;
                }
                for (const QXmlStreamAttribute &a : m_xml.attributes())
                    if (a.value().size() > m_limits.maxAttributeChars) {
                        fail(msg::kPacoteGrandeDemais.arg(
                            QStringLiteral("%1 caracteres por atributo").arg(m_limits.maxAttributeChars)));
                        return QXmlStreamReader::Invalid;
                    }
                return t;
            case QXmlStreamReader::EndElement: --m_depth; return t;
            case QXmlStreamReader::EndDocument: return t;
            default: continue; // declaration, comments, processing instructions
            }
        }
    }

    bool ended(QXmlStreamReader::TokenType t)
    {
        if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument)
            return fail(m_xml.hasError() ? m_xml.errorString() : QStringLiteral("fim inesperado do arquivo"));
        return true;
    }

    bool expectStart()
    {
        for (;;) {
            const QXmlStreamReader::TokenType t = next();
            if (t == QXmlStreamReader::StartElement)
                return true;
            if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument || t == QXmlStreamReader::EndElement)
                return fail(m_xml.hasError() ? m_xml.errorString() : QStringLiteral("elemento esperado"));
        }
    }

    bool nextStart() { return expectStart(); }

    // Skips the rest of the current element, counting depth.
    bool skipElement()
    {
        const int until = m_depth - 1;
        while (m_depth > until) {
            const QXmlStreamReader::TokenType t = next();
            if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument)
                return ended(t);
        }
        return true;
    }

    // METADATA: FIELDS, then PARAMS (ignored).
    bool readMetadata(MetaSet &top)
    {
        bool haveFields = false;
        for (;;) {
            const QXmlStreamReader::TokenType t = next();
            if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument)
                return ended(t);
            if (t == QXmlStreamReader::EndElement)
                return haveFields ? true : fail(QStringLiteral("METADATA sem FIELDS"));
            if (m_xml.name() == QLatin1String("FIELDS") && !haveFields) {
                if (!readFields(top))
                    return false;
                haveFields = true;
            } else if (!skipElement()) {
                return false;
            }
        }
    }

    // FIELDS: one FIELD per field; a nested data set holds its own FIELDS.
    bool readFields(MetaSet &set)
    {
        for (;;) {
            const QXmlStreamReader::TokenType t = next();
            if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument)
                return ended(t);
            if (t == QXmlStreamReader::EndElement)
                return true;
            if (m_xml.name() != QLatin1String("FIELD"))
                return fail(unexpected());
            const QXmlStreamAttributes a = m_xml.attributes();
            const QString name = a.value(QLatin1String("attrname")).toString();
            const QStringView type = a.value(QLatin1String("fieldtype"));
            if (name.isEmpty())
                return fail(QStringLiteral("FIELD sem attrname"));
            if (type == QLatin1String("nested")) {
                auto child = std::make_unique<MetaSet>();
                bool haveFields = false;
                for (;;) {
                    const QXmlStreamReader::TokenType u = next();
                    if (u == QXmlStreamReader::Invalid || u == QXmlStreamReader::EndDocument)
                        return ended(u);
                    if (u == QXmlStreamReader::EndElement)
                        break;
                    if (m_xml.name() == QLatin1String("FIELDS") && !haveFields) {
                        if (!readFields(*child))
                            return false;
                        haveFields = true;
                    } else if (!skipElement()) {
                        return false;
                    }
                }
                set.nested[name] = std::move(child);
            } else {
                set.fields.append(name);
                if (!skipElement())
                    return false;
            }
        }
    }

    const QHash<QString, int> &indexOf(const Level &level)
    {
        auto it = m_fieldIndex.find(&level);
        if (it != m_fieldIndex.end())
            return *it;
        QHash<QString, int> h;
        for (size_t i = 0; i < level.fields.size(); ++i)
            h.insert(level.fields[i].name, static_cast<int>(i));
        return *m_fieldIndex.insert(&level, h);
    }

    bool convert(const PacketField &f, QStringView text, FieldValue &out)
    {
        if (text.isEmpty())
            return true;
        switch (f.kind) {
        case FieldKind::Text:
        case FieldKind::Memo:
        case FieldKind::Lookup:
            out.kind = FieldValue::Kind::Text;
            out.text = text;
            return true;
        case FieldKind::Flag:
            if (text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0) {
                out.kind = FieldValue::Kind::Flag;
                out.flag = true;
                return true;
            }
            if (text.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) {
                out.kind = FieldValue::Kind::Flag;
                out.flag = false;
                return true;
            }
            break;
        case FieldKind::Number:
            if (readNumber(text, out.number)) {
                out.kind = FieldValue::Kind::Number;
                return true;
            }
            break;
        case FieldKind::Integer:
        case FieldKind::Counter:
            if (readInteger(text, out.integer)) {
                out.kind = FieldValue::Kind::Integer;
                return true;
            }
            break;
        }
        return fail(msg::kValorInvalido.arg(text.left(40).toString(), f.name));
    }

    // A row element whose start was just read: its attributes go to the
    // sink, then its nested data sets.
    bool readRow(const Level &level, const MetaSet &meta)
    {
        if (++m_rows > m_limits.maxRows)
            return fail(msg::kPacoteGrandeDemais.arg(QStringLiteral("%1 linhas").arg(m_limits.maxRows)));
        const QHash<QString, int> &index = indexOf(level);
        std::vector<FieldValue> &values = m_values[&level];
        values.assign(level.fields.size(), FieldValue());
        // Attributes come in field order: look at the next fields first and
        // fall back to the name table only when the file's order differs.
        const int fieldCount = static_cast<int>(level.fields.size());
        int cursor = 0;
        const QXmlStreamAttributes attributes = m_xml.attributes();
        for (const QXmlStreamAttribute &a : attributes) {
            const QStringView name = a.name();
            int at = -1;
            for (int i = cursor; i < fieldCount; ++i)
                if (level.fields[static_cast<size_t>(i)].name == name) {
                    at = i;
                    break;
                }
            if (at < 0) {
                const auto it = index.constFind(name.toString());
                if (it == index.constEnd())
                    continue; // a field this system does not use
                at = *it;
            }
            cursor = at + 1;
            if (!convert(level.fields[static_cast<size_t>(at)], a.value(), values[static_cast<size_t>(at)]))
                return false;
        }
        if (Status s = m_sink.row(level, values); !s)
            return stop(s.error());
        for (;;) {
            const QXmlStreamReader::TokenType t = next();
            if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument)
                return ended(t);
            if (t == QXmlStreamReader::EndElement) {
                if (Status s = m_sink.endRow(level); !s)
                    return stop(s.error());
                return true;
            }
            const QString setName = m_xml.name().toString();
            const int at = level.nestedIndex(setName);
            const auto declared = meta.nested.find(setName);
            if (at < 0 || declared == meta.nested.end())
                return fail(unexpected());
            const Level &child = *level.nested[static_cast<size_t>(at)];
            const bool months = level.nested.size() == 1 && &level == &packetRoot();
            for (;;) {
                const QXmlStreamReader::TokenType u = next();
                if (u == QXmlStreamReader::Invalid || u == QXmlStreamReader::EndDocument)
                    return ended(u);
                if (u == QXmlStreamReader::EndElement)
                    break;
                if (m_xml.name() != child.rowElement)
                    return fail(unexpected());
                if (months && ++m_months > 1)
                    return stop(makeError(msg::kPacoteSemEmpresa, 2));
                if (!readRow(child, *declared->second))
                    return false;
            }
        }
    }
};

// Builds the tree of the rows handed over.
class TreeSink final : public PacketSink {
public:
    PacketRow company;

    Status row(const Level &level, const std::vector<FieldValue> &values) override
    {
        PacketRow *row = nullptr;
        if (m_stack.empty()) {
            row = &company;
        } else {
            const Frame &parent = m_stack.back();
            const int at = parent.level->nestedIndex(level.name);
            std::vector<PacketRow> &rows = parent.row->nested[static_cast<size_t>(at)];
            rows.emplace_back();
            row = &rows.back();
        }
        row->values.resize(static_cast<int>(values.size()));
        row->nested.resize(level.nested.size());
        for (size_t i = 0; i < values.size(); ++i) {
            const FieldValue &v = values[i];
            QVariant &out = row->values[static_cast<int>(i)];
            switch (v.kind) {
            case FieldValue::Kind::Null: break;
            case FieldValue::Kind::Text: out = v.text.toString(); break;
            case FieldValue::Kind::Flag: out = v.flag; break;
            case FieldValue::Kind::Number: out = v.number; break;
            case FieldValue::Kind::Integer: out = static_cast<int>(v.integer); break;
            }
        }
        m_stack.push_back({&level, row});
        return {};
    }
    Status endRow(const Level &) override
    {
        m_stack.pop_back();
        return {};
    }

private:
    struct Frame {
        const Level *level;
        PacketRow *row;
    };
    std::vector<Frame> m_stack;
};

} // namespace

Status readPacketStream(QIODevice &device, PacketSink &sink, const ReadLimits &limits)
{
    Parser p(device, sink, limits);
    return p.run();
}

Result<PacketRow> readPacket(QIODevice &device, const ReadLimits &limits)
{
    TreeSink tree;
    if (Status s = readPacketStream(device, tree, limits); !s)
        return s.error();
    return std::move(tree.company);
}

Result<PacketRow> readPacket(const QByteArray &bytes, const ReadLimits &limits)
{
    if (bytes.size() > limits.maxBytes)
        return makeError(msg::kPacoteGrandeDemais.arg(QStringLiteral("%1 bytes").arg(limits.maxBytes)), 2);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readPacket(buffer, limits);
}

Result<PacketRow> readPacketFile(const QString &path, const ReadLimits &limits)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return makeError(msg::kArquivoIlegivel.arg(QDir::toNativeSeparators(path), f.errorString()), 2);
    if (f.size() > limits.maxBytes)
        return makeError(msg::kPacoteGrandeDemais.arg(QStringLiteral("%1 bytes").arg(limits.maxBytes)), 2);
    return readPacket(f, limits);
}

} // namespace quirels::exchange
