#include <gtest/gtest.h>

#include "reports/Engine.h"

#include <QRegularExpression>
#include <map>

using namespace quirels;
using namespace quirels::reports;

namespace {

std::shared_ptr<Source> rowsOf(std::vector<QVariantMap> rows)
{
    return std::make_shared<RowsSource>(std::move(rows));
}

// A source factory handing out a fresh copy of the rows.
std::function<std::unique_ptr<Source>(const Source *)> fixed(std::vector<QVariantMap> rows)
{
    return [rows](const Source *) { return std::make_unique<RowsSource>(rows); };
}

ReportDef frame()
{
    ReportDef def;
    def.title = QStringLiteral("Teste");
    def.pageHeader.height = 12;
    def.pageHeader.elements = {label(0, 0, 0, QStringLiteral("CABEÇALHO"), {10, true}, Align::Center),
                               field(0, 6, 60, QStringLiteral("NmRazao"), {7, true}), hline(11.5)};
    def.params = rowsOf({{{QStringLiteral("NmRazao"), QStringLiteral("EMPRESA X")}}});

    return def;
}

Band threeLines()
{
    Band b;
    b.height = 12;
    b.elements = {label(0, 0, 20, QStringLiteral("Linha1:")), field(22, 0, 20, QStringLiteral("N")),
                  label(0, 4, 20, QStringLiteral("Linha2:")), field(22, 4, 20, QStringLiteral("N")),
                  label(0, 8, 20, QStringLiteral("Linha3:")), field(22, 8, 20, QStringLiteral("N"))};
    return b;
}

} // namespace

TEST(Engine, PageBreaksKeepBandsWholeAndRepeatHeaders)
{
    std::vector<QVariantMap> rows;
    for (int i = 1; i <= 100; ++i)
        rows.push_back({{QStringLiteral("N"), i}});
    ReportDef def = frame();
    Level level;
    level.source = fixed(rows);
    level.detail = threeLines();
    def.sections.push_back(level);
    PageList pages;
    Result<Outcome> r = generate(def, pages);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(*r, Outcome::Printed);
    ASSERT_GE(pages.pages.size(), 5u);
    int seen = 0;
    for (size_t p = 0; p < pages.pages.size(); ++p) {
        const Page &page = pages.pages[p];
        EXPECT_EQ(page.number, static_cast<int>(p) + 1);
        const QStringList lines = page.lines();
        ASSERT_GE(lines.size(), 2);
        EXPECT_EQ(lines.at(0), QStringLiteral("CABEÇALHO"));
        EXPECT_EQ(lines.at(1), QStringLiteral("EMPRESA X"));
        EXPECT_EQ(page.ruleCount(), 1);
        // Every record's three lines are on one page, in order.
        ASSERT_EQ((lines.size() - 2) % 3, 0) << lines.join(QLatin1Char('|')).toStdString();
        for (int i = 2; i < lines.size(); i += 3) {
            ++seen;
            const QString n = QString::number(seen);
            EXPECT_EQ(lines.at(i), QStringLiteral("Linha1: ") + n);
            EXPECT_EQ(lines.at(i + 2), QStringLiteral("Linha3: ") + n);
        }
        for (const PageItem &it : page.items)
            EXPECT_LE(it.rect.bottom(), 297 - 10 + 1e-6);
    }
    EXPECT_EQ(seen, 100);

    // A page packed for the preview comes back the same; other bytes give an
    // empty page.
    const Page &last = pages.pages.back();
    const Page back = Page::unpack(last.pack());
    EXPECT_EQ(back.number, last.number);
    EXPECT_EQ(back.lines(), last.lines());
    ASSERT_EQ(back.items.size(), last.items.size());
    EXPECT_EQ(back.items.back().rect, last.items.back().rect);
    EXPECT_TRUE(Page::unpack(QByteArrayLiteral("no page")).items.empty());
    EXPECT_TRUE(Page::unpack(last.pack().left(20)).items.empty());
}

