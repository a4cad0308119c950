// Fuzz target: the classic expressions of find in files. The first byte's
// lowest bit is the match-case flag; then comes the expression up to a NUL
// byte, then lines of text. An expression compiles, or is refused with one of
// the classic messages; a compiled one matching a whole block of lines finds
// the first line that it matches line by line; one of letters and digits
// matches where a substring search finds it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tools/FindRegExp.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "find expression fuzz: %s\n", what);
        std::abort();
    }
}

bool IsPlainWord(std::string_view expression) {
    return !expression.empty() && std::all_of(expression.begin(), expression.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

constexpr std::string_view kMessages[] = {
    "unmatched ()", "too many ()",         "regexp too big", "junk on end",      "*+ operand could be empty",
    "nested *?+",   "?+* follows nothing", "unmatched []",   "invalid [] range", "trailing \\",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 4096) return 0;
    const bool matchCase = (data[0] & 1) != 0;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t split = rest.find('\0');
    const std::string_view expression = rest.substr(0, split);
    const std::string_view text =
        split == std::string_view::npos ? std::string_view() : rest.substr(split + 1);

    corvatine::CFindRegExp regexp;
    if (!regexp.Compile(expression, matchCase)) {
        Require(!regexp.IsCompiled(), "refused but compiled");
        Require(std::find(std::begin(kMessages), std::end(kMessages), regexp.Error()) != std::end(kMessages),
                "a refusal without a known message");
        return 0;
    }
    Require(regexp.IsCompiled(), "accepted but not compiled");

    // The lines, each without its line feed, and the block of them.
    std::vector<std::string_view> lines;
    std::string block;
    for (size_t from = 0; from < text.size();) {
        size_t end = text.find('\n', from);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(from, end - from));
        block.append(text.substr(from, end - from));
        block += '\n';
        from = end + 1;
    }
    size_t firstLine = std::string_view::npos, lineStart = 0;
    for (size_t i = 0, offset = 0; i < lines.size(); offset += lines[i].size() + 1, ++i) {
        const bool matches = regexp.Matches(lines[i]);
        if (matchCase && IsPlainWord(expression))
            Require(matches == (lines[i].find(expression) != std::string_view::npos),
                    "a plain word matched other than a substring search");
        if (matches && firstLine == std::string_view::npos) {
            firstLine = i;
            lineStart = offset;
        }
    }
    if (regexp.LinesAtOnce() && block.find('\0') == std::string::npos) {
        const size_t at = regexp.FindInLines(block);
        if (firstLine == std::string_view::npos) {
            Require(at == std::string_view::npos, "the block matched where no line does");
        } else {
            Require(at != std::string_view::npos, "the block missed a matching line");
            Require(at >= lineStart && at <= lineStart + lines[firstLine].size(),
                    "the block's match is not in the first matching line");
        }
    }
    return 0;
}
