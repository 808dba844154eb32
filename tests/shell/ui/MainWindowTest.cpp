#include "ShellFixture.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "shell/ui/SettingsDialog.h"
#include "store/Cursor.h"
#include "store/Database.h"
#include <QApplication>
#include "entry/Messages.h"
#include "shell/Annexes.h"
#include "shell/Links.h"
#include "shell/Messages.h"
#include "shell/Repair.h"
#include "store/DataModule.h"
#include "store/Messages.h"
#include "store/PeriodLock.h"
#include "store/Sql.h"
#include "store/ServerUrl.h"
#include "support/TestServer.h"

#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace quirels;
using namespace quirels::test;
namespace msg = quirels::shell::msg;

TEST_F(ShellTest, CommandsAsDeclared)
{
    QStringList menus;
    for (QAction *a : window->menuBar()->actions())
        menus.append(a->text());
    EXPECT_EQ(menus, (QStringList{QStringLiteral("&Arquivo"), QStringLiteral("&Quirels"), QStringLiteral("Ferra&mentas"),
                                  QStringLiteral("Re&latórios"), QStringLiteral("&Janela"), QStringLiteral("Aj&uda")}));
    QStringList arquivo;
    for (QAction *a : window->menu(QStringLiteral("mnuArquivo"))->actions())
        if (!a->isSeparator())
            arquivo.append(a->text());
    EXPECT_EQ(arquivo.mid(0, 3), (QStringList{QStringLiteral("&Nova Empresa"), QStringLiteral("&Abrir..."),
                                              QStringLiteral("E&xcluir Movimento")}));
    EXPECT_EQ(arquivo.last(), QStringLiteral("Sai&r"));

    struct Case {
        const char *name;
        const char *caption;
        const char *shortcut;
        bool enabled;
    };
    const Case cases[] = {
        {"mniNovaEmpresa", "&Nova Empresa", "F2", true},
        {"mniAbrirEmpresa", "&Empresa", "F3", true},
        {"mniAbrirTexto", "Arquivo &Texto", "", true},
        {"mniExcluirMovimento", "E&xcluir Movimento", "", false},
        {"mniInformacoesEmpresa", "&Informações sobre a Empresa", "", false},
        {"mniValidar", "&Validar", "F4", false},
        {"mniGerarArquivo", "&Gerar Arquivo", "F5", false},
        {"mniEnviarArquivo", "&Enviar Arquivo", "F6", false},
        {"mniSair", "Sai&r", "", true},
        {"mniGeracaoResiduo", "Anexo XI-&G - Quirel de Controle de Geração/Reaproveitamento/Reciclagem de Resíduos", "",
         false},
        {"mniBackup", "&Backup e Restauração de Arquivos", "", true},
        {"mniRegistrarDLLs", "Registrar &DLLs", "", true},
        {"mniImprimirTodososAnexos", "&Imprimir Todos os Anexos", "", false},
        {"mniCascata", "&Cascata", "", false},
        {"mniSobre", "&Sobre", "", true},
        {"btnNova", "Nova", "", true},
        {"btnValidar", "Validar", "", false},
        {"btnMovimentacaoResiduo", "H", "", false},
    };
    for (const Case &c : cases) {
        QAction *a = window->command(QString::fromLatin1(c.name));
        ASSERT_NE(a, nullptr) << c.name;
        EXPECT_EQ(a->text(), QString::fromUtf8(c.caption)) << c.name;
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(c.shortcut))) << c.name;
        EXPECT_EQ(a->isEnabled(), c.enabled) << c.name;
    }
    // Hints: the short part as tool tip, the long part for the message panel.
    struct Hint {
        const char *name;
        const char *tip;
        const char *status;
    };
    const Hint hints[] = {
        {"btnNova", "Nova", "Permite o cadastramento de uma nova empresa"},
        {"btnValidar", "Validar\nInformações", "Processa a validação das informações declaradas"},
        {"mniVertical", "", "Organiza as janelas de forma vertica"},
        {"mniFecharJanela", "Fecha a janela ativa", "Fecha a janela ativa"},
        {"btnControleGeral", "Anexo XI-A\nQuirel de Controle Geral de Produtos Químicos",
         "Anexo XI-A\nQuirel de Controle Geral de Produtos Químicos"},
        {"mniMovimentacaoResiduo", "Anexo XI-H - Quirel de Movimentação de Resíduos",
         "Anexo XI-H - Quirel de Movimentação de Resíduos"},
    };
    for (const Hint &h : hints) {
        QAction *a = window->command(QString::fromLatin1(h.name));
        ASSERT_NE(a, nullptr) << h.name;
        EXPECT_EQ(a->statusTip(), QString::fromUtf8(h.status)) << h.name;
        if (*h.tip) {
            EXPECT_EQ(a->toolTip(), QString::fromUtf8(h.tip)) << h.name;
        }
    }
    EXPECT_TRUE(window->command(QStringLiteral("mniConteudo"))->isVisible());
    EXPECT_FALSE(window->command(QStringLiteral("btnAjuda"))->isVisible());
    QAction *help = window->command(QStringLiteral("mniMensagensAjuda"));
    EXPECT_TRUE(help->isCheckable() && help->isChecked());
    // The open button runs "&Empresa"; its drop-down holds the three open
    // commands and, apart, the invoice import.
    QStringList drop;
    for (QAction *a : window->openButton()->menu()->actions())
        drop.append(a->text() + QLatin1Char(' ') + a->shortcut().toString());
    // F3 is shown in the drop-down but owned by the menu command alone.
    EXPECT_EQ(drop, (QStringList{QStringLiteral("&Empresa\tF3 "), QStringLiteral("Arquivo &XML "),
                                 QStringLiteral("Arquivo &TXT "), QStringLiteral(" "),
                                 QStringLiteral("Importar &Notas Fiscais (NF-e) ")}));
    EXPECT_EQ(window->openButton()->popupMode(), QToolButton::MenuButtonPopup);
}

