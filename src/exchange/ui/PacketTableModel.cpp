#include "PacketTableModel.h"

#include "base/Numbers.h"
#include "store/Schema.h"

namespace quirels::exchange {

PacketTableModel::PacketTableModel(const Level &level, const QStringList &columns, QObject *parent)
    : QAbstractTableModel(parent), m_level(level), m_columns(columns)
{
    const schema::Table *table = schema::table(level.table);
    for (const QString &c : columns) {
        m_fields.push_back(level.fieldIndex(c));
        const schema::Field *f = table ? table->field(c) : nullptr;
        m_formats.append(f ? QString::fromLatin1(f->display) : QString());
    }
}

void PacketTableModel::setRows(const std::vector<PacketRow> *rows)
{
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

const PacketRow *PacketTableModel::row(int r) const
{
    if (!m_rows || r < 0 || static_cast<size_t>(r) >= m_rows->size())
        return nullptr;
    return &(*m_rows)[static_cast<size_t>(r)];
}

int PacketTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_rows ? 0 : static_cast<int>(m_rows->size());
}

int PacketTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant PacketTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::TextAlignmentRole))
        return {};
    const PacketRow *r = row(index.row());
    const int field = index.column() < static_cast<int>(m_fields.size()) ? m_fields[static_cast<size_t>(index.column())] : -1;
    if (!r || field < 0 || field >= r->values.size())
        return {};
    const FieldKind kind = m_level.fields[static_cast<size_t>(field)].kind;
    const bool numeric = kind == FieldKind::Number || kind == FieldKind::Integer || kind == FieldKind::Counter;
    if (role == Qt::TextAlignmentRole)
        return numeric ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    const QVariant v = r->values.at(field);
    if (v.isNull())
        return QString();
    if (kind == FieldKind::Number) {
        const QString &picture = m_formats.at(index.column());
        return picture.isEmpty() ? numbers::general(v.toDouble()) : numbers::format(v.toDouble(), picture);
    }
    return v.toString();
}

QVariant PacketTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_columns.size() ? QVariant(m_columns.at(section)) : QVariant();
    return section + 1;
}

} // namespace quirels::exchange
