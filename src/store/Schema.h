#pragma once
// The one table of tables and fields. It generates the DDL, the width and
// range rules, the display formats, and serves the packet declarations and the
// import conversions.

#include <QString>
#include <QStringList>
#include <vector>

namespace quirels::schema {

enum class Type { Text, Integer, Float, Boolean, Memo, AutoInc };

struct Field {
    const char *name;
    Type type;
    int width = 0;                 // text width; memo: characters kept in the row
    const char *display = "";      // display format ("0.000", "##0.00")
    const char *edit = "";         // edit format
    const char *mask = "";         // three-part edit mask
    bool max100 = false;           // range rule 0..100

    QString qname() const { return QString::fromLatin1(name); }
    bool isText() const { return type == Type::Text || type == Type::Memo; }
    bool isNumeric() const { return type == Type::Integer || type == Type::Float || type == Type::AutoInc; }
};

struct Index {
    const char *name;              // logical name, as the system knows it
    std::vector<const char *> fields;
    bool caseInsensitive = true;
    bool unique = false;
    bool names = false;            // orders as names (NameOrder.h), not by NOCASE
};

struct Table {
    const char *name;
    const char *file;              // the system's file name of the table
    const char *cursor;            // the data module's cursor name
    std::vector<Field> fields;
    std::vector<const char *> primaryKey;
    const char *parent = nullptr;  // master table
    std::vector<const char *> links; // link fields (same names in both)
    std::vector<Index> indexes;
    const char *order = nullptr;   // index the cursor orders by; null: primary key

    QString qname() const { return QString::fromLatin1(name); }
    const Field *field(const QString &name) const; // case-insensitive
    int fieldIndex(const QString &name) const;     // -1 when missing
    const Field *autoIncrement() const;
    QStringList fieldNames() const;
    QStringList primaryKeyNames() const;
    QStringList linkNames() const;
    const Index *index(const QString &name) const; // case-insensitive
};

// Every table, in the data module's order.
const std::vector<Table> &tables();
// Case-insensitive; null when unknown.
const Table *table(const QString &name);
// The width of a text field: the most characters an input for it takes.
// 0 for other fields and unknown names.
int textWidth(const QString &table, const QString &field);

// Tables of this program's own bookkeeping (the access keys of imported
// invoices, the remembered unit factors). They live in the same store but
// belong to no annex: the data module opens no cursor on them and the
// declaration file, the packets and the text import never carry them.
const std::vector<Table> &ownTables();
// Any table of the store, the program's own too; case-insensitive; null when
// unknown.
const Table *anyTable(const QString &name);

// The physical name of an index in the store: index names are global in the
// store, so each carries its table's name.
QString physicalIndexName(const Table &t, const Index &i);
// CREATE TABLE and CREATE INDEX statements for one table.
QStringList ddl(const Table &t);

// The period key fields.
inline const QStringList &periodKey()
{
    static const QStringList k{QStringLiteral("CdCNPJEmpr"), QStringLiteral("NrAno"), QStringLiteral("NmMes")};
    return k;
}

// Month codes in calendar order ("JAN" .. "DEZ").
const QStringList &monthCodes();
// 1..12 for a code, 0 when unknown.
int monthNumber(const QString &code);

// The version of the store layout this program writes (PRAGMA user_version).
// 2: Residuo.DsDestinacao widened from 25 to 26 characters.
// 3: the invoice import's own tables (NFeImportada, FatorUnidade).
// 4: days of movements stored as two digits ("5" becomes "05").
// 5: ProdutoControlado.FlForaDaLista, and the installed reference tables of
// this version in place of the older ones.
constexpr int kSchemaVersion = 5;

} // namespace quirels::schema
