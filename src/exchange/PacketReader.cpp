#include "PacketReader.h"

#include "Messages.h"
#include "base/Cp1252.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <optional>

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

// ---- The XML of the packet -----------------------------------------------------

// The XML tokens of the packet form, read from UTF-8 pieces: elements with
// their attributes (references resolved, line ends and tabs in values made
// blanks as XML does), end tags matched against their start tags; blanks,
// comments and processing instructions between elements skipped. Refused:
// a document type declaration (so no entity is ever defined), text outside
// attributes, a reference to anything but the five predefined entities and
// characters, a character that XML does not allow, anything not well formed.
class Tokens {
public:
    enum Type { Start, End, Done, Failed };

    struct Attribute {
        QByteArrayView name;
        qsizetype at = 0;  // the value in the decoded text
        qsizetype size = 0;
    };

    Tokens(Input &input, const ReadLimits &limits, PacketSink &sink) : m_input(input), m_limits(limits), m_sink(sink)
    {
        m_text.reserve(4096);
    }

    Type next()
    {
        if (m_pendingEnd) {
            m_pendingEnd = false;
            m_open.pop_back();
            if (m_open.empty())
                m_rootDone = true;
            return End;
        }
        for (;;) {
            m_tokenStart = m_pos;
            const Step s = token();
            if (s == Step::Token)
                return m_type;
            if (s == Step::Fail)
                return Failed;
            if (s == Step::Skip)
                continue;
            // More bytes are needed for this token.
            if (!refill())
                return m_failed ? Failed : endOfInput();
        }
    }

    QByteArrayView name() const { return m_name; }
    const std::vector<Attribute> &attributes() const { return m_attributes; }
    QStringView value(const Attribute &a) const { return QStringView(m_text.data() + a.at, a.size); }
    // The value of the attribute of that name, or an empty view.
    QStringView value(const char *name) const
    {
        for (const Attribute &a : m_attributes)
            if (a.name == QByteArrayView(name))
                return value(a);
        return {};
    }

    const QString &error() const { return m_error; }
    const std::optional<Error> &stopped() const { return m_stop; }
    // Line and column (counted from 1) of the token being read.
    QString where() const
    {
        qint64 line = m_lines + 1;
        qsizetype lineStart = -1;
        for (qsizetype i = 0; i < m_tokenStart && i < m_buf.size(); ++i)
            if (m_buf.at(i) == '\n') {
                ++line;
                lineStart = i;
            }
        qint64 column = 1;
        if (lineStart < 0)
            column += m_column;
        for (qsizetype i = lineStart + 1; i < m_tokenStart && i < m_buf.size(); ++i)
            if ((static_cast<unsigned char>(m_buf.at(i)) & 0xC0) != 0x80)
                ++column;
        return QStringLiteral(" (linha %1, coluna %2)").arg(line).arg(column);
    }

private:
    enum class Step { Token, Skip, More, Fail };

    Input &m_input;
    const ReadLimits &m_limits;
    PacketSink &m_sink;
    QByteArray m_buf;
    qsizetype m_pos = 0;
    qsizetype m_tokenStart = 0;
    qint64 m_lines = 0;     // line ends before the buffer
    qint64 m_column = 0;    // characters of the buffer's first line before it
    bool m_atEnd = false;
    bool m_failed = false;
    bool m_started = false; // anything but the XML declaration seen
    bool m_rootDone = false;
    bool m_pendingEnd = false;
    Type m_type = Failed;
    QByteArrayView m_name;
    std::vector<Attribute> m_attributes;
    std::vector<char16_t> m_text;
    std::vector<QByteArray> m_open; // names of the open elements
    QString m_error;
    std::optional<Error> m_stop;

    Step fail(const QString &why)
    {
        if (m_error.isEmpty())
            m_error = why;
        m_failed = true;
        return Step::Fail;
    }

    Type endOfInput()
    {
        // Only blanks may follow the last token.
        if (m_open.empty() && m_rootDone && m_tokenStart >= size())
            return Done;
        fail(QStringLiteral("fim inesperado do arquivo"));
        return Failed;
    }

