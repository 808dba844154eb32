#include "MainWindow.h"

#include "EmpresaQuirels.h"
#include "MainCommands.h"
#include "Splash.h"
#include "StartupEffects.h"
#include "StatusPanel.h"
#include "WindowList.h"
#include "base/ui/MessageBoxDialogs.h"
#include "shell/Annexes.h"
#include "shell/Messages.h"
#include "store/Cursor.h"
#include "store/DataModule.h"

#include <QDialog>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

namespace quirels {

namespace msg = shell::msg;

namespace {

QString s(const char *utf8) { return QString::fromUtf8(utf8); }

// What Close company disables, beside the annex commands.
const char *const kClosedCommands[] = {
    "mniFecharEmpresa", "mniExcluirMovimento", "mniImprimirTodososAnexos", "mniGerarArquivo",
    "mniEnviarArquivo", "mniInformacoesEmpresa", "mniResponsavel",        "mniValidar",
    "btnGerarArquivo",  "btnEnviarArquivo",    "btnValidar",       "mniImportarNFe",
    "mniCalcularTotais", "mniVisaoAno",
};

const char *const kWindowCommands[] = {"mniCascata",      "mniHorizontal",    "mniVertical",      "mniMinimizar",
                                       "mniFecharJanela", "mniProximaJanela", "mniJanelaAnterior"};

// The annex window shown until the entry screen of that annex is installed.
QWidget *placeholderAnnexWindow(QChar letter)
{
    const shell::Annex *a = shell::annex(letter);
    auto *w = new QWidget;
    w->setObjectName(QStringLiteral("frmAnexo") + letter);
    w->setWindowTitle(a->qcaption());
    auto *layout = new QVBoxLayout(w);
    auto *label = new QLabel(a->qcaption() + QStringLiteral("\n\n") + msg::kTelaIndisponivel, w);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    layout->addWidget(label);
    w->resize(520, 320);
    return w;
}

} // namespace

MainWindow::MainWindow(const Options &options, QWidget *parent)
    : QMainWindow(parent), m_options(options), m_mdi(new QMdiArea(this))
{
    m_dialogs = options.dialogs;
    if (!m_dialogs) {
        m_ownDialogs = std::make_unique<MessageBoxDialogs>(this);
        m_dialogs = m_ownDialogs.get();
    }
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QStringLiteral("Quirels"));
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->setBackground(QColor(128, 128, 128));
    // A child window kept at its smallest usable size in a smaller frame
    // (tiled, or on a small screen) is scrolled to, never squeezed.
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWindowIcon(applicationIcon());
    setCentralWidget(m_mdi);
    resize(1024, 700);

    // Hints: Verdana 7 on a pale cyan background.
    QToolTip::setFont(QFont(QStringLiteral("Verdana"), 7));
    QPalette tip = QToolTip::palette();
    tip.setColor(QPalette::ToolTipBase, QColor(236, 254, 255));
    tip.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(tip);

    // The settings decide the data folder, unless the caller gave one.
    const Workspace::Places given{options.dataFolder, options.xmlFolder, options.settingsPath,
                                  options.storeConfigPath};
    m_workspace = std::make_unique<Workspace>(*m_dialogs, given, this);
    m_registry = std::make_unique<ScreenRegistry>(*m_dialogs);
    m_actions = std::make_unique<MainCommands>(*this, MainCommands::Outside{options.openUrl, options.startDetached});
    m_workspace->setBeforePosting([this] { emit aboutToPostPending(); });
    m_workspace->setChooseDataFolder([this] { runScreen(screens::kConfiguracoes); });

    buildCommands();
    buildToolBar();
    m_status = std::make_unique<StatusPanel>(statusBar());
    // The "Janela" menu lists the open windows.
    new WindowList(m_menus.value(QStringLiteral("mnuJanela")), m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this] { updateWindowCommands(); });
    qApp->installEventFilter(this);

    m_startup = new StartupEffects(*this, options.startupEffects);
    installShellScreens(*this);
    if (const ScreenInstaller &install = ScreenRegistry::installer())
        install(*this);
    if (options.openStore)
        openStore();
}

MainWindow::~MainWindow()
{
    // The child windows go with the frame after this body has run: nothing
    // of theirs may call back into this window then.
    qApp->removeEventFilter(this);
    disconnect(m_mdi, nullptr, this, nullptr);
    for (QMdiSubWindow *sub : m_mdi->subWindowList()) {
        sub->removeEventFilter(this);
        disconnect(sub, nullptr, this, nullptr);
    }
    delete m_startup; // the splash with it
    m_startup = nullptr;
    // Dialogs that browse the data module's cursors (the product search) go
    // while it still lives: hiding their grids reads the rows once more.
    for (QDialog *dialog : findChildren<QDialog *>(QString(), Qt::FindDirectChildrenOnly))
        delete dialog;
}

