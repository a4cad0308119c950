// Find and replace in a text file from the command line: --search with its
// flags, --replace with and without --save, and GNU grep as the peer of
// literal and simple expression searches.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

class SearchTest : public ::testing::Test {
protected:
    test::ProgramResult Run(const std::vector<std::string>& arguments) {
        return test::RunCorvatine(arguments, dir.Path());
    }
    test::TempDir dir;
};

TEST_F(SearchTest, EachLineWithTheColumnsOfItsMatches) {
    dir.WriteFile("a.txt", "foo bar foo\r\ncaf\xC3\xA9 Foo\nnothing\n");
    test::ProgramResult result = Run({"-e", "a.txt", "--search=foo"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    // The column counts bytes: the two of "é" as well.
    EXPECT_EQ(result.out, "1:1,9: foo bar foo\n2:7: caf\xC3\xA9 Foo\n");
    EXPECT_EQ(result.err, "");

    result = Run({"-e", "a.txt", "--search=foo", "--match-case"});
    EXPECT_EQ(result.out, "1:1,9: foo bar foo\n");
    result = Run({"-e", "a.txt", "--search=foo", "--up"});
    EXPECT_EQ(result.out, "2:7: caf\xC3\xA9 Foo\n1:9,1: foo bar foo\n");
    result = Run({"-e", "a.txt", "--search=o b", "--quiet"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out, "");
}

TEST_F(SearchTest, NothingFoundIsStatusOne) {
    dir.WriteFile("a.txt", "abc\n");
    for (const std::vector<std::string>& words : {std::vector<std::string>{"--search=xyz"},
                                                  {"--search=ABC", "--match-case"},
                                                  {"--search=b", "--whole-word"},
                                                  {"--search=xyz", "--replace=q"}}) {
        std::vector<std::string> arguments = {"-e", "a.txt"};
        arguments.insert(arguments.end(), words.begin(), words.end());
        const test::ProgramResult result = Run(arguments);
        EXPECT_EQ(result.exitStatus, 1) << words[0];
        EXPECT_EQ(result.out, "") << words[0];
        EXPECT_EQ(result.err, "corvatine: Cannot find string \"" + words[0].substr(9) + "\"\n");
    }
    EXPECT_EQ(test::ReadFile(dir / "a.txt"), "abc\n");
}

TEST_F(SearchTest, RegularExpressionsSpanLines) {
    dir.WriteFile("a.txt", "int main()\n{\n    return 0;\n}\n");
    test::ProgramResult result = Run({"-e", "a.txt", "--regex", "--search=\\)\\n\\{"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "1:10: int main()\n");
    result = Run({"-e", "a.txt", "--regex", "--search=<turn"});
    EXPECT_EQ(result.exitStatus, 1);
    result = Run({"-e", "a.txt", "--regex", "--search=<\\w+>;"});
    EXPECT_EQ(result.out, "3:12:     return 0;\n") << result.err;
    result = Run({"-e", "a.txt", "--regex", "--search=^\\s*\\w"});
    EXPECT_EQ(result.out, "1:1: int main()\n3:1:     return 0;\n");
}

TEST_F(SearchTest, ExpressionTooComplexIsTrouble) {
    dir.WriteFile("a.txt", "ab\n" + std::string(40, 'a') + "\n");
    const test::ProgramResult result = Run({"-e", "a.txt", "--regex", "--search=(a+)+b"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.out, "1:1: ab\n");
    EXPECT_EQ(result.err, "corvatine: cannot search 'a.txt': expression too complex\n");
    const test::ProgramResult replaced =
        Run({"-e", "a.txt", "--regex", "--search=(a+)+b", "--replace=x", "--save"});
    EXPECT_EQ(replaced.exitStatus, 2);
    EXPECT_EQ(replaced.err, "corvatine: cannot search 'a.txt': expression too complex\n");
    EXPECT_EQ(test::ReadFile(dir / "a.txt"), "ab\n" + std::string(40, 'a') + "\n");
}

TEST_F(SearchTest, ReplacePrintsTheTextUnlessSaved) {
    const std::string original = "one two one\r\ntwo one\r\n";
    dir.WriteFile("a.txt", original);
    test::ProgramResult result = Run({"-e", "a.txt", "--search=one", "--replace=1"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "1 two 1\r\ntwo 1\r\n");
    EXPECT_EQ(result.err, "corvatine: 3 occurrences replaced\n");
    EXPECT_EQ(test::ReadFile(dir / "a.txt"), original);

    result = Run({"-e", "a.txt", "--regex", "--search=^two one", "--replace=", "--save"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "corvatine: 1 occurrence replaced\n");
    EXPECT_EQ(test::ReadFile(dir / "a.txt"), "one two one\r\n\r\n");

    result = Run({"-e", "a.txt", "--search=one", "--replace=1", "--save-as=b.txt"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(test::ReadFile(dir / "b.txt"), "1 two 1\r\n\r\n");
    EXPECT_EQ(test::ReadFile(dir / "a.txt"), "one two one\r\n\r\n");

    result = Run({"-e", "a.txt", "--search=one", "--replace=1", "--quiet"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out + result.err, "");
}

TEST_F(SearchTest, ReplaceWithGroupsAcrossLinesAndSaveInTheFilesEncoding) {
    // UTF-16 little-endian with a byte-order mark and CR LF endings.
    const auto utf16 = [](const std::string& ascii) {
        std::string out = "\xFF\xFE";
        for (const char c : ascii) {
            out += c;
            out += '\0';
        }
        return out;
    };
    dir.WriteFile("w.txt", utf16("key = value\r\nname =\r\n  other\r\n"));
    const test::ProgramResult result = Run(
        {"-e", "w.txt", "--regex", "--search=(\\w+) =\\n? *(\\w+)", "--replace=\\U\\2\\E: \\1", "--save"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "corvatine: 2 occurrences replaced\n");
    EXPECT_EQ(test::ReadFile(dir / "w.txt"), utf16("VALUE: key\r\nOTHER: name\r\n"));

    // A replacement that names a group that did not match changes nothing.
    dir.WriteFile("g.txt", "ab\n");
    const test::ProgramResult failed =
        Run({"-e", "g.txt", "--regex", "--search=(x)?b", "--replace=\\1", "--save"});
    EXPECT_EQ(failed.exitStatus, 2);
    EXPECT_EQ(
        failed.err,
        "corvatine: cannot replace the match at 1:2 of 'g.txt' with '\\1': it names a group that did not "
        "match, or ends in a backslash or a bad escape\n");
    EXPECT_EQ(test::ReadFile(dir / "g.txt"), "ab\n");
}

TEST_F(SearchTest, ReadOnlyFilesAreReplacedOnlyInTheOutput) {
    dir.WriteFile("r.txt", "abc\n");
    const test::ProgramResult printed = Run({"-e", "/ro", "r.txt", "--search=b", "--replace=B"});
    EXPECT_EQ(printed.exitStatus, 0) << printed.err;
    EXPECT_EQ(printed.out, "aBc\n");
    const test::ProgramResult saved = Run({"-e", "/ro", "r.txt", "--search=b", "--replace=B", "--save"});
    EXPECT_EQ(saved.exitStatus, 2);
    EXPECT_EQ(saved.err, "corvatine: cannot save 'r.txt': it is read-only\n");
    EXPECT_EQ(test::ReadFile(dir / "r.txt"), "abc\n");
    // A file its user may not write is read-only too, as in the window: it
    // is not replaced behind its mode (root may write anything).
    if (::geteuid() != 0) {
        const std::string locked = dir.WriteFile("locked.txt", "abc\n");
        ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
        const test::ProgramResult refused = Run({"-e", "locked.txt", "--search=b", "--replace=B", "--save"});
        EXPECT_EQ(refused.exitStatus, 2);
        EXPECT_EQ(refused.err, "corvatine: cannot save 'locked.txt': it is read-only\n");
        EXPECT_EQ(test::ReadFile(locked), "abc\n");
    }
}

TEST_F(SearchTest, WordsThatDoNotFitTogether) {
    dir.WriteFile("a.txt", "abc\n");
    dir.WriteFile("b.bin", std::string("ab\0c", 4));
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } kCases[] = {
        {{"-e", "a.txt", "--regex"}, "'--regex' needs --search"},
        {{"-e", "a.txt", "--up"}, "'--up' needs --search"},
        {{"-e", "a.txt", "--replace=x"}, "'--replace' needs --search"},
        {{"-e", "a.txt", "--save"}, "'--save' saves what '--replace' changed: give --replace too"},
        {{"-e", "a.txt", "--search=a", "--save"},
         "'--save' saves what '--replace' changed: give --replace too"},
        {{"-e", "a.txt", "--search="}, "'--search' needs a text to search for: --search=TEXT"},
        {{"-e", "a.txt", "--search"},
         "option '--search' needs a value: --search=...\nTry 'corvatine --help' for more information."},
        {{"-e", "a.txt", "--search=a", "--regex", "--whole-word"},
         "'--whole-word' does not apply to a regular expression"},
        {{"-e", "a.txt", "--search=a", "--replace=b", "--up"},
         "'--up' does not apply to --replace, which goes through the whole file"},
        {{"-e", "a.txt", "--search=a", "--format=text"}, "'--format' does not apply to --search"},
        {{"-e", "a.txt", "--search=a", "--save-as=c.txt"},
         "'--save-as' does not apply to --search without --replace"},
        {{"-e", "a.txt", "--search=a", "--export=c.html"},
         "'--export' does not apply to --search without --replace"},
        {{"-e", "b.bin", "--search=a"}, "'--search' does not apply to editing a binary file"},
        {{"-e", "a.txt", "--find==a", "--search=a"},
         "'--find' searches the bytes of the hex view and '--search' the text of the editor: give one of "
         "them"},
        {{"a.txt", "a.txt", "--search=a"}, "'--search' does not apply to a text comparison"},
        // A malformed expression is named with what is wrong, never "not found".
        {{"-e", "a.txt", "--search=a(", "--regex"},
         "invalid regular expression 'a(': '(' without its ')' at character 2"},
        {{"-e", "a.txt", "--search=^#include", "--regex"},
         "invalid regular expression '^#include': '#' repeats something that takes no character (one or "
         "more, as few as possible; \\# is the character itself) at character 2"},
        {{"-e", "a.txt", "--search=@x", "--regex", "--replace=y"},
         "invalid regular expression '@x': '@' has nothing before it to repeat (zero or more, as few as "
         "possible; \\@ is the character itself) at character 1"},
        {{"-e", "a.txt", "--search=[b-a]", "--regex"},
         "invalid regular expression '[b-a]': a range that runs backwards at character 5"},
        {{"-e", "a.txt", "--search=x\\", "--regex"},
         "invalid regular expression 'x\\': a backslash at the end at character 2"},
    };
    for (const auto& c : kCases) {
        const test::ProgramResult result = Run(c.arguments);
        EXPECT_EQ(result.exitStatus, 2) << c.message;
        EXPECT_EQ(result.err, std::string("corvatine: ") + c.message + "\n");
        EXPECT_EQ(result.out, "") << c.message;
    }
    EXPECT_EQ(test::ReadFile(dir / "a.txt"), "abc\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "c.html"));
}

TEST_F(SearchTest, FindStillSearchesTheHexView) {
    dir.WriteFile("a.txt", "abcabc\n");
    const test::ProgramResult result = Run({"-e", "a.txt", "--find==bc"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "00000001\n00000004\n");
}

// "LINE:COLUMN" of every match GNU grep finds with -o, the column from the
// byte offset that -b gives.
std::string GrepMatches(const std::string& path, const std::string& text,
                        const std::vector<std::string>& options, const std::string& pattern) {
    std::vector<size_t> lineStarts = {0};
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') lineStarts.push_back(i + 1);
    std::vector<std::string> arguments = {"-n", "-o", "-b"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.insert(arguments.end(), {"-e", pattern, path});
    const test::ProgramResult grep = test::RunProgram("/usr/bin/grep", arguments, {"LC_ALL=C"});
    EXPECT_LE(grep.exitStatus, 1) << grep.err;
    std::istringstream lines(grep.out);
    std::string out, line;
    while (std::getline(lines, line)) {
        const size_t colon = line.find(':'), second = line.find(':', colon + 1);
        const size_t number = std::stoul(line.substr(0, colon));
        const size_t offset = std::stoul(line.substr(colon + 1, second - colon - 1));
        out += std::to_string(number) + ":" + std::to_string(offset - lineStarts[number - 1] + 1) + "\n";
    }
    return out;
}

// The same from our output: "LINE:COLUMN,COLUMN...: text" a line.
std::string OurMatches(const std::string& out) {
    std::istringstream lines(out);
    std::string result, line;
    while (std::getline(lines, line)) {
        const size_t colon = line.find(':');
        std::istringstream columns(line.substr(colon + 1, line.find(':', colon + 1) - colon - 1));
        std::string column;
        while (std::getline(columns, column, ',')) result += line.substr(0, colon) + ":" + column + "\n";
    }
    return result;
}

TEST_F(SearchTest, GrepFindsTheSameMatches) {
    static const char* const kWords[] = {"foo", "Foo", "food", "xfoo", "FOO", "bar",
                                         "a1b", "42x", "x",    "_foo", "foo_"};
    std::mt19937 random(11);
    std::string text;
    for (int line = 0; line < 400; ++line) {
        const int words = static_cast<int>(random() % 7);
        for (int w = 0; w < words; ++w) {
            if (w > 0) text += random() % 5 == 0 ? "\t" : " ";
            text += kWords[random() % (sizeof kWords / sizeof *kWords)];
        }
        text += "\n";
    }
    const std::string path = dir.WriteFile("words.txt", text);
    const struct {
        std::vector<std::string> ours;
        std::vector<std::string> grep;
        const char* pattern;
    } kCases[] = {
        {{"--match-case"}, {"-F"}, "foo"},
        {{}, {"-F", "-i"}, "foo"},
        {{"--match-case", "--whole-word"}, {"-F", "-w"}, "foo"},
        {{"--whole-word"}, {"-F", "-w", "-i"}, "foo"},
        {{"--match-case"}, {"-F"}, "o\tb"},
        {{"--regex", "--match-case"}, {"-E"}, "[0-9]+x"},
        {{"--regex", "--match-case"}, {"-E"}, "^foo"},
        {{"--regex", "--match-case"}, {"-E"}, "o+d$"},
        {{"--regex", "--match-case"}, {"-E"}, "f[a-z]*o"},
        {{"--regex"}, {"-E", "-i"}, "[a-z]1[a-z]"},
        {{"--regex", "--match-case"}, {"-E"}, "[^ \t]+_"},
        {{"--regex", "--match-case"}, {"-E"}, "ba.( |$)"},
    };
    for (const auto& c : kCases) {
        std::vector<std::string> arguments = {"-e", "words.txt", std::string("--search=") + c.pattern};
        arguments.insert(arguments.end(), c.ours.begin(), c.ours.end());
        const test::ProgramResult ours = Run(arguments);
        const std::string expected = GrepMatches(path, text, c.grep, c.pattern);
        ASSERT_FALSE(expected.empty()) << c.pattern;
        EXPECT_EQ(ours.exitStatus, 0) << c.pattern << ": " << ours.err;
        EXPECT_EQ(OurMatches(ours.out), expected) << c.pattern;
    }
}

// An em dash or a no-break space is no word character: whole words beside
// them are found, as grep -w finds them in a UTF-8 locale.
TEST_F(SearchTest, WholeWordsBesideNonAsciiPunctuation) {
    const std::string text =
        "LaTeX\xE2\x80\x94the\nword\xC2\xA0next\ncaf\xC3\xA9 the\xC3\xA9 the\xE2\x80\x99s \xC3\xA9the "
        "the_x\n";
    const std::string path = dir.WriteFile("f.txt", text);
    for (const char* word : {"the", "LaTeX", "word", "next", "caf"}) {
        std::vector<size_t> lineStarts = {0};
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n') lineStarts.push_back(i + 1);
        const test::ProgramResult grep = test::RunProgram(
            "/usr/bin/grep", {"-n", "-o", "-b", "-w", "-F", "-e", word, path}, {"LC_ALL=C.UTF-8"});
        std::istringstream lines(grep.out);
        std::string expected, line;
        while (std::getline(lines, line)) {
            const size_t colon = line.find(':'), second = line.find(':', colon + 1);
            const size_t number = std::stoul(line.substr(0, colon));
            expected += std::to_string(number) + ":" +
                        std::to_string(std::stoul(line.substr(colon + 1, second - colon - 1)) -
                                       lineStarts[number - 1] + 1) +
                        "\n";
        }
        const test::ProgramResult ours =
            Run({"-e", "f.txt", std::string("--search=") + word, "--whole-word", "--match-case"});
        EXPECT_EQ(OurMatches(ours.out), expected) << word;
        EXPECT_EQ(ours.exitStatus, expected.empty() ? 1 : 0) << word;
    }
    // Found at all (grep agrees on these): the line of the issue.
    EXPECT_EQ(Run({"-e", "f.txt", "--search=the", "--whole-word"}).out.substr(0, 5), "1:9: ");
}

// Word anchors stand only where a word starts or ends: never on an empty
// line, among blanks or punctuation; as GNU sed's \< and \> in UTF-8.
TEST_F(SearchTest, WordAnchorsAsSedPlacesThem) {
    const std::string text =
        "LaTeX\xE2\x80\x94the\nword\xC2\xA0next\n\n   \n--!\nword\n two words "
        "\na-b\ncaf\xC3\xA9\xE2\x80\x94x\n";
    const std::string path = dir.WriteFile("f.txt", text);
    for (const auto& [ours, sed] :
         {std::pair<const char*, const char*>{"<", "s/\\</|/g"}, {">", "s/\\>/|/g"}}) {
        const test::ProgramResult expected =
            test::RunProgram("/usr/bin/sed", {sed, path}, {"LC_ALL=C.UTF-8"});
        const test::ProgramResult result =
            Run({"-e", "f.txt", "--regex", std::string("--search=") + ours, "--replace=|"});
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.out, expected.out) << ours;
    }
    dir.WriteFile("blank.txt", "\n  \n--\n");
    EXPECT_EQ(Run({"-e", "blank.txt", "--regex", "--search=<"}).exitStatus, 1);
    EXPECT_EQ(Run({"-e", "blank.txt", "--regex", "--search=>"}).exitStatus, 1);
}

// A repeated line break takes every line break that follows, as Perl's
// expressions do.
TEST_F(SearchTest, RepeatedLineBreaksTakeEveryOne) {
    const struct {
        const char* text;
        const char* pattern;
        const char* replacement;
        const char* perl;  // the same substitution in Perl
    } kCases[] = {
        {"a\n\n\n\nb\n", "\\n\\n+", "\\n\\n", "s/\\n\\n+/\\n\\n/g"},
        {"a\n\n\n\nb\n\n\nc\nd\n", "\\n+", "\\n", "s/\\n+/\\n/g"},
        {"a\n\n\nb\n", "a\\n+b", "x", "s/a\\n+b/x/g"},
        {"a\n\n\n\n\n\n\n\n\n\nb\n\nc\n", "(\\n)+", "<\\1>", "s/(\\n)+/<$1>/g"},
        {"a\n\n\n\n\n\n\nb\n", "[\\n]+", "-", "s/[\\n]+/-/g"},
        {"x\n\n\ny\nz\n\n", "\\n\\n+", "|", "s/\\n\\n+/|/g"},
        {"k\n\n\n\n", "\\n#", "=", "s/\\n+?/=/g"},
    };
    for (const auto& c : kCases) {
        dir.WriteFile("t.txt", c.text);
        const test::ProgramResult perl =
            test::RunProgram("/usr/bin/perl", {"-0777", "-pe", c.perl, dir / "t.txt"});
        ASSERT_EQ(perl.exitStatus, 0) << perl.err;
        const test::ProgramResult ours = Run({"-e", "t.txt", "--regex", std::string("--search=") + c.pattern,
                                              std::string("--replace=") + c.replacement});
        EXPECT_EQ(ours.exitStatus, 0) << c.pattern << ": " << ours.err;
        EXPECT_EQ(ours.out, perl.out) << c.pattern;
    }
    dir.WriteFile("t.txt", "a\n\n\nb\n");
    EXPECT_EQ(Run({"-e", "t.txt", "--regex", "--search=a\\n+b"}).out, "1:1: a\n");
}

// A line of a hundred thousand matches is printed once, cut around its
// first match: the output stays small.
TEST_F(SearchTest, LongLinesArePrintedOnceAndCut) {
    std::string line;
    for (int i = 0; i < 40000; ++i) line += "foo ";
    dir.WriteFile("long.txt", "short foo line\n" + line + "\nx" + std::string(300, 'y') + "foo" +
                                  std::string(300, 'z') + "\n");
    const test::ProgramResult result = Run({"-e", "long.txt", "--search=foo"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    std::istringstream lines(result.out);
    std::string first, second, third, rest;
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, third);
    EXPECT_FALSE(std::getline(lines, rest));
    EXPECT_EQ(first, "1:7: short foo line");
    std::string columns;
    for (int i = 0; i < 40000; ++i) columns += (i ? "," : "") + std::to_string(4 * i + 1);
    EXPECT_EQ(second, "2:" + columns + ": " + line.substr(0, 160) + "...");
    EXPECT_EQ(third, "3:302: ..." + std::string(40, 'y') + "foo" + std::string(117, 'z') + "...");
    EXPECT_LT(result.out.size(), 300000u);

    // Upwards too: the columns from the last, the line listed once.
    const test::ProgramResult up = Run({"-e", "long.txt", "--search=foo", "--up", "--match-case"});
    EXPECT_EQ(up.exitStatus, 0) << up.err;
    std::string reversed;
    for (int i = 39999; i >= 0; --i) reversed += std::to_string(4 * i + 1) + (i ? "," : "");
    EXPECT_NE(up.out.find("\n2:" + reversed + ": "), std::string::npos);
}

}  // namespace
}  // namespace corvatine
