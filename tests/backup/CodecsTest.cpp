#include "ArchiveBytes.h"

#include "backup/Codecs.h"
#include "backup/DosTime.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace quirels::backup;
using quirels::backup::fixture::randomBytes;

namespace {

QByteArray zlibStream(const QByteArray &data, int level = 6)
{
    uLongf len = compressBound(static_cast<uLong>(data.size()));
    QByteArray out(static_cast<qsizetype>(len), Qt::Uninitialized);
    compress2(reinterpret_cast<Bytef *>(out.data()), &len, reinterpret_cast<const Bytef *>(data.constData()),
              static_cast<uLong>(data.size()), level);
    out.resize(static_cast<qsizetype>(len));
    return out;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

} // namespace

TEST(ZlibBlock, RandomChunkStaysRawShortRandomChunkIsAStreamLongerThanItself)
{
    EncodedBlock big;
    ASSERT_TRUE(encodeZlibBlock(randomBytes(16384, 1), TCompressionLevel::clFastest, big));
    EXPECT_FALSE(big.compressed);
    EXPECT_EQ(big.bytes, randomBytes(16384, 1));

    const QByteArray small = randomBytes(100, 2);
    EncodedBlock b;
    ASSERT_TRUE(encodeZlibBlock(small, TCompressionLevel::clFastest, b));
    EXPECT_TRUE(b.compressed);
    EXPECT_GT(b.bytes.size(), small.size());
    // A standard zlib stream: the library's own one-shot decoder reads it.
    QByteArray check(200, '\0');
    uLongf n = 200;
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef *>(check.data()), &n, reinterpret_cast<const Bytef *>(b.bytes.constData()),
                         static_cast<uLong>(b.bytes.size())),
              Z_OK);
    EXPECT_EQ(check.left(static_cast<qsizetype>(n)), small);
}

TEST(ZlibBlock, LevelsRoundTripAndStoredLevelWritesFullChunksRaw)
{
    EXPECT_EQ(zlibLevel(TCompressionLevel::clFastest), 1);
    EXPECT_EQ(zlibLevel(TCompressionLevel::clNone), 0);
    EXPECT_EQ(zlibLevel(TCompressionLevel::clDefault), -1);
    EXPECT_EQ(zlibLevel(TCompressionLevel::clMax), 9);
    const QByteArray text = quirels::backup::fixture::textBytes(2000).left(16384);
    for (TCompressionLevel level : {TCompressionLevel::clFastest, TCompressionLevel::clNone, TCompressionLevel::clDefault,
                                    TCompressionLevel::clMax}) {
        for (const QByteArray &chunk : {text, text.left(1000), QByteArray(1, 'x')}) {
            EncodedBlock b;
            ASSERT_TRUE(encodeZlibBlock(chunk, level, b));
            const bool fullStored = level == TCompressionLevel::clNone && chunk.size() == 16384;
            EXPECT_EQ(b.compressed, !fullStored) << zlibLevel(level) << " " << chunk.size();
            QByteArray back;
            ASSERT_TRUE(decodeZlibBlock(b.bytes, b.compressed, back));
            EXPECT_EQ(back, chunk);
        }
    }
}

TEST(ZlibBlock, EveryBlockIsAFreshStream)
{
    // One encoder used for several blocks gives the same bytes as a new
    // encoder for each block.
    ZlibBlockEncoder encoder(TCompressionLevel::clFastest);
    const QByteArray text = quirels::backup::fixture::textBytes(3000);
    for (int i = 0; i < 3; ++i) {
        const QByteArray chunk = text.mid(i * 16384, 16384);
        ZlibBlockEncoder::Block b;
        ASSERT_TRUE(encoder.encode(reinterpret_cast<const unsigned char *>(chunk.constData()), 16384, b));
        EncodedBlock fresh;
        ASSERT_TRUE(encodeZlibBlock(chunk, TCompressionLevel::clFastest, fresh));
        EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(b.data), b.size), fresh.bytes);
    }
}

TEST(ZlibBlock, DamagedBlocksAreRefused)
{
    const QByteArray good = zlibStream(QByteArray(5000, 'a'));
    QByteArray out;
    ASSERT_TRUE(decodeZlibBlock(good, true, out));
    EXPECT_EQ(out, QByteArray(5000, 'a'));
    QByteArray flipped = good;
    flipped[flipped.size() - 1] = static_cast<char>(flipped.at(flipped.size() - 1) ^ 0x55); // bad checksum
    const QByteArray cases[] = {
        good.left(good.size() - 3),                 // cut short
        flipped,
        QByteArray("not a zlib stream"),
        zlibStream(QByteArray(16385, 'a')),         // decodes to one byte too many
        QByteArray(16385, 'a'),                     // longer than a block may be
        QByteArray(),
    };
    for (const QByteArray &c : cases)
        EXPECT_FALSE(decodeZlibBlock(c, true, out)) << c.size();
    ASSERT_TRUE(decodeZlibBlock(zlibStream(QByteArray(16384, 'a')), true, out));
    EXPECT_EQ(out.size(), 16384);
}

