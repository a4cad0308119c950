// GNU diff with its speed heuristic (-H) runs the same algorithm with the
// same clean-ups: on random inputs the engine's sections must be exactly its
// hunks in the normal format.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "support/TestSupport.h"
#include "textcompare/TextCompare.h"

namespace corvatine {
namespace {

std::string Range(int first, int last) {
    return first == last ? std::to_string(first) : std::to_string(first) + "," + std::to_string(last);
}

// The sections as the normal format of diff writes its hunks.
std::vector<std::string> NormalHunks(const std::vector<TEXTSECTION>& sections) {
    std::vector<std::string> hunks;
    for (const TEXTSECTION& s : sections) {
        if (s.kind == SECTION_IGNORABLE) continue;  // diff -B and -I leave these out
        const bool noLeft = s.leftLast < s.leftFirst, noRight = s.rightLast < s.rightFirst;
        if (noLeft)
            hunks.push_back(std::to_string(s.leftFirst) + "a" + Range(s.rightFirst + 1, s.rightLast + 1));
        else if (noRight)
            hunks.push_back(Range(s.leftFirst + 1, s.leftLast + 1) + "d" + std::to_string(s.rightFirst));
        else
            hunks.push_back(Range(s.leftFirst + 1, s.leftLast + 1) + "c" +
                            Range(s.rightFirst + 1, s.rightLast + 1));
    }
    return hunks;
}

class DiffOracleTest : public ::testing::Test {
protected:
    std::vector<std::string> DiffHunks(const std::string& a, const std::string& b, const std::string& flag) {
        const std::string left = dir.WriteFile("left", a), right = dir.WriteFile("right", b);
        std::vector<std::string> arguments = {"-H", "--tabsize=4"};
        for (size_t from = 0; from < flag.size();) {
            const size_t blank = std::min(flag.find(' ', from), flag.size());
            arguments.push_back(flag.substr(from, blank - from));
            from = blank + 1;
        }
        arguments.push_back(left);
        arguments.push_back(right);
        const test::ProgramResult result = test::RunProgram("/usr/bin/diff", arguments);
        EXPECT_LE(result.exitStatus, 1) << result.err;
        std::vector<std::string> hunks;
        size_t pos = 0;
        while (pos < result.out.size()) {
            const size_t end = result.out.find('\n', pos);
            const std::string line = result.out.substr(pos, end - pos);
            if (!line.empty() && line[0] >= '0' && line[0] <= '9') hunks.push_back(line);
            pos = end == std::string::npos ? result.out.size() : end + 1;
        }
        return hunks;
    }

    std::vector<std::string> EngineHunks(const std::string& a, const std::string& b, const std::string& flag,
                                         int tooExpensive = 256) {
        CTextCompare engine;
        engine.tooExpensiveMinimum = tooExpensive;
        // One option, or white space with blank lines ("-w -B").
        const auto has = [&](const char* option) {
            return flag == option || flag.rfind(std::string(option) + " ", 0) == 0;
        };
        if (has("-w")) engine.whiteSpaceMode = WHITESPACE_ALL;
        if (has("-b")) engine.whiteSpaceMode = WHITESPACE_AMOUNT;
        if (has("-E")) engine.whiteSpaceMode = WHITESPACE_TAB_EXPANSION;
        if (has("-i")) engine.ignoreCase = true;
        if (has("-B") || flag.find(" -B") != std::string::npos) engine.ignoreBlankLines = true;
        std::unique_ptr<CLineFilter> filter;
        if (flag.rfind("-I", 0) == 0) {
            filter = std::make_unique<CLineFilter>(flag.substr(2));
            engine.lineFilter = filter.get();
        }
        CTextSectionCollector sink;
        engine.Run(a.data(), a.size(), b.data(), b.size(), sink);
        return NormalHunks(sink.sections);
    }

    std::string Join(const std::vector<std::string>& lines, bool finalEnding) {
        std::string text;
        for (size_t i = 0; i < lines.size(); ++i)
            text += lines[i] + (i + 1 < lines.size() || finalEnding ? "\n" : "");
        return text;
    }

