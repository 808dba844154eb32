#pragma once
// A progress bar on standard error when it is a terminal; nothing otherwise.

#include "base/Dialogs.h"

namespace quirels::cli {

class ConsoleProgress : public Progress {
public:
    ConsoleProgress();
    ~ConsoleProgress() override;
    void setLabel(const QString &label) override;
    void setRange(qint64 maximum) override;
    void setValue(qint64 value) override;

private:
    void draw();
    bool m_tty;
    QString m_label;
    qint64 m_max = 0;
    qint64 m_value = 0;
    int m_lastPercent = -1;
    bool m_drawn = false;
};

} // namespace quirels::cli
