// quirels-cli importar-txt end to end: a fresh data folder, a month imported,
// the questions answered by --sim or not, a refused line.

#include "TextImportFixture.h"
#include "exchange/Messages.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;

namespace {

QString count(const QString &folder, const QString &select)
{
    QString out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("cli-check"));
        db.setDatabaseName(folder + QStringLiteral("/quirels.db"));
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(select));
        out = q.next() ? q.value(0).toString() : QStringLiteral("<none>");
    }
    QSqlDatabase::removeDatabase(QStringLiteral("cli-check"));
    return out;
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(TextImportCli, ImportsAsksAndRefuses)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("dados"));
    const QString file = dir.filePath(QStringLiteral("mes.txt"));
    const QString K = QStringLiteral("12345678000195");
    write(file, test::fileBytes(test::monthLines(K, QStringLiteral("2024"), QStringLiteral("JAN"))));
    const QStringList base{QStringLiteral("--dados"), data};

    test::ProcessResult r = test::runCli(base + QStringList{QStringLiteral("inicializar")});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);

    r = test::runCli(base + QStringList{QStringLiteral("importar-txt"), file});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(r.out, QString());
    EXPECT_EQ(count(data, QStringLiteral("SELECT Observacao FROM Observacoes")),
              QStringLiteral("Primeira linha da observação\rSegunda linha"));

    // Again without --sim: both questions are printed and answered "Não";
    // the import stops at the period and exits 1.
    r = test::runCli(base + QStringList{QStringLiteral("importar-txt"), file});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, QStringLiteral("A empresa já está cadastrada. Deseja atualizar os dados?\nNão\n"
                                    "Já existem dados para este mês. Sobrescrever?\nNão\n"));
    EXPECT_EQ(count(data, QStringLiteral("SELECT count(*) FROM Produtos")), QStringLiteral("1"));

    // With --sim the period is replaced, not doubled.
    r = test::runCli(QStringList{QStringLiteral("--sim")} + base + QStringList{QStringLiteral("importar-txt"), file});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(count(data, QStringLiteral("SELECT count(*) || ' ' || max(CdProduto) FROM Produtos")), QStringLiteral("1 2"));

    // A refused line: the message on standard error, exit 1, nothing stored.
    const QString bad = dir.filePath(QStringLiteral("ruim.txt"));
    write(bad, test::fileBytes({test::emLine(QStringLiteral("98765432000198"), QStringLiteral("Outra")),
                                test::ooLine(QStringLiteral("sem observação"))}));
    r = test::runCli(base + QStringList{QStringLiteral("importar-txt"), bad});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("Erro na linha 2 do arquivo texto:\nO registro OO precisa de um registro OB anterior.\n"
                                    "Nenhum dado do arquivo foi importado.\n"));
    EXPECT_EQ(count(data, QStringLiteral("SELECT count(*) FROM Empresa")), QStringLiteral("1"));

    // Usage and a missing file.
    EXPECT_EQ(test::runCli(base + QStringList{QStringLiteral("importar-txt")}).exitCode, 2);
    r = test::runCli(base + QStringList{QStringLiteral("importar-txt"), dir.filePath(QStringLiteral("nada.txt"))});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Não foi possível ler o arquivo"))) << qPrintable(r.err);
}
