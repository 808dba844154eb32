#pragma once
// The application object for programs that draw reports without showing a
// window (the command-line tool): a QGuiApplication, on the offscreen
// platform unless QT_QPA_PLATFORM chooses another, so that fonts and PDF
// output work without a display.

#include <QCoreApplication>
#include <memory>

namespace quirels::reports {

std::unique_ptr<QCoreApplication> makeHeadlessApplication(int &argc, char **argv);

} // namespace quirels::reports
