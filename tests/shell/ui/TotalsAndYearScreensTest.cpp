// "Calcular Totais do Anexo XI-A" and "Visão do Ano" in the main window:
// what they show, and what applying and including leave in the store and in
// the open annex XI-A screen.

#include "ShellFixture.h"
#include "reports/Messages.h"
#include "reports/ui/PreviewWindow.h"
#include "reports/ui/YearViewWindow.h"
#include "store/Cursor.h"
#include "store/DataModule.h"
#include "validation/Messages.h"
#include "validation/ui/TotalsDialog.h"

#include <QAbstractButton>
#include <QBrush>
#include <QChartView>
#include <QLineSeries>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>
#include <QTimer>

using namespace quirels;
using namespace quirels::test;
using Kind = ScriptedDialogs::Kind;
namespace vmsg = quirels::validation::msg;

namespace {

const QString kProduct = QStringLiteral(
    "insert into Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM, NmProduto, VlConcentracao, VlDensidade, DsUnidade,"
    " QtEstoqueAnt, QtCompras, QtEstoqueAtual) values ('%1', '2005', '%2', '2914.11.00', '%3', 100, 0.79, 'Kg', %4, 0, %5)");
const QString kMovement = QStringLiteral(
    "insert into Movimentacao (CdCNPJEmpr, NrAno, NmMes, NrDia, NrCFOP, NmProduto, VlConcentracao, VlQuantidade, NmUnidade)"
    " values ('%1', '2005', 'MAR', '02', '%2', '%3', 100, %4, 'Kg')");

QAbstractButton *button(QWidget *root, const char *name)
{
    auto *b = root->findChild<QAbstractButton *>(QLatin1String(name));
    EXPECT_NE(b, nullptr) << name;
    return b;
}

} // namespace

TEST_F(ShellTest, TotalsFromTheXIAScreenApplyAndIncludeThroughTheDataModule)
{
    addCompany(kCnpj, {1});
    store.exec(QStringLiteral("insert into Mes (CdCNPJEmpr, NrAno, NmMes) values ('%1', '2005', 'FEV')").arg(kCnpj));
    store.exec(kProduct.arg(kCnpj, QStringLiteral("FEV"), QStringLiteral("XILOL"), QStringLiteral("0"), QStringLiteral("7")));
    store.exec(kProduct.arg(kCnpj, QStringLiteral("MAR"), QStringLiteral("ACETONA"), QStringLiteral("10"), QStringLiteral("10")));
    store.exec(kMovement.arg(kCnpj, QStringLiteral("1.102"), QStringLiteral("ACETONA"), QStringLiteral("4")));
    store.exec(kMovement.arg(kCnpj, QStringLiteral("5.102"), QStringLiteral("ACETONA"), QStringLiteral("1.5")));
    store.exec(kMovement.arg(kCnpj, QStringLiteral("1.102"), QStringLiteral("XILOL"), QStringLiteral("2")));
    openPeriod(kCnpj);
    EXPECT_TRUE(enabled("mniCalcularTotais"));
    EXPECT_TRUE(enabled("mniVisaoAno"));
    QWidget *a = window->annexWindow(QLatin1Char('A'))->widget();

    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto *d = qobject_cast<validation::TfrmTotaisAnexoA *>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        seen = true;
        validation::TotalsModel *m = d->model();
        ASSERT_EQ(m->rowCount(), 7);
        EXPECT_EQ(m->index(0, validation::TotalsModel::Produto).data().toString(), QStringLiteral("ACETONA a 100%"));
        EXPECT_EQ(m->index(0, validation::TotalsModel::Calculado).data().toString(), QStringLiteral("4,000"));
        EXPECT_EQ(m->index(0, validation::TotalsModel::Diferenca).data().toString(), QStringLiteral("4,000"));
        EXPECT_TRUE(m->index(0, validation::TotalsModel::Atual).data(Qt::BackgroundRole).isValid()); // differs
        EXPECT_FALSE(m->index(2, validation::TotalsModel::Atual).data(Qt::BackgroundRole).isValid()); // other entries agree
        EXPECT_EQ(m->index(0, validation::TotalsModel::Aplicar).data(Qt::CheckStateRole).toInt(), Qt::Checked);
        ASSERT_EQ(d->orphans()->rowCount(), 1);
        EXPECT_EQ(d->orphans()->index(0, 4).data().toString(), QStringLiteral("7,000")); // last month's stock

        // XILOL joins XI-A with February's stock, and is marked like the rest.
        dialogs.expect(Kind::Information, vmsg::kTotaisIncluido.arg(QStringLiteral("XILOL a 100%")));
        button(d, "btnIncluirProduto")->click();
        EXPECT_EQ(m->rowCount(), 14);
        EXPECT_EQ(d->orphans()->rowCount(), 0);
        EXPECT_EQ(m->marked().size(), 2);
        // Only ACETONA is applied.
        m->setData(m->index(m->rowOf(m->marked().at(1)), validation::TotalsModel::Aplicar), Qt::Unchecked, Qt::CheckStateRole);
        dialogs.expect(Kind::Information, vmsg::kTotaisGravados.arg(1));
        button(d, "btnAplicar")->click();
        EXPECT_EQ(m->totals().differing(), 1);
        button(d, "btnFechar")->click();
    });
    button(a, "btnCalcularTotais")->click();
    EXPECT_TRUE(seen);
    EXPECT_EQ(dialogs.pendingExpectations(), 0);

    EXPECT_DOUBLE_EQ(store.scalar(QStringLiteral("select QtCompras from Produtos where NmMes = 'MAR' and NmProduto = 'ACETONA'")).toDouble(), 4);
    EXPECT_DOUBLE_EQ(store.scalar(QStringLiteral("select QtEstoqueAtual from Produtos where NmMes = 'MAR' and NmProduto = 'ACETONA'")).toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(store.scalar(QStringLiteral("select QtEstoqueAnt from Produtos where NmMes = 'MAR' and NmProduto = 'XILOL'")).toDouble(), 7);
    EXPECT_DOUBLE_EQ(store.scalar(QStringLiteral("select QtCompras from Produtos where NmMes = 'MAR' and NmProduto = 'XILOL'")).toDouble(), 0);
    // The data module was read again: the XI-A screen lists both products
    // and shows the applied values.
    store::Cursor &produtos = window->dataModule().produtos();
    EXPECT_EQ(produtos.count(), 2);
    bool found = false;
    for (int r = 0; r < produtos.count(); ++r)
        if (produtos.valueAt(r, QStringLiteral("NmProduto")).toString() == QLatin1String("ACETONA")) {
            found = true;
            EXPECT_DOUBLE_EQ(produtos.valueAt(r, QStringLiteral("QtCompras")).toDouble(), 4);
        }
    EXPECT_TRUE(found);

    window->closeCompany();
    EXPECT_FALSE(enabled("mniCalcularTotais"));
    EXPECT_FALSE(enabled("mniVisaoAno"));
}

