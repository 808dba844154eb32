#pragma once
// "&Abrir..." › "Arquivo Texto": closes the open company after asking, lets
// the user pick the file, runs the text import with a progress window for
// big files and opens the annex windows of the company and period that the
// file left current.

#include "exchange/TextImport.h"

#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace quirels {
class Dialogs;
class MainWindow;
} // namespace quirels

namespace quirels::exchange::ui {

// What the main window provides.
struct TextImportHooks {
    std::function<bool()> companyOpen;
    // False when a child window refused to close: the command stops.
    std::function<bool()> closeCompany;
    // Run with the period current after the import.
    std::function<void(const PeriodKey &)> openAnnexWindows;
    // The period current before the import (closing the company keeps it):
    // a file without company lines leaves it current, so its annex windows
    // open again.
    std::function<PeriodKey()> currentPeriod;
    // Picks the file; empty when cancelled. The "Abrir Arquivo Texto" dialog
    // when not set.
    std::function<QString()> chooseFile;
};

// The file-open dialog "Abrir Arquivo Texto" for *.txt files; empty when
// cancelled.
QString chooseTextFile(QWidget *parent);

// Runs the command. Files bigger than progressThreshold bytes show a
// progress window while they are read. No value when nothing was imported
// because the user kept the company open or cancelled the file dialog.
std::optional<TextImportResult> runTextImport(QWidget *parent, QSqlDatabase db, Dialogs &dialogs, const TextImportHooks &hooks,
                               qint64 progressThreshold = 4 << 20);

// Puts the command behind the main window's "Arquivo Texto" item and the
// Open button's "Arquivo TXT". A chooser may replace the file dialog.
void installTextImport(MainWindow &window, std::function<QString()> chooseFile = {});

} // namespace quirels::exchange::ui
