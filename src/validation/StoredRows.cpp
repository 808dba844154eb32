#include "StoredRows.h"

#include "Messages.h"
#include "base/Numbers.h"
#include "shell/CpfCnpj.h"
#include "shell/RowRules.h"
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

CheckLine errorAt(const TableRules &t, int row, int number, const QString &status)
{
    return CheckLine{LineKind::Error, status,
                     QStringLiteral("%1 [%2, registro %3]").arg(QString::fromUtf8(t.location), QString::fromLatin1(t.table)).arg(row),
                     Place::Annex, QLatin1Char(t.annex), number};
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
                                  QChar(), 0});

    for (const TableRules &t : tableRules()) {
        const schema::Table *table = schema::table(QString::fromLatin1(t.table));
        const schema::Field *counter = table->autoIncrement();
        QSqlQuery q(db);
        sql::forwardOnly(q);
        const QString order = counter ? sql::id(counter->qname()) : QStringLiteral("rowid");
        if (!q.prepare(QStringLiteral("SELECT * FROM %1 WHERE CdCNPJEmpr = ? AND NrAno = ? AND NmMes = ? ORDER BY %2")
                           .arg(sql::id(table->qname()), order)))
            return makeError(sql::errorText(q), 2);
        q.addBindValue(period.cnpj);
        q.addBindValue(period.ano);
        q.addBindValue(period.mes);
        if (!q.exec())
            return makeError(sql::errorText(q), 2);
        int row = 0;
        while (q.next()) {
            ++row;
            const QSqlRecord rec = q.record();
            const auto value = [&](const char *f) { return rec.value(QString::fromLatin1(f)); };
            const int number = counter ? rec.value(counter->qname()).toInt() : 0;
            for (const char *f : t.numbers) {
                const QVariant v = value(f);
                if (!v.isNull() && !goodNumber(v.toString()))
                    out.cnpj.append(errorAt(t, row, number, msg::kStoredNumber.arg(QString::fromLatin1(f), v.toString())));
            }
            for (const schema::Field &f : table->fields) {
                if (f.type != schema::Type::Float)
                    continue;
                const QVariant v = rec.value(f.qname());
                if (v.isNull())
                    continue;
                const double d = v.toDouble();
                if (f.max100 && (d < 0 || d > 100))
                    out.invalid.append(errorAt(t, row, number, msg::kStoredOutOfRange.arg(f.qname(), shownNumber(d))));
                else if (d < 0 && shell::mayNotBeNegative(f))
                    out.negative.append(errorAt(t, row, number, msg::kStoredNegative.arg(f.qname(), shownNumber(d))));
            }
            for (const char *r : t.required) {
                const QStringList either = QString::fromLatin1(r).split(QLatin1Char('|'));
                bool given = false;
                for (const QString &f : either)
                    given = given || !blank(rec.value(f));
                if (!given)
                    out.required.append(errorAt(t, row, number, msg::kStoredRequired.arg(either.join(QStringLiteral(" ou ")))));
            }
            if (t.dated) {
                const QVariant day = value("NrDia");
                if (!blank(day) && !shell::isValidDay(day.toString(), period.mes, period.ano)) {
                    for (int i = 0; i < 4; ++i)
                        if (kDatedAnnexes[i] == t.annex)
                            out.dates[i].append(errorAt(t, row, number,
                                                        msg::kStoredDay.arg(day.toString(), period.mes, period.ano)));
                }
            }
        }
    }
    return out;
}

} // namespace quirels::validation