TEST(Engine, GroupHeadersFootersAndRunningSums)
{
    std::vector<QVariantMap> rows = {
        {{QStringLiteral("P"), QStringLiteral("ACETONA")}, {QStringLiteral("Q"), 1.5}},
        {{QStringLiteral("P"), QStringLiteral("ACETONA")}, {QStringLiteral("Q"), 2.25}},
        {{QStringLiteral("P"), QStringLiteral("TOLUENO")}, {QStringLiteral("Q"), 4.0}},
        {{QStringLiteral("P"), QStringLiteral("ACETONA")}, {QStringLiteral("Q"), 1000.0}},
    };
    ReportDef def = frame();
    Level level;
    level.source = fixed(rows);
    Group g;
    g.field = QStringLiteral("P");
    g.header.height = 5;
    g.header.elements = {label(0, 0, 20, QStringLiteral("Produto:")), field(22, 0, 40, QStringLiteral("P"))};
    g.footer.height = 5;
    g.footer.elements = {label(0, 0, 20, QStringLiteral("Total.:")),
                         sum(22, 0, 30, QStringLiteral("Q"), QStringLiteral("###,###,##0.000"))};
    g.sums = {QStringLiteral("Q")};
    level.groups.push_back(g);
    level.detail.height = 4;
    level.detail.elements = {number(0, 0, 30, QStringLiteral("Q"), QStringLiteral("###,###,##0.000"))};
    def.sections.push_back(level);
    PageList pages;
    ASSERT_TRUE(generate(def, pages).ok());
    ASSERT_EQ(pages.pages.size(), 1u);
    const QStringList expected = {QStringLiteral("CABEÇALHO"), QStringLiteral("EMPRESA X"),
                                  QStringLiteral("Produto: ACETONA"), QStringLiteral("1,500"),
                                  QStringLiteral("2,250"), QStringLiteral("Total.: 3,750"),
                                  QStringLiteral("Produto: TOLUENO"), QStringLiteral("4,000"),
                                  QStringLiteral("Total.: 4,000"), QStringLiteral("Produto: ACETONA"),
                                  QStringLiteral("1.000,000"), QStringLiteral("Total.: 1.000,000")};
    EXPECT_EQ(pages.pages[0].lines(), expected);
}

TEST(Engine, SubDetailPrintedOnceEmptyUnlessDisabled)
{
    for (const bool printEmpty : {true, false}) {
        ReportDef def = frame();
        Level master;
        master.source = fixed({{{QStringLiteral("M"), QStringLiteral("um")}}, {{QStringLiteral("M"), QStringLiteral("dois")}}});
        master.detail.height = 4;
        master.detail.elements = {label(0, 0, 20, QStringLiteral("Mestre:")), field(22, 0, 20, QStringLiteral("M"))};
        Level child;
        // Rows only under the first master row.
        child.source = [](const Source *m) {
            std::vector<QVariantMap> rows;
            if (m->value(QStringLiteral("M")).toString() == QLatin1String("um"))
                rows = {{{QStringLiteral("D"), QStringLiteral("x")}}, {{QStringLiteral("D"), QStringLiteral("y")}}};
            return std::make_unique<RowsSource>(rows);
        };
        child.detail.height = 4;
        child.detail.elements = {label(5, 0, 20, QStringLiteral("Detalhe:")), field(27, 0, 20, QStringLiteral("D"))};
        child.printEmpty = printEmpty;
        master.children.push_back(child);
        def.sections.push_back(master);
        PageList pages;
        ASSERT_TRUE(generate(def, pages).ok());
        QStringList expected = {QStringLiteral("CABEÇALHO"), QStringLiteral("EMPRESA X"),
                                QStringLiteral("Mestre: um"), QStringLiteral("Detalhe: x"),
                                QStringLiteral("Detalhe: y"), QStringLiteral("Mestre: dois")};
        if (printEmpty)
            expected.append(QStringLiteral("Detalhe:"));
        EXPECT_EQ(pages.pages.at(0).lines(), expected) << printEmpty;
    }
}

TEST(Engine, EmptySourcesGiveNoPages)
{
    ReportDef def = frame();
    Level level;
    level.source = fixed({});
    level.detail = threeLines();
    level.printEmpty = true; // a section printed empty still needs another section with rows
    def.sections.push_back(level);
    PageList pages;
    Result<Outcome> r = generate(def, pages);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(*r, Outcome::Empty);
    EXPECT_TRUE(pages.pages.empty());
}

TEST(Engine, MemoFlowsAcrossPageBreakOnSummaryPage)
{
    // 3,000 characters of words, after enough rows to fill most of a page.
    QString memoText;
    for (int i = 0; memoText.size() < 3000; ++i)
        memoText += QStringLiteral("palavra%1 ").arg(i);
    memoText = memoText.left(3000).trimmed();
    std::vector<QVariantMap> rows;
    for (int i = 1; i <= 10; ++i)
        rows.push_back({{QStringLiteral("N"), i}});
    ReportDef def = frame();
    def.params = rowsOf({{{QStringLiteral("NmRazao"), QStringLiteral("EMPRESA X")}, {QStringLiteral("Obs"), memoText}}});

    Level level;
    level.source = fixed(rows);
    level.detail = threeLines();
    def.sections.push_back(level);
    def.summaryNewPage = true;
    def.summary.height = 6;
    // A narrow column and a large font, so the memo needs more than a page.
    def.summary.elements = {label(0, 0, 0, QStringLiteral("Observações:"), {9, true}),
                            memo(0, 5, 60, QStringLiteral("Obs"), {14, false})};
    PageList pages;
    ASSERT_TRUE(generate(def, pages).ok());
    ASSERT_GE(pages.pages.size(), 3u);
    EXPECT_FALSE(pages.pages[0].text().contains(QStringLiteral("Observações:")));
    const QStringList first = pages.pages[1].lines();
    ASSERT_GE(first.size(), 3);
    EXPECT_EQ(first.at(2), QStringLiteral("Observações:"));
    QStringList memoLines = first.mid(3);
    for (size_t p = 2; p < pages.pages.size(); ++p) {
        const QStringList lines = pages.pages[p].lines();
        EXPECT_EQ(lines.at(0), QStringLiteral("CABEÇALHO"));
        memoLines += lines.mid(2);
    }
    EXPECT_EQ(memoLines.join(QLatin1Char(' ')), memoText);
}

