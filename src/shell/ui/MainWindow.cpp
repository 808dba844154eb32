#include "MainWindow.h"

#include "EmpresaQuirels.h"
#include "Hints.h"
#include "KeyStates.h"
#include "NovaQuirels.h"
#include "Splash.h"
#include "base/Settings.h"
#include "base/ui/MessageBoxDialogs.h"
#include "shell/Annexes.h"
#include "shell/Company.h"
#include "shell/Links.h"
#include "shell/Messages.h"
#include "shell/Repair.h"
#include "store/Database.h"
#include "store/Sql.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
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

// One row of the command table: the menu it belongs to, its object name,
// caption, shortcut, hint, whether it is enabled at start, and what it runs.
struct MainWindow::CommandDef {
    enum Flags { None = 0, Checked = 1, Hidden = 2, SeparatorBefore = 4 };
    QString menu;
    QString name;
    QString caption;
    QString shortcut;
    QString hint;
    bool enabled;
    int flags;
    std::function<void(MainWindow &)> run;
};

namespace {

struct MenuDef {
    const char *name;
    const char *caption;
    const char *parent;  // null: the menu bar
};

const MenuDef kMenus[] = {
    {"mnuArquivo", "&Arquivo", nullptr},
    {"mnuAbrir", "&Abrir...", "mnuArquivo"},
    {"mnuQuirels", "Quirels", nullptr},
    {"mnuFerramentas", "Ferramentas", nullptr},
    {"mnuRelatorios", "Relatórios", nullptr},
    {"mnuJanela", "Janela", nullptr},
    {"mnuAjuda", "Ajuda", nullptr},
};

QString s(const char *utf8) { return QString::fromUtf8(utf8); }

// What Close company disables, beside the annex commands.
const char *const kClosedCommands[] = {
    "mniFecharEmpresa", "mniExcluirMovimento", "mniImprimirTodososAnexos", "mniGerarArquivo",
    "mniEnviarArquivo", "mniInformacoesEmpresa", "mniResponsavel",        "mniValidar",
    "btnGerarArquivo",  "btnEnviarArquivo",    "btnValidar",
};

const char *const kWindowCommands[] = {"mniCascata", "mniHorizontal", "mniVertical", "mniMinimizar",
                                       "mniFecharJanela"};

// A small picture for an annex button: the annex letter on a coloured tile.
QIcon annexIcon(QChar letter)
{
    QPixmap pm(22, 22);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor::fromHsv((letter.unicode() - u'A') * 40 % 360, 140, 200));
    p.setPen(QColor(60, 60, 60));
    p.drawRoundedRect(QRectF(1.5, 1.5, 19, 19), 4, 4);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(13);
    p.setFont(f);
    p.drawText(QRect(0, 0, 22, 22), Qt::AlignCenter, QString(letter));
    return QIcon(pm);
}

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
    m_mdi->setBackground(QColor(0, 70, 127).lighter(160));
    setCentralWidget(m_mdi);
    resize(1024, 700);

    // Hints: Verdana 7 on a pale cyan background.
    QToolTip::setFont(QFont(QStringLiteral("Verdana"), 7));
    QPalette tip = QToolTip::palette();
    tip.setColor(QPalette::ToolTipBase, QColor(236, 254, 255));
    tip.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(tip);

    // The settings decide the data folder, unless the caller gave one.
    m_dataFolder = options.dataFolder;
    m_xmlFolder = options.xmlFolder;
    if (m_dataFolder.isEmpty()) {
        Result<StartupFolders> f = readStartupSettings(settings::applicationSettingsPath(), QDir::currentPath());
        if (f) {
            m_dataFolder = f->dataFolder;
            m_xmlFolder = f->xmlFolder;
        } else {
            m_dialogs->error(f.message());
            m_dataFolder = QDir(QDir::currentPath()).filePath(QStringLiteral("dados"));
        }
    }

    buildCommands();
    buildToolBar();
    buildStatusBar();
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
    qApp->removeEventFilter(this);
    if (m_splash)
        delete m_splash.data();
}

