// Find in files through its public operations: the nodes a search reports,
// the lines it takes from the bytes of a file, the order of the files, what
// it passes over, stopping, and the worker thread.
#include "tools/FindInFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "support/PermissionsBind.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

struct NODE {
    int level;
    std::string text;
};

// Gathers what a search reports.
class CCollector : public CFindInFilesWindow {
public:
    void OnFindResult(int level, const std::string& text) override {
        nodes.push_back({level, text});
        if (onNode) onNode(level, text);
    }
    void OnFindEnded() override { ++ends; }

    std::vector<NODE> nodes;
    int ends = 0;
    std::function<void(int, const std::string&)> onNode;
};

// The nodes one to a line, indented by level, line feeds shown as "\n".
std::string Dump(const std::vector<NODE>& nodes) {
    std::string out;
    for (const NODE& node : nodes) {
        out.append(static_cast<size_t>(2 * node.level), ' ');
        for (const char c : node.text) out += c == '\n' ? std::string("\\n") : std::string(1, c);
        out += '\n';
    }
    return out;
}

std::vector<NODE> Search(const std::string& folder, const std::string& text, unsigned flags = FIF_MATCHCASE,
                         const std::string& types = "*.*", size_t blockSize = CFindInFiles::kReadBlockSize) {
    CCollector window;
    FINDINFILESREQUEST request;
    request.flags = flags;
    request.findWhat = text;
    request.fileTypes = types;
    request.lookIn = folder;
    request.window = &window;
    platform::CEvent stop(true, false);
    CFindInFiles search(blockSize);
    const int hits = search.Run(request, stop);
    EXPECT_EQ(hits, std::count_if(window.nodes.begin(), window.nodes.end(),
                                  [](const NODE& node) { return node.level == FIND_LEVEL_LINE; }));
    EXPECT_FALSE(search.WasCanceled());
    return window.nodes;
}

// The lines of a file as find in files takes them, byte by byte.
std::vector<std::string> ReferenceLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (const char c : bytes) {
        if (c == '\r') continue;
        line += c;
        if (c == '\n' || line.size() == CFindInFiles::kMaxLineLength) {
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string LineNode(int number, const std::string& line) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "(%4d): ", number);
    return prefix + line;
}

// What a search of one file should report, made line by line.
std::vector<NODE> ReferenceSearch(const std::string& folder, const std::string& path,
                                  const std::string& bytes, const std::string& text,
                                  const std::function<bool(const std::string&)>& hits) {
    std::vector<NODE> nodes{{0, "Searching for \"" + text + "\" in " + folder + " ..."}};
    const std::vector<std::string> lines = ReferenceLines(bytes);
    int count = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!hits(lines[i])) continue;
        if (count++ == 0) nodes.push_back({1, path});
        nodes.push_back({2, LineNode(static_cast<int>(i + 1), lines[i])});
    }
    nodes.push_back({3, count != 0 ? std::to_string(count) + " occurrence(s) have been found.\n"
                                   : "Cannot find the string \"" + text + "\"."});
    return nodes;
}

TEST(FindInFilesTest, AnEmptyResultHasOnlyTheRootAndTheSummary) {
    test::TempDir dir;
    dir.WriteFile("a.txt", "nothing here\n");
    EXPECT_EQ(Dump(Search(dir.Path(), "needle")), "Searching for \"needle\" in " + dir.Path() +
                                                      " ...\n"
                                                      "      Cannot find the string \"needle\".\n");
}

TEST(FindInFilesTest, ReportsTheFileThenEveryHitLineWithItsLineFeed) {
    test::TempDir dir;
    const std::string path = dir.WriteFile("a.txt", "one needle\ntwo\nneedle needle three\nlast needle");
    EXPECT_EQ(Dump(Search(dir.Path(), "needle")), "Searching for \"needle\" in " + dir.Path() + " ...\n  " +
                                                      path +
                                                      "\n"
                                                      "    (   1): one needle\\n\n"
                                                      "    (   3): needle needle three\\n\n"
                                                      "    (   4): last needle\n"
                                                      "      3 occurrence(s) have been found.\\n\n");
}

