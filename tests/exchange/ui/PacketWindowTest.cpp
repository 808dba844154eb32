#include "../ExchangeFixture.h"
#include "exchange/Generate.h"
#include "exchange/Messages.h"
#include "exchange/ui/PacketWindow.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QFileInfo>
#include <QTest>
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::exchange;

namespace {

struct Files {
    QTemporaryDir dir;
    GeneratedFiles paths;
};

// The small period with observations of letters A, B, G and H, written out.
void writeSmall(Files &f)
{
    test::TempStore source(QStringLiteral("source"));
    test::fillSmallPeriod(source);
    source.exec(QStringLiteral("INSERT INTO Observacoes VALUES ('11222333000181', '2003', 'MAR', 'G', 'Obs. G')"));
    source.exec(QStringLiteral("INSERT INTO Observacoes VALUES ('11222333000181', '2003', 'MAR', 'H', 'Obs. H')"));
    QSqlDatabase db = source.db();
    Result<GeneratedFiles> r = writeDeclarationFiles(db, test::kSmallPeriod, f.dir.path());
    ASSERT_TRUE(r.ok()) << qPrintable(r.message());
    f.paths = *r;
}

template <class T>
T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    EXPECT_TRUE(c) << name;
    return c;
}

} // namespace

TEST(PacketWindow, ShowsTheLoadedPacketReadOnly)
{
    Files files;
    writeSmall(files);
    test::TempStore target(QStringLiteral("target"));
    ScriptedDialogs dialogs;
    TfrmXML w(target.db(), dialogs);
    ASSERT_TRUE(w.load(files.paths.packetPath));
    w.show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Arquivos XML"));
    EXPECT_EQ(child<QTabWidget>(w, "pgcXML")->currentIndex(), 0);

    EXPECT_EQ(child<QLineEdit>(w, "edtNmRazao")->text(), QStringLiteral("Química & Filhos <Ltda> \"Sul\""));
    EXPECT_EQ(child<QLineEdit>(w, "edtNmMes")->text(), QStringLiteral("MAR"));
    EXPECT_EQ(child<QLineEdit>(w, "edtNrAno")->text(), QStringLiteral("2003"));
    EXPECT_EQ(child<QLineEdit>(w, "edtNmResponsavel")->text(), QStringLiteral("João Ñandú"));
    EXPECT_TRUE(child<QLineEdit>(w, "edtNrCLF")->isReadOnly());
    EXPECT_TRUE(child<QCheckBox>(w, "chkFlGrupoVII")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(w, "chkFlGrupoIX")->isChecked());
    EXPECT_EQ(child<QPlainTextEdit>(w, "memDsInformacoes")->toPlainText(), QStringLiteral("Linha 1\nLinha 2"));

    QTableView *produtos = child<QTableView>(w, "grdProdutos");
    QTableView *finais = child<QTableView>(w, "grdProdutoFinal");
    QTableView *substancias = child<QTableView>(w, "grdSubstanciaPresente");
    for (QTableView *v : {produtos, finais, substancias, child<QTableView>(w, "grdMovimentacao")}) {
        QAbstractItemModelTester tester(v->model(), QAbstractItemModelTester::FailureReportingMode::Warning);
        EXPECT_EQ(v->editTriggers(), QAbstractItemView::NoEditTriggers);
        EXPECT_EQ(v->selectionBehavior(), QAbstractItemView::SelectRows);
    }
    EXPECT_EQ(produtos->model()->rowCount(), 2);
    EXPECT_EQ(produtos->model()->columnCount(), 21);
    EXPECT_EQ(produtos->model()->index(0, 4).data().toString(), QStringLiteral("100,000")); // QtEstoqueAnt
    EXPECT_EQ(finais->model()->rowCount(), 1);
    EXPECT_EQ(substancias->model()->rowCount(), 2);
    EXPECT_EQ(substancias->model()->index(0, 1).data().toString(), QStringLiteral("ÉTER"));
    produtos->selectRow(1);
    EXPECT_EQ(finais->model()->rowCount(), 0);
    EXPECT_EQ(substancias->model()->rowCount(), 0);

    // Each sub-page shows the observation of its letter.
    const std::pair<const char *, QString> observations[] = {
        {"memObsProdutos", QStringLiteral("Obs. 'A' & cia")}, {"memObsMovimentacao", QString()},
        {"memObsImportacao", QString()},                       {"memObsMovResiduo", QStringLiteral("Obs. G")},
        {"memObsResiduo", QStringLiteral("Obs. G")},           {"memObsIsolado", QStringLiteral("Obs. H")},
    };
    for (const auto &o : observations)
        EXPECT_EQ(child<QPlainTextEdit>(w, o.first)->toPlainText(), o.second) << o.first;
    QTabWidget *sub = child<QTabWidget>(w, "pgcProdutos");
    EXPECT_EQ(sub->count(), 9);
    EXPECT_EQ(sub->tabText(7), QStringLiteral("Movimentação do Resíduo"));
    sub->setCurrentIndex(5);
    child<QTabWidget>(w, "pgcXML")->setCurrentIndex(1);
    EXPECT_EQ(sub->currentIndex(), 0);
}

TEST(PacketWindow, ImportsAndRefusesTheDeclarationFile)
{
    Files files;
    writeSmall(files);
    test::TempStore target(QStringLiteral("target"));
    ScriptedDialogs dialogs;
    TfrmXML w(target.db(), dialogs);

    EXPECT_FALSE(w.load(files.paths.declarationPath));
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.lastText().contains(msg::kPacoteSemDeclaracoes));
    // It names the file to choose for that month, which is beside it.
    EXPECT_TRUE(dialogs.lastText().contains(msg::kEscolhaArquivoEmp.arg(QFileInfo(files.paths.packetPath).fileName(),
                                                                       msg::kArquivoEmpNaPasta)))
        << qPrintable(dialogs.lastText());
    EXPECT_FALSE(w.hasPacket());
    EXPECT_EQ(child<QTableView>(w, "grdProdutos")->model()->rowCount(), 0);
    QTest::mouseClick(child<QPushButton>(w, "btnImportar"), Qt::LeftButton);
    EXPECT_EQ(dialogs.messages.size(), 1); // nothing to import
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM Mes")).toInt(), 0);

    dialogs.clear();
    ASSERT_TRUE(w.load(files.paths.packetPath));
    int imported = 0;
    QObject::connect(&w, &TfrmXML::imported, [&] { ++imported; });
    QTest::mouseClick(child<QPushButton>(w, "btnImportar"), Qt::LeftButton);
    EXPECT_EQ(dialogs.texts(), QStringList{msg::kImportacaoConcluida});
    EXPECT_EQ(imported, 1);
    EXPECT_EQ(target.scalar(QStringLiteral("SELECT count(*) FROM Observacoes")).toInt(), 4);
}
