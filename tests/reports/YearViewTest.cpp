#include "reports/Engine.h"
#include "reports/Messages.h"
#include "reports/YearView.h"
#include "store/Sql.h"
#include "support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace quirels;
namespace y = quirels::reports::year;
namespace m = quirels::reports::msg;

namespace {

const QString kCnpj = QStringLiteral("11222333000181");

// A company with DEZ/2023 and JAN, FEV, MAR/2024, and rows of the product
// table given as (year, month, name, concentration, opening, closing, extra
// assignments).
struct Year {
    test::TempStore store;
    Year()
    {
        store.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('%1', 'QUIMICA ANUAL LTDA')").arg(kCnpj));
        for (const char *p : {"2023|DEZ", "2024|JAN", "2024|FEV", "2024|MAR"}) {
            const QStringList k = QString::fromLatin1(p).split(QLatin1Char('|'));
            store.exec(QStringLiteral("INSERT INTO Mes (CdCNPJEmpr, NrAno, NmMes) VALUES ('%1', '%2', '%3')").arg(kCnpj, k[0], k[1]));
        }
    }
    void product(const char *ano, const char *mes, const char *name, double concentration, double opening, double closing,
                 const QString &more = QString())
    {
        store.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, NmProduto, VlConcentracao, DsUnidade, CdNCM,"
                                  " QtEstoqueAnt, QtEstoqueAtual) VALUES ('%1', '%2', '%3', '%4', %5, 'Kg', '2914.11.00', %6, %7)")
                       .arg(kCnpj, QLatin1String(ano), QLatin1String(mes), QLatin1String(name), sql::number(concentration),
                            sql::number(opening), sql::number(closing)));
        if (!more.isEmpty())
            store.exec(QStringLiteral("UPDATE Produtos SET %1 WHERE NrAno = '%2' AND NmMes = '%3' AND NmProduto = '%4'")
                           .arg(more, QLatin1String(ano), QLatin1String(mes), QLatin1String(name)));
    }
};

void fill(Year &year)
{
    year.product("2023", "DEZ", "ACETONA", 12.5, 0, 10);
    year.product("2024", "JAN", "ACETONA", 12.5, 10, 12, QStringLiteral("QtCompras = 5, QtVendas = 3"));
    year.product("2024", "FEV", "ACETONA", 12.5, 12, 11, QStringLiteral("QtProducao = 1, QtTransformacao = 2"));
    year.product("2024", "FEV", "XILOL", 50, 0, 4, QStringLiteral("QtImportacao = 4"));
    // MAR: ACETONA opens with 20 after an edit; XILOL is gone.
    year.product("2024", "MAR", "ACETONA", 12.5, 20, 20);
}

} // namespace

TEST(YearView, MonthByMonthFiguresAndTheBrokenCarryOvers)
{
    Year year;
    fill(year);
    QSqlDatabase db = year.store.db();
    Result<y::YearView> view = y::read(db, kCnpj, QStringLiteral("2024"));
    ASSERT_TRUE(view.ok()) << qPrintable(view.message());
    EXPECT_EQ(view->company, QStringLiteral("QUIMICA ANUAL LTDA"));
    ASSERT_EQ(view->products.size(), 2u);
    const y::ProductYear &a = view->products[0];
    const y::ProductYear &x = view->products[1];
    EXPECT_EQ(a.label(), QStringLiteral("ACETONA a 12,5%"));
    EXPECT_EQ(x.label(), QStringLiteral("XILOL a 50%"));

    ASSERT_TRUE(a.months[0] && a.months[1] && a.months[2]);
    EXPECT_FALSE(a.months[3]);
    EXPECT_DOUBLE_EQ(a.months[0]->entries, 5);
    EXPECT_DOUBLE_EQ(a.months[0]->exits, 3);
    EXPECT_DOUBLE_EQ(a.months[1]->entries, 1);
    EXPECT_DOUBLE_EQ(a.months[1]->exits, 2);
    // January opens with December's closing stock; March does not open with
    // February's; the product that vanished in March leaves a break too.
    EXPECT_FALSE(a.broken[0]);
    EXPECT_FALSE(a.broken[1]);
    ASSERT_TRUE(a.broken[2]);
    EXPECT_DOUBLE_EQ(*a.broken[2], 11);
    EXPECT_EQ(a.warning(2), m::kVisaoAnoAviso.arg(QStringLiteral("20,000"), QStringLiteral("FEV"), QStringLiteral("11,000")));
    EXPECT_FALSE(x.broken[1]); // new in FEV with nothing before
    ASSERT_TRUE(x.broken[2]);
    EXPECT_DOUBLE_EQ(*x.broken[2], 4);
    EXPECT_FALSE(x.broken[3]); // ABR is not a period of the company
    EXPECT_EQ(view->brokenCount(), 2);

    // December's stock edited: January's opening breaks.
    year.store.exec(QStringLiteral("UPDATE Produtos SET QtEstoqueAtual = 9 WHERE NrAno = '2023'"));
    Result<y::YearView> again = y::read(db, kCnpj, QStringLiteral("2024"));
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(again->products[0].broken[0]);
    EXPECT_EQ(again->brokenCount(), 3);

    Result<y::YearView> none = y::read(db, QStringLiteral("99888777000166"), QStringLiteral("2024"));
    EXPECT_FALSE(none.ok());
    EXPECT_EQ(none.error().code, 1);
}

