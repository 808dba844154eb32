#include "TextImport.h"

#include "Messages.h"
#include "TextRecords.h"
#include "shell/PeriodOps.h"
#include "store/RecordRules.h"
#include "store/Dialect.h"
#include "store/PeriodLock.h"
#include "store/Sql.h"
#include "store/StoreError.h"
#include "store/BulkBind.h"
#include "store/Statement.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QStringList>
#include <memory>
#include <optional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quirels::exchange {

namespace {

using text::Column;
using text::Link;
using text::RecordLayout;

enum class Rule { None, Produto, ProdutoFinal, SubstanciaPresente };

// Takes the message a record rule shows, so that it can be reported with
// the number of the line that failed.
class RuleMessage : public Dialogs {
public:
    void information(const QString &t) override { take(t); }
    void error(const QString &t) override { take(t); }
    bool confirm(const QString &) override { return false; }
    Answer confirmYesNoCancel(const QString &) override { return Answer::Cancel; }
    bool confirmOkCancel(const QString &) override { return false; }
    QString text;

private:
    void take(const QString &t)
    {
        if (text.isEmpty())
            text = t;
    }
};

// A line failed: its reason and whether a record rule refused it.
struct LineFailure {
    QString reason;
    int code = 1;
    bool rule = false;
    bool store = false; // the store as a whole failed: no line is to blame
};

// One prepared insert per record type, built on first use and reused for
// every line of that type; rows are bound through sql::BulkStatement. On the
// SQLite store the same insert also runs straight on the engine for rows of
// the values it binds as Qt SQL does (every value a line gives), without a
// conversion of each text to UTF-16 and back.
struct Statement {
    std::unique_ptr<QSqlQuery> query;
    std::unique_ptr<sql::BulkStatement> bulk;
    std::unique_ptr<store::Statement> direct;
};

class Importer {
public:
    Importer(QSqlDatabase &db, Dialogs &dialogs) : m_db(db), m_dialogs(dialogs), m_inserts(text::layouts().size())
    {
        for (const RecordLayout &l : text::layouts())
            m_rules.push_back(ruleOf(l));
        m_ruleRows.resize(m_rules.size());
    }

    // Handles one line; false when the import must stop (failure or
    // declined say why).
    bool line(QStringView s);
    // Writes what is still held in memory; false as line() is.
    bool finish() { return flushObservation(); }

    QString company;
    PeriodKey period;
    bool declined = false;
    LineFailure failure;
    qint64 rowsWritten = 0;

private:
    bool fail(const QString &reason, int code = 1, bool rule = false)
    {
        failure = LineFailure{reason, code, rule};
        return false;
    }
    bool storeFailed(const QSqlQuery &q)
    {
        const store::Failure f = store::describe(q);
        failure = LineFailure{f.message, 2, false, !f.aboutRow()};
        return false;
    }
    bool storeFailed(const store::Statement &st, const Status &s)
    {
        failure = LineFailure{s.message(), 2, false, !st.failedOnRow()};
        return false;
    }
    bool needs(const RecordLayout &l, const char *earlier)
    {
        return fail(msg::kTxtSemRegistroAnterior.arg(l.type, QString::fromLatin1(earlier)));
    }

    Statement *insertFor(const RecordLayout &l);
    bool prepare(QSqlQuery &q, const QString &statement);
    bool insert(const RecordLayout &l, QVariant *rowId);
    bool companyLine(const RecordLayout &l);
    bool periodLine(const RecordLayout &l);
    bool appendText();
    bool flushObservation();
    bool withRule(const RecordLayout &l, Rule rule);
    static Rule ruleOf(const RecordLayout &l);
    Rule rule(const RecordLayout &l) const { return m_rules[static_cast<size_t>(&l - text::layouts().data())]; }
    void forgetDetails()
    {
        m_observationDirty = false;
        m_product = QVariant();
        m_finalProduct = QVariant();
        m_observation = QVariant();
        m_observationText.clear();
    }