QDate MainWindow::today() const { return m_options.today ? m_options.today() : QDate::currentDate(); }

QSqlDatabase MainWindow::db() const { return QSqlDatabase::database(store::kConnection, false); }

bool MainWindow::openStore()
{
    Result<QSqlDatabase> r = store::open(m_dataFolder);
    if (!r) {
        m_dialogs->error(r.message());
        return false;
    }
    return true;
}

void MainWindow::setDataFolder(const QString &dataFolder, const QString &xmlFolder)
{
    m_dataFolder = dataFolder;
    m_xmlFolder = xmlFolder;
}

// ---- Commands ----

void MainWindow::buildCommands()
{
    using C = CommandDef;
    auto screen = [](const QString &name, const QString &arg = QString()) {
        return [name, arg](MainWindow &w) { w.runScreen(name, arg); };
    };
    std::vector<CommandDef> table{
        {s("mnuArquivo"), s("mniNovaEmpresa"), s("&Nova Empresa"), s("F2"),
         s("Permite o cadastramento de uma nova empresa"), true, C::None, &MainWindow::newCompany},
        {s("mnuAbrir"), s("mniAbrirEmpresa"), s("&Empresa"), s("F3"), s("Abre uma empresa previamente cadastrada"),
         true, C::None, &MainWindow::openCompany},
        {s("mnuAbrir"), s("mniAbrirXML"), s("Arquivo XML"), {}, s("Abre um Arquivo XML gerado"), true, C::None,
         &MainWindow::openDeclarationFile},
        {s("mnuAbrir"), s("mniAbrirTexto"), s("Arquivo Texto"), {}, s("Abre um Arquivo texto gerado"), true, C::None,
         screen(screens::kImportacaoTexto)},
        {s("mnuArquivo"), s("mniExcluirMovimento"), s("E&xcluir Movimento"), {},
         s("Exclui a empresa atualmente selecionada"), false, C::SeparatorBefore, screen(screens::kExclusao)},
        {s("mnuArquivo"), s("mniFecharEmpresa"), s("&Fechar Empresa"), {}, s("Fecha os registros da empresa ativa"),
         false, C::None, [](MainWindow &w) { w.closeCompany(); }},
        {s("mnuArquivo"), s("mniInformacoesEmpresa"), s("&Informações sobre a Empresa"), {},
         s("Mostra informações da empresa"), false, C::None, &MainWindow::companyInformation},
        {s("mnuArquivo"), s("mniResponsavel"), s("Respo&nsável pelo Preenchimento"), {},
         s("Cadastra o responsável pela empresa"), false, C::None, screen(screens::kResponsavel)},
        {s("mnuArquivo"), s("mniValidar"), s("&Validar"), s("F4"), s("Faz uma checagem no preenchimento do cadastro"),
         false, C::SeparatorBefore, &MainWindow::validate},
        {s("mnuArquivo"), s("mniGerarArquivo"), s("&Gerar Arquivo"), s("F5"),
         s("Gera o arquivo com as informações da empresa"), false, C::None, &MainWindow::generateFile},
        {s("mnuArquivo"), s("mniEnviarArquivo"), s("&Enviar Arquivo"), s("F6"), s("Envia o arquivo pela Internet"),
         false, C::None, [](MainWindow &w) { w.openWeb(shell::links::kEnviarArquivo); }},
        {s("mnuArquivo"), s("mniSair"), s("Sai&r"), {}, s("Encerra o programa"), true, C::SeparatorBefore,
         [](MainWindow &w) { w.close(); }},
    };
    for (const shell::Annex &a : shell::annexes()) {
        const QChar letter = QLatin1Char(a.letter);
        table.push_back({s("mnuQuirels"), s(a.menuItem), a.qcaption(), {}, a.qcaption(), false, C::None,
                         [letter](MainWindow &w) { w.showAnnex(letter); }});
    }
    const std::vector<CommandDef> tools{
        {s("mnuFerramentas"), s("mniPesquisarProdutos"), s("Pesquisar Produtos"), {},
         s("Pesquisar Produtos cadastrados no sistema"), true, C::None, screen(screens::kPesquisaProdutos)},
        {s("mnuFerramentas"), s("mniConfiguracoesRede"), s("Configurações da Rede"), {},
         s("Configura a rede e caminhos onde serão gerados os arquivos"), true, C::None,
         screen(screens::kConfiguracoes)},
        {s("mnuFerramentas"), s("mniRepararTabelas"), s("Reparar Tabelas"), {}, {}, true, C::None,
         &MainWindow::repairTables},
        {s("mnuFerramentas"), s("mniRegistrarDLLs"), s("Registrar DLLs"), {}, {}, true, C::None,
         &MainWindow::registerComponents},
        {s("mnuFerramentas"), s("mniBackup"), s("Backup e Restauração de Arquivos"), {},
         s("Gera backup e restaura backups anteriores"), true, C::None, screen(screens::kBackup)},
    };
    table.insert(table.end(), tools.begin(), tools.end());
    for (const shell::Annex &a : shell::annexes())
        table.push_back({s("mnuRelatorios"), s(a.reportItem), a.qcaption(), {}, s(a.reportHint), false, C::None,
                         screen(screens::kRelatorio, QString(QLatin1Char(a.letter)))});
    const std::vector<CommandDef> rest{
        {s("mnuRelatorios"), s("mniImprimirTodososAnexos"), s("Imprimir Todos os Anexos"), {},
         s("Imprime todos os relatórios que tiverem dados"), false, C::SeparatorBefore,
         screen(screens::kImprimirTodos)},
        {s("mnuJanela"), s("mniCascata"), s("&Cascata"), {}, s("|Organiza as janelas em cascata"), false, C::None,
         [](MainWindow &w) { w.m_mdi->cascadeSubWindows(); }},
        {s("mnuJanela"), s("mniHorizontal"), s("&Horizontal"), {}, s("|Organiza as janelas de forma horizontal"),
         false, C::None, [](MainWindow &w) { w.tile(Qt::Horizontal); }},
        {s("mnuJanela"), s("mniVertical"), s("&Vertical"), {}, s("|Organiza as janelas de forma vertica"), false,
         C::None, [](MainWindow &w) { w.tile(Qt::Vertical); }},
        {s("mnuJanela"), s("mniMinimizar"), s("&Minimizar"), {}, s("|Minimiza todas as janelas"), false, C::None,
         [](MainWindow &w) {
             for (QMdiSubWindow *sub : w.m_mdi->subWindowList())
                 sub->showMinimized();
         }},
        {s("mnuJanela"), s("mniFecharJanela"), s("&Fechar"), {}, s("Fecha a janela ativa"), false,
         C::SeparatorBefore, [](MainWindow &w) { w.m_mdi->closeActiveSubWindow(); }},
        {s("mnuAjuda"), s("mniConteudo"), s("Conteúdo"), {}, s("Conteúdo do arquivo de ajuda"), true, C::Hidden,
         [](MainWindow &w) {
             const QString doc = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quirels.doc"));
             w.openWeb(QUrl::fromLocalFile(doc).toString());
         }},
        {s("mnuAjuda"), s("mniMensagensAjuda"), s("Mensagens de Ajuda"), {},
         s("Mostra ou oculta as mensagens de ajuda"), true, C::Checked, &MainWindow::toggleHints},
        {s("mnuAjuda"), s("mniSiteORZ"), s("Site do ORZ"), {}, s("Abre o browser no site do ORZ"), true, C::None,
         [](MainWindow &w) { w.openWeb(shell::links::kSiteOrz); }},
        {s("mnuAjuda"), s("mniSiteEstravim"), s("Site do ESTRAVIM"), {}, s("Abre o browser no site do ESTRAVIM"),
         true, C::None, [](MainWindow &w) { w.openWeb(shell::links::kSiteEstravim); }},
        {s("mnuAjuda"), s("mniSobre"), s("Sobre"), {}, s("Sobre o programa"), true, C::None, &MainWindow::about},
    };
    table.insert(table.end(), rest.begin(), rest.end());

    for (const MenuDef &m : kMenus) {
        QMenu *parentMenu = m.parent ? m_menus.value(s(m.parent)) : nullptr;
        QMenu *menu = parentMenu ? parentMenu->addMenu(s(m.caption)) : menuBar()->addMenu(s(m.caption));
        menu->setObjectName(s(m.name));
        menu->setToolTipsVisible(true);
        menu->menuAction()->setObjectName(s(m.name));
        m_menus.insert(s(m.name), menu);
    }
    // "&Abrir..." sits below "&Nova Empresa": the submenu is moved after the
    // first item once the table has been added.
    for (const CommandDef &c : table) {
        QMenu *menu = m_menus.value(c.menu);
        if (c.flags & C::SeparatorBefore)
            menu->addSeparator();
        auto *a = new QAction(c.caption, this);
        a->setObjectName(c.name);
        if (!c.shortcut.isEmpty())
            a->setShortcut(QKeySequence(c.shortcut));
        setHint(a, c.hint);
        a->setEnabled(c.enabled);
        if (c.flags & C::Checked) {
            a->setCheckable(true);
            a->setChecked(true);
        }
        a->setVisible(!(c.flags & C::Hidden));
        const auto run = c.run;
        connect(a, &QAction::triggered, this, [this, run] { run(*this); });
        menu->addAction(a);
        m_commands.insert(c.name, a);
    }
    QMenu *arquivo = m_menus.value(QStringLiteral("mnuArquivo"));
    QAction *abrir = m_menus.value(QStringLiteral("mnuAbrir"))->menuAction();
    arquivo->removeAction(abrir);
    arquivo->insertAction(m_commands.value(QStringLiteral("mniExcluirMovimento")), abrir);
    arquivo->removeAction(abrir);
    const QList<QAction *> items = arquivo->actions();
    arquivo->insertAction(items.value(1), abrir);
}

