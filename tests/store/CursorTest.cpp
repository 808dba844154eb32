#include "store/DataModule.h"
#include "store/Messages.h"
#include "store/RecordRules.h"
#include "support/TestSupport.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace quirels;
using store::Cursor;
namespace msg = quirels::store::msg;

namespace {

const QString kCnpj = QStringLiteral("11222333000181");
const QString kCpf = QStringLiteral("12345678909");

// A store with two companies, each with two periods, and the data module
// opened on it.
struct Fixture {
    test::TempStore store;
    ScriptedDialogs dialogs;
    store::DataModule dm{dialogs};

    Fixture()
    {
        store.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao, CdCNAE) VALUES ('%1', 'ALFA', '0111-3/01')").arg(kCnpj));
        store.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('%1', 'BETA')").arg(kCpf));
        for (const QString &c : {kCnpj, kCpf})
            for (const char *m : {"JAN", "FEV"})
                store.exec(QStringLiteral("INSERT INTO Mes VALUES ('%1', '2005', '%2')").arg(c, QLatin1String(m)));
        EXPECT_OK(dm.openAll());
    }

    void openPeriod(const QString &cnpj, const char *mes)
    {
        ASSERT_TRUE(dm.empresa().locate({{QStringLiteral("CdCNPJEmpr"), cnpj}}));
        ASSERT_TRUE(dm.mes().locate({{QStringLiteral("NrAno"), QStringLiteral("2005")}, {QStringLiteral("NmMes"), QLatin1String(mes)}}));
    }

    // Inserts a complete product and posts it.
    void addProduct(const QVariantMap &extra = {})
    {
        Cursor &p = dm.produtos();
        ASSERT_TRUE(p.insert());
        QVariantMap v{{QStringLiteral("CdNCM"), QStringLiteral("2939.41.00")},
                      {QStringLiteral("VlConcentracao"), 98.0},
                      {QStringLiteral("VlDensidade"), 1.0},
                      {QStringLiteral("DsUnidade"), QStringLiteral("Kg")}};
        for (auto it = extra.begin(); it != extra.end(); ++it)
            v.insert(it.key(), it.value());
        for (auto it = v.begin(); it != v.end(); ++it)
            ASSERT_TRUE(p.setValue(it.key(), it.value())) << qPrintable(it.key());
        ASSERT_OK(p.post());
    }

    QStringList column(Cursor &c, const QString &field)
    {
        QStringList out;
        for (int i = 0; i < c.count(); ++i)
            out.append(c.valueAt(i, field).toString());
        return out;
    }
};

} // namespace

