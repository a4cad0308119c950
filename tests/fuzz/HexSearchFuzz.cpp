// Fuzz target: the find box of the hex views. The input is a charset byte, a
// byte that picks the starting points, two bytes of padding length, the find
// box's text up to a NUL, and then bytes of the buffer. The parse must agree
// with the rules of the find box ("=" and "~" texts, else hexadecimal digits
// paired from the left); a parsed search written into a buffer (after the
// buffer bytes and the padding, which carries matches across the search's
// windows) is found, and the search from any start finds the first match at
// or after it, or backwards the last match that begins before it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "binarycompare/HexSearch.h"

using corvatine::HEXSEARCH;
using corvatine::fuzz::Printable;
using corvatine::fuzz::Require;

namespace {

constexpr size_t kMaxText = 64;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

uint8_t AsciiUpper(uint8_t c) { return c >= 'a' && c <= 'z' ? static_cast<uint8_t>(c - 'a' + 'A') : c; }

// Where the pattern occurs, by the plain comparison of every position;
// folded compares ASCII letters without case.
std::vector<int64_t> Occurrences(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& pattern,
                                 bool folded) {
    std::vector<int64_t> at;
    for (size_t i = 0; i + pattern.size() <= bytes.size(); ++i) {
        size_t j = 0;
        while (j < pattern.size() &&
               (folded ? AsciiUpper(bytes[i + j]) == AsciiUpper(pattern[j]) : bytes[i + j] == pattern[j]))
            ++j;
        if (j == pattern.size()) at.push_back(static_cast<int64_t>(i));
    }
    return at;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const int charset = data[0] % 3;
    const uint8_t starts = data[1];
    const size_t padding = static_cast<size_t>(data[2] | (data[3] << 8)) * 2;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 4, size - 4);
    const size_t nul = rest.find('\0');
    const std::string text(rest.substr(0, nul));
    if (text.size() > kMaxText) return 0;
    const std::string_view filler = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);

    corvatine::platform::CSilentMessages messages;
    HEXSEARCH search;
    const bool parsed = corvatine::ParseHexSearch(text, charset, search, messages);
    const bool isText = text.size() >= 2 && (text[0] == '=' || text[0] == '~');
    Require(search.text == isText && search.caseInsensitive == (isText && text[0] == '~'),
            "a text search starts with = or ~", Printable(text));
    Require(parsed == !search.pattern.empty(), "a search is parsed when it has bytes to find",
            Printable(text));
    Require(parsed ||
                (!messages.information.empty() && (messages.information.back() == "Empty search sequence" ||
                                                   messages.information.back() == "There is no search text")),
            "a refused search says why", Printable(text));
    if (!isText) {
        std::vector<uint8_t> expected;
        int pending = -1;
        for (const char c : text) {
            if (HexValue(c) < 0) continue;
            if (pending < 0) {
                pending = HexValue(c);
            } else {
                expected.push_back(static_cast<uint8_t>(pending * 16 + HexValue(c)));
                pending = -1;
            }
        }
        if (pending >= 0) expected.push_back(static_cast<uint8_t>(pending));
        Require(search.pattern == expected && search.charset == corvatine::SEARCH_CODEPAGE,
                "hexadecimal digits pair from the left", Printable(text));
    } else if (charset == corvatine::SEARCH_CODEPAGE) {
        Require(std::string(search.pattern.begin(), search.pattern.end()) == text.substr(1),
                "a code page text is its bytes", Printable(text));
    } else if (charset == corvatine::SEARCH_UNICODE) {
        Require(search.pattern.size() % 2 == 0, "a Unicode text is whole UTF-16 units", Printable(text));
    }
    if (!parsed) return 0;

    // The buffer: filler, padding, the pattern, the filler again.
    std::vector<uint8_t> bytes(filler.begin(), filler.end());
    for (size_t i = 0; i < padding; ++i)
        bytes.push_back(filler.empty() ? 0 : static_cast<uint8_t>(filler[i % filler.size()]));
    const int64_t placed = static_cast<int64_t>(bytes.size());
    bytes.insert(bytes.end(), search.pattern.begin(), search.pattern.end());
    bytes.insert(bytes.end(), filler.begin(), filler.end());
    corvatine::CHexEditContext buffer(messages);
    Require(
        buffer.Edit(corvatine::HEX_INSERT, 0, static_cast<int64_t>(bytes.size()), bytes.data(), 0, nullptr),
        "the bytes go into a buffer");
    Require(buffer.GetSize() == static_cast<int64_t>(bytes.size()), "the buffer holds the bytes");

    // EBCDIC letters have capitals of their own: there only exact matches
    // are known to be matches.
    const bool exactOnly = search.caseInsensitive && search.text && charset == corvatine::SEARCH_EBCDIC;
    const std::vector<int64_t> matches =
        Occurrences(bytes, search.pattern, search.caseInsensitive && !exactOnly);
    const int64_t end = static_cast<int64_t>(bytes.size());
    const std::string what = Printable(text);
    for (const int64_t start :
         {int64_t{0}, placed, placed + 1, end, static_cast<int64_t>(starts) * end / 255}) {
        int64_t first = -1, last = -1;
        for (const int64_t m : matches) {
            if (m >= start && first < 0) first = m;
            if (m < start) last = m;
        }
        const int64_t forward = corvatine::FindInBuffer(buffer, search, start, true, messages);
        const int64_t backward = corvatine::FindInBuffer(buffer, search, start, false, messages);
        if (exactOnly) {
            Require(first < 0 || (forward >= start && forward <= first), "a forward search finds the pattern",
                    what);
            Require(last < 0 || (backward >= last && backward < start), "a backward search finds the pattern",
                    what);
        } else {
            Require(forward == first, "a forward search finds the first match from its start", what);
            Require(backward == last, "a backward search finds the last match before its start", what);
        }
        if (start == 0) Require(forward >= 0 && forward <= placed, "a search finds itself in a buffer", what);
    }
    return 0;
}