void MainWindow::buildToolBar()
{
    QToolBar *bar = addToolBar(QStringLiteral("Barra de ferramentas"));
    bar->setObjectName(QStringLiteral("tlbPrincipal"));
    bar->setMovable(false);
    bar->setIconSize(QSize(22, 22));
    QStyle *st = style();

    auto button = [&](const QString &name, const QIcon &icon, const QString &text, const QString &hint, bool enabled,
                      const QString &runs) {
        auto *a = new QAction(icon, text, this);
        a->setObjectName(name);
        setHint(a, hint);
        a->setEnabled(enabled);
        QAction *target = m_commands.value(runs);
        connect(a, &QAction::triggered, target, &QAction::trigger);
        bar->addAction(a);
        if (QWidget *w = bar->widgetForAction(a)) {
            w->setObjectName(name);
            w->setFixedSize(31, 30);
        }
        m_commands.insert(name, a);
        return a;
    };

    button(QStringLiteral("btnNova"), st->standardIcon(QStyle::SP_FileIcon), QStringLiteral("Nova"),
           QStringLiteral("Nova|Permite o cadastramento de uma nova empresa"), true, QStringLiteral("mniNovaEmpresa"));

    // Open: the button runs "&Empresa"; its drop-down holds the three open commands.
    auto *open = new QAction(st->standardIcon(QStyle::SP_DialogOpenButton), QStringLiteral("Abrir"), this);
    open->setObjectName(QStringLiteral("btnAbrir"));
    setHint(open, QStringLiteral("Abrir|Abre uma empresa previamente cadastrada"));
    connect(open, &QAction::triggered, m_commands.value(QStringLiteral("mniAbrirEmpresa")), &QAction::trigger);
    m_commands.insert(open->objectName(), open);
    auto *drop = new QMenu(this);
    drop->setObjectName(QStringLiteral("mnuAbrirBotao"));
    struct DropDef {
        const char *name;
        const char *caption;
        const char *shortcut;
        const char *runs;
    };
    const DropDef drops[] = {{"mniDropEmpresa", "Empresa", "F3", "mniAbrirEmpresa"},
                             {"mniDropXML", "Arquivo XML", "", "mniAbrirXML"},
                             {"mniDropTexto", "Arquivo TXT", "", "mniAbrirTexto"}};
    for (const DropDef &d : drops) {
        auto *a = drop->addAction(s(d.caption));
        a->setObjectName(s(d.name));
        if (*d.shortcut) {
            // Shown in the drop-down; the menu command owns the key itself.
            a->setShortcut(QKeySequence(s(d.shortcut)));
            a->setShortcutContext(Qt::WidgetShortcut);
        }
        connect(a, &QAction::triggered, m_commands.value(s(d.runs)), &QAction::trigger);
        m_commands.insert(a->objectName(), a);
    }
    m_openButton = new QToolButton(bar);
    m_openButton->setObjectName(QStringLiteral("btnAbrir"));
    m_openButton->setDefaultAction(open);
    m_openButton->setMenu(drop);
    m_openButton->setPopupMode(QToolButton::MenuButtonPopup);
    m_openButton->setAutoRaise(true);
    m_openButton->setFixedHeight(30);
    bar->addWidget(m_openButton);
    bar->addSeparator();

    button(QStringLiteral("btnValidar"), st->standardIcon(QStyle::SP_DialogApplyButton), QStringLiteral("Validar"),
           QStringLiteral("Validar\nInformações|Processa a validação das informações declaradas"), false,
           QStringLiteral("mniValidar"));
    button(QStringLiteral("btnGerarArquivo"), st->standardIcon(QStyle::SP_DialogSaveButton),
           QStringLiteral("Gerar Arquivo"), QStringLiteral("Gerar Arquivo|Gera o arquivo com as informações da empresa"),
           false, QStringLiteral("mniGerarArquivo"));
    button(QStringLiteral("btnEnviarArquivo"), st->standardIcon(QStyle::SP_ArrowUp), QStringLiteral("Enviar Arquivo"),
           QStringLiteral("Enviar Arquivo|Permite enviar o arquivo pela Internet"), false,
           QStringLiteral("mniEnviarArquivo"));
    bar->addSeparator();
    for (const shell::Annex &a : shell::annexes())
        button(s(a.button), annexIcon(QLatin1Char(a.letter)), QString(QLatin1Char(a.letter)), a.buttonHint(), false,
               s(a.menuItem));
    bar->addSeparator();
    QAction *help = button(QStringLiteral("btnAjuda"), st->standardIcon(QStyle::SP_DialogHelpButton),
                           QStringLiteral("Ajuda"), QString(), true, QStringLiteral("mniConteudo"));
    help->setVisible(false);
}

