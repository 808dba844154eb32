#pragma once
// A grid cell whose value is one of a short list: editing it opens a
// drop-down of those values (arrows or the first letter choose, Enter
// stores), so that nothing else can be typed.

#include <QStringList>
#include <QStyledItemDelegate>

namespace quirels {

class ChoiceDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ChoiceDelegate(QStringList choices, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    QStringList m_choices;
};

} // namespace quirels
