#pragma once
// Rows of one table inserted many at a time by a bulk operation, inside the
// caller's transaction, with each row's auto-increment number known as soon
// as the row is added (the rows that follow link to it).
//
// On the SQLite store every row is written when it is added: the engine is in
// the process and one more statement costs microseconds. On the server every
// statement is a round trip, so rows wait in the client and go in groups, one
// statement a group; their numbers are taken from the table's counter
// beforehand, in one statement for as many rows as the caller expects, so that
// no other workstation can be given them. A failure of a waiting row shows at
// the add() that sends its group, or at finish(): the caller's transaction is
// then rolled back as a whole, as for any failure of a bulk operation. A group
// is one statement with one array per column (INSERT ... SELECT FROM
// unnest(...)), which the server reads much faster than a literal per value.

#include "Schema.h"
#include "Statement.h"
#include "base/Result.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

namespace quirels::sql {
class BulkStatement;
}

namespace quirels::store {

class BatchInsert {
public:
    // fields: the columns given for each row, in order (not the table's
    // auto-increment field, which the store or this class numbers).
    // autoIncrement: that field's name, empty when the table has none.
    BatchInsert(QSqlDatabase &db, const QString &table, const QStringList &fields, const QString &autoIncrement = {});
    ~BatchInsert();
    BatchInsert(const BatchInsert &) = delete;
    BatchInsert &operator=(const BatchInsert &) = delete;

    // Prepares the statements; rows: how many rows the caller expects to add
    // (numbers are reserved for that many at once on the server; more rows
    // than that still work, fewer leave unused numbers).
    Status prepare(qint64 rows);

    // Value i of the next row (a flag is stored as 1 or 0).
    void set(int i, const QVariant &v);
    // Adds the row set so far; its auto-increment number (0 when the table
    // has no such field).
    Result<qint64> add();
    // Writes the rows still waiting. Before the transaction commits and
    // before anything reads the table.
    Status finish();

    // Rows per statement on the server.
    static constexpr int kGroup = 250;

private:
    Status sendGroup();
    Result<qint64> nextNumber();

    QSqlDatabase m_db;
    QString m_table;
    QStringList m_fields;
    QString m_autoInc;
    bool m_server = false;
    int m_width = 0;          // values per row in the statement
    qint64 m_expected = 0;    // rows the caller still expects
    std::vector<QVariant> m_row; // the row being set
    // SQLite: one row per statement.
    std::unique_ptr<QSqlQuery> m_single;
    std::unique_ptr<sql::BulkStatement> m_singleBulk;
    std::unique_ptr<Statement> m_direct;      // the same, straight on the engine
    // Server: the rows waiting, their values in statement order.
    QVariantList m_pending;
    int m_pendingRows = 0;
    std::unique_ptr<QSqlQuery> m_group;       // one array per column
    std::vector<schema::Type> m_types;        // per column
    std::vector<qint64> m_numbers;            // reserved, not yet given
    size_t m_nextNumber = 0;
};

} // namespace quirels::store
