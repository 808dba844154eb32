#include "NovaQuirels.h"

#include "Hints.h"
#include "MainWindow.h"
#include "NumberEdit.h"
#include "Periodo.h"
#include "shell/CpfCnpj.h"
#include "shell/Messages.h"
#include "store/Schema.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quirels {

namespace msg = shell::msg;

namespace {

void makeUpperCaseAsTyped(QLineEdit *edit)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString &text) {
        const QString upper = text.toUpper();
        if (upper == text)
            return;
        const int pos = edit->cursorPosition();
        edit->setText(upper);
        edit->setCursorPosition(pos);
    });
}

} // namespace

TfrmNovaQuirels::TfrmNovaQuirels(MainWindow &main, QWidget *parent)
    : QDialog(parent), m_main(main), m_number(new NumberEdit(this)), m_name(new QLineEdit(this))
{
    setObjectName(QStringLiteral("frmNovaQuirels"));
    setWindowTitle(QStringLiteral("Cadastramento de Nova Empresa"));

    m_number->setObjectName(QStringLiteral("edtCNPJ"));
    m_number->setRule(NumberEdit::Rule::Typed);
    m_number->setDigitsOnly(true);
    m_number->setWidth(schema::textWidth(QStringLiteral("Empresa"), QStringLiteral("CdCNPJEmpr")));
    m_number->setDialogs(&main.dialogs());
    setHint(m_number, QStringLiteral("Digite o CNPJ da empresa"));

    m_name->setObjectName(QStringLiteral("edtRazao"));
    m_name->setMaxLength(schema::textWidth(QStringLiteral("Empresa"), QStringLiteral("NmRazao")));
    m_name->setMinimumWidth(380);
    makeUpperCaseAsTyped(m_name);
    setHint(m_name, QStringLiteral("Digite o nome razão da empresa"));

    auto *ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setAutoDefault(false);
    setHint(ok, QStringLiteral("Confirma nova empresa"));
    auto *cancel = new QPushButton(QStringLiteral("&Cancelar"), this);
    cancel->setObjectName(QStringLiteral("btnCancelar"));
    cancel->setAutoDefault(false);
    setHint(cancel, QStringLiteral("Cancela inclusão e fecha tela"));
    connect(ok, &QPushButton::clicked, this, [this] { registerCompany(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("CNPJ/CPF"), m_number);
    form->addRow(QStringLiteral("Razão Social/Nome"), m_name);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    m_number->setFocus();

    m_periodRunner = [this](const QString &number, const QString &name) {
        TfrmPeriodo period(m_main, number, name, this);
        return period.exec() == QDialog::Accepted;
    };
}

bool TfrmNovaQuirels::registerCompany()
{
    Dialogs &d = m_main.dialogs();
    const QString number = m_number->value();
    if (number.trimmed().isEmpty()) {
        d.information(msg::kInformeCnpj);
        d.focus(m_number->objectName());
        return false;
    }
    const QString name = m_name->text();
    if (name.trimmed().isEmpty()) {
        d.information(msg::kInformeRazao);
        d.focus(m_name->objectName());
        return false;
    }
    const cpfcnpj::Check check = cpfcnpj::checkRegistration(number);
    if (!check.ok()) {
        d.error(check.message);
        d.focus(m_number->objectName());
        return false;
    }
    m_main.enableCompanyCommands();
    // Without a period there is no company to work on: the commands that
    // registration enabled go again.
    if (!m_periodRunner(number, name))
        m_main.disableCompanyCommands();
    accept();
    return true;
}

} // namespace quirels
