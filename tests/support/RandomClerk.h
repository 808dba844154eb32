#pragma once
// What the seeded random clerks share: answers to the program's questions
// drawn from the clerk's own random sequence, the seeds and step counts a
// run takes (QUIRELS_CLERK_SEEDS "40", "7-9" or "3,11"; QUIRELS_CLERK_STEPS),
// and what a control shows for a stored value.

#include "base/Dialogs.h"
#include "base/Masks.h"
#include "base/Numbers.h"
#include "entry/Annex.h"

#include <QStringList>
#include <optional>
#include <random>

namespace quirels::test {

// Answers at random; never Yes to a close prompt (which stores a row
// without the screen's checks, as intended).
class ClerkDialogs : public Dialogs {
public:
    explicit ClerkDialogs(std::mt19937 &rng) : m_rng(rng) {}
    void information(const QString &t) override { messages.append(t); }
    void error(const QString &t) override { messages.append(t); }
    bool confirm(const QString &t) override
    {
        messages.append(t);
        return m_rng() % 2 == 0;
    }
    Answer confirmYesNoCancel(const QString &t) override
    {
        messages.append(t);
        return m_rng() % 2 == 0 ? Answer::No : Answer::Cancel;
    }
    bool confirmOkCancel(const QString &t) override
    {
        messages.append(t);
        return false;
    }
    QStringList messages;

private:
    std::mt19937 &m_rng;
};

// Seeds 1..byDefault unless QUIRELS_CLERK_SEEDS names others.
inline QList<int> seedsToRun(int byDefault)
{
    const QString spec = qEnvironmentVariable("QUIRELS_CLERK_SEEDS");
    QList<int> out;
    if (spec.isEmpty()) {
        for (int s = 1; s <= byDefault; ++s)
            out.append(s);
        return out;
    }
    for (const QString &part : spec.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList range = part.split(QLatin1Char('-'));
        if (range.size() == 2) {
            for (int s = range.at(0).toInt(); s <= range.at(1).toInt(); ++s)
                out.append(s);
        } else if (spec.contains(QLatin1Char(',')) || spec.contains(QLatin1Char('-'))) {
            out.append(part.toInt());
        } else {
            for (int s = 1; s <= part.toInt(); ++s)
                out.append(s);
        }
    }
    return out;
}

inline int stepsToRun(int byDefault)
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("QUIRELS_CLERK_STEPS", &ok);
    return ok && n > 0 ? n : byDefault;
}

inline QString picture(int decimals)
{
    return decimals > 0 ? QStringLiteral("0.") + QString(decimals, QLatin1Char('0')) : QStringLiteral("0");
}

// What a control shows for a stored value, for the kinds compared.
inline std::optional<QString> shownFor(const entry::FieldSpec &f, const QVariant &v)
{
    const bool empty = !v.isValid() || v.isNull();
    switch (f.kind) {
    case entry::FieldKind::Number:
        return empty ? QString() : numbers::format(v.toDouble(), picture(f.decimals));
    case entry::FieldKind::Ncm:
        return EditMask::ncm().display(empty ? QString() : v.toString());
    case entry::FieldKind::Text:
    case entry::FieldKind::Day:
    case entry::FieldKind::ProductName:
    case entry::FieldKind::Unit:
        return empty ? QString() : v.toString();
    default:
        return std::nullopt;
    }
}

} // namespace quirels::test
