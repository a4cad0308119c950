#include <gtest/gtest.h>

#include <iterator>

#include "editor/EditorOptions.h"
#include "editor/SyntaxEditContextEx.h"
#include "editor/SyntaxEditor.h"
#include "editor/SyntaxParsers.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Blocks = std::vector<COLORBLOCK>;

CSyntaxTextLine Line(const std::string& text) {
    CSyntaxTextLine line;
    line.Assign(text.data(), static_cast<int>(text.size()));
    return line;
}

// The blocks as (position, colour) pairs, for readable failures.
std::vector<std::pair<int, int>> Pairs(const Blocks& blocks) {
    std::vector<std::pair<int, int>> pairs;
    for (const COLORBLOCK& b : blocks) {
        pairs.emplace_back(b.position, b.color);
        EXPECT_EQ(b.background, COLORINDEX_BLOCKBKGND);
    }
    return pairs;
}

// The colour in force at a position: the last block at or before it.
int ColourAt(const Blocks& blocks, int position) {
    int colour = -1;
    for (const COLORBLOCK& b : blocks)
        if (b.position <= position) colour = b.color;
    return colour;
}

class CppParserTest : public ::testing::Test {
protected:
    int Parse(const std::string& text, int state = 0) {
        blocks.clear();
        const int result = parser.ParseLine(state, Line(text), &blocks);
        EXPECT_EQ(parser.ParseLine(state, Line(text), nullptr), result) << "without blocks: " << text;
        return result;
    }
    CSyntaxParserCpp parser;
    Blocks blocks;
};

TEST_F(CppParserTest, AStringWithAnEscapedQuoteAndACommentAfterIt) {
    // s = "a\"b"; // c
    EXPECT_EQ(Parse("s = \"a\\\"b\"; // c"), 0);
    const std::vector<std::pair<int, int>> expected = {{0, 3},   {1, 13},  {2, 13},  {3, 13}, {4, 14},
                                                       {10, 13}, {11, 13}, {12, 13}, {12, 11}};
    EXPECT_EQ(Pairs(blocks), expected);
    for (int i = 4; i <= 9; ++i) EXPECT_EQ(ColourAt(blocks, i), COLORINDEX_STRING) << i;
    EXPECT_EQ(ColourAt(blocks, 10), COLORINDEX_OPERATOR);
    EXPECT_EQ(ColourAt(blocks, 16), COLORINDEX_COMMENT);
}

TEST_F(CppParserTest, StatesCarriedToTheNextLine) {
    EXPECT_EQ(Parse("const char* s = \"continued \\"), CSyntaxParserCpp::STATE_STRING);
    EXPECT_EQ(Parse("still the string\" + x;", CSyntaxParserCpp::STATE_STRING), 0);
    EXPECT_EQ(ColourAt(blocks, 0), COLORINDEX_STRING);
    EXPECT_EQ(ColourAt(blocks, 17), COLORINDEX_OPERATOR);
    // A string that is not continued ends with the line.
    EXPECT_EQ(Parse("\"open"), 0);
    // A directive that opens a comment: only the comment carries.
    EXPECT_EQ(Parse("#define X 1 /* open"), CSyntaxParserCpp::STATE_BLOCK_COMMENT);
    EXPECT_EQ(ColourAt(blocks, 0), COLORINDEX_PREPROCESSOR);
    EXPECT_EQ(ColourAt(blocks, 13), COLORINDEX_COMMENT);
    EXPECT_EQ(Parse("#define LONG \\"), CSyntaxParserCpp::STATE_PREPROCESSOR);
    EXPECT_EQ(Parse("  continued", CSyntaxParserCpp::STATE_PREPROCESSOR), 0);
    EXPECT_EQ(ColourAt(blocks, 5), COLORINDEX_PREPROCESSOR);
    EXPECT_EQ(Parse("// comment \\"), CSyntaxParserCpp::STATE_LINE_COMMENT);
    EXPECT_EQ(Parse("more comment", CSyntaxParserCpp::STATE_LINE_COMMENT), 0);
    EXPECT_EQ(Pairs(blocks), (std::vector<std::pair<int, int>>{{0, 11}}));
    // An empty line keeps only an open block comment.
    EXPECT_EQ(Parse("", CSyntaxParserCpp::STATE_BLOCK_COMMENT | CSyntaxParserCpp::STATE_STRING),
              CSyntaxParserCpp::STATE_BLOCK_COMMENT);
    EXPECT_EQ(Parse("", CSyntaxParserCpp::STATE_STRING), 0);
}

