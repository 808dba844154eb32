#include "support/TestSupport.h"
#include "base/Version.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;

TEST(CliHelp, VersionAndOneLinePerCommand)
{
    test::ProcessResult r = test::runCli({QStringLiteral("--version")});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("quirels-cli ") + version());

    r = test::runCli({QStringLiteral("--help")});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    const QString commands = r.out.section(QStringLiteral("Comandos:\n"), 1).section(QStringLiteral("\n\n"), 0, 0);
    const QStringList lines = commands.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 13) << qPrintable(r.out);
    static const QRegularExpression line(QStringLiteral("^  ([a-z-]+) +(\\S.*)$"));
    for (const QString &l : lines) {
        // Every command says what it does; a command without a help entry
        // would stand alone on its line.
        const QRegularExpressionMatch m = line.match(l);
        ASSERT_TRUE(m.hasMatch()) << qPrintable(l);
        const QString name = m.captured(1);
        SCOPED_TRACE(qPrintable(name));
        const test::ProcessResult c = test::runCli({name, QStringLiteral("--help")});
        EXPECT_EQ(c.exitCode, 0);
        EXPECT_TRUE(c.out.contains(QStringLiteral(" ") + name)) << qPrintable(c.out);
        EXPECT_TRUE(c.out.contains(QStringLiteral("Códigos de saída:\n  0  "))) << qPrintable(c.out);
        // The example runs this very command.
        const QString example = c.out.section(QStringLiteral("Exemplo:\n  "), 1).trimmed();
        EXPECT_TRUE(example.startsWith(QStringLiteral("quirels-cli ")) &&
                    example.split(QLatin1Char(' ')).contains(name))
            << qPrintable(example);
    }
    // Help for a command does nothing else: no data folder is made.
    QTemporaryDir dir;
    EXPECT_EQ(test::runCli({QStringLiteral("inicializar"), QStringLiteral("--help")}, dir.path()).exitCode, 0);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

// A copy of the tool in a folder without write permission stands for the
// installed program: it keeps its settings and data in the user's XDG
// folders and writes nothing beside itself or in the working folder.
TEST(CliLayout, InstalledCopyUsesTheUsersFolders)
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    for (const char *f : {"bin", "work", "home"})
        root.mkpath(QString::fromLatin1(f));
    const QString program = root.filePath(QStringLiteral("bin/quirels-cli"));
    ASSERT_TRUE(QFile::copy(QDir(test::binaryDir()).filePath(QStringLiteral("quirels-cli")), program));
    const QString bin = root.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("home/cfg")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("home/dat")));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), root.filePath(QStringLiteral("etc-xdg")));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(root.filePath(QStringLiteral("work")));
    p.start(program, {QStringLiteral("inicializar")});
    ASSERT_TRUE(p.waitForFinished(60000));
    QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(QFile::exists(root.filePath(QStringLiteral("home/dat/quirels/dados/quirels.db"))));
    EXPECT_TRUE(QFile::exists(root.filePath(QStringLiteral("home/cfg/quirels/quirels.ini"))));
    EXPECT_EQ(QDir(bin).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("quirels-cli")});
    EXPECT_TRUE(QDir(root.filePath(QStringLiteral("work"))).isEmpty());
}
