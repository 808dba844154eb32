#include "StoreGuard.h"

#include "store/Database.h"
#include "store/Messages.h"
#include "store/StoreFile.h"

#include <QDir>
#include <QFileInfo>

namespace quirels::backup {

namespace sf = store::file;

StoreGuard::StoreGuard(TBackupArchive &archive, Dialogs &dialogs) : m_dialogs(dialogs)
{
    archive.OnSourceFile = [this](const QString &path, QString &src) { return source(path, src); };
    archive.OnRestoreFile = [this](QString &fileName, qint32, bool &doRestore) {
        restoring(fileName, doRestore);
    };
}

bool StoreGuard::source(const QString &path, QString &src)
{
    if (!sf::storeOfLogFile(path).isEmpty()) {
        src.clear(); // the copy of its store holds what the log holds
        return true;
    }
    if (!sf::isStoreFile(path))
        return true;
    if (!m_copies) {
        m_copies = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quirels-copia-XXXXXX"));
        m_copyCount = 0;
    }
    if (!m_copies->isValid()) {
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
    const bool store = QFileInfo(fileName).fileName().compare(store::kDatabaseFile, Qt::CaseInsensitive) == 0 ||
                       sf::isStoreFile(fileName);
    if (!store)
        return;
    if (Status s = sf::setAsideLogs(fileName); !s) {
        m_dialogs.error(s.message());
        m_failed = true;
        doRestore = false;
        return;
    }
    if (!m_restored.contains(fileName))
        m_restored.append(fileName);
}

bool StoreGuard::checkRestored()
{
    const bool failedBefore = m_failed;
    m_failed = false;
    const QStringList stores = m_restored;
    m_lastRestored = m_restored;
    m_restored.clear();
    if (failedBefore)
        return false;
    for (const QString &path : stores) {
        if (!QFileInfo::exists(path) || !sf::isStoreFile(path))
            continue;
        const QStringList problems = sf::integrityProblems(path);
        if (!problems.isEmpty()) {
            m_dialogs.error(store::msg::kIntegridadeFalhou.arg(QDir::toNativeSeparators(path)).arg(problems.size()));
            return false;
        }
    }
    return true;
}

} // namespace quirels::backup
