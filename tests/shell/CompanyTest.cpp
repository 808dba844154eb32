#include "shell/Company.h"
#include "shell/Messages.h"
#include "store/Messages.h"
#include "store/StoreError.h"
#include "support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace quirels;
using namespace quirels::shell;

namespace {

const QString kCpf = QStringLiteral("12345678909");
const QString kCnpj = QStringLiteral("11222333000181");
const QString kOther = QStringLiteral("11444777000161");

// One row carrying the key in each of the thirteen tables, plus the company.
void fillCompany(test::TempStore &s, const QString &key)
{
    s.exec(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao) values ('%1', 'EMPRESA %1')").arg(key));
    for (const QString &t : keyChangeTables()) {
        if (t == QLatin1String("FatorUnidade")) { // no period: the factors of the company
            s.exec(QStringLiteral("insert into FatorUnidade (CdCNPJEmpr, CdEmitente, CdProdutoNF, SgUnidadeNF) "
                                  "values ('%1', '1', 'P', 'GL')").arg(key));
            continue;
        }
        QString extra, extraValue;
        if (t == QLatin1String("Observacoes")) {
            extra = QStringLiteral(", Anexo");
            extraValue = QStringLiteral(", 'A'");
        } else if (t == QLatin1String("NFeImportada")) {
            extra = QStringLiteral(", CdChave");
            extraValue = QStringLiteral(", 'K'");
        }
        s.exec(QStringLiteral("insert into %1 (CdCNPJEmpr, NrAno, NmMes%2) values ('%3', '2005', 'MAR'%4)")
                   .arg(t, extra, key, extraValue));
    }
}

int rowsOf(test::TempStore &s, const QString &table, const QString &key)
{
    return s.scalar(QStringLiteral("select count(*) from %1 where CdCNPJEmpr = '%2'").arg(table, key)).toInt();
}

} // namespace

TEST(Company, GroupRuleLettersAndWindows)
{
    Groups none{};
    EXPECT_EQ(lettersFor(none), QString());
    Groups ix{};
    ix[8] = true;
    EXPECT_EQ(lettersFor(ix), QStringLiteral("GHDEFABC"));
    struct Case {
        int group;
        const char *letters;
    };
    const Case cases[] = {{1, "ABC"}, {2, "ABC"}, {3, "ABC"}, {4, "GH"}, {5, "ABC"},
                          {6, "ABC"}, {7, "DE"},  {8, "F"}};
    for (const Case &c : cases) {
        Groups g{};
        g[static_cast<size_t>(c.group - 1)] = true;
        EXPECT_EQ(lettersFor(g), QString::fromLatin1(c.letters)) << c.group;
    }
    Groups mixed{};
    mixed[7] = mixed[3] = true; // VIII and IV: G before F, as the rows are ordered
    EXPECT_EQ(lettersFor(mixed), QStringLiteral("GHF"));
    EXPECT_EQ(annex(QLatin1Char('C'))->buttonHint(),
              QStringLiteral("Anexo XI-C\nQuirel de Controle de Importação e Exportação de Produtos Químicos"));
}

TEST(Company, ObservationRowsAreCreatedOnce)
{
    test::TempStore s;
    QSqlDatabase db = s.db();
    const PeriodKey p{kCpf, QStringLiteral("2005"), QStringLiteral("MAR")};
    s.exec(QStringLiteral("insert into Observacoes (CdCNPJEmpr, NrAno, NmMes, Anexo, Observacao) "
                          "values ('12345678909', '2005', 'MAR', 'D', 'texto')"));
    Result<int> first = ensureObservationRows(db, p, QStringLiteral("GHDEFABC"));
    ASSERT_OK(first);
    EXPECT_EQ(*first, 7);
    Result<int> second = ensureObservationRows(db, p, QStringLiteral("GHDEFABC"));
    ASSERT_OK(second);
    EXPECT_EQ(*second, 0);
    EXPECT_EQ(rowsOf(s, QStringLiteral("Observacoes"), kCpf), 8);
    EXPECT_EQ(s.scalar(QStringLiteral("select Observacao from Observacoes where Anexo = 'D'")).toString(),
              QStringLiteral("texto"));
    // Another period of the same company is a separate set.
    ASSERT_OK(ensureObservationRows(db, PeriodKey{kCpf, QStringLiteral("2005"), QStringLiteral("ABR")},
                                    QStringLiteral("F")));
    EXPECT_EQ(rowsOf(s, QStringLiteral("Observacoes"), kCpf), 9);
}

