#pragma once
// A report source over one statement of the store, read forward only.

#include "reports/Engine.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace quirels::reports {

class SqlSource : public Source {
public:
    // The statement's "?" placeholders take the values in order.
    SqlSource(QSqlDatabase db, QString statement, QVariantList values = {});
    Status open() override;
    bool next() override;
    QVariant value(const QString &field) const override;

private:
    QSqlDatabase m_db;
    QString m_statement;
    QVariantList m_values;
    QSqlQuery m_query;
    mutable QHash<QString, int> m_index; // field name as asked -> column, -1 unknown
    bool m_onRow = false;
};

} // namespace quirels::reports