    QSqlDatabase &m_db;
    Dialogs &m_dialogs;
    std::vector<QVariant> m_values;
    std::vector<Statement> m_inserts;
    std::vector<Rule> m_rules; // per layout
    struct RuleRow {
        QVariantMap row;
        std::vector<QVariantMap::iterator> cells; // per column of the layout
    };
    std::vector<RuleRow> m_ruleRows;
    std::unique_ptr<QSqlQuery> m_findCompany, m_updateCompany, m_findPeriod, m_setObservation;
    QVariant m_product;       // CdProduto of the latest PR row
    QVariant m_finalProduct;  // CdProdFinal of the latest PF row
    QVariant m_observation;   // rowid of the latest OB row
    QString m_observationText;
    bool m_observationDirty = false;
};

bool Importer::prepare(QSqlQuery &q, const QString &statement)
{
    sql::forwardOnly(q);
    if (!q.prepare(statement))
        return storeFailed(q);
    return true;
}

Statement *Importer::insertFor(const RecordLayout &l)
{
    Statement &s = m_inserts[static_cast<size_t>(&l - text::layouts().data())];
    if (s.query)
        return &s;
    QStringList cols;
    for (const Column &c : l.columns)
        cols.append(c.field);
    if (l.link == Link::Product || l.link == Link::FinalProduct)
        cols.append(QStringLiteral("CdProduto"));
    if (l.link == Link::FinalProduct)
        cols.append(QStringLiteral("CdProdFinal"));
    QStringList ids, marks;
    for (const QString &c : cols) {
        ids.append(sql::id(c));
        marks.append(QStringLiteral("?"));
    }
    auto q = std::make_unique<QSqlQuery>(m_db);
    if (!prepare(*q, store::dialect::insertReturningId(
                         m_db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(sql::id(l.table->qname()), ids.join(QLatin1Char(',')), marks.join(QLatin1Char(','))))))
        return nullptr;
    if (!store::dialect::isServer(m_db))
        if (Result<std::unique_ptr<store::Statement>> direct = store::prepare(m_db, q->lastQuery()); direct)
            s.direct = direct.take();
    s.query = std::move(q);
    s.bulk = std::make_unique<sql::BulkStatement>(*s.query, static_cast<int>(cols.size()));
    return &s;
}

// Inserts the line's values with the links the layout takes from earlier
// lines.
bool Importer::insert(const RecordLayout &l, QVariant *rowId)
{
    Statement *s = insertFor(l);
    if (!s)
        return false;
    const int n = static_cast<int>(l.columns.size());
    if (s->direct) {
        store::Statement &st = *s->direct;
        int i = 0;
        while (i < n && store::bindAsQtSql(st, i, m_values[static_cast<size_t>(i)]))
            ++i;
        bool bound = i == n;
        if (bound && (l.link == Link::Product || l.link == Link::FinalProduct))
            bound = store::bindAsQtSql(st, n, m_product);
        if (bound && l.link == Link::FinalProduct)
            bound = store::bindAsQtSql(st, n + 1, m_finalProduct);
        if (bound) {
            if (Status run = st.run(); !run)
                return storeFailed(st, run);
            if (rowId)
                *rowId = QVariant(static_cast<qlonglong>(st.lastInsertId()));
            ++rowsWritten;
            return true;
        }
    }
    for (int i = 0; i < n; ++i)
        s->bulk->set(i, m_values[static_cast<size_t>(i)]);
    if (l.link == Link::Product || l.link == Link::FinalProduct)
        s->bulk->set(n, m_product);
    if (l.link == Link::FinalProduct)
        s->bulk->set(n + 1, m_finalProduct);
    if (!s->bulk->exec())
        return storeFailed(*s->query);
    if (rowId)
        *rowId = store::dialect::insertedId(*s->query);
    ++rowsWritten;
    return true;
}

Rule Importer::ruleOf(const RecordLayout &l)
{
    const QString t = l.table->qname();
    if (t == QLatin1String("Produtos"))
        return Rule::Produto;
    if (t == QLatin1String("ProdutoFinal"))
        return Rule::ProdutoFinal;
    if (t == QLatin1String("SubstanciaPresente"))
        return Rule::SubstanciaPresente;
    return Rule::None;
}

// The rows of the annex XI-A chain pass the store's post rules first: the
// required fields and, for a product, the closing stock. The rules read a
// row as a map; one map per record type is kept and its values overwritten
// through iterators found once, so a row costs no map building.
bool Importer::withRule(const RecordLayout &l, Rule rule)
{
    RuleRow &rr = m_ruleRows[static_cast<size_t>(&l - text::layouts().data())];
    if (rr.cells.empty())
        for (const Column &c : l.columns)
            rr.cells.push_back(rr.row.insert(c.field, QVariant()));
    for (size_t i = 0; i < l.columns.size(); ++i)
        *rr.cells[i] = m_values[i];
    RuleMessage shown;
    bool accepted = true;
    switch (rule) {
    case Rule::Produto:
        accepted = store::rules::validarProduto(rr.row, shown);
        if (accepted) {
            store::rules::applyClosingStock(rr.row);
            // The closing-stock rule fills empty quantities and the closing stock.
            for (size_t i = 0; i < l.columns.size(); ++i)
                m_values[i] = *rr.cells[i];
        }
        break;
    case Rule::ProdutoFinal: accepted = store::rules::validarProdutoFinal(rr.row, shown); break;
    case Rule::SubstanciaPresente: accepted = store::rules::validarSubstanciaPresente(rr.row, shown); break;
    case Rule::None: break;
    }
    if (!accepted)
        return fail(shown.text, 1, true);
    QVariant id;
    if (!insert(l, &id))
        return false;
    if (rule == Rule::Produto) {
        m_product = id;
        m_finalProduct = QVariant(); // the final products shown are the new product's: none yet
    } else if (rule == Rule::ProdutoFinal) {
        m_finalProduct = id;
    }
    return true;
}

bool Importer::companyLine(const RecordLayout &l)
{
    const QVariant key = m_values[0];
    // Another workstation importing the same new company goes first; its
    // company is then found here.
    if (Status s = store::awaitCompanyRegistration(m_db, key.toString()); !s)
        return fail(s.message(), s.error().code);
    if (!m_findCompany) {
        m_findCompany = std::make_unique<QSqlQuery>(m_db);
        if (!prepare(*m_findCompany, QStringLiteral("SELECT 1 FROM Empresa WHERE CdCNPJEmpr = ?")))
            return false;
    }
    m_findCompany->bindValue(0, key);
    if (!m_findCompany->exec())
        return storeFailed(*m_findCompany);
    const bool exists = m_findCompany->next();
    m_findCompany->finish();
    if (!exists) {
        if (!insert(l, nullptr))
            return false;
    } else if (m_dialogs.confirm(msg::kTxtEmpresaCadastrada)) {
        if (!m_updateCompany) {
            QStringList sets;
            for (const Column &c : l.columns)
                sets.append(sql::id(c.field) + QStringLiteral(" = ?"));
            m_updateCompany = std::make_unique<QSqlQuery>(m_db);
            if (!prepare(*m_updateCompany, QStringLiteral("UPDATE Empresa SET %1 WHERE CdCNPJEmpr = ?")
                                               .arg(sets.join(QStringLiteral(", ")))))
                return false;
        }
        const int n = static_cast<int>(l.columns.size());
        for (int i = 0; i < n; ++i)
            m_updateCompany->bindValue(i, sql::bindable(m_values[static_cast<size_t>(i)]));
        m_updateCompany->bindValue(n, key);
        if (!m_updateCompany->exec())
            return storeFailed(*m_updateCompany);
        ++rowsWritten;
    }
    company = key.toString();
    period = PeriodKey();
    forgetDetails();
    return true;
}

bool Importer::periodLine(const RecordLayout &l)
{
    if (company.isEmpty())
        return needs(l, "EM");
    const PeriodKey key{m_values[0].toString(), m_values[1].toString(), m_values[2].toString()};
    // Not while another workstation has the period open for writing.
    if (Status s = store::claimPeriod(m_db, key); !s)
        return fail(s.message(), s.error().code);
    // Periods are looked up among the current company's.
    const auto exists = [&](bool &found) {
        found = false;
        if (key.cnpj != company)
            return true;
        if (!m_findPeriod) {
            m_findPeriod = std::make_unique<QSqlQuery>(m_db);
            if (!prepare(*m_findPeriod, QStringLiteral("SELECT 1 FROM Mes WHERE CdCNPJEmpr = ? AND NrAno = ? AND NmMes = ?")))
                return false;
        }
        m_findPeriod->bindValue(0, key.cnpj);
        m_findPeriod->bindValue(1, key.ano);
        m_findPeriod->bindValue(2, key.mes);
        if (!m_findPeriod->exec())
            return storeFailed(*m_findPeriod);
        found = m_findPeriod->next();
        m_findPeriod->finish();
        return true;
    };
    bool found = false;
    if (!exists(found))
        return false;
    if (found) {
        if (!m_dialogs.confirm(msg::kTxtSobrescreverMes)) {
            declined = true;
            return false;
        }
        if (Status s = shell::deletePeriodRows(m_db, key); !s)
            return fail(s.message(), 2);
        if (!exists(found))
            return false;
    }
    if (!found && !insert(l, nullptr))
        return false;
    period = key;
    forgetDetails();
    return true;
}

// Observation texts are gathered in memory and written once, when the
// observation row stops being the current one: a long run of OO lines costs
// one update, not one per line over an ever longer text.
bool Importer::appendText()
{
    const QString added = m_values[0].toString();
    if (m_observationText.isEmpty()) {
        m_observationText = added;
    } else {
        m_observationText += QLatin1Char('\r');
        m_observationText += added;
    }
    m_observationDirty = true;
    return true;
}

bool Importer::flushObservation()
{
    if (!m_observationDirty)
        return true;
    m_observationDirty = false;
    if (!m_setObservation) {
        m_setObservation = std::make_unique<QSqlQuery>(m_db);
        if (!prepare(*m_setObservation, QStringLiteral("UPDATE Observacoes SET Observacao = ? WHERE rowid = ?")))
            return false;
    }
    m_setObservation->bindValue(0, m_observationText.isEmpty() ? QVariant(QMetaType::fromType<QString>())
                                                               : QVariant(m_observationText));
    m_setObservation->bindValue(1, m_observation);
    if (!m_setObservation->exec())
        return storeFailed(*m_setObservation);
    ++rowsWritten;
    return true;
}

bool Importer::line(QStringView s)
{
    const RecordLayout *l = text::layoutFor(s);
    if (!l)
        return true; // other record types are skipped
    if (Status st = text::parseRecord(*l, s, m_values); !st)
        return fail(st.message());
    if ((l->link == Link::Company || l->link == Link::Period || l->link == Link::Observation) && !flushObservation())
        return false;
    switch (l->link) {
    case Link::Company: return companyLine(*l);
    case Link::Period: return periodLine(*l);
    case Link::Product:
        if (!m_product.isValid())
            return needs(*l, "PR");
        return withRule(*l, rule(*l));
    case Link::FinalProduct:
        if (!m_finalProduct.isValid())
            return needs(*l, "PF");
        return withRule(*l, rule(*l));
    case Link::Observation:
        if (!insert(*l, &m_observation))
            return false;
        m_observationText.clear();
        return true;
    case Link::AppendText:
        if (!m_observation.isValid())
            return needs(*l, "OB");
        return appendText();
    case Link::None: break;
    }
    if (const Rule r = rule(*l); r != Rule::None)
        return withRule(*l, r);
    return insert(*l, nullptr);
}

// A big file writes tens of megabytes in one transaction; with the store's
// default page cache (2 MB) the changed pages spill to the journal in the
// middle of it and are written again at commit. A larger cache for the
// length of the import writes each page once; the previous size comes back
// afterwards.
class BulkCache {
public:
    explicit BulkCache(QSqlDatabase &db) : m_db(db)
    {
        if (store::dialect::isServer(m_db))
            return; // the server keeps its own cache
        if (Result<QVariant> v = sql::scalar(m_db, QStringLiteral("PRAGMA cache_size")); v && v->isValid()) {
            m_previous = v->toLongLong();
            sql::exec(m_db, QStringLiteral("PRAGMA cache_size = -65536")); // in KiB: 64 MiB at most
        }
    }
    ~BulkCache()
    {
        if (m_previous)
            sql::exec(m_db, QStringLiteral("PRAGMA cache_size = %1").arg(*m_previous));
    }

private:
    QSqlDatabase &m_db;
    std::optional<qint64> m_previous;
};

TextImportResult failed(TextImportResult r, const QString &message, int code, bool rule = false, qint64 line = 0)
{
    r.outcome = TextImportResult::Outcome::Failed;
    r.error = makeError(message, code);
    r.ruleRefusal = rule;
    r.failedLine = line;
    return r;
}

} // namespace

