#include "ExchangeBenchData.h"
#include "MonthFixture.h"
#include "validation/ConsistencyCheck.h"
#include "validation/Messages.h"
#include "validation/Totals.h"

#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::validation;
namespace t = quirels::validation::totals;
namespace m = quirels::validation::msg;

namespace {

const t::ProductTotals *productOf(const t::MonthTotals &totals, int code)
{
    for (const t::ProductTotals &p : totals.products)
        if (p.code == code)
            return &p;
    return nullptr;
}

// The lines of the check's purchase, sale, other and import/export steps
// that do not agree.
QStringList disagreements(QSqlDatabase db, const PeriodKey &period)
{
    Result<ValidationReport> r = runCheck(db, period, std::nullopt);
    EXPECT_TRUE(r.ok()) << qPrintable(r.message());
    QStringList out;
    if (!r)
        return out;
    EXPECT_FALSE(r->stopped()) << qPrintable(r->failure());
    for (const CheckLine &l : r->lines())
        for (const QString &differs : {m::kPurchaseDiffers, m::kSaleDiffers, m::kOtherDiffers, m::kImportDiffers})
            if (l.status.startsWith(differs))
                out.append(l.status);
    return out;
}

double stored(test::Month &month, const char *field, int code)
{
    return month.store.scalar(QStringLiteral("SELECT %1 FROM Produtos WHERE CdProduto = %2").arg(QLatin1String(field)).arg(code))
        .toDouble();
}

} // namespace

TEST(Totals, MixedCfopsGiveEachTotalAndTheClosingStockAndTheCheckAgreesAfterApplying)
{
    test::Month month({1});
    const int acetona = month.product(QStringLiteral("ACETONA"), 12.5,
                                      {{"QtEstoqueAnt", 100.0}, {"QtProducao", 1.0}, {"QtCompras", 999.0}, {"QtPerdas", 0.5}});
    // Same name at another concentration, and another name: neither matches.
    const int forte = month.product(QStringLiteral("ACETONA"), 50, {{"QtEstoqueAnt", 10.0}});
    month.movement(QStringLiteral("01"), QStringLiteral("1.102"), QStringLiteral("ACETONA"), 12.5, 50);   // purchase
    month.movement(QStringLiteral("02"), QStringLiteral("2.556"), QStringLiteral("ACETONA"), 12.5, 10);   // purchase
    month.movement(QStringLiteral("03"), QStringLiteral("5.405"), QStringLiteral("ACETONA"), 12.5, 30);   // sale
    month.movement(QStringLiteral("04"), QStringLiteral("6.551"), QStringLiteral("ACETONA"), 12.5, 4);    // sale
    month.movement(QStringLiteral("05"), QStringLiteral("1.408"), QStringLiteral("ACETONA"), 12.5, 5);    // other entry
    month.movement(QStringLiteral("06"), QStringLiteral("5.406"), QStringLiteral("ACETONA"), 12.5, 2);    // other exit
    month.movement(QStringLiteral("07"), QStringLiteral("5.949"), QStringLiteral("ACETONA"), 12.5, 0.25); // other exit
    month.movement(QStringLiteral("08"), QStringLiteral("1.102"), QStringLiteral("acetona"), 12.5, 1000); // case differs
    month.insert("Importacao", {{"NmProduto", QStringLiteral("ACETONA")}, {"VlConcentracao", 12.5}, {"QtImportacao", 7.0}, {"FlIE", QStringLiteral("I")}});
    month.insert("Importacao", {{"NmProduto", QStringLiteral("ACETONA")}, {"VlConcentracao", 12.5}, {"QtImportacao", 3.0}, {"FlIE", QStringLiteral("E")}});
    month.insert("Importacao", {{"NmProduto", QStringLiteral("ACETONA")}, {"VlConcentracao", 50}, {"QtImportacao", 2.0}, {"FlIE", QStringLiteral("I")}});

    EXPECT_FALSE(disagreements(month.store.db(), month.period).isEmpty());
    QSqlDatabase db = month.store.db();
    Result<t::MonthTotals> totals = t::compute(db, month.period);
    ASSERT_TRUE(totals.ok()) << qPrintable(totals.message());
    ASSERT_EQ(totals->products.size(), 2u);
    const t::ProductTotals *p = productOf(*totals, acetona);
    ASSERT_TRUE(p);
    const double expected[t::kQuantities] = {60, 34, 5, 2.25, 7, 3, 100 + 1 + 60 + 7 + 5 - (34 + 3 + 0.5 + 2.25)};
    for (int q = 0; q < t::kQuantities; ++q)
        EXPECT_DOUBLE_EQ(p->computed[q], expected[q]) << qPrintable(t::captionOf(q));
    EXPECT_DOUBLE_EQ(p->current[t::Compras], 999);
    EXPECT_TRUE(p->differs(t::Compras));
    EXPECT_FALSE(p->differs(t::Vendas) && p->current[t::Vendas] == p->computed[t::Vendas]);
    const t::ProductTotals *f = productOf(*totals, forte);
    ASSERT_TRUE(f);
    EXPECT_DOUBLE_EQ(f->computed[t::Importacao], 2);
    EXPECT_DOUBLE_EQ(f->computed[t::EstoqueAtual], 12);
    // The lower-case movement belongs to no product.
    ASSERT_EQ(totals->orphans.size(), 1u);
    EXPECT_EQ(totals->orphans[0].name, QStringLiteral("acetona"));
    EXPECT_EQ(totals->orphans[0].movementsB, 1);

    // Only the chosen product changes.
    ASSERT_OK(t::apply(db, *totals, {acetona}));
    EXPECT_DOUBLE_EQ(stored(month, "QtCompras", acetona), 60);
    EXPECT_DOUBLE_EQ(stored(month, "QtSaidasDiv", acetona), 2.25);
    EXPECT_DOUBLE_EQ(stored(month, "QtEstoqueAtual", acetona), expected[t::EstoqueAtual]);
    EXPECT_DOUBLE_EQ(stored(month, "QtImportacao", forte), 0);
    QStringList left = disagreements(db, month.period);
    EXPECT_EQ(left, QStringList{m::kImportDiffers + QStringLiteral("ACETONA a 50%")});

    Result<t::MonthTotals> again = t::compute(db, month.period);
    ASSERT_TRUE(again.ok());
    ASSERT_OK(t::apply(db, *again, {forte}));
    EXPECT_TRUE(disagreements(db, month.period).isEmpty());
    Result<t::MonthTotals> done = t::compute(db, month.period);
    ASSERT_TRUE(done.ok());
    EXPECT_EQ(done->differing(), 0);
}

