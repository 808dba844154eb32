#pragma once
// A grid's view of a cursor: one row per row of the cursor, one column per
// chosen field (or lookup), read-only. Numbers are shown with the field's
// display format and the regional decimal separator, counterpart numbers
// with the CNPJ or CPF mask their length asks for, texts through their
// display mask when it does not store its literals.

#include "store/Cursor.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace quirels::store {

class CursorModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Columns: the given fields and lookups of the cursor, or, when none are
    // given, every field of its table followed by its lookups.
    explicit CursorModel(Cursor &cursor, const QStringList &columns = {}, QObject *parent = nullptr);

    Cursor &cursor() const { return m_cursor; }
    const QStringList &columns() const { return m_columns; }
    // Column captions (the field names until set).
    void setHeaders(const QStringList &captions);

    // The text a grid shows for a value of a column.
    QString displayText(int row, int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    Cursor &m_cursor;
    QStringList m_columns;
    QStringList m_headers;
    QList<int> m_fieldIndex; // index in the cursor's value list (lookups after the fields)
};

} // namespace quirels::store
