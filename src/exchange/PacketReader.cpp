#include "PacketReader.h"

#include "Messages.h"
#include "base/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <cmath>
#include <map>
#include <memory>

namespace quirels::exchange {

namespace {

// The field declarations of one data set in the file.
struct MetaSet {
    QStringList fields;
    std::map<QString, std::unique_ptr<MetaSet>> nested;
};

// Text of the file: UTF-8 when it says so (or starts with its mark), else
// Windows-1252, the code page the packet is written in.
Result<QString> decodeBytes(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return makeError(msg::kPacoteInvalido.arg(QStringLiteral("codificação UTF-16 não suportada")), 2);
    static const QRegularExpression declaration(QStringLiteral("^\\s*<\\?xml[^>]*encoding\\s*=\\s*[\"']([A-Za-z0-9._-]+)[\"']"));
    const QString head = QString::fromLatin1(bytes.left(256));
    const QRegularExpressionMatch m = declaration.match(head);
    if (m.hasMatch() && m.captured(1).compare(QLatin1String("utf-8"), Qt::CaseInsensitive) == 0)
        return QString::fromUtf8(bytes);
    return cp1252::decode(bytes);
}

class Parser {
public:
    Parser(const QString &text, const ReadLimits &limits) : m_xml(text), m_limits(limits) {}

    Result<PacketRow> run()
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
        PacketRow company;
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
            if (!readRow(root, top, company))
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
        const size_t monthAt = 0;
        if (!haveCompany || company.nested.size() <= monthAt || company.nested[monthAt].size() != 1)
            return makeError(msg::kPacoteSemEmpresa, 2);
        return company;
    }

private:
    QXmlStreamReader m_xml;
    ReadLimits m_limits;
    int m_depth = 0;
    qsizetype m_rows = 0;
    QString m_error;
    QHash<const Level *, QHash<QString, int>> m_fieldIndex;

    Error error() const
    {
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

    QString unexpected() const { return QStringLiteral("elemento inesperado <%1>").arg(m_xml.name().toString()); }

    // The next token that matters; Invalid on any error. Text between
    // elements must be blank; a document type declaration is refused.
    QXmlStreamReader::TokenType next()
    {
        for (;;) {
            const QXmlStreamReader::TokenType t = m_xml.readNext();
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
                return fail(m_xml.hasError() ? m_xml.errorString() : QStringLiteral("fim inesperado do arquivo"));
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
                return fail(m_xml.hasError() ? m_xml.errorString() : QStringLiteral("fim inesperado do arquivo"));
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
                return fail(m_xml.hasError() ? m_xml.errorString() : QStringLiteral("fim inesperado do arquivo"));
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
                        return fail(m_xml.hasError() ? m_xml.errorString() : QStringLiteral("fim inesperado do arquivo"));
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

    bool convert(const PacketField &f, QStringView text, QVariant &out)
    {
        if (text.isEmpty())
            return true;
        switch (f.kind) {
        case FieldKind::Text:
        case FieldKind::Memo:
        case FieldKind::Lookup: out = text.toString(); return true;
        case FieldKind::Flag:
            if (text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0) {
                out = true;
                return true;
            }
            if (text.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) {
                out = false;
                return true;
            }
            break;
        case FieldKind::Number: {
            bool ok = false;
            const double d = QLocale::c().toDouble(text.trimmed(), &ok);
            if (ok && std::isfinite(d)) {
                out = d;
                return true;
            }
            break;
        }
        case FieldKind::Integer:
        case FieldKind::Counter: {
            bool ok = false;
            const int n = text.trimmed().toInt(&ok);
            if (ok) {
                out = n;
                return true;
            }
            break;
        }
        }
        return fail(msg::kValorInvalido.arg(text.left(40).toString(), f.name));
    }

    // A row element whose start was just read: its attributes, then its
    // nested data sets.
    bool readRow(const Level &level, const MetaSet &meta, PacketRow &row)
    {
        if (++m_rows > m_limits.maxRows)
            return fail(msg::kPacoteGrandeDemais.arg(QStringLiteral("%1 linhas").arg(m_limits.maxRows)));
        const QHash<QString, int> &index = indexOf(level);
        row.values.resize(static_cast<int>(level.fields.size()));
        row.nested.resize(level.nested.size());
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
            if (!convert(level.fields[static_cast<size_t>(at)], a.value(), row.values[at]))
                return false;
        }
        for (;;) {
            const QXmlStreamReader::TokenType t = next();
            if (t == QXmlStreamReader::Invalid || t == QXmlStreamReader::EndDocument)
                return fail(m_xml.hasError() ? m_xml.errorString() : QStringLiteral("fim inesperado do arquivo"));
            if (t == QXmlStreamReader::EndElement)
                return true;
            const QString setName = m_xml.name().toString();
            const int at = level.nestedIndex(setName);
            const auto declared = meta.nested.find(setName);
            if (at < 0 || declared == meta.nested.end())
                return fail(unexpected());
            const Level &child = *level.nested[static_cast<size_t>(at)];
            std::vector<PacketRow> &rows = row.nested[static_cast<size_t>(at)];
            for (;;) {
                const QXmlStreamReader::TokenType u = next();
                if (u == QXmlStreamReader::Invalid || u == QXmlStreamReader::EndDocument)
                    return fail(m_xml.hasError() ? m_xml.errorString() : QStringLiteral("fim inesperado do arquivo"));
                if (u == QXmlStreamReader::EndElement)
                    break;
                if (m_xml.name() != child.rowElement)
                    return fail(unexpected());
                rows.emplace_back();
                if (!readRow(child, *declared->second, rows.back()))
                    return false;
            }
        }
    }
};

} // namespace

Result<PacketRow> readPacket(const QByteArray &bytes, const ReadLimits &limits)
{
    if (bytes.size() > limits.maxBytes)
        return makeError(msg::kPacoteGrandeDemais.arg(QStringLiteral("%1 bytes").arg(limits.maxBytes)), 2);
    Result<QString> text = decodeBytes(bytes);
    if (!text)
        return text.error();
    Parser p(*text, limits);
    return p.run();
}

Result<PacketRow> readPacket(QIODevice &device, const ReadLimits &limits)
{
    const QByteArray bytes = device.read(limits.maxBytes + 1);
    if (bytes.size() > limits.maxBytes)
        return makeError(msg::kPacoteGrandeDemais.arg(QStringLiteral("%1 bytes").arg(limits.maxBytes)), 2);
    return readPacket(bytes, limits);
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
