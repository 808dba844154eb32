#include "NfeImport.h"

#include "Messages.h"
#include "NfeCores.h"
#include "NfeScreens.h"
#include "store/Schema.h"
#include "store/ReferenceTables.h"
#include "store/Sql.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <algorithm>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>

namespace quirels::exchange::nfe {

namespace {

const QString kBrokenKey = QStringLiteral("\x1f");

// Month order of the period key, for "the latest row" in SQL.
const QString kMonthOrder =
    QStringLiteral("instr('JANFEVMARABRMAIJUNJULAGOSETOUTNOVDEZ', upper(NmMes))");

struct KnownUnit {
    const char *name;
    const char *unit;
    double factor;
};

// Units that need no factor. Anything else is asked once per product code.
const KnownUnit kUnits[] = {
    {"KG", "Kg", 1},         {"KGS", "Kg", 1},          {"QUILO", "Kg", 1},       {"QUILOS", "Kg", 1},
    {"L", "litro", 1},       {"LT", "litro", 1},        {"LTS", "litro", 1},      {"LITRO", "litro", 1},
    {"LITROS", "litro", 1},  {"T", "Kg", 1000},         {"TON", "Kg", 1000},      {"TONELADA", "Kg", 1000},
    {"TONELADAS", "Kg", 1000},
};

const KnownUnit *knownUnit(const QString &unit)
{
    const QString u = unit.trimmed().toUpper();
    for (const KnownUnit &k : kUnits)
        if (u == QLatin1String(k.name))
            return &k;
    return nullptr;
}

QString factorKey(const QString &issuer, const QString &code, const QString &unit)
{
    return issuer + kBrokenKey + code + kBrokenKey + unit.trimmed();
}

QVariant nullText() { return QVariant(QMetaType::fromType<QString>()); }
QVariant nullNumber() { return QVariant(QMetaType::fromType<double>()); }

QVariant textOrNull(const QString &s, int width)
{
    const QString t = s.trimmed().left(width);
    return t.isEmpty() ? nullText() : QVariant(t);
}

// What the scan reads from the store once.
class Context {
public:
    explicit Context(QSqlDatabase &db, const PeriodKey &period) : m_db(db), m_period(period) {}

    Status load()
    {
        QSqlQuery q(m_db);
        sql::forwardOnly(q);
        if (!q.prepare(QStringLiteral("SELECT 1 FROM Mes WHERE CdCNPJEmpr = ? AND NrAno = ? AND NmMes = ?")))
            return makeError(sql::errorText(q), 2);
        q.addBindValue(m_period.cnpj);
        q.addBindValue(m_period.ano);
        q.addBindValue(m_period.mes);
        if (!q.exec())
            return makeError(sql::errorText(q), 2);
        if (!q.next())
            return makeError(msg::kNfeSemPeriodo.arg(m_period.cnpj, m_period.mes, m_period.ano), 1);

        // The list in force: a product kept only for older months is not one.
        if (!q.exec(QStringLiteral("SELECT CdNCM, NmProdutoControlado FROM ProdutoControlado WHERE %1 ORDER BY IdProdutoControlado")
                        .arg(store::reference::inListCondition())))
            return makeError(sql::errorText(q), 2);
        while (q.next()) {
            const QString ncm = q.value(0).toString().trimmed();
            if (!controlled.contains(ncm))
                controlled.insert(ncm, q.value(1).toString());
        }
        if (!q.exec(QStringLiteral("SELECT CDPAIS FROM Paises")))
            return makeError(sql::errorText(q), 2);
        while (q.next())
            countries.insert(q.value(0).toInt());

        if (!q.prepare(QStringLiteral("SELECT CdNCM, VlConcentracao FROM Produtos WHERE CdCNPJEmpr = ? AND NrAno = ? "
                                      "AND NmMes = ? AND VlConcentracao IS NOT NULL ORDER BY CdProduto")))
            return makeError(sql::errorText(q), 2);
        q.addBindValue(m_period.cnpj);
        q.addBindValue(m_period.ano);
        q.addBindValue(m_period.mes);
        if (!q.exec())
            return makeError(sql::errorText(q), 2);
        while (q.next()) {
            const QString ncm = q.value(0).toString().trimmed();
            if (!monthConcentration.contains(ncm))
                monthConcentration.insert(ncm, q.value(1).toDouble());
        }

        if (!q.prepare(QStringLiteral("SELECT CdEmitente, CdProdutoNF, SgUnidadeNF, VlFator, DsUnidade FROM FatorUnidade "
                                      "WHERE CdCNPJEmpr = ?")))
            return makeError(sql::errorText(q), 2);
        q.addBindValue(m_period.cnpj);
        if (!q.exec())
            return makeError(sql::errorText(q), 2);
        while (q.next())
            factors.insert(factorKey(q.value(0).toString(), q.value(1).toString(), q.value(2).toString()),
                           {q.value(3).toDouble(), q.value(4).toString()});

        if (!q.prepare(QStringLiteral("SELECT DISTINCT CdChave FROM NFeImportada WHERE CdCNPJEmpr = ?")))
            return makeError(sql::errorText(q), 2);
        q.addBindValue(m_period.cnpj);
        if (!q.exec())
            return makeError(sql::errorText(q), 2);
        while (q.next())
            importedKeys.insert(q.value(0).toString());
        return {};
    }