TEST(Totals, ApplyingStaleTotalsWritesNothing)
{
    test::Month month({1});
    const int code = month.product(QStringLiteral("TOLUENO"), 30);
    month.movement(QStringLiteral("01"), QStringLiteral("1.102"), QStringLiteral("TOLUENO"), 30, 8);
    QSqlDatabase db = month.store.db();
    Result<t::MonthTotals> totals = t::compute(db, month.period);
    ASSERT_TRUE(totals.ok());
    month.movement(QStringLiteral("02"), QStringLiteral("1.102"), QStringLiteral("TOLUENO"), 30, 1);
    const Status s = t::apply(db, *totals, {code});
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(s.message(), m::kTotaisAlterados);
    EXPECT_DOUBLE_EQ(stored(month, "QtCompras", code), 0);
    // A product deleted meanwhile is refused the same way.
    month.store.exec(QStringLiteral("DELETE FROM Produtos"));
    EXPECT_EQ(t::apply(db, *totals, {code}).message(), m::kTotaisAlterados);
}

TEST(Totals, MovementsThatCannotBePlacedRefuseTheCalculation)
{
    struct Case {
        const char *name;
        const char *cfop;
        const char *operation;
        QString message;
    };
    const QString label = QStringLiteral("TOLUENO a 30%");
    const Case cases[] = {
        {"a CFOP that does not read", "1.1A2", "I", m::kTotaisCfopIlegivel.arg(QStringLiteral("11A2"), label)},
        {"an other CFOP that is neither entry nor exit", "4.949", "I", m::kTotaisCfopSemDirecao.arg(QStringLiteral("4.949"), label)},
        {"an XI-C row neither import nor export", "1.102", "X", m::kTotaisOperacaoInvalida.arg(QStringLiteral("X"), label)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        test::Month month({1});
        month.product(QStringLiteral("TOLUENO"), 30);
        month.movement(QStringLiteral("01"), QString::fromLatin1(c.cfop), QStringLiteral("TOLUENO"), 30, 8);
        month.insert("Importacao", {{"NmProduto", QStringLiteral("TOLUENO")}, {"VlConcentracao", 30}, {"QtImportacao", 1.0},
                                    {"FlIE", QString::fromLatin1(c.operation)}});
        // The same movements of a product not in XI-A are only listed.
        month.movement(QStringLiteral("01"), QString::fromLatin1(c.cfop), QStringLiteral("OUTRO"), 30, 8);
        QSqlDatabase db = month.store.db();
        Result<t::MonthTotals> totals = t::compute(db, month.period);
        ASSERT_FALSE(totals.ok());
        EXPECT_EQ(totals.error().code, 1);
        EXPECT_EQ(totals.message(), c.message);
    }
}

TEST(Totals, MovementsOfAProductNotInXIAAreListedAndIncludedWithLastMonthsStock)
{
    test::Month month({1});
    QSqlDatabase db = month.store.db();
    // Last month (FEV) had XILOL with a closing stock of 12.5.
    month.store.exec(QStringLiteral("INSERT INTO Mes (CdCNPJEmpr, NrAno, NmMes) VALUES ('11222333000181', '2024', 'FEV')"));
    month.store.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM, NmProduto, VlConcentracao,"
                                    " VlDensidade, DsUnidade, QtEstoqueAnt, QtEstoqueAtual) VALUES ('11222333000181', '2024',"
                                    " 'FEV', '2902.44.00', 'XILOL', 50, 0.87, 'litro', 3, 12.5)"));
    month.product(QStringLiteral("ACETONA"), 12.5);
    month.insert("Movimentacao", {{"NrDia", QStringLiteral("03")}, {"NrCFOP", QStringLiteral("1.102")}, {"NmProduto", QStringLiteral("XILOL")},
                                  {"VlConcentracao", 50}, {"VlQuantidade", 4.0}, {"NmUnidade", QStringLiteral("Kg")}});
    month.insert("Movimentacao", {{"NrDia", QStringLiteral("09")}, {"NrCFOP", QStringLiteral("5.102")}, {"NmProduto", QStringLiteral("XILOL")},
                                  {"VlConcentracao", 50}, {"VlQuantidade", 1.5}});
    month.insert("Importacao", {{"NmProduto", QStringLiteral("BENZENO")}, {"VlConcentracao", 99}, {"QtImportacao", 2.0},
                                {"FlIE", QStringLiteral("I")}, {"CdNCM", QStringLiteral("2902.20.00")}, {"DsUnidade", QStringLiteral("Kg")}});

    Result<t::MonthTotals> totals = t::compute(db, month.period);
    ASSERT_TRUE(totals.ok()) << qPrintable(totals.message());
    ASSERT_EQ(totals->orphans.size(), 2u);
    const t::Orphan benzeno = totals->orphans[0];
    const t::Orphan xilol = totals->orphans[1];
    EXPECT_EQ(benzeno.label(), QStringLiteral("BENZENO a 99%"));
    EXPECT_EQ(benzeno.movementsC, 1);
    EXPECT_FALSE(benzeno.previousStock.has_value());
    EXPECT_EQ(xilol.movementsB, 2);
    EXPECT_DOUBLE_EQ(xilol.quantityB, 5.5);
    ASSERT_TRUE(xilol.previousStock.has_value());
    EXPECT_DOUBLE_EQ(*xilol.previousStock, 12.5);

    Result<int> x = t::includeProduct(db, month.period, xilol);
    ASSERT_TRUE(x.ok()) << qPrintable(x.message());
    Result<int> b = t::includeProduct(db, month.period, benzeno);
    ASSERT_TRUE(b.ok()) << qPrintable(b.message());
    // Last month's NCM, density, unit and closing stock; the movement's when
    // last month has not the product.
    EXPECT_DOUBLE_EQ(stored(month, "VlDensidade", *x), 0.87);
    EXPECT_DOUBLE_EQ(stored(month, "QtEstoqueAnt", *x), 12.5);
    EXPECT_DOUBLE_EQ(stored(month, "QtEstoqueAtual", *x), 12.5);
    EXPECT_EQ(month.store.scalar(QStringLiteral("SELECT CdNCM FROM Produtos WHERE CdProduto = %1").arg(*x)).toString(),
              QStringLiteral("2902.44.00"));
    EXPECT_EQ(month.store.scalar(QStringLiteral("SELECT DsUnidade FROM Produtos WHERE CdProduto = %1").arg(*x)).toString(),
              QStringLiteral("litro"));
    EXPECT_EQ(month.store.scalar(QStringLiteral("SELECT CdNCM FROM Produtos WHERE CdProduto = %1").arg(*b)).toString(),
              QStringLiteral("2902.20.00"));
    EXPECT_DOUBLE_EQ(stored(month, "QtEstoqueAnt", *b), 0);
    // Once is enough.
    Result<int> twice = t::includeProduct(db, month.period, xilol);
    EXPECT_FALSE(twice.ok());
    EXPECT_EQ(twice.message(), m::kTotaisProdutoJaExiste.arg(QStringLiteral("XILOL a 50%")));

    Result<t::MonthTotals> after = t::compute(db, month.period);
    ASSERT_TRUE(after.ok());
    EXPECT_TRUE(after->orphans.empty());
    const t::ProductTotals *p = productOf(*after, *x);
    ASSERT_TRUE(p);
    EXPECT_DOUBLE_EQ(p->computed[t::Compras], 4);
    EXPECT_DOUBLE_EQ(p->computed[t::Vendas], 1.5);
    EXPECT_DOUBLE_EQ(p->computed[t::EstoqueAtual], 15);
    QList<int> all;
    for (const t::ProductTotals &q : after->products)
        all.append(q.code);
    ASSERT_OK(t::apply(db, *after, all));
    EXPECT_TRUE(disagreements(db, month.period).isEmpty());
}

