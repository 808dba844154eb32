#include "Totals.h"

#include "ConsistencyCheck.h"
#include "Messages.h"
#include "Movements.h"
#include "shell/PeriodOps.h"
#include "store/Dialect.h"
#include "store/RecordRules.h"
#include "store/Sql.h"

#include <QHash>
#include <QSet>
#include <QVariantMap>
#include <algorithm>

namespace quirels::validation::totals {

namespace {

constexpr int kRefused = 1;
constexpr int kStoreError = 2;

const char *const kFields[kQuantities] = {"QtCompras", "QtVendas", "QtEntradasDiv", "QtSaidasDiv",
                                          "QtImportacao", "QtExportacao", "QtEstoqueAtual"};
const char *const kCaptions[kQuantities] = {"Compras", "Vendas", "Entradas Diversas", "Saídas Diversas",
                                            "Importação", "Exportação", "Estoque Atual"};

// A product of the month with every quantity as stored.
struct StoredProduct {
    int code = 0;
    QString ncm;
    MatchKey key;
    QVariantMap quantities; // the fourteen quantities and the closing stock
};

Result<std::vector<StoredProduct>> readProducts(PeriodReader &r)
{
    QStringList fields = store::rules::quantityFields();
    fields.append(QStringLiteral("QtEstoqueAtual"));
    Result<QSqlQuery> q = r.select(QStringLiteral("CdProduto, CdNCM, NmProduto, VlConcentracao, ") + fields.join(QStringLiteral(", "))
                                       + QStringLiteral(" FROM Produtos"),
                                   QStringLiteral(" ORDER BY CdProduto"));
    if (!q)
        return q.error();
    std::vector<StoredProduct> out;
    while (q->next()) {
        StoredProduct p;
        p.code = q->value(0).toInt();
        p.ncm = q->value(1).toString();
        p.key = matchKey(q->value(2), q->value(3));
        for (int i = 0; i < fields.size(); ++i)
            p.quantities.insert(fields.at(i), q->value(4 + i));
        out.push_back(std::move(p));
    }
    return out;
}

// The first movement of the key whose CFOP is an "other" one with no
// direction: its CFOP as stored.
Result<QString> firstUndirected(PeriodReader &r, const MatchKey &key)
{
    Result<QSqlQuery> q = r.select(QStringLiteral("NmProduto, VlConcentracao, NrCFOP FROM Movimentacao"),
                                   QStringLiteral(" ORDER BY %1, NrMovimentacao").arg(r.nocase(QStringLiteral("NrDia"))));
    if (!q)
        return q.error();
    while (q->next()) {
        const std::optional<int> n = cfopNumber(q->value(2).toString());
        if (n && classifyCfop(*n) == CfopClass::Other && cfopDirection(*n) == CfopDirection::Unknown
            && matchKey(q->value(0), q->value(1)) == key)
            return q->value(2).toString();
    }
    return QString();
}

// Imports and exports of every key; an operation that is neither, with the
// first such letter, refuses.
struct ImportSums {
    double imports = 0;
    double exports = 0;
    std::optional<QString> neither; // the first operation that is neither
};

Result<QHash<MatchKey, ImportSums>> importSums(PeriodReader &r)
{
    Result<QSqlQuery> q = r.select(QStringLiteral("NmProduto, VlConcentracao, FlIE, TOTAL(QtImportacao) FROM Importacao"),
                                   QStringLiteral(" GROUP BY NmProduto, VlConcentracao, FlIE"));
    if (!q)
        return q.error();
    QHash<MatchKey, ImportSums> out;
    while (q->next()) {
        ImportSums &s = out[matchKey(q->value(0), q->value(1))];
        const QString operation = q->value(2).toString().trimmed().toUpper();
        const double amount = q->value(3).toDouble();
        if (operation == QLatin1String("I"))
            s.imports += amount;
        else if (operation == QLatin1String("E"))
            s.exports += amount;
        else if (!s.neither)
            s.neither = q->value(2).toString();
    }
    return out;
}

// The rows of one movement table per key, for the orphans.
struct KeyRows {
    int count = 0;
    double quantity = 0;
    QString ncm, unit;
};

Result<QHash<MatchKey, KeyRows>> rowsPerKey(PeriodReader &r, const QString &table, const QString &quantityColumn,
                                            const QString &unitColumn)
{
    Result<QSqlQuery> q = r.select(QStringLiteral("NmProduto, VlConcentracao, COUNT(*), TOTAL(%1), MIN(CdNCM), MIN(%2) FROM %3")
                                       .arg(sql::id(quantityColumn), sql::id(unitColumn), sql::id(table)),
                                   QStringLiteral(" GROUP BY NmProduto, VlConcentracao"));
    if (!q)
        return q.error();
    QHash<MatchKey, KeyRows> out;
    while (q->next()) {
        KeyRows &k = out[matchKey(q->value(0), q->value(1))];
        k.count += q->value(2).toInt();
        k.quantity += q->value(3).toDouble();
        if (k.ncm.trimmed().isEmpty())
            k.ncm = q->value(4).toString();
        if (k.unit.trimmed().isEmpty())
            k.unit = q->value(5).toString();
    }
    return out;
}

// Last month's products by key, the first in key order for each.
struct PreviousProduct {
    QString ncm, unit;
    QVariant density;
    double closing = 0;
};

Result<QHash<MatchKey, PreviousProduct>> previousProducts(QSqlDatabase &db, const PeriodKey &period)
{
    const PeriodKey previous = shell::previousPeriod(period);
    QHash<MatchKey, PreviousProduct> out;
    if (!previous.isValid())
        return out;
    PeriodReader r(db, previous);
    Result<QSqlQuery> q = r.select(QStringLiteral("NmProduto, VlConcentracao, CdNCM, DsUnidade, VlDensidade, QtEstoqueAtual"
                                                  " FROM Produtos"),
                                   QStringLiteral(" ORDER BY CdProduto"));
    if (!q)
        return q.error();
    while (q->next()) {
        const MatchKey key = matchKey(q->value(0), q->value(1));
        if (!out.contains(key))
            out.insert(key, PreviousProduct{q->value(2).toString(), q->value(3).toString(), q->value(4),
                                            quantity(q->value(5))});
    }
    return out;
}

Result<bool> periodExists(PeriodReader &r)
{
    Result<bool> exists = r.any(QStringLiteral("Mes"));
    if (!exists)
        return exists.error();
    if (!*exists)
        return makeError(msg::kPeriodMissing.arg(r.period().mes, r.period().ano, r.period().cnpj), kRefused);
    return true;
}

} // namespace

QString fieldOf(int q) { return q >= 0 && q < kQuantities ? QString::fromLatin1(kFields[q]) : QString(); }
QString captionOf(int q) { return q >= 0 && q < kQuantities ? QString::fromUtf8(kCaptions[q]) : QString(); }

bool ProductTotals::differs(int q) const { return !sameQuantity(current[q], computed[q]); }

bool ProductTotals::anyDifference() const
{
    for (int q = 0; q < kQuantities; ++q)
        if (differs(q))
            return true;
    return false;
}

QString ProductTotals::label() const { return productLabel(name, concentration); }
QString Orphan::label() const { return productLabel(name, concentration); }

int MonthTotals::differing() const
{
    return static_cast<int>(std::count_if(products.begin(), products.end(),
                                          [](const ProductTotals &p) { return p.anyDifference(); }));
}

Result<MonthTotals> compute(QSqlDatabase &db, const PeriodKey &period)
{
    PeriodReader r(db, period);
    if (Result<bool> exists = periodExists(r); !exists)
        return exists.error();
    Result<std::vector<StoredProduct>> products = readProducts(r);
    if (!products)
        return products.error();
    Result<QHash<MatchKey, MovementSums>> moves = movementSums(r);
    if (!moves)
        return moves.error();
    Result<QHash<MatchKey, ImportSums>> imports = importSums(r);
    if (!imports)
        return imports.error();

    MonthTotals out;
    out.period = period;
    QSet<MatchKey> known;
    for (const StoredProduct &p : *products) {
        known.insert(p.key);
        const MovementSums s = moves->value(p.key);
        const ImportSums i = imports->value(p.key);
        const QString label = productLabel(p.key.name, p.key.concentration);
        if (s.badCfop) {
            Result<QString> bad = firstBadCfop(r, p.key);
            if (!bad)
                return bad.error();
            return makeError(msg::kTotaisCfopIlegivel.arg(*bad, label), kRefused);
        }
        if (s.otherUndirected != 0) {
            Result<QString> bad = firstUndirected(r, p.key);
            if (!bad)
                return bad.error();
            return makeError(msg::kTotaisCfopSemDirecao.arg(*bad, label), kRefused);
        }
        if (i.neither)
            return makeError(msg::kTotaisOperacaoInvalida.arg(*i.neither, label), kRefused);

        ProductTotals t;
        t.code = p.code;
        t.ncm = p.ncm;
        t.name = p.key.name;
        t.concentration = p.key.concentration;
        for (int q = 0; q < kQuantities; ++q)
            t.current[q] = quantity(p.quantities.value(fieldOf(q)));
        t.computed[Compras] = s.purchases;
        t.computed[Vendas] = s.sales;
        t.computed[EntradasDiv] = s.otherEntries;
        t.computed[SaidasDiv] = s.otherExits;
        t.computed[Importacao] = i.imports;
        t.computed[Exportacao] = i.exports;
        QVariantMap row = p.quantities;
        for (int q = 0; q < EstoqueAtual; ++q)
            row.insert(fieldOf(q), t.computed[q]);
        t.computed[EstoqueAtual] = store::rules::closingStock(row);
        out.products.push_back(std::move(t));
    }

    // The movements of no product.
    Result<QHash<MatchKey, KeyRows>> rowsB =
        rowsPerKey(r, QStringLiteral("Movimentacao"), QStringLiteral("VlQuantidade"), QStringLiteral("NmUnidade"));
    if (!rowsB)
        return rowsB.error();
    Result<QHash<MatchKey, KeyRows>> rowsC =
        rowsPerKey(r, QStringLiteral("Importacao"), QStringLiteral("QtImportacao"), QStringLiteral("DsUnidade"));
    if (!rowsC)
        return rowsC.error();
    QSet<MatchKey> orphanKeys;
    for (auto it = rowsB->cbegin(); it != rowsB->cend(); ++it)
        if (!known.contains(it.key()))
            orphanKeys.insert(it.key());
    for (auto it = rowsC->cbegin(); it != rowsC->cend(); ++it)
        if (!known.contains(it.key()))
            orphanKeys.insert(it.key());
    if (!orphanKeys.isEmpty()) {
        Result<QHash<MatchKey, PreviousProduct>> previous = previousProducts(db, period);
        if (!previous)
            return previous.error();
        for (const MatchKey &key : orphanKeys) {
            Orphan o;
            o.name = key.name;
            o.concentration = key.concentration;
            const KeyRows b = rowsB->value(key);
            const KeyRows c = rowsC->value(key);
            o.movementsB = b.count;
            o.quantityB = b.quantity;
            o.movementsC = c.count;
            o.quantityC = c.quantity;
            o.ncm = b.ncm.trimmed().isEmpty() ? c.ncm : b.ncm;
            o.unit = b.unit.trimmed().isEmpty() ? c.unit : b.unit;
            if (const auto p = previous->constFind(key); p != previous->constEnd())
                o.previousStock = p->closing;
            out.orphans.push_back(std::move(o));
        }
        std::sort(out.orphans.begin(), out.orphans.end(), [](const Orphan &a, const Orphan &b) {
            const int byName = QString::localeAwareCompare(a.name, b.name);
            if (byName != 0)
                return byName < 0;
            if (a.name != b.name)
                return a.name < b.name;
            return a.concentration < b.concentration;
        });
    }
    return out;
}

Status apply(QSqlDatabase &db, const MonthTotals &shown, const QList<int> &codes)
{
    if (codes.isEmpty())
        return {};
    sql::Transaction t(db);
    if (!t.active())
        return Error{kStoreError, t.error().message};
    Result<MonthTotals> now = compute(db, shown.period);
    if (!now)
        return now.error();
    auto find = [](const MonthTotals &m, int code) -> const ProductTotals * {
        for (const ProductTotals &p : m.products)
            if (p.code == code)
                return &p;
        return nullptr;
    };
    QSqlQuery q(db);
    QString statement = QStringLiteral("UPDATE Produtos SET ");
    for (int f = 0; f < kQuantities; ++f)
        statement += fieldOf(f) + QStringLiteral(" = ?, ");
    // Empty quantities become 0, as the product's record rule leaves them.
    QStringList others;
    for (const QString &f : store::rules::quantityFields())
        if (!QStringList{fieldOf(Compras), fieldOf(Vendas), fieldOf(EntradasDiv), fieldOf(SaidasDiv), fieldOf(Importacao),
                         fieldOf(Exportacao)}
                 .contains(f))
            others.append(QStringLiteral("%1 = COALESCE(%1, 0)").arg(f));
    statement += others.join(QStringLiteral(", "))
        + QStringLiteral(" WHERE CdCNPJEmpr = ? AND NrAno = ? AND NmMes = ? AND CdProduto = ?");
    if (!q.prepare(statement))
        return Error{kStoreError, sql::errorText(q)};
    for (const int code : codes) {
        const ProductTotals *before = find(shown, code);
        const ProductTotals *after = find(*now, code);
        if (!before || !after)
            return Error{kRefused, msg::kTotaisAlterados};
        for (int f = 0; f < kQuantities; ++f)
            if (!sameQuantity(before->current[f], after->current[f]) || !sameQuantity(before->computed[f], after->computed[f]))
                return Error{kRefused, msg::kTotaisAlterados};
        int at = 0;
        for (int f = 0; f < kQuantities; ++f)
            q.bindValue(at++, after->computed[f]);
        q.bindValue(at++, shown.period.cnpj);
        q.bindValue(at++, shown.period.ano);
        q.bindValue(at++, shown.period.mes);
        q.bindValue(at++, code);
        if (!q.exec())
            return Error{kStoreError, sql::errorText(q)};
    }
    return t.commit();
}

Result<int> includeProduct(QSqlDatabase &db, const PeriodKey &period, const Orphan &orphan)
{
    sql::Transaction t(db);
    if (!t.active())
        return Error{kStoreError, t.error().message};
    PeriodReader r(db, period);
    if (Result<bool> exists = periodExists(r); !exists)
        return exists.error();
    const MatchKey key = matchKey(orphan.name, orphan.concentration);
    Result<std::vector<StoredProduct>> products = readProducts(r);
    if (!products)
        return products.error();
    for (const StoredProduct &p : *products)
        if (p.key == key)
            return makeError(msg::kTotaisProdutoJaExiste.arg(orphan.label()), kRefused);
    Result<QHash<MatchKey, PreviousProduct>> previous = previousProducts(db, period);
    if (!previous)
        return previous.error();

    QString ncm = orphan.ncm.trimmed();
    QString unit = orphan.unit.trimmed();
    QVariant density;
    double stock = 0;
    if (const auto p = previous->constFind(key); p != previous->constEnd()) {
        if (!p->ncm.trimmed().isEmpty())
            ncm = p->ncm.trimmed();
        if (!p->unit.trimmed().isEmpty())
            unit = p->unit.trimmed();
        density = p->density;
        stock = p->closing;
    }
    QStringList columns{QStringLiteral("CdCNPJEmpr"), QStringLiteral("NrAno"), QStringLiteral("NmMes"),
                        QStringLiteral("CdNCM"), QStringLiteral("NmProduto"), QStringLiteral("VlConcentracao"),
                        QStringLiteral("VlDensidade"), QStringLiteral("DsUnidade")};
    QVariantList values{period.cnpj, period.ano, period.mes,
                        ncm.isEmpty() ? QVariant() : QVariant(ncm), orphan.name, orphan.concentration, density,
                        unit.isEmpty() ? QVariant() : QVariant(unit)};
    for (const QString &f : store::rules::quantityFields()) {
        columns.append(f);
        values.append(f == QLatin1String("QtEstoqueAnt") ? stock : 0.0);
    }
    columns.append(QStringLiteral("QtEstoqueAtual"));
    values.append(stock);
    QStringList marks;
    for (int i = 0; i < columns.size(); ++i)
        marks.append(QStringLiteral("?"));
    QSqlQuery q(db);
    if (!q.prepare(store::dialect::insertReturningId(
            db, QStringLiteral("INSERT INTO Produtos (%1) VALUES (%2)").arg(columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))))))
        return Error{kStoreError, sql::errorText(q)};
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    if (!q.exec())
        return Error{kStoreError, sql::errorText(q)};
    const int code = static_cast<int>(store::dialect::insertedId(q));
    if (Status s = t.commit(); !s)
        return s.error();
    return code;
}

} // namespace quirels::validation::totals