QDate MainWindow::today() const { return m_options.today ? m_options.today() : QDate::currentDate(); }

QSqlDatabase MainWindow::db() const { return m_workspace->db(); }

bool MainWindow::reconnect(const PeriodKey &period)
{
    const bool ok = openStore();
    if (!period.isValid())
        return ok;
    if (ok && setCurrentPeriod(period)) {
        setCommandEnabled(QStringLiteral("mniBackup"), false);
        openAnnexWindows();
    } else {
        closeCompany();
    }
    return ok;
}

QMdiSubWindow *MainWindow::addChild(QWidget *widget)
{
    QMdiSubWindow *sub = m_mdi->addSubWindow(widget);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // Never smaller than its screen can be used at: the frame scrolls instead.
    sub->setMinimumSize(sub->minimumSizeHint());
    // The window's own menu keeps its items but not their keys: Ctrl+F4
    // belongs to "&Fechar" of the "Janela" menu, which closes the active child.
    if (QMenu *own = sub->systemMenu())
        for (QAction *a : own->actions())
            a->setShortcuts({});
    sub->installEventFilter(this);
    connect(sub, &QObject::destroyed, this, [this] { QTimer::singleShot(0, this, [this] { updateWindowCommands(); }); });
    return sub;
}

QMdiSubWindow *MainWindow::annexWindow(QChar letter) const
{
    const int i = shell::annexIndex(letter);
    if (i < 0 || i >= 8)
        return nullptr;
    // A closed annex window is gone at once, though deleted a moment later.
    QMdiSubWindow *sub = m_annexWindows[static_cast<size_t>(i)].data();
    return sub && !sub->isHidden() ? sub : nullptr;
}

QMdiSubWindow *MainWindow::showAnnex(QChar letter, bool maximised)
{
    const int i = shell::annexIndex(letter);
    if (i < 0 || i >= 8)
        return nullptr;
    QPointer<QMdiSubWindow> &ref = m_annexWindows[static_cast<size_t>(i)];
    Q_UNUSED(maximised)
    if (!annexWindow(letter)) {
        const AnnexFactory &factory = m_registry->annexFactory();
        QWidget *w = factory ? factory(letter) : nullptr;
        if (!w)
            w = placeholderAnnexWindow(letter);
        ref = addChild(w);
        // Every annex window opens maximised; shown again, it keeps the
        // size the user gave it.
        ref->showMaximized();
    } else if (ref->isMinimized()) {
        ref->showNormal();
    } else {
        ref->show();
    }
    m_mdi->setActiveSubWindow(ref);
    updateWindowCommands();
    return ref;
}

TfrmEmpresaQuirels *MainWindow::companyWindow()
{
    if (!m_companyWindow) {
        m_companyWindow = new TfrmEmpresaQuirels(*this, this);
        addCompanyWindow(m_companyWindow);
    }
    return m_companyWindow;
}

void MainWindow::addCompanyWindow(QWidget *window)
{
    if (window && !m_companyWindows.contains(window))
        m_companyWindows.append(window);
}

// ---- Operations other windows call ----

void MainWindow::openAnnexWindows()
{
    for (const char *name : {"mniExcluirMovimento", "mnuQuirels", "mniFecharEmpresa", "mniInformacoesEmpresa",
                             "mniResponsavel", "mniValidar", "btnValidar"})
        setCommandEnabled(s(name), true);
    const PeriodKey period = currentPeriod();
    setCompanyKeyMask(cpfcnpj::keyDisplayMask(period.cnpj));
    store::DataModule &dm = dataModule();
    dm.empresa().setDisplayMask(QStringLiteral("CdCNPJEmpr"), cpfcnpj::mask(companyKeyMask()).source());

    // The groups of the current company row; a null flag counts as absent.
    shell::Groups groups{};
    static const char *const flags[] = {"FlGrupoI", "FlGrupoII", "FlGrupoIII", "FlGrupoIV", "FlGrupoV",
                                        "FlGrupoVI", "FlGrupoVII", "FlGrupoVIII", "FlGrupoIX"};
    if (dm.empresa().row() >= 0)
        for (size_t i = 0; i < 9; ++i)
            groups[i] = dm.empresa().value(s(flags[i])).toBool();
    for (const shell::AnnexGroupRule &rule : shell::annexGroupRules()) {
        if (!shell::applies(rule, groups))
            continue;
        showAnnex(QLatin1Char(rule.window), rule.maximised);
        for (const char *l = rule.letters; *l; ++l)
            setAnnexCommandsEnabled(QLatin1Char(*l), true);
    }
    if (period.isValid() && !m_workspace->ensureObservationRows(shell::lettersFor(groups)))
        return;
    setCommandEnabled(QStringLiteral("mniImprimirTodososAnexos"), true);
    setCommandEnabled(QStringLiteral("mniImportarNFe"), period.isValid());
    setCommandEnabled(QStringLiteral("mniCalcularTotais"), period.isValid());
    setCommandEnabled(QStringLiteral("mniVisaoAno"), period.isValid());
}

