#include <gtest/gtest.h>

#include "base/Numbers.h"

#if defined(QUIRELS_TEST_WIDGETS)
#include <QApplication>
using App = QApplication;
#elif defined(QUIRELS_TEST_GUI)
#include <QGuiApplication>
using App = QGuiApplication;
#else
#include <QCoreApplication>
using App = QCoreApplication;
#endif

int main(int argc, char **argv)
{
    App app(argc, argv);
    // Tests fix the regional settings to Portuguese (Brazil).
    quirels::numbers::setAppLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
