#include "CursorModel.h"

#include "RecordRules.h"
#include "base/Masks.h"
#include "base/Numbers.h"

namespace quirels::store {

CursorModel::CursorModel(Cursor &cursor, const QStringList &columns, QObject *parent)
    : QAbstractTableModel(parent), m_cursor(cursor), m_columns(columns)
{
    const schema::Table &t = m_cursor.table();
    if (m_columns.isEmpty())
        m_columns = t.fieldNames() + m_cursor.lookupNames();
    const QStringList lookups = m_cursor.lookupNames();
    for (QString &c : m_columns) {
        int f = m_cursor.fieldIndex(c);
        if (f >= 0) {
            c = t.fields[static_cast<size_t>(f)].qname();
        } else {
            for (qsizetype i = 0; i < lookups.size(); ++i)
                if (lookups.at(i).compare(c, Qt::CaseInsensitive) == 0) {
                    f = static_cast<int>(t.fields.size() + static_cast<size_t>(i));
                    c = lookups.at(i);
                }
        }
        m_fieldIndex.append(f);
    }
    m_headers = m_columns;

    connect(&m_cursor, &Cursor::aboutToReset, this, [this] { beginResetModel(); });
    connect(&m_cursor, &Cursor::resetDone, this, [this] { endResetModel(); });
    connect(&m_cursor, &Cursor::rowAboutToBeInserted, this, [this](int r) { beginInsertRows(QModelIndex(), r, r); });
    connect(&m_cursor, &Cursor::rowInserted, this, [this](int) { endInsertRows(); });
    connect(&m_cursor, &Cursor::rowAboutToBeRemoved, this, [this](int r) { beginRemoveRows(QModelIndex(), r, r); });
    connect(&m_cursor, &Cursor::rowRemoved, this, [this](int) { endRemoveRows(); });
    connect(&m_cursor, &Cursor::rowChanged, this, [this](int r) {
        if (!m_columns.isEmpty())
            emit dataChanged(index(r, 0), index(r, static_cast<int>(m_columns.size()) - 1));
    });
}

void CursorModel::setHeaders(const QStringList &captions)
{
    for (qsizetype i = 0; i < captions.size() && i < m_headers.size(); ++i)
        m_headers[i] = captions.at(i);
    if (!m_headers.isEmpty())
        emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(m_headers.size()) - 1);
}

int CursorModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_cursor.isOpen())
        return 0;
    return m_cursor.count();
}

int CursorModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QString CursorModel::displayText(int row, int column) const
{
    if (column < 0 || column >= m_columns.size())
        return QString();
    const int f = m_fieldIndex.at(column);
    const QVariant v = m_cursor.valueAt(row, f);
    if (v.isNull())
        return QString();
    const schema::Table &t = m_cursor.table();
    if (f < 0 || f >= static_cast<int>(t.fields.size()))
        return v.toString();
    const schema::Field &field = t.fields[static_cast<size_t>(f)];
    switch (field.type) {
    case schema::Type::Float: return numbers::format(v.toDouble(), QString::fromLatin1(field.display));
    case schema::Type::Integer:
    case schema::Type::AutoInc: return QString::number(v.toLongLong());
    case schema::Type::Boolean: return v.toBool() ? QStringLiteral("Sim") : QStringLiteral("Não");
    case schema::Type::Memo: return v.toString();
    case schema::Type::Text: break;
    }
    const QString text = v.toString();
    // Counterpart numbers: each row by its own length.
    if (!rules::counterpartFields(t.qname()).contains(field.qname())) {
        const EditMask mask(QString::fromLatin1(field.mask));
        return mask.isEmpty() || mask.storesLiterals() ? text : mask.format(text);
    }
    const QString m = rules::counterpartMask(text, QString());
    return m.isEmpty() ? text : EditMask(m).format(text);
}

QVariant CursorModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    const int f = m_fieldIndex.at(index.column());
    switch (role) {
    case Qt::DisplayRole: return displayText(index.row(), index.column());
    case Qt::EditRole: return m_cursor.valueAt(index.row(), f);
    case Qt::TextAlignmentRole: {
        const schema::Table &t = m_cursor.table();
        const bool numeric = f >= 0 && f < static_cast<int>(t.fields.size()) && t.fields[static_cast<size_t>(f)].isNumeric();
        return QVariant::fromValue(Qt::Alignment(numeric ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter));
    }
    default: return QVariant();
    }
}

QVariant CursorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_headers.size() ? QVariant(m_headers.at(section)) : QVariant();
    return section + 1;
}

} // namespace quirels::store
