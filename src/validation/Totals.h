#pragma once
// The annex XI-A totals of a month computed from its movements: for every
// product, the purchases, sales and other entries and exits of its XI-B
// movements and the imports and exports of its XI-C rows, matched and
// classed exactly as the consistency check matches and classes them, and the
// closing stock by the record rule. Applying them makes the check's
// purchase, sale, other and import/export lines agree by construction.
//
//     Result<MonthTotals> t = totals::compute(db, period);
//     totals::apply(db, *t, {codes of the products to change});
//
// Movements whose product (name and concentration) has no XI-A row are
// listed; includeProduct() creates that row, opening with last month's
// closing stock of the product when there is one.

#include "base/Result.h"
#include "store/PeriodKey.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace quirels::validation::totals {

// The quantities the computation fills in, in the order they are shown.
enum Quantity { Compras, Vendas, EntradasDiv, SaidasDiv, Importacao, Exportacao, EstoqueAtual, kQuantities };
// "QtCompras" ...
QString fieldOf(int quantity);
// "Compras" ... as annex XI-A labels them.
QString captionOf(int quantity);

struct ProductTotals {
    int code = 0;  // CdProduto
    QString ncm;
    QString name;
    double concentration = 0;
    std::array<double, kQuantities> current{};  // as stored, empty as 0
    std::array<double, kQuantities> computed{};
    // Whether the stored and computed values differ with three decimals.
    bool differs(int quantity) const;
    bool anyDifference() const;
    // "NAME a 12,5%"
    QString label() const;
};

struct Orphan {
    QString name;
    double concentration = 0;
    QString ncm;   // the first NCM code its movements give
    QString unit;  // the first unit its movements give
    int movementsB = 0;
    int movementsC = 0;
    double quantityB = 0;
    double quantityC = 0;
    // Last month's closing stock of the product, when last month has it.
    std::optional<double> previousStock;
    QString label() const;
};

struct MonthTotals {
    PeriodKey period;
    std::vector<ProductTotals> products; // in key order
    std::vector<Orphan> orphans;         // by name, then concentration
    int differing() const;               // products with a difference
};

// Computes the totals. A movement that cannot be placed (a CFOP that does not
// read, or says neither entry nor exit; an XI-C row neither import nor
// export) refuses with code 1 and a message naming it; a missing period is
// code 1; a store failure code 2.
Result<MonthTotals> compute(QSqlDatabase &db, const PeriodKey &period);

// Stores the computed values of the products with these codes, in one
// transaction. The totals are computed again inside it: when what is stored
// or computed now is not what `shown` says for one of them (another
// workstation, or another window, changed the month meanwhile), nothing is
// written and the refusal (code 1) asks for a new calculation.
Status apply(QSqlDatabase &db, const MonthTotals &shown, const QList<int> &codes);

// Creates the XI-A product of the orphan in the period: its name,
// concentration, NCM code and unit, and, when last month has the product,
// its NCM code, density and unit from there and its closing stock as the
// opening and closing stock; every movement quantity 0. Refuses (code 1)
// when the period already has the product. The new CdProduto.
Result<int> includeProduct(QSqlDatabase &db, const PeriodKey &period, const Orphan &orphan);

} // namespace quirels::validation::totals
