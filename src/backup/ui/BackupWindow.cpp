#include "BackupWindow.h"

#include "store/StoreError.h"

#include "backup/Messages.h"
#include "shell/ui/Hints.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace quirels::backup::ui {

namespace {

constexpr qint32 kFloppySize = 1400000;

const QString kAddFilter = QStringLiteral(
    "Arquivos Dados (*.db *.px *.fam *.tv *.x* *.y* *.mb);;All Files (*);;xBase Files (*.dbf *.fpt);;"
    "List Files (*.lst);;Data Files (*.dta)");

template <typename T>
T *named(T *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// Restores the cursor when an operation ends, however it ends.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TfrmBackup::TfrmBackup(Dialogs &dialogs, Hooks hooks, QWidget *parent)
    // A modeless dialog of the main window: it stays in front of it, also
    // after a message box of the main window has been answered.
    : QWidget(parent, Qt::Dialog), m_dialogs(dialogs), m_hooks(std::move(hooks)), m_archive(dialogs),
      m_guard(m_archive, dialogs)
{
    setObjectName(QStringLiteral("frmBackup"));
    setWindowTitle(QStringLiteral("Backup/Restauração de Arquivos"));
    if (!m_hooks.chooseFiles)
        m_hooks.chooseFiles = [this](const QString &start) {
            return QFileDialog::getOpenFileNames(this, QString(), start, kAddFilter);
        };
    if (!m_hooks.chooseArchive)
        m_hooks.chooseArchive = [this](const QString &suggested) {
            QFileDialog d(this, QStringLiteral("Criar Backup"), suggested, QStringLiteral("Arquivos de Backup (*.bck)"));
            d.setAcceptMode(QFileDialog::AcceptSave);
            d.setDefaultSuffix(QStringLiteral("bck"));
            d.selectFile(QFileInfo(suggested).fileName());
            return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles().constFirst()
                                                                                   : QString();
        };
    if (!m_hooks.chooseFolder)
        m_hooks.chooseFolder = [this](const QString &start) {
            return QFileDialog::getExistingDirectory(this, QString(), start);
        };

    m_pages = named(new QTabWidget(this), "PageControl1");
    auto *backupPage = named(new QWidget, "TabSheet1");
    auto *restorePage = named(new QWidget, "TabSheet2");
    m_pages->addTab(backupPage, QStringLiteral("Backup"));
    m_pages->addTab(restorePage, QStringLiteral("Restauração"));
    buildBackupPage(backupPage);
    buildRestorePage(restorePage);

    m_progress = named(new QProgressBar(this), "ProgressBar1");
    m_progress->setRange(0, 100);
    m_progress->hide();
    m_status = named(new QLabel(this), "StatusLabel");

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);

    m_archive.OnProgress = [this](const QString &fileName, int percent, bool &) { progress(fileName, percent); };
    m_archive.OnNeedDisk = [this](quint16 disk, bool &cont) {
        cont = m_dialogs.confirmOkCancel(msg::kScreenInsertDiskPrefix + QString::number(disk) +
                                         msg::kScreenInsertDiskSuffix);
    };
    setArchiveFolder(m_hooks.archiveFolder);
    refreshServer();
    resize(620, 470);
}

void TfrmBackup::buildBackupPage(QWidget *page)
{
    m_files = named(new QListWidget(page), "FileListBox");
    m_up = named(new QToolButton(page), "UpButton");
    m_up->setArrowType(Qt::UpArrow);
    setHint(m_up, msg::kMoveUp);
    m_down = named(new QToolButton(page), "DownButton");
    m_down->setArrowType(Qt::DownArrow);
    setHint(m_down, msg::kMoveDown);
    m_add = named(new QPushButton(QStringLiteral("Adicionar Arquivos"), page), "BtnAddFiles");
    m_backup = named(new QPushButton(QStringLiteral("Iniciar &Backup"), page), "BtnBackup");
    m_clear = named(new QPushButton(QStringLiteral("&Limpar"), page), "BtnClear");
    m_cancel = named(new QPushButton(QStringLiteral("&Fechar"), page), "BtnCancel");
    m_sort = named(new QCheckBox(QStringLiteral("Organizar alfabeticamente"), page), "SortListCheckBox");
    m_volumes = named(new QCheckBox(msg::kVolumesOption, page), "CbVolumes");
    setHint(m_volumes, msg::kVolumesHint);

    auto *arrows = new QVBoxLayout;
    arrows->addStretch();
    arrows->addWidget(m_up);
    arrows->addWidget(m_down);
    arrows->addStretch();
    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {m_add, m_backup, m_clear, m_cancel})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *grid = new QGridLayout(page);
    grid->addLayout(arrows, 0, 0);
    grid->addWidget(m_files, 0, 1);
    grid->addLayout(buttons, 0, 2);
    grid->addWidget(m_sort, 1, 1);
    grid->addWidget(m_volumes, 2, 1);
    grid->setColumnStretch(1, 1);

