#pragma once
// A statement prepared once and run for many rows, with values bound and read
// by position: the path of the bulk readers and writers (declaration files,
// packet import) that move a whole month row by row. On the SQLite store it
// talks to the engine directly, without a QVariant per value; on any other
// store it runs through Qt SQL. Callers see the same operations either way.

#include "base/Result.h"

#include <QSqlDatabase>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <memory>

namespace quirels::store {

// The stored type of a value read back.
enum class ValueType { Null, Integer, Real, Text, Blob };

class Statement {
public:
    virtual ~Statement();

    // Parameters are numbered from 0. A bound value stays until bound again.
    virtual void bindNull(int i) = 0;
    virtual void bindInteger(int i, qint64 v) = 0;
    virtual void bindReal(int i, double v) = 0;
    // The text is copied: the view may die after the call.
    virtual void bindText(int i, QStringView v) = 0;

    // Runs a statement that yields no rows; the store's message on failure.
    virtual Status run() = 0;
    // After a failed run(): whether the failure concerns the row's own values
    // (its key, a required field, a rule of the table), as
    // Failure::aboutRow() tells, so that a caller may name the row or line.
    bool failedOnRow() const { return m_failedOnRow; }
    // The number the store gave the row just inserted.
    virtual qint64 lastInsertId() const = 0;

    // Runs a query with the bound values; then next() moves to each row.
    virtual Status start() = 0;
    // True on a row, false after the last; an error on a store failure.
    virtual Result<bool> next() = 0;

    // Columns of the current row, numbered from 0.
    virtual ValueType type(int column) const = 0;
    virtual qint64 integer(int column) const = 0;
    virtual double real(int column) const = 0;
    // Valid until the next call on the statement.
    virtual QStringView text(int column) const = 0;
    // The same text as UTF-8 bytes (on SQLite as the file holds them, which
    // need not be valid UTF-8: a caller that cares checks them). Valid until
    // the next call on the statement.
    virtual QByteArrayView utf8(int column) const = 0;

    // Appends `count` columns of the current row from `first` on to `to`,
    // compactly and without a QVariant each (on SQLite the texts' bytes as
    // the file holds them). readColumn() gives them back one at a time.
    virtual void appendColumns(QByteArray &to, int first, int count) const = 0;
    // The value of the column that starts at `at` in what appendColumns()
    // wrote, as value() would have given it; `at` moves past it.
    static QVariant readColumn(const char *&at);
    // The value as a Qt SQL query gives it (a null QVariant for NULL).
    virtual QVariant value(int column) const = 0;

protected:
    bool m_failedOnRow = false;
};

// Binds value i as the Qt SQLite driver binds a QVariant: null (a null text
// included) as NULL, flags and whole numbers as integers, decimals as reals,
// texts as texts. False, and nothing bound, for any other kind (a caller then
// binds it through Qt SQL).
bool bindAsQtSql(Statement &st, int i, const QVariant &v);

// Prepares statement on db; the store's message when it does not compile.
Result<std::unique_ptr<Statement>> prepare(QSqlDatabase &db, const QString &statement);

} // namespace quirels::store
