#include "Database.h"

#include "BatchInsert.h"
#include "RecordRules.h"
#include "Dialect.h"
#include "Messages.h"
#include "ReferenceTables.h"
#include "NameOrder.h"
#include "Schema.h"
#include "Sql.h"
#include "StoreError.h"

#include <QDir>
#include <algorithm>
#include <QFile>
#include <QFileInfo>
#include <QResource>
#include <QSqlError>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlRecord>

static void initReferenceResource() { Q_INIT_RESOURCE(reference); }

namespace quirels::store {

QString databasePath(const QString &dataFolder) { return QDir(dataFolder).filePath(kDatabaseFile); }

QString storeName(const QString &dataFolder, const OpenOptions &options)
{
    return options.server ? options.server->toString() : QDir::toNativeSeparators(databasePath(dataFolder));
}

static Result<QSqlDatabase> openServerStore(const QString &dataFolder, const OpenOptions &options)
{
    ServerConnection how;
    how.connection = options.connection;
    how.password = options.password;
    how.schema = options.serverSchema;
    how.lockTimeoutMs = options.busyTimeoutMs;
    Result<QSqlDatabase> db = openServer(*options.server, how);
    if (!db)
        return db;
    // Failures of this connection are logged in the data folder.
    setLogFolder(db->driver(), QFileInfo(databasePath(dataFolder)).absolutePath());
    if (!options.create) {
        Result<int> version = dialect::schemaVersion(*db);
        if (!version || *version == 0) {
            const Error e = version ? makeError(msg::kServidorNaoInicializado.arg(options.server->toString()), 2)
                                    : makeError(version.message(), 2);
            *db = QSqlDatabase();
            close(options.connection);
            return e;
        }
    }
    return db;
}

Result<QSqlDatabase> open(const QString &dataFolder, const OpenOptions &options)
{
    if (options.server)
        return openServerStore(dataFolder, options);
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
    // The order of names, which the name indexes and the name orders use.
    {
        const QVariant h = db.driver()->handle();
        if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
            registerNameCollation(*static_cast<sqlite3 *const *>(h.constData()));
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
static Status createTables(QSqlDatabase &db, const std::vector<schema::Table> &tables)
{
    for (const QString &statement : dialect::commonDdl(db))
        if (Status s = sql::exec(db, statement); !s)
            return makeError(s.message(), 2);
    for (const schema::Table &t : tables)
        for (const QString &statement : dialect::ddl(db, t))
            if (Status s = sql::exec(db, statement); !s)
                return makeError(QStringLiteral("Tabela %1: %2").arg(t.qname(), s.message()), 2);
    return {};
}

static Status createTables(QSqlDatabase &db)
{
    if (Status s = createTables(db, schema::tables()); !s)
        return s;
    return createTables(db, schema::ownTables());
}

namespace {

// A table made again from the schema with its rows, its numbering and its
// indexes, for a change SQLite cannot make in place (a column's width rule).
Status rebuildTable(QSqlDatabase &db, const schema::Table &t)
{
    const QString name = t.qname();
    const QString old = name + QStringLiteral("_anterior");
    Result<QVariant> seq = sql::scalar(
        db, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ") + sql::quote(name));
    if (!seq) // no table sqlite_sequence: nothing was ever numbered
        seq = Result<QVariant>(QVariant());
    QStringList cols;
    for (const QString &f : t.fieldNames())
        cols.append(sql::id(f));
    const QStringList statements = schema::ddl(t);
    const QStringList steps{
        QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(sql::id(name), sql::id(old)),
        statements.first(),
        QStringLiteral("INSERT INTO %1 (%3) SELECT %3 FROM %2").arg(sql::id(name), sql::id(old), cols.join(QLatin1Char(','))),
        QStringLiteral("DROP TABLE %1").arg(sql::id(old)),
    };
    for (const QString &statement : steps + statements.mid(1))
        if (Status s = sql::exec(db, statement); !s)
            return makeError(QStringLiteral("Tabela %1: %2").arg(name, s.message()), 2);
    // A number once given is never given again.
    if (seq->isValid() && !seq->isNull()) {
        const QString fix = QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, %1) WHERE name = %2")
                                .arg(seq->toLongLong())
                                .arg(sql::quote(name));
        if (Status s = sql::exec(db, fix); !s)
            return makeError(QStringLiteral("Tabela %1: %2").arg(name, s.message()), 2);
        Result<QVariant> present =
            sql::scalar(db, QStringLiteral("SELECT count(*) FROM sqlite_sequence WHERE name = ") + sql::quote(name));
        if (present && present->toInt() == 0)
            if (Status s = sql::exec(db, QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (%1, %2)")
                                             .arg(sql::quote(name))
                                             .arg(seq->toLongLong()));
                !s)
                return makeError(QStringLiteral("Tabela %1: %2").arg(name, s.message()), 2);
    }
    return {};
}

// Migration steps: step i brings a store stamped i to i + 1. Each can run
// again on a store that already has its change.
// 0 -> 1: a store that predates the stamp (or is empty): the full layout is
// created where it is missing.
Status stepCreateLayout(QSqlDatabase &db) { return createTables(db); }
// 1 -> 2: the residue destination takes 26 characters, so that
// "Destruição - Neutralização" is kept whole.
Status stepWideDestination(QSqlDatabase &db)
{
    return rebuildTable(db, *schema::table(QStringLiteral("Residuo")));
}
// 2 -> 3: the tables of the invoice import (imported access keys, unit
// factors).
Status stepInvoiceImport(QSqlDatabase &db) { return createTables(db); }
// 3 -> 4: a day kept as one digit ("5", " 5") takes its two-digit form, so
// that it sorts before "15" in every day-ordered list and report. Being the
// last step, it first re-creates any table a current store lost.
Status stepTwoDigitDays(QSqlDatabase &db)
{
    if (Status s = createTables(db); !s)
        return s;
    return storeDaysInTwoDigits(db);
}

// 4 -> 5: controlled products that left the list are marked (FlForaDaLista)
// instead of deleted while months refer to them, and the store takes the
// reference tables this program installs, numbers of unchanged products kept.
Status stepReferenceList(QSqlDatabase &db)
{
    const QString table = QStringLiteral("ProdutoControlado");
    // The server's record() does not see the columns of a table named in
    // mixed case, so there the statement itself skips a column already made
    // (by the re-creation of lost tables of the step before).
    const bool server = dialect::isServer(db);
    if (server || !db.record(table).contains(QStringLiteral("FlForaDaLista"))) {
        const QString add = server ? QStringLiteral("ALTER TABLE %1 ADD COLUMN IF NOT EXISTS FlForaDaLista SMALLINT DEFAULT 0")
                                   : QStringLiteral("ALTER TABLE %1 ADD COLUMN FlForaDaLista BOOLEAN DEFAULT 0");
        if (Status s = sql::exec(db, add.arg(sql::id(table))); !s)
            return makeError(QStringLiteral("Tabela %1: %2").arg(table, s.message()), 2);
    }
    Result<QList<reference::TableData>> shipped = reference::installed();
    if (!shipped)
        return shipped.error();
    for (const reference::TableData &data : *shipped)
        if (Result<reference::TableChanges> r = reference::replace(db, data); !r)
            return makeError(QStringLiteral("%1: %2").arg(data.source, r.message()), 2);
    return {};
}

using Step = Status (*)(QSqlDatabase &);
const Step kSteps[] = {stepCreateLayout, stepWideDestination, stepInvoiceImport, stepTwoDigitDays,
                       stepReferenceList};
static_assert(sizeof(kSteps) / sizeof(kSteps[0]) == schema::kSchemaVersion, "one step per schema version");

} // namespace

Status storeDaysInTwoDigits(QSqlDatabase &db)
{
    const QString day = sql::id(rules::kDayField);
    for (const schema::Table &t : schema::tables()) {
        if (!t.field(rules::kDayField))
            continue;
        const QString fix =
            QStringLiteral("UPDATE %1 SET %2 = '0' || trim(%2) WHERE trim(%2) IN "
                           "('0', '1', '2', '3', '4', '5', '6', '7', '8', '9')")
                .arg(sql::id(t.qname()), day);
        if (Status s = sql::exec(db, fix); !s)
            return makeError(QStringLiteral("Tabela %1: %2").arg(t.qname(), s.message()), 2);
    }
    return {};
}

namespace {

bool hasEveryTable(QSqlDatabase &db)
{
    const QStringList present = dialect::tableNames(db);
    std::vector<schema::Table> all = schema::tables();
    all.insert(all.end(), schema::ownTables().begin(), schema::ownTables().end());
    for (const schema::Table &t : all) {
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

} // namespace

QList<ReferenceTable> referenceTables(const QSqlDatabase &db)
{
    initReferenceResource();
    QList<ReferenceTable> out;
    for (const reference::Spec &rf : reference::specs()) {
        ReferenceTable t;
        t.table = QString::fromLatin1(rf.table);
        t.edition = QResource(QStringLiteral(":/reference/") + QString::fromLatin1(rf.file)).lastModified();
        if (db.isOpen()) {
            QSqlDatabase handle = db;
            Result<QVariant> count = sql::scalar(handle, QStringLiteral("SELECT count(*) FROM ") + sql::id(t.table));
            if (count)
                t.rows = count->toLongLong();
        }
        out.append(t);
    }
    return out;
}

Status createSchema(QSqlDatabase &db)
{
    if (Status s = createTables(db); !s)
        return s;
    Result<int> version = dialect::schemaVersion(db);
    if (!version)
        return version.error();
    if (*version >= schema::kSchemaVersion)
        return {};
    // Tables kept from an older layout take the later steps. A server store
    // was never stamped below 3; a new one (0) has the whole layout already.
    const int from = !dialect::isServer(db) ? std::max(*version, 1) : *version == 0 ? schema::kSchemaVersion : std::max(*version, 3);
    for (int v = from; v < schema::kSchemaVersion; ++v)
        if (Status s = kSteps[v](db); !s)
            return s;
    return dialect::setSchemaVersion(db, schema::kSchemaVersion);
}

Status upgradeSchema(QSqlDatabase &db)
{
    Result<int> stamp = dialect::schemaVersion(db);
    if (!stamp)
        return makeError(stamp.message(), 2);
    int version = *stamp;
    if (version > schema::kSchemaVersion)
        return makeError(msg::kVersaoMaisNova.arg(version).arg(schema::kSchemaVersion), 2);
    // A current store that lost a table has it created again.
    if (version == schema::kSchemaVersion && !hasEveryTable(db)) {
        sql::Transaction tx(db);
        if (!tx.active())
            return makeError(tx.error().message, 2);
        if (Status s = createTables(db); !s)
            return s;
        if (Status s = tx.commit(); !s)
            return makeError(s.message(), 2);
    }
    while (version < schema::kSchemaVersion) {
        sql::Transaction tx(db);
        if (!tx.active())
            return makeError(tx.error().message, 2);
        if (Status s = kSteps[version](db); !s)
            return s;
        if (Status s = dialect::setSchemaVersion(db, version + 1); !s)
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
    return dialect::indexFieldLists(db, table);
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
            cols.append(dialect::isServer(db) ? sql::id(QString::fromLatin1(f)) : sql::id(QString::fromLatin1(f)) + QStringLiteral(" COLLATE NOCASE"));
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

Status ensureNameIndexes(QSqlDatabase &db)
{
    if (dialect::isServer(db))
        return {};
    QStringList statements;
    for (const schema::Table &t : schema::tables())
        for (const schema::Index &i : t.indexes) {
            if (!i.names)
                continue;
            const QString physical = schema::physicalIndexName(t, i);
            Result<QVariant> made = sql::scalar(
                db, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'index' AND name = %1 COLLATE NOCASE")
                        .arg(sql::quote(physical)));
            if (made && made->toString().contains(QLatin1String("PTBR")))
                continue;
            QStringList cols;
            for (const char *f : i.fields)
                cols.append(sql::id(QString::fromLatin1(f)) + QStringLiteral(" COLLATE PTBR"));
            statements.append(QStringLiteral("DROP INDEX IF EXISTS %1").arg(sql::id(physical)));
            statements.append(QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                                  .arg(sql::id(physical), sql::id(t.qname()), cols.join(QLatin1Char(','))));
        }
    if (statements.isEmpty())
        return {};
    sql::Transaction tx(db);
    if (!tx.active())
        return makeError(tx.error().message, 2);
    for (const QString &statement : statements)
        if (Status s = sql::exec(db, statement); !s)
            return makeError(s.message(), 2);
    if (Status s = tx.commit(); !s)
        return makeError(s.message(), 2);
    return {};
}

Status loadReferenceData(QSqlDatabase &db)
{
    Result<QList<reference::TableData>> shipped = reference::installed();
    if (!shipped)
        return shipped.error();
    for (const reference::TableData &data : *shipped) {
        const QString table = QString::fromLatin1(data.spec->table);
        Result<QVariant> count = sql::scalar(db, QStringLiteral("SELECT count(*) FROM ") + sql::id(table));
        if (!count)
            return count.error();
        if (count->toLongLong() > 0)
            continue;
        if (Result<reference::TableChanges> r = reference::replace(db, data); !r)
            return makeError(QStringLiteral("%1: %2").arg(data.source, r.message()), 2);
    }
    return {};
}

// The tables of a server database that are not of this program.
static QStringList foreignTables(QSqlDatabase &db)
{
    QStringList out;
    for (const QString &name : dialect::tableNames(db)) {
        const bool ours = name.compare(QLatin1String("quirels_esquema"), Qt::CaseInsensitive) == 0 || schema::anyTable(name);
        if (!ours)
            out.append(name);
    }
    return out;
}

static Status initializeServer(const QString &dataFolder, const OpenOptions &options)
{
    OpenOptions o = options;
    o.create = true;
    Result<QSqlDatabase> db = open(dataFolder, o);
    if (!db)
        return db.error();
    Status result;
    if (!foreignTables(*db).isEmpty()) {
        result = makeError(msg::kServidorOutrasTabelas.arg(options.server->toString()), 2);
    } else {
        sql::Transaction tx(*db);
        if (!tx.active())
            result = makeError(tx.error().message, 2);
        else if (Status s = createSchema(*db); !s)
            result = s;
        else if (Status s2 = loadReferenceData(*db); !s2)
            result = s2;
        else if (Status c = tx.commit(); !c)
            result = makeError(c.message(), 2);
    }
    *db = QSqlDatabase();
    close(o.connection);
    return result;
}

Status initializeDataFolder(const QString &dataFolder, const OpenOptions &options)
{
    const QString native = QDir::toNativeSeparators(dataFolder);
    if (!QDir().mkpath(dataFolder))
        return makeError(QStringLiteral("Não foi possível criar a pasta de dados \"%1\".").arg(native), 2);
    if (options.server)
        return initializeServer(dataFolder, options);
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
