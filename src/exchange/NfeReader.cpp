#include "NfeReader.h"

#include "Messages.h"
#include "PacketTokens.h"

#include <QBuffer>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>

namespace quirels::exchange::nfe {

namespace {

bool allDigits(QStringView s)
{
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// The number a text holds, as QStringView::toDouble reads it. The plain
// decimal form of the invoice's quantities ("-123.4500": digits with an
// optional sign and fraction) is read directly, correctly rounded as Qt
// rounds it; anything else goes to Qt.
double toDouble(const QString &text, bool &ok)
{
    char plain[32];
    const qsizetype n = text.size();
    bool simple = n > 0 && n < qsizetype(sizeof plain);
    qsizetype at = 0, digitsBefore = 0, digitsAfter = 0;
    bool point = false;
    if (simple && text.at(0) == QLatin1Char('-'))
        plain[at++] = '-';
    for (qsizetype i = at; simple && i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c >= u'0' && c <= u'9')
            ++(point ? digitsAfter : digitsBefore);
        else if (c == u'.' && !point)
            point = true;
        else
            simple = false;
        plain[i] = static_cast<char>(c);
    }
    if (simple && digitsBefore > 0 && (!point || digitsAfter > 0)) {
        double v = 0;
        const auto r = std::from_chars(plain, plain + n, v);
        if (r.ec == std::errc() && r.ptr == plain + n) {
            ok = true;
            return v;
        }
    }
    return QStringView(text).toDouble(&ok);
}

QDate dateOf(const QString &text)
{
    // "2024-03-15T10:20:30-03:00" (dhEmi) or "2024-03-15" (older dEmi).
    return QDate::fromString(text.left(10), Qt::ISODate);
}

using packetxml::Tokens;

// An element's name is that literal.
template <size_t N>
bool is(QByteArrayView name, const char (&literal)[N])
{
    return name.size() == static_cast<qsizetype>(N - 1) && std::memcmp(name.data(), literal, N - 1) == 0;
}

// The reader's bounds for one invoice file: the file's own limit for all of
// it (the file is held whole).
ReadLimits tokenLimits(const Limits &limits, qsizetype bytes)
{
    ReadLimits r;
    r.maxBytes = std::max<qint64>(limits.maxFileBytes, bytes) + 1;
    r.maxElementBytes = r.maxBytes;
    r.maxAttributeChars = static_cast<qsizetype>(std::min<qint64>(r.maxBytes, std::numeric_limits<qsizetype>::max()));
    r.maxDepth = limits.maxDepth;
    return r;
}

Tokens::Options tokenOptions()
{
    Tokens::Options o;
    o.text = true;
    o.namespaces = true;
    o.strictDeclaration = true;
    return o;
}

class Parser {
public:
    Parser(const QByteArray &bytes, const Limits &limits)
        : m_limits(limits), m_readLimits(tokenLimits(limits, bytes.size())), m_bytes(bytes), m_device(&m_bytes),
          m_input(openDevice(), m_readLimits, /*xmlDefaults=*/true), m_tokens(m_input, m_readLimits, tokenOptions())
    {
        m_tokens.setKeepText(false);
    }

