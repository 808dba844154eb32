#include "BackupScreen.h"

#include "BackupWindow.h"
#include "shell/ui/MainWindow.h"
#include "store/DataModule.h"
#include "store/Dialect.h"

#include <QDir>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <memory>

namespace quirels::backup::ui {

namespace {

// The folder archives are made in and looked for: the one that holds the
// data folder.
QString archiveFolderOf(const QString &dataFolder)
{
    QDir d(dataFolder);
    return d.cdUp() ? d.absolutePath() : QDir::homePath();
}

} // namespace

void installBackupScreen(MainWindow &window)
{
    auto screen = std::make_shared<QPointer<TfrmBackup>>();
    auto reopen = std::make_shared<PeriodKey>();
    window.registerScreen(screens::kBackup, [&window, screen, reopen](const QString &) {
        if (!*screen) {
            TfrmBackup::Hooks hooks;
            hooks.dataFolder = window.dataFolder();
            hooks.server = [&window]() -> std::optional<ServerTarget> {
                const QSqlDatabase db = window.dataModule().database();
                if (!db.isValid() || !store::dialect::isServer(db))
                    return std::nullopt;
                ServerTarget t;
                t.url.user = db.userName();
                t.url.host = db.hostName();
                t.url.port = db.port() > 0 ? db.port() : store::kDefaultServerPort;
                t.url.database = db.databaseName();
                t.password = db.password(); // kept in memory only, handed over in the clients' environment
                return t;
            };
            hooks.archiveFolder = archiveFolderOf(window.dataFolder());
            hooks.closeStore = [&window, reopen] {
                *reopen = window.companyOpen() ? window.currentPeriod() : PeriodKey{};
                if (!window.closeCompany())
                    return false;
                window.dataModule().disconnect();
                return true;
            };
            hooks.reopenStore = [&window, reopen] {
                const PeriodKey period = *reopen;
                *reopen = PeriodKey{};
                // The month may not be in the restored store: then no company
                // stays open.
                window.reconnect(period);
            };
            *screen = new TfrmBackup(window.dialogs(), std::move(hooks), &window);
            if (const QScreen *s = QGuiApplication::primaryScreen())
                (*screen)->move(s->availableGeometry().center() - (*screen)->rect().center());
            (*screen)->showBackupPage();
        }
        TfrmBackup *w = *screen;
        w->setFolders(window.dataFolder(), archiveFolderOf(window.dataFolder()));
        w->show();
        w->raise();
        w->activateWindow();
        return true;
    });
}

} // namespace quirels::backup::ui
