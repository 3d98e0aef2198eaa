#pragma once
// Names as Windows treats them, for the in-memory file system: how letters
// fold for comparison, and the short 8.3 names that some volumes give.

#include <string>

namespace vorlan::test {

// `text` with each letter as Windows' ordinal case-insensitive comparison
// takes it: upper case, one letter for one, over ASCII, Latin-1 with Ÿ,
// Latin Extended-A (Š, Œ, Ž, ...), Greek, Cyrillic and the fullwidth letters.
// Letters whose case is not one letter for another (ß, ı, İ) stay as they are.
std::string fold_like_windows(const std::string& text);

// Whether `name` is a short name as it stands (8 and 3 characters, no space,
// one dot at most, ASCII that an 8.3 name may hold), in which case Windows
// gives the file no other.
bool fits_8_3(const std::string& name);

// The `n`-th short name for the long `name`: its first six letters that an
// 8.3 name may hold, "~n", and the first three of its extension, in upper
// case ("Cartografia_base.shp", 1: "CARTOG~1.SHP").
std::string short_name(const std::string& name, int n);

}  // namespace vorlan::test