    // The party's latest value of a field in the annex's table (any period
    // of the company), for a proposal; null when none.
    Result<QVariant> latest(QChar annex, const QString &field, const QString &party, const QString &ncm)
    {
        const QString cacheKey = QString(annex) + field + kBrokenKey + party + kBrokenKey + ncm;
        if (const auto it = m_latest.constFind(cacheKey); it != m_latest.constEnd())
            return *it;
        const bool b = annex == QLatin1Char('B');
        const QString table = b ? QStringLiteral("Movimentacao") : QStringLiteral("Importacao");
        const QString partyField = b ? QStringLiteral("CdFornecedor") : QStringLiteral("NmImportador");
        const QString rowOrder = b ? QStringLiteral("NrMovimentacao") : QStringLiteral("CdImportacao");
        QString where = QStringLiteral("CdCNPJEmpr = ? AND %1 = ? AND trim(coalesce(CAST(%2 AS TEXT), '')) <> ''")
                            .arg(partyField, sql::id(field));
        if (!ncm.isEmpty())
            where += QStringLiteral(" AND CdNCM = ?");
        QSqlQuery q(m_db);
        sql::forwardOnly(q);
        if (!q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY NrAno DESC, %4 DESC, %5 DESC LIMIT 1")
                           .arg(sql::id(field), table, where, kMonthOrder, rowOrder)))
            return makeError(sql::errorText(q), 2);
        q.addBindValue(m_period.cnpj);
        q.addBindValue(party);
        if (!ncm.isEmpty())
            q.addBindValue(ncm);
        if (!q.exec())
            return makeError(sql::errorText(q), 2);
        const QVariant v = q.next() ? q.value(0) : QVariant();
        m_latest.insert(cacheKey, v);
        return v;
    }

    struct Factor {
        double factor;
        QString target;
    };
    QHash<QString, QString> controlled; // "9999.99.99" -> name
    QSet<int> countries;
    QHash<QString, double> monthConcentration;
    QHash<QString, Factor> factors;
    QSet<QString> importedKeys;

private:
    QSqlDatabase &m_db;
    PeriodKey m_period;
    QHash<QString, QVariant> m_latest;
};

struct Read {
    Invoice invoice;
    QString file;
};

// Quantity and unit of an item: the commercial unit when it is a known
// one, else the tax unit when that one is, else a remembered factor.
void setQuantity(Candidate &c, const Item &item, const QString &issuer, const Context &ctx)
{
    const QString qtyField = c.annex == QLatin1Char('B') ? QStringLiteral("VlQuantidade") : QStringLiteral("QtImportacao");
    const QString unitField = c.annex == QLatin1Char('B') ? QStringLiteral("NmUnidade") : QStringLiteral("DsUnidade");
    c.issuer = issuer;
    c.productCode = item.productCode;
    c.invoiceUnit = item.unit;
    c.description = item.description;
    c.invoiceQuantity = item.quantity;
    if (const KnownUnit *k = knownUnit(item.unit)) {
        c.row[qtyField] = item.quantity * k->factor;
        c.row[unitField] = QString::fromLatin1(k->unit);
    } else if (const KnownUnit *t = knownUnit(item.taxUnit)) {
        c.row[qtyField] = item.taxQuantity * t->factor;
        c.row[unitField] = QString::fromLatin1(t->unit);
    } else if (const auto f = ctx.factors.constFind(factorKey(issuer, item.productCode, item.unit));
               f != ctx.factors.constEnd()) {
        c.row[qtyField] = item.quantity * f->factor;
        c.row[unitField] = f->target;
    } else {
        c.needsFactor = true;
        c.row[qtyField] = nullNumber();
        c.row[unitField] = nullText();
    }
}

// Every field a candidate row of an annex gets (null until the invoice or a
// proposal sets it): writing into a copy of this costs far less than making
// each row's map a field at a time.
const QVariantMap &rowFields(bool foreign)
{
    const auto make = [](std::initializer_list<const char *> names) {
        std::map<QString, QVariant> m;
        for (const char *n : names)
            m.emplace(QString::fromLatin1(n), QVariant());
        return QVariantMap(std::move(m));
    };
    static const QVariantMap b = make({"CdNCM", "NmProduto", "NrAno", "NmMes", "NrNF", "CdTransportadora", "NrDia",
                                       "NrCFOP", "CdFornecedor", "VlQuantidade", "NmUnidade", "VlConcentracao"});
    static const QVariantMap c = make({"CdNCM", "NmProduto", "NrAno", "NmMes", "NrNF", "CdTransportadora", "FlIE",
                                       "NrLI", "NmImportador", "CdPais", "QtImportacao", "DsUnidade", "VlConcentracao"});
    return foreign ? c : b;
}

// What one invoice gives before the proposals: its rows, or why it is left
// out, and what it adds to the scan's counts.
struct Built {
    std::vector<Candidate> rows;
    std::optional<Skipped> skipped;
    bool outsidePeriod = false;
    QString importedBefore; // the access key, when the company imported the invoice earlier
    int uncontrolledItems = 0;
};

class Builder {
public:
    Builder(Context &ctx, Scan &scan) : m_ctx(ctx), m_scan(scan) {}

