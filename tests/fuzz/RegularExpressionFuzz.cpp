// Fuzz target: the editor's regular expressions. The first byte chooses the
// case mode and the code page; then comes the pattern up to a NUL byte, then
// the text searched (and used as a replacement). A pattern compiles or is
// malformed; an execution ends within its step budget, and a match lies in
// the text with its groups inside it; the leftmost match is found again when
// the search starts where it begins; a pattern of letters and digits finds
// what a plain substring search finds.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "editor/RegularExpression.h"
#include "fileio/CodePages.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "regular expression fuzz: %s\n", what);
        std::abort();
    }
}

bool IsPlainWord(std::string_view pattern) {
    return !pattern.empty() && std::all_of(pattern.begin(), pattern.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 4096) return 0;
    const bool matchCase = (data[0] & 1) != 0;
    const int codePage = (data[0] & 2) ? corvatine::CP_UTF8 : 1252;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t split = rest.find('\0');
    const std::string_view pattern = rest.substr(0, split);
    const std::string_view text =
        split == std::string_view::npos ? std::string_view() : rest.substr(split + 1);

    const auto expression = corvatine::CompileExpression(pattern, codePage);
    if (expression == nullptr) return 0;
    const int groups = expression->GetGroupCount();
    Require(groups >= 0 && groups < corvatine::kMatchRegisters, "group count out of range");

    const int length = static_cast<int>(text.size());
    corvatine::MATCHREGISTERS registers;
    const corvatine::ExecuteResult result =
        corvatine::ExecuteExpression(*expression, text.data(), length, 0, registers, matchCase);
    Require(result == corvatine::EXECUTE_NO_MATCH || result == corvatine::EXECUTE_MATCHED ||
                result == corvatine::EXECUTE_TOO_COMPLEX,
            "unknown result");
    if (result != corvatine::EXECUTE_MATCHED) {
        for (int r = 0; r < corvatine::kMatchRegisters; ++r)
            Require(registers.start[r] == -1 && registers.end[r] == -1, "registers set without a match");
        if (matchCase && result == corvatine::EXECUTE_NO_MATCH && IsPlainWord(pattern))
            Require(text.find(pattern) == std::string_view::npos, "a plain word was not found");
        return 0;
    }

    const int start = registers.start[0], end = registers.end[0];
    Require(0 <= start && start <= end && end <= length, "match outside the text");
    for (int r = 1; r < corvatine::kMatchRegisters; ++r) {
        const bool set = registers.start[r] != -1;
        Require(set == (registers.end[r] != -1), "a group with one end");
        if (!set) continue;
        Require(r <= groups, "a register beyond the groups");
        Require(
            0 <= registers.start[r] && registers.start[r] <= registers.end[r] && registers.end[r] <= length,
            "group outside the text");
    }
    if (matchCase && IsPlainWord(pattern)) {
        Require(static_cast<size_t>(start) == text.find(pattern) &&
                    end - start == static_cast<int>(pattern.size()),
                "a plain word found elsewhere than the substring search finds it");
    }

    // Started where the match begins, the search finds the same match (the
    // characters before the start still count for "^" and "<").
    corvatine::MATCHREGISTERS again;
    const corvatine::ExecuteResult second =
        corvatine::ExecuteExpression(*expression, text.data(), length, start, again, matchCase);
    if (second == corvatine::EXECUTE_MATCHED) {
        Require(again.start[0] == start && again.end[0] == end, "the match moved when searched again");
    } else {
        Require(second == corvatine::EXECUTE_TOO_COMPLEX, "the match vanished when searched again");
    }

    // The text as a replacement: expanded or refused; each of its characters
    // gives at most the matched text or one encoded character.
    std::string replaced;
    if (corvatine::ExpandReplacement(
            text, registers, text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)),
            replaced, codePage))
        Require(replaced.size() <= text.size() * std::max<size_t>(static_cast<size_t>(end - start), 4),
                "replacement runs away");
    return 0;
}
