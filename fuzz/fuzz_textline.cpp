// Fuzzes the reading of text import files: the line reader, the text checks,
// the decoding and the conversion of a line by every record layout. Any
// input must end without a crash, an out-of-bounds access or a broken
// promise of the parser (a value wider than its field, trailing blanks).

#include "base/Numbers.h"
#include "exchange/TextRecords.h"

#include <QBuffer>
#include <QByteArray>
#include <QLocale>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace quirels;
namespace text = quirels::exchange::text;

static void check(bool ok)
{
    if (!ok)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = [] {
        numbers::setAppLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
        return true;
    }();
    (void)ready;

    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    // A small window of kept bytes too, so that cut lines are exercised.
    for (int keep : {text::kMaxColumns, 7}) {
        buffer.seek(0);
        text::LineReader reader(buffer, keep);
        QString line;
        std::vector<QVariant> values;
        while (reader.next()) {
            check(reader.bytes().size() <= keep);
            check(reader.position() <= static_cast<qint64>(size));
            text::textProblem(reader.bytes(), reader.lineNumber() == 1);
            text::decodeLine(reader.bytes(), line);
            check(line.size() == reader.bytes().size());
            // The line's own layout, then every layout over the same line.
            if (const text::RecordLayout *own = text::layoutFor(line))
                check(own->type == line.left(2));
            for (const text::RecordLayout &l : text::layouts()) {
                if (!text::parseRecord(l, line, values).ok())
                    continue;
                check(values.size() == l.columns.size());
                for (size_t i = 0; i < values.size(); ++i) {
                    const text::Column &c = l.columns[i];
                    const QVariant &v = values[i];
                    if (c.conversion == text::Conversion::Text && !v.isNull()) {
                        const QString s = v.toString();
                        check(!s.isEmpty() && s.size() <= c.width && !s.endsWith(QLatin1Char(' ')));
                    }
                    if (c.conversion == text::Conversion::Decimal && !v.isNull() && c.schemaField->max100)
                        check(v.toDouble() >= 0.0 && v.toDouble() <= 100.0);
                }
            }
        }
        check(!reader.failed());
    }
    return 0;
}
