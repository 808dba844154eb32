// Backup and restore of 200 MB of data files against gzip -1 and gunzip on
// the same bytes. Prints three lines:
//   backup: ours X s, baseline Y s, ratio R        (time of gzip -1)
//   backup_size: ours X MB, baseline Y MB, ratio R (archive size against the .gz)
//   restore: ours X s, baseline Y s, ratio R       (time of gunzip)

#include "BenchSupport.h"

#include "backup/BackupArchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace quirels;
using namespace quirels::backup;

namespace {

[[noreturn]] void die(const char *what)
{
    std::fprintf(stderr, "bench_backup: %s\n", what);
    std::exit(2);
}

// Rows of a table file: fixed-width records with keys, dates, names from a
// small vocabulary, quantities and zero padding, in 2048-byte pages.
QByteArray databaseLike(qint64 bytes, quint32 seed)
{
    static const char *const names[] = {"ACETONA", "ACIDO SULFURICO", "TOLUENO", "ETER ETILICO", "METANOL",
                                        "CLOROFORMIO", "HEXANO", "PERMANGANATO DE POTASSIO", "ACIDO CLORIDRICO",
                                        "AMONIA", "BENZENO", "XILENO"};
    QRandomGenerator rng(seed);
    QByteArray out;
    out.reserve(bytes);
    QByteArray page;
    while (out.size() < bytes) {
        page.clear();
        page.append(QByteArray::number(rng.bounded(1 << 20)).rightJustified(8, '0'));
        while (page.size() < 2048 - 96) {
            const int n = static_cast<int>(rng.bounded(12u));
            QByteArray row;
            row += QByteArray::number(10000000000000LL + rng.bounded(900)) + "0001";
            row += QByteArray::number(2003 + rng.bounded(20)) + "JANFEVMARABRMAIJUN" + QByteArray::number(n);
            row += QByteArray(names[n]).leftJustified(40, ' ');
            row += QByteArray::number(2900 + rng.bounded(99)) + "." + QByteArray::number(rng.bounded(100)).rightJustified(2, '0');
            row += QByteArray::number(rng.bounded(100000) / 7.0, 'f', 3).rightJustified(14, ' ');
            row += QByteArray(static_cast<int>(rng.bounded(12u)), '\0');
            page += row.leftJustified(96, '\0');
        }
        page = page.leftJustified(2048, '\0');
        out += page;
    }
    out.truncate(bytes);
    return out;
}

QByteArray randomData(qint64 bytes, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray out(bytes, Qt::Uninitialized);
    rng.fillRange(reinterpret_cast<quint32 *>(out.data()), static_cast<qsizetype>(bytes / 4));
    return out;
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        die("cannot write the test files");
}

double runProcess(const QString &program, const QStringList &args, const QString &outputFile)
{
    return bench::seconds([&] {
        QProcess p;
        p.setStandardOutputFile(outputFile);
        p.start(program, args);
        if (!p.waitForStarted() || !p.waitForFinished(-1) || p.exitCode() != 0)
            die("the baseline program failed");
    });
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        die("no temporary folder");
    const QString data = dir.filePath(QStringLiteral("dados"));
    QDir().mkpath(data);

    // 200 MB: 140 MB of table files, 60 MB of incompressible files.
    QStringList files;
    const qint64 mb = 1 << 20;
    for (int i = 0; i < 7; ++i) {
        files << data + QStringLiteral("/tabela%1.db").arg(i);
        writeFile(files.last(), databaseLike(20 * mb, 100 + i));
    }
    for (int i = 0; i < 3; ++i) {
        files << data + QStringLiteral("/anexo%1.bin").arg(i);
        writeFile(files.last(), randomData(20 * mb, 200 + i));
    }

    ConsoleDialogs dialogs(false);
    TBackupArchive archive(dialogs);
    archive.setBackupTitle(QStringLiteral("Quirels"));
    archive.setCompressionLevel(TCompressionLevel::clFastest);
    archive.setSaveFileID(true);
    const QString bck = dir.filePath(QStringLiteral("copia.bck"));
    const QString gz = dir.filePath(QStringLiteral("copia.gz"));

    const double oursBackup = bench::seconds(
        [&] {
            if (!archive.Backup(files, bck))
                die("the backup failed");
        },
        2);
    QStringList gzipArgs{QStringLiteral("-1"), QStringLiteral("-c")};
    gzipArgs += files;
    double gzipTime = 1e300;
    for (int i = 0; i < 2; ++i)
        gzipTime = std::min(gzipTime, runProcess(QStringLiteral("gzip"), gzipArgs, gz));

    int run = 0;
    const double oursRestore = bench::seconds(
        [&] {
            const QString out = dir.filePath(QStringLiteral("restaurado%1").arg(run++));
            if (!archive.Restore(bck, out))
                die("the restore failed");
        },
        2);
    const double gunzipTime = std::min(runProcess(QStringLiteral("gunzip"), {QStringLiteral("-c"), gz}, dir.filePath(QStringLiteral("g1"))),
                                       runProcess(QStringLiteral("gunzip"), {QStringLiteral("-c"), gz}, dir.filePath(QStringLiteral("g2"))));

    bench::report(QStringLiteral("backup"), oursBackup, gzipTime);
    const double oursMb = static_cast<double>(QFileInfo(bck).size()) / mb;
    const double gzMb = static_cast<double>(QFileInfo(gz).size()) / mb;
    std::printf("backup_size: ours %.3f MB, baseline %.3f MB, ratio %.2f\n", oursMb, gzMb, oursMb / gzMb);
    bench::report(QStringLiteral("restore"), oursRestore, gunzipTime);
    return 0;
}
