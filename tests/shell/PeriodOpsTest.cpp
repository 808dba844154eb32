#include "PeriodFixture.h"
#include "shell/Messages.h"
#include "shell/PeriodOps.h"

#include <QSqlQuery>
#include "store/Messages.h"
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::test;
using Kind = ScriptedDialogs::Kind;

namespace {

const QString kCnpj = QStringLiteral("11222333000181");
const QString kOther = QStringLiteral("12345678909");

class RecordingProgress : public Progress {
public:
    void setLabel(const QString &l) override { label = l; }
    void setRange(qint64 m) override { maximum = m; }
    void setValue(qint64 v) override { values.append(v); }
    QString label;
    qint64 maximum = -1;
    QList<qint64> values;
};

// December 2004 with two products and one storage row. Product 7 has three
// final products: the first with two substances, the second with none, the
// third with one; product 9 has no final product. A final product of no
// product and a substance of no final product are left behind.
void previousMonth(TempStore &s)
{
    addCompany(s, kCnpj, QStringLiteral("QUIMICA SA"));
    s.exec(QStringLiteral("insert into Mes values ('11222333000181','2004','DEZ')"));
    s.exec(QStringLiteral(
        "insert into Produtos (CdCNPJEmpr,NrAno,NmMes,CdProduto,VlConcentracao,VlDensidade,QtEstoqueAnt,QtProducao,"
        "QtTransformacao,QtUtilizacao,QtCompras,QtVendas,QtReciclagem,QtReaproveitamento,QtImportacao,QtExportacao,"
        "QtPerdas,QtEvaporacao,QtEntradasDiv,QtSaidasDiv,QtEstoqueAtual,DsUnidade,CdProdutoControlado,CdNCM,NmProduto)"
        " values ('11222333000181','2004','DEZ',7,98.5,0.1,3,1,2,3,4,5,6,7,8,9,10,11,12,13,12.5,'Kg',5,'2807.00.10','ACIDO')"));
    s.exec(QStringLiteral("insert into Produtos (CdCNPJEmpr,NrAno,NmMes,CdProduto,VlConcentracao,QtEstoqueAtual,DsUnidade,"
                          "CdNCM,NmProduto) values ('11222333000181','2004','DEZ',9,0.30000000000000004,2.125,'litro',"
                          "'2902.30.00','TOLUENO')"));
    s.exec(QStringLiteral("insert into ProdutoFinal (CdCNPJEmpr,NrAno,NmMes,CdProduto,CdProdFinal,VlDensidade,QtProdFinal,"
                          "DsUnidade,CdProdControlado,CdNCM,NmProduto) values ('11222333000181','2004','DEZ',7,20,1.25,"
                          "40.5,'Kg',3,'3824.90.00','MISTURA')"));
    s.exec(QStringLiteral("insert into ProdutoFinal (CdCNPJEmpr,NrAno,NmMes,CdProduto,CdProdFinal,QtProdFinal,NmProduto)"
                          " values ('11222333000181','2004','DEZ',7,21,1,'SEM SUBSTANCIA')"));
    s.exec(QStringLiteral("insert into ProdutoFinal (CdCNPJEmpr,NrAno,NmMes,CdProduto,CdProdFinal,QtProdFinal,NmProduto)"
                          " values ('11222333000181','2004','DEZ',7,22,2,'DILUIDO'),"
                          " ('11222333000181','2004','DEZ',99,23,2,'ORFAO')"));
    s.exec(QStringLiteral("insert into SubstanciaPresente (CdCNPJEmpr,NrAno,NmMes,CdProduto,CdProdFinal,CdSubstancia,"
                          "VlConcentracao,NmProduto) values ('11222333000181','2004','DEZ',7,22,32,5,'XILENO'),"
                          " ('11222333000181','2004','DEZ',7,25,33,5,'ORFA'), ('11222333000181','2004','DEZ',99,23,34,5,'ORFA')"));
    s.exec(QStringLiteral("insert into SubstanciaPresente (CdCNPJEmpr,NrAno,NmMes,CdProduto,CdProdFinal,CdSubstancia,"
                          "VlConcentracao,CdProdControlado,CdNCM,NmProduto) values ('11222333000181','2004','DEZ',7,20,"
                          "30,10.5,4,'2807.00.10','ACIDO')"));
    s.exec(QStringLiteral("insert into SubstanciaPresente (CdCNPJEmpr,NrAno,NmMes,CdProduto,CdProdFinal,CdSubstancia,"
                          "VlConcentracao,NmProduto) values ('11222333000181','2004','DEZ',7,20,31,2,'TOLUENO')"));
    s.exec(QStringLiteral("insert into Armazenagem (CdCNPJEmpr,NrAno,NmMes,CdNCM,NmProduto,VlConcentracao,QtEstoqueAnt,"
                          "QtEstoqueAtual,DsUnidade,CdProprietario) values ('11222333000181','2004','DEZ','2902.30.00',"
                          "'TOLUENO',99,1,7.75,'litro','12345678909')"));
    // Rows that must not be carried: another company, another month, and
    // annex tables that start empty.
    addCompany(s, kOther, QStringLiteral("OUTRA"));
    fillPeriod(s, PeriodKey{kOther, QStringLiteral("2004"), QStringLiteral("DEZ")});
    fillPeriod(s, PeriodKey{kCnpj, QStringLiteral("2004"), QStringLiteral("NOV")});
    s.exec(QStringLiteral("insert into Movimentacao (CdCNPJEmpr,NrAno,NmMes,NmProduto) values ('11222333000181','2004','DEZ','x')"));
    s.exec(QStringLiteral("insert into Observacoes (CdCNPJEmpr,NrAno,NmMes,Anexo) values ('11222333000181','2004','DEZ','A')"));
}

QVariantList row(TempStore &s, const QString &sql)
{
    QSqlDatabase db = s.db();
    QSqlQuery q(db);
    EXPECT_TRUE(q.exec(sql)) << qPrintable(sql);
    QVariantList out;
    if (q.next())
        for (int i = 0; i < q.record().count(); ++i)
            out.append(q.value(i));
    return out;
}

} // namespace

