// The wildcard pattern language of name filters and syntax definitions.
//
//   *      any run of characters, the longest tried first
//   ?      one character
//   [..]   one character of the set; [!..] one not in it; a-z a range;
//          inside a set a grave accent takes the next character literally
//   `x     the character x literally
//   !      the rest of the pattern must not match the rest of the name
//
// Letters compare without regard to case. Characters are those of the text's
// encoding: UTF-8 sequences, or lead and trail byte of a double-byte code page.
#pragma once

#include <string_view>

namespace corvatine::platform {

// How the bytes of names and patterns form characters.
enum class CharacterSet {
    Utf8,        // UTF-8 sequences; invalid bytes stand for themselves
    SingleByte,  // every byte is a character
    DoubleByte,  // bytes 0x81 to 0xFE lead a two-byte character
};

// True when the pattern matches the whole name. A pattern that is not well
// formed (see below) matches nothing.
bool WildcardMatch(std::string_view pattern, std::string_view name, CharacterSet set = CharacterSet::Utf8);

// False when "!" or the grave accent is the pattern's last character or a set
// is not closed. The trail bytes of double-byte characters are never pattern
// characters.
bool IsWellFormedPattern(std::string_view pattern, CharacterSet set = CharacterSet::Utf8);

}  // namespace corvatine::platform
