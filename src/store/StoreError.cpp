#include "StoreError.h"

#include "Messages.h"

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

void writeLog(const QString &folder, const QSqlError &e)
{
    QString text = e.databaseText();
    if (!e.driverText().isEmpty())
        text += QStringLiteral(" | ") + e.driverText();
    appendLog(folder, e.nativeErrorCode(), text);
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

void appendLog(const QString &folder, const QString &code, const QString &text)
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
    QString line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    line += QStringLiteral(" [%1] ").arg(code.isEmpty() ? QStringLiteral("-") : code);
    line += text.trimmed();
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    f.write(line.toUtf8() + '\n');
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
    return classify(error, folder);
}

Failure describe(const QSqlQuery &query) { return describe(query.lastError(), query.driver()); }

Failure describe(const QSqlDatabase &db) { return describe(db.lastError(), db.driver()); }

} // namespace quirels::store
