#include "base/Dialogs.h"
#include "reports/Messages.h"
#include "reports/ui/ConfigRelatorio.h"
#include "reports/ui/PreviewWindow.h"
#include "reports/ui/ReportCommands.h"
#include "shell/ui/MainWindow.h"
#include "store/Cursor.h"
#include "store/DataModule.h"
#include "validation/MonthFixture.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::reports;
using namespace quirels::reports::ui;

namespace {

QString u(const char *utf8) { return QString::fromUtf8(utf8); }

// Records what reaches the printer: one entry per report, with its pages.
struct Printed {
    QString title;
    std::vector<Page> pages;
};

class RecordingPrinter : public PageSink {
public:
    explicit RecordingPrinter(std::vector<Printed> &out) : m_out(out) {}
    void beginReport(const QString &title, const PageSetup &) override { m_out.push_back({title, {}}); }
    bool addPage(Page &&page) override
    {
        m_out.back().pages.push_back(std::move(page));
        return true;
    }

private:
    std::vector<Printed> &m_out;
};

class ReportCommandsTest : public ::testing::Test {
protected:
    void open(std::initializer_list<int> groups)
    {
        month = std::make_unique<test::Month>(groups, QStringLiteral("fixture"));
        MainWindow::Options o;
        o.dialogs = &dialogs;
        o.dataFolder = month->store.folder();
        window = std::make_unique<MainWindow>(o);
        window->resize(1024, 768);
        window->show();
        ASSERT_TRUE(window->setCurrentPeriod(month->period));
        window->openAnnexWindows();
        commands = window->findChild<ReportCommands *>();
        ASSERT_NE(commands, nullptr);
        commands->env().printer = [this](QPrinter &, int, int, bool) { return std::make_unique<RecordingPrinter>(printed); };
    }

    void TearDown() override
    {
        if (window) {
            window->close();
            window.reset();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QList<TfrmPreview *> previews() const
    {
        QList<TfrmPreview *> out;
        for (QMdiSubWindow *sub : window->mdiArea()->subWindowList())
            if (auto *p = qobject_cast<TfrmPreview *>(sub->widget()))
                out.append(p);
        return out;
    }

    void trigger(const char *name) { window->command(QString::fromLatin1(name))->trigger(); }

    ScriptedDialogs dialogs;
    std::unique_ptr<test::Month> month;
    std::unique_ptr<MainWindow> window;
    ReportCommands *commands = nullptr;
    std::vector<Printed> printed;
};

void addProduct(test::Month &m) { m.product(QStringLiteral("ACETONA"), 99.0, {{"CdNCM", QStringLiteral("2914.11.00")}}); }

} // namespace

TEST(Preview, OnePageDisablesNavigationAndPagesMoveTheButtons)
{
    ScriptedDialogs dialogs;
    ReportEnv env;
    env.dialogs = &dialogs;
    TfrmPreview preview(QStringLiteral("Anexo A"), PageSetup{}, QStringLiteral("x.pdf"), env);
    auto *pagina = preview.findChild<QLineEdit *>(QStringLiteral("edtPagina"));
    auto *total = preview.findChild<QLineEdit *>(QStringLiteral("edtTotal"));
    auto enabled = [&](const char *n) { return preview.findChild<QToolButton *>(QString::fromLatin1(n))->isEnabled(); };
    auto nav = [&] { return QList<bool>{enabled("btnPrimeiro"), enabled("BtnAnterior"), enabled("btnProximo"), enabled("btnUltimo")}; };

    Page one;
    one.number = 1;
    preview.addPage(one);
    preview.setFinished();
    EXPECT_EQ(pagina->text(), QStringLiteral("1"));
    EXPECT_EQ(total->text(), QStringLiteral(" 1"));
    EXPECT_EQ(nav(), (QList<bool>{false, false, false, false}));

    for (int n = 2; n <= 3; ++n) {
        Page p;
        p.number = n;
        preview.addPage(p);
    }
    EXPECT_EQ(total->text(), QStringLiteral(" 3"));
    EXPECT_EQ(nav(), (QList<bool>{false, false, true, true}));
    preview.findChild<QToolButton *>(QStringLiteral("btnProximo"))->click();
    EXPECT_EQ(pagina->text(), QStringLiteral("2"));
    EXPECT_EQ(nav(), (QList<bool>{true, true, true, true}));
    preview.findChild<QToolButton *>(QStringLiteral("btnUltimo"))->click();
    EXPECT_EQ(preview.currentPage(), 3);
    EXPECT_EQ(nav(), (QList<bool>{true, true, false, false}));
    // An emptied page box reads 1.
    pagina->setText(QString());
    EXPECT_EQ(pagina->text(), QStringLiteral("1"));
    EXPECT_EQ(preview.currentPage(), 1);

    // Zoom: the whole number in the box; anything else is refused.
    auto *zoom = preview.findChild<QComboBox *>(QStringLiteral("cmbPercentagem"));
    EXPECT_EQ(zoom->currentText(), QStringLiteral("90"));
    zoom->setEditText(QStringLiteral("150"));
    EXPECT_EQ(preview.zoom(), 150);
    zoom->setEditText(QStringLiteral("15x"));
    EXPECT_EQ(preview.zoom(), 150);
    EXPECT_EQ(zoom->currentText(), QStringLiteral("150")); // the box shows the zoom in force again
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("'15x' não é um valor Inteiro válido")});
}

