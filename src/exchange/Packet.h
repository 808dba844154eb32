#pragma once
// The data packet of a month's declaration: a tree of levels (company, month,
// the annex tables, the products' final products and their substances), each
// with its nested data set name and its fields in packet order. The same tree
// drives the builder, the writer, the reader and the import.

#include <QString>
#include <QVariant>
#include <QVector>
#include <vector>

namespace quirels::exchange {

// The packet's own field types.
enum class FieldKind {
    Text,     // string with a width
    Flag,     // boolean, "TRUE"/"FALSE"
    Number,   // 8-byte floating point
    Integer,  // 32-bit signed integer
    Counter,  // automatically numbered 32-bit integer, read-only
    Memo,     // text blob with a declared width
    Lookup,   // read-only text looked up when the packet is built
};

struct PacketField {
    QString name;
    FieldKind kind;
    int width = 0;     // text, memo and looked-up fields
};

struct Level {
    QString name;                    // nested data set name; empty for the top level
    QString table;                   // the store table its rows come from
    std::vector<PacketField> fields; // in packet order
    std::vector<const Level *> nested; // nested data sets, in packet order, after the fields
    QString rowElement;              // "ROW" for the top level, else "ROW" + name

    int fieldIndex(const QString &field) const; // exact name; -1 when missing
    int nestedIndex(const QString &name) const; // -1 when missing
};

// The company level; the rest of the tree hangs under it.
const Level &packetRoot();
// Any level by its nested data set name ("qryMes", "tblProdutos", ...); the
// top level by an empty name. Null when unknown.
const Level *packetLevel(const QString &name);

// One row of a level: a value per field (a null QVariant for an empty field)
// and, per nested data set of the level, its rows.
struct PacketRow {
    QVector<QVariant> values;
    std::vector<std::vector<PacketRow>> nested;
};

// The value of a field of a row by name; a null QVariant when the level has
// no such field.
QVariant fieldValue(const Level &level, const PacketRow &row, const QString &field);

// File names of one period's two files.
QString packetFileName(const QString &cnpj, const QString &ano, const QString &mes);      // "M2003MAR...EMP.xml"
QString declarationFileName(const QString &cnpj, const QString &ano, const QString &mes); // "M2003MAR....xml"

} // namespace quirels::exchange
