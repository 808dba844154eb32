// "Arquivo Texto" in the main window: the close question, the file choice,
// the import, the annex windows at the end, and a failure's message.

#include "exchange/Messages.h"
#include "exchange/TextRecords.h"
#include "exchange/ui/TextImportCommand.h"
#include "../TextImportFixture.h"
#include "shell/ui/ShellFixture.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMdiSubWindow>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>

using namespace quirels;
using namespace quirels::test;
using Kind = ScriptedDialogs::Kind;

namespace {

const QString kImported = QStringLiteral("12345678000195");

class TextImportCommandTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        exchange::ui::installTextImport(*window, [this] {
            ++chooserCalls;
            return chosen;
        });
        file = dir.filePath(QStringLiteral("mes.txt"));
        write(test::monthLines(kImported, QStringLiteral("2024"), QStringLiteral("JAN")));
    }

    void write(const QStringList &lines)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(test::fileBytes(lines));
    }

    void run() { window->command(QStringLiteral("mniAbrirTexto"))->trigger(); }

    QTemporaryDir dir;
    QString file;
    QString chosen;
    int chooserCalls = 0;
};

} // namespace

TEST_F(TextImportCommandTest, AnOpenCompanyIsClosedOnlyAfterSim)
{
    addCompany(kCpf, {8});
    openPeriod(kCpf);
    ASSERT_TRUE(window->companyOpen());
    chosen = file;

    dialogs.expect(Kind::Confirm, exchange::msg::kTxtFecharEmpresa, Answer::No);
    run();
    EXPECT_EQ(chooserCalls, 0);
    EXPECT_TRUE(window->annexWindow(QLatin1Char('F')));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Empresa")), 1);

    // "Sim": the company closes, the file is imported, and the annex windows
    // of the imported company's groups open for its period.
    dialogs.expect(Kind::Confirm, exchange::msg::kTxtFecharEmpresa, Answer::Yes);
    run();
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    EXPECT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(window->currentPeriod(), (PeriodKey{kImported, QStringLiteral("2024"), QStringLiteral("JAN")}));
    for (QChar annex : {u'A', u'D', u'F', u'G'})
        EXPECT_TRUE(window->annexWindow(annex)) << annex.toLatin1();
    EXPECT_TRUE(window->annexWindow(QLatin1Char('A'))->isMaximized());
    EXPECT_TRUE(enabled("mniFecharEmpresa"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Movimentacao")), 1);
    // Observation rows for every annex of the groups; the imported A kept its text.
    EXPECT_EQ(count(QStringLiteral("select count(*) from Observacoes where CdCNPJEmpr = '12345678000195'")), 8);
    EXPECT_EQ(store.scalar(QStringLiteral("select Observacao from Observacoes where Anexo = 'A'")).toString(),
              QStringLiteral("Primeira linha da observação\rSegunda linha"));
}

TEST_F(TextImportCommandTest, AFileWithoutCompanyLinesOpensThePeriodThatWasOpenAgain)
{
    addCompany(kCpf, {8});
    openPeriod(kCpf);
    write({QStringLiteral("XX nada a importar"), QString()});
    chosen = file;
    dialogs.expect(Kind::Confirm, exchange::msg::kTxtFecharEmpresa, Answer::Yes);
    run();
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    EXPECT_TRUE(window->annexWindow(QLatin1Char('F')));
    EXPECT_EQ(window->currentPeriod(), (PeriodKey{kCpf, QStringLiteral("2005"), QStringLiteral("MAR")}));

    // A company line without a period line: the new company has no period
    // to show, so nothing opens.
    write({test::emLine(kImported, QStringLiteral("Sem período"))});
    dialogs.expect(Kind::Confirm, exchange::msg::kTxtFecharEmpresa, Answer::Yes);
    run();
    EXPECT_FALSE(window->companyOpen());
    EXPECT_EQ(count(QStringLiteral("select count(*) from Empresa")), 2);
}

TEST_F(TextImportCommandTest, CancellingTheFileDialogImportsNothing)
{
    chosen.clear();
    run();
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(count(QStringLiteral("select count(*) from Empresa")), 0);
    EXPECT_FALSE(window->companyOpen());
}

TEST_F(TextImportCommandTest, AFailureIsShownAndOpensNoWindow)
{
    QStringList lines = test::monthLines(kImported, QStringLiteral("2024"), QStringLiteral("JAN"));
    lines.insert(4, test::ooLine(QStringLiteral("sem observação")));
    write(lines);
    chosen = file;
    dialogs.expect(Kind::Error, exchange::msg::kTxtErroNaLinha.arg(
                                    QStringLiteral("5"),
                                    exchange::msg::kTxtSemRegistroAnterior.arg(QStringLiteral("OO"), QStringLiteral("OB"))));
    run();
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    EXPECT_FALSE(window->companyOpen());
    EXPECT_FALSE(window->currentPeriod().isValid());
    EXPECT_EQ(count(QStringLiteral("select count(*) from Empresa")), 0);

    // A record rule's refusal is an information box.
    lines = test::monthLines(kImported, QStringLiteral("2024"), QStringLiteral("JAN"));
    lines[3] = test::pfLine(kImported, QStringLiteral("2024"), QStringLiteral("JAN"), QStringLiteral("0"));
    write(lines);
    dialogs.expect(Kind::Information,
                   exchange::msg::kTxtErroNaLinha.arg(QStringLiteral("4"), store::msg::kQuantidadeFinalPositiva));
    run();
    EXPECT_EQ(dialogs.pendingExpectations(), 0);
    EXPECT_FALSE(window->companyOpen());
}

TEST_F(TextImportCommandTest, BigFilesShowAProgressWindowThatGoesAway)
{
    chosen = file;
    exchange::ui::TextImportHooks hooks;
    hooks.chooseFile = [this] { return chosen; };
    PeriodKey opened;
    hooks.openAnnexWindows = [&](const PeriodKey &p) { opened = p; };
    // Watch for the progress window while the import runs.
    bool seen = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (window->findChild<QProgressDialog *>(QStringLiteral("dlgProgressoTexto")))
            seen = true;
    });
    probe.start(0);
    QStringList lines = test::monthLines(kImported, QStringLiteral("2024"), QStringLiteral("JAN"));
    for (int i = 0; i < 20000; ++i)
        lines.insert(5, lines.at(5)); // movement lines
    write(lines);
    const std::optional<exchange::TextImportResult> r =
        exchange::ui::runTextImport(window.get(), store.db(), dialogs, hooks, /*progressThreshold=*/1);
    ASSERT_TRUE(r && r->ok());
    EXPECT_TRUE(seen);
    EXPECT_FALSE(window->findChild<QProgressDialog *>());
    EXPECT_EQ(opened, (PeriodKey{kImported, QStringLiteral("2024"), QStringLiteral("JAN")}));
    EXPECT_EQ(count(QStringLiteral("select count(*) from Movimentacao")), 20001);
}