TextImportResult importTextFile(QSqlDatabase &db, QIODevice &device, Dialogs &dialogs, Progress &progress)
{
    TextImportResult result;
    BulkCache cache(db);
    sql::Transaction tx(db);
    if (!tx.active())
        return failed(result, tx.error().message, 2);

    const bool sized = !device.isSequential();
    if (sized)
        progress.setRange(device.size());
    text::LineReader reader(device);
    Importer importer(db, dialogs);
    QString decoded;
    while (reader.next()) {
        const qint64 n = reader.lineNumber();
        const QByteArrayView bytes = reader.bytes();
        if (const QString problem = text::textProblem(bytes, n == 1); !problem.isEmpty()) {
            // A DOS end-of-file mark alone on the last line is no data.
            if (bytes == QByteArrayView("\x1A") && reader.atEnd())
                break;
            return failed(result, msg::kTxtErroNaLinha.arg(QString::number(n), problem), 1, false, n);
        }
        text::decodeLine(bytes, decoded);
        if (!importer.line(decoded)) {
            if (importer.declined) {
                result.outcome = TextImportResult::Outcome::Declined;
                result.lines = n;
                return result; // the transaction rolls back
            }
            const LineFailure &f = importer.failure;
            if (f.store)
                return failed(result, f.reason, f.code);
            return failed(result, msg::kTxtErroNaLinha.arg(QString::number(n), f.reason), f.code, f.rule, n);
        }
        if (sized && (n & 0xFFF) == 0)
            progress.setValue(reader.position());
        result.lines = n;
    }
    if (reader.failed())
        return failed(result, msg::kTxtLeitura.arg(device.objectName(), reader.errorString()), 2);
    if (reader.tooLong()) {
        const qint64 n = reader.lineNumber() + 1;
        return failed(result, msg::kTxtErroNaLinha.arg(QString::number(n), msg::kTxtLinhaLonga.arg(text::kMaxLineBytes)),
                      1, false, n);
    }
    if (!importer.finish()) {
        if (importer.failure.store)
            return failed(result, importer.failure.reason, importer.failure.code);
        return failed(result, msg::kTxtErroNaLinha.arg(QString::number(result.lines), importer.failure.reason),
                      importer.failure.code, false, result.lines);
    }
    if (Status s = tx.commit(); !s)
        return failed(result, s.message(), 2);
    if (sized)
        progress.setValue(device.size());
    result.company = importer.company;
    result.period = importer.period;
    result.rowsWritten = importer.rowsWritten;
    return result;
}

