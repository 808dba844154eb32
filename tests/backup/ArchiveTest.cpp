#include "ArchiveBytes.h"
#include "support/TestSupport.h"

#include "backup/BackupArchive.h"
#include "backup/DosTime.h"
#include "backup/Messages.h"
#include "base/Cp1252.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::backup;
using namespace quirels::backup::fixture;

namespace {

struct Recorded {
    QList<int> codes;
    QList<int> percents;
    QList<quint16> disks;
    QStringList messages;
};

// An archive component whose errors, progress and disk requests are recorded.
struct Fixture {
    Fixture() : archive(dialogs)
    {
        archive.OnError = [this](int code, const QString &message) {
            rec.codes.append(code);
            rec.messages.append(message);
            // The code's own message, or a sentence saying what and where.
            EXPECT_FALSE(message.isEmpty());
        };
        archive.OnProgress = [this](const QString &, int percent, bool &) { rec.percents.append(percent); };
        archive.OnNeedDisk = [this](quint16 disk, bool &cont) {
            rec.disks.append(disk);
            cont = true;
        };
    }
    QString path(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    TBackupArchive archive;
    Recorded rec;
};

QDateTime someTime(int i) { return QDateTime(QDate(2021, 3, 1 + i), QTime(8 + i, 10 + i, 20 + 2 * i)); }

} // namespace

TEST(BackupArchive, RoundTripsFilesAtEveryLevelWithTheirTimes)
{
    Fixture f;
    const QList<QPair<QString, QByteArray>> files = {
        {QStringLiteral("dados/empresa.db"), textBytes(20000)},
        {QStringLiteral("dados/aleatório.bin"), randomBytes(50000, 7)},
        {QStringLiteral("dados/vazio.db"), QByteArray()},
        {QStringLiteral("dados/Ação Êxito.txt"), QByteArray("conteúdo")},
        {QStringLiteral("dados/bloco.db"), QByteArray(16384, 'b')},
    };
    QStringList sources;
    for (int i = 0; i < files.size(); ++i) {
        const QString p = f.path(files[i].first);
        ASSERT_TRUE(writeFile(p, files[i].second));
        ASSERT_TRUE(touch(p, someTime(i)));
        sources << p;
    }
    for (TCompressionLevel level : {TCompressionLevel::clNone, TCompressionLevel::clFastest, TCompressionLevel::clDefault,
                                    TCompressionLevel::clMax}) {
        const QString archive = f.path(QStringLiteral("copia.bck"));
        f.archive.setCompressionLevel(level);
        f.archive.setBackupTitle(QStringLiteral("Cópia"));
        ASSERT_TRUE(f.archive.Backup(sources, archive));
        EXPECT_EQ(f.archive.FilesDone(), files.size());
        EXPECT_EQ(f.archive.FileCount(), files.size());

        const QString out = f.path(QStringLiteral("restaurado%1").arg(zlibLevel(level)));
        ASSERT_TRUE(f.archive.Restore(archive, out));
        EXPECT_EQ(f.archive.FilesDone(), files.size());
        for (int i = 0; i < files.size(); ++i) {
            const QString name = QFileInfo(files[i].first).fileName();
            const QString restored = out + QLatin1Char('/') + name;
            EXPECT_EQ(readFile(restored), files[i].second) << qPrintable(name);
            EXPECT_EQ(QFileInfo(restored).lastModified(), *unpackDosTime(packDosTime(someTime(i)))) << qPrintable(name);
        }
    }
    EXPECT_TRUE(f.rec.codes.isEmpty());
    for (int p : f.rec.percents)
        EXPECT_TRUE(p >= 0 && p <= 100);
    EXPECT_TRUE(f.dialogs.messages.isEmpty());
}

TEST(BackupArchive, WritesTheExactLayout)
{
    Fixture f;
    const QString empty = f.path(QStringLiteral("vazio.db"));
    const QString data = f.path(QStringLiteral("dados.db"));
    ASSERT_TRUE(writeFile(empty, QByteArray()));
    ASSERT_TRUE(writeFile(data, randomBytes(20000, 3)));
    ASSERT_TRUE(touch(empty, someTime(0)));
    ASSERT_TRUE(touch(data, someTime(1)));
    const QString archive = f.path(QStringLiteral("a.bck"));
    f.archive.setBackupTitle(QStringLiteral("Título"));
    f.archive.setSaveFileID(false);
    ASSERT_TRUE(f.archive.Backup({empty, data}, archive));

    const QByteArray emptyName = *cp1252::encode(empty);
    const QByteArray dataName = *cp1252::encode(data);
    const QByteArray random = randomBytes(20000, 3);
    Bytes expected;
    expected.header(*cp1252::encode(QStringLiteral("Título")), 20000, 2);
    expected.text(emptyName).i32(static_cast<qint32>(packDosTime(someTime(0)))).raw(QByteArray("EC2\0", 4)).i32(0);
    // A full chunk of random data does not fit a zlib block and stays raw;
    // the short last chunk fits, as a stream a little longer than itself.
    EncodedBlock last;
    ASSERT_TRUE(encodeZlibBlock(random.mid(16384), TCompressionLevel::clFastest, last));
    ASSERT_TRUE(last.compressed);
    ASSERT_GT(last.bytes.size(), 20000 - 16384);
    expected.text(dataName).i32(static_cast<qint32>(packDosTime(someTime(1)))).raw(QByteArray("EC2\0", 4));
    expected.i32(-16384).raw(random.left(16384)).i32(static_cast<qint32>(last.bytes.size())).raw(last.bytes).i32(0);
    expected.i32(0);
    EXPECT_EQ(readFile(archive), expected.data);
    // Archive bytes: the markers, the length words and the blocks.
    const qint64 archived = 8 + 4 + 16384 + 4 + last.bytes.size();
    EXPECT_EQ(f.archive.ArchiveBytesWritten(), archived);
    EXPECT_EQ(f.archive.CompressionRate(), 100 - archived * 100 / 20000);
    EXPECT_EQ(f.archive.CompressionRate(), 0); // 100 - 100.1 in whole numbers

    // An empty list: header and end marker; restoring it writes nothing.
    // Progress still runs from 0 to 100.
    f.rec.percents.clear();
    ASSERT_TRUE(f.archive.Backup({}, archive));
    EXPECT_EQ(f.rec.percents, QList<int>({0, 100}));
    EXPECT_EQ(readFile(archive), Bytes().header(*cp1252::encode(QStringLiteral("Título")), 0, 0).i32(0).data);
    EXPECT_EQ(f.archive.CompressionRate(), 0);
    ASSERT_TRUE(f.archive.Restore(archive, f.path(QStringLiteral("nada"))));
    EXPECT_EQ(f.archive.FilesDone(), 0);
}

TEST(BackupArchive, FileInformationListComesFirstAndIsNeverRestored)
{
    Fixture f;
    const QString a = f.path(QStringLiteral("Dados/EMPRESA.DB"));
    const QString b = f.path(QStringLiteral("Dados/mes.db"));
    ASSERT_TRUE(writeFile(a, textBytes(100)));
    ASSERT_TRUE(writeFile(b, QByteArray("xyz")));
    ASSERT_TRUE(touch(a, someTime(2)));
    ASSERT_TRUE(touch(b, someTime(3)));
    const QString archive = f.path(QStringLiteral("a.bck"));
    f.archive.setBackupTitle(QStringLiteral("Quirels"));
    // The same file twice (in another letter case too) is archived once.
    ASSERT_TRUE(f.archive.Backup({a, f.path(QStringLiteral("Dados/*.db")), a.toLower()}, archive));
    const QString listText = a + QLatin1Char('\t') + QString::number(static_cast<qint32>(packDosTime(someTime(2)))) +
                             QStringLiteral("=") + QString::number(textBytes(100).size()) + QStringLiteral("\r\n") + b +
                             QLatin1Char('\t') + QString::number(static_cast<qint32>(packDosTime(someTime(3)))) +
                             QStringLiteral("=3\r\n");
    const QByteArray bytes = readFile(archive);
    EXPECT_EQ(le32(bytes, 11), textBytes(100).size() + 3 + cp1252::encode(listText)->size()); // TotalSize
    EXPECT_EQ(le32(bytes, 15), 2);                                                           // FileCount
    EXPECT_EQ(le32(bytes, 19), 9);
    EXPECT_EQ(bytes.mid(23, 9), QByteArray("FILE:LIST"));

    QStringList lines;
    QString title;
    f.archive.GetArchiveInfo(archive, &lines, title);
    EXPECT_EQ(title, QStringLiteral("Quirels"));
    EXPECT_EQ(f.archive.FileCount(), 2);
    EXPECT_EQ(lines, listText.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts));
    EXPECT_EQ(fileInfoDisplayLine(lines.at(1)), b + QStringLiteral(" from 04/03/2021, 3 bytes"));

