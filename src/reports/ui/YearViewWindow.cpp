#include "YearViewWindow.h"

#include "base/Numbers.h"
#include "reports/Messages.h"
#include "store/Schema.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>

namespace quirels::reports::ui {

namespace {

QString shown(double v) { return numbers::format(v, QStringLiteral("###,###,##0.000")); }
const QColor kBroken(255, 214, 170);
constexpr int kProductRole = Qt::UserRole + 1;

} // namespace

TfrmVisaoAno::TfrmVisaoAno(std::function<QSqlDatabase()> db, const QString &cnpj, Dialogs &dialogs,
                           std::function<void(const ReportDef &)> preview, QWidget *parent)
    : QWidget(parent), m_db(std::move(db)), m_cnpj(cnpj), m_dialogs(dialogs), m_preview(std::move(preview))
{
    setObjectName(QStringLiteral("frmVisaoAno"));
    setWindowTitle(msg::kVisaoAnoTitulo);
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *yearLabel = new QLabel(QStringLiteral("&Ano"), this);
    m_year = new QComboBox(this);
    m_year->setObjectName(QStringLiteral("cmbAno"));
    for (int y = 2003; y <= 2030; ++y)
        m_year->addItem(QString::number(y));
    yearLabel->setBuddy(m_year);
    top->addWidget(yearLabel);
    top->addWidget(m_year);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblResumo"));
    top->addWidget(m_summary, 1);
    auto *print = new QPushButton(QStringLiteral("&Visualizar Impressão"), this);
    print->setObjectName(QStringLiteral("btnVisualizar"));
    top->addWidget(print);
    auto *closeButton = new QPushButton(QStringLiteral("&Fechar"), this);
    closeButton->setObjectName(QStringLiteral("btnFechar"));
    top->addWidget(closeButton);
    layout->addLayout(top);

    auto *split = new QSplitter(Qt::Vertical, this);
    m_model = new QStandardItemModel(this);
    m_grid = new QTableView(split);
    m_grid->setObjectName(QStringLiteral("grdVisaoAno"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->setTabKeyNavigation(false);
    m_chart = new QChartView(new QChart, split);
    m_chart->setObjectName(QStringLiteral("chtEstoque"));
    m_chart->setRenderHint(QPainter::Antialiasing);
    m_chart->setMinimumHeight(220);
    split->addWidget(m_grid);
    split->addWidget(m_chart);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);

    connect(m_year, &QComboBox::activated, this, [this] { load(m_year->currentText()); });
    connect(print, &QPushButton::clicked, this, &TfrmVisaoAno::printPreview);
    connect(closeButton, &QPushButton::clicked, this, [this] {
        if (parentWidget())
            parentWidget()->close();
        else
            QWidget::close();
    });
}

bool TfrmVisaoAno::load(const QString &ano)
{
    m_year->setCurrentText(ano);
    Result<year::YearView> view = [&] {
        QSqlDatabase db = m_db();
        return year::read(db, m_cnpj, ano);
    }();
    if (!view) {
        m_dialogs.error(view.message());
        return false;
    }
    m_view = view.take();
    m_model->clear();
    m_model->setHorizontalHeaderLabels({QStringLiteral("Produto"), QStringLiteral("Mês"), QStringLiteral("Estoque Anterior"),
                                        QStringLiteral("Entradas"), QStringLiteral("Saídas"), QStringLiteral("Estoque Atual"),
                                        QStringLiteral("Aviso")});
    for (size_t i = 0; i < m_view.products.size(); ++i) {
        const year::ProductYear &p = m_view.products[i];
        bool first = true;
        for (int m = 0; m < 12; ++m) {
            const auto &f = p.months[static_cast<size_t>(m)];
            if (!f && !p.broken[static_cast<size_t>(m)])
                continue;
            QList<QStandardItem *> row{new QStandardItem(first ? p.label() : QString()),
                                       new QStandardItem(schema::monthCodes().at(m))};
            for (double v : {f ? f->opening : 0.0, f ? f->entries : 0.0, f ? f->exits : 0.0, f ? f->closing : 0.0}) {
                auto *item = new QStandardItem(f ? shown(v) : QString());
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                row.append(item);
            }
            row.append(new QStandardItem(p.warning(m)));
            for (QStandardItem *item : row) {
                item->setData(static_cast<int>(i), kProductRole);
                if (p.broken[static_cast<size_t>(m)])
                    item->setBackground(kBroken);
            }
            m_model->appendRow(row);
            first = false;
        }
    }
    m_grid->horizontalHeader()->setSectionResizeMode(6, QHeaderView::Stretch);
    m_grid->resizeColumnToContents(0);
    for (int c = 1; c < 6; ++c)
        m_grid->resizeColumnToContents(c);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex &current) {
        if (current.isValid())
            showChart(current.data(kProductRole).toInt());
    });
    m_summary->setText(m_view.products.empty() ? msg::kVisaoAnoVazio.arg(m_cnpj, ano)
                                               : msg::kVisaoAnoResumo.arg(m_view.products.size()).arg(m_view.brokenCount()));
    setWindowTitle(msg::kVisaoAnoTitulo + QLatin1Char(' ') + ano + QStringLiteral(" - ") + m_view.company);
    m_charted = -1;
    if (m_model->rowCount() > 0)
        m_grid->setCurrentIndex(m_model->index(0, 0));
    else
        showChart(-1);
    return true;
}

