#include "platform/Wildcard.h"

#include <cwctype>
#include <vector>

namespace corvatine::platform {

namespace {

// Characters as numbers, folded to lower case.
std::vector<char32_t> Characters(std::string_view text, CharacterSet set) {
    std::vector<char32_t> out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        char32_t c = *p;
        int length = 1;
        if (set == CharacterSet::Utf8 && c >= 0x80) {
            const int extra = c >= 0xF0 && c <= 0xF4   ? 3
                              : c >= 0xE0 && c <= 0xEF ? 2
                              : c >= 0xC2 && c <= 0xDF ? 1
                                                       : -1;
            char32_t value = c & (extra == 1 ? 0x1F : extra == 2 ? 0x0F : 0x07);
            bool valid = extra > 0 && end - p > extra;
            for (int i = 1; valid && i <= extra; ++i) {
                if ((p[i] & 0xC0) != 0x80)
                    valid = false;
                else
                    value = (value << 6) | (p[i] & 0x3F);
            }
            // The shortest form only, and no surrogates: anything else is
            // bytes, as the text files read it.
            static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
            if (valid && (value < kLeast[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)))
                valid = false;
            if (valid) {
                c = value;
                length = extra + 1;
            } else {
                c = 0x110000 + *p;  // an invalid byte: never equal to a character
            }
        } else if (set == CharacterSet::DoubleByte && c >= 0x81 && c <= 0xFE && end - p >= 2) {
            c = 0x110000 + (c << 8) + p[1];
            length = 2;
        }
        if (c < 0x110000) c = static_cast<char32_t>(std::towlower(static_cast<wint_t>(c)));
        out.push_back(c);
        p += length;
    }
    return out;
}

using Chars = std::vector<char32_t>;

// Remembers which (pattern position, name position) pairs failed, so that
// patterns with many stars stay polynomial.
struct Matcher {
    const Chars& pattern;
    const Chars& name;
    std::vector<signed char> known;  // -1 unknown, 0 no, 1 yes

    Matcher(const Chars& p, const Chars& n)
        : pattern(p), name(n), known((p.size() + 1) * (n.size() + 1), -1) {}

    bool At(size_t p, size_t n) {
        signed char& memo = known[p * (name.size() + 1) + n];
        if (memo < 0) memo = Match(p, n) ? 1 : 0;
        return memo == 1;
    }

    bool Match(size_t p, size_t n);
};

bool Matcher::Match(size_t p, size_t n) {
    while (p < pattern.size()) {
        const char32_t c = pattern[p];
        if (c == U'*') {
            // The longest run first, then shorter ones.
            for (size_t k = name.size(); k + 1 > n; --k)
                if (At(p + 1, k)) return true;
            return false;
        }
        if (c == U'!') {
            if (p + 1 >= pattern.size()) return false;
            return !At(p + 1, n);
        }
        if (n >= name.size()) return false;
        const char32_t x = name[n];
        if (c == U'?') {
            ++p;
            ++n;
            continue;
        }
        if (c == U'`') {
            if (p + 1 >= pattern.size() || pattern[p + 1] != x) return false;
            p += 2;
            ++n;
            continue;
        }
        if (c == U'[') {
            size_t q = p + 1;
            const bool negated = q < pattern.size() && pattern[q] == U'!';
            if (negated) ++q;
            bool found = false;
            bool closed = false;
            while (q < pattern.size()) {
                char32_t first = pattern[q];
                if (first == U']') {
                    closed = true;
                    break;
                }
                if (first == U'`') {
                    if (++q >= pattern.size()) return false;
                    first = pattern[q];
                }
                char32_t last = first;
                if (q + 2 < pattern.size() && pattern[q + 1] == U'-' && pattern[q + 2] != U']') {
                    q += 2;
                    last = pattern[q];
                    if (last == U'`') {
                        if (++q >= pattern.size()) return false;
                        last = pattern[q];
                    }
                }
                if (first > last) std::swap(first, last);
                if (x >= first && x <= last) found = true;
                ++q;
            }
            if (!closed || found == negated) return false;
            p = q + 1;
            ++n;
            continue;
        }
        if (c != x) return false;
        ++p;
        ++n;
    }
    return n == name.size();
}

}  // namespace

bool IsWellFormedPattern(std::string_view pattern, CharacterSet set) {
    // The pattern characters are ASCII; a trail byte that has the value of
    // one belongs to its double-byte character.
    const auto length = [&](size_t i) -> size_t {
        const unsigned char c = static_cast<unsigned char>(pattern[i]);
        return set == CharacterSet::DoubleByte && c >= 0x81 && c <= 0xFE && i + 1 < pattern.size() ? 2 : 1;
    };
    bool inSet = false;
    for (size_t i = 0; i < pattern.size(); i += length(i)) {
        const char c = pattern[i];
        if (c == '`') {
            if (i + 1 >= pattern.size()) return false;
            ++i;  // the next character is literal, inside a set or not
        } else if (!inSet && c == '!') {
            if (i + 1 >= pattern.size()) return false;
        } else if (!inSet && c == '[') {
            inSet = true;
            if (i + 1 < pattern.size() && pattern[i + 1] == '!') ++i;
        } else if (inSet && c == ']') {
            inSet = false;
        }
    }
    return !inSet;
}

bool WildcardMatch(std::string_view pattern, std::string_view name, CharacterSet set) {
    if (!IsWellFormedPattern(pattern, set)) return false;
    const Chars p = Characters(pattern, set);
    const Chars n = Characters(name, set);
    Matcher matcher(p, n);
    return matcher.At(0, 0);
}

}  // namespace corvatine::platform