void MainWindow::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("stbPrincipal"));
    bar->setSizeGripEnabled(false);
    m_messagePanel = new QLabel(bar);
    m_messagePanel->setObjectName(QStringLiteral("pnlMensagem"));
    bar->addWidget(m_messagePanel, 1);
    for (const char *name : {"CAPS", "NUM", "INS", "SCRL"}) {
        auto *l = new QLabel(s(name), bar);
        l->setObjectName(QStringLiteral("lbl") + s(name));
        l->setFixedWidth(40);
        l->setAlignment(Qt::AlignCenter);
        bar->addPermanentWidget(l);
        m_indicators.insert(s(name), l);
    }
    auto *last = new QLabel(bar);
    last->setObjectName(QStringLiteral("pnlVazio"));
    last->setMinimumWidth(40);
    bar->addPermanentWidget(last);
    updateKeyStates();
}

QAction *MainWindow::command(const QString &objectName) const { return m_commands.value(objectName); }

QMenu *MainWindow::menu(const QString &objectName) const { return m_menus.value(objectName); }

void MainWindow::setCommandEnabled(const QString &objectName, bool enabled)
{
    if (QAction *a = m_commands.value(objectName))
        a->setEnabled(enabled);
    else if (QMenu *m = m_menus.value(objectName))
        m->menuAction()->setEnabled(enabled);
}