void TfrmVisaoAno::showChart(int product)
{
    if (product == m_charted && product >= 0)
        return;
    m_charted = product;
    auto *chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setLocalizeNumbers(true); // the regional decimal separator on the scale
    chart->setLocale(QLocale());
    if (product >= 0 && product < static_cast<int>(m_view.products.size())) {
        const year::ProductYear &p = m_view.products[static_cast<size_t>(product)];
        chart->setTitle(p.label() + QStringLiteral(" - estoque atual (") + p.unit + QLatin1Char(')'));
        auto *stock = new QLineSeries;
        stock->setName(QStringLiteral("Estoque Atual"));
        stock->setPointsVisible(true);
        auto *broken = new QScatterSeries;
        broken->setName(QStringLiteral("Estoque anterior diferente do mês anterior"));
        broken->setColor(QColor(220, 40, 40));
        broken->setMarkerSize(11);
        double lo = 0, hi = 0;
        for (int m = 0; m < 12; ++m) {
            const auto &f = p.months[static_cast<size_t>(m)];
            if (f) {
                stock->append(m, f->closing);
                lo = std::min(lo, f->closing);
                hi = std::max(hi, f->closing);
            }
            if (p.broken[static_cast<size_t>(m)])
                broken->append(m, f ? f->opening : 0.0);
        }
        chart->addSeries(stock);
        chart->addSeries(broken);
        auto *months = new QCategoryAxis;
        months->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        for (int m = 0; m < 12; ++m)
            months->append(schema::monthCodes().at(m), m);
        months->setRange(-0.5, 11.5);
        auto *values = new QValueAxis;
        values->setRange(lo, hi > lo ? hi * 1.1 - lo * 0.1 : lo + 1);
        values->setLabelFormat(QStringLiteral("%.3f"));
        chart->addAxis(months, Qt::AlignBottom);
        chart->addAxis(values, Qt::AlignLeft);
        for (QAbstractSeries *s : {static_cast<QAbstractSeries *>(stock), static_cast<QAbstractSeries *>(broken)}) {
            s->attachAxis(months);
            s->attachAxis(values);
        }
    }
    QChart *old = m_chart->chart();
    m_chart->setChart(chart);
    delete old;
}

void TfrmVisaoAno::printPreview()
{
    if (m_view.products.empty()) {
        m_dialogs.information(msg::kVisaoAnoVazio.arg(m_cnpj, m_year->currentText()));
        return;
    }
    if (m_preview)
        m_preview(year::report(m_view));
}

} // namespace quirels::reports::ui