TEST_F(ShellTest, YearViewShowsTheTableTheChartAndThePreview)
{
    addCompany(kCnpj, {1});
    store.exec(QStringLiteral("insert into Mes (CdCNPJEmpr, NrAno, NmMes) values ('%1', '2005', 'FEV')").arg(kCnpj));
    store.exec(kProduct.arg(kCnpj, QStringLiteral("FEV"), QStringLiteral("ACETONA"), QStringLiteral("0"), QStringLiteral("8")));
    store.exec(kProduct.arg(kCnpj, QStringLiteral("MAR"), QStringLiteral("ACETONA"), QStringLiteral("10"), QStringLiteral("10")));
    openPeriod(kCnpj);
    window->command(QStringLiteral("mniVisaoAno"))->trigger();
    auto *view = window->findChild<reports::ui::TfrmVisaoAno *>();
    ASSERT_NE(view, nullptr);
    QTableView *grid = view->grid();
    ASSERT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(grid->model()->index(1, 1).data().toString(), QStringLiteral("MAR"));
    EXPECT_EQ(grid->model()->index(1, 6).data().toString(),
              reports::msg::kVisaoAnoAviso.arg(QStringLiteral("10,000"), QStringLiteral("FEV"), QStringLiteral("8,000")));
    EXPECT_TRUE(grid->model()->index(1, 6).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(view->chartedProduct(), 0);
    const QList<QAbstractSeries *> series = view->chartView()->chart()->series();
    ASSERT_EQ(series.size(), 2);
    EXPECT_EQ(static_cast<QLineSeries *>(series[0])->count(), 2);
    EXPECT_EQ(static_cast<QXYSeries *>(series[1])->count(), 1); // the broken month

    button(view, "btnVisualizar")->click();
    reports::ui::TfrmPreview *preview = nullptr;
    for (QMdiSubWindow *sub : window->mdiArea()->subWindowList())
        if (auto *p = qobject_cast<reports::ui::TfrmPreview *>(sub->widget()))
            preview = p;
    ASSERT_NE(preview, nullptr);
    EXPECT_GE(preview->pageCount(), 1);
    EXPECT_TRUE(preview->page(1).text().contains(QStringLiteral("ACETONA a 100%")));
}
