#pragma once
// Helpers for the statements the system issues: every value is quoted or
// bound by one helper, and bulk work runs in one transaction.

#include "base/Result.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <utility>
#include <QVariant>

namespace quirels::sql {

// A text literal: single quotes around it, a single quote inside doubled.
QString quote(const QString &text);
// A numeric literal with a point, the shortest form that reads back the same.
QString number(double value);
// A literal for any value: NULL, a number, or quoted text.
QString literal(const QVariant &value);
// A quoted identifier.
QString id(const QString &name);

// The statement forms of the bulk operations, every value through literal():
// "insert into T (F1,F2) values (v1,v2)"
QString insertInto(const QString &table, const QStringList &fields, const QVariantList &values);
// "update T set CdCNPJEmpr='new' where CdCNPJEmpr='old'"
QString updateCompanyKey(const QString &table, const QString &newKey, const QString &oldKey);
// "delete from T where K1 = v1 and K2 = v2" (every row when no key is given)
using KeyValues = QList<std::pair<QString, QVariant>>;
QString deleteWhere(const QString &table, const KeyValues &key);
// "Select Max (F) as cod from T"
QString selectMax(const QString &field, const QString &table);

// The user's sentence for a failed query or database call (store/StoreError.h):
// what failed and what to do; the store's own text goes to the log.
QString errorText(const QSqlQuery &q);
QString errorText(const QSqlDatabase &db);

// A value as it is bound: a flag becomes 1 or 0, as every store keeps it
// (the server's flag columns are numbers, as SQLite's are).
inline QVariant bindable(const QVariant &v)
{
    return v.typeId() == QMetaType::Bool ? QVariant(v.toBool() ? 1 : 0) : v;
}

// Reads the query's rows one by one as they come, where the store allows
// other statements to run meanwhile (SQLite). On the server the rows are
// read at once, so that statements run while walking them lose none.
void forwardOnly(QSqlQuery &q);

// Runs one statement; the error carries the store's message.
Status exec(QSqlDatabase &db, const QString &statement);
Status exec(QSqlQuery &q);
Status exec(QSqlQuery &q, const QString &statement);
// Prepares the statement, binds the values in their order and runs it; the
// error carries the store's message and the given code.
Status execBound(QSqlQuery &q, const QString &statement, const QVariantList &binds, int code = 1);

// One single-value query (for example "Select Max (CdProduto) as cod from
// Produtos"); an invalid QVariant when no row.
Result<QVariant> scalar(QSqlDatabase &db, const QString &statement);

// All-or-nothing: begins on construction, rolls back on destruction unless
// commit() succeeded. On the SQLite store the write lock is taken at the
// start (BEGIN IMMEDIATE), waiting the connection's busy timeout for another
// writer to finish.
class Transaction {
public:
    explicit Transaction(QSqlDatabase &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // False with error() when the transaction could not begin.
    bool active() const { return m_active; }
    const Error &error() const { return m_error; }
    Status commit();
    void rollback();

private:
    QSqlDatabase &m_db;
    bool m_active = false;
    Error m_error;
};

} // namespace quirels::sql
