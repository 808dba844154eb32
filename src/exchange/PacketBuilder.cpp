#include "PacketBuilder.h"

#include "Messages.h"
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

} // namespace quirels::exchange