    connect(m_files, &QListWidget::currentRowChanged, this, [this] { updateControls(); });
    connect(m_up, &QToolButton::clicked, this, [this] { moveSelected(-1); });
    connect(m_down, &QToolButton::clicked, this, [this] { moveSelected(1); });
    connect(m_add, &QPushButton::clicked, this, [this] {
        const QStringList chosen = m_hooks.chooseFiles(m_hooks.dataFolder);
        if (!chosen.isEmpty())
            addFiles(chosen);
    });
    connect(m_backup, &QPushButton::clicked, this, &TfrmBackup::backup);
    connect(m_clear, &QPushButton::clicked, this, [this] {
        m_files->clear();
        m_modified = false;
        refreshServer();
    });
    connect(m_cancel, &QPushButton::clicked, this, &TfrmBackup::cancelOrClose);
    connect(m_sort, &QCheckBox::toggled, this, [this](bool on) {
        m_files->setSortingEnabled(on);
        if (on)
            m_files->sortItems();
        m_modified = true;
        updateControls();
    });
}

void TfrmBackup::buildRestorePage(QWidget *page)
{
    // The folder whose *.bck files are listed: typed (Enter lists it) or
    // chosen with the button beside it.
    m_archiveFolder = named(new QLineEdit(page), "DirectoryEdit1");
    setHint(m_archiveFolder, msg::kArchiveFolderHint);
    m_archiveFolderButton = named(new QToolButton(page), "DirectoryButton1");
    m_archiveFolderButton->setText(QStringLiteral("..."));
    setHint(m_archiveFolderButton, msg::kChooseArchiveFolder);
    auto *folderLabel = new QLabel(msg::kArchiveFolderLabel, page);
    folderLabel->setBuddy(m_archiveFolder);
    m_archives = named(new QListWidget(page), "FileListBox1");
    m_title = named(new QLineEdit(page), "ArchiveTitleEdit");
    m_title->setReadOnly(true);
    m_content = named(new QLineEdit(page), "ArchiveContentEdit");
    m_content->setReadOnly(true);
    m_info = named(new QPlainTextEdit(page), "MeFiles");
    m_info->setReadOnly(true);
    m_info->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_origPath = named(new QRadioButton(QStringLiteral("Caminho Original (sobreescrever arquivos originais)"), page),
                       "rbOrigpath");
    m_otherPath = named(new QRadioButton(QStringLiteral("Outro Caminho:"), page), "rbOtherPath");
    m_origPath->setChecked(true);
    m_path = named(new QLineEdit(page), "EdtPath");
    m_pathButton = named(new QToolButton(page), "RestorePathButton");
    m_pathButton->setText(QStringLiteral("..."));
    setHint(m_pathButton, msg::kBrowseDataPath);
    m_fullPath = named(new QCheckBox(QStringLiteral("Restaurar com o caminho original"), page), "CbFullPath");
    m_restore = named(new QPushButton(QStringLiteral("&Restaura"), page), "BtnRestore");
    m_cancelRestore = named(new QPushButton(QStringLiteral("&Fechar"), page), "CancelRestoreBitBtn");

    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(m_archiveFolder, 1);
    folderRow->addWidget(m_archiveFolderButton);
    auto *left = new QVBoxLayout;
    left->addWidget(folderLabel);
    left->addLayout(folderRow);
    left->addWidget(m_archives, 1);

    auto *info = new QGridLayout;
    auto *titleLabel = new QLabel(QStringLiteral("Título do Arquivo:"), page);
    titleLabel->setBuddy(m_title);
    auto *contentLabel = new QLabel(QStringLiteral("Contém:"), page);
    contentLabel->setBuddy(m_content);
    info->addWidget(titleLabel, 0, 0);
    info->addWidget(m_title, 0, 1);
    info->addWidget(contentLabel, 1, 0);
    info->addWidget(m_content, 1, 1);
    info->addWidget(m_info, 2, 0, 1, 2);

    auto *top = new QHBoxLayout;
    top->addLayout(left, 2);
    top->addLayout(info, 3);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(m_otherPath);
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(m_pathButton);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_restore);
    buttons->addWidget(m_cancelRestore);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(top, 1);
    layout->addWidget(m_origPath);
    layout->addLayout(pathRow);
    layout->addWidget(m_fullPath);
    layout->addLayout(buttons);

    connect(m_archiveFolderButton, &QToolButton::clicked, this, [this] {
        const QString chosen = m_hooks.chooseFolder(QDir::fromNativeSeparators(m_archiveFolder->text().trimmed()));
        if (!chosen.isEmpty())
            setArchiveFolder(chosen);
    });
    connect(m_archiveFolder, &QLineEdit::returnPressed, this, [this] {
        setArchiveFolder(QDir::fromNativeSeparators(m_archiveFolder->text().trimmed()));
    });
    connect(m_archives, &QListWidget::currentRowChanged, this, [this] {
        showArchiveInfo();
        updateControls();
    });
    connect(m_origPath, &QRadioButton::toggled, this, [this] { updateControls(); });
    connect(m_otherPath, &QRadioButton::toggled, this, [this] { updateControls(); });
    connect(m_pathButton, &QToolButton::clicked, this, [this] {
        const QString typed = m_path->text().trimmed();
        const QString chosen = m_hooks.chooseFolder(QFileInfo(typed).isDir() ? typed : QString());
        if (!chosen.isEmpty())
            m_path->setText(QDir::toNativeSeparators(chosen));
    });
    connect(m_restore, &QPushButton::clicked, this, &TfrmBackup::restore);
    connect(m_cancelRestore, &QPushButton::clicked, this, &TfrmBackup::cancelOrClose);
}

