#include "BenchSupport.h"

#include <QCoreApplication>
#include <QHash>
#include <QSqlQuery>
#include <QSqlError>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <cstdio>
#include <cstdlib>

namespace quirels::bench {

double seconds(const std::function<void()> &fn, int runs)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        best = std::min(best, static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
    return best;
}

double sqliteShell(const QString &databasePath, const QString &script)
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), QStringLiteral("-bail"), databasePath});
    if (!p.waitForStarted()) {
        std::fprintf(stderr, "bench: the sqlite3 shell could not be started\n");
        std::exit(2);
    }
    p.write(script.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(-1);
    const double s = static_cast<double>(t.nsecsElapsed()) / 1e9;
    if (p.exitCode() != 0) {
        std::fprintf(stderr, "bench: sqlite3 failed: %s\n", p.readAllStandardError().constData());
        std::exit(2);
    }
    return s;
}

void report(const QString &name, double ours, double baseline)
{
    if (onServer()) {
        std::printf("%s: servidor %.3f s\n", name.toUtf8().constData(), ours);
        std::fflush(stdout);
        return;
    }
    std::printf("%s: ours %.3f s, baseline %.3f s, ratio %.2f\n", name.toUtf8().constData(), ours, baseline,
                baseline > 0 ? ours / baseline : 0.0);
    std::fflush(stdout);
}

void reportWithStoreBaseline(const QString &name, double ours, double baseline)
{
    if (!onServer())
        return report(name, ours, baseline);
    std::printf("%s: servidor %.3f s, baseline %.3f s\n", name.toUtf8().constData(), ours, baseline);
    std::fflush(stdout);
}

bool onServer() { return !qEnvironmentVariableIsEmpty("QUIRELS_BENCH_SERVIDOR"); }

namespace {

const QString kMaintenance = QStringLiteral("bench-manutencao");

// The databases made for data folders, dropped at exit.
QHash<QString, store::ServerUrl> &serverDatabases()
{
    static QHash<QString, store::ServerUrl> all;
    return all;
}

void maintain(const QString &statement)
{
    if (!QSqlDatabase::contains(kMaintenance)) {
        const Result<store::ServerUrl> url = store::ServerUrl::parse(qEnvironmentVariable("QUIRELS_BENCH_SERVIDOR"));
        if (!url) {
            std::fprintf(stderr, "bench: %s\n", url.message().toUtf8().constData());
            std::exit(2);
        }
        store::ServerConnection how;
        how.connection = kMaintenance;
        if (Result<QSqlDatabase> db = store::openServer(*url, how); !db) {
            std::fprintf(stderr, "bench: %s\n", db.message().toUtf8().constData());
            std::exit(2);
        }
    }
    QSqlQuery q(QSqlDatabase::database(kMaintenance, false));
    if (!q.exec(statement)) {
        std::fprintf(stderr, "bench: %s\n", q.lastError().text().toUtf8().constData());
        std::exit(2);
    }
}

void dropServerDatabases()
{
    const QList<QString> names = [] {
        QList<QString> out;
        for (const store::ServerUrl &u : serverDatabases())
            out.append(u.database);
        return out;
    }();
    // The cases' own connections go first.
    for (const QString &name : QSqlDatabase::connectionNames())
        if (name != kMaintenance)
            store::close(name);
    for (const QString &db : names)
        maintain(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(db));
    serverDatabases().clear();
}

} // namespace

store::OpenOptions storeOptions(const QString &folder, store::OpenOptions base)
{
    if (!onServer())
        return base;
    QHash<QString, store::ServerUrl> &all = serverDatabases();
    auto it = all.constFind(folder);
    if (it == all.constEnd()) {
        store::ServerUrl url = *store::ServerUrl::parse(qEnvironmentVariable("QUIRELS_BENCH_SERVIDOR"));
        url.database = QStringLiteral("quirels_bench_%1_%2").arg(QCoreApplication::applicationPid()).arg(all.size() + 1);
        maintain(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(url.database));
        maintain(QStringLiteral("CREATE DATABASE %1").arg(url.database));
        if (all.isEmpty())
            qAddPostRoutine(dropServerDatabases);
        it = all.insert(folder, url);
    }
    base.server = *it;
    return base;
}

qint64 peakMemory()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

qint64 peakMemoryOfRun(const QStringList &arguments)
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), arguments);
    if (!p.waitForStarted() || !p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "bench: the measured run failed: %s\n", p.readAllStandardError().constData());
        std::exit(2);
    }
    const QList<QByteArray> lines = p.readAllStandardOutput().trimmed().split('\n');
    return lines.isEmpty() ? 0 : lines.last().trimmed().toLongLong();
}

void reportMemory(const QString &name, qint64 peak, qint64 packetBytes)
{
    std::printf("%s: %.1f MB for %.1f MB of packet\n", name.toUtf8().constData(), peak / 1048576.0,
                packetBytes / 1048576.0);
    std::fflush(stdout);
}

} // namespace quirels::bench
