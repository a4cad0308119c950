// Fuzz target: the line filter of text comparisons. The first byte picks the
// locale (the plain C one or C.UTF-8: the program takes the user's), then
// come the expression and, after a NUL, the line. A filter that does not
// compile says why and matches nothing; one that does answers the same every
// time. Taken literally (every special character escaped), the expression
// matches exactly the lines that hold it, and two literals joined by "\|"
// the lines that hold either.
#include <clocale>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "textcompare/LineFilter.h"

using corvatine::CLineFilter;
using corvatine::fuzz::Printable;
using corvatine::fuzz::Require;

namespace {

constexpr size_t kMaxExpression = 64;
constexpr size_t kMaxLine = 256;

// The expression that matches the text as it is.
std::string Literal(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\' || c == '[' || c == ']' || c == '^' || c == '$' || c == '.' || c == '*' || c == '+' ||
            c == '?')
            out += '\\';
        out += c;
    }
    return out;
}

bool IsUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        const unsigned c = p[i];
        const size_t length = c < 0x80                ? 1
                              : c >= 0xC2 && c < 0xE0 ? 2
                              : c >= 0xE0 && c < 0xF0 ? 3
                              : c >= 0xF0 && c < 0xF5 ? 4
                                                      : 0;
        if (length == 0 || i + length > text.size()) return false;
        uint32_t value = length == 1 ? c : length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
        for (size_t k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            value = (value << 6) | (p[i + k] & 0x3F);
        }
        const uint32_t least = length == 1 ? 0 : length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool utf8 = (data[0] & 1) != 0;
    Require(std::setlocale(LC_ALL, utf8 ? "C.UTF-8" : "C") != nullptr, "the locale can be set");
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t nul = rest.find('\0');
    const std::string expression(rest.substr(0, nul));
    const std::string_view line = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
    if (expression.size() > kMaxExpression || line.size() > kMaxLine) return 0;
    const std::string what = Printable(expression) + " / " + Printable(line);

    const CLineFilter filter(expression);
    Require(filter.IsValid() == filter.Error().empty(), "a filter that does not compile says why", what);
    const bool matches = filter.Matches(line);
    Require(filter.IsValid() || !matches, "a filter that does not compile matches nothing", what);
    Require(filter.Matches(line) == matches, "a filter answers the same every time", what);

    // In UTF-8 the literal comparison holds for whole characters only.
    if (utf8 && (!IsUtf8(expression) || !IsUtf8(line))) return 0;
    const CLineFilter literal(Literal(expression));
    Require(literal.IsValid(), "a literal expression compiles", Printable(Literal(expression)));
    Require(literal.Matches(line) == (line.find(expression) != std::string_view::npos),
            "a literal matches the lines that hold it", what);
    const size_t half = expression.size() / 2;
    const std::string_view a = std::string_view(expression).substr(0, half);
    const std::string_view b = std::string_view(expression).substr(half);
    const CLineFilter either(Literal(a) + "\\|" + Literal(b));
    Require(either.IsValid(), "two literals joined by \\| compile", Printable(expression));
    Require(either.Matches(line) ==
                (line.find(a) != std::string_view::npos || line.find(b) != std::string_view::npos),
            "two literals joined by \\| match the lines that hold either", what);
    return 0;
}
