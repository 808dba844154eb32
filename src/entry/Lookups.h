#pragma once
// Look-ups of the entry screens in the reference tables: controlled products
// by NCM code and by name, and the CFOP codes with their descriptions.

#include "base/Result.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QHash>
#include <QList>
#include <optional>

namespace quirels::entry {

// "Select NmProdutoControlado from ProdutoControlado where cdNCM = '<ncm>'"
// and the product is in the list in force
QString nameByNcmStatement(const QString &ncm);
// "Select cdNCM from ProdutoControlado where NmProdutoControlado = '<name>'"
// and the product is in the list in force
QString ncmByNameStatement(const QString &name);

struct CfopEntry {
    QString code;         // "9.999"
    QString description;
};

struct CountryEntry {
    QString code;         // CDPAIS as text
    QString name;         // NMPAIS
};

class Lookups {
public:
    // Reads through the named connection of db as it is at each call, so a
    // store reconnected under the same name is read, never a dead handle.
    explicit Lookups(const QSqlDatabase &db) : m_connection(db.connectionName()) {}

    // The name of the first controlled product with that NCM code (exact
    // comparison, the code as typed with its dots); empty when none.
    Result<std::optional<QString>> nameForNcm(const QString &ncm) const;
    // The NCM code of the first controlled product with that name.
    Result<std::optional<QString>> ncmForName(const QString &name) const;
    // Every controlled-product name of the list in force, in name order.
    Result<QStringList> productNames() const;

    // Table CFOP in description order.
    Result<QList<CfopEntry>> cfops() const;
    // The description of a CFOP code; empty when the table has no such code.
    Result<std::optional<QString>> cfopDescription(const QString &code) const;
    // Reads table CFOP once, for a run that checks many rows: later
    // cfopDescription() calls answer from memory.
    Status holdCfops();

    // Table Paises in name order (its index idxPais).
    Result<QList<CountryEntry>> countries() const;
    // The name of a country number; empty when the table has no such number.
    Result<std::optional<QString>> countryName(const QString &code) const;
    // Reads table Paises once, for a run that checks many rows: later
    // countryName() calls answer from memory.
    Status holdCountries();

private:
    Result<std::optional<QString>> first(const QString &statement) const;
    QSqlDatabase db() const;
    QString m_connection;
    std::optional<QHash<QString, QString>> m_cfops; // held by holdCfops()
    std::optional<QHash<qlonglong, QString>> m_countries; // held by holdCountries()
};

} // namespace quirels::entry
