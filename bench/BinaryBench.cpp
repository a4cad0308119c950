// The binary comparer on two 200 MB files in the page cache: the whole-file
// test (equal files, read to the end) and the difference list of a pair
// that differs in 1% of its bytes, against cmp -s and cmp -l on the same
// files in the same run.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include "RunPeer.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "binarycompare/BinaryCompareContext.h"

namespace {

constexpr size_t kBytes = 200u << 20;

class Files {
public:
    static Files& Get() {
        static Files files;
        return files;
    }
    ~Files() {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    std::string a, b, c;  // b equals a; c differs from a in 1% of the bytes

private:
    Files() {
        char name[] = "/tmp/corvatine-binary-bench-XXXXXX";
        if (::mkdtemp(name) == nullptr) std::abort();
        m_root = name;
        std::vector<char> bytes(kBytes);
        std::mt19937_64 random(3);
        for (char& x : bytes) x = static_cast<char>(random());
        a = m_root + "/a", b = m_root + "/b", c = m_root + "/c";
        std::ofstream(a, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        std::ofstream(b, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        for (size_t i = 0; i < kBytes / 100; ++i) bytes[random() % kBytes] ^= 0x5A;
        std::ofstream(c, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string m_root;
};

struct Pair {
    corvatine::platform::CSilentMessages messages;
    corvatine::CBinaryCompareSide left{messages}, right{messages};
    corvatine::CBinaryCompareContext context;
    Pair(const std::string& l, const std::string& r) {
        if (!left.Open(l) || !right.Open(r)) std::abort();
        context.SetSides(&left, &right);
    }
};

void BM_QuickCompare(benchmark::State& state) {
    Pair pair(Files::Get().a, Files::Get().b);
    for (auto _ : state) {
        pair.context.QuickCompare(nullptr);
        if (pair.context.GetState() != corvatine::BINARY_IDENTICAL) std::abort();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
}
BENCHMARK(BM_QuickCompare)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CmpEqual(benchmark::State& state) {
    Files::Get();  // made before the timing
    for (auto _ : state)
        if (bench::RunPeer({"cmp", "-s", Files::Get().a, Files::Get().b}) != 0) std::abort();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
}
BENCHMARK(BM_CmpEqual)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DifferenceList(benchmark::State& state) {
    Pair pair(Files::Get().a, Files::Get().c);
    std::vector<corvatine::BINARYDIFFERENCE> list;
    for (auto _ : state) benchmark::DoNotOptimize(pair.context.BuildDifferenceList(list, -1, -1));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
    state.counters["ranges"] = static_cast<double>(list.size());
}
BENCHMARK(BM_DifferenceList)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CmpList(benchmark::State& state) {
    const std::string output = Files::Get().a + ".list";
    for (auto _ : state) bench::RunPeer({"cmp", "-l", Files::Get().a, Files::Get().c}, output);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
}
BENCHMARK(BM_CmpList)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
