#include "Composition.h"
#include "base/Numbers.h"
#include "base/ui/ButtonEnter.h"
#include "base/ui/QtTexts.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/Splash.h"

#include <QApplication>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    // Without a display there is nothing to show: say so and how to run it.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "quirels: não há tela disponível (DISPLAY não definido); "
                             "para executar sem tela use: xvfb-run -a %s\n", argv[0]);
        return 1;
    }
    // 1. The application and its regional settings.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quirels"));
    QApplication::setWindowIcon(quirels::applicationIcon());
    QLocale::setDefault(quirels::numbers::appLocale());
    quirels::installQtTranslations();
    quirels::enterPressesFocusedButton();

    // The subsystems' screens go into every main window's registry.
    quirels::app::compose();

    // 2. The main window reads the settings and decides the data folder;
    // 3. it opens the store, showing the store's message when that fails.
    quirels::MainWindow::Options options;
    options.startupEffects = true;
    quirels::MainWindow window(options);
    // Maximised; the screen's size is also set for desktops without a
    // window manager, which ignore the maximised state.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();

    // 5. The splash, on top, for four seconds.
    window.showSplash();

    // 6. The event loop runs until the main window is closed.
    return app.exec();
}
