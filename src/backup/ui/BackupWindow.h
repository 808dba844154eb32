#pragma once
// TfrmBackup: picks data files and packs them into a backup archive, and
// restores the files of an archive to their stored places or into another
// folder. Created once and kept; it does not block the main window.

#include "backup/BackupArchive.h"
#include "backup/store/StoreGuard.h"

#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;

namespace quirels::backup::ui {

class TfrmBackup : public QWidget {
    Q_OBJECT
public:
    // What the application provides; the file choosers default to the
    // system's dialogs.
    struct Hooks {
        // The files to add: (start folder) -> chosen files, empty on cancel.
        std::function<QStringList(const QString &startFolder)> chooseFiles;
        // The archive to create: (suggested path) -> chosen path, empty on cancel.
        std::function<QString(const QString &suggested)> chooseArchive;
        // A folder: (start folder) -> chosen folder, empty on cancel.
        std::function<QString(const QString &startFolder)> chooseFolder;
        // Before files are restored to their stored places: closes every
        // cursor and the store connection; false stops the restore.
        std::function<bool()> closeStore;
        // After such a restore, also a failed one: opens the store again.
        std::function<void()> reopenStore;
        // The server whose database is the store, when it is one: asked
        // each time the window is shown and before each operation. Every
        // backup then holds the database's snapshot, and a restore to the
        // stored places loads it into the server's (empty) database.
        std::function<std::optional<ServerTarget>()> server;
        // Where the add-files dialog starts (the data folder) and where the
        // archive is suggested.
        QString dataFolder;
        QString archiveFolder;
    };

    TfrmBackup(Dialogs &dialogs, Hooks hooks, QWidget *parent = nullptr);

    TBackupArchive &archive() { return m_archive; }
    Hooks &hooks() { return m_hooks; }
    QStringList selectedFiles() const;
    bool modified() const { return m_modified; }

    // Adds files as the dialog would (duplicates compared without case).
    void addFiles(const QStringList &files);
    // Shows the *.bck files of a folder in the restore page's list.
    void setArchiveFolder(const QString &folder);
    // Shows the front page: the backup page.
    void showBackupPage();
    // The folders the dialogs start in, when the data folder changed; also
    // asks again whether the store is a server.
    void setFolders(const QString &dataFolder, const QString &archiveFolder);
    // Asks the hook whether the store is a server and shows its database
    // first in the list of what a backup holds.
    void refreshServer();

    void backup();
    void restore();
    // "&Fechar" / "&Cancelar".
    void cancelOrClose();
    // The archive information of the archive selected in FileListBox1.
    void showArchiveInfo();
    // Recomputes the enabling of the controls.
    void updateControls();

protected:
    // Closing while an operation runs asks whether to stop it.
    void closeEvent(QCloseEvent *e) override;

private:
    void buildBackupPage(QWidget *page);
    void buildRestorePage(QWidget *page);
    void moveSelected(int delta);
    void setRunning(bool backingUp, bool restoring);
    void progress(const QString &fileName, int percent);
    // One line per file a restore to the stored places would replace.
    QString replacedInPlace(const QString &archiveName);

    Dialogs &m_dialogs;
    Hooks m_hooks;
    TBackupArchive m_archive;
    StoreGuard m_guard;
    std::optional<ServerTarget> m_server;
    bool m_modified = false;
    bool m_backingUp = false;
    bool m_restoring = false;
    QString m_lastBackupFolder; // where the last backup of this run was saved

    QTabWidget *m_pages;
    QListWidget *m_files;
    QToolButton *m_up;
    QToolButton *m_down;
    QPushButton *m_add;
    QPushButton *m_backup;
    QPushButton *m_clear;
    QPushButton *m_cancel;
    QCheckBox *m_sort;
    QCheckBox *m_volumes;

    QLineEdit *m_archiveFolder;
    QToolButton *m_archiveFolderButton;
    QListWidget *m_archives;
    QLineEdit *m_title;
    QLineEdit *m_content;
    QPlainTextEdit *m_info;
    QRadioButton *m_origPath;
    QRadioButton *m_otherPath;
    QLineEdit *m_path;
    QToolButton *m_pathButton;
    QCheckBox *m_fullPath;
    QPushButton *m_restore;
    QPushButton *m_cancelRestore;

    QProgressBar *m_progress;
    QLabel *m_status;
};

} // namespace quirels::backup::ui
