// From a line of the validation report to the field at fault: Enter or a
// double-click opens the annex page of the line, makes its record current
// and puts the focus in the field, through the real main window.

#include "DesktopFixture.h"

#include "entry/Messages.h"
#include "entry/ui/ControleGeralWindow.h"
#include "validation/ui/ValidationReportWindow.h"

#include <QAction>
#include <QMdiArea>
#include <QTabWidget>
#include <QTreeWidget>

using namespace quirels;
using namespace quirels::test;

namespace {

// A month with three faults in three places: the purchases of the second
// product (no movement behind them), a day of a movement that February does
// not have, and the density of a final product of the second product.
struct FaultyMonth : Desktop {
    int second = 0;
    FaultyMonth()
    {
        for (const char *name : {"ACETONA", "TOLUENO"})
            store.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM, NmProduto, VlConcentracao, "
                                      "VlDensidade, DsUnidade, QtEstoqueAnt, QtCompras, QtEstoqueAtual) VALUES "
                                      "('%1', '2004', 'FEV', '2914.11.00', '%2', 99, 1, 'Kg', 10, %3, 10)")
                           .arg(kCnpj, QLatin1String(name), QLatin1String(qstrcmp(name, "TOLUENO") == 0 ? "5" : "0")));
        second = sql(QStringLiteral("SELECT CdProduto FROM Produtos WHERE NmProduto = 'TOLUENO'")).toInt();
        store.exec(QStringLiteral("INSERT INTO ProdutoFinal (CdCNPJEmpr, NrAno, NmMes, CdProduto, CdNCM, VlDensidade, "
                                  "QtProdFinal, DsUnidade) VALUES ('%1', '2004', 'FEV', %2, '3814.00.00', 150, 1, 'Kg')")
                       .arg(kCnpj)
                       .arg(second));
        for (const char *day : {"10", "31"})
            store.exec(QStringLiteral("INSERT INTO Movimentacao (CdCNPJEmpr, NrAno, NmMes, NrDia, NrCFOP, NmProduto, "
                                      "VlConcentracao, VlQuantidade, NmUnidade, CdNCM) VALUES ('%1', '2004', 'FEV', "
                                      "'%2', '5.102', 'OUTRO', 1, 1, 'Kg', '2914.11.00')")
                           .arg(kCnpj, QLatin1String(day)));
        window->reloadData(window->currentPeriod());
        window->command(QStringLiteral("mniValidar"))->trigger();
    }

    validation::TfrmInconsistenciaQuirels *report() const
    {
        return window->mdiArea()->findChild<validation::TfrmInconsistenciaQuirels *>();
    }
    QTreeWidget *list() const { return report()->findChild<QTreeWidget *>(QStringLiteral("lvwInconsistencia")); }
    // The line of the report about `field` of `table`.
    QTreeWidgetItem *lineAbout(const QString &table, const QString &field) const
    {
        const QList<validation::CheckLine> &lines = report()->report().lines();
        for (int i = 0; i < lines.size(); ++i)
            if (lines.at(i).kind != validation::LineKind::Confirmation && lines.at(i).table == table
                && lines.at(i).field == field)
                return list()->topLevelItem(i);
        return nullptr;
    }
    // Back to the report, as with the Janela menu (the check runs again),
    // and to the line about `field` of `table`.
    QTreeWidgetItem *backTo(const QString &table, const QString &field)
    {
        window->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(report()->parentWidget()));
        QCoreApplication::processEvents();
        EXPECT_EQ(focused(), list());
        QTreeWidgetItem *item = lineAbout(table, field);
        if (item)
            list()->setCurrentItem(item);
        return item;
    }
    QWidget *activeScreen() const
    {
        QMdiSubWindow *sub = window->mdiArea()->activeSubWindow();
        return sub ? sub->widget() : nullptr;
    }
};

} // namespace

