// The unified diff of real files against GNU diff and patch: the project's
// own sources, given other line endings with lines inserted, deleted or
// changed, under every rule list. patch must turn the left file into the
// right one (up to line endings where the rules ignore them), and the hunks
// must be diff's with the matching options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < text.size()) {
        const size_t end = text.find('\n', from);
        lines.push_back(text.substr(from, end == std::string::npos ? std::string::npos : end - from));
        from = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// Lines joined with the ending ending(i) after line i.
std::string Join(const std::vector<std::string>& lines, const std::function<std::string(size_t)>& ending) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += lines[i] + ending(i);
    return text;
}

// A text as the rules see it, for comparing what patch made with the right
// file: lines ending in CR LF, CR or LF, all in LF (a missing final one
// included) where line endings are ignored, and no blank lines where those
// are ignored.
std::string AsTheRulesSeeIt(const std::string& text, bool endings, bool blankLines) {
    std::string seen;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find_first_of("\r\n", from);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(from, end - from);
        size_t next = end;
        if (next < text.size()) next += text.compare(next, 2, "\r\n") == 0 ? 2 : 1;
        const std::string ending = text.substr(end, next - end);
        const bool blank = line.find_first_not_of(" \t") == std::string::npos;
        from = next;
        if (blankLines && blank) continue;
        seen += line + (endings ? "\n" : ending);
    }
    return seen;
}

// The hunk headers of a unified diff.
std::vector<std::string> Hunks(const std::string& diff) {
    std::vector<std::string> hunks;
    for (const std::string& line : SplitLines(diff))
        if (line.rfind("@@ ", 0) == 0) hunks.push_back(line);
    return hunks;
}

struct VARIANT {
    const char* name;
    std::string left, right;
    bool loneCarriageReturns = false;  // diff and the program count other lines
    bool noFinalLineFeed = false;      // --strip-trailing-cr still sees that
};

std::vector<VARIANT> Variants(const std::vector<std::string>& lines) {
    const auto lf = [](size_t) { return std::string("\n"); };
    const auto crlf = [](size_t) { return std::string("\r\n"); };
    std::vector<std::string> inserted;
    for (int i = 1; i <= 9; ++i) inserted.push_back("// inserted line " + std::to_string(i));
    const size_t middle = lines.size() / 2, third = lines.size() / 3;

    std::vector<VARIANT> variants;
    std::vector<std::string> right = inserted;
    right.insert(right.end(), lines.begin(), lines.end());
    variants.push_back({"to CR LF with nine lines at the top", Join(lines, lf), Join(right, crlf)});

    right = lines;
    right.insert(right.begin() + static_cast<long>(middle), inserted.begin(), inserted.begin() + 3);
    variants.push_back({"to CR LF with three lines in the middle", Join(lines, lf), Join(right, crlf)});

    right = lines;
    right.erase(right.begin() + static_cast<long>(third), right.begin() + static_cast<long>(third) + 4);
    variants.push_back({"to CR LF with four lines deleted", Join(lines, lf), Join(right, crlf)});

    right = lines;
    right.insert(right.begin(), inserted.begin(), inserted.begin() + 2);
    right.insert(right.end(), inserted.begin() + 2, inserted.begin() + 4);
    variants.push_back({"to LF with lines at both ends", Join(lines, crlf), Join(right, lf)});

    right = lines;
    right[third] = "// changed line";
    right.insert(right.begin() + 1, inserted.begin(), inserted.begin() + 2);
    std::string mixed = Join(right, [](size_t i) { return std::string(i % 7 == 3 ? "\r\n" : "\n"); });
    mixed.pop_back();  // no line feed at the end
    if (!mixed.empty() && mixed.back() == '\r') mixed.pop_back();
    variants.push_back(
        {"some lines CR LF, one changed, no final line feed", Join(lines, lf), mixed, false, true});

    right = lines;
    right.insert(right.begin() + static_cast<long>(middle), inserted.begin(), inserted.begin() + 5);
    variants.push_back({"a few lines ending in a lone CR", Join(lines, lf),
                        Join(right, [](size_t i) { return std::string(i % 11 == 5 ? "\r" : "\n"); }), true});
    return variants;
}