TEST_F(CppParserTest, WordsNumbersAndFunctions) {
    Parse("x = 0x1F + 1.5e10 + 0X1F + 7;");
    EXPECT_EQ(ColourAt(blocks, 4), COLORINDEX_NUMBER);       // 0x1F
    EXPECT_EQ(ColourAt(blocks, 11), COLORINDEX_NUMBER);      // 1.5e10
    EXPECT_EQ(ColourAt(blocks, 20), COLORINDEX_NORMALTEXT);  // 0X1F is no number
    EXPECT_EQ(ColourAt(blocks, 27), COLORINDEX_NUMBER);      // 7
    Parse("n = sizeof (DWORD) + compute  (n);");
    EXPECT_EQ(ColourAt(blocks, 4), COLORINDEX_KEYWORD);
    EXPECT_EQ(ColourAt(blocks, 12), COLORINDEX_USER1);
    EXPECT_EQ(ColourAt(blocks, 21), COLORINDEX_FUNCNAME);
    EXPECT_EQ(ColourAt(blocks, 33), COLORINDEX_OPERATOR);
    Parse("a.b = c;");
    EXPECT_EQ(ColourAt(blocks, 1), COLORINDEX_OPERATOR);  // member access
    Parse("char c = 'x'; it's");
    EXPECT_EQ(ColourAt(blocks, 9), COLORINDEX_STRING);
    EXPECT_EQ(ColourAt(blocks, 12), COLORINDEX_OPERATOR);
    EXPECT_EQ(ColourAt(blocks, 16), COLORINDEX_OPERATOR);  // a quote after a word opens nothing
    EXPECT_EQ(ColourAt(blocks, 17), COLORINDEX_NORMALTEXT);
    EXPECT_EQ(Parse("  # include <x>"), 0);
    EXPECT_EQ(ColourAt(blocks, 2), COLORINDEX_PREPROCESSOR);
    Parse("x # y");  // after a non-blank a "#" opens no directive
    EXPECT_EQ(ColourAt(blocks, 2), COLORINDEX_OPERATOR);
    Parse("caf\xC3\xA9 = 1;");  // bytes 0x80 and above are letters
    EXPECT_EQ(Pairs(blocks).front(), std::make_pair(0, 3));
    EXPECT_EQ(ColourAt(blocks, 6), COLORINDEX_OPERATOR);
}

TEST_F(CppParserTest, CommentMarkers) {
    EXPECT_EQ(Parse("/*/ still open"), CSyntaxParserCpp::STATE_BLOCK_COMMENT);
    EXPECT_EQ(Parse("/**/x"), 0);
    EXPECT_EQ(ColourAt(blocks, 4), COLORINDEX_NORMALTEXT);
    EXPECT_EQ(Parse("/* a *// b"), 0);  // the closing slash starts no "//"
    EXPECT_EQ(ColourAt(blocks, 7), COLORINDEX_OPERATOR);
    EXPECT_EQ(ColourAt(blocks, 9), COLORINDEX_NORMALTEXT);
    EXPECT_EQ(Parse("end */ x = 1;", CSyntaxParserCpp::STATE_BLOCK_COMMENT), 0);
    EXPECT_EQ(ColourAt(blocks, 3), COLORINDEX_COMMENT);
    EXPECT_EQ(ColourAt(blocks, 7), COLORINDEX_NORMALTEXT);
    EXPECT_EQ(Parse("s = \"a\\\\\"; // two backslashes do not escape"), 0);
    EXPECT_EQ(ColourAt(blocks, 12), COLORINDEX_COMMENT);
}

