#include "shell/ui/ShellFixture.h"
#include "support/TestServer.h"

#include "backup/Messages.h"
#include "backup/store/ServerSnapshot.h"
#include "backup/ui/BackupWindow.h"
#include "entry/ui/EntryWindow.h"
#include "store/DataModule.h"
#include "store/Database.h"
#include "store/Sql.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QToolButton>

using namespace quirels;
using namespace quirels::test;
using backup::ui::TfrmBackup;
namespace bmsg = quirels::backup::msg;
using Kind = ScriptedDialogs::Kind;

namespace {

template <typename T>
T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray randomBytes(int n)
{
    QByteArray b(n, Qt::Uninitialized);
    QRandomGenerator gen(7);
    for (int i = 0; i < n; ++i)
        b[i] = static_cast<char>(gen.generate() & 0xff);
    return b;
}

class BackupWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TfrmBackup::Hooks hooks;
        hooks.chooseFiles = [this](const QString &) { return nextFiles; };
        hooks.chooseArchive = [this](const QString &) { return nextArchive; };
        hooks.chooseFolder = [](const QString &) { return QString(); };
        hooks.archiveFolder = dir.path();
        hooks.dataFolder = dir.filePath(QStringLiteral("dados"));
        hooks.server = [this] { return server; };
        window = std::make_unique<TfrmBackup>(dialogs, hooks);
    }
    void TearDown() override
    {
        window.reset();
        EXPECT_TRUE(dialogs.failures.isEmpty()) << qPrintable(dialogs.failures.join(QLatin1Char('\n')));
        EXPECT_EQ(dialogs.pendingExpectations(), 0);
    }
    bool on(const char *name) { return child<QWidget>(window.get(), name)->isEnabled(); }
    void click(const char *name) { child<QAbstractButton>(window.get(), name)->click(); }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    QStringList nextFiles;
    QString nextArchive;
    std::optional<backup::ServerTarget> server;
    std::unique_ptr<TfrmBackup> window;
};

} // namespace

TEST_F(BackupWindowTest, EnablingFollowsTheListTheFlagAndTheChoices)
{
    const QString a = dir.filePath(QStringLiteral("Empresa.db"));
    const QString b = dir.filePath(QStringLiteral("mes.db"));
    ASSERT_TRUE(writeFile(a, "a"));
    ASSERT_TRUE(writeFile(b, "b"));
    for (const char *n : {"BtnBackup", "BtnClear", "UpButton", "DownButton", "BtnRestore", "EdtPath",
                          "RestorePathButton", "CbFullPath"})
        EXPECT_FALSE(on(n)) << n;
    EXPECT_TRUE(on("BtnAddFiles"));
    EXPECT_TRUE(child<QRadioButton>(window.get(), "rbOrigpath")->isChecked());

    nextFiles = {a, b, a.toUpper() == a ? a : dir.filePath(QStringLiteral("EMPRESA.DB"))};
    click("BtnAddFiles");
    // Real letter case kept; a duplicate differing only in case is left out.
    EXPECT_EQ(window->selectedFiles(), (QStringList{a, b}));
    EXPECT_TRUE(on("BtnBackup"));
    EXPECT_TRUE(on("BtnClear"));
    EXPECT_FALSE(on("UpButton"));

    child<QListWidget>(window.get(), "FileListBox")->setCurrentRow(0);
    click("DownButton");
    EXPECT_EQ(window->selectedFiles(), (QStringList{b, a}));
    EXPECT_TRUE(on("UpButton") && on("DownButton"));
    click("SortListCheckBox");
    EXPECT_EQ(window->selectedFiles(), (QStringList{a, b}));
    EXPECT_FALSE(on("UpButton") || on("DownButton"));

    click("BtnClear");
    EXPECT_TRUE(window->selectedFiles().isEmpty());
    EXPECT_FALSE(on("BtnBackup") || on("BtnClear"));

    click("rbOtherPath");
    EXPECT_TRUE(on("EdtPath") && on("RestorePathButton") && on("CbFullPath"));
    click("rbOrigpath");
    EXPECT_FALSE(on("EdtPath") || on("RestorePathButton") || on("CbFullPath"));
}

