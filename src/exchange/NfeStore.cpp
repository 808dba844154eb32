#include "NfeImport.h"

#include "Messages.h"
#include "NfeCores.h"
#include "store/Schema.h"
#include "store/BatchInsert.h"
#include "store/PeriodLock.h"
#include "store/Sql.h"

#include <QSet>
#include <QSqlQuery>
#include <algorithm>
#include <vector>

// Storing the rows of a scan: the required-field checks of each row, then
// the rows, the invoices' key rows and the unit factors given, in one
// transaction.

namespace quirels::exchange::nfe {

namespace {

const QStringList &fieldsB()
{
    static const QStringList f{QStringLiteral("NrDia"),         QStringLiteral("NrCFOP"),       QStringLiteral("CdNCM"),
                               QStringLiteral("NmProduto"),     QStringLiteral("VlConcentracao"), QStringLiteral("VlQuantidade"),
                               QStringLiteral("NmUnidade"),     QStringLiteral("NrNF"),         QStringLiteral("CdFornecedor"),
                               QStringLiteral("CdTransportadora")};
    return f;
}

const QStringList &fieldsC()
{
    static const QStringList f{QStringLiteral("FlIE"),         QStringLiteral("NrLI"),           QStringLiteral("NrNF"),
                               QStringLiteral("CdTransportadora"), QStringLiteral("NmImportador"), QStringLiteral("CdPais"),
                               QStringLiteral("CdNCM"),        QStringLiteral("NmProduto"),      QStringLiteral("VlConcentracao"),
                               QStringLiteral("QtImportacao"), QStringLiteral("DsUnidade")};
    return f;
}

// A table's columns from `from` on, in the order of their names: the order
// of a row's map, read in one pass.
struct Column {
    QString name;
    int index = 0;
};

std::vector<Column> byName(const QStringList &fields, int from)
{
    std::vector<Column> out;
    for (int i = from; i < fields.size(); ++i)
        out.push_back({fields.at(i), i});
    std::sort(out.begin(), out.end(), [](const Column &a, const Column &b) { return a.name < b.name; });
    return out;
}

Status execOrFail(QSqlQuery &q)
{
    if (!q.exec())
        return makeError(sql::errorText(q), 2);
    return {};
}

} // namespace

Result<StoreResult> store(QSqlDatabase &db, const Scan &scan, const StoreOptions &options)
{
    StoreResult result;
    const Screen screen(db);
    // Each row's checks, on every core when they need not ask the store.
    const auto checked = [&](size_t i) { return !(scan.rows[i].importedBefore && !options.replace); };
    std::vector<char> missing(scan.rows.size(), 0);
    const auto check = [&](size_t i) {
        if (checked(i))
            missing[i] = screen.firstMissing(scan.rows[i]) != nullptr;
    };
    if (screen.inMemory()) {
        onEveryCore(scan.rows.size(), check);
    } else {
        for (size_t i = 0; i < scan.rows.size(); ++i)
            check(i);
    }
    std::vector<bool> write(scan.rows.size(), false);
    QSet<QString> skippedKeys;
    for (size_t i = 0; i < scan.rows.size(); ++i) {
        const Candidate &c = scan.rows[i];
        if (!checked(i)) {
            skippedKeys.insert(c.key);
            continue;
        }
        if (missing[i]) {
            result.incomplete.push_back(i);
            continue;
        }
        write[i] = true;
    }
    result.invoicesSkipped = static_cast<int>(skippedKeys.size());
    if (!result.incomplete.empty() && !options.completeOnly) {
        result.refused = true;
        return result;
    }

    sql::Transaction tx(db);
    if (!tx.active())
        return makeError(tx.error().message, 2);
    const PeriodKey &p = scan.period;
    // Not while another workstation has the period open for writing.
    if (Status s = store::claimPeriod(db, p); !s)
        return s.error();

    // Rows of the invoices imported before, when they are replaced.
    if (options.replace) {
        QSet<QString> replaced;
        for (const Candidate &c : scan.rows)
            if (c.importedBefore)
                replaced.insert(c.key);
        QSqlQuery find(db), forget(db), delB(db), delC(db);
        if (!find.prepare(QStringLiteral("SELECT DsLinhas FROM NFeImportada WHERE CdCNPJEmpr = ? AND CdChave = ?")) ||
            !forget.prepare(QStringLiteral("DELETE FROM NFeImportada WHERE CdCNPJEmpr = ? AND CdChave = ?")) ||
            !delB.prepare(QStringLiteral("DELETE FROM Movimentacao WHERE CdCNPJEmpr = ? AND NrMovimentacao = ?")) ||
            !delC.prepare(QStringLiteral("DELETE FROM Importacao WHERE CdCNPJEmpr = ? AND CdImportacao = ?")))
            return makeError(sql::errorText(find), 2);
        for (const QString &key : replaced) {
            find.bindValue(0, p.cnpj);
            find.bindValue(1, key);
            if (Status s = execOrFail(find); !s)
                return s.error();
            QStringList rows;
            while (find.next())
                rows += find.value(0).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            find.finish();
            for (const QString &row : rows) {
                bool ok = false;
                const qlonglong id = row.mid(1).toLongLong(&ok);
                if (!ok)
                    continue;
                QSqlQuery &del = row.startsWith(QLatin1Char('C')) ? delC : delB;
                del.bindValue(0, p.cnpj);
                del.bindValue(1, id);
                if (Status s = execOrFail(del); !s)
                    return s.error();
            }
            forget.bindValue(0, p.cnpj);
            forget.bindValue(1, key);
            if (Status s = execOrFail(forget); !s)
                return s.error();
        }
        result.invoicesReplaced = static_cast<int>(replaced.size());
    }

    const QStringList period = schema::periodKey();
    qint64 expectedB = 0;
    qint64 expectedC = 0;
    for (size_t i = 0; i < scan.rows.size(); ++i)
        if (write[i])
            ++(scan.rows[i].annex != QLatin1Char('C') ? expectedB : expectedC);
    const QStringList listB = period + fieldsB();
    const QStringList listC = period + fieldsC();
    const QStringList listKey = period + QStringList{QStringLiteral("CdChave"), QStringLiteral("NrNF"), QStringLiteral("CdParte"),
                                                     QStringLiteral("DsLinhas")};
    const std::vector<Column> columnsB = byName(listB, 3);
    const std::vector<Column> columnsC = byName(listC, 3);
    store::BatchInsert insB(db, QStringLiteral("Movimentacao"), listB, QStringLiteral("NrMovimentacao"));
    store::BatchInsert insC(db, QStringLiteral("Importacao"), listC, QStringLiteral("CdImportacao"));
    store::BatchInsert keyRow(db, QStringLiteral("NFeImportada"), listKey);
    for (auto [ins, rows] : {std::pair{&insB, expectedB}, std::pair{&insC, expectedC}, std::pair{&keyRow, qint64(0)}})
        if (Status s = ins->prepare(rows); !s)
            return s.error();

    const QVariant cnpj(p.cnpj), ano(p.ano), mes(p.mes);
    // The invoice's key row, written once its rows are all in (the rows of
    // one invoice are next to each other).
    const Candidate *invoice = nullptr;
    QString created;
    const auto keepKey = [&]() -> Status {
        if (!invoice)
            return {};
        keyRow.set(0, cnpj);
        keyRow.set(1, ano);
        keyRow.set(2, mes);
        keyRow.set(3, invoice->key);
        keyRow.set(4, invoice->number.left(10));
        keyRow.set(5, invoice->party.left(14));
        keyRow.set(6, created);
        if (Result<qint64> r = keyRow.add(); !r)
            return r.error();
        created.clear();
        return {};
    };
    for (size_t i = 0; i < scan.rows.size(); ++i) {
        if (!write[i])
            continue;
        const Candidate &c = scan.rows[i];
        if (invoice && invoice->key != c.key) {
            if (Status s = keepKey(); !s)
                return s.error();
        }
        invoice = &c;
        const bool b = c.annex != QLatin1Char('C');
        store::BatchInsert &ins = b ? insB : insC;
        ins.set(0, cnpj);
        ins.set(1, ano);
        ins.set(2, mes);
        // The row's values and the columns, both in name order: one pass.
        auto value = c.row.constBegin();
        const auto end = c.row.constEnd();
        for (const Column &column : b ? columnsB : columnsC) {
            while (value != end && value.key() < column.name)
                ++value;
            ins.set(column.index, value != end && value.key() == column.name ? value.value() : QVariant());
        }
        Result<qint64> number = ins.add();
        if (!number)
            return number.error();
        if (!created.isEmpty())
            created += QLatin1Char(' ');
        created += (b ? QLatin1Char('B') : QLatin1Char('C')) + QString::number(*number);
        (b ? result.rowsB : result.rowsC)++;
    }
    if (Status s = keepKey(); !s)
        return s.error();
    for (store::BatchInsert *ins : {&insB, &insC, &keyRow})
        if (Status s = ins->finish(); !s)
            return s.error();

    // Factors given now are remembered for the next imports.
    QSqlQuery delFactor(db), addFactor(db);
    if (!delFactor.prepare(QStringLiteral("DELETE FROM FatorUnidade WHERE CdCNPJEmpr = ? AND CdEmitente = ? AND "
                                          "CdProdutoNF = ? AND SgUnidadeNF = ?")) ||
        !addFactor.prepare(QStringLiteral("INSERT INTO FatorUnidade (CdCNPJEmpr, CdEmitente, CdProdutoNF, SgUnidadeNF, "
                                          "VlFator, DsUnidade) VALUES (?, ?, ?, ?, ?, ?)")))
        return makeError(sql::errorText(delFactor), 2);
    for (const UnitFactor &f : options.factors) {
        const QVariantList key{p.cnpj, f.issuer.left(14), f.productCode.left(60), f.unit.trimmed().left(6)};
        for (int i = 0; i < key.size(); ++i) {
            delFactor.bindValue(i, key.at(i));
            addFactor.bindValue(i, key.at(i));
        }
        addFactor.bindValue(4, f.factor);
        addFactor.bindValue(5, f.target);
        if (Status s = execOrFail(delFactor); !s)
            return s.error();
        if (Status s = execOrFail(addFactor); !s)
            return s.error();
    }

    if (Status s = tx.commit(); !s)
        return makeError(s.message(), 2);
    return result;
}

QString incompleteLine(const Candidate &c, const QString &message)
{
    return msg::kNfeLinhaIncompleta.arg(QString(c.annex), c.number, QString::number(c.item), c.file, message);
}

} // namespace quirels::exchange::nfe
