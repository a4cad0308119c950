// "corvatine /t:binary LEFT RIGHT", the hex dump and search of "-e FILE",
// and "--watch".
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Json = nlohmann::json;

TEST(BinaryTest, RangesJsonAndExitStatus) {
    test::TempDir dir;
    dir.WriteFile("a.bin", std::string("ab\0def", 6));
    dir.WriteFile("b.bin", std::string("abXdefgh", 8));
    test::ProgramResult result =
        test::RunCorvatine({"a.bin", "b.bin"}, dir.Path());  // binary by their content
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out,
              "00000002-00000003 different\n00000006-00000008 right-only\n"
              "2 ranges, 3 bytes differ; left 6 bytes, right 8 bytes\n");

    result = test::RunCorvatine({"--format=json", "-c", "/t:binary", "a.bin", "b.bin"}, dir.Path());
    ASSERT_EQ(result.exitStatus, 1) << result.err;
    const Json json = Json::parse(result.out);
    EXPECT_EQ(json["state"], 4);
    EXPECT_EQ(json["leftSize"], 6);
    EXPECT_EQ(json["rightSize"], 8);
    EXPECT_EQ(json["ranges"], Json::parse("[[2, 3, 2], [6, 8, 8]]"));

    result = test::RunCorvatine({"-c", "/t:binary", "a.bin", "a.bin"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out, "identical: 6 bytes\n");
    dir.WriteFile("empty", "");
    result = test::RunCorvatine({"-c", "/t:b", "empty", "a.bin"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out,
              "00000000-00000006 right-only\n1 range, 6 bytes differ; left 0 bytes, right 6 bytes\n");
    result = test::RunCorvatine({"--format=tree", "-c", "/t:b", "empty", "a.bin"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("ranges or json"), std::string::npos);
}

// Where two long outputs part: empty when they are equal, else the first
// line that differs (a diff of the whole texts would be too large to show).
std::string FirstDifference(const std::string& actual, const std::string& expected) {
    if (actual == expected) return "";
    std::istringstream a(actual), e(expected);
    std::string lineA, lineE;
    for (int line = 1;; ++line) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA));
        const bool moreE = static_cast<bool>(std::getline(e, lineE));
        if (!moreA || !moreE || lineA != lineE)
            return "line " + std::to_string(line) + ": \"" + (moreA ? lineA : "(end)") + "\" instead of \"" +
                   (moreE ? lineE : "(end)") + "\"";
    }
}

