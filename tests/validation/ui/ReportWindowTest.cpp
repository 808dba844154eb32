#include "../MonthFixture.h"
#include "base/Dialogs.h"
#include "validation/ConsistencyCheck.h"
#include "validation/Messages.h"
#include "validation/ui/ValidationReportWindow.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::validation;

namespace {

QString counter(QWidget *w, const char *name) { return w->findChild<QLineEdit *>(QString::fromLatin1(name))->text(); }

QTreeWidgetItem *itemWithStatus(QTreeWidget *list, const QString &status)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(0) == status)
            return list->topLevelItem(i);
    return nullptr;
}

// A real double click: press and release, then the double-click event.
void doubleClick(QTreeWidget *list, QTreeWidgetItem *item)
{
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

TEST(ReportWindow, ShowsTheLinesRerunsOnActivationAndLeadsToTheRow)
{
    test::Month month({1});
    const int product = month.product(QStringLiteral("ACETONA"), 12.5, {{"QtCompras", 2}, {"QtEntradasDiv", 3}});
    month.insert("ProdutoFinal", {{"CdProduto", product}});
    month.movement(QStringLiteral("01"), QStringLiteral("1.102"), QStringLiteral("ACETONA"), 12.5, 1.5);
    QSqlDatabase db = month.store.db();
    int runs = 0;
    auto producer = [&] {
        ++runs;
        return runCheck(db, month.period, std::nullopt);
    };

    ScriptedDialogs dialogs;
    QMdiArea area;
    area.resize(1200, 800);
    QMdiSubWindow *other = area.addSubWindow(new QWidget);
    auto *window = new TfrmInconsistenciaQuirels(producer, dialogs);
    QPointer<QMdiSubWindow> sub = area.addSubWindow(window);
    area.show();
    other->show();
    sub->showMaximized();
    area.setActiveSubWindow(sub);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));

    EXPECT_EQ(window->windowTitle(), QStringLiteral("Relatório de Validação"));
    EXPECT_EQ(runs, 1);
    auto *list = window->findChild<QTreeWidget *>(QStringLiteral("lvwInconsistencia"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Status"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("Local"));
    EXPECT_EQ(list->columnWidth(1), 300);
    EXPECT_EQ(list->columnWidth(0), window->width() - 350);
    ASSERT_EQ(list->topLevelItemCount(), window->report().lines().size());
    const QString differs = msg::kPurchaseDiffers + QStringLiteral("ACETONA a 12,5%");
    QTreeWidgetItem *item = itemWithStatus(list, differs);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(1), QStringLiteral("Anexo XI-A [1. Demonstrativo Geral]"));
    EXPECT_FALSE(item->icon(0).isNull());
    EXPECT_EQ(counter(window, "edtItensValidados"), QString::number(window->report().validated()));
    EXPECT_EQ(counter(window, "edtAlertas"), QStringLiteral("2"));
    EXPECT_EQ(counter(window, "edtErros"), QStringLiteral("1"));
    EXPECT_TRUE(window->resultFlag());
    EXPECT_FALSE(window->allowsGeneration());

    // Double-clicking a line, or Enter on it, asks for its annex screen,
    // record and field.
    QSignalSpy annex(window, &TfrmInconsistenciaQuirels::annexRequested);
    QSignalSpy company(window, &TfrmInconsistenciaQuirels::companyRequested);
    list->scrollToItem(item);
    doubleClick(list, item);
    list->setCurrentItem(item);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(annex.count(), 2);
    for (const QList<QVariant> &asked : annex) {
        EXPECT_EQ(asked.at(0).value<QChar>(), QLatin1Char('A'));
        const auto place = asked.at(1).value<RecordPlace>();
        EXPECT_EQ(place.table, QStringLiteral("Produtos"));
        EXPECT_EQ(place.record, product);
        EXPECT_EQ(place.field, QStringLiteral("QtCompras"));
    }
    QTreeWidgetItem *clf = itemWithStatus(list, msg::kClfOk);
    doubleClick(list, clf);
    EXPECT_EQ(company.count(), 1);

    // The user corrects the data in another window and comes back.
    area.setActiveSubWindow(other);
    month.store.exec(QStringLiteral("UPDATE Produtos SET QtCompras = 1.5, QtEntradasDiv = 0"));
    area.setActiveSubWindow(sub);
    QApplication::processEvents();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(itemWithStatus(list, differs), nullptr);
    EXPECT_EQ(counter(window, "edtErros"), QStringLiteral("0"));
    EXPECT_EQ(counter(window, "edtAlertas"), QStringLiteral("0"));
    EXPECT_TRUE(window->allowsGeneration());
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // A CFOP that does not read stops the run: the error is shown, the lines
    // found so far stay and the counters stay empty.
    area.setActiveSubWindow(other);
    month.movement(QStringLiteral("02"), QStringLiteral("1.abc"), QStringLiteral("ACETONA"), 12.5, 1);
    area.setActiveSubWindow(sub);
    QApplication::processEvents();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.at(0).kind, ScriptedDialogs::Kind::Error);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("'1abc' não é um valor Inteiro válido"));
    EXPECT_GT(list->topLevelItemCount(), 0);
    EXPECT_EQ(counter(window, "edtErros"), QString());
    EXPECT_FALSE(window->allowsGeneration());

    // "&Fechar" closes and destroys the child window.
    auto *close = window->findChild<QPushButton *>(QStringLiteral("btnFechar"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QStringLiteral("&Fechar"));
    EXPECT_EQ(close->toolTip(), QStringLiteral("Fechar tela"));
    close->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sub.isNull());
}

TEST(ReportWindow, ValidateCommandCreatesTheWindowOnceAndRunsTheCheckEveryTime)
{
    test::Month month({8});
    month.insert("Transporte", {{"NmProduto", QStringLiteral("ACETONA")}});
    QSqlDatabase db = month.store.db();
    auto producer = [&] { return runCheck(db, month.period, std::nullopt); };
    ScriptedDialogs dialogs;
    QMdiArea area;
    area.resize(1000, 700);
    area.show();
    QPointer<TfrmInconsistenciaQuirels> window;

    EXPECT_TRUE(showValidationReport(&area, window, producer, dialogs));
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window->runs(), 1);
    EXPECT_TRUE(area.activeSubWindow()->isMaximized());
    TfrmInconsistenciaQuirels *first = window;

    // Validating again with the window already active runs the check again.
    month.store.exec(QStringLiteral("DELETE FROM Transporte"));
    EXPECT_FALSE(showValidationReport(&area, window, producer, dialogs));
    EXPECT_EQ(window.data(), first);
    EXPECT_EQ(window->runs(), 2);
    EXPECT_EQ(area.subWindowList().size(), 1);

    // Closing destroys the window; the next validation creates it anew.
    area.activeSubWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    month.insert("Transporte", {{"NmProduto", QStringLiteral("ACETONA")}});
    EXPECT_TRUE(showValidationReport(&area, window, producer, dialogs));
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window->runs(), 1);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}
