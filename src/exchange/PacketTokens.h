#pragma once
// The XML tokens of the exchange's readers (internal to the exchange), read
// from the UTF-8 pieces of PacketInput: the packet form (attributes only)
// and, with text and namespaces on, the electronic invoice.

#include "PacketInput.h"

namespace quirels::exchange::packetxml {

// Each file of the exchange that includes this has its own copy, as code of
// its own (internal linkage), so the compiler inlines it as it sees fit.
namespace {

// What each byte may be: a name's first byte, a name's other bytes, a byte
// of text that needs no further look.
enum : unsigned char { kNameStart = 1, kNameChar = 2, kPlainText = 4 };
struct ByteClasses {
    unsigned char of[256] = {};
    constexpr ByteClasses()
    {
        for (int c = 0; c < 256; ++c) {
            const bool start = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
            const bool name = start || (c >= '0' && c <= '9') || c == '-' || c == '.';
            const bool plain = c >= 0x20 && c < 0x80 && c != '&' && c != '<' && c != ']';
            of[c] = static_cast<unsigned char>((start ? kNameStart : 0) | (name ? kNameChar : 0) | (plain ? kPlainText : 0));
        }
    }
};
constexpr ByteClasses kClasses{};

// The XML tokens of a document, read from UTF-8 pieces: elements with
// their attributes (references resolved, line ends and tabs in values made
// blanks as XML does), end tags matched against their start tags; blanks,
// comments and processing instructions between elements skipped. Refused:
// a document type declaration (so no entity is ever defined), a reference to
// anything but the five predefined entities and characters, a character
// that XML does not allow, anything not well formed. Text inside elements
// is refused too (the packet form has attributes only) unless the options
// ask for it: then it comes as Text tokens (references resolved, CDATA
// sections included, line ends made LF as XML does).
class Tokens {
public:
    enum Type { Start, End, Text, Done, Failed };

    struct Options {
        bool text = false;       // character data and CDATA inside elements, as Text tokens
        // Prefixes of element and attribute names must be declared (xmlns:p)
        // in scope; namespaceUri() resolves them. Attributes of one element
        // must have different names.
        bool namespaces = false;
        // The XML declaration must have XML's form (version 1.0, an encoding
        // the input reads, standalone yes or no) and a processing
        // instruction's target a blank after it.
        bool strictDeclaration = false;
    };

    // What kind of fault made the reading fail.
    enum class Fault { None, Malformed, Truncated, DocumentType, Entity };

    struct Attribute {
        QByteArrayView name;
        qsizetype at = 0;  // the value in the decoded text
        qsizetype size = 0;
    };

    Tokens(Input &input, const ReadLimits &limits, PacketSink &sink) : Tokens(input, limits, &sink, Options{}) {}
    Tokens(Input &input, const ReadLimits &limits, const Options &options) : Tokens(input, limits, nullptr, options) {}

