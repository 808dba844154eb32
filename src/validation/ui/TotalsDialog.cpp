#include "TotalsDialog.h"

#include "base/Numbers.h"
#include "shell/ui/MainWindow.h"
#include "validation/Messages.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace quirels::validation {

namespace {

QString shown(double v) { return numbers::format(v, QStringLiteral("0.000")); }

const QColor kDiffers(255, 236, 160);

} // namespace

// ---- TotalsModel ----

void TotalsModel::setTotals(const totals::MonthTotals &t)
{
    beginResetModel();
    m_totals = t;
    // What differs is marked; what agrees has nothing to apply.
    m_marked.clear();
    for (const totals::ProductTotals &p : m_totals.products)
        if (p.anyDifference())
            m_marked.insert(p.code);
    endResetModel();
}

QList<int> TotalsModel::marked() const
{
    QList<int> out;
    for (const totals::ProductTotals &p : m_totals.products)
        if (m_marked.contains(p.code))
            out.append(p.code);
    return out;
}

void TotalsModel::markAll(bool on)
{
    m_marked.clear();
    if (on)
        for (const totals::ProductTotals &p : m_totals.products)
            m_marked.insert(p.code);
    if (rowCount() > 0)
        emit dataChanged(index(0, Aplicar), index(rowCount() - 1, Aplicar), {Qt::CheckStateRole});
}

int TotalsModel::rowOf(int code) const
{
    for (size_t i = 0; i < m_totals.products.size(); ++i)
        if (m_totals.products[i].code == code)
            return static_cast<int>(i) * totals::kQuantities;
    return -1;
}

int TotalsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_totals.products.size()) * totals::kQuantities;
}

int TotalsModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant TotalsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const totals::ProductTotals &p = m_totals.products[static_cast<size_t>(index.row() / totals::kQuantities)];
    const int q = index.row() % totals::kQuantities;
    const bool first = q == 0;
    const bool differs = p.differs(q);
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case Produto: return first ? p.label() : QString();
        case Campo: return totals::captionOf(q);
        case Atual: return shown(p.current[q]);
        case Calculado: return shown(p.computed[q]);
        case Diferenca: return differs ? shown(p.computed[q] - p.current[q]) : QString();
        default: return {};
        }
    case Qt::CheckStateRole:
        if (index.column() == Aplicar && first)
            return m_marked.contains(p.code) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::BackgroundRole:
        return differs ? QBrush(kDiffers) : QVariant();
    case Qt::FontRole:
        if (differs && index.column() >= Calculado) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    case Qt::TextAlignmentRole:
        return index.column() >= Atual ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::ToolTipRole:
        return p.ncm;
    default:
        return {};
    }
}

bool TotalsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != Aplicar || role != Qt::CheckStateRole)
        return false;
    const int product = index.row() / totals::kQuantities;
    const int code = m_totals.products[static_cast<size_t>(product)].code;
    if (value.toInt() == Qt::Checked)
        m_marked.insert(code);
    else
        m_marked.remove(code);
    const QModelIndex first = this->index(product * totals::kQuantities, Aplicar);
    emit dataChanged(first, first, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags TotalsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == Aplicar && index.row() % totals::kQuantities == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant TotalsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const names[kColumns] = {"Aplicar", "Produto", "Campo", "Atual", "Calculado", "Diferença"};
    return section >= 0 && section < kColumns ? QString::fromUtf8(names[section]) : QVariant();
}

// ---- OrphansModel ----

void OrphansModel::setOrphans(const std::vector<totals::Orphan> &orphans)
{
    beginResetModel();
    m_orphans = orphans;
    endResetModel();
}

int OrphansModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_orphans.size());
}

int OrphansModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 5; }

QVariant OrphansModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole)
        return role == Qt::TextAlignmentRole && index.column() >= 2 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                                    : QVariant();
    const totals::Orphan &o = m_orphans[static_cast<size_t>(index.row())];
    switch (index.column()) {
    case 0: return o.label();
    case 1: return o.ncm;
    case 2: return o.movementsB ? QStringLiteral("%1 (%2)").arg(shown(o.quantityB)).arg(o.movementsB) : QString();
    case 3: return o.movementsC ? QStringLiteral("%1 (%2)").arg(shown(o.quantityC)).arg(o.movementsC) : QString();
    case 4: return o.previousStock ? shown(*o.previousStock) : QString();
    default: return {};
    }
}