    const QString out = f.path(QStringLiteral("out"));
    ASSERT_TRUE(f.archive.Restore(archive, out));
    EXPECT_EQ(f.archive.FilesDone(), 2);
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList({QStringLiteral("EMPRESA.DB"), QStringLiteral("mes.db")}));

    // Without the list: the first entry is the first file.
    f.archive.setSaveFileID(false);
    ASSERT_TRUE(f.archive.Backup({a}, archive));
    f.archive.GetArchiveInfo(archive, &lines, title);
    EXPECT_EQ(title, QStringLiteral("Quirels"));
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_TRUE(f.rec.codes.isEmpty());
}

TEST(BackupArchive, PatternsExpandRecursivelyAndSkipTheArchiveItself)
{
    Fixture f;
    for (const char *name : {"d/a.db", "d/b.txt", "d/sub/c.db", "d/sub/deep/e.DB", "d/z.bck"})
        ASSERT_TRUE(writeFile(f.path(QString::fromUtf8(name)), QByteArray(name)));
    f.archive.setSaveFileID(false);
    const QString archive = f.path(QStringLiteral("d/z.bck"));
    ASSERT_TRUE(f.archive.Backup({f.path(QStringLiteral("d/*.db /s")), f.path(QStringLiteral("d/*"))}, archive));
    ASSERT_TRUE(f.archive.Restore(archive, f.path(QStringLiteral("out"))));
    QStringList got = QDir(f.path(QStringLiteral("out"))).entryList(QDir::Files);
    got.sort();
    EXPECT_EQ(got, QStringList({QStringLiteral("a.db"), QStringLiteral("b.txt"), QStringLiteral("c.db"),
                                QStringLiteral("e.DB")}));
    EXPECT_EQ(f.archive.FileCount(), 4);
}

TEST(BackupArchive, SpansDisksWithTheMarginAndContinuationNames)
{
    Fixture f;
    const QString src = f.path(QStringLiteral("grande.db"));
    const QByteArray data = randomBytes(2000000, 11);
    ASSERT_TRUE(writeFile(src, data));
    ASSERT_TRUE(touch(src, someTime(4)));
    const QString archive = f.path(QStringLiteral("backup.bck"));
    f.archive.setMaxSize(1400000);
    ASSERT_TRUE(f.archive.Backup({src}, archive));
    EXPECT_EQ(f.rec.disks, QList<quint16>({2}));

    const QByteArray first = readFile(archive);
    const QByteArray second = readFile(f.path(QStringLiteral("backup.002")));
    ASSERT_FALSE(QFile::exists(f.path(QStringLiteral("backup.003"))));
    EXPECT_LT(first.size(), 1400000);
    EXPECT_EQ(first.right(20), Bytes().i32(0).text("NEXT:DISK002").data);
    // Blocks stop once the disk file reaches the limit less the margin.
    const qint64 beforeEnd = first.size() - 20;
    EXPECT_GE(beforeEnd, 1400000 - 16484);
    EXPECT_LT(beforeEnd - 16388, 1400000 - 16484);
    EXPECT_EQ(second.left(4), QByteArray("EC2\0", 4));
    EXPECT_EQ(second.right(8), Bytes().i32(0).i32(0).data);

    const QString out = f.path(QStringLiteral("out"));
    f.rec.disks.clear();
    ASSERT_TRUE(f.archive.Restore(archive, out));
    EXPECT_EQ(f.rec.disks, QList<quint16>({2}));
    EXPECT_EQ(readFile(out + QStringLiteral("/grande.db")), data);
    EXPECT_EQ(QFileInfo(out + QStringLiteral("/grande.db")).lastModified(), *unpackDosTime(packDosTime(someTime(4))));
    EXPECT_EQ(f.archive.FilesDone(), 1);
    EXPECT_TRUE(f.rec.codes.isEmpty());
}