TEST(PreviousPeriod, StepsBackOneMonth)
{
    const struct {
        const char *ano, *mes, *prevAno, *prevMes;
    } cases[] = {
        {"2005", "JAN", "2004", "DEZ"}, {"2005", "MAR", "2005", "FEV"}, {"2005", "DEZ", "2005", "NOV"},
        {"2005", "fev", "2005", "JAN"}, {"2005", "XYZ", "", ""},        {"20a5", "MAR", "", ""},
    };
    for (const auto &c : cases) {
        const PeriodKey p = shell::previousPeriod({kCnpj, QString::fromLatin1(c.ano), QString::fromLatin1(c.mes)});
        EXPECT_EQ(p.cnpj, kCnpj);
        EXPECT_EQ(p.ano, QString::fromLatin1(c.prevAno)) << c.mes << ' ' << c.ano;
        EXPECT_EQ(p.mes, QString::fromLatin1(c.prevMes)) << c.mes << ' ' << c.ano;
    }
}

TEST(OpenPeriod, CarriesClosingStocksFinalProductsSubstancesAndStorage)
{
    TempStore s;
    previousMonth(s);
    QSqlDatabase db = s.db();
    ScriptedDialogs d;
    d.expect(Kind::Confirm, shell::msg::kIncluirPeriodo, Answer::Yes);
    d.expect(Kind::Information, shell::msg::kDadosImportados);
    RecordingProgress p;
    const PeriodKey jan{kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")};
    Result<shell::Opened> r = shell::openPeriod(db, jan, d, p);
    ASSERT_OK(r);
    EXPECT_EQ(r->outcome, shell::OpenOutcome::Created);
    EXPECT_TRUE(r->carried);
    EXPECT_TRUE(d.failures.isEmpty()) << qPrintable(d.failures.join(QLatin1Char('\n')));
    EXPECT_EQ(d.pendingExpectations(), 0);
    EXPECT_EQ(p.label, shell::msg::kImportandoMesAnterior);
    EXPECT_EQ(p.maximum, 3);
    EXPECT_EQ(p.values, (QList<qint64>{2, 3}));

    EXPECT_EQ(countPeriod(s, QStringLiteral("Mes"), jan), 1);
    EXPECT_EQ(countPeriod(s, QStringLiteral("Produtos"), jan), 2);
    const QString where = QStringLiteral(" where NrAno = '2005' and NmMes = 'JAN' and CdCNPJEmpr = '11222333000181'");
    const QVariantList acido = row(s, QStringLiteral(
        "select CdProduto, CdNCM, NmProduto, VlConcentracao, VlDensidade, DsUnidade, QtEstoqueAnt, QtEstoqueAtual,"
        " CdProdutoControlado, QtProducao + QtTransformacao + QtUtilizacao + QtCompras + QtVendas + QtReciclagem"
        " + QtReaproveitamento + QtImportacao + QtExportacao + QtPerdas + QtEvaporacao + QtEntradasDiv + QtSaidasDiv,"
        " QtProducao is null or QtSaidasDiv is null from Produtos") + where + QStringLiteral(" and NmProduto = 'ACIDO'"));
    ASSERT_EQ(acido.size(), 11);
    const qint64 newAcido = acido[0].toLongLong();
    EXPECT_GT(newAcido, 9); // a new number, not the old one
    EXPECT_EQ(acido[1].toString(), QStringLiteral("2807.00.10"));
    EXPECT_DOUBLE_EQ(acido[3].toDouble(), 98.5);
    EXPECT_DOUBLE_EQ(acido[4].toDouble(), 0.1);
    EXPECT_EQ(acido[5].toString(), QStringLiteral("Kg"));
    EXPECT_DOUBLE_EQ(acido[6].toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(acido[7].toDouble(), 12.5);
    EXPECT_TRUE(acido[8].isNull());
    EXPECT_DOUBLE_EQ(acido[9].toDouble(), 0.0);
    EXPECT_EQ(acido[10].toInt(), 0);
    // Full precision, and an empty density stays empty.
    const QVariantList tolueno = row(s, QStringLiteral("select VlConcentracao, VlDensidade, QtEstoqueAnt, CdProduto from Produtos")
                                            + where + QStringLiteral(" and NmProduto = 'TOLUENO'"));
    ASSERT_EQ(tolueno.size(), 4);
    EXPECT_EQ(tolueno[0].toDouble(), 0.30000000000000004);
    EXPECT_TRUE(tolueno[1].isNull());
    EXPECT_EQ(tolueno[2].toDouble(), 2.125);
    EXPECT_GT(tolueno[3].toLongLong(), newAcido); // key order kept

    // Final products hang under the new product; quantity copied unchanged.
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from ProdutoFinal") + where).toInt(), 3);
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from ProdutoFinal") + where
                       + QStringLiteral(" and CdProduto = %1").arg(newAcido)).toInt(), 3);
    const QVariantList mistura = row(s, QStringLiteral("select CdProdFinal, VlDensidade, QtProdFinal, DsUnidade, CdNCM,"
                                                       " CdProdControlado from ProdutoFinal")
                                            + where + QStringLiteral(" and NmProduto = 'MISTURA'"));
    ASSERT_EQ(mistura.size(), 6);
    EXPECT_GT(mistura[0].toLongLong(), 23);
    EXPECT_DOUBLE_EQ(mistura[1].toDouble(), 1.25);
    EXPECT_DOUBLE_EQ(mistura[2].toDouble(), 40.5);
    EXPECT_EQ(mistura[3].toString(), QStringLiteral("Kg"));
    EXPECT_EQ(mistura[4].toString(), QStringLiteral("3824.90.00"));
    EXPECT_TRUE(mistura[5].isNull());
    // Substances under the new final products; the final product without
    // substances and the product without final products carry none.
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from SubstanciaPresente") + where).toInt(), 3);
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from SubstanciaPresente s join ProdutoFinal f on"
                                      " f.CdCNPJEmpr = s.CdCNPJEmpr and f.NrAno = s.NrAno and f.NmMes = s.NmMes"
                                      " and f.CdProduto = s.CdProduto and f.CdProdFinal = s.CdProdFinal"
                                      " where s.NrAno = '2005' and s.NmProduto = 'XILENO' and f.NmProduto = 'DILUIDO'"))
                  .toInt(),
              1);
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from SubstanciaPresente") + where
                       + QStringLiteral(" and CdProduto = %1 and CdProdFinal = %2 and CdProdControlado is null")
                             .arg(newAcido)
                             .arg(mistura[0].toLongLong()))
                  .toInt(),
              2);
    EXPECT_DOUBLE_EQ(s.scalar(QStringLiteral("select VlConcentracao from SubstanciaPresente") + where
                              + QStringLiteral(" and NmProduto = 'ACIDO'")).toDouble(),
                     10.5);

    const QVariantList arm = row(s, QStringLiteral("select CdNCM, NmProduto, VlConcentracao, QtEstoqueAnt, QtEstoqueAtual,"
                                                   " DsUnidade, CdProprietario from Armazenagem") + where);
    ASSERT_EQ(arm.size(), 7);
    EXPECT_EQ(arm[1].toString(), QStringLiteral("TOLUENO"));
    EXPECT_DOUBLE_EQ(arm[2].toDouble(), 99.0);
    EXPECT_DOUBLE_EQ(arm[3].toDouble(), 7.75);
    EXPECT_DOUBLE_EQ(arm[4].toDouble(), 7.75);
    EXPECT_EQ(arm[5].toString(), QStringLiteral("litro"));
    EXPECT_EQ(arm[6].toString(), kOther);

    for (const QString &t : {QStringLiteral("Movimentacao"), QStringLiteral("Importacao"), QStringLiteral("MovArmazenagem"),
                             QStringLiteral("Transporte"), QStringLiteral("Residuo"), QStringLiteral("Isolado"),
                             QStringLiteral("MovResiduo"), QStringLiteral("Observacoes")})
        EXPECT_EQ(countPeriod(s, t, jan), 0) << qPrintable(t);
    // The previous month is left as it was.
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from Produtos where NrAno = '2004' and NmMes = 'DEZ'")).toInt(), 3);
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from SubstanciaPresente where NmProduto = 'ORFA'")).toInt(), 2);
}

