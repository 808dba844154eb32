#include "StoreError.h"

#include "Messages.h"
#include "Schema.h"

#include <QSqlDriver>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace quirels::store {

namespace {

// SQLite's primary result codes (the low byte of an extended code).
enum : int {
    kSqliteError = 1,
    kSqlitePerm = 3,
    kSqliteBusy = 5,
    kSqliteLocked = 6,
    kSqliteReadOnly = 8,
    kSqliteIoErr = 10,
    kSqliteCorrupt = 11,
    kSqliteFull = 13,
    kSqliteCantOpen = 14,
    kSqliteConstraint = 19,
    kSqliteNotADb = 26,
};

// A log larger than this is moved aside to "quirels.log.1" before the next
// entry, so the log never grows without bound.
constexpr qint64 kLogLimit = 1 << 20;

struct Registry {
    QMutex mutex;
    QHash<const QSqlDriver *, QString> folders;
    QString last;
};

Registry &registry()
{
    static Registry r;
    return r;
}

QString folderOf(const QSqlDriver *driver)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    const auto it = r.folders.constFind(driver);
    return it != r.folders.constEnd() ? *it : r.last;
}

void writeLine(const QString &folder, const QString &code, QString text)
{
    if (folder.isEmpty())
        return;
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    const QString path = logPath(folder);
    if (QFileInfo(path).size() > kLogLimit) {
        QFile::remove(path + QStringLiteral(".1"));
        QFile::rename(path, path + QStringLiteral(".1"));
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return; // the log is a help, never a second failure
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    QString line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    line += QStringLiteral(" [%1] ").arg(code.isEmpty() ? QStringLiteral("-") : code);
    line += text;
    f.write(line.toUtf8() + '\n');
}

void writeLog(const QString &folder, const QSqlError &e)
{
    QString text = e.databaseText();
    if (!e.driverText().isEmpty())
        text += QStringLiteral(" | ") + e.driverText();
    writeLine(folder, e.nativeErrorCode(), text);
}

// "UNIQUE constraint failed: Mes.CdCNPJEmpr, Mes.NrAno" -> "Mes";
// "NOT NULL constraint failed: Produtos.CdNCM" -> "Produtos", "CdNCM".
std::pair<QString, QString> constraintPlace(const QString &text)
{
    static const QRegularExpression re(QStringLiteral(R"(constraint failed:\s*([A-Za-z_][A-Za-z0-9_]*)\.([A-Za-z_][A-Za-z0-9_]*))"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return {};
    return {m.captured(1), m.captured(2)};
}

// The width rule of a text column: "CHECK constraint failed: length("NmMes") <= 3".
const QRegularExpression &tooLong()
{
    static const QRegularExpression re(QStringLiteral(R"re(length\(\s*"?([A-Za-z_][A-Za-z0-9_]*)"?\s*\)\s*<=\s*(\d+))re"));
    return re;
}

// The schema's spelling of a table or field name the server gave folded.
QString tableName(const QString &folded)
{
    const schema::Table *t = schema::anyTable(folded);
    return t ? t->qname() : folded;
}

QString fieldName(const QString &table, const QString &folded)
{
    if (const schema::Table *t = schema::anyTable(table))
        if (const schema::Field *f = t->field(folded))
            return f->qname();
    return folded;
}

QString captured(const QString &text, const QString &pattern)
{
    const QRegularExpression re(pattern);
    const QRegularExpressionMatch m = re.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

// The server's failures by their SQLSTATE code.
Failure classifyServer(const QSqlError &e, const QString &folder)
{
    const QString text = e.databaseText() + QLatin1Char(' ') + e.driverText();
    const QString state = e.nativeErrorCode();
    const QString cls = state.left(2);
    const QString relation = captured(text, QStringLiteral(R"re(relation "([A-Za-z0-9_]+)")re"));
    if (state == QLatin1String("23505")) {
        // "duplicate key value violates unique constraint "produtos_pkey"": the
        // table is the relation, else the first part of the index's name.
        QString table = relation;
        if (table.isEmpty())
            table = captured(text, QStringLiteral(R"re(constraint "([A-Za-z0-9]+)_)re"));
        return {FailureKind::Duplicate, msg::kFalhaChaveRepetida.arg(table.isEmpty() ? QStringLiteral("?") : tableName(table))};
    }
    if (state == QLatin1String("23502")) {
        const QString column = captured(text, QStringLiteral(R"re(column "([A-Za-z0-9_]+)")re"));
        if (!column.isEmpty() && !relation.isEmpty())
            return {FailureKind::Required, msg::kFalhaObrigatorio.arg(fieldName(relation, column), tableName(relation))};
        return {FailureKind::Refused, msg::kFalhaRecusado};
    }
    if (state == QLatin1String("23514")) {
        // "... violates check constraint "mes_nmmes_check"": the width rule
        // of that column.
        const QString constraint = captured(text, QStringLiteral(R"re(check constraint "([A-Za-z0-9_]+)")re"));
        if (const schema::Table *t = schema::anyTable(relation)) {
            for (const schema::Field &f : t->fields) {
                const QString name = (t->qname() + QLatin1Char('_') + f.qname() + QStringLiteral("_check")).toLower();
                if (f.type == schema::Type::Text && constraint == name)
                    return {FailureKind::Refused, msg::kTextoLongo.arg(f.qname()).arg(f.width)};
            }
        }
        return {FailureKind::Refused, msg::kFalhaRecusado};
    }
    if (cls == QLatin1String("23") || cls == QLatin1String("22"))
        return {FailureKind::Refused, msg::kFalhaRecusado};
    if (state == QLatin1String("55P03") || state == QLatin1String("40P01") || state == QLatin1String("40001") ||
        state == QLatin1String("57014"))
        return {FailureKind::Busy, msg::kFalhaOcupado};
    if (state == QLatin1String("53100"))
        return {FailureKind::NoSpace, msg::kFalhaSemEspaco};
    if (cls == QLatin1String("42") && state == QLatin1String("42501"))
        return {FailureKind::ReadOnly, msg::kFalhaSomenteLeitura};
    if (state == QLatin1String("25006"))
        return {FailureKind::ReadOnly, msg::kFalhaSomenteLeitura};
    if (state == QLatin1String("42P01") && !relation.isEmpty())
        return {FailureKind::Missing, msg::kFalhaTabelaAusente.arg(tableName(relation))};
    if (cls == QLatin1String("XX") || state == QLatin1String("58030"))
        return {FailureKind::Damaged, msg::kFalhaDanificado};
    if (cls == QLatin1String("08") || cls == QLatin1String("57") || text.contains(QLatin1String("server closed the connection")) ||
        text.contains(QLatin1String("no connection to the server")))
        return {FailureKind::Disk, msg::kFalhaConexao};
    return {FailureKind::Other, msg::kFalhaOutra.arg(folder.isEmpty() ? kLogFile : QDir::toNativeSeparators(logPath(folder)))};
}

Failure classify(const QSqlError &e, const QString &folder)
{
    const QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    bool numeric = false;
    const int code = e.nativeErrorCode().toInt(&numeric) & 0xFF;
    const int c = numeric ? code : 0;
    Failure f;
    switch (c) {
    case kSqliteBusy:
    case kSqliteLocked: f = {FailureKind::Busy, msg::kFalhaOcupado}; break;
    case kSqliteCorrupt:
    case kSqliteNotADb: f = {FailureKind::Damaged, msg::kFalhaDanificado}; break;
    case kSqliteFull: f = {FailureKind::NoSpace, msg::kFalhaSemEspaco}; break;
    case kSqliteReadOnly:
    case kSqlitePerm: f = {FailureKind::ReadOnly, msg::kFalhaSomenteLeitura}; break;
    case kSqliteCantOpen: f = {FailureKind::CantOpen, msg::kFalhaAbrir}; break;
    case kSqliteIoErr: f = {FailureKind::Disk, msg::kFalhaDisco}; break;
    case kSqliteConstraint: {
        const auto [table, field] = constraintPlace(text);
        if (text.contains(QLatin1String("UNIQUE constraint")) || text.contains(QLatin1String("PRIMARY KEY")))
            f = {FailureKind::Duplicate, msg::kFalhaChaveRepetida.arg(table.isEmpty() ? QStringLiteral("?") : table)};
        else if (text.contains(QLatin1String("NOT NULL constraint")) && !field.isEmpty())
            f = {FailureKind::Required, msg::kFalhaObrigatorio.arg(field, table)};
        else if (const QRegularExpressionMatch m = tooLong().match(text); m.hasMatch())
            f = {FailureKind::Refused, msg::kTextoLongo.arg(m.captured(1), m.captured(2))};
        else
            f = {FailureKind::Refused, msg::kFalhaRecusado};
        break;
    }
    default: {
        static const QRegularExpression missing(QStringLiteral(R"re(no such table:\s*(?:main\.)?"?([A-Za-z_][A-Za-z0-9_]*))re"));
        if (const QRegularExpressionMatch m = missing.match(text); m.hasMatch())
            f = {FailureKind::Missing, msg::kFalhaTabelaAusente.arg(m.captured(1))};
        else if (c == 0 && text.contains(QLatin1String("database is locked")))
            f = {FailureKind::Busy, msg::kFalhaOcupado};
        else
            f = {FailureKind::Other,
                 msg::kFalhaOutra.arg(folder.isEmpty() ? kLogFile : QDir::toNativeSeparators(logPath(folder)))};
        break;
    }
    }
    return f;
}

} // namespace

QString logPath(const QString &dataFolder) { return QDir(dataFolder).filePath(kLogFile); }

void logDetail(const QString &dataFolder, const QString &text, const QString &code)
{
    writeLine(dataFolder, code, text.trimmed());
}

void setLogFolder(const QSqlDriver *driver, const QString &folder)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    r.folders.insert(driver, folder);
    r.last = folder;
}

void forgetLogFolder(const QSqlDriver *driver)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    r.folders.remove(driver);
}

Failure describe(const QSqlError &error, const QSqlDriver *driver)
{
    if (!error.isValid())
        return {};
    const QString folder = folderOf(driver);
    writeLog(folder, error);
    if (driver && driver->dbmsType() == QSqlDriver::PostgreSQL)
        return classifyServer(error, folder);
    return classify(error, folder);
}

Failure describe(const QSqlQuery &query) { return describe(query.lastError(), query.driver()); }

Failure describe(const QSqlDatabase &db) { return describe(db.lastError(), db.driver()); }

} // namespace quirels::store
