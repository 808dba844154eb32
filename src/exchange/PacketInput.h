#pragma once
// The packet file's bytes as UTF-8 for the XML tokens (internal to the
// exchange): read a piece at a time, a UTF-8 file checked and passed on, any
// other decoded from Windows-1252.

#include "PacketReader.h"
#include "Messages.h"
#include "base/Cp1252.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <optional>

namespace quirels::exchange::packetxml {

// Each file of the exchange that includes this has its own copy, as code of
// its own (internal linkage), so the compiler inlines it as it sees fit.
namespace {

constexpr qint64 kPieceBytes = 64 * 1024;

// ---- The file's bytes, as UTF-8 for the XML reader ---------------------------

// The 256 characters of Windows-1252 in UTF-8, made once from the code
// page's own decoder.
struct Cp1252Utf8 {
    char bytes[256][3];
    unsigned char length[256];
};

inline const Cp1252Utf8 &cp1252Utf8()
{
    static const Cp1252Utf8 table = [] {
        Cp1252Utf8 t{};
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = static_cast<char>(i);
        const QString chars = cp1252::decode(all);
        for (int i = 0; i < 256 && i < chars.size(); ++i) {
            const QByteArray u = QString(chars.at(i)).toUtf8();
            t.length[i] = static_cast<unsigned char>(std::min<qsizetype>(u.size(), 3));
            std::memcpy(t.bytes[i], u.constData(), t.length[i]);
        }
        return t;
    }();
    return table;
}

// Reads the device a piece at a time and gives each piece as UTF-8: a file
// that says it is UTF-8 (or starts with its mark) is checked and passed on;
// one that names another encoding is Windows-1252, the code page the packet
// is written in. A file whose declaration names none is Windows-1252 for the
// packet; with xmlDefaults it is UTF-8 (XML's own default), and "UTF8" is a
// name of UTF-8 too.
class Input {
public:
    Input(QIODevice &device, const ReadLimits &limits, bool xmlDefaults = false)
        : m_device(device), m_limits(limits), m_xmlDefaults(xmlDefaults)
    {
    }

    qint64 consumed() const { return m_consumed; }

    // True once the device gave no more bytes.
    bool ended() const { return m_ended; }

    // The next piece (possibly empty while a cut UTF-8 sequence waits for
    // its end); an empty piece and ended() at the end of the file.
    Result<QByteArray> next()
    {
        QByteArray raw = m_device.read(kPieceBytes);
        if (auto *file = qobject_cast<QFileDevice *>(&m_device); file && file->error() != QFileDevice::NoError)
            return makeError(msg::kPacoteInvalido.arg(file->errorString()), 2);
        if (raw.isEmpty()) {
            m_ended = true;
            if (!m_pending.isEmpty())
                return notUtf8(m_pendingAt);
            return raw;
        }
        const qint64 at = m_consumed;
        m_consumed += raw.size();
        if (m_consumed > m_limits.maxBytes)
            return makeError(msg::kPacoteGrandeDemais.arg(QStringLiteral("%1 bytes").arg(m_limits.maxBytes)), 2);
        if (m_first) {
            m_first = false;
            if (Status s = decide(raw); !s)
                return s.error();
            if (m_bomSkipped) {
                raw.remove(0, 3);
                return utf8(raw, at + 3);
            }
        }
        return m_utf8 ? utf8(raw, at) : fromCp1252(raw);
    }

private:
    QIODevice &m_device;
    const ReadLimits &m_limits;
    qint64 m_consumed = 0;
    bool m_xmlDefaults = false;
    bool m_first = true;
    bool m_utf8 = false;
    bool m_bomSkipped = false;
    bool m_ended = false;
    QByteArray m_pending; // the start of a UTF-8 sequence cut by the end of a piece
    qint64 m_pendingAt = 0;