TEST_F(BackupWindowTest, BackupRestoreElsewhereAndTheArchiveInformation)
{
    const QString a = dir.filePath(QStringLiteral("dados/empresa.db"));
    QDir().mkpath(QFileInfo(a).absolutePath());
    ASSERT_TRUE(writeFile(a, QByteArray(5000, 'q')));
    nextFiles = {a};
    click("BtnAddFiles");
    nextArchive = dir.filePath(QStringLiteral("Quirels.bck"));
    dialogs.expect(Kind::Confirm, bmsg::kAskBackup, Answer::Yes);
    click("BtnBackup");
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.lastText().startsWith(bmsg::kBackupSuccessPrefix)) << qPrintable(dialogs.lastText());
    EXPECT_FALSE(child<QProgressBar>(window.get(), "ProgressBar1")->isVisible());

    // The new archive is listed; choosing it shows its information.
    auto *archives = child<QListWidget>(window.get(), "FileListBox1");
    ASSERT_EQ(archives->count(), 1);
    archives->setCurrentRow(0);
    EXPECT_EQ(child<QLineEdit>(window.get(), "ArchiveTitleEdit")->text(), QStringLiteral("Quirels"));
    // In Portuguese on the screen.
    EXPECT_EQ(child<QLineEdit>(window.get(), "ArchiveContentEdit")->text(),
              QStringLiteral("1 arquivo(s), %1 KB no total").arg((window->archive().TotalSize() + 512) / 1024));
    EXPECT_GT(window->archive().TotalSize(), 5000);
    const QString info = child<QPlainTextEdit>(window.get(), "MeFiles")->toPlainText();
    EXPECT_TRUE(info.startsWith(a + QStringLiteral(" — de "))) << qPrintable(info);
    EXPECT_TRUE(info.endsWith(QStringLiteral(", 5000 bytes"))) << qPrintable(info);
    EXPECT_EQ(child<QToolButton>(window.get(), "UpButton")->toolTip(), bmsg::kMoveUp);
    EXPECT_EQ(child<QToolButton>(window.get(), "RestorePathButton")->toolTip(), bmsg::kBrowseDataPath);
    EXPECT_TRUE(on("BtnRestore"));

    // Another folder: an empty path is refused and nothing is written.
    click("rbOtherPath");
    child<QLineEdit>(window.get(), "EdtPath")->setText(QStringLiteral("   "));
    dialogs.clear();
    dialogs.expect(Kind::Information, bmsg::kEnterPath);
    click("BtnRestore");
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{QStringLiteral("dados")});

    const QString other = dir.filePath(QStringLiteral("outra"));
    child<QLineEdit>(window.get(), "EdtPath")->setText(other);
    dialogs.expect(Kind::Information, bmsg::kScreenRestoreSuccess.arg(1).arg(1));
    click("BtnRestore");
    EXPECT_EQ(QFileInfo(QDir(other).filePath(QStringLiteral("empresa.db"))).size(), 5000);

    // A file too short to be an archive: the component's message, nothing shown.
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("curto.bck")), "abc"));
    window->setArchiveFolder(dir.path());
    dialogs.expect(Kind::Error, bmsg::kInvalidArchive);
    archives->setCurrentRow(0); // curto.bck sorts first
    EXPECT_TRUE(child<QLineEdit>(window.get(), "ArchiveTitleEdit")->text().isEmpty());
    EXPECT_TRUE(child<QLineEdit>(window.get(), "ArchiveContentEdit")->text().isEmpty());
}

