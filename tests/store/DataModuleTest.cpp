#include "store/DataModule.h"
#include "store/Database.h"
#include "store/Messages.h"
#include "store/Sql.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace quirels;
using store::Cursor;
using store::DataModule;
namespace msg = quirels::store::msg;

namespace {

const QString kDay = QStringLiteral("CdCNPJEmpr;NrAno;NmMes;NrDia");

void touch(const QString &path, const QByteArray &bytes = "x")
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList openCursors(const DataModule &dm)
{
    QStringList out;
    for (Cursor *c : dm.cursors())
        if (c->isOpen())
            out.append(c->name());
    return out;
}

QStringList allCursorNames(const DataModule &dm)
{
    QStringList out;
    for (Cursor *c : dm.cursors())
        out.append(c->name());
    return out;
}

} // namespace

TEST(DataModule, CursorNamesLinksAndQuerySlots)
{
    test::TempStore store;
    ScriptedDialogs d;
    DataModule dm(d);
    const QStringList names = allCursorNames(dm);
    EXPECT_EQ(names.first(), QStringLiteral("tblEmpresa"));
    EXPECT_EQ(names.mid(names.indexOf(QStringLiteral("tblObservacoes")), 9),
              (QStringList{QStringLiteral("tblObservacoes"), QStringLiteral("tblObsAnexoA"), QStringLiteral("tblObsAnexoB"),
                           QStringLiteral("tblObsAnexoC"), QStringLiteral("tblObsAnexoD"), QStringLiteral("tblObsAnexoE"),
                           QStringLiteral("tblObsAnexoF"), QStringLiteral("tblObsAnexoG"), QStringLiteral("tblObsAnexoH")}));
    for (const char *n : {"tblLkpProdutoControlado", "tblLkpCNAE", "tblLkpCFOP", "tblPais", "tblMovResiduo"})
        EXPECT_NE(dm.cursor(QLatin1String(n)), nullptr) << n;
    EXPECT_EQ(dm.mes().master(), &dm.empresa());
    EXPECT_EQ(dm.produtoFinal().master(), &dm.produtos());
    EXPECT_EQ(dm.substanciaPresente().master(), &dm.produtoFinal());
    EXPECT_EQ(dm.movResiduo().master(), &dm.mes());
    EXPECT_EQ(dm.obsAnexo(QLatin1Char('h')).master(), &dm.mes());
    EXPECT_EQ(dm.lkpCnae().master(), nullptr);
    EXPECT_EQ(dm.movimentacao().orderName(), QStringLiteral("IdxDia"));
    EXPECT_EQ(dm.lkpProdutoControlado().orderName(), QStringLiteral("idxNome"));

    ASSERT_OK(dm.openAll());
    EXPECT_EQ(openCursors(dm), names);
    QSqlQuery &q = dm.qryConsulta();
    ASSERT_TRUE(q.exec(QStringLiteral("Select Max (CDPAIS) as cod from Paises")));
    ASSERT_TRUE(q.next());
    EXPECT_GT(q.value(QStringLiteral("cod")).toInt(), 0);
    EXPECT_TRUE(dm.query(QStringLiteral("qryrelanexoh")).exec(QStringLiteral("SELECT 1")));
    // The reference lists come in their orders.
    EXPECT_LE(dm.pais().valueAt(0, QStringLiteral("NMPAIS")).toString().compare(dm.pais().valueAt(1, QStringLiteral("NMPAIS")).toString(), Qt::CaseInsensitive), 0);
    EXPECT_TRUE(dm.lkpCnae().setOrder(QStringLiteral("IDXNOME")));
    EXPECT_TRUE(dm.lkpCnae().findNearest({QStringLiteral("cultivo")}));
    EXPECT_TRUE(dm.lkpCnae().value(QStringLiteral("NMCNAE")).toString().startsWith(QStringLiteral("Cultivo"), Qt::CaseInsensitive))
        << qPrintable(dm.lkpCnae().value(QStringLiteral("NMCNAE")).toString());
    EXPECT_TRUE(d.messages.isEmpty());
}

