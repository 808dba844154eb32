#include "NfeImportWindow.h"

#include "NfeRowsModel.h"
#include "base/ui/ChoiceDelegate.h"
#include "base/ui/Placement.h"
#include "exchange/Messages.h"
#include "shell/ui/MainWindow.h"

#include <QAction>
#include <algorithm>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QTableView>
#include <QVBoxLayout>

namespace quirels::exchange::ui {

namespace {

// The progress of a reading: the files read so far, in a window that shows
// only when the reading takes a while. It has no cancel button: the reading
// changes nothing, and what it finds is shown at the end.
class ScanProgress : public Progress {
public:
    ScanProgress(QWidget *parent, int delayMs) : m_parent(parent), m_delay(delayMs) { m_clock.start(); }
    ~ScanProgress() override
    {
        // The keys go back to the window the progress covered.
        if (m_dialog) {
            m_dialog.reset();
            m_parent->activateWindow();
        }
    }

    void setValue(qint64 value) override
    {
        if (m_clock.elapsed() < m_delay || (m_dialog && m_shown.elapsed() < 100))
            return;
        if (!m_dialog) {
            m_dialog = std::make_unique<QProgressDialog>(QString(), QString(), 0, 0, m_parent);
            m_dialog->setObjectName(QStringLiteral("dlgProgressoNFe"));
            m_dialog->setWindowTitle(msg::kNfeTitulo);
            m_dialog->setCancelButton(nullptr);
            m_dialog->setWindowModality(Qt::WindowModal);
            m_dialog->setMinimumDuration(0);
            m_dialog->show();
        }
        m_dialog->setLabelText(msg::kNfeLendoArquivos.arg(value));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        m_shown.start();
    }

private:
    QWidget *m_parent;
    int m_delay;
    QElapsedTimer m_clock;
    QElapsedTimer m_shown;
    std::unique_ptr<QProgressDialog> m_dialog;
};

QString lastFolder;

QStringList chooseInvoiceFiles(QWidget *parent)
{
    QFileDialog dialog(parent, msg::kNfeTituloArquivos, lastFolder, msg::kNfeFiltroArquivos);
    dialog.setObjectName(QStringLiteral("dlgAbrirNFe"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    lastFolder = dialog.directory().absolutePath();
    return dialog.selectedFiles();
}

QString chooseInvoiceFolder(QWidget *parent)
{
    QFileDialog dialog(parent, msg::kNfeTituloPasta, lastFolder);
    dialog.setObjectName(QStringLiteral("dlgPastaNFe"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    lastFolder = dialog.selectedFiles().constFirst();
    return lastFolder;
}

QPushButton *button(const QString &name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TfrmImportacaoNFe::TfrmImportacaoNFe(QSqlDatabase db, const PeriodKey &period, Dialogs &dialogs, NfeImportHooks hooks,
                                     QWidget *parent)
    : QDialog(parent), m_db(db), m_period(period), m_dialogs(dialogs), m_hooks(std::move(hooks)), m_lookups(db)
{
    setObjectName(QStringLiteral("frmImportacaoNFe"));
    setWindowTitle(msg::kNfeTitulo + QStringLiteral(" - ") + period.mes + QLatin1Char('/') + period.ano);
    m_lookups.holdCfops(); // on failure each check asks the store itself

    const auto invalid = [this](const QString &message, bool error) {
        if (error)
            m_dialogs.error(message);
        else
            m_dialogs.information(message);
    };
    m_rowsB = new NfeRowsModel(QLatin1Char('B'), m_lookups, invalid, this);
    m_rowsC = new NfeRowsModel(QLatin1Char('C'), m_lookups, invalid, this);
    m_factors = new NfeFactorsModel(invalid, this);
    connect(m_factors, &NfeFactorsModel::rowsChanged, this, [this] {
        m_rowsB->recheck();
        m_rowsC->recheck();
        refreshSummary();
    });
    for (NfeRowsModel *m : {m_rowsB, m_rowsC})
        connect(m, &QAbstractItemModel::dataChanged, this, [this] { refreshSummary(); });

    auto *layout = new QVBoxLayout(this);

    // The inputs.
    auto *inputsLabel = new QLabel(msg::kNfeArquivosLidos, this);
    layout->addWidget(inputsLabel);
    auto *inputs = new QHBoxLayout;
    m_inputList = new QListWidget(this);
    m_inputList->setObjectName(QStringLiteral("lstArquivos"));
    m_inputList->setFixedHeight(fontMetrics().height() * 4 + 8);
    inputsLabel->setBuddy(m_inputList);
    inputs->addWidget(m_inputList, 1);
    auto *inputButtons = new QVBoxLayout;
    QPushButton *addFiles = button(QStringLiteral("btnAdicionarArquivos"), msg::kNfeAdicionarArquivos, this);
    QPushButton *addFolder = button(QStringLiteral("btnAdicionarPasta"), msg::kNfeAdicionarPasta, this);
    QPushButton *remove = button(QStringLiteral("btnRemover"), msg::kNfeRemover, this);
    for (QPushButton *b : {addFiles, addFolder, remove})
        inputButtons->addWidget(b);
    inputButtons->addStretch();
    inputs->addLayout(inputButtons);
    layout->addLayout(inputs);
    connect(addFiles, &QPushButton::clicked, this, [this] {
        const QStringList files = m_hooks.chooseFiles ? m_hooks.chooseFiles() : chooseInvoiceFiles(this);
        if (!files.isEmpty())
            addInputs(files);
    });
    connect(addFolder, &QPushButton::clicked, this, [this] {
        const QString folder = m_hooks.chooseFolder ? m_hooks.chooseFolder() : chooseInvoiceFolder(this);
        if (!folder.isEmpty())
            addInputs({folder});
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        const int row = m_inputList->currentRow();
        if (row < 0)
            return;
        m_inputs.removeAt(row);
        readInputs();
        m_inputList->setCurrentRow(std::min(row, static_cast<int>(m_inputs.size()) - 1));
    });

    // The rows, the factors, the files left out.
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pgcNotas"));
    m_gridB = grid(QStringLiteral("grdMovimentacao"), m_rowsB);
    m_gridC = grid(QStringLiteral("grdImportacao"), m_rowsC);
    m_gridFactors = grid(QStringLiteral("grdFatores"), m_factors);
    // The unit to convert to is picked from its list.
    m_gridFactors->setItemDelegateForColumn(NfeFactorsModel::targetColumn(),
                                            new ChoiceDelegate(NfeFactorsModel::targets(), m_gridFactors));
    m_skipped = new QListWidget(this);
    m_skipped->setObjectName(QStringLiteral("lstIgnorados"));
    m_pages->addTab(m_gridB, QString());
    m_pages->addTab(m_gridC, QString());
    m_pages->addTab(m_gridFactors, QString());
    m_pages->addTab(m_skipped, QString());
    m_pages->tabBar()->installEventFilter(this);
    layout->addWidget(m_pages, 1);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblResumo"));
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);
    auto *hint = new QLabel(msg::kNfeDica, this);
    hint->setObjectName(QStringLiteral("lblDica"));
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    m_import = button(QStringLiteral("btnImportar"), msg::kNfeImportar, this);
    QPushButton *close = button(QStringLiteral("btnFechar"), msg::kNfeFechar, this);
    bottom->addWidget(m_import);
    bottom->addWidget(close);
    layout->addLayout(bottom);
    connect(m_import, &QPushButton::clicked, this, &TfrmImportacaoNFe::importNow);
    connect(close, &QPushButton::clicked, this, &TfrmImportacaoNFe::reject);

    refreshSummary();
    // Inside the owner's area, as large as it comfortably allows.
    if (parent) {
        const QSize room = parent->window()->size();
        resize(std::min(room.width() - 40, 1100), std::min(room.height() - 90, 680));
        placeInside(this, parent->window());
    } else {
        resize(980, 620);
    }
    addFiles->setFocus();
}

TfrmImportacaoNFe::~TfrmImportacaoNFe() = default;

QTableView *TfrmImportacaoNFe::grid(const QString &name, QAbstractItemModel *model)
{
    auto *v = new QTableView(this);
    v->setObjectName(name);
    v->setModel(model);
    // Tab leaves the grid; arrows move in it; typing, F2 or Enter edits.
    v->setTabKeyNavigation(false);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setSelectionBehavior(QAbstractItemView::SelectItems);
    v->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                       QAbstractItemView::AnyKeyPressed);
    v->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    v->horizontalHeader()->setStretchLastSection(true);
    v->installEventFilter(this);
    return v;
}

bool TfrmImportacaoNFe::eventFilter(QObject *watched, QEvent *event)
{
    // A page's Alt letter shows the page and puts the focus in it.
    if (watched == m_pages->tabBar() && event->type() == QEvent::Shortcut) {
        QTimer::singleShot(0, this, [this] { m_pages->currentWidget()->setFocus(); });
        return false;
    }
    // Enter on a cell starts editing it, instead of pressing a button of the
    // window; while a cell is edited its editor has the keys, and Enter there
    // stores the value.
    if (event->type() == QEvent::KeyPress) {
        auto *view = qobject_cast<QTableView *>(watched);
        const auto *key = static_cast<QKeyEvent *>(event);
        if (view && view->hasFocus() && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier && view->currentIndex().isValid()) {
            if (view->model()->flags(view->currentIndex()) & Qt::ItemIsEditable)
                view->edit(view->currentIndex());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

NfeRowsModel *TfrmImportacaoNFe::rowsModel(QChar annex) const
{
    return annex == QLatin1Char('C') ? m_rowsC : m_rowsB;
}

void TfrmImportacaoNFe::addInputs(const QStringList &paths)
{
    for (const QString &p : paths)
        if (!m_inputs.contains(p))
            m_inputs.append(p);
    readInputs();
}

void TfrmImportacaoNFe::readInputs()
{
    commitEdit();
    m_inputList->clear();
    for (const QString &p : m_inputs)
        m_inputList->addItem(QDir::toNativeSeparators(p));
    std::unique_ptr<nfe::Scan> next;
    if (!m_inputs.isEmpty()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        Result<nfe::Scan> r = [&] {
            ScanProgress progress(this, m_progressDelay);
            return nfe::scan(m_db, m_period, m_inputs, {}, progress);
        }();
        QApplication::restoreOverrideCursor();
        if (!r) {
            m_dialogs.error(r.message());
            return;
        }
        next = std::make_unique<nfe::Scan>(std::move(*r));
    }
    m_factors->setScan(next.get());
    m_rowsB->setScan(next.get());
    m_rowsC->setScan(next.get());
    m_scan = std::move(next);
    m_skipped->clear();
    if (m_scan)
        for (const nfe::Skipped &s : m_scan->skipped)
            m_skipped->addItem(s.line());
    // Long captions and file names are cut; the tool tip has them whole.
    for (QTableView *v : {m_gridB, m_gridC, m_gridFactors}) {
        v->resizeColumnsToContents();
        for (int c = 0; c < v->model()->columnCount(); ++c)
            v->setColumnWidth(c, std::clamp(v->columnWidth(c), 60, c == 0 ? 260 : 200));
    }
    // Each grid starts on what is missing in it: the first incomplete
    // row's cell, the factor column.
    for (NfeRowsModel *m : {m_rowsB, m_rowsC}) {
        QTableView *v = m == m_rowsB ? m_gridB : m_gridC;
        QModelIndex at = m->index(0, 0);
        for (int r = 0; r < m->rowCount(); ++r)
            if (const entry::RequiredCheck *check = m->firstMissing(r)) {
                at = m->index(r, std::max(m->columnOf(m->fieldOf(*check)), 0));
                break;
            }
        v->setCurrentIndex(at);
    }
    m_gridFactors->setCurrentIndex(m_factors->index(0, 4));
    // The first page with something to see, with the focus in it.
    QWidget *page = m_gridB;
    if (m_rowsB->rowCount() == 0 && m_rowsC->rowCount() > 0)
        page = m_gridC;
    else if (m_rowsB->rowCount() == 0 && m_rowsC->rowCount() == 0 && m_skipped->count() > 0)
        page = m_skipped;
    m_pages->setCurrentWidget(page);
    if (m_scan)
        page->setFocus();
    refreshSummary();
}

void TfrmImportacaoNFe::refreshSummary()
{
    m_pages->setTabText(0, msg::kNfeAbaB.arg(m_rowsB->rowCount()));
    m_pages->setTabText(1, msg::kNfeAbaC.arg(m_rowsC->rowCount()));
    m_pages->setTabText(2, msg::kNfeAbaFatores.arg(m_factors->rowCount()));
    m_pages->setTabText(3, msg::kNfeAbaIgnorados.arg(m_skipped->count()));
    if (!m_scan) {
        m_summary->setText(QString());
        return;
    }
    QStringList lines{msg::kNfeResumo.arg(m_scan->rows.size()).arg(m_rowsB->incomplete() + m_rowsC->incomplete())};
    if (m_scan->outsidePeriod > 0)
        lines.append(msg::kNfeTotalForaDoPeriodo.arg(m_scan->outsidePeriod));
    if (m_scan->uncontrolledItems > 0)
        lines.append(msg::kNfeItensIgnorados.arg(m_scan->uncontrolledItems));
    if (!m_scan->importedBefore.isEmpty())
        lines.append(msg::kNfeResumoJaImportadas.arg(m_scan->importedBefore.size()));
    m_summary->setText(lines.join(QLatin1Char(' ')));
}

void TfrmImportacaoNFe::commitEdit()
{
    // An editor open in a grid gives its value when it loses the focus.
    QWidget *f = QApplication::focusWidget();
    for (QTableView *v : {m_gridB, m_gridC, m_gridFactors})
        if (f && v->viewport()->isAncestorOf(f)) {
            v->setFocus();
            break;
        }
}

void TfrmImportacaoNFe::importNow()
{
    commitEdit();
    if (!m_scan || m_scan->rows.empty()) {
        m_dialogs.information(msg::kNfeNenhumaLinha);
        return;
    }
    nfe::StoreOptions options;
    options.factors = m_factors->given();
    if (!m_scan->importedBefore.isEmpty()) {
        const Answer a = m_dialogs.confirmYesNoCancel(msg::kNfeJaImportadas.arg(m_scan->importedBefore.size()));
        if (a == Answer::Cancel)
            return;
        options.replace = a == Answer::Yes;
    }
    // An incomplete row refuses the whole import before anything is written.
    {
        const nfe::Screen screen(m_db);
        nfe::StoreResult pending;
        for (size_t i = 0; i < m_scan->rows.size(); ++i) {
            const nfe::Candidate &c = m_scan->rows[i];
            if ((!c.importedBefore || options.replace) && screen.firstMissing(c))
                pending.incomplete.push_back(i);
        }
        if (!pending.incomplete.empty()) {
            showFirstIncomplete(pending);
            return;
        }
    }
    if (m_hooks.postPending && !m_hooks.postPending())
        return;
    Result<nfe::StoreResult> r = nfe::store(m_db, *m_scan, options);
    if (!r) {
        m_dialogs.error(r.message());
        return;
    }
    if (r->refused) {
        showFirstIncomplete(*r);
        return;
    }
    m_imported = true;
    const NfeImportHooks hooks = m_hooks;
    Dialogs &dialogs = m_dialogs;
    if (hooks.reload)
        hooks.reload();
    dialogs.information(msg::kNfeImportadas.arg(r->rowsB).arg(r->rowsC));
    // The movements just imported make up XI-A's totals: offered first, so
    // that the check that follows sees them.
    const bool totals = hooks.totals && dialogs.confirm(msg::kNfeTotaisAgora);
    accept();
    if (totals)
        hooks.totals();
    const bool validate = dialogs.confirm(msg::kNfeValidarAgora);
    if (validate && hooks.validate)
        hooks.validate();
}

void TfrmImportacaoNFe::showFirstIncomplete(const nfe::StoreResult &r)
{
    const size_t first = r.incomplete.front();
    const nfe::Candidate &c = m_scan->rows[first];
    NfeRowsModel *model = rowsModel(c.annex);
    QTableView *view = c.annex == QLatin1Char('C') ? m_gridC : m_gridB;
    const int row = model->rowOf(first);
    const entry::RequiredCheck *check = row >= 0 ? model->firstMissing(row) : nullptr;
    QString why = check ? check->message : QString();
    if (c.needsFactor)
        why = msg::kNfeSemFator.arg(c.invoiceUnit, c.productCode, c.description);
    m_dialogs.information(msg::kNfeIncompletas.arg(r.incomplete.size()) + QLatin1Char('\r') +
                          nfe::incompleteLine(c, why));
    // The clerk is taken to what is missing: the factor, or the cell.
    if (c.needsFactor && m_factors->rowCount() > 0) {
        m_pages->setCurrentWidget(m_gridFactors);
        m_gridFactors->setCurrentIndex(m_factors->index(0, 4));
        for (int i = 0; i < m_factors->rowCount(); ++i)
            if (m_factors->index(i, 1).data().toString() == c.productCode &&
                m_factors->index(i, 3).data().toString() == c.invoiceUnit.trimmed())
                m_gridFactors->setCurrentIndex(m_factors->index(i, 4));
        m_gridFactors->setFocus();
        m_dialogs.focus(m_gridFactors->objectName());
        return;
    }
    m_pages->setCurrentWidget(view);
    if (row >= 0) {
        const int column = check ? model->columnOf(model->fieldOf(*check)) : 0;
        view->setCurrentIndex(model->index(row, std::max(column, 0)));
    }
    view->setFocus();
    m_dialogs.focus(view->objectName());
}

void TfrmImportacaoNFe::reject()
{
    commitEdit();
    if (!m_imported && m_scan && !m_scan->rows.empty() && !m_dialogs.confirm(msg::kNfeFecharSemImportar))
        return;
    QDialog::reject();
}

void installNfeImport(MainWindow &window, NfeImportHooks choosers)
{
    window.registerScreen(screens::kImportacaoNfe, [&window, choosers](const QString &) {
        const PeriodKey period = window.currentPeriod();
        if (!window.companyOpen() || !period.isValid()) {
            window.dialogs().information(msg::kNfeSemPeriodoAberto);
            return false;
        }
        NfeImportHooks hooks = choosers;
        hooks.postPending = [&window] { return window.postPendingRows(); };
        hooks.reload = [&window, period] { window.reloadData(period); };
        hooks.validate = [&window] {
            if (QAction *a = window.command(QStringLiteral("mniValidar")); a && a->isEnabled())
                a->trigger();
        };
        hooks.totals = [&window] {
            if (QAction *a = window.command(QStringLiteral("mniCalcularTotais")); a && a->isEnabled())
                a->trigger();
        };
        auto *w = new TfrmImportacaoNFe(window.db(), period, window.dialogs(), hooks, &window);
        w->setAttribute(Qt::WA_DeleteOnClose);
        // The keys go back to the main window when the window closes.
        QObject::connect(w, &QDialog::finished, &window, [&window] { window.activateWindow(); });
        w->setWindowModality(Qt::ApplicationModal);
        w->show();
        w->activateWindow();
        return true;
    });
}

} // namespace quirels::exchange::ui
