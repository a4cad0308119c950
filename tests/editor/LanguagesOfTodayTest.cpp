// The definitions of the languages a developer on Linux writes today, each
// on lines as its files hold them: comments apart from strings, and what the
// language's own constructs (here-documents, block scalars, fenced code,
// raw strings, nesting comments, long brackets, recipe lines, hunks) make
// of the lines after them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/LanguageCheck.h"
#include "editor/MarkupParser.h"
#include "editor/SyntaxEditor.h"

namespace corvatine {
namespace {

using test::CheckLanguage;
using test::Colours;
using test::ForExtension;
using test::kInHeredoc;
using test::LANGUAGECASE;

const std::vector<LANGUAGECASE> kLanguages = {
    {"js",
     "CSyntaxParserJavaScript",
     {
         {"// Fetch the user list and render it.", "ccccccccccccccccccccccccccccccccccccc", 0x0},
         {"import { render } from './view.js';", "kkkkkknoonnnnnnnookkkknssssssssssso", 0x0},
         {"const url = `${base}/api/users?page=${page + 1}`; // template",
          "kkkkknnnnnoosffnnnnfssssssssssssssssffnnnnnoodfsooccccccccccc", 0x0},
         {"const re = /\\/\\*[^*]*\\*\\//g; /* strip comments */",
          "kkkkknnnnoossssssssssssssssoocccccccccccccccccccc", 0x0},
         {"const half = total / 2 / count;", "kkkkknnnnnnoonnnnnnoodnoonnnnno", 0x0},
         {"if (!/^\\s*return/.test(line)) { out.push(`\\treturn ${fn(a, \"b\")};`); }",
          "kknoossssssssssssoffffonnnnooooonnnoffffossssssssssffffonoosssofssoooo", 0x0},
         {"export default async function load(id) {", "kkkkkknkkkkkkknkkkkknkkkkkkkknffffonnooo", 0x0},
         {"  const msg = `multi", "nnkkkkknnnnnoossssss", 0x40},
         {"line ${id} // not a comment", "sssssffnnfsssssssssssssssss", 0x40},
         {"end`;", "sssso", 0x0},
         {"  return fetch(url).then((r) => r.json()); // done",
          "nnkkkkkknuuuuuonnnooffffoonooooonoffffoooooccccccc", 0x0},
         {"}", "o", 0x0},
     }},
    {"ts",
     "CSyntaxParserTypeScript",
     {
         {"interface User { readonly id: number; name?: string } // shape",
          "kkkkkkkkknnnnnnookkkkkkkknnnoouuuuuuoonnnnooouuuuuunoocccccccc", 0x0},
         {"export type Id = string | number;", "kkkkkknkkkknnnnoouuuuuunoouuuuuuo", 0x0},
         {"@Component({ selector: 'app-root' })", "ppppppppppooonnnnnnnnoossssssssssnoo", 0x0},
         {"class A<T> implements B { private x: T; }", "kkkkknnonookkkkkkkkkknnnookkkkkkknnoonooo", 0x0},
     }},
    {"json",
     "CSyntaxParserJson",
     {
         {"{", "o", 0x0},
         {"  // Compiler options", "nnccccccccccccccccccc", 0x0},
         {"  \"compilerOptions\": { \"target\": \"es2020\", \"strict\": true, \"paths\": { \"@/*\": "
          "[\"src/*\"] } },",
          "nnsssssssssssssssssoooossssssssoossssssssoossssssssookkkkoosssssssoooosssssooosssssssoooooo", 0x0},
         {"  /* block */ \"exclude\": [\"node_modules\"], \"n\": -1.5e3, \"z\": null",
          "nncccccccccccnsssssssssooossssssssssssssooosssooodddddoosssookkkk", 0x0},
         {"}", "o", 0x0},
         {"{\"url\": \"http://x.org/*not*/\", \"n\": 1} // c", "osssssoosssssssssssssssssssssoosssoodoocccc",
          0x0},
     }},
    {"yml",
     "CSyntaxParserYaml",
     {
         {"# CI", "cccc", 0x0},
         {"name: CI", "kkkkoonn", 0x0},
         {"on:", "kko", 0x0},
         {"  push:", "nnkkkko", 0x0},
         {"    branches: [ main, 'release/*' ]", "nnnnkkkkkkkkoooonnnnoosssssssssssno", 0x0},
         {"jobs:", "kkkko", 0x0},
         {"  build:", "nnkkkkko", 0x0},
         {"    runs-on: ubuntu-latest # the runner", "nnnnkkkkkkkoonnnnnnnnnnnnnncccccccccccc", 0x0},
         {"    steps:", "nnnnkkkkko", 0x0},
         {"      - uses: actions/checkout@v4", "nnnnnnookkkkoonnnnnnnonnnnnnnnonn", 0x0},
         {"      - name: Test it's fine", "nnnnnnookkkkoonnnnnnnnnnnnnn", 0x0},
         {"        run: |", "nnnnnnnnkkkooo", 0x94000},
         {"          # install first", "sssssssssssssssssssssssss", 0x94000},
         {"          make test # all", "sssssssssssssssssssssssss", 0x94000},
         {"        env:", "nnnnnnnnkkko", 0x0},
         {"          URL: http://x/#frag", "nnnnnnnnnnkkkoonnnnooonoonnnn", 0x0},
         {"      - run: >-", "nnnnnnookkkoooo", 0x94000},
         {"          echo \"a\"", "ssssssssssssssssss", 0x94000},
         {"      - &anchor key: *alias", "nnnnnnoofffffffnkkkooffffff", 0x0},
         {"---", "kkk", 0x0},
         {"list: !!str 12", "kkkkoopppppndd", 0x0},
         {"script: |", "kkkkkkooo", 0x14000},
         {"  echo one", "ssssssssss", 0x14000},
         {"", "", 0x14000},
         {"  # still the script", "ssssssssssssssssssss", 0x14000},
         {"next: value # comment", "kkkkoonnnnnnccccccccc", 0x0},
         {"text: \"a # b\" # c", "kkkkoosssssssnccc", 0x0},
     }},
    {"md",
     "CSyntaxParserMarkdown",
     {
         {"# Project <!-- TODO: rename -->", "kkkkkkkkkkccccccccccccccccccccc", 0x0},
         {"", "", 0x0},
         {"Don't panic: run `make check` and see [the guide](doc/guide.md).",
          "nnnnnnnnnnnnnnnnnssssssssssssnnnnnnnnnnnnnnnnnnnoffffffffffffffn", 0x0},
         {"<!-- A comment", "cccccccccccccc", 0x1},
         {"   over two lines -->", "ccccccccccccccccccccc", 0x0},
         {"- item with **bold** and snake_case", "onnnnnnnnnnnoonnnnoonnnnnnnnnnnnnnn", 0x0},
         {"1. first", "oonnnnnn", 0x0},
         {"", "", 0x0},
         {"```sh", "ppppp", 0x1a},
         {"# install (code, not a comment)", "sssssssssssssssssssssssssssssss", 0x1a},
         {"<!-- not a comment either -->", "sssssssssssssssssssssssssssss", 0x1a},
         {"```", "ppp", 0x0},
         {"Title", "nnnnn", 0x0},
         {"=====", "kkkkk", 0x0},
         {"~~~~ python", "ppppppppppp", 0x26},
         {"```", "sss", 0x26},
         {"# still code", "ssssssssssss", 0x26},
         {"~~~~", "pppp", 0x0},
         {"```js `not a fence`", "nnnnnnsssssssssssss", 0x0},
         {"Use `` a ` b `` here <!-- c --> and <https://x.org/#a>.",
          "nnnnsssssssssssnnnnnnccccccccccnnnnnffffffffffffffffffn", 0x0},
     }},
    {"css",
     "CSyntaxParserCss",
     {
         {"/* Layout */", "cccccccccccc", 0x0},
         {"@media (max-width: 600px) {", "ppppppnonnnnnnnnnoodddddooo", 0x100},
         {"  .nav a:hover, #main > p::before { color: #fff; margin: 0 auto !important; }",
          "nnffffnnonnnnnoofffffnoonuuuuuuuunookkkkkooddddookkkkkkoodnuuuunouuuuuuuuuooo", 0x100},
         {"}", "o", 0x0},
         {"body { font-family: \"Helvetica Neue\", sans-serif; background: url(http://x/y.png); } /* end */",
          "nnnnnookkkkkkkkkkkoossssssssssssssssoonnnnnnnnnnookkkkkkkkkkoonnnonnnnooononffffoooooccccccccc",
          0x0},
         {"a::after { content: \"/* not */\"; } /* c */", "nuuuuuuunookkkkkkkoosssssssssssooooccccccc", 0x0},
     }},
    {"rs",
     "CSyntaxParserRust",
     {
         {"/// Parses the arguments. /* not nested here */",
          "ccccccccccccccccccccccccccccccccccccccccccccccc", 0x0},
         {"#[derive(Debug, Clone)]", "ppppppppppppppppppppppp", 0x0},
         {"fn parse<'a>(s: &'a str) -> Option<char> { let c = '\\''; let q = '\"'; println!(\"{c} {}\", "
          "r#\"raw \"x\" //\"#); } // end",
          "kknnnnnnouuoonooouunuuuooooouuuuuuouuuuooookkknnnoossssookkknnnoosssoofffffffoossssssssoosssssssss"
          "ssssssooooocccccc",
          0x0},
         {"/* outer /* inner */ still outer */ let x = 1_000u32;",
          "cccccccccccccccccccccccccccccccccccnkkknnnooddddddddo", 0x0},
         {"let s = \"multi", "kkknnnoossssss", 0x8},
         {"line // no comment\";", "ssssssssssssssssssso", 0x0},
         {"let b = b'x'; 'outer: loop { break 'outer; }", "kkknnnoonsssoouuuuuuookkkknookkkkknuuuuuuooo",
          0x0},
         {"let v = 1; /* depth one /* depth two", "kkknnnoodooccccccccccccccccccccccccc", 0x104},
         {"still two */ still one", "cccccccccccccccccccccc", 0x4},
         {"*/ let w = r##\"a \"# b\"##; // c", "ccnkkknnnoosssssssssssssoocccc", 0x0},
     }},
    {"go",
     "CSyntaxParserGo",
     {
         {"// Package main does things.", "cccccccccccccccccccccccccccc", 0x0},
         {"package main", "kkkkkkknnnnn", 0x0},
         {"import \"fmt\"", "kkkkkknsssss", 0x0},
         {"var q = `raw", "kkknnnoossss", 0x40},
         {"// not a comment` // yes", "sssssssssssssssssncccccc", 0x0},
         {"func main() { r := 'x'; fmt.Println(\"a // b\", len(q), 0x1F) } /* c */",
          "kkkknffffooooonnooosssoonnnofffffffossssssssoouuuonoooddddooooccccccc", 0x0},
     }},
    {"kt",
     "CSyntaxParserKotlin",
     {
         {"/* outer /* inner */ still */ @JvmStatic fun main(args: Array<String>) {",
          "cccccccccccccccccccccccccccccnppppppppppnkkknffffonnnnoouuuuuouuuuuuoooo", 0x0},
         {"    val s = \"Hello, ${args.joinToString(\", \")}!\" // greet",
          "nnnnkkknnnoossssssssffnnnnoffffffffffffossssofssncccccccc", 0x0},
         {"    val raw = \"\"\"C:\\path\\ \"quoted\"", "nnnnkkknnnnnoossssssssssssssssssss", 0x88},
         {"    // not comment\"\"\" // comment", "sssssssssssssssssssssncccccccccc", 0x0},
         {"}", "o", 0x0},
         {"/* a /* b */ still", "cccccccccccccccccc", 0x4},
         {"*/ val x = 1", "ccnkkknnnood", 0x0},
     }},
    {"rb",
     "CSyntaxParserRuby",
     {
         {"# frozen_string_literal: true", "ccccccccccccccccccccccccccccc", 0x0},
         {"=begin", "cccccc", 0x4},
         {"Block comment", "ccccccccccccc", 0x4},
         {"=end", "cccc", 0x0},
         {"class Foo < Bar # base", "kkkkknnnnnoonnnncccccc", 0x0},
         {"  WORDS = %w[alpha # beta] # words", "nnnnnnnnoossssssssssssssssnccccccc", 0x0},
         {"  def greet(name) = puts \"Hi #{name.split(\" \").first} # not comment\"",
          "nnkkknnnnnnonnnnoooouuuunssssffnnnnonnnnnosssoonnnnnfsssssssssssssss", 0x0},
         {"  sql = <<~SQL", "nnnnnnoooookkk", kInHeredoc},
         {"    -- # query text", "sssssssssssssssssss", kInHeredoc},
         {"    SELECT 1", "ssssssssssss", kInHeredoc},
         {"  SQL", "kkkkk", 0x0},
         {"  x = line =~ /^\\s*#/ ? :sym : nil # c", "nnnnoonnnnnooosssssssnoouuuunookkknccc", 0x0},
         {"end", "kkk", 0x0},
         {"  =begin not a comment", "nnokkkkknkkknnnnnnnnnn", 0x0},
         {"msg = <<-EOS", "nnnnoooookkk", kInHeredoc},
         {"  text # here", "sssssssssssss", kInHeredoc},
         {"  EOS", "kkkkk", 0x0},
     }},
    {"lua",
     "CSyntaxParserLua",
     {
         {"-- Config --", "cccccccccccc", 0x0},
         {"local s = [[long", "kkkkknnnoossssss", 0x2000},
         {"-- string]] --[==[ block", "sssssssssssncccccccccccc", 0x1200},
         {"comment ]==] print(\"x -- y\") -- end", "ccccccccccccnuuuuuossssssssoocccccc", 0x0},
         {"--[==[ level two ]] not yet", "ccccccccccccccccccccccccccc", 0x1200},
         {"]==] x = 1 -- c", "ccccnnnoodncccc", 0x0},
         {"s = [=[ ]] ]=] -- c", "nnoossssssssssncccc", 0x0},
     }},
    {"cmake",
     "CSyntaxParserCmake",
     {
         {"cmake_minimum_required(VERSION 3.16) # the minimum",
          "kkkkkkkkkkkkkkkkkkkkkkouuuuuuunnnnnooccccccccccccc", 0x0},
         {"project(demo LANGUAGES CXX)", "kkkkkkkonnnnnuuuuuuuuunnnno", 0x0},
         {"#[[ A bracket", "ccccccccccccc", 0x1000},
         {"comment ]] set(SRC \"a.c;b # not comment.c\" ${X}) # c",
          "ccccccccccnkkkonnnnsssssssssssssssssssssssnffffooccc", 0x0},
         {"add_executable(demo ${SRC} [=[raw # text]=])", "kkkkkkkkkkkkkkonnnnnffffffnsssssssssssssssso",
          0x0},
         {"message(STATUS \"multi", "kkkkkkkouuuuuunssssss", 0x8},
         {"line # still string\")", "sssssssssssssssssssso", 0x0},
     }},
    {"mk",
     "CSyntaxParserMakefile",
     {
         {"# Build rules", "ccccccccccccc", 0x0},
         {"CFLAGS := -O2 -Wall # flags", "nnnnnnnooonnnnnnnnnnccccccc", 0x0},
         {"SRCS = a.c \\", "nnnnnoonnnnn", 0x200},
         {"\tb.c", "nnnn", 0x0},
         {"all: demo # default", "fffoonnnnnccccccccc", 0x0},
         {"demo: $(SRCS:.c=.o)", "ffffoofffffffffffff", 0x0},
         {"\t$(CC) $(CFLAGS) -o $@ $^ # link", "nfffffnfffffffffnonnffnffncccccc", 0x0},
         {"\t@echo \"# built $$PWD\" # say", "nokkkknsssssssssssssssnccccc", 0x0},
         {"X = a\\#b # escaped hash", "nnoonnnnncccccccccccccc", 0x0},
         {"define HELP", "kkkkkknnnnn", 0x800},
         {"# not a comment: part of HELP", "sssssssssssssssssssssssssssss", 0x800},
         {"endef", "kkkkk", 0x0},
         {".PHONY: all clean", "kkkkkkoonnnnnnnnn", 0x0},
         {"# a comment \\", "ccccccccccccc", 0x400},
         {"  that goes on", "cccccccccccccc", 0x0},
         {"install: all", "fffffffoonnn", 0x0},
         {"\tcp a \\", "nnnnnno", 0x100},
         {"  /usr/bin # c", "nnonnnonnnnccc", 0x0},
     }},
    {"dockerfile",
     "CSyntaxParserDockerfile",
     {
         {"# syntax=docker/dockerfile:1", "cccccccccccccccccccccccccccc", 0x0},
         {"FROM debian:bookworm AS build", "kkkknnnnnnnonnnnnnnnnnnnnnnnn", 0x0},
         {"RUN <<EOF", "kkknookkk", kInHeredoc},
         {"# inside the here-document", "ssssssssssssssssssssssssss", kInHeredoc},
         {"echo hi", "sssssss", kInHeredoc},
         {"EOF", "kkk", 0x0},
         {"CMD [\"sh\", \"-c\", \"echo # not\"]", "kkknossssoossssoosssssssssssso", 0x0},
         {"run echo x # lower-case instruction", "kkknnnnnnnncccccccccccccccccccccccc", 0x0},
         {"ENV NAME=a #b", "kkknnnnnonnnn", 0x0},
     }},
    {"toml",
     "CSyntaxParserToml",
     {
         {"[package] # table", "kkkkkkkkknccccccc", 0x0},
         {"name = \"demo\"", "kkkknoossssss", 0x0},
         {"version = \"0.1.0\" # v", "kkkkkkknoosssssssnccc", 0x0},
         {"desc = \"\"\"multi", "kkkknoossssssss", 0x88},
         {"# not a comment\"\"\"", "ssssssssssssssssss", 0x0},
         {"path = 'C:\\x' # raw", "kkkknoossssssnccccc", 0x0},
         {"enabled = true", "kkkkkkknoouuuu", 0x0},
         {"[[bin]]", "kkkkkko", 0x0},
     }},
    {"diff",
     "CSyntaxParserDiff",
     {
         {"From 1234 Mon Sep 17 00:00:00 2001", "cccccccccccccccccccccccccccccccccc", 0x0},
         {"Subject: [PATCH] Fix the thing", "cccccccccccccccccccccccccccccc", 0x0},
         {"", "", 0x0},
         {"- the list in the message", "ccccccccccccccccccccccccc", 0x0},
         {"---", "ooo", 0x0},
         {" a.c | 2 +-", "ccccccccccc", 0x0},
         {"diff --git a/a.c b/a.c", "kkkkkkkkkkkkkkkkkkkkkk", 0x0},
         {"index 111..222 100644", "kkkkkkkkkkkkkkkkkkkkk", 0x0},
         {"--- a/a.c", "kkkkkkkkk", 0x0},
         {"+++ b/a.c", "kkkkkkkkk", 0x0},
         {"@@ -1,3 +1,3 @@ int main", "pppppppppppppppppppppppp", 0x18007},
         {" int x;", "nnnnnnn", 0x10005},
         {"-int y = 1;", "ddddddddddd", 0x10003},
         {"+int y = 2;", "sssssssssss", 0x8003},
         {" int z;", "nnnnnnn", 0x0},
         {"-- ", "ccc", 0x0},
         {"2.39.0", "cccccc", 0x0},
         {"@@ -1 +1 @@", "ppppppppppp", 0x8003},
         {"-old", "dddd", 0x8001},
         {"+new", "ssss", 0x0},
         {"Trailing text", "ccccccccccccc", 0x0},
     }},
};

TEST(LanguagesOfTodayTest, EachLanguageOnItsOwnLines) {
    for (const LANGUAGECASE& language : kLanguages) CheckLanguage(language);
}

// The text of a <style> element is CSS, its comments comments, to
// "</style" in any case, which ends it even inside a CSS string or comment.
TEST(LanguagesOfTodayTest, HtmlStyleElementsHoldCss) {
    constexpr int kStyle = CSyntaxParserMarkup::STATE_STYLE;
    CheckLanguage(
        {"html",
         "CSyntaxParserHtml",
         {
             {"<html><head>", "okkkkookkkko", 0},
             {"<style type=\"text/css\">", "okkkkknuuuuosssssssssso", kStyle},
             {"  /* sheet comment */ body { color: red; } </style>",
              "nncccccccccccccccccccnnnnnnookkkkkoonnnooooookkkkko", 0},
             {"<!-- html comment --><p class=\"x\">Text</p>", "cccccccccccccccccccccoknuuuuuosssonnnnooko",
              0},
             {"<STYLE>", "okkkkko", kStyle},
             {"p { margin: 0 } /* open", "nnookkkkkkoodnooccccccc",
              kStyle | CSyntaxParserScript::STATE_BLOCK_COMMENT_1},
             {"still comment */ </Style><b>x</b>", "ccccccccccccccccnookkkkkookonooko", 0},
             {"<style/><p>a { b }</p>", "okkkkkoookonnnnnnnooko", 0},
             {"<style>a::after { content: \"</style>\" }", "okkkkkonuuuuuuunookkkkkkkoosookkkkkonnn", 0},
         }});
    // PHP pages keep their own colouring: no style sheet there.
    int state = 0;
    EXPECT_EQ(Colours(ForExtension("php"), state, "<style>/* x */"), "okkkkkonnnnnnn");
}

// Lines of published files that once ran on into the rest of the file: a
// percent literal with nested brackets inside an interpolation (fzf's
// tests), a CSS string continued with a backslash (rustdoc's style sheet),
// escaped quotes in an unquoted CMake argument (CMake's UseEcos module).
TEST(LanguagesOfTodayTest, LinesOfPublishedFiles) {
    // A '...' string open in a block.
    constexpr int kContinuedInBlock = CSyntaxParserScript::STATE_STRING_2 | (1 << 8);
    CheckLanguage({"rb",
                   "CSyntaxParserRuby",
                   {
                       {"    tmux.send_keys \"seq 100 | #{fzf(%(--popup center,80% --margin 0 --bind "
                        "'space:change-border-label( #[fg=red] 100% )'))}\", :Enter",
                        "nnnnnnnnonnnnnnnnnnsssssssssssffnnnossssssssssssssssssssssssssssssssssssssssssssssss"
                        "sssssssssssssssssssssssssssssssssssssofsoouuuuuu",
                        0x0},
                       {"    tmux.until { |lines| assert_equal 100, lines.item_count } # c",
                        "nnnnnnnnokkkkknooonnnnnoonnnnnnnnnnnnndddoonnnnnonnnnnnnnnnnooccc", 0x0},
                   }});
    CheckLanguage(
        {"css",
         "CSyntaxParserCss",
         {
             {":root{--clipboard-image:url('data:image/svg+xml,<svg width=\"19\" \\",
              "uuuuuokkkkkkkkkkkkkkkkkonnnosssssssssssssssssssssssssssssssssssss", kContinuedInBlock},
             {"xmlns=\"http://www.w3.org/2000/svg\" aria-label=\"Copy\">\\",
              "ssssssssssssssssssssssssssssssssssssssssssssssssssssss", kContinuedInBlock},
             {"</svg>');} /* c */", "sssssssooooccccccc", 0x0},
         }});
    CheckLanguage(
        {"cmake",
         "CSyntaxParserCmake",
         {
             {"    COMMAND sh -c \\\" cd ${DIR}/ecos\\; ${ECOSCONFIG_EXECUTABLE} tree || exit -1\\;\\\" # c",
              "nnnnuuuuuuunnnnonnooonnnffffffonnnnoooffffffffffffffffffffffffnnnnnnooonnnnnonoooooccc", 0x0},
         }});
}

// Comment markers inside strings change nothing: only the last opener on
// each line begins a comment, and the next line is code again.
TEST(LanguagesOfTodayTest, MarkersInsideStringsAreText) {
    const struct {
        const char* extension;
        const char* line;
        const char* opener;
    } cases[] = {
        {"js", "const u = \"http://x\"; // c", "//"},
        {"ts", "let s = 'a /* b'; // c", "//"},
        {"json", "{\"//\": \"/* x\"} // c", "//"},
        {"yml", "k: 'a # b' # c", "#"},
        {"css", "p::before { content: '/*'; } /* c */", "/*"},
        {"rs", "let s = \"// x\"; // c", "//"},
        {"go", "s := \"/* x\" // c", "//"},
        {"kt", "val s = \"// \\\"\" // c", "//"},
        {"rb", "s = '# x' # c", "#"},
        {"lua", "s = \"-- x\" -- c", "--"},
        {"cmake", "set(S \"# x\") # c", "#"},
        {"toml", "k = \"# x\" # c", "#"},
        {"dockerfile", "RUN echo '# x' # c", "#"},
        {"mk", "\techo '# x' # c", "#"},
        {"md", "`<!-- x -->` <!-- c -->", "<!--"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension);
        const CSyntaxParser& parser = ForExtension(c.extension);
        int state = 0;
        const std::string text = c.line;
        const std::string colours = Colours(parser, state, text);
        const size_t comment = text.rfind(c.opener);
        EXPECT_EQ(colours.find('c'), comment) << text << "\n" << colours;
        EXPECT_EQ(colours.find_first_not_of('c', comment), std::string::npos) << text << "\n" << colours;
        EXPECT_EQ(state, 0) << text;
        EXPECT_EQ(Colours(parser, state, "x"), "n");
    }
}

}  // namespace
}  // namespace corvatine
