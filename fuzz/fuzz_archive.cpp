// Fuzzes the archive reader: the archive information and a restore into a
// scratch folder, from a seekable and from a sequential stream. Nothing may
// crash, and nothing may be written outside the destination folder.
#include "backup/BackupArchive.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>

using namespace quirels;
using namespace quirels::backup;

namespace {

class SilentDialogs : public Dialogs {
public:
    void information(const QString &) override {}
    void error(const QString &) override {}
    bool confirm(const QString &) override { return false; }
    Answer confirmYesNoCancel(const QString &) override { return Answer::No; }
    bool confirmOkCancel(const QString &) override { return false; }
};

// A stream that cannot tell its size or seek.
class SequentialBuffer : public QIODevice {
public:
    explicit SequentialBuffer(const QByteArray &data) : m_data(data) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_data.size() - m_pos + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *out, qint64 max) override
    {
        const qint64 n = std::min<qint64>(max, m_data.size() - m_pos);
        if (n <= 0)
            return -1;
        memcpy(out, m_data.constData() + m_pos, static_cast<size_t>(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_pos = 0;
};

QString scratchRoot()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/quirels-fuzz-XXXXXX")
                                                                        : QDir::tempPath() + QStringLiteral("/quirels-fuzz-XXXXXX"));
    return dir.path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int flags = data[0];
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));

    SilentDialogs dialogs;
    TBackupArchive archive(dialogs);
    archive.ProcessEvents = nullptr;
    archive.OnNeedDisk = [](quint16, bool &cont) { cont = false; };
    archive.OnError = [](int code, const QString &) {
        if (code < 1 || code > 7)
            std::abort();
    };
    archive.setRestoreFullPath(flags & 1);
    archive.setRestoreMode(static_cast<TRestoreMode>((flags >> 1) % 5));

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    SequentialBuffer sequential(bytes);
    QIODevice *device = (flags & 0x40) ? static_cast<QIODevice *>(&sequential) : &buffer;
    archive.setStream(device);

    if (flags & 0x80) {
        QStringList lines;
        QString title;
        archive.GetArchiveInfo(kStreamName, &lines, title);
        return 0;
    }

    // The destination sits two folders down in an otherwise empty tree.
    const QString root = scratchRoot();
    const QString dest = root + QStringLiteral("/a/b/dest");
    QDir().mkpath(dest);
    archive.Restore(kStreamName, dest);
    const QStringList atRoot = QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    const QStringList atA = QDir(root + QStringLiteral("/a")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    const QStringList atB = QDir(root + QStringLiteral("/a/b")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    if (atRoot != QStringList{QStringLiteral("a")} || atA != QStringList{QStringLiteral("b")} ||
        atB != QStringList{QStringLiteral("dest")})
        std::abort();
    QDir(dest).removeRecursively();
    return 0;
}
