#include "TextRecords.h"

#include "Messages.h"
#include "base/Cp1252.h"
#include "base/Numbers.h"
#include "shell/RowRules.h"
#include "store/RecordRules.h"

#include <QIODevice>
#include <array>
#include <cstring>
#include <limits>
#include <optional>

namespace quirels::exchange::text {

namespace {

struct FieldSpec {
    const char *field;
    int first;
    int last;
};

struct RecordSpec {
    const char *type;
    const char *table;
    Link link;
    bool keyPrefix;
    std::vector<FieldSpec> fields; // after the key prefix
};

// The record types of the file: target table and, per field, its columns.
// The conversion of each field follows from its type in the schema.
const std::vector<RecordSpec> &specs()
{
    static const std::vector<RecordSpec> all{
        {"EM", "Empresa", Link::Company, false,
         {{"CdCNPJEmpr", 3, 16},      {"NmRazao", 17, 86},         {"NrCLF", 87, 96},
          {"CdCNAE", 97, 106},        {"FlGrupoI", 107, 107},      {"FlGrupoII", 108, 108},
          {"FlGrupoIII", 109, 109},   {"FlGrupoIV", 110, 110},     {"FlGrupoV", 111, 111},
          {"FlGrupoVI", 112, 112},    {"FlGrupoVII", 113, 113},    {"FlGrupoVIII", 114, 114},
          {"FlGrupoIX", 115, 115},    {"DsGrupoIX", 116, 165},     {"DsInformacoes", 166, 365},
          {"DsGrupoPrincipal", 366, 375}, {"NmResponsavel", 376, 415}, {"NrCpfResponsavel", 416, 426},
          {"NrIdentidade", 427, 437}, {"NmOrgao", 438, 472},       {"SgUF", 473, 474},
          {"NrDDD", 475, 477},        {"NrFone", 478, 485},        {"NrFax", 486, 493},
          {"NmEmail", 494, 543}}},
        {"ME", "Mes", Link::Period, true, {}},
        {"PR", "Produtos", Link::None, true,
         {{"VlConcentracao", 24, 29},   {"VlDensidade", 30, 35},    {"QtEstoqueAnt", 36, 55},
          {"QtProducao", 56, 75},       {"QtTransformacao", 76, 95}, {"QtUtilizacao", 96, 115},
          {"QtCompras", 116, 135},      {"QtVendas", 136, 155},      {"QtReciclagem", 156, 175},
          {"QtReaproveitamento", 176, 195}, {"QtImportacao", 196, 215}, {"QtExportacao", 216, 235},
          {"QtPerdas", 236, 255},       {"QtEvaporacao", 256, 275},  {"QtEntradasDiv", 276, 295},
          {"QtSaidasDiv", 296, 315},    {"QtEstoqueAtual", 316, 335}, {"DsUnidade", 336, 341},
          {"CdNCM", 342, 351},          {"NmProduto", 352, 421}}},
        {"PF", "ProdutoFinal", Link::Product, true,
         {{"VlDensidade", 24, 29}, {"QtProdFinal", 30, 49}, {"DsUnidade", 50, 55}, {"CdNCM", 56, 65},
          {"NmProduto", 66, 135}}},
        {"SP", "SubstanciaPresente", Link::FinalProduct, true,
         {{"VlConcentracao", 24, 29}, {"CdNCM", 30, 39}, {"NmProduto", 40, 109}}},
        {"MV", "Movimentacao", Link::None, true,
         {{"NrDia", 24, 25},          {"NrCFOP", 26, 30},          {"VlConcentracao", 31, 36},
          {"VlQuantidade", 37, 56},   {"NmUnidade", 57, 62},       {"NrNF", 63, 72},
          {"CdFornecedor", 73, 86},   {"CdTransportadora", 87, 100}, {"CdNCM", 101, 110},
          {"NmProduto", 111, 180}}},
        {"IE", "Importacao", Link::None, true,
         {{"VlConcentracao", 24, 29}, {"QtImportacao", 30, 49},    {"DsUnidade", 50, 55},
          {"NrLI", 56, 75},           {"NrNF", 76, 85},            {"CdTransportadora", 86, 99},
          {"NmImportador", 100, 199}, {"CdPais", 200, 202},        {"FlIE", 203, 203},
          {"CdNCM", 204, 213},        {"NmProduto", 214, 283}}},
        {"AM", "Armazenagem", Link::None, true,
         {{"CdNCM", 24, 33},          {"NmProduto", 34, 103},      {"VlConcentracao", 104, 109},
          {"QtEstoqueAnt", 110, 129}, {"QtEstoqueAtual", 130, 149}, {"DsUnidade", 150, 155},
          {"CdProprietario", 156, 169}}},
        {"MA", "MovArmazenagem", Link::None, true,
         {{"NrDia", 24, 25},          {"DsES", 26, 26},            {"QtMovArmazenagem", 27, 46},
          {"DsUnidade", 47, 52},      {"CdNF", 53, 62},            {"CdProprietario", 63, 76},
          {"CdTransportadora", 77, 90}, {"Vlconcentracao", 91, 96}, {"CdNCM", 97, 106},
          {"NmProduto", 107, 176}}},
        // Column 26 is not read.
        {"TP", "Transporte", Link::None, true,
         {{"NrDia", 24, 25},          {"VlConcentracao", 27, 32},  {"QtProduto", 33, 52},
          {"DsUnidade", 53, 58},      {"NrNF", 59, 64},            {"CdEmbarcador", 65, 78},
          {"SgUFEmbarcador", 79, 80}, {"CdDestinatario", 81, 94},  {"SgUFDestinatario", 95, 96},
          {"CdNCM", 97, 106},         {"NmProduto", 107, 176}}},
        {"RS", "Residuo", Link::None, true,
         {{"CdProdContrPresente", 24, 29}, {"VlConcentracao", 30, 35}, {"QtResiduo", 36, 55},
          {"DsUnidade", 56, 61},      {"DsDestinacao", 62, 86},    {"CdNCM", 87, 96},
          {"NmProduto", 97, 166}}},
        {"MR", "MovResiduo", Link::None, true,
         {{"NrDia", 24, 25},          {"VlES", 26, 26},            {"QtdMovResiduo", 27, 46},
          {"DsUnidade", 47, 52},      {"VlConcentracao", 53, 58},  {"NrNF", 59, 68},
          {"CdFornecedor", 69, 82},   {"CdTransportadora", 83, 96}, {"CdNCM", 97, 106},
          {"NmProduto", 107, 176}}},
        {"OB", "Observacoes", Link::Observation, true, {{"Anexo", 24, 24}}},
        {"OO", "Observacoes", Link::AppendText, false, {{"Observacao", 3, kMaxColumns}}},
    };
    return all;
}

const FieldSpec kKeyPrefix[] = {{"CdCNPJEmpr", 3, 16}, {"NrAno", 17, 20}, {"NmMes", 21, 23}};

Conversion conversionOf(const schema::Field &f)
{
    switch (f.type) {
    case schema::Type::Text: return Conversion::Text;
    case schema::Type::Memo: return Conversion::Memo;
    case schema::Type::Boolean: return Conversion::Flag;
    case schema::Type::Float: return Conversion::Decimal;
    case schema::Type::Integer:
    case schema::Type::AutoInc: return Conversion::Integer;
    }
    return Conversion::Text;
}

Column column(const schema::Table &t, const FieldSpec &spec)
{
    const schema::Field *f = t.field(QString::fromLatin1(spec.field));
    // The layouts name fields of the schema; a misspelling is a programming
    // error caught by the tests, never by a user's file.
    Q_ASSERT(f);
    Column c;
    c.field = f->qname();
    c.first = spec.first;
    c.last = spec.last;
    c.conversion = conversionOf(*f);
    c.width = f->width;
    c.schemaField = f;
    return c;
}

std::vector<RecordLayout> build()
{
    std::vector<RecordLayout> out;
    for (const RecordSpec &spec : specs()) {
        RecordLayout l;
        l.type = QString::fromLatin1(spec.type);
        l.table = schema::table(QString::fromLatin1(spec.table));
        Q_ASSERT(l.table);
        l.link = spec.link;
        l.keyPrefix = spec.keyPrefix;
        l.length = 2;
        if (spec.keyPrefix)
            for (const FieldSpec &k : kKeyPrefix)
                l.columns.push_back(column(*l.table, k));
        for (const FieldSpec &f : spec.fields)
            l.columns.push_back(column(*l.table, f));
        for (const Column &c : l.columns)
            l.length = std::max(l.length, c.last);
        out.push_back(std::move(l));
    }
    return out;
}

bool isBlank(QChar c) { return c == QLatin1Char(' '); }

QStringView trimTrailingBlanks(QStringView s)
{
    qsizetype n = s.size();
    while (n > 0 && isBlank(s[n - 1]))
        --n;
    return s.left(n);
}

QVariant nullOf(Conversion c)
{
    switch (c) {
    case Conversion::Text:
    case Conversion::Memo: return QVariant(QMetaType::fromType<QString>());
    case Conversion::Decimal: return QVariant(QMetaType::fromType<double>());
    case Conversion::Integer: return QVariant(QMetaType::fromType<int>());
    case Conversion::Flag: return QVariant(true);
    }
    return QVariant();
}

// Right-aligned decimal digits: leading blanks, then at least one digit and
// nothing after the last digit; it must fit a 32-bit integer.
bool parseInteger(QStringView s, int &value)
{
    qsizetype i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    if (i == s.size())
        return false;
    qint64 v = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c - u'0');
        if (v > std::numeric_limits<int>::max())
            return false;
    }
    value = static_cast<int>(v);
    return true;
}

