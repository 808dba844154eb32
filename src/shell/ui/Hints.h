#pragma once
// Hints with a short and a long part: "Nova|Permite o cadastramento ...". The
// text before "|" is the short hint shown beside the pointer (a tool tip),
// the text after it the long hint shown in the main window's message panel
// (a status tip). A hint without "|" is used for both.

#include <QString>

class QAction;
class QWidget;

namespace quirels {

struct HintParts {
    QString shortHint;
    QString longHint;
};

HintParts splitHint(const QString &hint);
void setHint(QWidget *widget, const QString &hint);
void setHint(QAction *action, const QString &hint);

} // namespace quirels