// "Conteúdo" (F1) opens the manual in the browser: the page of the active
// annex window, else the index.
TEST_F(ShellTest, ManualOpensTheActiveAnnexsPageOrTheIndex)
{
    QAction *manual = window->command(QStringLiteral("mniConteudo"));
    EXPECT_EQ(manual->shortcut(), QKeySequence(Qt::Key_F1));
    manual->trigger();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened.last().endsWith(QStringLiteral("/share/quirels/manual/index.html"))) << qPrintable(opened.last());
    addCompany(kCpf, {9});
    openPeriod(kCpf);
    manual->trigger();
    EXPECT_TRUE(opened.last().endsWith(QStringLiteral("/manual/anexo-a.html"))) << qPrintable(opened.last());
    window->mdiArea()->setActiveSubWindow(window->annexWindow(QLatin1Char('D')));
    manual->trigger();
    EXPECT_TRUE(opened.last().endsWith(QStringLiteral("/manual/anexo-d.html"))) << qPrintable(opened.last());
    // Every page it may open is there.
    for (const QString &url : opened)
        EXPECT_TRUE(QFile::exists(QUrl(url).toLocalFile())) << qPrintable(url);
}

TEST_F(ShellTest, GroupNineOpensFourWindowsAndEightObservationRows)
{
    addCompany(kCpf, {9});
    openPeriod(kCpf);
    QStringList order;
    for (QMdiSubWindow *sub : window->mdiArea()->subWindowList(QMdiArea::CreationOrder))
        order.append(sub->widget()->windowTitle().left(10));
    EXPECT_EQ(order, (QStringList{QStringLiteral("Anexo XI-G"), QStringLiteral("Anexo XI-D"),
                                  QStringLiteral("Anexo XI-F"), QStringLiteral("Anexo XI-A")}));
    ASSERT_NE(window->annexWindow(QLatin1Char('A')), nullptr);
    EXPECT_EQ(window->mdiArea()->activeSubWindow(), window->annexWindow(QLatin1Char('A')));
    EXPECT_TRUE(window->annexWindow(QLatin1Char('A'))->isMaximized());
    EXPECT_EQ(window->annexWindow(QLatin1Char('B')), nullptr);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Observacoes where CdCNPJEmpr = '12345678909'")), 8);
    EXPECT_TRUE(window->companyOpen());
    for (const shell::Annex &a : shell::annexes()) {
        EXPECT_TRUE(enabled(a.menuItem)) << a.letter;
        EXPECT_TRUE(enabled(a.button)) << a.letter;
        EXPECT_TRUE(enabled(a.reportItem)) << a.letter;
    }
    for (const char *n : {"mniImprimirTodososAnexos", "mniFecharEmpresa", "mniResponsavel", "btnValidar",
                          "mniExcluirMovimento", "mniCascata"})
        EXPECT_TRUE(enabled(n)) << n;
    EXPECT_FALSE(enabled("mniGerarArquivo"));
    EXPECT_EQ(window->companyKeyMask(), cpfcnpj::MaskKind::Cpf);

    // A second run creates no second row and no second window.
    openPeriod(kCpf);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Observacoes")), 8);
    EXPECT_EQ(window->mdiArea()->subWindowList().size(), 4);
}

