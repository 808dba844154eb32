#include "Csv.h"

namespace quirels::csv {

Result<QList<Row>> parse(const QString &text, QChar separator)
{
    QList<Row> rows;
    Row row;
    QString field;
    int line = 1;
    row.line = 1;
    bool quoted = false;
    bool any = false;
    int quoteLine = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
            quoteLine = line;
            any = true;
        } else if (c == separator) {
            row.fields.append(field);
            field.clear();
            any = true;
        } else if (c == QLatin1Char('\r')) {
            // part of a CR LF line end
        } else if (c == QLatin1Char('\n')) {
            if (any || !field.isEmpty()) {
                row.fields.append(field);
                rows.append(row);
            }
            row = Row();
            field.clear();
            any = false;
            ++line;
            row.line = line;
        } else {
            field += c;
            any = true;
        }
    }
    if (quoted)
        return makeError(QStringLiteral("aspas sem fechamento a partir da linha %1").arg(quoteLine));
    if (any || !field.isEmpty()) {
        row.fields.append(field);
        rows.append(row);
    }
    return rows;
}

} // namespace quirels::csv
