#pragma once

namespace quirels {
class MainWindow;
}

namespace quirels::backup::ui {

// Registers "Backup e Restauração de Arquivos" with the main window: the
// window is created on first use and kept; a restore to the stored places
// closes the company and every cursor of the data module, and afterwards
// opens the store again with the company and month that were open.
void installBackupScreen(MainWindow &window);

} // namespace quirels::backup::ui
