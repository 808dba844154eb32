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

QString settings::applicationSettingsPath() { return layout::forProgram().settingsPath; }

QString settings::desktopSettingsPath() { return layout::desktop().settingsPath; }

static Result<StartupFolders> readWithDefaults(const QString &settingsPath, const QString &dataFolder,
                                               const QString &xmlFolder)
{
    IniFile ini(settingsPath);
    if (Status s = ini.load(); !s)
        return s.error();
    StartupFolders f;
    f.dataFolder = ini.value(settings::kSection, settings::kCaminho);
    if (f.dataFolder.isEmpty())
        f.dataFolder = dataFolder;
    f.xmlFolder = ini.value(settings::kSection, settings::kArquivoXml);
    if (f.xmlFolder.isEmpty() || f.xmlFolder == QLatin1String("C:\\")) {
        f.xmlFolder = xmlFolder;
        QDir().mkpath(QFileInfo(settingsPath).absolutePath());
        ini.setValue(settings::kSection, settings::kArquivoXml, QDir::toNativeSeparators(f.xmlFolder));
        if (Status s = ini.save(); !s)
            return s.error();
    }
    return f;
}

Result<StartupFolders> readStartupSettings(const QString &settingsPath, const QString &currentFolder)
{
    return readWithDefaults(settingsPath, QDir(currentFolder).filePath(QStringLiteral("dados")),
                            QDir(currentFolder).filePath(QStringLiteral("ArquivoXML")));
}

Result<StartupFolders> readStartupSettings(const QString &settingsPath, const layout::Places &places)
{
    return readWithDefaults(settingsPath, places.dataFolder, places.xmlFolder);
}

} // namespace quirels
