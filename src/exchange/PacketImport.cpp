#include "PacketImport.h"

#include "Messages.h"
#include "PacketReader.h"
#include "shell/PeriodOps.h"
#include "shell/RowRules.h"
#include "store/BatchInsert.h"
#include "store/Dialect.h"
#include "store/Schema.h"
#include "store/PeriodLock.h"
#include "store/RecordRules.h"
#include "store/Sql.h"
#include "store/Statement.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QStringList>
#include <functional>
#include <limits>
#include <optional>
#include <unordered_map>

namespace quirels::exchange {

namespace {

const QString kCnpj = QStringLiteral("CdCNPJEmpr");
const QString kAno = QStringLiteral("NrAno");
const QString kMes = QStringLiteral("NmMes");

const Level &level(const char *name) { return *packetLevel(QString::fromLatin1(name)); }

QString text(const Level &level, const PacketRow &row, const QString &field)
{
    return fieldValue(level, row, field).toString();
}

const std::vector<PacketRow> &rowsOf(const Level &parent, const PacketRow &row, const QString &set)
{
    static const std::vector<PacketRow> none;
    const int at = parent.nestedIndex(set);
    return at >= 0 && static_cast<size_t>(at) < row.nested.size() ? row.nested[static_cast<size_t>(at)] : none;
}

QString textOf(const Level &level, const std::vector<FieldValue> &values, const QString &field)
{
    const int i = level.fieldIndex(field);
    return i >= 0 && values[static_cast<size_t>(i)].kind == FieldValue::Kind::Text
               ? values[static_cast<size_t>(i)].text.toString()
               : QString();
}

// One prepared INSERT of a level's stored fields (every field but the
// counter and the looked-up name), reused for every row of the level. On the
// SQLite store each row is written at once by the engine's own statement; on
// the server rows go in groups (store::BatchInsert), each numbered as it is
// added, and finish() sends the last group.
class Inserter {
public:
    Status prepare(QSqlDatabase &db, const Level &level)
    {
        QStringList cols, marks, names;
        m_param.assign(level.fields.size(), -1);
        for (size_t i = 0; i < level.fields.size(); ++i) {
            const PacketField &f = level.fields[i];
            if (f.kind == FieldKind::Counter || f.kind == FieldKind::Lookup)
                continue;
            m_param[i] = static_cast<int>(cols.size());
            cols.append(sql::id(f.name));
            names.append(f.name);
            marks.append(QStringLiteral("?"));
        }
        if (store::dialect::isServer(db)) {
            // The store numbers the table's auto-increment field.
            const schema::Table *t = schema::table(level.table);
            const schema::Field *a = t ? t->autoIncrement() : nullptr;
            const QString counter = a && !names.contains(a->qname(), Qt::CaseInsensitive) ? a->qname() : QString();
            m_batch = std::make_unique<store::BatchInsert>(db, level.table, names, counter);
            return m_batch->prepare(0);
        }
        Result<std::unique_ptr<store::Statement>> st =
            store::prepare(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(sql::id(level.table), cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
        if (!st)
            return st.error();
        m_statement = st.take();
        return {};
    }

    // Binds the row's values; then set() replaces single fields (the period
    // key, the new numbers of the chain) before insert().
    void bind(const std::vector<FieldValue> &values)
    {
        for (size_t i = 0; i < values.size() && i < m_param.size(); ++i) {
            const int p = m_param[i];
            if (p < 0)
                continue;
            const FieldValue &v = values[i];
            if (m_batch) {
                switch (v.kind) {
                case FieldValue::Kind::Null: m_batch->set(p, QVariant()); break;
                case FieldValue::Kind::Text: m_batch->set(p, v.text.toString()); break;
                case FieldValue::Kind::Flag: m_batch->set(p, v.flag ? 1 : 0); break;
                case FieldValue::Kind::Number: m_batch->set(p, v.number); break;
                case FieldValue::Kind::Integer: m_batch->set(p, static_cast<qlonglong>(v.integer)); break;
                }
                continue;
            }
            switch (v.kind) {
            case FieldValue::Kind::Null: m_statement->bindNull(p); break;
            case FieldValue::Kind::Text: m_statement->bindText(p, v.text); break;
            case FieldValue::Kind::Flag: m_statement->bindInteger(p, v.flag ? 1 : 0); break;
            case FieldValue::Kind::Number: m_statement->bindReal(p, v.number); break;
            case FieldValue::Kind::Integer: m_statement->bindInteger(p, v.integer); break;
            }
        }
    }
    void set(int field, const QString &value)
    {
        if (field < 0 || m_param[static_cast<size_t>(field)] < 0)
            return;
        if (m_batch)
            m_batch->set(m_param[static_cast<size_t>(field)], value);
        else
            m_statement->bindText(m_param[static_cast<size_t>(field)], value);
    }
    void set(int field, qint64 value)
    {
        if (field < 0 || m_param[static_cast<size_t>(field)] < 0)
            return;
        if (m_batch)
            m_batch->set(m_param[static_cast<size_t>(field)], static_cast<qlonglong>(value));
        else
            m_statement->bindInteger(m_param[static_cast<size_t>(field)], value);
    }

    // Returns the number the store gave the row.
    Result<qint64> insert()
    {
        if (m_batch)
            return m_batch->add();
        if (Status s = m_statement->run(); !s)
            return s.error();
        return m_statement->lastInsertId();
    }

    // Writes the rows still waiting (the server's last group).
    Status finish() { return m_batch ? m_batch->finish() : Status(); }

private:
    std::unique_ptr<store::Statement> m_statement;
    std::unique_ptr<store::BatchInsert> m_batch;
    std::vector<int> m_param; // per field, its parameter; -1 when not stored
};

// Stores the rows of a packet as they arrive, in the order of the file: the
// company is kept until the month row names the period; the month row asks
// the question and opens the transaction; each annex row is inserted at
// once, the chain's rows with the numbers just given to their product and
// final product. Nothing is committed before finish().
class PacketStore final : public PacketSink {
public:
    PacketStore(QSqlDatabase &db, Dialogs &dialogs, Progress &progress)
        : m_db(db), m_dialogs(dialogs), m_progress(progress), m_root(packetRoot()), m_month(level("qryMes")),
          m_produtos(level("tblProdutos")), m_finais(level("tblProdutoFinal")),
          m_substancias(level("tblSubstanciaPresente"))
    {
    }

    bool declined() const { return m_declined; }

    Status row(const Level &lv, const std::vector<FieldValue> &values) override
    {
        if (&lv == &m_root) {
            keepCompany(values);
            return {};
        }
        if (&lv == &m_month)
            return month(values);
        if (!m_transaction)
            return makeError(msg::kPacoteSemEmpresa, 2);
        if (Status s = samePeriod(lv, values); !s)
            return s;
        Lane &lane = laneOf(lv);
        if (!lane.inserter)
            return lane.error;
        Inserter &ins = *lane.inserter;
        ins.bind(values);
        ins.set(lane.cnpj, m_key.cnpj);
        ins.set(lane.ano, m_key.ano);
        ins.set(lane.mes, m_key.mes);
        if (lane.day >= 0 && values[static_cast<size_t>(lane.day)].kind == FieldValue::Kind::Text)
            ins.set(lane.day, store::rules::storedDay(values[static_cast<size_t>(lane.day)].text.toString()));
        if (&lv == &m_finais) {
            ins.set(lane.product, m_product);
        } else if (&lv == &m_substancias) {
            ins.set(lane.product, m_product);
            ins.set(lane.final, m_final);
        }
        Result<qint64> number = ins.insert();
        if (!number)
            return number.error();
        if (&lv == &m_produtos)
            m_product = *number;
        else if (&lv == &m_finais)
            m_final = *number;
        if ((++m_rows & 1023) == 0)
            m_rowProgress(m_rows);
        return {};
    }
    Status endRow(const Level &) override { return {}; }
    void bytesRead(qint64 bytes) override
    {
        if (m_byBytes)
            m_progress.setValue(bytes);
    }

    void progressByBytes(qint64 total)
    {
        m_byBytes = true;
        m_progress.setRange(total);
    }
    void progressByRows(qint64 total)
    {
        m_progress.setRange(total);
        m_rowProgress = [this](qint64 n) { m_progress.setValue(n); };
    }

    Status commit()
    {
        if (!m_transaction)
            return makeError(msg::kPacoteSemEmpresa, 2);
        for (auto &[level, lane] : m_lanes)
            if (lane.inserter)
                if (Status s = lane.inserter->finish(); !s)
                    return s;
        return m_transaction->commit();
    }

private:
    struct Lane {
        std::unique_ptr<Inserter> inserter;
        Error error;
        int cnpj = -1, ano = -1, mes = -1, product = -1, final = -1, day = -1;
    };

    QSqlDatabase &m_db;
    Dialogs &m_dialogs;
    Progress &m_progress;
    const Level &m_root;
    const Level &m_month;
    const Level &m_produtos;
    const Level &m_finais;
    const Level &m_substancias;
    bool m_byBytes = false;
    std::function<void(qint64)> m_rowProgress = [](qint64) {};
    qint64 m_rows = 0;

    std::vector<FieldValue> m_company;
    std::vector<QString> m_companyTexts;
    PeriodKey m_key;
    std::optional<sql::Transaction> m_transaction;
    bool m_declined = false;
    std::unordered_map<const Level *, Lane> m_lanes;
    qint64 m_product = 0;
    qint64 m_final = 0;

    void keepCompany(const std::vector<FieldValue> &values)
    {
        m_company = values;
        m_companyTexts.clear();
        m_companyTexts.reserve(values.size());
        for (FieldValue &v : m_company)
            if (v.kind == FieldValue::Kind::Text) {
                m_companyTexts.push_back(v.text.toString());
                v.text = m_companyTexts.back();
            }
    }

    Lane &laneOf(const Level &lv)
    {
        auto it = m_lanes.find(&lv);
        if (it != m_lanes.end())
            return it->second;
        Lane &lane = m_lanes[&lv];
        auto ins = std::make_unique<Inserter>();
        if (Status s = ins->prepare(m_db, lv); !s) {
            lane.error = s.error();
            return lane;
        }
        lane.inserter = std::move(ins);
        if (&lv != &m_root && &lv != &m_month) {
            lane.cnpj = lv.fieldIndex(kCnpj);
            lane.ano = lv.fieldIndex(kAno);
            lane.mes = lv.fieldIndex(kMes);
            lane.day = lv.fieldIndex(store::rules::kDayField);
        }
        if (&lv == &m_finais || &lv == &m_substancias)
            lane.product = lv.fieldIndex(QStringLiteral("CdProduto"));
        if (&lv == &m_substancias)
            lane.final = lv.fieldIndex(QStringLiteral("CdProdFinal"));
        return lane;
    }

    Result<qint64> insertPlain(const Level &lv, const std::vector<FieldValue> &values)
    {
        Lane &lane = laneOf(lv);
        if (!lane.inserter)
            return lane.error;
        lane.inserter->bind(values);
        return lane.inserter->insert();
    }

    // The month row: the period is known, so the company is stored (when it
    // is not registered) and the month is replaced after the question.
    Status month(const std::vector<FieldValue> &values)
    {
        if (m_transaction)
            return makeError(msg::kPacoteSemEmpresa, 2);
        const QString cnpj = textOf(m_root, m_company, kCnpj);
        const PeriodKey given{textOf(m_month, values, kCnpj), textOf(m_month, values, kAno), textOf(m_month, values, kMes)};
        if (m_company.empty() || cnpj.isEmpty() || !given.isValid() || given.cnpj.compare(cnpj, Qt::CaseInsensitive) != 0)
            return makeError(msg::kPacoteSemEmpresa, 2);
        // The company key and the month code follow the rule of every stored
        // key; the month is stored in its upper-case form.
        if (Status s = shell::checkCompanyKey(cnpj); !s)
            return makeError(msg::kPacoteRegistro.arg(QStringLiteral("da empresa"), s.message()), 2);
        const Result<PeriodKey> checked = shell::checkPeriodKey(given);
        if (!checked)
            return makeError(msg::kPacoteRegistro.arg(QStringLiteral("do mês (%1)").arg(m_month.name), checked.message()), 2);
        m_key = *checked;

        m_transaction.emplace(m_db);
        if (!m_transaction->active())
            return m_transaction->error();
        // Not while another workstation has the period open for writing.
        if (Status s = store::claimPeriod(m_db, m_key); !s)
            return s.error();

        // The company is inserted only when it is not registered; registered
        // data are never replaced by the file's.
        Result<std::optional<QString>> registered = shell::companyName(m_db, cnpj);
        if (!registered)
            return registered.error();
        if (!registered->has_value())
            if (Result<qint64> r = insertPlain(m_root, m_company); !r)
                return r.error();

        Result<std::optional<PeriodKey>> existing = shell::findPeriod(m_db, m_key);
        if (!existing)
            return existing.error();
        if (existing->has_value()) {
            if (!m_dialogs.confirm(msg::kSobrescrever)) {
                m_declined = true;
                return makeError(msg::kSobrescrever, 1); // rolled back: nothing changed
            }
            if (Status s = shell::deletePeriodRows(m_db, **existing); !s)
                return s;
        }
        Lane &lane = laneOf(m_month);
        if (!lane.inserter)
            return lane.error;
        lane.inserter->bind(values);
        lane.inserter->set(m_month.fieldIndex(kCnpj), m_key.cnpj);
        lane.inserter->set(m_month.fieldIndex(kAno), m_key.ano);
        lane.inserter->set(m_month.fieldIndex(kMes), m_key.mes);
        if (Result<qint64> r = lane.inserter->insert(); !r)
            return r.error();
        return {};
    }

    // Every annex row belongs to the month of the packet: a row that names
    // another period is refused rather than written into it.
    Status samePeriod(const Level &lv, const std::vector<FieldValue> &values) const
    {
        const QString *names[3] = {&kCnpj, &kAno, &kMes};
        const QString *want[3] = {&m_key.cnpj, &m_key.ano, &m_key.mes};
        for (int i = 0; i < 3; ++i) {
            const int at = lv.fieldIndex(*names[i]);
            if (at < 0)
                continue;
            const FieldValue &v = values[static_cast<size_t>(at)];
            if (v.kind == FieldValue::Kind::Text && v.text.compare(*want[i], Qt::CaseInsensitive) != 0)
                return makeError(msg::kPacoteInvalido.arg(QStringLiteral("uma linha de %1 pertence a outro período")
                                                              .arg(lv.name)),
                                 2);
        }
        return {};
    }
};

// A row of an in-memory packet as the values the reader hands over.
class TreeValues {
public:
    const std::vector<FieldValue> &of(const Level &lv, const PacketRow &row)
    {
        m_values.assign(lv.fields.size(), FieldValue());
        m_texts.clear();
        m_texts.reserve(lv.fields.size());
        for (size_t i = 0; i < lv.fields.size() && static_cast<qsizetype>(i) < row.values.size(); ++i) {
            const QVariant &v = row.values.at(static_cast<int>(i));
            FieldValue &out = m_values[i];
            if (v.isNull() || !v.isValid())
                continue;
            switch (v.typeId()) {
            case QMetaType::Bool: out.kind = FieldValue::Kind::Flag; out.flag = v.toBool(); break;
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong: out.kind = FieldValue::Kind::Integer; out.integer = v.toLongLong(); break;
            case QMetaType::Double:
            case QMetaType::Float: out.kind = FieldValue::Kind::Number; out.number = v.toDouble(); break;
            case QMetaType::QString:
                out.kind = FieldValue::Kind::Text;
                out.text = *static_cast<const QString *>(v.constData());
                break;
            default:
                m_texts.push_back(v.toString());
                out.kind = FieldValue::Kind::Text;
                out.text = m_texts.back();
                break;
            }
        }
        return m_values;
    }

private:
    std::vector<FieldValue> m_values;
    std::vector<QString> m_texts;
};

Status walk(PacketStore &store, TreeValues &values, const Level &lv, const PacketRow &row)
{
    if (Status s = store.row(lv, values.of(lv, row)); !s)
        return s;
    for (size_t i = 0; i < lv.nested.size() && i < row.nested.size(); ++i)
        for (const PacketRow &child : row.nested[i])
            if (Status s = walk(store, values, *lv.nested[i], child); !s)
                return s;
    return store.endRow(lv);
}

qsizetype countRows(const PacketRow &row)
{
    qsizetype n = 1;
    for (const auto &set : row.nested)
        for (const PacketRow &r : set)
            n += countRows(r);
    return n;
}

// The end of an import: the success message, or the failure's own message
// (nothing when the user declined the overwrite).
Status finish(PacketStore &store, Status stored, Dialogs &dialogs)
{
    if (stored)
        stored = store.commit();
    if (!stored) {
        if (store.declined())
            return stored.error();
        const Error &e = stored.error();
        dialogs.error(e.message);
        return makeError(e.message, e.code == 1 ? 1 : 2);
    }
    dialogs.information(msg::kImportacaoConcluida);
    return {};
}

} // namespace

PeriodKey packetPeriod(const PacketRow &company)
{
    const Level &root = packetRoot();
    const Level &mes = level("qryMes");
    const std::vector<PacketRow> &months = rowsOf(root, company, mes.name);
    if (months.empty())
        return {};
    return {text(mes, months.front(), kCnpj), text(mes, months.front(), kAno), text(mes, months.front(), kMes)};
}

Status importPacket(QSqlDatabase &db, const PacketRow &company, Dialogs &dialogs, Progress &progress)
{
    const Level &root = packetRoot();
    PacketStore store(db, dialogs, progress);
    const std::vector<PacketRow> &months = rowsOf(root, company, level("qryMes").name);
    if (months.size() != 1)
        return finish(store, makeError(msg::kPacoteSemEmpresa, 2), dialogs);
    store.progressByRows(countRows(months.front()));
    TreeValues values;
    return finish(store, walk(store, values, root, company), dialogs);
}

Status importPacketFile(QSqlDatabase &db, const QString &path, Dialogs &dialogs, Progress &progress)
{
    PacketStore store(db, dialogs, progress);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return finish(store,
                      makeError(msg::kArquivoIlegivel.arg(QDir::toNativeSeparators(path), file.errorString()), 2),
                      dialogs);
    store.progressByBytes(file.size());
    // Nothing of the file is held beyond one piece and one row, so neither
    // its size nor its number of rows needs a limit here.
    ReadLimits limits;
    limits.maxBytes = std::numeric_limits<qint64>::max();
    limits.maxRows = std::numeric_limits<qsizetype>::max();
    return finish(store, readPacketStream(file, store, limits), dialogs);
}

} // namespace quirels::exchange