void MainWindow::setAnnexCommandsEnabled(QChar letter, bool enabled)
{
    const shell::Annex *a = shell::annex(letter);
    if (!a)
        return;
    for (const char *name : {a->menuItem, a->button, a->reportItem})
        setCommandEnabled(s(name), enabled);
}

void MainWindow::enableCompanyCommands()
{
    for (const char *name : {"mnuQuirels", "mniFecharEmpresa", "mniExcluirMovimento", "mniInformacoesEmpresa",
                             "mniValidar", "btnValidar"})
        setCommandEnabled(s(name), true);
}

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
    if (!annexWindow(letter)) {
        QWidget *w = m_annexFactory ? m_annexFactory(letter) : nullptr;
        if (!w)
            w = placeholderAnnexWindow(letter);
        ref = addChild(w);
    }
    if (maximised)
        ref->showMaximized();
    else
        ref->show();
    m_mdi->setActiveSubWindow(ref);
    updateWindowCommands();
    return ref;
}

TfrmEmpresaQuirels *MainWindow::companyWindow()
{
    if (!m_companyWindow)
        m_companyWindow = new TfrmEmpresaQuirels(*this, this);
    return m_companyWindow;
}

// ---- Operations other windows call ----

void MainWindow::openAnnexWindows()
{
    for (const char *name : {"mniExcluirMovimento", "mnuQuirels", "mniFecharEmpresa", "mniInformacoesEmpresa",
                             "mniResponsavel", "mniValidar", "btnValidar"})
        setCommandEnabled(s(name), true);
    m_keyMask = cpfcnpj::keyDisplayMask(m_period.cnpj);

    QSqlDatabase database = db();
    Result<shell::Groups> groups = shell::readGroups(database, m_period.cnpj);
    if (!groups) {
        m_dialogs->error(groups.message());
        return;
    }
    for (const shell::AnnexGroupRule &rule : shell::annexGroupRules()) {
        if (!shell::applies(rule, *groups))
            continue;
        showAnnex(QLatin1Char(rule.window), rule.maximised);
        for (const char *l = rule.letters; *l; ++l)
            setAnnexCommandsEnabled(QLatin1Char(*l), true);
    }
    Result<int> rows = shell::ensureObservationRows(database, m_period, shell::lettersFor(*groups));
    if (!rows) {
        m_dialogs->error(rows.message());
        return;
    }
    setCommandEnabled(QStringLiteral("mniImprimirTodososAnexos"), true);
}

