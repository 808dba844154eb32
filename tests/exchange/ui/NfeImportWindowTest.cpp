// "Importar Notas Fiscais (NF-e)" driven through the real main window: the
// review of the month's invoices, what is missing marked and refused until
// filled, the unit factor given once and remembered, a second import that
// replaces or skips, and the new rows in the open XI-B screen.

#include "entry/Messages.h"
#include "exchange/Messages.h"
#include "exchange/ui/NfeImportWindow.h"
#include "exchange/ui/NfeRowsModel.h"
#include "shell/ui/ShellFixture.h"
#include "store/Messages.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QComboBox>
#include <QHeaderView>
#include <QFile>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QProgressDialog>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quirels;
using namespace quirels::test;
using Kind = ScriptedDialogs::Kind;
using exchange::ui::NfeRowsModel;
using exchange::ui::TfrmImportacaoNFe;
namespace msg = exchange::msg;

namespace {

const PeriodKey kMarch{kCnpj, QStringLiteral("2024"), QStringLiteral("MAR")};

class NfeImportWindowTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        exchange::ui::installNfeImport(*window, {{}, [this] { return folder; }, {}, {}, {}});
        store.exec(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao, FlGrupoI) values ('%1', 'EMPRESA', 1)")
                       .arg(kCnpj));
        store.exec(QStringLiteral("insert into Mes (CdCNPJEmpr, NrAno, NmMes) values ('%1', '2024', 'MAR')").arg(kCnpj));
        // The month's XI-A products give two of the three concentrations;
        // hydrochloric acid (2806.10.20) has none.
        for (const char *p : {"'2807.00.10', 98", "'2801.20.10', 99.5"})
            store.exec(QStringLiteral("insert into Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM, VlConcentracao) "
                                      "values ('%1', '2024', 'MAR', %2)")
                           .arg(kCnpj, QLatin1String(p)));
        folder = dir.filePath(QStringLiteral("notas"));
        QDir().mkpath(folder);
        for (const char *name : {"compra.xml", "venda.xml", "exportacao.xml", "fator.xml", "cancelada.xml",
                                 "cancelamento.xml", "outro-mes.xml", "malformado.xml"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(QUIRELS_NFE_FIXTURES "/") + QLatin1String(name),
                                    folder + QLatin1Char('/') + QLatin1String(name)));
        window->resize(1024, 740);
        window->show();
        ASSERT_TRUE(window->setCurrentPeriod(kMarch));
        window->openAnnexWindows();
        ASSERT_TRUE(window->showAnnex(QLatin1Char('B')));
    }

    // Runs the command and reads the folder with the keyboard (Alt+P).
    TfrmImportacaoNFe *open()
    {
        window->command(QStringLiteral("mniImportarNFe"))->trigger();
        auto *w = window->findChild<TfrmImportacaoNFe *>();
        EXPECT_NE(w, nullptr);
        if (!w)
            return nullptr;
        QApplication::setActiveWindow(w);
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        alt(Qt::Key_P);
        return w;
    }

    // A button's Alt letter: the button is pressed a moment later, as on
    // the screen.
    static void alt(Qt::Key key)
    {
        QTest::keyClick(keyTarget(), key, Qt::AltModifier);
        QTest::qWait(150);
    }

    // Where the keys go: the focused control, once the window system has
    // given the focus back (a busy machine may take a moment).
    static QWidget *keyTarget()
    {
        (void)QTest::qWaitFor([] { return QApplication::focusWidget() != nullptr; }, 2000);
        QWidget *f = QApplication::focusWidget();
        return f ? f : QApplication::activeWindow();
    }

    static QTableView *grid(TfrmImportacaoNFe *w, const char *name)
    {
        return w->findChild<QTableView *>(QLatin1String(name));
    }

    // The grid row of an invoice's item.
    static int rowOf(const NfeRowsModel *m, const QString &number, int item)
    {
        for (int r = 0; r < m->rowCount(); ++r) {
            const QModelIndex i = m->index(r, m->columnOf(QStringLiteral("NrNF")));
            if (i.data().toString() == number && m->index(r, m->columnCount() - 2).data().toInt() == item)
                return r;
        }
        return -1;
    }

    static QString cell(const NfeRowsModel *m, int row, const char *field)
    {
        return m->index(row, m->columnOf(QLatin1String(field))).data().toString();
    }

    static QColor shade(const NfeRowsModel *m, int row, const char *field)
    {
        const QVariant v = m->index(row, m->columnOf(QLatin1String(field))).data(Qt::BackgroundRole);
        return v.isValid() ? v.value<QBrush>().color() : QColor();
    }

    static void fillConcentrations(NfeRowsModel *b)
    {
        for (int r = 0; r < b->rowCount(); ++r) {
            if (cell(b, r, "VlConcentracao").isEmpty()) {
                ASSERT_TRUE(b->setData(b->index(r, b->columnOf(QStringLiteral("VlConcentracao"))), QStringLiteral("33")));
            }
        }
    }

    // Presses "&Importar" and answers "Não" to the offered totals and check.
    void importAndDecline(int rowsB, int rowsC)
    {
        dialogs.expect(Kind::Information, msg::kNfeImportadas.arg(rowsB).arg(rowsC));
        dialogs.expect(Kind::Confirm, msg::kNfeTotaisAgora, Answer::No);
        dialogs.expect(Kind::Confirm, msg::kNfeValidarAgora, Answer::No);
        alt(Qt::Key_I);
        EXPECT_EQ(dialogs.pendingExpectations(), 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(window->findChild<TfrmImportacaoNFe *>(), nullptr);
    }

    // The first import: the concentrations of hydrochloric acid typed, the
    // gallon's factor given.
    void firstImport()
    {
        TfrmImportacaoNFe *w = open();
        ASSERT_TRUE(w);
        NfeRowsModel *b = w->rowsModel(QLatin1Char('B'));
        fillConcentrations(b);
        ASSERT_TRUE(w->factorsModel()->setData(w->factorsModel()->index(0, 4), QStringLiteral("5,9")));
        importAndDecline(4, 1);
    }

    QTemporaryDir dir;
    QString folder;
};

} // namespace