TEST(BackupArchive, ManyDisksAndSuffixes)
{
    EXPECT_EQ(TBackupArchive::diskSuffix(2), QStringLiteral("002"));
    EXPECT_EQ(TBackupArchive::diskSuffix(12), QStringLiteral("012"));
    EXPECT_EQ(TBackupArchive::diskSuffix(1234), QStringLiteral("234"));
    EXPECT_EQ(TBackupArchive::diskFileName(QStringLiteral("/a.b/backup.bck"), 3), QStringLiteral("/a.b/backup.003"));
    EXPECT_EQ(TBackupArchive::diskFileName(QStringLiteral("/a.b/backup"), 3), QStringLiteral("/a.b/backup.003"));

    Fixture f;
    const QByteArray a = randomBytes(300000, 5);
    const QByteArray b = textBytes(30000);
    ASSERT_TRUE(writeFile(f.path(QStringLiteral("a.bin")), a));
    ASSERT_TRUE(writeFile(f.path(QStringLiteral("b.txt")), b));
    f.archive.setMaxSize(40000);
    const QString archive = f.path(QStringLiteral("multi.bck"));
    ASSERT_TRUE(f.archive.Backup({f.path(QStringLiteral("a.bin")), f.path(QStringLiteral("b.txt"))}, archive));
    ASSERT_GE(f.rec.disks.size(), 10);
    for (int i = 0; i < f.rec.disks.size(); ++i) {
        EXPECT_EQ(f.rec.disks[i], i + 2);
        const QString name = TBackupArchive::diskFileName(archive, i + 2);
        EXPECT_TRUE(QFile::exists(name)) << qPrintable(name);
        EXPECT_LE(QFileInfo(name).size(), 40000);
    }
    ASSERT_TRUE(f.archive.Restore(archive, f.path(QStringLiteral("out"))));
    EXPECT_EQ(readFile(f.path(QStringLiteral("out/a.bin"))), a);
    EXPECT_EQ(readFile(f.path(QStringLiteral("out/b.txt"))), b);

    // A limit that leaves no room for one block is refused before writing.
    f.archive.setMaxSize(16484);
    EXPECT_FALSE(f.archive.Backup({f.path(QStringLiteral("a.bin"))}, f.path(QStringLiteral("small.bck"))));
    EXPECT_EQ(f.rec.codes, QList<int>({kErrWrite}));
    EXPECT_FALSE(QFile::exists(f.path(QStringLiteral("small.bck"))));
}

TEST(BackupArchive, DiskPromptsAndCancelling)
{
    Fixture f;
    const QByteArray data = randomBytes(60000, 9); // two disks of 50000 bytes
    ASSERT_TRUE(writeFile(f.path(QStringLiteral("x.db")), data));
    const QString archive = f.path(QStringLiteral("x.bck"));
    f.archive.setMaxSize(50000);
    // Without a handler the component asks with its own dialog; Cancel stops
    // without an error code.
    f.archive.OnNeedDisk = nullptr;
    f.dialogs.expect(ScriptedDialogs::Kind::OkCancel, QStringLiteral("Insira o disco 2 e click OK para continuar."),
                     Answer::Cancel);
    EXPECT_FALSE(f.archive.Backup({f.path(QStringLiteral("x.db"))}, archive));
    EXPECT_EQ(f.archive.FailureCode(), 0);
    EXPECT_TRUE(f.rec.codes.isEmpty());
    EXPECT_TRUE(f.dialogs.failures.isEmpty()) << qPrintable(f.dialogs.failures.join(QLatin1Char('\n')));

    f.dialogs.setDefaultAnswer(Answer::Ok);
    ASSERT_TRUE(f.archive.Backup({f.path(QStringLiteral("x.db"))}, archive));
    // Restoring asks again until the continuation file is there.
    const QString second = f.path(QStringLiteral("x.002"));
    const QString moved = f.path(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QFile::rename(second, moved));
    int asked = 0;
    f.archive.OnNeedDisk = [&](quint16 disk, bool &cont) {
        EXPECT_EQ(disk, 2);
        if (++asked == 2)
            QFile::rename(moved, second);
        cont = true;
    };
    ASSERT_TRUE(f.archive.Restore(archive, f.path(QStringLiteral("out"))));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(readFile(f.path(QStringLiteral("out/x.db"))), data);

    // Cancelling a restore's prompt: failure, no code, and the file cut in
    // two is not left behind.
    f.archive.OnNeedDisk = [](quint16, bool &cont) { cont = false; };
    EXPECT_FALSE(f.archive.Restore(archive, f.path(QStringLiteral("out2"))));
    EXPECT_EQ(f.archive.FailureCode(), 0);
    EXPECT_FALSE(QFile::exists(f.path(QStringLiteral("out2/x.db"))));
    EXPECT_TRUE(f.rec.codes.isEmpty());
}