TEST(FindInFilesTest, CarriageReturnsAreDroppedAndEndNoLine) {
    test::TempDir dir;
    const std::string crlf = dir.WriteFile("crlf.txt", "a\r\nneedle\r\nb\r\n");
    EXPECT_EQ(Dump(Search(dir.Path(), "needle")), "Searching for \"needle\" in " + dir.Path() + " ...\n  " +
                                                      crlf +
                                                      "\n"
                                                      "    (   2): needle\\n\n"
                                                      "      1 occurrence(s) have been found.\\n\n");
    // Carriage returns alone end no line, and a text around one is found.
    test::TempDir old;
    const std::string mac = old.WriteFile("mac.txt", "first\rneed\rle\rlast\r");
    EXPECT_EQ(Dump(Search(old.Path(), "needle")), "Searching for \"needle\" in " + old.Path() + " ...\n  " +
                                                      mac +
                                                      "\n"
                                                      "    (   1): firstneedlelast\n"
                                                      "      1 occurrence(s) have been found.\\n\n");
}

TEST(FindInFilesTest, AFileWithCarriageReturnsOnlyIsALineEvery65535Characters) {
    test::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 40000; ++i) bytes += "ab\r";  // 80,000 characters once the returns are dropped
    const std::string path = dir.WriteFile("mac.txt", bytes);
    const std::vector<NODE> nodes = Search(dir.Path(), "ba");
    ASSERT_EQ(nodes.size(), 5u) << Dump(nodes);
    EXPECT_EQ(nodes[1].text, path);
    std::string first;
    for (int i = 0; i < 65535 / 2; ++i) first += "ab";
    first += 'a';
    EXPECT_EQ(nodes[2].text, LineNode(1, first));
    std::string second = "b";
    for (int i = 0; i < (80000 - 65536) / 2; ++i) second += "ab";
    EXPECT_EQ(nodes[3].text, LineNode(2, second));
    EXPECT_EQ(first.size() + second.size(), 80000u);
    EXPECT_EQ(nodes[4].text, "2 occurrence(s) have been found.\n");
}

TEST(FindInFilesTest, ALineEndsAfterItsLineFeedOrAt65535Characters) {
    test::TempDir dir;
    // 65,535 characters with the line feed: one line. 65,535 without it: the
    // line feed is a line of its own.
    const std::string exact = std::string(65534, 'x') + "\n";
    const std::string over = std::string(65535, 'y') + "\n";
    const std::string path = dir.WriteFile("cut.txt", exact + "needle\n" + over + "needle");
    const std::vector<NODE> nodes = Search(dir.Path(), "needle");
    EXPECT_EQ(Dump(nodes), "Searching for \"needle\" in " + dir.Path() + " ...\n  " + path +
                               "\n"
                               "    (   2): needle\\n\n"
                               "    (   5): needle\n"
                               "      2 occurrence(s) have been found.\\n\n");
    // Line 3 is the 65,535 y without their line feed.
    const std::vector<NODE> feeds = Search(dir.Path(), "\n");
    ASSERT_EQ(feeds.size(), 6u) << Dump(feeds).substr(0, 300);
    EXPECT_EQ(feeds[2].text, LineNode(1, exact));
    EXPECT_EQ(feeds[3].text, LineNode(2, "needle\n"));
    EXPECT_EQ(feeds[4].text, LineNode(4, "\n"));
    const std::vector<NODE> letters = Search(dir.Path(), "yy");
    ASSERT_EQ(letters.size(), 4u);
    EXPECT_EQ(letters[2].text, LineNode(3, over.substr(0, 65535)));
}

TEST(FindInFilesTest, ATextAcrossTheCutOfALongLineIsNoHit) {
    test::TempDir dir;
    // "needle" would run from character 65,533 to 65,538: the cut falls in it.
    dir.WriteFile("long.txt", std::string(65532, 'x') + "needle" + std::string(100, 'x'));
    EXPECT_EQ(Search(dir.Path(), "needle").size(), 2u);
    // Wholly after the cut it is on line 2.
    test::TempDir after;
    const std::string path = after.WriteFile("long.txt", std::string(65535, 'x') + "needle\n");
    EXPECT_EQ(Dump(Search(after.Path(), "needle")), "Searching for \"needle\" in " + after.Path() +
                                                        " ...\n  " + path +
                                                        "\n"
                                                        "    (   2): needle\\n\n"
                                                        "      1 occurrence(s) have been found.\\n\n");
}

