#include "NumberEdit.h"

#include "base/ui/Focus.h"
#include "base/Dialogs.h"

#include <QKeyEvent>

namespace quirels {

using cpfcnpj::MaskKind;

NumberEdit::NumberEdit(QWidget *parent) : QLineEdit(parent) {}

void NumberEdit::setWidth(int width)
{
    m_width = width;
    if (inputMask().isEmpty() && width > 0)
        setMaxLength(width);
}

void NumberEdit::clearInputMask()
{
    // Dropping a mask lifts the length limit as well: put the width back.
    setInputMask(QString());
    if (m_width > 0)
        setMaxLength(m_width);
}

QString NumberEdit::value() const
{
    if (m_mask == MaskKind::Cpf || m_mask == MaskKind::Cnpj)
        return cpfcnpj::mask(m_mask).store(displayText());
    return text();
}

void NumberEdit::setValue(const QString &digits, MaskKind mask)
{
    if (mask == MaskKind::Keep)
        mask = m_mask;
    clearInputMask();
    m_mask = MaskKind::None;
    setText(digits);
    applyMask(mask);
}

void NumberEdit::applyMask(MaskKind mask)
{
    if (mask == MaskKind::Keep || mask == m_mask)
        return;
    const QString digits = value();
    const EditMask m = cpfcnpj::mask(mask);
    m_mask = mask;
    if (m.isEmpty()) {
        clearInputMask();
        setText(digits);
        return;
    }
    setInputMask(m.qtInputMask());
    setText(m.display(digits));
}

void NumberEdit::removeMask() { applyMask(MaskKind::None); }

bool NumberEdit::leave()
{
    if (m_inLeave)
        return true;
    m_inLeave = true;
    const QString v = value();
    cpfcnpj::Check check;
    switch (m_rule) {
    case Rule::Typed: check.mask = cpfcnpj::typedNumberMask(v); break;
    case Rule::Counterpart: check = cpfcnpj::checkCounterpart(v); break;
    case Rule::Responsible: check = cpfcnpj::checkResponsible(v); break;
    }
    applyMask(check.mask);
    if (!check.ok()) {
        if (m_dialogs)
            m_dialogs->error(check.message);
        removeMask();
        if (m_dialogs)
            m_dialogs->focus(objectName());
        emit checkFailed();
    }
    m_inLeave = false;
    return check.ok();
}

void NumberEdit::focusInEvent(QFocusEvent *e)
{
    removeMask();
    QLineEdit::focusInEvent(e);
}

void NumberEdit::focusOutEvent(QFocusEvent *e)
{
    QLineEdit::focusOutEvent(e);
    // A message box taking the focus while the field is checked is not a
    // second leaving.
    if (leavesTheField(e) && !isReadOnly())
        leave();
}

void NumberEdit::keyPressEvent(QKeyEvent *e)
{
    if (m_digitsOnly) {
        const QString t = e->text();
        // Keys that type no character (arrows, Home, Delete, Tab) move or
        // delete and are let through; of the typing keys only digits,
        // Backspace and Enter are.
        const bool editKey = e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Return
                             || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Delete;
        const bool typing = !t.isEmpty() && t.at(0).unicode() != 0x7f;
        if (!editKey && typing && (t.size() != 1 || !cpfcnpj::isNumberKey(t.at(0))))
            return;
    }
    QLineEdit::keyPressEvent(e);
}

} // namespace quirels
