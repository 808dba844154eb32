#include "PacketBuilder.h"

#include "Messages.h"
#include "PacketXml.h"
#include "store/Schema.h"
#include "store/Sql.h"
#include "store/Statement.h"

#include <QHash>
#include <QSqlError>
#include <functional>
#include <QSqlQuery>
#include <QStringList>

namespace quirels::exchange {

namespace {

// SELECT of a level's fields from its table; the looked-up product name comes
// from the controlled-product list by the row's CdProduto.
QString selectOf(const Level &level, const QString &where, const QString &order)
{
    QStringList cols;
    bool lookup = false;
    for (const PacketField &f : level.fields) {
        if (f.kind == FieldKind::Lookup) {
            cols.append(QStringLiteral("pc.NmProdutoControlado"));
            lookup = true;
        } else {
            cols.append(QStringLiteral("t.") + sql::id(f.name));
        }
    }
    QString s = QStringLiteral("SELECT ") + cols.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                sql::id(level.table) + QStringLiteral(" t");
    if (lookup)
        s += QStringLiteral(" LEFT JOIN ProdutoControlado pc ON pc.IdProdutoControlado = t.CdProduto");
    s += QStringLiteral(" WHERE ") + where;
    if (!order.isEmpty())
        s += QStringLiteral(" ORDER BY ") + order;
    return s;
}

QString periodWhere() { return QStringLiteral("t.CdCNPJEmpr = ? AND t.NrAno = ? AND t.NmMes = ?"); }

// The order of a table's primary key, fields prefixed with the alias.
QString keyOrder(const Level &level)
{
    const schema::Table *t = schema::table(level.table);
    QStringList o;
    for (const QString &k : t->primaryKeyNames())
        o.append(QStringLiteral("t.") + sql::id(k));
    return o.join(QStringLiteral(", "));
}

Status run(QSqlDatabase &db, const QString &statement, const QVariantList &binds, const Level &level,
           const std::function<void(PacketRow &&)> &take)
{
    QSqlQuery q(db);
    sql::forwardOnly(q);
    if (Status s = sql::execBound(q, statement, binds, 2); !s)
        return s;
    const int n = static_cast<int>(level.fields.size());
    const size_t nested = level.nested.size();
    while (q.next()) {
        PacketRow r;
        r.values.resize(n);
        for (int i = 0; i < n; ++i)
            r.values[i] = q.value(i);
        r.nested.resize(nested);
        take(std::move(r));
    }
    if (q.lastError().isValid())
        return makeError(sql::errorText(q), 2);
    return {};
}

qint64 intAt(const Level &level, const PacketRow &r, const char *field)
{
    return r.values.at(level.fieldIndex(QString::fromLatin1(field))).toLongLong();
}

} // namespace

Result<PacketRow> buildPacket(QSqlDatabase &db, const PeriodKey &key)
{
    const Level &root = packetRoot();
    const Level &month = *packetLevel(QStringLiteral("qryMes"));
    const QVariantList period{key.cnpj, key.ano, key.mes};

    std::vector<PacketRow> companies;
    auto into = [](std::vector<PacketRow> &v) { return [&v](PacketRow &&r) { v.push_back(std::move(r)); }; };
    if (Status s = run(db, selectOf(root, QStringLiteral("t.CdCNPJEmpr = ?"), QString()), {key.cnpj}, root,
                       into(companies));
        !s)
        return s.error();
    if (companies.empty())
        return makeError(msg::kEmpresaNaoCadastrada.arg(key.cnpj), 2);

    std::vector<PacketRow> months;
    if (Status s = run(db, selectOf(month, periodWhere(), QString()), period, month, into(months)); !s)
        return s.error();
    if (months.empty())
        return makeError(msg::kMesNaoCadastrado.arg(key.mes, key.ano, key.cnpj), 2);

    PacketRow company = std::move(companies.front());
    PacketRow mes = std::move(months.front());

    const Level &produtos = *packetLevel(QStringLiteral("tblProdutos"));
    const Level &finais = *packetLevel(QStringLiteral("tblProdutoFinal"));
    const Level &substancias = *packetLevel(QStringLiteral("tblSubstanciaPresente"));

    for (size_t i = 0; i < month.nested.size(); ++i) {
        const Level &set = *month.nested[i];
        if (Status s = run(db, selectOf(set, periodWhere(), keyOrder(set)), period, set, into(mes.nested[i])); !s)
            return s.error();
    }

    // The chain: final products under their product, substances under their
    // final product, each in key order.
    std::vector<PacketRow> &prodRows = mes.nested[static_cast<size_t>(month.nestedIndex(produtos.name))];
    QHash<qint64, PacketRow *> prodByNumber;
    for (PacketRow &p : prodRows)
        prodByNumber.insert(intAt(produtos, p, "CdProduto"), &p);

    std::vector<PacketRow> finalRows;
    if (Status s = run(db, selectOf(finais, periodWhere(), keyOrder(finais)), period, finais, into(finalRows)); !s)
        return s.error();
    std::vector<PacketRow> substRows;
    if (Status s = run(db, selectOf(substancias, periodWhere(), keyOrder(substancias)), period, substancias,
                       into(substRows));
        !s)
        return s.error();

    // Substances first, while the final products still sit in one vector.
    QHash<QPair<qint64, qint64>, std::vector<PacketRow>> substByFinal;
    for (PacketRow &sr : substRows)
        substByFinal[qMakePair(intAt(substancias, sr, "CdProduto"), intAt(substancias, sr, "CdProdFinal"))].push_back(
            std::move(sr));
    for (PacketRow &fr : finalRows) {
        const qint64 prod = intAt(finais, fr, "CdProduto");
        auto it = substByFinal.find(qMakePair(prod, intAt(finais, fr, "CdProdFinal")));
        if (it != substByFinal.end())
            fr.nested[0] = std::move(it.value());
        if (PacketRow *p = prodByNumber.value(prod, nullptr))
            p->nested[0].push_back(std::move(fr));
    }

    company.nested[0].push_back(std::move(mes));
    return company;
}

namespace {

using detail::LevelBytes;
using detail::PacketXmlWriter;
using store::Statement;
using store::ValueType;

// One field of the current row of a statement, written as its attribute.
// The common stored types are written straight from the store's value; any
// other (text in a number field, a number in a text field) goes through the
// QVariant the store gives, as the in-memory packet does.
bool column(PacketXmlWriter &w, const PacketField &f, const QByteArray &prefix, const Statement &st, int i)
{
    const ValueType t = st.type(i);
    if (t == ValueType::Null)
        return true;
    switch (f.kind) {
    case FieldKind::Text:
    case FieldKind::Memo:
    case FieldKind::Lookup:
        if (t == ValueType::Text) {
            const QByteArrayView bytes = st.utf8(i);
            if (bytes.isEmpty())
                return true;
            w.raw(prefix);
            std::optional<bool> written = w.textUtf8(bytes, f.name);
            if (!written) // bytes that are not UTF-8: as the store converts them
                written = w.text(st.text(i), f.name);
            if (!*written)
                return false;
            w.put('"');
            return true;
        }
        break;
    case FieldKind::Flag:
        if (t == ValueType::Integer) {
            w.raw(prefix);
            w.raw(st.integer(i) != 0 ? "TRUE\"" : "FALSE\"");
            return true;
        }
        break;
    case FieldKind::Number:
        if (t == ValueType::Real || t == ValueType::Integer) {
            const double d = t == ValueType::Real ? st.real(i) : static_cast<double>(st.integer(i));
            if (!std::isfinite(d))
                break; // refused below, with the value as the store gives it
            w.raw(prefix);
            char buf[400];
            const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
            w.put(buf, r.ptr - buf);
            w.put('"');
            return true;
        }
        break;
    case FieldKind::Integer:
    case FieldKind::Counter:
        if (t == ValueType::Integer) {
            const qint64 n = st.integer(i);
            if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
                break;
            w.raw(prefix);
            char buf[24];
            const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, n);
            w.put(buf, r.ptr - buf);
            w.put('"');
            return true;
        }
        break;
    }
    return w.value(f, prefix, st.value(i));
}

// "<ROWname" and the row's non-empty fields from the statement's columns.
bool rowAttributes(PacketXmlWriter &w, const Level &level, const LevelBytes &b, const Statement &st)
{
    w.raw(b.rowOpen);
    const size_t n = level.fields.size();
    for (size_t i = 0; i < n; ++i)
        if (!column(w, level.fields[i], b.attr[i], st, static_cast<int>(i)))
            return false;
    return true;
}

// A query of one level's rows of the period, started.
Result<std::unique_ptr<Statement>> query(QSqlDatabase &db, const QString &statement, const QStringList &binds)
{
    Result<std::unique_ptr<Statement>> st = store::prepare(db, statement);
    if (!st)
        return st;
    for (int i = 0; i < binds.size(); ++i)
        (*st)->bindText(i, binds.at(i));
    if (Status s = (*st)->start(); !s)
        return s.error();
    return st;
}

// A cursor over the rows of a nested level, in key order, read alongside its
// parent's rows: the rows of one parent stand together.
class ChildCursor {
public:
    Status open(QSqlDatabase &db, const Level &level, const QStringList &period)
    {
        Result<std::unique_ptr<Statement>> st = query(db, selectOf(level, periodWhere(), keyOrder(level)), period);
        if (!st)
            return st.error();
        m_st = st.take();
        return advance();
    }
    Status advance()
    {
        Result<bool> more = m_st->next();
        if (!more)
            return more.error();
        m_valid = *more;
        return {};
    }
    bool valid() const { return m_valid; }
    Statement &row() { return *m_st; }
    // The row's link to its parent: an integer, or nothing that can match.
    bool link(int column, qint64 &out) const
    {
        if (m_st->type(column) != ValueType::Integer)
            return false;
        out = m_st->integer(column);
        return true;
    }

private:
    std::unique_ptr<Statement> m_st;
    bool m_valid = false;
};

class PacketStreamer {
public:
    PacketStreamer(QSqlDatabase &db, const PeriodKey &key, PacketXmlWriter &w)
        : m_db(db), m_key(key), m_period{key.cnpj, key.ano, key.mes}, m_w(w)
    {
    }