TEST(Cursor, DetailsFollowTheirMasterAndInsertedRowsTakeTheLinks)
{
    Fixture f;
    f.openPeriod(kCnpj, "FEV");
    EXPECT_EQ(f.dm.mes().count(), 2);
    f.addProduct();
    f.addProduct();
    Cursor &p = f.dm.produtos();
    EXPECT_EQ(p.value(QStringLiteral("CdCNPJEmpr")).toString(), kCnpj);
    EXPECT_EQ(p.value(QStringLiteral("NrAno")).toString(), QStringLiteral("2005"));
    EXPECT_EQ(p.value(QStringLiteral("NmMes")).toString(), QStringLiteral("FEV"));
    const int second = p.value(QStringLiteral("CdProduto")).toInt();
    EXPECT_EQ(f.store.scalar(QStringLiteral("SELECT max(CdProduto) FROM Produtos")).toInt(), second);

    // A final product of the second product, a substance of it.
    Cursor &pf = f.dm.produtoFinal();
    ASSERT_TRUE(pf.insert());
    EXPECT_EQ(pf.value(QStringLiteral("CdProduto")).toInt(), second);
    pf.setValue(QStringLiteral("CdNCM"), QStringLiteral("2939.41.00"));
    pf.setValue(QStringLiteral("VlDensidade"), 1.0);
    pf.setValue(QStringLiteral("QtProdFinal"), 5.0);
    pf.setValue(QStringLiteral("DsUnidade"), QStringLiteral("Kg"));
    ASSERT_OK(pf.post());
    Cursor &sp = f.dm.substanciaPresente();
    ASSERT_TRUE(sp.insert());
    sp.setValue(QStringLiteral("CdNCM"), QStringLiteral("2939.41.00"));
    sp.setValue(QStringLiteral("VlConcentracao"), 3.0);
    ASSERT_OK(sp.post());
    EXPECT_EQ(f.store.scalar(QStringLiteral("SELECT CdProdFinal FROM SubstanciaPresente WHERE CdProduto = %1").arg(second)),
              pf.value(QStringLiteral("CdProdFinal")));

    // The first product has no final product; the other period and the other
    // company show none of these rows.
    ASSERT_TRUE(p.first());
    EXPECT_EQ(pf.count(), 0);
    EXPECT_EQ(sp.count(), 0);
    ASSERT_TRUE(p.last());
    EXPECT_EQ(pf.count(), 1);
    EXPECT_EQ(sp.count(), 1);
    // A master's post that keeps its key leaves a detail's pending row alone.
    ASSERT_TRUE(p.edit());
    p.setValue(QStringLiteral("NmProduto"), QStringLiteral("ACETONA"));
    ASSERT_TRUE(pf.edit());
    pf.setValue(QStringLiteral("NmProduto"), QStringLiteral("SOLVENTE"));
    ASSERT_OK(p.post());
    EXPECT_EQ(pf.state(), Cursor::State::Edit);
    EXPECT_EQ(pf.value(QStringLiteral("NmProduto")).toString(), QStringLiteral("SOLVENTE"));
    // Moving the master writes it first.
    f.openPeriod(kCnpj, "JAN");
    EXPECT_EQ(f.store.scalar(QStringLiteral("SELECT NmProduto FROM ProdutoFinal")).toString(), QStringLiteral("SOLVENTE"));
    EXPECT_EQ(p.count(), 0);
    EXPECT_EQ(pf.count(), 0);
    f.openPeriod(kCpf, "FEV");
    EXPECT_EQ(f.dm.mes().count(), 2);
    EXPECT_EQ(p.count(), 0);
    f.openPeriod(kCnpj, "FEV");
    EXPECT_EQ(p.count(), 2);
    EXPECT_TRUE(f.dialogs.messages.isEmpty()) << qPrintable(f.dialogs.texts().join(QLatin1Char('|')));
}

