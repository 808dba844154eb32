#include "EnterKey.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>

namespace quirels {

bool isPlainEnter(const QKeyEvent *key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

namespace {

const char kProperty[] = "quirelsEnterMovesOn";

bool isSingleLineField(QWidget *w)
{
    if (qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w))
        return true;
    // A choice (radio group, check box) is a field too: the arrows or Space
    // choose, Enter moves on.
    if (qobject_cast<QRadioButton *>(w) || qobject_cast<QCheckBox *>(w))
        return true;
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        // The edit of a drop-down or number box counts as that field; an
        // edit inside a list (a cell being edited) does not count.
        QWidget *owner = e->parentWidget();
        return !owner || qobject_cast<QComboBox *>(owner) || qobject_cast<QAbstractSpinBox *>(owner)
               || !owner->inherits("QAbstractItemView") && !(owner->parentWidget()
                                                              && owner->parentWidget()->inherits("QAbstractItemView"));
    }
    return false;
}

bool wantsEnterAsTab(QWidget *w)
{
    for (QWidget *p = w; p; p = p->parentWidget()) {
        if (p->property(kProperty).toBool())
            return true;
        if (p->isWindow())
            return false;
    }
    return false;
}

// Seen before any widget: the key is turned into Tab for the field that has
// the focus, so that leaving the field runs exactly what Tab runs.
class EnterAsTab : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (e->type() != QEvent::KeyPress)
            return false;
        auto *k = static_cast<QKeyEvent *>(e);
        if (!isPlainEnter(k))
            return false;
        QWidget *focus = QApplication::focusWidget();
        if (!focus || watched != focus || !isSingleLineField(focus) || !wantsEnterAsTab(focus))
            return false;
        QComboBox *combo = qobject_cast<QComboBox *>(focus);
        if (!combo)
            combo = qobject_cast<QComboBox *>(focus->parentWidget());
        if (combo && combo->view() && combo->view()->isVisible())
            return false; // Enter picks the entry of an open list
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QCoreApplication::sendEvent(focus, &tab);
        return true;
    }
};

} // namespace

void enterMovesToNextField(QWidget *root)
{
    static EnterAsTab *filter = nullptr;
    if (!filter) {
        filter = new EnterAsTab;
        filter->setParent(qApp);
        qApp->installEventFilter(filter);
    }
    root->setProperty(kProperty, true);
}

} // namespace quirels
