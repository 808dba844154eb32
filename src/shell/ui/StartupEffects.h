#pragma once
// The start of the desktop program: the main window fades in, the hourglass
// shows until the splash window closes four seconds later.

#include <QObject>
#include <QPointer>

class QMainWindow;
class QTimer;
class QWidget;

namespace quirels {

class StartupEffects : public QObject {
public:
    // With `enabled` false nothing fades and no splash timer runs (tests).
    StartupEffects(QMainWindow &window, bool enabled);
    ~StartupEffects() override;

    // Shows the splash window; it closes after four seconds.
    void showSplash();
    QWidget *splash() const { return m_splash; }

private:
    void fadeStep();
    void closeSplash();

    QMainWindow &m_window;
    QTimer *m_fadeTimer = nullptr;
    QTimer *m_splashTimer = nullptr;
    QPointer<QWidget> m_splash;
    int m_fadeLevel = 0;
};

} // namespace quirels
