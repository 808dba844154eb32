#include "OpenPeriodDialog.h"

#include "Hints.h"
#include "PeriodWidgets.h"
#include "shell/CpfCnpj.h"
#include "shell/Messages.h"
#include "shell/PeriodChoice.h"
#include "shell/PeriodOps.h"
#include "store/CursorModel.h"
#include "store/DataModule.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <QVBoxLayout>

namespace quirels {

namespace {

// The company list with the key shown through the mask that fits its length.
class CompanyModel : public store::CursorModel {
public:
    CompanyModel(store::Cursor &empresa, QObject *parent)
        : store::CursorModel(empresa, {QStringLiteral("CdCNPJEmpr"), QStringLiteral("NmRazao")}, parent)
    {
        setHeaders({QStringLiteral("CNPJ"), QStringLiteral("Razão Social")});
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::DisplayRole && index.column() == 0) {
            const QString key = cursor().valueAt(index.row(), QStringLiteral("CdCNPJEmpr")).toString();
            return cpfcnpj::formatted(key.trimmed(), cpfcnpj::keyDisplayMask(key));
        }
        return store::CursorModel::data(index, role);
    }
};

} // namespace

TfrmAbrirQuirels::TfrmAbrirQuirels(store::DataModule &data, Dialogs &dialogs, PeriodOpened periodOpened,
                                   QWidget *parent)
    : QDialog(parent), m_data(data), m_empresa(data.empresa()), m_dialogs(dialogs),
      m_periodOpened(std::move(periodOpened))
{
    setObjectName(QStringLiteral("frmAbrirQuirels"));
    setWindowTitle(QStringLiteral("Abrir Empresa"));
    setModal(true);

    auto *searchBox = new QGroupBox(QStringLiteral("CNPJ/CPF da empresa que deseja abrir"), this);
    auto *searchLabel = new QLabel(QStringLiteral("CNPJ/CPF"), searchBox);
    m_search = new QLineEdit(searchBox);
    m_search->setObjectName(QStringLiteral("edtCNPJ"));
    m_search->setMaxLength(14);
    m_search->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_search));
    setHint(m_search, QStringLiteral("Digite o CNPJ ou CPF da empresa que deseja abrir"));
    searchLabel->setBuddy(m_search);
    auto *searchLayout = new QHBoxLayout(searchBox);
    searchLayout->addWidget(searchLabel);
    searchLayout->addWidget(m_search, 1);

    auto *gridBox = new QGroupBox(QStringLiteral("Selecione a Empresa que deseja abrir"), this);
    // Showing the dialog opens the company and period cursors; the
    // companies are read again (another workstation may have registered one).
    m_empresa.refresh(); // a failure has shown the store's message
    if (!data.mes().isOpen())
        data.mes().open();
    m_model = new CompanyModel(m_empresa, this);
    m_grid = new QTableView(gridBox);
    m_grid->setObjectName(QStringLiteral("grdEmpresa"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Arrows move inside the grid; Tab leaves it for the period.
    m_grid->setTabKeyNavigation(false);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setColumnWidth(0, 140);
    setHint(m_grid, QStringLiteral("Selecione a Empresa que deseja abrir"));
    connect(m_grid, &QTableView::doubleClicked, this, [this] { open(); });
    // Choosing a row in the grid moves the company cursor there, until the
    // period is handed over: opening it reads the companies again, and the
    // grid, left without a current row, would take the first one when it
    // next gets the focus (the dialog active again after a question).
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (m_handedOver)
                    return;
                if (current.isValid() && current.row() != m_empresa.row())
                    m_empresa.moveTo(current.row());
                showCompanyPeriods();
            });
    auto *gridLayout = new QVBoxLayout(gridBox);
    gridLayout->addWidget(m_grid);

    auto *periodBox = new QGroupBox(QStringLiteral("Período"), this);
    m_month = new QComboBox(periodBox);
    m_month->setObjectName(QStringLiteral("cmbMes"));
    fillMonthPicker(m_month);
    setHint(m_month, QStringLiteral("Selecione o mês que deseja abrir"));
    m_year = new QComboBox(periodBox);
    m_year->setObjectName(QStringLiteral("cmbAno"));
    fillYearPicker(m_year);
    setHint(m_year, QStringLiteral("Selecione o ano que deseja abrir"));
    // The company's months: choosing one puts it in the pickers, Enter or a
    // double click opens it.
    m_months = new QListWidget(periodBox);
    m_months->setObjectName(QStringLiteral("lstMeses"));
    m_months->setFlow(QListView::LeftToRight);
    m_months->setWrapping(true);
    m_months->setMaximumHeight(m_months->fontMetrics().height() * 4);
    setHint(m_months, QStringLiteral("Meses já registrados da empresa selecionada"));
    connect(m_months, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0)
            return;
        const QStringList part = m_months->item(row)->text().split(QLatin1Char('/'));
        if (part.size() == 2)
            showPeriod(m_month, m_year, PeriodKey{currentCompany(), part.at(1), part.at(0)});
    });
    // Enter reaches the dialog's default button, "Ok".
    connect(m_months, &QListWidget::itemDoubleClicked, this, [this] { open(); });
    auto *monthsLabel = new QLabel(QStringLiteral("Meses &registrados"), periodBox);
    monthsLabel->setBuddy(m_months);
    auto *periodLayout = new QGridLayout(periodBox);
    periodLayout->addWidget(new QLabel(QStringLiteral("Mês"), periodBox), 0, 0);
    periodLayout->addWidget(m_month, 1, 0);
    periodLayout->addWidget(new QLabel(QStringLiteral("Ano"), periodBox), 0, 1);
    periodLayout->addWidget(m_year, 1, 1);
    periodLayout->addWidget(monthsLabel, 0, 2);
    periodLayout->addWidget(m_months, 1, 2, 2, 1);
    periodLayout->setColumnStretch(2, 1);

    m_progressFrame = new QWidget(this);
    m_progressFrame->setObjectName(QStringLiteral("pnlProgresso"));
    auto *progressLabel = new QLabel(shell::msg::kImportandoMesAnterior, m_progressFrame);
    progressLabel->setObjectName(QStringLiteral("lblProgresso"));
    auto *bar = new QProgressBar(m_progressFrame);
    bar->setObjectName(QStringLiteral("pgbProgresso"));
    auto *progressLayout = new QVBoxLayout(m_progressFrame);
    progressLayout->addWidget(progressLabel);
    progressLayout->addWidget(bar);
    m_progressFrame->hide();
    m_progress = std::make_unique<FrameProgress>(m_progressFrame, progressLabel, bar);

    m_ok = new QPushButton(QStringLiteral("&Ok"), this);
    m_ok->setObjectName(QStringLiteral("btnOk"));
    setHint(m_ok, QStringLiteral("Confirma a empresa e período selecionados e abre os quirels"));
    m_ok->setEnabled(m_model->rowCount() > 0);
    connect(m_ok, &QPushButton::clicked, this, [this] { open(); });
    auto *cancel = new QPushButton(QStringLiteral("&Cancelar"), this);
    cancel->setObjectName(QStringLiteral("btnCancelar"));
    setHint(cancel, QStringLiteral("Cancela a abertura dos quirels"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Enter, which the search field lets through, opens.
    m_ok->setDefault(true);
    cancel->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(m_ok);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(searchBox);
    layout->addWidget(gridBox, 1);
    layout->addWidget(periodBox);
    layout->addWidget(m_progressFrame);
    layout->addLayout(buttons);
    // A fixed size: the window manager then draws no resizing handle along
    // the bottom edge, which looked like a grid's border peeking out.
    setFixedSize(QSize(520, 460).expandedTo(minimumSizeHint()));

    connect(m_search, &QLineEdit::textChanged, this, &TfrmAbrirQuirels::seek);
    showCurrent();
    m_search->setFocus();
}

TfrmAbrirQuirels::~TfrmAbrirQuirels() = default;

QString TfrmAbrirQuirels::currentCompany() const
{
    if (!m_empresa.isOpen() || m_empresa.row() < 0)
        return QString();
    return m_empresa.value(QStringLiteral("CdCNPJEmpr")).toString();
}

void TfrmAbrirQuirels::showCurrent()
{
    const int row = m_empresa.isOpen() ? m_empresa.row() : -1;
    if (row < 0)
        return;
    m_grid->selectRow(row);
    m_grid->scrollTo(m_model->index(row, 0));
    showCompanyPeriods();
}

void TfrmAbrirQuirels::setOpenPeriod(const PeriodKey &period)
{
    m_open = period;
    m_periodsOf.clear();
    showCompanyPeriods();
}

void TfrmAbrirQuirels::showCompanyPeriods()
{
    if (!m_months)
        return;
    const QString company = currentCompany();
    if (company == m_periodsOf)
        return;
    m_periodsOf = company;
    const QSignalBlocker quiet(m_months);
    m_months->clear();
    if (company.isEmpty())
        return;
    QSqlDatabase db = m_data.database();
    if (Result<QList<PeriodKey>> months = shell::companyPeriods(db, company))
        for (const PeriodKey &p : *months)
            m_months->addItem(p.mes + QLatin1Char('/') + p.ano);
    Result<std::optional<PeriodKey>> start = shell::suggestedPeriod(db, company, m_open, shell::PeriodUse::Open);
    if (start && *start) {
        showPeriod(m_month, m_year, *start);
        const QList<QListWidgetItem *> same = m_months->findItems((*start)->mes + QLatin1Char('/') + (*start)->ano, Qt::MatchExactly);
        if (!same.isEmpty())
            m_months->setCurrentItem(same.first());
    }
}

void TfrmAbrirQuirels::seek(const QString &text)
{
    if (m_empresa.isEmpty())
        return;
    // The first key not before the text, or the last company.
    m_empresa.findNearest({text});
    showCurrent();
}

void TfrmAbrirQuirels::open()
{
    if (m_month->currentIndex() < 0) {
        m_dialogs.information(shell::msg::kInformeMes);
        m_dialogs.focus(m_month->objectName());
        return;
    }
    if (m_year->currentIndex() < 0) {
        m_dialogs.information(shell::msg::kInformeAno);
        m_dialogs.focus(m_year->objectName());
        return;
    }
    const QString company = currentCompany();
    if (company.isEmpty()) {
        m_dialogs.information(shell::msg::kSelecioneEmpresa);
        m_dialogs.focus(m_grid->objectName());
        return;
    }
    const PeriodKey key{company, m_year->currentText(), m_month->currentText()};
    QSqlDatabase db = m_data.database();
    Result<shell::Opened> opened = shell::openPeriod(db, key, m_dialogs, *m_progress);
    m_progress->hide();
    if (!opened) {
        m_dialogs.error(opened.message());
        return;
    }
    if (opened->outcome == shell::OpenOutcome::Declined)
        return;
    m_handedOver = true;
    if (m_periodOpened)
        m_periodOpened(opened->period);
    accept();
}

} // namespace quirels
