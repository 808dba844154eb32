#include "StoreConfig.h"

#include "base/IniFile.h"
#include "base/Layout.h"

#include <QDir>
#include <QFileInfo>

namespace quirels::store::config {

namespace {

bool isHeader(const QString &line) { return line.trimmed().startsWith(QLatin1Char('[')); }

bool isSection(const QString &line, const QString &section)
{
    const QString t = line.trimmed();
    return t.size() >= 2 && t.endsWith(QLatin1Char(']')) &&
           t.mid(1, t.size() - 2).trimmed().compare(section, Qt::CaseInsensitive) == 0;
}

} // namespace

QString defaultPath() { return layout::desktop().storeConfigPath; }

Status changeEntry(const QString &path, const QString &section, const QString &name, const QString &value)
{
    IniFile ini(path);
    if (Status s = ini.load(); !s)
        return s;
    QStringList lines = ini.text().split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const QString upper = name.toUpper();
    const QString line = upper + QLatin1Char('=') + value;
    int start = -1;
    for (int i = 0; i < lines.size() && start < 0; ++i)
        if (isSection(lines.at(i), section))
            start = i;
    if (start < 0) {
        lines << QStringLiteral("[%1]").arg(section) << line;
    } else {
        bool replaced = false;
        int end = start + 1;
        for (; end < lines.size() && !isHeader(lines.at(end)); ++end) {
            if (lines.at(end).toUpper().contains(upper)) {
                lines[end] = line;
                replaced = true;
            }
        }
        if (!replaced)
            lines.insert(end, line);
    }
    ini.setText(lines.join(QStringLiteral("\r\n")));
    QDir().mkpath(QFileInfo(path).absolutePath());
    return ini.save();
}

QString entry(const QString &path, const QString &section, const QString &name)
{
    IniFile ini(path);
    if (!ini.load())
        return {};
    return ini.value(section, name.toUpper());
}

bool localShare(const QString &path)
{
    return entry(path, kSystemInit, kLocalShare).trimmed().compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0;
}

} // namespace quirels::store::config