bool MainWindow::closeWindows()
{
    // The company windows first: the company window writes its row and
    // would otherwise outlive the company it shows, and a later close would
    // put the cursors back on that company under the next one's windows.
    const bool wasClosing = m_closingCompany;
    m_closingCompany = true;
    bool closed = true;
    for (auto it = m_companyWindows.crbegin(); closed && it != m_companyWindows.crend(); ++it)
        if (QWidget *w = it->data(); w && !w->isHidden())
            closed = w->close();
    QList<QMdiSubWindow *> subs = m_mdi->subWindowList(QMdiArea::CreationOrder);
    for (auto it = subs.crbegin(); closed && it != subs.crend(); ++it)
        if (!(*it)->isHidden())
            closed = (*it)->close();
    m_closingCompany = wasClosing;
    return closed;
}

bool MainWindow::closeCompany()
{
    if (!closeWindows())
        return false;
    // Other workstations' bulk operations on the period may run now.
    dataModule().releasePeriod();
    disableCompanyCommands();
    return true;
}

void MainWindow::disableCompanyCommands()
{
    for (const char *name : kClosedCommands)
        setCommandEnabled(s(name), false);
    for (const shell::Annex &a : shell::annexes())
        setAnnexCommandsEnabled(QLatin1Char(a.letter), false);
    setCommandEnabled(QStringLiteral("mniBackup"), true);
    updateWindowCommands();
}

bool MainWindow::companyOpen() const
{
    const QList<QMdiSubWindow *> subs = m_mdi->subWindowList();
    return std::any_of(subs.cbegin(), subs.cend(), [](const QMdiSubWindow *w) { return !w->isHidden(); })
           || std::any_of(m_companyWindows.cbegin(), m_companyWindows.cend(),
                          [](const QPointer<QWidget> &w) { return w && !w->isHidden(); });
}

// ---- Status bar, hints, splash ----

QString MainWindow::message() const { return m_status->message(); }

void MainWindow::setMessage(const QString &text) { m_status->setMessage(text); }

bool MainWindow::hintsShown() const { return m_status->hintsShown(); }

void MainWindow::setHintsShown(bool on) { m_status->setHintsShown(on); }

QLabel *MainWindow::indicator(const QString &name) const { return m_status->indicator(name); }

void MainWindow::showSplash() { m_startup->showSplash(); }

QWidget *MainWindow::splash() const { return m_startup ? m_startup->splash() : nullptr; }

void MainWindow::updateWindowCommands()
{
    const bool any = companyOpen();
    for (const char *name : kWindowCommands)
        setCommandEnabled(s(name), any);
}

bool MainWindow::event(QEvent *e)
{
    // The long hints go to the message panel, not over the status bar.
    if (e->type() == QEvent::StatusTip) {
        if (hintsShown())
            setMessage(static_cast<QStatusTipEvent *>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *e)
{
    switch (e->type()) {
    case QEvent::ToolTip:
        if (!hintsShown())
            return true;
        break;
    case QEvent::StatusTip:
        // Long hints of every window of the program reach the message panel.
        if (watched != this && watched->isWidgetType()) {
            if (hintsShown()) {
                setMessage(static_cast<QStatusTipEvent *>(e)->tip());
                m_hintSource = static_cast<QWidget *>(watched);
            }
            return true;
        }
        break;
    case QEvent::KeyPress: {
        // Insert toggles its indicator. A key press reaches the top-level
        // window first and then travels through the widgets; counting it at
        // the window counts each press once.
        auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Insert && !k->isAutoRepeat() && watched->isWindowType())
            m_status->toggleInsert();
        break;
    }
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Close:
        // A hint goes with the window that showed it: the pointer may rest
        // where a closed dialog was, and no other hint replaces it.
        if (e->type() == QEvent::Hide && m_hintSource && watched == m_hintSource) {
            m_hintSource = nullptr;
            setMessage(QString());
        }
        if (qobject_cast<QMdiSubWindow *>(watched))
            QTimer::singleShot(0, this, [this] { updateWindowCommands(); });
        break;
    default: break;
    }
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::closeEvent(QCloseEvent *e)
{
    // A window with unsaved data may refuse; the program then stays.
    if (!closeWindows()) {
        e->ignore();
        return;
    }
    QMainWindow::closeEvent(e);
}

} // namespace quirels
