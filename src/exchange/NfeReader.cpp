#include "NfeReader.h"

#include "Messages.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <zip.h>

namespace quirels::exchange::nfe {

namespace {

using Token = QXmlStreamReader::TokenType;

bool allDigits(QStringView s)
{
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

QDate dateOf(const QString &text)
{
    // "2024-03-15T10:20:30-03:00" (dhEmi) or "2024-03-15" (older dEmi).
    return QDate::fromString(text.left(10), Qt::ISODate);
}

class Parser {
public:
    Parser(const QByteArray &bytes, const Limits &limits) : m_xml(bytes), m_limits(limits) {}

    Result<Document> run()
    {
        Document doc;
        if (!root())
            return failure();
        const QStringView name = m_xml.name();
        // Only the invoice's own namespace makes an NF-e: the same names
        // under another namespace are some other document.
        const bool nfeNamespace = m_xml.namespaceUri() == QLatin1String("http://www.portalfiscal.inf.br/nfe");
        bool ok = false;
        if (name == QLatin1String("nfeProc")) {
            Invoice inv;
            bool haveInvoice = false;
            ok = children([&](QStringView n) {
                if (n == QLatin1String("NFe")) {
                    haveInvoice = true;
                    return invoice(inv);
                }
                if (n == QLatin1String("protNFe"))
                    return protocol(inv);
                return skip();
            });
            if (ok && !haveInvoice)
                ok = fail(msg::kNfeNaoEhNfe);
            if (ok)
                doc.invoices.push_back(std::move(inv));
        } else if (name == QLatin1String("NFe")) {
            Invoice inv;
            ok = invoice(inv);
            if (ok)
                doc.invoices.push_back(std::move(inv));
        } else if (name == QLatin1String("procEventoNFe")) {
            ok = event(doc);
        } else {
            return makeError(msg::kNfeNaoEhNfe, 1);
        }
        if (!ok || !end())
            return failure();
        for (const Invoice &inv : doc.invoices)
            if (!checkInvoice(inv))
                return failure();
        if (!nfeNamespace)
            return makeError(msg::kNfeNaoEhNfe, 1);
        return doc;
    }

private:
    QXmlStreamReader m_xml;
    Limits m_limits;
    int m_depth = 0;
    QString m_error;

    bool fail(const QString &why)
    {
        if (m_error.isEmpty())
            m_error = why;
        return false;
    }

    Error failure() const
    {
        if (!m_error.isEmpty())
            return makeError(m_error, 1);
        // The reader's own texts are English: each kind of error gets ours.
        QString why;
        switch (m_xml.error()) {
        case QXmlStreamReader::UnexpectedElementError: why = QStringLiteral("elemento inesperado"); break;
        case QXmlStreamReader::NotWellFormedError: why = QStringLiteral("o XML está mal formado"); break;
        default: why = QStringLiteral("fim inesperado do arquivo"); break;
        }
        return makeError(msg::kNfeXmlInvalido.arg(why).arg(m_xml.lineNumber()).arg(m_xml.columnNumber()), 1);
    }

    // The next token that matters: start and end elements, the end of the
    // document, or Invalid. A document type declaration, an entity
    // reference or text between elements where none belongs is refused.
    Token next()
    {
        for (;;) {
            const Token t = m_xml.readNext();
            switch (t) {
            case Token::Invalid: return t;
            case Token::DTD: fail(msg::kNfeComDtd); return Token::Invalid;
            case Token::EntityReference: fail(msg::kNfeEntidade); return Token::Invalid;
            case Token::StartElement:
                if (++m_depth > m_limits.maxDepth) {
                    fail(msg::kNfeFundoDemais.arg(m_limits.maxDepth));
                    return Token::Invalid;
                }
                return t;
            case Token::EndElement: --m_depth; return t;
            case Token::EndDocument: return t;
            default: continue; // declaration, comments, processing instructions, blanks
            }
        }
    }

    bool root()
    {
        for (;;) {
            const Token t = next();
            if (t == Token::StartElement)
                return true;
            if (t != Token::Characters)
                return false;
        }
    }

    bool end()
    {
        for (;;) {
            const Token t = next();
            if (t == Token::EndDocument)
                return true;
            if (t == Token::Invalid)
                return false;
            if (t == Token::StartElement)
                return fail(msg::kNfeXmlInvalido.arg(QStringLiteral("mais de um elemento raiz"))
                                .arg(m_xml.lineNumber())
                                .arg(m_xml.columnNumber()));
        }
    }

    // Runs f on each child element of the current element; f consumes the
    // whole child (text, skip or its own children).
    template <typename F>
    bool children(F &&f)
    {
        for (;;) {
            const Token t = next();
            if (t == Token::EndElement)
                return true;
            if (t != Token::StartElement)
                return false;
            if (!f(m_xml.name()))
                return false;
        }
    }

    bool skip()
    {
        const int until = m_depth - 1;
        while (m_depth > until) {
            const Token t = next();
            if (t == Token::Invalid || t == Token::EndDocument)
                return false;
        }
        return true;
    }

    // The text of a leaf element; an element inside it is an error.
    bool text(QString &out)
    {
        out = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (m_xml.hasError())
            return false;
        --m_depth;
        out = out.trimmed();
        return true;
    }

    bool number(const char *field, double &out)
    {
        QString t;
        if (!text(t))
            return false;
        bool ok = false;
        out = QStringView(t).toDouble(&ok);
        if (!ok || !std::isfinite(out))
            return fail(msg::kNfeValorInvalido.arg(t.left(40), QLatin1String(field)));
        return true;
    }

    bool address(Party &p)
    {
        return children([&](QStringView n) {
            if (n == QLatin1String("cPais")) {
                QString t;
                if (!text(t))
                    return false;
                p.countryCode = allDigits(t) && !t.isEmpty() && t.size() <= 6 ? t.toInt() : -1;
                return true;
            }
            if (n == QLatin1String("xPais"))
                return text(p.countryName);
            return skip();
        });
    }

    bool party(Party &p, const char *addressElement)
    {
        const bool ok = children([&](QStringView n) {
            if (n == QLatin1String("CNPJ") || n == QLatin1String("CPF"))
                return text(p.document);
            if (n == QLatin1String("idEstrangeiro")) {
                p.foreign = true;
                return text(p.foreignId);
            }
            if (n == QLatin1String("xNome"))
                return text(p.name);
            if (n == QLatin1String(addressElement))
                return address(p);
            return skip();
        });
        if (p.countryCode != 0 && p.countryCode != 1058)
            p.foreign = true;
        return ok;
    }

    bool product(Item &item)
    {
        return children([&](QStringView n) {
            if (n == QLatin1String("cProd"))
                return text(item.productCode);
            if (n == QLatin1String("xProd"))
                return text(item.description);
            if (n == QLatin1String("NCM"))
                return text(item.ncm);
            if (n == QLatin1String("CFOP"))
                return text(item.cfop);
            if (n == QLatin1String("uCom"))
                return text(item.unit);
            if (n == QLatin1String("qCom"))
                return number("qCom", item.quantity);
            if (n == QLatin1String("uTrib"))
                return text(item.taxUnit);
            if (n == QLatin1String("qTrib"))
                return number("qTrib", item.taxQuantity);
            if (n == QLatin1String("DI"))
                return children([&](QStringView m) {
                    if (m == QLatin1String("nDI") && item.importDeclaration.isEmpty())
                        return text(item.importDeclaration);
                    return skip();
                });
            if (n == QLatin1String("detExport"))
                return children([&](QStringView m) {
                    if (m == QLatin1String("exportInd"))
                        return children([&](QStringView k) {
                            if (k == QLatin1String("nRE") && item.exportRegistration.isEmpty())
                                return text(item.exportRegistration);
                            return skip();
                        });
                    return skip();
                });
            return skip();
        });
    }

    bool invoice(Invoice &inv)
    {
        bool haveInfo = false;
        const bool ok = children([&](QStringView n) {
            if (n != QLatin1String("infNFe"))
                return skip(); // the signature
            haveInfo = true;
            const QStringView id = m_xml.attributes().value(QLatin1String("Id"));
            inv.key = (id.startsWith(QLatin1String("NFe")) ? id.mid(3) : id).toString();
            return children([&](QStringView m) {
                if (m == QLatin1String("ide"))
                    return children([&](QStringView k) {
                        QString t;
                        if (k == QLatin1String("nNF"))
                            return text(inv.number);
                        if (k == QLatin1String("tpNF")) {
                            if (!text(t))
                                return false;
                            inv.direction = t == QLatin1String("0") ? 0 : 1;
                            return true;
                        }
                        if (k == QLatin1String("dhEmi") || k == QLatin1String("dEmi")) {
                            if (!text(t))
                                return false;
                            inv.issued = dateOf(t);
                            return true;
                        }
                        if (k == QLatin1String("dhSaiEnt") || k == QLatin1String("dSaiEnt")) {
                            if (!text(t))
                                return false;
                            inv.moved = dateOf(t);
                            return true;
                        }
                        return skip();
                    });
                if (m == QLatin1String("emit"))
                    return party(inv.issuer, "enderEmit");
                if (m == QLatin1String("dest"))
                    return party(inv.recipient, "enderDest");
                if (m == QLatin1String("det")) {
                    Item item;
                    item.number = m_xml.attributes().value(QLatin1String("nItem")).toInt();
                    const bool itemOk = children([&](QStringView k) {
                        if (k == QLatin1String("prod"))
                            return product(item);
                        return skip();
                    });
                    if (itemOk)
                        inv.items.push_back(std::move(item));
                    return itemOk;
                }
                if (m == QLatin1String("transp"))
                    return children([&](QStringView k) {
                        if (k == QLatin1String("transporta"))
                            return children([&](QStringView j) {
                                if (j == QLatin1String("CNPJ") || j == QLatin1String("CPF"))
                                    return text(inv.carrier);
                                return skip();
                            });
                        return skip();
                    });
                return skip();
            });
        });
        if (ok && !haveInfo)
            return fail(msg::kNfeNaoEhNfe);
        return ok;
    }

    bool protocol(Invoice &inv)
    {
        QString key;
        const bool ok = children([&](QStringView n) {
            if (n != QLatin1String("infProt"))
                return skip();
            return children([&](QStringView m) {
                QString t;
                if (m == QLatin1String("chNFe"))
                    return text(key);
                if (m == QLatin1String("cStat")) {
                    if (!text(t))
                        return false;
                    inv.status = t.toInt();
                    return true;
                }
                return skip();
            });
        });
        if (!ok)
            return false;
        inv.hasProtocol = true;
        // A protocol of another invoice authorises nothing.
        if (!key.isEmpty() && !inv.key.isEmpty() && key != inv.key)
            inv.status = 0;
        return true;
    }

    bool event(Document &doc)
    {
        QString key, type;
        bool registered = true; // a registration answer, where present, must say so
        const bool ok = children([&](QStringView n) {
            const bool answer = n == QLatin1String("retEvento");
            if (n != QLatin1String("evento") && !answer)
                return skip();
            return children([&](QStringView m) {
                if (m != QLatin1String("infEvento"))
                    return skip();
                return children([&](QStringView k) {
                    QString t;
                    if (!answer && k == QLatin1String("chNFe"))
                        return text(key);
                    if (!answer && k == QLatin1String("tpEvento"))
                        return text(type);
                    if (answer && k == QLatin1String("cStat")) {
                        if (!text(t))
                            return false;
                        registered = t == QLatin1String("135") || t == QLatin1String("136") ||
                                     t == QLatin1String("155");
                        return true;
                    }
                    return skip();
                });
            });
        });
        if (!ok)
            return false;
        if (type == QLatin1String("110111") && registered && key.size() == 44 && allDigits(key))
            doc.cancellations.push_back(Cancellation{key});
        return true;
    }

    bool checkInvoice(const Invoice &inv)
    {
        if (inv.key.size() != 44 || !allDigits(inv.key))
            return fail(msg::kNfeSemChave);
        if (inv.number.isEmpty())
            return fail(msg::kNfeSemCampo.arg(QStringLiteral("nNF")));
        if (!inv.issued.isValid())
            return fail(msg::kNfeSemCampo.arg(QStringLiteral("dhEmi")));
        return true;
    }
};

QString shown(const QString &path) { return QDir::toNativeSeparators(path); }

bool hasSuffix(const QString &name, const char *suffix)
{
    return name.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

void readFile(const QString &path, const Limits &limits, const InputVisitor &visit)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        visit(shown(path), makeError(msg::kNfeIlegivel.arg(f.errorString()), 2));
        return;
    }
    // At most one byte past the limit, into a buffer of the file's own size
    // (grown should the file hold more than it said): a buffer of the limit's
    // size for every file would cost far more than reading a small invoice.
    QByteArray bytes(std::min<qint64>(std::max<qint64>(f.size(), 0), limits.maxFileBytes) + 1, Qt::Uninitialized);
    qint64 got = 0;
    for (;;) {
        const qint64 n = f.read(bytes.data() + got, bytes.size() - got);
        if (n <= 0)
            break;
        got += n;
        if (got < bytes.size() || got > limits.maxFileBytes)
            continue;
        bytes.resize(std::min<qint64>(bytes.size() * 2, limits.maxFileBytes + 1));
    }
    bytes.resize(got);
    if (bytes.size() > limits.maxFileBytes) {
        visit(shown(path), makeError(msg::kNfeGrandeDemais.arg(limits.maxFileBytes), 1));
        return;
    }
    if (f.error() != QFileDevice::NoError) {
        visit(shown(path), makeError(msg::kNfeIlegivel.arg(f.errorString()), 2));
        return;
    }
    visit(shown(path), bytes);
}

// What a libzip error code means, in the user's words (libzip's own texts
// are English).
QString zipProblem(int code)
{
    switch (code) {
    case ZIP_ER_NOZIP: return msg::kNfeZipNaoEhZip;
    case ZIP_ER_CRC:
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD: return msg::kNfeZipEntradaIlegivel;
    case ZIP_ER_OPEN:
    case ZIP_ER_NOENT: return msg::kNfeZipNaoAbre;
    default: return msg::kNfeZipIncompleto;
    }
}

// Each .xml entry of a zip file, read whole into memory; nothing is ever
// written out, so entry names cannot reach outside anything.
void readZip(const QString &path, const Limits &limits, const InputVisitor &visit)
{
    int code = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!z) {
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        visit(shown(path), makeError(msg::kNfeZipInvalido.arg(zipProblem(code)), 1));
        zip_error_fini(&e);
        return;
    }
    const zip_int64_t count = zip_get_num_entries(z, 0);
    if (count < 0 || count > limits.maxZipEntries) {
        visit(shown(path), makeError(msg::kNfeZipEntradas.arg(limits.maxZipEntries), 1));
        zip_discard(z);
        return;
    }
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *raw = zip_get_name(z, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        if (!raw)
            continue;
        const QString entry = QString::fromUtf8(raw);
        const QString name = shown(path) + QLatin1Char('/') + entry;
        if (entry.endsWith(QLatin1Char('/')))
            continue; // a folder
        if (hasSuffix(entry, ".zip")) {
            visit(name, makeError(msg::kNfeZipAninhado, 1));
            continue;
        }
        if (!hasSuffix(entry, ".xml"))
            continue; // the printed invoices and other files that travel with the XMLs
        zip_file_t *f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
        if (!f) {
            visit(name, makeError(msg::kNfeIlegivel.arg(zipProblem(zip_error_code_zip(zip_get_error(z)))), 1));
            continue;
        }
        QByteArray bytes;
        bool failed = false;
        char buffer[65536];
        for (;;) {
            const zip_int64_t n = zip_fread(f, buffer, sizeof buffer);
            if (n < 0) {
                visit(name, makeError(msg::kNfeIlegivel.arg(zipProblem(zip_error_code_zip(zip_file_get_error(f)))), 1));
                failed = true;
                break;
            }
            if (n == 0)
                break;
            total += n;
            if (bytes.size() + n > limits.maxFileBytes) {
                visit(name, makeError(msg::kNfeGrandeDemais.arg(limits.maxFileBytes), 1));
                failed = true;
                break;
            }
            if (total > limits.maxZipBytes) {
                zip_fclose(f);
                visit(shown(path), makeError(msg::kNfeGrandeDemais.arg(limits.maxZipBytes), 1));
                zip_discard(z);
                return;
            }
            bytes.append(buffer, static_cast<qsizetype>(n));
        }
        zip_fclose(f);
        if (!failed)
            visit(name, bytes);
    }
    zip_discard(z);
}

void readOne(const QString &path, const Limits &limits, const InputVisitor &visit)
{
    if (hasSuffix(path, ".zip"))
        readZip(path, limits, visit);
    else
        readFile(path, limits, visit);
}

} // namespace

