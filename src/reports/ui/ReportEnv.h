#pragma once
// What the report windows need from their surroundings: the message seam,
// the printer, and the choice of a PDF file. Tests replace the printer and
// the file choice.

#include "base/Dialogs.h"
#include "reports/PageModel.h"

#include <QString>
#include <functional>
#include <memory>

class QPrinter;
class QWidget;

namespace quirels::reports::ui {

struct ReportEnv {
    Dialogs *dialogs = nullptr;
    // A sink printing on the printer (pages from..to, 0 0 the whole report,
    // with a progress window when asked); null when there is no printer, and
    // then nothing is printed.
    std::function<std::unique_ptr<PageSink>(QPrinter &printer, int from, int to, bool progress)> printer;
    // The PDF file to write, asked with a save dialog starting at the
    // suggested name; empty when cancelled.
    std::function<QString(QWidget *parent, const QString &suggested)> choosePdf;

    // The desktop's printer and save dialog.
    static ReportEnv desktop(Dialogs &dialogs);
};

} // namespace quirels::reports::ui
