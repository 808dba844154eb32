#pragma once
// A report source over one statement of the store, read forward only. On
// the SQLite store the rows are read straight from the connection's own
// handle (reports read every row of a month once, and the general query
// layer costs as much as the report itself); other stores go through
// QSqlQuery.

#include "reports/Engine.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace quirels::reports {

class SqlSource : public Source {
public:
    // The statement's "?" placeholders take the values in order.
    SqlSource(QSqlDatabase db, QString statement, QVariantList values = {});
    Status open() override;
    bool next() override;
    QVariant value(const QString &field) const override;
    ~SqlSource() override;

private:
    struct StmtDeleter {
        void operator()(sqlite3_stmt *s) const;
    };
    // False when the store is not SQLite; else the statement is ready or
    // `status` says why not.
    bool openNative(Status &status);
    Status openOn(sqlite3 *db);
    int column(const QString &field) const;

    std::unique_ptr<sqlite3_stmt, StmtDeleter> m_stmt; // the SQLite store's own statement
    QSqlDatabase m_db;
    QString m_statement;
    QVariantList m_values;
    QSqlQuery m_query;
    mutable QHash<QString, int> m_index; // field name as asked -> column, -1 unknown
    bool m_onRow = false;
};

} // namespace quirels::reports