Result<Document> parse(const QByteArray &bytes, const Limits &limits)
{
    if (bytes.size() > limits.maxFileBytes)
        return makeError(msg::kNfeGrandeDemais.arg(limits.maxFileBytes), 1);
    Parser p(bytes, limits);
    return p.run();
}

void forEachInput(const QStringList &paths, const Limits &limits, const InputVisitor &visit)
{
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.exists()) {
            visit(shown(path), makeError(msg::kNfeNaoEncontrado, 2));
            continue;
        }
        if (!info.isDir()) {
            readOne(path, limits, visit);
            continue;
        }
        QStringList found;
        QDirIterator it(path, {QStringLiteral("*.xml"), QStringLiteral("*.zip")}, QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found.append(it.next());
        std::sort(found.begin(), found.end());
        for (const QString &f : found)
            readOne(f, limits, visit);
    }
}

QString formatNcm(const QString &digits)
{
    if (digits.size() != 8 || !allDigits(digits))
        return {};
    return digits.left(4) + QLatin1Char('.') + digits.mid(4, 2) + QLatin1Char('.') + digits.mid(6, 2);
}

QString formatCfop(const QString &digits)
{
    if (digits.size() != 4 || !allDigits(digits))
        return {};
    return digits.left(1) + QLatin1Char('.') + digits.mid(1);
}

} // namespace quirels::exchange::nfe
