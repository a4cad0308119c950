#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/LanguageCheck.h"
#include "editor/SyntaxEditor.h"
#include "editor/SyntaxParsers.h"

namespace corvatine {
namespace {

using test::CheckLanguage;
using test::Colours;
using test::ForExtension;
using test::LANGUAGECASE;
using test::Line;

const std::vector<LANGUAGECASE> kScriptLanguages = {
    {"py",
     "CSyntaxParserPython",
     {
         {"def f(x): # note", "kkknnonooocccccc", 0},
         {"s = \"a\\\"b\" + 'c'", "nnoossssssnoosss", 0},
         {"x = \"\"\"doc", "nnoossssss", 0x88},
         {"still doc \"\"\" or x", "sssssssssssssnkknn", 0},
         {"print(argv, id)", "kkkkkouuuuooffo", 0},
     }},
    {"sh",
     "CSyntaxParserSh",
     {
         {"if [ -f $HOME ]; then echo 'a#b' # c", "kknooonnfffffnoookkkknkkkknsssssnccc", 0},
         {"ls \"open", "uunsssss", 0x08},
         {"closed\" x", "sssssssnn", 0},
         {"a=${x}#1", "noffffon", 0},
     }},
    {"sql",
     "CSyntaxParserSql",
     {
         {"SELECT name FROM t -- all", "kkkkkknnnnnnkkkknnncccccc", 0},
         {"WHERE a = 'it''s' /* open", "kkkkknnnoosssssssnccccccc", 0x04},
         {"still */ AND x VARCHAR", "ccccccccnkkknnnuuuuuuu", 0},
         {"// all comment", "cccccccccccccc", 0},
     }},
    {"pas",
     "CSyntaxParserPascal",
     {
         {"program P; { note", "kkkkkkknnoocccccc", 0x20},
         {"} (* x *) x := 'a''b'; // c", "cncccccccnnnooossssssoocccc", 0},
         {"BEGIN end", "kkkkknkkk", 0},
     }},
    {"lsp",
     "CSyntaxParserLisp",
     {
         {"(abs x) ;| open", "okkknnooccccccc", 0x04},
         {"close |; (zerop 1) ; c", "ccccccccnokkkkknnooccc", 0},
         {"(acad_colordlg \"s\\\"\")", "okkkkkkkkkkkkknssssso", 0},
     }},
    {"scm",
     "CSyntaxParserSiod",
     {
         {"(ABS x) (sqrt y) ;| c |; (writes z)", "okkknnooouuuunnoocccccccnoffffffnno", 0},
     }},
    {"tex",
     "CSyntaxParserTex",
     {
         {"\\documentstyle{x} 50\\% $a+b", "kkkkkkkkkkkkkkonoonnnnnssss", 0x100},
         {"c$ \\xdef % note", "ssnkkkkkncccccc", 0},
         {"$$x$$ \\unknown", "sssssnnnnnnnnn", 0},
     }},
    {"f90",
     "CSyntaxParserFortran",
     {
         {"C comment line", "cccccccccccccc", 0},
         {"call abs(x) ! note", "kkkknkkkonoocccccc", 0},
         {"      WRITE(*,*) 'it''s'", "nnnnnnkkkkkoooooosssssss", 0},
     }},
    {"bas",
     "CSyntaxParserBasic",
     {
         {"With x ' note", "kkkknnncccccc", 0},
         {"s = \"a\"\"b\" rem c", "nnoossssssnccccc", 0},
         {"premium = 1", "nnnnnnnnoon", 0},
     }},
    {"bat",
     "CSyntaxParserBatch",
     {
         {"@rem note", "occcccccc", 0},
         {":label", "pppppp", 0},
         {"xcopy.exe %1 %%i %PATH% \"s\"", "uuuuuuuuunffnfffnffffffnsss", 0},
         {"IF a .AND. b", "kknnnkkkkknn", 0},
         {":: comment", "cccccccccc", 0},
     }},
    {"ini",
     "CSyntaxParserIni",
     {
         {"[Section]", "kkkkkkkkk", 0},
         {"key=\"v;x\" ; not a comment", "nnnosssssnoonnnnnnnnnnnnn", 0},
         {"  ; comment", "nnccccccccc", 0},
     }},
    {"iss",
     "CSyntaxParserIss",
     {
         {"[Setup]", "kkkkkkk", 0},
         {"; comment", "ccccccccc", 0},
         {"#define X { open", "pppppppnnncccccc", 0x20},
         {"close } WizardStyle=HKCR (* c *)", "cccccccnkkkkkkkkkkkouuuunccccccc", 0},
     }},
    {"nsi",
     "CSyntaxParserNsis",
     {
         {"!include x ; c", "ppppppppnnnccc", 0},
         {"Abort \"$INSTDIR\" ARCHIVE # c", "kkkkknssssssssssnuuuuuuunccc", 0},
         {"/* open", "ccccccc", 0x04},
         {"*/ XPStyle on", "ccnkkkkkkknuu", 0},
     }},
    {"pl",
     "CSyntaxParserPerl",
     {
         {"if ($x =~ s/a#/b/) { # c", "kknoffnoookssssssooooccc", 0},
         {"my @a = qw(one", "kknffnookkssss", 0x290300},
         {"two); tan $#a", "ssssookkknfff", 0},
         {"=pod", "cccc", 0x800},
         {"text", "cccc", 0x800},
         {"=cut", "cccc", 0},
     }},
    {"tcl",
     "CSyntaxParserTcl",
     {
         {"# comment", "ccccccccc", 0},
         {"if {$x} then ;# c", "kknoffookkkkncccc", 0},
     }},
    {"rex",
     "CSyntaxParserRexx",
     {
         {"CALL x /* c */ METHOD 'a'", "kkkknnncccccccnuuuuuunsss", 0},
     }},
    {"dcl",
     "CSyntaxParserDcl",
     {
         {"x : boxed_column { width = 1; } // c", "nnookkkkkkkkkkkknoofffffnoonoooocccc", 0},
         {"spacer_0; /* open", "uuuuuuuuooccccccc", 0x04},
     }},
};

const std::vector<LANGUAGECASE> kCLikeLanguages = {
    {"cs", "CSyntaxParserCsharp", {{"using x; // c", "kkkkkonoocccc", 0}, {"#region R", "ppppppppp", 0}}},
    {"java", "CSyntaxParserJava", {{"abstract f(1);", "kkkkkkkkofodoo", 0}, {"#x", "on", 0}}},
    {"rul", "CSyntaxParserIs", {{"begin APPEND CMDLINE", "kkkkkouuuuuuofffffff", 0}}},
    {"rc", "CSyntaxParserRsrc", {{"accelerators VK_F24 /* c", "kkkkkkkkkkkkouuuuuuocccc", 4}}},
};

const std::vector<LANGUAGECASE> kMarkupLanguages = {
    {"html",
     "CSyntaxParserHtml",
     {
         {"<a href=\"x\">&amp; &bogus;</a>", "oknuuuuosssofffffnnnnnnnnooko", 0},
         {"<!-- open", "ccccccccc", 0x20000},
         {"--> <?php x ?> &#38;", "cccnppppppppppnddddd", 0},
         {"<div", "okkk", 0x10000},
         {"  class='a", "nnuuuuuoss", 0x90000},
         {"b'>", "sso", 0},
     }},
    {"xml",
     "CSyntaxParserXml",
     {
         {"<?xml version=\"1.0\"?>", "ookkknuuuuuuuosssssoo", 0},
         {"<!DOCTYPE x SYSTEM \"y\">", "ookkkkkkknnnuuuuuunssso", 0},
         {"<item id='1'>{v}</item>", "onnnnnuuosssopppoonnnno", 0},
         {"<![CDATA[ a < b", "sssssssssssssss", 0x2000000},
         {"]]> &lt;", "sssnffff", 0},
     }},
    {"sgml",
     "CSyntaxParserSgml",
     {
         {"<ARTICLE compact id=x>{c} &amp;", "okkkkkkknuuuuuuunuuonopppnfffff", 0},
     }},
    {"asp",
     "CSyntaxParserAsp",
     {
         {"<p><% If x Then ' c %> <b>", "okoppnkknnnkkkknccccppnoko", 0},
         {"<%= \"s\" rem", "pppnsssnccc", 0x100000},
         {"  End %>&nbsp;", "nnkkknppffffff", 0},
     }},
    {"php",
     "CSyntaxParserPhp",
     {
         {"<body><?php $x = array(1); # c ?>", "okkkkopppppnffnookkkkkodoooccccpp", 0},
         {"<?php /* open", "pppppnccccccc", 0x100004},
         {"?> still */ $y?>", "cccccccccccnffpp", 0},
     }},
};

TEST(LanguageParsersTest, ScriptLanguages) {
    for (const LANGUAGECASE& language : kScriptLanguages) CheckLanguage(language);
}

TEST(LanguageParsersTest, CLikeLanguages) {
    for (const LANGUAGECASE& language : kCLikeLanguages) CheckLanguage(language);
}

TEST(LanguageParsersTest, MarkupLanguages) {
    for (const LANGUAGECASE& language : kMarkupLanguages) CheckLanguage(language);
}

// Plain text has no blocks and no state; an empty line keeps only what
// continues over it.
TEST(LanguageParsersTest, PlainTextAndEmptyLines) {
    const CSyntaxParser& plain = ForExtension("txt");
    std::vector<COLORBLOCK> blocks;
    EXPECT_EQ(plain.ParseLine(0, Line("if x then // \"y\""), &blocks), 0);
    EXPECT_TRUE(blocks.empty());
    EXPECT_EQ(plain.ParseLine(0x1234, Line("text"), &blocks), 0);
    const CSyntaxParser& sql = ForExtension("sql");
    EXPECT_EQ(sql.ParseLine(CSyntaxParserScript::STATE_BLOCK_COMMENT_1, Line(""), &blocks),
              CSyntaxParserScript::STATE_BLOCK_COMMENT_1);
    EXPECT_EQ(sql.ParseLine(CSyntaxParserScript::STATE_LINE_COMMENT, Line(""), &blocks), 0);
    EXPECT_TRUE(blocks.empty());
}

// Inno Setup and InstallShield files are coloured by their own sets and
// comments, not by another member's.
TEST(LanguageParsersTest, SetupScriptsUseTheirOwnSets) {
    int state = 0;
    EXPECT_EQ(Colours(ForExtension("iss"), state, "WorkingDir { c } ; x"), "kkkkkkkkkkncccccnoon");
    state = 0;
    EXPECT_EQ(Colours(ForExtension("rul"), state, "declare /* c */ STRING"), "kkkkkkkocccccccokkkkkk");
    state = 0;
    // The same words mean nothing to the other.
    EXPECT_EQ(Colours(ForExtension("rul"), state, "WorkingDir"), "nnnnnnnnnn");
}

// Odd input never leaves the line or breaks the order of blocks: every member
// on lines of stray delimiters, bytes above 0x7F and unbalanced regions.
TEST(LanguageParsersTest, StrayDelimitersStayInTheLine) {
    const std::vector<std::string> lines = {
        "",
        "\"",
        "'",
        "\\",
        "$",
        "%",
        "<",
        "&",
        "{",
        "(*",
        ";|",
        "<!--",
        "<%",
        "<?",
        "#",
        "=x",
        "s{",
        "q",
        "\xC3\xA9t\xC3\xA9 \"\xE2\x82\xAC\"",
        "\xFF\xFE",
        "a\\",
        "$$",
        "<a b='",
        "&amp",
        "[x",
        "<<EOF",
        "<<-",
        "$(\"${",
        "r#\"",
        "'\\",
        "--[==[",
        "#[[",
        "```",
        "/[/",
        "%w(",
        "@@ -1,2 +1 @@",
        "|",
        "=begin",
    };
    CSyntaxEditor& editor = GetSyntaxEditor();
    for (int d = 0; d < editor.GetDefinitionCount(); ++d) {
        const CSyntaxParser& parser = *editor.GetDefinition(d);
        for (const int start :
             {0, 0x04, 0x08, 0x100, 0x4000, 0x10000, 0x100000, 0x1FFFC008, 0x40000005, 0x7FFFFFFF}) {
            for (const std::string& text : lines) {
                std::vector<COLORBLOCK> blocks;
                const int end = parser.ParseLine(start, Line(text), &blocks);
                EXPECT_GE(end, 0) << parser.GetName() << ": " << text;
                for (size_t b = 0; b < blocks.size(); ++b) {
                    EXPECT_GE(blocks[b].position, 0);
                    EXPECT_LE(blocks[b].position, static_cast<int>(text.size()));
                    if (b > 0) {
                        EXPECT_LE(blocks[b - 1].position, blocks[b].position);
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace corvatine