bool MainWindow::closeCompany()
{
    QList<QMdiSubWindow *> subs = m_mdi->subWindowList(QMdiArea::CreationOrder);
    for (auto it = subs.crbegin(); it != subs.crend(); ++it) {
        QMdiSubWindow *sub = *it;
        if (sub->isHidden())
            continue;
        if (!sub->close())
            return false;
    }
    for (const char *name : kClosedCommands)
        setCommandEnabled(s(name), false);
    for (const shell::Annex &a : shell::annexes())
        setAnnexCommandsEnabled(QLatin1Char(a.letter), false);
    setCommandEnabled(QStringLiteral("mniBackup"), true);
    updateWindowCommands();
    return true;
}

bool MainWindow::companyOpen() const
{
    const QList<QMdiSubWindow *> subs = m_mdi->subWindowList();
    return std::any_of(subs.cbegin(), subs.cend(), [](const QMdiSubWindow *w) { return !w->isHidden(); });
}

// ---- Command actions ----

void MainWindow::newCompany()
{
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
    if (companyOpen() && !closeCompany())
        return;
    runScreen(screens::kAbrirEmpresa);
}

void MainWindow::openDeclarationFile()
{
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
    if (!closeCompany())
        return;
    TfrmEmpresaQuirels window(*this, this);
    window.setWindowModality(Qt::ApplicationModal);
    window.execModal();
}

