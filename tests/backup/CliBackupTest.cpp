#include "ArchiveBytes.h"
#include "support/TestSupport.h"

#include "backup/BackupArchive.h"
#include "backup/DosTime.h"
#include "backup/Messages.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::backup;
using namespace quirels::backup::fixture;

TEST(CliBackup, BackupContentsAndRestoreEndToEnd)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("dados/empresa.db"));
    const QString b = dir.filePath(QStringLiteral("dados/ação.db"));
    ASSERT_TRUE(writeFile(a, textBytes(5000)));
    ASSERT_TRUE(writeFile(b, randomBytes(3000, 1)));
    const QDateTime when(QDate(2022, 11, 5), QTime(10, 20, 30));
    ASSERT_TRUE(touch(a, when));
    ASSERT_TRUE(touch(b, when));
    const QString archive = dir.filePath(QStringLiteral("copia.bck"));

    test::ProcessResult r = test::runCli({QStringLiteral("backup"), archive, a, b});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    ASSERT_TRUE(r.out.startsWith(msg::kBackupSuccessPrefix)) << qPrintable(r.out);
    // The rate printed is the archive's own.
    ScriptedDialogs dialogs;
    TBackupArchive check(dialogs);
    QStringList lines;
    QString title;
    check.GetArchiveInfo(archive, &lines, title);
    EXPECT_EQ(title, QStringLiteral("Quirels"));
    const qint64 total = check.TotalSize();
    const int rate = r.out.mid(msg::kBackupSuccessPrefix.size()).section(QLatin1Char(' '), 0, 0).toInt();
    EXPECT_GT(rate, 30);
    EXPECT_LT(rate, 100);
    EXPECT_EQ(r.out, msg::kBackupSuccessPrefix + QString::number(rate) + msg::kBackupSuccessSuffix + QLatin1Char('\n'));

    r = test::runCli({QStringLiteral("conteudo"), archive});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(r.out, QStringLiteral("Quirels\n") + contentsLine(2, total) + QLatin1Char('\n') + a +
                         QStringLiteral(" from 05/11/2022, %1 bytes\n").arg(textBytes(5000).size()) + b +
                         QStringLiteral(" from 05/11/2022, 3000 bytes\n"));

    r = test::runCli({QStringLiteral("restaurar"), archive, QStringLiteral("--destino"), dir.filePath(QStringLiteral("r")),
                      QStringLiteral("--caminho-completo")});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(r.out, QStringLiteral("Restauração completada com sucesso, 2 files of 2 restored\n"));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("r")) + a), textBytes(5000));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("r")) + b), randomBytes(3000, 1));
    EXPECT_EQ(QFileInfo(dir.filePath(QStringLiteral("r")) + b).lastModified(), when);

    // Back to the stored paths, over changed files.
    ASSERT_TRUE(writeFile(a, "estragado"));
    r = test::runCli({QStringLiteral("restaurar"), archive});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(readFile(a), textBytes(5000));
    EXPECT_EQ(QFileInfo(a).lastModified(), when);
}

TEST(CliBackup, VolumesLevelsTitleAndNoList)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.bin"));
    ASSERT_TRUE(writeFile(a, randomBytes(150000, 2)));
    const QString archive = dir.filePath(QStringLiteral("v.bck"));
    test::ProcessResult r = test::runCli({QStringLiteral("backup"), archive, a, QStringLiteral("--volume"),
                                          QStringLiteral("60000"), QStringLiteral("--nivel"), QStringLiteral("9"),
                                          QStringLiteral("--titulo"), QStringLiteral("Mensal"), QStringLiteral("--sem-lista")});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("v.002"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("v.003"))));
    EXPECT_LE(QFileInfo(archive).size(), 60000);

    r = test::runCli({QStringLiteral("conteudo"), archive});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(r.out, QStringLiteral("Mensal\n1 files, 146 KB total\n") + msg::kNoFileInfo + QLatin1Char('\n'));

    r = test::runCli({QStringLiteral("restaurar"), archive, QStringLiteral("--destino"), dir.filePath(QStringLiteral("r"))});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("r/a.bin"))), randomBytes(150000, 2));

    // A missing continuation volume stops the restore.
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("v.003"))));
    r = test::runCli({QStringLiteral("restaurar"), archive, QStringLiteral("--destino"), dir.filePath(QStringLiteral("r2"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(msg::kCliVolumeNotFound.arg(dir.filePath(QStringLiteral("v.003"))))) << qPrintable(r.err);
    EXPECT_TRUE(r.err.contains(msg::kRestoreFailed)) << qPrintable(r.err);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("r2/a.bin"))));

    // Level 0 writes full chunks raw.
    r = test::runCli({QStringLiteral("backup"), archive, a, QStringLiteral("--nivel"), QStringLiteral("0")});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
}

TEST(CliBackup, UsageMissingFilesAndDamagedArchives)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.db"));
    ASSERT_TRUE(writeFile(a, "x"));
    const QString archive = dir.filePath(QStringLiteral("a.bck"));
    struct Case {
        QStringList args;
        int exit;
        QString err; // expected in standard error
    };
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("curto.bck")), "abc"));
    const Case cases[] = {
        {{QStringLiteral("backup"), archive}, 2, QString()},
        {{QStringLiteral("backup"), archive, a, QStringLiteral("--nivel"), QStringLiteral("5")}, 2, msg::kCliBadLevel.arg(QStringLiteral("5"))},
        {{QStringLiteral("backup"), archive, a, QStringLiteral("--volume"), QStringLiteral("1000")}, 2, msg::kCliBadVolume.arg(QStringLiteral("1000"))},
        {{QStringLiteral("backup"), archive, dir.filePath(QStringLiteral("nao.db"))}, 2, msg::kCliFileNotFound.arg(dir.filePath(QStringLiteral("nao.db")))},
        {{QStringLiteral("backup"), dir.filePath(QStringLiteral("x/y/a.bck")), a}, 2, msg::kWriteFailure},
        {{QStringLiteral("restaurar"), dir.filePath(QStringLiteral("nao.bck"))}, 2, msg::kRestoreFailed},
        {{QStringLiteral("restaurar"), dir.filePath(QStringLiteral("curto.bck")), QStringLiteral("--destino"), dir.path()}, 2,
         msg::kHeaderUnreadable.arg(dir.filePath(QStringLiteral("curto.bck"))) + msg::kNothingRestored},
        {{QStringLiteral("conteudo"), dir.filePath(QStringLiteral("curto.bck"))}, 2, msg::kInvalidArchive},
        {{QStringLiteral("conteudo")}, 2, QString()},
    };
    for (const Case &c : cases) {
        const test::ProcessResult r = test::runCli(c.args);
        EXPECT_EQ(r.exitCode, c.exit) << qPrintable(c.args.join(QLatin1Char(' ')));
        EXPECT_TRUE(r.err.contains(c.err)) << qPrintable(r.err);
    }
    const test::ProcessResult r =
        test::runCli({QStringLiteral("restaurar"), archive, QStringLiteral("--destino"), QStringLiteral("  ")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, msg::kEnterPath + QLatin1Char('\n'));
}
