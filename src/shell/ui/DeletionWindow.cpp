#include "DeletionWindow.h"

#include "Hints.h"
#include "PeriodWidgets.h"
#include "shell/CpfCnpj.h"
#include "shell/PeriodChoice.h"
#include "shell/PeriodOps.h"
#include "store/DataModule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quirels {

TfrmExclusaoQuirels::TfrmExclusaoQuirels(store::DataModule &data, Dialogs &dialogs, Hooks hooks, QWidget *parent)
    // A dialog-type window without modality: it does not block the main
    // window, yet the window manager keeps it in front of its owner.
    : QWidget(parent, Qt::Dialog), m_data(data), m_dialogs(dialogs), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("frmExclusaoQuirels"));
    setWindowTitle(QStringLiteral("Excluir Movimento"));

    m_number = new QLineEdit(this);
    m_number->setObjectName(QStringLiteral("edtCNPJ"));
    m_number->setReadOnly(true);
    // Wide enough for a whole CNPJ with its mask.
    m_number->setMinimumWidth(m_number->fontMetrics().horizontalAdvance(QStringLiteral("00.000.000/0000-00")) + 16);
    setHint(m_number, QStringLiteral("Digite o CNPJ da empresa"));
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("edtRazao"));
    m_name->setReadOnly(true);
    setHint(m_name, QStringLiteral("Digite o nome razão da empresa"));

    m_period = new QGroupBox(QStringLiteral("Período"), this);
    m_period->setObjectName(QStringLiteral("grpPeriodo"));
    m_month = new QComboBox(m_period);
    m_month->setObjectName(QStringLiteral("cmbMes"));
    fillMonthPicker(m_month);
    setHint(m_month, QStringLiteral("Selecione o mês "));
    m_year = new QComboBox(m_period);
    m_year->setObjectName(QStringLiteral("cmbAno"));
    fillYearPicker(m_year);
    setHint(m_year, QStringLiteral("Selecone o ano"));
    auto *periodLayout = new QGridLayout(m_period);
    periodLayout->addWidget(new QLabel(QStringLiteral("Mês"), m_period), 0, 0);
    periodLayout->addWidget(m_month, 1, 0);
    periodLayout->addWidget(new QLabel(QStringLiteral("Ano"), m_period), 0, 1);
    periodLayout->addWidget(m_year, 1, 1);

    auto *companyBox = new QGroupBox(QStringLiteral("Empresa"), this);
    m_all = new QCheckBox(QStringLiteral("Exclusão de Todos os Meses"), companyBox);
    m_all->setObjectName(QStringLiteral("chkTodosMeses"));
    connect(m_all, &QCheckBox::toggled, m_period, [this](bool on) { m_period->setEnabled(!on); });
    auto *companyLayout = new QVBoxLayout(companyBox);
    companyLayout->addWidget(m_all);

    auto *ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("btnOk"));
    connect(ok, &QPushButton::clicked, this, &TfrmExclusaoQuirels::remove);
    auto *cancelButton = new QPushButton(QStringLiteral("&Cancelar"), this);
    cancelButton->setObjectName(QStringLiteral("btnCancelar"));
    setHint(cancelButton, QStringLiteral("Cancela seleção do período e fecha a tela"));
    connect(cancelButton, &QPushButton::clicked, this, &TfrmExclusaoQuirels::cancel);

    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("CNPJ"), this), 0, 0);
    fields->addWidget(m_number, 1, 0);
    fields->addWidget(new QLabel(QStringLiteral("Razão Social"), this), 0, 1);
    fields->addWidget(m_name, 1, 1);
    fields->setColumnStretch(1, 1);
    auto *boxes = new QHBoxLayout;
    boxes->addWidget(m_period);
    boxes->addWidget(companyBox);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(boxes);
    layout->addLayout(buttons);
    resize(480, 200);
}

void TfrmExclusaoQuirels::showEvent(QShowEvent *e)
{
    refresh();
    QWidget::showEvent(e);
}

void TfrmExclusaoQuirels::refresh()
{
    // The company as the data module holds it, pending changes included.
    const store::Cursor &empresa = m_data.empresa();
    const bool onRow = empresa.isOpen() && (empresa.row() >= 0 || empresa.isEditing());
    m_cnpj = onRow ? empresa.value(QStringLiteral("CdCNPJEmpr")).toString().trimmed() : QString();
    const QString razao = onRow ? empresa.value(QStringLiteral("NmRazao")).toString() : QString();
    // More than 13 characters: the CNPJ mask; otherwise the CPF mask.
    const cpfcnpj::MaskKind mask = m_cnpj.size() > 13 ? cpfcnpj::MaskKind::Cnpj : cpfcnpj::MaskKind::Cpf;
    m_number->setText(cpfcnpj::formatted(m_cnpj, mask));
    m_name->setText(razao);
    // The open month, or the company's last one.
    if (m_cnpj.isEmpty() || !m_data.isConnected())
        return;
    QSqlDatabase db = m_data.database();
    const PeriodKey open = m_hooks.openPeriod ? m_hooks.openPeriod() : PeriodKey();
    if (Result<std::optional<PeriodKey>> p = shell::suggestedPeriod(db, m_cnpj, open, shell::PeriodUse::Delete))
        showPeriod(m_month, m_year, *p);
}

void TfrmExclusaoQuirels::remove()
{
    if (m_cnpj.isEmpty() || !m_data.isConnected())
        return;
    QSqlDatabase db = m_data.database();
    const QString razao = m_name->text();
    // Reconnecting replaces the connection: this window's handle on it is
    // let go first, so no handle is left on a removed connection.
    shell::DeletionHooks hooks{m_hooks.closeCompany, [this, &db] {
                                   db = QSqlDatabase();
                                   if (m_hooks.reconnect)
                                       m_hooks.reconnect();
                               }};
    Result<shell::DeleteOutcome> r = m_all->isChecked()
        ? shell::confirmAndDeleteCompany(db, m_cnpj, razao, m_dialogs, hooks)
        : shell::confirmAndDeletePeriod(db, PeriodKey{m_cnpj, m_year->currentText(), m_month->currentText()}, razao,
                                        m_dialogs, hooks);
    if (!r) {
        m_dialogs.error(r.message());
        return;
    }
    // A period that does not exist keeps the window open for another choice.
    if (*r != shell::DeleteOutcome::NoSuchPeriod)
        close();
}

void TfrmExclusaoQuirels::cancel()
{
    store::Cursor &empresa = m_data.empresa();
    if (empresa.isEditing())
        empresa.cancel();
    close();
}

} // namespace quirels
