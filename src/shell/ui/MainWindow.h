#pragma once
// The main window: the frame of the child windows of the open company, its
// commands, and the working state (open company and period, annex windows,
// validation result, report print mode).

#include "base/Dialogs.h"
#include "shell/CpfCnpj.h"
#include "store/PeriodKey.h"

namespace quirels::store {
class DataModule;
}
namespace quirels::shell::links {
struct Link;
}

#include <QDate>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QSqlDatabase>
#include <array>
#include <functional>
#include <memory>

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolButton;
class QUrl;

namespace quirels {

class TfrmEmpresaQuirels;

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

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        // Where messages go; the window makes message boxes when null.
        Dialogs *dialogs = nullptr;
        // The data folder; empty: read the settings file as at start-up.
        QString dataFolder;
        QString xmlFolder;
        // Start-up effects: fade-in and the hourglass until the splash closes.
        bool startupEffects = false;
        // Open the store on construction.
        bool openStore = true;
        // Today's date (the period limits); the system clock when empty.
        std::function<QDate()> today;
        // Opens a web address; QDesktopServices when empty.
        std::function<bool(const QUrl &)> openUrl;
        // The settings file; empty: the one named after the executable.
        QString settingsPath;
        // The machine's store configuration; empty: its usual place.
        QString storeConfigPath;
        // Starts the repair program detached: (program, arguments) -> started.
        // Empty: the program beside this one is started.
        std::function<bool(const QString &, const QStringList &)> startDetached;
    };

    // Builds a ScreenHandler's or annex factory's widgets on demand.
    using ScreenHandler = std::function<bool(const QString &argument)>;
    using AnnexFactory = std::function<QWidget *(QChar letter)>;

    explicit MainWindow(const Options &options, QWidget *parent = nullptr);
    ~MainWindow() override;

    Dialogs &dialogs() const { return *m_dialogs; }
    QString dataFolder() const { return m_dataFolder; }
    QString xmlFolder() const { return m_xmlFolder; }
    QDate today() const;
    // The shared data module: the store connection and one cursor per table.
    store::DataModule &dataModule() const { return *m_dm; }
    QSqlDatabase db() const;
    // The start-up opening of the store: connect to the data folder, rebuild
    // the day index, open every cursor. The store's message is shown on
    // failure and the program goes on.
    bool openStore();
    // The store is connected; when it is not, the data folder's missing
    // store is offered again (create it, or choose another folder).
    bool ensureStore();
    // Connects again to the data folder and opens every cursor; the month
    // that was open is opened again when the store still has it, otherwise
    // the company is closed.
    bool reconnect(const PeriodKey &period);
    void setDataFolder(const QString &dataFolder, const QString &xmlFolder);
    QString settingsPath() const { return m_settingsPath; }
    QString storeConfigPath() const { return m_storeConfigPath; }

    // ---- Operations the other windows call ----
    // Shows the annex windows of the current company's groups, enables their
    // commands and makes sure the period has its observation rows.
    void openAnnexWindows();
    // Closes every window of the open company: first the windows of the
    // company outside the frame (addCompanyWindow), then every child
    // window, the last opened first; each closes as its own close does
    // (posting or asking). False when one refused to close: the command that
    // called it stops too.
    bool closeCompany();
    // True while closeCompany runs: a window closing then leaves the next
    // company's windows alone (the company window opens no annex windows).
    bool closingCompany() const { return m_closingCompany; }
    // A window outside the frame that shows or writes the open company (the
    // company information window, the deletion window): it counts as an
    // open company while shown and closes with the company.
    void addCompanyWindow(QWidget *window);
    // A company is open while a child window or a company window is.
    bool companyOpen() const;
    // Writes what the open screens hold: the field being typed into is left
    // first (leaveField), then every cursor of the data module with a
    // pending row is posted. False when the field or a post was refused; its
    // message has been shown and the caller stops.
    bool postPendingRows();
    // The leave-the-field step of the entry screens, run before every
    // command of the menus, the toolbar and the window's keys: the field
    // being typed into runs its checks, its formatting and the values
    // derived from it. False (the command stops) when the field refused
    // what it holds; the focus is back there.
    void setLeaveField(std::function<bool()> step) { m_leaveField = std::move(step); }
    bool leaveField() { return !m_leaveField || m_leaveField(); }
    // After a bulk change of the store (imports, carry-over, deletions,
    // restore): every cursor is read again and placed back on the period,
    // so that every open screen shows the store as it now is.
    bool reloadData(const PeriodKey &period);

    // The open company and period: the current rows of tblEmpresa and tblMes.
    PeriodKey currentPeriod() const;
    // Re-reads tblEmpresa and tblMes and positions them on the period.
    bool setCurrentPeriod(const PeriodKey &period);
    // Display mask of the company key, set by Open annex windows.
    cpfcnpj::MaskKind companyKeyMask() const { return m_keyMask; }
    void setCompanyKeyMask(cpfcnpj::MaskKind mask) { m_keyMask = mask; }

    // Validation result flag: true when the last validation found an error.
    bool validationError() const { return m_validationError; }
    void setValidationError(bool error) { m_validationError = error; }
    // Report print-all mode and options annex.
    bool printAll() const { return m_printAll; }
    void setPrintAll(bool on) { m_printAll = on; }
    QChar optionsAnnex() const { return m_optionsAnnex; }
    void setOptionsAnnex(QChar letter) { m_optionsAnnex = letter; }

    // Enables what registration enables before the period exists: the
    // "Quirels" menu, closing, deleting, company information, validation.
    void enableCompanyCommands();
    // The commands of no open company: what Close company leaves enabled.
    void disableCompanyCommands();

    // ---- Commands ----
    // A menu command or toolbar button by object name ("mniValidar",
    // "btnValidar"); null when unknown.
    QAction *command(const QString &objectName) const;
    QMenu *menu(const QString &objectName) const;
    QToolButton *openButton() const { return m_openButton; }
    void setCommandEnabled(const QString &objectName, bool enabled);
    // The menu items, annex buttons and report items of one annex.
    void setAnnexCommandsEnabled(QChar letter, bool enabled);

    // ---- Screens supplied by other parts ----
    void registerScreen(const QString &name, ScreenHandler handler);
    bool hasScreen(const QString &name) const { return m_screens.contains(name); }
    bool runScreen(const QString &name, const QString &argument = QString());
    void registerAnnexWindow(AnnexFactory factory) { m_annexFactory = std::move(factory); }

    // Shows an annex window, creating it on first use; a new one opens
    // maximised (`maximised` is kept for callers and no longer decides).
    QMdiSubWindow *showAnnex(QChar letter, bool maximised = false);
    // The annex window, or null when it is not open.
    QMdiSubWindow *annexWindow(QChar letter) const;
    // Adds a child window to the frame.
    QMdiSubWindow *addChild(QWidget *widget);
    QMdiArea *mdiArea() const { return m_mdi; }

    // The company information window kept for the period dialog.
    TfrmEmpresaQuirels *companyWindow();

    // The text of the status bar's message panel.
    QString message() const;
    void setMessage(const QString &text);
    bool hintsShown() const { return m_hintsShown; }
    // The indicator labels "CAPS", "NUM", "INS", "SCRL".
    QLabel *indicator(const QString &name) const;

    // Shows the splash window; it closes after four seconds.
    void showSplash();
    QWidget *splash() const { return m_splash; }

