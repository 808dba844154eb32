#include "OpenPeriodDialog.h"

#include "Hints.h"
#include "PeriodWidgets.h"
#include "shell/CpfCnpj.h"
#include "shell/Messages.h"
#include "shell/PeriodOps.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QVBoxLayout>

namespace quirels {

namespace {

// The company list with the key shown through the mask that fits its length.
class CompanyModel : public QSqlQueryModel {
public:
    using QSqlQueryModel::QSqlQueryModel;
    QVariant data(const QModelIndex &index, int role) const override
    {
        QVariant v = QSqlQueryModel::data(index, role);
        if (role == Qt::DisplayRole && index.column() == 0) {
            const QString key = v.toString();
            return cpfcnpj::formatted(key.trimmed(), cpfcnpj::keyDisplayMask(key));
        }
        return v;
    }
    QString key(int row) const { return QSqlQueryModel::data(index(row, 0), Qt::EditRole).toString(); }
};

} // namespace

TfrmAbrirQuirels::TfrmAbrirQuirels(QSqlDatabase db, Dialogs &dialogs, PeriodOpened periodOpened, QWidget *parent)
    : QDialog(parent), m_db(db), m_dialogs(dialogs), m_periodOpened(std::move(periodOpened))
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
    auto *model = new CompanyModel(this);
    m_model = model;
    m_model->setQuery(QStringLiteral("select CdCNPJEmpr, NmRazao from Empresa order by CdCNPJEmpr"), m_db);
    if (m_model->lastError().isValid())
        m_dialogs.error(m_model->lastError().text());
    while (m_model->canFetchMore())
        m_model->fetchMore();
    m_model->setHeaderData(0, Qt::Horizontal, QStringLiteral("CNPJ"));
    m_model->setHeaderData(1, Qt::Horizontal, QStringLiteral("Razão Social"));
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
    auto *periodLayout = new QGridLayout(periodBox);
    periodLayout->addWidget(new QLabel(QStringLiteral("Mês"), periodBox), 0, 0);
    periodLayout->addWidget(m_month, 1, 0);
    periodLayout->addWidget(new QLabel(QStringLiteral("Ano"), periodBox), 0, 1);
    periodLayout->addWidget(m_year, 1, 1);

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
    resize(520, 460);

    connect(m_search, &QLineEdit::textChanged, this, &TfrmAbrirQuirels::seek);
    if (m_model->rowCount() > 0)
        m_grid->selectRow(0);
    m_search->setFocus();
}

TfrmAbrirQuirels::~TfrmAbrirQuirels() = default;

QString TfrmAbrirQuirels::currentCompany() const
{
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid())
        return QString();
    return static_cast<CompanyModel *>(m_model)->key(current.row());
}

void TfrmAbrirQuirels::seek(const QString &text)
{
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    auto *model = static_cast<CompanyModel *>(m_model);
    // The rows are in key order: the first key not before the text.
    int lo = 0, hi = rows;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (model->key(mid) < text)
            lo = mid + 1;
        else
            hi = mid;
    }
    const int row = qMin(lo, rows - 1);
    m_grid->selectRow(row);
    m_grid->scrollTo(m_model->index(row, 0));
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
    Result<shell::Opened> opened = shell::openPeriod(m_db, key, m_dialogs, *m_progress);
    m_progress->hide();
    if (!opened) {
        m_dialogs.error(opened.message());
        return;
    }
    if (opened->outcome == shell::OpenOutcome::Declined)
        return;
    if (m_periodOpened)
        m_periodOpened(opened->period);
    accept();
}

} // namespace quirels