TEST_F(BackupWindowTest, OnAServerStoreTheDatabaseIsListedBackedUpAndRestoredOnlyIntoAnEmptyOne)
{
    QUIRELS_REQUIRE_SERVER();
    ServerDatabase db;
    ASSERT_TRUE(db.valid()) << qPrintable(db.error());
    ASSERT_TRUE(db.exec(QStringLiteral("CREATE TABLE linha (nr serial PRIMARY KEY, texto text); "
                                       "INSERT INTO linha (texto) SELECT 'ação ' || g FROM generate_series(1, 40) g")));
    backup::ServerTarget target;
    target.url.host = db.host();
    target.url.port = db.port();
    target.url.user = db.user();
    target.url.database = db.name();
    server = target;
    window->setFolders(dir.filePath(QStringLiteral("dados")), dir.path());

    // The database is listed first, is no file to add or clear, and a
    // backup of it alone is allowed.
    auto *files = child<QListWidget>(window.get(), "FileListBox");
    ASSERT_EQ(files->count(), 1);
    EXPECT_EQ(files->item(0)->text(), bmsg::kServerListItem.arg(target.display()));
    EXPECT_TRUE(window->selectedFiles().isEmpty());
    EXPECT_TRUE(on("BtnBackup"));
    EXPECT_FALSE(on("BtnClear"));

    nextArchive = dir.filePath(QStringLiteral("Servidor.bck"));
    dialogs.expect(Kind::Confirm, bmsg::kAskBackup, Answer::Yes);
    click("BtnBackup");
    EXPECT_TRUE(dialogs.lastText().startsWith(bmsg::kBackupSuccessPrefix)) << qPrintable(dialogs.lastText());
    auto *archives = child<QListWidget>(window.get(), "FileListBox1");
    ASSERT_EQ(archives->count(), 1);
    archives->setCurrentRow(0);
    EXPECT_TRUE(child<QPlainTextEdit>(window.get(), "MeFiles")
                    ->toPlainText()
                    .startsWith(QDir(dir.filePath(QStringLiteral("dados"))).filePath(backup::kServerSnapshotFile)));

    // Back to the stored places: the database in use holds tables.
    click("rbOrigpath");
    dialogs.clear();
    const auto ask = [&] {
        return bmsg::kAskRestoreInPlace.arg(QDir::toNativeSeparators(nextArchive),
                                            bmsg::kAskRestoreServer.arg(server->display()));
    };
    dialogs.expect(Kind::Confirm, ask(), Answer::Yes);
    dialogs.expect(Kind::Error, bmsg::kServerNotEmpty.arg(target.display()));
    dialogs.expect(Kind::Error, bmsg::kRestoreFailed);
    click("BtnRestore");
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT count(*) FROM linha")).toInt(), 40);

    // Into an empty database it is loaded whole.
    ServerDatabase empty;
    ASSERT_TRUE(empty.valid()) << qPrintable(empty.error());
    server->url.database = empty.name();
    dialogs.expect(Kind::Confirm, ask(), Answer::Yes);
    dialogs.expect(Kind::Information, bmsg::kScreenRestoreSuccess.arg(1).arg(1));
    click("BtnRestore");
    EXPECT_EQ(empty.scalar(QStringLiteral("SELECT count(*) FROM linha")).toInt(), 40);
    EXPECT_EQ(empty.scalar(QStringLiteral("SELECT texto FROM linha WHERE nr = 3")).toString(), QStringLiteral("ação 3"));

    // Back on a file store, the list holds files only.
    server.reset();
    window->setFolders(dir.filePath(QStringLiteral("dados")), dir.path());
    EXPECT_EQ(files->count(), 0);
    EXPECT_FALSE(on("BtnBackup"));
}

TEST_F(BackupWindowTest, CancelDuringABackupStopsItWhenConfirmed)
{
    const QString big = dir.filePath(QStringLiteral("grande.db"));
    ASSERT_TRUE(writeFile(big, randomBytes(6 * 1024 * 1024)));
    nextFiles = {big};
    click("BtnAddFiles");
    nextArchive = dir.filePath(QStringLiteral("parcial.bck"));
    QString captionWhileRunning;
    bool addWhileRunning = true;
    QTimer::singleShot(0, window.get(), [&] {
        captionWhileRunning = child<QPushButton>(window.get(), "BtnCancel")->text();
        addWhileRunning = on("BtnAddFiles");
        // "Não" first: the backup goes on; then "Sim".
        click("BtnCancel");
        EXPECT_TRUE(window->archive().Busy());
        click("BtnCancel");
    });
    dialogs.expect(Kind::Confirm, bmsg::kAskBackup, Answer::Yes);
    dialogs.expect(Kind::Confirm, bmsg::kAskAbort, Answer::No);
    dialogs.expect(Kind::Confirm, bmsg::kAskAbort, Answer::Yes);
    dialogs.expect(Kind::Error, bmsg::kBackupFailed);
    window->show();
    click("BtnBackup");
    EXPECT_EQ(captionWhileRunning, QStringLiteral("&Cancelar"));
    EXPECT_FALSE(addWhileRunning);
    EXPECT_EQ(child<QPushButton>(window.get(), "BtnCancel")->text(), QStringLiteral("&Fechar"));
    // No partial archive under the chosen name, and no work file behind.
    EXPECT_FALSE(QFile::exists(nextArchive));
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral(".quirels-*")}, QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_FALSE(window->isVisible());
}

