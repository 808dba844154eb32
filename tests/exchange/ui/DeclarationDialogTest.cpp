#include "../ExchangeFixture.h"
#include "exchange/Messages.h"
#include "exchange/ui/DeclarationDialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::exchange;

TEST(DeclarationDialog, ShowsThePeriodAndWritesTheFiles)
{
    test::TempStore store;
    test::fillSmallPeriod(store);
    QTemporaryDir out;
    ScriptedDialogs dialogs;
    TfrmDiscoQuirels dlg(store.db(), test::kSmallPeriod, out.path(), dialogs);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Gerar Arquivo XML"));
    struct Field {
        const char *name;
        QString text;
        const char *hint;
    };
    const Field fields[] = {
        {"edtCdCNPJEmpr", QStringLiteral("11.222.333/0001-81"), "CNPJ da empresa"},
        {"edtNmRazao", QStringLiteral("Química & Filhos <Ltda> \"Sul\""), "Nome da empresa"},
        {"edtNmMes", QStringLiteral("MAR"), "Mês selecionado"},
        {"edtNrAno", QStringLiteral("2003"), "Ano selecionado"},
    };
    for (const Field &f : fields) {
        auto *e = dlg.findChild<QLineEdit *>(QString::fromLatin1(f.name));
        ASSERT_TRUE(e) << f.name;
        EXPECT_EQ(e->text(), f.text);
        EXPECT_TRUE(e->isReadOnly());
        EXPECT_EQ(e->focusPolicy(), Qt::NoFocus);
        EXPECT_EQ(e->toolTip(), QString::fromUtf8(f.hint));
    }
    EXPECT_EQ(dlg.files().packetPath, out.filePath(QStringLiteral("M2003MAR11222333000181EMP.xml")));

    QTest::mouseClick(dlg.findChild<QPushButton *>(QStringLiteral("btnGerar")), Qt::LeftButton);
    EXPECT_EQ(dialogs.texts(), QStringList{msg::kGravacaoConcluida});
    EXPECT_EQ(dialogs.focused, QStringList{QStringLiteral("btnFechar")});
    EXPECT_TRUE(QFile::exists(dlg.files().packetPath));
    EXPECT_TRUE(QFile::exists(dlg.files().declarationPath));
}

TEST(DeclarationDialog, CpfMaskAndFailureMessages)
{
    test::TempStore store;
    store.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao, NmResponsavel) "
                              "VALUES ('12345678909', 'Snow ☃', 'José')"));
    store.exec(QStringLiteral("INSERT INTO Mes VALUES ('12345678909', '2004', 'DEZ')"));
    QTemporaryDir out;
    ScriptedDialogs dialogs;
    TfrmDiscoQuirels dlg(store.db(), test::kCpfPeriod, out.path(), dialogs);
    EXPECT_EQ(dlg.findChild<QLineEdit *>(QStringLiteral("edtCdCNPJEmpr"))->text(), QStringLiteral("123.456.789-09"));
    dlg.generate();
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[0].text, msg::kErroGerar);
    EXPECT_TRUE(dialogs.messages[1].text.contains(QStringLiteral("NmRazao")));
    EXPECT_TRUE(dialogs.focused.isEmpty());
    EXPECT_FALSE(QFile::exists(dlg.files().packetPath));
}

// The folder: chosen beside it and handed on to be remembered; one that does
// not exist is made only after the clerk says so.
TEST(DeclarationDialog, FolderIsChosenAndAMissingOneIsMadeOnlyWhenAsked)
{
    test::TempStore store;
    test::fillSmallPeriod(store);
    QTemporaryDir out;
    const QString missing = out.filePath(QStringLiteral("novo/xml"));
    ScriptedDialogs dialogs;
    TfrmDiscoQuirels dlg(store.db(), test::kSmallPeriod, missing, dialogs);
    auto *folder = dlg.findChild<QLineEdit *>(QStringLiteral("edtDiretorio"));
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(dlg.folder(), missing);

    // "Não": nothing made, nothing written.
    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kCriarPasta.arg(QDir::toNativeSeparators(missing)), Answer::No);
    dialogs.expect(ScriptedDialogs::Kind::Information, msg::kPastaNaoCriadaGeracao);
    dlg.generate();
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    EXPECT_FALSE(QFileInfo::exists(missing));

    // "Sim": made, and the files go there.
    dialogs.clear();
    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kCriarPasta.arg(QDir::toNativeSeparators(missing)), Answer::Yes);
    dialogs.expect(ScriptedDialogs::Kind::Information, msg::kGravacaoConcluida);
    dlg.generate();
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    EXPECT_TRUE(QFile::exists(QDir(missing).filePath(QStringLiteral("M2003MAR11222333000181EMP.xml"))));

    // The chooser starts on the folder shown; the chosen one is shown,
    // handed on, and used.
    QString started;
    QString remembered;
    dlg.setFolderPicker([&](const QString &start) {
        started = start;
        return out.path();
    });
    dlg.setFolderChosen([&](const QString &f) { remembered = f; });
    QTest::mouseClick(dlg.findChild<QPushButton *>(QStringLiteral("btnProcurar")), Qt::LeftButton);
    EXPECT_EQ(started, missing);
    EXPECT_EQ(remembered, out.path());
    EXPECT_EQ(dlg.folder(), out.path());
    dialogs.clear();
    dlg.generate();
    EXPECT_EQ(dialogs.texts(), QStringList{msg::kGravacaoConcluida});
    EXPECT_TRUE(QFile::exists(out.filePath(QStringLiteral("M2003MAR11222333000181EMP.xml"))));
    // A chooser left without a choice changes nothing.
    dlg.setFolderPicker([](const QString &) { return QString(); });
    remembered.clear();
    QTest::mouseClick(dlg.findChild<QPushButton *>(QStringLiteral("btnProcurar")), Qt::LeftButton);
    EXPECT_TRUE(remembered.isEmpty());
    EXPECT_EQ(dlg.folder(), out.path());
}