    // Drops what was read before the current token and adds the next piece.
    bool refill()
    {
        if (m_atEnd)
            return false;
        for (qsizetype i = 0; i < m_tokenStart; ++i) {
            if (m_buf.at(i) == '\n') {
                ++m_lines;
                m_column = 0;
            } else if ((static_cast<unsigned char>(m_buf.at(i)) & 0xC0) != 0x80) {
                ++m_column;
            }
        }
        m_buf.remove(0, m_tokenStart);
        m_pos -= m_tokenStart;
        m_tokenStart = 0;
        if (m_buf.size() > m_limits.maxElementBytes) {
            m_stop = makeError(
                msg::kPacoteGrandeDemais.arg(QStringLiteral("%1 bytes por elemento").arg(m_limits.maxElementBytes)), 2);
            m_failed = true;
            return false;
        }
        for (;;) {
            Result<QByteArray> piece = m_input.next();
            if (!piece) {
                m_stop = piece.error();
                m_failed = true;
                return false;
            }
            m_sink.bytesRead(m_input.consumed());
            if (piece->isEmpty()) {
                if (m_input.ended()) {
                    m_atEnd = true;
                    return false;
                }
                continue;
            }
            m_buf.append(*piece);
            return true;
        }
    }

    static bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    static bool nameStart(unsigned char c)
    {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
    }
    static bool nameChar(unsigned char c)
    {
        return nameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
    }

    const char *data() const { return m_buf.constData(); }
    qsizetype size() const { return m_buf.size(); }

    // A name at i; More when the buffer ends inside it.
    Step readName(qsizetype &i, QByteArrayView &out)
    {
        if (i >= size())
            return Step::More;
        if (!nameStart(static_cast<unsigned char>(data()[i])))
            return fail(QStringLiteral("nome de elemento ou atributo inválido"));
        const qsizetype from = i++;
        while (i < size() && nameChar(static_cast<unsigned char>(data()[i])))
            ++i;
        if (i >= size())
            return Step::More;
        out = QByteArrayView(data() + from, i - from);
        return Step::Token;
    }

    Step skipBlanks(qsizetype &i)
    {
        while (i < size() && blank(data()[i]))
            ++i;
        return i < size() ? Step::Token : Step::More;
    }

    bool starts(qsizetype i, const char *s) const
    {
        const qsizetype n = static_cast<qsizetype>(std::strlen(s));
        return i + n <= size() && std::memcmp(data() + i, s, static_cast<size_t>(n)) == 0;
    }

    Step token()
    {
        // Blanks, then markup; other text is refused.
        qsizetype i = m_pos;
        while (i < size() && blank(data()[i]))
            ++i;
        if (i > m_pos) {
            m_started = true;
            m_pos = i;
            m_tokenStart = i;
        }
        if (i >= size())
            return Step::More;
        if (data()[i] != '<') {
            if (static_cast<unsigned char>(data()[i]) < 0x20)
                return fail(QStringLiteral("caractere inválido"));
            return fail(QStringLiteral("texto fora de um atributo"));
        }
        if (i + 1 >= size())
            return Step::More;
        const char c = data()[i + 1];
        if (c == '?')
            return instruction(i);
        if (c == '!') {
            if (i + 4 > size())
                return Step::More;
            if (starts(i, "<!--"))
                return comment(i);
            if (i + 9 > size())
                return Step::More;
            if (starts(i, "<!DOCTYPE"))
                return fail(QStringLiteral("declaração de tipo de documento não é aceita"));
            return fail(QStringLiteral("texto fora de um atributo"));
        }
        m_started = true;
        if (c == '/')
            return endTag(i);
        return startTag(i);
    }

    Step instruction(qsizetype i)
    {
        const qsizetype from = i;
        i += 2;
        QByteArrayView target;
        if (Step s = readName(i, target); s != Step::Token)
            return s;
        const bool declaration = target.size() == 3 && QByteArrayView(target).compare("xml", Qt::CaseInsensitive) == 0;
        if (declaration && (m_started || from != 0))
            return fail(QStringLiteral("declaração XML fora do início do documento"));
        for (; i + 1 < size(); ++i) {
            if (data()[i] == '?' && data()[i + 1] == '>') {
                m_pos = i + 2;
                if (!declaration)
                    m_started = true;
                return Step::Skip;
            }
            if (static_cast<unsigned char>(data()[i]) < 0x20 && !blank(data()[i]))
                return fail(QStringLiteral("caractere inválido"));
        }
        return Step::More;
    }