TEST(DataModule, ReopenAfterBulkWorkLeavesEveryCursorOpen)
{
    test::TempStore store;
    store.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('12345678909', 'X')"));
    store.exec(QStringLiteral("INSERT INTO Mes VALUES ('12345678909', '2005', 'JAN')"));
    ScriptedDialogs d;
    DataModule dm(d);
    ASSERT_OK(dm.openAll());
    EXPECT_EQ(dm.produtos().count(), 0);
    QSqlQuery &q = dm.qryImportacao();
    ASSERT_TRUE(q.exec(QStringLiteral("insert into Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM) values ('12345678909', '2005', 'JAN', '2939.41.00')")));
    ASSERT_OK(dm.reopenAll());
    EXPECT_EQ(openCursors(dm), allCursorNames(dm));
    EXPECT_EQ(dm.produtos().count(), 1);
    EXPECT_TRUE(dm.qryGenerica().exec(QStringLiteral("SELECT 1")));
}

TEST(DataModule, OpeningStopsAtTheFirstCursorThatFails)
{
    test::TempStore store;
    store.exec(QStringLiteral("DROP TABLE Transporte"));
    ScriptedDialogs d;
    DataModule dm(d);
    Status s = dm.openAll();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(d.texts(), QStringList{s.message()});
    EXPECT_TRUE(s.message().contains(QStringLiteral("Transporte"))) << qPrintable(s.message());
    const QStringList names = allCursorNames(dm);
    EXPECT_EQ(openCursors(dm), names.mid(0, names.indexOf(QStringLiteral("tblTransporte"))));
}

TEST(DataModule, StartupRebuildsTheDayIndexAndTheMissingTables)
{
    QUIRELS_SQLITE_ONLY();
    test::TempStore store;
    const QString folder = store.folder();
    store.exec(QStringLiteral("DROP INDEX Movimentacao_IdxDia"));
    // An index of the same name on other fields gives way.
    store.exec(QStringLiteral("DROP INDEX MovArmazenagem_IdxDia"));
    store.exec(QStringLiteral("CREATE INDEX MovArmazenagem_idxDia ON MovArmazenagem (NrDia)"));
    touch(QDir(folder).filePath(QStringLiteral("Movimentacao.YG0")));
    touch(QDir(folder).filePath(QStringLiteral("movarmazenagem.xg0")));
    touch(QDir(folder).filePath(QStringLiteral("Movimentacao.PX")));

    ScriptedDialogs d;
    DataModule dm(d);
    ASSERT_OK(dm.openAtStartup(folder));
    EXPECT_TRUE(d.messages.isEmpty()) << qPrintable(d.texts().join(QLatin1Char('|')));
    EXPECT_EQ(openCursors(dm), allCursorNames(dm));
    QSqlDatabase db = dm.database();
    for (const char *t : {"Movimentacao", "MovArmazenagem"}) {
        Result<QStringList> lists = store::indexFieldLists(db, QLatin1String(t));
        ASSERT_OK(lists);
        EXPECT_EQ(lists->count(kDay), 1) << t << qPrintable(lists->join(QLatin1Char(' ')));
        EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = '%1_idxDia'").arg(QLatin1String(t))).toInt(), 1);
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).filter(QStringLiteral("G0"), Qt::CaseInsensitive), QStringList());
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath(QStringLiteral("Movimentacao.PX"))));
    db = QSqlDatabase();

    // A store that lost a table, or predates the version stamp, gets the
    // missing tables and the stamp; rows elsewhere stay.
    store.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('12345678909', 'X')"));
    store.exec(QStringLiteral("DROP TABLE Isolado"));
    store.exec(QStringLiteral("PRAGMA user_version = 0"));
    ASSERT_OK(dm.openAtStartup(folder));
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'Isolado'")).toInt(), 1);
    EXPECT_EQ(store.scalar(QStringLiteral("PRAGMA user_version")).toInt(), schema::kSchemaVersion);
    EXPECT_EQ(dm.empresa().count(), 1);
    EXPECT_EQ(openCursors(dm), allCursorNames(dm));

    // A store of version 2 (before the invoice import) gets its tables.
    store.exec(QStringLiteral("DROP TABLE NFeImportada"));
    store.exec(QStringLiteral("DROP TABLE FatorUnidade"));
    store.exec(QStringLiteral("PRAGMA user_version = 2"));
    ASSERT_OK(dm.openAtStartup(folder));
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name IN "
                                          "('NFeImportada', 'FatorUnidade')")).toInt(), 2);
    EXPECT_EQ(store.scalar(QStringLiteral("PRAGMA user_version")).toInt(), schema::kSchemaVersion);
    EXPECT_EQ(dm.empresa().count(), 1);

    // A further start finds everything in place and adds nothing.
    const int objects = store.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master")).toInt();
    ASSERT_OK(dm.openAtStartup(folder));
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master")).toInt(), objects);
    EXPECT_TRUE(d.messages.isEmpty());
}

