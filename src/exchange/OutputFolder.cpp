#include "OutputFolder.h"

#include "Messages.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>

namespace quirels::exchange {

#ifdef Q_OS_WIN
static Status checkDrive(const QString &folder)
{
    const QChar first = folder.at(0).toUpper();
    if (first < QLatin1Char('A') || first > QLatin1Char('Z'))
        return makeError(QString(first) + msg::kUnidadeInvalida, 1);
    const QStorageInfo drive(QString(first) + QStringLiteral(":/"));
    if (!drive.isValid() || !drive.isReady() || drive.bytesTotal() <= 0)
        return makeError(msg::kSemDisco + folder + QStringLiteral("\r") + msg::kInsiraDisco, 1);
    return {};
}
#endif

Status prepareOutputFolder(const QString &folder)
{
    if (folder.trimmed().isEmpty())
        return makeError(msg::kPastaVazia, 1);
#ifdef Q_OS_WIN
    if (Status s = checkDrive(folder); !s)
        return s;
#endif
    const QString shown = QDir::toNativeSeparators(folder);
    QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return makeError(msg::kPastaNaoCriada.arg(shown), 1);
    if (!info.exists() && !QDir().mkpath(folder))
        return makeError(msg::kPastaNaoCriada.arg(shown), 1);
    // Permission bits do not tell everything (read-only mounts, ACLs): try.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("quirels-XXXXXX.tmp")));
    if (!probe.open())
        return makeError(msg::kPastaSemGravacao.arg(shown), 1);
    return {};
}

QChar floppyDrive(const QString &folder)
{
#ifdef Q_OS_WIN
    if (!folder.isEmpty()) {
        const QChar c = folder.at(0).toUpper();
        if (c == QLatin1Char('A') || c == QLatin1Char('B'))
            return c;
    }
#else
    Q_UNUSED(folder);
#endif
    return QChar();
}

} // namespace quirels::exchange