TEST_F(ReportCommandsTest, PrintAllPrintsAnnexesWithDataAndReportsTheEmptyOnes)
{
    open({1, 8});
    addProduct(*month);
    // Only annexes A and F enabled.
    window->setAnnexCommandsEnabled(QLatin1Char('B'), false);
    window->setAnnexCommandsEnabled(QLatin1Char('C'), false);
    dialogs.clear();
    trigger("mniImprimirTodososAnexos");
    EXPECT_TRUE(window->printAll());
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].title, QStringLiteral("Anexo A"));
    EXPECT_EQ(printed[0].pages.size(), 2u);
    EXPECT_TRUE(previews().isEmpty());
    EXPECT_EQ(dialogs.texts(), QStringList{u("Não existem informações à serem impressas no Anexo F.")});
}

TEST_F(ReportCommandsTest, OptionsDialogOfAnnexCAndPrintAllModeAcrossIt)
{
    open({1});
    month->insert("Importacao", {{"FlIE", QStringLiteral("I")}, {"NmProduto", QStringLiteral("ACETONA")}});
    addProduct(*month);
    trigger("mniImportacaoExportacaoRel");
    TfrmConfigRelatorio *options = commands->optionsDialog();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(window->optionsAnnex(), QLatin1Char('C'));
    EXPECT_EQ(options->findChild<QGroupBox *>(QStringLiteral("gbRelatorio"))->title(), QStringLiteral("Relatório do Anexo C"));
    auto *rbNota = options->findChild<QRadioButton *>(QStringLiteral("rbNotaFiscal"));
    EXPECT_EQ(rbNota->text(), u("Por Lançamento"));
    EXPECT_TRUE(options->findChild<QRadioButton *>(QStringLiteral("rbData"))->isHidden());
    EXPECT_TRUE(options->findChild<QRadioButton *>(QStringLiteral("rbProduto"))->isChecked());

    // "Por Lançamento": the entry-order report in a preview; the dialog stays.
    rbNota->setChecked(true);
    options->findChild<QPushButton *>(QStringLiteral("btnImprimir"))->click();
    ASSERT_EQ(previews().size(), 1);
    EXPECT_EQ(previews().at(0)->title(), QStringLiteral("Anexo C"));
    EXPECT_TRUE(previews().at(0)->page(1).text().contains(u("Operação: Importação")));
    EXPECT_TRUE(previews().at(0)->finished());
    EXPECT_TRUE(options->isVisible());
    EXPECT_TRUE(printed.empty());
    // It stands aside, in the lower right corner of the work area, off the
    // page's header.
    const QRect work(window->mdiArea()->mapToGlobal(QPoint(0, 0)), window->mdiArea()->size());
    EXPECT_TRUE(work.contains(options->frameGeometry())) << work.width() << "x" << work.height();
    EXPECT_GT(options->frameGeometry().center().y(), work.center().y());
    EXPECT_GT(options->frameGeometry().center().x(), work.center().x());

    // After print-all, the same dialog prints without a preview...
    trigger("mniImprimirTodososAnexos");
    const size_t before = printed.size();
    EXPECT_GE(before, 2u); // A and C
    rbNota->setChecked(true);
    options->imprimir();
    ASSERT_EQ(printed.size(), before + 1);
    EXPECT_EQ(printed.back().title, QStringLiteral("Anexo C"));
    EXPECT_EQ(previews().size(), 1);
    // ...until a single report command brings the preview back.
    trigger("mniControleGeralRel");
    EXPECT_FALSE(window->printAll());
    EXPECT_EQ(previews().size(), 2);
    EXPECT_EQ(printed.size(), before + 1);

    // "Produto": annex C grouped by NCM code.
    trigger("mniImportacaoExportacaoRel");
    options->findChild<QRadioButton *>(QStringLiteral("rbProduto"))->setChecked(true);
    options->imprimir();
    ASSERT_EQ(previews().size(), 3);
    EXPECT_EQ(commands->lastPreview()->page(1).lines().at(4), u("Cod.NCM : - ACETONA Concentração %: Unidade:"));
}