    Step comment(qsizetype i)
    {
        m_started = true;
        for (i += 4; i + 1 < size(); ++i) {
            if (data()[i] == '-' && data()[i + 1] == '-') {
                if (i + 2 >= size())
                    return Step::More;
                if (data()[i + 2] != '>')
                    return fail(QStringLiteral("\"--\" dentro de um comentário"));
                m_pos = i + 3;
                return Step::Skip;
            }
            if (static_cast<unsigned char>(data()[i]) < 0x20 && !blank(data()[i]))
                return fail(QStringLiteral("caractere inválido"));
        }
        return Step::More;
    }

    Step endTag(qsizetype i)
    {
        i += 2;
        QByteArrayView name;
        if (Step s = readName(i, name); s != Step::Token)
            return s;
        if (Step s = skipBlanks(i); s != Step::Token)
            return s;
        if (data()[i] != '>')
            return fail(QStringLiteral("marca de fim malformada"));
        if (m_open.empty() || m_open.back() != name)
            return fail(QStringLiteral("a marca de fim </%1> não corresponde à marca de início")
                            .arg(QString::fromUtf8(name.data(), name.size())));
        m_pos = i + 1;
        m_name = name;
        m_open.pop_back();
        if (m_open.empty())
            m_rootDone = true;
        m_type = End;
        return Step::Token;
    }

    Step startTag(qsizetype i)
    {
        if (m_rootDone)
            return fail(QStringLiteral("elemento depois do fim do documento"));
        i += 1;
        QByteArrayView name;
        if (Step s = readName(i, name); s != Step::Token)
            return s;
        m_attributes.clear();
        m_text.clear();
        for (;;) {
            const qsizetype before = i;
            if (Step s = skipBlanks(i); s != Step::Token)
                return s;
            const char c = data()[i];
            if (c == '>' || c == '/') {
                if (c == '/') {
                    if (i + 1 >= size())
                        return Step::More;
                    if (data()[i + 1] != '>')
                        return fail(QStringLiteral("marca de início malformada"));
                    m_pendingEnd = true;
                    ++i;
                }
                m_pos = i + 1;
                m_name = name;
                m_open.emplace_back(name.data(), name.size());
                m_type = Start;
                return Step::Token;
            }
            if (i == before)
                return fail(QStringLiteral("falta um espaço entre os atributos"));
            Attribute a;
            if (Step s = readName(i, a.name); s != Step::Token)
                return s;
            if (Step s = skipBlanks(i); s != Step::Token)
                return s;
            if (data()[i] != '=')
                return fail(QStringLiteral("atributo sem valor"));
            ++i;
            if (Step s = skipBlanks(i); s != Step::Token)
                return s;
            const char quote = data()[i];
            if (quote != '"' && quote != '\'')
                return fail(QStringLiteral("valor de atributo sem aspas"));
            ++i;
            a.at = static_cast<qsizetype>(m_text.size());
            if (Step s = attributeValue(i, quote); s != Step::Token)
                return s;
            a.size = static_cast<qsizetype>(m_text.size()) - a.at;
            if (a.size > m_limits.maxAttributeChars)
                return fail(msg::kPacoteGrandeDemais.arg(QStringLiteral("%1 caracteres por atributo").arg(m_limits.maxAttributeChars)));
            m_attributes.push_back(a);
        }
    }

    void put(char32_t c)
    {
        if (c < 0x10000) {
            m_text.push_back(static_cast<char16_t>(c));
        } else {
            c -= 0x10000;
            m_text.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            m_text.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        }
    }

    static bool xmlChar(char32_t c)
    {
        return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
               (c >= 0x10000 && c <= 0x10FFFF);
    }

