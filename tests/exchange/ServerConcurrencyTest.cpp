// Several workstations on one server store: each workstation is a
// connection of its own (or a process of its own).

#include "TextImportFixture.h"
#include "exchange/TextImport.h"
#include "shell/PeriodOps.h"
#include "store/BatchInsert.h"
#include "store/DataModule.h"
#include "store/Dialect.h"
#include "store/Messages.h"
#include "store/PeriodLock.h"
#include "store/Sql.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSqlQuery>
#include <QThread>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

using namespace quirels;

namespace {

#define SERVER_ONLY()                                                                      \
    do {                                                                                   \
        if (!test::onServer())                                                             \
            GTEST_SKIP() << "workstations sharing a server store (test_exchange_servidor)"; \
    } while (0)

const QString kCnpj = QStringLiteral("11222333000181");
const PeriodKey kJan{kCnpj, QStringLiteral("2024"), QStringLiteral("JAN")};

QSqlDatabase second(const test::TempStore &s, const QString &name)
{
    Result<QSqlDatabase> db = store::open(s.folder(), s.options(name));
    EXPECT_TRUE(db.ok()) << qPrintable(db.message());
    return db.ok() ? *db : QSqlDatabase();
}

// Starts "quirels-cli importar-txt" of the file on the test's server.
void startImport(QProcess &cli, test::TempStore &s, const QString &folder, const QString &file)
{
    cli.setProgram(QDir(test::binaryDir()).filePath(QStringLiteral("quirels-cli")));
    cli.setArguments({QStringLiteral("--dados"), folder, QStringLiteral("--servidor"), s.server()->toString(),
                      QStringLiteral("--sim"), QStringLiteral("importar-txt"), file});
    cli.start();
}

// Whether, within 20 seconds, a connection of the program waits for a lock.
bool aProgramWaitsForALock(QSqlDatabase &watch)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
        Result<QVariant> n = sql::scalar(watch, QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() "
                                                              "AND application_name = 'quirels' AND wait_event_type = 'Lock'"));
        if (n && n->toInt() > 0)
            return true;
        QThread::msleep(20);
    }
    return false;
}

} // namespace

// Both workstations insert rows of the same table in transactions that are
// open at the same time: neither waits, and every row gets a number of its own.
TEST(ServerStore, SimultaneousInsertsGetDistinctNumbers)
{
    SERVER_ONLY();
    test::TempStore s;
    QSqlDatabase a = s.db();
    QSqlDatabase b = second(s, QStringLiteral("estacao2"));
    const QString insert = QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, NmProduto) VALUES ('%1', '2024', 'JAN', 'x')");
    s.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdProduto, NmProduto) VALUES ('%1', '2024', 'FEV', 7, 'dado')").arg(kCnpj));
    ASSERT_TRUE(a.transaction());
    ASSERT_TRUE(b.transaction());
    QList<qint64> numbers;
    for (int i = 0; i < 20; ++i) {
        for (QSqlDatabase *db : {&a, &b}) {
            ASSERT_OK(sql::exec(*db, insert.arg(db == &a ? kCnpj : QStringLiteral("12345678909"))));
            numbers.append(store::dialect::lastInsertId(*db));
        }
    }
    ASSERT_TRUE(a.commit());
    ASSERT_TRUE(b.commit());
    EXPECT_EQ(QSet<qint64>(numbers.begin(), numbers.end()).size(), numbers.size());
    for (qint64 n : numbers)
        EXPECT_GT(n, 7); // past the number given explicitly before
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(DISTINCT CdProduto) FROM Produtos")).toInt(), 41);
    b = QSqlDatabase();
    store::close(QStringLiteral("estacao2"));
}