TEST(Lzrw1kh, DecodesLiteralsCopiesOverlapsAndRuns)
{
    struct Case {
        const char *what;
        QByteArray block;
        QByteArray expected;
    };
    QByteArray seventeen;
    QByteArray seventeenBlock = bytes({0x00, 0x00, 0x00});
    for (int i = 0; i < 16; ++i) {
        seventeenBlock.append(static_cast<char>('a' + i));
        seventeen.append(static_cast<char>('a' + i));
    }
    seventeenBlock.append(bytes({0x00, 0x00, 'q'}));
    seventeen.append('q');
    const Case cases[] = {
        {"stored", bytes({0x80, 'a', 'b', 'c'}), QByteArray("abc")},
        {"stored empty", bytes({0x80}), QByteArray()},
        {"literals", bytes({0x00, 0x00, 0x00, 'x', 'y', 'z'}), QByteArray("xyz")},
        {"copy offset 1 length 18", bytes({0x00, 0x40, 0x00, 'x', 0x00, 0x1F}), QByteArray(19, 'x')},
        {"overlapping copy", bytes({0x00, 0x20, 0x00, 'a', 'b', 0x00, 0x22}), QByteArray("abababa")},
        {"copy from further back", bytes({0x00, 0x08, 0x00, 'a', 'b', 'c', 'd', 0x00, 0x40, 'e'}), QByteArray("abcdabce")},
        {"longest run", bytes({0x01, 0x80, 0x00, 0x00, 0x0F, 0xFF, 'z'}), QByteArray(4111, 'z')},
        {"shortest run", bytes({0x01, 0x80, 0x00, 0x00, 0x00, 0x00, 'r'}), QByteArray(16, 'r')},
        {"second control word", seventeenBlock, seventeen},
        {"flag other than 0x80 and no items", bytes({0x7F, 0x00}), QByteArray()},
    };
    for (const Case &c : cases) {
        QByteArray out;
        ASSERT_TRUE(decodeLzrw1khBlock(c.block, out)) << c.what;
        EXPECT_EQ(out, c.expected) << c.what;
    }
}

TEST(Lzrw1kh, DamagedBlocksAreRefusedWithinBounds)
{
    // Eight longest runs make 32888 bytes, beyond the 32783-byte output area.
    QByteArray tooLong = bytes({0x00, 0xFF, 0x00});
    for (int i = 0; i < 8; ++i)
        tooLong.append(bytes({0x00, 0x0F, 0xFF, 'z'}));
    QByteArray stored(32769, 'a');
    stored[0] = static_cast<char>(0x80);
    const struct {
        const char *what;
        QByteArray block;
    } cases[] = {
        {"copy before the start of the output", bytes({0x00, 0x40, 0x00, 'x', 0x00, 0x2F})},
        {"copy with nothing output yet", bytes({0x00, 0x80, 0x00, 0x00, 0x1F})},
        {"copy cut short", bytes({0x00, 0x40, 0x00, 'x', 0x00})},
        {"run cut short", bytes({0x00, 0x80, 0x00, 0x00, 0x0F, 0xFF})},
        {"control word at the very end", [] {
             QByteArray b = bytes({0x00, 0x00, 0x00});
             b.append(QByteArray(16, 'a'));
             b.append(bytes({0x00, 0x00}));
             return b;
         }()},
        {"more output than the area holds", tooLong},
        {"block longer than 32768 bytes", stored},
        {"empty block", QByteArray()},
    };
    for (const auto &c : cases) {
        QByteArray out;
        EXPECT_FALSE(decodeLzrw1khBlock(c.block, out)) << c.what;
    }
    // Exactly the output area: seven longest runs and one run of 4006.
    QByteArray full = bytes({0x00, 0xFF, 0x00});
    for (int i = 0; i < 7; ++i)
        full.append(bytes({0x00, 0x0F, 0xFF, 'z'}));
    const int rest = 32783 - 7 * 4111 - 16;
    full.append(bytes({0x00, rest >> 8, rest & 0xFF, 'y'}));
    QByteArray out;
    ASSERT_TRUE(decodeLzrw1khBlock(full, out));
    EXPECT_EQ(out.size(), 32783);
    EXPECT_EQ(out.right(1), QByteArray("y"));
}

TEST(DosTime, PacksLocalTimeAndBack)
{
    const QDateTime t(QDate(2023, 7, 14), QTime(13, 45, 31));
    const quint32 packed = packDosTime(t);
    EXPECT_EQ(packed >> 16, static_cast<quint32>(((2023 - 1980) << 9) | (7 << 5) | 14));
    EXPECT_EQ(packed & 0xFFFF, static_cast<quint32>((13 << 11) | (45 << 5) | 15));
    ASSERT_TRUE(unpackDosTime(packed));
    EXPECT_EQ(*unpackDosTime(packed), QDateTime(QDate(2023, 7, 14), QTime(13, 45, 30)));
    EXPECT_EQ(packDosTime(QDateTime(QDate(1970, 1, 1), QTime(0, 0))), packDosTime(QDateTime(QDate(1980, 1, 1), QTime(0, 0))));
    EXPECT_FALSE(unpackDosTime(0));                        // month 0, day 0
    EXPECT_FALSE(unpackDosTime((1u << 5 | 1u) << 16 | 30u)); // 60 seconds
}
