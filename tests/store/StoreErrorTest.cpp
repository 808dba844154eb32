#include "store/Database.h"
#include "store/Messages.h"
#include "store/Sql.h"
#include "store/StoreError.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

using namespace quirels;

namespace {

QString logText(const QString &folder)
{
    QFile f(store::logPath(folder));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Words of the store's own messages that must never reach the user.
bool looksRaw(const QString &message)
{
    for (const char *w : {"database", "constraint", "locked", "failed", "no such", "malformed", "SQL"})
        if (message.contains(QLatin1String(w), Qt::CaseInsensitive))
            return true;
    return false;
}

const QString kInsertMes = QStringLiteral("INSERT INTO Mes (CdCNPJEmpr, NrAno, NmMes) VALUES ('11222333000181', '2005', 'JAN')");

} // namespace

// Each failure becomes the sentence that says what failed; the store's text
// is in the log of the data folder.
TEST(StoreError, FailuresBecomePortugueseSentencesAndTheTechnicalTextIsLogged)
{
    struct Case {
        const char *name;
        QString setup;      // run first, must succeed
        QString statement;  // must fail
        QString expected;
        const char *logged; // part of the store's own text
        bool aboutRow;
        const char *loggedByServer; // the server's error code
    };
    const Case cases[] = {
        {"duplicate key", kInsertMes, kInsertMes, store::msg::kFalhaChaveRepetida.arg(QStringLiteral("Mes")),
         "UNIQUE constraint failed", true, "[23505]"},
        {"required key field", QString(), QStringLiteral("INSERT INTO Mes (NrAno, NmMes) VALUES ('2005', 'JAN')"),
         store::msg::kFalhaObrigatorio.arg(QStringLiteral("CdCNPJEmpr"), QStringLiteral("Mes")),
         "NOT NULL constraint failed", true, "[23502]"},
        {"text wider than its field", QString(),
         QStringLiteral("INSERT INTO Mes (CdCNPJEmpr, NrAno, NmMes) VALUES ('11222333000181', '2005', 'JANEIRO')"),
         store::msg::kTextoLongo.arg(QStringLiteral("NmMes")).arg(3), "CHECK constraint failed", true, "[23514]"},
        {"missing table", QStringLiteral("DROP TABLE Transporte"), QStringLiteral("SELECT * FROM Transporte"),
         store::msg::kFalhaTabelaAusente.arg(QStringLiteral("Transporte")), "no such table", false, "[42P01]"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        test::TempStore s;
        QSqlDatabase db = s.db();
        if (!c.setup.isEmpty())
            ASSERT_OK(sql::exec(db, c.setup));
        QSqlQuery q(db);
        ASSERT_FALSE(q.exec(c.statement));
        const store::Failure f = store::describe(q);
        EXPECT_EQ(f.message, c.expected);
        EXPECT_EQ(f.aboutRow(), c.aboutRow);
        EXPECT_FALSE(looksRaw(f.message)) << qPrintable(f.message);
        EXPECT_TRUE(logText(s.folder()).contains(QLatin1String(test::onServer() ? c.loggedByServer : c.logged))) << qPrintable(logText(s.folder()));
        // The sql helpers give the same sentence.
        Status st = sql::exec(db, c.statement);
        ASSERT_FALSE(st.ok());
        EXPECT_EQ(st.message(), c.expected);
    }
}

// A damaged store file is named as such, in Portuguese.
TEST(StoreError, DamagedStoreIsReportedWithoutTheStoresText)
{
    QTemporaryDir dir;
    QFile f(store::databasePath(dir.path()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(8192, 'x'));
    f.close();
    store::OpenOptions o;
    o.connection = QStringLiteral("damaged");
    Result<QSqlDatabase> db = store::open(dir.path(), o);
    ASSERT_FALSE(db.ok());
    EXPECT_EQ(db.message(), store::msg::kBancoInvalido.arg(QDir::toNativeSeparators(store::databasePath(dir.path()))));
    EXPECT_FALSE(logText(dir.path()).isEmpty());
}

// Two real connections on one store: a writer whose transaction has read
// first waits the busy timeout for the other writer, then says another
// program is using the store.
TEST(StoreError, WriterWaitsItsBusyTimeoutThenSaysAnotherProgramIsUsingTheStore)
{
    QUIRELS_SQLITE_ONLY();
    test::TempStore s;
    store::OpenOptions other;
    other.connection = QStringLiteral("other");
    Result<QSqlDatabase> holder = store::open(s.folder(), other);
    ASSERT_OK(holder);
    ASSERT_OK(sql::exec(*holder, QStringLiteral("BEGIN IMMEDIATE")));
    ASSERT_OK(sql::exec(*holder, kInsertMes));

    store::OpenOptions mine;
    mine.connection = QStringLiteral("mine");
    mine.busyTimeoutMs = 400;
    Result<QSqlDatabase> db = store::open(s.folder(), mine);
    ASSERT_OK(db);
    QElapsedTimer t;
    t.start();
    Status result;
    {
        sql::Transaction tx(*db);
        if (!tx.active()) {
            result = tx.error();
        } else if (Result<QVariant> r = sql::scalar(*db, QStringLiteral("SELECT count(*) FROM Empresa")); !r) {
            result = r.error();
        } else {
            result = sql::exec(*db, QStringLiteral("INSERT INTO Mes (CdCNPJEmpr, NrAno, NmMes) VALUES ('99888777000166', '2005', 'JAN')"));
        }
    }
    const qint64 waited = t.elapsed();
    ASSERT_FALSE(result.ok());
    EXPECT_GE(waited, 350);
    EXPECT_EQ(result.message(), store::msg::kFalhaOcupado);
    EXPECT_TRUE(logText(s.folder()).contains(QLatin1String("database is locked"))) << qPrintable(logText(s.folder()));

    ASSERT_OK(sql::exec(*holder, QStringLiteral("ROLLBACK")));
    *holder = QSqlDatabase();
    *db = QSqlDatabase();
    store::close(other.connection);
    store::close(mine.connection);
}

// A lock given up within the busy timeout costs the second writer a wait,
// not its work.
TEST(StoreError, WriterGetsTheStoreWhenTheOtherWriterFinishesWithinTheTimeout)
{
    QUIRELS_SQLITE_ONLY();
    test::TempStore s;
    const QString folder = s.folder();
    std::atomic<bool> locked{false};
    std::thread otherProgram([&] {
        store::OpenOptions o;
        o.connection = QStringLiteral("thread");
        {
            Result<QSqlDatabase> db = store::open(folder, o);
            if (db) {
                sql::exec(*db, QStringLiteral("BEGIN IMMEDIATE"));
                sql::exec(*db, kInsertMes);
                locked = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                sql::exec(*db, QStringLiteral("COMMIT"));
            }
            locked = true;
        }
        store::close(o.connection);
    });
    while (!locked)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    QSqlDatabase db = s.db();
    Status result;
    {
        sql::Transaction tx(db);
        result = tx.active() ? Status() : Status(tx.error());
        if (result.ok()) {
            Result<QVariant> n = sql::scalar(db, QStringLiteral("SELECT count(*) FROM Mes"));
            result = n ? sql::exec(db, QStringLiteral("INSERT INTO Mes (CdCNPJEmpr, NrAno, NmMes) VALUES ('99888777000166', '2005', 'JAN')"))
                       : Status(n.error());
        }
        if (result.ok())
            result = tx.commit();
    }
    otherProgram.join();
    EXPECT_OK(result);
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(*) FROM Mes")).toInt(), 2);
}