    Result<Document> run()
    {
        Document doc;
        if (!root())
            return failure();
        const QByteArrayView name = m_tokens.localName();
        // Only the invoice's own namespace makes an NF-e: the same names
        // under another namespace are some other document.
        const bool nfeNamespace = m_tokens.namespaceUri() == QLatin1String("http://www.portalfiscal.inf.br/nfe");
        bool ok = false;
        if (is(name, "nfeProc")) {
            Invoice inv;
            bool haveInvoice = false;
            ok = children([&](QByteArrayView n) {
                if (is(n, "NFe")) {
                    haveInvoice = true;
                    return invoice(inv);
                }
                if (is(n, "protNFe"))
                    return protocol(inv);
                return skip();
            });
            if (ok && !haveInvoice)
                ok = fail(msg::kNfeNaoEhNfe);
            if (ok)
                doc.invoices.push_back(std::move(inv));
        } else if (is(name, "NFe")) {
            Invoice inv;
            ok = invoice(inv);
            if (ok)
                doc.invoices.push_back(std::move(inv));
        } else if (is(name, "procEventoNFe")) {
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
    Limits m_limits;
    ReadLimits m_readLimits;
    QByteArray m_bytes;
    QBuffer m_device;
    packetxml::Input m_input;
    Tokens m_tokens;
    int m_depth = 0;
    QString m_error;
    QString m_unexpected;  // an element where text was due
    QString m_collected;   // the text of the leaf element being read

    QIODevice &openDevice()
    {
        m_device.open(QIODevice::ReadOnly);
        return m_device;
    }

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
        if (!m_tokens.stopped()) {
            if (m_tokens.fault() == Tokens::Fault::DocumentType)
                return makeError(msg::kNfeComDtd, 1);
            if (m_tokens.fault() == Tokens::Fault::Entity)
                return makeError(msg::kNfeEntidade, 1);
        }
        // The same few kinds of fault the user has always been shown; the
        // bytes that are not of the file's encoding make it malformed.
        QString why = m_unexpected;
        if (why.isEmpty())
            why = !m_tokens.stopped() && m_tokens.fault() == Tokens::Fault::Truncated
                      ? QStringLiteral("fim inesperado do arquivo")
                      : QStringLiteral("o XML está mal formado");
        const auto [line, column] = m_tokens.position();
        return makeError(msg::kNfeXmlInvalido.arg(why).arg(line).arg(column), 1);
    }

    // The next token that matters: start and end elements, the end of the
    // document, or Failed. Text between elements is passed over.
    Tokens::Type next()
    {
        for (;;) {
            const Tokens::Type t = m_tokens.next();
            switch (t) {
            case Tokens::Text: continue;
            case Tokens::Start:
                if (++m_depth > m_limits.maxDepth) {
                    fail(msg::kNfeFundoDemais.arg(m_limits.maxDepth));
                    return Tokens::Failed;
                }
                return t;
            case Tokens::End: --m_depth; return t;
            default: return t;
            }
        }
    }

    bool root()
    {
        return next() == Tokens::Start;
    }

    bool end()
    {
        for (;;) {
            const Tokens::Type t = next();
            if (t == Tokens::Done)
                return true;
            if (t == Tokens::Failed)
                return false;
            if (t == Tokens::Start) {
                const auto [line, column] = m_tokens.position();
                return fail(msg::kNfeXmlInvalido.arg(QStringLiteral("mais de um elemento raiz")).arg(line).arg(column));
            }
        }
    }

    // Runs f on the local name of each child element of the current
    // element; f consumes the whole child (text, skip or its own children).
    template <typename F>
    bool children(F &&f)
    {
        for (;;) {
            const Tokens::Type t = next();
            if (t == Tokens::End)
                return true;
            if (t != Tokens::Start)
                return false;
            if (!f(m_tokens.localName()))
                return false;
        }
    }

    // Passes over the rest of the current element: its text is checked but
    // not kept.
    bool skip()
    {
        const int until = m_depth - 1;
        while (m_depth > until) {
            const Tokens::Type t = next();
            if (t == Tokens::Failed || t == Tokens::Done)
                return false;
        }
        return true;
    }

    // The text of a leaf element, trimmed; an element inside it is an error.
    bool text(QString &out)
    {
        m_collected.resize(0);
        m_tokens.setKeepText(true);
        for (;;) {
            const Tokens::Type t = m_tokens.next();
            if (t == Tokens::Text) {
                m_collected.append(m_tokens.text());
                continue;
            }
            m_tokens.setKeepText(false);
            if (t == Tokens::End) {
                --m_depth;
                out = QStringView(m_collected).trimmed().toString();
                return true;
            }
            if (t == Tokens::Start)
                m_unexpected = QStringLiteral("elemento inesperado");
            return false;
        }
    }

    bool number(const char *field, double &out)
    {
        QString t;
        if (!text(t))
            return false;
        bool ok = false;
        out = toDouble(t, ok);
        if (!ok || !std::isfinite(out))
            return fail(msg::kNfeValorInvalido.arg(t.left(40), QLatin1String(field)));
        return true;
    }

    bool address(Party &p)
    {
        return children([&](QByteArrayView n) {
            if (is(n, "cPais")) {
                QString t;
                if (!text(t))
                    return false;
                p.countryCode = allDigits(t) && !t.isEmpty() && t.size() <= 6 ? t.toInt() : -1;
                return true;
            }
            if (is(n, "xPais"))
                return text(p.countryName);
            return skip();
        });
    }

    bool party(Party &p, const char *addressElement)
    {
        const bool ok = children([&](QByteArrayView n) {
            if (is(n, "CNPJ") || is(n, "CPF"))
                return text(p.document);
            if (is(n, "idEstrangeiro")) {
                p.foreign = true;
                return text(p.foreignId);
            }
            if (is(n, "xNome"))
                return text(p.name);
            if (n == QByteArrayView(addressElement))
                return address(p);
            return skip();
        });
        if (p.countryCode != 0 && p.countryCode != 1058)
            p.foreign = true;
        return ok;
    }

    bool product(Item &item)
    {
        return children([&](QByteArrayView n) {
            if (is(n, "cProd"))
                return text(item.productCode);
            if (is(n, "xProd"))
                return text(item.description);
            if (is(n, "NCM"))
                return text(item.ncm);
            if (is(n, "CFOP"))
                return text(item.cfop);
            if (is(n, "uCom"))
                return text(item.unit);
            if (is(n, "qCom"))
                return number("qCom", item.quantity);
            if (is(n, "uTrib"))
                return text(item.taxUnit);
            if (is(n, "qTrib"))
                return number("qTrib", item.taxQuantity);
            if (is(n, "DI"))
                return children([&](QByteArrayView m) {
                    if (is(m, "nDI") && item.importDeclaration.isEmpty())
                        return text(item.importDeclaration);
                    return skip();
                });
            if (is(n, "detExport"))
                return children([&](QByteArrayView m) {
                    if (is(m, "exportInd"))
                        return children([&](QByteArrayView k) {
                            if (is(k, "nRE") && item.exportRegistration.isEmpty())
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
        const bool ok = children([&](QByteArrayView n) {
            if (!is(n, "infNFe"))
                return skip(); // the signature
            haveInfo = true;
            const QStringView id = m_tokens.value("Id");
            inv.key = (id.startsWith(QLatin1String("NFe")) ? id.mid(3) : id).toString();
            return children([&](QByteArrayView m) {
                if (is(m, "ide"))
                    return children([&](QByteArrayView k) {
                        QString t;
                        if (is(k, "nNF"))
                            return text(inv.number);
                        if (is(k, "tpNF")) {
                            if (!text(t))
                                return false;
                            inv.direction = t == QLatin1String("0") ? 0 : 1;
                            return true;
                        }
                        if (is(k, "dhEmi") || is(k, "dEmi")) {
                            if (!text(t))
                                return false;
                            inv.issued = dateOf(t);
                            return true;
                        }
                        if (is(k, "dhSaiEnt") || is(k, "dSaiEnt")) {
                            if (!text(t))
                                return false;
                            inv.moved = dateOf(t);
                            return true;
                        }
                        return skip();
                    });
                if (is(m, "emit"))
                    return party(inv.issuer, "enderEmit");
                if (is(m, "dest"))
                    return party(inv.recipient, "enderDest");
                if (is(m, "det")) {
                    Item item;
                    item.number = m_tokens.value("nItem").toInt();
                    const bool itemOk = children([&](QByteArrayView k) {
                        if (is(k, "prod"))
                            return product(item);
                        return skip();
                    });
                    if (itemOk)
                        inv.items.push_back(std::move(item));
                    return itemOk;
                }
                if (is(m, "transp"))
                    return children([&](QByteArrayView k) {
                        if (is(k, "transporta"))
                            return children([&](QByteArrayView j) {
                                if (is(j, "CNPJ") || is(j, "CPF"))
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
        const bool ok = children([&](QByteArrayView n) {
            if (!is(n, "infProt"))
                return skip();
            return children([&](QByteArrayView m) {
                QString t;
                if (is(m, "chNFe"))
                    return text(key);
                if (is(m, "cStat")) {
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
        const bool ok = children([&](QByteArrayView n) {
            const bool answer = is(n, "retEvento");
            if (!is(n, "evento") && !answer)
                return skip();
            return children([&](QByteArrayView m) {
                if (!is(m, "infEvento"))
                    return skip();
                return children([&](QByteArrayView k) {
                    QString t;
                    if (!answer && is(k, "chNFe"))
                        return text(key);
                    if (!answer && is(k, "tpEvento"))
                        return text(type);
                    if (answer && is(k, "cStat")) {
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

} // namespace

Result<Document> parse(const QByteArray &bytes, const Limits &limits)
{
    if (bytes.size() > limits.maxFileBytes)
        return makeError(msg::kNfeGrandeDemais.arg(limits.maxFileBytes), 1);
    Parser p(bytes, limits);
    return p.run();
}

namespace {

// The digits with a point before each position of `points`, made in place.
QString withPoints(const QString &digits, std::initializer_list<int> points)
{
    QString out(digits.size() + static_cast<qsizetype>(points.size()), Qt::Uninitialized);
    QChar *o = out.data();
    auto point = points.begin();
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (point != points.end() && *point == i) {
            *o++ = QLatin1Char('.');
            ++point;
        }
        *o++ = digits.at(i);
    }
    return out;
}

} // namespace

QString formatNcm(const QString &digits)
{
    if (digits.size() != 8 || !allDigits(digits))
        return {};
    return withPoints(digits, {4, 6});
}

QString formatCfop(const QString &digits)
{
    if (digits.size() != 4 || !allDigits(digits))
        return {};
    return withPoints(digits, {1});
}

} // namespace quirels::exchange::nfe
