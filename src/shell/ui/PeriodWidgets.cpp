#include "PeriodWidgets.h"

#include "store/Schema.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QWidget>
#include <climits>

namespace quirels {

void fillMonthPicker(QComboBox *combo)
{
    combo->setEditable(false);
    combo->addItems(schema::monthCodes());
    combo->setCurrentIndex(-1);
}

void fillYearPicker(QComboBox *combo)
{
    combo->setEditable(false);
    for (int year = 2003; year <= 2030; ++year)
        combo->addItem(QString::number(year));
    combo->setCurrentIndex(-1);
}

void showPeriod(QComboBox *month, QComboBox *year, const std::optional<PeriodKey> &period)
{
    if (!period)
        return;
    month->setCurrentIndex(month->findText(period->mes));
    year->setCurrentIndex(year->findText(period->ano));
}

void FrameProgress::setLabel(const QString &label)
{
    m_label->setText(label);
    m_frame->show();
    paintNow();
}

void FrameProgress::setRange(qint64 maximum)
{
    m_max = maximum;
    // The bar counts in int; counts beyond that are scaled down.
    m_scale = maximum > INT_MAX ? maximum / INT_MAX + 1 : 1;
    m_bar->setRange(0, static_cast<int>(maximum / m_scale));
    m_bar->setValue(0);
    m_lastPermille = 0;
    m_frame->show();
    paintNow();
}

void FrameProgress::setValue(qint64 value)
{
    // Repainted once per thousandth of the way.
    const int permille = m_max > 0 ? static_cast<int>(qBound(qint64(0), value * 1000 / m_max, qint64(1000))) : 0;
    if (permille == m_lastPermille)
        return;
    m_lastPermille = permille;
    m_bar->setValue(static_cast<int>(value / m_scale));
    paintNow();
}

void FrameProgress::hide() { m_frame->hide(); }

void FrameProgress::paintNow()
{
    // The work runs on the interface thread: let the bar paint, but keep the
    // user's input out until it ends.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace quirels