// Files of random lines: short ones full of carriage returns and line feeds
// read a byte or a few at a time, long ones that cross the 65,535-character
// cut read in blocks of every size; the nodes are those of a search made line
// by line.
TEST(FindInFilesTest, FindsWhatALineByLineSearchFinds) {
    std::mt19937 random(17);
    const auto make = [&](size_t size, int longRuns) {
        std::string bytes;
        while (bytes.size() < size) {
            const unsigned pick = random() % 10;
            if (pick < 3)
                bytes += "ab";
            else if (pick < 5)
                bytes += "\n";
            else if (pick < 6)
                bytes += "\r";
            else if (pick < 7)
                bytes += "B\r\n";
            else
                bytes += static_cast<char>("xyab"[random() % 4]);
            if (longRuns > 0 && random() % 400 == 0) {
                bytes +=
                    std::string(30000 + random() % 50000, 'x') + "ab" + std::string(random() % 1000, 'y');
                --longRuns;
            }
        }
        return bytes;
    };
    struct CASE {
        std::string text;
        unsigned flags;
    };
    const CASE cases[] = {{"ab", FIF_MATCHCASE},
                          {"aB", 0},
                          {"b\n", FIF_MATCHCASE},
                          {"x", FIF_MATCHCASE},
                          {"yab", 0},
                          {"^ab|y$", FIF_REGEXP | FIF_MATCHCASE},
                          {"^$", FIF_REGEXP},
                          {"a[^b]", FIF_REGEXP}};
    for (int file = 0; file < 6; ++file) {
        const bool large = file >= 4;
        test::TempDir dir;
        const std::string bytes = make(large ? 150000 : 1500, large ? 4 : 0);
        const std::string path = dir.WriteFile("f.txt", bytes);
        for (const CASE& c : cases) {
            CFindRegExp expression;
            const bool compiled =
                (c.flags & FIF_REGEXP) != 0 && expression.Compile(c.text, (c.flags & FIF_MATCHCASE) != 0);
            ASSERT_EQ(compiled, (c.flags & FIF_REGEXP) != 0);
            const CLiteralFinder literal(c.text, (c.flags & FIF_MATCHCASE) != 0);
            const std::string expected =
                Dump(ReferenceSearch(dir.Path(), path, bytes, c.text, [&](const std::string& line) {
                    if (literal.Find(line) != std::string::npos) return true;
                    return compiled &&
                           expression.Matches(line.substr(0, line.size() - (line.back() == '\n')));
                }));
            const std::vector<size_t> blocks =
                large ? std::vector<size_t>{4097, 8192, 32767} : std::vector<size_t>{1, 2, 3, 5, 16, 8192};
            for (const size_t block : blocks)
                ASSERT_EQ(Dump(Search(dir.Path(), c.text, c.flags, "*.*", block)), expected)
                    << "file " << file << " text " << c.text << " block " << block;
        }
    }
}

// The files of each node in the order reported.
std::vector<std::string> Files(const std::vector<NODE>& nodes) {
    std::vector<std::string> files;
    for (const NODE& node : nodes)
        if (node.level == FIND_LEVEL_FILE) files.push_back(node.text);
    return files;
}