TEST_F(NfeImportWindowTest, MissingValuesAreMarkedAndRefusedUntilFilled)
{
    EXPECT_TRUE(enabled("mniImportarNFe"));
    TfrmImportacaoNFe *w = open();
    ASSERT_TRUE(w);
    NfeRowsModel *b = w->rowsModel(QLatin1Char('B'));
    NfeRowsModel *c = w->rowsModel(QLatin1Char('C'));
    QAbstractItemModelTester testerB(b, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModelTester testerFactors(w->factorsModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);

    // Purchase (1), sale (2: tonnes, drums counted in litres), the gallon
    // waiting for a factor (1); the export on XI-C. The cancelled invoice,
    // the one of another month and the broken file are listed as skipped.
    ASSERT_EQ(b->rowCount(), 4);
    ASSERT_EQ(c->rowCount(), 1);
    EXPECT_EQ(w->findChild<QListWidget *>(QStringLiteral("lstIgnorados"))->count(), 3);
    const int purchase = rowOf(b, QStringLiteral("1001"), 1);
    const int acid = rowOf(b, QStringLiteral("2002"), 1);
    const int gallon = rowOf(b, QStringLiteral("6006"), 1);
    ASSERT_GE(purchase, 0);
    ASSERT_GE(acid, 0);
    ASSERT_GE(gallon, 0);
    EXPECT_EQ(cell(b, acid, "VlQuantidade"), QStringLiteral("2500,000"));
    EXPECT_EQ(cell(b, acid, "VlConcentracao"), QStringLiteral("98,00"));
    EXPECT_EQ(cell(b, acid, "NrCFOP"), QStringLiteral("6.102"));
    EXPECT_NE(shade(b, acid, "VlConcentracao"), shade(b, purchase, "VlConcentracao")); // proposed vs missing
    EXPECT_EQ(shade(b, purchase, "VlQuantidade"), QColor()); // read from the invoice: unmarked
    EXPECT_EQ(b->index(purchase, 0).data().toString(), entry::msg::kInformarConcentracao);
    EXPECT_TRUE(cell(b, gallon, "VlQuantidade").isEmpty());

    // A value no clerk could type is marked the same way, with its reason.
    const QModelIndex nf = b->index(purchase, b->columnOf(QStringLiteral("NrNF")));
    const QString number = nf.data().toString();
    ASSERT_TRUE(b->setData(nf, QStringLiteral("12A")));
    EXPECT_EQ(shade(b, purchase, "NrNF"), shade(b, purchase, "VlConcentracao"));
    EXPECT_EQ(nf.data(Qt::ToolTipRole).toString(), msg::kNfeNumeroInvalido);
    ASSERT_TRUE(b->setData(nf, number));
    EXPECT_EQ(shade(b, purchase, "NrNF"), QColor());

    // Importar refuses, names the first incomplete row and takes the clerk
    // to its cell; nothing is stored.
    const auto refusal = [&](int n) { return msg::kNfeIncompletas.arg(n); };
    alt(Qt::Key_I);
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.lastText().startsWith(refusal(3))) << qPrintable(dialogs.lastText());
    EXPECT_EQ(count(QStringLiteral("select count(*) from Movimentacao")), 0);
    QTableView *gridB = grid(w, "grdMovimentacao");
    EXPECT_EQ(dialogs.focused.value(0), QStringLiteral("grdMovimentacao"));
    EXPECT_EQ(gridB->currentIndex().column(), b->columnOf(QStringLiteral("VlConcentracao")));

    // Typed with the keyboard: Enter opens the cell, Enter stores it. A
    // value the field refuses is said and not kept.
    const int row = gridB->currentIndex().row();
    const auto typeCell = [&](const QString &text) {
        QTest::keyClick(gridB, Qt::Key_Return);
        QWidget *editor = keyTarget();
        ASSERT_NE(editor, gridB);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents(); // the editor gives its value
    };
    dialogs.clear();
    typeCell(QStringLiteral("abc"));
    EXPECT_EQ(dialogs.texts(), QStringList{store::msg::kNaoNumerico.arg(QStringLiteral("abc"), QStringLiteral("Concentração %"))});
    EXPECT_TRUE(cell(b, row, "VlConcentracao").isEmpty());
    typeCell(QStringLiteral("33,5"));
    EXPECT_EQ(cell(b, row, "VlConcentracao"), QStringLiteral("33,50"));
    EXPECT_EQ(shade(b, row, "VlConcentracao"), QColor());

    // Tab leaves the grid.
    gridB->setFocus();
    QTest::keyClick(gridB, Qt::Key_Tab);
    EXPECT_FALSE(gridB->hasFocus());

    // The other concentration, then the factor: every row waiting for it
    // gets its quantity and unit.
    fillConcentrations(b);
    dialogs.clear();
    alt(Qt::Key_I);
    EXPECT_TRUE(dialogs.lastText().startsWith(refusal(1))) << qPrintable(dialogs.lastText());
    EXPECT_EQ(dialogs.focused.value(0), QStringLiteral("grdFatores"));
    ASSERT_EQ(w->factorsModel()->rowCount(), 1);
    EXPECT_EQ(w->factorsModel()->index(0, 3).data().toString(), QStringLiteral("GL"));
    ASSERT_TRUE(w->factorsModel()->setData(w->factorsModel()->index(0, 4), QStringLiteral("5,9")));
    EXPECT_EQ(cell(b, gallon, "VlQuantidade"), QStringLiteral("59,000"));
    EXPECT_EQ(cell(b, gallon, "NmUnidade"), QStringLiteral("Kg"));
    EXPECT_EQ(b->incomplete(), 0);

    importAndDecline(4, 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Movimentacao where NrAno = '2024' and NmMes = 'MAR'")), 4);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Importacao")), 1);
    EXPECT_EQ(store.scalar(QStringLiteral("select VlConcentracao from Movimentacao where NrNF = '1001'")).toDouble(), 33.5);
    EXPECT_EQ(count(QStringLiteral("select count(*) from FatorUnidade where CdProdutoNF = 'HCL-GL' and VlFator = 5.9")), 1);
    // The open XI-B screen shows the new rows.
    QMdiSubWindow *annexB = window->annexWindow(QLatin1Char('B'));
    ASSERT_TRUE(annexB);
    auto *screenGrid = annexB->findChild<QTableView *>(QStringLiteral("grdMovimentacao"));
    ASSERT_TRUE(screenGrid);
    EXPECT_EQ(screenGrid->model()->rowCount(), 4);
}