    Status decide(const QByteArray &head)
    {
        if (head.startsWith("\xEF\xBB\xBF")) {
            m_utf8 = m_bomSkipped = true;
            return {};
        }
        if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF"))
            return makeError(msg::kPacoteInvalido.arg(QStringLiteral("codificação UTF-16 não suportada")), 2);
        static const QRegularExpression declaration(
            QStringLiteral("^\\s*<\\?xml[^>]*encoding\\s*=\\s*[\"']([A-Za-z0-9._-]+)[\"']"));
        const QRegularExpressionMatch m = declaration.match(QString::fromLatin1(head.left(256)));
        if (!m.hasMatch())
            m_utf8 = m_xmlDefaults;
        else
            m_utf8 = m.captured(1).compare(QLatin1String("utf-8"), Qt::CaseInsensitive) == 0 ||
                     (m_xmlDefaults && m.captured(1).compare(QLatin1String("utf8"), Qt::CaseInsensitive) == 0);
        return {};
    }

    QByteArray fromCp1252(const QByteArray &raw)
    {
        const Cp1252Utf8 &t = cp1252Utf8();
        QByteArray out(raw.size() * 3, Qt::Uninitialized);
        char *d = out.data();
        for (const char c : raw) {
            const auto b = static_cast<unsigned char>(c);
            if (b < 0x80) {
                *d++ = c;
                continue;
            }
            std::memcpy(d, t.bytes[b], 3);
            d += t.length[b];
        }
        out.truncate(d - out.constData());
        return out;
    }

    // Checks that the bytes are UTF-8; a byte that is not refuses the file
    // with its position (counted from 1).
    Result<QByteArray> utf8(QByteArray raw, qint64 at)
    {
        if (!m_pending.isEmpty()) {
            raw.prepend(m_pending);
            at = m_pendingAt;
            m_pending.clear();
        }
        const auto *p = reinterpret_cast<const unsigned char *>(raw.constData());
        const qsizetype n = raw.size();
        qsizetype i = 0;
        while (i < n) {
            // Eight plain ASCII bytes at a time.
            while (i + 8 <= n) {
                quint64 word;
                std::memcpy(&word, p + i, 8);
                if (word & 0x8080808080808080ull)
                    break;
                i += 8;
            }
            if (i >= n)
                break;
            const unsigned char b = p[i];
            if (b < 0x80) {
                ++i;
                continue;
            }
            int len = 0;
            unsigned char lo = 0x80, hi = 0xBF; // the allowed range of the second byte
            if (b >= 0xC2 && b <= 0xDF) {
                len = 2;
            } else if (b >= 0xE0 && b <= 0xEF) {
                len = 3;
                if (b == 0xE0)
                    lo = 0xA0;
                else if (b == 0xED)
                    hi = 0x9F; // no surrogates
            } else if (b >= 0xF0 && b <= 0xF4) {
                len = 4;
                if (b == 0xF0)
                    lo = 0x90;
                else if (b == 0xF4)
                    hi = 0x8F;
            } else {
                return notUtf8(at + i);
            }
            if (i + len > n) {
                // Cut by the end of the piece: finished with the next one.
                for (qsizetype k = i + 1; k < n; ++k)
                    if (p[k] < (k == i + 1 ? lo : 0x80) || p[k] > (k == i + 1 ? hi : 0xBF))
                        return notUtf8(at + i);
                m_pending = raw.mid(i);
                m_pendingAt = at + i;
                raw.truncate(i);
                return raw;
            }
            if (p[i + 1] < lo || p[i + 1] > hi)
                return notUtf8(at + i);
            for (int k = 2; k < len; ++k)
                if (p[i + k] < 0x80 || p[i + k] > 0xBF)
                    return notUtf8(at + i);
            i += len;
        }
        return raw;
    }

    Error notUtf8(qint64 offset) const
    {
        return makeError(msg::kPacoteInvalido.arg(msg::kPacoteNaoUtf8.arg(offset + 1)), 2);
    }
};

} // namespace

} // namespace quirels::exchange::packetxml