TextImportResult importTextFile(QSqlDatabase &db, const QString &path, Dialogs &dialogs, Progress &progress)
{
    QFile file(path);
    TextImportResult r;
#ifdef Q_OS_UNIX
    // Only a regular file is read: a device never ends and a named pipe
    // without a writer blocks the opening itself. The file is opened without
    // waiting and looked at through its descriptor, so what is read is what
    // was looked at.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // Missing or not allowed: the opening fails at once either way and
        // gives the system's reason in the application's language.
        file.open(QIODevice::ReadOnly);
        return failed(r, msg::kTxtLeitura.arg(path, file.errorString()), 2);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return failed(r, msg::kTxtNaoEhArquivo.arg(path), 2);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failed(r, msg::kTxtLeitura.arg(path, file.errorString()), 2);
    }
#else
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile())
        return failed(r, msg::kTxtNaoEhArquivo.arg(path), 2);
    if (!file.open(QIODevice::ReadOnly))
        return failed(r, msg::kTxtLeitura.arg(path, file.errorString()), 2);
#endif
    file.setObjectName(path);
    return importTextFile(db, file, dialogs, progress);
}

void reportFailure(const TextImportResult &result, Dialogs &dialogs)
{
    if (result.outcome != TextImportResult::Outcome::Failed)
        return;
    if (result.ruleRefusal)
        dialogs.information(result.error.message);
    else
        dialogs.error(result.error.message);
}

} // namespace quirels::exchange
