// The store file looked at from outside its connections.

#include "support/TestSupport.h"

#include "store/Database.h"
#include "store/StoreFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace quirels;

TEST(StoreFile, TheHeaderIsReadWithoutDroppingTheLocksOfOpenConnections)
{
    QUIRELS_SQLITE_ONLY();
    test::TempStore store;
    const QString path = store::databasePath(store.folder());
    store.exec(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao) values ('11111111111', 'A')"));
    ASSERT_TRUE(QFileInfo::exists(path + QStringLiteral("-wal")));

    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile f(QDir(store.folder()).filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    };
    EXPECT_TRUE(store::file::isStoreFile(path));
    EXPECT_FALSE(store::file::isStoreFile(write(QStringLiteral("vazio.db"), QByteArray())));
    EXPECT_FALSE(store::file::isStoreFile(write(QStringLiteral("texto.db"), "SQLite format 2\n")));
    EXPECT_FALSE(store::file::isStoreFile(write(QStringLiteral("curto.db"), "SQLite")));
    EXPECT_FALSE(store::file::isStoreFile(QDir(store.folder()).filePath(QStringLiteral("nada.db"))));

    // Another program opens the store and closes it. While this process has
    // it open, that program must not take it for unused and fold the log
    // away: what this connection writes next would be lost.
    const test::ProcessResult r = test::runCli({QStringLiteral("--dados"), store.folder(), QStringLiteral("validar"),
                                                QStringLiteral("11111111111"), QStringLiteral("2024"), QStringLiteral("MAR")});
    EXPECT_NE(r.exitCode, -1) << qPrintable(r.err);
    EXPECT_TRUE(QFileInfo::exists(path + QStringLiteral("-wal")));
}
