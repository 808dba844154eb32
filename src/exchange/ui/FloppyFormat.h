#pragma once
// Formatting a floppy disk before the declaration files are written to it:
// only where the platform offers its own format dialog (Windows); elsewhere
// no folder names a floppy drive and this is never asked for.

#include <QChar>

class QWidget;

namespace quirels::exchange {

enum class FormatResult { Formatted, Failed, Cancelled, Unformattable };

// Runs the system's format dialog for drive A: or B:.
FormatResult formatFloppy(QWidget *parent, QChar drive);

} // namespace quirels::exchange
