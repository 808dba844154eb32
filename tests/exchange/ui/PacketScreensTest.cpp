#include "../ExchangeFixture.h"
#include "exchange/Generate.h"
#include "exchange/Messages.h"
#include "exchange/ui/DeclarationDialog.h"
#include "exchange/ui/PacketWindow.h"
#include "shell/ui/MainWindow.h"

#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::exchange;

namespace {

TfrmXML *importWindow(MainWindow &w)
{
    for (QMdiSubWindow *sub : w.mdiArea()->subWindowList())
        if (auto *x = qobject_cast<TfrmXML *>(sub->widget()))
            return x;
    return nullptr;
}

} // namespace

TEST(PacketScreens, MainWindowGeneratesAndLoadsThroughItsCommands)
{
    test::TempStore store;
    test::fillSmallPeriod(store);
    QTemporaryDir out;
    ScriptedDialogs dialogs;
    MainWindow::Options o;
    o.dialogs = &dialogs;
    o.dataFolder = store.folder();
    o.xmlFolder = out.path();
    o.openStore = false;
    MainWindow window(o);
    window.show();
    window.setCurrentPeriod(test::kSmallPeriod);

    // The declaration dialog, driven while it is modal.
    QTimer::singleShot(0, [] {
        auto *d = qobject_cast<TfrmDiscoQuirels *>(QApplication::activeModalWidget());
        ASSERT_TRUE(d);
        QTest::mouseClick(d->findChild<QPushButton *>(QStringLiteral("btnGerar")), Qt::LeftButton);
        QTest::mouseClick(d->findChild<QPushButton *>(QStringLiteral("btnFechar")), Qt::LeftButton);
    });
    ASSERT_TRUE(window.runScreen(screens::kDeclaracao));
    EXPECT_EQ(dialogs.texts(), QStringList{msg::kGravacaoConcluida});
    const GeneratedFiles files = declarationPaths(out.path(), test::kSmallPeriod);
    ASSERT_TRUE(QFile::exists(files.packetPath));

    // The import window: created once, maximised, reloaded in place.
    EXPECT_TRUE(window.runScreen(screens::kImportacaoXml, files.packetPath));
    TfrmXML *xml = importWindow(window);
    ASSERT_TRUE(xml);
    EXPECT_TRUE(xml->hasPacket());
    EXPECT_TRUE(qobject_cast<QMdiSubWindow *>(xml->parentWidget())->isMaximized());
    EXPECT_FALSE(window.runScreen(screens::kImportacaoXml, files.declarationPath));
    EXPECT_EQ(importWindow(window), xml);
    EXPECT_FALSE(xml->hasPacket());

    window.setMessage(files.packetPath);
    QTest::mouseClick(xml->findChild<QPushButton *>(QStringLiteral("btnFechar")), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(window.message(), QString());
    EXPECT_EQ(importWindow(window), nullptr);
}

// After "Importar" the imported month is the open one, with its annex windows.
TEST(PacketScreens, ImportOpensTheImportedMonth)
{
    test::TempStore source(QStringLiteral("source"));
    test::fillSmallPeriod(source);
    QTemporaryDir out;
    ScriptedDialogs quiet;
    GenerateRequest request;
    request.key = test::kSmallPeriod;
    request.folder = out.path();
    request.check = false;
    QSqlDatabase sourceDb = source.db();
    ASSERT_TRUE(generateDeclaration(sourceDb, request, quiet).ok()) << qPrintable(quiet.texts().join(QLatin1Char('|')));
    const GeneratedFiles files = declarationPaths(out.path(), test::kSmallPeriod);

    test::TempStore target;
    ScriptedDialogs dialogs;
    MainWindow::Options o;
    o.dialogs = &dialogs;
    o.dataFolder = target.folder();
    o.xmlFolder = out.path();
    MainWindow window(o);
    window.show();
    ASSERT_TRUE(window.runScreen(screens::kImportacaoXml, files.packetPath));
    TfrmXML *xml = importWindow(window);
    ASSERT_TRUE(xml);
    EXPECT_EQ(xml->packetPeriod(), test::kSmallPeriod);
    xml->importPacketNow();
    EXPECT_EQ(window.currentPeriod(), test::kSmallPeriod);
    EXPECT_NE(window.annexWindow(QLatin1Char('A')), nullptr);
}
