// The text import of a big month (200,000 lines of every record type)
// against the sqlite3 shell loading the same rows from CSV files into the
// same tables with .import, both on a fresh copy of the same store.

#include "BenchSupport.h"

#include "base/Cp1252.h"
#include "base/Numbers.h"
#include "exchange/TextImport.h"
#include "exchange/TextRecords.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

using namespace quirels;
namespace text = quirels::exchange::text;

namespace {

// QUIRELS_BENCH_LINES makes the file smaller for profiling (the case
// itself always runs with the default).
const int kLines = [] {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("QUIRELS_BENCH_LINES", &ok);
    return ok && n >= 100 ? n : 200000;
}();
const QString kCnpj = QStringLiteral("12345678000195");

// Answers every question with "Não"; the bench asks none.
class NoDialogs : public Dialogs {
public:
    void information(const QString &) override {}
    void error(const QString &) override {}
    bool confirm(const QString &) override { return false; }
    Answer confirmYesNoCancel(const QString &) override { return Answer::No; }
    bool confirmOkCancel(const QString &) override { return false; }
};

[[noreturn]] void die(const QString &why)
{
    std::fprintf(stderr, "bench_textimport: %s\n", qPrintable(why));
    std::exit(2);
}

// The values of one record, by field name, as the file writes them
// (decimals with the regional separator).
using Values = QHash<QString, QString>;

struct Generator {
    QStringList lines;
    QHash<QString, QStringList> csv;      // table -> rows
    QHash<QString, qint64> counters;      // table -> last record number
    qint64 product = 0, finalProduct = 0;

    static QString csvCell(const QString &v)
    {
        if (v.contains(QLatin1Char(',')) || v.contains(QLatin1Char('"')) || v.contains(QLatin1Char('\r')) || v.contains(QLatin1Char('\n')))
            return QLatin1Char('"') + QString(v).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
        return v;
    }

    void add(const QString &type, Values v)
    {
        const text::RecordLayout *l = text::layout(type);
        if (l->keyPrefix) {
            v.insert(QStringLiteral("CdCNPJEmpr"), kCnpj);
            v.insert(QStringLiteral("NrAno"), QStringLiteral("2024"));
            v.insert(QStringLiteral("NmMes"), QStringLiteral("MAR"));
        }
        QString line = type;
        for (const text::Column &c : l->columns) {
            const QString value = v.value(c.field);
            const int width = c.last - c.first + 1;
            line = line.leftJustified(c.first - 1, QLatin1Char(' '));
            line += c.conversion == text::Conversion::Integer ? value.rightJustified(width, QLatin1Char(' '))
                                                              : value.leftJustified(width, QLatin1Char(' '));
        }
        lines.append(line);
        if (type == QLatin1String("OO"))
            return; // joined into the observation row below

        // The same row for the shell, every column of the table in order.
        const QString table = l->table->qname();
        if (const schema::Field *a = l->table->autoIncrement())
            v.insert(a->qname(), QString::number(++counters[table]));
        if (type == QLatin1String("PR"))
            product = counters[table];
        if (type == QLatin1String("PF")) {
            finalProduct = counters[table];
            v.insert(QStringLiteral("CdProduto"), QString::number(product));
        }
        if (type == QLatin1String("SP")) {
            v.insert(QStringLiteral("CdProduto"), QString::number(product));
            v.insert(QStringLiteral("CdProdFinal"), QString::number(finalProduct));
        }
        QStringList cells;
        for (const schema::Field &f : l->table->fields) {
            QString value = v.value(f.qname());
            if (f.type == schema::Type::Float && !value.isEmpty())
                value = numbers::plain(*numbers::parse(value));
            if (f.type == schema::Type::Boolean)
                value = value == QLatin1String("0") ? QStringLiteral("0") : QStringLiteral("1");
            cells.append(csvCell(value));
        }
        csv[table].append(cells.join(QLatin1Char(',')));
    }