namespace {

// The list item that stands for the server's database (no file).
constexpr int kServerItemRole = Qt::UserRole + 1;

bool isServerItem(const QListWidgetItem *item) { return item->data(kServerItemRole).toBool(); }

} // namespace

QStringList TfrmBackup::selectedFiles() const
{
    QStringList out;
    for (int i = 0; i < m_files->count(); ++i)
        if (!isServerItem(m_files->item(i)))
            out.append(m_files->item(i)->text());
    return out;
}

void TfrmBackup::refreshServer()
{
    m_server = m_hooks.server ? m_hooks.server() : std::nullopt;
    for (int i = m_files->count() - 1; i >= 0; --i)
        if (isServerItem(m_files->item(i)))
            delete m_files->takeItem(i);
    if (m_server) {
        auto *item = new QListWidgetItem(msg::kServerListItem.arg(m_server->display()));
        item->setData(kServerItemRole, true);
        // Kept first, also when the list is sorted.
        const bool sorted = m_files->isSortingEnabled();
        m_files->setSortingEnabled(false);
        m_files->insertItem(0, item);
        m_files->setSortingEnabled(sorted);
    }
    m_guard.setServer(m_server, m_hooks.dataFolder);
    updateControls();
}

void TfrmBackup::addFiles(const QStringList &files)
{
    // Paths keep their letter case (the file system tells them apart);
    // duplicates are compared without it.
    for (const QString &f : files) {
        const QString path = QDir::cleanPath(QFileInfo(f).absoluteFilePath());
        const QStringList present = selectedFiles();
        if (!present.contains(path, Qt::CaseInsensitive))
            m_files->addItem(path);
    }
    m_modified = true;
    updateControls();
}

void TfrmBackup::moveSelected(int delta)
{
    int row = m_files->currentRow();
    if (row < 0) {
        if (delta > 0 && m_files->count() > 0)
            m_files->setCurrentRow(0);
    } else if (row + delta >= (m_server ? 1 : 0) && row + delta < m_files->count()) {
        QListWidgetItem *item = m_files->takeItem(row);
        m_files->insertItem(row + delta, item);
        m_files->setCurrentRow(row + delta);
    }
    m_modified = true;
    updateControls();
}

void TfrmBackup::setArchiveFolder(const QString &folder)
{
    m_archiveFolder->setText(QDir::toNativeSeparators(folder));
    m_archives->clear();
    showArchiveInfo();
    if (folder.isEmpty())
        return;
    const QFileInfoList found = QDir(folder).entryInfoList({QStringLiteral("*.bck")}, QDir::Files,
                                                           QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &fi : found) {
        auto *item = new QListWidgetItem(fi.fileName(), m_archives);
        item->setData(Qt::UserRole, fi.absoluteFilePath());
    }
    updateControls();
}

