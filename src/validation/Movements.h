#pragma once
// How the movements of a month (annexes XI-B, XI-C and XI-E) are matched to
// the annex XI-A products and storage rows, and how an XI-B movement is
// classed by its CFOP. The consistency check reconciles with these sums and
// the XI-A totals are computed from them, so the two always agree.

#include "base/Result.h"
#include "store/PeriodKey.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <optional>

namespace quirels::validation {

// The CFOP number of a movement: NrCFOP with its first point removed, read as
// a whole number (blanks before it and a sign allowed, nothing after it).
// Empty when it does not read; cfopDigits gives the text that was read.
QString cfopDigits(const QString &nrCfop);
std::optional<int> cfopNumber(const QString &nrCfop);

enum class CfopClass { Purchase, Sale, Other };
CfopClass classifyCfop(int number);

// The direction of a movement by the first digit of its CFOP number: 1, 2
// and 3 enter the company, 5, 6 and 7 leave it; any other number says
// neither.
enum class CfopDirection { Entry, Exit, Unknown };
CfopDirection cfopDirection(int number);

// A quantity as stored; empty counts as 0.
inline double quantity(const QVariant &v) { return v.isNull() ? 0.0 : v.toDouble(); }

// Movements belong to a product by name and concentration, never by code.
// An empty name and a missing concentration read as "" and 0.
struct MatchKey {
    QString name;
    double concentration = 0;
    bool operator==(const MatchKey &o) const { return name == o.name && concentration == o.concentration; }
};
size_t qHash(const MatchKey &k, size_t seed = 0);
MatchKey matchKey(const QVariant &name, const QVariant &concentration);

// The XI-B movements of one (name, concentration): purchases, sales and the
// others, these split by direction.
struct MovementSums {
    double purchases = 0;
    double sales = 0;
    double otherEntries = 0;
    double otherExits = 0;
    double otherUndirected = 0; // others whose CFOP says neither entry nor exit
    bool badCfop = false;       // a movement whose CFOP does not read
    double others() const { return otherEntries + otherExits + otherUndirected; }
};

// Queries restricted to one period, every value bound.
class PeriodReader {
public:
    PeriodReader(QSqlDatabase &db, const PeriodKey &p) : m_db(db), m_p(p) {}

    QSqlDatabase &db() { return m_db; }
    const PeriodKey &period() const { return m_p; }
    // An ORDER BY term without regard to letter case.
    QString nocase(const QString &expr) const;

    // "SELECT <columnsAndFrom> WHERE <the period> <tail>"; a store failure
    // is an error of code 2.
    Result<QSqlQuery> select(const QString &columnsAndFrom, const QString &tail = QString(),
                             const QList<QPair<QString, QVariant>> &more = {});
    // Whether the table holds a row of the period.
    Result<bool> any(const QString &table);

private:
    QSqlDatabase &m_db;
    PeriodKey m_p;
};

// Purchases, sales and others of every (name, concentration) of the period's
// XI-B movements.
Result<QHash<MatchKey, MovementSums>> movementSums(PeriodReader &r);

// The CFOP text (as cfopDigits gives it) of the first movement of the key,
// in the order of the movement list (by day), whose CFOP does not read.
Result<QString> firstBadCfop(PeriodReader &r, const MatchKey &key);

// Sums of one quantity column per (name, concentration), optionally of the
// rows whose one-letter direction column holds `value`.
Result<QHash<MatchKey, double>> sumsBy(PeriodReader &r, const QString &table, const QString &concentration,
                                       const QString &quantity, const QString &direction = QString(),
                                       const QString &value = QString());

} // namespace quirels::validation
