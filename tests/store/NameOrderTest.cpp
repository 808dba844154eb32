#include "store/DataModule.h"
#include "store/Database.h"
#include "store/Dialect.h"
#include "store/NameOrder.h"
#include "store/StoreFile.h"
#include "support/TestSupport.h"

#include <QSqlQuery>
#include <algorithm>
#include <gtest/gtest.h>

using namespace quirels;
using store::compareNames;

namespace {

// Names in the order a Brazilian reader expects: case and accents do not
// count; names that differ only by them keep a fixed order among themselves.
const QStringList kOrdered{
    QStringLiteral("ACETONA"),          QStringLiteral("acido acetico"),   QStringLiteral("ÁCIDO CLORÍDRICO"),
    QStringLiteral("ACIDO SULFURICO"),  QStringLiteral("ÁCIDO SULFÚRICO"), QStringLiteral("ácido sulfúrico"),
    QStringLiteral("ÁCIDO SULFÚRICO 98"), QStringLiteral("AÇÚCAR"),        QStringLiteral("ÉTER"),
    QStringLiteral("ETERNO"),           QStringLiteral("ÓXIDO"),           QStringLiteral("OXIGÊNIO"),
    QStringLiteral("ZINCO"),            QStringLiteral("ÞORN"),            QStringLiteral("€ EURO"),
};

QByteArray utf8(const QString &s) { return s.toUtf8(); }

int compareUtf8(const QByteArray &a, const QByteArray &b)
{
    return store::compareNamesUtf8(reinterpret_cast<const unsigned char *>(a.constData()), static_cast<int>(a.size()),
                                   reinterpret_cast<const unsigned char *>(b.constData()), static_cast<int>(b.size()));
}

} // namespace

TEST(NameOrder, CaseAndAccentsDoNotCountAndTheTwoFormsAgree)
{
    QStringList shuffled = kOrdered;
    std::reverse(shuffled.begin(), shuffled.end());
    std::swap(shuffled[2], shuffled[9]);
    std::sort(shuffled.begin(), shuffled.end(), [](const QString &a, const QString &b) { return compareNames(a, b) < 0; });
    EXPECT_EQ(shuffled, kOrdered);

    // The program's order and the collation's over UTF-8, pair by pair; only
    // identical texts are equal.
    for (const QString &a : kOrdered)
        for (const QString &b : kOrdered) {
            const int expected = compareNames(a, b);
            EXPECT_EQ(compareUtf8(utf8(a), utf8(b)), expected) << qPrintable(a + QLatin1String(" / ") + b);
            EXPECT_EQ(expected == 0, a == b) << qPrintable(a + QLatin1String(" / ") + b);
        }

    EXPECT_EQ(store::foldName(u"Ácido Sulfúrico ÇÃÕÜÑ"), QStringLiteral("acido sulfurico caoun"));
    // A search by the start of a name: equal when they fold alike.
    EXPECT_EQ(compareNames(u"ACIDO SUL", u"ÁCIDO SUL", true), 0);
    EXPECT_LT(compareNames(u"ACIDO SUL", u"ÁCIDO SULFÚRICO", true), 0);
    // Bytes that are no UTF-8 order apart from every character, never equal to one.
    EXPECT_NE(compareUtf8(QByteArray("\xC1", 1), utf8(QStringLiteral("Á"))), 0);
    EXPECT_NE(compareUtf8(QByteArray("A\xE1", 2), QByteArray("A\xE1\x80", 3)), 0);
}

// The store's order of names is the program's: on SQLite the collation, on
// the server the fold expression.
TEST(NameOrder, TheStoreOrdersNamesAsTheProgramDoes)
{
    test::TempStore s;
    QStringList shuffled = kOrdered;
    std::reverse(shuffled.begin(), shuffled.end());
    for (qsizetype i = 0; i < shuffled.size(); ++i)
        s.exec(QStringLiteral("INSERT INTO Paises (CDPAIS, NMPAIS) VALUES (%1, '%2')").arg(9000 + i).arg(shuffled[i]));
    QSqlDatabase db = s.db();
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT NMPAIS FROM Paises WHERE CDPAIS >= 9000 ORDER BY ") +
                       store::dialect::names(db, QStringLiteral("NMPAIS"))));
    QStringList got;
    while (q.next())
        got.append(q.value(0).toString());
    EXPECT_EQ(got, kOrdered);
}

