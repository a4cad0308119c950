// What the user's locale says about numbers and language.
#pragma once

#include <cstdint>
#include <string>

namespace corvatine::platform {

// The number in decimal with the digit grouping and thousands separator of
// the current locale (LC_NUMERIC). A locale without grouping groups by three digits,
// and one without a separator uses ",".
std::string FormatGroupedNumber(uint64_t value);

// The user's default language as a Windows language identifier (primary
// language in the low 10 bits, sublanguage above), from LC_MESSAGES, else
// LANG. "C", "POSIX" and languages without an identifier give English
// (United States), 0x0409.
uint16_t UserDefaultLanguage();

// The identifier of a locale name such as "de_DE.UTF-8" or "pt_BR";
// 0 when the language is not known.
uint16_t LanguageFromLocaleName(const std::string& name);

}  // namespace corvatine::platform
