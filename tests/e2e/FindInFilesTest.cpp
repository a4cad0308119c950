// "corvatine --find-in-files=TEXT DIR": the nodes it prints in each format,
// its hits against grep -rn, what it passes over, long lines, Ctrl+C, and
// the mistakes it refuses.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <vector>

#include "support/ScopedModes.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Json = nlohmann::ordered_json;

std::vector<std::string> SortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string WithoutReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

TEST(FindInFilesCommandTest, PrintsTheNodesIndentedByTheirDepth) {
    test::TempDir dir;
    dir.WriteFile("src/main.cpp", "int main() {\n  return Run();\n}\n");
    dir.WriteFile("src/run.h", "int Run();  // run it\n");
    dir.WriteFile("src/notes.txt", "Run\n");
    dir.WriteFile("src/sub/deep.cpp", "void f() { Run(); }");
    const test::ProgramResult result = test::RunCorvatine(
        {"--find-in-files=Run()", "--types=*.cpp;*.h", "--subfolders", "--match-case", "src"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              "Searching for \"Run()\" in src ...\n"
              "  src/main.cpp\n"
              "    (   2):   return Run();\n"
              "  src/run.h\n"
              "    (   1): int Run();  // run it\n"
              "  src/sub/deep.cpp\n"
              "    (   1): void f() { Run(); }\n"
              "  3 occurrence(s) have been found.\n");

    const test::ProgramResult none = test::RunCorvatine({"--find-in-files=Walk", "src"}, dir.Path());
    EXPECT_EQ(none.exitStatus, 1) << none.err;
    EXPECT_EQ(none.out,
              "Searching for \"Walk\" in src ...\n"
              "  Cannot find the string \"Walk\".\n");
}

TEST(FindInFilesCommandTest, GrepAndJsonFormats) {
    test::TempDir dir;
    dir.WriteFile("d/a.txt", "x\r\nfind me\r\nfind: me too");
    const test::ProgramResult grep =
        test::RunCorvatine({"--find-in-files=FIND", "--format=grep", "d"}, dir.Path());
    EXPECT_EQ(grep.exitStatus, 0) << grep.err;
    EXPECT_EQ(grep.out,
              "d/a.txt:2:find me\n"
              "d/a.txt:3:find: me too\n");

    const test::ProgramResult json =
        test::RunCorvatine({"--find-in-files=find", "--format=json", "--match-case", "d"}, dir.Path());
    EXPECT_EQ(json.exitStatus, 0) << json.err;
    EXPECT_EQ(Json::parse(json.out), Json::parse(R"({
        "search": "Searching for \"find\" in d ...",
        "files": [{"path": "d/a.txt", "lines": [{"line": 2, "text": "(   2): find me\n"},
                                                {"line": 3, "text": "(   3): find: me too"}]}],
        "summary": "2 occurrence(s) have been found.\n",
        "occurrences": 2,
        "canceled": false})"));

    const test::ProgramResult quiet =
        test::RunCorvatine({"--find-in-files=find", "--quiet", "d"}, dir.Path());
    EXPECT_EQ(quiet.exitStatus, 0);
    EXPECT_EQ(quiet.out, "");
    const test::ProgramResult nothing =
        test::RunCorvatine({"--find-in-files=lost", "--format=json", "d"}, dir.Path());
    EXPECT_EQ(nothing.exitStatus, 1);
    EXPECT_EQ(Json::parse(nothing.out)["files"], Json::array());
}

// A tree of text files, some with CR LF line endings and one without a last
// line feed: the hits are grep's, once grep's carriage returns are dropped.
TEST(FindInFilesCommandTest, FindsWhatGrepFinds) {
    test::TempDir dir;
    std::mt19937 random(23);
    const char* words[] = {"alpha", "beta", "gamma", "Needle", "needle", "NEEDLE", "need",    "le",
                           " ",     "\t",   "x",     "(",      ")",      ";",      "nee dle", "needleneedle"};
    size_t total = 0;
    for (int file = 0; file < 60; ++file) {
        std::string bytes;
        const bool crlf = file % 4 == 0;
        const int lines = 20 + static_cast<int>(random() % 200);
        for (int line = 0; line < lines; ++line) {
            const int count = static_cast<int>(random() % 12);
            for (int i = 0; i < count; ++i) bytes += words[random() % (sizeof words / sizeof *words)];
            if (file % 7 != 3 || line + 1 < lines) bytes += crlf ? "\r\n" : "\n";
        }
        total += bytes.size();
        dir.WriteFile("tree/" + std::to_string(file % 5) + "/" + std::to_string(file % 3) + "/f" +
                          std::to_string(file) + (file % 2 ? ".cpp" : ".h"),
                      bytes);
    }
    ASSERT_LT(total, 400000u);
    for (const bool matchCase : {true, false}) {
        std::vector<std::string> ours = {"--find-in-files=needle", "--subfolders", "--format=grep", "tree"};
        if (matchCase) ours.insert(ours.begin() + 1, "--match-case");
        const test::ProgramResult found = test::RunCorvatine(ours, dir.Path());
        const test::ProgramResult grep =
            test::RunProgram("/bin/sh", {"-c", matchCase ? "grep -rn needle tree" : "grep -rni needle tree"},
                             {"LC_ALL=C"}, dir.Path());
        ASSERT_EQ(grep.exitStatus, 0) << grep.err;
        EXPECT_EQ(found.exitStatus, 0) << found.err;
        EXPECT_EQ(found.err, "");
        const std::vector<std::string> lines = SortedLines(found.out);
        EXPECT_GT(lines.size(), 100u);
        EXPECT_EQ(lines, SortedLines(WithoutReturns(grep.out))) << "match case " << matchCase;
    }
}

// Root is bound by no permission: these run as an ordinary user.
TEST(FindInFilesCommandTest, FilesAndFoldersThatCannotBeReadArePassedOverSilently) {
    if (!test::CanRunAsOrdinaryUser()) GTEST_SKIP() << "no ordinary user to run as";
    test::TempDir dir;
    dir.WriteFile("d/open.txt", "needle\n");
    dir.WriteFile("d/locked.txt", "needle\n");
    dir.WriteFile("d/closed/inside.txt", "needle\n");
    dir.WriteFile("d/sub/below.txt", "needle\n");
    dir.OpenToAll();
    test::ScopedModes modes;
    modes.Set(dir / "d/locked.txt", 0);
    modes.Set(dir / "d/closed", 0);
    const test::ProgramResult result = test::RunCorvatineAsOrdinaryUser(
        {"--find-in-files=needle", "--subfolders", "--format=grep", "d"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(SortedLines(result.out),
              (std::vector<std::string>{"d/open.txt:1:needle", "d/sub/below.txt:1:needle"}));

    // The folder named itself is told.
    const test::ProgramResult closed =
        test::RunCorvatineAsOrdinaryUser({"--find-in-files=needle", "d/closed"}, dir.Path());
    EXPECT_EQ(closed.exitStatus, 2);
    EXPECT_EQ(closed.out, "");
    EXPECT_EQ(closed.err, "corvatine: cannot search 'd/closed': Permission denied\n");
}

// A file without line feeds is taken in lines of 65,535 bytes. (A file of
// 100 MB is run by bench/findinfiles_bench.py; a few hundred KB do here.)
TEST(FindInFilesCommandTest, AFileWithoutLineFeedsIsCutEvery65535Bytes) {
    test::TempDir dir;
    std::string bytes(300000, 'x');
    bytes.replace(70000, 6, "needle");   // line 2
    bytes.replace(200000, 6, "needle");  // line 4
    bytes.replace(65532, 6, "needle");   // across the first cut: no hit
    dir.WriteFile("d/long.txt", bytes);
    const test::ProgramResult result =
        test::RunCorvatine({"--find-in-files=needle", "--format=grep", "d"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "d/long.txt:2:" + bytes.substr(65535, 65535) +
                              "\nd/long.txt:4:" + bytes.substr(3 * 65535, 65535) + "\n");

    dir.WriteFile("e/long.txt", bytes.substr(0, 70000));
    const test::ProgramResult across = test::RunCorvatine({"--find-in-files=needle", "e"}, dir.Path());
    EXPECT_EQ(across.exitStatus, 1) << across.err;
}

// The program run with its output into a pipe that is read on only after
// Ctrl+C: the search cannot end before it.
test::ProgramResult RunInterrupted(const std::vector<std::string>& arguments, const std::string& cwd) {
    test::ProgramResult result;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return result;
    std::vector<char*> argv{const_cast<char*>(test::CorvatineProgram().c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        if (::chdir(cwd.c_str()) != 0) ::_exit(127);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    char buffer[65536];
    ssize_t n = ::read(out[0], buffer, sizeof buffer);  // the search has begun
    if (n > 0) result.out.append(buffer, static_cast<size_t>(n));
    ::usleep(200000);  // long enough for the pipe to fill
    ::kill(pid, SIGINT);
    // The program looks at Ctrl+C every 50 ms: let it ask the worker to stop
    // before the worker may write on.
    ::usleep(500000);
    while ((n = ::read(out[0], buffer, sizeof buffer)) != 0) {
        if (n > 0)
            result.out.append(buffer, static_cast<size_t>(n));
        else if (errno != EINTR)
            break;
    }
    ::close(out[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TEST(FindInFilesCommandTest, CtrlCCancelsTheSearch) {
    test::TempDir dir;
    std::string bytes;
    for (int i = 1; i <= 30000; ++i) bytes += "needle " + std::to_string(i) + "\n";
    dir.WriteFile("d/a.txt", bytes);
    dir.WriteFile("d/sub/b.txt", "needle\n");
    const test::ProgramResult result =
        RunInterrupted({"--find-in-files=needle", "--subfolders", "d"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    ASSERT_GT(result.out.size(), 100u);
    EXPECT_EQ(result.out.substr(0, 47), "Searching for \"needle\" in d ...\n  d/a.txt\n    (");
    EXPECT_EQ(result.out.substr(result.out.size() - 11), "  Canceled\n");
    const size_t hits = static_cast<size_t>(std::count(result.out.begin(), result.out.end(), '\n')) - 3;
    EXPECT_GT(hits, 0u);
    EXPECT_LT(hits, 30000u);
    EXPECT_EQ(result.out.find("d/sub/b.txt"), std::string::npos);
    // The hits printed are whole lines, the first ones in order.
    char last[64];
    std::snprintf(last, sizeof last, "    (%4zu): needle %zu\n  Canceled\n", hits, hits);
    EXPECT_EQ(result.out.substr(result.out.size() - std::strlen(last)), last);
}

TEST(FindInFilesCommandTest, AnExpressionThatIsNotWellFormedIsTrouble) {
    test::TempDir dir;
    dir.WriteFile("d/a.txt", "call f(x\nf(x)\n");
    for (const auto& [expression, reason] : {std::pair<const char*, const char*>{"f(x", "unmatched ()"},
                                             {"a**", "nested *?+"},
                                             {"[z-a]", "invalid [] range"},
                                             {"x\\", "trailing \\"}}) {
        const test::ProgramResult result = test::RunCorvatine(
            {"--find-in-files=" + std::string(expression), "--regex", "--format=grep", "d"}, dir.Path());
        EXPECT_EQ(result.exitStatus, 2) << expression;
        EXPECT_EQ(result.err, "corvatine: invalid regular expression '" + std::string(expression) +
                                  "': " + reason + "\n");
        EXPECT_EQ(result.out, "") << expression;
    }
    // Without --regex the same text is text.
    const test::ProgramResult result =
        test::RunCorvatine({"--find-in-files=f(x", "--format=grep", "d"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "d/a.txt:1:call f(x\nd/a.txt:2:f(x)\n");

    const test::ProgramResult expression =
        test::RunCorvatine({"--find-in-files=^f\\(x\\)$", "--regex", "--format=grep", "d"}, dir.Path());
    EXPECT_EQ(expression.err, "");
    EXPECT_EQ(expression.out, "d/a.txt:2:f(x)\n");
}

// A file that several of the patterns match is searched once.
TEST(FindInFilesCommandTest, AFileMatchedByTwoPatternsIsSearchedOnce) {
    test::TempDir dir;
    dir.WriteFile("d/a.c", "needle\nhay\nneedle\n");
    dir.WriteFile("d/b.h", "needle\n");
    dir.WriteFile("d/sub/c.c", "needle\n");
    const test::ProgramResult grep = test::RunProgram(
        "/usr/bin/grep", {"-rn", "--include=*.c", "--include=*.h", "needle", "d"}, {}, dir.Path());
    std::vector<std::string> expected;
    std::istringstream lines(grep.out);
    for (std::string line; std::getline(lines, line);) expected.push_back(line);
    std::sort(expected.begin(), expected.end());
    for (const char* types : {"*.c;*.c", "*.c;*.C;*.h", "*.*;*.c;a.*;*.h", "*.c;*.h;*.c;*"}) {
        const test::ProgramResult result = test::RunCorvatine(
            {"--find-in-files=needle", std::string("--types=") + types, "--subfolders", "--format=grep", "d"},
            dir.Path());
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        std::vector<std::string> ours;
        std::istringstream out(result.out);
        for (std::string line; std::getline(out, line);) ours.push_back(line);
        std::sort(ours.begin(), ours.end());
        if (std::string(types) == "*.c;*.c") {
            EXPECT_EQ(ours.size(), 3u) << types;  // a.c twice, c.c once
        } else {
            EXPECT_EQ(ours, expected) << types;
        }
    }
}

TEST(FindInFilesCommandTest, RefusesWhatItCannotDo) {
    test::TempDir dir;
    dir.WriteFile("d/a.txt", "x\n");
    struct CASE {
        std::vector<std::string> arguments;
        std::string error;
    };
    const CASE cases[] = {
        {{"--find-in-files=x", "missing"}, "corvatine: cannot search 'missing': No such file or directory\n"},
        {{"--find-in-files=x", "d/a.txt"}, "corvatine: cannot search 'd/a.txt': Not a directory\n"},
        {{"--find-in-files=x"},
         "corvatine: --find-in-files needs one folder to search\nTry 'corvatine --help' for more "
         "information.\n"},
        {{"--find-in-files=x", "d", "d"},
         "corvatine: --find-in-files needs one folder to search\nTry 'corvatine --help' for more "
         "information.\n"},
        {{"--find-in-files=", "d"}, "corvatine: --find-in-files needs a text to search for\n"},
        {{"--find-in-files=x", "--types=;", "d"},
         "corvatine: --types needs a pattern, such as --types='*.cpp;*.h'\n"},
        {{"--find-in-files=x", "--format=side", "d"},
         "corvatine: invalid value 'side' for '--format' of a search in files: tree, grep or json\n"},
        {{"--find-in-files=x", "--width=80", "d"},
         "corvatine: '--width' does not apply to a search in files\n"},
        {{"--subfolders", "d/a.txt", "d/a.txt"},
         "corvatine: '--subfolders' does not apply to a text comparison\n"},
        {{"--find-in-files"},
         "corvatine: option '--find-in-files' needs a value: --find-in-files=...\nTry 'corvatine --help' for "
         "more "
         "information.\n"},
    };
    for (const CASE& c : cases) {
        const test::ProgramResult result = test::RunCorvatine(c.arguments, dir.Path());
        EXPECT_EQ(result.exitStatus, 2) << c.arguments[0];
        EXPECT_EQ(result.out, "") << c.arguments[0];
        EXPECT_EQ(result.err, c.error) << c.arguments[0];
    }
}

}  // namespace
}  // namespace corvatine