// The products' cursor lists names in that order (its name index) and its
// search by the start of a name finds "ÁCIDO SULFÚRICO" by "acido sul".
TEST(NameOrder, TheProductListFindsANameWithoutItsAccents)
{
    test::TempStore s;
    ScriptedDialogs dialogs;
    store::DataModule dm{dialogs};
    ASSERT_OK(dm.openAll());
    store::Cursor &p = dm.lkpProdutoControlado();
    ASSERT_TRUE(p.setOrder(QStringLiteral("idxNome")));
    ASSERT_GT(p.count(), 50);
    for (int i = 1; i < p.count(); ++i)
        ASSERT_LE(compareNames(p.valueAt(i - 1, QStringLiteral("NmProdutoControlado")).toString(),
                               p.valueAt(i, QStringLiteral("NmProdutoControlado")).toString()),
                  0)
            << i;
    p.findNearest({QStringLiteral("ACIDO SUL")});
    EXPECT_EQ(p.value(QStringLiteral("NmProdutoControlado")).toString(), QStringLiteral("ÁCIDO SULFÚRICO"));
    p.findNearest({QStringLiteral("acido clorossulfo")});
    EXPECT_EQ(p.value(QStringLiteral("NmProdutoControlado")).toString(), QStringLiteral("ÁCIDO CLOROSSULFÔNICO"));
    // A new name goes to its place among the others.
    ASSERT_TRUE(p.insert());
    p.setValue(QStringLiteral("CdNCM"), QStringLiteral("2807.00.99"));
    p.setValue(QStringLiteral("NmProdutoControlado"), QStringLiteral("ácido sulfúrico fumegante"));
    ASSERT_OK(p.post());
    ASSERT_GT(p.row(), 0);
    EXPECT_EQ(p.valueAt(p.row() - 1, QStringLiteral("NmProdutoControlado")).toString(), QStringLiteral("ÁCIDO SULFÚRICO"));
}

// A store made before the order of names gets its name indexes in that
// order when opened; the store's own checks and copies know the collation.
TEST(NameOrder, AnOlderStoreGetsItsNameIndexesAndStaysWhole)
{
    QUIRELS_SQLITE_ONLY();
    test::TempStore s;
    s.exec(QStringLiteral("DROP INDEX ProdutoControlado_idxNome"));
    s.exec(QStringLiteral("CREATE INDEX ProdutoControlado_idxNome ON ProdutoControlado (NmProdutoControlado COLLATE NOCASE)"));
    QSqlDatabase db = s.db();
    ASSERT_OK(store::ensureNameIndexes(db));
    const QString made = s.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'ProdutoControlado_idxNome'")).toString();
    EXPECT_TRUE(made.contains(QLatin1String("PTBR"))) << qPrintable(made);
    for (const char *index : {"Cnae_idxNome", "CFOP_idxDescricao", "Paises_idxPais"})
        EXPECT_TRUE(s.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = '%1'").arg(QLatin1String(index)))
                        .toString()
                        .contains(QLatin1String("PTBR")))
            << index;
    s.exec(QStringLiteral("INSERT INTO ProdutoControlado (CdNCM, NmProdutoControlado) VALUES ('1', 'Éter')"));
    EXPECT_TRUE(store::file::integrityProblems(store::databasePath(s.folder())).isEmpty());
    const QString copy = s.folder() + QStringLiteral("/copia.db");
    ASSERT_OK(store::file::snapshot(store::databasePath(s.folder()), copy));
    EXPECT_TRUE(store::file::integrityProblems(copy).isEmpty());
}
