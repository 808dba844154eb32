#include "StoreGuard.h"

#include "store/Database.h"
#include "store/Messages.h"
#include "store/StoreFile.h"
#include "backup/Messages.h"
#include "backup/WorkFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <utility>

namespace quirels::backup {

namespace sf = store::file;

StoreGuard::StoreGuard(TBackupArchive &archive, Dialogs &dialogs) : m_archive(archive), m_dialogs(dialogs)
{
    archive.OnExtraEntries = [this](QStringList &entries) {
        if (m_server)
            entries.append(snapshotEntry());
        return true;
    };
    archive.OnSourceFile = [this](const QString &path, QString &src) { return source(path, src); };
    archive.OnRestoreFile = [this](QString &fileName, qint32, bool &doRestore) {
        restoring(fileName, doRestore);
    };
    archive.OnCheckRestored = [this](const QString &work, const QString &target) { return checkStaged(work, target); };
    archive.OnReplacing = [this](const QString &target) { return replacing(target); };
    // The copies of a backup are gone when it ends.
    archive.OnBackupDone = [this] { m_copies.reset(); };
}

void StoreGuard::setServer(std::optional<ServerTarget> server, const QString &dataFolder)
{
    m_server = std::move(server);
    m_dataFolder = dataFolder;
}

QString StoreGuard::snapshotEntry() const
{
    return QDir::cleanPath(QFileInfo(QDir(m_dataFolder).filePath(kServerSnapshotFile)).absoluteFilePath());
}

bool StoreGuard::makeCopies(const QString &besides)
{
    if (!m_copies) {
        // Beside the store when its folder can take it, else in the system's
        // temporary folder; either way named so a later run removes it if
        // this one is killed.
        for (const QString &folder : {besides, QDir::tempPath()}) {
            if (folder.isEmpty() || !QFileInfo(folder).isDir())
                continue;
            removeLeftovers(folder);
            m_copies = std::make_unique<QTemporaryDir>(workFolderTemplate(folder));
            if (m_copies->isValid())
                break;
        }
        if (!m_copies)
            return false;
        m_copyCount = 0;
    }
    return m_copies->isValid();
}

QString StoreGuard::checkStaged(const QString &work, const QString &target) const
{
    if (!m_restored.contains(target) || !sf::isStoreFile(work))
        return QString();
    const QStringList problems = sf::integrityProblems(work);
    for (const QString &suffix : sf::logSuffixes())
        QFile::remove(work + suffix); // the check's own, if it left any
    if (problems.isEmpty())
        return QString();
    return store::msg::kIntegridadeFalhou.arg(QDir::toNativeSeparators(target)).arg(problems.size());
}

QString StoreGuard::replacing(const QString &target)
{
    if (!m_restored.contains(target))
        return QString();
    if (Status s = sf::setAsideLogs(target); !s)
        return s.message();
    return QString();
}

bool StoreGuard::source(const QString &path, QString &src)
{
    if (m_server && path.compare(snapshotEntry(), Qt::CaseInsensitive) == 0) {
        if (!makeCopies(m_dataFolder)) {
            m_dialogs.error(store::msg::kCopiaFalhou.arg(m_server->display()));
            return false;
        }
        const QString copy = m_copies->filePath(QStringLiteral("%1.dump").arg(++m_copyCount));
        if (Status s = dumpServer(*m_server, copy, m_dataFolder); !s) {
            m_dialogs.error(s.message());
            return false;
        }
        src = copy;
        return true;
    }
    if (!sf::storeOfLogFile(path).isEmpty()) {
        src.clear(); // the copy of its store holds what the log holds
        return true;
    }
    if (!sf::isStoreFile(path))
        return true;
    if (!makeCopies(QFileInfo(path).absolutePath())) {
        m_dialogs.error(store::msg::kCopiaFalhou.arg(QDir::toNativeSeparators(path)));
        return false;
    }
    const QString copy = m_copies->filePath(QStringLiteral("%1.db").arg(++m_copyCount));
    if (Status s = sf::snapshot(path, copy); !s) {
        m_dialogs.error(s.message());
        return false;
    }
    src = copy;
    return true;
}

void StoreGuard::restoring(QString &fileName, bool &doRestore)
{
    if (fileName.endsWith(QLatin1String("-shm"), Qt::CaseInsensitive)) {
        doRestore = false; // rebuilt by the store from its log
        return;
    }
    if (!doRestore)
        return;
    if (m_server && m_inPlace && QFileInfo(fileName).fileName().compare(kServerSnapshotFile, Qt::CaseInsensitive) == 0) {
        restoringSnapshot(fileName, doRestore);
        return;
    }
    const bool store = QFileInfo(fileName).fileName().compare(store::kDatabaseFile, Qt::CaseInsensitive) == 0 ||
                       sf::isStoreFile(fileName);
    if (!store)
        return;
    if (!m_restored.contains(fileName))
        m_restored.append(fileName);
}

void StoreGuard::restoringSnapshot(QString &fileName, bool &doRestore)
{
    // Refused before anything is written: the snapshot is the archive's
    // first member.
    const Result<bool> empty = serverIsEmpty(*m_server, m_dataFolder);
    QString refusal;
    if (!empty)
        refusal = empty.message();
    else if (!*empty) {
        refusal = msg::kServerNotEmpty.arg(m_server->display());
        m_refused = true;
    }
    else if (!makeCopies(m_dataFolder))
        refusal = store::msg::kCopiaFalhou.arg(m_server->display());
    if (!refusal.isEmpty()) {
        m_dialogs.error(refusal);
        m_failed = true;
        doRestore = false;
        m_archive.Abort();
        return;
    }
    fileName = m_copies->filePath(QStringLiteral("%1.dump").arg(++m_copyCount));
    m_serverSnapshot = fileName;
}

bool StoreGuard::checkRestored()
{
    const bool failedBefore = m_failed;
    m_failed = false;
    // The stores were checked before they were put in place.
    m_lastRestored = m_restored;
    m_restored.clear();
    const QString snapshot = std::exchange(m_serverSnapshot, QString());
    m_lastRefused = std::exchange(m_refused, false);
    if (failedBefore) {
        m_copies.reset();
        return false;
    }
    Status loaded;
    if (!snapshot.isEmpty() && QFileInfo::exists(snapshot)) {
        loaded = restoreServer(*m_server, snapshot, m_dataFolder);
        QFile::remove(snapshot);
    }
    m_copies.reset();
    if (!loaded) {
        m_dialogs.error(loaded.message());
        return false;
    }
    return true;
}

} // namespace quirels::backup
