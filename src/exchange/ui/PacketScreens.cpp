#include "PacketScreens.h"

#include "DeclarationDialog.h"
#include "PacketWindow.h"
#include "base/Settings.h"
#include "exchange/Messages.h"
#include "shell/ui/MainWindow.h"

#include <QDir>

#include <QMdiSubWindow>
#include <QPointer>
#include <memory>

namespace quirels::exchange::ui {

void installPacketScreens(MainWindow &window)
{
    MainWindow *w = &window;
    window.registerScreen(screens::kDeclaracao, [w](const QString &) {
        TfrmDiscoQuirels dialog(w->db(), w->currentPeriod(), w->xmlFolder(), w->dialogs(), w);
        // A folder chosen there is the XML folder from now on.
        dialog.setFolderChosen([w](const QString &folder) {
            w->setDataFolder(w->dataFolder(), folder);
            if (w->settingsPath().isEmpty())
                return;
            IniFile ini(w->settingsPath());
            Status s = ini.load();
            if (s) {
                ini.setValue(settings::kSection, settings::kArquivoXml, QDir::toNativeSeparators(folder));
                s = ini.save();
            }
            if (!s)
                w->dialogs().error(msg::kPastaNaoLembrada.arg(s.message()));
        });
        dialog.exec();
        return true;
    });

    // One import window, created on first use; closing it destroys it.
    auto current = std::make_shared<QPointer<TfrmXML>>();
    window.registerScreen(screens::kImportacaoXml, [w, current](const QString &path) {
        TfrmXML *xml = *current;
        if (!xml) {
            xml = new TfrmXML(w->db(), w->dialogs());
            *current = xml;
            w->addChild(xml);
            QObject::connect(xml, &TfrmXML::closed, w, [w] { w->setMessage(QString()); });
            // The imported month is opened, as "Abrir Empresa" opens one.
            QObject::connect(xml, &TfrmXML::imported, w, [w, xml] {
                const PeriodKey period = xml->packetPeriod();
                if (!period.isValid() || !w->reloadData(period)) {
                    w->reloadData(w->currentPeriod());
                    return;
                }
                if (w->setCurrentPeriod(period))
                    w->openAnnexWindows();
            });
        }
        const bool loaded = xml->load(path);
        if (auto *frame = qobject_cast<QMdiSubWindow *>(xml->parentWidget()))
            frame->showMaximized();
        return loaded;
    });
}

} // namespace quirels::exchange::ui
