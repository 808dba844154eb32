#pragma once
// A read-only table over the rows of one data set of a loaded packet, with
// the columns a grid of the import window shows.

#include "exchange/Packet.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

namespace quirels::exchange {

class PacketTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // columns: field names of the level, in the grid's order.
    PacketTableModel(const Level &level, const QStringList &columns, QObject *parent = nullptr);

    // The rows shown; null shows none. The rows must outlive the model's use.
    void setRows(const std::vector<PacketRow> *rows);
    const PacketRow *row(int r) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const Level &m_level;
    QStringList m_columns;
    std::vector<int> m_fields;      // field index per column
    QStringList m_formats;          // display format per column ("0.000"), empty for general
    const std::vector<PacketRow> *m_rows = nullptr;
};

} // namespace quirels::exchange