    // The value up to the closing quote, decoded into m_text; i ends after
    // the quote. The pieces are UTF-8 already checked.
    Step attributeValue(qsizetype &i, char quote)
    {
        const auto *p = reinterpret_cast<const unsigned char *>(data());
        const qsizetype n = size();
        while (i < n) {
            const unsigned char b = p[i];
            if (b == static_cast<unsigned char>(quote)) {
                ++i;
                return Step::Token;
            }
            if (b >= 0x20 && b < 0x80 && b != '&' && b != '<') {
                m_text.push_back(b);
                ++i;
                continue;
            }
            if (b == '<')
                return fail(QStringLiteral("\"<\" dentro de um valor de atributo"));
            if (b == '&') {
                qsizetype end = i + 1;
                while (end < n && end - i < 12 && p[end] != ';')
                    ++end;
                if (end >= n)
                    return Step::More;
                if (p[end] != ';')
                    return fail(QStringLiteral("referência malformada"));
                const QByteArrayView ref(data() + i + 1, end - i - 1);
                char32_t c = 0;
                if (ref == "lt")
                    c = '<';
                else if (ref == "gt")
                    c = '>';
                else if (ref == "amp")
                    c = '&';
                else if (ref == "quot")
                    c = '"';
                else if (ref == "apos")
                    c = '\'';
                else if (ref.size() > 1 && ref[0] == '#') {
                    const bool hex = ref[1] == 'x';
                    const QByteArrayView digits = ref.sliced(hex ? 2 : 1);
                    if (digits.isEmpty())
                        return fail(QStringLiteral("referência malformada"));
                    quint32 v = 0;
                    for (const char d : digits) {
                        int x;
                        if (d >= '0' && d <= '9')
                            x = d - '0';
                        else if (hex && d >= 'a' && d <= 'f')
                            x = d - 'a' + 10;
                        else if (hex && d >= 'A' && d <= 'F')
                            x = d - 'A' + 10;
                        else
                            return fail(QStringLiteral("referência malformada"));
                        v = v * (hex ? 16 : 10) + static_cast<quint32>(x);
                        if (v > 0x10FFFF)
                            return fail(QStringLiteral("referência a um caractere inválido"));
                    }
                    c = v;
                    if (!xmlChar(c))
                        return fail(QStringLiteral("referência a um caractere inválido"));
                } else {
                    return fail(QStringLiteral("referência a entidade não declarada"));
                }
                put(c);
                i = end + 1;
                continue;
            }
            if (b < 0x20) {
                if (b == '\r') {
                    if (i + 1 >= n)
                        return Step::More;
                    if (p[i + 1] == '\n')
                        ++i; // CR LF is one line end
                } else if (b != '\n' && b != '\t') {
                    return fail(QStringLiteral("caractere inválido"));
                }
                m_text.push_back(u' ');
                ++i;
                continue;
            }
            // A multi-byte sequence, whole in the buffer or More.
            const int len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
            if (i + len > n)
                return Step::More;
            char32_t c = 0;
            if (len == 2)
                c = ((b & 0x1Fu) << 6) | (p[i + 1] & 0x3Fu);
            else if (len == 3)
                c = ((b & 0x0Fu) << 12) | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu);
            else
                c = ((b & 0x07u) << 18) | ((p[i + 1] & 0x3Fu) << 12) | ((p[i + 2] & 0x3Fu) << 6) | (p[i + 3] & 0x3Fu);
            if (!xmlChar(c))
                return fail(QStringLiteral("caractere inválido"));
            put(c);
            i += len;
        }
        return Step::More;
    }
};

// The field declarations of one data set in the file.
struct MetaSet {
    QStringList fields;
    std::map<QString, std::unique_ptr<MetaSet>> nested;
};

class Parser {
public:
    Parser(QIODevice &device, PacketSink &sink, const ReadLimits &limits)
        : m_input(device, limits), m_tokens(m_input, limits, sink), m_sink(sink), m_limits(limits)
    {
    }

