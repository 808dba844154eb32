#include "FloppyFormat.h"

#include <QWidget>

#ifdef Q_OS_WIN
#include <windows.h>
#include <shlobj.h>
#endif

namespace quirels::exchange {

FormatResult formatFloppy(QWidget *parent, QChar drive)
{
#ifdef Q_OS_WIN
    const UINT index = drive.toUpper() == QLatin1Char('B') ? 1 : 0;
    HWND owner = parent ? reinterpret_cast<HWND>(parent->window()->winId()) : nullptr;
    const DWORD r = SHFormatDrive(owner, index, SHFMT_ID_DEFAULT, 0);
    switch (r) {
    case SHFMT_ERROR: return FormatResult::Failed;
    case SHFMT_CANCEL: return FormatResult::Cancelled;
    case SHFMT_NOFORMAT: return FormatResult::Unformattable;
    default: return FormatResult::Formatted;
    }
#else
    Q_UNUSED(parent);
    Q_UNUSED(drive);
    return FormatResult::Failed;
#endif
}

} // namespace quirels::exchange