    Status run()
    {
        const Level &root = packetRoot();
        const Level &month = *packetLevel(QStringLiteral("qryMes"));
        if (!m_w.begin())
            return m_w.error;
        {
            Result<std::unique_ptr<Statement>> st =
                query(m_db, selectOf(root, QStringLiteral("t.CdCNPJEmpr = ?"), QString()), {m_key.cnpj});
            if (!st)
                return st.error();
            Result<bool> row = (*st)->next();
            if (!row)
                return row.error();
            if (!*row)
                return makeError(msg::kEmpresaNaoCadastrada.arg(m_key.cnpj), 2);
            if (!rowAttributes(m_w, root, m_w.bytesOf(root), **st))
                return m_w.error;
            m_w.raw(">");
        }
        const LevelBytes &monthBytes = m_w.bytesOf(month);
        m_w.raw(monthBytes.setOpen);
        {
            Result<std::unique_ptr<Statement>> st = query(m_db, selectOf(month, periodWhere(), QString()), m_period);
            if (!st)
                return st.error();
            Result<bool> row = (*st)->next();
            if (!row)
                return row.error();
            if (!*row)
                return makeError(msg::kMesNaoCadastrado.arg(m_key.mes, m_key.ano, m_key.cnpj), 2);
            if (!rowAttributes(m_w, month, monthBytes, **st))
                return m_w.error;
            m_w.raw(">");
        }
        for (const Level *set : month.nested)
            if (Status s = set->nested.empty() ? plainSet(*set) : productSet(*set); !s)
                return s;
        m_w.raw(monthBytes.rowClose);
        m_w.raw(monthBytes.setClose);
        m_w.raw(m_w.bytesOf(root).rowClose);
        m_w.end();
        if (!m_w.flush())
            return m_w.error;
        return {};
    }

private:
    QSqlDatabase &m_db;
    const PeriodKey &m_key;
    const QStringList m_period;
    PacketXmlWriter &m_w;

