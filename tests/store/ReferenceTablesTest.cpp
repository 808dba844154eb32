// Replacing the reference tables from CSV files, on both stores.

#include "store/Database.h"
#include "store/Dialect.h"
#include "store/Messages.h"
#include "store/PeriodLock.h"
#include "store/ReferenceTables.h"
#include "store/Schema.h"
#include "store/Sql.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;
namespace ref = quirels::store::reference;

namespace {

const QString kCnpj = QStringLiteral("11222333000181");

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray utf8(const char *text) { return QByteArray(text); }

// Every product as "number NCM name [fora]", in number order.
QStringList products(const test::TempStore &store)
{
    QSqlQuery q(store.db());
    EXPECT_TRUE(q.exec(QStringLiteral("SELECT IdProdutoControlado, CdNCM, NmProdutoControlado, FlForaDaLista "
                                      "FROM ProdutoControlado ORDER BY IdProdutoControlado")));
    QStringList out;
    while (q.next())
        out.append(QStringLiteral("%1 %2 %3%4")
                       .arg(q.value(0).toLongLong())
                       .arg(q.value(1).toString(), q.value(2).toString(),
                            q.value(3).toInt() ? QStringLiteral(" [fora]") : QString()));
    return out;
}

qint64 idOf(const test::TempStore &store, const QString &name)
{
    return store.scalar(QStringLiteral("SELECT IdProdutoControlado FROM ProdutoControlado WHERE NmProdutoControlado = '%1'")
                            .arg(name))
        .toLongLong();
}

// The product a month's row names through its number.
QString nameByNumber(const test::TempStore &store, qint64 id)
{
    return store.scalar(QStringLiteral("SELECT NmProdutoControlado FROM ProdutoControlado WHERE IdProdutoControlado = %1").arg(id))
        .toString();
}

Result<QList<ref::TableChanges>> update(const test::TempStore &store, const QString &folder)
{
    QSqlDatabase db = store.db();
    return ref::updateFromFolder(db, folder);
}

// The store's product list replaced by these lines (header added).
void startWith(const test::TempStore &store, const QByteArray &rows)
{
    store.exec(QStringLiteral("DELETE FROM ProdutoControlado"));
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("produtos_controlados.csv")), "CdNCM;NmProdutoControlado\n" + rows);
    Result<QList<ref::TableChanges>> r = update(store, dir.path());
    ASSERT_TRUE(r.ok()) << qPrintable(r.message());
}

} // namespace