// Stopping a backup (as a killed one would) leaves an earlier archive of the
// same name whole, and no work file behind; a work file of a run that died
// is removed by the next backup into that folder.
TEST(BackupArchive, AStoppedBackupLeavesTheEarlierArchiveWhole)
{
    Fixture f;
    ASSERT_TRUE(writeFile(f.path(QStringLiteral("a.db")), randomBytes(200000, 1)));
    const QString archive = f.path(QStringLiteral("a.bck"));
    f.archive.setMaxSize(40000);
    ASSERT_TRUE(f.archive.Backup({f.path(QStringLiteral("a.db"))}, archive));
    const QByteArray good = readFile(archive);
    const QByteArray goodSecond = readFile(f.path(QStringLiteral("a.002")));
    ASSERT_FALSE(goodSecond.isEmpty());

    const QString deadRun = f.path(QStringLiteral(".quirels-parcial-2147483646-a.bck"));
    ASSERT_TRUE(writeFile(deadRun, "resto de um backup interrompido"));
    ASSERT_TRUE(writeFile(f.path(QStringLiteral("a.db")), randomBytes(200000, 2)));
    for (int stopAt : {1, 3, 6}) {
        int blocks = 0;
        f.archive.OnProgress = [&](const QString &name, int, bool &) {
            EXPECT_TRUE(f.archive.Busy());
            if (!name.isEmpty() && ++blocks == stopAt)
                f.archive.Abort();
        };
        EXPECT_FALSE(f.archive.Backup({f.path(QStringLiteral("a.db"))}, archive)) << stopAt;
        EXPECT_FALSE(f.archive.Busy());
        EXPECT_EQ(f.archive.FailureCode(), 0);
        EXPECT_EQ(readFile(archive), good) << stopAt;
        EXPECT_EQ(readFile(f.path(QStringLiteral("a.002"))), goodSecond) << stopAt;
        const QStringList left = QDir(f.dir.path()).entryList({QStringLiteral(".quirels-*")}, QDir::Files | QDir::Hidden);
        EXPECT_TRUE(left.isEmpty()) << qPrintable(left.join(QLatin1Char(',')));
    }
    EXPECT_FALSE(QFile::exists(deadRun));

    f.archive.setMaxSize(0);
    f.archive.setSaveFileID(false);
    f.archive.OnProgress = nullptr;
    ASSERT_TRUE(f.archive.Backup({f.path(QStringLiteral("a.db"))}, archive));
    ASSERT_TRUE(writeFile(f.path(QStringLiteral("out/a.db")), "old"));
    f.archive.OnProgress = [&](const QString &name, int, bool &cont) { cont = name.isEmpty(); };
    EXPECT_FALSE(f.archive.Restore(archive, f.path(QStringLiteral("out"))));
    // The stopped restore left the earlier file whole.
    EXPECT_EQ(readFile(f.path(QStringLiteral("out/a.db"))), QByteArray("old"));
    EXPECT_EQ(QDir(f.path(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("a.db")}));
    EXPECT_TRUE(f.rec.codes.isEmpty());
}

