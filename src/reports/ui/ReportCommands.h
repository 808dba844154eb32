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

class QAction;
class QMdiSubWindow;

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
    // "Imprimir Todos os Anexos": every enabled annex to the printer; without
    // a printer, after a question, every annex in one preview (one PDF).
    void printAll();
    // Every enabled annex, in order, in one preview. False when nothing was shown.
    bool previewAll();
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
    // The options window goes with what it belongs to: hidden while a window
    // of another annex is the active one, shown again with its annex window
    // or one of its previews, closed with the company.
    void followActiveWindow(QMdiSubWindow *active);
    bool belongsToOptions(QMdiSubWindow *window) const;
    // "Janela > Opções de Impressão": the options window, to the front.
    void showOptions();
    bool settlePendingRows();
    void moveOptionsAside();
    void prepare(QChar annex);

    MainWindow &m_window;
    ReportEnv m_env;
    QPrinter m_printer;
    QPointer<TfrmConfigRelatorio> m_options;
    QPointer<TfrmPreview> m_lastPreview;
    QPointer<TfrmPreview> m_productPreview;
    QAction *m_optionsCommand = nullptr;
    bool m_optionsHidden = false; // hidden by followActiveWindow, not by the clerk
};

// Registers the report commands with the main window.
void installReportScreens(MainWindow &window);

} // namespace quirels::reports::ui
