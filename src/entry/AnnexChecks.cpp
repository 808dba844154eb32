#include "Annex.h"

#include "entry/Lookups.h"
#include "entry/Messages.h"

// The conditions of the required-field checks and the search for the first
// check a row misses; the annex descriptors (Annex.cpp) are made of them.

namespace quirels::entry {

namespace when {

static QString textOf(const QVariantMap &row, const QString &field)
{
    const QVariant v = row.value(field);
    return v.isNull() || !v.isValid() ? QString() : v.toString();
}

std::function<bool(const QVariantMap &, const CheckContext &)> blank(const QString &field)
{
    return [field](const QVariantMap &row, const CheckContext &) {
        const auto it = row.constFind(field);
        return it == row.constEnd() || isBlankValue(*it);
    };
}

std::function<bool(const QVariantMap &, const CheckContext &)> noDigit(const QString &field)
{
    return [field](const QVariantMap &row, const CheckContext &) { return !hasDigit(textOf(row, field)); };
}

std::function<bool(const QVariantMap &, const CheckContext &)> noCfopDescription(const QString &field)
{
    return [field](const QVariantMap &row, const CheckContext &ctx) {
        const QString code = textOf(row, field);
        if (!hasDigit(code) || !ctx.lookups)
            return true;
        const auto d = ctx.lookups->cfopDescription(code);
        return !d.ok() || !d->has_value();
    };
}

std::function<bool(const QVariantMap &, const CheckContext &)> noCountryName(const QString &field)
{
    return [field](const QVariantMap &row, const CheckContext &ctx) {
        const QString code = textOf(row, field);
        if (isBlank(code) || !ctx.lookups)
            return true;
        const auto n = ctx.lookups->countryName(code);
        return !n.ok() || !n->has_value() || isBlank(**n);
    };
}

std::function<bool(const QVariantMap &, const CheckContext &)>
onlyOn(CheckMode mode, std::function<bool(const QVariantMap &, const CheckContext &)> c)
{
    return [mode, c](const QVariantMap &row, const CheckContext &ctx) { return ctx.mode == mode && c(row, ctx); };
}

std::function<bool(const QVariantMap &, const CheckContext &)>
exceptOnWhen(CheckMode mode, const QString &field, const QString &value,
             std::function<bool(const QVariantMap &, const CheckContext &)> c)
{
    return [mode, field, value, c](const QVariantMap &row, const CheckContext &ctx) {
        if (ctx.mode == mode && textOf(row, field) == value)
            return false;
        return c(row, ctx);
    };
}

} // namespace when

const RequiredCheck *firstMissing(const QList<RequiredCheck> &checks, const QVariantMap &row,
                                  const CheckContext &ctx)
{
    for (const RequiredCheck &c : checks)
        if (c.missing(row, ctx))
            return &c;
    return nullptr;
}

} // namespace quirels::entry
