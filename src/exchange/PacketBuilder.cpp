#include "PacketBuilder.h"

#include "Messages.h"
#include "PacketXml.h"
#include "store/Schema.h"
#include "store/Sql.h"

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
    q.setForwardOnly(true);
    if (!q.prepare(statement))
        return makeError(sql::errorText(q), 2);
    for (const QVariant &b : binds)
        q.addBindValue(b);
    if (!q.exec())
        return makeError(sql::errorText(q), 2);
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

Result<QSqlQuery> openQuery(QSqlDatabase &db, const QString &statement, const QVariantList &binds)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(statement))
        return makeError(sql::errorText(q), 2);
    for (const QVariant &b : binds)
        q.addBindValue(b);
    if (!q.exec())
        return makeError(sql::errorText(q), 2);
    return q;
}

// Writes the rows of one data set of the period; each row element is
// completed by close(query), which writes "/>" or the row's nested sets and
// its closing tag. Returns the number of rows.
Result<qsizetype> streamRows(QSqlDatabase &db, const Level &level, const QString &statement,
                             const QVariantList &binds, detail::PacketXmlWriter &w,
                             const std::function<void(const QSqlQuery &)> &close)
{
    Result<QSqlQuery> q = openQuery(db, statement, binds);
    if (!q)
        return q.error();
    QSqlQuery &query = *q;
    qsizetype n = 0;
    while (query.next()) {
        if (!w.attributes(level, [&query](int i) { return query.value(i); }))
            return w.error;
        close(query);
        ++n;
    }
    if (query.lastError().isValid())
        return makeError(sql::errorText(query), 2);
    return n;
}

} // namespace

Result<QByteArray> buildPacketBytes(QSqlDatabase &db, const PeriodKey &key)
{
    const Level &root = packetRoot();
    const Level &month = *packetLevel(QStringLiteral("qryMes"));
    const Level &produtos = *packetLevel(QStringLiteral("tblProdutos"));
    const Level &finais = *packetLevel(QStringLiteral("tblProdutoFinal"));
    const Level &substancias = *packetLevel(QStringLiteral("tblSubstanciaPresente"));
    const QVariantList period{key.cnpj, key.ano, key.mes};
    detail::PacketXmlWriter w;
    auto selfClose = [&w](const QSqlQuery &) { w.raw("/>"); };

    // The chain first, each level rendered apart and grouped by its parent:
    // substances by (product, final product), final products by product.
    QHash<QPair<qint64, qint64>, QByteArray> substByFinal;
    {
        const int cdProduto = substancias.fieldIndex(QStringLiteral("CdProduto"));
        const int cdFinal = substancias.fieldIndex(QStringLiteral("CdProdFinal"));
        Result<QSqlQuery> q = openQuery(db, selectOf(substancias, periodWhere(), keyOrder(substancias)), period);
        if (!q)
            return q.error();
        while (q->next()) {
            QByteArray &group = substByFinal[qMakePair(q->value(cdProduto).toLongLong(), q->value(cdFinal).toLongLong())];
            std::swap(w.out, group);
            const bool ok = w.attributes(substancias, [&q](int i) { return q->value(i); });
            w.raw("/>");
            std::swap(w.out, group);
            if (!ok)
                return w.error;
        }
        if (q->lastError().isValid())
            return makeError(sql::errorText(*q), 2);
    }
    const detail::LevelBytes substBytes = w.bytesOf(substancias);
    QHash<qint64, QByteArray> finalsByProduct;
    {
        const int cdProduto = finais.fieldIndex(QStringLiteral("CdProduto"));
        const int cdFinal = finais.fieldIndex(QStringLiteral("CdProdFinal"));
        const detail::LevelBytes finalBytes = w.bytesOf(finais);
        Result<QSqlQuery> q = openQuery(db, selectOf(finais, periodWhere(), keyOrder(finais)), period);
        if (!q)
            return q.error();
        while (q->next()) {
            const qint64 product = q->value(cdProduto).toLongLong();
            QByteArray &group = finalsByProduct[product];
            std::swap(w.out, group);
            const bool ok = w.attributes(finais, [&q](int i) { return q->value(i); });
            if (ok) {
                w.raw(">");
                auto it = substByFinal.constFind(qMakePair(product, q->value(cdFinal).toLongLong()));
                if (it == substByFinal.constEnd()) {
                    w.raw(substBytes.setEmpty);
                } else {
                    w.raw(substBytes.setOpen);
                    w.raw(*it);
                    w.raw(substBytes.setClose);
                }
                w.raw(finalBytes.rowClose);
            }
            std::swap(w.out, group);
            if (!ok)
                return w.error;
        }
        if (q->lastError().isValid())
            return makeError(sql::errorText(*q), 2);
    }
    substByFinal.clear();

    w.out.reserve(8 << 20);
    w.begin();
    qsizetype companies = 0;
    {
        Result<qsizetype> n = streamRows(db, root, selectOf(root, QStringLiteral("t.CdCNPJEmpr = ?"), QString()),
                                         {key.cnpj}, w, [&w](const QSqlQuery &) { w.raw(">"); });
        if (!n)
            return n.error();
        companies = *n;
    }
    if (companies == 0)
        return makeError(msg::kEmpresaNaoCadastrada.arg(key.cnpj), 2);
    const detail::LevelBytes &monthBytes = w.bytesOf(month);
    w.raw(monthBytes.setOpen);
    {
        Result<qsizetype> n = streamRows(db, month, selectOf(month, periodWhere(), QString()), period, w,
                                         [&w](const QSqlQuery &) { w.raw(">"); });
        if (!n)
            return n.error();
        if (*n != 1)
            return makeError(msg::kMesNaoCadastrado.arg(key.mes, key.ano, key.cnpj), 2);
    }
    const detail::LevelBytes finalSet = w.bytesOf(finais);
    const detail::LevelBytes produtosBytes = w.bytesOf(produtos);
    const int produtoNumber = produtos.fieldIndex(QStringLiteral("CdProduto"));
    for (const Level *set : month.nested) {
        const detail::LevelBytes setBytes = w.bytesOf(*set);
        const qsizetype mark = w.out.size();
        w.raw(setBytes.setOpen);
        std::function<void(const QSqlQuery &)> close = selfClose;
        if (set == &produtos)
            close = [&](const QSqlQuery &q) {
                w.raw(">");
                auto it = finalsByProduct.constFind(q.value(produtoNumber).toLongLong());
                if (it == finalsByProduct.constEnd()) {
                    w.raw(finalSet.setEmpty);
                } else {
                    w.raw(finalSet.setOpen);
                    w.raw(*it);
                    w.raw(finalSet.setClose);
                }
                w.raw(produtosBytes.rowClose);
            };
        Result<qsizetype> n = streamRows(db, *set, selectOf(*set, periodWhere(), keyOrder(*set)), period, w, close);
        if (!n)
            return n.error();
        if (*n == 0) {
            w.out.truncate(mark);
            w.raw(setBytes.setEmpty);
        } else {
            w.raw(setBytes.setClose);
        }
    }
    w.raw(monthBytes.rowClose);
    w.raw(monthBytes.setClose);
    w.raw(w.bytesOf(root).rowClose);
    w.end();
    return std::move(w.out);
}

} // namespace quirels::exchange
