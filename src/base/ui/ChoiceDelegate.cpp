#include "ChoiceDelegate.h"

#include <QComboBox>

namespace quirels {

ChoiceDelegate::ChoiceDelegate(QStringList choices, QObject *parent)
    : QStyledItemDelegate(parent), m_choices(std::move(choices))
{
}

QWidget *ChoiceDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("cmbEscolha"));
    box->addItems(m_choices);
    box->setEditable(false);
    return box;
}

void ChoiceDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *box = static_cast<QComboBox *>(editor);
    const int at = box->findText(index.data(Qt::EditRole).toString(), Qt::MatchFixedString);
    box->setCurrentIndex(at >= 0 ? at : 0);
}

void ChoiceDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    model->setData(index, static_cast<QComboBox *>(editor)->currentText(), Qt::EditRole);
}

} // namespace quirels