TEST_F(ShellTest, GroupsDecideWindowsCommandsAndRows)
{
    addCompany(kCnpj, {7, 4});
    openPeriod(kCnpj);
    QStringList titles;
    for (QMdiSubWindow *sub : window->mdiArea()->subWindowList(QMdiArea::CreationOrder))
        titles.append(sub->widget()->windowTitle().left(10));
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Anexo XI-G"), QStringLiteral("Anexo XI-D")}));
    EXPECT_TRUE(enabled("btnMovimentacaoArmazenagem"));
    EXPECT_TRUE(enabled("mniMovimentacaoResiduoRel"));
    EXPECT_FALSE(enabled("btnControleGeral"));
    EXPECT_FALSE(enabled("mniTransporte"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Observacoes")), 4);
    EXPECT_EQ(window->companyKeyMask(), cpfcnpj::MaskKind::Cnpj);
}

TEST_F(ShellTest, CompanyWithoutGroupsOpensNothing)
{
    addCompany(kCpf, {});
    openPeriod(kCpf);
    EXPECT_FALSE(window->companyOpen());
    EXPECT_EQ(count(QStringLiteral("select count(*) from Observacoes")), 0);
    EXPECT_TRUE(enabled("mniImprimirTodososAnexos"));
    EXPECT_TRUE(enabled("mniFecharEmpresa"));
    // Nothing is open, so a new company is registered without asking.
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (QWidget *w = QApplication::activeModalWidget()) {
            shown = w->objectName();
            w->close();
        }
    });
    window->command(QStringLiteral("mniNovaEmpresa"))->trigger();
    EXPECT_EQ(shown, QStringLiteral("frmNovaQuirels"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(ShellTest, CloseCompanyStopsAtAWindowThatRefuses)
{
    QPointer<StubbornWindow> stubborn;
    window->registerAnnexWindow([&stubborn](QChar letter) -> QWidget * {
        auto *w = new StubbornWindow;
        w->setWindowTitle(QString(letter));
        if (letter == QLatin1Char('D'))
            stubborn = w;
        return w;
    });
    addCompany(kCpf, {9});
    openPeriod(kCpf);
    ASSERT_TRUE(stubborn);
    stubborn->refuse = true;

    // The new-company command asks, closes, and stops with the refusing window.
    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kFecharEmpresaAtual, Answer::Yes);
    window->command(QStringLiteral("mniNovaEmpresa"))->trigger();
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    // A and F (opened after D) are closed, D and G stay, commands unchanged.
    EXPECT_EQ(window->annexWindow(QLatin1Char('A')), nullptr);
    EXPECT_EQ(window->annexWindow(QLatin1Char('F')), nullptr);
    EXPECT_NE(window->annexWindow(QLatin1Char('D')), nullptr);
    EXPECT_NE(window->annexWindow(QLatin1Char('G')), nullptr);
    EXPECT_TRUE(enabled("mniFecharEmpresa"));
    EXPECT_TRUE(enabled("btnControleGeral"));

    stubborn->refuse = false;
    EXPECT_TRUE(window->closeCompany());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window->companyOpen());
    for (const char *n : {"mniFecharEmpresa", "mniExcluirMovimento", "mniImprimirTodososAnexos", "mniGerarArquivo",
                          "mniEnviarArquivo", "mniInformacoesEmpresa", "mniResponsavel", "mniValidar", "btnValidar",
                          "btnGerarArquivo", "btnEnviarArquivo", "mniControleGeral", "btnGeracao",
                          "mniTransporteRel"})
        EXPECT_FALSE(enabled(n)) << n;
    EXPECT_TRUE(enabled("mniBackup"));
    EXPECT_TRUE(window->menu(QStringLiteral("mnuQuirels"))->menuAction()->isEnabled());
}

TEST_F(ShellTest, ValidateAndGenerateRunThroughTheirScreens)
{
    addCompany(kCpf, {8});
    openPeriod(kCpf);
    // Without the screen installed the command says so.
    window->registerScreen(screens::kValidacao, {});
    window->command(QStringLiteral("mniValidar"))->trigger();
    EXPECT_EQ(dialogs.lastText(), msg::kTelaIndisponivel);

    bool errorFound = true;
    QStringList ran;
    window->registerScreen(screens::kValidacao, [&](const QString &) {
        ran.append(screens::kValidacao);
        window->setValidationError(errorFound);
        return true;
    });
    bool responsibleCancelled = true;
    window->registerScreen(screens::kResponsavel, [&](const QString &) {
        ran.append(screens::kResponsavel);
        return !responsibleCancelled;
    });
    window->registerScreen(screens::kDeclaracao, [&](const QString &) {
        ran.append(screens::kDeclaracao);
        return true;
    });
    window->command(QStringLiteral("btnValidar"))->trigger();
    EXPECT_FALSE(enabled("mniGerarArquivo"));
    EXPECT_FALSE(enabled("btnEnviarArquivo"));
    errorFound = false;
    window->command(QStringLiteral("mniValidar"))->trigger();
    for (const char *n : {"mniGerarArquivo", "mniEnviarArquivo", "btnGerarArquivo", "btnEnviarArquivo"})
        EXPECT_TRUE(enabled(n)) << n;

    // No person responsible yet: that dialog first; cancelled, nothing more.
    ran.clear();
    window->command(QStringLiteral("btnGerarArquivo"))->trigger();
    EXPECT_EQ(ran, QStringList{screens::kResponsavel});
    responsibleCancelled = false;
    ran.clear();
    window->command(QStringLiteral("mniGerarArquivo"))->trigger();
    EXPECT_EQ(ran, (QStringList{screens::kResponsavel, screens::kDeclaracao}));
    store::Cursor &empresa = window->dataModule().empresa();
    ASSERT_TRUE(empresa.edit());
    empresa.setValue(QStringLiteral("NmResponsavel"), QStringLiteral("FULANO"));
    ASSERT_TRUE(empresa.post().ok());
    ran.clear();
    window->command(QStringLiteral("mniGerarArquivo"))->trigger();
    EXPECT_EQ(ran, QStringList{screens::kDeclaracao});

    window->command(QStringLiteral("mniEnviarArquivo"))->trigger();
    EXPECT_EQ(opened, QStringList{shell::links::kEnviarArquivo.address});
}

TEST_F(ShellTest, PeripheryCommands)
{
    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kRegistrarDlls, Answer::No);
    window->command(QStringLiteral("mniRegistrarDLLs"))->trigger();
    EXPECT_EQ(dialogs.messages.size(), 1);
    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kRegistrarDlls, Answer::Yes);
    dialogs.expect(ScriptedDialogs::Kind::Information, msg::kRegistroDesnecessario);
    window->command(QStringLiteral("mniRegistrarDLLs"))->trigger();

    window->command(QStringLiteral("mniSiteORZ"))->trigger();
    window->command(QStringLiteral("mniSiteEstravim"))->trigger();
    EXPECT_EQ(opened, (QStringList{shell::links::kSiteOrz.address, shell::links::kSiteEstravim.address}));

    // A command whose screen is not installed says so.
    const std::pair<const char *, QString> commands[] = {
        {"mniPesquisarProdutos", screens::kPesquisaProdutos}, {"mniConfiguracoesRede", screens::kConfiguracoes},
        {"mniBackup", screens::kBackup},                      {"mniAbrirTexto", screens::kImportacaoTexto},
        {"mniAbrirEmpresa", screens::kAbrirEmpresa},          {"mniExcluirMovimento", screens::kExclusao},
        {"mniArmazenagemRel", screens::kRelatorio},
    };
    for (const auto &[command, screen] : commands) {
        window->registerScreen(screen, {});
        window->setCommandEnabled(QString::fromLatin1(command), true);
        dialogs.expect(ScriptedDialogs::Kind::Information, msg::kTelaIndisponivel);
        window->command(QString::fromLatin1(command))->trigger();
    }
    // An installed one runs with its argument (a report: the annex letter).
    QString argument;
    window->registerScreen(screens::kRelatorio, [&argument](const QString &a) {
        argument = a;
        return true;
    });
    window->setCommandEnabled(QStringLiteral("mniTransporteRel"), true);
    window->command(QStringLiteral("mniTransporteRel"))->trigger();
    EXPECT_EQ(argument, QStringLiteral("F"));
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
}

