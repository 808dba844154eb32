#include "PeriodOps.h"

#include "Messages.h"
#include "store/Schema.h"
#include "store/Dialect.h"
#include "store/PeriodLock.h"
#include "store/Sql.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace quirels::shell {

namespace {

const QString kPeriodWhere = QStringLiteral(" where CdCNPJEmpr = ? and NrAno = ? and NmMes = ?");

// A forward-only query prepared once; values are bound before each run.
struct Prepared {
    QSqlQuery q;
    Status status;
    Prepared(QSqlDatabase &db, const QString &statement) : q(db)
    {
        sql::forwardOnly(q);
        if (!q.prepare(statement))
            status = makeError(sql::errorText(q));
    }
};

void bindKey(QSqlQuery &q, const PeriodKey &key, int first = 0)
{
    q.bindValue(first, key.cnpj);
    q.bindValue(first + 1, key.ano);
    q.bindValue(first + 2, key.mes);
}

Result<qint64> countRows(QSqlDatabase &db, const QString &table, const PeriodKey &key)
{
    Prepared p(db, QStringLiteral("select count(*) from ") + table + kPeriodWhere);
    if (!p.status)
        return p.status.error();
    bindKey(p.q, key);
    if (Status s = sql::exec(p.q); !s)
        return s.error();
    return p.q.next() ? p.q.value(0).toLongLong() : 0;
}

} // namespace

PeriodKey previousPeriod(const PeriodKey &key)
{
    const int month = schema::monthNumber(key.mes);
    bool ok = false;
    const int year = key.ano.toInt(&ok);
    if (month == 0 || !ok)
        return PeriodKey{key.cnpj, QString(), QString()};
    if (month == 1)
        return PeriodKey{key.cnpj, QStringLiteral("%1").arg(year - 1, 4, 10, QLatin1Char('0')), schema::monthCodes().last()};
    return PeriodKey{key.cnpj, key.ano, schema::monthCodes().at(month - 2)};
}

Result<std::optional<QString>> companyName(QSqlDatabase &db, const QString &cnpj)
{
    Prepared p(db, QStringLiteral("select NmRazao from Empresa where CdCNPJEmpr = ?"));
    if (!p.status)
        return p.status.error();
    p.q.bindValue(0, cnpj);
    if (Status s = sql::exec(p.q); !s)
        return s.error();
    if (!p.q.next())
        return std::optional<QString>();
    return std::optional<QString>(p.q.value(0).toString());
}

Result<std::optional<PeriodKey>> findPeriod(QSqlDatabase &db, const PeriodKey &key)
{
    Prepared p(db, QStringLiteral("select NrAno, NmMes from Mes where CdCNPJEmpr = ? and upper(NrAno) = upper(?)"
                                  " and upper(NmMes) = upper(?) order by NrAno, NmMes"));
    if (!p.status)
        return p.status.error();
    bindKey(p.q, key);
    if (Status s = sql::exec(p.q); !s)
        return s.error();
    if (!p.q.next())
        return std::optional<PeriodKey>();
    return std::optional<PeriodKey>(PeriodKey{key.cnpj, p.q.value(0).toString(), p.q.value(1).toString()});
}

