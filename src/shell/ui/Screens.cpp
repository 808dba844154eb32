#include "MainWindow.h"
#include "exchange/ui/TextImportCommand.h"
#include "validation/ui/ValidationScreen.h"

#include "entry/ui/AnnexScreens.h"

namespace quirels {

// The screens other parts of the program supply, one line each:
//     window.registerScreen(screens::kValidacao, [&window](const QString &) { ...; return true; });
//     window.registerAnnexWindow([&window](QChar letter) -> QWidget * { ... });
void installScreens(MainWindow &window)
{
    validation::installValidationScreen(window);
    exchange::ui::installTextImport(window);
    entry::installAnnexScreens(window);
}

} // namespace quirels
