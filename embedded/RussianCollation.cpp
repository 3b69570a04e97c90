#include "embedded/RussianCollation.h"

#include "engine/Error.h"

#include <sqlite3.h>

namespace qor {

namespace {

// Decodes one code point; malformed bytes count as themselves.
char32_t nextCodePoint(std::string_view s, size_t &i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (extra == 0) {
        ++i;
        return b;
    }
    char32_t cp = b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        if (i + k >= s.size() || (byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return b;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    i += extra + 1;
    return cp;
}

// The first-level weight is the lower-case code point, ё counting as е;
// its accent is kept apart for breaking ties.
struct Weight
{
    char32_t primary;
    bool accented;
};

Weight weigh(char32_t cp)
{
    if (cp >= U'A' && cp <= U'Z')
        cp += 0x20;
    else if (cp >= 0x0410 && cp <= 0x042F) // А..Я
        cp += 0x20;
    else if (cp >= 0x0400 && cp <= 0x040F) // Ѐ..Џ, Ё among them
        cp += 0x50;
    if (cp == 0x0451) // ё
        return {0x0435, true};
    return {cp, false};
}

int collate(void *, int lengthA, const void *a, int lengthB, const void *b)
{
    return compareRussian(std::string_view(static_cast<const char *>(a), size_t(lengthA)),
                          std::string_view(static_cast<const char *>(b), size_t(lengthB)));
}

} // namespace

int compareRussian(std::string_view a, std::string_view b)
{
    size_t i = 0, j = 0;
    int accentDifference = 0;
    while (i < a.size() && j < b.size()) {
        const Weight wa = weigh(nextCodePoint(a, i));
        const Weight wb = weigh(nextCodePoint(b, j));
        if (wa.primary != wb.primary)
            return wa.primary < wb.primary ? -1 : 1;
        if (accentDifference == 0 && wa.accented != wb.accented)
            accentDifference = wa.accented ? 1 : -1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return accentDifference;
}

void registerRussianCollation(sqlite3 *db)
{
    if (sqlite3_create_collation_v2(db, "RUSSIAN", SQLITE_UTF8, nullptr, collate, nullptr) != SQLITE_OK)
        throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
}

} // namespace qor
