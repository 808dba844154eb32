#include "PacketReader.h"

#include "PacketTokens.h"
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

using namespace packetxml;

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
