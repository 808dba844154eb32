#include "ShellFixture.h"

#include "base/IniFile.h"
#include "base/Settings.h"
#include "entry/ui/EntryWindow.h"
#include "shell/Links.h"
#include "shell/ui/SettingsDialog.h"
#include "store/Database.h"
#include "store/Sql.h"
#include "store/StoreConfig.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

using namespace quirels;
using namespace quirels::test;

namespace {

QString readText(const QString &path)
{
    IniFile ini(path);
    EXPECT_OK(ini.load());
    return ini.text();
}

} // namespace

TEST(SettingsDialog, LocalShareIsWrittenAtOnceAndOkWritesTheSettings)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("quirels.ini"));
    const QString cfg = dir.filePath(QStringLiteral("armazenamento.ini"));
    {
        IniFile c(cfg);
        c.setText(QStringLiteral("[\\System\\Init]\r\nlocal share=talvez\r\nVERSION=4\r\n[\\Drivers\\Paradox\\Init]\r\n"
                                 "NET DIR=/antiga\r\n"));
        ASSERT_OK(c.save());
    }
    const QString data = dir.filePath(QStringLiteral("dados"));
    const QString xml = dir.filePath(QStringLiteral("xml"));
    ScriptedDialogs dialogs;
    {
        TfrmConfiguracoes d(dialogs, {ini, cfg, data, xml});
        EXPECT_EQ(d.findChild<QTabWidget *>(QStringLiteral("pgcConfiguracoes"))->currentIndex(), 1);
        EXPECT_EQ(d.dataFolder(), data);
        EXPECT_EQ(d.xmlFolder(), xml);
        d.findChild<QCheckBox *>(QStringLiteral("chkLocalShare"))->click();
        d.findChild<QPushButton *>(QStringLiteral("btnCancelar"))->click();
        EXPECT_EQ(d.result(), QDialog::Rejected);
    }
    // Cancelled: the store setting stays changed, the settings file unwritten.
    EXPECT_FALSE(QFile::exists(ini));
    EXPECT_EQ(store::config::entry(cfg, store::config::kSystemInit, store::config::kLocalShare), QStringLiteral("TRUE"));
    EXPECT_TRUE(readText(cfg).contains(QStringLiteral("LOCAL SHARE=TRUE\r\nVERSION=4\r\n")));

    {
        TfrmConfiguracoes d(dialogs, {ini, cfg, data, xml});
        EXPECT_FALSE(d.findChild<QCheckBox *>(QStringLiteral("chkLocalShare"))->isChecked());
        d.findChild<QCheckBox *>(QStringLiteral("chkLocalShare"))->click();
        d.setDataFolder(dir.path());
        d.findChild<QLineEdit *>(QStringLiteral("edtNetDir"))->setText(QStringLiteral("/srv/rede"));
        d.findChild<QPushButton *>(QStringLiteral("btnOk"))->click();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
    IniFile s(ini);
    ASSERT_OK(s.load());
    EXPECT_EQ(s.value(settings::kSection, settings::kCaminho), dir.path());
    EXPECT_EQ(s.value(settings::kSection, settings::kArquivoXml), xml);
    EXPECT_EQ(s.value(settings::kSection, settings::kLocalShare), QStringLiteral("1"));
    EXPECT_EQ(s.value(settings::kSection, settings::kNetDir), QStringLiteral("/srv/rede"));
    EXPECT_EQ(store::config::entry(cfg, store::config::kDriverInit, store::config::kNetDir), QStringLiteral("/srv/rede"));

    // The box read as ticked from the settings writes the store setting at once.
    ASSERT_OK(store::config::changeEntry(cfg, store::config::kSystemInit, store::config::kLocalShare,
                                         QStringLiteral("FALSE")));
    {
        TfrmConfiguracoes d(dialogs, {ini, cfg, data, xml});
        EXPECT_TRUE(d.findChild<QCheckBox *>(QStringLiteral("chkLocalShare"))->isChecked());
        EXPECT_EQ(d.dataFolder(), dir.path());
    }
    EXPECT_EQ(store::config::entry(cfg, store::config::kSystemInit, store::config::kLocalShare), QStringLiteral("TRUE"));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.texts().join(QLatin1Char('\n')));
}

TEST_F(ShellTest, WebAddressesComeFromTheSettingsFile)
{
    IniFile ini(window->settingsPath());
    ini.setValue(shell::links::kSection, shell::links::kSiteOrz.key, QStringLiteral("https://exemplo.org/orz"));
    ASSERT_OK(ini.save());
    window->command(QStringLiteral("mniSiteORZ"))->trigger();
    window->command(QStringLiteral("mniSiteEstravim"))->trigger();
    EXPECT_EQ(opened, (QStringList{QStringLiteral("https://exemplo.org/orz"), shell::links::kSiteEstravim.address}));
}

