#include "MainWindow.h"

#include "EmpresaQuirels.h"
#include "Hints.h"
#include "KeyStates.h"
#include "NovaQuirels.h"
#include "Splash.h"
#include "WindowList.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "base/ui/MessageBoxDialogs.h"
#include "shell/Annexes.h"
#include "shell/Company.h"
#include "shell/Links.h"
#include "shell/Messages.h"
#include "shell/Repair.h"
#include "store/DataModule.h"
#include "store/Database.h"
#include "store/Sql.h"
#include "store/StoreConfig.h"

#include <QDialog>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
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
    const layout::Places places = layout::forProgram();
    m_settingsPath = options.settingsPath.isEmpty() ? places.settingsPath : options.settingsPath;
    m_storeConfigPath = options.storeConfigPath.isEmpty() ? places.storeConfigPath : options.storeConfigPath;
    m_dataFolder = options.dataFolder;
    m_xmlFolder = options.xmlFolder;
    if (m_dataFolder.isEmpty()) {
        Result<StartupFolders> f = readStartupSettings(m_settingsPath, places);
        if (f) {
            m_dataFolder = f->dataFolder;
            m_xmlFolder = f->xmlFolder;
        } else {
            m_dialogs->error(f.message());
            m_dataFolder = places.dataFolder;
        }
    }

    m_dm = std::make_unique<store::DataModule>(*m_dialogs, store::kConnection, this);

    buildCommands();
    buildToolBar();
    buildStatusBar();
    // The "Janela" menu lists the open windows.
    new WindowList(m_menus.value(QStringLiteral("mnuJanela")), m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this] { updateWindowCommands(); });
    qApp->installEventFilter(this);

    m_validationError = false;
    m_fadeLevel = 0;
    if (options.startupEffects) {
        setWindowOpacity(0.0);
        setCursor(Qt::WaitCursor);
        statusBar()->setCursor(Qt::WaitCursor);
    }
    startTimers();
    installScreens(*this);
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
    if (m_splash)
        delete m_splash.data();
    // Dialogs that browse the data module's cursors (the product search) go
    // while it still lives: hiding their grids reads the rows once more.
    for (QDialog *dialog : findChildren<QDialog *>(QString(), Qt::FindDirectChildrenOnly))
        delete dialog;
}

QDate MainWindow::today() const { return m_options.today ? m_options.today() : QDate::currentDate(); }

QSqlDatabase MainWindow::db() const { return m_dm->database(); }

bool MainWindow::openStore()
{
    store::StartupOptions options = store::startupOptions(m_storeConfigPath, m_settingsPath);
    // A store on a server needs no file in the data folder.
    if (!options.server && !QFileInfo::exists(store::databasePath(m_dataFolder))) {
        m_dm->disconnect();
        return offerDataFolder();
    }
    options.password = m_serverPassword;
    for (;;) {
        const Status s = m_dm->openAtStartup(m_dataFolder, options);
        if (s || !options.server || !store::isPasswordRefusal(s.error()))
            return s.ok();
        // The refusal was shown; the password is asked for and kept in
        // memory for this session only (never written anywhere).
        const std::optional<QString> typed = m_dialogs->password(store::passwordQuestion(*options.server));
        if (!typed)
            return false;
        options.password = *typed;
        m_serverPassword = *typed;
    }
}

bool MainWindow::offerDataFolder()
{
    switch (m_dialogs->confirmYesNoCancel(msg::kPastaSemBanco.arg(QDir::toNativeSeparators(m_dataFolder)))) {
    case Answer::Yes: {
        // What "quirels-cli inicializar" does, on a connection of its own.
        store::OpenOptions o;
        o.connection = QStringLiteral("quirelsInicializar");
        o.sharedFolder = store::config::localShare(m_storeConfigPath);
        if (Status s = store::initializeDataFolder(m_dataFolder, o); !s) {
            m_dialogs->error(s.message());
            return false;
        }
        return openStore();
    }
    case Answer::No:
        // The dialog's "&Ok" connects to the folder chosen there.
        runScreen(screens::kConfiguracoes);
        return m_dm->isConnected();
    default:
        return false;
    }
}

