#pragma once
// The person responsible for filling in the maps of a company: name, CPF,
// identity document, telephone. Edits the current row of the company cursor.

#include "base/Dialogs.h"
#include "base/Masks.h"

#include <QDialog>
#include <QLineEdit>

class QComboBox;

namespace quirels::store {
class Cursor;
}

namespace quirels {

class NumberEdit;

// A telephone or fax number: only digits are typed; while the field has the
// focus it shows them bare, and when it is left 7 digits are shown as
// " 999-9999" and 8 digits as "9999-9999". The value is always the digits.
class PhoneEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit PhoneEdit(QWidget *parent = nullptr);
    QString value() const;
    // Shows a stored value with the mask its length calls for.
    void setValue(const QString &digits);

protected:
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    void applyMask(const QString &digits);
    EditMask m_mask;
};

class TfrmResponsavelQuirels : public QDialog {
    Q_OBJECT
public:
    // `empresa` is the company cursor (tblEmpresa) on the company's row.
    TfrmResponsavelQuirels(store::Cursor &empresa, Dialogs &dialogs, QWidget *parent = nullptr);

    // Shows the dialog for the company; false when it was left with
    // "&Cancelar" (or Escape), which the file generation reads.
    static bool run(store::Cursor &empresa, Dialogs &dialogs, QWidget *parent = nullptr);

    // True after "&Cancelar" or Escape; the window's close box leaves it false.
    bool cancelled() const { return m_cancelled; }

    // "OK": the required fields in order, then the row is posted.
    void confirm();
    // "&Cancelar" and Escape: a pending edit of the row is cancelled.
    void cancel();

protected:
    void keyPressEvent(QKeyEvent *e) override;

private:
    void load();
    bool save();

    store::Cursor &m_empresa;
    Dialogs &m_dialogs;
    bool m_cancelled = false;
    QLineEdit *m_name;
    NumberEdit *m_cpf;
    QLineEdit *m_identity;
    QLineEdit *m_issuer;
    QComboBox *m_uf;
    QLineEdit *m_ddd;
    PhoneEdit *m_phone;
    PhoneEdit *m_fax;
    QLineEdit *m_email;
};

} // namespace quirels
