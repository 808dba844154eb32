#include "PacketWriter.h"

#include "Messages.h"
#include "PacketXml.h"

#include <QDir>
#include <QIODevice>
#include <QLocale>
#include <QSaveFile>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <limits>

namespace quirels::exchange {

using detail::PacketXmlWriter;
using detail::kMetadataEnd;
using detail::kRootOpen;
using detail::kCrLf;

namespace {

qsizetype estimate(const Level &level, const PacketRow &r)
{
    qsizetype n = 24 * static_cast<qsizetype>(level.fields.size()) + 32;
    for (size_t i = 0; i < level.nested.size() && i < r.nested.size(); ++i)
        for (const PacketRow &c : r.nested[i])
            n += estimate(*level.nested[i], c);
    return n;
}

} // namespace

Result<QByteArray> packetBytes(const PacketRow &company)
{
    const Level &root = packetRoot();
    PacketXmlWriter w;
    w.out.reserve(estimate(root, company) + 8192);
    w.begin();
    if (!w.row(root, company))
        return w.error;
    w.end();
    return std::move(w.out);
}

QByteArray declarationHeader()
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"yes\"?>  ") + kRootOpen;
}

Result<QByteArray> declarationBytes(const QByteArray &packet)
{
    const qsizetype at = packet.indexOf(kMetadataEnd);
    if (at < 0)
        return makeError(msg::kSemMetadata, 2);
    const qsizetype from = at + kMetadataEnd.size();
    QByteArray out;
    out.reserve(packet.size() - from + 128);
    out.append(declarationHeader());
    out.append(kCrLf);
    out.append(packet.constData() + from, packet.size() - from);
    out.append(kCrLf);
    out.append(kCrLf);
    return out;
}

Status writeAll(QIODevice &device, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = device.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            QString why = device.errorString();
            if (why.isEmpty())
                why = QStringLiteral("falha de gravação");
            return makeError(why, 2);
        }
        done += n;
    }
    return {};
}

Status writePacket(QIODevice &device, const PacketRow &company)
{
    Result<QByteArray> bytes = packetBytes(company);
    if (!bytes)
        return bytes.error();
    return writeAll(device, *bytes);
}

Status writeDeclaration(QIODevice &device, const QByteArray &packet)
{
    Result<QByteArray> bytes = declarationBytes(packet);
    if (!bytes)
        return bytes.error();
    return writeAll(device, *bytes);
}

Status saveFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile f(path);
    const QString shown = QDir::toNativeSeparators(path);
    if (!f.open(QIODevice::WriteOnly))
        return makeError(msg::kErroGravacao.arg(shown, f.errorString()), 2);
    if (Status s = writeAll(f, bytes); !s) {
        f.cancelWriting();
        return makeError(msg::kErroGravacao.arg(shown, s.message()), 2);
    }
    if (!f.commit())
        return makeError(msg::kErroGravacao.arg(shown, f.errorString()), 2);
    return {};
}

} // namespace quirels::exchange