TEST(Company, NewPeriodLimits)
{
    const QDate today(2006, 5, 17);
    struct Case {
        const char *month;
        const char *year;
        const QString *message;
        const QString *control;
    };
    const Case cases[] = {
        {"MAI", "2006", nullptr, nullptr},                           // the current month itself
        {"JAN", "2003", nullptr, nullptr},
        {"DEZ", "2005", nullptr, nullptr},
        {"JUN", "2006", &msg::kMesMaiorQueCorrente, &kMonthList},
        {"JAN", "2007", &msg::kAnoMaiorQueCorrente, &kYearList},     // the year is checked first
        {"", "2006", &msg::kInformeMesReferencia, &kMonthList},
        {"MAI", "", &msg::kInformeAnoReferencia, &kYearList},
    };
    for (const Case &c : cases) {
        const FieldCheck r = checkNewPeriod(QString::fromLatin1(c.month), QString::fromLatin1(c.year), today);
        EXPECT_EQ(r.message, c.message ? *c.message : QString()) << c.month << c.year;
        EXPECT_EQ(r.control, c.control ? *c.control : QString()) << c.month << c.year;
    }
}

TEST(Company, RegistrationAndLookup)
{
    test::TempStore s;
    QSqlDatabase db = s.db();
    const PeriodKey p{kCpf, QStringLiteral("2005"), QStringLiteral("MAR")};
    EXPECT_EQ(*lookupPeriod(db, p), PeriodLookup::NoCompany);
    ASSERT_OK(createCompany(db, p, QStringLiteral("D'ÁVILA LTDA")));
    EXPECT_EQ(s.scalar(QStringLiteral("select NmRazao from Empresa where CdCNPJEmpr = '12345678909'")).toString(),
              QStringLiteral("D'ÁVILA LTDA"));
    EXPECT_EQ(s.scalar(QStringLiteral("select FlGrupoIX from Empresa")).toInt(), 0);
    EXPECT_EQ(*lookupPeriod(db, p), PeriodLookup::PeriodExists);
    EXPECT_EQ(*lookupPeriod(db, PeriodKey{kCpf, QStringLiteral("2005"), QStringLiteral("mar")}),
              PeriodLookup::PeriodExists);
    const PeriodKey abr{kCpf, QStringLiteral("2005"), QStringLiteral("ABR")};
    EXPECT_EQ(*lookupPeriod(db, abr), PeriodLookup::NoPeriod);
    ASSERT_OK(createPeriod(db, abr));
    EXPECT_EQ(*lookupPeriod(db, abr), PeriodLookup::PeriodExists);
    // A company that exists is not inserted twice, and its period is not left behind.
    EXPECT_FALSE(createCompany(db, PeriodKey{kCpf, QStringLiteral("2005"), QStringLiteral("MAI")}, QStringLiteral("X")).ok());
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from Mes where NmMes = 'MAI'")).toInt(), 0);
}

TEST(Company, KeyChangeMovesEveryRowOfTheCompany)
{
    test::TempStore s;
    QSqlDatabase db = s.db();
    fillCompany(s, kCpf);
    fillCompany(s, kOther);
    Result<KeyChange> r = changeCompanyKey(db, kCpf, kCnpj);
    ASSERT_OK(r);
    EXPECT_EQ(*r, KeyChange::Renamed);
    QStringList all = keyChangeTables();
    all.append(QStringLiteral("Empresa"));
    for (const QString &t : all) {
        EXPECT_EQ(rowsOf(s, t, kCpf), 0) << qPrintable(t);
        EXPECT_EQ(rowsOf(s, t, kCnpj), 1) << qPrintable(t);
        EXPECT_EQ(rowsOf(s, t, kOther), 1) << qPrintable(t);
    }
}

TEST(Company, KeyChangeToAnExistingNumberChangesNothing)
{
    test::TempStore s;
    QSqlDatabase db = s.db();
    fillCompany(s, kCpf);
    fillCompany(s, kOther);
    Result<KeyChange> r = changeCompanyKey(db, kCpf, kOther);
    ASSERT_OK(r);
    EXPECT_EQ(*r, KeyChange::Exists);
    for (const QString &t : keyChangeTables()) {
        EXPECT_EQ(rowsOf(s, t, kCpf), 1) << qPrintable(t);
        EXPECT_EQ(rowsOf(s, t, kOther), 1) << qPrintable(t);
    }
}

TEST(Company, KeyChangeFailureLeavesEveryTableAsItWas)
{
    test::TempStore s;
    QSqlDatabase db = s.db();
    fillCompany(s, kCpf);
    // The last table of the sequence refuses the change.
    s.refuse(QStringLiteral("refuse"), QStringLiteral("update"), QStringLiteral("Transporte"), QStringLiteral("Transporte bloqueado"));
    Result<KeyChange> r = changeCompanyKey(db, kCpf, kCnpj);
    ASSERT_FALSE(r.ok());
    // The user reads that the store refused; the trigger's own text is in the log.
    EXPECT_EQ(r.message(), store::msg::kFalhaRecusado);
    QFile log(store::logPath(s.folder()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Transporte bloqueado"));
    QStringList all = keyChangeTables();
    all.append(QStringLiteral("Empresa"));
    for (const QString &t : all) {
        EXPECT_EQ(rowsOf(s, t, kCpf), 1) << qPrintable(t);
        EXPECT_EQ(rowsOf(s, t, kCnpj), 0) << qPrintable(t);
    }
}
