#pragma once
// "Configurações de Rede": the data folder, the declaration-file folder and
// the store's sharing settings. "&Ok" writes the settings file; the caller
// then connects to the chosen data folder. Ticking "Local Share" changes the
// machine's store configuration at once, also when the dialog is cancelled.

#include "base/Dialogs.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QGroupBox;
class QLineEdit;
class QTabWidget;
class QTreeView;

namespace quirels {

class TfrmConfiguracoes : public QDialog {
    Q_OBJECT
public:
    struct Files {
        QString settings;     // the application's settings file
        QString storeConfig;  // the machine's store configuration
        // Shown when the settings file names no folder.
        QString defaultDataFolder;
        QString defaultXmlFolder;
    };

    TfrmConfiguracoes(Dialogs &dialogs, Files files, QWidget *parent = nullptr);

    QString dataFolder() const { return m_dataFolder; }
    QString xmlFolder() const { return m_xmlFolder; }
    // Moves a folder tree: the folder becomes the dialog's choice.
    void setDataFolder(const QString &folder);
    void setXmlFolder(const QString &folder);

    // "&Ok": the network folder into the store configuration, every choice
    // into the settings file; the dialog is accepted when both are written.
    void confirm();

private:
    struct FolderPage {
        QComboBox *drives;
        QTreeView *tree;
        QFileSystemModel *model;
        QLabel *current;
    };
    QWidget *folderPage(const char *suffix, FolderPage &page, bool data);
    void moveTree(FolderPage &page, const QString &folder);
    void localShareClicked(bool on);
    void showFolders();

    Dialogs &m_dialogs;
    Files m_files;
    QString m_dataFolder;
    QString m_xmlFolder;
    bool m_moving = false; // the trees follow a folder set in code
    QTabWidget *m_pages;
    QCheckBox *m_localShare;
    QLineEdit *m_netDir;
    // The store on a PostgreSQL server instead of the data folder's file.
    QGroupBox *m_server = nullptr;
    QLineEdit *m_serverHost = nullptr;
    QLineEdit *m_serverPort = nullptr;
    QLineEdit *m_serverDatabase = nullptr;
    QLineEdit *m_serverUser = nullptr;
    QLabel *m_dataLabel;
    QLabel *m_xmlLabel;
    FolderPage m_dataPage{};
    FolderPage m_xmlPage{};
};

} // namespace quirels