// "&Ok" reconnects with the journal mode of the machine's store
// configuration (changed at once by the box, even when that dialog was
// cancelled), not with the box's copy in the settings file; the open month
// and its screens carry on over the new connection.
TEST_F(ShellTest, OkReconnectsWithTheJournalModeOfTheStoreConfiguration)
{
    addCompany(kCnpj, {1});
    openPeriod(kCnpj);
    const auto journalMode = [this] {
        QSqlDatabase db = window->db();
        return sql::scalar(db, QStringLiteral("PRAGMA journal_mode")).value().toString();
    };
    ASSERT_EQ(journalMode(), QStringLiteral("wal"));
    // The store leaves its log mode only when no other connection has it open.
    store::close(QStringLiteral("fixture"));
    // Runs the settings dialog, pressing the named buttons in it.
    const auto settingsDialog = [this](QStringList buttons) {
        QTimer::singleShot(0, [buttons] {
            auto *d = qobject_cast<TfrmConfiguracoes *>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            for (const QString &b : buttons)
                d->findChild<QAbstractButton *>(b)->click();
        });
        return window->runScreen(screens::kConfiguracoes);
    };
    EXPECT_FALSE(settingsDialog({QStringLiteral("chkLocalShare"), QStringLiteral("btnCancelar")}));
    EXPECT_TRUE(settingsDialog({QStringLiteral("btnOk")}));
    IniFile ini(window->settingsPath());
    ASSERT_OK(ini.load());
    EXPECT_EQ(ini.value(settings::kSection, settings::kLocalShare), QStringLiteral("0"));
    EXPECT_EQ(journalMode(), QStringLiteral("delete"));

    EXPECT_TRUE(window->companyOpen());
    EXPECT_EQ(window->currentPeriod().cnpj, kCnpj);
    auto *annex = window->findChild<entry::EntryWindow *>();
    ASSERT_NE(annex, nullptr);
    Result<QStringList> names = annex->lookups().productNames();
    ASSERT_TRUE(names.ok()) << qPrintable(names.message());
    EXPECT_FALSE(names->isEmpty());
}

TEST(SettingsDialog, TheServerChoiceWritesItsAddressWithoutAPasswordAndRefusesAnIncompleteOne)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("quirels.ini"));
    const QString cfg = dir.filePath(QStringLiteral("armazenamento.ini"));
    const QString data = dir.filePath(QStringLiteral("dados"));
    const QString xml = dir.filePath(QStringLiteral("xml"));
    ScriptedDialogs dialogs;
    const auto edit = [](TfrmConfiguracoes &d, const char *name) {
        return d.findChild<QLineEdit *>(QString::fromLatin1(name));
    };
    {
        TfrmConfiguracoes d(dialogs, {ini, cfg, data, xml});
        auto *server = d.findChild<QGroupBox *>(QStringLiteral("grpServidor"));
        ASSERT_NE(server, nullptr);
        EXPECT_FALSE(server->isChecked());
        server->setChecked(true);
        edit(d, "edtServidorBanco")->setText(QStringLiteral("quirels"));
        d.findChild<QPushButton *>(QStringLiteral("btnOk"))->click();
        // No host: refused, nothing written, the dialog stays open on the first page.
        EXPECT_NE(d.result(), QDialog::Accepted);
        EXPECT_FALSE(QFile::exists(ini));
        EXPECT_EQ(d.findChild<QTabWidget *>(QStringLiteral("pgcConfiguracoes"))->currentIndex(), 0);
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0].kind, ScriptedDialogs::Kind::Error);
        EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("servidor"), Qt::CaseInsensitive))
            << qPrintable(dialogs.messages[0].text);
        edit(d, "edtServidorHost")->setText(QStringLiteral("maquina"));
        edit(d, "edtServidorPorta")->setText(QStringLiteral("5433"));
        edit(d, "edtServidorUsuario")->setText(QStringLiteral("ana"));
        d.findChild<QPushButton *>(QStringLiteral("btnOk"))->click();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
    {
        IniFile s(ini);
        ASSERT_OK(s.load());
        EXPECT_EQ(s.value(settings::kSection, settings::kServidor), QStringLiteral("postgresql://ana@maquina:5433/quirels"));
    }
    {
        // Reopened it shows the address; unticked, Ok goes back to the data folder's store.
        TfrmConfiguracoes d(dialogs, {ini, cfg, data, xml});
        auto *server = d.findChild<QGroupBox *>(QStringLiteral("grpServidor"));
        EXPECT_TRUE(server->isChecked());
        EXPECT_EQ(edit(d, "edtServidorHost")->text(), QStringLiteral("maquina"));
        EXPECT_EQ(edit(d, "edtServidorPorta")->text(), QStringLiteral("5433"));
        EXPECT_EQ(edit(d, "edtServidorUsuario")->text(), QStringLiteral("ana"));
        server->setChecked(false);
        d.findChild<QPushButton *>(QStringLiteral("btnOk"))->click();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
    IniFile s(ini);
    ASSERT_OK(s.load());
    EXPECT_TRUE(s.value(settings::kSection, settings::kServidor).isEmpty());
}
