#include "WrapText.h"

#include <QHeaderView>
#include <QPointer>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>

namespace quirels {

QString wrapTitle(const QString &title, int lineChars)
{
    const QStringList words = title.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList lines;
    QString line;
    for (const QString &w : words) {
        if (!line.isEmpty() && line.size() + 1 + w.size() > lineChars) {
            lines.append(line);
            line.clear();
        }
        line += line.isEmpty() ? w : QLatin1Char(' ') + w;
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines.join(QLatin1Char('\n'));
}

namespace {

// The tree asks its items' heights without their column's width; this
// delegate measures the wrapped text at that width.
class WrappingDelegate : public QStyledItemDelegate {
public:
    explicit WrappingDelegate(QTreeView *view) : QStyledItemDelegate(view), m_view(view) {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem o(option);
        // The style wraps only within a valid rectangle: the height is
        // what is being asked, any will do.
        o.rect = QRect(0, 0, m_view->columnWidth(index.column()), option.fontMetrics.height());
        o.features |= QStyleOptionViewItem::WrapText;
        return QStyledItemDelegate::sizeHint(o, index);
    }

private:
    QTreeView *m_view;
};

} // namespace

void wrapItemLines(QTreeView *view)
{
    view->setWordWrap(true);
    view->setUniformRowHeights(false);
    view->setTextElideMode(Qt::ElideNone);
    view->setItemDelegate(new WrappingDelegate(view));
    // A change of width lays the rows out again, once for a burst of changes.
    auto *relayout = new QTimer(view);
    relayout->setSingleShot(true);
    relayout->setInterval(0);
    QObject::connect(relayout, &QTimer::timeout, view, [view] { view->doItemsLayout(); });
    QObject::connect(view->header(), &QHeaderView::sectionResized, relayout, qOverload<>(&QTimer::start));
}

} // namespace quirels