TEST_F(ShellTest, RepairTablesClosesEverythingAndStartsTheRepairProgram)
{
    addCompany(kCpf, {1});
    openPeriod(kCpf);
    window->command(QStringLiteral("mniRepararTabelas"))->trigger();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.texts().join(QLatin1Char('\n')));
    EXPECT_FALSE(window->companyOpen());
    EXPECT_FALSE(window->dataModule().isConnected());
    ASSERT_EQ(started.size(), 1);
    EXPECT_TRUE(started.first().first().endsWith(QStringLiteral("/quirels-reparo")));
    EXPECT_EQ(started.first().mid(1), (QStringList{shell::kRepairAccessCode, store.folder()}));
    // The next command that needs the store opens it again.
    EXPECT_TRUE(window->ensureStore());
    EXPECT_TRUE(window->dataModule().empresa().isOpen());
}

TEST_F(ShellTest, LongHintsReachTheMessagePanelWhileHintsAreShown)
{
    QWidget *someField = window->mdiArea();
    QStatusTipEvent tip(QStringLiteral("Abre uma empresa previamente cadastrada"));
    QApplication::sendEvent(someField, &tip);
    EXPECT_EQ(window->message(), QStringLiteral("Abre uma empresa previamente cadastrada"));
    window->command(QStringLiteral("mniMensagensAjuda"))->trigger();
    EXPECT_FALSE(window->hintsShown());
    EXPECT_FALSE(window->command(QStringLiteral("mniMensagensAjuda"))->isChecked());
    QStatusTipEvent other(QStringLiteral("Encerra o programa"));
    QApplication::sendEvent(someField, &other);
    EXPECT_EQ(window->message(), QString());
    // Insert toggles its indicator between grey and black, once per press.
    QLabel *ins = window->indicator(QStringLiteral("INS"));
    EXPECT_EQ(ins->palette().color(QPalette::WindowText), QColor(128, 128, 128));
    window->show();
    window->mdiArea()->setFocus();
    QTest::keyClick(window->windowHandle(), Qt::Key_Insert);
    EXPECT_EQ(ins->palette().color(QPalette::WindowText), QColor(Qt::black));
    QTest::keyClick(window->windowHandle(), Qt::Key_Insert);
    EXPECT_EQ(ins->palette().color(QPalette::WindowText), QColor(128, 128, 128));
}

