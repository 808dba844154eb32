#include "store/Database.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;

TEST(Database, InitializeLoadsEveryReferenceRowOnceAndKeepsRows)
{
    test::TempStore store;
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM ProdutoControlado")).toInt(), 70);
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
