#include "textcompare/TextRules.h"

#include <gtest/gtest.h>

#include "editor/SyntaxEditContextEx.h"
#include "editor/SyntaxEditor.h"
#include "support/TestSupport.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

// A side holding text, its last line without an ending as loaded files have.
void Fill(CSyntaxEditContext& side, const std::string& text, const char* extension = "txt") {
    side.ResetToNew(1);
    int endLine = 0, endChar = 0;
    ASSERT_TRUE(side.InsertTextAt(nullptr, 0, 0, text, endLine, endChar, 0, false));
    side.SetSyntaxDefinition(GetSyntaxEditor().FindDefinitionForExtension(extension));
}

std::string Normalised(CSyntaxEditContext& side, uint32_t rules) {
    std::string out;
    EXPECT_EQ(WriteComparisonText(side, rules, &out), 0);
    return out;
}

TEST(TextRulesTest, WhiteSpacePrecedenceAndEngineSettings) {
    EXPECT_EQ(WhiteSpaceModeFromRules(0x3), WHITESPACE_ALL);
    EXPECT_EQ(WhiteSpaceModeFromRules(0x6), WHITESPACE_AMOUNT);
    EXPECT_EQ(WhiteSpaceModeFromRules(0x4), WHITESPACE_TAB_EXPANSION);
    EXPECT_EQ(WhiteSpaceModeFromRules(0x18), WHITESPACE_NONE);

    EXPECT_EQ(LineFilterFromRules(RULE_IGNORE_LINES_MATCHING_FILTER, ""), nullptr);
    EXPECT_EQ(LineFilterFromRules(0, "^#"), nullptr);
    const auto filter = LineFilterFromRules(RULE_IGNORE_LINES_MATCHING_FILTER, "^#");
    ASSERT_NE(filter, nullptr);

    CTextCompare engine;
    ApplyRulesToEngine(engine, RULE_IGNORE_CASE | RULE_IGNORE_BLANK_LINES | RULE_IGNORE_SPACE_DIFFERENCES,
                       filter.get(), 8);
    EXPECT_EQ(engine.whiteSpaceMode, WHITESPACE_AMOUNT);
    EXPECT_TRUE(engine.ignoreCase);
    EXPECT_TRUE(engine.ignoreBlankLines);
    EXPECT_EQ(engine.lineFilter, nullptr);  // the filter rule is off
    EXPECT_EQ(engine.tabSize, 8);
    ApplyRulesToEngine(engine, RULE_IGNORE_LINES_MATCHING_FILTER, filter.get(), 4);
    EXPECT_EQ(engine.lineFilter, filter.get());
}

TEST(TextRulesTest, NormalisingASide) {
    CSyntaxEditContext side;
    Fill(side, "  one  \r\ntwo\n\n  three  \n");
    // The last real line never has a terminator; file endings never reach the engine.
    EXPECT_EQ(Normalised(side, 0), "  one  \ntwo\n\n  three  \n");
    EXPECT_EQ(Normalised(side, RULE_IGNORE_LEADING_SPACE), "one  \ntwo\n\nthree  \n");
    EXPECT_EQ(Normalised(side, RULE_IGNORE_TRAILING_SPACE), "  one\ntwo\n\n  three\n");

    // Ghost rows are not text; the last real line ends the text.
    side.GetLine(1).flags |= LF_GHOST;
    side.GetLine(4).flags |= LF_GHOST;
    EXPECT_EQ(Normalised(side, 0), "  one  \n\n  three  ");
    CSyntaxEditContext last;
    Fill(last, "x\n   ");
    EXPECT_EQ(Normalised(last, RULE_IGNORE_TRAILING_SPACE), "x\n");  // the rule holds for the last line too
    EXPECT_EQ(WriteComparisonText(side, 0, nullptr), 1);
}

