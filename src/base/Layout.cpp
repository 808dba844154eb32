#include "Layout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace quirels::layout {

namespace {

const QString kFolder = QStringLiteral("quirels");
const QString kStoreConfig = QStringLiteral("armazenamento.ini");

QString settingsFileName(const QString &executableName)
{
    const qsizetype dot = executableName.lastIndexOf(QLatin1Char('.'));
    return (dot > 0 ? executableName.left(dot) : executableName) + QStringLiteral(".ini");
}

bool inGroup(gid_t gid)
{
    if (getegid() == gid)
        return true;
    const int n = getgroups(0, nullptr);
    if (n <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<size_t>(n));
    const int got = getgroups(n, groups.data());
    for (int i = 0; i < got; ++i)
        if (groups[static_cast<size_t>(i)] == gid)
            return true;
    return false;
}

QString storeConfigPath(const Inputs &in, bool installed)
{
    // A file that exists and may be written, or, missing, one whose folder may be.
    const auto fileWritable = [&in](const QString &path) {
        const QFileInfo f(path);
        const QString probed = f.exists() ? f.absoluteFilePath() : f.absolutePath();
        return QFileInfo::exists(probed) && (in.writable ? in.writable(probed) : writable(probed));
    };
    const QString user = QDir(in.configHome).filePath(kFolder + QLatin1Char('/') + kStoreConfig);
    if (!installed) {
        if (!in.systemConfigFolder.isEmpty()) {
            const QString machine = QDir(in.systemConfigFolder).filePath(kFolder + QLatin1Char('/') + kStoreConfig);
            if (fileWritable(machine))
                return QFileInfo(machine).absoluteFilePath();
        }
        return user;
    }
    // The administrator's file is the machine's when the user may change it
    // or when the user has none of their own; otherwise the user's own.
    const QString machine = QDir(in.machineConfigFolder).filePath(kStoreConfig);
    if (fileWritable(machine) || (QFileInfo::exists(machine) && !QFileInfo::exists(user)))
        return machine;
    return user;
}

} // namespace

bool writable(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    // access() honours read-only mounts and ACLs; the bits below keep root
    // from counting as able to write a folder that grants nobody writing.
    if (::access(native.constData(), W_OK) != 0)
        return false;
    struct stat st;
    if (::stat(native.constData(), &st) != 0)
        return false;
    if (st.st_uid == geteuid())
        return (st.st_mode & S_IWUSR) != 0;
    if (inGroup(st.st_gid))
        return (st.st_mode & S_IWGRP) != 0;
    return (st.st_mode & S_IWOTH) != 0;
}

Inputs systemInputs(const QString &executableName)
{
    Inputs in;
    in.programFolder = QCoreApplication::applicationDirPath();
    in.executableName = executableName.isEmpty() ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                                                 : executableName;
    in.currentFolder = QDir::currentPath();
    in.configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    in.dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    // The documents folder as the desktop names it (xdg-user-dirs); without
    // one, the Portuguese name in the home folder.
    in.documentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (in.documentsFolder.isEmpty() || !QFileInfo(in.documentsFolder).isDir())
        in.documentsFolder = QDir::home().filePath(QStringLiteral("Documentos"));
    const QStringList system = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    if (system.size() > 1)
        in.systemConfigFolder = system.last();
    in.machineConfigFolder = QStringLiteral("/etc/quirels");
    return in;
}

Places decide(const Inputs &in)
{
    Places p;
    const QString folder = QDir::cleanPath(in.programFolder);
    const bool writable = in.writable ? in.writable(folder) : layout::writable(folder);
    p.installed = folder.startsWith(QStringLiteral("/usr/")) || !writable;
    const QString ini = settingsFileName(in.executableName);
    if (p.installed) {
        const QString own = QDir(in.configHome).filePath(kFolder);
        p.settingsPath = QDir(own).filePath(ini);
        p.dataFolder = QDir(in.dataHome).filePath(kFolder + QStringLiteral("/dados"));
        p.xmlFolder = QDir(in.documentsFolder).filePath(QStringLiteral("Quirels"));
    } else {
        p.settingsPath = QDir(folder).filePath(ini);
        p.dataFolder = QDir(in.currentFolder).filePath(QStringLiteral("dados"));
        p.xmlFolder = QDir(in.currentFolder).filePath(QStringLiteral("ArquivoXML"));
    }
    p.storeConfigPath = storeConfigPath(in, p.installed);
    // The manual sits in the same place relative to the program in the
    // build tree and in the installed tree: bin/../share/quirels/manual.
    p.manualFolder = QDir::cleanPath(QDir(folder).filePath(QStringLiteral("../share/quirels/manual")));
    return p;
}

Places forProgram(const QString &executableName) { return decide(systemInputs(executableName)); }

} // namespace quirels::layout
