#include "store/Dialect.h"
#include "store/Messages.h"
#include "store/Sql.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

// "tabelas atualizar PASTA" on a store of the older layout: the store takes
// this version's layout, a hand-edited file with a wrong line is refused
// naming it (exit 1, nothing changed), a right one is taken and reported.
TEST(CliTabelas, RefusesABadLineAndReportsWhatChanged)
{
    test::TempStore store;
    QSqlDatabase db = store.db();
    ASSERT_OK(sql::exec(db, QStringLiteral("ALTER TABLE ProdutoControlado DROP COLUMN FlForaDaLista")));
    ASSERT_OK(store::dialect::setSchemaVersion(db, 3));
    QTemporaryDir dir;
    const QString products = dir.filePath(QStringLiteral("produtos_controlados.csv"));
    writeFile(products, "CdNCM;NmProdutoControlado\n2806.10.10;ÁCIDO CLORÍDRICO\n2902.30.00;TOLUENO\n2915.24;ANIDRIDO\n");
    const QStringList args{QStringLiteral("--dados"), store.folder(), QStringLiteral("tabelas"), QStringLiteral("atualizar"), dir.path()};

    test::ProcessResult r = test::runCli(args);
    EXPECT_EQ(r.exitCode, 1) << qPrintable(r.err);
    EXPECT_EQ(r.err, store::msg::kRefLinha.arg(QDir::toNativeSeparators(products)).arg(4).arg(store::msg::kRefNcm.arg(QStringLiteral("2915.24"))) +
                         QLatin1Char('\n'));
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM ProdutoControlado WHERE FlForaDaLista = 0")).toInt(), 104);

    writeFile(products, "CdNCM;NmProdutoControlado\n2806.10.10;ÁCIDO CLORÍDRICO\n2902.30.00;TOLUENO\n2915.24.00;ANIDRIDO ACÉTICO\n"
                        "2999.99.99;PRODUTO NOVO\n");
    r = test::runCli(args);
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty()) << qPrintable(r.out);
    EXPECT_EQ(lines.first(), QStringLiteral("Produtos controlados (%1): 4 linha(s); 1 incluída(s), 101 excluída(s), 0 renomeada(s).")
                                 .arg(QDir::toNativeSeparators(products)));
    EXPECT_TRUE(lines.contains(QStringLiteral("  incluída: 2999.99.99 PRODUTO NOVO")));
    EXPECT_EQ(lines.last(), store::msg::kRefConcluida);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM ProdutoControlado")).toInt(), 4);

    EXPECT_EQ(test::runCli({QStringLiteral("--dados"), store.folder(), QStringLiteral("tabelas"), QStringLiteral("atualizar")}).exitCode, 2);
    EXPECT_EQ(test::runCli({QStringLiteral("--dados"), store.folder(), QStringLiteral("tabelas"), QStringLiteral("trocar"), dir.path()}).exitCode, 2);
    r = test::runCli({QStringLiteral("--dados"), store.folder(), QStringLiteral("tabelas"), QStringLiteral("atualizar"),
                      dir.filePath(QStringLiteral("nada"))});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("não existe"))) << qPrintable(r.err);
}
