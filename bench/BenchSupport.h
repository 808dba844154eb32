#pragma once
// Support for the benchmark programs: wall-clock timing, the sqlite3 shell as
// the baseline, and the one result line every case prints.

#include <QString>
#include <functional>

namespace quirels::bench {

// Seconds taken by fn (best of `runs`).
double seconds(const std::function<void()> &fn, int runs = 1);

// Runs the sqlite3 shell on the database with the script on standard input;
// returns the seconds it took. Aborts the benchmark when the shell fails.
double sqliteShell(const QString &databasePath, const QString &script);

// Prints "name: ours X s, baseline Y s, ratio R".
void report(const QString &name, double ours, double baseline);

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