TEST(YearView, ReportHasATableAndAChartPerProduct)
{
    Year year;
    fill(year);
    QSqlDatabase db = year.store.db();
    Result<y::YearView> view = y::read(db, kCnpj, QStringLiteral("2024"));
    ASSERT_TRUE(view.ok());
    reports::PageList pages;
    Result<reports::Outcome> r = reports::generate(y::report(*view), pages);
    ASSERT_TRUE(r.ok()) << qPrintable(r.message());
    ASSERT_EQ(*r, reports::Outcome::Printed);
    QString text;
    int slanted = 0;
    for (const reports::Page &p : pages.pages) {
        text += p.text() + QLatin1Char('\n');
        for (const reports::PageItem &it : p.items)
            if (it.kind == reports::PageItem::Kind::Line && it.rect.width() != 0 && it.rect.height() != 0)
                ++slanted;
    }
    EXPECT_TRUE(text.contains(QStringLiteral("VISÃO DO ANO 2024"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("ACETONA a 12,5%")));
    EXPECT_TRUE(text.contains(QStringLiteral("JAN 10,000 5,000 3,000 12,000"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(m::kVisaoAnoAviso.arg(QStringLiteral("20,000"), QStringLiteral("FEV"), QStringLiteral("11,000"))));
    EXPECT_TRUE(text.contains(m::kVisaoAnoResumo.arg(2).arg(2)));
    // The stock of ACETONA goes 12, 11, 20: two slanted chart lines; XILOL
    // has one month, no line.
    EXPECT_EQ(slanted, 2);
}

TEST(YearView, CommandLineWritesCsvAndPdf)
{
    Year year;
    fill(year);
    QTemporaryDir out;
    const QString csv = out.filePath(QStringLiteral("ano.csv"));
    test::ProcessResult r = test::runCli({QStringLiteral("--dados"), year.store.folder(), QStringLiteral("ano"), kCnpj,
                                          QStringLiteral("2024"), QStringLiteral("--csv"), csv});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(r.out.trimmed(), m::kVisaoAnoResumo.arg(2).arg(2));
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    const QStringList expected{
        QStringLiteral("Produto;Concentração;Cód. NCM;Unidade;Mês;Estoque Anterior;Entradas;Saídas;Estoque Atual;Aviso"),
        QStringLiteral("ACETONA;12,5;2914.11.00;Kg;JAN;10,000;5,000;3,000;12,000;"),
        QStringLiteral("ACETONA;12,5;2914.11.00;Kg;FEV;12,000;1,000;2,000;11,000;"),
        QStringLiteral("ACETONA;12,5;2914.11.00;Kg;MAR;20,000;0,000;0,000;20,000;Estoque anterior 20,000 difere do estoque atual de FEV (11,000)"),
        QStringLiteral("XILOL;50;2914.11.00;Kg;FEV;0,000;4,000;0,000;4,000;"),
        QStringLiteral("XILOL;50;2914.11.00;Kg;MAR;;;;;Estoque anterior 0,000 difere do estoque atual de FEV (4,000)"),
    };
    EXPECT_EQ(lines, expected);

    const QString pdf = out.filePath(QStringLiteral("ano.pdf"));
    r = test::runCli({QStringLiteral("--dados"), year.store.folder(), QStringLiteral("ano"), kCnpj, QStringLiteral("2024"),
                      QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    QFile p(pdf);
    ASSERT_TRUE(p.open(QIODevice::ReadOnly));
    EXPECT_TRUE(p.read(5) == "%PDF-");

    // A year without products, bad usage.
    r = test::runCli({QStringLiteral("--dados"), year.store.folder(), QStringLiteral("ano"), kCnpj, QStringLiteral("2025"),
                      QStringLiteral("--csv"), csv});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.trimmed(), m::kVisaoAnoVazio.arg(kCnpj, QStringLiteral("2025")));
    EXPECT_EQ(test::runCli({QStringLiteral("--dados"), year.store.folder(), QStringLiteral("ano"), kCnpj, QStringLiteral("2024"),
                            QStringLiteral("--csv"), csv, QStringLiteral("--pdf"), pdf})
                  .exitCode,
              2);
}