TEST(DataModule, StartupReportsStoresItCannotUseAndChangesNothing)
{
    QUIRELS_SQLITE_ONLY();
    // Not a store at all.
    {
        QTemporaryDir dir;
        const QByteArray garbage(8192, 'Q');
        touch(store::databasePath(dir.path()), garbage);
        touch(QDir(dir.path()).filePath(QStringLiteral("Movimentacao.YG0")));
        ScriptedDialogs d;
        DataModule dm(d);
        Status s = dm.openAtStartup(dir.path());
        ASSERT_FALSE(s.ok());
        ASSERT_EQ(d.messages.size(), 1);
        EXPECT_EQ(d.messages.first().kind, ScriptedDialogs::Kind::Error);
        EXPECT_TRUE(d.lastText().startsWith(msg::kBancoInvalido.section(QLatin1Char('"'), 0, 0))) << qPrintable(d.lastText());
        EXPECT_TRUE(openCursors(dm).isEmpty());
        QFile f(store::databasePath(dir.path()));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), garbage);
        EXPECT_TRUE(QFile::exists(QDir(dir.path()).filePath(QStringLiteral("Movimentacao.YG0"))));
    }
    // No store in the folder.
    {
        QTemporaryDir dir;
        ScriptedDialogs d;
        DataModule dm(d);
        EXPECT_FALSE(dm.openAtStartup(dir.path()).ok());
        EXPECT_EQ(d.messages.size(), 1);
        EXPECT_FALSE(QFile::exists(store::databasePath(dir.path())));
    }
    // Written by a newer program.
    {
        test::TempStore store;
        store.exec(QStringLiteral("PRAGMA user_version = 99"));
        ScriptedDialogs d;
        DataModule dm(d);
        EXPECT_FALSE(dm.openAtStartup(store.folder()).ok());
        EXPECT_EQ(d.texts(), QStringList{msg::kVersaoMaisNova.arg(99).arg(schema::kSchemaVersion)});
        EXPECT_TRUE(openCursors(dm).isEmpty());
    }
}

