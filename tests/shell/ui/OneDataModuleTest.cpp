// The windows of the program share the main window's one data module: what
// one window writes, every other one sees, and nothing typed in one window is
// lost by saving in another.

#include "ShellFixture.h"
#include "exchange/ui/DeclarationDialog.h"
#include "shell/ui/DeletionWindow.h"
#include "shell/ui/EmpresaQuirels.h"
#include "shell/ui/NumberEdit.h"
#include "shell/ui/OpenPeriodDialog.h"
#include "shell/ui/ResponsibleDialog.h"
#include "shell/Messages.h"
#include "store/DataModule.h"
#include "store/Messages.h"
#include "validation/Messages.h"
#include "validation/ui/ValidationReportWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace quirels;
using namespace quirels::test;
using Kind = ScriptedDialogs::Kind;

namespace {

template <typename T = QWidget>
T *child(QWidget *root, const QString &name)
{
    T *w = root ? root->findChild<T *>(name) : nullptr;
    EXPECT_NE(w, nullptr) << qPrintable(name);
    return w;
}

// Runs `fn` on the modal dialog of type T that the next command shows.
template <typename T>
void onModal(std::function<void(T &)> fn)
{
    QTimer::singleShot(0, [fn] {
        QWidget *modal = QApplication::activeModalWidget();
        auto *dialog = qobject_cast<T *>(modal);
        EXPECT_NE(dialog, nullptr) << (modal ? modal->metaObject()->className() : "no modal window");
        if (dialog)
            fn(*dialog);
        else if (auto *other = qobject_cast<QDialog *>(modal))
            other->reject();
    });
}

void showActive(QWidget &w)
{
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

// Focuses a line edit and types into it, replacing its text; the focus stays.
void typeInto(QWidget *root, const QString &name, const QString &text)
{
    auto *e = child<QLineEdit>(root, name);
    if (!e)
        return;
    e->setFocus(Qt::TabFocusReason);
    e->selectAll();
    QTest::keyClicks(e, text);
}

void click(QWidget *root, const QString &name)
{
    if (auto *b = child<QAbstractButton>(root, name)) {
        EXPECT_TRUE(b->isEnabled()) << qPrintable(name);
        b->click();
    }
}

// Fills the person-responsible dialog and confirms it.
void recordResponsible(TfrmResponsavelQuirels &d)
{
    child<QLineEdit>(&d, QStringLiteral("edtNmResponsavel"))->setText(QStringLiteral("MARIA SILVA"));
    auto *cpf = child<NumberEdit>(&d, QStringLiteral("edtNrCpfResponsavel"));
    cpf->removeMask();
    cpf->setText(QStringLiteral("12345678909"));
    child<QLineEdit>(&d, QStringLiteral("edtNrIdentidade"))->setText(QStringLiteral("1234567"));
    child<QLineEdit>(&d, QStringLiteral("edtNmOrgao"))->setText(QStringLiteral("SSP"));
    auto *uf = child<QComboBox>(&d, QStringLiteral("cmbSgUF"));
    uf->setCurrentIndex(uf->findText(QStringLiteral("DF")));
    QTest::mouseClick(child<QPushButton>(&d, QStringLiteral("btnOk")), Qt::LeftButton);
}

QWidget *annex(MainWindow &w, char letter)
{
    QMdiSubWindow *sub = w.annexWindow(QLatin1Char(letter));
    EXPECT_NE(sub, nullptr) << letter;
    return sub ? sub->widget() : nullptr;
}

validation::TfrmInconsistenciaQuirels *reportIn(MainWindow &w)
{
    for (QMdiSubWindow *sub : w.mdiArea()->subWindowList())
        if (auto *r = qobject_cast<validation::TfrmInconsistenciaQuirels *>(sub->widget()))
            return r;
    return nullptr;
}

QStringList reportLines(MainWindow &w)
{
    QStringList out;
    if (auto *r = reportIn(w))
        for (const validation::CheckLine &l : r->report().lines())
            out << l.status;
    return out;
}

const QString kProduct = QStringLiteral(
    "insert into Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM, NmProduto, VlConcentracao, VlDensidade, DsUnidade,"
    " QtEstoqueAnt, QtCompras, QtEstoqueAtual) values ('%1', '2005', 'MAR', '2914.11.00', '%2', 100, 0.79, 'Kg',"
    " 10, %3, %4)");

} // namespace

// The person responsible, recorded once, is what the company window writes
// back and what the file generation finds.
TEST_F(ShellTest, ResponsibleRecordedOnceIsSeenByEveryWindow)
{
    addCompany(kCnpj, {1});
    openPeriod(kCnpj);
    onModal<TfrmResponsavelQuirels>(recordResponsible);
    window->command(QStringLiteral("mniResponsavel"))->trigger();
    const QString responsible = QStringLiteral("select NmResponsavel || '|' || NrCpfResponsavel || '|' || SgUF from Empresa");
    ASSERT_EQ(store.scalar(responsible).toString(), QStringLiteral("MARIA SILVA|12345678909|DF"));

    // A CLF typed in the company window is saved with the rest of the row.
    onModal<TfrmEmpresaQuirels>([](TfrmEmpresaQuirels &w) {
        auto *clf = child<QLineEdit>(&w, QStringLiteral("edtCLF"));
        clf->setFocus();
        clf->home(false);
        QTest::keyClicks(clf, QStringLiteral("123456789"));
        QTest::mouseClick(child<QPushButton>(&w, QStringLiteral("btnFechar")), Qt::LeftButton);
    });
    window->command(QStringLiteral("mniInformacoesEmpresa"))->trigger();
    EXPECT_EQ(store.scalar(QStringLiteral("select NrCLF from Empresa")).toString(), QStringLiteral("12345678-9"));
    EXPECT_EQ(store.scalar(responsible).toString(), QStringLiteral("MARIA SILVA|12345678909|DF"));

    // Generating goes straight to the declaration-file dialog.
    window->setCommandEnabled(QStringLiteral("mniGerarArquivo"), true);
    onModal<exchange::TfrmDiscoQuirels>([](exchange::TfrmDiscoQuirels &d) { d.reject(); });
    window->command(QStringLiteral("mniGerarArquivo"))->trigger();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.texts().join(QLatin1Char('\n')));
}

