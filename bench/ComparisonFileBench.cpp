// Comparison files at the size of the largest recent comparisons list (1,000
// records, a third of each kind): building the text, parsing it, and writing
// the file (with its fsync). The recent list is read by every run that
// compares something and written back with the comparison added, so these
// are per-run costs; the last benchmark is the whole program comparing two
// small files with such a list, against the same with none kept
// (MaxComparisons 0).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "RunPeer.h"
#include "persist/ComparisonFile.h"
#include "platform/AtomicFile.h"
#include "request/CompareMethods.h"

namespace {

constexpr int kRecords = 1000;

corvatine::CompareParamsList MakeList() {
    corvatine::CompareParamsList list;
    for (int i = 0; i < kRecords; ++i) {
        const std::string n = std::to_string(i);
        std::unique_ptr<corvatine::CCompareParams> request;
        switch (i % 3) {
            case 0: {
                auto text = std::make_unique<corvatine::CTextCompareParams>();
                text->rules = 0x30001;
                if (i % 2) text->lineFilter = "^\\s*#";
                request = std::move(text);
                break;
            }
            case 1: request = std::make_unique<corvatine::CBinaryCompareParams>(); break;
            default: {
                auto folder = std::make_unique<corvatine::CFolderCompareParams>();
                folder->methods = corvatine::METHOD_TIME | corvatine::METHOD_SIZE;
                folder->filters.fileFilters.nameExclude = "*.o;*.obj";
                request = std::move(folder);
            }
        }
        request->sides[0].path = "/home/user/projects/corvatine/left/src/file" + n + ".cpp";
        request->sides[1].path = "/home/user/projects/corvatine/right/src/file" + n + ".cpp";
        request->lastComparedTime = 1765000000 + i;
        list.push_back(std::move(request));
    }
    return list;
}

struct Scratch {
    Scratch() {
        char name[] = "/tmp/corvatine-cmp-bench-XXXXXX";
        if (::mkdtemp(name) == nullptr) std::abort();
        root = name;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    std::string root;
};

void BM_BuildText(benchmark::State& state) {
    const corvatine::CompareParamsList list = MakeList();
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = corvatine::CComparisonFile::ComparisonsText(list, -1);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["records/s"] = benchmark::Counter(kRecords, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_BuildText)->Unit(benchmark::kMillisecond);

void BM_ReadText(benchmark::State& state) {
    const std::string text = corvatine::CComparisonFile::ComparisonsText(MakeList(), -1);
    for (auto _ : state) {
        corvatine::CompareParamsList list;
        std::string error;
        if (!corvatine::CComparisonFile::ReadComparisonsText(text, list, error) || list.size() != kRecords)
            state.SkipWithError("not read back");
    }
    state.counters["records/s"] = benchmark::Counter(kRecords, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadText)->Unit(benchmark::kMillisecond);

void BM_WriteFile(benchmark::State& state) {
    Scratch scratch;
    const corvatine::CompareParamsList list = MakeList();
    const std::string path = scratch.root + "/MRU.cmp";
    for (auto _ : state) {
        std::string error;
        if (!corvatine::CComparisonFile::WriteComparisons(path, list, -1, error))
            state.SkipWithError(error.c_str());
    }
}
BENCHMARK(BM_WriteFile)->Unit(benchmark::kMillisecond);

// One comparison of two small files by the program with a full recent list
// (range 1) and with none kept (range 0), in a configuration folder of its own.
void BM_ProgramRun(benchmark::State& state) {
    Scratch scratch;
    std::string error;
    const std::string left = scratch.root + "/left.txt", right = scratch.root + "/right.txt";
    if (!corvatine::platform::WriteFileAtomically(left, "same\n", 0644, error) ||
        !corvatine::platform::WriteFileAtomically(right, "same\n", 0644, error))
        std::abort();
    if (state.range(0) == 1) {
        if (!corvatine::CComparisonFile::WriteComparisons(scratch.root + "/MRU.cmp", MakeList(), -1, error))
            std::abort();
        if (!corvatine::platform::WriteFileAtomically(
                scratch.root + "/registry.reg",
                "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Settings]\n\"MaxComparisons\"=dword:"
                "000003e8\n",
                0644, error))
            std::abort();
    } else if (!corvatine::platform::WriteFileAtomically(
                   scratch.root + "/registry.reg",
                   "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Settings]\n\"MaxComparisons\"=dword:"
                   "00000000\n",
                   0644, error)) {
        std::abort();
    }
    ::setenv("CORVATINE_CONFIG_DIR", scratch.root.c_str(), 1);
    const std::string program = std::string(CORVATINE_PROGRAM);
    for (auto _ : state)
        if (bench::RunPeer({program, "--quiet", left, right}) != 0)
            state.SkipWithError("the comparison failed");
    state.SetLabel(state.range(0) ? "1,000 recent comparisons" : "no recent comparisons kept");
}
BENCHMARK(BM_ProgramRun)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