void TfrmBackup::showBackupPage() { m_pages->setCurrentIndex(0); }

void TfrmBackup::updateControls()
{
    const bool idle = !m_backingUp && !m_restoring;
    const bool movable = !m_sort->isChecked() && m_files->currentRow() >= 0 && idle &&
                         !isServerItem(m_files->currentItem());
    m_up->setEnabled(movable);
    m_down->setEnabled(movable);
    const int files = static_cast<int>(selectedFiles().size());
    m_clear->setEnabled(files > 0 && idle);
    // The server's database alone is worth a backup.
    m_backup->setEnabled(((files > 0 && m_modified) || m_server.has_value()) && idle);
    m_add->setEnabled(!m_backingUp);
    m_restore->setEnabled(m_archives->currentRow() >= 0 && idle);
    const bool other = m_otherPath->isChecked();
    m_path->setEnabled(other);
    m_pathButton->setEnabled(other && !m_restoring);
    m_fullPath->setEnabled(other);
    m_volumes->setEnabled(idle);
}

void TfrmBackup::setRunning(bool backingUp, bool restoring)
{
    m_backingUp = backingUp;
    m_restoring = restoring;
    const bool running = backingUp || restoring;
    m_cancel->setText(running ? QStringLiteral("&Cancelar") : QStringLiteral("&Fechar"));
    m_cancelRestore->setText(running ? QStringLiteral("&Cancelar") : QStringLiteral("&Fechar"));
    m_progress->setValue(0);
    m_progress->setVisible(running);
    if (!running)
        m_status->clear();
    updateControls();
}

void TfrmBackup::progress(const QString &fileName, int percent)
{
    if (m_progress->isVisible())
        m_progress->setValue(percent);
    m_status->setText(percent > 99 ? msg::kWritingToDisk : QFileInfo(fileName).fileName());
}

void TfrmBackup::backup()
{
    if (!m_dialogs.confirm(msg::kAskBackup))
        return;
    const QString suggested = QDir(m_hooks.archiveFolder.isEmpty() ? QDir::homePath() : m_hooks.archiveFolder)
                                  .filePath(QStringLiteral("Quirels.bck"));
    const QString name = m_hooks.chooseArchive(suggested);
    if (name.isEmpty())
        return;
    // A name on drive A: is a floppy; elsewhere the split is chosen with the
    // check box.
    const bool driveA = name.startsWith(QLatin1String("A:"), Qt::CaseInsensitive);
    if (driveA)
        m_dialogs.information(msg::kFloppyDrive);
    m_archive.setMaxSize(driveA || m_volumes->isChecked() ? kFloppySize : 0);
    m_archive.setBackupTitle(QStringLiteral("Quirels"));
    m_archive.setBackupMode(TBackupMode::bmAll);
    m_archive.setCompressionLevel(TCompressionLevel::clFastest);
    m_archive.setSaveFileID(true);
    m_archive.setSetArchiveFlag(true);
    m_archive.setRestoreMode(TRestoreMode::rmAll);

    refreshServer();
    bool ok = false;
    {
        BusyCursor busy;
        setRunning(true, false);
        struct Done {
            TfrmBackup *w;
            ~Done() { w->setRunning(false, false); }
        } done{this};
        ok = m_archive.Backup(selectedFiles(), name);
    }
    if (ok)
        m_dialogs.information(msg::kBackupSuccessPrefix + QString::number(m_archive.CompressionRate()) +
                              msg::kBackupSuccessSuffix);
    else
        m_dialogs.error(msg::kBackupFailed);
    // The restore page goes to the folder of the last backup, with the new
    // archive selected.
    const QString folder = QFileInfo(name).absolutePath();
    if (ok)
        m_lastBackupFolder = folder;
    setArchiveFolder(folder);
    const QString made = QFileInfo(name).absoluteFilePath();
    for (int i = 0; i < m_archives->count(); ++i)
        if (m_archives->item(i)->data(Qt::UserRole).toString() == made)
            m_archives->setCurrentRow(i);
}

