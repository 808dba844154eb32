#include "PeriodOps.h"

#include "Messages.h"
#include "store/Schema.h"
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
        q.setForwardOnly(true);
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

// Two-part keys of the final products and substances, for walking the three
// ordered result sets of the previous month side by side.
struct Key2 {
    qint64 produto = 0;
    qint64 final = 0;
    bool operator<(const Key2 &o) const { return produto != o.produto ? produto < o.produto : final < o.final; }
    bool operator==(const Key2 &o) const { return produto == o.produto && final == o.final; }
};

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

    // The previous month, read in key order: the final products and the
    // substances are walked alongside their products.
    Prepared selProd(db, QStringLiteral("select CdProduto, CdNCM, NmProduto, VlConcentracao, VlDensidade, DsUnidade,"
                                        " QtEstoqueAtual from Produtos") + kPeriodWhere
                             + QStringLiteral(" order by CdProduto"));
    Prepared selFinal(db, QStringLiteral("select CdProduto, CdProdFinal, CdNCM, NmProduto, VlDensidade, DsUnidade,"
                                         " QtProdFinal from ProdutoFinal") + kPeriodWhere
                              + QStringLiteral(" order by CdProduto, CdProdFinal"));
    Prepared selSubst(db, QStringLiteral("select CdProduto, CdProdFinal, CdNCM, NmProduto, VlConcentracao"
                                         " from SubstanciaPresente") + kPeriodWhere
                              + QStringLiteral(" order by CdProduto, CdProdFinal, CdSubstancia"));
    Prepared selStore(db, QStringLiteral("select CdNCM, NmProduto, VlConcentracao, QtEstoqueAtual, DsUnidade,"
                                         " CdProprietario from Armazenagem") + kPeriodWhere
                              + QStringLiteral(" order by CdArmazenagem"));
    // The new month opens with the closing stock as both its opening and its
    // closing stock, and every movement quantity zero.
    Prepared insProd(db, QStringLiteral(
        "insert into Produtos (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlConcentracao,VlDensidade,DsUnidade,"
        "QtEstoqueAnt,QtProducao,QtTransformacao,QtUtilizacao,QtCompras,QtVendas,QtReciclagem,QtReaproveitamento,"
        "QtImportacao,QtExportacao,QtPerdas,QtEvaporacao,QtEntradasDiv,QtSaidasDiv,QtEstoqueAtual) values "
        "(?,?,?,?,?,?,?,?,?,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,?)"));
    Prepared insFinal(db, QStringLiteral(
        "insert into ProdutoFinal (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlDensidade,DsUnidade,QtProdFinal,"
        "CdProduto) values (?,?,?,?,?,?,?,?,?)"));
    Prepared insSubst(db, QStringLiteral(
        "insert into SubstanciaPresente (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlConcentracao,CdProduto,"
        "CdProdFinal) values (?,?,?,?,?,?,?,?)"));
    Prepared insStore(db, QStringLiteral(
        "insert into Armazenagem (CdCNPJEmpr,NrAno,NmMes,cdNCM,Nmproduto,VlConcentracao,DsUnidade,QtEstoqueAnt,"
        "QtEstoqueAtual,CdProprietario) values (?,?,?,?,?,?,?,?,?,?)"));
    for (Prepared *p : {&selProd, &selFinal, &selSubst, &selStore, &insProd, &insFinal, &insSubst, &insStore})
        if (!p->status)
            return p->status;

    for (Prepared *p : {&selProd, &selFinal, &selSubst, &selStore}) {
        bindKey(p->q, from);
        if (Status s = sql::exec(p->q); !s)
            return s;
    }
    for (Prepared *p : {&insProd, &insFinal, &insSubst, &insStore})
        bindKey(p->q, to);

    QSqlQuery &fin = selFinal.q;
    QSqlQuery &sub = selSubst.q;
    bool finRow = fin.next();
    bool subRow = sub.next();
    auto finKey = [&] { return Key2{fin.value(0).toLongLong(), fin.value(1).toLongLong()}; };
    auto subKey = [&] { return Key2{sub.value(0).toLongLong(), sub.value(1).toLongLong()}; };

    QSqlQuery &prod = selProd.q;
    while (prod.next()) {
        const qint64 oldProduto = prod.value(0).toLongLong();
        QSqlQuery &ip = insProd.q;
        ip.bindValue(3, prod.value(1));
        ip.bindValue(4, prod.value(2));
        ip.bindValue(5, prod.value(3));
        ip.bindValue(6, prod.value(4));
        ip.bindValue(7, prod.value(5));
        ip.bindValue(8, prod.value(6));
        ip.bindValue(9, prod.value(6));
        if (Status s = sql::exec(ip); !s)
            return s;
        const QVariant newProduto = ip.lastInsertId();

        // Final products of rows that are not products of the month are skipped.
        while (finRow && fin.value(0).toLongLong() < oldProduto)
            finRow = fin.next();
        while (finRow && fin.value(0).toLongLong() == oldProduto) {
            const Key2 oldFinal = finKey();
            QSqlQuery &iF = insFinal.q;
            iF.bindValue(3, fin.value(2));
            iF.bindValue(4, fin.value(3));
            iF.bindValue(5, fin.value(4));
            iF.bindValue(6, fin.value(5));
            iF.bindValue(7, fin.value(6));
            iF.bindValue(8, newProduto);
            if (Status s = sql::exec(iF); !s)
                return s;
            const QVariant newFinal = iF.lastInsertId();

            while (subRow && subKey() < oldFinal)
                subRow = sub.next();
            while (subRow && subKey() == oldFinal) {
                QSqlQuery &is = insSubst.q;
                is.bindValue(3, sub.value(2));
                is.bindValue(4, sub.value(3));
                is.bindValue(5, sub.value(4));
                is.bindValue(6, newProduto);
                is.bindValue(7, newFinal);
                if (Status s = sql::exec(is); !s)
                    return s;
                subRow = sub.next();
            }
            finRow = fin.next();
        }
        progress.setValue(++done);
    }
    if (prod.lastError().isValid())
        return makeError(sql::errorText(prod));

    QSqlQuery &st = selStore.q;
    while (st.next()) {
        QSqlQuery &is = insStore.q;
        is.bindValue(3, st.value(0));
        is.bindValue(4, st.value(1));
        is.bindValue(5, st.value(2));
        is.bindValue(6, st.value(4));
        is.bindValue(7, st.value(3));
        is.bindValue(8, st.value(3));
        is.bindValue(9, st.value(5));
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
        QStringLiteral("OBSERVACOES")};
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
    if (Status s = deletePeriodRows(db, key); !s)
        return s;
    return t.commit();
}

Status deleteCompany(QSqlDatabase &db, const QString &cnpj)
{
    sql::Transaction t(db);
    if (!t.active())
        return t.error();
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
        if (Status s = hooks.reconnect(); !s)
            return s.error();
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