// Volumes out of their order, missing, cut short, or a file whose length is
// not the one the archive's list gives: the restore is refused, says which
// volume or file, and replaces nothing (here the files at their stored
// places, as the live store would be).
TEST(BackupArchive, WrongOrMissingVolumesReplaceNothing)
{
    Fixture f;
    const QString a = f.path(QStringLiteral("dados/a.db"));
    const QString b = f.path(QStringLiteral("dados/b.db"));
    const QByteArray dataA = randomBytes(150000, 3);
    ASSERT_TRUE(writeFile(a, dataA));
    ASSERT_TRUE(writeFile(b, textBytes(2000)));
    const QString archive = f.path(QStringLiteral("v.bck"));
    f.archive.setMaxSize(40000);
    ASSERT_TRUE(f.archive.Backup({b, a}, archive));
    ASSERT_TRUE(QFile::exists(f.path(QStringLiteral("v.004"))));
    ASSERT_TRUE(writeFile(a, "atual a"));
    ASSERT_TRUE(writeFile(b, "atual b"));
    f.archive.OnNeedDisk = [&](quint16 disk, bool &cont) {
        cont = QFile::exists(TBackupArchive::diskFileName(archive, disk));
    };
    const auto vol = [&](int n) { return TBackupArchive::diskFileName(archive, n); };
    const auto swap = [](const QString &x, const QString &y) {
        ASSERT_TRUE(QFile::rename(x, x + QStringLiteral(".t")));
        ASSERT_TRUE(QFile::rename(y, x));
        ASSERT_TRUE(QFile::rename(x + QStringLiteral(".t"), y));
    };
    struct Case {
        const char *name;
        std::function<void()> spoil, mend;
        QString says; // in the message
    };
    const QByteArray v3 = readFile(vol(3));
    const Case cases[] = {
        {"2 and 3 swapped", [&] { swap(vol(2), vol(3)); }, [&] { swap(vol(2), vol(3)); },
         QStringLiteral("\"%1\" não é o volume 2").arg(QDir::toNativeSeparators(vol(2)))},
        {"3 and 4 swapped", [&] { swap(vol(3), vol(4)); }, [&] { swap(vol(3), vol(4)); },
         QStringLiteral("\"%1\" não é o volume 3").arg(QDir::toNativeSeparators(vol(3)))},
        {"3 missing", [&] { QFile::rename(vol(3), vol(3) + QStringLiteral(".t")); },
         [&] { QFile::rename(vol(3) + QStringLiteral(".t"), vol(3)); }, QString()},
        {"3 cut short", [&] { QFile::resize(vol(3), v3.size() / 2); }, [&] { writeFile(vol(3), v3); },
         QStringLiteral("\"%1\" do backup está incompleto").arg(QDir::toNativeSeparators(vol(3)))},
        {"4 in the place of 3", [&] {
             QFile::rename(vol(3), vol(3) + QStringLiteral(".t"));
             QFile::copy(vol(4), vol(3));
         },
         [&] {
             QFile::remove(vol(3));
             QFile::rename(vol(3) + QStringLiteral(".t"), vol(3));
         },
         QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.spoil();
        f.rec.messages.clear();
        EXPECT_FALSE(f.archive.Restore(archive, QString()));
        EXPECT_EQ(readFile(a), QByteArray("atual a"));
        EXPECT_EQ(readFile(b), QByteArray("atual b"));
        EXPECT_EQ(QDir(f.path(QStringLiteral("dados"))).entryList(QDir::Files | QDir::Hidden).size(), 2);
        if (!c.says.isEmpty()) {
            ASSERT_EQ(f.rec.messages.size(), 1);
            EXPECT_TRUE(f.rec.messages.first().contains(c.says)) << qPrintable(f.rec.messages.first());
            EXPECT_TRUE(f.rec.messages.first().contains(msg::kNothingRestored)) << qPrintable(f.rec.messages.first());
        }
        c.mend();
    }
    // Mended, the same archive restores both files.
    f.rec.messages.clear();
    ASSERT_TRUE(f.archive.Restore(archive, QString())) << qPrintable(f.rec.messages.join(QLatin1Char('\n')));
    EXPECT_EQ(readFile(a), dataA);
    EXPECT_EQ(readFile(b), textBytes(2000));

    // A file whose length is not the listed one (a volume lost between two
    // of its segments) is named with both lengths.
    const QByteArray content("conteudo");
    const QByteArray stored = f.path(QStringLiteral("dados/c.db")).toUtf8();
    const QByteArray list = stored + "\t0=10\r\n";
    ASSERT_TRUE(writeFile(f.path(QStringLiteral("dados/c.db")), "atual c"));
    ASSERT_TRUE(writeFile(f.path(QStringLiteral("hand.bck")), Bytes()
                                                                 .header("t", 10, 1)
                                                                 .text("FILE:LIST")
                                                                 .i32(0)
                                                                 .rawSegment(list)
                                                                 .text(stored)
                                                                 .i32(0)
                                                                 .rawSegment(content)
                                                                 .i32(0)
                                                                 .data));
    f.rec.messages.clear();
    EXPECT_FALSE(f.archive.Restore(f.path(QStringLiteral("hand.bck")), QString()));
    EXPECT_EQ(readFile(f.path(QStringLiteral("dados/c.db"))), QByteArray("atual c"));
    ASSERT_EQ(f.rec.messages.size(), 1);
    EXPECT_EQ(f.rec.messages.first(),
              msg::kLengthMismatch.arg(QDir::toNativeSeparators(QString::fromUtf8(stored))).arg(8).arg(10) + msg::kNothingRestored);
}

// A symbolic link planted where an archived file was is replaced by the
// restored file; the file it pointed to is left as it was.
TEST(BackupArchive, RestoreToTheStoredPlaceReplacesALinkNotItsTarget)
{
    Fixture f;
    const QString x = f.path(QStringLiteral("dados/x.txt"));
    ASSERT_TRUE(writeFile(x, "guardado"));
    const QString archive = f.path(QStringLiteral("a.bck"));
    ASSERT_TRUE(f.archive.Backup({x}, archive));
    const QString elsewhere = f.path(QStringLiteral("outro/alvo.txt"));
    ASSERT_TRUE(writeFile(elsewhere, "de outra pessoa"));
    ASSERT_TRUE(QFile::remove(x));
    ASSERT_TRUE(QFile::link(elsewhere, x));
    ASSERT_TRUE(f.archive.Restore(archive, QString())) << qPrintable(f.rec.messages.join(QLatin1Char('\n')));
    EXPECT_EQ(readFile(elsewhere), QByteArray("de outra pessoa"));
    EXPECT_FALSE(QFileInfo(x).isSymLink());
    EXPECT_EQ(readFile(x), QByteArray("guardado"));
}

TEST(BackupArchive, RestoreModesAndTheRestoreEvent)
{
    Fixture f;
    const QString src = f.path(QStringLiteral("src/a.db"));
    ASSERT_TRUE(writeFile(src, "new"));
    ASSERT_TRUE(touch(src, someTime(5)));
    const QString archive = f.path(QStringLiteral("a.bck"));
    ASSERT_TRUE(f.archive.Backup({src}, archive));
    const QDateTime archived = *unpackDosTime(packDosTime(someTime(5)));

    enum Target { Missing, Older, Same, Newer };
    struct Case {
        TRestoreMode mode;
        Target target;
        bool written;
    };
    const Case cases[] = {
        {TRestoreMode::rmAll, Newer, true},          {TRestoreMode::rmAll, Missing, true},
        {TRestoreMode::rmNoOverwrite, Missing, true}, {TRestoreMode::rmNoOverwrite, Older, false},
        {TRestoreMode::rmNewer, Missing, true},       {TRestoreMode::rmNewer, Older, true},
        {TRestoreMode::rmNewer, Same, false},         {TRestoreMode::rmNewer, Newer, false},
        {TRestoreMode::rmExisting, Missing, false},   {TRestoreMode::rmExisting, Newer, true},
        {TRestoreMode::rmExistingNewer, Missing, false}, {TRestoreMode::rmExistingNewer, Older, true},
        {TRestoreMode::rmExistingNewer, Same, false},
    };
    int n = 0;
    for (const Case &c : cases) {
        const QString out = f.path(QStringLiteral("out%1").arg(n++));
        const QString target = out + QStringLiteral("/a.db");
        if (c.target != Missing) {
            ASSERT_TRUE(writeFile(target, "old"));
            ASSERT_TRUE(touch(target, c.target == Older ? archived.addSecs(-2)
                                      : c.target == Same ? archived
                                                         : archived.addSecs(2)));
        }
        f.archive.setRestoreMode(c.mode);
        ASSERT_TRUE(f.archive.Restore(archive, out)) << n;
        EXPECT_EQ(readFile(target), c.written ? QByteArray("new") : c.target == Missing ? QByteArray() : QByteArray("old"))
            << n;
        EXPECT_EQ(f.archive.FilesDone(), c.written ? 1 : 0) << n;
    }

    // The event sees the archived time and may redirect or skip a file.
    f.archive.setRestoreMode(TRestoreMode::rmAll);
    const QString other = f.path(QStringLiteral("redirected/b.db"));
    f.archive.OnRestoreFile = [&](QString &name, qint32 fa, bool &doRestore) {
        EXPECT_EQ(static_cast<quint32>(fa), packDosTime(someTime(5)));
        EXPECT_TRUE(doRestore);
        name = other;
    };
    ASSERT_TRUE(f.archive.Restore(archive, f.path(QStringLiteral("x"))));
    EXPECT_EQ(readFile(other), QByteArray("new"));
    f.archive.OnRestoreFile = [](QString &, qint32, bool &doRestore) { doRestore = false; };
    ASSERT_TRUE(f.archive.Restore(archive, f.path(QStringLiteral("y"))));
    EXPECT_EQ(f.archive.FilesDone(), 0);
    EXPECT_FALSE(QFile::exists(f.path(QStringLiteral("y/a.db"))));
}

TEST(BackupArchive, StoredPathsFullPathAndTraversal)
{
    Fixture f;
    // Stored names as another system writes them, and hostile ones.
    const QByteArray content("conteudo");
    auto archiveWith = [&](const QByteArray &storedName) {
        const QString p = f.path(QStringLiteral("hand.bck"));
        EXPECT_TRUE(writeFile(p, Bytes()
                                     .header("t", content.size(), 1)
                                     .text(storedName)
                                     .i32(static_cast<qint32>(packDosTime(someTime(1))))
                                     .rawSegment(content)
                                     .i32(0)
                                     .data));
        return p;
    };
    const QString dest = f.path(QStringLiteral("restaurar"));
    struct Case {
        QByteArray stored;
        bool fullPath;
        QString expected; // relative to dest; empty: refused with code 1
    };
    const Case cases[] = {
        {"c:\\dados\\empresa.db", true, QStringLiteral("dados/empresa.db")},
        {"c:\\dados\\empresa.db", false, QStringLiteral("empresa.db")},
        {"/home/u/dados/mes.db", true, QStringLiteral("home/u/dados/mes.db")},
        {"/home/u/dados/mes.db", false, QStringLiteral("mes.db")},
        {"..\\..\\fora.db", true, QString()},
        {"../../fora.db", false, QStringLiteral("fora.db")},
        {"/a/../../fora.db", true, QString()},
        {"c:\\dados\\..", false, QString()},
        {"c:\\", false, QString()},
    };
    for (const Case &c : cases) {
        f.rec.codes.clear();
        QDir(dest).removeRecursively();
        f.archive.setRestoreFullPath(c.fullPath);
        const bool ok = f.archive.Restore(archiveWith(c.stored), dest);
        if (c.expected.isEmpty()) {
            EXPECT_FALSE(ok) << c.stored.constData();
            EXPECT_EQ(f.rec.codes, QList<int>({kErrRead})) << c.stored.constData();
        } else {
            EXPECT_TRUE(ok) << c.stored.constData();
            EXPECT_EQ(readFile(dest + QLatin1Char('/') + c.expected), content) << c.stored.constData();
        }
    }
    EXPECT_FALSE(QFile::exists(f.path(QStringLiteral("fora.db"))));
    EXPECT_FALSE(QFile::exists(QDir(f.dir.path()).filePath(QStringLiteral("../fora.db"))));

    // To the stored paths: only plain absolute paths are written there.
    const QString plain = f.path(QStringLiteral("orig/x.db"));
    f.rec.codes.clear();
    EXPECT_TRUE(f.archive.Restore(archiveWith(plain.toUtf8()), QString()));
    EXPECT_EQ(readFile(plain), content);
    for (const QByteArray &bad : {f.path(QStringLiteral("orig/../y.db")).toUtf8(), QByteArray("relativo/x.db"),
                                  QByteArray("c:\\dados\\x.db")}) {
        f.rec.codes.clear();
        EXPECT_FALSE(f.archive.Restore(archiveWith(bad), QString())) << bad.constData();
        EXPECT_EQ(f.rec.codes, QList<int>({kErrRead})) << bad.constData();
    }
    EXPECT_FALSE(QFile::exists(f.path(QStringLiteral("y.db"))));
}

TEST(BackupArchive, ReadsLzrw1khSegments)
{
    Fixture f;
    const QByteArray stored = QByteArray("\x80") + "guardado ";
    const QByteArray packed("\x00\x40\x00x\x00\x1F", 6); // 'x' and a copy of 18
    Bytes segment;
    segment.raw(QByteArray("ECS\0", 4)).i32(static_cast<qint32>(8 + stored.size() + packed.size()));
    segment.text(stored).text(packed);
    const QString p = f.path(QStringLiteral("ecs.bck"));
    ASSERT_TRUE(writeFile(p, Bytes()
                                 .header("velho", 28, 1)
                                 .text("c:\\dados\\velho.db")
                                 .i32(static_cast<qint32>(packDosTime(someTime(2))))
                                 .raw(segment.data)
                                 .i32(0)
                                 .data));
    ASSERT_TRUE(f.archive.Restore(p, f.path(QStringLiteral("out"))));
    EXPECT_EQ(readFile(f.path(QStringLiteral("out/velho.db"))), QByteArray("guardado ") + QByteArray(19, 'x'));
    EXPECT_TRUE(f.rec.codes.isEmpty());
}

TEST(BackupArchive, DamagedArchivesReportTheirCodeWithoutCrashing)
{
    Fixture f;
    ASSERT_TRUE(writeFile(f.path(QStringLiteral("s/a.db")), textBytes(3000)));
    ASSERT_TRUE(writeFile(f.path(QStringLiteral("s/b.db")), randomBytes(20000, 4)));
    const QString good = f.path(QStringLiteral("good.bck"));
    ASSERT_TRUE(f.archive.Backup({f.path(QStringLiteral("s/*.db"))}, good));
    const QByteArray bytes = readFile(good);
    const QString damaged = f.path(QStringLiteral("damaged.bck"));
    const QString out = f.path(QStringLiteral("out"));

    // Every cut of the archive fails with the read error.
    for (qsizetype cut = 0; cut < bytes.size(); cut += cut < 200 ? 1 : 251) {
        ASSERT_TRUE(writeFile(damaged, bytes.left(cut)));
        f.rec.codes.clear();
        EXPECT_FALSE(f.archive.Restore(damaged, out)) << cut;
        EXPECT_EQ(f.rec.codes, QList<int>({kErrRead})) << cut;
    }

    struct Case {
        const char *what;
        QByteArray archive;
        int code;
    };
    const Bytes head = Bytes().header("t", 10, 1);
    const QByteArray name("/tmp/x.db");
    auto entry = [&](const QByteArray &segment) { return Bytes(head).text(name).i32(0x52210000).raw(segment).i32(0).data; };
    const QByteArray zlibGarbage = Bytes().raw(QByteArray("EC2\0", 4)).i32(10).raw("0123456789").i32(0).data;
    const Case cases[] = {
        {"negative name length", Bytes(head).i32(-5).data, kErrRead},
        {"name longer than the file", Bytes(head).i32(1000).raw("abc").data, kErrRead},
        {"huge title", Bytes().i32(0x7FFFFFFF).data, kErrRead},
        {"negative title length", Bytes().i32(-1).i32(0).i32(0).i32(0).data, kErrRead},
        {"unknown marker", entry(Bytes().raw(QByteArray("EC3\0", 4)).i32(0).data), kErrRead},
        {"block longer than a chunk", entry(Bytes().raw(QByteArray("EC2\0", 4)).i32(16385).raw(QByteArray(16385, 'a')).i32(0).data), kErrRead},
        {"raw block longer than a chunk", entry(Bytes().raw(QByteArray("EC2\0", 4)).i32(-16385).raw(QByteArray(16385, 'a')).i32(0).data), kErrRead},
        {"smallest length word", entry(Bytes().raw(QByteArray("EC2\0", 4)).i32(std::numeric_limits<qint32>::min()).data), kErrRead},
        {"zlib block that is not a stream", entry(zlibGarbage), kErrCompression},
        {"LZRW1KH block too long", entry(Bytes().raw(QByteArray("ECS\0", 4)).i32(32773).i32(32769).raw(QByteArray(32769, '\x80')).data), kErrRead},
        {"LZRW1KH segment longer than the file", entry(Bytes().raw(QByteArray("ECS\0", 4)).i32(1000000).i32(5).raw("\x80""abcd").data), kErrRead},
        {"LZRW1KH block beyond its segment", entry(Bytes().raw(QByteArray("ECS\0", 4)).i32(6).i32(5).raw("\x80""abcd").data), kErrRead},
        {"LZRW1KH copy before the output", entry(Bytes().raw(QByteArray("ECS\0", 4)).i32(10).i32(6).raw(QByteArray("\x00\x40\x00x\x00\x2F", 6)).data), kErrRead},
        {"disk change with a bad number", Bytes(head).text("NEXT:DISK/..").data, kErrRead},
        {"unknown marker in a skipped entry", Bytes(head).text("FILE:LIST").i32(0).raw(QByteArray("XYZ\0", 4)).data, kErrInvalid},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(writeFile(damaged, c.archive));
        f.rec.codes.clear();
        EXPECT_FALSE(f.archive.Restore(damaged, out)) << c.what;
        EXPECT_EQ(f.rec.codes, QList<int>({c.code})) << c.what;
        EXPECT_FALSE(f.archive.Busy());
    }
    EXPECT_FALSE(QFile::exists(out + QStringLiteral("/x.db")));

    // Archive information: a file shorter than a header is invalid and
    // leaves the title empty; a missing archive says nothing.
    QStringList lines;
    QString title;
    for (qsizetype cut : {0, 3, 8, 14, 20}) {
        ASSERT_TRUE(writeFile(damaged, bytes.left(cut)));
        f.rec.codes.clear();
        f.archive.GetArchiveInfo(damaged, &lines, title);
        EXPECT_TRUE(title.isEmpty());
        EXPECT_EQ(f.rec.codes, QList<int>({kErrInvalid})) << cut;
    }
    f.rec.codes.clear();
    f.archive.GetArchiveInfo(f.path(QStringLiteral("nao-existe.bck")), &lines, title);
    EXPECT_TRUE(f.rec.codes.isEmpty());
    EXPECT_TRUE(title.isEmpty());
    EXPECT_FALSE(f.archive.Restore(f.path(QStringLiteral("nao-existe.bck")), out));
    EXPECT_TRUE(f.rec.codes.isEmpty());
}

TEST(BackupArchive, ErrorsWithoutAHandlerGoToTheErrorDialog)
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    TBackupArchive archive(dialogs);
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("curto.bck")), "abc"));
    QString title;
    archive.GetArchiveInfo(dir.filePath(QStringLiteral("curto.bck")), nullptr, title);
    EXPECT_EQ(dialogs.texts(), QStringList({msg::kInvalidArchive}));
    // A folder that cannot hold the archive: write error.
    dialogs.clear();
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("f")), "x"));
    EXPECT_FALSE(archive.Backup({dir.filePath(QStringLiteral("f"))}, dir.filePath(QStringLiteral("f/sub/a.bck"))));
    EXPECT_EQ(dialogs.texts(), QStringList({msg::kWriteFailure}));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.first().kind, ScriptedDialogs::Kind::Error);
}

