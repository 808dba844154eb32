#include "reports/ui/ConfigRelatorio.h"
#include "reports/Messages.h"

#include <QEvent>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quirels::reports::ui {

TfrmConfigRelatorio::TfrmConfigRelatorio(std::function<QChar()> optionsAnnex, Run run, QWidget *parent)
    : QDialog(parent), m_optionsAnnex(std::move(optionsAnnex)), m_run(std::move(run))
{
    setObjectName(QStringLiteral("TfrmConfigRelatorio"));
    setWindowTitle(msg::kConfigCaption);
    m_group = new QGroupBox(this);
    m_group->setObjectName(QStringLiteral("gbRelatorio"));
    m_rbProduto = new QRadioButton(msg::kProduto, m_group);
    m_rbProduto->setObjectName(QStringLiteral("rbProduto"));
    m_rbNotaFiscal = new QRadioButton(m_group);
    m_rbNotaFiscal->setObjectName(QStringLiteral("rbNotaFiscal"));
    m_rbData = new QRadioButton(m_group);
    m_rbData->setObjectName(QStringLiteral("rbData"));
    auto *choices = new QVBoxLayout(m_group);
    choices->addWidget(m_rbProduto);
    choices->addWidget(m_rbNotaFiscal);
    choices->addWidget(m_rbData);
    auto *btn = new QPushButton(msg::kBtnImprimir, this);
    btn->setObjectName(QStringLiteral("btnImprimir"));
    btn->setToolTip(msg::kHintBtnImprimir);
    btn->setStatusTip(msg::kHintBtnImprimir);
    btn->setDefault(true);
    btn->setAutoDefault(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_group);
    layout->addWidget(btn, 0, Qt::AlignRight);
    connect(btn, &QPushButton::clicked, this, &TfrmConfigRelatorio::imprimir);
    setMinimumWidth(460); // the whole caption in the title bar
    setModal(false);
}

void TfrmConfigRelatorio::setup()
{
    m_annex = m_optionsAnnex ? m_optionsAnnex() : QChar();
    m_group->setTitle(msg::kGrupo.arg(m_annex));
    const bool c = m_annex == QLatin1Char('C');
    m_rbNotaFiscal->setText(c ? msg::kPorLancamento : msg::kNotaFiscal);
    m_rbData->setText(msg::kDataNota);
    m_rbData->setVisible(!c);
    m_rbProduto->setChecked(true);
    m_rbProduto->setFocus();
}

void TfrmConfigRelatorio::imprimir()
{
    const QChar annex = m_optionsAnnex ? m_optionsAnnex() : m_annex;
    Variant v;
    if (m_rbProduto->isChecked())
        v = Variant::Produto;
    else if (m_rbNotaFiscal->isChecked())
        v = annex == QLatin1Char('C') ? Variant::Data : Variant::NotaFiscal; // C: entry order
    else if (m_rbData->isChecked() && !m_rbData->isHidden())
        v = Variant::Data;
    else
        return;
    if (m_run)
        m_run(annex, v);
}

void TfrmConfigRelatorio::changeEvent(QEvent *e)
{
    QDialog::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        setup();
}

void TfrmConfigRelatorio::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    setup();
}

} // namespace quirels::reports::ui
