// Fuzz target: the wildcard patterns of name filters. The first byte picks
// the character set (UTF-8, single-byte, double-byte), then come the pattern
// and, after a NUL, the name. The matcher must agree with the plain
// backtracking matcher below, written from the pattern rules; both say the
// same about which patterns are well formed; a name's own characters, each
// taken literally, match it. Pattern and name are short, so that any time
// worse than polynomial shows up as a libFuzzer timeout.
#include <cstdint>
#include <cwctype>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "platform/Wildcard.h"

using corvatine::fuzz::Printable;
using corvatine::fuzz::Require;
using corvatine::platform::CharacterSet;

namespace {

constexpr size_t kMaxLength = 64;

// A character: a code point folded to lower case, an invalid byte of UTF-8
// (which stands only for itself), or the two bytes of a double-byte one.
struct Char {
    enum Kind { Code, Byte, Pair } kind;
    uint32_t value;
    bool operator==(const Char& other) const { return kind == other.kind && value == other.value; }
    bool Is(char c) const { return kind == Code && value == static_cast<unsigned char>(c); }
};

// UTF-8 decoded strictly: the shortest form, no surrogates, nothing above U+10FFFF.
std::vector<Char> Decode(std::string_view text, CharacterSet set) {
    std::vector<Char> out;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    for (size_t i = 0; i < size;) {
        const unsigned c = p[i];
        if (set == CharacterSet::DoubleByte && c >= 0x81 && c <= 0xFE && i + 1 < size) {
            out.push_back({Char::Pair, (c << 8) | p[i + 1]});
            i += 2;
            continue;
        }
        if (set != CharacterSet::Utf8 || c < 0x80) {
            out.push_back({Char::Code, static_cast<uint32_t>(std::towlower(static_cast<wint_t>(c)))});
            ++i;
            continue;
        }
        const size_t length = c >= 0xC0 && c < 0xE0   ? 2
                              : c >= 0xE0 && c < 0xF0 ? 3
                              : c >= 0xF0 && c < 0xF8 ? 4
                                                      : 0;
        uint32_t value = length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
        bool valid = length > 0 && i + length <= size;
        for (size_t k = 1; valid && k < length; ++k) {
            valid = (p[i + k] & 0xC0) == 0x80;
            value = (value << 6) | (p[i + k] & 0x3F);
        }
        const uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (valid && value >= least && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF)) {
            out.push_back({Char::Code, static_cast<uint32_t>(std::towlower(static_cast<wint_t>(value)))});
            i += length;
        } else {
            out.push_back({Char::Byte, c});
            ++i;
        }
    }
    return out;
}

// Ranges order characters by code point; bytes that are no character of
// the encoding, and double-byte characters, come after every code point.
uint32_t Order(const Char& c) { return c.kind == Char::Code ? c.value : 0x110000 + c.value; }

// The bounds of a range may come in either order.
bool InRange(const Char& c, const Char& first, const Char& last) {
    const uint32_t a = Order(first), b = Order(last), x = Order(c);
    return a <= b ? x >= a && x <= b : x >= b && x <= a;
}

struct Reference {
    const std::vector<Char>& pattern;
    const std::vector<Char>& name;
    std::vector<signed char> memo;  // only to keep the backtracking short

    Reference(const std::vector<Char>& p, const std::vector<Char>& n)
        : pattern(p), name(n), memo((p.size() + 1) * (n.size() + 1), -1) {}

    // "!" or "`" last, or a "[" set not closed.
    static bool WellFormed(const std::vector<Char>& pattern) {
        bool inSet = false;
        for (size_t i = 0; i < pattern.size(); ++i) {
            if (pattern[i].Is('`')) {
                if (i + 1 == pattern.size()) return false;
                ++i;
            } else if (!inSet && pattern[i].Is('!')) {
                if (i + 1 == pattern.size()) return false;
            } else if (!inSet && pattern[i].Is('[')) {
                inSet = true;
                if (i + 1 < pattern.size() && pattern[i + 1].Is('!')) ++i;
            } else if (inSet && pattern[i].Is(']')) {
                inSet = false;
            }
        }
        return !inSet;
    }

    bool Match(size_t p, size_t n) {
        signed char& known = memo[p * (name.size() + 1) + n];
        if (known < 0) known = Walk(p, n) ? 1 : 0;
        return known == 1;
    }

    bool Walk(size_t p, size_t n) {
        if (p == pattern.size()) return n == name.size();
        const Char& c = pattern[p];
        if (c.Is('*')) {
            for (size_t k = name.size() + 1; k-- > n;)
                if (Match(p + 1, k)) return true;
            return false;
        }
        // The rest must not match, and there must be a rest.
        if (c.Is('!')) return p + 1 < pattern.size() && !Match(p + 1, n);
        if (n == name.size()) return false;
        if (c.Is('?')) return Match(p + 1, n + 1);
        if (c.Is('`')) return pattern[p + 1] == name[n] && Match(p + 2, n + 1);
        if (c.Is('[')) {
            size_t q = p + 1;
            const bool negated = pattern[q].Is('!');
            if (negated) ++q;
            bool found = false;
            while (!pattern[q].Is(']')) {
                // A grave accent makes the next character an ordinary one.
                auto take = [&] {
                    if (pattern[q].Is('`')) ++q;
                    return pattern[q++];
                };
                const Char first = take();
                Char last = first;
                if (pattern[q].Is('-') && q + 1 < pattern.size() && !pattern[q + 1].Is(']')) {
                    ++q;
                    last = take();
                }
                found = found || InRange(name[n], first, last);
            }
            return found != negated && Match(q + 1, n + 1);
        }
        return c == name[n] && Match(p + 1, n + 1);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const CharacterSet set = data[0] % 3 == 0   ? CharacterSet::Utf8
                             : data[0] % 3 == 1 ? CharacterSet::SingleByte
                                                : CharacterSet::DoubleByte;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t split = rest.find('\0');
    const std::string_view pattern = rest.substr(0, split);
    const std::string_view name =
        split == std::string_view::npos ? std::string_view() : rest.substr(split + 1);
    if (pattern.size() > kMaxLength || name.size() > kMaxLength) return 0;

    const std::vector<Char> p = Decode(pattern, set), n = Decode(name, set);
    const bool wellFormed = Reference::WellFormed(p);
    if (set == CharacterSet::Utf8)
        Require(corvatine::platform::IsWellFormedPattern(pattern) == wellFormed,
                "well-formedness agrees with the rules", Printable(pattern));
    Reference reference(p, n);
    const bool expected = wellFormed && reference.Match(0, 0);
    Require(corvatine::platform::WildcardMatch(pattern, name, set) == expected,
            expected ? "the pattern matches the name" : "the pattern does not match the name",
            Printable(pattern) + " / " + Printable(name));

    // Every character of the name taken literally matches the name.
    if (set == CharacterSet::Utf8) {
        std::string literal;
        for (const char c : name) {
            if (c == '*' || c == '?' || c == '[' || c == '`' || c == '!') literal += '`';
            literal += c;
        }
        Require(corvatine::platform::WildcardMatch(literal, name, set),
                "a name matches itself taken literally", Printable(name));
    }
    return 0;
}