TEST(BackupArchive, StreamArchives)
{
    Fixture f;
    const QByteArray data = textBytes(5000);
    ASSERT_TRUE(writeFile(f.path(QStringLiteral("a.db")), data));
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    f.archive.setStream(&buffer);
    ASSERT_TRUE(f.archive.Backup({f.path(QStringLiteral("a.db"))}, kStreamName));
    EXPECT_TRUE(buffer.isOpen());
    EXPECT_GT(f.archive.CompressionRate(), 50);
    buffer.seek(0);
    QStringList lines;
    QString title;
    f.archive.GetArchiveInfo(kStreamName, &lines, title);
    EXPECT_EQ(lines.size(), 1);
    const qint64 end = buffer.size();
    buffer.seek(end);
    buffer.write("more data after the archive");
    buffer.seek(0);
    ASSERT_TRUE(f.archive.Restore(kStreamName, f.path(QStringLiteral("out"))));
    EXPECT_EQ(buffer.pos(), end);
    EXPECT_EQ(readFile(f.path(QStringLiteral("out/a.db"))), data);
    EXPECT_TRUE(f.rec.codes.isEmpty());
}

TEST(BackupArchive, FilesThatShrinkOrGrowWhileArchived)
{
    Fixture f;
    const QString p = f.path(QStringLiteral("vivo.db"));
    const QByteArray data = randomBytes(3 << 20, 8);
    ASSERT_TRUE(writeFile(p, data));
    f.archive.setSaveFileID(false);
    const QString archive = f.path(QStringLiteral("a.bck"));
    bool changed = false;
    f.archive.OnProgress = [&](const QString &name, int percent, bool &) {
        EXPECT_TRUE(percent >= 0 && percent <= 100) << percent;
        if (!name.isEmpty() && !changed) {
            changed = true;
            QFile::resize(p, (3 << 20) / 2);
        }
    };
    ASSERT_TRUE(f.archive.Backup({p}, archive));
    ASSERT_TRUE(f.archive.Restore(archive, f.path(QStringLiteral("out1"))));
    const QByteArray shrunk = readFile(f.path(QStringLiteral("out1/vivo.db")));
    EXPECT_LT(shrunk.size(), data.size());
    EXPECT_EQ(shrunk, data.left(shrunk.size()));

    // Growing: only the bytes the file had when opened are archived.
    ASSERT_TRUE(writeFile(p, data));
    changed = false;
    f.archive.OnProgress = [&](const QString &name, int percent, bool &) {
        EXPECT_TRUE(percent >= 0 && percent <= 100) << percent;
        if (!name.isEmpty() && !changed) {
            changed = true;
            QFile file(p);
            ASSERT_TRUE(file.open(QIODevice::Append));
            file.write(QByteArray(1 << 20, 'g'));
        }
    };
    ASSERT_TRUE(f.archive.Backup({p}, archive));
    ASSERT_TRUE(f.archive.Restore(archive, f.path(QStringLiteral("out2"))));
    EXPECT_EQ(readFile(f.path(QStringLiteral("out2/vivo.db"))), data);
}

