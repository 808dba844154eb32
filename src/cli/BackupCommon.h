#pragma once
// What the backup commands share: the component wired to the console.

#include "Cli.h"

#include "backup/BackupArchive.h"

#include <QFileInfo>

#include <atomic>
#include <csignal>

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
    // No event loop runs in the command-line tool. Between blocks, an
    // interrupt or a termination request stops the operation the way
    // "Cancelar" does, so its work files are removed before the program ends.
    static std::atomic<bool> stop{false};
    struct sigaction sa {};
    sa.sa_handler = [](int) { stop = true; };
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &sa, nullptr);
    archive.ProcessEvents = [&archive] {
        if (stop)
            archive.Abort();
    };
}

} // namespace quirels::cli
