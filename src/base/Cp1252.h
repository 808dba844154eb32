#pragma once
// Windows-1252 ("Windows Latin-1"), the one-byte code page of every file the
// system reads or writes: settings file, text import file, declaration files.

#include "Result.h"

#include <QByteArray>
#include <QString>

namespace quirels::cp1252 {

// Every byte decodes to one character (the five unassigned bytes to the
// control characters of the same value, as Windows does).
QString decode(const QByteArray &bytes);

// Fails, naming the first character that has no Windows-1252 byte, instead of
// writing a "?" in its place.
Result<QByteArray> encode(const QString &text);

// True when every character of text has a Windows-1252 byte.
bool canEncode(const QString &text);

Result<QString> readFile(const QString &path);
// Writes through QSaveFile: on failure the old file, if any, stays whole.
Status writeFile(const QString &path, const QString &text);

} // namespace quirels::cp1252