TEST_F(ShellTest, WindowMenuArrangesTheChildWindows)
{
    window->resize(1000, 700);
    window->show();
    addCompany(kCpf, {4, 7});
    openPeriod(kCpf);
    const QList<QMdiSubWindow *> subs = window->mdiArea()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(subs.size(), 2);
    const QRect area = window->mdiArea()->viewport()->rect();
    // As wide (tall) as the frame, less its scroll bar when the windows at
    // their smallest size make it scroll.
    const int bar = window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, window->mdiArea());
    window->command(QStringLiteral("mniHorizontal"))->trigger();
    EXPECT_LE(subs[0]->width(), area.width());
    EXPECT_GE(subs[0]->width(), area.width() - bar);
    EXPECT_EQ(subs[1]->y(), subs[0]->height());
    window->command(QStringLiteral("mniVertical"))->trigger();
    EXPECT_LE(subs[0]->height(), area.height());
    EXPECT_GE(subs[0]->height(), area.height() - bar);
    EXPECT_EQ(subs[1]->x(), subs[0]->width());
    window->command(QStringLiteral("mniMinimizar"))->trigger();
    EXPECT_TRUE(subs[0]->isMinimized() && subs[1]->isMinimized());
    // Closing the windows by hand is not Close company: the commands stay.
    window->mdiArea()->setActiveSubWindow(subs[1]);
    window->command(QStringLiteral("mniFecharJanela"))->trigger();
    window->mdiArea()->setActiveSubWindow(subs[0]);
    window->command(QStringLiteral("mniFecharJanela"))->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->companyOpen());
    EXPECT_FALSE(enabled("mniCascata"));
    EXPECT_TRUE(enabled("btnGeracao"));
    EXPECT_TRUE(enabled("mniFecharEmpresa"));
}

