#include "MainWindow.h"

#include "Arrangement.h"
#include "Hints.h"
#include "MainCommands.h"
#include "shell/Messages.h"
#include "shell/Annexes.h"
#include "shell/Links.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

// The main window's commands: the menus from one table, and the toolbar.
// What the window's own commands do is in MainCommands; the others show a
// registered screen.

namespace quirels {

// One row of the command table: the menu it belongs to, its object name,
// caption, shortcut, hint, whether it is enabled at start, and what it runs.
struct MainWindow::CommandDef {
    // NoMenu: a key of the window itself, in no menu.
    enum Flags { None = 0, Checked = 1, Hidden = 2, SeparatorBefore = 4, NoMenu = 8 };
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

// The menu bar's Alt letters stay clear of those the child windows use
// (Fechar, Resíduo, Importar, and Novo, Salvar, Cancelar, Excluir of the
// entry screens), which would make the key ambiguous.
const MenuDef kMenus[] = {
    {"mnuArquivo", "&Arquivo", nullptr},
    {"mnuAbrir", "&Abrir...", "mnuArquivo"},
    {"mnuQuirels", "&Quirels", nullptr},
    {"mnuFerramentas", "Ferra&mentas", nullptr},
    {"mnuRelatorios", "Re&latórios", nullptr},
    {"mnuJanela", "&Janela", nullptr},
    {"mnuAjuda", "Aj&uda", nullptr},
};

QString s(const char *utf8) { return QString::fromUtf8(utf8); }

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

// An annex's menu caption: its letter is the item's Alt letter
// ("Anexo XI-&A - ...").
QString menuCaption(const shell::Annex &a)
{
    QString caption = a.qcaption();
    const qsizetype at = caption.indexOf(QLatin1String("XI-"));
    if (at >= 0)
        caption.insert(at + 3, QLatin1Char('&'));
    return caption;
}

} // namespace

void MainWindow::buildCommands()
{
    using C = CommandDef;
    auto screen = [](const QString &name, const QString &arg = QString()) {
        return [name, arg](MainWindow &w) { w.runScreen(name, arg); };
    };
    auto action = [](void (MainCommands::*run)()) { return [run](MainWindow &w) { (w.m_actions.get()->*run)(); }; };
    std::vector<CommandDef> table{
        {s("mnuArquivo"), s("mniNovaEmpresa"), s("&Nova Empresa"), s("F2"),
         s("Permite o cadastramento de uma nova empresa"), true, C::None, action(&MainCommands::newCompany)},
        {s("mnuAbrir"), s("mniAbrirEmpresa"), s("&Empresa"), s("F3"), s("Abre uma empresa previamente cadastrada"),
         true, C::None, action(&MainCommands::openCompany)},
        {s("mnuAbrir"), s("mniAbrirXML"), s("Arquivo &XML"), {}, s("Abre um Arquivo XML gerado"), true, C::None,
         action(&MainCommands::openDeclarationFile)},
        {s("mnuAbrir"), s("mniAbrirTexto"), s("Arquivo &Texto"), {}, s("Abre um Arquivo texto gerado"), true, C::None,
         screen(screens::kImportacaoTexto)},
        {s("mnuAbrir"), s("mniImportarNFe"), shell::msg::kNfeMenu, {},
         s("Importa as notas fiscais eletrônicas do período para os Anexos XI-B e XI-C"), false, C::SeparatorBefore,
         screen(screens::kImportacaoNfe)},
        {s("mnuArquivo"), s("mniExcluirMovimento"), s("E&xcluir Movimento"), {},
         s("Exclui a empresa atualmente selecionada"), false, C::SeparatorBefore, screen(screens::kExclusao)},
        {s("mnuArquivo"), s("mniFecharEmpresa"), s("&Fechar Empresa"), {}, s("Fecha os registros da empresa ativa"),
         false, C::None, [](MainWindow &w) { w.closeCompany(); }},
        {s("mnuArquivo"), s("mniInformacoesEmpresa"), s("&Informações sobre a Empresa"), {},
         s("Mostra informações da empresa"), false, C::None, action(&MainCommands::companyInformation)},
        {s("mnuArquivo"), s("mniResponsavel"), s("Res&ponsável pelo Preenchimento"), {},
         s("Cadastra o responsável pela empresa"), false, C::None, screen(screens::kResponsavel)},
        {s("mnuArquivo"), s("mniValidar"), s("&Validar"), s("F4"), s("Faz uma checagem no preenchimento do cadastro"),
         false, C::SeparatorBefore, action(&MainCommands::validate)},
        {s("mnuArquivo"), s("mniGerarArquivo"), s("&Gerar Arquivo"), s("F5"),
         s("Gera o arquivo com as informações da empresa"), false, C::None, action(&MainCommands::generateFile)},
        {s("mnuArquivo"), s("mniEnviarArquivo"), s("&Enviar Arquivo"), s("F6"), s("Envia o arquivo pela Internet"),
         false, C::None, [](MainWindow &w) { w.m_actions->openLink(shell::links::kEnviarArquivo); }},
        {s("mnuArquivo"), s("mniSair"), s("Sai&r"), {}, s("Encerra o programa"), true, C::SeparatorBefore,
         [](MainWindow &w) { w.close(); }},
    };
    for (const shell::Annex &a : shell::annexes()) {
        const QChar letter = QLatin1Char(a.letter);
        table.push_back({s("mnuQuirels"), s(a.menuItem), menuCaption(a), {}, a.qcaption(), false, C::None,
                         [letter](MainWindow &w) { w.showAnnex(letter); }});
    }
    const std::vector<CommandDef> tools{
        {s("mnuFerramentas"), s("mniPesquisarProdutos"), s("&Pesquisar Produtos"), {},
         s("Pesquisar Produtos cadastrados no sistema"), true, C::None, screen(screens::kPesquisaProdutos)},
        {s("mnuFerramentas"), s("mniConfiguracoesRede"), s("&Configurações da Rede"), {},
         s("Configura a rede e caminhos onde serão gerados os arquivos"), true, C::None,
         screen(screens::kConfiguracoes)},
        {s("mnuFerramentas"), s("mniRepararTabelas"), s("&Reparar Tabelas"), {}, {}, true, C::None,
         action(&MainCommands::repairTables)},
        {s("mnuFerramentas"), s("mniRegistrarDLLs"), s("Registrar &DLLs"), {}, {}, true, C::None,
         action(&MainCommands::registerComponents)},
        {s("mnuFerramentas"), s("mniBackup"), s("&Backup e Restauração de Arquivos"), {},
         s("Gera backup e restaura backups anteriores"), true, C::None, screen(screens::kBackup)},
        {s("mnuFerramentas"), s("mniAtualizarTabelas"), s("&Atualizar Tabelas de Referência"), {},
         s("Substitui as tabelas de produtos controlados, CNAE, CFOP e países pelas de uma pasta"), true, C::None,
         screen(screens::kTabelasReferencia)},
        {s("mnuFerramentas"), s("mniCalcularTotais"), s("Calcular &Totais do Anexo XI-A"), {},
         s("Calcula os totais do Anexo XI-A a partir dos Anexos XI-B e XI-C"), false, C::SeparatorBefore,
         screen(screens::kTotaisAnexoA)},
    };
    table.insert(table.end(), tools.begin(), tools.end());
    for (const shell::Annex &a : shell::annexes())
        table.push_back({s("mnuRelatorios"), s(a.reportItem), menuCaption(a), {}, s(a.reportHint), false, C::None,
                         screen(screens::kRelatorio, QString(QLatin1Char(a.letter)))});
    const std::vector<CommandDef> rest{
        {s("mnuRelatorios"), s("mniImprimirTodososAnexos"), s("&Imprimir Todos os Anexos"), {},
         s("Imprime todos os relatórios que tiverem dados"), false, C::SeparatorBefore,
         screen(screens::kImprimirTodos)},
        {s("mnuRelatorios"), s("mniVisaoAno"), s("&Visão do Ano"), {},
         s("Estoque de cada produto mês a mês no ano do período aberto"), false, C::None, screen(screens::kVisaoAno)},
        {s("mnuJanela"), s("mniCascata"), s("&Cascata"), {}, s("|Organiza as janelas em cascata"), false, C::None,
         [](MainWindow &w) { arrangeKeepingFocus([&w] { w.m_mdi->cascadeSubWindows(); }); }},
        {s("mnuJanela"), s("mniHorizontal"), s("&Horizontal"), {}, s("|Organiza as janelas de forma horizontal"),
         false, C::None, [](MainWindow &w) { tileWindows(w.m_mdi, Qt::Horizontal); }},
        {s("mnuJanela"), s("mniVertical"), s("&Vertical"), {}, s("|Organiza as janelas de forma vertica"), false,
         C::None, [](MainWindow &w) { tileWindows(w.m_mdi, Qt::Vertical); }},
        {s("mnuJanela"), s("mniMinimizar"), s("&Minimizar"), {}, s("|Minimiza todas as janelas"), false, C::None,
         [](MainWindow &w) {
             for (QMdiSubWindow *sub : w.m_mdi->subWindowList())
                 sub->showMinimized();
         }},
        {s("mnuJanela"), s("mniFecharJanela"), s("&Fechar"), s("Ctrl+F4"), s("Fecha a janela ativa"), false,
         C::SeparatorBefore, [](MainWindow &w) { w.m_mdi->closeActiveSubWindow(); }},
        {s("mnuJanela"), s("mniProximaJanela"), s("Próxima Janela"), s("Ctrl+Tab"), s("Ativa a próxima janela"),
         false, C::NoMenu, [](MainWindow &w) { w.m_mdi->activateNextSubWindow(); }},
        {s("mnuJanela"), s("mniJanelaAnterior"), s("Janela Anterior"), s("Ctrl+Shift+Tab"),
         s("Ativa a janela anterior"), false, C::NoMenu, [](MainWindow &w) { w.m_mdi->activatePreviousSubWindow(); }},
        {s("mnuAjuda"), s("mniConteudo"), s("&Conteúdo"), s("F1"), s("Conteúdo do arquivo de ajuda"), true, C::None,
         action(&MainCommands::openManual)},
        {s("mnuAjuda"), s("mniMensagensAjuda"), s("&Mensagens de Ajuda"), {},
         s("Mostra ou oculta as mensagens de ajuda"), true, C::Checked, action(&MainCommands::toggleHints)},
        {s("mnuAjuda"), s("mniSiteORZ"), s("Site do &ORZ"), {}, s("Abre o browser no site do ORZ"), true, C::None,
         [](MainWindow &w) { w.m_actions->openLink(shell::links::kSiteOrz); }},
        {s("mnuAjuda"), s("mniSiteEstravim"), s("Site do &ESTRAVIM"), {}, s("Abre o browser no site do ESTRAVIM"),
         true, C::None, [](MainWindow &w) { w.m_actions->openLink(shell::links::kSiteEstravim); }},
        {s("mnuAjuda"), s("mniSobre"), s("&Sobre"), {}, s("Sobre o programa"), true, C::None,
         action(&MainCommands::about)},
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
        // The field being typed into is left first, as a click elsewhere
        // would; a refusal stops the command.
        connect(a, &QAction::triggered, this, [this, run] {
            if (leaveField())
                run(*this);
        });
        if (c.flags & C::NoMenu) {
            a->setShortcutContext(Qt::WindowShortcut);
            addAction(a);
        } else {
            menu->addAction(a);
        }
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
    const DropDef drops[] = {{"mniDropEmpresa", "&Empresa", "F3", "mniAbrirEmpresa"},
                             {"mniDropXML", "Arquivo &XML", "", "mniAbrirXML"},
                             {"mniDropTexto", "Arquivo &TXT", "", "mniAbrirTexto"}};
    for (const DropDef &d : drops) {
        // The key is only shown here (the text after the tab is the menu's
        // shortcut column): the menu command owns it, and a second owner
        // would make the key ambiguous, so that it runs nothing.
        QString caption = s(d.caption);
        if (*d.shortcut)
            caption += QLatin1Char('\t') + s(d.shortcut);
        auto *a = drop->addAction(caption);
        a->setObjectName(s(d.name));
        connect(a, &QAction::triggered, m_commands.value(s(d.runs)), &QAction::trigger);
        m_commands.insert(a->objectName(), a);
    }
    // The invoice import is listed with the open commands, enabled with
    // its menu item: the drop-down holds that same command.
    drop->addSeparator();
    drop->addAction(m_commands.value(QStringLiteral("mniImportarNFe")));
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

} // namespace quirels
