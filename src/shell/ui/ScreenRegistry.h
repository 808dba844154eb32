#pragma once
// The screen registry: the screens that other parts of the program supply,
// by name. The shell registers its own; the program's composition root
// (src/app) registers those of the subsystems above the shell.

#include <QHash>
#include <QString>
#include <functional>

class QWidget;

namespace quirels {

class Dialogs;
class MainWindow;

// Screens that other parts of the program supply. Each command that shows one
// of them runs it through MainWindow::runScreen; a screen that has not been
// registered yet answers with a message instead of doing nothing.
namespace screens {
inline const QString kAbrirEmpresa = QStringLiteral("abrirEmpresa");       // open dialog
inline const QString kImportacaoXml = QStringLiteral("importacaoXml");     // argument: the chosen file
inline const QString kImportacaoTexto = QStringLiteral("importacaoTexto");
inline const QString kImportacaoNfe = QStringLiteral("importacaoNfe");   // the open period's invoices
inline const QString kExclusao = QStringLiteral("exclusao");               // deletion window
inline const QString kResponsavel = QStringLiteral("responsavel");         // false when cancelled
inline const QString kValidacao = QStringLiteral("validacao");             // sets the validation flag
inline const QString kDeclaracao = QStringLiteral("declaracao");           // declaration-file dialog
inline const QString kPesquisaProdutos = QStringLiteral("pesquisaProdutos");
inline const QString kRelProdutos = QStringLiteral("relProdutos");         // argument: idxNCM or idxNome
inline const QString kConfiguracoes = QStringLiteral("configuracoes");     // settings dialog
inline const QString kBackup = QStringLiteral("backup");
inline const QString kRelatorio = QStringLiteral("relatorio");             // argument: annex letter
inline const QString kImprimirTodos = QStringLiteral("imprimirTodos");
inline const QString kTabelasReferencia = QStringLiteral("tabelasReferencia"); // replaces the reference tables
// The XI-A totals computed from the movements, and the year at a glance.
inline const QString kTotaisAnexoA = QStringLiteral("totaisAnexoA");
inline const QString kVisaoAno = QStringLiteral("visaoAno");
} // namespace screens

class ScreenRegistry {
public:
    // Builds a ScreenHandler's or annex factory's widgets on demand.
    using ScreenHandler = std::function<bool(const QString &argument)>;
    using AnnexFactory = std::function<QWidget *(QChar letter)>;
    // Registers the screens of the subsystems above the shell on one main
    // window.
    using ScreenInstaller = std::function<void(MainWindow &)>;

    explicit ScreenRegistry(Dialogs &dialogs) : m_dialogs(dialogs) {}

    void registerScreen(const QString &name, ScreenHandler handler);
    bool hasScreen(const QString &name) const { return m_screens.contains(name); }
    // Runs the screen; an unregistered one shows that the screen is not
    // available and answers false.
    bool runScreen(const QString &name, const QString &argument = QString());
    void registerAnnexWindow(AnnexFactory factory) { m_annexFactory = std::move(factory); }
    // The annex window factory; empty until the entry screens registered it.
    const AnnexFactory &annexFactory() const { return m_annexFactory; }

    // The subsystems' screens. The program's composition root (src/app) sets
    // this once at start; every main window made afterwards runs it in its
    // constructor, after the shell's own screens.
    static void setInstaller(ScreenInstaller installer);
    static const ScreenInstaller &installer();

private:
    Dialogs &m_dialogs;
    QHash<QString, ScreenHandler> m_screens;
    AnnexFactory m_annexFactory;
};

} // namespace quirels