// A replacement of the controlled products, row by row: what keeps its
// number, what gets a new one, what stays out of the list for the months
// that use it, and what goes.
TEST(ReferenceTables, ProductsKeepTheirNumbersAndMonthsKeepTheirProducts)
{
    test::TempStore store;
    startWith(store, utf8("2806.10.10;ÁCIDO CLORÍDRICO\n"
                          "2902.30.00;TOLUENO\n"
                          "2914.11.00;ACETONA\n"
                          "2915.24.00;ANIDRIDO ACETICO\n"
                          "2939.49.00;ETAEFEDRINA\n"
                          "2939.49.00;N-METILEFEDRINA\n"));
    const QStringList names{QStringLiteral("ÁCIDO CLORÍDRICO"), QStringLiteral("TOLUENO"), QStringLiteral("ACETONA"),
                            QStringLiteral("ANIDRIDO ACETICO"), QStringLiteral("ETAEFEDRINA"), QStringLiteral("N-METILEFEDRINA")};
    QHash<QString, qint64> before;
    for (const QString &n : names)
        before.insert(n, idOf(store, n));
    const qint64 highest = store.scalar(QStringLiteral("SELECT max(IdProdutoControlado) FROM ProdutoControlado")).toLongLong();
    // Months refer to toluene (XI-A) and to the old name of the anhydride (XI-B).
    store.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdProdutoControlado, CdNCM, NmProduto) "
                              "VALUES ('%1', '2021', 'JAN', %2, '2902.30.00', 'TOLUENO')").arg(kCnpj).arg(before[QStringLiteral("TOLUENO")]));
    store.exec(QStringLiteral("INSERT INTO Movimentacao (CdCNPJEmpr, NrAno, NmMes, CdProduto, CdNCM, NmProduto) "
                              "VALUES ('%1', '2021', 'JAN', %2, '2915.24.00', 'ANIDRIDO ACETICO')")
                   .arg(kCnpj).arg(before[QStringLiteral("ANIDRIDO ACETICO")]));

    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("produtos_controlados.csv")),
              utf8("CdNCM;NmProdutoControlado\n"
                   "2806.10.10;ÁCIDO CLORÍDRICO\n"
                   "2807.00.20;ÁCIDO SULFÚRICO\n"
                   "2915.24.00;ANIDRIDO ACÉTICO\n"
                   "2939.49.00;ETAEFEDRINA\n"
                   "2939.49.00;N-METILEFEDRINA\n"
                   "2939.49.00;N-METILPSEUDOEFEDRINA\n"));
    Result<QList<ref::TableChanges>> r = update(store, dir.path());
    ASSERT_TRUE(r.ok()) << qPrintable(r.message());

    enum Outcome { Kept, New, OutOfList, Gone };
    struct Case {
        const char *ncm;
        const char *name;
        Outcome outcome;
    };
    const Case cases[] = {
        {"2806.10.10", "ÁCIDO CLORÍDRICO", Kept},           // unchanged
        {"2939.49.00", "ETAEFEDRINA", Kept},                // one NCM, several names
        {"2939.49.00", "N-METILEFEDRINA", Kept},
        {"2939.49.00", "N-METILPSEUDOEFEDRINA", New},       // a new name under a shared NCM
        {"2807.00.20", "ÁCIDO SULFÚRICO", New},             // added
        {"2915.24.00", "ANIDRIDO ACÉTICO", New},            // renamed: a new product
        {"2915.24.00", "ANIDRIDO ACETICO", OutOfList},      // the old name, used by a month
        {"2902.30.00", "TOLUENO", OutOfList},               // removed, used by a month
        {"2914.11.00", "ACETONA", Gone},                    // removed, used by none
    };
    for (const Case &c : cases) {
        const QString name = QString::fromUtf8(c.name);
        SCOPED_TRACE(c.name);
        const QString where = QStringLiteral(" FROM ProdutoControlado WHERE CdNCM = '%1' AND NmProdutoControlado = '%2'")
                                  .arg(QLatin1String(c.ncm), name);
        const int rows = store.scalar(QStringLiteral("SELECT count(*)") + where).toInt();
        if (c.outcome == Gone) {
            EXPECT_EQ(rows, 0);
            continue;
        }
        ASSERT_EQ(rows, 1);
        const qint64 id = store.scalar(QStringLiteral("SELECT IdProdutoControlado") + where).toLongLong();
        const bool out = store.scalar(QStringLiteral("SELECT FlForaDaLista") + where).toInt() != 0;
        EXPECT_EQ(out, c.outcome == OutOfList);
        if (c.outcome == New)
            EXPECT_GT(id, highest);
        else
            EXPECT_EQ(id, before.value(name));
    }
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM ProdutoControlado")).toInt(), 8);
    // The months' rows still name what they named.
    EXPECT_EQ(nameByNumber(store, store.scalar(QStringLiteral("SELECT CdProdutoControlado FROM Produtos")).toLongLong()),
              QStringLiteral("TOLUENO"));
    EXPECT_EQ(nameByNumber(store, store.scalar(QStringLiteral("SELECT CdProduto FROM Movimentacao")).toLongLong()),
              QStringLiteral("ANIDRIDO ACETICO"));

    ASSERT_EQ(r->size(), 1);
    const ref::TableChanges &t = r->first();
    EXPECT_EQ(t.rows, 6);
    EXPECT_EQ(ref::describe(*r),
              (QStringList{
                  QStringLiteral("Produtos controlados (%1): 6 linha(s); 2 incluída(s), 2 excluída(s), 1 renomeada(s).")
                      .arg(QDir::toNativeSeparators(dir.filePath(QStringLiteral("produtos_controlados.csv")))),
                  QStringLiteral("  incluída: 2807.00.20 ÁCIDO SULFÚRICO"),
                  QStringLiteral("  incluída: 2939.49.00 N-METILPSEUDOEFEDRINA"),
                  QStringLiteral("  excluída: 2902.30.00 TOLUENO") + store::msg::kRefMantido,
                  QStringLiteral("  excluída: 2914.11.00 ACETONA"),
                  QStringLiteral("  renomeada: 2915.24.00 ANIDRIDO ACETICO -> ANIDRIDO ACÉTICO") + store::msg::kRefMantido,
                  store::msg::kRefConcluida}));

    // The same table again changes nothing; toluene back in the list takes
    // its old number again, and the product kept for nobody goes.
    const QStringList now = products(store);
    r = update(store, dir.path());
    ASSERT_TRUE(r.ok()) << qPrintable(r.message());
    EXPECT_FALSE(r->first().any());
    EXPECT_EQ(products(store), now);
    store.exec(QStringLiteral("DELETE FROM Movimentacao"));
    QFile::remove(dir.filePath(QStringLiteral("produtos_controlados.csv")));
    writeFile(dir.filePath(QStringLiteral("PRODUTOS_CONTROLADOS.CSV")),
              utf8("CdNCM;NmProdutoControlado\r\n2902.30.00;TOLUENO\r\n2806.10.10;ÁCIDO CLORÍDRICO\r\n"));
    r = update(store, dir.path());
    ASSERT_TRUE(r.ok()) << qPrintable(r.message());
    EXPECT_EQ(products(store), (QStringList{QStringLiteral("%1 2806.10.10 ÁCIDO CLORÍDRICO").arg(before[names[0]]),
                                            QStringLiteral("%1 2902.30.00 TOLUENO").arg(before[names[1]])}));
    EXPECT_EQ(r->first().added.size(), 1);
    EXPECT_EQ(r->first().removed.size(), 5); // the list now holds two products
    // A number once given is never given again.
    startWith(store, utf8("2914.11.00;ACETONA\n"));
    EXPECT_GT(idOf(store, QStringLiteral("ACETONA")), highest + 3);
}

