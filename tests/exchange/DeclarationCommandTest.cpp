#include "ExchangeFixture.h"
#include "base/Dialogs.h"
#include "exchange/Generate.h"
#include "exchange/Messages.h"
#include "shell/Messages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::exchange;
using Kind = ScriptedDialogs::Kind;

namespace {

GenerateRequest request(const QString &folder)
{
    GenerateRequest r;
    r.key = test::kSmallPeriod;
    r.folder = folder;
    return r;
}

} // namespace

TEST(DeclarationCommand, WritesBothFilesIntoANewFolderAndSaysSo)
{
    test::TempStore store;
    test::fillSmallPeriod(store);
    test::makeSmallPeriodConsistent(store);
    QTemporaryDir out;
    const QString folder = out.filePath(QStringLiteral("xml/2003"));
    ScriptedDialogs dialogs;
    QSqlDatabase db = store.db();
    Result<GeneratedFiles> r = generateDeclaration(db, request(folder), dialogs);
    ASSERT_OK(r);
    EXPECT_EQ(dialogs.texts(), QStringList{msg::kGravacaoConcluida});
    EXPECT_EQ(dialogs.messages.first().kind, Kind::Information);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files),
              (QStringList{QStringLiteral("M2003MAR11222333000181.xml"), QStringLiteral("M2003MAR11222333000181EMP.xml")}));
}

TEST(DeclarationCommand, RefusalsAndFailuresWriteNothing)
{
    struct Case {
        const char *name;
        const char *update;          // applied to the small period
        bool folderIsFile;
        int code;
        QStringList texts;
    };
    const Case cases[] = {
        {"no person responsible", "UPDATE Empresa SET NmResponsavel = '   '", false, 1,
         {shell::msg::kInformeNomeResponsavel}},
        {"check error", "UPDATE Produtos SET QtCompras = 99 WHERE CdProduto = 7", false, 1, {}},
        {"folder is a file", nullptr, true, 1, {}},
        {"unwritable character", "UPDATE Empresa SET NmRazao = 'Snow ☃'", false, 2, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        test::TempStore store;
        test::fillSmallPeriod(store);
        test::makeSmallPeriodConsistent(store);
        if (c.update)
            store.exec(QString::fromUtf8(c.update));
        QTemporaryDir out;
        QString folder = out.filePath(QStringLiteral("xml"));
        if (c.folderIsFile) {
            QFile f(folder);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        ScriptedDialogs dialogs;
        QSqlDatabase db = store.db();
        Result<GeneratedFiles> r = generateDeclaration(db, request(folder), dialogs);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error().code, c.code);
        if (!c.texts.isEmpty()) {
            EXPECT_EQ(dialogs.texts(), c.texts);
        }
        if (QByteArray(c.name) == "check error") {
            // The check's error lines, then the refusal.
            ASSERT_GE(dialogs.messages.size(), 2);
            EXPECT_TRUE(dialogs.messages.first().text.startsWith(QStringLiteral("Erro: ")));
            EXPECT_EQ(dialogs.lastText(), msg::kValidacaoComErros);
        }
        if (c.folderIsFile) {
            EXPECT_EQ(dialogs.texts(), QStringList{msg::kPastaNaoCriada.arg(QDir::toNativeSeparators(folder))});
        }
        if (c.code == 2) {
            // The general failure message, then the failure's own.
            ASSERT_EQ(dialogs.messages.size(), 2);
            EXPECT_EQ(dialogs.messages[0].text, msg::kErroGerar);
            EXPECT_EQ(dialogs.messages[0].kind, Kind::Error);
            EXPECT_TRUE(dialogs.messages[1].text.contains(QStringLiteral("NmRazao")));
            EXPECT_EQ(dialogs.messages[1].kind, Kind::Error);
        }
        EXPECT_FALSE(dialogs.texts().contains(msg::kGravacaoConcluida));
        if (!c.folderIsFile) {
            EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
        }
    }
}

TEST(DeclarationCommand, CliEndToEnd)
{
    test::TempStore store;
    test::fillSmallPeriod(store);
    test::makeSmallPeriodConsistent(store);
    QTemporaryDir out;
    const QString folder = out.filePath(QStringLiteral("saida"));
    test::ProcessResult ok = test::runCli({QStringLiteral("--dados"), store.folder(), QStringLiteral("gerar"),
                                           QStringLiteral("11.222.333/0001-81"), QStringLiteral("2003"),
                                           QStringLiteral("mar"), QStringLiteral("--pasta"), folder});
    EXPECT_EQ(ok.exitCode, 0) << qPrintable(ok.err);
    EXPECT_EQ(ok.out.trimmed(), msg::kGravacaoConcluida);
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath(QStringLiteral("M2003MAR11222333000181EMP.xml"))));
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath(QStringLiteral("M2003MAR11222333000181.xml"))));

    store.exec(QStringLiteral("UPDATE Empresa SET NmResponsavel = NULL"));
    test::ProcessResult refused = test::runCli({QStringLiteral("--dados"), store.folder(), QStringLiteral("gerar"),
                                                QStringLiteral("11222333000181"), QStringLiteral("2003"),
                                                QStringLiteral("MAR"), QStringLiteral("--pasta"), folder});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.out.contains(shell::msg::kInformeNomeResponsavel)) << qPrintable(refused.out);

    for (const QStringList &bad : {QStringList{QStringLiteral("11222333000181"), QStringLiteral("2003")},
                                   QStringList{QStringLiteral("11222333000181"), QStringLiteral("2003"), QStringLiteral("XYZ")},
                                   QStringList{QStringLiteral("11222333000181"), QStringLiteral("2003"), QStringLiteral("MAR"),
                                               QStringLiteral("--pasta")}}) {
        test::ProcessResult usage = test::runCli(QStringList{QStringLiteral("--dados"), store.folder(),
                                                             QStringLiteral("gerar")} + bad);
        EXPECT_EQ(usage.exitCode, 2) << qPrintable(bad.join(QLatin1Char(' ')));
    }
}