TEST(Cursor, ProductPostRunsTheRecordRules)
{
    Fixture f;
    f.openPeriod(kCnpj, "JAN");
    Cursor &p = f.dm.produtos();

    // Refused: the message once, the row still pending, nothing written.
    ASSERT_TRUE(p.insert());
    p.setValue(QStringLiteral("CdNCM"), QStringLiteral("2939.41.00"));
    p.setValue(QStringLiteral("VlConcentracao"), 50.0);
    p.setValue(QStringLiteral("VlDensidade"), 1.0);
    p.setValue(QStringLiteral("QtEstoqueAnt"), 100.0);
    p.setValue(QStringLiteral("QtCompras"), 50.0);
    p.setValue(QStringLiteral("QtVendas"), 30.0);
    p.setValue(QStringLiteral("QtReciclagem"), 20.0);
    Status s = p.post();
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(s.error().code, Cursor::kRefused);
    EXPECT_EQ(s.message(), msg::kUnidadeEstoqueAtual);
    EXPECT_EQ(f.dialogs.texts(), QStringList{msg::kUnidadeEstoqueAtual});
    EXPECT_EQ(f.dialogs.messages.first().kind, ScriptedDialogs::Kind::Information);
    EXPECT_EQ(p.state(), Cursor::State::Insert);
    EXPECT_EQ(f.store.scalar(QStringLiteral("SELECT count(*) FROM Produtos")).toInt(), 0);
    // A refused row cannot be left by moving either.
    f.dialogs.clear();
    EXPECT_FALSE(p.first());
    EXPECT_EQ(p.state(), Cursor::State::Insert);

    f.dialogs.clear();
    p.setValue(QStringLiteral("DsUnidade"), QStringLiteral("Kg"));
    ASSERT_OK(p.post());
    EXPECT_EQ(p.state(), Cursor::State::Browse);
    EXPECT_TRUE(f.dialogs.messages.isEmpty());
    EXPECT_EQ(f.store.scalar(QStringLiteral("SELECT QtEstoqueAtual FROM Produtos")).toDouble(), 120.0);
    EXPECT_EQ(f.store.scalar(QStringLiteral("SELECT QtPerdas FROM Produtos")).toDouble(), 0.0);
    EXPECT_EQ(p.value(QStringLiteral("QtEstoqueAtual")).toDouble(), 120.0);

    // Editing keeps a typed closing stock.
    ASSERT_TRUE(p.edit());
    p.setValue(QStringLiteral("QtEstoqueAtual"), QStringLiteral("7"));
    p.setValue(QStringLiteral("QtVendas"), 1.0);
    ASSERT_OK(p.post());
    EXPECT_EQ(f.store.scalar(QStringLiteral("SELECT QtEstoqueAtual FROM Produtos")).toDouble(), 7.0);

    // The range rule refuses at assignment and keeps the previous value.
    ASSERT_TRUE(p.edit());
    EXPECT_TRUE(p.setValue(QStringLiteral("VlConcentracao"), 100.0));
    struct Bad {
        QVariant value;
        QString message;
    };
    for (const Bad &b : {Bad{100.01, QStringLiteral("100,01 Não é um valor válido para o campo 'VlConcentracao'. A faixa permitida é de 0 até 100")},
                         Bad{QStringLiteral("-1"), QStringLiteral("-1 Não é um valor válido para o campo 'VlConcentracao'. A faixa permitida é de 0 até 100")}}) {
        f.dialogs.clear();
        EXPECT_FALSE(p.setValue(QStringLiteral("vlconcentracao"), b.value));
        EXPECT_EQ(f.dialogs.texts(), QStringList{b.message});
        EXPECT_EQ(p.value(QStringLiteral("VlConcentracao")).toDouble(), 100.0);
    }
    ASSERT_OK(p.post());
    EXPECT_EQ(f.store.scalar(QStringLiteral("SELECT VlConcentracao FROM Produtos")).toDouble(), 100.0);
}

TEST(Cursor, FinalProductRefusalsAndWidths)
{
    Fixture f;
    f.openPeriod(kCnpj, "JAN");
    f.addProduct();
    Cursor &pf = f.dm.produtoFinal();
    ASSERT_TRUE(pf.insert());
    pf.setValue(QStringLiteral("CdNCM"), QStringLiteral("2939.41.00"));
    pf.setValue(QStringLiteral("VlDensidade"), 1.0);
    pf.setValue(QStringLiteral("QtProdFinal"), 0.0);
    EXPECT_EQ(pf.post().message(), msg::kQuantidadeFinalPositiva);
    pf.setValue(QStringLiteral("QtProdFinal"), QStringLiteral("0,001"));
    EXPECT_EQ(pf.post().message(), msg::kUnidade);
    // A text longer than its field is refused on post, naming the field.
    pf.setValue(QStringLiteral("DsUnidade"), QStringLiteral("quilogramas"));
    f.dialogs.clear();
    Status s = pf.post();
    EXPECT_EQ(s.message(), msg::kTextoLongo.arg(QStringLiteral("DsUnidade")).arg(6));
    EXPECT_EQ(f.dialogs.texts(), QStringList{s.message()});
    EXPECT_EQ(pf.state(), Cursor::State::Insert);
    pf.setValue(QStringLiteral("DsUnidade"), QStringLiteral("Kg"));
    ASSERT_OK(pf.post());
    EXPECT_DOUBLE_EQ(f.store.scalar(QStringLiteral("SELECT QtProdFinal FROM ProdutoFinal")).toDouble(), 0.001);
    // Not a number for a numeric field: refused at assignment.
    ASSERT_TRUE(pf.edit());
    f.dialogs.clear();
    EXPECT_FALSE(pf.setValue(QStringLiteral("QtProdFinal"), QStringLiteral("abc")));
    EXPECT_EQ(f.dialogs.texts(), QStringList{msg::kNaoNumerico.arg(QStringLiteral("abc"), QStringLiteral("QtProdFinal"))});
    pf.cancel();
    EXPECT_DOUBLE_EQ(pf.value(QStringLiteral("QtProdFinal")).toDouble(), 0.001);
}

