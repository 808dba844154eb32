#pragma once
// The "Relatórios" commands of the main window: the eight annex reports
// (through the options dialog for B, C, E and F), "Imprimir Todos os Anexos",
// and the report run: empty check, then the printer in print-all mode or a
// preview window otherwise. Reports read the store through the main window's
// data module connection.

#include "reports/AnnexReports.h"
#include "reports/ui/ConfigRelatorio.h"
#include "reports/ui/PreviewWindow.h"
#include "reports/ui/ReportEnv.h"
#include "reports/ui/YearViewWindow.h"

#include <QObject>
#include <QPointer>
#include <QPrinter>

namespace quirels {
class MainWindow;
}

namespace quirels::reports::ui {

class ReportCommands : public QObject {
    Q_OBJECT
public:
    explicit ReportCommands(MainWindow &window);

    // Tests replace the printer and the PDF file choice here.
    ReportEnv &env() { return m_env; }

    // A menu command of one annex: clears print-all mode; A, D, G and H run
    // their report, B, C, E and F show the options dialog.
    void menuCommand(QChar annex);
    // "Imprimir Todos os Anexos".
    void printAll();
    // The report run of one annex report. False when nothing was printed or
    // shown (empty, refused pending row, store failure).
    bool run(QChar annex, Variant variant);
    // The listing of controlled products in a preview, in the order given;
    // while a listing is being shown it is brought forward instead and no
    // second one is made. False when nothing new was shown.
    bool productListing(ProductOrder order);
    // Any report definition in a preview window ("Salvar PDF" offers pdfName).
    bool preview(const ReportDef &def, const QString &pdfName);

    TfrmConfigRelatorio *optionsDialog() const { return m_options; }
    // The preview opened last (null when none is open).
    TfrmPreview *lastPreview() const { return m_lastPreview; }

private:
    bool settlePendingRows();
    void moveOptionsAside();
    void prepare(QChar annex);

    MainWindow &m_window;
    ReportEnv m_env;
    QPrinter m_printer;
    QPointer<TfrmConfigRelatorio> m_options;
    QPointer<TfrmPreview> m_lastPreview;
    QPointer<TfrmPreview> m_productPreview;
};

// Registers the report commands with the main window.
void installReportScreens(MainWindow &window);

} // namespace quirels::reports::ui
