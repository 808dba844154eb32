#include "ShellFixture.h"

#include "shell/Messages.h"
#include "shell/ui/ReferenceTablesDialog.h"
#include "store/Cursor.h"
#include "store/DataModule.h"
#include "store/Messages.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quirels;
using namespace quirels::test;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

// Ferramentas > Atualizar Tabelas de Referência, by keyboard: the folder is
// typed, the window names the tables it holds, a wrong file is refused with
// its line and a right one replaces the table; the search of products then
// shows the new list only.
TEST_F(ShellTest, AtualizarTabelasReplacesTheTablesOfTheTypedFolder)
{
    QAction *command = window->command(QStringLiteral("mniAtualizarTabelas"));
    ASSERT_NE(command, nullptr);
    EXPECT_TRUE(command->isEnabled());
    EXPECT_TRUE(window->menu(QStringLiteral("mnuFerramentas"))->actions().contains(command));
    EXPECT_EQ(command->text(), QStringLiteral("&Atualizar Tabelas de Referência"));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("produtos_controlados.csv"));
    writeFile(file, "CdNCM;NmProdutoControlado\n2902.30.00;TOLUENO\n2914.11.00;" + QByteArray(71, 'A') + "\n");
    dialogs.expect(ScriptedDialogs::Kind::Error,
                   store::msg::kRefLinha.arg(QDir::toNativeSeparators(file)).arg(3).arg(
                       store::msg::kRefLargura.arg(QStringLiteral("NmProdutoControlado")).arg(71).arg(70)));
    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto *d = qobject_cast<TfrmTabelasReferencia *>(QApplication::activeModalWidget());
        if (!d)
            return;
        // Whatever happens below, the window closes and the test goes on.
        struct Closer {
            QDialog *d;
            ~Closer()
            {
                if (d->isVisible())
                    d->reject();
            }
        } closer{d};
        QApplication::setActiveWindow(d);
        EXPECT_TRUE(QTest::qWaitForWindowActive(d));
        auto *folder = d->findChild<QLineEdit *>(QStringLiteral("edtPasta"));
        auto *files = d->findChild<QLabel *>(QStringLiteral("lblArquivos"));
        auto *report = d->findChild<QPlainTextEdit *>(QStringLiteral("memResultado"));
        auto *update = d->findChild<QPushButton *>(QStringLiteral("btnAtualizar"));
        seen.append(files->text());
        EXPECT_FALSE(update->isEnabled());
        QTest::keyClick(d, Qt::Key_P, Qt::AltModifier); // the folder's label
        EXPECT_TRUE(folder->hasFocus());
        QTest::keyClicks(folder, dir.path());
        seen.append(files->text());
        EXPECT_TRUE(update->isEnabled());
        // A button's Alt letter clicks it a moment later (it shows pressed first).
        QTest::keyClick(d, Qt::Key_A, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !report->toPlainText().isEmpty(); }, 3000));
        seen.append(report->toPlainText());
        writeFile(file, "CdNCM;NmProdutoControlado\n2902.30.00;TOLUENO\n2999.99.99;PRODUTO NOVO\n");
        QTest::keyClick(d, Qt::Key_A, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return report->toPlainText() != seen.last(); }, 3000));
        seen.append(report->toPlainText());
        QTest::keyClick(d, Qt::Key_F, Qt::AltModifier);
    });
    command->trigger();
    ASSERT_EQ(seen.size(), 4);
    EXPECT_EQ(seen[0], shell::msg::kTabelasNenhuma);
    EXPECT_EQ(seen[1], shell::msg::kTabelasEncontradas.arg(QStringLiteral("produtos_controlados.csv (Produtos controlados)")));
    EXPECT_TRUE(seen[2].contains(QStringLiteral("linha 3"))) << qPrintable(seen[2]);
    EXPECT_TRUE(seen[3].startsWith(QStringLiteral("Produtos controlados (%1): 2 linha(s); 1 incluída(s), 103 excluída(s)")
                                       .arg(QDir::toNativeSeparators(file))))
        << qPrintable(seen[3]);
    EXPECT_TRUE(seen[3].endsWith(store::msg::kRefConcluida));
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM ProdutoControlado")), 2);
    store::Cursor &search = window->dataModule().lkpProdutoControlado();
    ASSERT_TRUE(search.isOpen() || search.open().ok());
    EXPECT_EQ(search.count(), 2);
}

// A product kept out of the list for the months that use it is not offered
// by the search of products.
TEST_F(ShellTest, SearchOfProductsLeavesOutProductsNoLongerInTheList)
{
    store.exec(QStringLiteral("UPDATE ProdutoControlado SET FlForaDaLista = 1 WHERE NmProdutoControlado = 'TOLUENO'"));
    store::Cursor &search = window->dataModule().lkpProdutoControlado();
    ASSERT_OK(search.refresh());
    EXPECT_EQ(search.count(), 103);
    EXPECT_FALSE(search.locate({{QStringLiteral("NmProdutoControlado"), QStringLiteral("TOLUENO")}}));
}
