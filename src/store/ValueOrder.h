#pragma once
// How a cursor compares and orders the values of its rows: as the store sorts
// them, so that rows placed or searched in memory fall where a read of the
// store would put them.

#include "store/NameOrder.h"

#include <QString>
#include <QVariant>

namespace quirels::store::valueorder {

// Numbers (and flags) as the store keeps them.
bool isNumber(const QVariant &v);

// Text comparison as the store's collations do it: NOCASE folds ASCII
// letters and compares everything else as is; names as NameOrder.h says.
// -1, 0 or 1.
int compareText(const QString &a, const QString &b, Collation collation, bool primaryOnly = false);

// Order of values as the store sorts them: null first, then numbers, then
// texts. -1, 0 or 1.
int compareValues(const QVariant &a, const QVariant &b, Collation collation, bool primaryOnly = false);

// Equal values: nulls alike, numbers by value, anything else by its text.
bool sameValue(const QVariant &a, const QVariant &b);

} // namespace quirels::store::valueorder
