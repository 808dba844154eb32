#pragma once
// A settings file of sections and key=value lines, read and written in
// Windows-1252 so that a file written by the Windows version reads the same.
// Section and key names match without regard to letter case; lines the
// program does not know are kept as they were.

#include "Result.h"

#include <QString>
#include <QStringList>

namespace quirels {

class IniFile {
public:
    explicit IniFile(QString path = QString()) : m_path(std::move(path)) {}

    // Reads the file. A missing file reads as empty (all defaults); an
    // unreadable one is an error naming the file.
    Status load();
    // Writes through QSaveFile; creates the file when missing.
    Status save() const;

    const QString &path() const { return m_path; }
    bool contains(const QString &section, const QString &key) const;
    QString value(const QString &section, const QString &key, const QString &def = QString()) const;
    bool boolValue(const QString &section, const QString &key, bool def) const;
    void setValue(const QString &section, const QString &key, const QString &value);
    void setBool(const QString &section, const QString &key, bool value);

    QString text() const { return m_lines.join(QStringLiteral("\r\n")) + (m_lines.isEmpty() ? QString() : QStringLiteral("\r\n")); }
    void setText(const QString &text);

private:
    int findSection(const QString &section) const;
    int findKey(int sectionLine, const QString &key) const;

    QString m_path;
    QStringList m_lines;
};

} // namespace quirels