TEST_F(ReportCommandsTest, AnnexBLeavesItsTableInDayOrderAndSavesPdf)
{
    open({1});
    for (const char *day : {"09", "02"})
        month->movement(QString::fromLatin1(day), QStringLiteral("1.102"), QStringLiteral("ACETONA"), 10.0, 1.0);
    store::Cursor &mov = window->dataModule().movimentacao();
    mov.setOrder(QString()); // entry order, as a screen might have left it
    ASSERT_TRUE(mov.refresh());
    trigger("mniMovimentacaoProdutosRel");
    TfrmConfigRelatorio *options = commands->optionsDialog();
    ASSERT_NE(options, nullptr);
    options->findChild<QRadioButton *>(QStringLiteral("rbData"))->setChecked(true);
    options->imprimir();
    ASSERT_EQ(previews().size(), 1);
    mov.first();
    EXPECT_EQ(mov.value(QStringLiteral("NrDia")).toString(), QStringLiteral("02"));

    TfrmPreview *preview = previews().at(0);
    QString offered;
    const QString path = month->store.folder() + QStringLiteral("/saida.pdf");
    commands->env().choosePdf = [&](QWidget *, const QString &suggested) {
        offered = suggested;
        return path;
    };
    // The environment is copied into each preview: a new preview sees the hook.
    preview->findChild<QToolButton *>(QStringLiteral("btnFechar"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(previews().isEmpty());
    options->findChild<QRadioButton *>(QStringLiteral("rbData"))->setChecked(true);
    options->imprimir();
    ASSERT_EQ(previews().size(), 1);
    ASSERT_TRUE(previews().at(0)->savePdf());
    EXPECT_EQ(offered, QStringLiteral("11222333000181_MAR2024_AnexoB.pdf"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5).startsWith("%PDF"));
}

// Without a printer, "Imprimir Todos os Anexos" asks and then shows every
// annex in one preview, A's pages before B's; "Imprimir" there asks and saves
// a PDF instead.
TEST_F(ReportCommandsTest, WithoutAPrinterEveryAnnexGoesToOnePreviewAndOnePdf)
{
    open({1});
    addProduct(*month);
    month->movement(QStringLiteral("02"), QStringLiteral("1.102"), QStringLiteral("ACETONA"), 10.0, 1.0);
    window->setAnnexCommandsEnabled(QLatin1Char('C'), false);
    commands->env().printer = [](QPrinter &, int, int, bool) { return std::unique_ptr<PageSink>(); };
    const QString path = month->store.folder() + QStringLiteral("/todos.pdf");
    QString offered;
    commands->env().choosePdf = [&](QWidget *, const QString &suggested) {
        offered = suggested;
        return path;
    };
    dialogs.clear();
    // "Não": nothing is shown.
    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kSemImpressoraTodos, Answer::No);
    trigger("mniImprimirTodososAnexos");
    EXPECT_TRUE(previews().isEmpty());
    EXPECT_FALSE(window->printAll());

    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kSemImpressoraTodos, Answer::Yes);
    trigger("mniImprimirTodososAnexos");
    EXPECT_TRUE(dialogs.failures.isEmpty()) << qPrintable(dialogs.failures.join(QLatin1Char('|')));
    ASSERT_EQ(previews().size(), 1);
    TfrmPreview *all = previews().at(0);
    EXPECT_EQ(all->title(), msg::kTituloTodos);
    EXPECT_TRUE(all->finished());
    ASSERT_GE(all->pageCount(), 3);
    int firstB = 0;
    for (int n = 1; n <= all->pageCount() && firstB == 0; ++n)
        if (all->page(n).text().contains(QLatin1String("XI-B")))
            firstB = n;
    ASSERT_GT(firstB, 1);
    EXPECT_TRUE(all->page(1).text().contains(QLatin1String("XI-A")));
    EXPECT_TRUE(printed.empty());

    dialogs.expect(ScriptedDialogs::Kind::Confirm, msg::kSemImpressora, Answer::Yes);
    all->print();
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    EXPECT_EQ(offered, QStringLiteral("11222333000181_MAR2024_Anexos.pdf"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5).startsWith("%PDF"));
}

