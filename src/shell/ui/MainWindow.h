#pragma once
// The main window: the frame of the child windows of the open company (menus,
// toolbar, status bar, the child windows and their arrangement) and the
// company's life in it. What it holds besides is kept by small parts it owns:
// the workspace (store, period, data module, working state), the screen
// registry, the status panel, the start-up effects and the menu commands'
// actions. Its operations stay here, so every screen talks to one window.

#include "ScreenRegistry.h"
#include "Workspace.h"
#include "base/Dialogs.h"
#include "shell/CpfCnpj.h"
#include "store/PeriodKey.h"

namespace quirels::store {
class DataModule;
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
class QToolButton;
class QUrl;

namespace quirels {

class TfrmEmpresaQuirels;
class MainCommands;
class StartupEffects;
class StatusPanel;

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
    using ScreenHandler = ScreenRegistry::ScreenHandler;
    using AnnexFactory = ScreenRegistry::AnnexFactory;

    explicit MainWindow(const Options &options, QWidget *parent = nullptr);
    ~MainWindow() override;

    Dialogs &dialogs() const { return *m_dialogs; }
    QString dataFolder() const { return m_workspace->dataFolder(); }
    QString xmlFolder() const { return m_workspace->xmlFolder(); }
    QDate today() const;
    // The shared data module: the store connection and one cursor per table.
    store::DataModule &dataModule() const { return m_workspace->dataModule(); }
    QSqlDatabase db() const;
    // The start-up opening of the store: connect to the data folder, rebuild
    // the day index, open every cursor. The store's message is shown on
    // failure and the program goes on.
    bool openStore() { return m_workspace->openStore(); }
    // The store is connected; when it is not, the data folder's missing
    // store is offered again (create it, or choose another folder).
    bool ensureStore() { return m_workspace->ensureStore(); }
    // Connects again to the data folder and opens every cursor; the month
    // that was open is opened again when the store still has it, otherwise
    // the company is closed.
    bool reconnect(const PeriodKey &period);
    void setDataFolder(const QString &dataFolder, const QString &xmlFolder)
    {
        m_workspace->setDataFolder(dataFolder, xmlFolder);
    }
    QString settingsPath() const { return m_workspace->settingsPath(); }
    QString storeConfigPath() const { return m_workspace->storeConfigPath(); }

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
    bool postPendingRows() { return m_workspace->postPendingRows(); }
    // The leave-the-field step of the entry screens, run before every
    // command of the menus, the toolbar and the window's keys: the field
    // being typed into runs its checks, its formatting and the values
    // derived from it. False (the command stops) when the field refused
    // what it holds; the focus is back there.
    void setLeaveField(std::function<bool()> step) { m_workspace->setLeaveField(std::move(step)); }
    bool leaveField() { return m_workspace->leaveField(); }
    // After a bulk change of the store (imports, carry-over, deletions,
    // restore): every cursor is read again and placed back on the period,
    // so that every open screen shows the store as it now is.
    bool reloadData(const PeriodKey &period) { return m_workspace->reloadData(period); }

    // The open company and period: the current rows of tblEmpresa and tblMes.
    PeriodKey currentPeriod() const { return m_workspace->currentPeriod(); }
    // Re-reads tblEmpresa and tblMes and positions them on the period.
    bool setCurrentPeriod(const PeriodKey &period) { return m_workspace->setCurrentPeriod(period); }
    // Display mask of the company key, set by Open annex windows.
    cpfcnpj::MaskKind companyKeyMask() const { return m_workspace->companyKeyMask(); }
    void setCompanyKeyMask(cpfcnpj::MaskKind mask) { m_workspace->setCompanyKeyMask(mask); }

    // Validation result flag: true when the last validation found an error.
    bool validationError() const { return m_workspace->validationError(); }
    void setValidationError(bool error) { m_workspace->setValidationError(error); }
    // Report print-all mode and options annex.
    bool printAll() const { return m_workspace->printAll(); }
    void setPrintAll(bool on) { m_workspace->setPrintAll(on); }
    QChar optionsAnnex() const { return m_workspace->optionsAnnex(); }
    void setOptionsAnnex(QChar letter) { m_workspace->setOptionsAnnex(letter); }
    // The parts the window owns.
    Workspace &workspace() const { return *m_workspace; }
    ScreenRegistry &screenRegistry() const { return *m_registry; }

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
    void registerScreen(const QString &name, ScreenHandler handler)
    {
        m_registry->registerScreen(name, std::move(handler));
    }
    bool hasScreen(const QString &name) const { return m_registry->hasScreen(name); }
    bool runScreen(const QString &name, const QString &argument = QString())
    {
        return m_registry->runScreen(name, argument);
    }
    void registerAnnexWindow(AnnexFactory factory) { m_registry->registerAnnexWindow(std::move(factory)); }
    // The screens of the subsystems above the shell (entry, validation,
    // exchange, reports, backup), set once by the program's composition root
    // (src/app); see ScreenRegistry::setInstaller.
    using ScreenInstaller = ScreenRegistry::ScreenInstaller;
    static void setScreenInstaller(ScreenInstaller installer) { ScreenRegistry::setInstaller(std::move(installer)); }

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
    bool hintsShown() const;
    void setHintsShown(bool on);
    // The indicator labels "CAPS", "NUM", "INS", "SCRL".
    QLabel *indicator(const QString &name) const;

    // Shows the splash window; it closes after four seconds.
    void showSplash();
    QWidget *splash() const;

signals:
    // Before the pending rows are posted (after the field was left).
    void aboutToPostPending();

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    struct CommandDef;
    void buildCommands();
    void buildToolBar();
    void updateWindowCommands();
    // Closes the company windows and the child windows, the last opened
    // first; false when one refused.
    bool closeWindows();

    Options m_options;
    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs *m_dialogs = nullptr;
    std::unique_ptr<Workspace> m_workspace;
    QMdiArea *m_mdi = nullptr;
    QHash<QString, QAction *> m_commands;
    QHash<QString, QMenu *> m_menus;
    QToolButton *m_openButton = nullptr;
    std::unique_ptr<StatusPanel> m_status;
    StartupEffects *m_startup = nullptr;
    std::unique_ptr<ScreenRegistry> m_registry;
    std::unique_ptr<MainCommands> m_actions;
    std::array<QPointer<QMdiSubWindow>, 8> m_annexWindows;
    QPointer<TfrmEmpresaQuirels> m_companyWindow;
    QList<QPointer<QWidget>> m_companyWindows;
    bool m_closingCompany = false;
    // The widget whose long hint the message panel shows; hidden, it takes
    // its hint away.
    QPointer<QWidget> m_hintSource;
};

// Registers the shell's own screens (open dialog, deletion window, person
// responsible, settings, reference tables) with the main window; called once
// by the main window's constructor, before the subsystems' screens.
void installShellScreens(MainWindow &window);

} // namespace quirels