    std::mt19937 random{1209};
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
    test::TempDir dir;
};

TEST_F(DiffOracleTest, SmallInputsWithEveryRule) {
    static const char* const alphabet[] = {"a",     "b",   "c",  "",   "a b",  "a  b", "A", "\tx",
                                           "    x", "  x", " a", "a ", "x\ty", "B",    "#c"};
    static const char* const flags[] = {"", "-w", "-b", "-E", "-i", "-B", "-I^#", "-w -B", "-b -B", "-E -B"};
    int compared = 0;
    for (int round = 0; round < 300; ++round) {
        const int letters = 2 + Pick(14);
        std::vector<std::string> a;
        for (int i = 0, n = Pick(30); i < n; ++i) a.push_back(alphabet[Pick(letters)]);
        std::vector<std::string> b = a;
        for (int k = 0, edits = Pick(7); k < edits; ++k) {
            const int op = Pick(3);
            if (op == 0 || b.empty())
                b.insert(b.begin() + Pick(static_cast<int>(b.size()) + 1), alphabet[Pick(15)]);
            else if (op == 1)
                b.erase(b.begin() + Pick(static_cast<int>(b.size())));
            else
                b[static_cast<size_t>(Pick(static_cast<int>(b.size())))] = alphabet[Pick(15)];
        }
        const std::string left = Join(a, Pick(10) > 0), right = Join(b, Pick(10) > 0);
        const std::string flag = flags[Pick(10)];
        EXPECT_EQ(EngineHunks(left, right, flag), DiffHunks(left, right, flag))
            << "flag '" << flag << "'\nleft:\n"
            << left << "\nright:\n"
            << right;
        ++compared;
    }
    EXPECT_EQ(compared, 300);
}

TEST_F(DiffOracleTest, LongInputsWithScatteredChanges) {
    for (int round = 0; round < 12; ++round) {
        const int n = 1000 + Pick(3000);
        const int kinds = std::vector<int>{5, 50, 5000}[static_cast<size_t>(Pick(3))];
        std::vector<std::string> a;
        for (int i = 0; i < n; ++i) a.push_back("line " + std::to_string(Pick(kinds)));
        std::vector<std::string> b = a;
        for (int k = 0, edits = n / 50; k < edits; ++k) {
            const int at = Pick(static_cast<int>(b.size()));
            if (k % 3 == 0)
                b.insert(b.begin() + at, "new " + std::to_string(Pick(kinds)));
            else if (k % 3 == 1)
                b.erase(b.begin() + at);
            else
                b[static_cast<size_t>(at)] = "changed " + std::to_string(Pick(kinds));
        }
        const std::string left = Join(a, true), right = Join(b, true);
        EXPECT_EQ(EngineHunks(left, right, ""), DiffHunks(left, right, "")) << "round " << round;
    }
}

// Sides that share few lines make more classes than the table of classes
// starts with room for: it grows while the lines are placed.
TEST_F(DiffOracleTest, SidesThatShareFewLinesGrowTheTableOfClasses) {
    for (const int shareEvery : {0, 7, 100}) {
        std::vector<std::string> a, b;
        for (int i = 0; i < 3000; ++i) {
            const bool shared = shareEvery > 0 && i % shareEvery == 0;
            a.push_back(shared ? "shared " + std::to_string(i) : "left " + std::to_string(i));
            b.push_back(shared ? "shared " + std::to_string(i) : "right " + std::to_string(i));
        }
        const std::string left = Join(a, true), right = Join(b, true);
        const std::vector<std::string> expected = DiffHunks(left, right, "");
        EXPECT_EQ(EngineHunks(left, right, ""), expected) << "shared every " << shareEvery;
        EXPECT_EQ(EngineHunks(left, right, "-i"), DiffHunks(left, right, "-i"))
            << "shared every " << shareEvery;
    }
}

// Where the edit cost passes 256 the engine gives up its search where GNU
// diff, since version 3.4, still searches on to 4096: with that one
// threshold the same, the results are the same again.
TEST_F(DiffOracleTest, HeavyChangesDifferOnlyByTheTooExpensiveThreshold) {
    int differing = 0;
    for (int round = 0; round < 6; ++round) {
        std::vector<std::string> a;
        for (int i = 0; i < 4000; ++i) a.push_back("L" + std::to_string(Pick(10)));
        std::vector<std::string> b = a;
        for (int k = 0; k < 1200; ++k) {
            const int at = Pick(static_cast<int>(b.size()));
            if (k % 3 == 0)
                b.insert(b.begin() + at, "L" + std::to_string(Pick(10)));
            else if (k % 3 == 1)
                b.erase(b.begin() + at);
            else
                b[static_cast<size_t>(at)] = "L" + std::to_string(Pick(10));
        }
        const std::string left = Join(a, true), right = Join(b, true);
        const std::vector<std::string> expected = DiffHunks(left, right, "");
        EXPECT_EQ(EngineHunks(left, right, "", 4096), expected) << "round " << round;
        if (EngineHunks(left, right, "") != expected) ++differing;
    }
    EXPECT_GT(differing, 0) << "these inputs are meant to pass the threshold of 256";
}

}  // namespace
}  // namespace corvatine