Status carryOver(QSqlDatabase &db, const PeriodKey &from, const PeriodKey &to, Progress &progress)
{
    Result<qint64> products = countRows(db, QStringLiteral("Produtos"), from);
    if (!products)
        return products.error();
    Result<qint64> storage = countRows(db, QStringLiteral("Armazenagem"), from);
    if (!storage)
        return storage.error();
    progress.setRange(*products + *storage);

    // The copies are numbered after every number the new month holds now,
    // so the new month's rows above these numbers are exactly the copies.
    // The new month is held by this transaction (no other workstation
    // writes into it), and each statement numbers its rows in its own ORDER
    // BY, so the k-th copy is the copy of the k-th original. Other
    // workstations may take numbers in between at the same time: the copies
    // are matched to their originals by position, never by number.
    auto highest = [&](const QString &field, const QString &table) -> Result<QVariant> {
        Prepared p(db, QStringLiteral("select coalesce(max(%1), 0) from %2").arg(field, table) + kPeriodWhere);
        if (!p.status)
            return p.status.error();
        bindKey(p.q, to);
        if (Status s = sql::exec(p.q); !s)
            return s.error();
        return p.q.next() ? p.q.value(0) : QVariant(0);
    };
    Result<QVariant> lastProduto = highest(QStringLiteral("CdProduto"), QStringLiteral("Produtos"));
    if (!lastProduto)
        return lastProduto.error();
    Result<QVariant> lastFinal = highest(QStringLiteral("CdProdFinal"), QStringLiteral("ProdutoFinal"));
    if (!lastFinal)
        return lastFinal.error();

    const QVariantList fromKey{from.cnpj, from.ano, from.mes};
    const QVariantList toKey{to.cnpj, to.ano, to.mes};
    auto run = [&](const QString &statement, const QList<QVariantList> &values = {}) -> Status {
        // A server prepares only statements that read or change rows.
        if (values.isEmpty())
            return sql::exec(db, statement);
        Prepared p(db, statement);
        if (!p.status)
            return p.status;
        int i = 0;
        for (const QVariantList &group : values)
            for (const QVariant &v : group)
                p.q.bindValue(i++, v);
        return sql::exec(p.q);
    };

    // Work tables of the connection (temporary: gone with a rollback or the
    // connection) matching positions to numbers, keyed so that each join
    // is a look-up. On SQLite an integer key is the row's own number: the
    // rows are appended and found without a second index.
    const QString key = store::dialect::isServer(db) ? QStringLiteral("bigint primary key") : QStringLiteral("integer primary key");
    const QStringList work{QStringLiteral("quirels_cn"), QStringLiteral("quirels_cp"), QStringLiteral("quirels_cfn"),
                           QStringLiteral("quirels_cf")};
    auto dropWork = [&]() -> Status {
        for (const QString &t : work)
            if (Status s = run(QStringLiteral("drop table if exists ") + t); !s)
                return s;
        return {};
    };
    if (Status s = dropWork(); !s)
        return s;
    for (const QString &create : {
             QStringLiteral("create temp table quirels_cn (n %1, novo bigint not null)").arg(key),
             QStringLiteral("create temp table quirels_cp (antigo %1, novo bigint not null)").arg(key),
             QStringLiteral("create temp table quirels_cfn (n %1, novo bigint not null)").arg(key),
             QStringLiteral("create temp table quirels_cf (antigo %1, produto bigint not null, novo bigint not null,"
                            " produto_novo bigint not null)").arg(key)})
        if (Status s = run(create); !s)
            return s;

    // The new month opens with the closing stock as both its opening and
    // its closing stock and every movement quantity zero; the rows are
    // copied inside the store, so the values keep their full precision and
    // empty values stay empty. The controlled-product references are not
    // carried.
    //
    // Products are copied in the order of their numbers, final products in
    // the order of their product's and their own number, substances in the
    // order of their product's, final product's and own number: the order
    // of each table's key, which the store reads without sorting. As the
    // copies of the products are numbered in the order of the originals,
    // that order is also the order of the new products' numbers.
    const QList<std::pair<QString, QList<QVariantList>>> steps{
        {QStringLiteral(
             "insert into Produtos (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlConcentracao,VlDensidade,DsUnidade,"
             "QtEstoqueAnt,QtProducao,QtTransformacao,QtUtilizacao,QtCompras,QtVendas,QtReciclagem,QtReaproveitamento,"
             "QtImportacao,QtExportacao,QtPerdas,QtEvaporacao,QtEntradasDiv,QtSaidasDiv,QtEstoqueAtual) "
             "select ?,?,?,CdNCM,NmProduto,VlConcentracao,VlDensidade,DsUnidade,QtEstoqueAtual,"
             "0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,QtEstoqueAtual from Produtos")
             + kPeriodWhere + QStringLiteral(" order by CdProduto"),
         {toKey, fromKey}},
        // The k-th copy (by number) is the copy of the k-th original.
        {QStringLiteral("insert into quirels_cn (n, novo) select row_number() over (order by CdProduto), CdProduto"
                        " from Produtos") + kPeriodWhere + QStringLiteral(" and CdProduto > ?"),
         {toKey, {*lastProduto}}},
        {QStringLiteral("insert into quirels_cp (antigo, novo) select o.antigo, c.novo from (select"
                        " row_number() over (order by CdProduto) as n, CdProduto as antigo from Produtos")
             + kPeriodWhere + QStringLiteral(") o join quirels_cn c on c.n = o.n"),
         {fromKey}},
        // Final products of the products carried, under their new product.
        {QStringLiteral("insert into ProdutoFinal (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlDensidade,DsUnidade,"
                        "QtProdFinal,CdProduto) select ?,?,?,f.CdNCM,f.NmProduto,f.VlDensidade,f.DsUnidade,f.QtProdFinal,"
                        "p.novo from ProdutoFinal f join quirels_cp p on p.antigo = f.CdProduto"
                        " where f.CdCNPJEmpr = ? and f.NrAno = ? and f.NmMes = ? order by f.CdProduto, f.CdProdFinal"),
         {toKey, fromKey}},
        {QStringLiteral("insert into quirels_cfn (n, novo) select row_number() over (order by CdProdFinal), CdProdFinal"
                        " from ProdutoFinal") + kPeriodWhere + QStringLiteral(" and CdProdFinal > ?"),
         {toKey, {*lastFinal}}},
        {QStringLiteral("insert into quirels_cf (antigo, produto, novo, produto_novo) select o.antigo, o.produto, c.novo,"
                        " o.produto_novo from (select row_number() over (order by f.CdProduto, f.CdProdFinal) as n,"
                        " f.CdProdFinal as antigo, f.CdProduto as produto, p.novo as produto_novo from ProdutoFinal f"
                        " join quirels_cp p on p.antigo = f.CdProduto"
                        " where f.CdCNPJEmpr = ? and f.NrAno = ? and f.NmMes = ?) o join quirels_cfn c on c.n = o.n"),
         {fromKey}},
        // Substances of the final products carried, under the new final
        // product.
        {QStringLiteral("insert into SubstanciaPresente (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlConcentracao,CdProduto,"
                        "CdProdFinal) select ?,?,?,s.CdNCM,s.NmProduto,s.VlConcentracao,c.produto_novo,c.novo"
                        " from SubstanciaPresente s join quirels_cf c on c.antigo = s.CdProdFinal and c.produto = s.CdProduto"
                        " where s.CdCNPJEmpr = ? and s.NrAno = ? and s.NmMes = ?"
                        " order by s.CdProduto, s.CdProdFinal, s.CdSubstancia"),
         {toKey, fromKey}},
    };
    for (const auto &[statement, values] : steps)
        if (Status s = run(statement, values); !s)
            return s;
    if (Status s = dropWork(); !s)
        return s;
    progress.setValue(*products);

    if (Status s = run(QStringLiteral(
            "insert into Armazenagem (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlConcentracao,DsUnidade,QtEstoqueAnt,"
            "QtEstoqueAtual,CdProprietario) select ?,?,?,CdNCM,NmProduto,VlConcentracao,DsUnidade,QtEstoqueAtual,"
            "QtEstoqueAtual,CdProprietario from Armazenagem")
                           + kPeriodWhere + QStringLiteral(" order by CdArmazenagem"),
                       {toKey, fromKey});
        !s)
        return s;
    progress.setValue(*products + *storage);
    return {};
}

