#include "reports/Application.h"

#include <QGuiApplication>

namespace quirels::reports {

std::unique_ptr<QCoreApplication> makeHeadlessApplication(int &argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace quirels::reports
