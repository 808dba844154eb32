#pragma once
// Helpers for the backup tests: build archive bytes by hand, write and read
// files, make random and repetitive data.

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QString>

namespace quirels::backup::fixture {

// Little-endian archive bytes, written field by field.
class Bytes {
public:
    Bytes &i32(qint32 v)
    {
        for (int i = 0; i < 4; ++i)
            data.append(static_cast<char>((static_cast<quint32>(v) >> (8 * i)) & 0xFF));
        return *this;
    }
    Bytes &raw(const QByteArray &b)
    {
        data.append(b);
        return *this;
    }
    Bytes &text(const QByteArray &t) { return i32(static_cast<qint32>(t.size())).raw(t); }
    Bytes &header(const QByteArray &title, qint32 total, qint32 count) { return text(title).i32(total).i32(count); }
    // A zlib segment holding raw blocks of the given data.
    Bytes &rawSegment(const QByteArray &content)
    {
        raw(QByteArray("EC2\0", 4));
        for (qsizetype at = 0; at < content.size(); at += 16384) {
            const QByteArray part = content.mid(at, 16384);
            i32(-static_cast<qint32>(part.size())).raw(part);
        }
        return i32(0);
    }
    QByteArray data;
};

inline QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray b(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = static_cast<char>(rng.generate() & 0xFF);
    return b;
}

inline QByteArray textBytes(int lines)
{
    QByteArray b;
    for (int i = 0; i < lines; ++i)
        b += "linha " + QByteArray::number(i) + ";Produto;" + QByteArray::number(i * 7 % 1000) + "\r\n";
    return b;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Sets a file's modification time.
inline bool touch(const QString &path, const QDateTime &t)
{
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.setFileTime(t, QFileDevice::FileModificationTime);
}

inline qint32 le32(const QByteArray &b, qsizetype at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b.at(at + i));
    return static_cast<qint32>(v);
}

} // namespace quirels::backup::fixture
