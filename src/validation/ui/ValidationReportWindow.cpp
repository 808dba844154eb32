#include "ValidationReportWindow.h"
#include "base/ui/WrapText.h"

#include "base/Dialogs.h"
#include "validation/Messages.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quirels::validation {

namespace {

constexpr int kLocalWidth = 300;
constexpr int kStatusMargin = 350;

QLineEdit *counterField(const QString &name, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setAlignment(Qt::AlignRight);
    e->setMaximumWidth(70);
    return e;
}

QIcon iconFor(LineKind kind, const QStyle *style)
{
    switch (kind) {
    case LineKind::Error: return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case LineKind::Alert: return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case LineKind::Confirmation: break;
    }
    return style->standardIcon(QStyle::SP_DialogApplyButton);
}

} // namespace

TfrmInconsistenciaQuirels::TfrmInconsistenciaQuirels(Producer producer, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_producer(std::move(producer)), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmInconsistenciaQuirels"));
    setWindowTitle(msg::kCaption);
    setAttribute(Qt::WA_DeleteOnClose);

    auto *title = new QLabel(msg::kTitle, this);
    title->setObjectName(QStringLiteral("lblTitulo"));
    QFont f = title->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    title->setFont(f);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lvwInconsistencia"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({msg::kColumnStatus, msg::kColumnLocal});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A long line wraps onto a second line rather than being cut short.
    wrapItemLines(m_list);
    m_list->header()->setStretchLastSection(false);
    // Enter on a line does what a double-click does.
    connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) { activateLine(item); });

    m_validated = counterField(QStringLiteral("edtItensValidados"), this);
    m_alerts = counterField(QStringLiteral("edtAlertas"), this);
    m_errors = counterField(QStringLiteral("edtErros"), this);
    m_close = new QPushButton(msg::kButtonClose, this);
    m_close->setObjectName(QStringLiteral("btnFechar"));
    m_close->setToolTip(msg::kHintClose);
    m_close->setStatusTip(msg::kHintClose);
    connect(m_close, &QPushButton::clicked, this, [this] {
        if (m_subWindow)
            m_subWindow->close();
        else
            close();
    });

    auto *footer = new QHBoxLayout;
    const std::pair<const QString *, QLineEdit *> counters[] = {
        {&msg::kLabelValidated, m_validated}, {&msg::kLabelAlerts, m_alerts}, {&msg::kLabelErrors, m_errors}};
    for (const auto &c : counters) {
        auto *label = new QLabel(*c.first, this);
        label->setBuddy(c.second);
        footer->addWidget(label);
        footer->addWidget(c.second);
        footer->addSpacing(12);
    }
    footer->addStretch(1);
    footer->addWidget(m_close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(m_list, 1);
    layout->addLayout(footer);
    fitColumns();
    // The lines take the keyboard when the window opens.
    m_list->setFocus();
}

void TfrmInconsistenciaQuirels::runCheck()
{
    if (m_running)
        return;
    m_running = true;
    // The clerk who comes back from mending a line finds the list where it was.
    const int wasOn = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
    m_list->clear();
    m_validated->clear();
    m_alerts->clear();
    m_errors->clear();
    m_report = ValidationReport();
    m_completed = false;

    Result<ValidationReport> result = m_producer ? m_producer() : Result<ValidationReport>(ValidationReport());
    if (!result) {
        m_dialogs.error(result.message());
    } else {
        m_report = result.take();
        QList<QTreeWidgetItem *> items;
        items.reserve(m_report.lines().size());
        const QStyle *s = style();
        const QIcon icons[] = {iconFor(LineKind::Error, s), iconFor(LineKind::Alert, s),
                               iconFor(LineKind::Confirmation, s)};
        for (int i = 0; i < m_report.lines().size(); ++i) {
            const CheckLine &l = m_report.lines().at(i);
            auto *item = new QTreeWidgetItem({l.status, l.location});
            item->setIcon(0, icons[static_cast<int>(l.kind)]);
            // A line cut short on a small screen shows whole under the pointer.
            item->setToolTip(0, l.status);
            item->setToolTip(1, l.location);
            item->setData(0, Qt::UserRole, i);
            items.append(item);
        }
        m_list->addTopLevelItems(items);
        if (!items.isEmpty())
            m_list->setCurrentItem(items.at(qBound(0, wasOn, static_cast<int>(items.size()) - 1)));
        if (m_report.stopped()) {
            m_dialogs.error(m_report.failure());
        } else {
            m_validated->setText(QString::number(m_report.validated()));
            m_alerts->setText(QString::number(m_report.alerts()));
            m_errors->setText(QString::number(m_report.errors()));
            m_completed = true;
        }
    }
    m_running = false;
    ++m_runs;
    emit checked();
}

