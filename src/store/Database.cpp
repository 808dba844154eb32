#include "Database.h"

#include "Messages.h"
#include "Schema.h"
#include "Sql.h"
#include "StoreError.h"
#include "base/Csv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

static void initReferenceResource() { Q_INIT_RESOURCE(reference); }

namespace quirels::store {

QString databasePath(const QString &dataFolder) { return QDir(dataFolder).filePath(kDatabaseFile); }

Result<QSqlDatabase> open(const QString &dataFolder, const OpenOptions &options)
{
    const QString path = databasePath(dataFolder);
    if (!options.create && !QFileInfo::exists(path))
        return makeError(QStringLiteral("O banco de dados \"%1\" não existe.").arg(QDir::toNativeSeparators(path)), 2);
    close(options.connection);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), options.connection);
    // Failures of this connection are logged in its data folder.
    setLogFolder(db.driver(), QFileInfo(path).absolutePath());
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(options.busyTimeoutMs));
    if (!db.open()) {
        const Failure f = describe(db);
        db = QSqlDatabase();
        close(options.connection);
        return makeError(QStringLiteral("%1 (%2)").arg(f.message, QDir::toNativeSeparators(path)), 2);
    }
    // Reading the schema proves the file is a database at all; a lock held
    // by another program is waited for (the busy timeout), then reported as
    // such and not as a damaged file.
    {
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !probe.next()) {
            const Failure f = describe(probe);
            probe = QSqlQuery();
            db = QSqlDatabase();
            close(options.connection);
            if (f.kind == FailureKind::Busy)
                return makeError(msg::kBancoBloqueado.arg(QDir::toNativeSeparators(path)), 2);
            // A store kept with a write-ahead log cannot even be read where
            // the log files cannot be created.
            if (!QFileInfo(QFileInfo(path).absolutePath()).isWritable())
                return makeError(msg::kPastaSomenteLeitura.arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath())), 2);
            return makeError(msg::kBancoInvalido.arg(QDir::toNativeSeparators(path)), 2);
        }
    }
    const QString mode = options.sharedFolder ? QStringLiteral("DELETE") : QStringLiteral("WAL");
    sql::exec(db, QStringLiteral("PRAGMA journal_mode=") + mode); // a read-only folder keeps its mode
    return db;
}

