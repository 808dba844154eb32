#include "EntryFixture.h"

#include "entry/Annex.h"
#include "entry/Messages.h"
#include "entry/ui/AnnexWindow.h"
#include "shell/Messages.h"
#include "store/Messages.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QTableView>
#include <QToolButton>

using namespace quirels;
using namespace quirels::test;
namespace msg = quirels::entry::msg;
using Kind = ScriptedDialogs::Kind;

namespace {

struct MovementScreen : EntryFixture {
    entry::AnnexWindow w;

    explicit MovementScreen(const QString &month = QStringLiteral("FEV"), const QString &year = QStringLiteral("2004"))
        : EntryFixture(month, year), w(entry::annexB(), dm, dialogs)
    {
        w.open();
        showActive(w);
    }

    // Fills every field of the pending row from the day on, leaving each.
    void fill(const QString &day, const QString &nf)
    {
        enter(w, QStringLiteral("edtDia"), day);
        enter(w, QStringLiteral("edtCFOP"), QStringLiteral("1101"));
        enter(w, QStringLiteral("edtCodProduto"), QStringLiteral("28012010"));
        enter(w, QStringLiteral("edtConcentracao"), QStringLiteral("99,5"));
        enter(w, QStringLiteral("edtQuantidade"), QStringLiteral("10"));
        enter(w, QStringLiteral("cmbUnidade"), QStringLiteral("Kg"));
        enter(w, QStringLiteral("edtNF"), nf);
        enter(w, QStringLiteral("edtCNPJFornecedor"), kCnpj);
        enter(w, QStringLiteral("edtCNPJTransportadora"), QStringLiteral("12345678909"));
    }

    void insertRow(const QString &day, const QString &nf)
    {
        store.exec(QStringLiteral("INSERT INTO Movimentacao (CdCNPJEmpr, NrAno, NmMes, NrDia, NrCFOP, NmProduto, "
                                  "VlConcentracao, VlQuantidade, NmUnidade, NrNF, CdFornecedor, CdTransportadora, "
                                  "CdNCM) VALUES ('%1', '2004', 'FEV', '%2', '1.102', 'TOLUENO', 50, 3, 'litro', "
                                  "'%3', '12345678909', '11222333000181', '2902.30.00')")
                       .arg(kCnpj, day, nf));
        EXPECT_OK(dm.movimentacao().refresh());
    }

