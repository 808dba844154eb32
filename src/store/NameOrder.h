#pragma once
// The order of names (products, activities, countries, operations) as a
// Brazilian reader expects it: letter case and accents do not count, so
// "ÁCIDO SULFÚRICO" comes under A and "acido sul" reaches it. Each character
// is folded on its own (upper case to lower, an accented Latin letter to its
// plain letter, "ç" to "c") and the folded texts compare by code point; texts
// that fold alike keep a fixed order by their characters as stored. The same
// order is given by the SQLite collation PTBR (registered on every
// connection), by the server's fold expression and by compareNames() in the
// program, so that a cursor's search in memory agrees with the store's ORDER BY.
// The stored text is never changed.

#include <QString>
#include <QStringView>

struct sqlite3;

namespace quirels::store {

// How a text field orders: by code point, ASCII letters without regard to
// case (SQLite's NOCASE), or as names.
enum class Collation { Binary, NoCase, Names };

// One character folded as names compare it.
char32_t foldNameChar(char32_t c);
// A whole text folded ("Ácido Sulfúrico" -> "acido sulfurico").
QString foldName(QStringView text);

// -1, 0 or 1. With primaryOnly, texts that fold alike are equal (a search
// by the start of a name); otherwise only identical texts are.
int compareNames(QStringView a, QStringView b, bool primaryOnly = false);
// The same order over UTF-8 bytes (the SQLite collation).
int compareNamesUtf8(const unsigned char *a, int na, const unsigned char *b, int nb);

// Registers the collation PTBR on a SQLite connection; false on failure.
bool registerNameCollation(sqlite3 *db);

// The server's expression of the folded text (translate() with the same
// table as foldNameChar).
QString serverFoldExpression(const QString &expr);

} // namespace quirels::store