TEST_F(CppParserTest, TheCommentParseSeesMarkersInsideStrings) {
    blocks.clear();
    const std::string text = "s = \"/* not a comment */\"; x // c";
    EXPECT_EQ(parser.ParseComments(0, Line(text), &blocks), 0);
    EXPECT_EQ(ColourAt(blocks, 8), COLORINDEX_COMMENT);
    EXPECT_EQ(ColourAt(blocks, 26), COLORINDEX_OPERATOR);
    EXPECT_EQ(ColourAt(blocks, 31), COLORINDEX_COMMENT);
    for (const COLORBLOCK& b : blocks) EXPECT_TRUE(b.color == 3 || b.color == 11 || b.color == 13) << b.color;
    blocks.clear();
    EXPECT_EQ(parser.ParseComments(0, Line("x = \"/* open"), &blocks), CSyntaxParserCpp::STATE_BLOCK_COMMENT);
    // The full parse knows the string.
    EXPECT_EQ(Parse("x = \"/* open"), 0);
}

TEST(SyntaxDefinitionsTest, TheKeywordSets) {
    EXPECT_EQ(CSyntaxParserCpp::Keywords().Size(), 109u);
    EXPECT_EQ(CSyntaxParserCpp::UserKeywords().Size(), 32u);
    const auto& words = CSyntaxParserCpp::Keywords().Words();
    EXPECT_EQ(std::vector<std::string_view>(words.begin(), words.begin() + 3),
              (std::vector<std::string_view>{"_asm", "__asm", "_far16"}));
    std::vector<std::string_view> sorted = words;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    EXPECT_TRUE(CSyntaxParserCpp::Keywords().Contains("sizeof"));
    EXPECT_FALSE(CSyntaxParserCpp::Keywords().Contains("Sizeof"));  // case matters
    EXPECT_TRUE(CSyntaxParserCpp::UserKeywords().Contains("DWORD"));
}