// The plain form of a decimal that nearly every file holds: blanks, an
// optional minus, at most 15 digits with at most one separator between
// them, blanks. Its value is the digits read as a whole number divided by a
// power of ten, both exact in a double, so that the one division rounds as
// the general reading of numbers::parse() does. False, and nothing read,
// for any other form: the general reading takes it.
bool plainDecimal(QStringView s, char16_t separator, double &out)
{
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    constexpr int kMaxDigits = 15;
    qsizetype i = 0, n = s.size();
    while (i < n && isBlank(s[i]))
        ++i;
    while (n > i && isBlank(s[n - 1]))
        --n;
    if (i == n)
        return false;
    const bool negative = s[i] == QLatin1Char('-');
    if (negative)
        ++i;
    qint64 whole = 0;
    int digits = 0;
    int decimals = -1; // digits after the separator; -1 before it
    for (; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c >= u'0' && c <= u'9') {
            if (++digits > kMaxDigits)
                return false;
            whole = whole * 10 + (c - u'0');
            if (decimals >= 0)
                ++decimals;
        } else if (c == separator && separator != 0 && decimals < 0 && digits > 0) {
            decimals = 0;
        } else {
            return false;
        }
    }
    if (digits == 0 || decimals == 0)
        return false;
    double v = static_cast<double>(whole);
    if (decimals > 0)
        v /= kPowers[decimals];
    out = negative ? -v : v;
    return true;
}