void TfrmBackup::restore()
{
    QListWidgetItem *item = m_archives->currentItem();
    if (!item)
        return;
    const QString archiveName = item->data(Qt::UserRole).toString();
    const bool inPlace = m_origPath->isChecked();
    QString destination;
    if (!inPlace) {
        destination = m_path->text().trimmed();
        if (destination.isEmpty()) {
            m_dialogs.information(msg::kEnterPath);
            return;
        }
        destination = QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(destination)).absoluteFilePath());
    }
    m_archive.setRestoreMode(TRestoreMode::rmAll);
    m_archive.setRestoreFullPath(m_fullPath->isEnabled() && m_fullPath->isChecked());
    // Asked while the store is still open.
    refreshServer();
    // To the stored places the live files are replaced: the user confirms,
    // told which.
    if (inPlace && !m_dialogs.confirm(msg::kAskRestoreInPlace.arg(QDir::toNativeSeparators(archiveName),
                                                                    replacedInPlace(archiveName))))
        return;
    m_guard.setRestoringInPlace(inPlace);

    bool ok = false;
    {
        BusyCursor busy;
        // The store's files are replaced only with every cursor closed.
        if (inPlace && m_hooks.closeStore && !m_hooks.closeStore())
            return;
        setRunning(false, true);
        struct Done {
            TfrmBackup *w;
            bool reopen;
            ~Done()
            {
                w->setRunning(false, false);
                if (reopen && w->m_hooks.reopenStore)
                    w->m_hooks.reopenStore();
            }
        } done{this, inPlace};
        const bool restored = m_archive.Restore(archiveName, destination);
        ok = m_guard.checkRestored() && restored;
    }
    if (ok) {
        m_dialogs.information(msg::kScreenRestoreSuccess.arg(m_archive.FilesDone()).arg(m_archive.FileCount()));
    } else {
        if (!m_archive.FailureDetail().isEmpty())
            store::logDetail(m_hooks.dataFolder, m_archive.FailureDetail(), QStringLiteral("restauração"));
        m_dialogs.error(msg::kRestoreFailed);
    }
}

QString TfrmBackup::replacedInPlace(const QString &archiveName)
{
    QStringList lines;
    QString title;
    m_archive.GetArchiveInfo(archiveName, &lines, title);
    QStringList names;
    for (const QString &line : lines) {
        const QString path = fileInfoPath(line);
        if (m_server && QFileInfo(path).fileName().compare(kServerSnapshotFile, Qt::CaseInsensitive) == 0)
            names.append(msg::kAskRestoreServer.arg(m_server->display()));
        else
            names.append(QDir::toNativeSeparators(path));
    }
    if (names.isEmpty())
        names.append(msg::kAskRestoreUnlisted);
    return names.join(QLatin1Char('\n'));
}

void TfrmBackup::cancelOrClose() { close(); }

void TfrmBackup::closeEvent(QCloseEvent *e)
{
    if (m_archive.Busy()) {
        if (!m_dialogs.confirm(msg::kAskAbort)) {
            e->ignore();
            return;
        }
        m_archive.Abort();
    }
    QWidget::closeEvent(e);
}

void TfrmBackup::setFolders(const QString &dataFolder, const QString &archiveFolder)
{
    m_hooks.dataFolder = dataFolder;
    refreshServer();
    if (archiveFolder != m_hooks.archiveFolder) {
        m_hooks.archiveFolder = archiveFolder;
        if (m_archiveFolder->text().isEmpty())
            setArchiveFolder(m_lastBackupFolder.isEmpty() ? archiveFolder : m_lastBackupFolder);
    }
}

void TfrmBackup::showArchiveInfo()
{
    m_info->clear();
    QListWidgetItem *item = m_archives->currentItem();
    if (!item) {
        m_title->clear();
        m_content->clear();
        return;
    }
    QStringList lines;
    QString title;
    m_archive.GetArchiveInfo(item->data(Qt::UserRole).toString(), &lines, title);
    m_title->setText(title);
    if (title.isEmpty()) {
        m_content->clear();
        return;
    }
    m_content->setText(screenContentsLine(m_archive.FileCount(), m_archive.TotalSize()));
    if (lines.isEmpty()) {
        m_info->setPlainText(msg::kScreenNoFileInfo);
        return;
    }
    QStringList shown;
    for (const QString &line : lines)
        shown.append(screenFileInfoLine(line));
    m_info->setPlainText(shown.join(QLatin1Char('\n')));
}

} // namespace quirels::backup::ui