// The options of GNU diff that compare as a rule does; empty for a rule
// without one (no line the variants change differs only in its way).
std::string DiffOption(const std::string& rule) {
    if (rule == "icc") return "-i";
    if (rule == "ias") return "-w";
    if (rule == "isd") return "-b";
    if (rule == "ite") return "-E";
    if (rule == "ibl") return "-B";
    if (rule == "its") return "-Z";
    return "";
}

class UnifiedOracleTest : public ::testing::Test {
protected:
    // Line endings count under the settings' rules.
    UnifiedOracleTest() {
        m_config.WriteFile("registry.reg",
                           "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Comparisons\\FileComparison\\"
                           "TextComparison\\Settings\\Rules\\Default]\n"
                           "\"IgnoreEOLs\"=dword:00000000\n");
    }
    test::ProgramResult Run(const std::vector<std::string>& arguments) {
        return test::RunCorvatine(arguments, m_dir.Path(),
                                  {"CORVATINE_CONFIG_DIR=" + m_config.Path(), "NO_COLOR=", "TZ=UTC"});
    }
    test::ProgramResult Diff(std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"left.txt", "right.txt"});
        return test::RunProgram("/usr/bin/diff", arguments, {"TZ=UTC"}, m_dir.Path());
    }

    test::TempDir m_dir;
    test::TempDir m_config;
};

TEST_F(UnifiedOracleTest, PatchAndDiffAgreeOnRealFilesUnderEveryRuleList) {
    static const char* const kFiles[] = {"src/textcompare/UnifiedDiff.cpp", "src/platform/AtomicFile.h",
                                         "README.md"};
    static const char* const kSingleRules[] = {"icc", "ias", "isd", "ite", "ils", "its", "ibl", "ic", "ilmf"};
    std::vector<std::vector<std::string>> ruleLists = {{}};
    for (const char* rule : kSingleRules) ruleLists.push_back({rule});
    ruleLists.push_back({"ias", "ibl", "icc"});
    ruleLists.push_back({"isd", "its", "ils"});
    const size_t withoutEndings = ruleLists.size();
    for (size_t i = 0; i < withoutEndings; ++i) {
        std::vector<std::string> list = ruleLists[i];
        list.push_back("ieol");
        ruleLists.push_back(list);
    }

    int patched = 0, compared = 0;
    for (const char* file : kFiles) {
        const std::string text = test::ReadFile(std::string(CORVATINE_SOURCE_DIR) + "/" + file);
        ASSERT_FALSE(text.empty()) << file;
        for (const VARIANT& variant : Variants(SplitLines(text))) {
            m_dir.WriteFile("left.txt", variant.left);
            m_dir.WriteFile("right.txt", variant.right);
            for (const std::vector<std::string>& rules : ruleLists) {
                std::string word;
                std::vector<std::string> diffOptions = {"-u"};
                bool endings = false, spaceRules = false, blankLines = false;
                for (const std::string& rule : rules) {
                    word += (word.empty() ? "" : "|") + rule;
                    endings = endings || rule == "ieol";
                    blankLines = blankLines || rule == "ibl";
                    spaceRules = spaceRules || rule == "ias" || rule == "isd" || rule == "its";
                    if (!DiffOption(rule).empty()) diffOptions.push_back(DiffOption(rule));
                }
                if (endings) diffOptions.push_back("--strip-trailing-cr");
                const std::string what = std::string(file) + ", " + variant.name + ", rules '" + word + "'";
                // No list: the settings' rules, under which line endings count.
                std::vector<std::string> arguments = {"--no-gui", "-t:text", "--format=unified", "left.txt",
                                                      "right.txt"};
                if (!word.empty()) arguments.push_back("-r:" + word);
                const test::ProgramResult ours = Run(arguments);
                ASSERT_EQ(ours.exitStatus, 1) << what << "\n" << ours.err;
                m_dir.WriteFile("change.diff", ours.out);
                const test::ProgramResult patch = test::RunProgram(
                    "/usr/bin/patch", {"-s", "--binary", "-o", "patched.txt", "left.txt", "change.diff"}, {},
                    m_dir.Path());
                ASSERT_EQ(patch.exitStatus, 0) << what << "\n" << patch.out << patch.err << ours.out;
                const std::string result = test::ReadFile(m_dir / "patched.txt");
                EXPECT_EQ(AsTheRulesSeeIt(result, endings, blankLines),
                          AsTheRulesSeeIt(variant.right, endings, blankLines))
                    << what << "\n"
                    << ours.out;
                if (!endings && !blankLines) {
                    EXPECT_EQ(result, variant.right) << what;
                }
                ++patched;
                // diff counts a line ending in a lone CR as part of the next
                // line, sees a CR before a line feed as white space and a
                // line of it as no blank line, and a missing final line feed
                // as a difference even when it strips carriage returns.
                if (variant.loneCarriageReturns || (!endings && (spaceRules || blankLines)) ||
                    (endings && variant.noFinalLineFeed))
                    continue;
                EXPECT_EQ(Hunks(ours.out), Hunks(Diff(diffOptions).out)) << what;
                ++compared;
            }
        }
    }
    EXPECT_EQ(patched, 3 * 6 * 24);
    EXPECT_GT(compared, 3 * 4 * 16);
}

