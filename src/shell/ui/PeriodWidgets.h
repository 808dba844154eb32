#pragma once
// Pieces shared by the open, deletion and responsible-person windows: the
// month and year pickers and a progress shown in a dialog.

#include "base/Dialogs.h"
#include "store/PeriodKey.h"

#include <optional>

class QComboBox;
class QLabel;
class QProgressBar;
class QWidget;

namespace quirels {

// Month codes "JAN" .. "DEZ" in calendar order, no free text, nothing chosen.
void fillMonthPicker(QComboBox *combo);
// Years "2003" .. "2030", no free text, nothing chosen.
void fillYearPicker(QComboBox *combo);
// Puts a month and a year picker on the period; without one, they are left
// as they are.
void showPeriod(QComboBox *month, QComboBox *year, const std::optional<PeriodKey> &period);

// A progress label and bar inside a frame that is shown while the work runs
// and repainted as the value moves on.
class FrameProgress : public Progress {
public:
    FrameProgress(QWidget *frame, QLabel *label, QProgressBar *bar) : m_frame(frame), m_label(label), m_bar(bar) {}
    void setLabel(const QString &label) override;
    void setRange(qint64 maximum) override;
    void setValue(qint64 value) override;
    void hide();

private:
    void paintNow();
    QWidget *m_frame;
    QLabel *m_label;
    QProgressBar *m_bar;
    qint64 m_max = 0;
    qint64 m_scale = 1;
    int m_lastPermille = -1;
};

} // namespace quirels
