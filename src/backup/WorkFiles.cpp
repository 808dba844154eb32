#include "WorkFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace quirels::backup {

namespace {

const QString kFilePrefix = QStringLiteral(".quirels-parcial-");
const QString kFolderPrefix = QStringLiteral(".quirels-copia-");

QString pidText() { return QString::number(static_cast<qint64>(::getpid())); }

bool running(qint64 pid)
{
    if (pid <= 0 || pid > 0x7fffffff)
        return false;
    if (pid == static_cast<qint64>(::getpid()))
        return true;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// The process number in "<prefix><pid>-...", or -1.
qint64 ownerOf(const QString &name, const QString &prefix)
{
    if (!name.startsWith(prefix))
        return -1;
    const qsizetype dash = name.indexOf(QLatin1Char('-'), prefix.size());
    if (dash <= prefix.size())
        return -1;
    bool ok = false;
    const qint64 pid = name.mid(prefix.size(), dash - prefix.size()).toLongLong(&ok);
    return ok ? pid : -1;
}

} // namespace

QString workFileName(const QString &folder, const QString &name)
{
    return QDir(folder).filePath(kFilePrefix + pidText() + QLatin1Char('-') + name);
}

QString workFolderTemplate(const QString &folder)
{
    return QDir(folder).filePath(kFolderPrefix + pidText() + QStringLiteral("-XXXXXX"));
}

int removeLeftovers(const QString &folder)
{
    int removed = 0;
    const QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList({kFilePrefix + QLatin1Char('*'), kFolderPrefix + QLatin1Char('*')},
                          QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &fi : entries) {
        const QString name = fi.fileName();
        const bool isFile = name.startsWith(kFilePrefix);
        const qint64 pid = ownerOf(name, isFile ? kFilePrefix : kFolderPrefix);
        if (pid < 0 || running(pid))
            continue;
        bool ok = false;
        if (fi.isSymLink() || !fi.isDir())
            ok = QFile::remove(fi.absoluteFilePath());
        else if (!isFile)
            ok = QDir(fi.absoluteFilePath()).removeRecursively();
        if (ok)
            ++removed;
    }
    return removed;
}

} // namespace quirels::backup
