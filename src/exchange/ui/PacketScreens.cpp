#include "PacketScreens.h"

#include "DeclarationDialog.h"
#include "PacketWindow.h"
#include "shell/ui/MainWindow.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <memory>

namespace quirels::exchange::ui {

void installPacketScreens(MainWindow &window)
{
    MainWindow *w = &window;
    window.registerScreen(screens::kDeclaracao, [w](const QString &) {
        TfrmDiscoQuirels dialog(w->db(), w->currentPeriod(), w->xmlFolder(), w->dialogs(), w);
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
            // The stored month may be the one the data module was on.
            QObject::connect(xml, &TfrmXML::imported, w, [w] { w->reloadData(w->currentPeriod()); });
        }
        const bool loaded = xml->load(path);
        if (auto *frame = qobject_cast<QMdiSubWindow *>(xml->parentWidget()))
            frame->showMaximized();
        return loaded;
    });
}

} // namespace quirels::exchange::ui