QVariant OrphansModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const names[] = {"Produto", "Cód. NCM", "Anexo XI-B", "Anexo XI-C", "Estoque do Mês Anterior"};
    return section >= 0 && section < 5 ? QString::fromUtf8(names[section]) : QVariant();
}

// ---- The window ----

TfrmTotaisAnexoA::TfrmTotaisAnexoA(QSqlDatabase db, const PeriodKey &period, Dialogs &dialogs, Hooks hooks,
                                   QWidget *parent)
    : QDialog(parent), m_db(db), m_period(period), m_dialogs(dialogs), m_hooks(std::move(hooks)),
      m_model(new TotalsModel(this)), m_orphans(new OrphansModel(this))
{
    setObjectName(QStringLiteral("frmTotaisAnexoA"));
    setWindowTitle(msg::kTotaisTitulo + QStringLiteral(" - ") + period.mes + QLatin1Char('/') + period.ano);
    auto *layout = new QVBoxLayout(this);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblResumo"));
    layout->addWidget(m_summary);

    auto table = [this](const QString &name, QAbstractItemModel *model) {
        auto *v = new QTableView(this);
        v->setObjectName(name);
        v->setModel(model);
        v->setSelectionBehavior(QAbstractItemView::SelectRows);
        v->setSelectionMode(QAbstractItemView::SingleSelection);
        v->verticalHeader()->hide();
        v->verticalHeader()->setDefaultSectionSize(v->fontMetrics().height() + 6);
        v->setTabKeyNavigation(false);
        return v;
    };
    m_grid = table(QStringLiteral("grdTotais"), m_model);
    m_grid->horizontalHeader()->setSectionResizeMode(TotalsModel::Produto, QHeaderView::Stretch);
    m_grid->setToolTip(QStringLiteral("Espaço marca ou desmarca o produto da linha"));
    layout->addWidget(m_grid, 3);

    auto *marks = new QHBoxLayout;
    auto button = [this](const QString &name, const QString &caption, QBoxLayout *into) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        into->addWidget(b);
        return b;
    };
    QPushButton *all = button(QStringLiteral("btnMarcarTodos"), QStringLiteral("Marcar &Todos"), marks);
    QPushButton *none = button(QStringLiteral("btnDesmarcarTodos"), QStringLiteral("&Desmarcar Todos"), marks);
    marks->addStretch();
    QPushButton *apply = button(QStringLiteral("btnAplicar"), QStringLiteral("&Aplicar Marcados"), marks);
    layout->addLayout(marks);

    auto *orphanBox = new QGroupBox(QStringLiteral("Movimentos de produtos que não estão no Anexo XI-A"), this);
    auto *orphanLayout = new QVBoxLayout(orphanBox);
    m_orphanGrid = table(QStringLiteral("grdSemProduto"), m_orphans);
    m_orphanGrid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    orphanLayout->addWidget(m_orphanGrid);
    auto *orphanButtons = new QHBoxLayout;
    orphanButtons->addStretch();
    QPushButton *include = button(QStringLiteral("btnIncluirProduto"), QStringLiteral("&Incluir Produto"), orphanButtons);
    orphanLayout->addLayout(orphanButtons);
    layout->addWidget(orphanBox, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    QPushButton *close = button(QStringLiteral("btnFechar"), QStringLiteral("&Fechar"), bottom);
    layout->addLayout(bottom);

    connect(all, &QPushButton::clicked, this, [this] { m_model->markAll(true); updateSummary(); });
    connect(none, &QPushButton::clicked, this, [this] { m_model->markAll(false); updateSummary(); });
    connect(apply, &QPushButton::clicked, this, &TfrmTotaisAnexoA::applyMarked);
    connect(include, &QPushButton::clicked, this, &TfrmTotaisAnexoA::includeSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] { updateSummary(); });
    // Space on any row of a product marks or unmarks it.
    connect(m_grid, &QTableView::activated, this, [this](const QModelIndex &i) {
        const QModelIndex first = m_model->index(i.row() - i.row() % totals::kQuantities, TotalsModel::Aplicar);
        const bool on = first.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        m_model->setData(first, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    });
    resize(900, 600);
}