TEST(ReportLine, EnterGoesToThePageRecordAndFieldOfTheLine)
{
    FaultyMonth m;
    ASSERT_NE(m.report(), nullptr);
    // The report takes the keyboard as it opens.
    EXPECT_EQ(focused(), m.list());
    auto *a = qobject_cast<entry::ControleGeralWindow *>(m.screen('A'));
    ASSERT_NE(a, nullptr);
    a->products().table().first();

    // A total of the second product: page 1, that product, its purchases.
    ASSERT_NE(m.backTo(QStringLiteral("Produtos"), QStringLiteral("QtCompras")), nullptr);
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_EQ(m.activeScreen(), a);
    EXPECT_EQ(a->pages()->currentIndex(), 0);
    EXPECT_EQ(a->products().table().value(QStringLiteral("CdProduto")).toInt(), m.second);
    EXPECT_EQ(text(*a, QStringLiteral("cmbProdutos")), QStringLiteral("TOLUENO"));
    EXPECT_EQ(focusName(), QStringLiteral("edtCompra"));

    // A stored final product: page 2, its product first, then the row, and
    // the density field open to typing.
    a->products().table().first();
    a->pages()->setCurrentIndex(0);
    ASSERT_NE(m.backTo(QStringLiteral("ProdutoFinal"), QStringLiteral("VlDensidade")), nullptr);
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_EQ(m.activeScreen(), a);
    EXPECT_EQ(a->pages()->currentIndex(), 1);
    EXPECT_EQ(a->products().table().value(QStringLiteral("CdProduto")).toInt(), m.second);
    EXPECT_EQ(text(*a, QStringLiteral("edtDensidadeProd")), QStringLiteral("150,00"));
    EXPECT_EQ(focusName(), QStringLiteral("edtDensidadeProd"));
    EXPECT_TRUE(focused()->isEnabled());

    // A day of annex XI-B, by double-click: the second movement, its day.
    QTreeWidgetItem *day = m.backTo(QStringLiteral("Movimentacao"), QStringLiteral("NrDia"));
    ASSERT_NE(day, nullptr);
    const QPoint at = m.list()->visualItemRect(day).center();
    QTest::mouseClick(m.list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(m.list()->viewport(), Qt::LeftButton, {}, at);
    entry::EntryWindow *b = m.screen('B');
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(m.activeScreen(), b);
    EXPECT_EQ(text(*b, QStringLiteral("edtDia")), QStringLiteral("31"));
    EXPECT_EQ(focusName(), QStringLiteral("edtDia"));
    EXPECT_TRUE(m.dialogs.messages.isEmpty()) << qPrintable(m.dialogs.texts().join(QLatin1Char('|')));
}

// The way to a line's record leaves the field being typed into first: a
// value the field refuses keeps the clerk there.
TEST(ReportLine, ARefusedFieldKeepsTheClerkWhereHeIs)
{
    FaultyMonth m;
    QTreeWidgetItem *day = m.lineAbout(QStringLiteral("Movimentacao"), QStringLiteral("NrDia"));
    ASSERT_NE(day, nullptr);
    m.show('B');
    entry::EntryWindow *b = m.screen('B');
    ASSERT_NE(b, nullptr);
    const RecordPlace place{QStringLiteral("Movimentacao"), m.report()->report().lines().at(m.list()->indexOfTopLevelItem(day)).row,
                            QStringLiteral("NrDia")};
    type(*b, QStringLiteral("edtDia"), QStringLiteral("0"));
    m.dialogs.clear();
    EXPECT_FALSE(b->goToRecord(place));
    EXPECT_EQ(m.dialogs.texts(), QStringList{entry::msg::kDiaInvalido});
    EXPECT_EQ(focusName(), QStringLiteral("edtDia"));
    EXPECT_EQ(m.sql(QStringLiteral("SELECT NrDia FROM Movimentacao ORDER BY NrMovimentacao LIMIT 1")).toString(),
              QStringLiteral("10"));
}