// Each carried substance must hang under the copy of its own final product
// and product, also when other workstations take numbers while the copies
// are made. On the server a trigger takes a number of the counters after
// every copied row, as another workstation inserting at the same moment
// would; the copies then get numbers with gaps between them.
TEST(OpenPeriod, CarriedRowsKeepTheirParentsWhenNumbersAreTakenInBetween)
{
    TempStore s;
    previousMonth(s);
    if (s.server()) {
        s.exec(QStringLiteral("create function tomar_numero() returns trigger language plpgsql as $f$ begin"
                              " perform nextval(lower(TG_TABLE_NAME) || '_numero'); return null; end $f$"));
        for (const char *t : {"Produtos", "ProdutoFinal", "SubstanciaPresente"})
            s.exec(QStringLiteral("create trigger tomar_numero after insert on %1 for each row"
                                  " when (NEW.NrAno = '2005') execute function tomar_numero()")
                       .arg(QLatin1String(t)));
    }
    auto family = [&](const QString &ano, const QString &mes) {
        QSqlDatabase db = s.db();
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral(
            "select p.NmProduto, f.NmProduto, s.NmProduto from SubstanciaPresente s"
            " join ProdutoFinal f on f.CdCNPJEmpr = s.CdCNPJEmpr and f.NrAno = s.NrAno and f.NmMes = s.NmMes"
            " and f.CdProduto = s.CdProduto and f.CdProdFinal = s.CdProdFinal"
            " join Produtos p on p.CdCNPJEmpr = f.CdCNPJEmpr and p.NrAno = f.NrAno and p.NmMes = f.NmMes"
            " and p.CdProduto = f.CdProduto"
            " where s.CdCNPJEmpr = '11222333000181' and s.NrAno = '%1' and s.NmMes = '%2'"
            " order by 1, 2, 3").arg(ano, mes)));
        QStringList out;
        while (q.next())
            out.append(q.value(0).toString() + QLatin1Char('/') + q.value(1).toString() + QLatin1Char('/')
                       + q.value(2).toString());
        return out;
    };
    const QStringList before = family(QStringLiteral("2004"), QStringLiteral("DEZ"));
    ASSERT_EQ(before.size(), 3);

    QSqlDatabase db = s.db();
    ScriptedDialogs d;
    d.setDefaultAnswer(Answer::Yes);
    ASSERT_OK(shell::openPeriod(db, {kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")}, d, noProgress()));
    EXPECT_EQ(family(QStringLiteral("2005"), QStringLiteral("JAN")), before);
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from SubstanciaPresente where NrAno = '2005'")).toInt(), 3);
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from ProdutoFinal where NrAno = '2005'")).toInt(), 3);
}

TEST(OpenPeriod, ExistingDeclinedAndFirstPeriods)
{
    TempStore s;
    previousMonth(s);
    QSqlDatabase db = s.db();
    const QStringList before = dump(s);

    // An existing period (the month compared without regard to case) asks nothing.
    ScriptedDialogs d;
    Result<shell::Opened> r = shell::openPeriod(db, {kCnpj, QStringLiteral("2004"), QStringLiteral("dez")}, d, noProgress());
    ASSERT_OK(r);
    EXPECT_EQ(r->outcome, shell::OpenOutcome::Existing);
    EXPECT_EQ(r->period.mes, QStringLiteral("DEZ"));
    EXPECT_TRUE(d.messages.isEmpty());

    // "Não" creates nothing.
    d.expect(Kind::Confirm, shell::msg::kIncluirPeriodo, Answer::No);
    r = shell::openPeriod(db, {kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")}, d, noProgress());
    ASSERT_OK(r);
    EXPECT_EQ(r->outcome, shell::OpenOutcome::Declined);
    EXPECT_EQ(dump(s), before);

    // No previous period: only the Mes row, and no message after the question.
    d.clear();
    d.setDefaultAnswer(Answer::Yes);
    const PeriodKey far{kCnpj, QStringLiteral("2030"), QStringLiteral("JUL")};
    r = shell::openPeriod(db, far, d, noProgress());
    ASSERT_OK(r);
    EXPECT_EQ(r->outcome, shell::OpenOutcome::Created);
    EXPECT_FALSE(r->carried);
    EXPECT_EQ(d.texts(), QStringList{shell::msg::kIncluirPeriodo});
    EXPECT_EQ(countPeriod(s, QStringLiteral("Mes"), far), 1);
    EXPECT_EQ(dump(s).size(), before.size() + 1);
}

TEST(OpenPeriod, AStoreFailureLeavesNoTraceOfTheNewMonth)
{
    TempStore s;
    previousMonth(s);
    // The second substance copied into 2005 is refused.
    s.refuse(QStringLiteral("falha"), QStringLiteral("insert"), QStringLiteral("SubstanciaPresente"),
             QStringLiteral("falha simulada"), QStringLiteral("(select count(*) from SubstanciaPresente where NrAno = '2005') >= 1"));
    const QStringList before = dump(s);
    QSqlDatabase db = s.db();
    ScriptedDialogs d;
    d.setDefaultAnswer(Answer::Yes);
    Result<shell::Opened> r = shell::openPeriod(db, {kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")}, d, noProgress());
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.message(), store::msg::kFalhaRecusado);
    EXPECT_EQ(d.texts(), QStringList{shell::msg::kIncluirPeriodo}); // no success message
    EXPECT_EQ(dump(s), before);
    // The store is usable afterwards: the next attempt, without the fault, works.
    s.dropRefusal(QStringLiteral("falha"), QStringLiteral("SubstanciaPresente"));
    ASSERT_OK(shell::openPeriod(db, {kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")}, d, noProgress()));
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from SubstanciaPresente where NrAno = '2005'")).toInt(), 3);
}

TEST(Deletion, PeriodAndCompanyRemoveOnlyTheirRows)
{
    TempStore s;
    addCompany(s, kCnpj, QStringLiteral("A"));
    addCompany(s, kOther, QStringLiteral("B"));
    const PeriodKey jan{kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")};
    const PeriodKey fev{kCnpj, QStringLiteral("2005"), QStringLiteral("FEV")};
    const PeriodKey janPrev{kCnpj, QStringLiteral("2004"), QStringLiteral("JAN")};
    const PeriodKey other{kOther, QStringLiteral("2005"), QStringLiteral("JAN")};
    for (const PeriodKey &k : {jan, fev, janPrev, other})
        fillPeriod(s, k);
    QSqlDatabase db = s.db();

    ASSERT_OK(shell::deletePeriod(db, jan));
    for (const QString &t : shell::periodTables()) {
        EXPECT_EQ(countPeriod(s, t, jan), 0) << qPrintable(t);
        EXPECT_EQ(countPeriod(s, t, fev), 1) << qPrintable(t);
        EXPECT_EQ(countPeriod(s, t, janPrev), 1) << qPrintable(t);
        EXPECT_EQ(countPeriod(s, t, other), 1) << qPrintable(t);
    }
    EXPECT_EQ(countKey(s, QStringLiteral("Empresa"), kCnpj), 1);

    ASSERT_OK(shell::deleteCompany(db, kCnpj));
    EXPECT_EQ(countKey(s, QStringLiteral("Empresa"), kCnpj), 0);
    for (const QString &t : shell::periodTables()) {
        EXPECT_EQ(countKey(s, t, kCnpj), 0) << qPrintable(t);
        EXPECT_EQ(countPeriod(s, t, other), 1) << qPrintable(t);
    }
    EXPECT_EQ(countKey(s, QStringLiteral("Empresa"), kOther), 1);
}

TEST(Deletion, AStoreFailureLeavesEveryTableAsItWas)
{
    TempStore s;
    addCompany(s, kCnpj, QStringLiteral("A"));
    const PeriodKey jan{kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")};
    fillPeriod(s, jan);
    fillPeriod(s, {kCnpj, QStringLiteral("2005"), QStringLiteral("FEV")});
    // Products come ninth in the order: Mes and seven annex tables go first.
    s.refuse(QStringLiteral("falha"), QStringLiteral("delete"), QStringLiteral("Produtos"), QStringLiteral("falha simulada"));
    const QStringList before = dump(s);
    QSqlDatabase db = s.db();

    Status st = shell::deletePeriod(db, jan);
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(st.message(), store::msg::kFalhaRecusado);
    EXPECT_EQ(dump(s), before);

    st = shell::deleteCompany(db, kCnpj);
    ASSERT_FALSE(st.ok());
    EXPECT_EQ(dump(s), before);

    ScriptedDialogs d;
    d.setDefaultAnswer(Answer::Yes);
    Result<shell::DeleteOutcome> r = shell::confirmAndDeletePeriod(db, jan, QStringLiteral("A"), d);
    ASSERT_FALSE(r.ok());
    EXPECT_FALSE(d.texts().contains(shell::msg::kPeriodoExcluido));
    EXPECT_EQ(dump(s), before);
}

TEST(Deletion, ConfirmationsHooksAndMessages)
{
    TempStore s;
    addCompany(s, kCnpj, QStringLiteral("QUIMICA SA"));
    const PeriodKey jan{kCnpj, QStringLiteral("2005"), QStringLiteral("JAN")};
    fillPeriod(s, jan);
    QSqlDatabase db = s.db();
    const QStringList before = dump(s);
    const QString periodQuestion = QStringLiteral(
        "Você tem certeza que deseja excluir todo o movimento do mês de JAN/2005\r da empresa : QUIMICA SA?");
    const QString companyQuestion =
        QStringLiteral("Você tem certeza que deseja excluir a empresa \rQUIMICA SA\re todas as informações nela contidas?");
    EXPECT_EQ(shell::msg::excluirPeriodoPergunta(QStringLiteral("JAN"), QStringLiteral("2005"), QStringLiteral("QUIMICA SA")),
              periodQuestion);

    // A missing period: the include question, whatever the answer, changes nothing.
    for (Answer a : {Answer::Yes, Answer::No}) {
        ScriptedDialogs d;
        d.expect(Kind::Confirm, shell::msg::kIncluirPeriodo, a);
        Result<shell::DeleteOutcome> r = shell::confirmAndDeletePeriod(
            db, {kCnpj, QStringLiteral("2005"), QStringLiteral("MAR")}, QStringLiteral("QUIMICA SA"), d);
        ASSERT_OK(r);
        EXPECT_EQ(*r, shell::DeleteOutcome::NoSuchPeriod);
        EXPECT_TRUE(d.failures.isEmpty()) << qPrintable(d.failures.join(QLatin1Char('\n')));
        EXPECT_EQ(d.messages.size(), 1);
        EXPECT_EQ(dump(s), before);
    }

    // "Não", and a company that refuses to close, delete nothing.
    ScriptedDialogs d;
    d.expect(Kind::Confirm, periodQuestion, Answer::No);
    ASSERT_OK(shell::confirmAndDeletePeriod(db, jan, QStringLiteral("QUIMICA SA"), d));
    shell::DeletionHooks refuse;
    refuse.closeCompany = [] { return false; };
    d.expect(Kind::Confirm, companyQuestion, Answer::Yes);
    Result<shell::DeleteOutcome> r = shell::confirmAndDeleteCompany(db, kCnpj, QStringLiteral("QUIMICA SA"), d, refuse);
    ASSERT_OK(r);
    EXPECT_EQ(*r, shell::DeleteOutcome::Declined);
    EXPECT_EQ(dump(s), before);

    // "Sim": the company closes while its rows still exist, then the rows go,
    // the store reconnects and the success message follows.
    QStringList calls;
    shell::DeletionHooks hooks;
    hooks.closeCompany = [&] {
        calls << QStringLiteral("close %1").arg(countPeriod(s, QStringLiteral("Mes"), jan));
        return true;
    };
    hooks.reconnect = [&] { calls << QStringLiteral("reconnect %1").arg(countPeriod(s, QStringLiteral("Mes"), jan)); };
    d.expect(Kind::Confirm, periodQuestion, Answer::Yes);
    d.expect(Kind::Information, shell::msg::kPeriodoExcluido);
    r = shell::confirmAndDeletePeriod(db, jan, QStringLiteral("QUIMICA SA"), d, hooks);
    ASSERT_OK(r);
    EXPECT_EQ(*r, shell::DeleteOutcome::Deleted);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("close 1"), QStringLiteral("reconnect 0")}));
    EXPECT_EQ(countKey(s, QStringLiteral("Produtos"), kCnpj), 0);

    d.expect(Kind::Confirm, companyQuestion, Answer::Yes);
    d.expect(Kind::Information, shell::msg::kEmpresaExcluida);
    ASSERT_OK(shell::confirmAndDeleteCompany(db, kCnpj, QStringLiteral("QUIMICA SA"), d, hooks));
    EXPECT_EQ(countKey(s, QStringLiteral("Empresa"), kCnpj), 0);
    EXPECT_TRUE(d.failures.isEmpty()) << qPrintable(d.failures.join(QLatin1Char('\n')));
    EXPECT_EQ(d.pendingExpectations(), 0);
}
