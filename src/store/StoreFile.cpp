#include "StoreFile.h"

#include "Messages.h"
#include "NameOrder.h"
#include "StoreError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace quirels::store::file {

namespace {

QString native(const QString &path) { return QDir::toNativeSeparators(path); }

struct DbCloser {
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;

struct StmtFinalizer {
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

// Opens an existing store file; never creates one.
Db openExisting(const QString &path, bool readOnly, int busyTimeoutMs)
{
    sqlite3 *raw = nullptr;
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK)
        return nullptr;
    sqlite3_busy_timeout(db.get(), busyTimeoutMs);
    sqlite3_extended_result_codes(db.get(), 1);
    registerNameCollation(db.get());
    return db;
}

Db create(const QString &path)
{
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK)
        return nullptr;
    registerNameCollation(db.get());
    return db;
}

Stmt prepare(sqlite3 *db, const QString &sql)
{
    sqlite3_stmt *raw = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &raw, nullptr) != SQLITE_OK)
        return nullptr;
    return Stmt(raw);
}

bool exec(sqlite3 *db, const QString &sql)
{
    return sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString quoted(const QString &id) { return QLatin1Char('"') + QString(id).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"'); }

QString text(sqlite3_stmt *s, int col)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, col)));
}

bool isBusy(int rc) { return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED; }

} // namespace

bool isStoreFile(const QString &path)
{
    // Read through the store's own file layer. The store may be open on
    // connections of this process, and closing a descriptor of our own on
    // the same file would drop their locks: another program would then take
    // the store as unused and remove its log with rows still in it.
    sqlite3_vfs *vfs = sqlite3_vfs_find(nullptr);
    if (!vfs || path.isEmpty())
        return false;
    const QByteArray name = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    std::vector<std::max_align_t> room(static_cast<size_t>(vfs->szOsFile) / sizeof(std::max_align_t) + 1);
    auto *file = reinterpret_cast<sqlite3_file *>(room.data());
    int flags = 0;
    if (vfs->xOpen(vfs, name.constData(), file, SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_DB, &flags) != SQLITE_OK) {
        if (file->pMethods)
            file->pMethods->xClose(file);
        return false;
    }
    char header[16] = {};
    const int rc = file->pMethods->xRead(file, header, sizeof header, 0);
    file->pMethods->xClose(file);
    return rc == SQLITE_OK && QByteArray(header, sizeof header) == QByteArray("SQLite format 3\0", 16);
}