signals:
    // Before the pending rows are posted (after the field was left).
    void aboutToPostPending();

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    struct CommandDef;
    // One observation row per letter in the period, created through the
    // data module; false when the store refused one.
    bool ensureObservationRows(const QString &letters);
    void buildCommands();
    void buildToolBar();
    void buildStatusBar();
    void startTimers();
    void updateWindowCommands();
    void updateKeyStates();
    void fadeStep();
    void closeSplash();
    void openWeb(const QString &url);
    void openLink(const shell::links::Link &link);
    // The data folder has no store: create it there (Sim), choose another
    // folder in the settings dialog (Não), or go on without one (Cancelar).
    bool offerDataFolder();
    void tile(Qt::Orientation orientation);
    // Closes the company windows and the child windows, the last opened
    // first; false when one refused.
    bool closeWindows();
    // Runs an arrangement of the child windows; the field that had the
    // focus keeps it (restoring a maximised window would move it on).
    void arrange(const std::function<void()> &how);

    // Command actions.
    void newCompany();
    void openCompany();
    void openDeclarationFile();
    void companyInformation();
    void validate();
    void generateFile();
    void registerComponents();
    void repairTables();
    void about();
    // The manual in the browser: the active annex window's page, else the index.
    void openManual();
    void toggleHints();

    Options m_options;
    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs *m_dialogs = nullptr;
    std::unique_ptr<store::DataModule> m_dm;
    QString m_dataFolder;
    QString m_xmlFolder;
    QString m_settingsPath;
    QString m_storeConfigPath;
    // The server's password typed in this session (memory only).
    QString m_serverPassword;
    QMdiArea *m_mdi = nullptr;
    QHash<QString, QAction *> m_commands;
    QHash<QString, QMenu *> m_menus;
    QToolButton *m_openButton = nullptr;
    QLabel *m_messagePanel = nullptr;
    QHash<QString, QLabel *> m_indicators;
    QTimer *m_fadeTimer = nullptr;
    QTimer *m_splashTimer = nullptr;
    QTimer *m_keyTimer = nullptr;
    QPointer<QWidget> m_splash;
    QHash<QString, ScreenHandler> m_screens;
    AnnexFactory m_annexFactory;
    std::function<bool()> m_leaveField;
    std::array<QPointer<QMdiSubWindow>, 8> m_annexWindows;
    QPointer<TfrmEmpresaQuirels> m_companyWindow;
    QList<QPointer<QWidget>> m_companyWindows;
    bool m_closingCompany = false;
    // The widget whose long hint the message panel shows; hidden, it takes
    // its hint away.
    QPointer<QWidget> m_hintSource;

    cpfcnpj::MaskKind m_keyMask = cpfcnpj::MaskKind::Cpf;
    bool m_validationError = false;
    bool m_printAll = false;
    QChar m_optionsAnnex;
    int m_fadeLevel = 0;
    bool m_hintsShown = true;
    bool m_insertOn = false;
};

// Registers the screens of the other parts with the main window; called once
// by the main window's constructor.
void installScreens(MainWindow &window);

} // namespace quirels