Result<Opened> openPeriod(QSqlDatabase &db, const PeriodKey &key, Dialogs &dialogs, Progress &progress)
{
    Result<std::optional<PeriodKey>> found = findPeriod(db, key);
    if (!found)
        return found.error();
    if (found->has_value())
        return Opened{OpenOutcome::Existing, **found, false};
    if (!dialogs.confirm(msg::kIncluirPeriodo))
        return Opened{OpenOutcome::Declined, key, false};

    sql::Transaction t(db);
    if (!t.active())
        return t.error();
    // Not while another workstation has the period open for writing.
    if (Status s = store::claimPeriod(db, key); !s)
        return s.error();
    {
        Prepared ins(db, QStringLiteral("insert into Mes (CdCNPJEmpr,NrAno,NmMes) values (?,?,?)"));
        if (!ins.status)
            return ins.status.error();
        bindKey(ins.q, key);
        if (Status s = sql::exec(ins.q); !s)
            return s.error();
    }
    const PeriodKey previous = previousPeriod(key);
    bool carried = false;
    if (previous.isValid()) {
        Result<std::optional<PeriodKey>> prev = findPeriod(db, previous);
        if (!prev)
            return prev.error();
        if (prev->has_value()) {
            progress.setLabel(msg::kImportandoMesAnterior);
            if (Status s = carryOver(db, **prev, key, progress); !s)
                return s.error();
            carried = true;
        }
    }
    if (Status s = t.commit(); !s)
        return s.error();
    if (carried)
        dialogs.information(msg::kDadosImportados);
    return Opened{OpenOutcome::Created, key, carried};
}