// A bulk insert sends its rows in groups, numbered beforehand from the
// table's counter, while the other workstation inserts rows of its own and
// one with a number of its own above the counter: each row keeps the number
// add() gave it, no number is given twice, and the counter never goes back.
TEST(ServerStore, BatchedRowsKeepTheirNumbersWhileAnotherWorkstationInserts)
{
    SERVER_ONLY();
    test::TempStore s;
    QSqlDatabase a = s.db();
    QSqlDatabase b = second(s, QStringLiteral("estacao2"));
    const QString other = QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, NmProduto) VALUES ('12345678909', '2024', 'JAN', 'b%1')");
    const int rows = store::BatchInsert::kGroup + 60; // a full group and a shorter one
    ASSERT_TRUE(a.transaction());
    store::BatchInsert ins(a, QStringLiteral("Produtos"),
                           {QStringLiteral("CdCNPJEmpr"), QStringLiteral("NrAno"), QStringLiteral("NmMes"), QStringLiteral("NmProduto")},
                           QStringLiteral("CdProduto"));
    ASSERT_OK(ins.prepare(rows - 10)); // more rows than expected take more numbers
    QHash<QString, qint64> given;
    for (int i = 0; i < rows; ++i) {
        ins.set(0, kCnpj);
        ins.set(1, QStringLiteral("2024"));
        ins.set(2, QStringLiteral("JAN"));
        ins.set(3, QStringLiteral("a%1").arg(i));
        Result<qint64> n = ins.add();
        ASSERT_TRUE(n.ok()) << qPrintable(n.message());
        given.insert(QStringLiteral("a%1").arg(i), *n);
        if (i % 50 == 0)
            ASSERT_OK(sql::exec(b, other.arg(i)));
        if (i == 100) // above every number taken so far
            ASSERT_OK(sql::exec(b, QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdProduto, NmProduto) "
                                                  "VALUES ('12345678909', '2024', 'JAN', 5000, 'explicito')")));
    }
    ASSERT_OK(ins.finish());
    ASSERT_TRUE(a.commit());
    ASSERT_OK(sql::exec(b, other.arg(QStringLiteral("depois"))));

    QSqlQuery q(a);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT NmProduto, CdProduto FROM Produtos")));
    QHash<QString, qint64> stored;
    QSet<qint64> numbers;
    while (q.next()) {
        stored.insert(q.value(0).toString(), q.value(1).toLongLong());
        numbers.insert(q.value(1).toLongLong());
    }
    EXPECT_EQ(stored.size(), rows + 9);
    EXPECT_EQ(numbers.size(), stored.size());
    for (auto it = given.cbegin(); it != given.cend(); ++it)
        EXPECT_EQ(stored.value(it.key()), it.value()) << qPrintable(it.key());
    EXPECT_GT(stored.value(QStringLiteral("bdepois")), 5000);
    b = QSqlDatabase();
    store::close(QStringLiteral("estacao2"));
}

// Two workstations on one company's row: each a data module of its own on a
// connection of its own, both on the company "ALFA". Each one's messages can
// be watched as they are shown.
class TwoWorkstations {
public:
    struct Watching : ScriptedDialogs {
        std::function<void()> atError;
        void error(const QString &text) override
        {
            if (atError)
                atError();
            ScriptedDialogs::error(text);
        }
    };

    TwoWorkstations()
    {
        s.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('%1', 'ALFA')").arg(kCnpj));
        m_one = std::make_unique<store::DataModule>(d1);
        second(s, QStringLiteral("estacao2"));
        m_two = std::make_unique<store::DataModule>(d2, QStringLiteral("estacao2"));
    }
    ~TwoWorkstations() { m_two->disconnect(); }

    // Opens both and puts both on the company.
    void open()
    {
        ASSERT_OK(m_one->openAll());
        ASSERT_OK(m_two->openAll());
        ASSERT_TRUE(e1().locate({{QStringLiteral("CdCNPJEmpr"), kCnpj}}));
        ASSERT_TRUE(e2().locate({{QStringLiteral("CdCNPJEmpr"), kCnpj}}));
    }
    store::Cursor &e1() { return m_one->empresa(); }
    store::Cursor &e2() { return m_two->empresa(); }
    QString stored() const { return s.scalar(QStringLiteral("SELECT NmRazao FROM Empresa")).toString(); }

    test::TempStore s;
    Watching d1;
    Watching d2;

private:
    std::unique_ptr<store::DataModule> m_one;
    std::unique_ptr<store::DataModule> m_two;
};