    int rows() const { return sql(QStringLiteral("SELECT count(*) FROM Movimentacao")).toInt(); }
    QString buttons()
    {
        QString s;
        for (const char *b : {"btnNovo", "btnSalvar", "btnCancelar", "btnExcluir"})
            s += enabled(w, QLatin1String(b)) ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
};

} // namespace

TEST(Movimentacao, AMonthIsEnteredWithTheKeyboardAlone)
{
    MovementScreen s;
    EXPECT_EQ(s.buttons(), QStringLiteral("1001"));
    QAbstractItemModelTester tester(child<QTableView>(s.w, QStringLiteral("grdMovimentacao"))->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
    // The first row of the period asks nothing and starts at the day.
    EXPECT_TRUE(s.dialogs.messages.isEmpty());
    EXPECT_EQ(focusName(), QStringLiteral("edtDia"));
    EXPECT_EQ(s.buttons(), QStringLiteral("0110"));

    // Every field is reached with Tab, in its order.
    const QStringList order{QStringLiteral("edtCFOP"), QStringLiteral("cmbCFOP"), QStringLiteral("edtCodProduto"),
                            QStringLiteral("cmbProduto"), QStringLiteral("edtConcentracao"),
                            QStringLiteral("edtQuantidade"), QStringLiteral("cmbUnidade"), QStringLiteral("edtNF"),
                            QStringLiteral("edtCNPJFornecedor"), QStringLiteral("edtCNPJTransportadora"),
                            QStringLiteral("memObservacoesAnexoB"), QStringLiteral("btnSalvar")};
    QTest::keyClicks(focused(), QStringLiteral("5"));
    for (const QString &next : order) {
        tab();
        EXPECT_EQ(focusName(), next);
        if (next == QLatin1String("edtCFOP"))
            QTest::keyClicks(focused(), QStringLiteral("1101"));
        else if (next == QLatin1String("edtCodProduto"))
            QTest::keyClicks(focused(), QStringLiteral("28012010"));
        else if (next == QLatin1String("edtConcentracao"))
            QTest::keyClicks(focused(), QStringLiteral("99,5"));
        else if (next == QLatin1String("edtQuantidade"))
            QTest::keyClicks(focused(), QStringLiteral("12,5"));
        else if (next == QLatin1String("cmbUnidade"))
            QTest::keyClick(focused(), Qt::Key_K);
        else if (next == QLatin1String("edtNF"))
            QTest::keyClicks(focused(), QStringLiteral("4711"));
        else if (next == QLatin1String("edtCNPJFornecedor"))
            QTest::keyClicks(focused(), kCnpj);
        else if (next == QLatin1String("edtCNPJTransportadora"))
            QTest::keyClicks(focused(), QStringLiteral("12345678909"));
        else if (next == QLatin1String("memObservacoesAnexoB"))
            QTest::keyClicks(focused(), QStringLiteral("Mes sem ocorrencias"));
    }
    EXPECT_TRUE(s.dialogs.messages.isEmpty()) << qPrintable(s.dialogs.texts().join(QLatin1Char('|')));
    QTest::keyClick(focused(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(s.rows(), 1);
    EXPECT_EQ(s.buttons(), QStringLiteral("1001"));
    EXPECT_EQ(s.sql(QStringLiteral("SELECT NrDia || '|' || NrCFOP || '|' || CdNCM || '|' || NmProduto || '|' || "
                                   "VlConcentracao || '|' || VlQuantidade || '|' || NmUnidade || '|' || NrNF || '|' "
                                   "|| CdFornecedor || '|' || CdTransportadora FROM Movimentacao"))
                  .toString(),
              QStringLiteral("05|1.101|2801.20.10|IODO|99.5|12.5|Kg|4711|11222333000181|12345678909")); // day in two digits
    EXPECT_EQ(s.sql(QStringLiteral("SELECT Observacao FROM Observacoes WHERE Anexo = 'B'")).toString(),
              QStringLiteral("Mes sem ocorrencias"));
    // The counterpart numbers are shown with their masks once left.
    EXPECT_EQ(text(s.w, QStringLiteral("edtCNPJFornecedor")), QStringLiteral("11.222.333/0001-81"));

    // The next invoice line keeps the invoice and waits in the quantity.
    s.dialogs.expect(Kind::Confirm, msg::kManterNotaFiscal, Answer::Yes);
    QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(focusName(), QStringLiteral("edtQuantidade"));
    QTest::keyClicks(focused(), QStringLiteral("3"));
    tab();
    QTest::keyClick(focused(), Qt::Key_Down);
    QTest::keyClick(focused(), Qt::Key_Down);
    QTest::keyClick(focused(), Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(s.dialogs.failures.isEmpty()) << qPrintable(s.dialogs.failures.join(QLatin1Char('|')));
    EXPECT_EQ(s.dialogs.texts(), QStringList{msg::kManterNotaFiscal});
    EXPECT_EQ(s.rows(), 2);
    EXPECT_EQ(s.sql(QStringLiteral("SELECT NrDia || '|' || NrCFOP || '|' || CdNCM || '|' || NmProduto || '|' || "
                                   "VlConcentracao || '|' || VlQuantidade || '|' || NmUnidade || '|' || NrNF || '|' "
                                   "|| CdFornecedor || '|' || CdTransportadora FROM Movimentacao "
                                   "ORDER BY NrMovimentacao DESC"))
                  .toString(),
              QStringLiteral("05|1.101|2801.20.10|IODO|99.5|3.0|litro|4711|11222333000181|12345678909"));
}

TEST(Movimentacao, RequiredChecksStopSalvarWithTheirFocus)
{
    MovementScreen s;
    press(s.w, QStringLiteral("btnNovo"));
    enter(s.w, QStringLiteral("edtDia"), QStringLiteral("3"));
    s.dialogs.clear();
    press(s.w, QStringLiteral("btnSalvar"));
    EXPECT_EQ(s.dialogs.texts(), QStringList{msg::kInformarCfop});
    EXPECT_EQ(s.dialogs.focused, QStringList{QStringLiteral("edtCFOP")});
    EXPECT_EQ(focusName(), QStringLiteral("edtCFOP"));
    EXPECT_EQ(s.rows(), 0);
    EXPECT_EQ(s.buttons(), QStringLiteral("0110"));

    // A movement without NCM code but with a name is saved.
    s.fill(QStringLiteral("3"), QStringLiteral("77"));
    type(s.w, QStringLiteral("edtCodProduto"), QString());
    tab();
    s.dialogs.clear();
    press(s.w, QStringLiteral("btnSalvar"));
    EXPECT_TRUE(s.dialogs.messages.isEmpty()) << qPrintable(s.dialogs.texts().join(QLatin1Char('|')));
    EXPECT_EQ(s.rows(), 1);
    EXPECT_TRUE(s.sql(QStringLiteral("SELECT CdNCM FROM Movimentacao")).isNull());
}

TEST(Movimentacao, CfopCodeAndDescriptionAreOneField)
{
    MovementScreen s;
    press(s.w, QStringLiteral("btnNovo"));
    type(s.w, QStringLiteral("edtCFOP"), QStringLiteral("1101"));
    EXPECT_EQ(text(s.w, QStringLiteral("cmbCFOP")), QStringLiteral("Compra para industrialização ou produção rural"));
    tab();
    // A code missing from the table is emptied on leaving.
    type(s.w, QStringLiteral("edtCFOP"), QStringLiteral("9999"));
    EXPECT_EQ(text(s.w, QStringLiteral("cmbCFOP")), QString());
    tab();
    EXPECT_EQ(s.dialogs.texts(), QStringList{msg::kCfopInvalido});
    EXPECT_EQ(focusName(), QStringLiteral("edtCFOP"));
    EXPECT_EQ(text(s.w, QStringLiteral("edtCFOP")), QStringLiteral("_.___"));
    EXPECT_FALSE(s.dm.movimentacao().value(QStringLiteral("NrCFOP")).isValid());

    // Choosing a description stores its code.
    type(s.w, QStringLiteral("cmbCFOP"), QStringLiteral("Compra para comercialização"));
    EXPECT_EQ(text(s.w, QStringLiteral("edtCFOP")), QStringLiteral("1.102"));
    EXPECT_EQ(s.dm.movimentacao().value(QStringLiteral("NrCFOP")).toString(), QStringLiteral("1.102"));
}

TEST(Movimentacao, DayOfFebruaryFollowsLeapYears)
{
    struct Case {
        const char *year;
        bool valid;
    };
    for (const Case &c : {Case{"2004", true}, Case{"2005", false}, Case{"1900", false}, Case{"2000", true}}) {
        MovementScreen s(QStringLiteral("FEV"), QLatin1String(c.year));
        press(s.w, QStringLiteral("btnNovo"));
        enter(s.w, QStringLiteral("edtDia"), QStringLiteral("29"));
        if (c.valid) {
            EXPECT_TRUE(s.dialogs.messages.isEmpty()) << c.year;
            EXPECT_EQ(focusName(), QStringLiteral("edtCFOP")) << c.year;
        } else {
            ASSERT_EQ(s.dialogs.messages.size(), 1) << c.year;
            EXPECT_EQ(s.dialogs.messages.first().kind, Kind::Error);
            EXPECT_EQ(s.dialogs.lastText(), msg::kDiaInvalido);
            EXPECT_EQ(focusName(), QStringLiteral("edtDia")) << c.year;
            EXPECT_EQ(text(s.w, QStringLiteral("edtDia")), QStringLiteral("29"));
        }
    }
}

TEST(Movimentacao, ThirteenDigitsAreRefusedAndKept)
{
    MovementScreen s;
    press(s.w, QStringLiteral("btnNovo"));
    enter(s.w, QStringLiteral("edtCNPJFornecedor"), QStringLiteral("1122233300018"));
    ASSERT_EQ(s.dialogs.messages.size(), 1);
    EXPECT_EQ(s.dialogs.messages.first().kind, Kind::Error);
    EXPECT_EQ(s.dialogs.lastText(), shell::msg::kNumeroInvalido);
    EXPECT_EQ(focusName(), QStringLiteral("edtCNPJFornecedor"));
    EXPECT_EQ(text(s.w, QStringLiteral("edtCNPJFornecedor")), QStringLiteral("1122233300018"));

    // Letters cannot be typed into the number.
    type(s.w, QStringLiteral("edtCNPJTransportadora"), QStringLiteral("12a3"));
    EXPECT_EQ(text(s.w, QStringLiteral("edtCNPJTransportadora")), QStringLiteral("123"));
}

TEST(Movimentacao, NumberFieldsRefuseWhatTheyCannotHold)
{
    MovementScreen s;
    press(s.w, QStringLiteral("btnNovo"));
    enter(s.w, QStringLiteral("edtQuantidade"), QStringLiteral("0"));
    EXPECT_EQ(s.dialogs.texts(), QStringList{msg::kZeroOuNegativo});
    EXPECT_EQ(text(s.w, QStringLiteral("edtQuantidade")), QString());
    EXPECT_EQ(focusName(), QStringLiteral("edtQuantidade"));

    // Not a number: the field keeps the text and the focus.
    s.dialogs.clear();
    enter(s.w, QStringLiteral("edtQuantidade"), QStringLiteral("1a"));
    EXPECT_EQ(s.dialogs.texts(),
              QStringList{store::msg::kNaoNumerico.arg(QStringLiteral("1a"), QStringLiteral("VlQuantidade"))});
    EXPECT_EQ(focusName(), QStringLiteral("edtQuantidade"));
    EXPECT_EQ(text(s.w, QStringLiteral("edtQuantidade")), QStringLiteral("1a"));
    enter(s.w, QStringLiteral("edtQuantidade"), QStringLiteral("2"));

    // Out of the concentration's range: refused, the previous value stays.
    enter(s.w, QStringLiteral("edtConcentracao"), QStringLiteral("80"));
    s.dialogs.clear();
    enter(s.w, QStringLiteral("edtConcentracao"), QStringLiteral("100,01"));
    ASSERT_EQ(s.dialogs.messages.size(), 1) << qPrintable(s.dialogs.texts().join(QLatin1Char('|')));
    EXPECT_TRUE(s.dialogs.lastText().contains(QStringLiteral("VlConcentracao"))) << qPrintable(s.dialogs.lastText());
    EXPECT_EQ(focusName(), QStringLiteral("edtConcentracao"));
    EXPECT_EQ(text(s.w, QStringLiteral("edtConcentracao")), QStringLiteral("80,00"));
    EXPECT_EQ(s.dm.movimentacao().value(QStringLiteral("VlConcentracao")).toDouble(), 80.0);
}

TEST(Movimentacao, MovingThroughRecordsChangesNothing)
{
    MovementScreen s;
    s.insertRow(QStringLiteral("4"), QStringLiteral("1"));
    s.insertRow(QStringLiteral("8"), QStringLiteral("2"));
    s.insertRow(QStringLiteral("9"), QStringLiteral("3"));
    s.w.open();
    for (const char *b : {"btnUltimo", "btnAnterior", "btnPrimeiro", "btnProximo"}) {
        child<QToolButton>(s.w, QLatin1String(b))->click();
        EXPECT_EQ(s.buttons(), QStringLiteral("1001")) << b;
    }
    auto *toggle = child<QToolButton>(s.w, QStringLiteral("btnGrade"));
    auto *grid = child<QTableView>(s.w, QStringLiteral("grdMovimentacao"));
    EXPECT_FALSE(grid->isVisible());
    toggle->click();
    EXPECT_TRUE(grid->isVisible());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(2, 0)).center());
    EXPECT_EQ(text(s.w, QStringLiteral("edtNF")), QStringLiteral("3"));
    EXPECT_EQ(s.buttons(), QStringLiteral("1001"));
    EXPECT_FALSE(s.dm.obsAnexo(QLatin1Char('B')).isEditing());
    // Tabbing through every field of the saved row (a product name of the
    // list included) changes nothing either.
    child(s.w, QStringLiteral("edtDia"))->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 12 && focused() != s.w.memo(); ++i)
        tab();
    EXPECT_EQ(focused(), s.w.memo());
    EXPECT_EQ(s.buttons(), QStringLiteral("1001"));
    EXPECT_TRUE(s.w.close());
    EXPECT_TRUE(s.dialogs.messages.isEmpty());
}

TEST(Movimentacao, ListedByDayComparedAsText)
{
    MovementScreen s;
    for (const char *day : {"2", "10", "25"})
        s.insertRow(QLatin1String(day), QStringLiteral("1"));
    s.w.open();
    QAbstractItemModel *m = child<QTableView>(s.w, QStringLiteral("grdMovimentacao"))->model();
    QAbstractItemModelTester tester(m, QAbstractItemModelTester::FailureReportingMode::Warning);
    ASSERT_EQ(m->rowCount(), 3);
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Dia"));
    QStringList days;
    for (int r = 0; r < 3; ++r)
        days.append(m->index(r, 0).data().toString());
    EXPECT_EQ(days, (QStringList{QStringLiteral("10"), QStringLiteral("2"), QStringLiteral("25")}));
    EXPECT_EQ(m->index(0, 3).data().toString(), QStringLiteral("123.456.789-09"));
    EXPECT_EQ(m->index(0, 8).data().toString(), QStringLiteral("3,000"));
}

TEST(Movimentacao, MemoAloneIsSavedInAnEmptyPeriod)
{
    MovementScreen s;
    type(s.w, QStringLiteral("memObservacoesAnexoB"), QStringLiteral("Nada a declarar"));
    EXPECT_EQ(s.buttons(), QStringLiteral("0110"));
    press(s.w, QStringLiteral("btnSalvar"));
    EXPECT_EQ(s.buttons(), QStringLiteral("1001"));
    EXPECT_EQ(s.rows(), 0);
    EXPECT_EQ(s.sql(QStringLiteral("SELECT Observacao FROM Observacoes WHERE Anexo = 'B'")).toString(),
              QStringLiteral("Nada a declarar"));
    EXPECT_TRUE(s.dialogs.messages.isEmpty());
}

TEST(Movimentacao, InvoiceReuseCopiesTheSelectedRecord)
{
    MovementScreen s;
    s.insertRow(QStringLiteral("4"), QStringLiteral("111"));
    s.insertRow(QStringLiteral("8"), QStringLiteral("222"));
    s.w.open();
    child<QToolButton>(s.w, QStringLiteral("btnPrimeiro"))->click();
    s.dialogs.expect(Kind::Confirm, msg::kManterNotaFiscal, Answer::Yes);
    press(s.w, QStringLiteral("btnNovo"));
    EXPECT_TRUE(s.dialogs.failures.isEmpty());
    EXPECT_EQ(focusName(), QStringLiteral("edtQuantidade"));
    const store::Cursor &c = s.dm.movimentacao();
    EXPECT_EQ(c.state(), store::Cursor::State::Insert);
    EXPECT_EQ(c.value(QStringLiteral("NrNF")).toString(), QStringLiteral("111"));
    EXPECT_EQ(c.value(QStringLiteral("NrDia")).toString(), QStringLiteral("4"));
    EXPECT_EQ(c.value(QStringLiteral("CdNCM")).toString(), QStringLiteral("2902.30.00"));
    EXPECT_EQ(c.value(QStringLiteral("VlConcentracao")).toDouble(), 50.0);
    EXPECT_FALSE(c.value(QStringLiteral("VlQuantidade")).isValid());
    EXPECT_FALSE(c.value(QStringLiteral("NmUnidade")).isValid());
    EXPECT_EQ(text(s.w, QStringLiteral("edtNF")), QStringLiteral("111"));
    EXPECT_EQ(text(s.w, QStringLiteral("cmbProduto")), QStringLiteral("TOLUENO"));

    // "Não" starts empty at the day.
    press(s.w, QStringLiteral("btnCancelar"));
    s.dialogs.expect(Kind::Confirm, msg::kManterNotaFiscal, Answer::No);
    press(s.w, QStringLiteral("btnNovo"));
    EXPECT_EQ(focusName(), QStringLiteral("edtDia"));
    EXPECT_FALSE(c.value(QStringLiteral("NrNF")).isValid());
}

TEST(Movimentacao, ClosePromptsKeepOrDropInOrder)
{
    MovementScreen s;
    press(s.w, QStringLiteral("btnNovo"));
    type(s.w, QStringLiteral("edtNF"), QStringLiteral("55"));
    type(s.w, QStringLiteral("memObservacoesAnexoB"), QStringLiteral("Obs do mes"));

    s.dialogs.expect(Kind::YesNoCancel, msg::kNaoSalvas, Answer::Cancel);
    EXPECT_FALSE(s.w.close());
    EXPECT_TRUE(s.w.isVisible());
    EXPECT_TRUE(s.dm.movimentacao().isEditing());
    EXPECT_EQ(s.dm.movimentacao().value(QStringLiteral("NrNF")).toString(), QStringLiteral("55"));

    s.dialogs.expect(Kind::YesNoCancel, msg::kNaoSalvas, Answer::No);
    s.dialogs.expect(Kind::YesNoCancel, msg::observacoesNaoSalvas(QLatin1Char('B')), Answer::Yes);
    EXPECT_TRUE(s.w.close());
    EXPECT_TRUE(s.dialogs.failures.isEmpty()) << qPrintable(s.dialogs.failures.join(QLatin1Char('|')));
    EXPECT_EQ(s.dialogs.pendingExpectations(), 0);
    EXPECT_EQ(s.rows(), 0);
    EXPECT_EQ(s.sql(QStringLiteral("SELECT Observacao FROM Observacoes WHERE Anexo = 'B'")).toString(),
              QStringLiteral("Obs do mes"));
}

TEST(Movimentacao, ExcluirAsksOnlyWhenThereIsARecord)
{
    MovementScreen s;
    press(s.w, QStringLiteral("btnExcluir"));
    EXPECT_TRUE(s.dialogs.messages.isEmpty());
    s.insertRow(QStringLiteral("4"), QStringLiteral("1"));
    s.w.open();
    s.dialogs.expect(Kind::Confirm, msg::kExcluirRegistro, Answer::Yes);
    press(s.w, QStringLiteral("btnExcluir"));
    EXPECT_EQ(s.rows(), 0);
}

// The record keys work from inside a field (leaving it first), the grid takes
// the keyboard, and "Localizar" finds a row by product name (case and
// accents aside), invoice number or CNPJ/CPF.
TEST(Movimentacao, RecordKeysGridAndLocalizarFromTheKeyboard)
{
    MovementScreen s;
    s.insertRow(QStringLiteral("04"), QStringLiteral("1"));
    s.insertRow(QStringLiteral("08"), QStringLiteral("2"));
    s.insertRow(QStringLiteral("09"), QStringLiteral("35"));
    s.store.exec(QStringLiteral("UPDATE Movimentacao SET NmProduto = 'ÁCIDO SULFÚRICO', CdFornecedor = '52998224725' "
                                "WHERE NrNF = '2'"));
    EXPECT_OK(s.dm.movimentacao().refresh());
    s.w.open();
    const auto nf = [&] { return text(s.w, QStringLiteral("edtNF")); };
    const auto ctrl = [](Qt::Key key) { QTest::keyClick(focused(), key, Qt::ControlModifier); };

    for (const char *field : {"edtNF", "cmbProduto", "edtCNPJFornecedor"}) {
        child(s.w, QLatin1String(field))->setFocus(Qt::TabFocusReason);
        ctrl(Qt::Key_End);
        EXPECT_EQ(nf(), QStringLiteral("35")) << field;
        ctrl(Qt::Key_Home);
        EXPECT_EQ(nf(), QStringLiteral("1")) << field;
        ctrl(Qt::Key_PageDown);
        EXPECT_EQ(nf(), QStringLiteral("2")) << field;
        EXPECT_EQ(focusName(), QLatin1String(field));
    }
    // What was typed is left and saved before the move.
    type(s.w, QStringLiteral("edtNF"), QStringLiteral("77"));
    ctrl(Qt::Key_End);
    EXPECT_EQ(nf(), QStringLiteral("35"));
    EXPECT_EQ(s.sql(QStringLiteral("SELECT count(*) FROM Movimentacao WHERE NrNF = '77'")).toInt(), 1);
    EXPECT_EQ(s.buttons(), QStringLiteral("1001"));

    // The grid: Ctrl+G shows it with the focus, the arrows move the record.
    ctrl(Qt::Key_G);
    auto *grid = child<QTableView>(s.w, QStringLiteral("grdMovimentacao"));
    ASSERT_TRUE(grid->isVisible());
    EXPECT_EQ(focused(), grid);
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(nf(), QStringLiteral("77"));
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(nf(), QStringLiteral("1"));

    // Localizar, from a field: the box takes what is typed, Esc returns.
    child(s.w, QStringLiteral("edtQuantidade"))->setFocus(Qt::TabFocusReason);
    ctrl(Qt::Key_L);
    ASSERT_NE(s.w.bar().finder(), nullptr);
    QTest::keyClicks(focused(), QStringLiteral("acido sul"));
    EXPECT_EQ(nf(), QStringLiteral("77"));
    QTest::keyClick(focused(), Qt::Key_Escape);
    EXPECT_EQ(s.w.bar().finder(), nullptr);
    EXPECT_EQ(focusName(), QStringLiteral("edtQuantidade"));
    const struct {
        const char *typed;
        const char *nf;
    } cases[] = {{"35", "35"}, {"529.982", "77"}, {"123.456", "35"}, {"ACIDO s", "77"}};
    for (const auto &c : cases) {
        ctrl(Qt::Key_L);
        QTest::keyClicks(focused(), QLatin1String(c.typed));
        EXPECT_EQ(nf(), QLatin1String(c.nf)) << c.typed;
        QTest::keyClick(focused(), Qt::Key_Escape);
    }
    // The search starts at the record shown; Enter goes on to the next row that
    // matches; nothing matching moves nothing.
    ctrl(Qt::Key_L);
    QTest::keyClicks(focused(), QStringLiteral("TOLUENO"));
    EXPECT_EQ(nf(), QStringLiteral("35"));
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_EQ(nf(), QStringLiteral("1"));
    QTest::keyClicks(focused(), QStringLiteral("X"));
    EXPECT_EQ(nf(), QStringLiteral("1"));
    EXPECT_EQ(child<QLabel>(*s.w.bar().finder()->window(), QStringLiteral("lblLocalizar"))->text(),
              msg::kNadaLocalizado);
    QTest::keyClick(focused(), Qt::Key_Escape);
    EXPECT_EQ(s.buttons(), QStringLiteral("1001"));
    EXPECT_TRUE(s.dialogs.messages.isEmpty()) << qPrintable(s.dialogs.texts().join(QLatin1Char('|')));
}