TEST_F(NfeImportWindowTest, ASecondImportReplacesOrSkipsAndTheFactorIsRemembered)
{
    firstImport();
    EXPECT_EQ(count(QStringLiteral("select count(*) from Movimentacao")), 4);

    // Read again: the factor is known, and the concentrations come from the
    // parties' rows of the first import, so nothing is missing.
    TfrmImportacaoNFe *w = open();
    ASSERT_TRUE(w);
    NfeRowsModel *b = w->rowsModel(QLatin1Char('B'));
    EXPECT_EQ(w->factorsModel()->rowCount(), 0);
    EXPECT_EQ(cell(b, rowOf(b, QStringLiteral("6006"), 1), "VlQuantidade"), QStringLiteral("59,000"));
    EXPECT_EQ(b->incomplete(), 0);
    EXPECT_EQ(w->scan()->importedBefore.size(), 4);

    // Cancelar goes back to the window; Sim replaces the invoices' rows.
    const QString question = msg::kNfeJaImportadas.arg(4);
    dialogs.expect(Kind::YesNoCancel, question, Answer::Cancel);
    alt(Qt::Key_I);
    EXPECT_EQ(window->findChild<TfrmImportacaoNFe *>(), w);
    dialogs.expect(Kind::YesNoCancel, question, Answer::Yes);
    importAndDecline(4, 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Movimentacao")), 4);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Importacao")), 1);
    EXPECT_EQ(count(QStringLiteral("select count(*) from NFeImportada")), 4);

    // Não leaves them as they are.
    w = open();
    ASSERT_TRUE(w);
    dialogs.expect(Kind::YesNoCancel, question, Answer::No);
    importAndDecline(0, 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Movimentacao")), 4);
    EXPECT_EQ(count(QStringLiteral("select count(*) from FatorUnidade")), 1);
}

