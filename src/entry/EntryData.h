#pragma once
// Where an entry screen finds its cursors: the data module's table cursors
// by table name and the observation view of its letter, and the store for
// the look-ups.

#include "store/Cursor.h"

#include <QSqlDatabase>

namespace quirels::entry {

class EntryData {
public:
    virtual ~EntryData();
    // The cursor of a table ("Empresa", "Mes", "Produtos", ...); null when
    // the data module has none.
    virtual store::Cursor *cursor(const QString &table) = 0;
    // The observation view of one annex letter, restricted to the period.
    virtual store::Cursor *observation(QChar letter) = 0;
    virtual QSqlDatabase database() const = 0;
};

} // namespace quirels::entry
