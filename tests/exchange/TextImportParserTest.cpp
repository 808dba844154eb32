// The record layouts, the value conversions of one line, the text checks and
// the line reader, without a store.

#include "TextImportFixture.h"
#include "exchange/Messages.h"
#include "exchange/TextRecords.h"
#include "support/TestSupport.h"

#include "base/Cp1252.h"
#include "base/Numbers.h"

#include <QBuffer>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <random>

using namespace quirels;
using namespace quirels::exchange;
using quirels::test::Line;

namespace {

const QString kK = QStringLiteral("12345678000195");

// The value of one field after parsing a line, or the failure message.
QString parsed(const QString &line, const QString &field)
{
    const text::RecordLayout *l = text::layoutFor(line);
    if (!l)
        return QStringLiteral("<skipped>");
    std::vector<QVariant> values;
    if (Status s = text::parseRecord(*l, line, values); !s)
        return QStringLiteral("error: ") + s.message();
    for (size_t i = 0; i < l->columns.size(); ++i)
        if (l->columns[i].field == field) {
            const QVariant &v = values[i];
            if (v.isNull())
                return QStringLiteral("<null>");
            if (v.typeId() == QMetaType::Bool)
                return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
            if (v.typeId() == QMetaType::Double)
                return QString::number(v.toDouble(), 'g', 17);
            return QStringLiteral("[") + v.toString() + QStringLiteral("]");
        }
    return QStringLiteral("<no field>");
}

} // namespace

TEST(TextImportLayout, EveryRecordTypeHasItsTableLengthAndOrderedColumns)
{
    struct Expect {
        const char *type, *table;
        int length;
    };
    const Expect expected[] = {{"EM", "Empresa", 543},          {"ME", "Mes", 23},
                               {"PR", "Produtos", 421},         {"PF", "ProdutoFinal", 135},
                               {"SP", "SubstanciaPresente", 109}, {"MV", "Movimentacao", 180},
                               {"IE", "Importacao", 283},       {"AM", "Armazenagem", 169},
                               {"MA", "MovArmazenagem", 176},   {"TP", "Transporte", 176},
                               {"RS", "Residuo", 166},          {"MR", "MovResiduo", 176},
                               {"OB", "Observacoes", 24},       {"OO", "Observacoes", 1012}};
    ASSERT_EQ(text::layouts().size(), std::size(expected));
    for (const Expect &e : expected) {
        SCOPED_TRACE(e.type);
        const text::RecordLayout *l = text::layout(QString::fromLatin1(e.type));
        ASSERT_TRUE(l);
        EXPECT_EQ(l->table->qname(), QString::fromLatin1(e.table));
        EXPECT_EQ(l->length, e.length);
        // Fields follow one another without overlapping, each named once and
        // known to the table.
        int previous = 2;
        QStringList seen;
        for (const text::Column &c : l->columns) {
            EXPECT_TRUE(l->table->field(c.field)) << qPrintable(c.field);
            EXPECT_GT(c.first, previous) << qPrintable(c.field);
            EXPECT_GE(c.last, c.first) << qPrintable(c.field);
            EXPECT_FALSE(seen.contains(c.field)) << qPrintable(c.field);
            seen.append(c.field);
            previous = c.last;
        }
        // Fields the file does not carry: the record numbers and the
        // controlled-product references.
        for (const char *absent : {"CdProduto", "CdProdFinal", "CdSubstancia", "CdProdutoControlado", "CdProdControlado"})
            EXPECT_FALSE(seen.contains(QString::fromLatin1(absent))) << absent;
    }
}

TEST(TextImportLayout, RecordTypeIsComparedExactlyInColumnsOneAndTwo)
{
    EXPECT_TRUE(text::layoutFor(QStringLiteral("PR")));
    EXPECT_FALSE(text::layoutFor(QStringLiteral("pr")));
    EXPECT_FALSE(text::layoutFor(QStringLiteral(" PR")));
    EXPECT_FALSE(text::layoutFor(QStringLiteral("P")));
    EXPECT_FALSE(text::layoutFor(QStringLiteral("XX12345678000195")));
}