TEST_F(NfeImportWindowTest, KeysMoveBetweenPagesAndLeavingWithoutImportingAsks)
{
    TfrmImportacaoNFe *w = open();
    ASSERT_TRUE(w);
    // After the reading the focus is in the XI-B rows; a page's Alt letter
    // takes it into that page.
    EXPECT_EQ(QApplication::focusWidget(), grid(w, "grdMovimentacao"));
    alt(Qt::Key_C);
    EXPECT_EQ(QApplication::focusWidget(), grid(w, "grdImportacao"));

    // A reading that takes a while shows its progress, and the progress
    // window goes away at the end.
    bool seen = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        seen = seen || w->findChild<QProgressDialog *>(QStringLiteral("dlgProgressoNFe"));
    });
    probe.start(0);
    w->setProgressDelay(0);
    w->addInputs({folder});
    probe.stop();
    EXPECT_TRUE(seen);
    EXPECT_EQ(w->findChild<QProgressDialog *>(), nullptr);
    EXPECT_EQ(w->rowsModel(QLatin1Char('B'))->rowCount(), 4);
    dialogs.expect(Kind::Confirm, msg::kNfeFecharSemImportar, Answer::No);
    QTest::keyClick(keyTarget(), Qt::Key_Escape);
    EXPECT_TRUE(w->isVisible());
    dialogs.expect(Kind::Confirm, msg::kNfeFecharSemImportar, Answer::Yes);
    QTest::keyClick(keyTarget(), Qt::Key_Escape);
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChild<TfrmImportacaoNFe *>(), nullptr);
    EXPECT_EQ(count(QStringLiteral("select count(*) from Movimentacao")), 0);

    ASSERT_TRUE(window->closeCompany());
    EXPECT_FALSE(enabled("mniImportarNFe"));
}

TEST_F(NfeImportWindowTest, TheUnitToConvertToIsPickedFromAListAndLongTitlesWrap)
{
    TfrmImportacaoNFe *w = open();
    ASSERT_TRUE(w);
    QTableView *factors = grid(w, "grdFatores");
    ASSERT_EQ(w->factorsModel()->rowCount(), 1);
    const QModelIndex target = w->factorsModel()->index(0, exchange::ui::NfeFactorsModel::targetColumn());
    EXPECT_EQ(target.data().toString(), QStringLiteral("Kg"));
    factors->setCurrentIndex(target);
    factors->edit(target);
    auto *box = factors->viewport()->findChild<QComboBox *>();
    ASSERT_NE(box, nullptr);
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    EXPECT_EQ(items, (QStringList{QStringLiteral("Kg"), QStringLiteral("litro")}));
    EXPECT_FALSE(box->isEditable());
    // Down picks "litro", Enter stores it.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return target.data().toString() == QLatin1String("litro"); }))
        << qPrintable(target.data().toString());

    // A long column title is broken between words, so the header grows
    // instead of cutting it.
    NfeRowsModel *b = w->rowsModel(QLatin1Char('B'));
    const QString title = b->headerData(b->columnOf(QStringLiteral("CdFornecedor")), Qt::Horizontal).toString();
    EXPECT_TRUE(title.contains(QLatin1Char('\n'))) << qPrintable(title);
    EXPECT_EQ(QString(title).replace(QLatin1Char('\n'), QLatin1Char(' ')),
              QStringLiteral("CNPJ/CPF do Fornecedor ou Adquirinte"));
    QTableView *gridB = grid(w, "grdMovimentacao");
    EXPECT_GE(gridB->horizontalHeader()->height(), 2 * gridB->fontMetrics().height());

    dialogs.expect(Kind::Confirm, msg::kNfeFecharSemImportar, Answer::Yes);
    w->reject();
}
