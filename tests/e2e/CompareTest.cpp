// The program comparing two text files: side by side, unified, JSON, the
// report, and merging from the command line.
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <nlohmann/json.hpp>
#include <random>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Json = nlohmann::json;

class CompareTest : public ::testing::Test {
protected:
    // With exact rules (line endings count too), as the settings say.
    void ExactRules() {
        m_config.WriteFile("registry.reg",
                           "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Comparisons\\FileComparison\\"
                           "TextComparison\\Settings\\Rules\\Default]\n"
                           "\"IgnoreEOLs\"=dword:00000000\n");
    }
    test::ProgramResult Run(const std::vector<std::string>& arguments) {
        return test::RunCorvatine(arguments, m_dir.Path(),
                                  {"CORVATINE_CONFIG_DIR=" + m_config.Path(), "NO_COLOR="});
    }
    void Write(const std::string& left, const std::string& right) {
        m_dir.WriteFile("left.txt", left);
        m_dir.WriteFile("right.txt", right);
    }

    test::TempDir m_dir;
    test::TempDir m_config;
};

TEST_F(CompareTest, SideBySideRowsAndMarkers) {
    ExactRules();
    Write("same\nold\nleft only\nend\r\n", "same\nnew\nend\nright only\n");
    const test::ProgramResult result = Run({"--width=40", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out,
              "1 same               1 same\n"
              "2 old              | 2 new\n"
              "3 left only        <\n"
              "4 end              ~ 3 end\n"
              "                   > 4 right only\n");
    EXPECT_EQ(result.err, "");

    // Tabs are expanded, control bytes shown as '?', long lines cut.
    Write("\tx\x01y\n", "a very long line that does not fit\n");
    EXPECT_EQ(Run({"--width=40", "left.txt", "right.txt"}).out, "1         x?y      | 1 a very long line\n");
}

// Output the system will not take fails the run, with the reason, and the
// comparison's own result is not given as the status.
TEST_F(CompareTest, OutputThatCannotBeWrittenFailsTheRun) {
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    Write("a\nb\n", "a\nc\n");
    for (const char* format : {"--format=unified", "--format=json", "--width=40"}) {
        const test::ProgramResult result = test::RunProgram(
            "/bin/sh",
            {"-c", "\"$0\" \"$1\" left.txt right.txt > /dev/full", test::CorvatineProgram(), format},
            {"CORVATINE_CONFIG_DIR=" + m_config.Path(), "NO_COLOR="}, m_dir.Path());
        EXPECT_EQ(result.exitStatus, 2) << format;
        EXPECT_EQ(result.err, "corvatine: cannot write the output: No space left on device\n") << format;
    }
}

TEST_F(CompareTest, IdenticalAndDifferentExitStatus) {
    Write("a\nb\n", "a\nb\n");
    test::ProgramResult result = Run({"left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out.find('|'), std::string::npos);
    result = Run({"--quiet", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out, "");

    // The same text in UTF-16 and in UTF-8 is identical.
    m_dir.WriteFile("utf16.txt", std::string("\xFF\xFE"
                                             "a\0\n\0b\0\n\0",
                                             10));
    EXPECT_EQ(Run({"-c", "/t:text", "utf16.txt", "right.txt"}).exitStatus, 0);

    // Line endings count only when the rules say so.
    Write("a\r\nb\r\n", "a\nb\n");
    EXPECT_EQ(Run({"left.txt", "right.txt"}).exitStatus, 0);
    ExactRules();
    result = Run({"--format=json", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 1);
    const Json json = Json::parse(result.out);
    EXPECT_EQ(json["identical"], false);
    EXPECT_EQ(json["differences"], 0);
    EXPECT_EQ(json["trivial"], 2);
}

TEST_F(CompareTest, ColourOnlyWhenAsked) {
    Write("int a = 1;\n", "int a = 2;\n");
    const test::ProgramResult plain = Run({"left.txt", "right.txt"});
    EXPECT_EQ(plain.out.find('\x1b'), std::string::npos);
    const test::ProgramResult colored = Run({"--color=always", "left.txt", "right.txt"});
    EXPECT_NE(colored.out.find("\x1b[33m"), std::string::npos);
    EXPECT_NE(colored.out.find("\x1b[1;7m1\x1b[0m\x1b[33m"), std::string::npos) << colored.out;
    EXPECT_EQ(Run({"--color=sometimes", "left.txt", "right.txt"}).exitStatus, 2);
}

TEST_F(CompareTest, JsonOfThreeInsertedLines) {
    Write("a\nb\nX\nY\nZ\nc\n", "a\nb\nc\n");
    const test::ProgramResult result = Run({"--format=json", "left.txt", "right.txt"});
    ASSERT_EQ(result.exitStatus, 1) << result.err;
    const Json json = Json::parse(result.out);
    EXPECT_EQ(json["identical"], false);
    EXPECT_EQ(json["differences"], 1);
    EXPECT_EQ(json["rows"], 6);
    EXPECT_EQ(json["sections"], Json::parse(R"([{"kind": 2, "leftRows": [2, 4], "rightRows": [2, 4],
                                               "leftLines": [2, 4], "rightLines": [2, 1]}])"));
    EXPECT_EQ(json["flags"], Json::parse("[[0,0],[0,0],[134217728,16777216],[134217728,16777216],"
                                         "[134217728,16777216],[0,0]]"));
}

TEST_F(CompareTest, UnifiedMatchesDiffOnASimpleChange) {
    Write("one\ntwo\nthree\nfour\nfive\nsix\nseven\neight\nnine\n",
          "one\ntwo\nthree\nFOUR\nfive\nsix\nseven\neight\n9");
    const test::ProgramResult ours = Run({"--format=unified", "left.txt", "right.txt"});
    const test::ProgramResult gnu =
        test::RunProgram("/usr/bin/diff", {"-u", "left.txt", "right.txt"}, {}, m_dir.Path());
    EXPECT_EQ(ours.exitStatus, 1) << ours.err;
    EXPECT_EQ(ours.out, gnu.out);
    EXPECT_EQ(Run({"--format=unified", "--context=0", "left.txt", "right.txt"}).out,
              test::RunProgram("/usr/bin/diff", {"-U0", "left.txt", "right.txt"}, {}, m_dir.Path()).out);
    Write("same\n", "same\n");
    EXPECT_EQ(Run({"--format=unified", "left.txt", "right.txt"}).out, "");
}

// Files whose lines all end in line feeds are written from their buffers as
// they lie: the same diff as GNU diff's, whatever the ghost rows on either
// side and whether the last line has its line feed.
TEST_F(CompareTest, UnifiedMatchesDiffOnFilesOfLineFeeds) {
    ExactRules();
    std::mt19937 random(1210);
    for (int pair = 0; pair < 40; ++pair) {
        std::string texts[2];
        for (std::string& text : texts) {
            for (int i = static_cast<int>(random() % 30); i > 0; --i)
                text += std::string(1, static_cast<char>('a' + random() % 4)) + "\n";
            if (!text.empty() && random() % 3 == 0) text.pop_back();
        }
        Write(texts[0], texts[1]);
        const std::string context = std::to_string(random() % 4);
        const test::ProgramResult ours =
            Run({"--format=unified", "--context=" + context, "left.txt", "right.txt"});
        const test::ProgramResult gnu =
            test::RunProgram("/usr/bin/diff", {"-U" + context, "left.txt", "right.txt"}, {}, m_dir.Path());
        EXPECT_EQ(ours.exitStatus, gnu.exitStatus) << ours.err;
        EXPECT_EQ(ours.out, gnu.out) << texts[0] << "|" << texts[1];
    }
}

// Files of whole pages of lines ending in line feeds, compared where they
// lie: the last line ends where the file's view does. The same diff as GNU
// diff's, and a copy of everything saved gives the other file.
TEST_F(CompareTest, FilesOfWholePagesAsDiffSeesThem) {
    ExactRules();
    for (const size_t size : {size_t{4096}, size_t{8192}}) {
        std::string left;
        for (int i = 0; left.size() < size; ++i) left += "row " + std::to_string(i) + "\n";
        left.resize(size - 1);
        left += "\n";
        std::string right = "first\n" + left.substr(left.find('\n') + 1);
        right.resize(right.size() - 2);
        right += "#\n";
        Write(left, right);
        const test::ProgramResult ours = Run({"--format=unified", "left.txt", "right.txt"});
        const test::ProgramResult gnu =
            test::RunProgram("/usr/bin/diff", {"-u", "left.txt", "right.txt"}, {}, m_dir.Path());
        EXPECT_EQ(ours.exitStatus, 1) << ours.err;
        EXPECT_EQ(ours.out, gnu.out) << size;
        const test::ProgramResult copied =
            Run({"--copy=left-to-right:all", "--save", "--quiet", "left.txt", "right.txt"});
        EXPECT_EQ(copied.exitStatus, 0) << copied.err;
        EXPECT_EQ(test::ReadFile(m_dir / "right.txt"), left) << size;
    }
}

// Lines of a few words with any line ending, a last line perhaps without one.
std::string Generate(std::mt19937& random, const std::vector<std::string>& lines) {
    static const char* const kEndings[] = {"\n", "\r\n", "\r"};
    const int style = static_cast<int>(random() % 4);  // 3: mixed
    std::string text;
    for (const std::string& line : lines)
        text += line + kEndings[style == 3 ? random() % 3
                                           : static_cast<unsigned>(style == 2 && random() % 2 ? 0 : style)];
    if (!text.empty() && random() % 4 == 0)
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

TEST_F(CompareTest, PatchReproducesTheRightFileFromTheUnifiedDiff) {
    ExactRules();
    static const char* const kWords[] = {"a", "b", "c", "d", "  x", "\ty", ""};
    std::mt19937 random(20261209);
    int patched = 0;
    for (int pair = 0; pair < 150; ++pair) {
        std::vector<std::string> left;
        const int count = static_cast<int>(random() % 14);
        for (int i = 0; i < count; ++i) left.push_back(kWords[random() % 7]);
        std::vector<std::string> right = left;
        for (int edits = static_cast<int>(random() % 5); edits > 0; --edits) {
            const size_t at = right.empty() ? 0 : random() % (right.size() + 1);
            switch (random() % 3) {
                case 0: right.insert(right.begin() + static_cast<long>(at), kWords[random() % 7]); break;
                case 1:
                    if (!right.empty())
                        right.erase(right.begin() + static_cast<long>(std::min(at, right.size() - 1)));
                    break;
                default:
                    if (!right.empty()) right[std::min(at, right.size() - 1)] = kWords[random() % 7];
            }
        }
        const std::string leftText = Generate(random, left), rightText = Generate(random, right);
        Write(leftText, rightText);
        const int context = static_cast<int>(random() % 4);
        const test::ProgramResult diff =
            Run({"--format=unified", "--context=" + std::to_string(context), "left.txt", "right.txt"});
        ASSERT_EQ(diff.exitStatus, leftText == rightText ? 0 : 1) << diff.err << "\n"
                                                                  << leftText << "|" << rightText;
        if (diff.out.empty()) {
            EXPECT_EQ(leftText, rightText);
            continue;
        }
        m_dir.WriteFile("change.diff", diff.out);
        const test::ProgramResult patch = test::RunProgram(
            "/usr/bin/patch", {"-s", "--binary", "-o", "patched.txt", "left.txt", "change.diff"}, {},
            m_dir.Path());
        ASSERT_EQ(patch.exitStatus, 0) << patch.out << patch.err << "\n" << diff.out;
        ASSERT_EQ(test::ReadFile(m_dir / "patched.txt"), rightText) << diff.out;
        ++patched;
    }
    EXPECT_GT(patched, 100);
}

// Text is held in the working code page (here 1252 in a UTF-8 locale): the
// side view shows it in the terminal's characters, the unified diff writes
// each line in its file's own encoding so that patch applies it, and the
// report is UTF-8 as it says.
TEST_F(CompareTest, AnotherWorkingCodePageIsShownAndWrittenRightly) {
    m_config.WriteFile("registry.reg",
                       "Windows Registry Editor Version 5.00\n\n"
                       "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Components\\TextEditor\\Settings]\n"
                       "\"DefaultCodePage\"=dword:000004e4\n");
    const auto utf16 = [](const std::string& latin1) {
        std::string units("\xFF\xFE", 2);
        for (const char c : latin1) units += std::string{c, '\0'};
        return units;
    };
    Write(utf16("Peter \xC5strand\n"), utf16("Peter Astrand\n"));
    test::ProgramResult result = Run({"--width=40", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, "1 Peter \xC3\x85strand    | 1 Peter Astrand\n");
    result = Run({"--format=unified", "left.txt", "right.txt"});
    EXPECT_NE(result.out.find("@@ -1 +1 @@\n-Peter \xC3\x85strand\n+Peter Astrand\n"), std::string::npos)
        << result.out;
    EXPECT_EQ(Run({"--quiet", "--report=report.html", "left.txt", "right.txt"}).exitStatus, 1);
    const std::string html = test::ReadFile(m_dir / "report.html");
    EXPECT_NE(html.find("<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"),
              std::string::npos);
    EXPECT_NE(html.find(">\xC3\x85</span>strand"), std::string::npos);

    // 8-bit files stay in their code page, byte for byte, for patch.
    Write("caf\xE9\nx\n", "cafe\nx\n");
    result = Run({"--format=unified", "left.txt", "right.txt"});
    EXPECT_NE(result.out.find("-caf\xE9\n+cafe\n"), std::string::npos) << result.out;
    m_dir.WriteFile("change.diff", result.out);
    const test::ProgramResult patch = test::RunProgram(
        "/usr/bin/patch", {"-s", "-o", "patched.txt", "left.txt", "change.diff"}, {}, m_dir.Path());
    EXPECT_EQ(patch.exitStatus, 0) << patch.err;
    EXPECT_EQ(test::ReadFile(m_dir / "patched.txt"), "cafe\nx\n");
}

// Names in the headers are quoted and escaped exactly as diff does it.
TEST_F(CompareTest, UnifiedHeadersQuoteNamesAsDiffDoes) {
    const std::string names[] = {"new\nline",   "tab\there", "sp ace",         "q\"uote\\",
                                 "caf\xC3\xA9", "x\xFF\x1B", "bell\a\b\f\r\v", "plain-name_1.txt"};
    m_dir.WriteFile("other", "other\n");
    for (const std::string& name : names) {
        m_dir.WriteFile(name, "text\n");
        const test::ProgramResult ours = Run({"--format=unified", name, "other"});
        const test::ProgramResult theirs =
            test::RunProgram("/usr/bin/diff", {"-u", "--", name, "other"}, {}, m_dir.Path());
        ASSERT_EQ(ours.exitStatus, 1) << ours.err;
        // The name up to the tab before the time.
        const auto label = [](const std::string& out) { return out.substr(0, out.find('\t')); };
        EXPECT_EQ(label(ours.out), label(theirs.out));
    }
}

TEST_F(CompareTest, ReportNextToTheOutput) {
    Write("a\nb\n", "a\nc\n");
    const test::ProgramResult result = Run({"--quiet", "--report=report.html", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    const std::string html = test::ReadFile(m_dir / "report.html");
    EXPECT_EQ(html.rfind("<!DOCTYPE HTML PUBLIC", 0), 0u);
    EXPECT_NE(html.find("<td>1 Differences</td>"), std::string::npos);
    EXPECT_NE(html.find("<td class=\"bd\">"), std::string::npos);

    const test::ProgramResult failed =
        Run({"--quiet", "--report=missing/report.html", "left.txt", "right.txt"});
    EXPECT_EQ(failed.exitStatus, 2);
    EXPECT_NE(failed.err.find("cannot write the report"), std::string::npos) << failed.err;
}

// The reports of the command line are coloured by the scheme chosen in the
// options; with no desktop to ask, the desktop's scheme is made for a light
// one. The stored colours stay as they were.
TEST_F(CompareTest, TheReportsFollowTheChosenScheme) {
    Write("int a = 1;\nsame\n", "int a = 2;\nsame\n");
    m_dir.WriteFile("l/f.txt", "left\n");
    m_dir.WriteFile("r/f.txt", "right side\n");
    const auto reports = [&] {
        EXPECT_EQ(Run({"--quiet", "--report=text.html", "left.txt", "right.txt"}).exitStatus, 1);
        EXPECT_EQ(Run({"--quiet", "--report=folder.html", "l", "r"}).exitStatus, 1);
        return std::pair{test::ReadFile(m_dir / "text.html"), test::ReadFile(m_dir / "folder.html")};
    };
    const auto [text, folder] = reports();
    EXPECT_NE(text.find("body.hl { background-color:#ffffff; }\r\n"), std::string::npos);
    EXPECT_NE(text.find("<span style=\"background-color:#ffc864\">1</span>"), std::string::npos) << text;
    EXPECT_NE(folder.find(".bd { background-color:#ff0000; }\r\n"), std::string::npos);

    m_config.WriteFile("registry.reg",
                       "Windows Registry Editor Version 5.00\n\n"
                       "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Settings]\n"
                       "\"ColorScheme\"=dword:00000001\n"
                       "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Comparisons\\FileComparison\\"
                       "TextComparison\\Settings\\Colors]\n"
                       "\"Count\"=dword:00000006\n\"Color1\"=dword:00563412\n");
    const auto [desktopText, desktopFolder] = reports();
    EXPECT_NE(desktopText.find("body.hl { background-color:#ffffff; color:#000000; }\r\n"), std::string::npos)
        << desktopText;
    // The in-line difference brings its text; the user's changed colour is not drawn.
    EXPECT_NE(desktopText.find("<span style=\"background-color:#"), std::string::npos);
    EXPECT_NE(desktopText.find("; color:#"), std::string::npos);
    EXPECT_EQ(desktopText.find("#123456"), std::string::npos);
    // The folder page: coloured text on white.
    EXPECT_NE(desktopFolder.find(".bd { background-color:#ffffff; color:#"), std::string::npos)
        << desktopFolder;
    // What is stored stays.
    const std::string stored = test::ReadFile(m_config / "registry.reg");
    EXPECT_NE(stored.find("\"Color1\"=dword:00563412"), std::string::npos) << stored;
    EXPECT_NE(stored.find("\"ColorScheme\"=dword:00000001"), std::string::npos) << stored;
}

TEST_F(CompareTest, CopyAllAndSave) {
    Write("1\n2\n3\n", "1\nB\n3\nD\n");
    test::ProgramResult result = Run({"--copy=left-to-right", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;                   // the sides are equal after the copy
    EXPECT_EQ(test::ReadFile(m_dir / "right.txt"), "1\nB\n3\nD\n");  // not saved
    result = Run({"--copy=left-to-right:all", "--save", "--quiet", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(test::ReadFile(m_dir / "right.txt"), "1\n2\n3\n");
}

TEST_F(CompareTest, CopyAChosenSubset) {
    Write("1\n2\n3\n4\n5\n6\n7\n", "1\nB\n3\n4\nE\n6\nG\n");
    const test::ProgramResult result =
        Run({"--copy=right-to-left:3,1", "--save", "--format=json", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(Json::parse(result.out)["differences"], 1);
    EXPECT_EQ(test::ReadFile(m_dir / "left.txt"), "1\nB\n3\n4\n5\n6\nG\n");
    EXPECT_EQ(test::ReadFile(m_dir / "right.txt"), "1\nB\n3\n4\nE\n6\nG\n");
}

// A difference copied near the start of a large file with a second link,
// saved: the file is written in place over the bytes its other lines were
// read from, and every one of them arrives as it was.
TEST_F(CompareTest, CopyIntoAFileWrittenInPlace) {
    std::string left, right;
    for (int i = 0; left.size() < 300000; ++i) {
        const std::string line = "line " + std::to_string(i) + " of a long file\n";
        left += i == 2 ? "a much longer second line than the right side has\n" : line;
        right += line;
    }
    Write(left, right);
    ASSERT_EQ(::link((m_dir / "right.txt").c_str(), (m_dir / "link.txt").c_str()), 0);
    const test::ProgramResult result =
        Run({"--copy=left-to-right:1", "--save", "--quiet", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(test::ReadFile(m_dir / "right.txt"), left);
    EXPECT_EQ(test::ReadFile(m_dir / "link.txt"), left);
}

TEST_F(CompareTest, CopyRefusals) {
    Write("a\n", "b\n");
    test::ProgramResult result =
        Run({"-c", "/t:text", "/ro:2", "--copy=left-to-right", "--save", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("read-only"), std::string::npos) << result.err;
    EXPECT_EQ(test::ReadFile(m_dir / "right.txt"), "b\n");
    // The other direction is allowed.
    EXPECT_EQ(Run({"-c", "/t:text", "/ro:2", "--copy=right-to-left", "left.txt", "right.txt"}).exitStatus, 0);

    result = Run({"--copy=left-to-right:2", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("no difference 2"), std::string::npos) << result.err;
    for (const char* bad : {"--copy=sideways", "--copy=left-to-right:0", "--copy=left-to-right:1,x"})
        EXPECT_EQ(Run({bad, "left.txt", "right.txt"}).exitStatus, 2) << bad;
    EXPECT_EQ(Run({"--save", "left.txt", "right.txt"}).exitStatus, 2);
    EXPECT_EQ(test::ReadFile(m_dir / "left.txt"), "a\n");
}

// What a comparison cannot do is refused, naming the option, instead of being
// left undone without a word.
TEST_F(CompareTest, OptionsThatCannotApplyAreErrors) {
    Write(std::string("1\0\n", 3), "1\n2\n");
    // Named as text, a file with binary data is compared as binary, where
    // nothing can be copied.
    test::ProgramResult result =
        Run({"-c", "/t:t", "--copy=left-to-right", "--save", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err,
              "corvatine: cannot compare 'left.txt' as text: Binary files cannot be compared as text.\n"
              "'--copy' does not apply to a binary comparison\n");
    EXPECT_EQ(test::ReadFile(m_dir / "right.txt"), "1\n2\n");

    m_dir.MakeFolder("a");
    m_dir.MakeFolder("b");
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{"-c", "/t:b", "--copy=left-to-right", "left.txt", "right.txt"},
         "'--copy' does not apply to a binary comparison"},
        {{"--report=r.html", "left.txt", "right.txt"}, "'--report' does not apply to a binary comparison"},
        {{"--save", "--copy=left-to-right", "a", "b"}, "'--save' does not apply to a folder comparison"},
        {{"--watch", "a", "b"}, "'--watch' does not apply to a folder comparison"},
        {{"--width=80", "a", "b"}, "'--width' does not apply to a folder comparison"},
        {{"--show=all", "-c", "/t:t", "right.txt", "right.txt"},
         "'--show' does not apply to a text comparison"},
        {{"--save-as=x", "right.txt", "right.txt"}, "'--save-as' does not apply to a text comparison"},
    };
    for (const auto& c : cases) {
        result = Run(c.arguments);
        EXPECT_EQ(result.exitStatus, 2) << c.err;
        EXPECT_EQ(result.err, "corvatine: " + c.err + "\n");
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(test::ReadFile(m_dir / "right.txt"), "1\n2\n");
}

// Messages say what is wrong with what was given.
TEST_F(CompareTest, MessagesNameWhatIsWrong) {
    Write("a\n", "b\n");
    m_dir.MakeFolder("folder");
    test::ProgramResult result = Run({"-t:f", "nosuch", "folder"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "corvatine: cannot open 'nosuch': No such file or directory\n");

    result = Run({"left.txt", "right.txt", "third.txt", "fourth.txt"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err,
              "corvatine: warning: ignoring 'third.txt': only two paths are compared\n"
              "corvatine: warning: ignoring 'fourth.txt': only two paths are compared\n");
    EXPECT_NE(result.out.find("1 a"), std::string::npos) << result.out;

    for (const char* filter : {"/lf:re=\\(", "/lf:re=["}) {
        result = Run({"-c", "/t:t", "/r:ilmf", filter, "left.txt", "right.txt"});
        EXPECT_EQ(result.exitStatus, 2) << filter;
        EXPECT_EQ(result.err.rfind("corvatine: invalid line filter '" + std::string(filter + 7) + "': ", 0),
                  0u)
            << result.err;
    }
    EXPECT_NE(result.err.find("Invalid regular expression"), std::string::npos) << result.err;
    // '(' alone is a character of the expression language, not a group.
    EXPECT_EQ(Run({"-c", "/t:t", "/lf:re=(", "left.txt", "right.txt"}).exitStatus, 1);

    result = Run({"--width=100000000", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(
        result.err.find("invalid value '100000000' for '--width': a number of columns from 20 to 100000"),
        std::string::npos)
        << result.err;
}

TEST_F(CompareTest, Trouble) {
    Write("a\n", std::string("a\0b", 3));
    // A file with binary data makes a binary comparison.
    test::ProgramResult result = Run({"left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_NE(result.out.find("different"), std::string::npos) << result.out;
    // Asked for as text, a file with binary data is still no text file: the
    // comparison is binary.
    result = Run({"-c", "/t:text", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_NE(result.out.find("bytes differ"), std::string::npos) << result.out;

    result = Run({"left.txt", "missing.txt"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("missing.txt"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("No such file or directory"), std::string::npos) << result.err;

    result = Run({"-c", "left.txt"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("only one path"), std::string::npos) << result.err;

    result = Run({"--format=tree", "left.txt", "left.txt"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("--format"), std::string::npos);
    EXPECT_EQ(Run({"--width=5", "left.txt", "left.txt"}).exitStatus, 2);
    EXPECT_EQ(Run({"--context=-1", "left.txt", "left.txt"}).exitStatus, 2);
}

// Ignoring comments works in every language by its own comment syntax.
TEST_F(CompareTest, IgnoringCommentsInSeveralLanguages) {
    const struct {
        const char* extension;
        const char* left;
        const char* right;
    } cases[] = {
        {"py", "x = 1  # one\ns = '# kept'\n", "x = 1  # two\ns = '# kept'\n"},
        {"sh", "ls # one\n", "ls # two\n"},
        {"sql", "select x /* one */ from t\n", "select x /* two */ from t\n"},
        {"pas", "a { one } (* x *) b\n", "a { two } (* y *) b\n"},
        {"html", "<p><!-- one --></p>\n", "<p><!-- two --></p>\n"},
        {"lsp", "(a) ;| one |;\n", "(a) ;| two |;\n"},
    };
    for (const auto& c : cases) {
        const std::string left = std::string("left.") + c.extension,
                          right = std::string("right.") + c.extension;
        m_dir.WriteFile(left, c.left);
        m_dir.WriteFile(right, c.right);
        EXPECT_EQ(Run({"-c", "-t:text", "-r:ic", left, right}).exitStatus, 0) << c.extension;
        EXPECT_EQ(Run({"-c", "-t:text", left, right}).exitStatus, 1) << c.extension;
    }
    // A difference inside a string is no comment.
    m_dir.WriteFile("left.py", "s = '# one'\n");
    m_dir.WriteFile("right.py", "s = '# two'\n");
    EXPECT_EQ(Run({"-c", "-t:text", "-r:ic", "left.py", "right.py"}).exitStatus, 1);
}

// The verdict "same" or "different" under rules that have a GNU diff option
// of the same meaning is diff's verdict.
TEST_F(CompareTest, RulesJudgeBlankLinesAsDiffDoes) {
    const struct {
        const char* left;
        const char* right;
        const char* rules;
        std::vector<std::string> diffOptions;
    } cases[] = {
        // A line of only blanks is blank where white space is ignored.
        {"a\nb\n", "a\n   \nb\n", "ias|ibl", {"-w", "-B"}},
        {"a\nb\n", "a\n \t \nb\n", "isd|ibl", {"-b", "-B"}},
        {"a\nb\n", "a\n  \nb\n", "its|ibl", {"-Z", "-B"}},
        {"a\nb\n", "a\n  \nb\n", "ibl", {"-B"}},
        {"a\nb\n", "a\n\t\nb\n", "ite|ibl", {"-E", "-B"}},
        // An empty line inserted next to a line of blanks.
        {"x\n   \ny\n", "x\n\n   \ny\n", "ias|ibl", {"-w", "-B"}},
        {"x\n\ny\n", "x\n   \n\ny\n", "ias|ibl", {"-w", "-B"}},
        {"x\n\ny\n", "x\n   \n\ny\n", "isd|ibl", {"-b", "-B"}},
        // Blank lines of CR LF files with blank LF lines inserted.
        {"a\r\n\r\nb\r\n", "a\r\n\r\n\nb\r\n", "ibl", {"-B"}},
        {"a\r\n\r\nb\r\n\r\nc\r\n", "a\r\n\n\r\nb\r\n\n\n\r\nc\r\n", "ibl|icc", {"-B", "-i"}},
    };
    for (const auto& c : cases) {
        Write(c.left, c.right);
        std::vector<std::string> arguments = c.diffOptions;
        arguments.insert(arguments.end(), {"-q", "left.txt", "right.txt"});
        const int expected = test::RunProgram("/usr/bin/diff", arguments, {}, m_dir.Path()).exitStatus;
        const test::ProgramResult ours =
            Run({"--quiet", "-c", "-t:text", std::string("-r:") + c.rules, "left.txt", "right.txt"});
        EXPECT_EQ(ours.exitStatus, expected) << c.rules << " on '" << c.left << "' and '" << c.right << "'";
    }
}

// A missing final line break is a difference of line endings: where line
// endings are ignored it is none, whatever the white-space rules, and where
// they count it is one, whatever the white-space rules (as diff -Z and -b
// agree with each other).
TEST_F(CompareTest, AMissingFinalLineBreakIsALineEnding) {
    Write("a\nb\n", "a\nb");
    for (const char* rules : {"ieol", "ias|ieol", "isd|ieol", "its|ieol", "ils|ieol", "icc|ieol", "ibl|ieol"})
        EXPECT_EQ(
            Run({"--quiet", "-c", "-t:text", std::string("-r:") + rules, "left.txt", "right.txt"}).exitStatus,
            0)
            << rules;
    for (const char* rules : {"icc", "ias", "isd", "its", "ils", "ibl"})
        EXPECT_EQ(
            Run({"--quiet", "-c", "-t:text", std::string("-r:") + rules, "left.txt", "right.txt"}).exitStatus,
            1)
            << rules;
}

// A block that moved is marked where it left ('{') and where it arrived
// ('}') and listed as a move in JSON; the least number of lines is a
// setting, 0 turning moves off; the unified diff is the same either way.
TEST_F(CompareTest, MovedBlocksAreMarkedInTheSideFormatAndListedInJson) {
    Write("one\ntwo\nthree\nfour\na\nb\nc\nd\ne\n", "a\nb\nc\nd\none\ntwo\nthree\nfour\ne\n");
    test::ProgramResult result = Run({"--width=40", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out,
              "1 one              {\n"
              "2 two              {\n"
              "3 three            {\n"
              "4 four             {\n"
              "5 a                  1 a\n"
              "6 b                  2 b\n"
              "7 c                  3 c\n"
              "8 d                  4 d\n"
              "                   } 5 one\n"
              "                   } 6 two\n"
              "                   } 7 three\n"
              "                   } 8 four\n"
              "9 e                  9 e\n");
    result = Run({"--format=json", "left.txt", "right.txt"});
    const Json json = Json::parse(result.out);
    ASSERT_EQ(json["moves"].size(), 1u);
    EXPECT_EQ(json["moves"][0]["kind"], "moved");
    EXPECT_EQ(json["moves"][0]["leftLines"], Json::parse("[0, 3]"));
    EXPECT_EQ(json["moves"][0]["rightLines"], Json::parse("[4, 7]"));
    EXPECT_EQ(json["moves"][0]["rightRows"], Json::parse("[8, 11]"));
    EXPECT_EQ(json["differences"], 2) << "the deletion and the insertion stay differences";
    const std::string unified = Run({"--format=unified", "left.txt", "right.txt"}).out;

    m_config.WriteFile("registry.reg",
                       "Windows Registry Editor Version 5.00\n\n"
                       "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Comparisons\\FileComparison\\"
                       "TextComparison\\Settings]\n"
                       "\"MovedLines\"=dword:00000000\n");
    result = Run({"--width=40", "left.txt", "right.txt"});
    EXPECT_EQ(result.out.find('{'), std::string::npos);
    EXPECT_NE(result.out.find("1 one              <"), std::string::npos) << result.out;
    EXPECT_TRUE(Json::parse(Run({"--format=json", "left.txt", "right.txt"}).out)["moves"].empty());
    EXPECT_EQ(Run({"--format=unified", "left.txt", "right.txt"}).out, unified);
}

// The blocks git's --color-moved=blocks colours as moved, of at least
// three lines that are not blank, as a list of their lines.
std::vector<std::vector<std::string>> GitMovedBlocks(const std::string& diff) {
    std::vector<std::vector<std::string>> blocks;
    std::vector<std::string> block;
    const auto flush = [&] {
        const auto solid = std::count_if(block.begin(), block.end(), [](const std::string& l) {
            return l.find_first_not_of(" \t") != std::string::npos;
        });
        if (solid >= 3) blocks.push_back(block);
        block.clear();
    };
    size_t from = 0;
    while (from < diff.size()) {
        size_t end = diff.find('\n', from);
        if (end == std::string::npos) end = diff.size();
        const std::string line = diff.substr(from, end - from);
        from = end + 1;
        // Removed lines that moved are bold magenta: "\e[1;35m-text\e[m".
        const std::string start = "\x1b[1;35m-";
        if (line.rfind(start, 0) == 0 && line.size() >= start.size() + 3) {
            block.push_back(line.substr(start.size(), line.size() - start.size() - 3));
            continue;
        }
        flush();
    }
    flush();
    return blocks;
}

// A real refactoring: jq's commit cf4b48c7ba moved the bodies of two
// functions within src/jv.c among 89 other differences. Both are found
// whole, line for line equal, and they are what git finds.
TEST_F(CompareTest, TheMovesOfARealRefactoringAreFoundAsGitFindsThem) {
    const std::string before = std::string(CORVATINE_SOURCE_DIR) + "/tests/e2e/data/jq-jv-before.c";
    const std::string after = std::string(CORVATINE_SOURCE_DIR) + "/tests/e2e/data/jq-jv-after.c";
    const test::ProgramResult result = Run({"--format=json", before, after});
    ASSERT_EQ(result.exitStatus, 1) << result.err;
    const Json json = Json::parse(result.out);
    ASSERT_EQ(json["moves"].size(), 2u) << json["moves"].dump();
    EXPECT_EQ(json["moves"][0]["leftLines"], Json::parse("[386, 400]"));
    EXPECT_EQ(json["moves"][0]["rightLines"], Json::parse("[611, 625]"));
    EXPECT_EQ(json["moves"][1]["leftLines"], Json::parse("[1185, 1194]"));
    EXPECT_EQ(json["moves"][1]["rightLines"], Json::parse("[1428, 1437]"));
    std::vector<std::string> lines[2];
    for (int side = 0; side < 2; ++side) {
        const std::string text = test::ReadFile(side == 0 ? before : after);
        size_t from = 0;
        while (from < text.size()) {
            const size_t end = text.find('\n', from);
            lines[side].push_back(text.substr(from, end - from));
            from = end + 1;
        }
    }
    std::vector<std::vector<std::string>> ours;
    for (const Json& move : json["moves"]) {
        const int left = move["leftLines"][0], right = move["rightLines"][0];
        const int count = move["leftLines"][1].get<int>() - left + 1;
        ASSERT_EQ(move["rightLines"][1].get<int>() - right + 1, count);
        std::vector<std::string> block;
        for (int k = 0; k < count; ++k) {
            EXPECT_EQ(lines[0][static_cast<size_t>(left + k)], lines[1][static_cast<size_t>(right + k)]);
            block.push_back(lines[0][static_cast<size_t>(left + k)]);
        }
        ours.push_back(block);
    }
    const test::ProgramResult git = test::RunProgram(
        "/usr/bin/git", {"diff", "--no-index", "--color=always", "--color-moved=blocks", before, after},
        {"GIT_CONFIG_NOSYSTEM=1", "GIT_CONFIG_GLOBAL=/dev/null"});
    if (git.exitStatus != 1)
        GTEST_SKIP() << "git diff --no-index did not run (" << git.exitStatus << "): " << git.err;
    EXPECT_EQ(GitMovedBlocks(git.out), ours);
}

}  // namespace
}  // namespace corvatine
