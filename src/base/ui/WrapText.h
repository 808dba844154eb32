#pragma once
// Texts that stay readable in a narrow window: long grid titles and long
// list lines are broken between words onto more lines (the header or the
// row grows taller) instead of being cut short.

#include <QString>

class QTreeView;

namespace quirels {

// The title with line breaks between words, each line at most `lineChars`
// characters where the words allow it (a longer word keeps its own line).
QString wrapTitle(const QString &title, int lineChars = 16);

// The view's items wrap at their column's width, and the rows take the
// height of their wrapped text again whenever a column changes width.
void wrapItemLines(QTreeView *view);

} // namespace quirels
