#pragma once
// "Localizar": the row of a list that a clerk names by its invoice number,
// its product name or a counterpart's CNPJ/CPF. Names compare as names do
// everywhere (case and accents do not count, see store/NameOrder.h) and are
// found by any part; an invoice number by its start; a CNPJ/CPF by its first
// digits, with or without punctuation.

#include "entry/Annex.h"
#include "store/Cursor.h"

namespace quirels::entry {

// The fields of the list that "Localizar" looks in.
QStringList findFields(const ListSpec &spec);

// The first row at or after `from` (wrapping round to the first row) that
// matches `typed`; -1 when none does or nothing was typed.
int findRecord(const store::Cursor &cursor, const ListSpec &spec, const QString &typed, int from);

} // namespace quirels::entry