// The smallest case of a lost insertion: sixteen lines going from LF to
// CR LF with one line before them (with fifteen the right diff came out).
TEST_F(UnifiedOracleTest, AnInsertionBesideLineEndingChangesIsKept) {
    for (const int count : {15, 16, 17, 40, -40}) {
        // A line at the top, or (negative counts) in the middle.
        std::string left, right = count > 0 ? "new\r\n" : "";
        for (int i = 1; i <= std::abs(count); ++i) {
            left += std::to_string(i) + "\n";
            right += std::to_string(i) + "\r\n";
            if (count < 0 && i == -count / 2) right += "middle\r\n";
        }
        m_dir.WriteFile("left.txt", left);
        m_dir.WriteFile("right.txt", right);
        const test::ProgramResult ours =
            Run({"--no-gui", "-t:text", "-r:icc", "--format=unified", "left.txt", "right.txt"});
        EXPECT_EQ(ours.exitStatus, 1) << ours.err;
        EXPECT_EQ(ours.out, Diff({"-u", "-i"}).out) << count;
    }
}

// A UTF-8 byte-order mark is part of the first line as diff and patch see
// it: in context, removed and added lines alike, so that patch makes the
// right file byte for byte.
TEST_F(UnifiedOracleTest, AByteOrderMarkStaysOnTheFirstLine) {
    const std::string bom = "\xEF\xBB\xBF";
    std::string body;
    for (int i = 1; i <= 12; ++i) body += "line " + std::to_string(i) + "\r\n";
    std::string changedFirst = body, changedLater = body;
    changedFirst.replace(0, 6, "LINE 1");
    changedLater.replace(changedLater.find("line 9"), 6, "LINE 9");
    const struct {
        const char* name;
        std::string left, right;
    } kCases[] = {
        {"both marked, a later line changed", bom + body, bom + changedLater},
        {"both marked, the first line changed", bom + body, bom + changedFirst},
        {"the mark added", body, bom + body},
        {"the mark removed", bom + body, body},
        {"the mark removed, a line inserted at the top", bom + body, "new\r\n" + body},
        {"the mark added, the first line removed", body, bom + body.substr(body.find('\n') + 1)},
        {"a file of the mark alone", bom, "x\n"},
    };
    for (const auto& c : kCases) {
        m_dir.WriteFile("left.txt", c.left);
        m_dir.WriteFile("right.txt", c.right);
        for (const std::string& rules : {std::string(), std::string("-r:ieol"), std::string("-r:its|ils")}) {
            std::vector<std::string> arguments = {"--no-gui", "-t:text", "--format=unified", "left.txt",
                                                  "right.txt"};
            if (!rules.empty()) arguments.push_back(rules);
            const test::ProgramResult ours = Run(arguments);
            EXPECT_EQ(ours.exitStatus, 1) << c.name << " " << rules << ours.err;
            if (rules.empty()) {
                EXPECT_EQ(ours.out, Diff({"-u"}).out) << c.name;
            }
            m_dir.WriteFile("change.diff", ours.out);
            const test::ProgramResult patch = test::RunProgram(
                "/usr/bin/patch", {"-s", "--binary", "-o", "patched.txt", "left.txt", "change.diff"}, {},
                m_dir.Path());
            EXPECT_EQ(patch.exitStatus, 0)
                << c.name << " " << rules << ": " << patch.out << patch.err << ours.out;
            EXPECT_EQ(test::ReadFile(m_dir / "patched.txt"), c.right) << c.name << " " << rules;
        }
    }
}

}  // namespace
}  // namespace corvatine