    // The set's opening tag is written with its first row; a set without
    // rows is written as an empty element.
    Status plainSet(const Level &set)
    {
        const LevelBytes &b = m_w.bytesOf(set);
        Result<std::unique_ptr<Statement>> st = query(m_db, selectOf(set, periodWhere(), keyOrder(set)), m_period);
        if (!st)
            return st.error();
        bool any = false;
        for (;;) {
            Result<bool> row = (*st)->next();
            if (!row)
                return row.error();
            if (!*row)
                break;
            if (!any)
                m_w.raw(b.setOpen);
            any = true;
            if (!rowAttributes(m_w, set, b, **st))
                return m_w.error;
            m_w.raw("/>");
            if (!m_w.rowDone())
                return m_w.error;
        }
        m_w.raw(any ? b.setClose : b.setEmpty);
        return {};
    }

    // The products with their final products and these with their
    // substances: three cursors in key order, merged as they go, so that
    // nothing of the chain is held.
    Status productSet(const Level &produtos)
    {
        const Level &finais = *produtos.nested.front();
        const Level &substancias = *finais.nested.front();
        const LevelBytes &pb = m_w.bytesOf(produtos);
        const LevelBytes &fb = m_w.bytesOf(finais);
        const LevelBytes &sb = m_w.bytesOf(substancias);
        const int productNumber = produtos.fieldIndex(QStringLiteral("CdProduto"));
        const int finalProduct = finais.fieldIndex(QStringLiteral("CdProduto"));
        const int finalNumber = finais.fieldIndex(QStringLiteral("CdProdFinal"));
        const int substProduct = substancias.fieldIndex(QStringLiteral("CdProduto"));
        const int substFinal = substancias.fieldIndex(QStringLiteral("CdProdFinal"));

        ChildCursor finals, substs;
        if (Status s = finals.open(m_db, finais, m_period); !s)
            return s;
        if (Status s = substs.open(m_db, substancias, m_period); !s)
            return s;
        Result<std::unique_ptr<Statement>> st =
            query(m_db, selectOf(produtos, periodWhere(), keyOrder(produtos)), m_period);
        if (!st)
            return st.error();
        Statement &p = **st;
        bool any = false;
        for (;;) {
            Result<bool> row = p.next();
            if (!row)
                return row.error();
            if (!*row)
                break;
            if (!any)
                m_w.raw(pb.setOpen);
            any = true;
            if (!rowAttributes(m_w, produtos, pb, p))
                return m_w.error;
            m_w.raw(">");
            const qint64 product = p.integer(productNumber);
            // Final products of earlier (or no) products are not in the packet.
            qint64 k = 0;
            while (finals.valid() && !(finals.link(finalProduct, k) && k >= product))
                if (Status s = finals.advance(); !s)
                    return s;
            bool anyFinal = false;
            while (finals.valid() && finals.link(finalProduct, k) && k == product) {
                if (!anyFinal)
                    m_w.raw(fb.setOpen);
                anyFinal = true;
                if (!rowAttributes(m_w, finais, fb, finals.row()))
                    return m_w.error;
                m_w.raw(">");
                const qint64 number = finals.row().integer(finalNumber);
                if (Status s = substances(substs, substancias, sb, product, number, substProduct, substFinal); !s)
                    return s;
                m_w.raw(fb.rowClose);
                if (Status s = finals.advance(); !s)
                    return s;
            }
            m_w.raw(anyFinal ? fb.setClose : fb.setEmpty);
            m_w.raw(pb.rowClose);
            if (!m_w.rowDone())
                return m_w.error;
        }
        m_w.raw(any ? pb.setClose : pb.setEmpty);
        return {};
    }