TEST(SyntaxDefinitionsTest, TheRegistryHoldsTheDefinitionsInOrder) {
    struct Data {
        const char* className;
        const char* name;
        const char* extensions;
        const char* open;
        const char* close;
        const char* line;
        uint32_t options;
        const char* fileNames = "";
    };
    const Data table[] = {
        {"CSyntaxParserPlain", "Text", "txt,diz", "", "", ";", 0x10},
        {"CSyntaxParserAsp", "ASP", "asp", "", "", "'", 0x30},
        {"CSyntaxParserBasic", "Basic", "bas,vb,vbs,frm,dsm,cls", "", "", "'", 0x30},
        {"CSyntaxParserBatch", "Batch", "bat,btm,cmd", "", "", "rem ", 0x11},
        {"CSyntaxParserCpp", "C/C++", "c,cc,cpp,cxx,h,hpp,hxx,hm,inl,rh,tlh,tli,xs", "/*", "*/", "//", 0x30},
        {"CSyntaxParserCsharp", "C#", "cs", "/*", "*/", "//", 0x30},
        {"CSyntaxParserDcl", "DCL", "dcl,dcc", "/*", "*/", "//", 0x50},
        {"CSyntaxParserFortran", "Fortran", "f,f90,f9p,fpp,for,f77", "", "", "!", 0x11},
        {"CSyntaxParserHtml", "HTML", "html,htm,shtml,ihtml,ssi,stm,stml", "<!--", "-->", "'", 0x30},
        {"CSyntaxParserIni", "INI", "ini,reg", "", "", ";", 0x150},
        {"CSyntaxParserIss", "InnoSetup", "iss,isl", "{", "}", ";", 0x30},
        {"CSyntaxParserIs", "InstallShield", "rul", "/*", "*/", "//", 0x30},
        {"CSyntaxParserJava", "Java", "java,jav", "/*", "*/", "//", 0x30},
        {"CSyntaxParserLisp", "AutoLISP", "lsp", ";|", "|;", ";", 0x30},
        {"CSyntaxParserNsis", "NSIS", "nsi,nsh", "/*", "*/", ";", 0x30},
        {"CSyntaxParserPascal", "Pascal", "pas", "{", "}", "", 0x30},
        {"CSyntaxParserPerl", "Perl", "pl", "", "", "#", 0x110},
        {"CSyntaxParserPhp", "PHP", "php,php3,php4,php5,phtml", "/*", "*/", "//", 0x50},
        {"CSyntaxParserPython", "Python", "py", "/*", "*/", "//", 0x50},
        {"CSyntaxParserRexx", "REXX", "rex,rexx", "/*", "*/", "//", 0x10},
        {"CSyntaxParserRsrc", "Resources", "rc,dlg,r16,r32,rc2", "/*", "*/", "//", 0x30},
        {"CSyntaxParserSgml", "Sgml", "sgml", "<!--", "-->", "'", 0x30},
        {"CSyntaxParserSh", "Shell", "sh,conf", "", "", "#", 0x111},
        {"CSyntaxParserSiod", "SIOD", "scm", ";|", "|;", ";", 0x50},
        {"CSyntaxParserSql", "SQL", "sql", "/*", "*/", "//", 0x10},
        {"CSyntaxParserTcl", "TCL", "tcl", "", "", "#", 0x150},
        {"CSyntaxParserTex", "TEX", "tex,sty,clo,ltx,fd,dtx", "", "", "%", 0x10},
        {"CSyntaxParserXml", "XML", "xml", "<!--", "-->", "", 0x30},
        {"CSyntaxParserJavaScript", "JavaScript", "js,mjs,cjs,jsx", "/*", "*/", "//", 0x30},
        {"CSyntaxParserTypeScript", "TypeScript", "ts,tsx,mts,cts", "/*", "*/", "//", 0x30},
        {"CSyntaxParserJson", "JSON", "json,jsonc", "", "", "", 0x30},
        {"CSyntaxParserYaml", "YAML", "yaml,yml", "", "", "#", 0x30},
        {"CSyntaxParserMarkdown", "Markdown", "md,markdown,mdown,mkd", "<!--", "-->", "", 0x10},
        {"CSyntaxParserCss", "CSS", "css", "/*", "*/", "", 0x30},
        {"CSyntaxParserRust", "Rust", "rs", "/*", "*/", "//", 0x30},
        {"CSyntaxParserGo", "Go", "go", "/*", "*/", "//", 0x30},
        {"CSyntaxParserKotlin", "Kotlin", "kt,kts", "/*", "*/", "//", 0x30},
        {"CSyntaxParserRuby", "Ruby", "rb,rake,gemspec,ru", "=begin", "=end", "#", 0x30, "Gemfile,Rakefile"},
        {"CSyntaxParserLua", "Lua", "lua", "--[[", "]]", "--", 0x30},
        {"CSyntaxParserCmake", "CMake", "cmake", "#[[", "]]", "#", 0x30, "CMakeLists.txt"},
        {"CSyntaxParserMakefile", "Makefile", "mk,mak", "", "", "#", 0x30, "Makefile,GNUmakefile"},
        {"CSyntaxParserDockerfile", "Dockerfile", "dockerfile", "", "", "#", 0x30,
         "Dockerfile,Containerfile"},
        {"CSyntaxParserToml", "TOML", "toml", "", "", "#", 0x30},
        {"CSyntaxParserDiff", "Diff", "diff,patch,rej", "", "", "", 0x10},
    };
    constexpr int kCount = static_cast<int>(std::size(table));
    CSyntaxParserFactory factory;
    ASSERT_EQ(factory.CreateDefinitions(), kCount);
    for (int i = 0; i < kCount; ++i) {
        const CSyntaxParser* d = factory.GetDefinition(i);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->GetLanguageNumber(), i);
        EXPECT_STREQ(d->GetClassName(), table[i].className);
        EXPECT_EQ(d->GetName(), table[i].name);
        EXPECT_EQ(d->GetExtensions(), table[i].extensions);
        EXPECT_EQ(d->GetFileNames(), table[i].fileNames);
        EXPECT_EQ(d->GetBlockCommentOpen(), table[i].open);
        EXPECT_EQ(d->GetBlockCommentClose(), table[i].close);
        EXPECT_EQ(d->GetLineCommentOpen(), table[i].line);
        EXPECT_EQ(d->GetOptions(), table[i].options) << d->GetName();
        EXPECT_EQ(d->GetRecoding(), -1);
        EXPECT_EQ(factory.IndexOfDefinition(d), i);
        EXPECT_EQ(factory.FindDefinitionByNumber(i), d);
    }
    EXPECT_EQ(factory.GetDefinition(kCount), nullptr);
    EXPECT_EQ(factory.GetDefinition(-1), nullptr);
    EXPECT_EQ(factory.FindDefinitionByNumber(99), nullptr);
    EXPECT_EQ(factory.IndexOfDefinition(nullptr), -1);

    // Plain text draws the whole line in the normal colour: no blocks.
    Blocks blocks;
    EXPECT_EQ(factory.GetDefinition(0)->ParseLine(5, Line("int x; // c"), &blocks), 0);
    EXPECT_TRUE(blocks.empty());
}

