#include "ValueOrder.h"

#include <algorithm>

namespace quirels::store::valueorder {

bool isNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool: return true;
    default: return false;
    }
}

// Text comparison as the store's collations do it: NOCASE folds ASCII
// letters and compares everything else as is; names as NameOrder.h says.
int compareText(const QString &a, const QString &b, Collation collation, bool primaryOnly)
{
    if (collation == Collation::Names)
        return compareNames(a, b, primaryOnly);
    if (collation == Collation::Binary) {
        const int c = a.compare(b, Qt::CaseSensitive);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        ushort x = a.at(i).unicode();
        ushort y = b.at(i).unicode();
        if (x >= 'A' && x <= 'Z')
            x = static_cast<ushort>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<ushort>(y + 32);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Order of values as the store sorts them: null first, then numbers, then texts.
int compareValues(const QVariant &a, const QVariant &b, Collation collation, bool primaryOnly)
{
    const bool an = a.isNull();
    const bool bn = b.isNull();
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1);
    const bool anum = isNumber(a);
    const bool bnum = isNumber(b);
    if (anum && bnum) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (anum != bnum)
        return anum ? -1 : 1;
    return compareText(a.toString(), b.toString(), collation, primaryOnly);
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    if (isNumber(a) && isNumber(b))
        return a.toDouble() == b.toDouble();
    return a.toString() == b.toString();
}

} // namespace quirels::store::valueorder
