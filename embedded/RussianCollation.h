#pragma once

#include <string_view>

struct sqlite3;

namespace qor {

// Compares UTF-8 texts as the server's Cyrillic_General_CI_AS collation
// does for Russian names: without regard to case (Latin and Cyrillic),
// Ё after Е and before Ж, accents (ё against е) deciding only between
// otherwise equal texts. Returns <0, 0 or >0.
int compareRussian(std::string_view a, std::string_view b);

// Registers it on a connection under the name RUSSIAN.
void registerRussianCollation(sqlite3 *db);

} // namespace qor