    Status substances(ChildCursor &substs, const Level &level, const LevelBytes &b, qint64 product, qint64 number,
                      int productColumn, int finalColumn)
    {
        auto before = [&](bool &equal) {
            qint64 sp = 0, sf = 0;
            if (!substs.link(productColumn, sp) || !substs.link(finalColumn, sf)) {
                equal = false;
                return true; // cannot belong to any final product
            }
            equal = sp == product && sf == number;
            return sp < product || (sp == product && sf < number);
        };
        bool equal = false;
        while (substs.valid() && before(equal))
            if (Status s = substs.advance(); !s)
                return s;
        bool any = false;
        while (substs.valid() && !before(equal) && equal) {
            if (!any)
                m_w.raw(b.setOpen);
            any = true;
            if (!rowAttributes(m_w, level, b, substs.row()))
                return m_w.error;
            m_w.raw("/>");
            if (Status s = substs.advance(); !s)
                return s;
        }
        m_w.raw(any ? b.setClose : b.setEmpty);
        return {};
    }
};

} // namespace

Status streamPacket(QSqlDatabase &db, const PeriodKey &key, detail::PacketOutput &output)
{
    PacketXmlWriter w;
    w.output = &output;
    w.out.reserve(PacketXmlWriter::kFlushBytes + (1 << 18));
    return PacketStreamer(db, key, w).run();
}

Result<QByteArray> buildPacketBytes(QSqlDatabase &db, const PeriodKey &key)
{
    PacketXmlWriter w;
    if (Status s = PacketStreamer(db, key, w).run(); !s)
        return s.error();
    return std::move(w.out);
}

} // namespace quirels::exchange
