#include "ConsoleProgress.h"

#include <cstdio>
#include <unistd.h>

namespace quirels::cli {

ConsoleProgress::ConsoleProgress() : m_tty(isatty(STDERR_FILENO) != 0) {}

ConsoleProgress::~ConsoleProgress()
{
    if (m_drawn)
        std::fputc('\n', stderr);
}

void ConsoleProgress::setLabel(const QString &label)
{
    m_label = label;
    m_lastPercent = -1;
    draw();
}

void ConsoleProgress::setRange(qint64 maximum)
{
    m_max = maximum;
    m_lastPercent = -1;
}

void ConsoleProgress::setValue(qint64 value)
{
    m_value = value;
    draw();
}

void ConsoleProgress::draw()
{
    if (!m_tty)
        return;
    const int percent = m_max > 0 ? static_cast<int>(qBound(qint64(0), m_value * 100 / m_max, qint64(100))) : 0;
    if (percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    const int filled = percent * 30 / 100;
    const QByteArray bar = QByteArray(filled, '#') + QByteArray(30 - filled, '.');
    std::fprintf(stderr, "\r%s [%s] %3d%%", m_label.toUtf8().constData(), bar.constData(), percent);
    std::fflush(stderr);
    m_drawn = true;
}

} // namespace quirels::cli
