#include "StoredRows.h"

#include "Messages.h"
#include "base/Numbers.h"
#include "shell/CpfCnpj.h"
#include "shell/RowRules.h"
#include "store/Dialect.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <vector>

namespace quirels::validation {

namespace {

// One table of the month: its annex, where the user finds it, the fields
// that hold CPF/CNPJ numbers and the fields a row cannot go without ("A|B":
// one of the two).
struct TableRules {
    const char *table;
    char annex;
    const char *location;
    std::vector<const char *> numbers;
    std::vector<const char *> required;
    bool dated = false;
};

const std::vector<TableRules> &tableRules()
{
    static const std::vector<TableRules> all{
        {"Produtos", 'A', "Anexo XI-A [1. Demonstrativo Geral]", {}, {"CdNCM|NmProduto"}},
        {"ProdutoFinal", 'A', "Anexo XI-A [2. Especificações sobre o Produto Final Obtido]", {}, {}},
        {"SubstanciaPresente", 'A', "Anexo XI-A [2. Especificações sobre o Produto Final Obtido]", {}, {}},
        {"Movimentacao", 'B', "Anexo XI-B", {"CdFornecedor", "CdTransportadora"},
         {"NrDia", "NrCFOP", "CdNCM|NmProduto", "VlQuantidade"}, true},
        {"Importacao", 'C', "Anexo XI-C", {"CdTransportadora"}, {"CdNCM|NmProduto"}},
        {"Armazenagem", 'D', "Anexo XI-D", {"CdProprietario"}, {"CdNCM|NmProduto"}},
        {"MovArmazenagem", 'E', "Anexo XI-E", {"CdProprietario", "CdTransportadora"}, {"CdNCM|NmProduto"}, true},
        {"Transporte", 'F', "Anexo XI-F", {"CdEmbarcador", "CdDestinatario"}, {"CdNCM|NmProduto"}, true},
        {"Residuo", 'G', "Anexo XI-G", {}, {"CdNCM|NmProduto"}},
        {"Isolado", 'G', "Anexo XI-G", {}, {}},
        {"MovResiduo", 'H', "Anexo XI-H", {"CdFornecedor", "CdTransportadora"}, {"CdNCM|NmProduto"}, true},
    };
    return all;
}

bool blank(const QVariant &v) { return v.isNull() || v.toString().trimmed().isEmpty(); }

// A counterpart number in stored form: empty, or the 11 digits of a CPF or
// the 14 of a CNPJ. Its check digits are the entry screen's to test as it is
// typed; counterparts of other systems' files are taken as they stand.
bool goodNumber(const QString &n)
{
    const QString t = n.trimmed();
    return t.isEmpty() || shell::isCpfCnpjForm(t);
}

QString shownNumber(double v) { return numbers::general(v); }

// The line names the table, the record and the field, so that the report
// can take the clerk to the field at fault.
CheckLine errorAt(const TableRules &t, int row, int number, const QString &field, const QString &status)
{
    return CheckLine{LineKind::Error, status,
                     QStringLiteral("%1 [%2, registro %3]").arg(QString::fromUtf8(t.location), QString::fromLatin1(t.table)).arg(row),
                     Place::Annex, QLatin1Char(t.annex), number, QString::fromLatin1(t.table), field};
}

// Every character QString::trimmed() drops: a stored text of nothing else is
// a field not given.
QString blanks()
{
    static const QString all = [] {
        QString s;
        for (char32_t c = 1; c < 0x10000; ++c)
            if (QChar::isSpace(c))
                s.append(QChar(static_cast<char16_t>(c)));
        return s;
    }();
    return all;
}

// The condition under which a row of the table may break one of its rules.
// Every row that breaks one meets it, so a month whose rows all pass is one
// scan of the store and nothing is read; the few rows that meet it are then
// read and checked value by value below (some pass after all: a number with
// blanks around it, an empty day). `binds` receives the values of its
// placeholders, in order.
QString suspectRows(const QSqlDatabase &db, const TableRules &t, const schema::Table &table, const PeriodKey &period,
                    QVariantList &binds)
{
    const bool server = store::dialect::isServer(db);
    QStringList any;
    for (const char *f : t.numbers) {
        const QString n = sql::id(QString::fromLatin1(f));
        // Exactly empty, or exactly 11 or 14 digits, always passes.
        const QString digits = server ? QStringLiteral("%1 ~ '^[0-9]+$'").arg(n)
                                      : QStringLiteral("%1 NOT GLOB '*[^0-9]*'").arg(n);
        const QString text = server ? QString() : QStringLiteral("typeof(%1) = 'text' AND ").arg(n);
        any.append(QStringLiteral("NOT (%1 IS NULL OR (%2(%1 = '' OR (length(%1) IN (11, 14) AND %3))))").arg(n, text, digits));
    }
    for (const schema::Field &f : table.fields) {
        if (f.type != schema::Type::Float)
            continue;
        const QString n = sql::id(f.qname());
        QString c;
        if (f.max100)
            c = QStringLiteral("%1 < 0 OR %1 > 100").arg(n);
        else if (shell::mayNotBeNegative(f))
            c = QStringLiteral("%1 < 0").arg(n);
        else
            continue;
        // A text in a number column of SQLite reads as whatever it spells.
        if (!server)
            c += QStringLiteral(" OR typeof(%1) IN ('text', 'blob')").arg(n);
        any.append(c);
    }
    for (const char *r : t.required) {
        QStringList none;
        for (const QString &f : QString::fromLatin1(r).split(QLatin1Char('|'))) {
            const QString n = sql::id(f);
            const schema::Field *field = table.field(f);
            if (field && !field->isText()) {
                // A number is never blank; on SQLite the column may hold a text.
                none.append(server ? QStringLiteral("%1 IS NULL").arg(n)
                                   : QStringLiteral("(%1 IS NULL OR (typeof(%1) IN ('text', 'blob')"
                                                    " AND trim(CAST(%1 AS TEXT), ?) = ''))").arg(n));
                if (!server)
                    binds.append(blanks());
                continue;
            }
            // Only a text that is empty or begins with a blank, a control
            // character or a character beyond ASCII is trimmed.
            none.append(QStringLiteral("(%1 IS NULL OR ((%1 < ? OR %1 >= ?) AND %2(CAST(%1 AS TEXT), ?) = ''))")
                            .arg(n, server ? QStringLiteral("btrim") : QStringLiteral("trim")));
            binds.append(QStringLiteral("!"));
            binds.append(QString(QChar(0x80)));
            binds.append(blanks());
        }
        any.append(none.join(QStringLiteral(" AND ")));
    }
    if (t.dated) {
        // The spellings of the month's days that pass; anything else is read.
        QStringList days;
        for (int d = 1; d <= 31; ++d)
            for (const QString &s : {QString::number(d), QStringLiteral("%1").arg(d, 2, 10, QLatin1Char('0'))})
                if (!days.contains(sql::quote(s)) && shell::isValidDay(s, period.mes, period.ano))
                    days.append(sql::quote(s));
        const QString n = sql::id(QStringLiteral("NrDia"));
        any.append(days.isEmpty() ? QStringLiteral("%1 IS NOT NULL").arg(n)
                                  : QStringLiteral("NOT (%1 IS NULL OR %1 IN (%2))").arg(n, days.join(QStringLiteral(", "))));
    }
    return QLatin1Char('(') + any.join(QStringLiteral(") OR (")) + QLatin1Char(')');
}

Result<QSqlQuery> run(QSqlDatabase &db, const QString &statement, const QVariantList &binds)
{
    QSqlQuery q(db);
    sql::forwardOnly(q);
    if (Status s = sql::execBound(q, statement, binds, 2); !s)
        return s.error();
    return q;
}

} // namespace

Result<StoredRowFindings> checkStoredRows(QSqlDatabase &db, const PeriodKey &period)
{
    StoredRowFindings out;

    // The company key: the digits of a CPF or a CNPJ with their check digits.
    const QString key = period.cnpj.trimmed();
    const bool keyOk = key.size() == 14 ? cpfcnpj::isValidCnpj(key) : key.size() == 11 && cpfcnpj::isValidCpf(key);
    if (!keyOk)
        out.cnpj.append(CheckLine{LineKind::Error, msg::kStoredCompanyKey.arg(period.cnpj), msg::kLocCompany, Place::Company,
                                  QChar(), 0, QString(), QString()});

    for (const TableRules &t : tableRules()) {
        const schema::Table *table = schema::table(QString::fromLatin1(t.table));
        const schema::Field *counter = table->autoIncrement();
        const QString name = sql::id(table->qname());
        const QString order = counter ? sql::id(counter->qname()) : QStringLiteral("rowid");
        const QString month = QStringLiteral(" WHERE CdCNPJEmpr = ? AND NrAno = ? AND NmMes = ?");
        const QVariantList periodBinds{period.cnpj, period.ano, period.mes};
        QVariantList binds = periodBinds;
        const QString suspect = suspectRows(db, t, *table, period, binds);

        // Most months have no such row at all.
        Result<QSqlQuery> found = run(db, QStringLiteral("SELECT 1 FROM ") + name + month + QStringLiteral(" AND (") + suspect
                                              + QStringLiteral(") LIMIT 1"),
                                      binds);
        if (!found)
            return found.error();
        if (!found->next())
            continue;

        // The rows that meet the condition, each with its number in the
        // month's rows in key order.
        binds = periodBinds;
        const QString suspectOfNumbered = suspectRows(db, t, *table, period, binds);
        Result<QSqlQuery> rows = run(
            db,
            QStringLiteral("SELECT * FROM (SELECT ROW_NUMBER() OVER (ORDER BY %1) AS quirels_registro, %1 AS quirels_ordem, %2.* FROM %2")
                    .arg(order, name)
                + month + QStringLiteral(") AS numerados WHERE ") + suspectOfNumbered
                + QStringLiteral(" ORDER BY quirels_ordem"),
            binds);
        if (!rows)
            return rows.error();
        QSqlQuery &q = *rows;
        while (q.next()) {
            const QSqlRecord rec = q.record();
            const int row = rec.value(0).toInt();
            const auto value = [&](const char *f) { return rec.value(QString::fromLatin1(f)); };
            const int number = counter ? rec.value(counter->qname()).toInt() : 0;
            for (const char *f : t.numbers) {
                const QVariant v = value(f);
                if (!v.isNull() && !goodNumber(v.toString()))
                    out.cnpj.append(errorAt(t, row, number, QString::fromLatin1(f), msg::kStoredNumber.arg(QString::fromLatin1(f), v.toString())));
            }
            for (const schema::Field &f : table->fields) {
                if (f.type != schema::Type::Float)
                    continue;
                const QVariant v = rec.value(f.qname());
                if (v.isNull())
                    continue;
                const double d = v.toDouble();
                if (f.max100 && (d < 0 || d > 100))
                    out.invalid.append(errorAt(t, row, number, f.qname(), msg::kStoredOutOfRange.arg(f.qname(), shownNumber(d))));
                else if (d < 0 && shell::mayNotBeNegative(f))
                    out.negative.append(errorAt(t, row, number, f.qname(), msg::kStoredNegative.arg(f.qname(), shownNumber(d))));
            }
            for (const char *r : t.required) {
                const QStringList either = QString::fromLatin1(r).split(QLatin1Char('|'));
                bool given = false;
                for (const QString &f : either)
                    given = given || !blank(rec.value(f));
                if (!given)
                    out.required.append(errorAt(t, row, number, either.first(), msg::kStoredRequired.arg(either.join(QStringLiteral(" ou ")))));
            }
            if (t.dated) {
                const QVariant day = value("NrDia");
                if (!blank(day) && !shell::isValidDay(day.toString(), period.mes, period.ano)) {
                    for (int i = 0; i < 4; ++i)
                        if (kDatedAnnexes[i] == t.annex)
                            out.dates[i].append(errorAt(t, row, number, QStringLiteral("NrDia"),
                                                        msg::kStoredDay.arg(day.toString(), period.mes, period.ano)));
                }
            }
        }
    }
    return out;
}

} // namespace quirels::validation
