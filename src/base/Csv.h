#pragma once
// A small CSV reader: one header line, fields separated by a given character,
// quoted RFC 4180 style ("...", inner quotes doubled) when needed.

#include "Result.h"

#include <QList>
#include <QStringList>

namespace quirels::csv {

struct Row {
    int line = 0;        // 1-based line number where the row starts
    QStringList fields;
};

// Parses UTF-8 text. Fails on an unterminated quote, naming the line.
Result<QList<Row>> parse(const QString &text, QChar separator = QLatin1Char(';'));

} // namespace quirels::csv
