#pragma once
// Support for the benchmark programs: wall-clock timing, the sqlite3 shell as
// the baseline, and the one result line every case prints.

#include "store/Database.h"

#include <QString>
#include <functional>

namespace quirels::bench {

// Seconds taken by fn (best of `runs`).
double seconds(const std::function<void()> &fn, int runs = 1);

// Runs the sqlite3 shell on the database with the script on standard input;
// returns the seconds it took. Aborts the benchmark when the shell fails.
double sqliteShell(const QString &databasePath, const QString &script);

// Prints "name: ours X s, baseline Y s, ratio R"; on the server (below),
// "name: servidor X s" (the baseline is not run there).
void report(const QString &name, double ours, double baseline);
// The same, for a case whose baseline also works on the store: under
// bench/run --servidor its line names that baseline on the server too.
void reportWithStoreBaseline(const QString &name, double ours, double baseline);

// The server of QUIRELS_BENCH_SERVIDOR (bench/run --servidor URL, the
// maintenance database of a server where the user may create databases):
// the cases that support it measure their own operation on a database of that
// server instead of the data folder's file, and skip their baseline.
bool onServer();
// The options that open the store of a data folder: `base` as given, plus on
// the server a database of its own for that folder (created empty on first
// use, dropped when the program ends).
store::OpenOptions storeOptions(const QString &folder, store::OpenOptions base = {});

// The peak resident memory of this process so far, in bytes (0 where the
// system does not tell).
qint64 peakMemory();

// Runs this benchmark program again with arguments (a mode of its own that
// does one operation and prints its peakMemory() as its last line); returns
// that figure. Aborts the benchmark when the run fails.
qint64 peakMemoryOfRun(const QStringList &arguments);

// Prints "name: X MB for Y MB of packet".
void reportMemory(const QString &name, qint64 peak, qint64 packetBytes);

} // namespace quirels::bench
