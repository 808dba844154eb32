#include "reports/ui/ReportCommands.h"
#include "reports/Messages.h"
#include "reports/ui/ConfigRelatorio.h"
#include "reports/ui/PreviewWindow.h"

#include "shell/Annexes.h"
#include "shell/Messages.h"
#include "shell/ui/MainWindow.h"
#include "store/Cursor.h"
#include "store/DataModule.h"

#include <QAction>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTableView>
#include <memory>

namespace quirels::reports::ui {

namespace {

// Pages of a report on their way to a preview window: the window opens with
// the first page, shows the count growing, and closing it stops generation.
class PreviewSink : public PageSink {
public:
    PreviewSink(MainWindow &window, ReportEnv env, QString pdfName, std::function<void(TfrmPreview *)> opened = {})
        : m_window(window), m_env(std::move(env)), m_pdfName(std::move(pdfName)), m_opened(std::move(opened))
    {
    }
    void beginReport(const QString &title, const PageSetup &setup) override
    {
        auto *preview = new TfrmPreview(title, setup, m_pdfName, m_env);
        QMdiSubWindow *sub = m_window.addChild(preview);
        sub->showMaximized();
        preview->setFocus();
        m_preview = preview;
        if (m_opened)
            m_opened(preview);
    }
    bool addPage(Page &&page) override
    {
        if (!m_preview)
            return false; // closed while it was being generated
        m_preview->addPage(std::move(page));
        QCoreApplication::processEvents();
        return !m_preview.isNull();
    }
    void endReport() override
    {
        if (m_preview)
            m_preview->setFinished();
    }
    TfrmPreview *preview() const { return m_preview; }

private:
    MainWindow &m_window;
    ReportEnv m_env;
    QString m_pdfName;
    std::function<void(TfrmPreview *)> m_opened;
    QPointer<TfrmPreview> m_preview;
};

// Several reports as one: the first report's beginning opens the inner
// sink, the reports' ends are held until finish().
class JoinedSink : public PageSink {
public:
    JoinedSink(PageSink &inner, QString title) : m_inner(inner), m_title(std::move(title)) {}
    void beginReport(const QString &, const PageSetup &setup) override
    {
        if (!m_begun)
            m_inner.beginReport(m_title, setup);
        m_begun = true;
    }
    bool addPage(Page &&page) override { return m_inner.addPage(std::move(page)); }
    void finish()
    {
        if (m_begun)
            m_inner.endReport();
    }

private:
    PageSink &m_inner;
    QString m_title;
    bool m_begun = false;
};

// Pages nobody prints (print-all mode without a printer): the empty check
// still runs and shows its message.
class DiscardSink : public PageSink {
public:
    bool addPage(Page &&) override { return true; }
};

} // namespace

ReportCommands::ReportCommands(MainWindow &window)
    : QObject(&window), m_window(window), m_env(ReportEnv::desktop(window.dialogs())), m_printer(QPrinter::HighResolution)
{
    setObjectName(QStringLiteral("reportCommands"));
    connect(window.mdiArea(), &QMdiArea::subWindowActivated, this, &ReportCommands::followActiveWindow);
    if (QMenu *windows = window.menu(QStringLiteral("mnuJanela"))) {
        m_optionsCommand = windows->addAction(msg::kJanelaOpcoes);
        m_optionsCommand->setObjectName(QStringLiteral("mniOpcoesImpressao"));
        m_optionsCommand->setStatusTip(msg::kHintJanelaOpcoes);
        m_optionsCommand->setEnabled(false);
        connect(m_optionsCommand, &QAction::triggered, this, &ReportCommands::showOptions);
    }
}

bool ReportCommands::belongsToOptions(QMdiSubWindow *window) const
{
    if (!window)
        return false;
    const QChar annex = m_window.optionsAnnex();
    if (window == m_window.annexWindow(annex))
        return true;
    const auto *preview = qobject_cast<TfrmPreview *>(window->widget());
    return preview && preview->title() == msg::titulo(annex);
}

void ReportCommands::followActiveWindow(QMdiSubWindow *active)
{
    if (!m_options)
        return;
    // The company closed: its windows are gone, and the options with them.
    if (!m_window.companyOpen()) {
        m_options->close();
        m_optionsHidden = false;
        if (m_optionsCommand)
            m_optionsCommand->setEnabled(false);
        return;
    }
    if (!active)
        return; // the main window lost the focus: nothing changed inside it
    if (belongsToOptions(active)) {
        if (m_optionsHidden)
            m_options->show();
        m_optionsHidden = false;
    } else if (m_options->isVisible()) {
        m_options->hide();
        m_optionsHidden = true;
    }
}

void ReportCommands::showOptions()
{
    if (!m_options || !m_window.companyOpen())
        return;
    m_optionsHidden = false;
    m_options->show();
    m_options->raise();
    m_options->activateWindow();
}

void ReportCommands::menuCommand(QChar annex)
{
    m_window.setPrintAll(false);
    if (!QStringLiteral("BCEF").contains(annex)) {
        run(annex, Variant::Data);
        return;
    }
    m_window.setOptionsAnnex(annex);
    if (!m_options)
        m_options = new TfrmConfigRelatorio([w = &m_window] { return w->optionsAnnex(); },
                                            [this](QChar a, Variant v) { run(a, v); }, &m_window);
    m_optionsHidden = false;
    m_options->show();
    m_options->setup();
    m_options->raise();
    m_options->activateWindow();
    if (m_optionsCommand)
        m_optionsCommand->setEnabled(true);
}

void ReportCommands::printAll()
{
    if (!m_env.printer || !m_env.printer(m_printer, 0, 0, false)) {
        m_window.setPrintAll(false);
        if (m_env.dialogs->confirm(msg::kSemImpressoraTodos))
            previewAll();
        return;
    }
    m_window.setPrintAll(true);
    for (const shell::Annex &a : shell::annexes()) {
        QAction *entry = m_window.command(QString::fromLatin1(a.button));
        if (entry && entry->isEnabled())
            run(QLatin1Char(a.letter), Variant::Data);
    }
}

bool ReportCommands::previewAll()
{
    if (!settlePendingRows())
        return false;
    const PeriodKey period = m_window.currentPeriod();
    const QSqlDatabase db = m_window.db();
    const QString pdfName = period.cnpj + QLatin1Char('_') + period.mes + period.ano + QStringLiteral("_Anexos.pdf");
    PreviewSink preview(m_window, m_env, pdfName);
    JoinedSink all(preview, msg::kTituloTodos);
    bool shown = false;
    for (const shell::Annex &a : shell::annexes()) {
        QAction *entry = m_window.command(QString::fromLatin1(a.button));
        if (!entry || !entry->isEnabled())
            continue;
        const QChar annex = QLatin1Char(a.letter);
        prepare(annex);
        Result<Outcome> r = runAnnexReport(db, period, annex, Variant::Data, all, *m_env.dialogs);
        if (!r) {
            m_env.dialogs->error(r.message());
            break;
        }
        if (*r == Outcome::Stopped)
            break; // the preview was closed
        shown = shown || *r == Outcome::Printed;
    }
    all.finish();
    if (preview.preview())
        m_lastPreview = preview.preview();
    return shown;
}

void ReportCommands::moveOptionsAside()
{
    // The options dialog stays open beside a preview it started: it moves to
    // the bottom-right corner of the main window's work area, clear of the
    // page's header and first lines.
    if (!m_options || !m_options->isVisible())
        return;
    QWidget *area = m_window.mdiArea();
    const QRect work(area->mapToGlobal(QPoint(0, 0)), area->size());
    const QSize size = m_options->frameGeometry().size();
    const int margin = 24; // clear of the preview's scroll bar
    m_options->move(std::max(work.left(), work.right() - size.width() - margin),
                    std::max(work.top(), work.bottom() - size.height() - margin / 2));
}

bool ReportCommands::settlePendingRows()
{
    for (store::Cursor *c : m_window.dataModule().cursors()) {
        if (!c->isEditing())
            continue;
        if (!c->checkBrowseMode())
            return false; // the rule's message was shown
    }
    return true;
}

void ReportCommands::prepare(QChar annex)
{
    // Reports B and E leave their table in day order, as the entry screens
    // then show it.
    store::DataModule &dm = m_window.dataModule();
    store::Cursor *c = annex == QLatin1Char('B') ? &dm.movimentacao()
                       : annex == QLatin1Char('E') ? &dm.movArmazenagem()
                                                   : nullptr;
    if (c && c->isOpen() && c->orderName().compare(QLatin1String("idxDia"), Qt::CaseInsensitive) != 0 &&
        !c->setOrder(QStringLiteral("idxDia")))
        c->setOrderFields({QStringLiteral("CdCNPJEmpr"), QStringLiteral("NrAno"), QStringLiteral("NmMes"), QStringLiteral("NrDia")},
                          true);
}

bool ReportCommands::run(QChar annex, Variant variant)
{
    if (!hasVariant(annex, variant)) {
        m_env.dialogs->information(shell::msg::kTelaIndisponivel);
        return false;
    }
    if (!settlePendingRows())
        return false;
    prepare(annex);
    const PeriodKey period = m_window.currentPeriod();
    const QSqlDatabase db = m_window.db();
    Result<Outcome> r = Outcome::Empty;
    if (m_window.printAll()) {
        std::unique_ptr<PageSink> printer = m_env.printer ? m_env.printer(m_printer, 0, 0, true) : nullptr;
        DiscardSink none;
        r = runAnnexReport(db, period, annex, variant, printer ? *printer : static_cast<PageSink &>(none), *m_env.dialogs);
    } else {
        const QString pdfName = period.cnpj + QLatin1Char('_') + period.mes + period.ano + QStringLiteral("_Anexo") + annex +
                                QStringLiteral(".pdf");
        PreviewSink preview(m_window, m_env, pdfName, [this](TfrmPreview *) { moveOptionsAside(); });
        r = runAnnexReport(db, period, annex, variant, preview, *m_env.dialogs);
        if (preview.preview())
            m_lastPreview = preview.preview();
    }
    if (!r) {
        m_env.dialogs->error(r.message());
        return false;
    }
    return *r == Outcome::Printed;
}

bool ReportCommands::productListing(ProductOrder order)
{
    if (m_productPreview) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(m_productPreview->parentWidget()))
            m_window.mdiArea()->setActiveSubWindow(sub);
        return false;
    }
    // Known as being shown from its first page on, so that a second start
    // while it is still being laid out makes no second listing.
    PreviewSink preview(m_window, m_env, QStringLiteral("ProdutosControlados.pdf"),
                        [this](TfrmPreview *p) { m_productPreview = m_lastPreview = p; });
    const Result<Outcome> r = generate(reports::productListing(m_window.db(), order), preview);
    if (!r) {
        m_env.dialogs->error(r.message());
        return false;
    }
    return *r == Outcome::Printed;
}

