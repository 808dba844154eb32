#include "Lookups.h"

#include "store/Dialect.h"
#include "store/ReferenceTables.h"
#include "store/Sql.h"

#include <QSqlQuery>

namespace quirels::entry {

QString nameByNcmStatement(const QString &ncm)
{
    return QStringLiteral("Select NmProdutoControlado from ProdutoControlado") + QStringLiteral(" where cdNCM = ")
        + sql::quote(ncm) + QStringLiteral(" and ") + store::reference::inListCondition();
}

QString ncmByNameStatement(const QString &name)
{
    return QStringLiteral("Select cdNCM from ProdutoControlado") + QStringLiteral(" where NmProdutoControlado = ")
        + sql::quote(name) + QStringLiteral(" and ") + store::reference::inListCondition();
}

QSqlDatabase Lookups::db() const { return QSqlDatabase::database(m_connection, false); }

namespace {

// A code table held in memory: the name of each key of a two-column
// statement, the first row of a key kept as the single look-up answers it;
// a row whose key keyOf cannot read is left out.
template <typename Key, typename KeyOf>
Result<QHash<Key, QString>> heldTable(const QSqlDatabase &db, const QString &statement, KeyOf keyOf)
{
    QSqlQuery q(db);
    sql::forwardOnly(q);
    if (!q.exec(statement))
        return makeError(sql::errorText(q));
    QHash<Key, QString> all;
    while (q.next()) {
        const std::optional<Key> key = keyOf(q.value(0));
        if (key && !all.contains(*key))
            all.insert(*key, q.value(1).toString());
    }
    return all;
}

} // namespace

Result<std::optional<QString>> Lookups::first(const QString &statement) const
{
    QSqlQuery q(db());
    sql::forwardOnly(q);
    if (!q.exec(statement))
        return makeError(sql::errorText(q));
    if (!q.next())
        return std::optional<QString>();
    return std::optional<QString>(q.value(0).toString());
}

Result<std::optional<QString>> Lookups::nameForNcm(const QString &ncm) const
{
    return first(nameByNcmStatement(ncm));
}

Result<std::optional<QString>> Lookups::ncmForName(const QString &name) const
{
    return first(ncmByNameStatement(name));
}

Result<QStringList> Lookups::productNames() const
{
    QSqlQuery q(db());
    sql::forwardOnly(q);
    if (!q.exec(QStringLiteral("Select NmProdutoControlado from ProdutoControlado where %1 order by %2, IdProdutoControlado")
                    .arg(store::reference::inListCondition(), store::dialect::names(db(), QStringLiteral("NmProdutoControlado")))))
        return makeError(sql::errorText(q));
    QStringList names;
    while (q.next())
        names.append(q.value(0).toString());
    return names;
}

Result<QList<CfopEntry>> Lookups::cfops() const
{
    QSqlQuery q(db());
    sql::forwardOnly(q);
    if (!q.exec(QStringLiteral("Select CdCFOP, dsCFOP from CFOP order by %1, CdCFOP").arg(store::dialect::names(db(), QStringLiteral("dsCFOP")))))
        return makeError(sql::errorText(q));
    QList<CfopEntry> list;
    while (q.next())
        list.append({q.value(0).toString(), q.value(1).toString()});
    return list;
}

Result<std::optional<QString>> Lookups::cfopDescription(const QString &code) const
{
    if (m_cfops) {
        const auto it = m_cfops->constFind(code);
        return it == m_cfops->constEnd() ? std::optional<QString>() : std::optional<QString>(*it);
    }
    return first(QStringLiteral("Select dsCFOP from CFOP where CdCFOP = ") + sql::quote(code));
}

Status Lookups::holdCfops()
{
    Result<QHash<QString, QString>> all =
        heldTable<QString>(db(), QStringLiteral("Select CdCFOP, dsCFOP from CFOP"),
                           [](const QVariant &v) { return std::optional<QString>(v.toString()); });
    if (!all)
        return all.error();
    m_cfops = std::move(*all);
    return {};
}

Result<QList<CountryEntry>> Lookups::countries() const
{
    QSqlQuery q(db());
    sql::forwardOnly(q);
    if (!q.exec(QStringLiteral("Select CDPAIS, NMPAIS from Paises order by %1, CDPAIS").arg(store::dialect::names(db(), QStringLiteral("NMPAIS")))))
        return makeError(sql::errorText(q));
    QList<CountryEntry> list;
    while (q.next())
        list.append({q.value(0).toString(), q.value(1).toString()});
    return list;
}

Result<std::optional<QString>> Lookups::countryName(const QString &code) const
{
    bool ok = false;
    const qlonglong n = code.trimmed().toLongLong(&ok);
    if (!ok)
        return std::optional<QString>();
    if (m_countries) {
        const auto it = m_countries->constFind(n);
        return it == m_countries->constEnd() ? std::optional<QString>() : std::optional<QString>(*it);
    }
    return first(QStringLiteral("Select NMPAIS from Paises where CDPAIS = ") + QString::number(n));
}

Status Lookups::holdCountries()
{
    Result<QHash<qlonglong, QString>> all =
        heldTable<qlonglong>(db(), QStringLiteral("Select CDPAIS, NMPAIS from Paises"), [](const QVariant &v) {
            bool ok = false;
            const qlonglong code = v.toLongLong(&ok);
            return ok ? std::optional<qlonglong>(code) : std::nullopt;
        });
    if (!all)
        return all.error();
    m_countries = std::move(*all);
    return {};
}

} // namespace quirels::entry
