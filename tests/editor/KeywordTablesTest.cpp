// The keyword tables the build makes from src/editor/keywords/*.txt: each is
// in the order the binary search needs, and each language's file still
// yields the words its parser colours, and not their near misses.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "editor/SyntaxKeywords.h"

namespace corvatine {
namespace {

std::string Fold(std::string_view word) {
    std::string folded(word);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

TEST(KeywordTablesTest, EveryTableIsSortedUniqueAndFoldedAsTheLookupNeeds) {
    const auto tables = keywords::AllTables();
    ASSERT_FALSE(tables.empty());
    std::set<std::string_view> names;
    std::set<const CKeywordSet*> sets;
    for (const keywords::KeywordTable& table : tables) {
        SCOPED_TRACE(std::string(table.language) + ".txt: " + std::string(table.name));
        EXPECT_TRUE(names.insert(table.name).second) << "named twice";
        const CKeywordSet& set = table.set();
        EXPECT_TRUE(sets.insert(&set).second) << "answers another table's set";
        const auto keys = set.Keys();
        const auto& words = set.Words();
        ASSERT_EQ(keys.size(), words.size());
        ASSERT_GT(keys.size(), 0u);
        // Strictly increasing by byte: sorted, and no key twice.
        for (size_t i = 1; i < keys.size(); ++i) EXPECT_LT(keys[i - 1], keys[i]) << "at " << i;
        for (size_t i = 0; i < keys.size(); ++i)
            EXPECT_EQ(keys[i], set.IsCaseSensitive() ? std::string(words[i]) : Fold(words[i])) << words[i];
    }
}

// Contains against a plain search of the keys, on each word and on the
// probes one edit away: the same word shorter, longer, in the other case.
TEST(KeywordTablesTest, ContainsAgreesWithAPlainSearchNearEveryWord) {
    for (const keywords::KeywordTable& table : keywords::AllTables()) {
        SCOPED_TRACE(table.name);
        const CKeywordSet& set = table.set();
        const std::set<std::string> keys(set.Keys().begin(), set.Keys().end());
        auto listed = [&](const std::string& word) {
            return keys.count(set.IsCaseSensitive() ? word : Fold(word)) > 0;
        };
        for (std::string_view word : set.Words()) {
            EXPECT_TRUE(set.Contains(word)) << word;
            std::vector<std::string> probes = {std::string(word.substr(0, word.size() - 1)),
                                               std::string(word) + "x", std::string(word) + "_",
                                               "x" + std::string(word), std::string(word.substr(1))};
            std::string upper(word), lower(word);
            std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
                return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
            });
            lower = Fold(word);
            probes.push_back(upper);
            probes.push_back(lower);
            for (const std::string& probe : probes) EXPECT_EQ(set.Contains(probe), listed(probe)) << probe;
        }
        EXPECT_FALSE(set.Contains(""));
        EXPECT_FALSE(set.Contains(std::string(300, 'a')));
    }
}

struct LANGUAGECASE {
    const char* language;
    const CKeywordSet& (*set)();
    std::vector<std::string_view> found;
    std::vector<std::string_view> missed;  // near misses, and words the set's comment leaves out
};

TEST(KeywordTablesTest, EachLanguageFileYieldsItsWordsAndNotTheirNearMisses) {
    const std::vector<LANGUAGECASE> cases = {
        {"asp",
         keywords::AspScriptWords,
         {"Response", "EXECUTEGLOBAL", "nothing"},
         {"Responses", "MsgBox", "InputBox"}},
        {"basic", keywords::BasicKeywords, {"SMDoMenu", "GetAttrType", "Dim"}, {"DIM", "Di", "DefInt"}},
        {"batch", keywords::BatchFunctions, {"@ABS", "@filesize", "_?"}, {"ABS", "@AB", "@ABSX"}},
        {"cmake",
         keywords::CmakeCommands,
         {"add_executable", "ADD_EXECUTABLE", "endforeach"},
         {"add_executables", "add_exec"}},
        {"csharp", keywords::CsharpKeywords, {"get", "set", "namespace"}, {"null", "true", "Namespace"}},
        {"css",
         keywords::CssProperties,
         {"z-index", "Grid-Template-Columns"},
         {"z-indexx", "z", "grid-template"}},
        {"dcl", keywords::DclAttributes, {"width", "action"}, {"fixed_width_font", "Width", "widths"}},
        {"dockerfile", keywords::DockerInstructions, {"HEALTHCHECK", "from"}, {"HEALTH", "FROMS"}},
        {"fortran",
         keywords::FortranKeywords,
         {"enddo", "ENDDO", "selected_int_kind"},
         {"pause", "endd", "end_do"}},
        {"go", keywords::GoKeywords, {"fallthrough", "chan"}, {"fallthru", "Chan", "nil"}},
        {"html", keywords::HtmlTags, {"embed", "WBR", "frameset"}, {"section", "emb", "wbrr"}},
        {"inno-setup", keywords::IssConstants, {"HKCR", "ignoreversion"}, {"32bit", "HKC", "ignoreversions"}},
        {"installshield", keywords::IsSystemVariables, {"CMDLINE", "WINSYSDISK"}, {"cmdline", "CMDLIN"}},
        {"java", keywords::JavaKeywords, {"goto", "strictfp"}, {"true", "null", "Goto"}},
        {"javascript",
         keywords::JavaScriptKeywords,
         {"undefined", "await", "yield"},
         {"Undefined", "awaits", "undefine"}},
        {"json", keywords::JsonKeywords, {"null", "true"}, {"Null", "TRUE", "nul"}},
        {"kotlin", keywords::KotlinKeywords, {"fun", "suspend"}, {"Fun", "func"}},
        {"lisp",
         keywords::LispKeywords,
         {"defun", "cdddr", "atoms-family"},
         {"DEFUN", "cddddr", "defu", "defunx"}},
        {"lua", keywords::LuaKeywords, {"elseif", "goto"}, {"elif", "Goto"}},
        {"make", keywords::MakeDirectives, {".PHONY", "-include", "ifeq"}, {"PHONY", ".phony", "include-"}},
        {"nsis", keywords::NsisCommands, {"XPStyle", "SubSection"}, {"xpstyle", "XPStyles"}},
        {"pascal", keywords::PascalKeywords, {"begin", "BEGIN", "inherited"}, {"beginn", "begi"}},
        {"perl", keywords::PerlRegexWords, {"split", "unless"}, {"splits", "Split"}},
        {"php", keywords::PhpConstants, {"__LINE__", "__line__"}, {"__LINE", "_LINE__"}},
        {"python", keywords::PythonKeywords, {"access", "lambda"}, {"assert", "Lambda", "lambd"}},
        {"resources", keywords::RsrcVirtualKeys, {"VK_F24", "vk_lbutton"}, {"VK_NUMPAD0", "VK_F25", "VK_"}},
        {"rexx", keywords::RexxKeywords, {"ADDRESS", "address", "ENGINEERING"}, {"ADDRES", "ADDRESSES"}},
        {"ruby",
         keywords::RubyKeywords,
         {"defined", "__FILE__", "elsif"},
         {"defined?", "elseif", "__file__"}},
        {"rust", keywords::RustKeywords, {"macro_rules", "Self", "union"}, {"macro_rule", "SELF"}},
        {"sgml", keywords::SgmlKeywords, {"BOOK", "book"}, {"BOOKS", "BOO"}},
        {"shell", keywords::ShellKeywords, {"case", "esac"}, {"cases", "esa"}},
        {"siod", keywords::SiodKeywords, {"set-car!", "LET*", "eq?"}, {"set-car", "eq", "let**"}},
        {"sql", keywords::SqlKeywords, {"select", "SELECT"}, {"selects", "selec"}},
        {"tcl", keywords::TclKeywords, {"while", "WHILE"}, {"whiles", "whil"}},
        {"tex",
         keywords::TexCommands,
         {"AtBeginDocument", "atbegindocument", "xdef"},
         {"AtBeginDocumen", "xdefs"}},
        {"toml", keywords::TomlKeywords, {"inf", "nan"}, {"Inf", "NaN", "infinity"}},
        {"typescript", keywords::TypeScriptTypes, {"unknown", "Record"}, {"Unknown", "record", "Records"}},
        {"xml", keywords::XmlAttributes, {"#FIXED", "#fixed", "standalone"}, {"FIXED", "#FIXE", "#"}},
        {"yaml", keywords::YamlKeywords, {"Yes", "OFF"}, {"y", "yess"}},
    };
    std::set<std::string_view> languages;
    for (const keywords::KeywordTable& table : keywords::AllTables()) languages.insert(table.language);
    for (const LANGUAGECASE& c : cases) {
        SCOPED_TRACE(c.language);
        // The set is declared in the file of its language.
        const auto tables = keywords::AllTables();
        const auto it = std::find_if(tables.begin(), tables.end(),
                                     [&](const keywords::KeywordTable& t) { return &t.set() == &c.set(); });
        ASSERT_NE(it, tables.end());
        EXPECT_EQ(it->language, c.language);
        for (std::string_view word : c.found) EXPECT_TRUE(c.set().Contains(word)) << word;
        for (std::string_view word : c.missed) EXPECT_FALSE(c.set().Contains(word)) << word;
        languages.erase(c.language);
    }
    // Every language file has a case here.
    EXPECT_EQ(languages, std::set<std::string_view>{});
}

}  // namespace
}  // namespace corvatine