bool ReportCommands::preview(const ReportDef &def, const QString &pdfName)
{
    PreviewSink sink(m_window, m_env, pdfName, [this](TfrmPreview *p) { m_lastPreview = p; });
    const Result<Outcome> r = generate(def, sink);
    if (!r) {
        m_env.dialogs->error(r.message());
        return false;
    }
    return *r == Outcome::Printed;
}

void installReportScreens(MainWindow &window)
{
    auto *commands = new ReportCommands(window);
    window.registerScreen(screens::kRelatorio, [commands](const QString &letter) {
        if (letter.size() != 1)
            return false;
        commands->menuCommand(letter.at(0));
        return true;
    });
    window.registerScreen(screens::kRelProdutos, [commands](const QString &index) {
        return commands->productListing(index.compare(QLatin1String("idxNCM"), Qt::CaseInsensitive) == 0 ? ProductOrder::Ncm
                                                                                                         : ProductOrder::Nome);
    });
    window.registerScreen(screens::kImprimirTodos, [commands](const QString &) {
        commands->printAll();
        return true;
    });
    // The year view of the open company, opened on the open period's year;
    // kept while open and brought forward on the next command.
    auto yearView = std::make_shared<QPointer<TfrmVisaoAno>>();
    window.registerScreen(screens::kVisaoAno, [&window, commands, yearView](const QString &) {
        const PeriodKey period = window.currentPeriod();
        if (!window.companyOpen() || !period.isValid())
            return false;
        if (!window.postPendingRows())
            return false;
        if (!*yearView) {
            auto *w = new TfrmVisaoAno([&window] { return window.db(); }, period.cnpj, window.dialogs(),
                                       [commands, period](const ReportDef &def) {
                commands->preview(def, QStringLiteral("Ano%1%2.pdf").arg(period.ano, period.cnpj));
            });
            *yearView = w;
            window.addChild(w)->showMaximized();
        } else if (auto *sub = qobject_cast<QMdiSubWindow *>((*yearView)->parentWidget())) {
            window.mdiArea()->setActiveSubWindow(sub);
        }
        (*yearView)->load(period.ano);
        (*yearView)->grid()->setFocus();
        return true;
    });
}

} // namespace quirels::reports::ui
