#include "Masks.h"

#include <QList>

namespace quirels {

namespace {

// System mask characters and their Qt counterparts. The system's '0' is a
// required digit and '9' an optional one; Qt has them the other way round.
QChar qtFor(QChar c)
{
    switch (c.unicode()) {
    case '0': return QLatin1Char('9');
    case '9': return QLatin1Char('0');
    case 'L': return QLatin1Char('A');
    case 'l': return QLatin1Char('a');
    case 'A': return QLatin1Char('N');
    case 'a': return QLatin1Char('n');
    case 'C': return QLatin1Char('X');
    case 'c': return QLatin1Char('x');
    case '#': return QLatin1Char('#');
    default: return QChar();
    }
}

bool isQtMeta(QChar c)
{
    static const QString meta = QStringLiteral("AaNnXx90Dd#HhBb><!;[]{}\\");
    return meta.contains(c);
}

bool accepts(QChar maskChar, QChar c)
{
    switch (maskChar.unicode()) {
    case '0':
    case '9': return c.isDigit();
    case '#': return c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-');
    case 'L':
    case 'l': return c.isLetter();
    case 'A':
    case 'a': return c.isLetterOrNumber();
    default: return true;
    }
}

} // namespace

EditMask::EditMask(const QString &systemMask) : m_source(systemMask)
{
    // The last two ';'-separated fields are the store flag and the blank.
    QString pattern = systemMask;
    const QStringList parts = systemMask.split(QLatin1Char(';'));
    if (parts.size() >= 3) {
        const qsizetype cut = systemMask.lastIndexOf(QLatin1Char(';'), systemMask.lastIndexOf(QLatin1Char(';')) - 1);
        pattern = systemMask.left(cut);
        m_storeLiterals = parts.at(parts.size() - 2) != QLatin1String("0");
        const QString blank = parts.last();
        m_blank = blank.isEmpty() ? QLatin1Char(' ') : blank.at(0);
    }
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('\\') && i + 1 < pattern.size()) {
            const QChar lit = pattern.at(++i);
            m_slots.append({true, lit});
            if (isQtMeta(lit))
                m_qt += QLatin1Char('\\');
            m_qt += lit;
        } else if (c == QLatin1Char('>') || c == QLatin1Char('<') || c == QLatin1Char('!')) {
            if (c != QLatin1Char('!'))
                m_qt += c;
        } else if (!qtFor(c).isNull()) {
            m_slots.append({false, c});
            m_qt += qtFor(c);
        } else {
            m_slots.append({true, c});
            if (isQtMeta(c))
                m_qt += QLatin1Char('\\');
            m_qt += c;
        }
    }
    m_qt += QLatin1Char(';') + m_blank;
}

EditMask EditMask::cnpj() { return EditMask(QStringLiteral("00.000.000/0000-00;0;_")); }
EditMask EditMask::cpf() { return EditMask(QStringLiteral("000.000.000-00;0;_")); }
EditMask EditMask::ncm() { return EditMask(QStringLiteral("9999.99.99;1; ")); }

QString EditMask::display(const QString &stored) const
{
    QString out;
    out.reserve(m_slots.size());
    qsizetype v = 0;
    // A stored value that holds the literals lines up with the pattern.
    const bool aligned = stored.size() == m_slots.size();
    for (const Slot &s : m_slots) {
        if (s.literal) {
            out += s.ch;
            if (aligned && v < stored.size())
                ++v;
            continue;
        }
        while (v < stored.size() && !aligned && !accepts(s.ch, stored.at(v)))
            ++v; // skip characters (such as punctuation) that do not fit
        if (v < stored.size() && stored.at(v) != m_blank && stored.at(v) != QLatin1Char(' ')
            && accepts(s.ch, stored.at(v)))
            out += stored.at(v);
        else
            out += m_blank;
        if (v < stored.size())
            ++v;
    }
    return out;
}

QString EditMask::store(const QString &shown) const
{
    QString out;
    const qsizetype n = qMin<qsizetype>(shown.size(), m_slots.size());
    for (qsizetype i = 0; i < n; ++i) {
        const Slot &s = m_slots.at(i);
        const QChar c = shown.at(i);
        if (s.literal) {
            if (m_storeLiterals)
                out += c;
        } else if (c != m_blank) {
            out += c;
        } else if (m_storeLiterals) {
            out += QLatin1Char(' ');
        }
    }
    // Text beyond the mask (no mask positions left) is kept as typed.
    if (shown.size() > m_slots.size())
        out += shown.mid(m_slots.size());
    // Only blanks and literals: no value.
    bool any = false;
    for (qsizetype i = 0; i < n && !any; ++i)
        any = !m_slots.at(i).literal && shown.at(i) != m_blank && shown.at(i) != QLatin1Char(' ');
    if (!any && shown.size() <= m_slots.size())
        return QString();
    if (m_storeLiterals) {
        // The field's full width: the positions after a short shown text are empty.
        for (qsizetype i = n; i < m_slots.size(); ++i)
            out += m_slots.at(i).literal ? m_slots.at(i).ch : QLatin1Char(' ');
        return out;
    }
    while (out.endsWith(QLatin1Char(' ')))
        out.chop(1);
    return out;
}

int EditMask::firstEmpty(const QString &shown) const
{
    for (qsizetype i = 0; i < m_slots.size(); ++i) {
        if (m_slots.at(i).literal)
            continue;
        if (i >= shown.size() || shown.at(i) == m_blank || shown.at(i) == QLatin1Char(' '))
            return static_cast<int>(i);
    }
    return static_cast<int>(m_slots.size());
}

QString EditMask::format(const QString &stored) const
{
    if (stored.isEmpty())
        return QString();
    return display(stored);
}

} // namespace quirels
