// Generated command lines, split into arguments by a real shell and parsed
// again, must reproduce the request they came from.
#include <gtest/gtest.h>

#include <random>

#include "foldercompare/FolderCompareOptions.h"
#include "launch/CommandLine.h"
#include "platform/LocalTime.h"
#include "request/CompareParams.h"
#include "support/TestSupport.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

// The arguments a POSIX shell makes of a command line (without the program).
std::vector<std::string> ShellSplit(const std::string& line) {
    const test::ProgramResult result =
        test::RunProgram("/bin/sh", {"-c", "for a in " + line + "; do printf '%s\\0' \"$a\"; done"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    std::vector<std::string> arguments;
    size_t pos = 0;
    while (pos < result.out.size()) {
        const size_t end = result.out.find('\0', pos);
        arguments.push_back(result.out.substr(pos, end - pos));
        pos = end + 1;
    }
    return arguments;
}

std::unique_ptr<CCompareParams> Reparse(const CCompareParams& request, bool abbreviated,
                                        const CommandLineSettings& settings) {
    const std::string line = request.GetCommandLine(false, abbreviated);
    EXPECT_EQ(line.compare(0, 10, "corvatine "), 0) << line;
    CCommandLine commandLine;
    commandLine.Parse(ShellSplit(line.substr(10)), settings);
    EXPECT_EQ(commandLine.action, CCommandLine::ACTION_COMPARE) << line;
    return commandLine.BuildRequest();
}

class RoundTripTest : public ::testing::Test {
protected:
    // The run's settings that the lines are read with.
    CTextComparer textSettings;
    CFolderComparer folderSettings;
    CommandLineSettings settings = CommandLineSettings::Of(textSettings, folderSettings);

    std::mt19937 random{20261209};

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

    // Names with blanks and the characters patterns use, but nothing the
    // shell expands inside double quotes.
    std::string Name() {
        static const char* const pieces[] = {"a", "B c", "d-e", "f.g", "h_i", "J", "k+l", "m,n", "o(p)"};
        std::string name;
        for (int i = 0, n = 1 + Pick(3); i < n; ++i) name += pieces[Pick(9)];
        return name;
    }

    std::string Patterns() {
        static const char* const patterns[] = {"*.cpp",   "*.H",         "a?c", "[a-c]*",
                                               "*_old.*", "with space*", ".svn"};
        std::string list;
        for (int i = 0, n = 1 + Pick(3); i < n; ++i) list += (i ? ";" : "") + std::string(patterns[Pick(7)]);
        return list;
    }

    int64_t Day() {
        int64_t t = 0;
        EXPECT_TRUE(platform::LocalMidnight(1990 + Pick(40), 1 + Pick(12), 1 + Pick(28), t));
        return t;
    }

    uint32_t Bits(const std::vector<uint32_t>& bits) {
        uint32_t word = 0;
        while (word == 0)
            for (uint32_t bit : bits)
                if (Pick(2)) word |= bit;
        return word;
    }

    void Sides(CCompareParams& request, const std::string& left, const std::string& right) {
        request.sides[0].path = left;
        request.sides[1].path = right;
        request.sides[0].flags = Pick(2) ? SIDE_READ_ONLY : 0;
        request.sides[1].flags = Pick(2) ? SIDE_READ_ONLY : 0;
    }

    void ExpectRoundTrip(const CCompareParams& request) {
        for (bool abbreviated : {true, false}) {
            const auto parsed = Reparse(request, abbreviated, settings);
            EXPECT_TRUE(parsed->Equals(request))
                << request.GetCommandLine(false, abbreviated) << "\nreads back as\n"
                << parsed->GetCommandLine(false, abbreviated);
            // The arguments are what a shell makes of the command line.
            const std::string line = request.GetCommandLine(false, abbreviated);
            EXPECT_EQ(request.GetArguments(abbreviated), ShellSplit(line.substr(10))) << line;
        }
    }

    test::TempDir dir;
};

TEST_F(RoundTripTest, TextRequests) {
    for (int i = 0; i < 40; ++i) {
        CTextCompareParams request;
        Sides(request, dir.WriteFile("t" + std::to_string(i) + " " + Name() + ".txt", "x\n"),
              dir.WriteFile(Name() + std::to_string(i) + ".c", "y\n"));
        request.rules = Bits({0x1, 0x2, 0x4, 0x8, 0x10, 0x10000, 0x20000, 0x40000, 0x80000, 0x100000});
        static const char* const filters[] = {"", "^#", "^\\s*// TODO", "a b  c", "x\\|y", "[0-9]+ apples"};
        request.lineFilter = filters[Pick(6)];
        ExpectRoundTrip(request);
    }
}

TEST_F(RoundTripTest, EveryRuleWordAlone) {
    const std::string a = dir.WriteFile("a.txt", "x\n"), b = dir.WriteFile("b.txt", "y\n");
    for (uint32_t bit = 1; bit != 0; bit <<= 1) {
        if ((bit & kAllTextRules) == 0) continue;
        CTextCompareParams request;
        request.sides[0].path = a;
        request.sides[1].path = b;
        request.rules = bit;
        ExpectRoundTrip(request);
    }
}

TEST_F(RoundTripTest, BinaryRequests) {
    for (int i = 0; i < 10; ++i) {
        CBinaryCompareParams request;
        Sides(request, dir / ("missing " + Name()),
              dir.WriteFile(Name() + std::to_string(i) + ".bin", "\x01"));
        ExpectRoundTrip(request);
    }
}

TEST_F(RoundTripTest, FolderRequests) {
    test::ScopedEnv tz("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    for (int i = 0; i < 40; ++i) {
        CFolderCompareParams request;
        Sides(request, dir.MakeFolder("l" + std::to_string(i) + " " + Name()),
              dir.MakeFolder("r" + std::to_string(i) + Name()));
        request.methods = Bits({0x1, 0x10, 0x100, 0x1000, 0x10000, 0x100000, 0x200000, 0x400000});
        request.options = Pick(2) ? 0x2 : 0;
        CFileFilters& f = request.filters.fileFilters;
        if (Pick(2)) f.nameInclude = Patterns();
        if (Pick(2)) f.nameExclude = Patterns();
        if (Pick(2)) f.timeFrom = Day();
        if (Pick(2)) f.timeTo = Day();
        if (Pick(2)) f.sizeMin = static_cast<uint64_t>(Pick(1 << 30)) * 1024 + 1;
        if (Pick(2)) f.sizeMax = static_cast<uint64_t>(Pick(1 << 30)) << 20;
        if (Pick(2)) f.attributesExclude = Bits({0x1, 0x2, 0x4, 0x20});
        if (Pick(2)) f.typeExclude = Bits({0x1, 0x2, 0x4});
        CFolderFilters& d = request.filters.folderFilters;
        if (Pick(2)) d.nameInclude = Patterns();
        if (Pick(2)) d.nameExclude = Patterns();
        if (Pick(2)) d.attributesExclude = Bits({0x1, 0x2, 0x4, 0x20});
        ExpectRoundTrip(request);
    }
}

TEST_F(RoundTripTest, WhatTheLineCannotCarryComesFromTheSettings) {
    // A rule word of 0 writes no rule group, so the reader falls back to the
    // global rules: the one request the line cannot reproduce.
    const std::string a = dir.WriteFile("a.txt", "x\n"), b = dir.WriteFile("b.txt", "y\n");
    CTextCompareParams request;
    request.sides[0].path = a;
    request.sides[1].path = b;
    request.rules = 0;
    textSettings.rules = 0x30000;  // not the built-in rules, which the reader would take without them
    const auto parsed = Reparse(request, true, settings);
    EXPECT_EQ(static_cast<CTextCompareParams&>(*parsed).rules, textSettings.rules);
}

}  // namespace
}  // namespace corvatine