TEST(FindInFilesTest, TypesListTheirFilesInTheOrderWrittenThenTheSubfolders) {
    test::TempDir dir;
    const std::string h1 = dir.WriteFile("a.h", "needle\n");
    const std::string c1 = dir.WriteFile("z.cpp", "needle\n");
    const std::string c2 = dir.WriteFile("m.CPP", "needle\n");  // patterns ignore case
    const std::string h2 = dir.WriteFile("y.h", "needle\n");
    dir.WriteFile("x.txt", "needle\n");
    const std::string sub = dir.WriteFile("a/b.cpp", "needle\n");
    const std::string deep = dir.WriteFile("a/deep/c.h", "needle\n");
    const std::string other = dir.WriteFile("b/c.h", "needle\n");
    dir.WriteFile("a/x.txt", "needle\n");

    std::vector<std::string> files = Files(Search(dir.Path(), "needle", FIF_SUBFOLDERS, "*.cpp;*.h"));
    ASSERT_EQ(files.size(), 7u);
    // Each folder's own files first, every .cpp before any .h; then the
    // subfolders depth first, in the order the folder lists them.
    std::vector<std::string> cpp(files.begin(), files.begin() + 2), h(files.begin() + 2, files.begin() + 4);
    std::sort(cpp.begin(), cpp.end());
    std::sort(h.begin(), h.end());
    EXPECT_EQ(cpp, (std::vector<std::string>{c2, c1}));
    EXPECT_EQ(h, (std::vector<std::string>{h1, h2}));
    const std::vector<std::string> below(files.begin() + 4, files.end());
    EXPECT_TRUE(below == (std::vector<std::string>{sub, deep, other}) ||
                below == (std::vector<std::string>{other, sub, deep}))
        << below[0] << " " << below[1] << " " << below[2];

    // Without FIF_SUBFOLDERS only the folder's own files.
    EXPECT_EQ(Files(Search(dir.Path(), "needle", 0, "*.cpp;*.h")).size(), 4u);
    // Empty patterns are none; a file two patterns match is searched once.
    EXPECT_EQ(Files(Search(dir.Path(), "needle", 0, ";x.txt;;*.TXT;")),
              (std::vector<std::string>{dir / "x.txt"}));
    EXPECT_EQ(Files(Search(dir.Path(), "needle", 0, "*.cpp;*.h;*.cpp;*.CPP")).size(), 4u);
    // "*.*" and "*" match every name, also one without a dot.
    dir.WriteFile("Makefile", "needle\n");
    EXPECT_EQ(Files(Search(dir.Path(), "needle", 0)).size(), 6u);
    EXPECT_EQ(Files(Search(dir.Path(), "needle", 0, "*")).size(), 6u);
}

TEST(FindInFilesTest, ASeparatorAtTheEndOfTheFolderIsNotDoubled) {
    test::TempDir dir;
    dir.WriteFile("a.txt", "needle\n");
    EXPECT_EQ(Files(Search(dir.Path() + "/", "needle")), (std::vector<std::string>{dir / "a.txt"}));
    EXPECT_EQ(Files(Search(dir.Path(), "needle")), (std::vector<std::string>{dir / "a.txt"}));
}

TEST(FindInFilesTest, ARegularExpressionMatchesLinesWithoutTheirLineFeed) {
    test::TempDir dir;
    const std::string path = dir.WriteFile("a.txt", "int x;\nreturn x; \nreturn y;\nxreturn\n");
    EXPECT_EQ(Dump(Search(dir.Path(), "^return.*;$", FIF_REGEXP | FIF_MATCHCASE)),
              "Searching for \"^return.*;$\" in " + dir.Path() + " ...\n  " + path +
                  "\n"
                  "    (   3): return y;\\n\n"
                  "      1 occurrence(s) have been found.\\n\n");
}

TEST(FindInFilesTest, EveryLineHoldingTheTextIsAHitAlsoForAnExpression) {
    test::TempDir dir;
    const std::string path = dir.WriteFile("a.txt", "b first\na^b\nxb\n");
    // "^b" matches the first line; the second holds the text "^b" itself.
    EXPECT_EQ(Dump(Search(dir.Path(), "^b", FIF_REGEXP | FIF_MATCHCASE)),
              "Searching for \"^b\" in " + dir.Path() + " ...\n  " + path +
                  "\n"
                  "    (   1): b first\\n\n"
                  "    (   2): a^b\\n\n"
                  "      2 occurrence(s) have been found.\\n\n");
}

TEST(FindInFilesTest, AnExpressionThatDoesNotCompileIsSearchedForAsText) {
    test::TempDir dir;
    const std::string path = dir.WriteFile("a.txt", "f(x)\nf(o\nfoo\n");
    EXPECT_EQ(Dump(Search(dir.Path(), "f(o", FIF_REGEXP | FIF_MATCHCASE)),
              "Searching for \"f(o\" in " + dir.Path() + " ...\n  " + path +
                  "\n"
                  "    (   2): f(o\\n\n"
                  "      1 occurrence(s) have been found.\\n\n");
    EXPECT_EQ(Search(dir.Path(), "a**", FIF_REGEXP).size(), 2u);
}

