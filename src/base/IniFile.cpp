#include "IniFile.h"

#include "Cp1252.h"

#include <QFileInfo>

namespace quirels {

namespace {

bool isSection(const QString &line, QString *name = nullptr)
{
    const QString t = line.trimmed();
    if (t.size() < 2 || !t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']')))
        return false;
    if (name)
        *name = t.mid(1, t.size() - 2).trimmed();
    return true;
}

} // namespace

Status IniFile::load()
{
    m_lines.clear();
    if (!QFileInfo::exists(m_path))
        return {};
    Result<QString> text = cp1252::readFile(m_path);
    if (!text)
        return makeError(QStringLiteral("O arquivo de configuração \"%1\" não pode ser lido: %2").arg(m_path, text.message()), 2);
    setText(*text);
    return {};
}

void IniFile::setText(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_lines = t.split(QLatin1Char('\n'));
    while (!m_lines.isEmpty() && m_lines.last().trimmed().isEmpty())
        m_lines.removeLast();
}

Status IniFile::save() const
{
    Status s = cp1252::writeFile(m_path, text());
    if (!s)
        return makeError(QStringLiteral("O arquivo de configuração \"%1\" não pode ser gravado: %2").arg(m_path, s.message()), 2);
    return {};
}

int IniFile::findSection(const QString &section) const
{
    QString name;
    for (int i = 0; i < m_lines.size(); ++i)
        if (isSection(m_lines.at(i), &name) && name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int IniFile::findKey(int sectionLine, const QString &key) const
{
    for (int i = sectionLine + 1; i < m_lines.size(); ++i) {
        const QString &line = m_lines.at(i);
        if (isSection(line))
            break;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool IniFile::contains(const QString &section, const QString &key) const
{
    const int s = findSection(section);
    return s >= 0 && findKey(s, key) >= 0;
}

QString IniFile::value(const QString &section, const QString &key, const QString &def) const
{
    const int s = findSection(section);
    const int k = s < 0 ? -1 : findKey(s, key);
    if (k < 0)
        return def;
    const QString &line = m_lines.at(k);
    return line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
}

bool IniFile::boolValue(const QString &section, const QString &key, bool def) const
{
    const QString v = value(section, key);
    if (v.isEmpty())
        return def;
    if (v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok ? n != 0 : def;
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    const QString line = key + QLatin1Char('=') + value;
    int s = findSection(section);
    if (s < 0) {
        if (!m_lines.isEmpty())
            m_lines.append(QString());
        m_lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        m_lines.append(line);
        return;
    }
    const int k = findKey(s, key);
    if (k >= 0) {
        m_lines[k] = line;
        return;
    }
    // After the section's last key line.
    int at = s + 1;
    while (at < m_lines.size() && !isSection(m_lines.at(at)))
        ++at;
    while (at > s + 1 && m_lines.at(at - 1).trimmed().isEmpty())
        --at;
    m_lines.insert(at, line);
}

void IniFile::setBool(const QString &section, const QString &key, bool value)
{
    setValue(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace quirels
