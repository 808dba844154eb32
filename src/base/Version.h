#pragma once
// The program's version, set by the build (cmake/Version.cmake).

#include <QString>

namespace quirels {
QString version();
}
