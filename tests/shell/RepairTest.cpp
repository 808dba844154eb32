// The table repair: a sound store is reindexed and compacted; a damaged
// index is rebuilt; a damaged table page costs only that page's rows, and the
// damaged file is kept beside the rebuilt store.

#include "support/TestSupport.h"

#include "shell/Repair.h"
#include "store/Database.h"
#include "store/Sql.h"
#include "store/StoreConfig.h"
#include "store/StoreError.h"
#include "store/StoreFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace quirels;

namespace {

constexpr int kRows = 3000;

// A data folder whose Empresa table spans many pages; returns a page of the
// given kind of the named table or index (0 when there is none).
struct Folder {
    QTemporaryDir dir;
    int page = 0;
    int pageSize = 4096;
};

void makeStore(Folder &f, const QString &object, const QString &pageType)
{
    ASSERT_OK(store::initializeDataFolder(f.dir.path()));
    store::OpenOptions o;
    o.connection = QStringLiteral("reparoTeste");
    {
        Result<QSqlDatabase> db = store::open(f.dir.path(), o);
        ASSERT_TRUE(db.ok()) << qPrintable(db.message());
        sql::Transaction tx(*db);
        QSqlQuery q(*db);
        q.prepare(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao) values (?, ?)"));
        for (int i = 0; i < kRows; ++i) {
            q.bindValue(0, QStringLiteral("%1").arg(10000000000LL + i));
            q.bindValue(1, QStringLiteral("EMPRESA %1 ").arg(i).leftJustified(60, QLatin1Char('X')));
            ASSERT_TRUE(q.exec());
        }
        ASSERT_OK(tx.commit());
        QSqlQuery pages(*db);
        ASSERT_TRUE(pages.exec(QStringLiteral("select pageno from dbstat where name = '%1' and pagetype = '%2' "
                                              "order by pageno").arg(object, pageType)));
        QList<int> found;
        while (pages.next())
            found.append(pages.value(0).toInt());
        ASSERT_GT(found.size(), 2);
        f.page = found.at(found.size() / 2);
        f.pageSize = sql::scalar(*db, QStringLiteral("PRAGMA page_size")).value().toInt();
    }
    store::close(o.connection);
}

void overwritePage(const Folder &f)
{
    QFile file(store::databasePath(f.dir.path()));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(static_cast<qint64>(f.page - 1) * f.pageSize));
    file.write(QByteArray(f.pageSize, '\xa5'));
}

qint64 rows(const QString &folder, const QString &where = QString())
{
    store::OpenOptions o;
    o.connection = QStringLiteral("contagem");
    qint64 n = -1;
    {
        Result<QSqlDatabase> db = store::open(folder, o);
        if (db)
            n = sql::scalar(*db, QStringLiteral("select count(*) from Empresa") + where).value().toLongLong();
    }
    store::close(o.connection);
    return n;
}

} // namespace

TEST(Repair, SoundDamagedIndexAndDamagedTablePage)
{
    {
        Folder f;
        makeStore(f, QStringLiteral("Empresa"), QStringLiteral("leaf"));
        Result<shell::RepairReport> r = shell::repairDataFolder(f.dir.path());
        ASSERT_TRUE(r.ok()) << qPrintable(r.message());
        EXPECT_TRUE(r->sound);
        EXPECT_TRUE(r->keptOriginal.isEmpty());
        EXPECT_TRUE(r->done.contains(QStringLiteral("Banco de dados compactado.")));
        EXPECT_EQ(rows(f.dir.path()), kRows + 0);
    }
    {
        // The primary key's index of Empresa: rebuilding the indexes mends it.
        Folder f;
        makeStore(f, QStringLiteral("sqlite_autoindex_Empresa_1"), QStringLiteral("leaf"));
        overwritePage(f);
        ASSERT_FALSE(store::file::integrityProblems(store::databasePath(f.dir.path())).isEmpty());
        Result<shell::RepairReport> r = shell::repairDataFolder(f.dir.path());
        ASSERT_TRUE(r.ok()) << qPrintable(r.message());
        EXPECT_TRUE(r->sound);
        EXPECT_EQ(rows(f.dir.path()), kRows + 0);
    }
    {
        // A page of the table's rows: only that page's rows are lost.
        Folder f;
        makeStore(f, QStringLiteral("Empresa"), QStringLiteral("leaf"));
        overwritePage(f);
        const QStringList problems = store::file::integrityProblems(store::databasePath(f.dir.path()));
        ASSERT_FALSE(problems.isEmpty());
        Result<shell::RepairReport> r = shell::repairDataFolder(f.dir.path());
        ASSERT_TRUE(r.ok()) << qPrintable(r.message());
        EXPECT_TRUE(r->sound);
        EXPECT_TRUE(QFile::exists(r->keptOriginal));
        EXPECT_TRUE(store::file::integrityProblems(store::databasePath(f.dir.path())).isEmpty());
        const qint64 left = rows(f.dir.path());
        EXPECT_LT(left, kRows);
        EXPECT_GT(left, kRows - f.pageSize / 60);
        // Rows on both sides of the damaged page are there, the reference data too.
        EXPECT_EQ(rows(f.dir.path(), QStringLiteral(" where CdCNPJEmpr in ('10000000000', '%1')").arg(10000000000LL + kRows - 1)), 2);
        // The report speaks Portuguese; the store's own words are in the log.
        for (const QString &line : r->found + r->done)
            EXPECT_FALSE(line.contains(problems.first())) << qPrintable(line);
        QFile log(store::logPath(f.dir.path()));
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        const QString logged = QString::fromUtf8(log.readAll());
        for (QString p : problems) // one line each in the log
            EXPECT_TRUE(logged.contains(p.replace(QLatin1Char('\n'), QLatin1Char(' ')))) << qPrintable(p);
        EXPECT_TRUE(logged.contains(QDir::toNativeSeparators(r->keptOriginal))) << qPrintable(logged);
    }
}

TEST(Repair, TheProgramRepairsAndReports)
{
    Folder f;
    makeStore(f, QStringLiteral("Empresa"), QStringLiteral("leaf"));
    overwritePage(f);
    // The machine's store configuration asks for the journal mode of a shared folder.
    QTemporaryDir config;
    ASSERT_OK(store::config::changeEntry(test::machineStoreConfigPath(config.path()), store::config::kSystemInit,
                                         store::config::kLocalShare, QStringLiteral("TRUE")));
    QProcess p;
    QProcessEnvironment env = test::machineConfigEnvironment(config.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QDir(test::binaryDir()).filePath(shell::kRepairProgram),
            {shell::kRepairAccessCode, f.dir.path(), QStringLiteral("--fechar")});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    const QStringList kept = QDir(f.dir.path()).entryList({QStringLiteral("quirels.db.danificado-*")});
    EXPECT_EQ(kept.filter(QRegularExpression(QStringLiteral("^quirels\\.db\\.danificado-\\d{8}-\\d{6}$"))).size(), 1)
        << qPrintable(kept.join(QLatin1Char(' ')));
    EXPECT_TRUE(store::file::integrityProblems(store::databasePath(f.dir.path())).isEmpty());
    {
        // Read as it is: the store's own opening would set a mode.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("modo"));
        db.setDatabaseName(store::databasePath(f.dir.path()));
        ASSERT_TRUE(db.open());
        EXPECT_EQ(sql::scalar(db, QStringLiteral("PRAGMA journal_mode")).value().toString(), QStringLiteral("delete"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("modo"));
    QFile log(store::logPath(f.dir.path()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("integrity_check: "));
}
