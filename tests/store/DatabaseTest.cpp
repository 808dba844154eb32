#include "store/Database.h"
#include "store/Dialect.h"
#include "store/Schema.h"
#include "store/Sql.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;

TEST(Database, InitializeLoadsEveryReferenceRowOnceAndKeepsRows)
{
    test::TempStore store;
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM ProdutoControlado")).toInt(), 104);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM Cnae")).toInt(), 1332);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM CFOP")).toInt(), 619);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM Paises")).toInt(), 252);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT NMPAIS FROM Paises WHERE CDPAIS = 1058")).toString(), QStringLiteral("Brasil"));
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT length(dsCFOP) FROM CFOP WHERE CdCFOP = '1.931'")).toInt(), 307);

    store.exec(QStringLiteral("DELETE FROM Paises WHERE CDPAIS <> 1058"));
    store.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('12345678909', 'X')"));
    store::OpenOptions o;
    o.connection = QStringLiteral("second");
    ASSERT_OK(store::initializeDataFolder(store.folder(), o));
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM Paises")).toInt(), 1);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM Empresa")).toInt(), 1);
}

TEST(Database, RefusesFilesThatAreNotAStore)
{
    QTemporaryDir dir;
    EXPECT_FALSE(store::open(dir.path()).ok()); // missing
    QFile f(store::databasePath(dir.path()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    Result<QSqlDatabase> r = store::open(dir.path());
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.message().contains(QStringLiteral("quirels.db"))) << qPrintable(r.message());
    Status s = store::initializeDataFolder(dir.path());
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(QFile(store::databasePath(dir.path())).size(), 4096); // left as it was
}

TEST(Database, FolderThatCannotBeCreated)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    Status s = store::initializeDataFolder(dir.filePath(QStringLiteral("file/dados")));
    ASSERT_FALSE(s.ok());
    EXPECT_TRUE(s.message().contains(QStringLiteral("file/dados"))) << qPrintable(s.message());
}

TEST(Database, UpgradeWidensTheResidueDestinationKeepingRowsAndNumbers)
{
    QUIRELS_SQLITE_ONLY();
    test::TempStore store;
    const QString wide = QStringLiteral("Destruição - Neutralização");
    ASSERT_EQ(wide.size(), 26);
    // The layout of version 1: the destination held 25 characters.
    QStringList v1 = schema::ddl(*schema::table(QStringLiteral("Residuo")));
    v1.first().replace(QStringLiteral("VARCHAR(26)"), QStringLiteral("VARCHAR(25)"))
        .replace(QStringLiteral("<= 26"), QStringLiteral("<= 25"));
    store.exec(QStringLiteral("DROP TABLE Residuo"));
    for (const QString &s : v1)
        store.exec(s);
    for (int i = 1; i <= 3; ++i)
        store.exec(QStringLiteral("INSERT INTO Residuo (CdCNPJEmpr, NrAno, NmMes, DsDestinacao, QtResiduo) VALUES "
                                  "('11222333000181', '2004', 'FEV', 'Aterro', %1)").arg(i));
    store.exec(QStringLiteral("DELETE FROM Residuo WHERE CdResiduo = 3"));
    store.exec(QStringLiteral("PRAGMA user_version = 1"));
    QSqlDatabase db = store.db();
    EXPECT_FALSE(sql::exec(db, QStringLiteral("UPDATE Residuo SET DsDestinacao = '%1'").arg(wide)).ok());

    ASSERT_OK(store::upgradeSchema(db));
    EXPECT_EQ(store.scalar(QStringLiteral("PRAGMA user_version")).toInt(), schema::kSchemaVersion);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT group_concat(CdResiduo || ':' || QtResiduo) FROM Residuo")).toString(),
              QStringLiteral("1:1.0,2:2.0"));
    EXPECT_OK(sql::exec(db, QStringLiteral("UPDATE Residuo SET DsDestinacao = '%1' WHERE CdResiduo = 2").arg(wide)));
    EXPECT_FALSE(sql::exec(db, QStringLiteral("UPDATE Residuo SET DsDestinacao = '%1x'").arg(wide)).ok());
    // Number 3 was given once and is not given again; the key index is back.
    store.exec(QStringLiteral("INSERT INTO Residuo (CdCNPJEmpr, NrAno, NmMes) VALUES ('11222333000181', '2004', 'FEV')"));
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT max(CdResiduo) FROM Residuo")).toInt(), 4);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'Residuo_pk'")).toInt(), 1);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name LIKE '%anterior%'")).toInt(), 0);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT DsDestinacao FROM Residuo WHERE CdResiduo = 2")).toString(), wide);
}

// A store of version 3 kept days of one digit as typed ("5", " 5"), which
// sort after "15": the upgrade gives every day table's days two digits and
// leaves the others alone, on either kind of store.
TEST(Database, UpgradeGivesDaysTwoDigits)
{
    test::TempStore store;
    const char *const tables[] = {"Movimentacao", "MovArmazenagem", "Transporte", "MovResiduo"};
    for (const char *t : tables)
        for (const char *day : {"5", "15", " 7", "09", "x"})
            store.exec(QStringLiteral("INSERT INTO %1 (CdCNPJEmpr, NrAno, NmMes, NrDia) VALUES "
                                      "('11222333000181', '2004', 'FEV', '%2')").arg(QLatin1String(t), QLatin1String(day)));
    store.exec(QStringLiteral("INSERT INTO Movimentacao (CdCNPJEmpr, NrAno, NmMes) VALUES ('11222333000181', '2004', 'FEV')"));
    QSqlDatabase db = store.db();
    ASSERT_OK(store::dialect::setSchemaVersion(db, 3));

    ASSERT_OK(store::upgradeSchema(db));
    Result<int> version = store::dialect::schemaVersion(db);
    ASSERT_OK(version);
    EXPECT_EQ(*version, schema::kSchemaVersion);
    const auto days = [&store](const char *table) {
        return store.scalar(QStringLiteral("SELECT group_concat(NrDia) FROM (SELECT NrDia FROM %1 ORDER BY NrDia) AS d")
                                .arg(QLatin1String(table))).toString();
    };
    // In day order now, as the calendar has them; the empty day stays empty.
    for (const char *t : tables)
        EXPECT_EQ(days(t), QStringLiteral("05,07,09,15,x")) << t;
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM Movimentacao WHERE NrDia IS NULL")).toInt(), 1);
    // A second upgrade finds nothing to change.
    ASSERT_OK(store::upgradeSchema(db));
    EXPECT_EQ(days("MovResiduo"), QStringLiteral("05,07,09,15,x"));
}
