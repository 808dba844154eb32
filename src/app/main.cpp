#include "shell/ui/MainWindow.h"

#include <QApplication>
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
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quirels"));
    quirels::MainWindow window;
    window.show();
    return app.exec();
}
