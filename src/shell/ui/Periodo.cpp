#include "Periodo.h"

#include "EmpresaQuirels.h"
#include "Hints.h"
#include "MainWindow.h"
#include "NumberEdit.h"
#include "PeriodWidgets.h"
#include "shell/Company.h"
#include "shell/Messages.h"
#include "shell/PeriodChoice.h"
#include "store/DataModule.h"
#include "store/Schema.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quirels {

namespace msg = shell::msg;

void fillMonthList(QComboBox *list)
{
    list->setEditable(false);
    list->addItems(schema::monthCodes());
    list->setCurrentIndex(-1);
}

void fillYearList(QComboBox *list)
{
    list->setEditable(false);
    for (int y = 2003; y <= 2030; ++y)
        list->addItem(QString::number(y));
    list->setCurrentIndex(-1);
}

TfrmPeriodo::TfrmPeriodo(MainWindow &main, const QString &number, const QString &name, QWidget *parent)
    : QDialog(parent),
      m_main(main),
      m_typedNumber(number),
      m_typedName(name),
      m_number(new NumberEdit(this)),
      m_nameEdit(new QLineEdit(this)),
      m_month(new QComboBox(this)),
      m_year(new QComboBox(this))
{
    setObjectName(QStringLiteral("frmPeriodo"));
    setWindowTitle(QStringLiteral("Período"));

    m_number->setObjectName(QStringLiteral("edtCNPJ"));
    m_number->setReadOnly(true);
    m_number->setFocusPolicy(Qt::NoFocus);
    m_number->setValue(number, cpfcnpj::typedNumberMask(number));
    setHint(m_number, QStringLiteral("Digite o CNPJ da empresa"));
    m_nameEdit->setObjectName(QStringLiteral("edtRazao"));
    m_nameEdit->setReadOnly(true);
    m_nameEdit->setText(name.toUpper());
    m_nameEdit->setMinimumWidth(380);
    setHint(m_nameEdit, QStringLiteral("Digite o nome razão da empresa"));

    m_month->setObjectName(shell::kMonthList);
    fillMonthList(m_month);
    setHint(m_month, QStringLiteral("Selecione o mês "));
    m_year->setObjectName(shell::kYearList);
    fillYearList(m_year);
    setHint(m_year, QStringLiteral("Selecone o ano"));

    auto *ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("btnOk"));
    // Enter confirms, as in the other dialogs of the program.
    ok->setAutoDefault(false);
    ok->setDefault(true);
    setHint(ok, QStringLiteral("Confirma seleção do período"));
    auto *cancel = new QPushButton(QStringLiteral("&Cancelar"), this);
    cancel->setObjectName(QStringLiteral("btnCancelar"));
    cancel->setAutoDefault(false);
    setHint(cancel, QStringLiteral("Cancela seleção do período e fecha a tela"));
    connect(ok, &QPushButton::clicked, this, [this] { createPeriod(); });
    connect(cancel, &QPushButton::clicked, this, [this] {
        store::Cursor &empresa = m_main.dataModule().empresa();
        if (empresa.isEditing())
            empresa.cancel();
        reject();
    });

    auto *company = new QFormLayout;
    company->addRow(QStringLiteral("CNPJ"), m_number);
    company->addRow(QStringLiteral("Razão Social"), m_nameEdit);
    auto *periodBox = new QGroupBox(QStringLiteral("Período"), this);
    periodBox->setObjectName(QStringLiteral("grpPeriodo"));
    auto *period = new QFormLayout(periodBox);
    period->addRow(QStringLiteral("Mês"), m_month);
    period->addRow(QStringLiteral("Ano"), m_year);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(company);
    layout->addWidget(periodBox);
    layout->addLayout(buttons);
    // The month after the company's last, or the open one for a new company.
    QSqlDatabase db = m_main.db();
    if (Result<std::optional<PeriodKey>> p = shell::suggestedPeriod(
            db, number, m_main.companyOpen() ? m_main.currentPeriod() : PeriodKey(), shell::PeriodUse::Create))
        showPeriod(m_month, m_year, *p);
    m_month->setFocus();
}

bool TfrmPeriodo::createPeriod()
{
    Dialogs &d = m_main.dialogs();
    const QString month = m_month->currentText();
    const QString year = m_year->currentText();
    const shell::FieldCheck check = shell::checkNewPeriod(month, year, m_main.today());
    if (!check.ok()) {
        d.information(check.message);
        d.focus(check.control);
        return false;
    }
    const PeriodKey key{m_typedNumber, year, month};
    QSqlDatabase db = m_main.db();
    Result<shell::PeriodLookup> found = shell::lookupPeriod(db, key);
    if (!found) {
        d.error(found.message());
        return false;
    }
    TfrmEmpresaQuirels::Typed typed;
    switch (*found) {
    case shell::PeriodLookup::PeriodExists:
        if (!d.confirm(msg::kPeriodoJaExiste))
            return false;
        break;
    case shell::PeriodLookup::NoPeriod:
        if (!d.confirm(msg::kEmpresaJaCadastrada))
            return false;
        if (Status s = shell::createPeriod(db, key); !s) {
            d.error(s.message());
            return false;
        }
        break;
    case shell::PeriodLookup::NoCompany:
        if (Status s = shell::createCompany(db, key, m_typedName); !s) {
            d.error(s.message());
            return false;
        }
        typed = {m_typedNumber, m_typedName};
        break;
    }
    if (!m_main.setCurrentPeriod(key)) {
        d.error(msg::kPeriodoNaoEncontrado);
        return false;
    }
    m_main.companyWindow()->showNonModal(typed);
    accept();
    return true;
}

} // namespace quirels
