#include "BackupCommon.h"

#include "backup/Messages.h"

#include <QDir>

namespace quirels::cli {

// conteudo ARQUIVO.bck: the title, the contents line and one line per
// archived file, as the restore page shows them.
static int conteudoCommand(Context &ctx)
{
    using namespace backup;
    if (ctx.args.size() != 1 || ctx.args.first().startsWith(QLatin1String("--")))
        return usageError(QStringLiteral("conteudo"));
    const QString archiveName = ctx.args.first();
    if (!QFileInfo::exists(archiveName)) {
        ctx.dialogs->error(msg::kCliFileNotFound.arg(QDir::toNativeSeparators(archiveName)));
        return kUsage;
    }
    TBackupArchive archive(*ctx.dialogs);
    QStringList lines;
    QString title;
    archive.GetArchiveInfo(archiveName, &lines, title);
    if (archive.FailureCode() != 0)
        return kUsage;
    ctx.dialogs->information(title);
    if (title.isEmpty())
        return kOk;
    ctx.dialogs->information(contentsLine(archive.FileCount(), archive.TotalSize()));
    if (lines.isEmpty())
        ctx.dialogs->information(msg::kNoFileInfo);
    for (const QString &line : lines)
        ctx.dialogs->information(fileInfoDisplayLine(line));
    return kOk;
}

QUIRELS_CLI_COMMAND("conteudo", "ARQUIVO.bck", conteudoCommand);

} // namespace quirels::cli
