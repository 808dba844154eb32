#include "ValidationReport.h"

namespace quirels::validation {

void ValidationReport::add(CheckLine line, bool countItem)
{
    if (countItem)
        ++m_validated;
    if (line.kind == LineKind::Error)
        ++m_errors;
    else if (line.kind == LineKind::Alert)
        ++m_alerts;
    m_lines.append(std::move(line));
}

} // namespace quirels::validation
