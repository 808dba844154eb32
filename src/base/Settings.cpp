#include "Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace quirels {

QString settings::pathForExecutable(const QString &executablePath)
{
    const QFileInfo fi(executablePath);
    const QString name = fi.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    return fi.dir().filePath(base + QStringLiteral(".ini"));
}

QString settings::applicationSettingsPath() { return pathForExecutable(QCoreApplication::applicationFilePath()); }

QString settings::desktopSettingsPath()
{
    return pathForExecutable(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quirels")));
}

Result<StartupFolders> readStartupSettings(const QString &settingsPath, const QString &currentFolder)
{
    IniFile ini(settingsPath);
    if (Status s = ini.load(); !s)
        return s.error();
    StartupFolders f;
    f.dataFolder = ini.value(settings::kSection, settings::kCaminho);
    if (f.dataFolder.isEmpty())
        f.dataFolder = QDir(currentFolder).filePath(QStringLiteral("dados"));
    f.xmlFolder = ini.value(settings::kSection, settings::kArquivoXml);
    if (f.xmlFolder.isEmpty() || f.xmlFolder == QLatin1String("C:\\")) {
        f.xmlFolder = QDir(currentFolder).filePath(QStringLiteral("ArquivoXML"));
        ini.setValue(settings::kSection, settings::kArquivoXml, QDir::toNativeSeparators(f.xmlFolder));
        if (Status s = ini.save(); !s)
            return s.error();
    }
    return f;
}

} // namespace quirels