void MainWindow::validate()
{
    if (!runScreen(screens::kValidacao))
        return;
    const bool ok = !m_validationError;
    for (const char *name : {"mniGerarArquivo", "mniEnviarArquivo", "btnGerarArquivo", "btnEnviarArquivo"})
        setCommandEnabled(s(name), ok);
}

void MainWindow::generateFile()
{
    QSqlDatabase database = db();
    Result<QVariant> name = sql::scalar(
        database, QStringLiteral("select NmResponsavel from Empresa where CdCNPJEmpr = ") + sql::quote(m_period.cnpj));
    if (!name) {
        m_dialogs->error(name.message());
        return;
    }
    if (!name->toString().trimmed().isEmpty()) {
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
    if (!closeCompany())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    store::close();
    const Result<QStringList> r = shell::repairStore(m_dataFolder);
    const bool reopened = openStore();
    QApplication::restoreOverrideCursor();
    if (!r) {
        m_dialogs->error(r.message());
        return;
    }
    if (!r->isEmpty())
        m_dialogs->error(msg::kReparoFalhou.arg(r->join(QLatin1Char('\r'))));
    else if (reopened)
        m_dialogs->information(msg::kReparoConcluido);
}

void MainWindow::about() { showAbout(this); }

void MainWindow::toggleHints()
{
    m_hintsShown = m_commands.value(QStringLiteral("mniMensagensAjuda"))->isChecked();
    if (!m_hintsShown) {
        QToolTip::hideText();
        setMessage(QString());
    }
}

void MainWindow::openWeb(const QString &url)
{
    const QUrl u(url);
    const bool ok = m_options.openUrl ? m_options.openUrl(u) : QDesktopServices::openUrl(u);
    if (!ok)
        m_dialogs->error(msg::kAbrirEnderecoFalhou.arg(url));
}

void MainWindow::tile(Qt::Orientation orientation)
{
    QList<QMdiSubWindow *> subs;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (!sub->isHidden())
            subs.append(sub);
    if (subs.isEmpty())
        return;
    const QRect area = m_mdi->viewport()->rect();
    const int n = static_cast<int>(subs.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow *sub = subs.at(i);
        sub->showNormal();
        // Horizontal: one above the other, each as wide as the frame;
        // vertical: side by side, each as tall as the frame.
        if (orientation == Qt::Horizontal) {
            const int h = area.height() / n;
            sub->setGeometry(0, i * h, area.width(), h);
        } else {
            const int w = area.width() / n;
            sub->setGeometry(i * w, 0, w, area.height());
        }
    }
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
            if (m_hintsShown)
                setMessage(static_cast<QStatusTipEvent *>(e)->tip());
            return true;
        }
        break;
    case QEvent::KeyPress: {
        // Insert toggles its indicator; the filter sees a key event once for
        // each widget it travels through, so one press counts once.
        auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Insert && !k->isAutoRepeat() && k->timestamp() != m_insertStamp) {
            m_insertStamp = k->timestamp();
            m_insertOn = !m_insertOn;
            updateKeyStates();
        }
        break;
    }
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Close:
        if (qobject_cast<QMdiSubWindow *>(watched))
            QTimer::singleShot(0, this, [this] { updateWindowCommands(); });
        break;
    default: break;
    }
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::closeEvent(QCloseEvent *e)
{
    // A child window with unsaved data may refuse; the program then stays.
    QList<QMdiSubWindow *> subs = m_mdi->subWindowList(QMdiArea::CreationOrder);
    for (auto it = subs.crbegin(); it != subs.crend(); ++it) {
        if (!(*it)->isHidden() && !(*it)->close()) {
            e->ignore();
            return;
        }
    }
    QMainWindow::closeEvent(e);
}

} // namespace quirels
