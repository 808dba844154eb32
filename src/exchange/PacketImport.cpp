#include "PacketImport.h"

#include "Messages.h"
#include "shell/PeriodOps.h"
#include "shell/RowRules.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QSqlQuery>
#include <QStringList>

namespace quirels::exchange {

namespace {

const QString kCnpj = QStringLiteral("CdCNPJEmpr");
const QString kAno = QStringLiteral("NrAno");
const QString kMes = QStringLiteral("NmMes");

// One prepared INSERT of a level's stored fields (every field but the
// counter and the looked-up name), reused for every row.
class Inserter {
public:
    Inserter(QSqlDatabase &db, const Level &level) : m_level(level), m_query(db)
    {
        QStringList cols, marks;
        for (size_t i = 0; i < level.fields.size(); ++i) {
            const PacketField &f = level.fields[i];
            if (f.kind == FieldKind::Counter || f.kind == FieldKind::Lookup)
                continue;
            m_fields.push_back(static_cast<int>(i));
            cols.append(sql::id(f.name));
            marks.append(QStringLiteral("?"));
        }
        m_ok = m_query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(sql::id(level.table), cols.join(QStringLiteral(", ")),
                                        marks.join(QStringLiteral(", "))));
    }

    // Inserts the row; overrides replace the values of the named fields (the
    // period key, the new numbers of the chain). Returns the new row number.
    Result<qint64> insert(const PacketRow &row, const QList<QPair<int, QVariant>> &overrides)
    {
        if (!m_ok)
            return makeError(sql::errorText(m_query), 2);
        for (size_t k = 0; k < m_fields.size(); ++k) {
            const int i = m_fields[k];
            QVariant v = i < row.values.size() ? row.values.at(i) : QVariant();
            for (const auto &o : overrides)
                if (o.first == i)
                    v = o.second;
            m_query.bindValue(static_cast<int>(k), v);
        }
        if (!m_query.exec())
            return makeError(sql::errorText(m_query), 2);
        return m_query.lastInsertId().toLongLong();
    }

