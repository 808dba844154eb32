#pragma once
// The main window's declaration-file commands: "&Gerar Arquivo" shows the
// declaration dialog, "&Abrir..." › "Arquivo XML" loads the chosen file into
// the import window.

namespace quirels {
class MainWindow;
}

namespace quirels::exchange::ui {

void installPacketScreens(MainWindow &window);

} // namespace quirels::exchange::ui