    Status run()
    {
        if (!expectStart() || !fail_if(name() != "DATAPACKET", QStringLiteral("o elemento raiz não é DATAPACKET")))
            return error();
        if (!expectStart())
            return error();
        if (name() != "METADATA")
            return makeError(msg::kPacoteSemDeclaracoes, 2);
        MetaSet top;
        if (!readMetadata(top))
            return error();
        if (!expectStart() || !fail_if(name() != "ROWDATA", QStringLiteral("ROWDATA não encontrado")))
            return error();
        const Level &root = packetRoot();
        bool haveCompany = false;
        for (;;) {
            const Tokens::Type t = next();
            if (t == Tokens::Failed || t == Tokens::Done) {
                ended(t);
                return error();
            }
            if (t == Tokens::End)
                break; // </ROWDATA>
            if (!fail_if(name() != "ROW", unexpected()) ||
                !fail_if(haveCompany, QStringLiteral("mais de uma empresa no pacote")))
                return error();
            if (!readRow(root, top))
                return error();
            haveCompany = true;
        }
        // </DATAPACKET>, then the end of the document.
        for (;;) {
            const Tokens::Type t = next();
            if (t == Tokens::Failed)
                return error();
            if (t == Tokens::Start)
                return makeError(msg::kPacoteInvalido.arg(unexpected()), 2);
            if (t == Tokens::Done)
                break;
        }
        if (!haveCompany || m_months != 1)
            return makeError(msg::kPacoteSemEmpresa, 2);
        return {};
    }

private:
    Input m_input;
    Tokens m_tokens;
    PacketSink &m_sink;
    ReadLimits m_limits;
    int m_depth = 0;
    qsizetype m_rows = 0;
    int m_months = 0;
    QString m_error;
    std::optional<Error> m_stop; // an error to return as it stands
    QHash<const Level *, QHash<QByteArray, int>> m_fieldIndex;
    QHash<const Level *, std::vector<QByteArray>> m_fieldNames;
    QHash<const Level *, QByteArray> m_rowNames;
    QHash<const Level *, std::vector<FieldValue>> m_values;

    QByteArrayView name() const { return m_tokens.name(); }

