#include "ReferenceTables.h"

#include "BatchInsert.h"
#include "Dialect.h"
#include "Messages.h"
#include "PeriodLock.h"
#include "Schema.h"
#include "Sql.h"
#include "base/Csv.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QStringDecoder>

static void initInstalledResource() { Q_INIT_RESOURCE(reference); }

namespace quirels::store::reference {

namespace {

// No reference table comes near this; a larger file is not one.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

const QString kFlag = QStringLiteral("FlForaDaLista");
const QString kId = QStringLiteral("IdProdutoControlado");

// The fields of the months' rows that hold a controlled product's number.
const char *const kReferences[][2] = {
    {"Produtos", "CdProdutoControlado"}, {"ProdutoFinal", "CdProdControlado"},
    {"SubstanciaPresente", "CdProdControlado"}, {"MovResiduo", "CdProdControlado"},
    {"Residuo", "CdProdContrPresente"}, {"Isolado", "CdProdContrPresente"},
    {"Movimentacao", "CdProduto"}, {"Transporte", "CdProduto"},
    {"MovArmazenagem", "CdProduto"}, {"Importacao", "CdProduto"},
};

Error refusal(const QString &source, int line, const QString &what)
{
    return makeError(msg::kRefLinha.arg(source).arg(line).arg(what), 1);
}

QString headerOf(const Spec &spec)
{
    QStringList names;
    for (const Column &c : spec.columns)
        names.append(QString::fromLatin1(c.name));
    return names.join(QLatin1Char(';'));
}

int widthOf(const Spec &spec, const Column &c)
{
    return schema::textWidth(QString::fromLatin1(spec.table), QString::fromLatin1(c.name));
}

bool allDigits(const QString &s)
{
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return !s.isEmpty();
}

// The formatted CNAE code of a subclass number: 111301 -> "0111-3/01".
QString cnaeCode(qint64 number)
{
    const QString d = QStringLiteral("%1").arg(number, 7, 10, QLatin1Char('0'));
    return d.left(4) + QLatin1Char('-') + d.mid(4, 1) + QLatin1Char('/') + d.mid(5, 2);
}

// What is wrong with one value; empty when it is right.
QString checkValue(const Spec &spec, const Column &c, const QString &v)
{
    const QString name = QString::fromLatin1(c.name);
    if (v.isEmpty())
        return msg::kRefCampoVazio.arg(name);
    for (QChar ch : v)
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7f)
            return msg::kRefControle.arg(name);
    static const QRegularExpression ncm(QStringLiteral("^\\d{4}\\.\\d{2}\\.\\d{2}$"));
    static const QRegularExpression cfop(QStringLiteral("^\\d\\.\\d{3}$"));
    switch (c.form) {
    case Form::Text: break;
    case Form::Ncm:
        if (!ncm.match(v).hasMatch())
            return msg::kRefNcm.arg(v);
        break;
    case Form::Cfop:
        if (!cfop.match(v).hasMatch())
            return msg::kRefCfop.arg(v);
        break;
    case Form::Country:
        if (v.size() != 4 || !allDigits(v))
            return msg::kRefPais.arg(v);
        break;
    case Form::CnaeNumber:
        if (v.size() > 7 || !allDigits(v) || v.toLongLong() == 0)
            return msg::kRefCnae.arg(v);
        break;
    case Form::CnaeCode: break; // compared with the number's form, once the number is known
    }
    const int width = widthOf(spec, c);
    if (width > 0 && v.size() > width)
        return msg::kRefLargura.arg(name).arg(v.size()).arg(width);
    return {};
}

// The identity of a row: its code, or for the numbered table its NCM and
// name together.
QString identity(const Spec &spec, const QStringList &values)
{
    if (spec.numbered)
        return values.at(0) + QChar(0x1f) + values.at(1);
    if (spec.columns.front().form == Form::Country || spec.columns.front().form == Form::CnaeNumber)
        return QString::number(values.at(0).toLongLong());
    return values.at(0);
}

// How the report shows a row's code.
QString displayCode(const Spec &spec, const QStringList &values)
{
    switch (spec.columns.front().form) {
    case Form::Country: return QStringLiteral("%1").arg(values.at(0).toLongLong(), 4, 10, QLatin1Char('0'));
    case Form::CnaeNumber: return values.value(1);
    default: return values.at(0);
    }
}

QString nameOf(const QStringList &values) { return values.last(); }

// What a repeated row repeats, for the refusal.
QString repeated(const Spec &spec, const QStringList &values)
{
    if (spec.numbered)
        return QStringLiteral("o produto %1 %2").arg(values.at(0), values.at(1));
    return QStringLiteral("o código %1").arg(displayCode(spec, values));
}

// The line of the first byte sequence that is not UTF-8; 0 when all is.
int firstNonUtf8Line(const QByteArray &bytes)
{
    int line = 1;
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString ignored = decoder.decode(QByteArrayView(bytes).sliced(start, end - start));
        Q_UNUSED(ignored);
        if (decoder.hasError())
            return line;
        start = end + 1;
        ++line;
    }
    return 0;
}