TEST(SyntaxDefinitionsTest, ChoosingADefinitionForAFile) {
    const CSyntaxParserFactory& factory = GetSyntaxEditor();
    struct Case {
        const char* path;
        const char* language;
    };
    const Case cases[] = {
        {"File.CPP", "C/C++"},
        {"archive.tar.gz", "Text"},
        {"ends.with.dot.", "Text"},
        {"app.rc", "Resources"},
        {"settings.reg", "INI"},
        {"setup.iss", "InnoSetup"},
        {"setup.rul", "InstallShield"},
        {"/src/dir.c/notes", "Text"},
        {"readme.txt", "Text"},
        {"x.hpp", "C/C++"},
        {"Main.java", "Java"},
        // What the newer definitions took: .js is JavaScript, no longer Java.
        {"script.js", "JavaScript"},
        {"lib.mjs", "JavaScript"},
        {"cfg.cjs", "JavaScript"},
        {"App.jsx", "JavaScript"},
        {"index.ts", "TypeScript"},
        {"View.tsx", "TypeScript"},
        {"package.json", "JSON"},
        {".github/workflows/ci.yml", "YAML"},
        {"k8s.yaml", "YAML"},
        {"README.md", "Markdown"},
        {"site.css", "CSS"},
        {"main.rs", "Rust"},
        {"main.go", "Go"},
        {"App.kt", "Kotlin"},
        {"build.gradle.kts", "Kotlin"},
        {"app.rb", "Ruby"},
        {"init.lua", "Lua"},
        {"FindZ.cmake", "CMake"},
        {"rules.mk", "Makefile"},
        {"app.dockerfile", "Dockerfile"},
        {"Cargo.toml", "TOML"},
        {"fix.diff", "Diff"},
        {"0001-fix.patch", "Diff"},
        // Whole file names, whatever their extension, in any case.
        {"/src/CMakeLists.txt", "CMake"},
        {"Makefile", "Makefile"},
        {"makefile", "Makefile"},
        {"GNUmakefile", "Makefile"},
        {"Dockerfile", "Dockerfile"},
        {"Containerfile", "Dockerfile"},
        {"Gemfile", "Ruby"},
        {"CMakeLists.txt.orig", "Text"},
        {"Makefile.am", "Text"},
        {"docker/Dockerfile", "Dockerfile"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(factory.FindDefinitionForPath(c.path)->GetName(), c.language) << c.path;
    EXPECT_EQ(factory.FindDefinitionForExtension("  ..CPP ")->GetName(), "C/C++");
    EXPECT_EQ(factory.FindDefinitionForExtension("")->GetName(), "Text");
    EXPECT_TRUE(CSyntaxParserFactory::ExtensionListMatches("c,h*,,[x", "hpp"));
    EXPECT_FALSE(CSyntaxParserFactory::ExtensionListMatches("c,[x", "[x"));  // a malformed piece is skipped
    // Plain names compare without regard to ASCII case, and only letters fold.
    EXPECT_TRUE(CSyntaxParserFactory::ExtensionListMatches("PAS,Cpp", "cpp"));
    EXPECT_FALSE(CSyntaxParserFactory::ExtensionListMatches("cpp,cp", "cpq"));
    EXPECT_FALSE(CSyntaxParserFactory::ExtensionListMatches("a@", "a`"));
    EXPECT_FALSE(CSyntaxParserFactory::ExtensionListMatches("c1", "c\x11"));
    EXPECT_TRUE(CSyntaxParserFactory::ExtensionListMatches("\xc3\xa9t\xc3\xa9", "\xc3\x89t\xc3\x89"));
}

TEST(SyntaxDefinitionsTest, FileFilterAndLanguageMenu) {
    const CSyntaxParserFactory& factory = GetSyntaxEditor();
    const std::string filter = factory.BuildFileFilter(false);
    EXPECT_EQ(filter.rfind("Text Files (*.txt;*.diz)|*.txt;*.diz|ASP Files (*.asp)|*.asp|", 0), 0u) << filter;
    EXPECT_NE(
        filter.find("|C/C++ Files (*.c;*.cc;*.cpp;*.cxx;*.h;*.hpp;*.hxx;*.hm;*.inl;*.rh;*.tlh;*.tli;*.xs)|"),
        std::string::npos);
    const std::string all = factory.BuildFileFilter(true);
    EXPECT_EQ(all.rfind("All Supported Text Files|*.txt;*.diz;*.asp;", 0), 0u);
    EXPECT_EQ(all.substr(all.size() - 21), "All Files (*.*)|*.*||");
    EXPECT_NE(all.find(";*.xml;*.js;"), std::string::npos);
    EXPECT_NE(all.find(";*.diff;*.patch;*.rej|Text Files"), std::string::npos);
    // File names stand as they are, before the extensions.
    EXPECT_NE(filter.find("|CMake Files (CMakeLists.txt;*.cmake)|CMakeLists.txt;*.cmake|"),
              std::string::npos);
    EXPECT_NE(filter.find("|Makefile Files (Makefile;GNUmakefile;*.mk;*.mak)|"), std::string::npos);
    EXPECT_NE(filter.find("|Java Files (*.java;*.jav)|"), std::string::npos);
    EXPECT_EQ(factory.BuildFileFilter(false, "%Name=%Exts").substr(0, 29), "Text=*.txt;*.diz|ASP=*.asp|Ba");

    const auto menu = factory.GetLanguageMenu(factory.FindDefinitionByNumber(4));
    ASSERT_EQ(menu.size(), static_cast<size_t>(factory.GetDefinitionCount() - 1));
    ASSERT_EQ(menu.size(), 43u);
    EXPECT_EQ(menu[27].name, "JavaScript");
    EXPECT_EQ(menu[27].command, 36828);
    EXPECT_EQ(menu.back().name, "Diff");
    EXPECT_EQ(menu[0].name, "ASP");
    EXPECT_EQ(menu[0].command, 36801);
    EXPECT_TRUE(menu[3].checked);
    EXPECT_EQ(menu[3].name, "C/C++");
    EXPECT_EQ(std::count_if(menu.begin(), menu.end(), [](const LANGUAGEMENUITEM& m) { return m.checked; }),
              1);
    EXPECT_EQ(factory.DefinitionForCommand(36812)->GetName(), "Java");
    EXPECT_EQ(factory.DefinitionForCommand(36950)->GetName(), "Text");
    EXPECT_EQ(factory.LanguageCommandStatus(36809), "Extensions:ini,reg");
    EXPECT_EQ(factory.LanguageCommandStatus(36839), "Extensions:cmake File names:CMakeLists.txt");
    EXPECT_EQ(factory.DefinitionForCommand(36843)->GetName(), "Diff");
    CSyntaxParserFactory empty;
    EXPECT_TRUE(empty.GetLanguageMenu(nullptr).empty());
}

TEST(SyntaxDefinitionsTest, AddBlockKeepsPositionsInOrder) {
    CSyntaxParserPlain plain;
    Blocks blocks;
    EXPECT_EQ(plain.AddBlock(0, 3, &blocks), 0);
    EXPECT_EQ(plain.AddBlock(0, 9, &blocks), 1);
    EXPECT_EQ(plain.AddBlock(5, 13, &blocks), 2);
    EXPECT_EQ(plain.AddBlock(4, 11, &blocks), -1);
    EXPECT_EQ(plain.AddBlock(9, 11, nullptr), -1);
    EXPECT_EQ(blocks.size(), 3u);
}

class FixedWidths : public CCharacterWidths {
public:
    int GetTabSize() const override { return 4; }
    int GetCharWidth(char32_t) const override { return 8; }
    int GetAverageCharWidth() const override { return 8; }
};

TEST(SyntaxDefinitionsTest, WrapPositionsAndCharacterStarts) {
    CSyntaxParserPlain plain;
    const FixedWidths widths;
    // Breaks are taken after blanks where there are any.
    EXPECT_EQ(plain.GetWrapPositions(widths, Line("aaaa bbbb cccc"), 7), (std::vector<int>{5, 10}));
    EXPECT_EQ(plain.GetWrapPositions(widths, Line("abcdefghij"), 4), (std::vector<int>{4, 8}));
    EXPECT_EQ(plain.GetWrapPositions(widths, Line("\tab\tc"), 6), (std::vector<int>{1}));
    // A wide character takes two cells; a line may break after it.
    EXPECT_EQ(plain.GetWrapPositions(widths, Line("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"), 4),
              (std::vector<int>{6}));
    EXPECT_TRUE(plain.GetWrapPositions(widths, Line("short"), 80).empty());

    const CSyntaxTextLine utf8 = Line("a\xC3\xA9z");
    EXPECT_FALSE(plain.IsBadMultibytePosition(utf8, 1));
    EXPECT_TRUE(plain.IsBadMultibytePosition(utf8, 2));
    EXPECT_FALSE(plain.IsBadMultibytePosition(utf8, 3));
    EXPECT_FALSE(plain.IsBadMultibytePosition(Line("a\xA9z"), 1));  // a stray byte stands for itself
}

TEST(SyntaxDefinitionsTest, TheColourTable) {
    test::TempDir dir;
    platform::CRegistryHive hive(dir / "registry.reg", "HKEY_CURRENT_USER");
    platform::CProfile profile(hive, platform::kSettingsRoot);
    CSyntaxEditorOptions options;
    EXPECT_EQ(options.colors[COLORINDEX_KEYWORD].color, RGB(0, 0, 255));
    EXPECT_EQ(options.colors[COLORINDEX_KEYWORD].bold, 1);
    EXPECT_EQ(options.colors[COLORINDEX_COMMENT].color, RGB(0, 128, 0));
    EXPECT_EQ(options.colors[COLORINDEX_USER1].color, RGB(0, 0, 128));

    options.colors[COLORINDEX_COMMENT] = {RGB(1, 2, 3), 1};
    options.Save(profile);
    EXPECT_EQ(profile.GetInt(kTextEditorColorsKey, "Count", 0), 20);
    EXPECT_EQ(profile.GetInt(kTextEditorColorsKey, "Color12", 0), static_cast<int>(RGB(1, 2, 3)));
    EXPECT_EQ(profile.GetInt(kTextEditorColorsKey, "Bold12", 0), 1);
    CSyntaxEditorOptions loaded;
    loaded.Load(profile);
    EXPECT_EQ(loaded.colors[COLORINDEX_COMMENT].color, RGB(1, 2, 3));

    profile.WriteInt(kTextEditorColorsKey, "Count", 19);  // ignored entirely
    loaded.Load(profile);
    EXPECT_EQ(loaded.colors[COLORINDEX_COMMENT].color, RGB(0, 128, 0));
    EXPECT_EQ(loaded.colors[COLORINDEX_COMMENT].bold, 0);
}

TEST(SyntaxDefinitionsTest, TheViewsFontAndTabSize) {
    test::TempDir dir;
    platform::CRegistryHive hive(dir / "registry.reg", "HKEY_CURRENT_USER");
    platform::CProfile profile(hive, platform::kSettingsRoot);
    CSyntaxEditorOptions options;
    EXPECT_EQ(options.font, "");
    EXPECT_EQ(options.tabSize, 4);

    options.font = "DejaVu Sans Mono|17|700|0|0";
    options.tabSize = 8;
    options.Save(profile);
    EXPECT_EQ(profile.GetString(kTextEditorSettingsKey, "Font", ""), "DejaVu Sans Mono|17|700|0|0");
    EXPECT_EQ(profile.GetInt(kTextEditorSettingsKey, "TabSize", 0), 8);
    CSyntaxEditorOptions loaded;
    loaded.Load(profile);
    EXPECT_EQ(loaded.font, "DejaVu Sans Mono|17|700|0|0");
    EXPECT_EQ(loaded.tabSize, 8);

    // A tab size out of 1..16 is the default, read or written.
    for (const int stored : {0, 17, -3}) {
        profile.WriteInt(kTextEditorSettingsKey, "TabSize", stored);
        loaded.Load(profile);
        EXPECT_EQ(loaded.tabSize, 4) << stored;
    }
    options.tabSize = 40;
    options.Save(profile);
    EXPECT_EQ(profile.GetInt(kTextEditorSettingsKey, "TabSize", 0), 4);
}

// Word wrap and the white-space markers of the views are remembered, on or off.
TEST(SyntaxDefinitionsTest, TheViewsWordWrapAndWhiteSpace) {
    test::TempDir dir;
    platform::CRegistryHive hive(dir / "registry.reg", "HKEY_CURRENT_USER");
    platform::CProfile profile(hive, platform::kSettingsRoot);
    CSyntaxEditorOptions options;
    EXPECT_EQ(options.wordWrap, 0);
    EXPECT_EQ(options.showWhiteSpace, 0);
    options.wordWrap = 1;
    options.showWhiteSpace = 1;
    options.Save(profile);
    EXPECT_EQ(profile.GetInt(kTextEditorSettingsKey, "WordWrap", 0), 1);
    EXPECT_EQ(profile.GetInt(kTextEditorSettingsKey, "ShowWhiteSpace", 0), 1);
    CSyntaxEditorOptions loaded;
    loaded.Load(profile);
    EXPECT_EQ(loaded.wordWrap, 1);
    EXPECT_EQ(loaded.showWhiteSpace, 1);
    profile.WriteInt(kTextEditorSettingsKey, "WordWrap", 0);
    profile.WriteInt(kTextEditorSettingsKey, "ShowWhiteSpace", 7);  // any other number is on
    loaded.Load(profile);
    EXPECT_EQ(loaded.wordWrap, 0);
    EXPECT_EQ(loaded.showWhiteSpace, 1);
}

TEST(SyntaxDefinitionsTest, TheParseStateCacheFollowsEdits) {
    test::TempDir dir;
    CSyntaxEditContextEx context;
    int lossy = 0;
    std::string error;
    ASSERT_EQ(context.LoadTextFile(dir.WriteFile("f.c", "int a;\nint b;\nint c;\nint d;\nint e;\nint f;\n"),
                                   lossy, 0, 65001, error),
              1);
    ASSERT_EQ(context.GetSyntaxDefinition()->GetName(), "C/C++");
    for (int i = 0; i < context.GetLineCount(); ++i) EXPECT_EQ(context.GetParseState(i), 0);
    EXPECT_EQ(context.GetParseState(-1), 0);

    int endLine = 0, endChar = 0;
    ASSERT_TRUE(context.InsertTextAt(nullptr, 3, 0, "/* ", endLine, endChar, 4));
    const std::vector<int32_t>& cache = context.GetParseStates();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(cache[static_cast<size_t>(i)], 0) << "line " << i << " was kept";
    for (int i = 3; i < context.GetLineCount(); ++i) EXPECT_EQ(cache[static_cast<size_t>(i)], -1) << i;
    for (int i = 3; i < context.GetLineCount(); ++i) EXPECT_EQ(context.GetParseState(i), 4) << i;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(context.GetParseState(i), 0) << i;

    // A new empty document is plain text again.
    context.ResetToNew(1);
    EXPECT_EQ(context.GetSyntaxDefinition()->GetName(), "Text");
}

}  // namespace
}  // namespace corvatine