    // The invoice's rows without the proposals. It reads only what the
    // context holds (never the store), so invoices are built on every core.
    Built build(const Read &r) const
    {
        Built out;
        const Context &ctx = m_ctx;
        const Invoice &inv = r.invoice;
        const auto skip = [&](const QString &reason) {
            out.skipped = Skipped{r.file, reason};
            return out;
        };
        const QString &company = m_scan.period.cnpj;
        const bool issued = inv.issuer.document == company;
        if (!issued && inv.recipient.document != company)
            return skip(msg::kNfeOutraEmpresa.arg(inv.number));
        if (!inv.hasProtocol)
            return skip(msg::kNfeSemProtocolo.arg(inv.number));
        if (inv.status != 100)
            return skip(msg::kNfeNaoAutorizada.arg(inv.number).arg(inv.status));
        if (m_cancelled.contains(inv.key))
            return skip(msg::kNfeCancelada.arg(inv.number));
        const QDate date = inv.date();
        if (date.year() != m_scan.period.ano.toInt() || date.month() != schema::monthNumber(m_scan.period.mes)) {
            out.outsidePeriod = true;
            return skip(msg::kNfeForaDoPeriodo.arg(inv.number, date.toString(QStringLiteral("dd/MM/yyyy"))));
        }
        const Party &other = issued ? inv.recipient : inv.issuer;
        const bool before = ctx.importedKeys.contains(inv.key);
        if (before)
            out.importedBefore = inv.key;
        out.rows.reserve(inv.items.size());
        for (const Item &item : inv.items) {
            const QString ncm = formatNcm(item.ncm);
            const auto name = ctx.controlled.constFind(ncm);
            if (ncm.isEmpty() || name == ctx.controlled.constEnd()) {
                ++out.uncontrolledItems;
                continue;
            }
            const QString cfop = companyCfop(formatCfop(item.cfop), issued);
            const QChar side = cfop.isEmpty() ? QChar() : cfop.at(0);
            const bool foreign = other.foreign || side == QLatin1Char('3') || side == QLatin1Char('7');
            Candidate c;
            c.annex = foreign ? QLatin1Char('C') : QLatin1Char('B');
            c.row = rowFields(foreign);
            c.file = r.file;
            c.key = inv.key;
            c.number = inv.number;
            c.item = item.number;
            c.importedBefore = before;
            c.row[QStringLiteral("CdNCM")] = ncm;
            c.row[QStringLiteral("NmProduto")] = name->left(70);
            // The period, for the day's check; not a column of the rows.
            c.row[QStringLiteral("NrAno")] = m_scan.period.ano;
            c.row[QStringLiteral("NmMes")] = m_scan.period.mes;
            // Whole, as the invoice has them: a value too long or not a
            // number is shown and refused, never cut to fit.
            c.row[QStringLiteral("NrNF")] = textOrNull(inv.number, inv.number.size());
            c.row[QStringLiteral("CdTransportadora")] = textOrNull(inv.carrier, inv.carrier.size());
            if (foreign) {
                c.party = other.name.trimmed().left(100);
                const bool entering = side == QLatin1Char('1') || side == QLatin1Char('2') || side == QLatin1Char('3') ||
                                      (side.isNull() && !issued);
                c.row[QStringLiteral("FlIE")] = entering ? QStringLiteral("I") : QStringLiteral("E");
                c.row[QStringLiteral("NrLI")] =
                    textOrNull(entering ? item.importDeclaration : item.exportRegistration, 20);
                c.row[QStringLiteral("NmImportador")] = textOrNull(c.party, 100);
                c.row[QStringLiteral("CdPais")] = ctx.countries.contains(other.countryCode)
                                                      ? QVariant(other.countryCode)
                                                      : QVariant(QMetaType::fromType<int>());
            } else {
                c.party = other.document;
                c.row[QStringLiteral("NrDia")] = QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0'));
                c.row[QStringLiteral("NrCFOP")] = textOrNull(cfop, 10);
                c.row[QStringLiteral("CdFornecedor")] = textOrNull(other.document, other.document.size());
            }
            setQuantity(c, item, inv.issuer.document, ctx);
            out.rows.push_back(std::move(c));
        }
        if (out.rows.empty())
            return skip(msg::kNfeSemItensControlados.arg(inv.number));
        return out;
    }

