#pragma once
// The fonts of the reports: one sans-serif family in the sizes the bands ask
// for, and their metrics measured at a fixed high resolution so that layout
// does not depend on the screen.

#include "reports/PageModel.h"

#include <QFont>

namespace quirels::reports {

QFont qfont(const FontSpec &spec);

} // namespace quirels::reports
