#include "EntryFixture.h"

#include "entry/Annex.h"
#include "entry/Messages.h"
#include "entry/ui/AnnexScreens.h"
#include "entry/ui/AnnexWindow.h"
#include "entry/ui/ResiduoWindow.h"

#include <QAbstractItemModelTester>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <memory>

using namespace quirels;
using namespace quirels::test;
namespace msg = quirels::entry::msg;
using Kind = ScriptedDialogs::Kind;

namespace {

// An annex screen of the main window's kind on the fixture's period.
struct Screen : EntryFixture {
    std::unique_ptr<entry::EntryWindow> w;

    explicit Screen(QChar letter)
    {
        w.reset(entry::createAnnexScreen(letter, dm, dialogs));
        showActive(*w);
    }

    QString buttons(const QString &suffix = QString())
    {
        QString s;
        for (const char *b : {"btnNovo", "btnSalvar", "btnCancelar", "btnExcluir"})
            s += enabled(*w, QLatin1String(b) + suffix) ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
    int rows(const char *table) const
    {
        return sql(QStringLiteral("SELECT count(*) FROM ") + QLatin1String(table)).toInt();
    }
    QString failures() const { return dialogs.failures.join(QLatin1Char('|')); }
};

// Chooses an entry of a radio group from the keyboard: Space takes the first,
// the right arrow the second.
void choose(QWidget &root, const QString &name, int index)
{
    QWidget *box = child(root, name);
    box->setFocus(Qt::TabFocusReason);
    if (index > 0)
        QTest::keyClick(focused(), Qt::Key_Right);
    QTest::keyClick(focused(), Qt::Key_Space);
}

struct Typed {
    const char *control;
    QString text;  // a radio group: "0" or "1"
};

void fill(QWidget &root, const QList<Typed> &fields)
{
    for (const Typed &t : fields) {
        const QString name = QLatin1String(t.control);
        if (name.startsWith(QLatin1String("rdg")))
            choose(root, name, t.text.toInt());
        else
            type(root, name, t.text);
        tab();
    }
}

QString q(const char *utf8) { return QString::fromUtf8(utf8); }

struct ScreenCase {
    char letter;
    const char *table;
    QList<Typed> fields;     // in tab order
    const char *stored;      // the saved row, as one SQL expression
    QString expected;
};

const QList<ScreenCase> &screenCases()
{
    static const QList<ScreenCase> cases{
        {'C', "Importacao",
         {{"rdgOperacao", q("1")}, {"edtLIRE", q("03/1234567-8")}, {"edtNF", q("4455")},
          {"edtCNPJTransportadora", kCnpj}, {"edtImportador", q("CHEM GMBH")}, {"cmbPais", q("Alemanha")},
          {"edtCodProduto", q("28012010")}, {"edtConcentracao", q("150")}, {"edtQuantidade", q("12,5")},
          {"cmbUnidade", q("litro")}},
         "FlIE||'|'||NrLI||'|'||NrNF||'|'||CdTransportadora||'|'||NmImportador||'|'||CdPais||'|'||CdNCM||'|'||"
         "NmProduto||'|'||VlConcentracao||'|'||QtImportacao||'|'||DsUnidade",
         q("E|03/1234567-8|4455|11222333000181|CHEM GMBH|230|2801.20.10|IODO|150.0|12.5|litro")},
        {'D', "Armazenagem",
         {{"edtCodigoProduto", q("29023000")}, {"edtConcentracao", q("100")}, {"edtEstoqueAnterior", q("5")},
          {"edtEstoqueAtual", q("-2,25")}, {"cmbUnidade", q("Kg")}, {"edtCNPJ", q("12345678909")}},
         "CdNCM||'|'||NmProduto||'|'||VlConcentracao||'|'||QtEstoqueAnt||'|'||QtEstoqueAtual||'|'||DsUnidade||'|'||"
         "CdProprietario",
         q("2902.30.00|TOLUENO|100.0|5.0|-2.25|Kg|12345678909")},
        {'E', "MovArmazenagem",
         {{"edtDia", q("29")}, {"rdgOperacao", q("0")}, {"edtNotaFiscal", q("NF-1")},
          {"edtCNPJProprietario", kCnpj}, {"edtCNPJTransportadora", q("12345678909")},
          {"edtCodProduto", q("28012010")}, {"edtConcentracao", q("99,5")}, {"edtQuantidade", q("3")},
          {"cmbUnidade", q("Kg")}},
         "NrDia||'|'||DsES||'|'||CdNF||'|'||CdProprietario||'|'||CdTransportadora||'|'||CdNCM||'|'||NmProduto||'|'||"
         "Vlconcentracao||'|'||QtMovArmazenagem||'|'||DsUnidade",
         q("29|E|NF-1|11222333000181|12345678909|2801.20.10|IODO|99.5|3.0|Kg")},
        {'F', "Transporte",
         {{"edtDia", q("1")}, {"edtNF", q("123456")}, {"edtCNPJEmbarcador", kCnpj}, {"cmbUFEmbarcador", q("SP")},
          {"edtCNPJDestinatario", q("12345678909")}, {"cmbUFDestinatario", q("RJ")},
          {"edtCodProduto", q("28012010")}, {"edtConcentracao", q("80")}, {"edtQuantidade", q("1")},
          {"cmbUnidade", q("Kg")}},
         "NrDia||'|'||NrNF||'|'||CdEmbarcador||'|'||SgUFEmbarcador||'|'||CdDestinatario||'|'||SgUFDestinatario||'|'||"
         "CdNCM||'|'||NmProduto||'|'||VlConcentracao||'|'||QtProduto||'|'||DsUnidade",
         q("01|123456|11222333000181|SP|12345678909|RJ|2801.20.10|IODO|80.0|1.0|Kg")}, // the day in two digits
        {'G', "Residuo",
         {{"edtCodProduto", q("28012010")}, {"edtConcentracaoPresente", q("0")}, {"edtQuantidadePresente", q("7")},
          {"cmbUnidadePresente", q("Kg")}, {"cmbDestinacao", q("Destruição - Neutralização")}},
         "CdNCM||'|'||NmProduto||'|'||VlConcentracao||'|'||QtResiduo||'|'||DsUnidade||'|'||DsDestinacao",
         q("2801.20.10|IODO|0.0|7.0|Kg|Destruição - Neutralização")},
        {'H', "MovResiduo",
         {{"edtDia", q("28")}, {"rdgOperacao", q("1")}, {"edtNF", q("77")}, {"edtCNPJFornecedor", kCnpj},
          {"edtCNPJTransportadora", q("12345678909")}, {"edtCodProduto", q("28012010")},
          {"edtConcentracao", q("10")}, {"edtQuantidade", q("0,5")}, {"cmbUnidade", q("litro")}},
         "NrDia||'|'||VlES||'|'||NrNF||'|'||CdFornecedor||'|'||CdTransportadora||'|'||CdNCM||'|'||NmProduto||'|'||"
         "VlConcentracao||'|'||QtdMovResiduo||'|'||DsUnidade",
         q("28|S|77|11222333000181|12345678909|2801.20.10|IODO|10.0|0.5|litro")},
    };
    return cases;
}

} // namespace

// Each screen: a row typed field by field and saved with the keyboard, shown
// again whole, and the next Novo offering to keep the invoice fields.
TEST(AnnexScreens, EachScreenTakesARowFromTheKeyboardAndKeepsItsInvoiceFields)
{
    for (const ScreenCase &c : screenCases()) {
        SCOPED_TRACE(c.letter);
        Screen s{QLatin1Char(c.letter)};
        const entry::AnnexSpec &spec = *entry::annexSpec(QLatin1Char(c.letter));
        const entry::ListSpec &list = spec.main;
        EXPECT_EQ(s.w->objectName(), spec.className);
        EXPECT_EQ(s.w->windowTitle(), spec.caption);
        if (auto *grid = s.w->findChild<QTableView *>(QStringLiteral("grd") + list.table))
            QAbstractItemModelTester tester(grid->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        EXPECT_EQ(s.buttons(), QStringLiteral("1001"));

        // The first row of the period asks nothing.
        QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
        EXPECT_EQ(focusName(), list.firstFocus);
        EXPECT_EQ(s.buttons(), QStringLiteral("0110"));
        fill(*s.w, c.fields);
        type(*s.w, spec.observationControl(), QStringLiteral("Obs ") + QLatin1Char(c.letter));
        QTest::keyClick(focused(), Qt::Key_S, Qt::AltModifier);
        EXPECT_TRUE(s.dialogs.messages.isEmpty()) << qPrintable(s.dialogs.texts().join(QLatin1Char('|')));
        EXPECT_EQ(s.buttons(), QStringLiteral("1001"));
        EXPECT_EQ(s.sql(QStringLiteral("SELECT %1 FROM %2").arg(QLatin1String(c.stored), QLatin1String(c.table)))
                      .toString(),
                  c.expected);
        EXPECT_EQ(s.sql(QStringLiteral("SELECT Observacao FROM Observacoes WHERE Anexo = '%1'").arg(c.letter))
                      .toString(),
                  QStringLiteral("Obs ") + QLatin1Char(c.letter));

        store::Cursor &t = s.dm.table(list.table);
        const QVariantMap saved = t.record();
        if (list.reuse) {
            s.dialogs.expect(Kind::Confirm, msg::kManterNotaFiscal, Answer::Yes);
            QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
            EXPECT_EQ(focusName(), list.reuse->focusAfterYes);
            for (const entry::FieldSpec &f : list.fields) {
                const bool kept = list.reuse->keptFields.contains(f.field);
                EXPECT_EQ(t.value(f.field), kept ? saved.value(f.field) : QVariant()) << qPrintable(f.field);
                if (!f.control.startsWith(QLatin1String("rdg"))) {
                    EXPECT_EQ(text(*s.w, f.control).isEmpty() || f.kind == entry::FieldKind::Ncm, !kept)
                        << qPrintable(f.control);
                }
            }
        } else {
            QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
            EXPECT_EQ(focusName(), list.firstFocus);
        }
        EXPECT_EQ(s.buttons(), QStringLiteral("0110"));
        QTest::keyClick(focused(), Qt::Key_C, Qt::AltModifier);
        EXPECT_EQ(s.rows(c.table), 1);

        // Moving back to the row shows every typed value again.
        t.first();
        for (const Typed &typed : c.fields) {
            const QString name = QLatin1String(typed.control);
            if (name.startsWith(QLatin1String("rdg"))) {
                auto radios = child(*s.w, name)->findChildren<QRadioButton *>();
                EXPECT_TRUE(radios.value(typed.text.toInt())->isChecked()) << typed.control;
            } else if (!name.startsWith(QLatin1String("edtCNPJ")) && !name.startsWith(QLatin1String("edtCod"))
                       && !name.startsWith(QLatin1String("edtConc")) && !name.startsWith(QLatin1String("edtQuant"))
                       && !name.startsWith(QLatin1String("edtEstoque"))) {
                // The day shows as it is stored: "1" as "01".
                const QString shown = name == QLatin1String("edtDia") ? typed.text.rightJustified(2, QLatin1Char('0'))
                                                                       : typed.text;
                EXPECT_EQ(text(*s.w, name), shown) << typed.control;
            }
        }
        EXPECT_EQ(s.buttons(), QStringLiteral("1001"));
        EXPECT_TRUE(s.dialogs.failures.isEmpty()) << qPrintable(s.failures());
    }
}

TEST(AnnexScreens, TransportForeignPartyNeedsNoNumberOnSalvarButDoesOnNovo)
{
    Screen s{QLatin1Char('F')};
    QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
    // Letters cannot be typed into the invoice number.
    type(*s.w, QStringLiteral("edtNF"), QStringLiteral("12a3b"));
    EXPECT_EQ(text(*s.w, QStringLiteral("edtNF")), QStringLiteral("123"));
    tab();
    QList<Typed> rest{{"edtDia", QStringLiteral("3")},          {"cmbUFEmbarcador", QStringLiteral("EX")},
                      {"edtCNPJDestinatario", kCnpj},           {"cmbUFDestinatario", QStringLiteral("EX")},
                      {"edtCodProduto", QStringLiteral("28012010")}, {"edtConcentracao", QStringLiteral("50")},
                      {"edtQuantidade", QStringLiteral("2")},   {"cmbUnidade", QStringLiteral("Kg")}};
    fill(*s.w, rest);
    EXPECT_EQ(child<QWidget>(*s.w, QStringLiteral("cmbUFEmbarcador"))->toolTip(), msg::kHintUf);

    // Novo on the pending row asks for the shipper's number; Salvar takes the
    // row without it.
    auto &w = static_cast<entry::AnnexWindow &>(*s.w);
    s.dialogs.expect(Kind::Information, msg::kInformarEmbarcador);
    EXPECT_FALSE(w.engine().novo());
    EXPECT_EQ(focusName(), QStringLiteral("edtCNPJEmbarcador"));
    EXPECT_EQ(s.rows("Transporte"), 0);
    QTest::keyClick(focused(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(s.sql(QStringLiteral("SELECT NrNF || '|' || ifnull(CdEmbarcador, 'null') || '|' || SgUFEmbarcador || '|' "
                                   "|| CdDestinatario || '|' || SgUFDestinatario FROM Transporte"))
                  .toString(),
              QStringLiteral("123|null|EX|11222333000181|EX"));

    // Both parties and both units empty: Salvar stops at the shipper's number.
    s.dialogs.expect(Kind::Confirm, msg::kManterNotaFiscal, Answer::No);
    QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
    fill(*s.w, {{"edtDia", QStringLiteral("4")}, {"edtNF", QStringLiteral("9")}});
    fill(*s.w, {{"edtCodProduto", QStringLiteral("28012010")}, {"edtConcentracao", QStringLiteral("50")},
                {"edtQuantidade", QStringLiteral("2")}, {"cmbUnidade", QStringLiteral("Kg")}});
    s.dialogs.expect(Kind::Information, msg::kInformarEmbarcador);
    QTest::keyClick(focused(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(focusName(), QStringLiteral("edtCNPJEmbarcador"));
    EXPECT_EQ(s.rows("Transporte"), 1);
    EXPECT_EQ(s.dialogs.pendingExpectations(), 0);
    EXPECT_TRUE(s.dialogs.failures.isEmpty()) << qPrintable(s.failures());
}

TEST(AnnexScreens, ImportCountryShowsTheNameStoresTheNumberAndAloneLeavesSalvarOff)
{
    Screen s{QLatin1Char('C')};
    auto *pais = child<QComboBox>(*s.w, QStringLiteral("cmbPais"));
    ASSERT_GT(pais->count(), 200);
    // Country-name order.
    EXPECT_EQ(pais->itemText(0), QStringLiteral("Afeganistão"));
    EXPECT_EQ(pais->currentIndex(), -1);
    s.store.exec(QStringLiteral("INSERT INTO Importacao (CdCNPJEmpr, NrAno, NmMes, FlIE, CdPais, NmProduto, DsUnidade, "
                                "NrLI) VALUES ('%1', '2004', 'FEV', 'I', 230, 'IODO', 'Kg', 'LI')").arg(kCnpj));
    ASSERT_OK(s.dm.importacao().refresh());
    s.dm.importacao().first();
    EXPECT_EQ(text(*s.w, QStringLiteral("cmbPais")), QStringLiteral("Alemanha"));

    // The product name, the unit and the country alone leave the buttons in
    // browse; any other field starts the editing state.
    type(*s.w, QStringLiteral("cmbPais"), QStringLiteral("Argentina"));
    tab();
    type(*s.w, QStringLiteral("cmbUnidade"), QStringLiteral("litro"));
    type(*s.w, QStringLiteral("cmbProduto"), QStringLiteral("TOLUENO"));
    EXPECT_EQ(s.buttons(), QStringLiteral("1001"));
    EXPECT_FALSE(s.dm.obsAnexo(QLatin1Char('C')).isEditing());
    EXPECT_EQ(s.dm.importacao().value(QStringLiteral("CdPais")).toInt(), 639);
    type(*s.w, QStringLiteral("edtLIRE"), QStringLiteral("LI-2"));
    EXPECT_EQ(s.buttons(), QStringLiteral("0110"));
    EXPECT_TRUE(s.dm.obsAnexo(QLatin1Char('C')).isEditing());
    press(*s.w, QStringLiteral("btnCancelar"));
    EXPECT_EQ(text(*s.w, QStringLiteral("cmbPais")), QStringLiteral("Alemanha"));
}

TEST(AnnexScreens, ImportNovoLetsTheQuantityWaitAndSalvarDoesNot)
{
    Screen s{QLatin1Char('C')};
    auto &w = static_cast<entry::AnnexWindow &>(*s.w);
    QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(focusName(), QStringLiteral("rdgOperacao"));
    // Without an operation nothing else is asked first.
    s.dialogs.expect(Kind::Information, msg::kInformarOperacao);
    QTest::keyClick(focused(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(focusName(), QStringLiteral("rdgOperacao"));
    QList<Typed> row = screenCases().first().fields;
    row.removeAt(8); // no quantity
    fill(*s.w, row);
    s.dialogs.expect(Kind::Information, msg::kInformarQuantidade);
    QTest::keyClick(focused(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(focusName(), QStringLiteral("edtQuantidade"));
    EXPECT_EQ(s.rows("Importacao"), 0);
    EXPECT_TRUE(w.engine().novo());
    EXPECT_EQ(s.rows("Importacao"), 1);
    EXPECT_TRUE(s.sql(QStringLiteral("SELECT QtImportacao FROM Importacao")).isNull());
    EXPECT_TRUE(s.dialogs.failures.isEmpty()) << qPrintable(s.failures());
}

TEST(AnnexScreens, StorageMovementAsksForTheConcentrationLast)
{
    Screen s{QLatin1Char('E')};
    QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
    QList<Typed> row = screenCases().at(2).fields;
    row.removeAt(6); // no concentration
    fill(*s.w, row);
    s.dialogs.expect(Kind::Information, msg::kInformarValorDaConcentracao);
    QTest::keyClick(focused(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(focusName(), QStringLiteral("edtConcentracao"));
    EXPECT_EQ(s.rows("MovArmazenagem"), 0);
    // A zero quantity is refused on leaving the field and emptied.
    s.dialogs.expect(Kind::Information, msg::kZeroOuNegativo);
    enter(*s.w, QStringLiteral("edtQuantidade"), QStringLiteral("0"));
    EXPECT_EQ(focusName(), QStringLiteral("edtQuantidade"));
    EXPECT_EQ(text(*s.w, QStringLiteral("edtQuantidade")), QString());
    EXPECT_TRUE(s.dialogs.failures.isEmpty()) << qPrintable(s.failures());
}

TEST(AnnexScreens, ResidueMovementAsksForTheQuantityBeforeTheCodeAndItsMemoLeadsToTheCommands)
{
    Screen s{QLatin1Char('H')};
    QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
    fill(*s.w, {{"edtDia", QStringLiteral("2")}, {"rdgOperacao", QStringLiteral("0")}});
    s.dialogs.expect(Kind::Information, msg::kInformarQuantidadeSo);
    QTest::keyClick(focused(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(focusName(), QStringLiteral("edtQuantidade"));

    // Tab out of the memo lands on Salvar while a row is pending, else on Novo.
    child<QWidget>(*s.w, QStringLiteral("memObservacoesAnexoH"))->setFocus(Qt::TabFocusReason);
    tab();
    EXPECT_EQ(focusName(), QStringLiteral("btnSalvar"));
    press(*s.w, QStringLiteral("btnCancelar"));
    child<QWidget>(*s.w, QStringLiteral("memObservacoesAnexoH"))->setFocus(Qt::TabFocusReason);
    tab();
    EXPECT_EQ(focusName(), QStringLiteral("btnNovo"));
    EXPECT_TRUE(s.dialogs.failures.isEmpty()) << qPrintable(s.failures());
}

TEST(AnnexScreens, ResidueIsolatedProductsOpenWithTheFirstResidueAndGoWithTheLast)
{
    Screen s{QLatin1Char('G')};
    auto &w = static_cast<entry::ResiduoWindow &>(*s.w);
    EXPECT_EQ(w.pages()->currentIndex(), 0);
    EXPECT_EQ(s.w->findChildren<QTableView *>().size(), 0);
    // No residue: the isolated products are locked.
    EXPECT_EQ(s.buttons(QStringLiteral("Isolado")), QStringLiteral("0000"));
    EXPECT_FALSE(enabled(*s.w, QStringLiteral("edtCodIsolado")));

    QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
    fill(*s.w, screenCases().at(4).fields);
    EXPECT_EQ(s.buttons(QStringLiteral("Isolado")), QStringLiteral("0000"));
    QTest::keyClick(focused(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(s.buttons(QStringLiteral("Isolado")), QStringLiteral("1001"));
    EXPECT_TRUE(enabled(*s.w, QStringLiteral("edtCodIsolado")));
    // The destination of 26 characters is kept and shown whole.
    EXPECT_EQ(text(*s.w, QStringLiteral("cmbDestinacao")), QStringLiteral("Destruição - Neutralização"));

    // Three isolated products, entered on page 2 with its own keys.
    w.pages()->setCurrentIndex(1);
    EXPECT_EQ(focusName(), QStringLiteral("edtCodIsolado"));
    for (const char *qty : {"1", "2", "3"}) {
        QTest::keyClick(focused(), Qt::Key_N, Qt::AltModifier);
        EXPECT_EQ(focusName(), QStringLiteral("edtCodIsolado"));
        fill(*s.w, {{"edtCodIsolado", QStringLiteral("29023000")}, {"edtConcentracaoIsolado", QStringLiteral("0")},
                    {"edtDensidade", QStringLiteral("0")}, {"edtQuantidadeIsolado", QLatin1String(qty)},
                    {"cmbUnidadeIsolado", QStringLiteral("Kg")}});
        QTest::keyClick(focused(), Qt::Key_S, Qt::AltModifier);
    }
    EXPECT_EQ(s.rows("Isolado"), 3);
    EXPECT_TRUE(s.dialogs.messages.isEmpty()) << qPrintable(s.dialogs.texts().join(QLatin1Char('|')));

    // A second residue, deleted, leaves the isolated products alone.
    w.pages()->setCurrentIndex(0);
    s.store.exec(QStringLiteral("INSERT INTO Residuo (CdCNPJEmpr, NrAno, NmMes, NmProduto) VALUES ('%1', '2004', "
                                "'FEV', 'X')").arg(kCnpj));
    ASSERT_OK(s.dm.residuo().refresh());
    s.dm.residuo().last();
    s.dialogs.expect(Kind::Confirm, msg::kExcluirRegistro, Answer::Yes);
    QTest::keyClick(focused(), Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(s.rows("Residuo"), 1);
    EXPECT_EQ(s.rows("Isolado"), 3);

    // Deleting the last residue, whichever isolated product is current,
    // deletes all three and locks the page.
    s.dm.isolado().moveTo(1);
    s.dialogs.expect(Kind::Confirm, msg::kExcluirRegistro, Answer::Yes);
    QTest::keyClick(focused(), Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(s.rows("Residuo"), 0);
    EXPECT_EQ(s.rows("Isolado"), 0);
    EXPECT_EQ(s.dm.isolado().count(), 0);
    EXPECT_EQ(s.buttons(QStringLiteral("Isolado")), QStringLiteral("0000"));
    EXPECT_FALSE(enabled(*s.w, QStringLiteral("edtCodIsolado")));

    // A residue that arrives from elsewhere opens the page when the screen is
    // activated again.
    s.store.exec(QStringLiteral("INSERT INTO Residuo (CdCNPJEmpr, NrAno, NmMes, NmProduto) VALUES ('%1', '2004', "
                                "'FEV', 'Y')").arg(kCnpj));
    ASSERT_OK(s.dm.residuo().refresh());
    EXPECT_EQ(s.buttons(QStringLiteral("Isolado")), QStringLiteral("0000"));
    w.activated();
    EXPECT_EQ(s.buttons(QStringLiteral("Isolado")), QStringLiteral("1001"));
    EXPECT_TRUE(s.dialogs.failures.isEmpty()) << qPrintable(s.failures());
    EXPECT_EQ(s.dialogs.pendingExpectations(), 0);
}

TEST(AnnexScreens, ResidueClosePromptsInTheirOrder)
{
    Screen s{QLatin1Char('G')};
    auto &w = static_cast<entry::ResiduoWindow &>(*s.w);
    s.store.exec(QStringLiteral("INSERT INTO Residuo (CdCNPJEmpr, NrAno, NmMes, NmProduto) VALUES ('%1', '2004', "
                                "'FEV', 'X')").arg(kCnpj));
    ASSERT_OK(s.dm.residuo().refresh());
    w.activated();
    type(*s.w, QStringLiteral("edtQuantidadePresente"), QStringLiteral("4"));
    w.pages()->setCurrentIndex(1);
    press(*s.w, QStringLiteral("btnNovoIsolado"));
    type(*s.w, QStringLiteral("edtDensidade"), QStringLiteral("1"));
    s.dialogs.expect(Kind::YesNoCancel, msg::kNaoSalvas, Answer::No);
    s.dialogs.expect(Kind::YesNoCancel, msg::kNaoSalvas, Answer::Cancel);
    EXPECT_FALSE(s.w->close());
    EXPECT_TRUE(s.dm.isolado().isEditing());
    s.dialogs.expect(Kind::YesNoCancel, msg::kNaoSalvas, Answer::No);
    s.dialogs.expect(Kind::YesNoCancel, msg::observacoesNaoSalvas(QLatin1Char('G')), Answer::Yes);
    EXPECT_TRUE(s.w->close());
    EXPECT_EQ(s.rows("Isolado"), 0);
    EXPECT_TRUE(s.dialogs.failures.isEmpty()) << qPrintable(s.failures());
    EXPECT_EQ(s.dialogs.pendingExpectations(), 0);
}
