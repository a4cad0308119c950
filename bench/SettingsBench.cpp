// The settings file at sizes far beyond what the program writes itself:
// 10,000, 40,000 and 1,000,000 values, all in one key (where finding a value
// among its neighbours costs most) and, at the largest size, 100 to a key.
// Loading is reading and parsing the file; saving is one changed value written
// back (the merge with the file, the text and the file with its fsync). The
// last benchmark is the whole program, which loads the file at start and
// writes it back at exit.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "RunPeer.h"
#include "platform/AtomicFile.h"
#include "platform/RegistryHive.h"

namespace {

struct Scratch {
    Scratch() {
        char name[] = "/tmp/corvatine-settings-bench-XXXXXX";
        if (::mkdtemp(name) == nullptr) std::abort();
        root = name;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    std::string registry() const { return root + "/registry.reg"; }
    std::string root;
};

// A settings file of count values, perKey to a key, alternately numbers and
// strings, below the program's root.
std::string MakeSettings(int64_t count, int64_t perKey) {
    std::string text = "Windows Registry Editor Version 5.00\n";
    char line[128];
    for (int64_t i = 0; i < count; ++i) {
        if (i % perKey == 0) {
            std::snprintf(line, sizeof line,
                          "\n[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Bench\\Key%lld]\n",
                          static_cast<long long>(i / perKey));
            text += line;
        }
        if (i % 2 == 0)
            std::snprintf(line, sizeof line, "\"Value%lld\"=dword:%08llx\n", static_cast<long long>(i),
                          static_cast<unsigned long long>(i));
        else
            std::snprintf(line, sizeof line, "\"Value%lld\"=\"text %lld\"\n", static_cast<long long>(i),
                          static_cast<long long>(i));
        text += line;
    }
    return text;
}

void WriteSettings(const Scratch& scratch, const benchmark::State& state) {
    std::string error;
    const std::string text = MakeSettings(state.range(0), state.range(1));
    if (!corvatine::platform::WriteFileAtomically(scratch.registry(), text, 0600, error)) std::abort();
}

void Label(benchmark::State& state) {
    state.counters["values/s"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                    benchmark::Counter::kIsIterationInvariantRate);
    state.SetLabel(state.range(1) >= state.range(0) ? "one key" : std::to_string(state.range(1)) + " a key");
}

void BM_LoadSettings(benchmark::State& state) {
    Scratch scratch;
    WriteSettings(scratch, state);
    for (auto _ : state) {
        corvatine::platform::CRegistryHive hive(scratch.registry(), "HKEY_CURRENT_USER");
        if (!hive.LoadWarning().empty()) state.SkipWithError(hive.LoadWarning().c_str());
        uint32_t value = 0;
        if (!hive.GetDword("Software\\Brasko\\Corvatine\\Bench\\Key0", "value0", value))
            state.SkipWithError("a value is missing");
    }
    Label(state);
}

void BM_SaveSettings(benchmark::State& state) {
    Scratch scratch;
    WriteSettings(scratch, state);
    corvatine::platform::CRegistryHive hive(scratch.registry(), "HKEY_CURRENT_USER");
    hive.Load();
    uint32_t round = 0;
    for (auto _ : state) {
        hive.SetDword("Software\\Brasko\\Corvatine\\Bench\\Key0", "Changed", ++round);
        std::string error;
        if (!hive.Flush(error)) state.SkipWithError(error.c_str());
    }
    Label(state);
}

// The program comparing two small files, which loads the settings at start
// and writes them back at exit: the two files alternate sides, so that every
// run moves its pair to the front of the recent pairs and the file changes.
void BM_ProgramRun(benchmark::State& state) {
    Scratch scratch;
    WriteSettings(scratch, state);
    std::string error;
    const std::string a = scratch.root + "/a", b = scratch.root + "/b";
    if (!corvatine::platform::WriteFileAtomically(a, "same\n", 0644, error) ||
        !corvatine::platform::WriteFileAtomically(b, "same\n", 0644, error))
        std::abort();
    ::setenv("CORVATINE_CONFIG_DIR", scratch.root.c_str(), 1);
    const std::string program = std::string(CORVATINE_PROGRAM);
    bool swapped = false;
    for (auto _ : state) {
        swapped = !swapped;
        if (bench::RunPeer({program, "--quiet", "-c", "/t:b", swapped ? b : a, swapped ? a : b}) != 0)
            state.SkipWithError("the program failed");
    }
    Label(state);
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int64_t count : {10000, 40000, 1000000}) b->Args({count, count});
    b->Args({1000000, 100});
}

BENCHMARK(BM_LoadSettings)->Apply(Sizes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveSettings)->Apply(Sizes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProgramRun)->Apply(Sizes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