TEST(TextImportParser, ConvertsEachKindOfField)
{
    const QString pr = test::prLine(kK, QStringLiteral("2024"), QStringLiteral("JAN"));
    const QString em = test::emLine(QStringLiteral("12345678909"), QStringLiteral("  Nome com brancos à esquerda"),
                                    QStringLiteral("10X 11111"));
    const QString mv = Line(QStringLiteral("MV")).key(kK, QStringLiteral("2024"), QStringLiteral("JAN"))
                           .put(24, 25, QStringLiteral("5")).put(26, 30, QStringLiteral("1.102"))
                           .put(31, 36, QStringLiteral("0")).put(37, 56, QStringLiteral("  1234,5678  "));
    struct Case {
        QString line, field, expected;
    };
    const Case cases[] = {
        // Text: trailing blanks go, leading blanks stay; a CPF in the 14-column key.
        {em, QStringLiteral("CdCNPJEmpr"), QStringLiteral("[12345678909]")},
        {em, QStringLiteral("NmRazao"), QStringLiteral("[  Nome com brancos à esquerda]")},
        {em, QStringLiteral("NrIdentidade"), QStringLiteral("[MG1234567]")},
        {mv, QStringLiteral("NrDia"), QStringLiteral("[05]")},  // a day takes two digits
        {mv, QStringLiteral("NrCFOP"), QStringLiteral("[1.102]")},
        // Flags: only "0" is false; "X" and a blank are true.
        {em, QStringLiteral("FlGrupoI"), QStringLiteral("true")},
        {em, QStringLiteral("FlGrupoII"), QStringLiteral("false")},
        {em, QStringLiteral("FlGrupoIII"), QStringLiteral("true")},
        {em, QStringLiteral("FlGrupoIV"), QStringLiteral("true")},
        // A line that ends before column 107: every group true, texts empty.
        {em.left(106), QStringLiteral("FlGrupoI"), QStringLiteral("true")},
        {em.left(106), QStringLiteral("FlGrupoIX"), QStringLiteral("true")},
        {em.left(106), QStringLiteral("NmEmail"), QStringLiteral("<null>")},
        // A field cut by the end of the line holds what is there.
        {em.left(90), QStringLiteral("NrCLF"), QStringLiteral("[1234]")},
        // Decimals with the regional separator, blanks around them.
        {pr, QStringLiteral("VlConcentracao"), QStringLiteral("98.5")},
        {pr, QStringLiteral("QtEstoqueAtual"), QStringLiteral("120")},
        {mv, QStringLiteral("VlQuantidade"), QStringLiteral("1234.5678")},
        // Beyond the end of the line: no value.
        {mv, QStringLiteral("NmProduto"), QStringLiteral("<null>")},
        {pr.left(315), QStringLiteral("QtEstoqueAtual"), QStringLiteral("<null>")},
        {pr.left(315), QStringLiteral("DsUnidade"), QStringLiteral("<null>")},
        // Observation text from column 3, up to column 1012.
        {QStringLiteral("OO") + QString(1200, QLatin1Char('x')), QStringLiteral("Observacao"),
         QStringLiteral("[") + QString(1010, QLatin1Char('x')) + QStringLiteral("]")},
        {QStringLiteral("OO"), QStringLiteral("Observacao"), QStringLiteral("<null>")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parsed(c.line, c.field), c.expected) << qPrintable(c.field) << " in " << qPrintable(c.line.left(60));
}

TEST(TextImportParser, RefusesWhatIsNotANumberNamingTheColumnTextAndField)
{
    const QString K = kK, A = QStringLiteral("2024"), M = QStringLiteral("JAN");
    const auto ie = [&](const QString &pais) {
        return QString(Line(QStringLiteral("IE")).key(K, A, M).put(24, 29, QStringLiteral("1")).put(30, 49, QStringLiteral("1"))
                           .put(200, 202, pais));
    };
    const auto rs = [&](const QString &cd) { return QString(Line(QStringLiteral("RS")).key(K, A, M).put(24, 29, cd)); };
    struct Case {
        QString line, expected;
    };
    const Case cases[] = {
        // Only blanks in a decimal range that the line reaches.
        {test::prLine(K, A, M, QStringLiteral("98,5"), QStringLiteral("Kg"), QString()),
         QStringLiteral("'                    ' não é um valor de ponto flutuante válido para o campo 'QtEstoqueAtual'")},
        // A point is no decimal separator here, nor are thousands groups allowed.
        {test::prLine(K, A, M, QStringLiteral("98.5")),
         QStringLiteral("'98.5  ' não é um valor de ponto flutuante válido para o campo 'VlConcentracao'")},
        {test::pfLine(K, A, M, QStringLiteral("1.234,5")),
         QStringLiteral("'1.234,5             ' não é um valor de ponto flutuante válido para o campo 'QtProdFinal'")},
        // Integers: right-aligned digits only.
        {ie(QStringLiteral("  7")), QString()},
        {ie(QStringLiteral("7  ")), QStringLiteral("'7  ' não é um inteiro válido para o campo 'CdPais'")},
        {ie(QStringLiteral("   ")), QStringLiteral("'   ' não é um inteiro válido para o campo 'CdPais'")},
        {rs(QStringLiteral("    -1")), QStringLiteral("'    -1' não é um inteiro válido para o campo 'CdProdContrPresente'")},
        {rs(QStringLiteral(" 1 2 3")), QStringLiteral("' 1 2 3' não é um inteiro válido para o campo 'CdProdContrPresente'")},
        // Concentrations and densities outside 0..100.
        {test::prLine(K, A, M, QStringLiteral("100")), QString()},
        {test::prLine(K, A, M, QStringLiteral("100,01")),
         QStringLiteral("100,01 Não é um valor válido para o campo 'VlConcentracao'. A faixa permitida é de 0 até 100")},
        {test::prLine(K, A, M, QStringLiteral("-1")),
         QStringLiteral("-1 Não é um valor válido para o campo 'VlConcentracao'. A faixa permitida é de 0 até 100")},
        // The concentration of an import has no maximum.
        {ie(QStringLiteral("249")).replace(23, 6, QStringLiteral("150   ")), QString()},
    };
    for (const Case &c : cases) {
        const text::RecordLayout *l = text::layoutFor(c.line);
        ASSERT_TRUE(l);
        std::vector<QVariant> values;
        const Status s = text::parseRecord(*l, c.line, values);
        EXPECT_EQ(s.ok() ? QString() : s.message(), c.expected) << qPrintable(c.line.left(60));
    }
}

TEST(TextImportParser, TextIsCutToTheFieldWidthBeforeTrailingBlanksGo)
{
    text::Column c;
    c.field = QStringLiteral("X");
    c.first = 3;
    c.last = 10;
    c.conversion = text::Conversion::Text;
    c.width = 4;
    QVariant v;
    ASSERT_OK(text::convert(c, QStringLiteral("..AB  CDEF"), v));
    EXPECT_EQ(v.toString(), QStringLiteral("AB"));
    ASSERT_OK(text::convert(c, QStringLiteral("..ABCDEFGH"), v));
    EXPECT_EQ(v.toString(), QStringLiteral("ABCD"));
}

// Every decimal column reads to the very value (sign of zero included) and
// refuses the same texts as the general number reading, for the common
// forms and the unusual ones alike, under a comma and a point locale.
TEST(TextImportParser, DecimalsReadExactlyAsTheGeneralNumberReading)
{
    text::Column c;
    c.field = QStringLiteral("Qt");
    c.first = 1;
    c.last = 40;
    c.conversion = text::Conversion::Decimal;
    QStringList texts{QStringLiteral("0"), QStringLiteral("-0"), QStringLiteral("-0,000"), QStringLiteral("  1234,5678  "),
                      QStringLiteral("999999999999999"), QStringLiteral("9999999999999999"), QStringLiteral("0,1"),
                      QStringLiteral("0,3"), QStringLiteral("123456789,012345"), QStringLiteral("1234567890,123456"),
                      QStringLiteral("000000000000001,5"), QStringLiteral("1,"), QStringLiteral(",5"), QStringLiteral("-,5"),
                      QStringLiteral("+1,5"), QStringLiteral("1,5e3"), QStringLiteral("1,5E-2"), QStringLiteral("1.5"),
                      QStringLiteral("1,2,3"), QStringLiteral("1 2"), QStringLiteral("--1"), QStringLiteral("-"),
                      QStringLiteral("\t7,25\t"), QString(QChar(0xA0)) + QStringLiteral("3,5"), QStringLiteral("1e400"),
                      QStringLiteral("0,000000000000001"), QStringLiteral("98,5"), QStringLiteral("0,79"), QStringLiteral("   ")};
    std::mt19937_64 random(31);
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 17);
        QString t = QString::number(random() % 10);
        for (int d = 1; d < digits; ++d)
            t += QString::number(random() % 10);
        if (const int point = static_cast<int>(random() % (digits + 1)); point > 0 && point < digits)
            t.insert(point, QLatin1Char(','));
        if (random() % 4 == 0)
            t.prepend(QLatin1Char('-'));
        texts.append(t.rightJustified(static_cast<int>(random() % 3) + t.size()));
    }
    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    for (const QLocale &locale : {brazil, QLocale(QLocale::English, QLocale::UnitedStates)}) {
        numbers::setAppLocale(locale);
        for (QString t : texts) {
            if (locale != brazil)
                t.replace(QLatin1Char(','), QLatin1Char('.'));
            QVariant v;
            const bool ok = text::convert(c, t, v).ok();
            const std::optional<double> expected = numbers::parse(t);
            ASSERT_EQ(ok, expected.has_value()) << qPrintable(t);
            if (ok) {
                const double got = v.toDouble();
                EXPECT_EQ(std::memcmp(&got, &*expected, sizeof got), 0)
                    << qPrintable(t) << ": " << got << " != " << *expected;
            }
        }
    }
    numbers::setAppLocale(brazil);
}