bool MainWindow::ensureStore()
{
    if (m_dm->isConnected())
        return true;
    return openStore();
}

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

PeriodKey MainWindow::currentPeriod() const
{
    const store::Cursor &e = m_dm->empresa();
    const store::Cursor &m = m_dm->mes();
    PeriodKey p;
    if (e.isOpen() && e.row() >= 0)
        p.cnpj = e.value(QStringLiteral("CdCNPJEmpr")).toString();
    if (m.isOpen() && m.row() >= 0) {
        p.ano = m.value(QStringLiteral("NrAno")).toString();
        p.mes = m.value(QStringLiteral("NmMes")).toString();
    }
    return p;
}

bool MainWindow::setCurrentPeriod(const PeriodKey &period)
{
    store::Cursor &e = m_dm->empresa();
    store::Cursor &m = m_dm->mes();
    if (!e.refresh() || !e.locate({{QStringLiteral("CdCNPJEmpr"), period.cnpj}}))
        return false;
    if (!m.refresh())
        return false;
    if (!m.locate({{QStringLiteral("NrAno"), period.ano}, {QStringLiteral("NmMes"), period.mes}}))
        return false;
    // The period is open for writing on this workstation: other
    // workstations' bulk operations on it wait until it is let go.
    if (Status s = m_dm->holdPeriod(period); !s)
        m_dialogs->error(s.message());
    return true;
}

void MainWindow::setDataFolder(const QString &dataFolder, const QString &xmlFolder)
{
    m_dataFolder = dataFolder;
    m_xmlFolder = xmlFolder;
}

// ---- Commands ----

// ---- Screens ----

void MainWindow::registerScreen(const QString &name, ScreenHandler handler)
{
    m_screens.insert(name, std::move(handler));
}

bool MainWindow::runScreen(const QString &name, const QString &argument)
{
    const auto it = m_screens.constFind(name);
    if (it == m_screens.constEnd() || !*it) {
        m_dialogs->information(msg::kTelaIndisponivel);
        return false;
    }
    return (*it)(argument);
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
        QWidget *w = m_annexFactory ? m_annexFactory(letter) : nullptr;
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
    m_keyMask = cpfcnpj::keyDisplayMask(period.cnpj);
    m_dm->empresa().setDisplayMask(QStringLiteral("CdCNPJEmpr"), cpfcnpj::mask(m_keyMask).source());

    // The groups of the current company row; a null flag counts as absent.
    shell::Groups groups{};
    static const char *const flags[] = {"FlGrupoI", "FlGrupoII", "FlGrupoIII", "FlGrupoIV", "FlGrupoV",
                                        "FlGrupoVI", "FlGrupoVII", "FlGrupoVIII", "FlGrupoIX"};
    if (m_dm->empresa().row() >= 0)
        for (size_t i = 0; i < 9; ++i)
            groups[i] = m_dm->empresa().value(s(flags[i])).toBool();
    for (const shell::AnnexGroupRule &rule : shell::annexGroupRules()) {
        if (!shell::applies(rule, groups))
            continue;
        showAnnex(QLatin1Char(rule.window), rule.maximised);
        for (const char *l = rule.letters; *l; ++l)
            setAnnexCommandsEnabled(QLatin1Char(*l), true);
    }
    if (period.isValid() && !ensureObservationRows(shell::lettersFor(groups)))
        return;
    setCommandEnabled(QStringLiteral("mniImprimirTodososAnexos"), true);
    setCommandEnabled(QStringLiteral("mniImportarNFe"), period.isValid());
    setCommandEnabled(QStringLiteral("mniCalcularTotais"), period.isValid());
    setCommandEnabled(QStringLiteral("mniVisaoAno"), period.isValid());
}

