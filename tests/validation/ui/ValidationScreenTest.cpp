#include "../MonthFixture.h"
#include "base/Dialogs.h"
#include "shell/ui/MainWindow.h"
#include "validation/ui/ValidationReportWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::validation;

namespace {

TfrmInconsistenciaQuirels *reportIn(MainWindow &w)
{
    for (QMdiSubWindow *sub : w.mdiArea()->subWindowList())
        if (auto *r = qobject_cast<TfrmInconsistenciaQuirels *>(sub->widget()))
            return r;
    return nullptr;
}

} // namespace

TEST(ValidationScreen, ValidateShowsTheReportAndDecidesFileGeneration)
{
    test::Month month({8});
    ScriptedDialogs dialogs;
    MainWindow::Options o;
    o.dialogs = &dialogs;
    o.dataFolder = month.store.folder();
    o.openStore = false;
    MainWindow window(o);
    window.show();
    window.setCurrentPeriod(month.period);
    window.openAnnexWindows();
    auto enabled = [&](const char *name) { return window.command(QString::fromLatin1(name))->isEnabled(); };

    // Group VIII without a transport: an error keeps generation off.
    window.command(QStringLiteral("mniValidar"))->trigger();
    TfrmInconsistenciaQuirels *report = reportIn(window);
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->report().hasErrors());
    EXPECT_TRUE(window.validationError());
    EXPECT_FALSE(enabled("mniGerarArquivo"));
    EXPECT_FALSE(enabled("btnEnviarArquivo"));

    // Corrected and validated again: the same window, no error, generation on.
    month.insert("Transporte", {{"NmProduto", QStringLiteral("ACETONA")}});
    window.command(QStringLiteral("btnValidar"))->trigger();
    EXPECT_EQ(reportIn(window), report);
    EXPECT_EQ(report->report().errors(), 0);
    EXPECT_FALSE(window.validationError());
    for (const char *n : {"mniGerarArquivo", "mniEnviarArquivo", "btnGerarArquivo", "btnEnviarArquivo"})
        EXPECT_TRUE(enabled(n)) << n;
    EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.texts().join(QLatin1Char('\n')));

    // As at the end of the program: the main window closes its children.
    EXPECT_TRUE(window.close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