// The lines the engine reads in place are the lines of the written text,
// under every rule that changes lines, for every kind of ending and ghost rows.
TEST(TextRulesTest, GatheredLinesAreTheWrittenText) {
    const char* texts[] = {"  one  \r\ntwo\n\n  three  \n", "a\rb\r\nc", "x\n   ", "", "\n",
                           "int a; // c\n/* x */ int b;\n"};
    const uint32_t rules[] = {0, RULE_IGNORE_LEADING_SPACE, RULE_IGNORE_TRAILING_SPACE,
                              RULE_IGNORE_LEADING_SPACE | RULE_IGNORE_TRAILING_SPACE, RULE_IGNORE_COMMENTS};
    for (const char* text : texts) {
        for (const bool ghost : {false, true}) {
            CSyntaxEditContext side;
            Fill(side, text, "c");
            if (ghost && side.GetLineCount() > 1) side.GetLine(1).flags |= LF_GHOST;
            for (const uint32_t rule : rules) {
                TEXTLINES lines;
                CLineStore store;
                GatherComparisonLines(side, rule, lines, store);
                std::string joined;
                for (size_t i = 0; i < lines.Count(); ++i) {
                    EXPECT_EQ(lines.Length(i), lines.Line(i).size());
                    joined += lines.Line(i);
                    if (i + 1 < lines.Count() || !lines.lastIncomplete) joined += '\n';
                }
                // Where trailing white space is ignored, a missing final line
                // break is too: the last line counts as complete.
                std::string expected = Normalised(side, rule);
                if ((rule & RULE_IGNORE_TRAILING_SPACE) && !expected.empty() && expected.back() != '\n')
                    expected += '\n';
                EXPECT_EQ(joined, expected) << text << " rule " << rule << " ghost " << ghost;
            }
        }
    }
}

// A side whose lines end in line feeds is read where it lies in the buffer,
// with no list of lines; the first line that is not (another ending, a
// ghost row, a line the rules change) has the lines listed from then on.
TEST(TextRulesTest, LinesAreReadFromTheBufferWhileTheyEndInLineFeeds) {
    const auto gather = [](CSyntaxEditContext& side, uint32_t rules, TEXTLINES& lines, CLineStore& store) {
        GatherComparisonLines(side, rules, lines, store);
        std::vector<std::string> texts;
        for (size_t i = 0; i < lines.Count(); ++i) texts.emplace_back(lines.Line(i));
        return texts;
    };
    using Lines = std::vector<std::string>;
    CSyntaxEditContext side;
    CLineStore store;
    {
        TEXTLINES lines;
        Fill(side, "one\ntwo\nthree");
        EXPECT_EQ(gather(side, 0, lines, store), (Lines{"one", "two", "three"}));
        EXPECT_EQ(lines.buffer, &side);
        EXPECT_TRUE(lines.starts.empty());
        EXPECT_TRUE(lines.lastIncomplete);
        EXPECT_NE(lines.bufferLast, side.GetLine(2).Text());  // copied to get its line feed
        EXPECT_EQ(lines.Length(2), 5u);
        EXPECT_EQ(lines.Start(0), side.GetLine(0).Text());
    }
    {
        TEXTLINES lines;
        Fill(side, "one\ntwo\n");
        EXPECT_EQ(gather(side, 0, lines, store), (Lines{"one", "two"}));
        EXPECT_EQ(lines.buffer, &side);
        EXPECT_EQ(lines.bufferLast, nullptr);
        EXPECT_FALSE(lines.lastIncomplete);
        // The rules that leave every line as it is keep it so.
        EXPECT_EQ(gather(side, RULE_IGNORE_TRAILING_SPACE | RULE_IGNORE_CASE, lines, store),
                  (Lines{"one", "two"}));
        EXPECT_EQ(lines.buffer, &side);
    }
    const struct {
        const char* text;
        uint32_t rules;
        int ghostRow;
        Lines expected;
    } listed[] = {
        {"a\nb\r\nc\nd", 0, -1, {"a", "b", "c", "d"}},
        {"a\nb\rc\n", 0, -1, {"a", "b", "c"}},
        {"a\n  b\nc\n", RULE_IGNORE_LEADING_SPACE, -1, {"a", "b", "c"}},
        {"a\nb \nc\n", RULE_IGNORE_TRAILING_SPACE, -1, {"a", "b", "c"}},
        {"a\ng\nb\nc", 0, 1, {"a", "b", "c"}},
    };
    for (const auto& c : listed) {
        TEXTLINES lines;
        Fill(side, c.text);
        if (c.ghostRow >= 0) side.GetLine(c.ghostRow).flags |= LF_GHOST;
        EXPECT_EQ(gather(side, c.rules, lines, store), c.expected) << c.text;
        EXPECT_EQ(lines.buffer, nullptr) << c.text;
        EXPECT_EQ(lines.starts.size(), c.expected.size()) << c.text;
        EXPECT_EQ(lines.starts[0], side.GetLine(0).Text())
            << c.text;  // the first line still lies in the buffer
    }
}