TEST(Cursor, CountersAreNotReusedAndRemoveKeepsPosition)
{
    Fixture f;
    f.openPeriod(kCnpj, "JAN");
    for (int i = 0; i < 3; ++i)
        f.addProduct();
    Cursor &p = f.dm.produtos();
    EXPECT_EQ(f.column(p, QStringLiteral("CdProduto")), (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    ASSERT_TRUE(p.last());
    ASSERT_OK(p.remove());
    EXPECT_EQ(p.value(QStringLiteral("CdProduto")).toInt(), 2);
    EXPECT_TRUE(p.eof());
    f.addProduct();
    EXPECT_EQ(p.value(QStringLiteral("CdProduto")).toInt(), 4);
    ASSERT_TRUE(p.first());
    ASSERT_OK(p.remove());
    EXPECT_EQ(p.value(QStringLiteral("CdProduto")).toInt(), 2);
    EXPECT_EQ(f.column(p, QStringLiteral("CdProduto")), (QStringList{QStringLiteral("2"), QStringLiteral("4")}));
    // What the cursor holds is what the store holds.
    ASSERT_OK(p.refresh());
    EXPECT_EQ(f.column(p, QStringLiteral("CdProduto")), (QStringList{QStringLiteral("2"), QStringLiteral("4")}));

    // The walk to the end.
    QStringList seen;
    for (p.first(); !p.eof(); p.next())
        seen.append(p.value(QStringLiteral("CdProduto")).toString());
    EXPECT_EQ(seen, (QStringList{QStringLiteral("2"), QStringLiteral("4")}));
}

TEST(Cursor, MovementsAreListedByDayAsTextAndFoundByNearestKey)
{
    Fixture f;
    f.openPeriod(kCnpj, "JAN");
    Cursor &m = f.dm.movimentacao();
    // A day typed as one digit is written as two, so that text order is
    // calendar order.
    for (const char *day : {"25", "2", "10", " 2"}) {
        ASSERT_TRUE(m.insert());
        m.setValue(QStringLiteral("NrDia"), QLatin1String(day));
        ASSERT_OK(m.post());
        EXPECT_EQ(m.value(QStringLiteral("NrDia")).toString(), QString::fromLatin1(day).trimmed().rightJustified(2, QLatin1Char('0')));
    }
    const QStringList expected{QStringLiteral("02"), QStringLiteral("02"), QStringLiteral("10"), QStringLiteral("25")};
    EXPECT_EQ(f.column(m, QStringLiteral("NrDia")), expected);
    // Same day: in the order they were entered.
    EXPECT_LT(m.valueAt(0, QStringLiteral("NrMovimentacao")).toInt(), m.valueAt(1, QStringLiteral("NrMovimentacao")).toInt());
    ASSERT_OK(m.refresh());
    EXPECT_EQ(f.column(m, QStringLiteral("NrDia")), expected);

    EXPECT_TRUE(m.findNearest({QStringLiteral("02")}));
    EXPECT_EQ(m.row(), 0);
    EXPECT_TRUE(m.findNearest({QStringLiteral("20")}));
    EXPECT_EQ(m.value(QStringLiteral("NrDia")).toString(), QStringLiteral("25"));
    EXPECT_TRUE(m.findNearest({QStringLiteral("0")}));
    EXPECT_EQ(m.row(), 0);
    EXPECT_FALSE(m.findNearest({QStringLiteral("9")}));
    EXPECT_EQ(m.row(), 3);

    // Editing a day moves the row to its place.
    ASSERT_TRUE(m.last());
    ASSERT_TRUE(m.edit());
    m.setValue(QStringLiteral("NrDia"), QStringLiteral("3"));
    ASSERT_OK(m.post());
    EXPECT_EQ(f.column(m, QStringLiteral("NrDia")), (QStringList{QStringLiteral("02"), QStringLiteral("02"), QStringLiteral("03"), QStringLiteral("10")}));
    EXPECT_EQ(m.row(), 2);
}

TEST(Cursor, CounterpartMaskFollowsTheRowAndStaysForOtherLengths)
{
    Fixture f;
    f.openPeriod(kCnpj, "JAN");
    Cursor &m = f.dm.movimentacao();
    const QString field = QStringLiteral("CdFornecedor");
    for (const QString &supplier : {kCnpj, QString(), kCpf, QStringLiteral("123")}) {
        ASSERT_TRUE(m.insert());
        m.setValue(QStringLiteral("NrDia"), QStringLiteral("1"));
        m.setValue(field, supplier);
        m.setValue(QStringLiteral("CdTransportadora"), kCpf);
        ASSERT_OK(m.post());
    }
    ASSERT_TRUE(m.first());
    EXPECT_EQ(m.displayMask(field), store::rules::kCnpjMask);
    EXPECT_EQ(m.displayMask(QStringLiteral("CdTransportadora")), store::rules::kCpfMask);
    ASSERT_TRUE(m.next()); // empty supplier: the CNPJ mask stays
    EXPECT_EQ(m.displayMask(field), store::rules::kCnpjMask);
    ASSERT_TRUE(m.next());
    EXPECT_EQ(m.displayMask(field), store::rules::kCpfMask);
    ASSERT_TRUE(m.next()); // three digits: the CPF mask stays
    EXPECT_EQ(m.displayMask(field), store::rules::kCpfMask);
}

TEST(Cursor, ObservationViewsShowTheirLetterAndRefreshTheGeneralCursor)
{
    Fixture f;
    f.openPeriod(kCnpj, "JAN");
    Cursor &all = f.dm.observacoes();
    for (QChar letter : {QLatin1Char('A'), QLatin1Char('G')}) {
        Cursor &v = f.dm.obsAnexo(letter);
        EXPECT_EQ(v.count(), 0);
        ASSERT_TRUE(v.insert());
        EXPECT_EQ(v.value(QStringLiteral("Anexo")).toString(), QString(letter));
        v.setValue(QStringLiteral("Observacao"), QString(QStringLiteral("texto ") + letter));
        ASSERT_OK(v.post());
    }
    EXPECT_EQ(all.count(), 2);
    EXPECT_EQ(f.column(all, QStringLiteral("Observacao")), (QStringList{QStringLiteral("texto A"), QStringLiteral("texto G")}));
    EXPECT_EQ(f.dm.obsAnexo(QLatin1Char('A')).count(), 1);
    EXPECT_EQ(f.dm.obsAnexo(QLatin1Char('B')).count(), 0);

    Cursor &g = f.dm.obsAnexo(QLatin1Char('g'));
    ASSERT_TRUE(g.edit());
    g.setValue(QStringLiteral("Observacao"), QStringLiteral("outro"));
    ASSERT_OK(g.post());
    EXPECT_EQ(all.valueAt(1, QStringLiteral("Observacao")).toString(), QStringLiteral("outro"));
    // Other periods see nothing.
    f.openPeriod(kCnpj, "FEV");
    EXPECT_EQ(all.count(), 0);
    EXPECT_EQ(g.count(), 0);
}

TEST(Cursor, LookupFieldsAndSignals)
{
    Fixture f;
    f.openPeriod(kCnpj, "JAN");
    EXPECT_FALSE(f.dm.empresa().value(QStringLiteral("lkpCNAE")).toString().isEmpty());
    EXPECT_EQ(f.dm.empresa().value(QStringLiteral("lkpCNAE")),
              f.store.scalar(QStringLiteral("SELECT NMCNAE FROM Cnae WHERE CDDESCRCNAE = '0111-3/01'")));
    Cursor &imp = f.dm.importacao();
    QSignalSpy inserted(&imp, &Cursor::rowInserted);
    ASSERT_TRUE(imp.insert());
    imp.setValue(QStringLiteral("CdPais"), 1058);
    EXPECT_EQ(imp.value(QStringLiteral("Lk_Pais")).toString(), QStringLiteral("Brasil"));
    ASSERT_OK(imp.post());
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(imp.valueAt(0, QStringLiteral("Lk_Pais")).toString(), QStringLiteral("Brasil"));

    // Moving the master resets the details for their grids.
    QSignalSpy reset(&imp, &Cursor::resetDone);
    f.openPeriod(kCnpj, "FEV");
    EXPECT_GE(reset.count(), 1);
    EXPECT_EQ(imp.count(), 0);
}

TEST(Cursor, DetailsNobodyReadsAreNotReadAgain)
{
    Fixture f;
    f.openPeriod(kCnpj, "JAN");
    QSignalSpy finalLoads(&f.dm.produtoFinal(), &Cursor::currentChanged);
    QSignalSpy substanceLoads(&f.dm.substanciaPresente(), &Cursor::currentChanged);
    for (int i = 0; i < 5; ++i)
        f.addProduct();
    EXPECT_EQ(finalLoads.count(), 0);
    EXPECT_EQ(substanceLoads.count(), 0);
    // Read on first use, for the current product.
    EXPECT_EQ(f.dm.produtoFinal().count(), 0);
    EXPECT_EQ(finalLoads.count(), 1);
}

TEST(Cursor, RowsReadBackAsWrittenAndTheStoresRefusalIsShown)
{
    Fixture f;
    f.openPeriod(kCnpj, "JAN");
    f.addProduct({{QStringLiteral("NmProduto"), QStringLiteral("ÁCIDO SULFÚRICO")}, {QStringLiteral("QtCompras"), 12.5}});
    f.addProduct({{QStringLiteral("NmProduto"), QStringLiteral("  ")}});
    Cursor &p = f.dm.produtos();
    std::vector<QVariantMap> posted;
    for (p.first(); !p.eof(); p.next())
        posted.push_back(p.record());
    // Read again from the store: the same values, of the same kinds.
    ASSERT_OK(p.refresh());
    ASSERT_EQ(p.count(), 2);
    for (int row = 0; row < 2; ++row) {
        ASSERT_TRUE(p.moveTo(row));
        const QVariantMap read = p.record();
        for (auto it = posted[row].constBegin(); it != posted[row].constEnd(); ++it)
            EXPECT_TRUE(read.value(it.key()) == it.value() && read.value(it.key()).typeId() == it.value().typeId())
                << row << " " << qPrintable(it.key()) << " " << qPrintable(read.value(it.key()).toString());
    }
    ASSERT_TRUE(p.moveTo(0));
    EXPECT_EQ(p.value(QStringLiteral("NmProduto")).toString(), QStringLiteral("ÁCIDO SULFÚRICO"));
    EXPECT_EQ(p.value(QStringLiteral("CdProduto")).typeId(), QMetaType::Int);
    EXPECT_EQ(p.value(QStringLiteral("QtCompras")).typeId(), QMetaType::Double);
    EXPECT_FALSE(p.valueAt(1, QStringLiteral("NmProduto")).isValid()); // blank is null

    // A period that already exists: the store refuses the row, and the clerk
    // reads its message in Portuguese.
    Cursor &m = f.dm.mes();
    ASSERT_TRUE(m.insert());
    ASSERT_TRUE(m.setValue(QStringLiteral("NrAno"), QStringLiteral("2005")));
    ASSERT_TRUE(m.setValue(QStringLiteral("NmMes"), QStringLiteral("JAN")));
    const Status s = m.post();
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().code, Cursor::kStoreError);
    EXPECT_EQ(s.message(), msg::kFalhaChaveRepetida.arg(QStringLiteral("Mes")));
    EXPECT_EQ(f.dialogs.lastText(), s.message());
    EXPECT_TRUE(m.isEditing());
    m.cancel();
    EXPECT_EQ(m.count(), 2);
}
