// Locale-aware string comparison without regard to case, as the user's
// locale collates (LC_COLLATE, LC_CTYPE).
#pragma once

#include <string>
#include <string_view>

namespace corvatine::platform {

// Negative, zero or positive as a sorts before, with or after b. Both strings
// are decoded in the locale's multibyte character set and folded to lower
// case first; a byte that is not part of a valid character stands for itself
// and never equals a valid character.
int CompareNoCaseCollate(std::string_view a, std::string_view b);

// A key whose order under std::wstring's comparison is the order of
// CompareNoCaseCollate, for sorting many strings with one conversion each.
std::wstring CollationKeyNoCase(std::string_view text);

inline bool EqualNoCaseCollate(std::string_view a, std::string_view b) {
    return CompareNoCaseCollate(a, b) == 0;
}

}  // namespace corvatine::platform
