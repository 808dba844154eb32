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
    qint64 done = 0;

    // The previous month's row numbers, in key order.
    Prepared selProd(db, QStringLiteral("select CdProduto from Produtos") + kPeriodWhere
                             + QStringLiteral(" order by CdProduto"));
    Prepared selStore(db, QStringLiteral("select CdArmazenagem from Armazenagem") + kPeriodWhere
                              + QStringLiteral(" order by CdArmazenagem"));
    // The statements copy the rows of the previous month into the new one
    // inside the store, so the values keep their full precision and empty
    // values stay empty. The new month opens with the closing stock as both
    // its opening and its closing stock and every movement quantity zero;
    // the controlled-product references are not carried.
    Prepared insProd(db, QStringLiteral(
        "insert into Produtos (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlConcentracao,VlDensidade,DsUnidade,"
        "QtEstoqueAnt,QtProducao,QtTransformacao,QtUtilizacao,QtCompras,QtVendas,QtReciclagem,QtReaproveitamento,"
        "QtImportacao,QtExportacao,QtPerdas,QtEvaporacao,QtEntradasDiv,QtSaidasDiv,QtEstoqueAtual) "
        "select ?,?,?,CdNCM,NmProduto,VlConcentracao,VlDensidade,DsUnidade,QtEstoqueAtual,"
        "0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,QtEstoqueAtual from Produtos")
        + kPeriodWhere + QStringLiteral(" and CdProduto = ?"));
    // A product's final products in key order: one statement numbers them
    // one after the other, so the k-th of them gets first + k.
    Prepared insFinal(db, QStringLiteral(
        "insert into ProdutoFinal (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlDensidade,DsUnidade,QtProdFinal,"
        "CdProduto) select ?,?,?,CdNCM,NmProduto,VlDensidade,DsUnidade,QtProdFinal,? from ProdutoFinal")
        + kPeriodWhere + QStringLiteral(" and CdProduto = ? order by CdProdFinal"));
    // The product's substances of final products that exist, each under the
    // new number of its final product: first + how many final products of
    // the product come before its own.
    Prepared insSubst(db, QStringLiteral(
        "insert into SubstanciaPresente (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlConcentracao,CdProduto,"
        "CdProdFinal) select ?,?,?,s.CdNCM,s.NmProduto,s.VlConcentracao,?,"
        "? + (select count(*) from ProdutoFinal f where f.CdCNPJEmpr = s.CdCNPJEmpr and f.NrAno = s.NrAno"
        " and f.NmMes = s.NmMes and f.CdProduto = s.CdProduto and f.CdProdFinal < s.CdProdFinal)"
        " from SubstanciaPresente s where s.CdCNPJEmpr = ? and s.NrAno = ? and s.NmMes = ? and s.CdProduto = ?"
        " and exists (select 1 from ProdutoFinal f where f.CdCNPJEmpr = s.CdCNPJEmpr and f.NrAno = s.NrAno"
        " and f.NmMes = s.NmMes and f.CdProduto = s.CdProduto and f.CdProdFinal = s.CdProdFinal)"
        " order by s.CdProdFinal, s.CdSubstancia"));
    Prepared insStore(db, QStringLiteral(
        "insert into Armazenagem (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlConcentracao,DsUnidade,QtEstoqueAnt,"
        "QtEstoqueAtual,CdProprietario) select ?,?,?,CdNCM,NmProduto,VlConcentracao,DsUnidade,QtEstoqueAtual,"
        "QtEstoqueAtual,CdProprietario from Armazenagem") + kPeriodWhere + QStringLiteral(" and CdArmazenagem = ?"));
    for (Prepared *p : {&selProd, &selStore, &insProd, &insFinal, &insSubst, &insStore})
        if (!p->status)
            return p->status;

    for (Prepared *p : {&selProd, &selStore}) {
        bindKey(p->q, from);
        if (Status s = sql::exec(p->q); !s)
            return s;
    }
    // Placeholders: the new key, then (final products and substances) the new
    // numbers, then the old key and the old row's number.
    bindKey(insProd.q, to);
    bindKey(insProd.q, from, 3);
    bindKey(insFinal.q, to);
    bindKey(insFinal.q, from, 4);
    bindKey(insSubst.q, to);
    bindKey(insSubst.q, from, 5);
    bindKey(insStore.q, to);
    bindKey(insStore.q, from, 3);

    QSqlQuery &prod = selProd.q;
    while (prod.next()) {
        const QVariant oldProduto = prod.value(0);
        QSqlQuery &ip = insProd.q;
        ip.bindValue(6, oldProduto);
        if (Status s = sql::exec(ip); !s)
            return s;
        const QVariant newProduto = store::dialect::lastInsertId(ip);

        QSqlQuery &iF = insFinal.q;
        iF.bindValue(3, newProduto);
        iF.bindValue(7, oldProduto);
        if (Status s = sql::exec(iF); !s)
            return s;
        const int finals = iF.numRowsAffected();
        if (finals > 0) {
            QSqlQuery &is = insSubst.q;
            is.bindValue(3, newProduto);
            is.bindValue(4, store::dialect::lastInsertId(iF) - finals + 1);
            is.bindValue(8, oldProduto);
            if (Status s = sql::exec(is); !s)
                return s;
        }
        progress.setValue(++done);
    }
    if (prod.lastError().isValid())
        return makeError(sql::errorText(prod));

    QSqlQuery &st = selStore.q;
    while (st.next()) {
        QSqlQuery &is = insStore.q;
        is.bindValue(6, st.value(0));
        if (Status s = sql::exec(is); !s)
            return s;
        progress.setValue(++done);
    }
    if (st.lastError().isValid())
        return makeError(sql::errorText(st));
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
