// The editor's regular expressions over a large generated text: a pattern
// that starts with a literal, whose candidate positions are found by scanning
// for its first character, against the same pattern starting with a set,
// which is tried at every position; with and without case. Then whole
// searches through an edit context, line by line as Find Next runs them.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "editor/FindReplace.h"
#include "editor/RegularExpression.h"
#include "editor/SyntaxEditContext.h"
#include "fileio/CodePages.h"

namespace {

constexpr int kLines = 200000;

// Lines of words, many of them starting with "n", with the one match of
// "needle" and digits on the last line.
const std::string& Text() {
    static const std::string text = [] {
        static const char* const kWords[] = {"name",   "need",   "needs", "nest",  "nine",    "needl",
                                             "if",     "return", "int",   "value", "counter", "the",
                                             "buffer", "line",   "12345", "(x)",   "{",       "};"};
        std::mt19937 random(7);
        std::string out;
        for (int i = 0; i < kLines; ++i) {
            for (int w = 0; w < 8; ++w) {
                out += kWords[random() % (sizeof kWords / sizeof *kWords)];
                out += ' ';
            }
            out += i == kLines - 1 ? "needle42\n" : "\n";
        }
        return out;
    }();
    return text;
}

void RunExpression(benchmark::State& state, const char* pattern, bool matchCase) {
    const std::string& text = Text();
    const std::unique_ptr<corvatine::CRegularExpression> expression =
        corvatine::CompileExpression(pattern, corvatine::CP_UTF8);
    corvatine::MATCHREGISTERS registers;
    for (auto _ : state) {
        const corvatine::ExecuteResult result = corvatine::ExecuteExpression(
            *expression, text.data(), static_cast<int>(text.size()), 0, registers, matchCase, nullptr);
        if (result != corvatine::EXECUTE_MATCHED) state.SkipWithError("no match");
        benchmark::DoNotOptimize(registers.start[0]);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

BENCHMARK_CAPTURE(RunExpression, FirstLiteral, "needle\\d+", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunExpression, EveryPosition, "[n]eedle\\d+", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunExpression, FirstLiteralNoCase, "needle\\d+", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunExpression, EveryPositionNoCase, "[n]eedle\\d+", false)->Unit(benchmark::kMillisecond);

// One search of the whole buffer for the match on its last line, each line
// searched on its own.
void SearchBuffer(benchmark::State& state, const char* pattern, uint32_t flags) {
    corvatine::CSyntaxEditContext context;
    context.ResetToNew(3);
    int endLine = 0, endChar = 0;
    context.InsertTextAt(nullptr, 0, 0, Text(), endLine, endChar, 0, false);
    corvatine::CRecentTexts history;
    corvatine::CFindReplace finder(context, &history);
    const corvatine::CPoint end = corvatine::CFindReplace::TextEnd(context);
    for (auto _ : state) {
        corvatine::CPoint position;
        if (!finder.SearchText(pattern, {0, 0}, {0, 0}, end, flags, false, position))
            state.SkipWithError("not found");
        benchmark::DoNotOptimize(position.y);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Text().size()));
}

BENCHMARK_CAPTURE(SearchBuffer, Literal, "needle4", corvatine::FIND_MATCH_CASE)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SearchBuffer, LiteralNoCase, "needle4", 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SearchBuffer, FirstLiteral, "needle\\d+",
                  corvatine::FIND_REGEXP | corvatine::FIND_MATCH_CASE)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SearchBuffer, EveryPosition, "[n]eedle\\d+",
                  corvatine::FIND_REGEXP | corvatine::FIND_MATCH_CASE)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SearchBuffer, AcrossLines, "needle\\d+\\n",
                  corvatine::FIND_REGEXP | corvatine::FIND_MATCH_CASE)
    ->Unit(benchmark::kMillisecond);

}  // namespace
