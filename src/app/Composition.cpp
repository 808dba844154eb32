#include "Composition.h"

#include "backup/ui/BackupScreen.h"
#include "entry/ui/AnnexScreens.h"
#include "entry/ui/PesqProdutos.h"
#include "exchange/ui/NfeImportWindow.h"
#include "exchange/ui/PacketScreens.h"
#include "exchange/ui/TextImportCommand.h"
#include "reports/ui/ReportCommands.h"
#include "shell/ui/MainWindow.h"
#include "validation/ui/TotalsDialog.h"
#include "validation/ui/ValidationScreen.h"

namespace quirels::app {

void installSubsystemScreens(MainWindow &window)
{
    validation::installValidationScreen(window);
    exchange::ui::installTextImport(window);
    exchange::ui::installNfeImport(window);
    exchange::ui::installPacketScreens(window);
    entry::installAnnexScreens(window);
    entry::installProductSearch(window);
    reports::ui::installReportScreens(window);
    backup::ui::installBackupScreen(window);
    validation::installTotalsScreen(window);
}

void compose() { MainWindow::setScreenInstaller(&installSubsystemScreens); }

} // namespace quirels::app
