#pragma once
// What the backup commands share: the component wired to the console.

#include "Cli.h"

#include "backup/BackupArchive.h"

#include <QFileInfo>

namespace quirels::cli {

// Shows the component's progress on ctx.progress, labelled with the file name.
inline void showProgress(Context &ctx, backup::TBackupArchive &archive)
{
    ctx.progress->setRange(100);
    archive.OnProgress = [&ctx, last = QString()](const QString &fileName, int percent, bool &) mutable {
        if (!fileName.isEmpty() && fileName != last) {
            last = fileName;
            ctx.progress->setLabel(QFileInfo(fileName).fileName());
        }
        ctx.progress->setValue(percent);
    };
    // No event loop runs in the command-line tool.
    archive.ProcessEvents = nullptr;
}

} // namespace quirels::cli