TEST(FindInFilesTest, WithoutMatchCaseLettersMatchEitherCase) {
    test::TempDir dir;
    dir.WriteFile("a.txt", "Needle\nNEEDLE\nneedle\n");
    EXPECT_EQ(Search(dir.Path(), "needle", FIF_MATCHCASE).size(), 4u);
    EXPECT_EQ(Search(dir.Path(), "needle", 0).size(), 6u);
    EXPECT_EQ(Search(dir.Path(), "^NEED.E$", FIF_REGEXP | FIF_MATCHCASE).size(), 4u);
    EXPECT_EQ(Search(dir.Path(), "^NEED.E$", FIF_REGEXP).size(), 6u);
}

TEST(FindInFilesTest, FilesAndFoldersThatCannotBeReadArePassedOver) {
    test::TempDir dir;
    const std::string readable = dir.WriteFile("a.txt", "needle\n");
    const std::string locked = dir.WriteFile("b.txt", "needle\n");
    dir.WriteFile("closed/c.txt", "needle\n");
    const std::string inside = dir.WriteFile("open/d.txt", "needle\n");
    ASSERT_EQ(::mkfifo((dir / "fifo.txt").c_str(), 0644), 0);  // never opened, so never waited on
    ASSERT_EQ(::symlink("missing", (dir / "dangling.txt").c_str()), 0);
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    ASSERT_EQ(::chmod((dir / "closed").c_str(), 0), 0);
    std::vector<std::string> files;
    {
        test::PermissionsBind bind;
        if (!bind.Active()) GTEST_SKIP() << "permissions do not bind";
        files = Files(Search(dir.Path(), "needle", FIF_SUBFOLDERS));
    }
    EXPECT_EQ(files, (std::vector<std::string>{readable, inside}));
    ::chmod((dir / "closed").c_str(), 0755);
}

TEST(FindInFilesTest, LinksToFilesAndFoldersAreFollowedButNotBackUp) {
    test::TempDir dir;
    const std::string file = dir.WriteFile("tree/a.txt", "needle\n");
    dir.WriteFile("other/b.txt", "needle\n");
    dir.MakeFolder("tree/sub");
    ASSERT_EQ(::symlink("../../tree", (dir / "tree/sub/up").c_str()), 0);
    ASSERT_EQ(::symlink("../other", (dir / "tree/across").c_str()), 0);
    ASSERT_EQ(::symlink("a.txt", (dir / "tree/link.txt").c_str()), 0);
    std::vector<std::string> files = Files(Search(dir / "tree", "needle", FIF_SUBFOLDERS));
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{dir / "tree/a.txt", dir / "tree/across/b.txt",
                                               dir / "tree/link.txt"}));
}

TEST(FindInFilesTest, AStopEndsTheSearchBeforeTheNextLineWithCanceled) {
    test::TempDir dir;
    dir.WriteFile("a.txt", "needle 1\nneedle 2\nneedle 3\n");
    dir.WriteFile("sub/b.txt", "needle 4\n");
    CCollector window;
    platform::CEvent stop(true, false);
    window.onNode = [&](int level, const std::string&) {
        if (level == FIND_LEVEL_LINE) stop.Set();
    };
    FINDINFILESREQUEST request;
    request.flags = FIF_MATCHCASE | FIF_SUBFOLDERS;
    request.findWhat = "needle";
    request.lookIn = dir.Path();
    request.window = &window;
    CFindInFiles search;
    EXPECT_EQ(search.Run(request, stop), 1);
    EXPECT_TRUE(search.WasCanceled());
    ASSERT_EQ(window.nodes.size(), 4u) << Dump(window.nodes);
    EXPECT_EQ(window.nodes[2].text.substr(0, 16), "(   1): needle 1");
    EXPECT_EQ(window.nodes[3].level, FIND_LEVEL_SUMMARY);
    EXPECT_EQ(window.nodes[3].text, "Canceled");

    // Set before the start, it stops the search before the first entry.
    CCollector early;
    request.window = &early;
    EXPECT_EQ(search.Run(request, stop), 0);
    EXPECT_EQ(Dump(early.nodes), "Searching for \"needle\" in " + dir.Path() +
                                     " ...\n"
                                     "      Canceled\n");
}