// Ranges are printed as they are found: tens of thousands of them, a run
// across the block the files are read in, and offsets past eight hex digits.
TEST(BinaryTest, EveryRangeIsPrintedAsItIsFound) {
    test::TempDir dir;
    std::string a(300000, '\0'), b;
    for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<char>(i % 251);
    b = a;
    std::string expected;
    int ranges = 0;
    char line[64];
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    const auto change = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) b[i] = static_cast<char>(b[i] ^ 0x55);
        std::snprintf(line, sizeof line, "%08zX-%08zX different\n", from, to);
        expected += line;
        list.push_back({from, to, 2});
        ++ranges;
    };
    for (size_t at = 0; at < 200000; at += 3) change(at, at + 1);
    change(262140, 262150);
    change(299999, 300000);
    expected += std::to_string(ranges) + " ranges, " + std::to_string(ranges + 9) +
                " bytes differ; left 300000 bytes, right 300000 bytes\n";
    dir.WriteFile("a.bin", a);
    dir.WriteFile("b.bin", b);
    test::ProgramResult result = test::RunCorvatine({"-c", "/t:binary", "a.bin", "b.bin"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(FirstDifference(result.out, expected), "");
    // The JSON text as the program lays out every object.
    result = test::RunCorvatine({"--format=json", "-c", "/t:binary", "a.bin", "b.bin"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    nlohmann::ordered_json json{{"state", 4}, {"leftSize", 300000}, {"rightSize", 300000}, {"ranges", list}};
    EXPECT_EQ(FirstDifference(result.out, json.dump(2) + "\n"), "");
    result = test::RunCorvatine({"--format=json", "-c", "/t:binary", "a.bin", "a.bin"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    json["state"] = 1;
    json["ranges"] = nlohmann::ordered_json::array();
    EXPECT_EQ(result.out, json.dump(2) + "\n");

    // Sparse: nothing of these 4 GiB is written, and none of it is read.
    const std::string big = dir.WriteFile("big", "");
    ASSERT_EQ(::truncate(big.c_str(), 0x100000001), 0);
    dir.WriteFile("empty", "");
    result = test::RunCorvatine({"-c", "/t:binary", "empty", "big"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out,
              "00000000-100000001 right-only\n"
              "1 range, 4294967297 bytes differ; left 0 bytes, right 4294967297 bytes\n");
    result = test::RunCorvatine({"-c", "/t:binary", "big", "empty"}, dir.Path());
    EXPECT_EQ(result.out,
              "00000000-100000001 left-only\n"
              "1 range, 4294967297 bytes differ; left 4294967297 bytes, right 0 bytes\n");
}

TEST(BinaryTest, HexDumpAndSearch) {
    test::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 20; ++i) bytes += static_cast<char>(0x41 + i);
    bytes += std::string("\0\x01", 2);
    dir.WriteFile("f.bin", bytes);
    test::ProgramResult result = test::RunCorvatine({"-e", "f.bin"}, dir.Path());
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const std::string first =
        "00000000  41 42 43 44  45 46 47 48  49 4A 4B 4C  4D 4E 4F 50  ABCDEFGHIJKLMNOP\n";
    ASSERT_EQ(result.out.substr(0, first.size()), first);
    const std::string second = result.out.substr(first.size());
    EXPECT_EQ(second.rfind("00000010  51 52 53 54  00 01 ", 0), 0u) << second;
    EXPECT_EQ(second.find("QRST..\n"), first.find("ABCD")) << second;  // the characters in one column

    // Rows and groups come from the hex editor's settings.
    test::TempDir config;
    config.WriteFile(
        "registry.reg",
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Components\\BinaryEditor\\Settings]\r\n"
        "\"RowSize\"=dword:00000008\r\n\"GroupSize\"=dword:00000002\r\n\"ShowUppercase\"=dword:00000000\r\n"
        "\"ShowCharacterArea\"=dword:00000000\r\n");
    result = test::RunCorvatine({"-e", "f.bin", "--format=hex"}, dir.Path(),
                                {"CORVATINE_CONFIG_DIR=" + config.Path()});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, 37), "00000000  41 42  43 44  45 46  47 48\n");
    EXPECT_NE(result.out.find("00000010  51 52  53 54  00 01\n"), std::string::npos) << result.out;

    result = test::RunCorvatine({"-e", "f.bin", "--find==CD"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "00000002\n");
    result = test::RunCorvatine({"-e", "f.bin", "--find=~cd"}, dir.Path());
    EXPECT_EQ(result.out, "00000002\n");
    dir.WriteFile("g.bin", std::string("xyxyx\0", 6));
    result = test::RunCorvatine({"-e", "g.bin", "--find=78 79"}, dir.Path());
    EXPECT_EQ(result.out, "00000000\n00000002\n");
    result = test::RunCorvatine({"-e", "g.bin", "--find==zz"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find("Search text not found (forward search)"), std::string::npos) << result.err;
    result = test::RunCorvatine({"-e", "missing.bin", "--format=hex"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("missing.bin"), std::string::npos);
}

// The corvatine process this test process started, or 0 while there is none.
pid_t RunningCorvatine() {
    const std::filesystem::path program = std::filesystem::canonical(test::CorvatineProgram());
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // pid (command) state ppid ...
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(line.substr(close + 1));
        std::string state;
        pid_t parent = 0;
        fields >> state >> parent;
        if (parent != ::getpid() || state == "Z") continue;
        if (std::filesystem::read_symlink(entry.path() / "exe", error) == program) return std::stoi(name);
    }
    return 0;
}

// The bytes a process has read so far; -1 when it is gone.
int64_t BytesRead(pid_t pid) {
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    for (std::string word; io >> word;) {
        int64_t value = 0;
        if (io >> value && word == "rchar:") return value;
    }
    return -1;
}

// A file that shrinks while the worker compares it is told, with exit
// status 2, and nothing is printed as the result; never "identical" with the
// sizes it had. The files are sparse: nothing of their 5 GiB is written.
TEST(BinaryTest, AFileThatShrinksWhileComparedIsTold) {
    test::TempDir dir;
    const int64_t size = int64_t{5} << 30;
    for (const char* name : {"big1", "big2"}) ASSERT_EQ(::truncate(dir.WriteFile(name, "").c_str(), size), 0);
    test::ProgramResult result;
    std::thread run([&] { result = test::RunCorvatine({"-c", "/t:b", "big1", "big2"}, dir.Path()); });
    // Once the comparison has read 16 MiB it is under way (its worker runs
    // at the lowest priority, so it cannot outrun this thread to the end).
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    pid_t pid = 0;
    int64_t read = 0;
    while (std::chrono::steady_clock::now() < end && read < (16 << 20)) {
        if (pid == 0) pid = RunningCorvatine();
        if (pid != 0 && (read = BytesRead(pid)) < 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const bool truncated = read >= (16 << 20) && ::truncate((dir / "big2").c_str(), 4096) == 0;
    run.join();
    ASSERT_TRUE(truncated) << "read " << read << ": " << result.err;
    EXPECT_EQ(result.exitStatus, 2) << result.out;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "corvatine: 'big2' changed while being compared\n");
}

// --watch keeps the program running and compares again after a change.
TEST(BinaryTest, WatchComparesAgainAfterAChange) {
    test::TempDir dir;
    dir.WriteFile("x1", "ab");
    dir.WriteFile("x2", "ac");
    dir.WriteFile("t1", "one\n");
    dir.WriteFile("t2", "two\n");
    const std::string script =
        "\"$0\" --watch -c /t:b x1 x2 > bout 2>&1 & b=$!; "
        "\"$0\" --watch --format=json t1 t2 > tout 2>&1 & t=$!; "
        "sleep 1; printf ac > x1; printf 'two\\n' > t1; sleep 1.5; kill $b $t; wait";
    const test::ProgramResult result =
        test::RunProgram("/bin/sh", {"-c", script, test::CorvatineProgram()}, {}, dir.Path());
    EXPECT_EQ(test::ReadFile(dir / "bout"),
              "00000001-00000002 different\n"
              "1 range, 1 bytes differ; left 2 bytes, right 2 bytes\n"
              "identical: 2 bytes\n");
    const std::string text = test::ReadFile(dir / "tout");
    EXPECT_NE(text.find("\"identical\": false"), std::string::npos) << text;
    EXPECT_NE(text.find("\"identical\": true"), std::string::npos) << text;
}

}  // namespace
}  // namespace corvatine