TEST(TextImportParser, TransportColumn26IsNotRead)
{
    QStringList lines = test::monthLines(kK, QStringLiteral("2024"), QStringLiteral("JAN"));
    QString tp;
    for (const QString &l : lines)
        if (l.startsWith(QLatin1String("TP")))
            tp = l;
    ASSERT_EQ(tp.mid(25, 1), QStringLiteral("Z"));
    QString blank = tp;
    blank[25] = QLatin1Char(' ');
    const text::RecordLayout *l = text::layout(QStringLiteral("TP"));
    std::vector<QVariant> a, b;
    ASSERT_OK(text::parseRecord(*l, tp, a));
    ASSERT_OK(text::parseRecord(*l, blank, b));
    EXPECT_EQ(a, b);
    EXPECT_EQ(parsed(tp, QStringLiteral("NrDia")), QStringLiteral("[08]"));
    EXPECT_EQ(parsed(tp, QStringLiteral("VlConcentracao")), QStringLiteral("50"));
    EXPECT_EQ(parsed(tp, QStringLiteral("NrNF")), QStringLiteral("[123]"));
}

TEST(TextImportParser, TellsBinaryAndUtf8LinesFromWindows1252Text)
{
    const QByteArray cp = *cp1252::encode(QStringLiteral("PR Ação é ótima"));
    const QByteArray utf8 = QStringLiteral("PR Ação é ótima").toUtf8();
    EXPECT_EQ(text::textProblem(cp, true), QString());
    EXPECT_EQ(text::textProblem(QByteArray("MV\t12\f\r"), false), QString());
    EXPECT_EQ(text::textProblem(utf8, false), msg::kTxtUtf8);
    EXPECT_EQ(text::textProblem(QByteArray("\xEF\xBB\xBF" "EM123"), true), msg::kTxtUtf8);
    EXPECT_EQ(text::textProblem(QByteArray("PR12\0x", 6), false), msg::kTxtNaoEhTexto.arg(0).arg(5));
    EXPECT_EQ(text::textProblem(QByteArray("\x1B[0m"), false), msg::kTxtNaoEhTexto.arg(27).arg(1));
    // The same past the first words of a longer line.
    const QByteArray head = "MV0123456789ABCDEFGH\x7F";
    EXPECT_EQ(text::textProblem(QByteArray(head + "xyz\x01"), false), msg::kTxtNaoEhTexto.arg(1).arg(25));
    EXPECT_EQ(text::textProblem(QByteArray(head + cp + head), false), QString());
    EXPECT_EQ(text::textProblem(QByteArray(head + utf8 + head), false), msg::kTxtUtf8);
    EXPECT_EQ(text::textProblem(QByteArray(head + head + "\xC3"), false), QString()); // cut short: not UTF-8
}

