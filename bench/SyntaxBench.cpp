// Parsing every line of a large C file with the parse-state cache filled
// from scratch, as a view does when it first colours a file.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "editor/SyntaxEditContext.h"
#include "editor/SyntaxEditor.h"

namespace {

constexpr int kLines = 200000;

void FillWithC(corvatine::CSyntaxEditContext& context) {
    static const char* const kLinesOfC[] = {
        "#include <stdio.h>\n",
        "/* A block comment that opens here\n",
        "   and closes here. */\n",
        "static int compute(const char* text, size_t length) {\n",
        "    int total = 0x1F + 1.5e10; // a trailing comment\n",
        "    for (size_t i = 0; i < length; ++i) total += text[i] == '\\\\' ? 2 : 1;\n",
        "    printf(\"%d items, \\\"quoted\\\"\\n\", total);\n",
        "    return total;\n",
        "}\n",
        "\n",
    };
    std::mt19937 random(3);
    std::string text;
    for (int i = 0; i < kLines; ++i) text += kLinesOfC[random() % 10];
    context.ResetToNew(1);
    int endLine = 0, endChar = 0;
    context.InsertTextAt(nullptr, 0, 0, text, endLine, endChar, 0, false);
    context.SetSyntaxDefinition(corvatine::GetSyntaxEditor().FindDefinitionForExtension("c"));
}

void BM_ParseStatesOfACFile(benchmark::State& state) {
    corvatine::CSyntaxEditContext context;
    FillWithC(context);
    for (auto _ : state) {
        context.SetSyntaxDefinition(context.GetSyntaxDefinition());  // forgets every state
        benchmark::DoNotOptimize(context.GetParseState(context.GetLineCount() - 1));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * context.GetLineCount());
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(context.GetLineCount()),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ParseStatesOfACFile)->Unit(benchmark::kMillisecond);

void BM_ColourEveryLine(benchmark::State& state) {
    corvatine::CSyntaxEditContext context;
    FillWithC(context);
    std::vector<corvatine::COLORBLOCK> blocks;
    for (auto _ : state) {
        int lineState = 0;
        for (int i = 0; i < context.GetLineCount(); ++i) {
            blocks.clear();
            lineState = context.ParseLine(lineState, i, &blocks);
        }
        benchmark::DoNotOptimize(lineState);
    }
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(context.GetLineCount()),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ColourEveryLine)->Unit(benchmark::kMillisecond);

}  // namespace
