#include "DosTime.h"

#include <QFileDevice>
#include <QFileInfo>
#include <QTimeZone>

namespace quirels::backup {

quint32 packDosTime(const QDateTime &localTime)
{
    const QDateTime t = localTime.toLocalTime();
    QDate d = t.date();
    QTime tm = t.time();
    if (!d.isValid() || d.year() < 1980) {
        d = QDate(1980, 1, 1);
        tm = QTime(0, 0, 0);
    } else if (d.year() > 2107) {
        d = QDate(2107, 12, 31);
        tm = QTime(23, 59, 58);
    }
    const quint32 date = (static_cast<quint32>(d.year() - 1980) << 9) | (static_cast<quint32>(d.month()) << 5) |
                         static_cast<quint32>(d.day());
    const quint32 time = (static_cast<quint32>(tm.hour()) << 11) | (static_cast<quint32>(tm.minute()) << 5) |
                         static_cast<quint32>(tm.second() / 2);
    return (date << 16) | time;
}

std::optional<QDateTime> unpackDosTime(quint32 packed)
{
    const quint32 date = packed >> 16;
    const quint32 time = packed & 0xFFFFu;
    const int year = 1980 + static_cast<int>(date >> 9);
    const int month = static_cast<int>((date >> 5) & 0x0F);
    const int day = static_cast<int>(date & 0x1F);
    const int hour = static_cast<int>(time >> 11);
    const int minute = static_cast<int>((time >> 5) & 0x3F);
    const int second = static_cast<int>(time & 0x1F) * 2;
    if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second))
        return std::nullopt;
    // A local time that falls in a daylight-saving gap is moved forward by Qt.
    QDateTime t(QDate(year, month, day), QTime(hour, minute, second));
    if (!t.isValid())
        return std::nullopt;
    return t;
}

std::optional<quint32> fileDosTime(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    return packDosTime(info.lastModified());
}

bool setFileDosTime(QFileDevice &file, quint32 packed)
{
    const std::optional<QDateTime> t = unpackDosTime(packed);
    if (!t)
        return false;
    return file.setFileTime(*t, QFileDevice::FileModificationTime);
}

} // namespace quirels::backup