void close(const QString &connection)
{
    if (!QSqlDatabase::contains(connection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        forgetLogFolder(db.driver());
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

// Every table and index of the layout that is missing.
static Status createTables(QSqlDatabase &db)
{
    for (const schema::Table &t : schema::tables())
        for (const QString &statement : schema::ddl(t))
            if (Status s = sql::exec(db, statement); !s)
                return makeError(QStringLiteral("Tabela %1: %2").arg(t.qname(), s.message()), 2);
    return {};
}

Status createSchema(QSqlDatabase &db)
{
    if (Status s = createTables(db); !s)
        return s;
    Result<QVariant> version = sql::scalar(db, QStringLiteral("PRAGMA user_version"));
    if (!version)
        return version.error();
    if (version->toInt() < schema::kSchemaVersion)
        return sql::exec(db, QStringLiteral("PRAGMA user_version = %1").arg(schema::kSchemaVersion));
    return {};
}

namespace {

// Migration steps: step i brings a store stamped i to i + 1. A store stamped
// 0 predates the stamp (or is empty): the full layout is created where it is
// missing.
Status stepCreateLayout(QSqlDatabase &db) { return createTables(db); }

using Step = Status (*)(QSqlDatabase &);
const Step kSteps[] = {stepCreateLayout};
static_assert(sizeof(kSteps) / sizeof(kSteps[0]) == schema::kSchemaVersion, "one step per schema version");

bool hasEveryTable(QSqlDatabase &db)
{
    const QStringList present = db.tables();
    for (const schema::Table &t : schema::tables()) {
        bool found = false;
        for (const QString &p : present)
            if (p.compare(t.qname(), Qt::CaseInsensitive) == 0) {
                found = true;
                break;
            }
        if (!found)
            return false;
    }
    return true;
}

struct ReferenceFile {
    const char *table;
    const char *file;
    std::vector<const char *> columns; // CSV columns in file order; table fields of the same name
};

const std::vector<ReferenceFile> &referenceFiles()
{
    static const std::vector<ReferenceFile> files{
        {"ProdutoControlado", "produtos_controlados.csv", {"CdNCM", "NmProdutoControlado"}},
        {"Cnae", "cnae.csv", {"CDCNAE", "CDDESCRCNAE", "NMCNAE"}},
        {"CFOP", "cfop.csv", {"CdCFOP", "dsCFOP"}},
        {"Paises", "paises.csv", {"CDPAIS", "NMPAIS"}},
    };
    return files;
}

Status loadOne(QSqlDatabase &db, const ReferenceFile &rf)
{
    const schema::Table *t = schema::table(QString::fromLatin1(rf.table));
    Result<QVariant> count = sql::scalar(db, QStringLiteral("SELECT count(*) FROM ") + sql::id(t->qname()));
    if (!count)
        return count.error();
    if (count->toLongLong() > 0)
        return {};

    const QString fileName = QString::fromLatin1(rf.file);
    QFile f(QStringLiteral(":/reference/") + fileName);
    if (!f.open(QIODevice::ReadOnly))
        return makeError(QStringLiteral("Dados de referência \"%1\" não encontrados.").arg(fileName), 2);
    Result<QList<csv::Row>> rows = csv::parse(QString::fromUtf8(f.readAll()));
    if (!rows)
        return makeError(QStringLiteral("%1: %2").arg(fileName, rows.message()), 2);
    if (rows->isEmpty())
        return makeError(QStringLiteral("%1: arquivo vazio.").arg(fileName), 2);

    QStringList cols;
    QStringList marks;
    for (const char *c : rf.columns) {
        cols.append(sql::id(QString::fromLatin1(c)));
        marks.append(QStringLiteral("?"));
    }
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(sql::id(t->qname()), cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')))))
        return makeError(sql::errorText(q), 2);

    for (qsizetype r = 1; r < rows->size(); ++r) { // row 0 is the header
        const csv::Row &row = rows->at(r);
        if (row.fields.size() != static_cast<qsizetype>(rf.columns.size()))
            return makeError(QStringLiteral("%1, linha %2: %3 campos, esperados %4.")
                                 .arg(fileName).arg(row.line).arg(row.fields.size()).arg(rf.columns.size()), 2);
        for (size_t c = 0; c < rf.columns.size(); ++c) {
            const schema::Field *field = t->field(QString::fromLatin1(rf.columns[c]));
            const QString value = row.fields.at(static_cast<qsizetype>(c));
            if (field->type == schema::Type::Integer) {
                bool ok = false;
                const int n = value.toInt(&ok);
                if (!ok)
                    return makeError(QStringLiteral("%1, linha %2: \"%3\" não é um inteiro válido para o campo '%4'.")
                                         .arg(fileName).arg(row.line).arg(value, field->qname()), 2);
                q.bindValue(static_cast<int>(c), n);
            } else {
                if (value.size() > field->width)
                    return makeError(QStringLiteral("%1, linha %2: o valor do campo '%3' tem %4 caracteres; o máximo é %5.")
                                         .arg(fileName).arg(row.line).arg(field->qname()).arg(value.size()).arg(field->width), 2);
                q.bindValue(static_cast<int>(c), value);
            }
        }
        if (!q.exec())
            return makeError(QStringLiteral("%1, linha %2: %3").arg(fileName).arg(row.line).arg(sql::errorText(q)), 2);
    }
    return {};
}

} // namespace

Status upgradeSchema(QSqlDatabase &db)
{
    Result<QVariant> stamp = sql::scalar(db, QStringLiteral("PRAGMA user_version"));
    if (!stamp)
        return makeError(stamp.message(), 2);
    int version = stamp->toInt();
    if (version > schema::kSchemaVersion)
        return makeError(msg::kVersaoMaisNova.arg(version).arg(schema::kSchemaVersion), 2);
    // The last step creates what is missing; a current store that lost a
    // table goes through it again.
    if (version == schema::kSchemaVersion && !hasEveryTable(db))
        version = schema::kSchemaVersion - 1;
    while (version < schema::kSchemaVersion) {
        sql::Transaction tx(db);
        if (!tx.active())
            return makeError(tx.error().message, 2);
        if (Status s = kSteps[version](db); !s)
            return s;
        if (Status s = sql::exec(db, QStringLiteral("PRAGMA user_version = %1").arg(version + 1)); !s)
            return makeError(s.message(), 2);
        if (Status s = tx.commit(); !s)
            return makeError(s.message(), 2);
        ++version;
    }
    return {};
}

const QStringList &dayIndexFiles()
{
    static const QStringList files{QStringLiteral("Movimentacao.YG0"), QStringLiteral("Movimentacao.XG0"),
                                   QStringLiteral("MovArmazenagem.YG0"), QStringLiteral("MovArmazenagem.XG0")};
    return files;
}

Status removeDayIndexFiles(const QString &dataFolder)
{
    const QDir dir(dataFolder);
    const QStringList present = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : present) {
        bool listed = false;
        for (const QString &f : dayIndexFiles())
            listed = listed || name.compare(f, Qt::CaseInsensitive) == 0;
        if (listed && !QFile::remove(dir.filePath(name)))
            return makeError(msg::kArquivoNaoExcluido.arg(QDir::toNativeSeparators(dir.filePath(name))), 2);
    }
    return {};
}

Result<QStringList> indexFieldLists(QSqlDatabase &db, const QString &table)
{
    QSqlQuery list(db);
    if (!list.exec(QStringLiteral("PRAGMA index_list(%1)").arg(sql::id(table))))
        return makeError(sql::errorText(list), 2);
    QStringList names;
    while (list.next())
        names.append(list.value(1).toString());
    QStringList out;
    for (const QString &n : names) {
        QSqlQuery info(db);
        if (!info.exec(QStringLiteral("PRAGMA index_info(%1)").arg(sql::id(n))))
            return makeError(sql::errorText(info), 2);
        QList<std::pair<int, QString>> cols;
        while (info.next())
            cols.append({info.value(0).toInt(), info.value(2).toString()});
        std::sort(cols.begin(), cols.end());
        QStringList fields;
        for (const auto &c : cols)
            fields.append(c.second);
        out.append(fields.join(QLatin1Char(';')));
    }
    return out;
}

Status ensureDayIndexes(QSqlDatabase &db)
{
    const QString wanted = QStringLiteral("CdCNPJEmpr;NrAno;NmMes;NrDia");
    for (const char *name : {"Movimentacao", "MovArmazenagem"}) {
        const schema::Table &t = *schema::table(QString::fromLatin1(name));
        Result<QStringList> lists = indexFieldLists(db, t.qname());
        if (!lists)
            return lists.error();
        bool found = false;
        for (const QString &l : *lists)
            found = found || l.compare(wanted, Qt::CaseInsensitive) == 0;
        if (found)
            continue;
        const schema::Index day{"idxDia", {"CdCNPJEmpr", "NrAno", "NmMes", "NrDia"}, true, false};
        const QString physical = schema::physicalIndexName(t, day);
        QStringList cols;
        for (const char *f : day.fields)
            cols.append(sql::id(QString::fromLatin1(f)) + QStringLiteral(" COLLATE NOCASE"));
        sql::Transaction tx(db);
        if (!tx.active())
            return makeError(tx.error().message, 2);
        // Index names are matched without regard to case: one of the same
        // name on other fields gives way.
        if (Status s = sql::exec(db, QStringLiteral("DROP INDEX IF EXISTS %1").arg(sql::id(physical))); !s)
            return makeError(s.message(), 2);
        if (Status s = sql::exec(db, QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                                         .arg(sql::id(physical), sql::id(t.qname()), cols.join(QLatin1Char(','))));
            !s)
            return makeError(s.message(), 2);
        if (Status s = tx.commit(); !s)
            return makeError(s.message(), 2);
    }
    return {};
}

Status loadReferenceData(QSqlDatabase &db)
{
    initReferenceResource();
    for (const ReferenceFile &rf : referenceFiles())
        if (Status s = loadOne(db, rf); !s)
            return s;
    return {};
}

Status initializeDataFolder(const QString &dataFolder, const OpenOptions &options)
{
    const QString native = QDir::toNativeSeparators(dataFolder);
    if (!QDir().mkpath(dataFolder))
        return makeError(QStringLiteral("Não foi possível criar a pasta de dados \"%1\".").arg(native), 2);
    const QString path = databasePath(dataFolder);
    const bool existed = QFileInfo::exists(path);
    OpenOptions o = options;
    o.create = true;
    Result<QSqlDatabase> db = open(dataFolder, o);
    if (!db)
        return db.error();
    Status result;
    {
        sql::Transaction tx(*db);
        if (!tx.active())
            result = makeError(QStringLiteral("Não foi possível gravar em \"%1\": %2").arg(QDir::toNativeSeparators(path), tx.error().message), 2);
        else if (Status s = createSchema(*db); !s)
            result = s;
        else if (Status s2 = loadReferenceData(*db); !s2)
            result = s2;
        else if (Status c = tx.commit(); !c)
            result = makeError(QStringLiteral("Não foi possível gravar em \"%1\": %2").arg(QDir::toNativeSeparators(path), c.message()), 2);
    }
    *db = QSqlDatabase(); // the last handle goes before the connection is removed
    close(o.connection);
    if (!result.ok() && !existed) {
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
    }
    return result;
}

} // namespace quirels::store
