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

namespace {

QtMessageHandler g_previous = nullptr;

// A connection removed while a query or a handle still uses it leaves that
// user on a dead connection: whatever it runs next fails. Qt only warns, so
// the warning fails the test that caused it.
void failOnDeadConnection(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("still in use, all queries will cease to work")))
        ADD_FAILURE() << "Qt: " << message.toStdString();
    if (g_previous)
        g_previous(type, context, message);
}

} // namespace

int main(int argc, char **argv)
{
    App app(argc, argv);
    g_previous = qInstallMessageHandler(failOnDeadConnection);
    // Tests fix the regional settings to Portuguese (Brazil).
    quirels::numbers::setAppLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