TEST(MainWindowStartup, MissingStoreIsOfferedAndTheWindowStillOpens)
{
    QTemporaryDir empty;
    ScriptedDialogs dialogs;
    MainWindow::Options o;
    o.dialogs = &dialogs;
    o.dataFolder = empty.path();
    o.settingsPath = empty.filePath(QStringLiteral("quirels.ini"));
    dialogs.expect(ScriptedDialogs::Kind::YesNoCancel, msg::kPastaSemBanco.arg(empty.path()), Answer::Cancel);
    MainWindow w(o);
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_FALSE(w.dataModule().isConnected());
    // A command that needs the store asks again; no store or driver text shows.
    dialogs.expect(ScriptedDialogs::Kind::YesNoCancel, msg::kPastaSemBanco.arg(empty.path()), Answer::Cancel);
    dialogs.expect(ScriptedDialogs::Kind::YesNoCancel, msg::kPastaSemBanco.arg(empty.path()), Answer::Cancel);
    ASSERT_TRUE(w.command(QStringLiteral("mniNovaEmpresa"))->isEnabled());
    w.command(QStringLiteral("mniNovaEmpresa"))->trigger();
    w.command(QStringLiteral("mniAbrirEmpresa"))->trigger();
    EXPECT_EQ(dialogs.messages.size(), 3);
    for (const ScriptedDialogs::Message &m : dialogs.messages)
        EXPECT_EQ(m.kind, ScriptedDialogs::Kind::YesNoCancel) << qPrintable(m.text);
    EXPECT_TRUE(dialogs.failures.isEmpty()) << qPrintable(dialogs.failures.join(QLatin1Char('\n')));
    EXPECT_FALSE(QFile::exists(o.settingsPath));
}

namespace {

// What "quirels-cli inicializar" opens to prepare the server's database.
store::OpenOptions initialization(const store::ServerUrl &url)
{
    store::OpenOptions o;
    o.connection = QStringLiteral("inicializar");
    o.server = url;
    return o;
}

// A window on the data folder `dir`, whose settings file names the server's
// database `url` as the store.
MainWindow::Options serverWindow(const QTemporaryDir &dir, const store::ServerUrl &url, ScriptedDialogs &dialogs)
{
    MainWindow::Options o;
    o.dialogs = &dialogs;
    o.dataFolder = dir.path();
    o.settingsPath = dir.filePath(QStringLiteral("quirels.ini"));
    o.storeConfigPath = dir.filePath(QStringLiteral("armazenamento.ini"));
    IniFile ini(o.settingsPath);
    ini.setValue(settings::kSection, settings::kServidor, url.toString());
    EXPECT_TRUE(ini.save().ok());
    return o;
}

} // namespace

// With the store on a server the data folder needs no store file; a user or
// password the server refuses is asked for again, kept out of every file.
TEST(MainWindowStartup, ServerStoreOpensWithoutAFileAndAsksForARefusedPassword)
{
    QUIRELS_REQUIRE_SERVER();
    test::ServerDatabase server;
    ASSERT_TRUE(server.valid()) << qPrintable(server.error());
    const store::ServerUrl url = server.address();
    store::OpenOptions init = initialization(url);
    QTemporaryDir dir;
    ASSERT_TRUE(store::initializeDataFolder(dir.path(), init).ok());

    const QString settingsPath = dir.filePath(QStringLiteral("quirels.ini"));
    auto startWith = [&](const store::ServerUrl &u, ScriptedDialogs &dialogs) {
        return std::make_unique<MainWindow>(serverWindow(dir, u, dialogs));
    };
    {
        ScriptedDialogs dialogs;
        auto w = startWith(url, dialogs);
        EXPECT_TRUE(w->dataModule().isConnected());
        EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.texts().join(QLatin1Char('\n')));
    }
    {
        store::ServerUrl stranger = url;
        stranger.user = QStringLiteral("ninguem");
        ScriptedDialogs dialogs;
        dialogs.givePassword(QStringLiteral("segredo-errado")); // refused again, then cancelled
        auto w = startWith(stranger, dialogs);
        EXPECT_FALSE(w->dataModule().isConnected());
        ASSERT_EQ(dialogs.messages.size(), 4) << qPrintable(dialogs.texts().join(QLatin1Char('\n')));
        for (int i : {0, 2}) {
            EXPECT_EQ(dialogs.messages[i].kind, ScriptedDialogs::Kind::Error);
            EXPECT_TRUE(dialogs.messages[i].text.startsWith(store::msg::kServidorSenha.section(QStringLiteral("%1"), 0, 0)))
                << qPrintable(dialogs.messages[i].text);
        }
        for (int i : {1, 3}) {
            EXPECT_EQ(dialogs.messages[i].kind, ScriptedDialogs::Kind::Password);
            EXPECT_EQ(dialogs.messages[i].text, store::passwordQuestion(stranger));
        }
        for (const ScriptedDialogs::Message &m : dialogs.messages)
            EXPECT_FALSE(m.text.contains(QStringLiteral("segredo-errado")));
    }
    QFile settingsFile(settingsPath);
    ASSERT_TRUE(settingsFile.open(QIODevice::ReadOnly));
    EXPECT_FALSE(settingsFile.readAll().contains("segredo-errado"));
    EXPECT_FALSE(QFile::exists(store::databasePath(dir.path())));
}