// The regional decimal separator when it is one character; 0 otherwise (no
// plain form then).
char16_t decimalSeparator()
{
    const QString point = numbers::appLocale().decimalPoint();
    return point.size() == 1 ? point.at(0).unicode() : 0;
}

Status convertWith(const Column &column, QStringView line, QVariant &value, char16_t separator);

// The characters of a column as the file gives them (for messages).
QString columnText(const Column &c, QStringView line)
{
    const qsizetype start = c.first - 1;
    if (start >= line.size())
        return QString();
    return line.mid(start, std::min<qsizetype>(c.last, line.size()) - start).toString();
}

// The keys and the values no entry screen accepts: the company key, the
// year and the month code of the key prefix (the month stored in upper
// case), a day outside the period's month, an annex letter outside A..H.
Status checkKeys(const RecordLayout &layout, QStringView line, std::vector<QVariant> &values)
{
    if (layout.keyPrefix) {
        Result<PeriodKey> key = shell::checkPeriodKey(
            {values[0].toString(), values[1].toString(), values[2].toString()});
        if (!key)
            return key.error();
        values[2] = key->mes;
    } else if (layout.link == Link::Company) {
        if (Status s = shell::checkCompanyKey(values[0].toString()); !s)
            return s;
    }
    for (size_t i = 0; i < layout.columns.size(); ++i) {
        const Column &c = layout.columns[i];
        if (c.field == QLatin1String("NrDia") && !values[i].isNull()) {
            if (!shell::isValidDay(values[i].toString(), values[2].toString(), values[1].toString()))
                return makeError(
                    msg::kTxtDiaInvalido.arg(columnText(c, line), values[2].toString(), values[1].toString()));
            values[i] = store::rules::storedDay(values[i].toString());
        }
        if (layout.link == Link::Observation && c.field == QLatin1String("Anexo")) {
            const QString letter = values[i].toString().toUpper();
            if (!shell::isAnnexLetter(letter))
                return makeError(msg::kTxtAnexoInvalido.arg(columnText(c, line)));
            values[i] = letter;
        }
    }
    return {};
}

} // namespace

const std::vector<RecordLayout> &layouts()
{
    static const std::vector<RecordLayout> all = build();
    return all;
}