    Type next()
    {
        if (m_pendingEnd) {
            m_pendingEnd = false;
            m_type = End;
            closed();
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
    // The name without its prefix.
    QByteArrayView localName() const
    {
        qsizetype colon = m_name.size();
        while (colon > 0 && m_name[colon - 1] != ':')
            --colon;
        return m_name.sliced(colon);
    }
    // The namespace of the start element just read (with namespaces on): the
    // one bound to its prefix, or the default one; empty for none.
    QStringView namespaceUri() const
    {
        const qsizetype colon = colonIn(m_name);
        const QByteArrayView prefix = colon < 0 ? QByteArrayView() : m_name.first(colon);
        const Binding *b = binding(prefix);
        return b ? QStringView(b->uri) : QStringView();
    }
    // The decoded characters of the Text token just read (kept only while
    // setKeepText is on; otherwise they are checked and dropped).
    QStringView text() const { return QStringView(m_text.data(), static_cast<qsizetype>(m_text.size())); }
    void setKeepText(bool keep) { m_keepText = keep; }
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
    Fault fault() const { return m_fault; }
    const std::optional<Error> &stopped() const { return m_stop; }
    // Line and column (counted from 1) of the token being read.
    QString where() const
    {
        const auto [line, column] = position();
        return QStringLiteral(" (linha %1, coluna %2)").arg(line).arg(column);
    }
    std::pair<qint64, qint64> position() const
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
        return {line, column};
    }

private:
    enum class Step { Token, Skip, More, Fail };

    // A namespace prefix bound by an element (empty: the default namespace).
    struct Binding {
        QByteArray prefix;
        QString uri;
        size_t depth = 0; // of the element that declares it
    };

    Tokens(Input &input, const ReadLimits &limits, PacketSink *sink, const Options &options)
        : m_input(input), m_limits(limits), m_sink(sink), m_options(options)
    {
        m_text.reserve(4096);
    }

    Input &m_input;
    const ReadLimits &m_limits;
    PacketSink *m_sink; // told of the bytes read, when given
    Options m_options;
    bool m_keepText = true;
    Fault m_fault = Fault::None;
    std::vector<Binding> m_bindings;
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
    // The names of the open elements, one after the other, and where each
    // starts: no allocation per element.
    QByteArray m_openNames;
    std::vector<qsizetype> m_open;
    QString m_error;
    std::optional<Error> m_stop;

    Step fail(const QString &why, Fault fault = Fault::Malformed)
    {
        if (m_error.isEmpty()) {
            m_error = why;
            m_fault = fault;
        }
        m_failed = true;
        return Step::Fail;
    }

    Type endOfInput()
    {
        // Only blanks may follow the last token.
        if (m_open.empty() && m_rootDone && m_tokenStart >= size())
            return Done;
        fail(QStringLiteral("fim inesperado do arquivo"), Fault::Truncated);
        return Failed;
    }

    QByteArrayView openName() const
    {
        const qsizetype at = m_open.back();
        return QByteArrayView(m_openNames.constData() + at, m_openNames.size() - at);
    }

    void opened(QByteArrayView name)
    {
        m_open.push_back(m_openNames.size());
        m_openNames.append(name.data(), name.size());
    }

    // The innermost open element ends.
    void closed()
    {
        m_openNames.truncate(m_open.back());
        m_open.pop_back();
        if (m_open.empty())
            m_rootDone = true;
        while (!m_bindings.empty() && m_bindings.back().depth > m_open.size())
            m_bindings.pop_back();
    }

    const Binding *binding(QByteArrayView prefix) const
    {
        for (auto it = m_bindings.rbegin(); it != m_bindings.rend(); ++it)
            if (it->prefix == prefix)
                return &*it;
        return nullptr;
    }

    static qsizetype colonIn(QByteArrayView name, qsizetype from = 0)
    {
        for (qsizetype i = from; i < name.size(); ++i)
            if (name[i] == ':')
                return i;
        return -1;
    }

    static bool prefixOf(QByteArrayView name, QByteArrayView &prefix)
    {
        const qsizetype colon = colonIn(name);
        if (colon < 0)
            return false;
        prefix = name.first(colon);
        return true;
    }

    // A name with at most one colon, neither first nor last.
    static bool qualified(QByteArrayView name)
    {
        const qsizetype colon = colonIn(name);
        return colon < 0 || (colon > 0 && colon + 1 < name.size() && colonIn(name, colon + 1) < 0);
    }

    // The namespace declarations of the start tag just read (its element
    // already open), then its names' prefixes; attribute names once each.
    Step startNamespaces(QByteArrayView name)
    {
        if (!qualified(name))
            return fail(QStringLiteral("nome de elemento inválido"));
        for (size_t a = 0; a < m_attributes.size(); ++a) {
            const QByteArrayView n = m_attributes[a].name;
            if (!qualified(n))
                return fail(QStringLiteral("nome de atributo inválido"));
            for (size_t b = 0; b < a; ++b)
                if (m_attributes[b].name == n)
                    return fail(QStringLiteral("atributo repetido"));
            if (n == "xmlns")
                m_bindings.push_back({QByteArray(), value(m_attributes[a]).toString(), m_open.size()});
            else if (n.startsWith("xmlns:"))
                m_bindings.push_back({n.sliced(6).toByteArray(), value(m_attributes[a]).toString(), m_open.size()});
        }
        QByteArrayView prefix;
        if (prefixOf(name, prefix) && prefix != "xml" && !binding(prefix))
            return fail(QStringLiteral("prefixo de espaço de nomes não declarado"));
        for (const Attribute &a : m_attributes)
            if (prefixOf(a.name, prefix) && prefix != "xmlns" && prefix != "xml" && !binding(prefix))
                return fail(QStringLiteral("prefixo de espaço de nomes não declarado"));
        return Step::Token;
    }

    // Drops what was read before the current token and adds the next piece.
    bool refill()
    {
        if (m_atEnd)
            return false;
        // Line ends counted at once; characters only after the last one.
        const char *b = m_buf.constData();
        qsizetype ends = 0;
        for (const char *q = b; (q = static_cast<const char *>(std::memchr(q, '\n', static_cast<size_t>(b + m_tokenStart - q))));
             ++q)
            ++ends;
        qsizetype from = 0;
        if (ends > 0) {
            m_lines += ends;
            m_column = 0;
            from = QByteArrayView(b, m_tokenStart).lastIndexOf('\n') + 1;
        }
        qsizetype i = from;
        for (; i + 8 <= m_tokenStart; i += 8) {
            quint64 word;
            std::memcpy(&word, b + i, 8);
            if (!(word & 0x8080808080808080ull)) {
                m_column += 8; // plain ASCII
                continue;
            }
            for (int k = 0; k < 8; ++k)
                if ((static_cast<unsigned char>(b[i + k]) & 0xC0) != 0x80)
                    ++m_column;
        }
        for (; i < m_tokenStart; ++i)
            if ((static_cast<unsigned char>(b[i]) & 0xC0) != 0x80)
                ++m_column;
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
            if (m_sink)
                m_sink->bytesRead(m_input.consumed());
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

    static bool nameStart(unsigned char c) { return kClasses.of[c] & kNameStart; }
    static bool nameChar(unsigned char c) { return kClasses.of[c] & kNameChar; }

    const char *data() const { return m_buf.constData(); }
    qsizetype size() const { return m_buf.size(); }

    // A name at i; More when the buffer ends inside it.
    Step readName(qsizetype &i, QByteArrayView &out)
    {
        if (i >= size())
            return Step::More;
        const auto *p = reinterpret_cast<const unsigned char *>(data());
        const qsizetype n = size();
        if (!nameStart(p[i]))
            return fail(QStringLiteral("nome de elemento ou atributo inválido"));
        const qsizetype from = i++;
        while (i < n && nameChar(p[i]))
            ++i;
        if (i >= n)
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
        qsizetype i = m_pos;
        const bool inText = m_options.text && !m_open.empty();
        if (inText) {
            // Inside an element: text up to the next markup.
            if (i >= size())
                return Step::More;
            if (data()[i] != '<')
                return charData(i);
        }
        // Blanks, then markup; other text is refused.
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
            if (inText && starts(i, "<![CDATA["))
                return cdata(i + 9);
            if (starts(i, "<!DOCTYPE"))
                return fail(QStringLiteral("declaração de tipo de documento não é aceita"), Fault::DocumentType);
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
        if (m_options.strictDeclaration) {
            if (i + 1 >= size())
                return Step::More;
            if (!blank(data()[i]) && !(data()[i] == '?' && data()[i + 1] == '>'))
                return fail(QStringLiteral("instrução de processamento malformada"));
            if (declaration && target != "xml")
                return fail(QStringLiteral("declaração XML malformada"));
            if (target.contains(':'))
                return fail(QStringLiteral("instrução de processamento malformada"));
        }
        const qsizetype content = i;
        for (; i + 1 < size(); ++i) {
            if (data()[i] == '?' && data()[i + 1] == '>') {
                if (declaration && m_options.strictDeclaration &&
                    !declarationForm(QByteArrayView(data() + content, i - content)))
                    return fail(QStringLiteral("declaração XML malformada"));
                m_pos = i + 2;
                if (!declaration)
                    m_started = true;
                return Step::Skip;
            }
            if (declaration && m_options.strictDeclaration && (data()[i] == '<' || data()[i] == '>'))
                return fail(QStringLiteral("declaração XML malformada"));
            if (static_cast<unsigned char>(data()[i]) < 0x20 && !blank(data()[i]))
                return fail(QStringLiteral("caractere inválido"));
        }
        return Step::More;
    }

    // What follows "<?xml" up to "?>": the version, then optionally the
    // encoding and standalone, in that order.
    static bool declarationForm(QByteArrayView d)
    {
        qsizetype p = 0;
        const qsizetype n = d.size();
        const auto attribute = [&](QByteArrayView name, QByteArrayView &value) {
            qsizetype q = p;
            if (q >= n || !blank(d[q]))
                return false;
            while (q < n && blank(d[q]))
                ++q;
            if (!d.sliced(q).startsWith(name))
                return false;
            q += name.size();
            while (q < n && blank(d[q]))
                ++q;
            if (q >= n || d[q] != '=')
                return false;
            ++q;
            while (q < n && blank(d[q]))
                ++q;
            if (q >= n || (d[q] != '"' && d[q] != '\''))
                return false;
            const char quote = d[q++];
            const qsizetype from = q;
            while (q < n && d[q] != quote)
                ++q;
            if (q >= n)
                return false;
            value = d.sliced(from, q - from);
            p = q + 1;
            return true;
        };
        QByteArrayView version, encoding, standalone;
        if (!attribute("version", version) || version != "1.0")
            return false;
        if (attribute("encoding", encoding)) {
            // The encodings the input reads: UTF-8, and the single-byte
            // Western ones it reads as Windows-1252.
            static const char *const known[] = {"UTF-8", "ISO-8859-1", "ISO-8859-15", "LATIN1", "WINDOWS-1252",
                                                "CP1252", "US-ASCII", "UTF8"};
            bool ok = false;
            for (const char *k : known)
                ok = ok || encoding.compare(k, Qt::CaseInsensitive) == 0;
            if (!ok)
                return false;
        }
        if (attribute("standalone", standalone) && standalone != "yes" && standalone != "no")
            return false;
        while (p < n && blank(d[p]))
            ++p;
        return p == n;
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
        if (m_open.empty() || openName() != name)
            return fail(QStringLiteral("a marca de fim </%1> não corresponde à marca de início")
                            .arg(QString::fromUtf8(name.data(), name.size())));
        m_pos = i + 1;
        m_name = name;
        closed();
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
                opened(name);
                m_type = Start;
                if (m_options.namespaces)
                    return startNamespaces(name);
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

    // The reference at i ("&...;"), resolved into c; i ends after it.
    Step reference(qsizetype &i, char32_t &c)
    {
        const auto *p = reinterpret_cast<const unsigned char *>(data());
        const qsizetype n = size();
        qsizetype end = i + 1;
        while (end < n && end - i < 12 && p[end] != ';')
            ++end;
        if (end >= n)
            return Step::More;
        if (p[end] != ';')
            return fail(QStringLiteral("referência malformada"));
        const QByteArrayView ref(data() + i + 1, end - i - 1);
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
            return fail(QStringLiteral("referência a entidade não declarada"), Fault::Entity);
        }
        i = end + 1;
        return Step::Token;
    }

    // The multi-byte UTF-8 sequence at i (the pieces are UTF-8 already
    // checked), whole in the buffer or More; i ends after it.
    Step multiByte(qsizetype &i, char32_t &c)
    {
        const auto *p = reinterpret_cast<const unsigned char *>(data());
        const unsigned char b = p[i];
        const int len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        if (i + len > size())
            return Step::More;
        if (len == 2)
            c = ((b & 0x1Fu) << 6) | (p[i + 1] & 0x3Fu);
        else if (len == 3)
            c = ((b & 0x0Fu) << 12) | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu);
        else
            c = ((b & 0x07u) << 18) | ((p[i + 1] & 0x3Fu) << 12) | ((p[i + 2] & 0x3Fu) << 6) | (p[i + 3] & 0x3Fu);
        if (!xmlChar(c))
            return fail(QStringLiteral("caractere inválido"));
        i += len;
        return Step::Token;
    }

    // Text inside an element up to the next markup, decoded into m_text
    // while it is kept.
    Step charData(qsizetype i)
    {
        m_text.clear();
        const auto *p = reinterpret_cast<const unsigned char *>(data());
        const qsizetype n = size();
        while (i < n) {
            // A run of plain text at once.
            const qsizetype from = i;
            while (i < n && (kClasses.of[p[i]] & kPlainText))
                ++i;
            if (m_keepText)
                m_text.insert(m_text.end(), p + from, p + i);
            if (i >= n)
                break;
            const unsigned char b = p[i];
            if (b == '<') {
                m_pos = i;
                m_type = Text;
                return Step::Token;
            }
            char32_t c = 0;
            if (b == ']') {
                if (i + 2 >= n)
                    return Step::More;
                if (p[i + 1] == ']' && p[i + 2] == '>')
                    return fail(QStringLiteral("\"]]>\" fora de uma seção CDATA"));
                c = b;
                ++i;
            } else if (b == '&') {
                if (Step s = reference(i, c); s != Step::Token)
                    return s;
            } else if (b < 0x20) {
                if (Step s = lineEnd(i, c); s != Step::Token)
                    return s;
            } else if (Step s = multiByte(i, c); s != Step::Token) {
                return s;
            }
            if (m_keepText)
                put(c);
        }
        return Step::More;
    }

    // A CDATA section's characters (i just after "<![CDATA["), as text.
    Step cdata(qsizetype i)
    {
        m_text.clear();
        const auto *p = reinterpret_cast<const unsigned char *>(data());
        const qsizetype n = size();
        while (i < n) {
            const unsigned char b = p[i];
            char32_t c = b;
            if (b == ']') {
                if (i + 2 >= n)
                    return Step::More;
                if (p[i + 1] == ']' && p[i + 2] == '>') {
                    m_pos = i + 3;
                    m_type = Text;
                    return Step::Token;
                }
                ++i;
            } else if (b >= 0x20 && b < 0x80) {
                ++i;
            } else if (b < 0x20) {
                if (Step s = lineEnd(i, c); s != Step::Token)
                    return s;
            } else if (Step s = multiByte(i, c); s != Step::Token) {
                return s;
            }
            if (m_keepText)
                put(c);
        }
        return Step::More;
    }

    // A control character of text: a line end (CR LF and CR made LF) or a
    // tab; any other is refused.
    Step lineEnd(qsizetype &i, char32_t &c)
    {
        const unsigned char b = static_cast<unsigned char>(data()[i]);
        if (b == '\r') {
            if (i + 1 >= size())
                return Step::More;
            if (data()[i + 1] == '\n')
                ++i;
            c = '\n';
        } else if (b == '\n' || b == '\t') {
            c = b;
        } else {
            return fail(QStringLiteral("caractere inválido"));
        }
        ++i;
        return Step::Token;
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
                char32_t c = 0;
                if (Step s = reference(i, c); s != Step::Token)
                    return s;
                put(c);
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
            char32_t c = 0;
            if (Step s = multiByte(i, c); s != Step::Token)
                return s;
            put(c);
        }
        return Step::More;
    }
};

} // namespace

} // namespace quirels::exchange::packetxml
