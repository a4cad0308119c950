// Start-up work: the file-kind test on a large file (it reads the whole file
// when no zero byte occurs) and parsing a long command line.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fileio/ContentType.h"
#include "launch/CommandLine.h"
#include "launch/Components.h"

namespace {

std::string MakeTextFile(size_t megabytes) {
    char name[] = "/tmp/corvatine-bench-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) std::abort();
    ::close(fd);
    std::ofstream out(name, std::ios::binary);
    const std::string line = "The quick brown fox jumps over the lazy dog; 0123456789 ABCDEFGHIJKLM\n";
    std::string block;
    while (block.size() < (1u << 20)) block += line;
    block.resize(1u << 20);
    for (size_t i = 0; i < megabytes; ++i)
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    return name;
}

void BM_ContentTypeOfTextFile(benchmark::State& state) {
    const size_t megabytes = static_cast<size_t>(state.range(0));
    const std::string path = MakeTextFile(megabytes);
    for (auto _ : state) benchmark::DoNotOptimize(corvatine::DetermineContentType(path));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(megabytes << 20));
    std::remove(path.c_str());
}
BENCHMARK(BM_ContentTypeOfTextFile)->Arg(256)->Unit(benchmark::kMillisecond);

void BM_ParseFolderCommandLine(benchmark::State& state) {
    const std::vector<std::string> arguments = {
        "-c",
        "/t:f",
        "/m:time|size|crc",
        "/ff:ni=*.cpp;*.h|ne=*_old.*|tf=01-15-2007|si=10|ae=rash|te=t;b",
        "/df:ni=src|ne=.svn",
        "/o:asf",
        "/tmp",
        "/"};
    corvatine::CComponents settings;
    for (auto _ : state) {
        corvatine::CCommandLine commandLine;
        commandLine.Parse(arguments, settings.ForCommandLine());
        benchmark::DoNotOptimize(commandLine.BuildRequest()->GetCommandLine(false, true));
    }
}
BENCHMARK(BM_ParseFolderCommandLine);

}  // namespace