// The tables of codes: CFOP, countries and CNAE are replaced whole, and the
// report says what changed by code.
TEST(ReferenceTables, CodeTablesReportAddedRemovedAndRenamed)
{
    test::TempStore store;
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("cfop.csv")), utf8("CdCFOP;dsCFOP\n"
                                                             "1.101;Compra para industrialização ou produção rural\n"
                                                             "5.102;Venda de mercadoria adquirida\n"
                                                             "9.001;Operação nova\n"));
    // Country codes are written with four digits; 1058 is unchanged.
    writeFile(dir.filePath(QStringLiteral("paises.csv")), utf8("CDPAIS;NMPAIS\n1058;Brasil\n0132;Afeganistão\n"));
    writeFile(dir.filePath(QStringLiteral("cnae.csv")),
              utf8("CDCNAE;CDDESCRCNAE;NMCNAE\n111301;0111-3/01;CULTIVO DE ARROZ\n"
                   "4711301;4711-3/01;\"COMÉRCIO; HIPERMERCADOS\"\n"));
    const QString cfopBefore = store.scalar(QStringLiteral("SELECT dsCFOP FROM CFOP WHERE CdCFOP = '5.102'")).toString();
    Result<QList<ref::TableChanges>> r = update(store, dir.path());
    ASSERT_TRUE(r.ok()) << qPrintable(r.message());
    ASSERT_EQ(r->size(), 3);
    const ref::TableChanges &cnae = r->at(0);
    const ref::TableChanges &cfop = r->at(1);
    const ref::TableChanges &paises = r->at(2);
    EXPECT_EQ(cfop.caption, QStringLiteral("CFOP"));
    ASSERT_EQ(cfop.added.size(), 1);
    EXPECT_EQ(cfop.added.first().code, QStringLiteral("9.001"));
    ASSERT_EQ(cfop.renamed.size(), 1);
    EXPECT_EQ(cfop.renamed.first().oldName, cfopBefore);
    EXPECT_EQ(cfop.renamed.first().name, QStringLiteral("Venda de mercadoria adquirida"));
    EXPECT_EQ(cfop.removed.size(), 619 - 2);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM CFOP")).toInt(), 3);
    EXPECT_EQ(paises.added.size(), 0);
    EXPECT_EQ(paises.removed.size(), 250);
    EXPECT_EQ(paises.renamed.size(), 0);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT NMPAIS FROM Paises WHERE CDPAIS = 132")).toString(), QStringLiteral("Afeganistão"));
    EXPECT_EQ(cnae.renamed.size(), 1); // the quoted field with its ";"
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT NMCNAE FROM Cnae WHERE CDCNAE = 4711301")).toString(),
              QStringLiteral("COMÉRCIO; HIPERMERCADOS"));
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM ProdutoControlado")).toInt(), 104); // not in the folder
}