void TfrmInconsistenciaQuirels::activateLine(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const int i = item->data(0, Qt::UserRole).toInt();
    if (i < 0 || i >= m_report.lines().size())
        return;
    const CheckLine &l = m_report.lines().at(i);
    if (l.place == Place::Annex)
        emit annexRequested(l.annex, RecordPlace{l.table, l.row, l.field});
    else if (l.place == Place::Company)
        emit companyRequested();
}

void TfrmInconsistenciaQuirels::fitColumns()
{
    m_list->setColumnWidth(0, qMax(width() - kStatusMargin, 100));
    m_list->setColumnWidth(1, kLocalWidth);
}

// Inside the main window the check runs whenever the child window is
// activated; on its own (no child window around it) it runs when shown and
// whenever it becomes active again.
void TfrmInconsistenciaQuirels::hookSubWindow()
{
    auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (sub == m_subWindow)
        return;
    if (m_subWindow)
        disconnect(m_subWindow, nullptr, this, nullptr);
    m_subWindow = sub;
    if (!m_subWindow)
        return;
    connect(m_subWindow, &QMdiSubWindow::aboutToActivate, this, &TfrmInconsistenciaQuirels::runCheck);
    // Coming forward, the lines take the keyboard (not the button that a
    // switch between maximised windows left the focus on), once the child
    // window has put back the focus it remembered.
    connect(m_subWindow, &QMdiSubWindow::aboutToActivate, this, [this] {
        QTimer::singleShot(0, m_list, [this] {
            if (m_subWindow && m_subWindow->isActiveWindow() && m_subWindow->mdiArea()
                && m_subWindow->mdiArea()->activeSubWindow() == m_subWindow)
                m_list->setFocus(Qt::OtherFocusReason);
        });
    });
}

bool TfrmInconsistenciaQuirels::event(QEvent *e)
{
    if (e->type() == QEvent::ParentChange)
        hookSubWindow();
    return QWidget::event(e);
}

void TfrmInconsistenciaQuirels::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    hookSubWindow();
    if (!m_subWindow) {
        m_wasInactive = false;
        runCheck();
    }
}

void TfrmInconsistenciaQuirels::changeEvent(QEvent *e)
{
    QWidget::changeEvent(e);
    if (e->type() != QEvent::ActivationChange || m_subWindow)
        return;
    if (!isActiveWindow()) {
        m_wasInactive = true;
    } else if (m_wasInactive && isVisible()) {
        m_wasInactive = false;
        runCheck();
    }
}

void TfrmInconsistenciaQuirels::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    fitColumns();
}

bool showValidationReport(QMdiArea *area, QPointer<TfrmInconsistenciaQuirels> &window,
                          const TfrmInconsistenciaQuirels::Producer &producer, Dialogs &dialogs,
                          const std::function<QMdiSubWindow *(QWidget *)> &addChild)
{
    if (!window) {
        window = new TfrmInconsistenciaQuirels(producer, dialogs);
        QMdiSubWindow *sub = addChild ? addChild(window) : area->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
    }
    const int before = window->runs();
    QWidget *frame = window->parentWidget() ? window->parentWidget() : window.data();
    frame->showMaximized();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(frame))
        area->setActiveSubWindow(sub);
    if (window->runs() == before)
        window->runCheck();
    return window->allowsGeneration();
}

} // namespace quirels::validation