TEST(FindInFilesTest, ALineNodeGivesItsNumberAndLine) {
    EXPECT_EQ(LineNodeNumber("(  12): text"), 12);
    EXPECT_EQ(LineNodeNumber("(12345): a: b"), 12345);
    EXPECT_EQ(LineNodeNumber("(   7)"), 7);
    EXPECT_EQ(LineNodeNumber("(abc): x"), 0);
    EXPECT_EQ(LineNodeNumber("(1 2): x"), 0);
    EXPECT_EQ(LineNodeNumber("( 12 ): x"), 12);
    EXPECT_EQ(LineNodeNumber("(): x"), 0);
    EXPECT_EQ(LineNodeNumber("(1234567890): x"), 0);
    EXPECT_EQ(LineNodeText("(  12): a: b\n"), "a: b\n");
    EXPECT_EQ(LineNodeText("(  12):"), "");
}

// A window on the test's thread: the end message comes through the queue.
class CThreadWindow : public CCollector {
public:
    explicit CThreadWindow(CFindInFilesThread& thread) : m_thread(thread) {}
    void OnFindEnded() override {
        CCollector::OnFindEnded();
        m_thread.OnEnd();
    }

private:
    CFindInFilesThread& m_thread;
};

TEST(FindInFilesThreadTest, SearchesACopyOfTheRequestAndPostsTheEnd) {
    test::TempDir dir;
    const std::string path = dir.WriteFile("a.txt", "needle\n");
    platform::CMessageQueue queue;
    CFindInFilesThread thread(queue);
    CThreadWindow window(thread);
    {
        FINDINFILESREQUEST request;
        request.flags = FIF_MATCHCASE;
        request.findWhat = "needle";
        request.lookIn = dir.Path();
        request.window = &window;
        ASSERT_TRUE(thread.Start(request));
        EXPECT_TRUE(thread.IsRunning());
        EXPECT_FALSE(thread.Start(request));  // one search at a time
        request.findWhat = "changed after the start";
    }
    platform::MESSAGE message;
    ASSERT_TRUE(queue.Get(message, std::chrono::seconds(20)));
    EXPECT_EQ(message.target, &window);
    EXPECT_EQ(window.ends, 0);
    message.Deliver();
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(window.ends, 1);
    EXPECT_EQ(Dump(window.nodes), "Searching for \"needle\" in " + dir.Path() + " ...\n  " + path +
                                      "\n"
                                      "    (   1): needle\\n\n"
                                      "      1 occurrence(s) have been found.\\n\n");
}

TEST(FindInFilesThreadTest, StopWaitsForTheWorkerWhileDeliveringMessages) {
    test::TempDir dir;
    dir.WriteFile("a.txt", "needle\n");
    platform::CMessageQueue queue;
    CFindInFilesThread thread(queue);
    CThreadWindow window(thread);
    // The worker goes on from the root only once the stop event is set.
    window.onNode = [&](int level, const std::string&) {
        if (level == FIND_LEVEL_ROOT) thread.StopEvent().Wait();
    };
    FINDINFILESREQUEST request;
    request.findWhat = "needle";
    request.lookIn = dir.Path();
    request.window = &window;
    ASSERT_TRUE(thread.Start(request));
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_FALSE(thread.StopEvent().TryWait());  // reset for the next search
    queue.Pump();
    EXPECT_EQ(window.ends, 1);
    EXPECT_EQ(Dump(window.nodes), "Searching for \"needle\" in " + dir.Path() +
                                      " ...\n"
                                      "      Canceled\n");

    // The next search runs to its end.
    window.onNode = nullptr;
    window.nodes.clear();
    ASSERT_TRUE(thread.Start(request));
    platform::MESSAGE message;
    ASSERT_TRUE(queue.Get(message, std::chrono::seconds(20)));
    message.Deliver();
    ASSERT_EQ(window.nodes.size(), 4u);
    EXPECT_EQ(window.nodes[3].text, "1 occurrence(s) have been found.\n");
}

}  // namespace
}  // namespace corvatine