    // Adds what an invoice gave to the scan, in input order, with the
    // proposals (which may read the store).
    Status add(Built &b)
    {
        if (b.outsidePeriod)
            ++m_scan.outsidePeriod;
        if (!b.importedBefore.isEmpty() && !m_scan.importedBefore.contains(b.importedBefore))
            m_scan.importedBefore.append(b.importedBefore);
        m_scan.uncontrolledItems += b.uncontrolledItems;
        for (Candidate &c : b.rows) {
            if (Status s = propose(c, c.row.value(QStringLiteral("CdNCM")).toString()); !s)
                return s;
            m_scan.rows.push_back(std::move(c));
        }
        if (b.skipped)
            m_scan.skipped.push_back(std::move(*b.skipped));
        return {};
    }

    QSet<QString> m_cancelled;

private:

    // Concentration: the month's XI-A product of the same NCM, else the
    // party's latest row of that NCM. Carrier: the party's latest row.
    Status propose(Candidate &c, const QString &ncm)
    {
        const QString conc = QStringLiteral("VlConcentracao");
        if (const auto it = m_ctx.monthConcentration.constFind(ncm); it != m_ctx.monthConcentration.constEnd()) {
            c.row[conc] = *it;
            c.proposed.append(conc);
        } else {
            c.row[conc] = nullNumber();
            if (!c.party.isEmpty()) {
                Result<QVariant> v = m_ctx.latest(c.annex, conc, c.party, ncm);
                if (!v)
                    return v.error();
                if (v->isValid() && !v->isNull()) {
                    c.row[conc] = v->toDouble();
                    c.proposed.append(conc);
                }
            }
        }
        const QString carrier = QStringLiteral("CdTransportadora");
        if (c.row.value(carrier).isNull() && !c.party.isEmpty()) {
            Result<QVariant> v = m_ctx.latest(c.annex, carrier, c.party, QString());
            if (!v)
                return v.error();
            if (v->isValid() && !v->isNull()) {
                c.row[carrier] = v->toString();
                c.proposed.append(carrier);
            }
        }
        return {};
    }

    Context &m_ctx;
    Scan &m_scan;
};

// Reads and parses each input of the batch, spreading the files over the
// cores.
template <typename Pending>
void parseAll(std::vector<Pending> &batch, const Limits &limits)
{
    onEveryCore(batch.size(), [&](size_t i) {
        Pending &p = batch[i];
        p.bytes.emplace(p.read());
        if (*p.bytes)
            p.doc.emplace(parse(**p.bytes, limits));
        p.read = nullptr;
    });
}

} // namespace

QString Candidate::table() const
{
    return annex == QLatin1Char('C') ? QStringLiteral("Importacao") : QStringLiteral("Movimentacao");
}

QString Skipped::line() const { return msg::kNfeLinhaArquivo.arg(file, reason); }

QString companyCfop(const QString &invoiceCfop, bool companyIssued)
{
    if (companyIssued || invoiceCfop.isEmpty())
        return invoiceCfop;
    static const char map[] = {'0', '5', '6', '7', '4', '1', '2', '3', '8', '9'};
    const QChar first = invoiceCfop.at(0);
    if (!first.isDigit())
        return invoiceCfop;
    return QChar(QLatin1Char(map[first.digitValue()])) + invoiceCfop.mid(1);
}