// Every byte decodes as the code page's own decoder gives it, also into the
// storage of a longer line decoded before.
TEST(TextImportParser, DecodesLinesAsTheCodePage)
{
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<char>(255 - i);
    QString out;
    text::decodeLine(all, out);
    EXPECT_EQ(out, cp1252::decode(all));
    const QByteArray shorter = all.mid(100, 40); // 0x9B down to 0x74
    text::decodeLine(shorter, out);
    EXPECT_EQ(out, cp1252::decode(shorter));
    text::decodeLine(QByteArray("MV \x80\x93"), out);
    EXPECT_EQ(out, QStringLiteral("MV \u20AC\u201C"));
    text::decodeLine(QByteArray(), out);
    EXPECT_TRUE(out.isEmpty());
}

TEST(TextImportParser, LineReaderSplitsLinesAndKeepsOnlyTheReadColumns)
{
    const QByteArray longLine(100000, 'y');
    QByteArray data = "A1\r\nB2\n\r\n" + longLine + "\r\nC3\rD\r\nlast";
    QBuffer buffer(&data);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    text::LineReader r(buffer);
    QList<QByteArray> lines;
    while (r.next())
        lines.append(r.bytes().toByteArray());
    EXPECT_FALSE(r.failed());
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[0], "A1");
    EXPECT_EQ(lines[1], "B2");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], QByteArray(text::kMaxColumns, 'y'));
    EXPECT_EQ(lines[4], "C3"); // a CR alone ends a line too
    EXPECT_EQ(lines[5], "D");
    EXPECT_EQ(lines[6], "last");
    EXPECT_EQ(r.lineNumber(), 7);
    EXPECT_EQ(r.position(), data.size());
}