// A row changed by the other workstation after this one read it is not
// overwritten: the save is refused with the message and the row is shown as
// it is now. A deletion of such a row is refused the same way.
TEST(ServerStore, StaleSaveIsRefusedAndTheRowShownAsItIsNow)
{
    SERVER_ONLY();
    TwoWorkstations w;
    ASSERT_NO_FATAL_FAILURE(w.open());
    store::Cursor &e1 = w.e1();
    store::Cursor &e2 = w.e2();

    ASSERT_TRUE(e2.edit());
    ASSERT_TRUE(e2.setValue(QStringLiteral("NmRazao"), QStringLiteral("ALFA DA ESTACAO 2")));
    ASSERT_OK(e2.post());

    ASSERT_TRUE(e1.edit());
    ASSERT_TRUE(e1.setValue(QStringLiteral("NmRazao"), QStringLiteral("ALFA DA ESTACAO 1")));
    Status st = e1.post();
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(st.message(), store::msg::kRegistroAlterado);
    // The message shows what was typed beside what is stored now.
    ASSERT_EQ(w.d1.texts().size(), 1);
    EXPECT_TRUE(w.d1.texts().at(0).startsWith(store::msg::kRegistroAlterado));
    EXPECT_TRUE(w.d1.texts().at(0).contains(store::msg::kValorDigitado.arg(
        QStringLiteral("Razao"), QStringLiteral("ALFA DA ESTACAO 1"), QStringLiteral("ALFA DA ESTACAO 2"))))
        << qPrintable(w.d1.texts().at(0));
    EXPECT_EQ(e1.value(QStringLiteral("NmRazao")).toString(), QStringLiteral("ALFA DA ESTACAO 2"));
    EXPECT_EQ(w.stored(), QStringLiteral("ALFA DA ESTACAO 2"));

    // Read again, the row saves; the other workstation's deletion of the
    // row it read before is refused.
    ASSERT_TRUE(e1.edit());
    ASSERT_TRUE(e1.setValue(QStringLiteral("NmRazao"), QStringLiteral("ALFA FINAL")));
    ASSERT_OK(e1.post());
    EXPECT_FALSE(e2.remove().ok());
    EXPECT_EQ(w.stored(), QStringLiteral("ALFA FINAL"));
    EXPECT_EQ(e2.value(QStringLiteral("NmRazao")).toString(), QStringLiteral("ALFA FINAL"));
}

// A save that changes nothing writes nothing, so the other workstation's
// save of the row it read is not refused for it. When a save is refused, the
// row is already shown as it is now while the message is up (the message's
// own events cannot post the old edit again).
TEST(ServerStore, UnchangedSaveWritesNothingAndARefusalShowsTheRowFirst)
{
    SERVER_ONLY();
    TwoWorkstations w;
    ASSERT_NO_FATAL_FAILURE(w.open());
    store::Cursor &e1 = w.e1();
    store::Cursor &e2 = w.e2();

    ASSERT_TRUE(e2.edit());
    ASSERT_OK(e2.post());
    EXPECT_FALSE(e2.isEditing());
    ASSERT_TRUE(e1.edit());
    ASSERT_TRUE(e1.setValue(QStringLiteral("NmRazao"), QStringLiteral("ALFA UM")));
    ASSERT_OK(e1.post());
    EXPECT_TRUE(w.d1.messages.isEmpty());

    QString shown;
    bool editing = true;
    w.d2.atError = [&] {
        shown = e2.value(QStringLiteral("NmRazao")).toString();
        editing = e2.isEditing();
    };
    ASSERT_TRUE(e2.edit());
    ASSERT_TRUE(e2.setValue(QStringLiteral("NmRazao"), QStringLiteral("ALFA DOIS")));
    EXPECT_FALSE(e2.post().ok());
    ASSERT_EQ(w.d2.texts().size(), 1);
    EXPECT_TRUE(w.d2.texts().at(0).startsWith(store::msg::kRegistroAlterado));
    EXPECT_EQ(shown, QStringLiteral("ALFA UM"));
    EXPECT_FALSE(editing);
    EXPECT_EQ(w.stored(), QStringLiteral("ALFA UM"));
}

