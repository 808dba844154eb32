#include "Repair.h"

#include "store/Database.h"
#include "store/Sql.h"
#include "store/StoreError.h"
#include "store/StoreFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

namespace quirels::shell {

namespace {

const QString kRepairConnection = QStringLiteral("quirelsRepair");

QString native(const QString &p) { return QDir::toNativeSeparators(p); }

// REINDEX and then VACUUM on a connection of our own; false when a step
// failed (a store too damaged for them).
bool rebuildAndCompact(const QString &dataFolder, bool compact, bool sharedFolder)
{
    store::OpenOptions options;
    options.connection = kRepairConnection;
    options.sharedFolder = sharedFolder;
    bool ok = false;
    {
        Result<QSqlDatabase> db = store::open(dataFolder, options);
        if (db) {
            ok = sql::exec(*db, QStringLiteral("REINDEX")).ok();
            if (ok && compact)
                ok = sql::exec(*db, QStringLiteral("VACUUM")).ok();
        }
    }
    store::close(kRepairConnection);
    return ok;
}

} // namespace

Result<RepairReport> repairDataFolder(const QString &dataFolder, bool sharedFolder)
{
    namespace sf = store::file;
    const QString path = store::databasePath(dataFolder);
    if (!QFileInfo::exists(path))
        return makeError(QStringLiteral("O banco de dados \"%1\" não existe.").arg(native(path)), 2);
    RepairReport r;
    const auto log = [&](const QString &text) { store::logDetail(dataFolder, QStringLiteral("repair: ") + text); };
    const auto logProblems = [&](const QStringList &problems) {
        for (const QString &p : problems)
            log(QStringLiteral("integrity_check: ") + p);
    };
    log(QStringLiteral("start, ") + native(path));
    QStringList problems = sf::integrityProblems(path);
    logProblems(problems);
    if (problems.isEmpty()) {
        r.found << QStringLiteral("Verificação de integridade: nenhum problema encontrado.");
    } else {
        r.found << QStringLiteral("Verificação de integridade: %1 problema(s) encontrado(s).").arg(problems.size());
        if (rebuildAndCompact(dataFolder, false, sharedFolder)) {
            r.done << QStringLiteral("Índices reconstruídos.");
            log(QStringLiteral("REINDEX done"));
            problems = sf::integrityProblems(path);
            logProblems(problems);
        }
    }
    if (problems.isEmpty()) {
        if (!rebuildAndCompact(dataFolder, true, sharedFolder)) {
            log(QStringLiteral("REINDEX or VACUUM failed"));
            return makeError(QStringLiteral("Não foi possível reconstruir os índices e compactar o banco de dados \"%1\".")
                                 .arg(native(path)), 2);
        }
        if (!r.done.contains(QStringLiteral("Índices reconstruídos.")))
            r.done << QStringLiteral("Índices reconstruídos.");
        r.done << QStringLiteral("Banco de dados compactado.");
        r.sound = sf::integrityProblems(path).isEmpty();
        log(QStringLiteral("REINDEX and VACUUM done; sound: %1").arg(r.sound ? QStringLiteral("yes") : QStringLiteral("no")));
        return r;
    }

    // Still damaged: a new store from every row that can be read.
    const QString rebuilt = path + QStringLiteral(".recuperado");
    Result<sf::Recovery> rec = sf::recover(path, rebuilt);
    if (!rec) {
        log(QStringLiteral("recovery failed"));
        return rec.error();
    }
    r.keptOriginal = path + QStringLiteral(".danificado-") +
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (!QFile::rename(path, r.keptOriginal)) {
        log(QStringLiteral("rename %1 -> %2 failed").arg(native(path), native(r.keptOriginal)));
        QFile::remove(rebuilt);
        return makeError(QStringLiteral("Não foi possível mover o arquivo \"%1\" para \"%2\".")
                             .arg(native(path), native(r.keptOriginal)), 2);
    }
    // The log files belonged to the damaged file: they go with it.
    for (const QString &suffix : sf::logSuffixes())
        if (QFileInfo::exists(path + suffix))
            QFile::rename(path + suffix, r.keptOriginal + suffix);
    if (!QFile::rename(rebuilt, path)) {
        log(QStringLiteral("rename %1 -> %2 failed").arg(native(rebuilt), native(path)));
        QFile::rename(r.keptOriginal, path);
        return makeError(QStringLiteral("Não foi possível colocar o banco de dados recuperado em \"%1\".").arg(native(path)), 2);
    }
    log(QStringLiteral("recovered %1 row(s); tables with unreadable rows: %2; damaged file kept as %3")
            .arg(rec->rowsCopied)
            .arg(rec->damagedTables.isEmpty() ? QStringLiteral("none") : rec->damagedTables.join(QLatin1Char(',')),
                 native(r.keptOriginal)));
    r.done << QStringLiteral("Banco de dados refeito com as linhas legíveis: %1 linha(s) recuperada(s).").arg(rec->rowsCopied);
    if (!rec->damagedTables.isEmpty())
        r.found << QStringLiteral("Linhas ilegíveis perdidas nas tabelas: %1.").arg(rec->damagedTables.join(QStringLiteral(", ")));
    r.done << QStringLiteral("O arquivo danificado foi guardado em \"%1\".").arg(native(r.keptOriginal));
    const QStringList left = sf::integrityProblems(path);
    logProblems(left);
    r.sound = left.isEmpty();
    if (r.sound && rebuildAndCompact(dataFolder, true, sharedFolder))
        r.done << QStringLiteral("Banco de dados compactado.");
    log(QStringLiteral("end; sound: %1").arg(r.sound ? QStringLiteral("yes") : QStringLiteral("no")));
    return r;
}

Result<QStringList> repairStore(const QString &dataFolder, bool sharedFolder)
{
    Result<RepairReport> r = repairDataFolder(dataFolder, sharedFolder);
    if (!r)
        return r.error();
    return r->sound ? QStringList() : r->found;
}

} // namespace quirels::shell
