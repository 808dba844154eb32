#include "shell/PeriodChoice.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quirels;
using shell::PeriodUse;

namespace {

const QString kA = QStringLiteral("11222333000181");
const QString kB = QStringLiteral("12345678909");
const QString kNova = QStringLiteral("99888777000166");

PeriodKey key(const QString &cnpj, const char *ano, const char *mes)
{
    return PeriodKey{cnpj, QLatin1String(ano), QLatin1String(mes)};
}

} // namespace

TEST(PeriodChoice, NextMonthCrossesTheYear)
{
    EXPECT_EQ(shell::nextPeriod(key(kA, "2005", "MAR")), key(kA, "2005", "ABR"));
    EXPECT_EQ(shell::nextPeriod(key(kA, "2005", "DEZ")), key(kA, "2006", "JAN"));
    EXPECT_FALSE(shell::nextPeriod(key(kA, "2005", "XYZ")).isValid());
}

// Company A has FEV/2005, NOV/2005 and JAN/2006 (stored out of order, one in
// lower case); B has none. The month each window starts on.
TEST(PeriodChoice, StartsOnTheOpenMonthOrNextToTheLastOne)
{
    test::TempStore s;
    s.exec(QStringLiteral("insert into Empresa (CdCNPJEmpr, NmRazao) values ('%1', 'A'), ('%2', 'B')").arg(kA, kB));
    for (const char *p : {"'2006', 'JAN'", "'2005', 'fev'", "'2005', 'NOV'"})
        s.exec(QStringLiteral("insert into Mes (CdCNPJEmpr, NrAno, NmMes) values ('%1', %2)").arg(kA, QLatin1String(p)));
    QSqlDatabase db = s.db();

    Result<QList<PeriodKey>> months = shell::companyPeriods(db, kA);
    ASSERT_OK(months);
    EXPECT_EQ(*months, (QList<PeriodKey>{key(kA, "2005", "FEV"), key(kA, "2005", "NOV"), key(kA, "2006", "JAN")}));

    const PeriodKey none;
    const PeriodKey openA = key(kA, "2005", "NOV");
    const PeriodKey openB = key(kB, "2007", "MAI");
    struct Case {
        const char *what;
        QString cnpj;
        PeriodKey open;
        PeriodUse use;
        std::optional<PeriodKey> expected;
    } cases[] = {
        {"open: the open month of the company", kA, openA, PeriodUse::Open, key(kA, "2005", "NOV")},
        {"open, another company open: after the last", kA, openB, PeriodUse::Open, key(kA, "2006", "FEV")},
        {"open, nothing open: after the last", kA, none, PeriodUse::Open, key(kA, "2006", "FEV")},
        {"open, a company without months: the open month", kB, openA, PeriodUse::Open, key(kB, "2005", "NOV")},
        {"open, no months, nothing open: nothing", kB, none, PeriodUse::Open, std::nullopt},
        {"create: after the last even with a month open", kA, openA, PeriodUse::Create, key(kA, "2006", "FEV")},
        {"create, a new company: the open month", kNova, openB, PeriodUse::Create, key(kNova, "2007", "MAI")},
        {"delete: the open month", kA, openA, PeriodUse::Delete, key(kA, "2005", "NOV")},
        {"delete, not open: the last", kA, none, PeriodUse::Delete, key(kA, "2006", "JAN")},
        {"delete, no months: nothing", kB, openA, PeriodUse::Delete, std::nullopt},
    };
    for (const Case &c : cases) {
        Result<std::optional<PeriodKey>> got = shell::suggestedPeriod(db, c.cnpj, c.open, c.use);
        ASSERT_OK(got);
        EXPECT_EQ(got->has_value(), c.expected.has_value()) << c.what;
        if (got->has_value() && c.expected)
            EXPECT_EQ(**got, *c.expected) << c.what << ": " << qPrintable((*got)->mes + QLatin1Char('/') + (*got)->ano);
    }
}
