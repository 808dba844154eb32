#include "ButtonEnter.h"
#include "EnterKey.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace quirels {

namespace {

// The buttons that Enter presses: push and tool buttons. A check box or a
// radio button is a choice, where Enter belongs to the form.
QAbstractButton *pressable(QWidget *w)
{
    if (qobject_cast<QPushButton *>(w) || qobject_cast<QToolButton *>(w))
        return static_cast<QAbstractButton *>(w);
    return nullptr;
}

class EnterPressesButton : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (e->type() != QEvent::KeyPress && e->type() != QEvent::ShortcutOverride)
            return false;
        auto *k = static_cast<QKeyEvent *>(e);
        if (!isPlainEnter(k))
            return false;
        QWidget *focus = QApplication::focusWidget();
        QAbstractButton *button = watched == focus ? pressable(focus) : nullptr;
        if (!button)
            return false;
        // The key belongs to the button, not to a shortcut of its window.
        if (e->type() == QEvent::ShortcutOverride) {
            k->accept();
            return true;
        }
        // Held down, the key presses once.
        if (!k->isAutoRepeat() && button->isEnabled() && button->isVisible())
            button->click();
        return true;
    }
};

} // namespace

void enterPressesFocusedButton()
{
    static QObject *filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new EnterPressesButton(qApp);
    qApp->installEventFilter(filter);
}

} // namespace quirels