// A file with a wrong line is refused naming the file and the line, and
// nothing changes: not its table, not the tables of the other files.
TEST(ReferenceTables, RefusalsNameTheFileAndLineAndChangeNothing)
{
    test::TempStore store;
    QSqlDatabase db = store.db();
    const QString snapshot = QStringLiteral(
        "SELECT (SELECT count(*) FROM ProdutoControlado) || '/' || (SELECT count(*) FROM CFOP) || '/' || "
        "(SELECT count(*) FROM Paises) || '/' || (SELECT count(*) FROM Cnae) || '/' || "
        "(SELECT max(IdProdutoControlado) FROM ProdutoControlado)");
    const QString before = store.scalar(snapshot).toString();
    const QString name71(71, QLatin1Char('X'));
    struct Case {
        const char *file;
        QByteArray bytes;
        int line;
        QString what;
    };
    const Case cases[] = {
        {"produtos_controlados.csv", "NCM;Nome\n2806.10.10;X\n", 1, store::msg::kRefCabecalho.arg(QStringLiteral("CdNCM;NmProdutoControlado"))},
        {"produtos_controlados.csv", "CdNCM;NmProdutoControlado\n2806.10.10;X\n2806.1010;Y\n", 3, store::msg::kRefNcm.arg(QStringLiteral("2806.1010"))},
        {"produtos_controlados.csv", "CdNCM;NmProdutoControlado\n2806.10.10;" + name71.toUtf8() + "\n", 2,
         store::msg::kRefLargura.arg(QStringLiteral("NmProdutoControlado")).arg(71).arg(70)},
        {"produtos_controlados.csv", "CdNCM;NmProdutoControlado\n2806.10.10;X\n\n2806.10.10;X\n", 4,
         store::msg::kRefRepetido.arg(QStringLiteral("o produto 2806.10.10 X")).arg(2)},
        {"produtos_controlados.csv", "CdNCM;NmProdutoControlado\n2806.10.10;\n", 2, store::msg::kRefCampoVazio.arg(QStringLiteral("NmProdutoControlado"))},
        {"produtos_controlados.csv", "CdNCM;NmProdutoControlado\n2806.10.10;X;Y\n", 2,
         store::msg::kRefCampos.arg(3).arg(2).arg(QStringLiteral("CdNCM;NmProdutoControlado"))},
        {"produtos_controlados.csv", "CdNCM;NmProdutoControlado\n2806.10.10;X\n2806.10.11;\xC1\x43IDO\n", 3, store::msg::kRefUtf8},
        {"cfop.csv", "CdCFOP;dsCFOP\n5.102;Venda\n5.102;Outra venda\n", 3, store::msg::kRefRepetido.arg(QStringLiteral("o código 5.102")).arg(2)},
        {"cfop.csv", "CdCFOP;dsCFOP\n5102;Venda\n", 2, store::msg::kRefCfop.arg(QStringLiteral("5102"))},
        {"paises.csv", "CDPAIS;NMPAIS\n132;Afeganistão\n", 2, store::msg::kRefPais.arg(QStringLiteral("132"))},
        {"cnae.csv", "CDCNAE;CDDESCRCNAE;NMCNAE\n111301;0111-3/02;ARROZ\n", 2,
         store::msg::kRefCnaeFormatado.arg(QStringLiteral("0111-3/02"), QStringLiteral("0111-3/01"))},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes.constData());
        QTemporaryDir dir;
        // A good file of another table beside it is not taken either.
        writeFile(dir.filePath(QStringLiteral("paises.csv")), "CDPAIS;NMPAIS\n1058;Brasil\n");
        writeFile(dir.filePath(QLatin1String(c.file)), c.bytes);
        Result<QList<ref::TableChanges>> r = ref::updateFromFolder(db, dir.path());
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error().code, 1);
        EXPECT_EQ(r.message(), store::msg::kRefLinha.arg(QDir::toNativeSeparators(dir.filePath(QLatin1String(c.file))))
                                   .arg(c.line)
                                   .arg(c.what));
        EXPECT_EQ(store.scalar(snapshot).toString(), before);
    }
    QTemporaryDir empty;
    writeFile(empty.filePath(QStringLiteral("outro.csv")), "x\n");
    Result<QList<ref::TableChanges>> r = ref::updateFromFolder(db, empty.path());
    EXPECT_EQ(r.message(), store::msg::kRefNenhumArquivo.arg(QDir::toNativeSeparators(empty.path())));
    r = ref::updateFromFolder(db, empty.filePath(QStringLiteral("nada")));
    EXPECT_EQ(r.error().code, 2);
    EXPECT_EQ(store.scalar(snapshot).toString(), before);
}

