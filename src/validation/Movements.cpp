#include "Movements.h"

#include "store/Dialect.h"
#include "store/Sql.h"

#include <limits>

namespace quirels::validation {

namespace {
constexpr int kStoreError = 2;
}

QString cfopDigits(const QString &nrCfop)
{
    QString t = nrCfop;
    const qsizetype point = t.indexOf(QLatin1Char('.'));
    if (point >= 0)
        t.remove(point, 1);
    return t;
}

std::optional<int> cfopNumber(const QString &nrCfop)
{
    const QString t = cfopDigits(nrCfop);
    qsizetype i = 0;
    while (i < t.size() && t.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < t.size() && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
        negative = t.at(i++) == QLatin1Char('-');
    if (i == t.size())
        return std::nullopt;
    qint64 v = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = v * 10 + (c - u'0');
        if (v > static_cast<qint64>(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min())
        return std::nullopt;
    return static_cast<int>(v);
}

CfopClass classifyCfop(int n)
{
    struct Range {
        int from, to;
    };
    static const Range purchases[] = {{1100, 1122}, {1250, 1257}, {1401, 1407}, {2100, 2122}, {2250, 2257},
                                      {2401, 2407}, {3100, 3127}, {3250, 3251}, {1126, 1126}, {1400, 1400},
                                      {1551, 1551}, {1556, 1556}, {2126, 2126}, {2551, 2551}, {2556, 2556}};
    static const Range sales[] = {{5100, 5123}, {5250, 5258}, {5401, 5405}, {6100, 6123}, {6250, 6258},
                                  {6401, 6404}, {7100, 7127}, {7250, 7251}, {5551, 5551}, {6551, 6551}};
    for (const Range &r : purchases)
        if (n >= r.from && n <= r.to)
            return CfopClass::Purchase;
    for (const Range &r : sales)
        if (n >= r.from && n <= r.to)
            return CfopClass::Sale;
    return CfopClass::Other;
}

CfopDirection cfopDirection(int n)
{
    // The codes have four digits ("9.999"); the first one is the direction.
    if (n < 1000 || n > 9999)
        return CfopDirection::Unknown;
    switch (n / 1000) {
    case 1:
    case 2:
    case 3:
        return CfopDirection::Entry;
    case 5:
    case 6:
    case 7:
        return CfopDirection::Exit;
    default:
        return CfopDirection::Unknown;
    }
}

size_t qHash(const MatchKey &k, size_t seed)
{
    return ::qHash(k.name, seed) ^ ::qHash(k.concentration, seed);
}

MatchKey matchKey(const QVariant &name, const QVariant &concentration)
{
    const double c = quantity(concentration);
    return MatchKey{name.isNull() ? QString() : name.toString(), c == 0.0 ? 0.0 : c};
}

QString PeriodReader::nocase(const QString &expr) const { return store::dialect::nocase(m_db, expr); }

Result<QSqlQuery> PeriodReader::select(const QString &columnsAndFrom, const QString &tail,
                                       const QList<QPair<QString, QVariant>> &more)
{
    QSqlQuery q(m_db);
    sql::forwardOnly(q);
    const QString text = QStringLiteral("SELECT ") + columnsAndFrom
        + QStringLiteral(" WHERE CdCNPJEmpr = :cnpj AND NrAno = :ano AND NmMes = :mes") + tail;
    if (!q.prepare(text))
        return makeError(sql::errorText(q), kStoreError);
    q.bindValue(QStringLiteral(":cnpj"), m_p.cnpj);
    q.bindValue(QStringLiteral(":ano"), m_p.ano);
    q.bindValue(QStringLiteral(":mes"), m_p.mes);
    for (const auto &b : more)
        q.bindValue(b.first, b.second);
    if (!q.exec())
        return makeError(sql::errorText(q), kStoreError);
    return q;
}

Result<bool> PeriodReader::any(const QString &table)
{
    Result<QSqlQuery> q = select(QStringLiteral("1 FROM ") + sql::id(table), QStringLiteral(" LIMIT 1"));
    if (!q)
        return q.error();
    return q->next();
}

// In one pass: the movements are summed per CFOP text by the store, and each
// distinct CFOP text is read and classified once.
Result<QHash<MatchKey, MovementSums>> movementSums(PeriodReader &r)
{
    Result<QSqlQuery> q = r.select(QStringLiteral("NmProduto, VlConcentracao, NrCFOP, TOTAL(VlQuantidade) FROM Movimentacao"),
                                   QStringLiteral(" GROUP BY NmProduto, VlConcentracao, NrCFOP"));
    if (!q)
        return q.error();
    struct Kind {
        CfopClass cls;
        CfopDirection direction;
    };
    QHash<QString, std::optional<Kind>> kindOf;
    QHash<MatchKey, MovementSums> out;
    while (q->next()) {
        MovementSums &s = out[matchKey(q->value(0), q->value(1))];
        const QString cfop = q->value(2).toString();
        auto c = kindOf.constFind(cfop);
        if (c == kindOf.constEnd()) {
            const std::optional<int> n = cfopNumber(cfop);
            c = kindOf.insert(cfop, n ? std::optional<Kind>(Kind{classifyCfop(*n), cfopDirection(*n)}) : std::nullopt);
        }
        if (!c.value()) {
            s.badCfop = true;
            continue;
        }
        const double amount = q->value(3).toDouble();
        switch (c.value()->cls) {
        case CfopClass::Purchase: s.purchases += amount; break;
        case CfopClass::Sale: s.sales += amount; break;
        case CfopClass::Other:
            switch (c.value()->direction) {
            case CfopDirection::Entry: s.otherEntries += amount; break;
            case CfopDirection::Exit: s.otherExits += amount; break;
            case CfopDirection::Unknown: s.otherUndirected += amount; break;
            }
            break;
        }
    }
    return out;
}

Result<QString> firstBadCfop(PeriodReader &r, const MatchKey &key)
{
    Result<QSqlQuery> q = r.select(QStringLiteral("NmProduto, VlConcentracao, NrCFOP FROM Movimentacao"),
                                   QStringLiteral(" ORDER BY %1, NrMovimentacao").arg(r.nocase(QStringLiteral("NrDia"))));
    if (!q)
        return q.error();
    while (q->next()) {
        const QString cfop = q->value(2).toString();
        if (!cfopNumber(cfop) && matchKey(q->value(0), q->value(1)) == key)
            return cfopDigits(cfop);
    }
    return QString();
}

Result<QHash<MatchKey, double>> sumsBy(PeriodReader &r, const QString &table, const QString &concentration,
                                       const QString &quantityColumn, const QString &direction, const QString &value)
{
    QString tail;
    QList<QPair<QString, QVariant>> binds;
    if (!direction.isEmpty()) {
        tail = QStringLiteral(" AND ") + sql::id(direction) + QStringLiteral(" = :dir");
        binds.append({QStringLiteral(":dir"), value});
    }
    tail += QStringLiteral(" GROUP BY NmProduto, ") + sql::id(concentration);
    Result<QSqlQuery> q = r.select(QStringLiteral("NmProduto, ") + sql::id(concentration) + QStringLiteral(", TOTAL(")
                                       + sql::id(quantityColumn) + QStringLiteral(") FROM ") + sql::id(table),
                                   tail, binds);
    if (!q)
        return q.error();
    QHash<MatchKey, double> out;
    while (q->next())
        out[matchKey(q->value(0), q->value(1))] += q->value(2).toDouble();
    return out;
}

} // namespace quirels::validation
