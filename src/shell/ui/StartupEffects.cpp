#include "StartupEffects.h"

#include "Splash.h"

#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>

namespace quirels {

StartupEffects::StartupEffects(QMainWindow &window, bool enabled) : QObject(&window), m_window(window)
{
    if (!enabled)
        return;
    window.setWindowOpacity(0.0);
    window.setCursor(Qt::WaitCursor);
    window.statusBar()->setCursor(Qt::WaitCursor);
    m_fadeTimer = new QTimer(this);
    m_fadeTimer->setInterval(10);
    connect(m_fadeTimer, &QTimer::timeout, this, [this] { fadeStep(); });
    m_fadeTimer->start();
    m_splashTimer = new QTimer(this);
    m_splashTimer->setSingleShot(true);
    m_splashTimer->setInterval(4000);
    connect(m_splashTimer, &QTimer::timeout, this, [this] { closeSplash(); });
    m_splashTimer->start();
}

StartupEffects::~StartupEffects()
{
    if (m_splash)
        delete m_splash.data();
}

void StartupEffects::fadeStep()
{
    m_fadeLevel += 10;
    if (m_fadeLevel < 250) {
        m_window.setWindowOpacity(m_fadeLevel / 255.0);
        return;
    }
    m_window.setWindowOpacity(1.0);
    m_fadeTimer->stop();
}

void StartupEffects::showSplash()
{
    if (m_splash)
        return;
    m_splash = createSplash();
    // A question asked while the window was made (a missing store) may have
    // outlasted the splash's four seconds: they count from now.
    if (m_splashTimer && !m_splashTimer->isActive())
        m_splashTimer->start();
    m_splash->show();
    m_splash->raise();
    m_splash->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void StartupEffects::closeSplash()
{
    if (m_splash) {
        m_splash->close();
        QApplication::restoreOverrideCursor();
    }
    m_window.unsetCursor();
    m_window.statusBar()->unsetCursor();
}

} // namespace quirels
