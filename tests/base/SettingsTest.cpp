#include "base/Settings.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;

TEST(Settings, FileIsNamedAfterTheExecutable)
{
    EXPECT_EQ(settings::pathForExecutable(QStringLiteral("/opt/q/quirels")), QStringLiteral("/opt/q/quirels.ini"));
    EXPECT_EQ(settings::pathForExecutable(QStringLiteral("/opt/q/Quirels.exe")), QStringLiteral("/opt/q/Quirels.ini"));
}

TEST(Settings, MissingFileGivesDefaultsAndWritesXmlFolder)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("quirels.ini"));
    Result<StartupFolders> f = readStartupSettings(ini, QStringLiteral("/home/u/work"));
    ASSERT_OK(f);
    EXPECT_EQ(f->dataFolder, QStringLiteral("/home/u/work/dados"));
    EXPECT_EQ(f->xmlFolder, QStringLiteral("/home/u/work/ArquivoXML"));
    IniFile back(ini);
    ASSERT_OK(back.load());
    EXPECT_EQ(back.value(settings::kSection, settings::kArquivoXml), QStringLiteral("/home/u/work/ArquivoXML"));
    // Written in Windows-1252: the section name is one byte per character.
    QFile raw(ini);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_TRUE(raw.readAll().startsWith("[Diret\xf3rio]\r\n"));
}

TEST(Settings, OnlyEmptyOrDriveRootXmlFolderIsReplaced)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("quirels.ini"));
    struct Case {
        QString stored;
        QString expected;
    };
    const QList<Case> cases{{QStringLiteral("C:\\"), QStringLiteral("/w/ArquivoXML")},
                            {QStringLiteral("D:\\"), QStringLiteral("D:\\")},
                            {QStringLiteral("/srv/xml"), QStringLiteral("/srv/xml")}};
    for (const Case &c : cases) {
        IniFile f(ini);
        f.setText(QStringLiteral("[DIRETÓRIO]\r\ncaminho=/srv/dados\r\nArquivo XML=") + c.stored + QStringLiteral("\r\n[Outro]\r\nx=1\r\n"));
        ASSERT_OK(f.save());
        Result<StartupFolders> r = readStartupSettings(ini, QStringLiteral("/w"));
        ASSERT_OK(r);
        EXPECT_EQ(r->dataFolder, QStringLiteral("/srv/dados"));
        EXPECT_EQ(r->xmlFolder, c.expected);
        IniFile back(ini);
        ASSERT_OK(back.load());
        EXPECT_EQ(back.value(QStringLiteral("Outro"), QStringLiteral("x")), QStringLiteral("1"));
    }
}

TEST(Settings, UnreadableFileIsAnErrorNamingIt)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("quirels.ini"));
    QDir().mkpath(ini); // a folder where the file should be
    Result<StartupFolders> r = readStartupSettings(ini, dir.path());
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.message().contains(ini)) << qPrintable(r.message());
    EXPECT_EQ(r.error().code, 2); // a file error: exit status 2 in the CLI
}

TEST(Settings, IniKeepsUnknownLinesAndAddsKeysToTheirSection)
{
    IniFile f;
    f.setText(QStringLiteral("; comentário\r\n[Diretório]\r\nCaminho=a\r\n\r\n[Outra]\r\nk=v"));
    f.setBool(settings::kSection, settings::kLocalShare, true);
    f.setValue(settings::kSection, QStringLiteral("CAMINHO"), QStringLiteral("b"));
    EXPECT_EQ(f.text(), QStringLiteral("; comentário\r\n[Diretório]\r\nCAMINHO=b\r\nLocal Share=1\r\n\r\n[Outra]\r\nk=v\r\n"));
    EXPECT_TRUE(f.boolValue(settings::kSection, settings::kLocalShare, false));
    EXPECT_FALSE(f.boolValue(settings::kSection, QStringLiteral("nada"), false));
}
