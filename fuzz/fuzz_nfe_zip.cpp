// libFuzzer target of the electronic invoice batches: any bytes given as a
// .zip file must be read or refused entry by entry, without a crash, an
// out-of-bounds access or unbounded memory, and every entry read must go
// through the invoice reader the same way.
#include "exchange/NfeReader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quirels::exchange;
    static QTemporaryDir dir;
    static const QString path = QDir(dir.path()).filePath(QStringLiteral("lote.zip"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }
    nfe::Limits limits;
    limits.maxFileBytes = 1 << 20;
    limits.maxZipBytes = 8 << 20;
    limits.maxZipEntries = 1000;
    nfe::forEachInput({path}, limits, [&](const QString &, const quirels::Result<QByteArray> &bytes) {
        if (bytes)
            (void)nfe::parse(*bytes, limits);
    });
    return 0;
}