// While one workstation has the period open, another's import of it and its
// deletion are refused and change nothing; another company's period, and the
// same period once let go, are imported.
TEST(ServerStore, ImportRefusedWhileThePeriodIsOpenElsewhere)
{
    SERVER_ONLY();
    test::TempStore s;
    const QByteArray file = test::fileBytes(test::monthLines(kCnpj, kJan.ano, kJan.mes));
    auto import = [&](QSqlDatabase db) {
        QBuffer b;
        b.setData(file);
        b.open(QIODevice::ReadOnly);
        ScriptedDialogs d;
        d.setDefaultAnswer(Answer::Yes);
        return exchange::importTextFile(db, b, d, noProgress());
    };
    QSqlDatabase a = s.db();
    ASSERT_EQ(import(a).outcome, exchange::TextImportResult::Outcome::Imported);
    const QString before = test::dumpTables(a);

    QSqlDatabase b = second(s, QStringLiteral("estacao2"));
    store::PeriodHold held;
    ASSERT_OK(held.hold(b, kJan));

    const exchange::TextImportResult r = import(a);
    EXPECT_EQ(r.outcome, exchange::TextImportResult::Outcome::Failed);
    EXPECT_TRUE(r.error.message.contains(store::msg::kPeriodoEmUso.arg(kJan.mes, kJan.ano, kJan.cnpj))) << qPrintable(r.error.message);
    EXPECT_EQ(test::dumpTables(a), before);
    Status del = shell::deletePeriod(a, kJan);
    EXPECT_EQ(del.message(), store::msg::kPeriodoEmUso.arg(kJan.mes, kJan.ano, kJan.cnpj));
    EXPECT_EQ(shell::deleteCompany(a, kCnpj).message(), store::msg::kEmpresaEmUso.arg(kCnpj));
    EXPECT_EQ(test::dumpTables(a), before);

    // The other workstation keeps saving its rows of the period meanwhile.
    EXPECT_OK(sql::exec(b, QStringLiteral("UPDATE Produtos SET NmProduto = 'outro' WHERE CdCNPJEmpr = '%1'").arg(kCnpj)));

    held.release();
    EXPECT_EQ(import(a).outcome, exchange::TextImportResult::Outcome::Imported);
    b = QSqlDatabase();
    store::close(QStringLiteral("estacao2"));
}

// A workstation killed in the middle of an import leaves the period as it
// was: the server rolls the import's transaction back.
TEST(ServerStore, KilledImportLeavesThePeriodAsItWas)
{
    SERVER_ONLY();
    test::TempStore s;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mes.txt"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(test::fileBytes(test::monthLines(kCnpj, kJan.ano, kJan.mes)));
    f.close();
    QSqlDatabase a = s.db();
    const QString before = test::dumpTables(a);

    // The observations are locked by this test, so the import stops there
    // with every row before them written in its transaction.
    ASSERT_TRUE(a.transaction());
    ASSERT_OK(sql::exec(a, QStringLiteral("LOCK TABLE Observacoes IN EXCLUSIVE MODE")));
    QProcess cli;
    startImport(cli, s, dir.path(), path);
    ASSERT_TRUE(cli.waitForStarted());
    QSqlDatabase watch = second(s, QStringLiteral("observador"));
    const bool waiting = aProgramWaitsForALock(watch);
    ASSERT_TRUE(waiting) << "the import never reached the locked table";
    cli.kill();
    cli.waitForFinished();
    a.rollback();
    EXPECT_EQ(test::dumpTables(a), before);
    // The period is free: the import runs to the end now.
    test::ProcessResult r = test::runCli({QStringLiteral("--dados"), dir.path(), QStringLiteral("--sim"),
                                          QStringLiteral("importar-txt"), path});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(*) FROM Produtos")).toInt(), 1);
    watch = QSqlDatabase();
    store::close(QStringLiteral("observador"));
}

// Two first imports of the same company at once: the second waits for the
// first and then finds the company registered (and, told to, writes over
// it), never failing on a repeated key with the server's English text.
TEST(ServerStore, TwoFirstImportsOfOneCompanyTakeTurns)
{
    SERVER_ONLY();
    test::TempStore s;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mes.txt"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(test::fileBytes(test::monthLines(kCnpj, kJan.ano, kJan.mes)));
    f.close();

    // The first import, on this connection, has registered the company and
    // not committed yet.
    QSqlDatabase a = s.db();
    ASSERT_TRUE(a.transaction());
    ASSERT_OK(store::awaitCompanyRegistration(a, kCnpj));
    ASSERT_OK(sql::exec(a, QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('%1', 'PRIMEIRA')").arg(kCnpj)));
    QProcess cli;
    startImport(cli, s, dir.path(), path);
    ASSERT_TRUE(cli.waitForStarted());
    QSqlDatabase watch = second(s, QStringLiteral("observador"));
    const bool waiting = aProgramWaitsForALock(watch);
    ASSERT_TRUE(waiting) << "the second import never waited";
    ASSERT_TRUE(a.commit());
    ASSERT_TRUE(cli.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
    EXPECT_EQ(cli.exitCode(), 0) << qPrintable(err);
    EXPECT_FALSE(err.contains(QStringLiteral("ERROR"))) << qPrintable(err);
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(*) FROM Empresa")).toInt(), 1);
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(*) FROM Mes")).toInt(), 1);
    watch = QSqlDatabase();
    store::close(QStringLiteral("observador"));
}
