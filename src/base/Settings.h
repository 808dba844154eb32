#pragma once
// The application's settings file: beside the executable, named after it with
// the extension "ini", section "Diretório".

#include "IniFile.h"
#include "Layout.h"

namespace quirels {

namespace settings {
inline const QString kSection = QStringLiteral("Diretório");
inline const QString kCaminho = QStringLiteral("Caminho");
inline const QString kArquivoXml = QStringLiteral("Arquivo XML");
inline const QString kLocalShare = QStringLiteral("Local Share");
inline const QString kNetDir = QStringLiteral("Net Dir");
// The address of the server that keeps the store ("postgresql://..."); empty
// or absent: the store is the data folder's file. Never a password.
inline const QString kServidor = QStringLiteral("Servidor");

// The executable's path with its extension replaced by "ini"; a name without
// extension gets ".ini" appended.
QString pathForExecutable(const QString &executablePath);
// The running program's settings file: named after its executable
// ("quirels" -> "quirels.ini"), beside it or, installed, in the user's
// configuration folder (layout::Places).
QString applicationSettingsPath();
// The desktop application's settings file as the command-line tool finds it:
// named after the "quirels" executable, where layout::desktop() puts it.
QString desktopSettingsPath();
} // namespace settings

struct StartupFolders {
    QString dataFolder;
    QString xmlFolder;
};

// The start-up reading: the data folder is "Caminho", or the current folder
// plus "dados" when empty; an "Arquivo XML" that is empty or exactly "C:\" is
// replaced by the current folder plus "ArquivoXML" and written back.
Result<StartupFolders> readStartupSettings(const QString &settingsPath, const QString &currentFolder);
// The same with the defaults of `places` (its data and declaration folders);
// the settings file's folder is made when the declaration folder is written
// back.
Result<StartupFolders> readStartupSettings(const QString &settingsPath, const layout::Places &places);

} // namespace quirels
