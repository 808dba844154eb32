#pragma once
// The reference tables (controlled products, CNAE, CFOP, countries) from
// CSV files in the format of the installed data: one header line, ";"
// between fields, UTF-8. A file is checked whole before anything is
// written; then each table is put in place of the store's rows.
//
// The months refer to controlled products by number (IdProdutoControlado),
// so a replacement keeps the number of every product whose NCM and name are
// unchanged and gives new products new numbers. A product that leaves the
// list while a month still refers to it keeps its row and number, marked as
// no longer in the list (FlForaDaLista): its months keep their name, and the
// searches and choices of new entries leave it out.
//
//     Result<QList<TableChanges>> r = reference::updateFromFolder(db, folder);
//     for (const QString &line : reference::describe(*r)) ...

#include "base/Result.h"

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <vector>

namespace quirels::store::reference {

// The condition (SQL) of a controlled product of the list in force.
QString inListCondition();

// How a column's values must look.
enum class Form {
    Text,        // not empty, at most the field's width
    Ncm,         // 9999.99.99
    Cfop,        // 9.999
    Country,     // four digits ("0132")
    CnaeNumber,  // the subclass as a number of up to seven digits
    CnaeCode,    // 9999-9/99, the same digits as the number
};

struct Column {
    const char *name; // the header's and the table's field name
    Form form;
};

struct Spec {
    const char *table;
    const char *file;     // the file name in a folder and in the installed data
    const char *caption;  // the table's name for the user
    std::vector<Column> columns;
    // Numbered rows that the months refer to (the controlled products): a
    // row is its NCM and name together. Otherwise a row is its code (the
    // first column) and replaced whole.
    bool numbered = false;
};

// The four tables, in loading order.
const std::vector<Spec> &specs();
// By file name, without regard to case; null when none.
const Spec *specForFile(const QString &fileName);

// One file, read and checked: the rows' values in the spec's column order,
// blanks around them dropped.
struct TableData {
    const Spec *spec = nullptr;
    QString source; // the file, as messages name it
    QList<QStringList> rows;
    QList<int> lines; // the line of each row in the file
};

// Reads and checks the bytes of one file of the spec's table. A refusal
// (code 1) names the source and the line and says that nothing changed.
Result<TableData> read(const Spec &spec, const QByteArray &bytes, const QString &source);
// The files of the tables found in the folder (names matched without regard
// to case), each read and checked; a folder without any is refused.
Result<QList<TableData>> readFolder(const QString &folder);
// The reference data this program installs.
Result<QList<TableData>> installed();

// What a replacement changed in one table.
struct Change {
    QString code;    // NCM, CFOP, formatted CNAE or country code
    QString name;    // added: the new name; removed: the old; renamed: the new
    QString oldName; // renamed only
    bool kept = false; // a product months refer to, kept out of the list
};
struct TableChanges {
    QString table;
    QString caption;
    QString source;
    int rows = 0; // rows of the new table
    QList<Change> added, removed, renamed;
    bool any() const { return !added.isEmpty() || !removed.isEmpty() || !renamed.isEmpty(); }
};

// Puts the rows in the store in place of the table's, inside the caller's
// transaction. A controlled product's reference from a month is never
// changed: numbers are kept or new, never given again.
Result<TableChanges> replace(QSqlDatabase &db, const TableData &data);

// The command: every file of the folder checked first, then every table
// replaced in one transaction. On a server store it is refused while
// another workstation holds a period open for writing.
Result<QList<TableChanges>> updateFromFolder(QSqlDatabase &db, const QString &folder);

// The report: per table a summary line, then one line per row added,
// removed and renamed; the closing line last.
QStringList describe(const QList<TableChanges> &changes);

} // namespace quirels::store::reference