    void build()
    {
        const auto q = [](int i) { return numbers::format(i * 1.25, QStringLiteral("0.000")); };
        add(QStringLiteral("EM"), {{QStringLiteral("CdCNPJEmpr"), kCnpj}, {QStringLiteral("NmRazao"), QStringLiteral("Química Grande S.A.")},
                                   {QStringLiteral("FlGrupoI"), QStringLiteral("1")}, {QStringLiteral("FlGrupoII"), QStringLiteral("0")},
                                   {QStringLiteral("NmResponsavel"), QStringLiteral("Responsável")}});
        add(QStringLiteral("ME"), {});
        const QString ncm = QStringLiteral("2207.10.00"), name = QStringLiteral("Álcool etílico");
        int i = 0;
        while (lines.size() < kLines - 3 * 8) {
            ++i;
            const QString day = QStringLiteral("%1").arg(i % 28 + 1, 2, 10, QLatin1Char('0'));
            const QString cnpj = QStringLiteral("%1").arg(11222333000000LL + i % 997, 14, 10, QLatin1Char('0'));
            const int kind = (i - 1) % 15;
            if (kind == 0) {
                Values pr{{QStringLiteral("VlConcentracao"), QStringLiteral("98,5")}, {QStringLiteral("VlDensidade"), QStringLiteral("0,79")},
                          {QStringLiteral("DsUnidade"), QStringLiteral("Kg")}, {QStringLiteral("CdNCM"), ncm}, {QStringLiteral("NmProduto"), name}};
                for (const char *f : {"QtEstoqueAnt", "QtProducao", "QtTransformacao", "QtUtilizacao", "QtCompras", "QtVendas",
                                      "QtReciclagem", "QtReaproveitamento", "QtImportacao", "QtExportacao", "QtPerdas",
                                      "QtEvaporacao", "QtEntradasDiv", "QtSaidasDiv", "QtEstoqueAtual"})
                    pr.insert(QString::fromLatin1(f), q(i));
                add(QStringLiteral("PR"), pr);
            } else if (kind == 1) {
                add(QStringLiteral("PF"), {{QStringLiteral("VlDensidade"), QStringLiteral("0,8")}, {QStringLiteral("QtProdFinal"), q(i)},
                                           {QStringLiteral("DsUnidade"), QStringLiteral("litro")}, {QStringLiteral("CdNCM"), ncm},
                                           {QStringLiteral("NmProduto"), name}});
            } else if (kind == 2) {
                add(QStringLiteral("SP"), {{QStringLiteral("VlConcentracao"), QStringLiteral("40")}, {QStringLiteral("CdNCM"), ncm},
                                           {QStringLiteral("NmProduto"), name}});
            } else if (kind <= 8) {
                add(QStringLiteral("MV"), {{QStringLiteral("NrDia"), day}, {QStringLiteral("NrCFOP"), QStringLiteral("1.102")},
                                           {QStringLiteral("VlConcentracao"), QStringLiteral("98")}, {QStringLiteral("VlQuantidade"), q(i)},
                                           {QStringLiteral("NmUnidade"), QStringLiteral("Kg")}, {QStringLiteral("NrNF"), QString::number(i)},
                                           {QStringLiteral("CdFornecedor"), cnpj}, {QStringLiteral("CdTransportadora"), cnpj},
                                           {QStringLiteral("CdNCM"), ncm}, {QStringLiteral("NmProduto"), name}});
            } else if (kind == 9) {
                add(QStringLiteral("IE"), {{QStringLiteral("VlConcentracao"), QStringLiteral("99")}, {QStringLiteral("QtImportacao"), q(i)},
                                           {QStringLiteral("DsUnidade"), QStringLiteral("Kg")}, {QStringLiteral("NrLI"), QStringLiteral("LI-%1").arg(i)},
                                           {QStringLiteral("NrNF"), QString::number(i)}, {QStringLiteral("CdTransportadora"), cnpj},
                                           {QStringLiteral("NmImportador"), QStringLiteral("Importer Inc.")}, {QStringLiteral("CdPais"), QStringLiteral("249")},
                                           {QStringLiteral("FlIE"), QStringLiteral("I")}, {QStringLiteral("CdNCM"), ncm}, {QStringLiteral("NmProduto"), name}});
            } else if (kind == 10) {
                add(QStringLiteral("AM"), {{QStringLiteral("CdNCM"), ncm}, {QStringLiteral("NmProduto"), name},
                                           {QStringLiteral("VlConcentracao"), QStringLiteral("50")}, {QStringLiteral("QtEstoqueAnt"), q(i)},
                                           {QStringLiteral("QtEstoqueAtual"), q(i + 1)}, {QStringLiteral("DsUnidade"), QStringLiteral("Kg")},
                                           {QStringLiteral("CdProprietario"), cnpj}});
            } else if (kind == 11) {
                add(QStringLiteral("MA"), {{QStringLiteral("NrDia"), day}, {QStringLiteral("DsES"), QStringLiteral("E")},
                                           {QStringLiteral("QtMovArmazenagem"), q(i)}, {QStringLiteral("DsUnidade"), QStringLiteral("Kg")},
                                           {QStringLiteral("CdNF"), QString::number(i)}, {QStringLiteral("CdProprietario"), cnpj},
                                           {QStringLiteral("CdTransportadora"), cnpj}, {QStringLiteral("Vlconcentracao"), QStringLiteral("50")},
                                           {QStringLiteral("CdNCM"), ncm}, {QStringLiteral("NmProduto"), name}});
            } else if (kind == 12) {
                add(QStringLiteral("TP"), {{QStringLiteral("NrDia"), day}, {QStringLiteral("VlConcentracao"), QStringLiteral("50")},
                                           {QStringLiteral("QtProduto"), q(i)}, {QStringLiteral("DsUnidade"), QStringLiteral("Kg")},
                                           {QStringLiteral("NrNF"), QString::number(i % 999999)}, {QStringLiteral("CdEmbarcador"), cnpj},
                                           {QStringLiteral("SgUFEmbarcador"), QStringLiteral("SP")}, {QStringLiteral("CdDestinatario"), cnpj},
                                           {QStringLiteral("SgUFDestinatario"), QStringLiteral("RJ")}, {QStringLiteral("CdNCM"), ncm},
                                           {QStringLiteral("NmProduto"), name}});
            } else if (kind == 13) {
                add(QStringLiteral("RS"), {{QStringLiteral("CdProdContrPresente"), QString::number(i % 70 + 1)},
                                           {QStringLiteral("VlConcentracao"), QStringLiteral("50")}, {QStringLiteral("QtResiduo"), q(i)},
                                           {QStringLiteral("DsUnidade"), QStringLiteral("Kg")}, {QStringLiteral("DsDestinacao"), QStringLiteral("Incineração")},
                                           {QStringLiteral("CdNCM"), ncm}, {QStringLiteral("NmProduto"), name}});
            } else {
                add(QStringLiteral("MR"), {{QStringLiteral("NrDia"), day}, {QStringLiteral("VlES"), QStringLiteral("S")},
                                           {QStringLiteral("QtdMovResiduo"), q(i)}, {QStringLiteral("DsUnidade"), QStringLiteral("Kg")},
                                           {QStringLiteral("VlConcentracao"), QStringLiteral("50")}, {QStringLiteral("NrNF"), QString::number(i)},
                                           {QStringLiteral("CdFornecedor"), cnpj}, {QStringLiteral("CdTransportadora"), cnpj},
                                           {QStringLiteral("CdNCM"), ncm}, {QStringLiteral("NmProduto"), name}});
            }
        }
        // One observation per annex, each of two lines.
        for (const char *annex : {"A", "B", "C", "D", "E", "F", "G", "H"}) {
            const QString a = QString::fromLatin1(annex);
            const QString first = QStringLiteral("Observação do anexo %1").arg(a), second = QStringLiteral("segunda linha");
            add(QStringLiteral("OB"), {{QStringLiteral("Anexo"), a}, {QStringLiteral("Observacao"), first + QLatin1Char('\r') + second}});
            add(QStringLiteral("OO"), {{QStringLiteral("Observacao"), first}});
            add(QStringLiteral("OO"), {{QStringLiteral("Observacao"), second}});
        }
    }
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        die(QStringLiteral("cannot write ") + path);
}

QString freshCopy(const QString &templ, const QString &folder)
{
    QDir().mkpath(folder);
    const QString db = store::databasePath(folder);
    QFile::remove(db);
    if (!QFile::copy(templ, db))
        die(QStringLiteral("cannot copy the store"));
    return db;
}

qint64 rows(const QString &folder)
{
    Result<QSqlDatabase> db = store::open(folder, {QStringLiteral("count")});
    if (!db)
        die(db.message());
    qint64 n = 0;
    for (const char *t : {"Empresa", "Mes", "Produtos", "ProdutoFinal", "SubstanciaPresente", "Movimentacao", "Importacao",
                          "Armazenagem", "MovArmazenagem", "Transporte", "Residuo", "MovResiduo", "Observacoes"}) {
        QSqlQuery q(*db);
        q.exec(QStringLiteral("SELECT count(*) FROM ") + QString::fromLatin1(t));
        q.next();
        n += q.value(0).toLongLong();
    }
    db = makeError(QString());
    store::close(QStringLiteral("count"));
    return n;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    numbers::setAppLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QTemporaryDir dir;
    if (qEnvironmentVariableIsSet("QUIRELS_BENCH_KEEP")) {
        dir.setAutoRemove(false);
        std::fprintf(stderr, "bench_textimport: files kept in %s\n", qPrintable(dir.path()));
    }
    const QString templFolder = dir.filePath(QStringLiteral("template"));
    if (Status s = store::initializeDataFolder(templFolder); !s)
        die(s.message());
    const QString templ = store::databasePath(templFolder);

    Generator g;
    g.build();
    const QString txt = dir.filePath(QStringLiteral("mes.txt"));
    Result<QByteArray> bytes = cp1252::encode(g.lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    if (!bytes)
        die(bytes.message());
    writeFile(txt, *bytes);
    QString script = QStringLiteral(".mode csv\nBEGIN;\n");
    for (auto it = g.csv.constBegin(); it != g.csv.constEnd(); ++it) {
        const QString csv = dir.filePath(it.key() + QStringLiteral(".csv"));
        writeFile(csv, (it.value().join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        script += QStringLiteral(".import '%1' %2\n").arg(csv, it.key());
    }
    script += QStringLiteral("COMMIT;\n");

    const int runs = 3;
    const QString ourFolder = dir.filePath(QStringLiteral("ours"));
    double ours = 1e300;
    for (int r = 0; r < runs; ++r) {
        freshCopy(templ, ourFolder);
        const double s = bench::seconds([&] {
            Result<QSqlDatabase> db = store::open(ourFolder);
            if (!db)
                die(db.message());
            NoDialogs dialogs;
            const exchange::TextImportResult res = exchange::importTextFile(*db, txt, dialogs);
            if (!res.ok())
                die(res.error.message);
            db = makeError(QString());
            store::close();
        });
        ours = std::min(ours, s);
    }
    const QString baseFolder = dir.filePath(QStringLiteral("baseline"));
    double baseline = 1e300;
    for (int r = 0; r < runs; ++r)
        baseline = std::min(baseline, bench::sqliteShell(freshCopy(templ, baseFolder), script));

    const qint64 a = rows(ourFolder), b = rows(baseFolder);
    if (a != b || a < kLines - 16)
        die(QStringLiteral("row counts differ: ours %1, baseline %2").arg(a).arg(b));
    bench::report(QStringLiteral("textimport"), ours, baseline);
    return 0;
}
