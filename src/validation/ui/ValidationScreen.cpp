#include "ValidationScreen.h"

#include "ValidationReportWindow.h"
#include "shell/ui/MainWindow.h"
#include "store/Cursor.h"
#include "store/DataModule.h"
#include "validation/ConsistencyCheck.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
#include <memory>

namespace quirels::validation {

void installValidationScreen(MainWindow &window)
{
    MainWindow *w = &window;
    auto report = std::make_shared<QPointer<TfrmInconsistenciaQuirels>>();
    window.registerScreen(screens::kValidacao, [w, report](const QString &) {
        // Every pending row, including what the open screens hold, is
        // posted first; a refused post stops the command after the rule's
        // own message.
        if (!w->postPendingRows())
            return false;
        const auto producer = [w]() -> Result<ValidationReport> {
            QSqlDatabase db = w->db();
            // The product the annex XI-A screen is on.
            std::optional<int> current;
            store::Cursor &products = w->dataModule().produtos();
            if (products.state() != store::Cursor::State::Inactive && !products.isEmpty()) {
                const QVariant code = products.value(QStringLiteral("CdProduto"));
                if (!code.isNull())
                    current = code.toInt();
            }
            return runCheck(db, w->currentPeriod(), current);
        };
        const bool existed = !report->isNull();
        const bool allowed = showValidationReport(w->mdiArea(), *report, producer, w->dialogs(),
                                                  [w](QWidget *child) { return w->addChild(child); });
        TfrmInconsistenciaQuirels *r = *report;
        if (!existed && r) {
            QObject::connect(r, &TfrmInconsistenciaQuirels::checked, w,
                             [w, r] { w->setValidationError(!r->allowsGeneration()); });
            // The annex window goes to the record and field of the line.
            QObject::connect(r, &TfrmInconsistenciaQuirels::annexRequested, w,
                             [w](QChar letter, const RecordPlace &place) {
                                 QMdiSubWindow *sub = w->showAnnex(letter);
                                 if (auto *screen = sub ? dynamic_cast<RecordNavigator *>(sub->widget()) : nullptr)
                                     screen->goToRecord(place);
                             });
            // The company window closes the company (and this window) first:
            // leave the double-click before it runs.
            QObject::connect(r, &TfrmInconsistenciaQuirels::companyRequested, w, [w] {
                QTimer::singleShot(0, w, [w] {
                    QAction *a = w->command(QStringLiteral("mniInformacoesEmpresa"));
                    if (a && a->isEnabled())
                        a->trigger();
                });
            });
        }
        w->setValidationError(!allowed);
        return true;
    });
}

} // namespace quirels::validation
