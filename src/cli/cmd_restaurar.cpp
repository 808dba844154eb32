#include "BackupCommon.h"

#include "backup/Messages.h"
#include "backup/store/StoreGuard.h"
#include "store/StoreError.h"

#include <QDir>

namespace quirels::cli {

// restaurar ARQUIVO.bck [--destino PASTA] [--caminho-completo]
static int restaurarCommand(Context &ctx)
{
    using namespace backup;
    const QString command = QStringLiteral("restaurar");
    QString archiveName;
    QString destination;
    bool otherPath = false;
    bool fullPath = false;
    for (int i = 0; i < ctx.args.size(); ++i) {
        const QString &a = ctx.args.at(i);
        if (a == QLatin1String("--destino")) {
            if (i + 1 >= ctx.args.size())
                return usageError(command);
            destination = ctx.args.at(++i);
            otherPath = true;
        } else if (a == QLatin1String("--caminho-completo")) {
            fullPath = true;
        } else if (a.startsWith(QLatin1String("--")) || !archiveName.isEmpty()) {
            return usageError(command);
        } else {
            archiveName = a;
        }
    }
    if (archiveName.isEmpty())
        return usageError(command);
    if (otherPath && destination.trimmed().isEmpty()) {
        ctx.dialogs->information(msg::kEnterPath);
        return kRefused;
    }
    archiveName = QDir::cleanPath(QFileInfo(archiveName).absoluteFilePath());
    if (otherPath)
        destination = QDir::cleanPath(QFileInfo(destination).absoluteFilePath());

    const Result<store::OpenOptions> store = storeOptions(ctx);
    if (!store)
        return fail(ctx, store.error());

    TBackupArchive archive(*ctx.dialogs);
    StoreGuard guard(archive, *ctx.dialogs);
    // A snapshot of a server database is loaded into the server's database
    // when restoring to the stored places.
    if (store->server)
        guard.setServer(ServerTarget{*store->server, store->password}, ctx.dataFolder);
    guard.setRestoringInPlace(!otherPath);
    archive.setRestoreMode(TRestoreMode::rmAll);
    // The full-path option only applies when restoring into another folder.
    archive.setRestoreFullPath(otherPath && fullPath);
    // Continuation volumes are looked for beside the first.
    archive.OnNeedDisk = [&ctx, &archiveName](quint16 disk, bool &cont) {
        const QString next = TBackupArchive::diskFileName(archiveName, disk);
        cont = QFileInfo::exists(next);
        if (!cont)
            ctx.dialogs->error(msg::kCliVolumeNotFound.arg(QDir::toNativeSeparators(next)));
    };
    showProgress(ctx, archive);

    const bool exists = QFileInfo::exists(archiveName);
    const bool restored = archive.Restore(archiveName, otherPath ? destination : QString());
    const bool sound = guard.checkRestored();
    if (restored && sound) {
        ctx.dialogs->information(msg::kRestoreSuccessPrefix + QString::number(archive.FilesDone()) +
                                 msg::kRestoreSuccessFilesOf + QString::number(archive.FileCount()) +
                                 msg::kRestoreSuccessSuffix);
        return kOk;
    }
    // What went wrong and where was shown; the log keeps it too.
    if (!archive.FailureDetail().isEmpty())
        store::logDetail(ctx.dataFolder, archive.FailureDetail(), QStringLiteral("restaurar"));
    ctx.dialogs->error(msg::kRestoreFailed);
    if (guard.serverRefused())
        return kRefused;
    return !exists || archive.FailureCode() != 0 || !sound ? kUsage : kRefused;
}

QUIRELS_CLI_COMMAND("restaurar", "ARQUIVO.bck [--destino PASTA] [--caminho-completo]", restaurarCommand);

} // namespace quirels::cli
