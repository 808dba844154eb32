#include <gtest/gtest.h>

#include "base/Numbers.h"
#include "support/TestSupport.h"

#if defined(QUIRELS_TEST_WIDGETS)
#include "app/Composition.h"
#include "base/ui/ButtonEnter.h"
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
// The server variant of a suite without a server: every test is skipped
// with the reason, or fails when a server is required.
class ServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!quirels::test::onServer())
            return;
        const QString why = quirels::test::serverUnavailable();
        if (why.isEmpty())
            return;
        if (qEnvironmentVariable("QUIRELS_TEST_SERVIDOR_OBRIGATORIO") == QLatin1String("1"))
            FAIL() << qPrintable(why);
        GTEST_SKIP() << qPrintable(why);
    }
};

} // namespace

int main(int argc, char **argv)
{
    App app(argc, argv);
#if defined(QUIRELS_TEST_WIDGETS)
    // The program's application-wide keys, as the desktop program installs them.
    quirels::enterPressesFocusedButton();
#endif
    g_previous = qInstallMessageHandler(failOnDeadConnection);
    // Tests fix the regional settings to Portuguese (Brazil).
    quirels::numbers::setAppLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
#if defined(QUIRELS_TEST_WIDGETS)
    // Every main window a test makes has the subsystems' screens, as the
    // program's has.
    quirels::app::compose();
#endif
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ServerEnvironment);
    const int result = RUN_ALL_TESTS();
    if (quirels::test::onServer() && quirels::test::serverUnavailable().isEmpty())
        quirels::test::finishServer();
    return result;
}