Result<QSet<qint64>> referencedProducts(QSqlDatabase &db)
{
    QStringList parts;
    for (const auto &r : kReferences) {
        const QString table = sql::id(QString::fromLatin1(r[0]));
        const QString field = sql::id(QString::fromLatin1(r[1]));
        parts.append(QStringLiteral("SELECT %1 FROM %2 WHERE %1 IS NOT NULL").arg(field, table));
    }
    QSqlQuery q(db);
    sql::forwardOnly(q);
    if (!q.exec(parts.join(QStringLiteral(" UNION "))))
        return makeError(sql::errorText(q), 2);
    QSet<qint64> ids;
    while (q.next())
        ids.insert(q.value(0).toLongLong());
    return ids;
}

Status run(QSqlDatabase &db, const QString &statement, const QVariantList &binds)
{
    QSqlQuery q(db);
    return sql::execBound(q, statement, binds, 2);
}

// The value of a column as it is stored.
QVariant stored(const Spec &spec, int column, const QString &value)
{
    const schema::Field *f = schema::table(QString::fromLatin1(spec.table))->field(QString::fromLatin1(spec.columns[static_cast<size_t>(column)].name));
    if (f->type == schema::Type::Integer)
        return value.toLongLong();
    return value;
}

Status insertRows(QSqlDatabase &db, const Spec &spec, const TableData &data, const QList<int> &which)
{
    if (which.isEmpty())
        return {};
    QStringList cols;
    for (const Column &c : spec.columns)
        cols.append(QString::fromLatin1(c.name));
    const QString table = QString::fromLatin1(spec.table);
    const schema::Field *autoInc = schema::table(table)->autoIncrement();
    BatchInsert insert(db, table, cols, autoInc ? autoInc->qname() : QString());
    if (Status s = insert.prepare(which.size()); !s)
        return s;
    for (int r : which) {
        const QStringList &values = data.rows.at(r);
        for (int c = 0; c < values.size(); ++c)
            insert.set(c, stored(spec, c, values.at(c)));
        if (Result<qint64> n = insert.add(); !n)
            return n.error();
    }
    return insert.finish();
}