// A store of the older layout, its months on an older product list, takes
// the installed tables on its upgrade: the months' products keep their
// numbers and names; one that left the list is kept out of it.
TEST(ReferenceTables, UpgradeOfAnOlderStoreTakesTheInstalledList)
{
    test::TempStore store;
    QSqlDatabase db = store.db();
    // The older list: the installed one without three products, plus one
    // that is no longer in it (used by a month) and one used by none.
    store.exec(QStringLiteral("DELETE FROM ProdutoControlado WHERE NmProdutoControlado IN "
                              "('TRICLOROETILENO', 'CAFEÍNA', 'LEVAMISOL')"));
    store.exec(QStringLiteral("INSERT INTO ProdutoControlado (CdNCM, NmProdutoControlado) VALUES "
                              "('2915.39.99', 'PRODUTO ANTIGO'), ('2915.39.98', 'OUTRO ANTIGO')"));
    ASSERT_OK(sql::exec(db, QStringLiteral("ALTER TABLE ProdutoControlado DROP COLUMN FlForaDaLista")));
    ASSERT_OK(store::dialect::setSchemaVersion(db, 3));
    const qint64 toluene = idOf(store, QStringLiteral("TOLUENO"));
    const qint64 old = idOf(store, QStringLiteral("PRODUTO ANTIGO"));
    store.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdProdutoControlado, NmProduto) VALUES "
                              "('%1', '2019', 'DEZ', %2, 'TOLUENO'), ('%1', '2019', 'DEZ', %3, 'PRODUTO ANTIGO')")
                   .arg(kCnpj).arg(toluene).arg(old));

    ASSERT_OK(store::upgradeSchema(db));
    EXPECT_EQ(store::dialect::schemaVersion(db).value(), schema::kSchemaVersion);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM ProdutoControlado WHERE ") + ref::inListCondition()).toInt(), 104);
    EXPECT_EQ(idOf(store, QStringLiteral("TOLUENO")), toluene);
    EXPECT_EQ(idOf(store, QStringLiteral("PRODUTO ANTIGO")), old);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT FlForaDaLista FROM ProdutoControlado WHERE IdProdutoControlado = %1").arg(old)).toInt(), 1);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM ProdutoControlado WHERE NmProdutoControlado = 'OUTRO ANTIGO'")).toInt(), 0);
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM ProdutoControlado WHERE NmProdutoControlado = 'CAFEÍNA'")).toInt(), 2);
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT pc.NmProdutoControlado FROM Produtos p JOIN ProdutoControlado pc "
                                      "ON pc.IdProdutoControlado = p.CdProdutoControlado ORDER BY p.CdProduto")));
    QStringList named;
    while (q.next())
        named.append(q.value(0).toString());
    EXPECT_EQ(named, (QStringList{QStringLiteral("TOLUENO"), QStringLiteral("PRODUTO ANTIGO")}));
}

// On a server, the tables are not replaced while another workstation has a
// period open for writing; this workstation's own open period is no bar.
TEST(ReferenceTables, ServerRefusesWhileAnotherWorkstationHoldsAPeriod)
{
    if (!test::onServer())
        GTEST_SKIP() << "workstations sharing a server store";
    test::TempStore store;
    store.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('%1', 'X')").arg(kCnpj));
    store.exec(QStringLiteral("INSERT INTO Mes (CdCNPJEmpr, NrAno, NmMes) VALUES ('%1', '2024', 'JAN')").arg(kCnpj));
    const PeriodKey jan{kCnpj, QStringLiteral("2024"), QStringLiteral("JAN")};
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("cfop.csv")), "CdCFOP;dsCFOP\n5.102;Venda\n");
    QSqlDatabase a = store.db();
    store::PeriodHold mine;
    ASSERT_OK(mine.hold(a, jan));
    {
        Result<QSqlDatabase> b = store::open(store.folder(), store.options(QStringLiteral("estacao2")));
        ASSERT_OK(b);
        store::PeriodHold theirs;
        ASSERT_OK(theirs.hold(*b, jan));
        Result<QList<ref::TableChanges>> r = ref::updateFromFolder(a, dir.path());
        EXPECT_EQ(r.message(), store::msg::kEmpresaEmUso.arg(kCnpj));
        EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM CFOP")).toInt(), 619);
        theirs.release();
        *b = QSqlDatabase();
    }
    store::close(QStringLiteral("estacao2"));
    Result<QList<ref::TableChanges>> r = ref::updateFromFolder(a, dir.path());
    ASSERT_TRUE(r.ok()) << qPrintable(r.message());
    EXPECT_EQ(store.scalar(QStringLiteral("SELECT count(*) FROM CFOP")).toInt(), 1);
}
