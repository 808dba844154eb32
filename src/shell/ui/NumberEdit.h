#pragma once
// A field holding a CNPJ or CPF as bare digits. While it has the focus its
// mask is removed, so the user types digits; when it is left the mask that
// fits is put back and, depending on the field's rule, the number is tested.

#include "shell/CpfCnpj.h"

#include <QLineEdit>

namespace quirels {

class Dialogs;

class NumberEdit : public QLineEdit {
    Q_OBJECT
public:
    enum class Rule {
        Typed,        // company number being typed: mask by length, no test
        Counterpart,  // supplier, carrier, owner, shipper, consignee
        Responsible,  // the person responsible's CPF
    };

    explicit NumberEdit(QWidget *parent = nullptr);

    void setRule(Rule rule) { m_rule = rule; }
    // Where the messages of a failed test go.
    void setDialogs(Dialogs *dialogs) { m_dialogs = dialogs; }
    // The most digits the field takes (its field's width); kept while the
    // mask comes and goes.
    void setWidth(int width);
    // Lets only the digits, Backspace and Enter through.
    void setDigitsOnly(bool on) { m_digitsOnly = on; }

    // The stored form: the digits without the mask's literals.
    QString value() const;
    // Shows a stored value with the given mask (Keep: the current one).
    void setValue(const QString &digits, cpfcnpj::MaskKind mask = cpfcnpj::MaskKind::Keep);
    void applyMask(cpfcnpj::MaskKind mask);
    void removeMask();
    cpfcnpj::MaskKind maskKind() const { return m_mask; }

    // What leaving the field does; also run by tests and by callers that
    // check the field before the focus leaves it. False after a message.
    bool leave();

signals:
    void checkFailed();

protected:
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    Rule m_rule = Rule::Typed;
    Dialogs *m_dialogs = nullptr;
    bool m_digitsOnly = false;
    bool m_inLeave = false;
    int m_width = 0;
    void clearInputMask();
    cpfcnpj::MaskKind m_mask = cpfcnpj::MaskKind::None;
};

} // namespace quirels
