#include "NameOrder.h"

#include <array>
#include <sqlite3.h>

namespace quirels::store {

namespace {

// The folds of U+0000..U+017F; every other character stands for itself.
struct FoldTable {
    std::array<char16_t, 0x180> to{};
    FoldTable()
    {
        for (char16_t c = 0; c < to.size(); ++c)
            to[c] = c;
        for (char16_t c = 'A'; c <= 'Z'; ++c)
            to[c] = static_cast<char16_t>(c + 32);
        // Latin-1 letters: upper and lower rows fold alike.
        const char16_t *upper = u"ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ\0ØÙÚÛÜÝÞ";
        const char16_t *plain = u"aaaaaaæceeeeiiiiðnooooo\0ouuuuyþ";
        for (int i = 0; i < 31; ++i) {
            if (upper[i] == 0)
                continue; // × and ÷ are no letters
            to[upper[i]] = plain[i];
            to[upper[i] + 0x20] = plain[i];
        }
        to[u'ÿ'] = u'y';
        // The Latin letters of Windows-1252 beyond Latin-1.
        const char16_t *more = u"ŠšŽžŸŒœ";
        const char16_t *moreTo = u"sszzyœœ";
        for (int i = 0; more[i]; ++i)
            to[more[i]] = moreTo[i];
    }
};

const FoldTable &table()
{
    static const FoldTable t;
    return t;
}

// Invalid UTF-8 bytes stand for themselves apart from every character (the
// low surrogates are never valid in UTF-8), so distinct texts never tie.
inline char32_t nextUtf8(const unsigned char *s, int n, int &i)
{
    const unsigned char b = s[i];
    if (b < 0x80) {
        ++i;
        return b;
    }
    int len = 0;
    char32_t c = 0;
    if ((b & 0xE0) == 0xC0) {
        len = 2;
        c = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3;
        c = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4;
        c = b & 0x07;
    }
    if (len == 0 || i + len > n) {
        ++i;
        return 0xDC00 + b;
    }
    for (int k = 1; k < len; ++k) {
        if ((s[i + k] & 0xC0) != 0x80) {
            ++i;
            return 0xDC00 + b;
        }
        c = (c << 6) | (s[i + k] & 0x3F);
    }
    i += len;
    return c;
}

inline char32_t nextUtf16(QStringView s, qsizetype &i)
{
    const char16_t c = s[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode())) {
        const char32_t u = QChar::surrogateToUcs4(c, s[i + 1].unicode());
        i += 2;
        return u;
    }
    ++i;
    return c;
}

int sqliteCompare(void *, int na, const void *a, int nb, const void *b)
{
    return compareNamesUtf8(static_cast<const unsigned char *>(a), na, static_cast<const unsigned char *>(b), nb);
}

} // namespace

char32_t foldNameChar(char32_t c) { return c < 0x180 ? table().to[c] : c; }

QString foldName(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const char32_t c = foldNameChar(nextUtf16(text, i));
        if (QChar::requiresSurrogates(c)) {
            out.append(QChar(QChar::highSurrogate(c)));
            out.append(QChar(QChar::lowSurrogate(c)));
        } else {
            out.append(QChar(static_cast<char16_t>(c)));
        }
    }
    return out;
}

int compareNames(QStringView a, QStringView b, bool primaryOnly)
{
    const auto &to = table().to;
    int tie = 0;
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t x = nextUtf16(a, i);
        const char32_t y = nextUtf16(b, j);
        const char32_t fx = x < 0x180 ? to[x] : x;
        const char32_t fy = y < 0x180 ? to[y] : y;
        if (fx != fy)
            return fx < fy ? -1 : 1;
        if (tie == 0 && x != y)
            tie = x < y ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return primaryOnly ? 0 : tie;
}

int compareNamesUtf8(const unsigned char *a, int na, const unsigned char *b, int nb)
{
    const auto &to = table().to;
    int tie = 0;
    int i = 0;
    int j = 0;
    while (i < na && j < nb) {
        char32_t x;
        char32_t y;
        // Plain ASCII, the usual case, without the decoder.
        if (a[i] < 0x80 && b[j] < 0x80) {
            x = a[i++];
            y = b[j++];
        } else {
            x = nextUtf8(a, na, i);
            y = nextUtf8(b, nb, j);
        }
        const char32_t fx = x < 0x180 ? to[x] : x;
        const char32_t fy = y < 0x180 ? to[y] : y;
        if (fx != fy)
            return fx < fy ? -1 : 1;
        if (tie == 0 && x != y)
            tie = x < y ? -1 : 1;
    }
    if (i < na)
        return 1;
    if (j < nb)
        return -1;
    return tie;
}

bool registerNameCollation(sqlite3 *db)
{
    return db && sqlite3_create_collation_v2(db, "PTBR", SQLITE_UTF8, nullptr, sqliteCompare, nullptr) == SQLITE_OK;
}

QString serverFoldExpression(const QString &expr)
{
    static const QString fromTo = [] {
        QString from;
        QString to;
        for (char16_t c = 0; c < table().to.size(); ++c)
            if (table().to[c] != c) {
                from.append(QChar(c));
                to.append(QChar(table().to[c]));
            }
        return QStringLiteral("'%1', '%2'").arg(from, to);
    }();
    return QStringLiteral("translate(%1, %2)").arg(expr, fromTo);
}

} // namespace quirels::store