// Controlled products: rows kept by NCM and name, numbers never moved.
Result<TableChanges> replaceNumbered(QSqlDatabase &db, const TableData &data, TableChanges changes)
{
    const Spec &spec = *data.spec;
    struct Old {
        qint64 id;
        QStringList values;
        bool out;
        bool matched = false;
    };
    std::vector<Old> old;
    {
        QSqlQuery q(db);
        sql::forwardOnly(q);
        if (!q.exec(QStringLiteral("SELECT %1, CdNCM, NmProdutoControlado, %2 FROM ProdutoControlado ORDER BY %1")
                        .arg(kId, kFlag)))
            return makeError(sql::errorText(q), 2);
        while (q.next())
            old.push_back({q.value(0).toLongLong(),
                           {q.value(1).toString().trimmed(), q.value(2).toString().trimmed()},
                           q.value(3).toInt() != 0});
    }
    QMultiHash<QString, size_t> byIdentity;
    for (size_t i = old.size(); i-- > 0;) // the lowest number first
        byIdentity.insert(identity(spec, old[i].values), i);

    QList<int> toInsert;
    QList<qint64> toList; // back in the list
    QList<Change> added, removed;
    for (int r = 0; r < data.rows.size(); ++r) {
        const QStringList &values = data.rows.at(r);
        bool found = false;
        for (auto it = byIdentity.constFind(identity(spec, values)); it != byIdentity.constEnd() && it.key() == identity(spec, values); ++it) {
            Old &o = old[*it];
            if (o.matched)
                continue;
            o.matched = true;
            found = true;
            if (o.out) {
                toList.append(o.id);
                added.append({values.at(0), values.at(1), {}, false});
            }
            break;
        }
        if (!found) {
            toInsert.append(r);
            added.append({values.at(0), values.at(1), {}, false});
        }
    }
    Result<QSet<qint64>> referenced = referencedProducts(db);
    if (!referenced)
        return referenced.error();
    QList<qint64> toMark, toDelete;
    for (const Old &o : old) {
        if (o.matched)
            continue;
        const bool used = referenced->contains(o.id);
        if (used && !o.out)
            toMark.append(o.id);
        else if (!used)
            toDelete.append(o.id);
        if (!o.out) // a product already out of the list left it before
            removed.append({o.values.at(0), o.values.at(1), {}, used});
    }
    // A name that took another's place under the same NCM, one for one, is
    // reported as renamed (the months keep the old name, under its number).
    QHash<QString, int> addedPerNcm, removedPerNcm;
    for (const Change &c : added)
        ++addedPerNcm[c.code];
    for (const Change &c : removed)
        ++removedPerNcm[c.code];
    for (const Change &c : removed) {
        if (removedPerNcm.value(c.code) == 1 && addedPerNcm.value(c.code) == 1) {
            for (const Change &a : added)
                if (a.code == c.code)
                    changes.renamed.append({c.code, a.name, c.name, c.kept});
        }
    }
    for (const Change &c : added)
        if (!(removedPerNcm.value(c.code) == 1 && addedPerNcm.value(c.code) == 1))
            changes.added.append(c);
    for (const Change &c : removed)
        if (!(removedPerNcm.value(c.code) == 1 && addedPerNcm.value(c.code) == 1))
            changes.removed.append(c);

    for (qint64 id : toMark)
        if (Status s = run(db, QStringLiteral("UPDATE ProdutoControlado SET %1 = 1 WHERE %2 = ?").arg(kFlag, kId), {id}); !s)
            return s.error();
    for (qint64 id : toList)
        if (Status s = run(db, QStringLiteral("UPDATE ProdutoControlado SET %1 = 0 WHERE %2 = ?").arg(kFlag, kId), {id}); !s)
            return s.error();
    for (qint64 id : toDelete)
        if (Status s = run(db, QStringLiteral("DELETE FROM ProdutoControlado WHERE %1 = ?").arg(kId), {id}); !s)
            return s.error();
    if (Status s = insertRows(db, spec, data, toInsert); !s)
        return s.error();
    return changes;
}

// Tables of codes: the rows replaced whole when anything differs.
Result<TableChanges> replaceByCode(QSqlDatabase &db, const TableData &data, TableChanges changes)
{
    const Spec &spec = *data.spec;
    QStringList cols;
    for (const Column &c : spec.columns)
        cols.append(sql::id(QString::fromLatin1(c.name)));
    const QString table = sql::id(QString::fromLatin1(spec.table));
    QHash<QString, QStringList> old;
    QStringList oldOrder;
    int oldRows = 0;
    {
        QSqlQuery q(db);
        sql::forwardOnly(q);
        if (!q.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(cols.join(QLatin1Char(',')), table)))
            return makeError(sql::errorText(q), 2);
        while (q.next()) {
            ++oldRows;
            QStringList values;
            for (int c = 0; c < cols.size(); ++c)
                values.append(q.value(c).toString().trimmed());
            const QString key = identity(spec, values);
            if (!old.contains(key)) {
                old.insert(key, values);
                oldOrder.append(key);
            }
        }
    }
    QSet<QString> present;
    for (const QStringList &values : data.rows) {
        const QString key = identity(spec, values);
        present.insert(key);
        const auto it = old.constFind(key);
        if (it == old.constEnd())
            changes.added.append({displayCode(spec, values), nameOf(values), {}, false});
        else if (it->mid(1) != values.mid(1))
            changes.renamed.append({displayCode(spec, values), nameOf(values), nameOf(*it), false});
    }
    for (const QString &key : oldOrder)
        if (!present.contains(key))
            changes.removed.append({displayCode(spec, old.value(key)), nameOf(old.value(key)), {}, false});
    if (!changes.any() && oldRows == data.rows.size())
        return changes;
    if (Status s = sql::exec(db, QStringLiteral("DELETE FROM ") + table); !s)
        return s.error();
    QList<int> all;
    for (int r = 0; r < data.rows.size(); ++r)
        all.append(r);
    if (Status s = insertRows(db, spec, data, all); !s)
        return s.error();
    return changes;
}

} // namespace