bool TfrmTotaisAnexoA::refresh()
{
    Result<totals::MonthTotals> t = totals::compute(m_db, m_period);
    if (!t) {
        if (t.error().code == 1)
            m_dialogs.information(t.message());
        else
            m_dialogs.error(t.message());
        return false;
    }
    m_model->setTotals(*t);
    m_orphans->setOrphans(t->orphans);
    m_grid->resizeColumnToContents(TotalsModel::Aplicar);
    m_grid->resizeColumnToContents(TotalsModel::Campo);
    for (int c = TotalsModel::Atual; c < TotalsModel::kColumns; ++c)
        m_grid->setColumnWidth(c, 110);
    if (m_model->rowCount() > 0 && !m_grid->currentIndex().isValid())
        m_grid->setCurrentIndex(m_model->index(0, TotalsModel::Produto));
    for (int c = 1; c < m_orphans->columnCount(); ++c)
        m_orphanGrid->resizeColumnToContents(c);
    if (m_orphans->rowCount() > 0)
        m_orphanGrid->setCurrentIndex(m_orphans->index(0, 0));
    updateSummary();
    return true;
}

void TfrmTotaisAnexoA::updateSummary()
{
    const totals::MonthTotals &t = m_model->totals();
    m_summary->setText(msg::kTotaisResumo.arg(t.differing()).arg(t.products.size()).arg(t.orphans.size()) +
                       QStringLiteral(" Marcados: %1.").arg(m_model->marked().size()));
}

void TfrmTotaisAnexoA::applyMarked()
{
    const QList<int> codes = m_model->marked();
    if (codes.isEmpty()) {
        m_dialogs.information(msg::kTotaisNenhumMarcado);
        return;
    }
    const Status s = totals::apply(m_db, m_model->totals(), codes);
    if (!s) {
        if (s.error().code == 1)
            m_dialogs.information(s.message());
        else
            m_dialogs.error(s.message());
        refresh();
        return;
    }
    if (m_hooks.reload)
        m_hooks.reload();
    m_dialogs.information(msg::kTotaisGravados.arg(codes.size()));
    refresh();
}

void TfrmTotaisAnexoA::includeSelected()
{
    const QModelIndex at = m_orphanGrid->currentIndex();
    if (!at.isValid() || at.row() >= m_orphans->rowCount()) {
        m_dialogs.information(msg::kTotaisSelecioneMovimento);
        return;
    }
    const totals::Orphan orphan = m_orphans->orphans()[static_cast<size_t>(at.row())];
    Result<int> code = totals::includeProduct(m_db, m_period, orphan);
    if (!code) {
        if (code.error().code == 1)
            m_dialogs.information(code.message());
        else
            m_dialogs.error(code.message());
        return;
    }
    if (m_hooks.reload)
        m_hooks.reload();
    m_dialogs.information(msg::kTotaisIncluido.arg(orphan.label()));
    if (refresh()) {
        const int row = m_model->rowOf(*code);
        if (row >= 0) {
            m_grid->setCurrentIndex(m_model->index(row, TotalsModel::Produto));
            m_grid->scrollTo(m_grid->currentIndex());
        }
    }
}

void installTotalsScreen(MainWindow &window)
{
    window.registerScreen(screens::kTotaisAnexoA, [&window](const QString &) {
        const PeriodKey period = window.currentPeriod();
        if (!window.companyOpen() || !period.isValid()) {
            window.dialogs().information(msg::kTotaisSemPeriodo);
            return false;
        }
        // What the open screens hold is stored first, so the totals start
        // from what the clerk sees.
        if (!window.postPendingRows())
            return false;
        TfrmTotaisAnexoA::Hooks hooks;
        hooks.reload = [&window, period] { window.reloadData(period); };
        TfrmTotaisAnexoA dialog(window.db(), period, window.dialogs(), hooks, &window);
        if (!dialog.refresh())
            return false;
        dialog.exec();
        window.activateWindow();
        return true;
    });
}

} // namespace quirels::validation