const QStringList &periodTables()
{
    static const QStringList order{
        QStringLiteral("MES"),        QStringLiteral("MOVIMENTACAO"),      QStringLiteral("TRANSPORTE"),
        QStringLiteral("ARMAZENAGEM"), QStringLiteral("MOVARMAZENAGEM"),   QStringLiteral("RESIDUO"),
        QStringLiteral("ISOLADO"),    QStringLiteral("MOVRESIDUO"),        QStringLiteral("PRODUTOS"),
        QStringLiteral("IMPORTACAO"), QStringLiteral("PRODUTOFINAL"),      QStringLiteral("SUBSTANCIAPRESENTE"),
        QStringLiteral("OBSERVACOES"), QStringLiteral("NFEIMPORTADA")};
    return order;
}

Status deletePeriodRows(QSqlDatabase &db, const PeriodKey &key)
{
    for (const QString &table : periodTables()) {
        Prepared del(db, QStringLiteral("delete from ") + table + kPeriodWhere);
        if (!del.status)
            return del.status;
        bindKey(del.q, key);
        if (Status s = sql::exec(del.q); !s)
            return s;
    }
    return {};
}

Status deletePeriod(QSqlDatabase &db, const PeriodKey &key)
{
    sql::Transaction t(db);
    if (!t.active())
        return t.error();
    if (Status s = store::claimPeriod(db, key); !s)
        return s;
    if (Status s = deletePeriodRows(db, key); !s)
        return s;
    return t.commit();
}

Status deleteCompany(QSqlDatabase &db, const QString &cnpj)
{
    sql::Transaction t(db);
    if (!t.active())
        return t.error();
    if (Status s = store::claimCompany(db, cnpj); !s)
        return s;
    QStringList tables{QStringLiteral("EMPRESA")};
    tables += periodTables();
    for (const QString &table : tables) {
        Prepared del(db, QStringLiteral("delete from ") + table + QStringLiteral(" where CdCNPJEmpr = ?"));
        if (!del.status)
            return del.status;
        del.q.bindValue(0, cnpj);
        if (Status s = sql::exec(del.q); !s)
            return s;
    }
    return t.commit();
}

namespace {

Result<DeleteOutcome> finishDeletion(Status deleted, const QString &success, Dialogs &dialogs,
                                     const DeletionHooks &hooks)
{
    if (!deleted)
        return deleted.error();
    if (hooks.reconnect)
        hooks.reconnect();
    dialogs.information(success);
    return DeleteOutcome::Deleted;
}

} // namespace

Result<DeleteOutcome> confirmAndDeleteCompany(QSqlDatabase &db, const QString &cnpj, const QString &razao,
                                              Dialogs &dialogs, const DeletionHooks &hooks)
{
    if (!dialogs.confirm(msg::excluirEmpresaPergunta(razao)))
        return DeleteOutcome::Declined;
    // The company's windows close before its rows go, so that no window
    // keeps showing, or later posts, a row of a deleted company.
    if (hooks.closeCompany && !hooks.closeCompany())
        return DeleteOutcome::Declined;
    return finishDeletion(deleteCompany(db, cnpj), msg::kEmpresaExcluida, dialogs, hooks);
}

Result<DeleteOutcome> confirmAndDeletePeriod(QSqlDatabase &db, const PeriodKey &key, const QString &razao,
                                             Dialogs &dialogs, const DeletionHooks &hooks)
{
    Result<std::optional<PeriodKey>> found = findPeriod(db, key);
    if (!found)
        return found.error();
    if (!found->has_value()) {
        // The question is the open dialog's; whatever the answer, nothing is
        // included and nothing is deleted.
        dialogs.confirm(msg::kIncluirPeriodo);
        return DeleteOutcome::NoSuchPeriod;
    }
    if (!dialogs.confirm(msg::excluirPeriodoPergunta(key.mes, key.ano, razao)))
        return DeleteOutcome::Declined;
    if (hooks.closeCompany && !hooks.closeCompany())
        return DeleteOutcome::Declined;
    return finishDeletion(deletePeriod(db, **found), msg::kPeriodoExcluido, dialogs, hooks);
}

} // namespace quirels::shell