// The options window is there only with its annex: hidden while another
// annex's window is active, back with its own preview, closed with the
// company, and reached from the "Janela" menu.
TEST_F(ReportCommandsTest, OptionsWindowFollowsItsAnnexAndClosesWithTheCompany)
{
    open({1});
    month->insert("Importacao", {{"FlIE", QStringLiteral("I")}, {"NmProduto", QStringLiteral("ACETONA")}});
    addProduct(*month);
    trigger("mniImportacaoExportacaoRel");
    TfrmConfigRelatorio *options = commands->optionsDialog();
    ASSERT_NE(options, nullptr);
    options->imprimir();
    ASSERT_EQ(previews().size(), 1);
    QMdiSubWindow *previewC = qobject_cast<QMdiSubWindow *>(previews().at(0)->parentWidget());
    EXPECT_TRUE(options->isVisible());

    window->mdiArea()->setActiveSubWindow(window->annexWindow(QLatin1Char('A')));
    EXPECT_FALSE(options->isVisible());
    window->mdiArea()->setActiveSubWindow(previewC);
    EXPECT_TRUE(options->isVisible());
    window->mdiArea()->setActiveSubWindow(window->annexWindow(QLatin1Char('A')));
    EXPECT_FALSE(options->isVisible());
    QAction *reach = window->command(QStringLiteral("mniOpcoesImpressao"));
    if (!reach)
        reach = window->findChild<QAction *>(QStringLiteral("mniOpcoesImpressao"));
    ASSERT_NE(reach, nullptr);
    EXPECT_TRUE(reach->isEnabled());
    reach->trigger();
    EXPECT_TRUE(options->isVisible());

    ASSERT_TRUE(window->closeCompany());
    EXPECT_FALSE(options->isVisible());
    EXPECT_FALSE(reach->isEnabled());
}

TEST_F(ReportCommandsTest, EmptyReportShowsItsMessageAndNoPreview)
{
    open({9});
    trigger("mniArmazenagemRel");
    EXPECT_TRUE(previews().isEmpty());
    EXPECT_EQ(dialogs.lastText(), u("Não existem informações à serem impressas no Anexo D."));
}

#include "reports/ui/PrinterSink.h"

#include <QPrinter>
#include <QTemporaryDir>

TEST(PrinterSink, PrintsTheChosenRangeScaledToThePaper)
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("impresso.pdf")));
    PrinterSink sink(printer, 2, 3);
    sink.beginReport(QStringLiteral("Anexo B"), PageSetup{});
    for (int n = 1; n <= 4; ++n) {
        Page p;
        p.number = n;
        p.items.push_back(PageItem{PageItem::Kind::Text, QRectF(10, 10, 60, 4), QStringLiteral("Página %1").arg(n), {7, false}, Align::Left});
        ASSERT_TRUE(sink.addPage(std::move(p)));
    }
    sink.endReport();
    EXPECT_EQ(sink.printed(), 2);
    EXPECT_EQ(printer.docName(), QStringLiteral("Anexo B"));
    QFile f(dir.filePath(QStringLiteral("impresso.pdf")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5).startsWith("%PDF"));
}