// The month the benchmarks fill (10,000 products, 30,000 movements, 5,000
// import rows), with movements of mixed CFOPs added for some products: the
// applied totals are the ones the check expects of every product.
TEST(Totals, BenchMonthTotalsAreTheOnesTheCheckExpects)
{
    QUIRELS_SQLITE_ONLY(); // the bench month is written with SQLite's own SQL
    test::TempStore store;
    QSqlDatabase db = store.db();
    bench::fillBenchMonth(db);
    const PeriodKey period = bench::kBenchPeriod;
    const char *const cfops[] = {"1.102", "1.401", "2.102", "5.102", "5.405", "6.102", "1.949", "5.949", "3.102", "7.101"};
    {
        sql::Transaction tx(db);
        QSqlQuery q(db);
        ASSERT_TRUE(q.prepare(QStringLiteral("INSERT INTO Movimentacao (CdCNPJEmpr, NrAno, NmMes, NrDia, NrCFOP, NmProduto,"
                                             " VlConcentracao, VlQuantidade) VALUES ('11222333000181', '2005', 'JUN', '01', ?, ?, 98.5, ?)")));
        for (int n = 0; n < 3000; ++n) {
            q.bindValue(0, QString::fromLatin1(cfops[n % 10]));
            q.bindValue(1, QStringLiteral("PRODUTO %1").arg(1 + (n * 37) % 10000));
            q.bindValue(2, 0.125 * (1 + n % 5));
            ASSERT_TRUE(q.exec());
        }
        QSqlQuery i(db);
        ASSERT_TRUE(i.prepare(QStringLiteral("INSERT INTO Importacao (CdCNPJEmpr, NrAno, NmMes, NmProduto, VlConcentracao,"
                                             " QtImportacao, FlIE) VALUES ('11222333000181', '2005', 'JUN', ?, 98.5, 2, ?)")));
        for (int n = 0; n < 500; ++n) {
            i.bindValue(0, QStringLiteral("PRODUTO %1").arg(1 + (n * 53) % 10000));
            i.bindValue(1, n % 2 ? QStringLiteral("I") : QStringLiteral("E"));
            ASSERT_TRUE(i.exec());
        }
        ASSERT_OK(tx.commit());
    }
    const QStringList before = disagreements(db, period);
    EXPECT_GE(before.size(), 10000); // every product buys 100 by hand with no movement behind it

    Result<t::MonthTotals> totals = t::compute(db, period);
    ASSERT_TRUE(totals.ok()) << qPrintable(totals.message());
    EXPECT_EQ(totals->products.size(), 10000u);
    // The bench movements are of other concentrations than the products.
    EXPECT_EQ(totals->orphans.size(), 35000u);
    QList<int> differing;
    for (const t::ProductTotals &p : totals->products)
        if (p.anyDifference())
            differing.append(p.code);
    EXPECT_EQ(differing.size(), 10000);
    ASSERT_OK(t::apply(db, *totals, differing));
    EXPECT_EQ(disagreements(db, period), QStringList());
    // The closing stock follows the record rule on the stored row.
    EXPECT_LT(store.scalar(QStringLiteral("SELECT MAX(ABS(QtEstoqueAtual - (QtEstoqueAnt + QtProducao - QtTransformacao"
                                      " + QtCompras + QtImportacao + QtEntradasDiv + QtReaproveitamento - (QtUtilizacao"
                                      " + QtVendas + QtExportacao + QtPerdas + QtEvaporacao + QtSaidasDiv)))) FROM Produtos"))
                  .toDouble(),
              1e-6);
}