    int index(const QString &field) const { return m_level.fieldIndex(field); }

private:
    const Level &m_level;
    QSqlQuery m_query;
    std::vector<int> m_fields;
    bool m_ok = false;
};

QString text(const Level &level, const PacketRow &row, const QString &field)
{
    return fieldValue(level, row, field).toString();
}

// Every annex row belongs to the month of the packet: a row that names
// another period is refused rather than written into it.
Status samePeriod(const Level &level, const PacketRow &row, const PeriodKey &key)
{
    const QString names[3] = {kCnpj, kAno, kMes};
    const QString want[3] = {key.cnpj, key.ano, key.mes};
    for (int i = 0; i < 3; ++i) {
        const QVariant v = fieldValue(level, row, names[i]);
        if (!v.isNull() && v.toString().compare(want[i], Qt::CaseInsensitive) != 0)
            return makeError(msg::kPacoteInvalido.arg(QStringLiteral("uma linha de %1 pertence a outro período")
                                                          .arg(level.name)),
                             2);
    }
    return {};
}

QList<QPair<int, QVariant>> periodOverrides(const Inserter &ins, const PeriodKey &key)
{
    return {{ins.index(kCnpj), key.cnpj}, {ins.index(kAno), key.ano}, {ins.index(kMes), key.mes}};
}

const Level &level(const char *name) { return *packetLevel(QString::fromLatin1(name)); }

const std::vector<PacketRow> &rowsOf(const Level &parent, const PacketRow &row, const QString &set)
{
    static const std::vector<PacketRow> none;
    const int at = parent.nestedIndex(set);
    return at >= 0 && static_cast<size_t>(at) < row.nested.size() ? row.nested[static_cast<size_t>(at)] : none;
}

qsizetype countRows(const PacketRow &row)
{
    qsizetype n = 1;
    for (const auto &set : row.nested)
        for (const PacketRow &r : set)
            n += countRows(r);
    return n;
}

// Everything after the questions: inside the caller's transaction.
Status store(QSqlDatabase &db, const PacketRow &month, const PeriodKey &key, Progress &progress)
{
    const Level &mes = level("qryMes");
    qint64 done = 0;
    auto step = [&] {
        if ((++done & 1023) == 0)
            progress.setValue(done);
    };

    // The product chain, relinked to the new numbers.
    const Level &produtos = level("tblProdutos");
    const Level &finais = level("tblProdutoFinal");
    const Level &substancias = level("tblSubstanciaPresente");
    Inserter prodIns(db, produtos), finalIns(db, finais), substIns(db, substancias);
    for (const PacketRow &p : rowsOf(mes, month, produtos.name)) {
        if (Status s = samePeriod(produtos, p, key); !s)
            return s;
        Result<qint64> product = prodIns.insert(p, periodOverrides(prodIns, key));
        if (!product)
            return product.error();
        step();
        for (const PacketRow &f : rowsOf(produtos, p, finais.name)) {
            if (Status s = samePeriod(finais, f, key); !s)
                return s;
            auto o = periodOverrides(finalIns, key);
            o.append({finalIns.index(QStringLiteral("CdProduto")), *product});
            Result<qint64> final = finalIns.insert(f, o);
            if (!final)
                return final.error();
            step();
            for (const PacketRow &s : rowsOf(finais, f, substancias.name)) {
                if (Status st = samePeriod(substancias, s, key); !st)
                    return st;
                auto so = periodOverrides(substIns, key);
                so.append({substIns.index(QStringLiteral("CdProduto")), *product});
                so.append({substIns.index(QStringLiteral("CdProdFinal")), *final});
                if (Result<qint64> r = substIns.insert(s, so); !r)
                    return r.error();
                step();
            }
        }
    }

    // The other tables, in this order; observations of every letter.
    for (const char *name : {"tblMovimentacao", "tblImportacao", "tblArmazenagem", "tblMovArmazenagem", "tblResiduo",
                             "tblMovResiduo", "tblIsolado", "tblTransporte", "tblObservacoes"}) {
        const Level &set = level(name);
        Inserter ins(db, set);
        const auto o = periodOverrides(ins, key);
        for (const PacketRow &r : rowsOf(mes, month, set.name)) {
            if (Status s = samePeriod(set, r, key); !s)
                return s;
            if (Result<qint64> n = ins.insert(r, o); !n)
                return n.error();
            step();
        }
    }
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
    auto failed = [&](const Error &e) -> Status {
        dialogs.error(e.message);
        return makeError(e.message, e.code == 1 ? 1 : 2);
    };
    const Level &root = packetRoot();
    const Level &mes = level("qryMes");
    const std::vector<PacketRow> &months = rowsOf(root, company, mes.name);
    const QString cnpj = text(root, company, kCnpj);
    const PeriodKey given = packetPeriod(company);
    if (cnpj.isEmpty() || months.size() != 1 || !given.isValid() || given.cnpj.compare(cnpj, Qt::CaseInsensitive) != 0)
        return failed(makeError(msg::kPacoteSemEmpresa, 2));
    // The company key and the month code follow the rule of every stored
    // key; the month is stored in its upper-case form.
    if (Status s = shell::checkCompanyKey(cnpj); !s)
        return failed(makeError(msg::kPacoteRegistro.arg(QStringLiteral("da empresa"), s.message()), 2));
    const Result<PeriodKey> checked = shell::checkPeriodKey(given);
    if (!checked)
        return failed(makeError(msg::kPacoteRegistro.arg(QStringLiteral("do mês (%1)").arg(mes.name), checked.message()), 2));
    const PeriodKey key = *checked;
    const PacketRow &month = months.front();

    sql::Transaction transaction(db);
    if (!transaction.active())
        return failed(transaction.error());

    // The company is inserted only when it is not registered; registered
    // data are never replaced by the file's.
    Result<std::optional<QString>> registered = shell::companyName(db, cnpj);
    if (!registered)
        return failed(registered.error());
    if (!registered->has_value()) {
        Inserter ins(db, root);
        if (Result<qint64> r = ins.insert(company, {}); !r)
            return failed(r.error());
    }

    Result<std::optional<PeriodKey>> existing = shell::findPeriod(db, key);
    if (!existing)
        return failed(existing.error());
    if (existing->has_value()) {
        if (!dialogs.confirm(msg::kSobrescrever))
            return makeError(msg::kSobrescrever, 1); // rolled back: nothing changed
        if (Status s = shell::deletePeriodRows(db, **existing); !s)
            return failed(s.error());
    }
    {
        Inserter ins(db, mes);
        if (Result<qint64> r = ins.insert(month, periodOverrides(ins, key)); !r)
            return failed(r.error());
    }

    progress.setRange(countRows(month));
    if (Status s = store(db, month, key, progress); !s)
        return failed(s.error());
    if (Status s = transaction.commit(); !s)
        return failed(s.error());
    dialogs.information(msg::kImportacaoConcluida);
    return {};
}

} // namespace quirels::exchange