const RecordLayout *layoutFor(QStringView line)
{
    if (line.size() < 2)
        return nullptr;
    for (const RecordLayout &l : layouts())
        if (line[0] == l.type[0] && line[1] == l.type[1])
            return &l;
    return nullptr;
}

const RecordLayout *layout(const QString &type)
{
    for (const RecordLayout &l : layouts())
        if (l.type == type)
            return &l;
    return nullptr;
}

Status convert(const Column &column, QStringView line, QVariant &value)
{
    return convertWith(column, line, value, column.conversion == Conversion::Decimal ? decimalSeparator() : 0);
}

namespace {

Status convertWith(const Column &column, QStringView line, QVariant &value, char16_t separator)
{
    const qsizetype start = column.first - 1;
    if (start >= line.size()) {
        // Wholly beyond the end of the line: no value (a flag reads true).
        value = nullOf(column.conversion);
        return {};
    }
    const QStringView raw = line.mid(start, std::min<qsizetype>(column.last, line.size()) - start);
    switch (column.conversion) {
    case Conversion::Text:
    case Conversion::Memo: {
        QStringView t = column.conversion == Conversion::Text && column.width > 0 ? raw.left(column.width) : raw;
        t = trimTrailingBlanks(t);
        if (t.isEmpty()) {
            value = nullOf(column.conversion);
        } else if (value.typeId() == QMetaType::QString && !static_cast<const QString *>(value.constData())->isNull()) {
            // The text of the previous line in this place: its storage takes
            // the new text, without a new allocation when it is not shared.
            QString &text = *static_cast<QString *>(value.data());
            text.resize(t.size());
            std::memcpy(text.data(), t.data(), static_cast<size_t>(t.size()) * sizeof(QChar));
        } else {
            value = QVariant(t.toString());
        }
        return {};
    }
    case Conversion::Flag:
        value = QVariant(raw[0] != QLatin1Char('0'));
        return {};
    case Conversion::Decimal: {
        if (double d = 0; plainDecimal(raw, separator, d)) {
            value = QVariant(d);
            return {};
        }
        const std::optional<double> d = numbers::parse(raw.toString());
        if (!d)
            return makeError(msg::kTxtNaoEhDecimal.arg(raw.toString(), column.field));
        value = QVariant(*d);
        return {};
    }
    case Conversion::Integer: {
        int n = 0;
        if (!parseInteger(raw, n))
            return makeError(msg::kTxtNaoEhInteiro.arg(raw.toString(), column.field));
        value = QVariant(n);
        return {};
    }
    }
    return {};
}

} // namespace

Status parseRecord(const RecordLayout &layout, QStringView line, std::vector<QVariant> &values)
{
    values.resize(layout.columns.size());
    std::optional<char16_t> separator; // looked up at the line's first decimal
    for (size_t i = 0; i < layout.columns.size(); ++i) {
        const Column &c = layout.columns[i];
        if (c.conversion == Conversion::Decimal && !separator)
            separator = decimalSeparator();
        if (Status s = convertWith(c, line, values[i], separator.value_or(0)); !s)
            return s;
        if (c.conversion == Conversion::Decimal && !values[i].isNull()) {
            const double v = values[i].toDouble();
            if (c.schemaField->max100) {
                const QString range = store::rules::rangeMessage(*c.schemaField, v);
                if (!range.isEmpty())
                    return makeError(range);
            }
            if (v < 0 && shell::mayNotBeNegative(*c.schemaField))
                return makeError(msg::kTxtNegativo.arg(columnText(c, line), c.field));
        }
    }
    return checkKeys(layout, line, values);
}

void decodeLine(QByteArrayView bytes, QString &out)
{
    // The code page's 256 characters, taken once from the shared decoder.
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = static_cast<char>(i);
        const QString chars = cp1252::decode(all);
        Q_ASSERT(chars.size() == 256);
        for (int i = 0; i < 256; ++i)
            t[static_cast<size_t>(i)] = chars.at(i).unicode();
        return t;
    }();
    out.resize(bytes.size());
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        d[i] = QChar(table[static_cast<unsigned char>(bytes[i])]);
}

