#include "ResponsibleDialog.h"

#include "base/ui/Focus.h"
#include "Hints.h"
#include "NumberEdit.h"
#include "shell/CpfCnpj.h"
#include "shell/Messages.h"
#include "store/Cursor.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quirels {

namespace {

const QStringList &ufCodes()
{
    static const QStringList codes{
        QStringLiteral("AC"), QStringLiteral("AL"), QStringLiteral("AM"), QStringLiteral("AP"), QStringLiteral("BA"),
        QStringLiteral("CE"), QStringLiteral("DF"), QStringLiteral("ES"), QStringLiteral("GO"), QStringLiteral("MA"),
        QStringLiteral("MG"), QStringLiteral("MS"), QStringLiteral("MT"), QStringLiteral("PA"), QStringLiteral("PB"),
        QStringLiteral("PE"), QStringLiteral("PI"), QStringLiteral("PR"), QStringLiteral("RJ"), QStringLiteral("RN"),
        QStringLiteral("RO"), QStringLiteral("RR"), QStringLiteral("RS"), QStringLiteral("SC"), QStringLiteral("SE"),
        QStringLiteral("SP"), QStringLiteral("TO")};
    return codes;
}

QLineEdit *textField(QWidget *parent, const char *name, int width)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(width);
    return e;
}

} // namespace

// ---- PhoneEdit ----

PhoneEdit::PhoneEdit(QWidget *parent) : QLineEdit(parent) { setMaxLength(8); }

QString PhoneEdit::value() const
{
    return m_mask.isEmpty() ? text().trimmed() : m_mask.store(displayText());
}

void PhoneEdit::setValue(const QString &digits) { applyMask(digits.trimmed()); }

void PhoneEdit::applyMask(const QString &digits)
{
    if (digits.size() == 7)
        m_mask = EditMask(QStringLiteral("\\ 999-9999;0;_"));
    else if (digits.size() == 8)
        m_mask = EditMask(QStringLiteral("9999-9999;0;_"));
    else
        m_mask = EditMask();
    if (m_mask.isEmpty()) {
        setInputMask(QString());
        setMaxLength(8);
        setText(digits);
    } else {
        setInputMask(m_mask.qtInputMask());
        setText(m_mask.display(digits));
    }
}

void PhoneEdit::focusInEvent(QFocusEvent *e)
{
    const QString digits = value();
    m_mask = EditMask();
    setInputMask(QString());
    setMaxLength(8);
    setText(digits);
    QLineEdit::focusInEvent(e);
}

void PhoneEdit::focusOutEvent(QFocusEvent *e)
{
    QLineEdit::focusOutEvent(e);
    if (leavesTheField(e) && m_mask.isEmpty())
        applyMask(value());
}

void PhoneEdit::keyPressEvent(QKeyEvent *e)
{
    // Of the keys that type a character only the digits, Backspace and Enter
    // get through; keys that move or delete do.
    const QString t = e->text();
    const bool shortcut = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool typing = !shortcut && !t.isEmpty() && t.at(0).isPrint();
    if (typing && (t.size() != 1 || !cpfcnpj::isNumberKey(t.at(0))))
        return;
    QLineEdit::keyPressEvent(e);
}

// ---- TfrmResponsavelQuirels ----

TfrmResponsavelQuirels::TfrmResponsavelQuirels(store::Cursor &empresa, Dialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_empresa(empresa), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmResponsavelQuirels"));
    setWindowTitle(QStringLiteral("Dados do Responsável pelo Preenchimento - Representante da Empresa"));
    setModal(true);
    // Wide enough for the whole caption in a window manager's title bar
    // (a bold face, the icon and three buttons beside it).
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) * 6 / 5 + 120);

    auto *box = new QGroupBox(QStringLiteral("Dados do Responsável"), this);
    m_name = textField(box, "edtNmResponsavel", 40);
    m_cpf = new NumberEdit(box);
    m_cpf->setObjectName(QStringLiteral("edtNrCpfResponsavel"));
    m_cpf->setRule(NumberEdit::Rule::Responsible);
    m_cpf->setDialogs(&m_dialogs);
    m_cpf->setDigitsOnly(true);
    m_cpf->setWidth(11);
    m_identity = textField(box, "edtNrIdentidade", 14);
    m_issuer = textField(box, "edtNmOrgao", 35);
    connect(m_issuer, &QLineEdit::textEdited, m_issuer, [this](const QString &t) {
        const int pos = m_issuer->cursorPosition();
        m_issuer->setText(t.toUpper());
        m_issuer->setCursorPosition(pos);
    });
    m_uf = new QComboBox(box);
    m_uf->setObjectName(QStringLiteral("cmbSgUF"));
    m_uf->setEditable(false);
    m_uf->addItems(ufCodes());
    m_uf->setCurrentIndex(-1);
    m_ddd = textField(box, "edtNrDDD", 3);
    m_phone = new PhoneEdit(box);
    m_phone->setObjectName(QStringLiteral("edtNrFone"));
    m_fax = new PhoneEdit(box);
    m_fax->setObjectName(QStringLiteral("edtNrFax"));
    m_email = textField(box, "edtNmEmail", 50);

    auto *grid = new QGridLayout(box);
    auto add = [&](int row, int col, const QString &label, QWidget *field, int span = 1) {
        auto *l = new QLabel(label, box);
        l->setBuddy(field);
        grid->addWidget(l, row * 2, col, 1, span);
        grid->addWidget(field, row * 2 + 1, col, 1, span);
    };
    add(0, 0, QStringLiteral("Nome do Responsável"), m_name, 4);
    add(1, 0, QStringLiteral("CPF"), m_cpf);
    add(1, 1, QStringLiteral("Identidade"), m_identity);
    add(1, 2, QStringLiteral("Órgão"), m_issuer);
    add(1, 3, QStringLiteral("UF"), m_uf);
    add(2, 0, QStringLiteral("DDD"), m_ddd);
    add(2, 1, QStringLiteral("Telefone"), m_phone);
    add(2, 2, QStringLiteral("Fax"), m_fax);
    add(3, 0, QStringLiteral("E-Mail"), m_email, 4);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setDefault(true);
    setHint(ok, QStringLiteral("Confirma dados e fecha tela"));
    connect(ok, &QPushButton::clicked, this, &TfrmResponsavelQuirels::confirm);
    auto *cancelButton = new QPushButton(QStringLiteral("&Cancelar"), this);
    cancelButton->setObjectName(QStringLiteral("btnCancelar"));
    cancelButton->setAutoDefault(false);
    setHint(cancelButton, QStringLiteral("Cancela ação e fecha tela"));
    connect(cancelButton, &QPushButton::clicked, this, &TfrmResponsavelQuirels::cancel);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addLayout(buttons);

    load();
}

