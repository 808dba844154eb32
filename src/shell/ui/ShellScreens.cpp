#include "MainWindow.h"

#include "base/ui/Placement.h"
#include "DeletionWindow.h"
#include "OpenPeriodDialog.h"
#include "ReferenceTablesDialog.h"
#include "ResponsibleDialog.h"
#include "SettingsDialog.h"
#include "store/Cursor.h"
#include "store/DataModule.h"

#include <QPointer>
#include <memory>

namespace quirels {

// The shell's own screens, one registration each:
//     window.registerScreen(screens::kAbrirEmpresa, [&window](const QString &) { ...; return true; });
// The subsystems' screens are registered by the program (src/app).
void installShellScreens(MainWindow &window)
{
    // ---- Open dialog, deletion window, person responsible ----
    window.registerScreen(screens::kAbrirEmpresa, [&window](const QString &) {
        // The dialog moves the company cursor; left without opening, the
        // cursors go back to the period they were on.
        const PeriodKey before = window.currentPeriod();
        TfrmAbrirQuirels dialog(window.dataModule(), window.dialogs(), [&window](const PeriodKey &period) {
            window.setCurrentPeriod(period);
            window.setCommandEnabled(QStringLiteral("mniBackup"), false);
            window.openAnnexWindows();
        }, &window);
        dialog.setOpenPeriod(window.companyOpen() ? before : PeriodKey());
        if (dialog.exec() == QDialog::Accepted)
            return true;
        if (before.isValid())
            window.setCurrentPeriod(before);
        return false;
    });

    auto deletion = std::make_shared<QPointer<TfrmExclusaoQuirels>>();
    window.registerScreen(screens::kExclusao, [&window, deletion](const QString &) {
        if (!*deletion) {
            TfrmExclusaoQuirels::Hooks hooks;
            hooks.closeCompany = [&window] { return window.closeCompany(); };
            hooks.reconnect = [&window] { window.openStore(); };
            hooks.openPeriod = [&window] { return window.companyOpen() ? window.currentPeriod() : PeriodKey(); };
            *deletion = new TfrmExclusaoQuirels(window.dataModule(), window.dialogs(), hooks, &window);
            placeInside(*deletion, &window);
            // It deletes the company it showed: it closes with the company.
            window.addCompanyWindow(*deletion);
        }
        (*deletion)->show();
        (*deletion)->raise();
        (*deletion)->activateWindow();
        return true;
    });

    window.registerScreen(screens::kResponsavel, [&window](const QString &) {
        // The dialog edits the data module's company row, the open company.
        store::Cursor &empresa = window.dataModule().empresa();
        if (!empresa.isOpen() && !empresa.open().ok())
            return false; // the cursor showed the store's message
        if (!empresa.isEditing() && empresa.row() < 0)
            return false;
        return TfrmResponsavelQuirels::run(empresa, window.dialogs(), &window);
    });

    window.registerScreen(screens::kConfiguracoes, [&window](const QString &) {
        TfrmConfiguracoes dialog(window.dialogs(),
                                 {window.settingsPath(), window.storeConfigPath(), window.dataFolder(), window.xmlFolder()},
                                 &window);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        // The open month stays open when the chosen store has it.
        const PeriodKey period = window.companyOpen() ? window.currentPeriod() : PeriodKey{};
        window.setDataFolder(dialog.dataFolder(), dialog.xmlFolder());
        window.reconnect(period);
        return true;
    });

    window.registerScreen(screens::kTabelasReferencia, [&window](const QString &) {
        if (!window.ensureStore())
            return false;
        TfrmTabelasReferencia::Hooks hooks;
        hooks.before = [&window] { return window.postPendingRows(); };
        hooks.after = [&window] { window.reloadData(window.companyOpen() ? window.currentPeriod() : PeriodKey{}); };
        TfrmTabelasReferencia dialog(window.db().connectionName(), window.dialogs(), hooks, &window);
        dialog.exec();
        return true;
    });
}

} // namespace quirels
