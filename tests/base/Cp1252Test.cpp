#include "base/Cp1252.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;

TEST(Cp1252, RoundTripsEveryByte)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = cp1252::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text.at(0x80), QChar(0x20AC)); // euro sign
    EXPECT_EQ(text.at(0xE7), QChar(0x00E7)); // ç
    Result<QByteArray> back = cp1252::encode(text);
    ASSERT_OK(back);
    EXPECT_EQ(*back, all);
}

TEST(Cp1252, RefusesCharactersWithoutAByte)
{
    Result<QByteArray> r = cp1252::encode(QStringLiteral("ação 中"));
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.message().contains(QStringLiteral("中"))) << qPrintable(r.message());
    EXPECT_TRUE(r.message().contains(QStringLiteral("posição 6"))) << qPrintable(r.message());
    EXPECT_FALSE(cp1252::canEncode(QStringLiteral("\U0001F600")));
    EXPECT_TRUE(cp1252::canEncode(QStringLiteral("Diretório ÁÉÍÓÚ")));
}

TEST(Cp1252, WriteFileKeepsOldFileOnEncodingFailure)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.txt"));
    ASSERT_OK(cp1252::writeFile(path, QStringLiteral("Configurações")));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("Configura\xe7\xf5" "es"));
    f.close();
    EXPECT_FALSE(cp1252::writeFile(path, QStringLiteral("中")).ok());
    Result<QString> back = cp1252::readFile(path);
    ASSERT_OK(back);
    EXPECT_EQ(*back, QStringLiteral("Configurações"));
    EXPECT_FALSE(cp1252::readFile(dir.filePath(QStringLiteral("missing"))).ok());
}
