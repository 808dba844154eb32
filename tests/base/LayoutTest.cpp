#include "base/Layout.h"
#include "base/Settings.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;

namespace {

// A program folder, a working folder and the user's XDG folders, all inside
// one temporary folder.
struct Fixture {
    QTemporaryDir root;
    layout::Inputs in;
    Fixture()
    {
        for (const char *f : {"prog/bin", "work", "home/.config", "home/.local/share", "home/Documentos", "etc"})
            QDir(root.path()).mkpath(QString::fromLatin1(f));
        in.programFolder = path("prog/bin");
        in.executableName = QStringLiteral("quirels");
        in.currentFolder = path("work");
        in.configHome = path("home/.config");
        in.dataHome = path("home/.local/share");
        in.documentsFolder = path("home/Documentos");
        in.systemConfigFolder = path("etc/xdg");
        in.machineConfigFolder = path("etc/quirels");
    }
    QString path(const char *rel) const { return root.filePath(QString::fromLatin1(rel)); }
};

} // namespace

TEST(Layout, WritableProgramFolderKeepsEverythingBesideItAndInTheWorkingFolder)
{
    Fixture f;
    const layout::Places p = layout::decide(f.in);
    EXPECT_FALSE(p.installed);
    EXPECT_EQ(p.settingsPath, f.path("prog/bin/quirels.ini"));
    EXPECT_EQ(p.dataFolder, f.path("work/dados"));
    EXPECT_EQ(p.xmlFolder, f.path("work/ArquivoXML"));
    // No system folder to write: the user's store configuration.
    EXPECT_EQ(p.storeConfigPath, f.path("home/.config/quirels/armazenamento.ini"));
    EXPECT_EQ(p.manualFolder, f.path("prog/share/quirels/manual"));
}

// The tests run as root, who may write anywhere; the probe goes by the
// folder's permission bits, so a folder with none is "not writable" for root
// too, as it is for an ordinary user.
TEST(Layout, ReadOnlyProgramFolderIsTheInstalledLayout)
{
    Fixture f;
    const QString bin = f.path("prog/bin");
    EXPECT_TRUE(layout::writable(bin));
    ASSERT_TRUE(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                               QFile::ReadOther | QFile::ExeOther));
    EXPECT_FALSE(layout::writable(bin));
    f.in.executableName = QStringLiteral("quirels-cli.bin");
    const layout::Places p = layout::decide(f.in);
    QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(p.installed);
    EXPECT_EQ(p.settingsPath, f.path("home/.config/quirels/quirels-cli.ini"));
    EXPECT_EQ(p.dataFolder, f.path("home/.local/share/quirels/dados"));
    EXPECT_EQ(p.xmlFolder, f.path("home/Documentos/Quirels"));
    EXPECT_EQ(p.manualFolder, f.path("prog/share/quirels/manual"));
}

TEST(Layout, InstalledStoreConfigurationIsTheMachinesUnlessTheUserKeepsTheirOwn)
{
    Fixture f;
    const QString machine = f.path("etc/quirels/armazenamento.ini");
    const QString user = f.path("home/.config/quirels/armazenamento.ini");
    bool machineWritable = false;
    f.in.writable = [&](const QString &p) { return p.startsWith(f.path("etc")) ? machineWritable : false; };

    // Nothing anywhere, /etc/quirels missing: the user's own file.
    EXPECT_EQ(layout::decide(f.in).storeConfigPath, user);
    // The administrator's file, read-only for the user, who has none.
    QDir().mkpath(f.path("etc/quirels"));
    ASSERT_OK(IniFile(machine).save());
    EXPECT_EQ(layout::decide(f.in).storeConfigPath, machine);
    // A user with a file of their own keeps it.
    QDir().mkpath(f.path("home/.config/quirels"));
    ASSERT_OK(IniFile(user).save());
    EXPECT_EQ(layout::decide(f.in).storeConfigPath, user);
    // Whoever may write the machine's file (the administrator) changes it.
    machineWritable = true;
    EXPECT_EQ(layout::decide(f.in).storeConfigPath, machine);
}

TEST(Layout, InstalledFirstStartWritesTheSettingsIntoTheUsersFolderOnly)
{
    Fixture f;
    f.in.writable = [](const QString &) { return false; };
    const layout::Places p = layout::decide(f.in);
    Result<StartupFolders> r = readStartupSettings(p.settingsPath, p);
    ASSERT_OK(r);
    EXPECT_EQ(r->dataFolder, f.path("home/.local/share/quirels/dados"));
    EXPECT_EQ(r->xmlFolder, f.path("home/Documentos/Quirels"));
    IniFile back(f.path("home/.config/quirels/quirels.ini"));
    ASSERT_OK(back.load());
    EXPECT_EQ(back.value(settings::kSection, settings::kArquivoXml), f.path("home/Documentos/Quirels"));
    EXPECT_TRUE(QDir(f.path("prog/bin")).isEmpty());
    EXPECT_TRUE(QDir(f.path("work")).isEmpty());
}