// The engine finds the same sections in lines read from the buffers as in
// the written texts, on random sides with every kind of line.
TEST(TextRulesTest, TheEngineComparesLinesInTheBuffersAsTheWrittenText) {
    static const char* const pieces[] = {"a\n", "b\n", "c\n", "\n", "a\r\n", "b\r", "  a\n", "a \n", "d"};
    unsigned seed = 11;
    auto next = [&seed](unsigned bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % bound;
    };
    for (int round = 0; round < 200; ++round) {
        const uint32_t rules = round % 4 == 0 ? static_cast<uint32_t>(RULE_IGNORE_LEADING_SPACE) : 0u;
        std::string texts[2];
        for (std::string& text : texts)
            for (unsigned i = 0, n = next(40); i < n; ++i) text += pieces[next(round % 2 == 0 ? 3 : 9)];
        CSyntaxEditContext sides[2];
        TEXTLINES lines[2];
        CLineStore store;
        std::string written[2];
        for (int f = 0; f < 2; ++f) {
            Fill(sides[f], texts[f]);
            GatherComparisonLines(sides[f], rules, lines[f], store);
            written[f] = Normalised(sides[f], rules);
        }
        CTextCompare engine;
        CTextSectionCollector inBuffers, inTexts;
        engine.Run(lines[0], lines[1], inBuffers);
        engine.Run(written[0].data(), written[0].size(), written[1].data(), written[1].size(), inTexts);
        EXPECT_EQ(inBuffers.sections, inTexts.sections) << texts[0] << "\n----\n" << texts[1];
    }
}

TEST(TextRulesTest, CommentsAreLeftOut) {
    CSyntaxEditContext side;
    Fill(side, "int a; // note\n/* one\n   two */ int b;\ns = \"// kept?\";\n", "c");
    EXPECT_EQ(Normalised(side, RULE_IGNORE_COMMENTS), "int a; \n\n int b;\ns = \"\n");
    // Without a definition that knows comments, lines stay as they are.
    CSyntaxEditContext plain;
    Fill(plain, "int a; // note\n");
    EXPECT_EQ(Normalised(plain, RULE_IGNORE_COMMENTS), "int a; // note\n");
}

// Every language's comments are left out by its own line parser.
TEST(TextRulesTest, CommentsOfEveryKindOfLanguageAreLeftOut) {
    const struct {
        const char* extension;
        const char* text;
        const char* normalised;
    } cases[] = {
        {"py", "x = 1  # note\ns = '# kept'\n", "x = 1  \ns = '# kept'\n"},
        {"sh", "echo $# # note\n", "echo $# \n"},
        {"sql", "select /* a\nb */ x // c\n", "select \n x \n"},
        {"pas", "a { one } b (* two\n*) c\n", "a  b \n c\n"},
        {"html", "<p><!-- gone\n--> kept</p>\n", "<p>\n kept</p>\n"},
        {"lsp", "(a) ;| block\n|; (b) ; line\n", "(a) \n (b) \n"},
    };
    for (const auto& c : cases) {
        CSyntaxEditContext side;
        Fill(side, c.text, c.extension);
        EXPECT_EQ(Normalised(side, RULE_IGNORE_COMMENTS), c.normalised) << c.extension;
    }
}