bool MainWindow::ensureObservationRows(const QString &letters)
{
    // Through the general cursor of the period, one row per missing letter;
    // the views of the letters are read again so the open screens' memos
    // take typing at once.
    store::Cursor &obs = m_dm->observacoes();
    if (!obs.isOpen() && !obs.open().ok())
        return false;
    QString present;
    for (int r = 0; r < obs.count(); ++r)
        present += obs.valueAt(r, QStringLiteral("Anexo")).toString().trimmed().toUpper();
    bool added = false;
    for (const QChar letter : letters) {
        if (present.contains(letter))
            continue;
        if (!obs.insert() || !obs.setValue(QStringLiteral("Anexo"), QString(letter)) || !obs.post().ok()) {
            if (obs.isEditing())
                obs.cancel();
            return false; // the cursor showed why
        }
        present += letter;
        added = true;
    }
    if (added)
        for (const shell::Annex &a : shell::annexes())
            if (store::Cursor &view = m_dm->obsAnexo(QLatin1Char(a.letter)); view.isOpen() && !view.isEditing())
                view.refresh();
    return true;
}

bool MainWindow::postPendingRows()
{
    if (!leaveField())
        return false;
    emit aboutToPostPending();
    for (store::Cursor *c : m_dm->cursors())
        if (c->isOpen() && c->isEditing() && !c->post().ok())
            return false; // the cursor showed the rule's or the store's message
    return true;
}