// A server that asks for a password: the clerk is asked for it, a wrong one
// is refused and asked again, and the right one opens the store; it is kept
// out of the settings file.
TEST(MainWindowStartup, ServerThatAsksForAPasswordOpensWithTheOneTyped)
{
    QUIRELS_REQUIRE_SERVER();
    test::ServerDatabase server;
    ASSERT_TRUE(server.valid()) << qPrintable(server.error());
    const QString password = QStringLiteral("s3nha-do-servidor");
    store::ServerUrl url = server.address();
    url.user = server.passwordUser(password);
    ASSERT_FALSE(url.user.isEmpty());
    QTemporaryDir dir;
    store::OpenOptions init = initialization(url);
    EXPECT_TRUE(store::isPasswordRefusal(store::initializeDataFolder(dir.path(), init).error()));
    init.password = password;
    ASSERT_OK(store::initializeDataFolder(dir.path(), init));

    ScriptedDialogs dialogs;
    dialogs.givePassword(QStringLiteral("errada"));
    dialogs.givePassword(password);
    const MainWindow::Options o = serverWindow(dir, url, dialogs);
    MainWindow w(o);
    EXPECT_TRUE(w.dataModule().isConnected());
    const QList<ScriptedDialogs::Kind> kinds{ScriptedDialogs::Kind::Error, ScriptedDialogs::Kind::Password,
                                             ScriptedDialogs::Kind::Error, ScriptedDialogs::Kind::Password};
    ASSERT_EQ(dialogs.messages.size(), kinds.size()) << qPrintable(dialogs.texts().join(QLatin1Char('\n')));
    for (qsizetype i = 0; i < kinds.size(); ++i)
        EXPECT_EQ(dialogs.messages[i].kind, kinds[i]) << qPrintable(dialogs.messages[i].text);
    EXPECT_GT(w.dataModule().lkpCfop().count(), 0);
    QFile settingsFile(o.settingsPath);
    ASSERT_TRUE(settingsFile.open(QIODevice::ReadOnly));
    EXPECT_FALSE(settingsFile.readAll().contains(password.toUtf8()));
}

