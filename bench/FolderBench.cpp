// Reading one side of a folder comparison and the content methods: scanning
// a generated tree of 20,000 files in 2,000 folders, CRC-32 and the binary
// method on 200 MB files. The peers run in the same process: zlib's crc32
// over the bytes in memory, cmp on the same pair, and find over the same tree.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>
#include "RunPeer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "foldercompare/FileCompare.h"
#include "foldercompare/FolderItem.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kContentBytes = 200u << 20;

// The generated inputs, made on first use and removed at exit.
class Inputs {
public:
    static Inputs& Get() {
        static Inputs inputs;
        return inputs;
    }
    ~Inputs() {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    const std::string& Tree() {
        if (m_tree.empty()) MakeTree();
        return m_tree;
    }
    const std::string& Left() {
        if (m_left.empty()) MakeContent();
        return m_left;
    }
    const std::string& Right() {
        if (m_right.empty()) MakeContent();
        return m_right;
    }
    const std::vector<unsigned char>& Bytes() {
        if (m_bytes.empty()) MakeBytes();
        return m_bytes;
    }

private:
    Inputs() {
        char name[] = "/tmp/corvatine-folder-bench-XXXXXX";
        if (::mkdtemp(name) == nullptr) std::abort();
        m_root = name;
    }

    // 2,000 folders, 20 at the top with 99 below each, and 10 files in each folder.
    void MakeTree() {
        m_tree = m_root + "/tree";
        std::string file(200, 'x');
        for (int top = 0; top < 20; ++top) {
            for (int sub = 0; sub < 100; ++sub) {
                const std::string folder = m_tree + "/Top" + std::to_string(top) +
                                           (sub == 0 ? std::string() : "/sub_" + std::to_string(sub));
                fs::create_directories(folder);
                for (int f = 0; f < 10; ++f)
                    std::ofstream(folder + "/File" + std::to_string(f) + ".txt") << file;
            }
        }
    }

    void MakeBytes() {
        m_bytes.resize(kContentBytes);
        std::mt19937_64 random(3);
        for (size_t i = 0; i + 8 <= m_bytes.size(); i += 8) {
            const uint64_t value = random();
            for (int b = 0; b < 8; ++b)
                m_bytes[i + static_cast<size_t>(b)] = static_cast<unsigned char>(value >> (8 * b));
        }
    }

    void MakeContent() {
        const std::vector<unsigned char>& bytes = Bytes();
        m_left = m_root + "/left.bin";
        m_right = m_root + "/right.bin";
        for (const std::string* path : {&m_left, &m_right})
            std::ofstream(*path, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
    }

    std::string m_root, m_tree, m_left, m_right;
    std::vector<unsigned char> m_bytes;
};

size_t ScanAll(corvatine::CFolder& folder) {
    folder.Scan();
    folder.SortChildren();
    size_t entries = static_cast<size_t>(folder.GetChildCount());
    for (int i = 0; i < folder.GetChildCount(); ++i)
        if (folder.Child(i)->IsFolder())
            entries += ScanAll(static_cast<corvatine::CFolder&>(*folder.Child(i)));
    return entries;
}

void BM_ScanTree(benchmark::State& state) {
    const std::string& tree = Inputs::Get().Tree();
    size_t entries = 0;
    for (auto _ : state) {
        corvatine::CFolder root;
        root.Refresh(tree);
        entries = ScanAll(root);
        benchmark::DoNotOptimize(entries);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * entries));
    state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_ScanTree)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer: find reading the same entries with their sizes and times.
void BM_ScanTreeFind(benchmark::State& state) {
    const std::string& tree = Inputs::Get().Tree();
    for (auto _ : state) bench::RunPeer({"find", tree, "-mindepth", "1", "-printf", "%s %T@\n"});
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 22000);
}
BENCHMARK(BM_ScanTreeFind)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Crc32File(benchmark::State& state) {
    const std::string& path = Inputs::Get().Left();
    for (auto _ : state) benchmark::DoNotOptimize(corvatine::ComputeFileCrc(path));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kContentBytes));
}
BENCHMARK(BM_Crc32File)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer: zlib's crc32 over the same bytes already in memory.
void BM_Crc32ZlibRaw(benchmark::State& state) {
    const std::vector<unsigned char>& bytes = Inputs::Get().Bytes();
    for (auto _ : state) benchmark::DoNotOptimize(::crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kContentBytes));
}
BENCHMARK(BM_Crc32ZlibRaw)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BinaryMethod(benchmark::State& state) {
    Inputs& inputs = Inputs::Get();
    inputs.Left();
    for (auto _ : state)
        if (corvatine::CompareFilesBinary(inputs.Left(), inputs.Right(), kContentBytes, kContentBytes) !=
            corvatine::CONTENT_EQUAL)
            std::abort();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kContentBytes));
}
BENCHMARK(BM_BinaryMethod)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer: cmp on the same equal pair (both files read to the end).
void BM_BinaryCmp(benchmark::State& state) {
    Inputs& inputs = Inputs::Get();
    inputs.Left();  // made before the timing
    for (auto _ : state)
        if (bench::RunPeer({"cmp", "-s", inputs.Left(), inputs.Right()}) != 0) std::abort();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kContentBytes));
}
BENCHMARK(BM_BinaryCmp)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