QString inListCondition() { return QStringLiteral("coalesce(%1, 0) = 0").arg(kFlag); }

const std::vector<Spec> &specs()
{
    static const std::vector<Spec> all{
        {"ProdutoControlado", "produtos_controlados.csv", "Produtos controlados",
         {{"CdNCM", Form::Ncm}, {"NmProdutoControlado", Form::Text}}, true},
        {"Cnae", "cnae.csv", "CNAE",
         {{"CDCNAE", Form::CnaeNumber}, {"CDDESCRCNAE", Form::CnaeCode}, {"NMCNAE", Form::Text}}},
        {"CFOP", "cfop.csv", "CFOP", {{"CdCFOP", Form::Cfop}, {"dsCFOP", Form::Text}}},
        {"Paises", "paises.csv", "Países", {{"CDPAIS", Form::Country}, {"NMPAIS", Form::Text}}},
    };
    return all;
}

const Spec *specForFile(const QString &fileName)
{
    for (const Spec &s : specs())
        if (fileName.compare(QString::fromLatin1(s.file), Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

Result<TableData> read(const Spec &spec, const QByteArray &given, const QString &source)
{
    if (given.size() > kMaxFileBytes)
        return makeError(msg::kRefArquivoGrande.arg(source), 1);
    QByteArray bytes = given;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    if (const int bad = firstNonUtf8Line(bytes))
        return refusal(source, bad, msg::kRefUtf8);
    Result<QList<csv::Row>> parsed = csv::parse(QString::fromUtf8(bytes));
    if (!parsed)
        return makeError(QStringLiteral("%1: %2. Nada foi alterado.").arg(source, parsed.message()), 1);
    if (parsed->isEmpty())
        return makeError(msg::kRefSemLinhas.arg(source), 1);

    const QString header = headerOf(spec);
    const csv::Row &first = parsed->first();
    QStringList names;
    for (const QString &f : first.fields)
        names.append(f.trimmed());
    if (names.join(QLatin1Char(';')).compare(header, Qt::CaseInsensitive) != 0)
        return refusal(source, first.line, msg::kRefCabecalho.arg(header));

    TableData data;
    data.spec = &spec;
    data.source = source;
    QHash<QString, int> seen; // identity -> line
    const int n = static_cast<int>(spec.columns.size());
    for (qsizetype i = 1; i < parsed->size(); ++i) {
        const csv::Row &row = parsed->at(i);
        if (row.fields.size() != n)
            return refusal(source, row.line, msg::kRefCampos.arg(row.fields.size()).arg(n).arg(header));
        QStringList values;
        for (int c = 0; c < n; ++c) {
            const QString v = row.fields.at(c).trimmed();
            if (const QString wrong = checkValue(spec, spec.columns[static_cast<size_t>(c)], v); !wrong.isEmpty())
                return refusal(source, row.line, wrong);
            values.append(v);
        }
        for (int c = 0; c < n; ++c)
            if (spec.columns[static_cast<size_t>(c)].form == Form::CnaeCode) {
                const QString expected = cnaeCode(values.at(0).toLongLong());
                if (values.at(c) != expected)
                    return refusal(source, row.line, msg::kRefCnaeFormatado.arg(values.at(c), expected));
            }
        const QString key = identity(spec, values);
        if (const auto it = seen.constFind(key); it != seen.constEnd())
            return refusal(source, row.line, msg::kRefRepetido.arg(repeated(spec, values)).arg(*it));
        seen.insert(key, row.line);
        data.rows.append(values);
        data.lines.append(row.line);
    }
    if (data.rows.isEmpty())
        return makeError(msg::kRefSemLinhas.arg(source), 1);
    return data;
}

Result<QList<TableData>> readFolder(const QString &folder)
{
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return makeError(msg::kRefPastaInexistente.arg(QDir::toNativeSeparators(folder)), 2);
    const QStringList present = dir.entryList(QDir::Files | QDir::Readable | QDir::Hidden, QDir::Name);
    QList<TableData> out;
    for (const Spec &spec : specs()) {
        QString found;
        for (const QString &name : present)
            if (name.compare(QString::fromLatin1(spec.file), Qt::CaseInsensitive) == 0) {
                found = name;
                break;
            }
        if (found.isEmpty())
            continue;
        const QString path = dir.filePath(found);
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return makeError(msg::kRefArquivoIlegivel.arg(QDir::toNativeSeparators(path)), 2);
        if (f.size() > kMaxFileBytes)
            return makeError(msg::kRefArquivoGrande.arg(QDir::toNativeSeparators(path)), 1);
        const QByteArray bytes = f.read(kMaxFileBytes + 1);
        Result<TableData> data = read(spec, bytes, QDir::toNativeSeparators(path));
        if (!data)
            return data.error();
        out.append(data.take());
    }
    if (out.isEmpty())
        return makeError(msg::kRefNenhumArquivo.arg(QDir::toNativeSeparators(folder)), 1);
    return out;
}

Result<QList<TableData>> installed()
{
    initInstalledResource();
    QList<TableData> out;
    for (const Spec &spec : specs()) {
        const QString file = QString::fromLatin1(spec.file);
        QFile f(QStringLiteral(":/reference/") + file);
        if (!f.open(QIODevice::ReadOnly))
            return makeError(msg::kRefInstaladaAusente.arg(file), 2);
        Result<TableData> data = read(spec, f.readAll(), file);
        if (!data)
            return makeError(data.message(), 2);
        out.append(data.take());
    }
    return out;
}

Result<TableChanges> replace(QSqlDatabase &db, const TableData &data)
{
    TableChanges changes;
    changes.table = QString::fromLatin1(data.spec->table);
    changes.caption = QString::fromUtf8(data.spec->caption);
    changes.source = data.source;
    changes.rows = static_cast<int>(data.rows.size());
    return data.spec->numbered ? replaceNumbered(db, data, changes) : replaceByCode(db, data, changes);
}

Result<QList<TableChanges>> updateFromFolder(QSqlDatabase &db, const QString &folder)
{
    Result<QList<TableData>> files = readFolder(folder);
    if (!files)
        return files.error();
    sql::Transaction tx(db);
    if (!tx.active())
        return makeError(tx.error().message, 2);
    if (Status s = claimEveryCompany(db); !s)
        return s.error();
    QList<TableChanges> out;
    for (const TableData &data : *files) {
        Result<TableChanges> changes = replace(db, data);
        if (!changes)
            return changes.error();
        out.append(changes.take());
    }
    if (Status s = tx.commit(); !s)
        return makeError(s.message(), 2);
    return out;
}

QStringList describe(const QList<TableChanges> &changes)
{
    QStringList lines;
    for (const TableChanges &t : changes) {
        if (!t.any()) {
            lines.append(msg::kRefSemAlteracao.arg(t.caption, t.source).arg(t.rows));
            continue;
        }
        lines.append(msg::kRefResumo.arg(t.caption, t.source)
                         .arg(t.rows)
                         .arg(t.added.size())
                         .arg(t.removed.size())
                         .arg(t.renamed.size()));
        for (const Change &c : t.added)
            lines.append(msg::kRefIncluida.arg(c.code, c.name));
        for (const Change &c : t.removed)
            lines.append(msg::kRefExcluida.arg(c.code, c.name) + (c.kept ? msg::kRefMantido : QString()));
        for (const Change &c : t.renamed)
            lines.append(msg::kRefRenomeada.arg(c.code, c.oldName, c.name) + (c.kept ? msg::kRefMantido : QString()));
    }
    lines.append(msg::kRefConcluida);
    return lines;
}

} // namespace quirels::store::reference
