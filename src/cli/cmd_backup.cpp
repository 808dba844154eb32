#include "BackupCommon.h"

#include "backup/Messages.h"
#include "backup/store/StoreGuard.h"
#include "base/Cp1252.h"

#include <QDir>

namespace quirels::cli {

namespace {

bool isPlainFileArgument(const QString &arg)
{
    const QString t = arg.trimmed();
    return !t.contains(QLatin1Char('*')) && !t.contains(QLatin1Char('?')) &&
           !t.endsWith(QLatin1String("/s"), Qt::CaseInsensitive);
}

} // namespace

// backup ARQUIVO.bck [ARQUIVO...] [--volume BYTES] [--nivel 0|1|6|9] [--titulo T] [--sem-lista]
static int backupCommand(Context &ctx)
{
    using namespace backup;
    const QString command = QStringLiteral("backup");
    QStringList positional;
    qint64 volume = 0;
    TCompressionLevel level = TCompressionLevel::clFastest;
    QString title = QStringLiteral("Quirels");
    bool fileList = true;
    for (int i = 0; i < ctx.args.size(); ++i) {
        const QString &a = ctx.args.at(i);
        if (a == QLatin1String("--volume") || a == QLatin1String("--nivel") || a == QLatin1String("--titulo")) {
            if (i + 1 >= ctx.args.size())
                return usageError(command);
            const QString v = ctx.args.at(++i);
            if (a == QLatin1String("--titulo")) {
                title = v;
                continue;
            }
            bool ok = false;
            const qint64 n = v.toLongLong(&ok);
            if (a == QLatin1String("--volume")) {
                if (!ok || n < 0 || (n > 0 && n <= kDiskMargin) || n > std::numeric_limits<qint32>::max()) {
                    ctx.dialogs->error(msg::kCliBadVolume.arg(v));
                    return kUsage;
                }
                volume = n;
            } else {
                if (!ok || (n != 0 && n != 1 && n != 6 && n != 9)) {
                    ctx.dialogs->error(msg::kCliBadLevel.arg(v));
                    return kUsage;
                }
                level = n == 0 ? TCompressionLevel::clNone
                        : n == 1 ? TCompressionLevel::clFastest
                        : n == 6 ? TCompressionLevel::clDefault
                                 : TCompressionLevel::clMax;
            }
        } else if (a == QLatin1String("--sem-lista")) {
            fileList = false;
        } else if (a.startsWith(QLatin1String("--"))) {
            return usageError(command);
        } else {
            positional.append(a);
        }
    }
    // With the store on a server, the archive holds the database's snapshot
    // and the files are optional.
    const Result<store::OpenOptions> store = storeOptions(ctx);
    if (!store)
        return fail(ctx, store.error());
    if (positional.size() < (store->server ? 1 : 2))
        return usageError(command);
    if (Result<QByteArray> t = cp1252::encode(title); !t)
        return fail(ctx, makeError(t.message(), kUsage));
    const QString archiveName = QDir::cleanPath(QFileInfo(positional.takeFirst()).absoluteFilePath());
    for (const QString &f : positional) {
        if (isPlainFileArgument(f) && !QFileInfo(f.trimmed()).isFile()) {
            ctx.dialogs->error(msg::kCliFileNotFound.arg(QDir::toNativeSeparators(f)));
            return kUsage;
        }
    }

    TBackupArchive archive(*ctx.dialogs);
    StoreGuard guard(archive, *ctx.dialogs);
    if (store->server)
        guard.setServer(ServerTarget{*store->server, store->password}, ctx.dataFolder);
    archive.setBackupTitle(title);
    archive.setBackupMode(TBackupMode::bmAll);
    archive.setCompressionLevel(level);
    archive.setSaveFileID(fileList);
    archive.setSetArchiveFlag(true);
    archive.setRestoreMode(TRestoreMode::rmAll);
    archive.setMaxSize(static_cast<qint32>(volume));
    // Continuation volumes are written beside the first without a prompt.
    archive.OnNeedDisk = [](quint16, bool &cont) { cont = true; };
    showProgress(ctx, archive);

    if (archive.Backup(positional, archiveName)) {
        ctx.dialogs->information(msg::kBackupSuccessPrefix + QString::number(archive.CompressionRate()) +
                                 msg::kBackupSuccessSuffix);
        return kOk;
    }
    ctx.dialogs->error(msg::kBackupFailed);
    return archive.FailureCode() != 0 ? kUsage : kRefused;
}

QUIRELS_CLI_COMMAND("backup", "ARQUIVO.bck [ARQUIVO...] [--volume BYTES] [--nivel 0|1|6|9] [--titulo T] [--sem-lista]",
                    backupCommand);

} // namespace quirels::cli