TEST(TextRulesTest, OptionsRoundTripWithPresetsAndMergeMode) {
    test::TempDir dir;
    platform::CRegistryHive hive(dir / "registry.reg", "HKEY_CURRENT_USER");
    platform::CProfile profile(hive, platform::kSettingsRoot);
    CTextCompareOptions options;
    options.Load(profile);
    EXPECT_EQ(options.detailLevel, 1);
    EXPECT_EQ(options.customWordBreak, ",;:.");
    EXPECT_TRUE(options.presetLineFilters.empty());

    // The old merge mode name is read when the new one is absent.
    profile.WriteInt(kTextCompareSettingsKey, "MergeMode", 1);
    profile.WriteInt(kTextCompareSettingsKey, "DetailLevel", 7);  // out of range
    options.Load(profile);
    EXPECT_EQ(options.mergeMode, 1);
    EXPECT_EQ(options.detailLevel, 1);

    options.mergeMode = 0;
    options.wordBreak = 2;
    options.customWordBreak = ";";
    options.presetLineFilters = {{"Comments", "^#"}, {"Empty", ""}, {"Includes", "^#include"}};
    options.Save(profile);
    EXPECT_EQ(profile.GetInt(kTextCompareSettingsKey, "QuickMergeMode", -1), 0);
    EXPECT_EQ(profile.GetString(kPresetLineFiltersKey, "Filter2", ""), "^#include");
    EXPECT_EQ(profile.GetString(kPresetLineFiltersKey, "Name2", ""), "Includes");

    CTextCompareOptions loaded;
    loaded.Load(profile);
    EXPECT_EQ(loaded.mergeMode, 0);
    EXPECT_EQ(loaded.wordBreak, 2);
    EXPECT_EQ(loaded.customWordBreak, ";");
    ASSERT_EQ(loaded.presetLineFilters.size(), 2u);
    EXPECT_EQ(loaded.presetLineFilters[1].name, "Includes");

    // A shorter list leaves nothing behind.
    loaded.presetLineFilters.pop_back();
    loaded.Save(profile);
    CTextCompareOptions again;
    again.Load(profile);
    EXPECT_EQ(again.presetLineFilters.size(), 1u);

    // Saved again unchanged, the options leave nothing to write.
    std::string error;
    ASSERT_TRUE(hive.Flush(error)) << error;
    again.Save(profile);
    EXPECT_FALSE(hive.IsModified());
}

TEST(TextRulesTest, RecentLists) {
    test::TempDir dir;
    platform::CRegistryHive hive(dir / "registry.reg", "HKEY_CURRENT_USER");
    platform::CProfile profile(hive, platform::kSettingsRoot);
    const std::string a = dir.WriteFile("a.txt", "a"), b = dir.WriteFile("b.txt", "b");
    {
        CTextComparer comparer;
        comparer.CreateRecentLists(profile, 2, 5);
        comparer.AddRecentFile(0, a);
        comparer.AddRecentFile(0, dir / "missing.txt");  // must exist
        comparer.AddRecentFile(1, "");
        comparer.AddRecentFile(1, b);
        comparer.AddRecentLineFilter("");
        comparer.AddRecentLineFilter("^#");
        comparer.AddRecentPair(a, b);
        comparer.AddRecentPair(a, b);
        comparer.SaveRecentLists(profile);
        EXPECT_EQ(comparer.RecentPairs(), nullptr);  // saved and let go
    }
    EXPECT_EQ(profile.GetString("Comparisons\\FileComparison\\TextComparison\\Recent\\Files\\1", "File1", ""),
              a);
    EXPECT_EQ(profile.GetString("Comparisons\\FileComparison\\TextComparison\\Recent\\Files\\2", "File1", ""),
              b);
    EXPECT_EQ(
        profile.GetString("Comparisons\\FileComparison\\TextComparison\\Recent\\Filters", "Filter1", ""),
        "^#");
    EXPECT_EQ(profile.GetString("Comparisons\\FileComparison\\TextComparison\\Recent\\Pairs", "Pair1.2", ""),
              b);

    CTextComparer later;
    later.CreateRecentLists(profile, 2, 5);
    ASSERT_NE(later.RecentFiles(0), nullptr);
    EXPECT_EQ(later.RecentFiles(0)->Count(), 1);
    EXPECT_EQ(later.RecentPairs()->Count(), 1);
    EXPECT_EQ(later.RecentFiles(0)->DisplayLength(), 30);
    CTextComparer none;
    none.CreateRecentLists(profile, 0, 0);
    EXPECT_EQ(none.RecentFiles(0), nullptr);
    EXPECT_EQ(none.RecentLineFilters(), nullptr);
    EXPECT_EQ(none.RecentPairs(), nullptr);
}

}  // namespace
}  // namespace corvatine