namespace {

// Makes a folder unwritable even for the superuser (the immutable
// attribute); false where the file system or the platform does not allow it.
bool setImmutable(const QString &path, bool on)
{
    QProcess p;
    p.start(QStringLiteral("chattr"), {on ? QStringLiteral("+i") : QStringLiteral("-i"), path});
    return p.waitForFinished() && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

TEST(DataModule, ReadOnlyDataFolderIsReportedAndLeftAlone)
{
    QUIRELS_SQLITE_ONLY();
    for (bool shared : {false, true}) {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("dados"));
        store::OpenOptions o;
        o.connection = QStringLiteral("setup");
        o.sharedFolder = shared;
        ASSERT_OK(store::initializeDataFolder(folder, o));
        {
            Result<QSqlDatabase> db = store::open(folder, o); // leaves the chosen journal mode
            ASSERT_OK(db);
            ASSERT_OK(sql::exec(*db, QStringLiteral("DROP INDEX Movimentacao_IdxDia"))); // start-up would write
            *db = QSqlDatabase();
            store::close(o.connection);
        }
        QFile f(store::databasePath(folder));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        if (!setImmutable(folder, true))
            GTEST_SKIP() << "the folder cannot be made read-only here";
        ScriptedDialogs d;
        {
            DataModule dm(d);
            store::StartupOptions so;
            so.localShare = shared;
            so.busyTimeoutMs = 200;
            EXPECT_FALSE(dm.openAtStartup(folder, so).ok());
        }
        setImmutable(folder, false);
        ASSERT_EQ(d.messages.size(), 1) << shared;
        EXPECT_TRUE(d.lastText().startsWith(msg::kPastaSomenteLeitura.section(QLatin1Char('"'), 0, 0))) << qPrintable(d.lastText());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before);
    }
}

TEST(DataModule, LocalShareOfTheSettingsSelectsTheJournalMode)
{
    QUIRELS_SQLITE_ONLY();
    test::TempStore store;
    const QString ini = QDir(store.folder()).filePath(QStringLiteral("quirels.ini"));
    EXPECT_FALSE(store::startupOptionsFromSettings(ini).localShare); // no file: defaults
    touch(ini, "[Diret\xf3rio]\r\nLocal Share=1\r\n");
    const store::StartupOptions o = store::startupOptionsFromSettings(ini);
    EXPECT_TRUE(o.localShare);
    ScriptedDialogs d;
    DataModule dm(d);
    ASSERT_OK(dm.openAtStartup(store.folder(), o));
    EXPECT_EQ(store.scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("delete"));
    ASSERT_OK(dm.openAtStartup(store.folder()));
    EXPECT_EQ(store.scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
}

TEST(DataModule, StartupWaitsForALockThenReportsIt)
{
    QUIRELS_SQLITE_ONLY();
    QTemporaryDir dir;
    ASSERT_OK(store::initializeDataFolder(dir.path()));
    {
        // Rollback journal, as on a shared folder, so a writer locks readers out.
        store::OpenOptions o;
        o.connection = QStringLiteral("setup");
        o.sharedFolder = true;
        Result<QSqlDatabase> db = store::open(dir.path(), o);
        ASSERT_OK(db);
        *db = QSqlDatabase();
        store::close(o.connection);
    }
    store::OpenOptions lo;
    lo.connection = QStringLiteral("other program");
    lo.sharedFolder = true;
    Result<QSqlDatabase> locker = store::open(dir.path(), lo);
    ASSERT_OK(locker);
    ASSERT_OK(sql::exec(*locker, QStringLiteral("BEGIN EXCLUSIVE")));
    ASSERT_OK(sql::exec(*locker, QStringLiteral("DROP INDEX Movimentacao_IdxDia")));

    ScriptedDialogs d;
    {
        DataModule dm(d);
        store::StartupOptions so;
        so.localShare = true;
        so.busyTimeoutMs = 200;
        Status s = dm.openAtStartup(dir.path(), so);
        ASSERT_FALSE(s.ok());
        ASSERT_EQ(d.messages.size(), 1);
        EXPECT_TRUE(d.lastText().contains(QStringLiteral("usado por outro programa"))) << qPrintable(d.lastText());
        EXPECT_TRUE(openCursors(dm).isEmpty());
    }
    // The other program's work is its own: rolled back, nothing of ours in it.
    ASSERT_OK(sql::exec(*locker, QStringLiteral("ROLLBACK")));
    Result<QStringList> lists = store::indexFieldLists(*locker, QStringLiteral("Movimentacao"));
    ASSERT_OK(lists);
    EXPECT_EQ(lists->count(kDay), 1);
    *locker = QSqlDatabase();
    store::close(lo.connection);
}
