#include "Hints.h"

#include <QAction>
#include <QWidget>

namespace quirels {

HintParts splitHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return {hint, hint};
    return {hint.left(bar), hint.mid(bar + 1)};
}

void setHint(QWidget *widget, const QString &hint)
{
    const HintParts p = splitHint(hint);
    widget->setToolTip(p.shortHint);
    widget->setStatusTip(p.longHint);
}

void setHint(QAction *action, const QString &hint)
{
    const HintParts p = splitHint(hint);
    action->setToolTip(p.shortHint);
    action->setStatusTip(p.longHint);
}

} // namespace quirels