const QStringList &logSuffixes()
{
    static const QStringList suffixes{QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")};
    return suffixes;
}

QString storeOfLogFile(const QString &path)
{
    for (const QString &suffix : logSuffixes()) {
        if (path.size() > suffix.size() && path.endsWith(suffix, Qt::CaseInsensitive)) {
            const QString store = path.left(path.size() - suffix.size());
            if (isStoreFile(store))
                return store;
        }
    }
    return {};
}

Status snapshot(const QString &source, const QString &target, int busyTimeoutMs)
{
    // Read-write where possible, so that a log left by a crashed session is
    // recovered as the store itself would; read-only on read-only media.
    Db src = openExisting(source, false, busyTimeoutMs);
    if (!src)
        src = openExisting(source, true, busyTimeoutMs);
    if (!src)
        return makeError(msg::kCopiaFalhou.arg(native(source)), 2);
    QFile::remove(target);
    for (const QString &suffix : logSuffixes())
        QFile::remove(target + suffix);
    Db dst = create(target);
    if (!dst)
        return makeError(msg::kCopiaFalhou.arg(native(source)), 2);
    // One step copies every page inside one read transaction: a consistent
    // picture of the committed rows, including those still in the log.
    int rc = SQLITE_ERROR;
    if (sqlite3_backup *b = sqlite3_backup_init(dst.get(), "main", src.get(), "main")) {
        rc = sqlite3_backup_step(b, -1);
        sqlite3_backup_finish(b);
    }
    const bool ok = rc == SQLITE_DONE;
    dst.reset();
    src.reset();
    if (ok)
        return {};
    QFile::remove(target);
    return makeError((isBusy(rc) ? msg::kCopiaBloqueada : msg::kCopiaFalhou).arg(native(source)), 2);
}

Status setAsideLogs(const QString &path)
{
    for (const QString &suffix : logSuffixes()) {
        const QString log = path + suffix;
        if (!QFileInfo::exists(log))
            continue;
        if (suffix == QLatin1String("-shm")) {
            if (!QFile::remove(log))
                return makeError(msg::kArquivoNaoExcluido.arg(native(log)), 2);
            continue;
        }
        const QString aside = log + QStringLiteral(".anterior");
        QFile::remove(aside);
        if (!QFile::rename(log, aside))
            return makeError(msg::kArquivoNaoMovido.arg(native(log), native(aside)), 2);
    }
    return {};
}

QStringList integrityProblems(const QString &path)
{
    const QString unreadable = QStringLiteral("não foi possível ler o arquivo");
    if (!isStoreFile(path))
        return {unreadable};
    Db db = openExisting(path, false, 5000);
    if (!db)
        db = openExisting(path, true, 5000);
    if (!db)
        return {unreadable};
    Stmt check = prepare(db.get(), QStringLiteral("PRAGMA integrity_check"));
    if (!check)
        return {QString::fromUtf8(sqlite3_errmsg(db.get()))};
    QStringList problems;
    int rc;
    while ((rc = sqlite3_step(check.get())) == SQLITE_ROW) {
        const QString line = text(check.get(), 0);
        if (line.compare(QLatin1String("ok"), Qt::CaseInsensitive) != 0)
            problems.append(line);
    }
    if (rc != SQLITE_DONE)
        problems.append(QString::fromUtf8(sqlite3_errmsg(db.get())));
    return problems;
}

namespace {

struct SchemaEntry {
    QString type;
    QString name;
    QString sql;
};

// Copies the rows of one table in row-number order. A stretch that cannot be
// read is stepped over: the smallest row number past it from which reading
// works again is searched for, so only the rows of the damaged pages are lost.
bool copyTable(sqlite3 *src, sqlite3 *dst, const QString &table, qint64 &copied)
{
    Stmt read = prepare(src, QStringLiteral("SELECT rowid, * FROM %1 WHERE rowid > ? ORDER BY rowid").arg(quoted(table)));
    if (!read)
        return false;
    const int columns = sqlite3_column_count(read.get());
    QStringList names{QStringLiteral("rowid")};
    QStringList marks{QStringLiteral("?")};
    for (int c = 1; c < columns; ++c) {
        names.append(quoted(QString::fromUtf8(sqlite3_column_name(read.get(), c))));
        marks.append(QStringLiteral("?"));
    }
    Stmt write = prepare(dst, QStringLiteral("INSERT OR REPLACE INTO %1 (%2) VALUES (%3)")
                                  .arg(quoted(table), names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
    if (!write)
        return false;

    // Whether reading from just after `from` gives a row or the end.
    auto readableFrom = [&](sqlite3_int64 from) {
        sqlite3_reset(read.get());
        sqlite3_bind_int64(read.get(), 1, from);
        const int rc = sqlite3_step(read.get());
        return rc == SQLITE_ROW || rc == SQLITE_DONE;
    };

    bool intact = true;
    sqlite3_int64 last = std::numeric_limits<sqlite3_int64>::min();
    sqlite3_reset(read.get());
    sqlite3_bind_int64(read.get(), 1, last);
    for (;;) {
        const int rc = sqlite3_step(read.get());
        if (rc == SQLITE_DONE)
            break;
        if (rc == SQLITE_ROW) {
            sqlite3_reset(write.get());
            for (int c = 0; c < columns; ++c)
                sqlite3_bind_value(write.get(), c + 1, sqlite3_column_value(read.get(), c));
            last = sqlite3_column_int64(read.get(), 0);
            if (sqlite3_step(write.get()) == SQLITE_DONE)
                ++copied;
            continue;
        }
        intact = false;
        // Grow the jump until reading works again, then narrow it down.
        sqlite3_int64 bad = last;
        sqlite3_int64 step = 1;
        sqlite3_int64 good = 0;
        bool found = false;
        while (!found) {
            const sqlite3_int64 probe = bad > std::numeric_limits<sqlite3_int64>::max() - step
                                            ? std::numeric_limits<sqlite3_int64>::max()
                                            : bad + step;
            if (readableFrom(probe)) {
                good = probe;
                found = true;
            } else if (probe == std::numeric_limits<sqlite3_int64>::max()) {
                break;
            } else {
                bad = probe;
                step = step > std::numeric_limits<sqlite3_int64>::max() / 2 ? step : step * 2;
            }
        }
        if (!found)
            break;
        while (good - bad > 1) {
            const sqlite3_int64 mid = bad + (good - bad) / 2;
            if (readableFrom(mid))
                good = mid;
            else
                bad = mid;
        }
        last = good;
        sqlite3_reset(read.get());
        sqlite3_bind_int64(read.get(), 1, last);
    }
    return intact;
}

} // namespace

Result<Recovery> recover(const QString &source, const QString &target)
{
    const QString folder = QFileInfo(source).absolutePath();
    // The store's own text of what stopped the recovery goes to the log.
    const auto failedOn = [&](sqlite3 *db, const QString &file = QString()) {
        if (db)
            logDetail(folder, QStringLiteral("recover: ") + QString::fromUtf8(sqlite3_errmsg(db)),
                      QString::number(sqlite3_extended_errcode(db)));
        else
            logDetail(folder, QStringLiteral("recover: cannot open ") + native(file));
        return makeError(msg::kRecuperacaoFalhou.arg(native(source)), 2);
    };
    Db src = openExisting(source, true, 5000);
    if (!src)
        return failedOn(nullptr, source);
    std::vector<SchemaEntry> entries;
    {
        Stmt s = prepare(src.get(), QStringLiteral("SELECT type, name, sql FROM sqlite_master WHERE sql IS NOT NULL"));
        if (!s)
            return failedOn(src.get());
        while (sqlite3_step(s.get()) == SQLITE_ROW)
            entries.push_back({text(s.get(), 0), text(s.get(), 1), text(s.get(), 2)});
    }
    int version = 0;
    if (Stmt v = prepare(src.get(), QStringLiteral("PRAGMA user_version")); v && sqlite3_step(v.get()) == SQLITE_ROW)
        version = sqlite3_column_int(v.get(), 0);

    QFile::remove(target);
    for (const QString &suffix : logSuffixes())
        QFile::remove(target + suffix);
    Recovery out;
    {
        Db dst = create(target);
        if (!dst)
            return failedOn(nullptr, target);
        if (!exec(dst.get(), QStringLiteral("PRAGMA journal_mode=OFF")) || !exec(dst.get(), QStringLiteral("BEGIN")))
            return failedOn(dst.get());
        for (const SchemaEntry &e : entries)
            if (e.type == QLatin1String("table") && !e.name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
                if (!exec(dst.get(), e.sql))
                    return failedOn(dst.get());
        for (const SchemaEntry &e : entries) {
            if (e.type != QLatin1String("table") || e.name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
                continue;
            if (!copyTable(src.get(), dst.get(), e.name, out.rowsCopied))
                out.damagedTables.append(e.name);
        }
        // The numbers handed out so far, so that none is used again.
        if (Stmt seq = prepare(src.get(), QStringLiteral("SELECT name, seq FROM sqlite_sequence"))) {
            while (sqlite3_step(seq.get()) == SQLITE_ROW) {
                Stmt put = prepare(dst.get(), QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)"));
                if (!put)
                    break;
                sqlite3_bind_value(put.get(), 1, sqlite3_column_value(seq.get(), 0));
                sqlite3_bind_value(put.get(), 2, sqlite3_column_value(seq.get(), 1));
                sqlite3_step(put.get());
            }
        }
        // Indexes are built anew from the rows; a unique index that the
        // recovered rows no longer satisfy is left out rather than losing rows.
        for (const SchemaEntry &e : entries)
            if (e.type != QLatin1String("table"))
                exec(dst.get(), e.sql);
        if (!exec(dst.get(), QStringLiteral("PRAGMA user_version = %1").arg(version)) ||
            !exec(dst.get(), QStringLiteral("COMMIT")))
            return failedOn(dst.get());
        exec(dst.get(), QStringLiteral("PRAGMA journal_mode=DELETE"));
    }
    return out;
}

} // namespace quirels::store::file
