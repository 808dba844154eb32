#include <gtest/gtest.h>

#include "base/Numbers.h"
#include "support/TestSupport.h"

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
    // Tests fix the regional settings to Portuguese (Brazil).
    quirels::numbers::setAppLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ServerEnvironment);
    const int result = RUN_ALL_TESTS();
    if (quirels::test::onServer() && quirels::test::serverUnavailable().isEmpty())
        quirels::test::finishServer();
    return result;
}