// On a server the open period is held for this workstation: another
// workstation's bulk operation on it is refused until the company is closed.
TEST(MainWindowStartup, ClosingTheCompanyLetsThePeriodGo)
{
    QUIRELS_REQUIRE_SERVER();
    test::ServerDatabase server;
    ASSERT_TRUE(server.valid()) << qPrintable(server.error());
    const store::ServerUrl url = server.address();
    QTemporaryDir dir;
    store::OpenOptions init = initialization(url);
    ASSERT_TRUE(store::initializeDataFolder(dir.path(), init).ok());
    const PeriodKey period{test::kCnpj, QStringLiteral("2005"), QStringLiteral("MAR")};
    ASSERT_TRUE(server.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao, FlGrupoI) VALUES ('%1', 'ALFA', 1)").arg(period.cnpj)));
    ASSERT_TRUE(server.exec(QStringLiteral("INSERT INTO Mes VALUES ('%1', '2005', 'MAR')").arg(period.cnpj)));

    ScriptedDialogs dialogs;
    MainWindow w(serverWindow(dir, url, dialogs));
    ASSERT_TRUE(w.setCurrentPeriod(period));
    w.openAnnexWindows();
    ASSERT_TRUE(w.companyOpen());

    store::OpenOptions other;
    other.connection = QStringLiteral("estacao2");
    other.server = url;
    {
        Result<QSqlDatabase> db = store::open(dir.path(), other);
        ASSERT_TRUE(db.ok()) << qPrintable(db.message());
        auto claim = [&] {
            sql::Transaction tx(*db);
            return store::claimPeriod(*db, period);
        };
        EXPECT_EQ(claim().message(), store::msg::kPeriodoEmUso.arg(period.mes, period.ano, period.cnpj));
        ASSERT_TRUE(w.closeCompany());
        EXPECT_OK(claim());
    }
    store::close(other.connection);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.texts().join(QLatin1Char('\n')));
}

TEST(MainWindowStartup, FirstStartCreatesTheDataFolderOnSim)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("dados"));
    ScriptedDialogs dialogs;
    MainWindow::Options o;
    o.dialogs = &dialogs;
    o.dataFolder = data;
    o.settingsPath = dir.filePath(QStringLiteral("quirels.ini"));
    dialogs.answer(Answer::Yes);
    MainWindow w(o);
    ASSERT_EQ(dialogs.messages.size(), 1) << qPrintable(dialogs.texts().join(QLatin1Char('\n')));
    EXPECT_EQ(dialogs.messages.first().kind, ScriptedDialogs::Kind::YesNoCancel);
    EXPECT_TRUE(QFile::exists(data + QStringLiteral("/quirels.db")));
    ASSERT_TRUE(w.dataModule().isConnected());
    for (store::Cursor *c : w.dataModule().cursors())
        EXPECT_TRUE(c->isOpen()) << qPrintable(c->name());
    // The reference data came with it.
    EXPECT_GT(w.dataModule().lkpCfop().count(), 0);
}

TEST(MainWindowStartup, MissingStoreAnsweredNaoChoosesAnotherFolder)
{
    QTemporaryDir dir;
    TempStore other(QStringLiteral("outra"));
    store::close(QStringLiteral("outra"));
    ScriptedDialogs dialogs;
    MainWindow::Options o;
    o.dialogs = &dialogs;
    o.dataFolder = dir.filePath(QStringLiteral("nada"));
    o.settingsPath = dir.filePath(QStringLiteral("quirels.ini"));
    o.storeConfigPath = dir.filePath(QStringLiteral("armazenamento.ini"));
    dialogs.answer(Answer::No);
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto *d = qobject_cast<TfrmConfiguracoes *>(QApplication::activeModalWidget());
        if (!d)
            return;
        shown = true;
        d->setDataFolder(other.folder());
        d->confirm();
    });
    MainWindow w(o);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(w.dataModule().isConnected());
    EXPECT_EQ(w.dataFolder(), other.folder());
    IniFile ini(o.settingsPath);
    ASSERT_OK(ini.load());
    EXPECT_EQ(ini.value(settings::kSection, settings::kCaminho), other.folder());
}

// Closing the company takes the annex windows with their fields: the field
// that had the focus is not "left", so its exit question (a code outside the
// controlled list) does not come up over windows on their way out.
TEST_F(ShellTest, ClosingTheCompanyAsksNothingOfTheFieldWithTheFocus)
{
    addCompany(kCnpj, {1});
    store.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM, NmProduto, DsUnidade) "
                              "VALUES ('%1', '2005', 'MAR', '2207.10.00', 'ALCOOL', 'Kg')").arg(kCnpj));
    openPeriod(kCnpj);
    window->resize(1100, 760);
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto *ncm = window->findChild<QWidget *>(QStringLiteral("edtCdProduto"));
    ASSERT_NE(ncm, nullptr);
    ncm->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    ASSERT_TRUE(ncm->hasFocus());
    EXPECT_TRUE(window->closeCompany());
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->companyOpen());
    EXPECT_FALSE(dialogs.texts().contains(entry::msg::kNcmInexistente)) << qPrintable(dialogs.texts().join(QLatin1Char('|')));
}