// A CR LF split between two reads of the device is one line end; a line
// without a line end within kMaxLineBytes stops the reading.
TEST(TextImportParser, LineReaderJoinsASplitCrLfAndStopsAtAnEndlessLine)
{
    QByteArray data = "first\r\n";
    data += QByteArray((1 << 20) - data.size() - 1, 'x') + "\r"; // the first read ends with the CR
    data += "\nnext\r\n";
    QBuffer buffer(&data);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    text::LineReader r(buffer);
    QList<QByteArray> lines;
    while (r.next())
        lines.append(r.bytes().toByteArray().left(5));
    EXPECT_FALSE(r.tooLong());
    EXPECT_EQ(lines, (QList<QByteArray>{"first", "xxxxx", "next"}));

    QByteArray endless = "EM1\n" + QByteArray(static_cast<qsizetype>(text::kMaxLineBytes) * 3, '\0');
    QBuffer b2(&endless);
    ASSERT_TRUE(b2.open(QIODevice::ReadOnly));
    text::LineReader r2(b2);
    EXPECT_TRUE(r2.next());
    EXPECT_FALSE(r2.next());
    EXPECT_TRUE(r2.tooLong());
    EXPECT_FALSE(r2.failed());
    EXPECT_EQ(r2.lineNumber(), 1);
    EXPECT_LT(r2.position(), static_cast<qint64>(text::kMaxLineBytes) * 2 + 4);
}