bool TfrmResponsavelQuirels::run(store::Cursor &empresa, Dialogs &dialogs, QWidget *parent)
{
    TfrmResponsavelQuirels dlg(empresa, dialogs, parent);
    dlg.exec();
    return !dlg.cancelled();
}

void TfrmResponsavelQuirels::load()
{
    auto text = [this](const char *field) { return m_empresa.value(QString::fromLatin1(field)).toString(); };
    m_name->setText(text("NmResponsavel"));
    const QString cpf = text("NrCpfResponsavel").trimmed();
    m_cpf->setValue(cpf, cpf.isEmpty() ? cpfcnpj::MaskKind::None : cpfcnpj::MaskKind::Cpf);
    m_identity->setText(text("NrIdentidade"));
    m_issuer->setText(text("NmOrgao"));
    m_uf->setCurrentIndex(static_cast<int>(ufCodes().indexOf(text("SgUF").trimmed().toUpper())));
    m_ddd->setText(text("NrDDD"));
    m_phone->setValue(text("NrFone"));
    m_fax->setValue(text("NrFax"));
    m_email->setText(text("NmEmail"));
}

void TfrmResponsavelQuirels::confirm()
{
    const struct {
        bool missing;
        const QString &message;
        QWidget *field;
    } checks[] = {
        {m_name->text().trimmed().isEmpty(), shell::msg::kInformeNomeResponsavel, m_name},
        {m_cpf->value().trimmed().isEmpty(), shell::msg::kInformeCpfResponsavel, m_cpf},
        {m_identity->text().trimmed().isEmpty(), shell::msg::kInformeIdentidadeResponsavel, m_identity},
        {m_issuer->text().trimmed().isEmpty(), shell::msg::kInformeOrgaoResponsavel, m_issuer},
        {m_uf->currentIndex() < 0, shell::msg::kInformeUFResponsavel, m_uf},
    };
    for (const auto &c : checks) {
        if (c.missing) {
            m_dialogs.information(c.message);
            if (c.field->isEnabled())
                m_dialogs.focus(c.field->objectName());
            return;
        }
        // OK reached from the CPF field itself (Enter) has not left it: its
        // test runs here, with its message and the focus back in the field.
        if (c.field == m_cpf && !m_cpf->leave())
            return;
    }
    if (save())
        accept();
}

bool TfrmResponsavelQuirels::save()
{
    if (!m_empresa.isEditing() && !m_empresa.edit())
        return false;
    const struct {
        const char *field;
        QString value;
    } values[] = {
        {"NmResponsavel", m_name->text()}, {"NrCpfResponsavel", m_cpf->value()},
        {"NrIdentidade", m_identity->text()}, {"NmOrgao", m_issuer->text()},
        {"SgUF", m_uf->currentText()}, {"NrDDD", m_ddd->text()},
        {"NrFone", m_phone->value()}, {"NrFax", m_fax->value()},
        {"NmEmail", m_email->text()},
    };
    for (const auto &v : values)
        if (!m_empresa.setValue(QString::fromLatin1(v.field), v.value))
            return false;
    // The cursor shows its own message when the store refuses the row.
    return m_empresa.post().ok();
}

void TfrmResponsavelQuirels::cancel()
{
    m_cancelled = true;
    if (m_empresa.isEditing())
        m_empresa.cancel();
    reject();
}

void TfrmResponsavelQuirels::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        cancel();
        return;
    }
    QDialog::keyPressEvent(e);
}

} // namespace quirels