TEST(BackupArchive, RestorePageTexts)
{
    EXPECT_EQ(contentsLine(3, 0), QStringLiteral("3 files, 0 KB total"));
    EXPECT_EQ(contentsLine(3, 512), QStringLiteral("3 files, 0 KB total"));    // half to even
    EXPECT_EQ(contentsLine(3, 1536), QStringLiteral("3 files, 2 KB total"));   // half to even
    EXPECT_EQ(contentsLine(3, 2560), QStringLiteral("3 files, 2 KB total"));
    EXPECT_EQ(contentsLine(3, 2561), QStringLiteral("3 files, 3 KB total"));
    EXPECT_EQ(contentsLine(1, 1023), QStringLiteral("1 files, 1 KB total"));
    EXPECT_EQ(fileInfoDisplayLine(QStringLiteral("/d/a.db\t") + QString::number(packDosTime(someTime(0))) + QStringLiteral("=77")),
              QStringLiteral("/d/a.db from 01/03/2021, 77 bytes"));
}

// Restoring into a folder never follows a symbolic link that stands in it (a
// folder of the stored path or the file itself): the restore fails, nothing
// is written outside the destination, and the folders it created are gone.
TEST(BackupArchive, RestoreNeverFollowsALinkInTheDestinationAndUndoesItsFolders)
{
    Fixture f;
    const QByteArray content("conteudo");
    const qint32 time = static_cast<qint32>(packDosTime(someTime(1)));
    auto archiveWith = [&](const QList<QByteArray> &names, bool damagedLast = false) {
        Bytes b;
        b.header("t", static_cast<qint32>(content.size() * names.size()), static_cast<qint32>(names.size()));
        for (qsizetype i = 0; i < names.size(); ++i) {
            b.text(names[i]).i32(time);
            if (damagedLast && i == names.size() - 1)
                b.raw("XXXX");
            else
                b.rawSegment(content);
        }
        b.i32(0);
        const QString p = f.path(QStringLiteral("hand.bck"));
        EXPECT_TRUE(writeFile(p, b.data));
        return p;
    };
    const QString outside = f.path(QStringLiteral("fora"));
    ASSERT_TRUE(QDir().mkpath(outside));
    const auto link = [](const QString &target, const QString &at) { ASSERT_TRUE(QFile::link(target, at)) << qPrintable(at); };

    struct Case {
        const char *name;
        QList<QByteArray> stored;
        bool fullPath;
        bool damagedLast;
        std::function<void(const QString &dest)> plant;
        QStringList gone; // relative to the destination: created, then removed
    };
    const Case cases[] = {
        {"link to a folder on the stored path", {"c:\\novo\\a.db", "c:\\dados\\empresa.db"}, true, false,
         [&](const QString &d) { link(outside, d + QStringLiteral("/dados")); }, {QStringLiteral("novo")}},
        {"link deeper on the stored path", {"c:\\dados\\sub\\empresa.db"}, true, false,
         [&](const QString &d) {
             ASSERT_TRUE(QDir().mkpath(d + QStringLiteral("/dados")));
             link(outside, d + QStringLiteral("/dados/sub"));
         },
         {}},
        {"link in place of the file", {"c:\\empresa.db"}, false, false,
         [&](const QString &d) {
             ASSERT_TRUE(writeFile(outside + QStringLiteral("/alvo.db"), "original"));
             link(outside + QStringLiteral("/alvo.db"), d + QStringLiteral("/empresa.db"));
         },
         {}},
        {"dangling link in place of the file", {"c:\\empresa.db"}, false, false,
         [&](const QString &d) { link(outside + QStringLiteral("/novo.db"), d + QStringLiteral("/empresa.db")); }, {}},
        {"damaged entry after new folders", {"c:\\x\\y\\a.db", "c:\\z\\b.db"}, true, true, [](const QString &) {},
         {QStringLiteral("x"), QStringLiteral("z")}},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString dest = f.path(QStringLiteral("restaurar%1").arg(++n));
        ASSERT_TRUE(QDir().mkpath(dest));
        c.plant(dest);
        f.rec.codes.clear();
        f.archive.setRestoreFullPath(c.fullPath);
        EXPECT_FALSE(f.archive.Restore(archiveWith(c.stored, c.damagedLast), dest));
        EXPECT_EQ(f.rec.codes.size(), 1);
        // Nothing outside the destination changed.
        QStringList there = QDir(outside).entryList(QDir::Files | QDir::NoDotAndDotDot);
        there.removeAll(QStringLiteral("alvo.db"));
        EXPECT_TRUE(there.isEmpty()) << qPrintable(there.join(QLatin1Char(',')));
        if (QFile::exists(outside + QStringLiteral("/alvo.db"))) {
            EXPECT_EQ(readFile(outside + QStringLiteral("/alvo.db")), QByteArray("original"));
        }
        for (const QString &g : c.gone)
            EXPECT_FALSE(QFileInfo::exists(dest + QLatin1Char('/') + g)) << qPrintable(g);
        EXPECT_TRUE(QFileInfo(dest).isDir()); // the destination existed before: it stays
        QFile::remove(outside + QStringLiteral("/alvo.db"));
    }

    // A destination that did not exist goes again when the restore fails.
    const QString fresh = f.path(QStringLiteral("nova/pasta"));
    f.archive.setRestoreFullPath(false);
    EXPECT_FALSE(f.archive.Restore(archiveWith({"c:\\a.db", "c:\\b.db"}, true), fresh));
    EXPECT_FALSE(QFileInfo::exists(f.path(QStringLiteral("nova"))));
}
