#pragma once
// The fixed-column text file that companies' own systems hand over: the
// record types, where each field sits on a line, and how the characters of a
// field become the stored value. Everything here works on one line and knows
// nothing of the store's state, so it can be tested and fuzzed alone.

#include "base/Result.h"
#include "store/Schema.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <vector>

class QIODevice;

namespace quirels::exchange::text {

// How the characters of a field become its value; follows from the type of
// the target field in the schema.
enum class Conversion {
    Text,     // cut to the field's width, trailing blanks removed; empty: no value
    Memo,     // trailing blanks removed; empty: no value
    Flag,     // false for "0", true for anything else (also beyond the line's end)
    Decimal,  // regional decimal separator, blanks around it allowed
    Integer,  // decimal digits, right-aligned
};

// What a record takes from the lines before it.
enum class Link {
    None,
    Company,      // EM: the company row, inserted or updated
    Period,       // ME: the period row
    Product,      // PF: CdProduto of the current product
    FinalProduct, // SP: CdProduto and CdProdFinal of the current final product
    Observation,  // OB: becomes the current observation row
    AppendText,   // OO: text added to the current observation row
};

struct Column {
    QString field;      // field of the target table
    int first = 0;      // first column, counted from 1
    int last = 0;       // last column, inclusive
    Conversion conversion = Conversion::Text;
    int width = 0;      // text fields: the field's width
    const schema::Field *schemaField = nullptr;
};

struct RecordLayout {
    QString type;                  // "EM", "ME", ...
    const schema::Table *table = nullptr;
    Link link = Link::None;
    bool keyPrefix = false;        // columns 3..23 hold the period key
    std::vector<Column> columns;   // the key prefix first, then the record's fields
    int length = 0;                // last column of the layout
};

// The longest layout: an observation text runs from column 3 to 1012.
constexpr int kMaxColumns = 1012;

// Every record type, in the order the file describes them.
const std::vector<RecordLayout> &layouts();
// The layout of a line's record type (columns 1-2, compared exactly); null
// for a line whose record type is none of them (such lines are skipped).
const RecordLayout *layoutFor(QStringView line);
const RecordLayout *layout(const QString &type);

// Converts the fields of one line: values[i] receives the value of
// layout.columns[i] (a null variant for "no value"). Stops at the first
// field that cannot be converted or that breaks the 0..100 range rule, with
// the message naming the column text and the field.
Status parseRecord(const RecordLayout &layout, QStringView line, std::vector<QVariant> &values);

// One field's value (without the range rule).
Status convert(const Column &column, QStringView line, QVariant &value);

// Decodes a line of Windows-1252 bytes into out (whose storage is reused
// from line to line): one character per byte, as cp1252::decode gives it.
void decodeLine(QByteArrayView bytes, QString &out);

// Bytes that tell the line is not Windows-1252 text: control characters
// other than tab, form feed and carriage return, or a line that is valid
// UTF-8 with multi-byte characters (or starts with the UTF-8 byte-order mark
// on the first line). The message says what is wrong; empty when the line is
// plain text.
QString textProblem(QByteArrayView line, bool firstLine);

// Lines longer than this without a line end are refused: no line of the
// layout comes near it (the longest is kMaxColumns), so a file without line
// ends is found out after this many bytes instead of being read whole.
constexpr qint64 kMaxLineBytes = 1 << 20;

// Reads a device line by line. CR LF, LF and CR alone each end a line; a
// last line without a line end counts. Only the first `keep` bytes of a line
// are kept: nothing beyond the longest layout is ever read, so a line costs
// no more memory than that. A line longer than kMaxLineBytes stops the
// reading (tooLong()).
class LineReader {
public:
    explicit LineReader(QIODevice &device, int keep = kMaxColumns);
    // Moves to the next line; false at the end of the data or on a read
    // error (failed()).
    bool next();
    QByteArrayView bytes() const { return QByteArrayView(m_line); }
    qint64 lineNumber() const { return m_lineNumber; }
    // Bytes of the device consumed so far.
    qint64 position() const { return m_consumed; }
    // True when the current line was the last one.
    bool atEnd();
    bool failed() const { return m_failed; }
    // The reading stopped at a line without a line end within kMaxLineBytes;
    // lineNumber() + 1 is that line.
    bool tooLong() const { return m_tooLong; }
    QString errorString() const { return m_error; }

private:
    bool fill();
    QIODevice &m_device;
    int m_keep;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    QByteArray m_line;
    qint64 m_lineNumber = 0;
    qint64 m_consumed = 0;
    bool m_eof = false;
    bool m_failed = false;
    bool m_tooLong = false;
    bool m_afterCr = false; // the previous line ended with a CR
    QString m_error;
};

} // namespace quirels::exchange::text
