#pragma once
// The main window's workspace: the store connection and the first start, the
// open company and period, the one data module, posting what the screens
// hold and reading the store again after bulk operations, and the working
// state the commands share (validation result, print mode).

#include "shell/CpfCnpj.h"
#include "store/PeriodKey.h"

#include <QChar>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <memory>

namespace quirels::store {
class DataModule;
}

namespace quirels {

class Dialogs;

class Workspace {
public:
    // Where the program's files are; an empty entry is found as at start-up
    // (the settings file, the store configuration and the data folder the
    // settings name).
    struct Places {
        QString dataFolder;
        QString xmlFolder;
        QString settingsPath;
        QString storeConfigPath;
    };

    // Reads the settings when no data folder is given (their error is shown,
    // and the usual data folder used) and makes the data module, whose
    // parent is `owner`.
    Workspace(Dialogs &dialogs, const Places &given, QObject *owner);
    ~Workspace();
    Workspace(const Workspace &) = delete;
    Workspace &operator=(const Workspace &) = delete;

    QString dataFolder() const { return m_dataFolder; }
    QString xmlFolder() const { return m_xmlFolder; }
    void setDataFolder(const QString &dataFolder, const QString &xmlFolder);
    QString settingsPath() const { return m_settingsPath; }
    QString storeConfigPath() const { return m_storeConfigPath; }

    // The shared data module: the store connection and one cursor per table.
    store::DataModule &dataModule() const { return *m_dm; }
    QSqlDatabase db() const;

    // Asks for another data folder when the data folder has no store (the
    // settings dialog); true when the store is connected afterwards.
    void setChooseDataFolder(std::function<void()> choose) { m_chooseDataFolder = std::move(choose); }
    // The start-up opening of the store: connect to the data folder, rebuild
    // the day index, open every cursor. The store's message is shown on
    // failure and the program goes on.
    bool openStore();
    // The store is connected; when it is not, the data folder's missing
    // store is offered again (create it, or choose another folder).
    bool ensureStore();

    // The open company and period: the current rows of tblEmpresa and tblMes.
    PeriodKey currentPeriod() const;
    // Re-reads tblEmpresa and tblMes and positions them on the period.
    bool setCurrentPeriod(const PeriodKey &period);
    // One observation row per letter in the period, created through the
    // data module; false when the store refused one.
    bool ensureObservationRows(const QString &letters);

    // The leave-the-field step of the entry screens (see MainWindow).
    void setLeaveField(std::function<bool()> step) { m_leaveField = std::move(step); }
    bool leaveField() { return !m_leaveField || m_leaveField(); }
    // Run after the field was left and before the pending rows are posted.
    void setBeforePosting(std::function<void()> hook) { m_beforePosting = std::move(hook); }
    // Writes what the open screens hold: the field being typed into is left
    // first, then every cursor with a pending row is posted. False when the
    // field or a post was refused; its message has been shown.
    bool postPendingRows();
    // After a bulk change of the store: every cursor is read again and
    // placed back on the period.
    bool reloadData(const PeriodKey &period);

    // Display mask of the company key, set when the annex windows open.
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

private:
    // The data folder has no store: create it there (Sim), choose another
    // folder in the settings dialog (Não), or go on without one (Cancelar).
    bool offerDataFolder();

    Dialogs &m_dialogs;
    std::unique_ptr<store::DataModule> m_dm;
    QString m_dataFolder;
    QString m_xmlFolder;
    QString m_settingsPath;
    QString m_storeConfigPath;
    // The server's password typed in this session (memory only).
    QString m_serverPassword;
    std::function<void()> m_chooseDataFolder;
    std::function<bool()> m_leaveField;
    std::function<void()> m_beforePosting;

    cpfcnpj::MaskKind m_keyMask = cpfcnpj::MaskKind::Cpf;
    bool m_validationError = false;
    bool m_printAll = false;
    QChar m_optionsAnnex;
};

} // namespace quirels
