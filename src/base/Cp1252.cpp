#include "Cp1252.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace quirels::cp1252 {

namespace {
const char *const kCodec = "windows-1252";
}

QString decode(const QByteArray &bytes)
{
    QStringDecoder decoder(kCodec, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

static qsizetype firstUnencodable(const QString &text)
{
    QStringEncoder encoder(kCodec, QStringConverter::Flag::Stateless);
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype len = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QByteArray b = encoder.encode(QStringView(text).mid(i, len));
        if (encoder.hasError() || b.size() != 1)
            return i;
        i += len - 1;
    }
    return -1;
}

Result<QByteArray> encode(const QString &text)
{
    QStringEncoder encoder(kCodec, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError() && bytes.size() == text.size())
        return bytes;
    const qsizetype at = firstUnencodable(text);
    const QString ch = at >= 0 ? text.mid(at, text.at(at).isHighSurrogate() ? 2 : 1) : QString();
    return makeError(QStringLiteral("O caractere \"%1\" (posição %2) não pode ser gravado no código de página Windows-1252.")
                         .arg(ch)
                         .arg(at + 1));
}

bool canEncode(const QString &text)
{
    QStringEncoder encoder(kCodec, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    return !encoder.hasError() && bytes.size() == text.size();
}

Result<QString> readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return makeError(QStringLiteral("Não foi possível ler o arquivo \"%1\": %2").arg(path, f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return makeError(QStringLiteral("Não foi possível ler o arquivo \"%1\": %2").arg(path, f.errorString()));
    return decode(bytes);
}

Status writeFile(const QString &path, const QString &text)
{
    Result<QByteArray> bytes = encode(text);
    if (!bytes)
        return makeError(QStringLiteral("Arquivo \"%1\": %2").arg(path, bytes.message()));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(*bytes) != bytes->size() || !f.commit())
        return makeError(QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2").arg(path, f.errorString()));
    return {};
}

} // namespace quirels::cp1252