bool MainWindow::reloadData(const PeriodKey &period)
{
    if (!m_dm->reopenAll().ok())
        return false;
    return !period.cnpj.isEmpty() && setCurrentPeriod(period);
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
    m_dm->releasePeriod();
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

// ---- Command actions ----

void MainWindow::newCompany()
{
    if (!ensureStore())
        return;
    if (companyOpen()) {
        if (!m_dialogs->confirm(msg::kFecharEmpresaAtual))
            return;
        if (!closeCompany())
            return;
    }
    TfrmNovaQuirels dialog(*this, this);
    dialog.exec();
}

void MainWindow::openCompany()
{
    if (!ensureStore())
        return;
    if (companyOpen() && !closeCompany())
        return;
    runScreen(screens::kAbrirEmpresa);
}

void MainWindow::openDeclarationFile()
{
    if (!ensureStore())
        return;
    if (!closeCompany())
        return;
    QFileDialog dialog(this, QStringLiteral("Abrir Arquivo XML"), m_xmlFolder, QStringLiteral("Arquivo XML (*.xml)"));
    dialog.setObjectName(QStringLiteral("dlgAbrirXML"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("xml"));
    connect(&dialog, &QFileDialog::currentChanged, this, &MainWindow::setMessage);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    runScreen(screens::kImportacaoXml, dialog.selectedFiles().constFirst());
}

void MainWindow::companyInformation()
{
    if (!ensureStore())
        return;
    if (!closeCompany())
        return;
    TfrmEmpresaQuirels window(*this, this);
    window.setWindowModality(Qt::ApplicationModal);
    window.execModal();
}

void MainWindow::validate()
{
    // Pending rows are written first; a refused one ends the command (the
    // cursor has shown why).
    if (!postPendingRows())
        return;
    if (!runScreen(screens::kValidacao))
        return;
    const bool ok = !m_validationError;
    for (const char *name : {"mniGerarArquivo", "mniEnviarArquivo", "btnGerarArquivo", "btnEnviarArquivo"})
        setCommandEnabled(s(name), ok);
}

void MainWindow::generateFile()
{
    // The file is written from the store: what the screens hold goes there
    // first.
    if (!postPendingRows())
        return;
    const QString responsible = m_dm->empresa().value(QStringLiteral("NmResponsavel")).toString();
    if (!responsible.trimmed().isEmpty()) {
        runScreen(screens::kDeclaracao);
        return;
    }
    if (!runScreen(screens::kResponsavel))
        return;
    runScreen(screens::kDeclaracao);
}

void MainWindow::registerComponents()
{
    if (m_dialogs->confirm(msg::kRegistrarDlls))
        m_dialogs->information(msg::kRegistroDesnecessario);
}

void MainWindow::repairTables()
{
    // The company and the connection are closed, so that the repair program
    // has the store to itself; a command that needs the store later opens
    // it again.
    if (!closeCompany())
        return;
    m_dm->disconnect();
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(shell::kRepairProgram);
    const QStringList args{shell::kRepairAccessCode, m_dataFolder};
    const bool started = m_options.startDetached ? m_options.startDetached(program, args)
                                                 : QProcess::startDetached(program, args);
    if (!started)
        m_dialogs->error(msg::kReparoNaoIniciado.arg(QDir::toNativeSeparators(program)));
}

void MainWindow::about() { showAbout(db(), this); }

void MainWindow::toggleHints()
{
    m_hintsShown = m_commands.value(QStringLiteral("mniMensagensAjuda"))->isChecked();
    if (!m_hintsShown) {
        QToolTip::hideText();
        setMessage(QString());
    }
}

void MainWindow::openLink(const shell::links::Link &link)
{
    IniFile ini(m_settingsPath);
    const QString configured = ini.load().ok() ? ini.value(shell::links::kSection, link.key).trimmed() : QString();
    openWeb(configured.isEmpty() ? link.address : configured);
}

void MainWindow::openManual()
{
    QString page = QStringLiteral("index.html");
    if (QMdiSubWindow *active = m_mdi->activeSubWindow())
        for (const shell::Annex &a : shell::annexes())
            if (annexWindow(QLatin1Char(a.letter)) == active)
                page = QStringLiteral("anexo-%1.html").arg(QChar(QLatin1Char(a.letter)).toLower());
    const QString file = QDir(layout::forProgram().manualFolder).filePath(page);
    if (!QFileInfo::exists(file)) {
        m_dialogs->error(msg::kManualAusente.arg(QDir::toNativeSeparators(file)));
        return;
    }
    openWeb(QUrl::fromLocalFile(file).toString());
}

void MainWindow::openWeb(const QString &url)
{
    const QUrl u(url);
    const bool ok = m_options.openUrl ? m_options.openUrl(u) : QDesktopServices::openUrl(u);
    if (!ok)
        m_dialogs->error(msg::kAbrirEnderecoFalhou.arg(url));
}

void MainWindow::arrange(const std::function<void()> &how)
{
    QPointer<QWidget> focus = QApplication::focusWidget();
    how();
    if (focus && focus->isVisible() && focus != QApplication::focusWidget())
        focus->setFocus(Qt::OtherFocusReason);
}

void MainWindow::tile(Qt::Orientation orientation)
{
    QList<QMdiSubWindow *> subs;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (!sub->isHidden())
            subs.append(sub);
    if (subs.isEmpty())
        return;
    arrange([&] {
        QRect area = m_mdi->viewport()->rect();
        const int n = static_cast<int>(subs.size());
        // Windows that do not fit at their smallest size make the frame
        // scroll: its scroll bar takes its share of the other direction.
        int total = 0;
        for (QMdiSubWindow *sub : subs)
            total += orientation == Qt::Horizontal ? sub->minimumHeight() : sub->minimumWidth();
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_mdi);
        if (orientation == Qt::Horizontal && total > area.height())
            area.setWidth(area.width() - bar);
        else if (orientation == Qt::Vertical && total > area.width())
            area.setHeight(area.height() - bar);
        int at = 0;
        for (int i = 0; i < n; ++i) {
            QMdiSubWindow *sub = subs.at(i);
            sub->showNormal();
            // Horizontal: one above the other, each as wide as the frame;
            // vertical: side by side, each as tall as the frame. A window
            // keeps its smallest size, and the frame scrolls to the rest.
            const QSize least = sub->minimumSize();
            if (orientation == Qt::Horizontal) {
                const int h = qMax(area.height() / n, least.height());
                sub->setGeometry(0, at, qMax(area.width(), least.width()), h);
                at += h;
            } else {
                const int w = qMax(area.width() / n, least.width());
                sub->setGeometry(at, 0, w, qMax(area.height(), least.height()));
                at += w;
            }
        }
    });
}

// ---- Status bar, hints, timers ----

QString MainWindow::message() const { return m_messagePanel->text(); }

void MainWindow::setMessage(const QString &text) { m_messagePanel->setText(text); }

QLabel *MainWindow::indicator(const QString &name) const { return m_indicators.value(name); }

void MainWindow::updateWindowCommands()
{
    const bool any = companyOpen();
    for (const char *name : kWindowCommands)
        setCommandEnabled(s(name), any);
}

void MainWindow::updateKeyStates()
{
    const LockStates locks = readLockStates();
    const std::pair<const char *, std::optional<bool>> states[] = {
        {"CAPS", locks.caps}, {"NUM", locks.num}, {"SCRL", locks.scroll}, {"INS", m_insertOn}};
    for (const auto &[name, on] : states) {
        QLabel *l = m_indicators.value(s(name));
        const QColor c = on.value_or(false) ? QColor(Qt::black) : QColor(128, 128, 128);
        QPalette p = l->palette();
        if (p.color(QPalette::WindowText) != c) {
            p.setColor(QPalette::WindowText, c);
            l->setPalette(p);
        }
    }
}

void MainWindow::startTimers()
{
    m_keyTimer = new QTimer(this);
    m_keyTimer->setInterval(500);
    connect(m_keyTimer, &QTimer::timeout, this, &MainWindow::updateKeyStates);
    m_keyTimer->start();
    if (!m_options.startupEffects)
        return;
    m_fadeTimer = new QTimer(this);
    m_fadeTimer->setInterval(10);
    connect(m_fadeTimer, &QTimer::timeout, this, &MainWindow::fadeStep);
    m_fadeTimer->start();
    m_splashTimer = new QTimer(this);
    m_splashTimer->setSingleShot(true);
    m_splashTimer->setInterval(4000);
    connect(m_splashTimer, &QTimer::timeout, this, &MainWindow::closeSplash);
    m_splashTimer->start();
}

void MainWindow::fadeStep()
{
    m_fadeLevel += 10;
    if (m_fadeLevel < 250) {
        setWindowOpacity(m_fadeLevel / 255.0);
        return;
    }
    setWindowOpacity(1.0);
    m_fadeTimer->stop();
}

void MainWindow::showSplash()
{
    if (m_splash)
        return;
    m_splash = createSplash();
    // A question asked while the window was made (a missing store) may have
    // outlasted the splash's four seconds: they count from now.
    if (m_splashTimer && !m_splashTimer->isActive())
        m_splashTimer->start();
    m_splash->show();
    m_splash->raise();
    m_splash->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::closeSplash()
{
    if (m_splash) {
        m_splash->close();
        QApplication::restoreOverrideCursor();
    }
    unsetCursor();
    statusBar()->unsetCursor();
}

bool MainWindow::event(QEvent *e)
{
    // The long hints go to the message panel, not over the status bar.
    if (e->type() == QEvent::StatusTip) {
        if (m_hintsShown)
            setMessage(static_cast<QStatusTipEvent *>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *e)
{
    switch (e->type()) {
    case QEvent::ToolTip:
        if (!m_hintsShown)
            return true;
        break;
    case QEvent::StatusTip:
        // Long hints of every window of the program reach the message panel.
        if (watched != this && watched->isWidgetType()) {
            if (m_hintsShown) {
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
        if (k->key() == Qt::Key_Insert && !k->isAutoRepeat() && watched->isWindowType()) {
            m_insertOn = !m_insertOn;
            updateKeyStates();
        }
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