TEST(Engine, ValuesWiderThanTheirFieldArePrintedSmallerToFit)
{
    ReportDef def = frame();
    Level level;
    const QString longName = QStringLiteral("MISTURA DE HIDROCARBONETOS AROMATICOS CONTENDO TOLUENO XILENO E BENZENO");
    const QString huge = longName + longName + longName;
    level.source = fixed({{{QStringLiteral("Nome"), longName}, {QStringLiteral("Curto"), QStringLiteral("ACETONA")},
                           {QStringLiteral("Enorme"), huge}}});
    level.detail.height = 12;
    level.detail.elements = {field(0, 0, 90, QStringLiteral("Nome")), field(0, 4, 60, QStringLiteral("Curto")),
                             field(0, 8, 60, QStringLiteral("Enorme")), label(0, 12, 20, QStringLiteral("Legenda: ") + longName)};
    def.sections.push_back(level);
    PageList pages;
    ASSERT_TRUE(generate(def, pages).ok());
    ASSERT_EQ(pages.pages.size(), 1u);
    std::map<QString, FontSpec> fonts;
    for (const PageItem &it : pages.pages[0].items)
        if (it.kind == PageItem::Kind::Text)
            fonts[it.text] = it.font;
    // The long value keeps its whole text in a smaller size that fits its
    // 90 mm; a value too long even at 60% of the band's 7 points gets that.
    EXPECT_LT(fonts[longName].pt, 7.0);
    EXPECT_GT(fonts[longName].pt, 4.2);
    EXPECT_LE(textWidth(longName, fonts[longName]), 91.0);
    EXPECT_GT(textWidth(longName, FontSpec{fonts[longName].pt + 0.2, false}), 91.0); // no smaller than needed
    EXPECT_DOUBLE_EQ(fonts[QStringLiteral("ACETONA")].pt, 7.0);
    EXPECT_DOUBLE_EQ(fonts[huge].pt, 4.2);
    EXPECT_DOUBLE_EQ(fonts[QStringLiteral("Legenda: ") + longName].pt, 7.0); // captions keep their size
}

TEST(Engine, WrapSplitsOverlongWordsAndKeepsLineBreaks)
{
    const FontSpec f{7, false};
    const QStringList lines = wrapText(QStringLiteral("ab\r\ncd ") + QString(200, QLatin1Char('x')), f, 30);
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.at(0), QStringLiteral("ab"));
    EXPECT_EQ(lines.at(1), QStringLiteral("cd"));
    for (const QString &l : lines)
        EXPECT_LE(textWidth(l, f), 30.0 + 1e-9);
    EXPECT_EQ(lines.mid(2).join(QString()), QString(200, QLatin1Char('x')));
}

#include "reports/Render.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

TEST(PdfSink, WritesAFileOnlyWhenClosedAndReportsAnUnwritablePath)
{
    QTemporaryDir dir;
    Page page;
    page.number = 1;
    page.items.push_back(PageItem{PageItem::Kind::Text, QRectF(10, 10, 50, 4), QStringLiteral("Preço (R$) \\ 5%"), {7, true}, Align::Left});
    page.items.push_back(PageItem{PageItem::Kind::Line, QRectF(10, 15, 100, 0), {}, {}, Align::Left});

    const QString path = dir.filePath(QStringLiteral("a.pdf"));
    {
        PdfSink pdf(path);
        pdf.beginReport(QStringLiteral("Anexo A"), PageSetup{});
        ASSERT_TRUE(pdf.addPage(Page(page)));
        ASSERT_TRUE(pdf.addPage(Page(page)));
        EXPECT_FALSE(QFile::exists(path));
        ASSERT_TRUE(pdf.close().ok());
        EXPECT_EQ(pdf.pageCount(), 2);
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-1.4"));
    EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
    EXPECT_TRUE(bytes.contains("/Count 2"));

    // A sink dropped without close leaves no file.
    const QString dropped = dir.filePath(QStringLiteral("b.pdf"));
    {
        PdfSink pdf(dropped);
        ASSERT_TRUE(pdf.addPage(Page(page)));
    }
    EXPECT_FALSE(QFile::exists(dropped));

    const QString bad = dir.filePath(QStringLiteral("sem-pasta/c.pdf"));
    PdfSink pdf(bad);
    EXPECT_FALSE(pdf.addPage(Page(page)));
    const Status s = pdf.close();
    ASSERT_FALSE(s.ok());
    EXPECT_TRUE(s.message().contains(bad));
}