    Error error() const
    {
        if (m_stop)
            return *m_stop;
        if (m_tokens.stopped())
            return *m_tokens.stopped();
        QString why = m_error;
        if (why.isEmpty())
            why = m_tokens.error();
        if (why.isEmpty())
            why = QStringLiteral("fim inesperado do arquivo");
        return makeError(msg::kPacoteInvalido.arg(why + m_tokens.where()), 2);
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

    QString unexpected() const
    {
        return QStringLiteral("elemento inesperado <%1>").arg(QString::fromUtf8(name().data(), name().size()));
    }

    // The next token, counting depth.
    Tokens::Type next()
    {
        const Tokens::Type t = m_tokens.next();
        if (t == Tokens::Start && ++m_depth > m_limits.maxDepth) {
            fail(msg::kPacoteGrandeDemais.arg(QStringLiteral("%1 níveis de elementos").arg(m_limits.maxDepth)));
            return Tokens::Failed;
        }
        if (t == Tokens::End)
            --m_depth;
        return t;
    }

    // False for the end of the document or a failure where an element was due.
    bool ended(Tokens::Type t)
    {
        if (t == Tokens::Failed || t == Tokens::Done)
            return fail(m_tokens.error().isEmpty() ? QStringLiteral("fim inesperado do arquivo") : m_tokens.error());
        return true;
    }

    bool expectStart()
    {
        const Tokens::Type t = next();
        if (t == Tokens::Start)
            return true;
        if (t == Tokens::End)
            return fail(QStringLiteral("elemento esperado"));
        return ended(t);
    }

    // Skips the rest of the current element, counting depth.
    bool skipElement()
    {
        const int until = m_depth - 1;
        while (m_depth > until) {
            const Tokens::Type t = next();
            if (t == Tokens::Failed || t == Tokens::Done)
                return ended(t);
        }
        return true;
    }

    // METADATA: FIELDS, then PARAMS (ignored).
    bool readMetadata(MetaSet &top)
    {
        bool haveFields = false;
        for (;;) {
            const Tokens::Type t = next();
            if (t == Tokens::Failed || t == Tokens::Done)
                return ended(t);
            if (t == Tokens::End)
                return haveFields ? true : fail(QStringLiteral("METADATA sem FIELDS"));
            if (name() == "FIELDS" && !haveFields) {
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
            const Tokens::Type t = next();
            if (t == Tokens::Failed || t == Tokens::Done)
                return ended(t);
            if (t == Tokens::End)
                return true;
            if (name() != "FIELD")
                return fail(unexpected());
            const QString fieldName = m_tokens.value("attrname").toString();
            const bool nested = m_tokens.value("fieldtype") == QLatin1String("nested");
            if (fieldName.isEmpty())
                return fail(QStringLiteral("FIELD sem attrname"));
            if (nested) {
                auto child = std::make_unique<MetaSet>();
                bool haveFields = false;
                for (;;) {
                    const Tokens::Type u = next();
                    if (u == Tokens::Failed || u == Tokens::Done)
                        return ended(u);
                    if (u == Tokens::End)
                        break;
                    if (name() == "FIELDS" && !haveFields) {
                        if (!readFields(*child))
                            return false;
                        haveFields = true;
                    } else if (!skipElement()) {
                        return false;
                    }
                }
                set.nested[fieldName] = std::move(child);
            } else {
                set.fields.append(fieldName);
                if (!skipElement())
                    return false;
            }
        }
    }

    const std::vector<QByteArray> &namesOf(const Level &level)
    {
        auto it = m_fieldNames.find(&level);
        if (it != m_fieldNames.end())
            return *it;
        std::vector<QByteArray> names;
        QHash<QByteArray, int> index;
        for (size_t i = 0; i < level.fields.size(); ++i) {
            names.push_back(level.fields[i].name.toUtf8());
            index.insert(names.back(), static_cast<int>(i));
        }
        m_fieldIndex.insert(&level, index);
        m_rowNames.insert(&level, level.rowElement.toUtf8());
        return *m_fieldNames.insert(&level, names);
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
        const std::vector<QByteArray> &names = namesOf(level);
        const QHash<QByteArray, int> &index = m_fieldIndex[&level];
        std::vector<FieldValue> &values = m_values[&level];
        values.assign(level.fields.size(), FieldValue());
        std::vector<bool> seen(level.fields.size(), false);
        // Attributes come in field order: look at the next fields first and
        // fall back to the name table only when the file's order differs.
        const int fieldCount = static_cast<int>(level.fields.size());
        int cursor = 0;
        for (const Tokens::Attribute &a : m_tokens.attributes()) {
            int at = -1;
            for (int i = cursor; i < fieldCount; ++i)
                if (names[static_cast<size_t>(i)] == a.name) {
                    at = i;
                    break;
                }
            if (at < 0) {
                const auto it = index.constFind(a.name.toByteArray());
                if (it == index.constEnd())
                    continue; // a field this system does not use
                at = *it;
            }
            if (seen[static_cast<size_t>(at)])
                return fail(QStringLiteral("atributo %1 repetido").arg(level.fields[static_cast<size_t>(at)].name));
            seen[static_cast<size_t>(at)] = true;
            cursor = at + 1;
            if (!convert(level.fields[static_cast<size_t>(at)], m_tokens.value(a), values[static_cast<size_t>(at)]))
                return false;
        }
        if (Status s = m_sink.row(level, values); !s)
            return stop(s.error());
        for (;;) {
            const Tokens::Type t = next();
            if (t == Tokens::Failed || t == Tokens::Done)
                return ended(t);
            if (t == Tokens::End) {
                if (Status s = m_sink.endRow(level); !s)
                    return stop(s.error());
                return true;
            }
            const QString setName = QString::fromUtf8(name().data(), name().size());
            const int at = level.nestedIndex(setName);
            const auto declared = meta.nested.find(setName);
            if (at < 0 || declared == meta.nested.end())
                return fail(unexpected());
            const Level &child = *level.nested[static_cast<size_t>(at)];
            namesOf(child);
            const QByteArray &rowName = m_rowNames[&child];
            const bool months = &level == &packetRoot();
            for (;;) {
                const Tokens::Type u = next();
                if (u == Tokens::Failed || u == Tokens::Done)
                    return ended(u);
                if (u == Tokens::End)
                    break;
                if (name() != rowName)
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
