#include "NfeReader.h"

#include "Messages.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <zip.h>

// The invoice files given to an import: single files, folders searched for
// .xml and .zip files, and the .xml entries of each zip file, each read
// whole into memory within the limits.

namespace quirels::exchange::nfe {

namespace {

QString shown(const QString &path) { return QDir::toNativeSeparators(path); }

bool hasSuffix(const QString &name, const char *suffix)
{
    return name.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

Result<QByteArray> readFileBytes(const QString &path, const Limits &limits)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return makeError(msg::kNfeIlegivel.arg(f.errorString()), 2);
    // At most one byte past the limit, into a buffer of the file's own size
    // (grown should the file hold more than it said): a buffer of the limit's
    // size for every file would cost far more than reading a small invoice.
    QByteArray bytes(std::min<qint64>(std::max<qint64>(f.size(), 0), limits.maxFileBytes) + 1, Qt::Uninitialized);
    qint64 got = 0;
    for (;;) {
        const qint64 n = f.read(bytes.data() + got, bytes.size() - got);
        if (n <= 0)
            break;
        got += n;
        if (got < bytes.size() || got > limits.maxFileBytes)
            continue;
        bytes.resize(std::min<qint64>(bytes.size() * 2, limits.maxFileBytes + 1));
    }
    bytes.resize(got);
    if (bytes.size() > limits.maxFileBytes)
        return makeError(msg::kNfeGrandeDemais.arg(limits.maxFileBytes), 1);
    if (f.error() != QFileDevice::NoError)
        return makeError(msg::kNfeIlegivel.arg(f.errorString()), 2);
    return bytes;
}

// An input already read (or refused).
InputReader readAlready(const Result<QByteArray> &bytes)
{
    return [bytes] { return bytes; };
}

// What a libzip error code means, in the user's words (libzip's own texts
// are English).
QString zipProblem(int code)
{
    switch (code) {
    case ZIP_ER_NOZIP: return msg::kNfeZipNaoEhZip;
    case ZIP_ER_CRC:
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD: return msg::kNfeZipEntradaIlegivel;
    case ZIP_ER_OPEN:
    case ZIP_ER_NOENT: return msg::kNfeZipNaoAbre;
    default: return msg::kNfeZipIncompleto;
    }
}

// Each .xml entry of a zip file, read whole into memory; nothing is ever
// written out, so entry names cannot reach outside anything.
void readZip(const QString &path, const Limits &limits, const LazyInputVisitor &visit)
{
    int code = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!z) {
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        visit(shown(path), readAlready(makeError(msg::kNfeZipInvalido.arg(zipProblem(code)), 1)));
        zip_error_fini(&e);
        return;
    }
    const zip_int64_t count = zip_get_num_entries(z, 0);
    if (count < 0 || count > limits.maxZipEntries) {
        visit(shown(path), readAlready(makeError(msg::kNfeZipEntradas.arg(limits.maxZipEntries), 1)));
        zip_discard(z);
        return;
    }
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *raw = zip_get_name(z, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        if (!raw)
            continue;
        const QString entry = QString::fromUtf8(raw);
        const QString name = shown(path) + QLatin1Char('/') + entry;
        if (entry.endsWith(QLatin1Char('/')))
            continue; // a folder
        if (hasSuffix(entry, ".zip")) {
            visit(name, readAlready(makeError(msg::kNfeZipAninhado, 1)));
            continue;
        }
        if (!hasSuffix(entry, ".xml"))
            continue; // the printed invoices and other files that travel with the XMLs
        zip_file_t *f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
        if (!f) {
            visit(name, readAlready(makeError(msg::kNfeIlegivel.arg(zipProblem(zip_error_code_zip(zip_get_error(z)))), 1)));
            continue;
        }
        QByteArray bytes;
        bool failed = false;
        char buffer[65536];
        for (;;) {
            const zip_int64_t n = zip_fread(f, buffer, sizeof buffer);
            if (n < 0) {
                visit(name, readAlready(makeError(msg::kNfeIlegivel.arg(zipProblem(zip_error_code_zip(zip_file_get_error(f)))), 1)));
                failed = true;
                break;
            }
            if (n == 0)
                break;
            total += n;
            if (bytes.size() + n > limits.maxFileBytes) {
                visit(name, readAlready(makeError(msg::kNfeGrandeDemais.arg(limits.maxFileBytes), 1)));
                failed = true;
                break;
            }
            if (total > limits.maxZipBytes) {
                zip_fclose(f);
                visit(shown(path), readAlready(makeError(msg::kNfeGrandeDemais.arg(limits.maxZipBytes), 1)));
                zip_discard(z);
                return;
            }
            bytes.append(buffer, static_cast<qsizetype>(n));
        }
        zip_fclose(f);
        if (!failed)
            visit(name, readAlready(bytes));
    }
    zip_discard(z);
}

void readOne(const QString &path, const Limits &limits, const LazyInputVisitor &visit)
{
    if (hasSuffix(path, ".zip"))
        readZip(path, limits, visit);
    else
        visit(shown(path), [path, limits] { return readFileBytes(path, limits); });
}

} // namespace

void forEachInput(const QStringList &paths, const Limits &limits, const InputVisitor &visit)
{
    forEachInputLazily(paths, limits, [&](const QString &name, const InputReader &read) { visit(name, read()); });
}

void forEachInputLazily(const QStringList &paths, const Limits &limits, const LazyInputVisitor &visit)
{
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.exists()) {
            visit(shown(path), readAlready(makeError(msg::kNfeNaoEncontrado, 2)));
            continue;
        }
        if (!info.isDir()) {
            readOne(path, limits, visit);
            continue;
        }
        QStringList found;
        QDirIterator it(path, {QStringLiteral("*.xml"), QStringLiteral("*.zip")}, QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found.append(it.next());
        std::sort(found.begin(), found.end());
        for (const QString &f : found)
            readOne(f, limits, visit);
    }
}

} // namespace quirels::exchange::nfe
