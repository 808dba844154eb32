#include "MaskCaret.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace quirels {

namespace {

class MaskCaret : public QObject {
public:
    MaskCaret(QLineEdit *edit, EditMask mask) : QObject(edit), m_edit(edit), m_mask(std::move(mask))
    {
        edit->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (watched != m_edit)
            return false;
        if (e->type() == QEvent::FocusIn) {
            // After the field's own handling, which selects all or puts the
            // caret under the pointer.
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(e)->reason();
            const bool tabbed = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
                             || reason == Qt::ShortcutFocusReason;
            QPointer<QLineEdit> edit = m_edit;
            QTimer::singleShot(0, this, [this, edit, tabbed] {
                if (edit && edit->hasFocus())
                    place(true, tabbed);
            });
        } else if (e->type() == QEvent::MouseButtonRelease) {
            QPointer<QLineEdit> edit = m_edit;
            QTimer::singleShot(0, this, [this, edit] {
                if (edit && edit->hasFocus())
                    place(false);
            });
        }
        return false;
    }

private:
    // On entering: to the first empty position whenever there is one; a
    // field filled whole and entered with Tab is selected, so that what is
    // typed replaces it, as in a field without a mask. On a click: only when
    // the click fell past it, so that a typed character can still be
    // corrected by clicking on it.
    void place(bool entering, bool tabbed = false)
    {
        if (m_edit->inputMask().isEmpty() || m_edit->isReadOnly())
            return;
        const int empty = m_mask.firstEmpty(m_edit->displayText());
        if (empty >= m_mask.length()) {
            if (entering && tabbed)
                m_edit->selectAll();
            return;
        }
        if (entering) {
            m_edit->deselect();
            m_edit->setCursorPosition(empty);
        } else if (!m_edit->hasSelectedText() && m_edit->cursorPosition() > empty) {
            m_edit->setCursorPosition(empty);
        }
    }

    QLineEdit *m_edit;
    EditMask m_mask;
};

} // namespace

void keepCaretInMask(QLineEdit *edit, const EditMask &mask)
{
    if (edit)
        new MaskCaret(edit, mask);
}

void focusField(QWidget *field)
{
    if (!field)
        return;
    field->setFocus(Qt::TabFocusReason);
    // The window may get its focus back later, with a reason for which the
    // edit selects nothing: the selection is made here.
    QLineEdit *edit = qobject_cast<QLineEdit *>(field);
    if (auto *combo = qobject_cast<QComboBox *>(field))
        edit = combo->lineEdit();
    if (edit && edit->inputMask().isEmpty())
        edit->selectAll();
}

} // namespace quirels