// A period without observation rows gets them when it opens, and the memos of
// the annex screens take typing at once.
TEST_F(ShellTest, ObservationMemoTakesTypingInAPeriodWithoutObservationRows)
{
    addCompany(kCnpj, {1});
    store.exec(QStringLiteral("insert into Mes (CdCNPJEmpr, NrAno, NmMes) values ('%1', '2005', 'FEV')").arg(kCnpj));
    store.exec(kProduct.arg(kCnpj, QStringLiteral("ACETONA"), QStringLiteral("0"), QStringLiteral("10"))
                   .replace(QStringLiteral("'MAR'"), QStringLiteral("'FEV'")));
    showActive(*window);
    struct Case {
        const char *how;
        std::function<void()> open;
    } cases[] = {
        {"opened as it is", [&] { openPeriod(kCnpj); }},
        {"created with the carry-over by the open command", [&] {
             ASSERT_TRUE(window->closeCompany());
             dialogs.expect(Kind::Confirm, shell::msg::kIncluirPeriodo, Answer::Yes);
             dialogs.expect(Kind::Information, shell::msg::kDadosImportados);
             onModal<TfrmAbrirQuirels>([](TfrmAbrirQuirels &d) {
                 auto *m = child<QComboBox>(&d, QStringLiteral("cmbMes"));
                 auto *y = child<QComboBox>(&d, QStringLiteral("cmbAno"));
                 m->setCurrentIndex(m->findText(QStringLiteral("ABR")));
                 y->setCurrentIndex(y->findText(QStringLiteral("2005")));
                 QTest::mouseClick(child<QPushButton>(&d, QStringLiteral("btnOk")), Qt::LeftButton);
             });
             window->command(QStringLiteral("mniAbrirEmpresa"))->trigger();
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.how);
        c.open();
        const PeriodKey p = window->currentPeriod();
        for (char letter : {'A', 'B'}) {
            if (letter == 'B')
                window->command(QStringLiteral("mniMovimentacaoProdutos"))->trigger();
            QWidget *screen = annex(*window, letter);
            auto *memo = child<QPlainTextEdit>(screen, QStringLiteral("memObservacoesAnexo") + QLatin1Char(letter));
            ASSERT_NE(memo, nullptr);
            EXPECT_FALSE(memo->isReadOnly()) << letter;
            memo->setFocus();
            QTest::keyClicks(memo, QStringLiteral("NOTA ") + QLatin1Char(letter));
            click(screen, QStringLiteral("btnSalvar"));
            EXPECT_EQ(store.scalar(QStringLiteral("select Observacao from Observacoes where NmMes = '%1' and Anexo = '%2'")
                                       .arg(p.mes, QString(QLatin1Char(letter))))
                          .toString(),
                      QStringLiteral("NOTA ") + QLatin1Char(letter));
        }
    }
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
}

// "&Validar" first writes what the open screens hold, typed and not yet left;
// a refused row stops it with the rule's message.
TEST_F(ShellTest, ValidateWritesWhatTheScreensHoldFirst)
{
    addCompany(kCnpj, {1});
    store.exec(kProduct.arg(kCnpj, QStringLiteral("ACETONA"), QStringLiteral("0"), QStringLiteral("10")));
    showActive(*window);
    openPeriod(kCnpj);
    window->command(QStringLiteral("mniMovimentacaoProdutos"))->trigger();

    struct Case {
        const char *what;
        char screen;
        std::function<void(QWidget *)> type;
        const char *stored; // select giving "1" once it is in the store
    } cases[] = {
        {"a purchase quantity of XI-A", 'A',
         [](QWidget *a) { typeInto(a, QStringLiteral("edtCompra"), QStringLiteral("7")); },
         "select count(*) from Produtos where QtCompras = 7"},
        {"a new movement of XI-B", 'B',
         [](QWidget *b) {
             click(b, QStringLiteral("btnNovo"));
             typeInto(b, QStringLiteral("edtNF"), QStringLiteral("123"));
             typeInto(b, QStringLiteral("edtQuantidade"), QStringLiteral("7"));
         },
         "select count(*) from Movimentacao where NrNF = '123' and VlQuantidade = 7"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        window->showAnnex(QLatin1Char(c.screen));
        c.type(annex(*window, c.screen));
        window->command(QStringLiteral("mniValidar"))->trigger();
        EXPECT_EQ(store.scalar(QString::fromLatin1(c.stored)).toInt(), 1);
        // Nothing is pending any more, and the screen's buttons say so.
        EXPECT_TRUE(child(annex(*window, c.screen), QStringLiteral("btnNovo"))->isEnabled());
        EXPECT_NE(reportIn(*window), nullptr);
        EXPECT_TRUE(dialogs.messages.isEmpty()) << qPrintable(dialogs.texts().join(QLatin1Char('\n')));
    }

    // A new product without its code: the rule speaks and the check does not run.
    reportIn(*window)->parentWidget()->close();
    window->showAnnex(QLatin1Char('A'));
    QWidget *a = annex(*window, 'A');
    click(a, QStringLiteral("btnNovo"));
    typeInto(a, QStringLiteral("edtConcentracaoDemon"), QStringLiteral("50"));
    dialogs.expect(Kind::Information, store::msg::kProdutoCodigoOuNome);
    window->command(QStringLiteral("mniValidar"))->trigger();
    EXPECT_EQ(reportIn(*window), nullptr);
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
}

// The consistency check's current product is the one the XI-A screen shows.
TEST_F(ShellTest, ValidationReadsTheProductTheControlScreenShows)
{
    addCompany(kCnpj, {1});
    store.exec(kProduct.arg(kCnpj, QStringLiteral("ACETONA"), QStringLiteral("0"), QStringLiteral("10")));
    store.exec(kProduct.arg(kCnpj, QStringLiteral("TOLUENO"), QStringLiteral("5"), QStringLiteral("15")));
    openPeriod(kCnpj);
    const QString required = validation::msg::kAnnexBRequired;
    // Only the second product has purchases, and there is no XI-B movement.
    for (const auto &[button, expected] : {std::pair{"btnUltimo", true}, std::pair{"btnPrimeiro", false}}) {
        SCOPED_TRACE(button);
        click(annex(*window, 'A'), QString::fromLatin1(button));
        window->command(QStringLiteral("mniValidar"))->trigger();
        EXPECT_EQ(reportLines(*window).contains(required), expected);
        window->showAnnex(QLatin1Char('A'));
    }
}

// "&Cancelar" of the deletion window drops a pending change of the company row.
TEST_F(ShellTest, DeletionWindowCancelDropsAPendingCompanyEdit)
{
    addCompany(kCnpj, {1});
    showActive(*window);
    openPeriod(kCnpj);
    QWidget *a = annex(*window, 'A');
    auto *info = child<QPlainTextEdit>(a, QStringLiteral("memInformacoes"));
    info->setPlainText(QStringLiteral("TEXTO"));
    ASSERT_TRUE(window->dataModule().empresa().isEditing());

    ASSERT_TRUE(window->runScreen(screens::kExclusao));
    auto *deletion = window->findChild<TfrmExclusaoQuirels *>();
    ASSERT_NE(deletion, nullptr);
    click(deletion, QStringLiteral("btnCancelar"));
    EXPECT_FALSE(deletion->isVisible());
    EXPECT_FALSE(window->dataModule().empresa().isEditing());
    EXPECT_EQ(info->toPlainText(), QString());
    EXPECT_TRUE(store.scalar(QStringLiteral("select DsInformacoes from Empresa")).isNull());
}

// Saving in one annex screen leaves the user where he is, with the message
// boxes and focus moves of the desktop.
TEST(OneDataModule, SavingNeverMovesTheUserToAnotherScreen)
{
    TempStore store(QStringLiteral("fixture"));
    store.exec(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao, FlGrupoI) values ('%1', 'ALFA', 1)").arg(kCnpj));
    store.exec(QStringLiteral("insert into Mes values ('%1', '2005', 'MAR')").arg(kCnpj));
    store.exec(kProduct.arg(kCnpj, QStringLiteral("ACETONA"), QStringLiteral("0"), QStringLiteral("10")));
    MainWindow::Options o;
    o.dataFolder = store.folder();
    MainWindow window(o);
    // A message box would wait for an answer: none is expected.
    QStringList boxes;
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&boxes] {
        if (QWidget *m = QApplication::activeModalWidget()) {
            boxes << QString::fromLatin1(m->metaObject()->className());
            m->close();
        }
    });
    guard.start(200);
    showActive(window);
    ASSERT_TRUE(window.setCurrentPeriod(PeriodKey{kCnpj, QStringLiteral("2005"), QStringLiteral("MAR")}));
    window.openAnnexWindows();
    window.command(QStringLiteral("mniMovimentacaoProdutos"))->trigger();
    window.command(QStringLiteral("mniControleGeral"))->trigger();
    QMdiSubWindow *a = window.annexWindow(QLatin1Char('A'));
    ASSERT_EQ(window.mdiArea()->activeSubWindow(), a);

    typeInto(a->widget(), QStringLiteral("edtDensidadeDemon"), QStringLiteral("0,8"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(store.scalar(QStringLiteral("select VlDensidade from Produtos")).toDouble(), 0.8);
    EXPECT_EQ(window.mdiArea()->activeSubWindow(), a);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_TRUE(a->isAncestorOf(QApplication::focusWidget()))
        << qPrintable(QApplication::focusWidget()->objectName());
    EXPECT_TRUE(boxes.isEmpty()) << qPrintable(boxes.join(QLatin1Char(',')));
    window.dataModule().empresa().cancel();
    for (QMdiSubWindow *sub : window.mdiArea()->subWindowList())
        sub->close();
}