namespace {

// Length of the UTF-8 sequence that starts at s[i] when it is a complete,
// well-formed multi-byte character; 0 otherwise.
qsizetype utf8Sequence(QByteArrayView s, qsizetype i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    qsizetype n = 0;
    unsigned min = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
        min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    unsigned cp = b & (0xFF >> (n + 1));
    for (qsizetype k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

} // namespace

QString textProblem(QByteArrayView line, bool firstLine)
{
    if (firstLine && line.startsWith(QByteArrayView("\xEF\xBB\xBF")))
        return msg::kTxtUtf8;
    bool high = false;
    qsizetype i = 0;
    // Eight bytes at a time while they are all printable ASCII (0x20..0x7F),
    // as nearly every byte of a file is; the first word with any other byte
    // is looked at byte by byte below.
    constexpr quint64 kOnes = 0x0101010101010101ULL, kHighBits = 0x8080808080808080ULL;
    for (; i + 8 <= line.size(); i += 8) {
        quint64 w;
        std::memcpy(&w, line.data() + i, sizeof w);
        if (((w - 0x20 * kOnes) | w) & kHighBits)
            break;
    }
    for (; i < line.size(); ++i) {
        const auto b = static_cast<unsigned char>(line[i]);
        if (b < 0x20 && b != '\t' && b != '\f' && b != '\r')
            return msg::kTxtNaoEhTexto.arg(b).arg(i + 1);
        high = high || b >= 0x80;
    }
    if (!high)
        return QString();
    // Windows-1252 text with accents is almost never valid UTF-8 ("ção" is
    // E7 E3 6F); text whose every high byte forms a UTF-8 character is.
    for (i = 0; i < line.size();) {
        if (quint64 w; i + 8 <= line.size() && (std::memcpy(&w, line.data() + i, sizeof w), (w & kHighBits) == 0)) {
            i += 8;
            continue;
        }
        if (static_cast<unsigned char>(line[i]) < 0x80) {
            ++i;
            continue;
        }
        const qsizetype n = utf8Sequence(line, i);
        if (n == 0)
            return QString();
        i += n;
    }
    return msg::kTxtUtf8;
}

LineReader::LineReader(QIODevice &device, int keep) : m_device(device), m_keep(keep)
{
    m_line.reserve(keep);
}

bool LineReader::fill()
{
    if (m_eof || m_failed)
        return false;
    constexpr qint64 kChunk = 1 << 20;
    m_buffer.resize(kChunk);
    const qint64 n = m_device.read(m_buffer.data(), kChunk);
    if (n < 0) {
        m_failed = true;
        m_error = m_device.errorString();
        m_buffer.clear();
        m_pos = 0;
        return false;
    }
    m_buffer.resize(n);
    m_pos = 0;
    if (n == 0) {
        // A sequential device may deliver nothing yet without being at its
        // end; wait for it before calling it the end.
        if (m_device.isSequential() && !m_device.atEnd() && m_device.waitForReadyRead(30000))
            return fill();
        m_eof = true;
        return false;
    }
    return true;
}

bool LineReader::next()
{
    m_line.clear();
    qint64 length = 0; // of the whole line, without its line end
    bool any = false;
    for (;;) {
        if (m_pos >= m_buffer.size() && !fill()) {
            if (m_failed || !any)
                return false;
            break; // last line without a line end
        }
        if (m_afterCr) {
            // A CR that ended the previous line and the LF after it are one
            // line end, also when the buffer was refilled between them.
            m_afterCr = false;
            if (m_buffer.at(m_pos) == '\n') {
                ++m_pos;
                ++m_consumed;
                continue;
            }
        }
        any = true;
        const char *begin = m_buffer.constData() + m_pos;
        const qsizetype avail = m_buffer.size() - m_pos;
        const void *lf = std::memchr(begin, '\n', static_cast<size_t>(avail));
        qsizetype take = lf ? static_cast<const char *>(lf) - begin : avail;
        if (const void *cr = std::memchr(begin, '\r', static_cast<size_t>(take)))
            take = static_cast<const char *>(cr) - begin;
        if (m_line.size() < m_keep)
            m_line.append(begin, std::min<qsizetype>(take, m_keep - m_line.size()));
        length += take;
        m_pos += take;
        m_consumed += take;
        if (length > kMaxLineBytes) {
            // No line end where any line of the layout has ended long ago:
            // not a text file of the layout. Nothing more is read.
            m_tooLong = true;
            m_eof = true;
            return false;
        }
        if (take < avail) {
            m_afterCr = begin[take] == '\r';
            ++m_pos;
            ++m_consumed;
            break;
        }
    }
    ++m_lineNumber;
    return true;
}

bool LineReader::atEnd()
{
    if (m_pos < m_buffer.size())
        return false;
    return !fill();
}

} // namespace quirels::exchange::text