// Through the main window: a restore to the stored places while a month is
// open closes the company and the cursors, and opens them again.
TEST_F(ShellTest, RestoreInPlaceWhileAPeriodIsOpenKeepsTheApplicationUsable)
{
    addCompany(kCnpj, {1});
    openPeriod(kCnpj);
    ASSERT_TRUE(window->companyOpen());
    ASSERT_TRUE(window->runScreen(screens::kBackup));
    auto *w = window->findChild<TfrmBackup *>();
    ASSERT_NE(w, nullptr);
    QTemporaryDir archives;
    const QString archive = QDir(archives.path()).filePath(QStringLiteral("Quirels.bck"));
    w->hooks().chooseArchive = [&](const QString &) { return archive; };
    w->addFiles({store::databasePath(store.folder())});
    dialogs.answer(Answer::Yes);
    w->backup();
    ASSERT_TRUE(dialogs.lastText().startsWith(backup::msg::kBackupSuccessPrefix)) << qPrintable(dialogs.lastText());

    // A company added after the backup goes away with the restore.
    store.exec(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao) values ('%1', 'OUTRA')").arg(kCpf));
    store::close(QStringLiteral("fixture"));
    w->setArchiveFolder(archives.path());
    child<QListWidget>(w, "FileListBox1")->setCurrentRow(0);
    // Asked first, naming the store that would be replaced; "Não" leaves it.
    dialogs.clear();
    const QString ask = backup::msg::kAskRestoreInPlace.arg(QDir::toNativeSeparators(archive),
                                                           QDir::toNativeSeparators(store::databasePath(store.folder())));
    dialogs.expect(ScriptedDialogs::Kind::Confirm, ask, Answer::No);
    child<QPushButton>(w, "BtnRestore")->click();
    EXPECT_EQ(dialogs.messages.size(), 1);
    {
        QSqlDatabase live = window->db();
        EXPECT_EQ(sql::scalar(live, QStringLiteral("select count(*) from Empresa")).value().toInt(), 2);
    }
    dialogs.clear();
    dialogs.expect(ScriptedDialogs::Kind::Confirm, ask, Answer::Yes);
    child<QPushButton>(w, "BtnRestore")->click();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Restauração completada com sucesso: 1 de 1 arquivo(s) restaurado(s)."))
        << qPrintable(dialogs.texts().join(QLatin1Char('\n')));

    QSqlDatabase db = window->db();
    EXPECT_EQ(sql::scalar(db, QStringLiteral("select count(*) from Empresa")).value().toInt(), 1);
    EXPECT_TRUE(window->companyOpen());
    EXPECT_EQ(window->currentPeriod().cnpj, kCnpj);
    EXPECT_EQ(window->currentPeriod().mes, QStringLiteral("MAR"));
    for (store::Cursor *c : window->dataModule().cursors())
        EXPECT_TRUE(c->isOpen()) << qPrintable(c->name());
    EXPECT_FALSE(enabled("mniBackup"));
    // The store takes writes again.
    EXPECT_OK(sql::exec(db, QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao) values ('%1', 'NOVA')").arg(kCpf)));
    // The annex screen that stayed open reads the store reconnected under it.
    auto *annex = window->findChild<entry::EntryWindow *>();
    ASSERT_NE(annex, nullptr);
    Result<QStringList> names = annex->lookups().productNames();
    ASSERT_TRUE(names.ok()) << qPrintable(names.message());
    EXPECT_FALSE(names->isEmpty());
}