Result<Scan> scan(QSqlDatabase &db, const PeriodKey &period, const QStringList &paths, const Limits &limits,
                  Progress &progress)
{
    Scan out;
    out.period = period;
    Context ctx(db, period);
    if (Status s = ctx.load(); !s)
        return s.error();

    // Every file first: a cancellation anywhere in the input cancels.
    std::vector<Read> reads;
    QSet<QString> cancelled;
    qint64 files = 0;
    progress.setLabel(msg::kNfeLendo);
    // Files are listed in order, then read and parsed a batch at a time on
    // every core (the entries of a zip file are read in order while it is
    // listed); the results are taken in input order.
    struct Pending {
        QString name;
        InputReader read;
        std::optional<Result<QByteArray>> bytes;
        std::optional<Result<Document>> doc;
    };
    std::vector<Pending> batch;
    const auto flush = [&] {
        parseAll(batch, limits);
        for (Pending &p : batch) {
            progress.setValue(++files);
            if (!*p.bytes) {
                out.skipped.push_back({p.name, p.bytes->message()});
                continue;
            }
            Result<Document> &doc = *p.doc;
            if (!doc) {
                out.skipped.push_back({p.name, doc.message()});
                continue;
            }
            for (const Cancellation &c : doc->cancellations)
                cancelled.insert(c.key);
            for (Invoice &inv : doc->invoices)
                reads.push_back({std::move(inv), p.name});
        }
        batch.clear();
    };
    forEachInputLazily(paths, limits, [&](const QString &name, InputReader read) {
        batch.push_back({name, std::move(read), std::nullopt, std::nullopt});
        if (batch.size() >= 128)
            flush();
    });
    flush();

    Builder builder(ctx, out);
    builder.m_cancelled = cancelled;
    // Only the first read of an access key counts.
    QSet<QString> seen;
    std::vector<bool> repeated(reads.size(), false);
    for (size_t i = 0; i < reads.size(); ++i) {
        repeated[i] = seen.contains(reads[i].invoice.key);
        seen.insert(reads[i].invoice.key);
    }
    // The invoices' rows are made on every core, then taken in input order
    // with their proposals.
    std::vector<Built> built(reads.size());
    onEveryCore(reads.size(), [&](size_t i) {
        if (!repeated[i])
            built[i] = builder.build(reads[i]);
    });
    size_t rows = 0;
    for (const Built &b : built)
        rows += b.rows.size();
    out.rows.reserve(out.rows.size() + rows);
    for (size_t i = 0; i < reads.size(); ++i) {
        if (repeated[i]) {
            out.skipped.push_back({reads[i].file, msg::kNfeRepetida.arg(reads[i].invoice.number)});
            continue;
        }
        if (Status s = builder.add(built[i]); !s)
            return s.error();
        built[i] = Built{};
    }
    return out;
}

int applyFactor(Scan &scan, const UnitFactor &f)
{
    int changed = 0;
    for (Candidate &c : scan.rows) {
        if (c.issuer != f.issuer || c.productCode != f.productCode || c.invoiceUnit.trimmed() != f.unit.trimmed())
            continue;
        if (knownUnit(c.invoiceUnit))
            continue;
        const bool b = c.annex == QLatin1Char('B');
        c.row[b ? QStringLiteral("VlQuantidade") : QStringLiteral("QtImportacao")] = c.invoiceQuantity * f.factor;
        c.row[b ? QStringLiteral("NmUnidade") : QStringLiteral("DsUnidade")] = f.target;
        c.needsFactor = false;
        ++changed;
    }
    return changed;
}

Screen::Screen(QSqlDatabase db) : m_lookups(db)
{
    // On failure each check asks the store itself.
    const bool cfops = m_lookups.holdCfops().ok();
    const bool countries = m_lookups.holdCountries().ok();
    m_inMemory = cfops && countries;
}

const entry::RequiredCheck *Screen::firstMissing(QChar annex, const QVariantMap &row) const
{
    entry::CheckContext ctx;
    ctx.mode = entry::CheckMode::Salvar;
    ctx.lookups = &m_lookups;
    return entry::firstMissing(annex == QLatin1Char('C') ? checksC() : checksB(), row, ctx);
}

const entry::RequiredCheck *Screen::firstMissing(const Candidate &c) const { return firstMissing(c.annex, c.row); }

} // namespace quirels::exchange::nfe
