// Parsing speed of every language's line parser on 100,000 lines of text
// typical of that language: states only (as the parse-state cache fills) and
// with colour blocks (as a view or the export colours lines). Every
// definition should parse more than a million lines a second; the program
// lists the slower ones at the end and exits 1 when there are any.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "editor/SyntaxEditor.h"
#include "editor/SyntaxParsers.h"

namespace {

constexpr int kLines = 100000;

// A few pieces of each language; the benchmark text draws whole pieces at
// random, so that what spans lines (here-documents, block scalars, fenced
// code, comments) opens and closes as in a real file.
const std::map<std::string, std::vector<std::string>> kSamples = {
    {"txt", {"Plain text with some words, numbers 123 and punctuation.", "", "Another line of prose."}},
    {"asp",
     {"<p class=\"x\">Hello &amp; welcome</p>", "<% If x > 1 Then Response.Write(\"y\") ' c %>",
      "<!-- a comment -->", "<table border=\"1\"><tr><td>cell</td></tr></table>"}},
    {"bas",
     {"Dim total As Integer ' running total", "If x = 1 Then Print \"one\"", "rem an old comment",
      "For i = 1 To 10: total = total + i: Next i"}},
    {"bat",
     {"@echo off", "rem Build the project", "if exist %TARGET% del %TARGET%", ":loop",
      "xcopy.exe /s \"%SRC%\\*.*\" %%d", "goto loop"}},
    {"c",
     {"static int compute(const char* text, size_t length) {", "    int total = 0x1F + 1.5e10; // note",
      "/* A block comment */", "    printf(\"%d items\\n\", total);", "}"}},
    {"cs",
     {"public class Widget : IDisposable {", "    private int count = 0; // state",
      "    public void Dispose() { count--; }", "#region Helpers"}},
    {"dcl",
     {"example : dialog {", "    label = \"Example\"; // title", "    : boxed_column { width = 20; }", "}"}},
    {"f90",
     {"C     fixed-form comment", "      call solve(a, b, n) ! note", "      write(*,*) 'result', x",
      "      do i = 1, n"}},
    {"html",
     {"<div class=\"content\" id=\"main\">", "  <p>Text with &nbsp; and <b>bold</b> words.</p>",
      "<!-- comment -->", "  <a href=\"https://example.org\">link</a>", "</div>",
      "<style>\n  /* the banner */ .banner { color: white; background: navy; }\n</style>"}},
    {"ini", {"[Section]", "key=value", "; a comment", "path=\"C:\\\\Program Files\""}},
    {"iss",
     {"[Setup]", "AppName=My Program", "; comment",
      "Source: \"x.exe\"; DestDir: \"{app}\"; Flags: ignoreversion",
      "begin (* pascal *) Result := True; end;"}},
    {"rul", {"function Setup() begin", "    nResult = AskYesNo(\"Continue?\", YES); // ask", "end;"}},
    {"java",
     {"public final class Main {", "    public static void main(String[] args) { run(args); }",
      "    /* javadoc */ private int x = 42;", "}"}},
    {"lsp", {"(defun c:hello (/ a b) ; greet", "  (princ \"Hello\")", ";| block |; (setq a (+ 1 2))", ")"}},
    {"nsi",
     {"!include \"MUI2.nsh\"", "Section \"Main\" SecMain ; main", "  SetOutPath \"$INSTDIR\"",
      "  File /r \"files\\*.*\"", "SectionEnd"}},
    {"pas",
     {"program Hello; { comment }", "begin (* other *)", "  WriteLn('Hello, world'); // done", "end."}},
    {"pl",
     {"my @list = qw(one two three); # words", "if ($x =~ s/a/b/g) { print \"yes\\n\"; }",
      "foreach my $i (@list) { $h{$i}++; }", "sub helper { return tan(shift); }",
      "return 1 if $line =~ /^\\s*return/; # a return", "my @f = grep(/[\\\"\\']/, @words);",
      "print OUT <<\"EOF\";\n; Definition file for $name\nLIBRARY $name\nEOF"}},
    {"php",
     {"<html><body>", "<?php $x = array(1, 2); // list", "echo \"Value: $x\"; # note ?>",
      "<p>&copy; 2026</p>", "</body></html>"}},
    {"py",
     {"def compute(values, limit=10):  # sum", "    return sum(v for v in values if v < limit)",
      "class Widget(object):", "    \"\"\"Docstring.\"\"\"", "print('done')"}},
    {"rex", {"/* REXX */", "say 'Hello' // note", "do i = 1 to 10; call work i; end"}},
    {"rc",
     {"IDD_ABOUT DIALOGEX 0, 0, 200, 100", "STYLE DS_MODALFRAME | WS_POPUP // note", "BEGIN",
      "    PUSHBUTTON \"OK\", IDOK, 70, 80, 50, 14", "END"}},
    {"sgml", {"<ARTICLE id=\"a1\">", "<TITLE>Text &amp; more</TITLE>", "<!-- comment -->", "</ARTICLE>"}},
    {"sh",
     {"if [ -f \"$HOME/.profile\" ]; then", "  echo \"found\" # note", "  ls -l ${DIR} | wc -l", "fi",
      "SCRIPT_DIR=\"$(cd \"$(dirname \"${BASH_SOURCE[0]}\")\" && pwd)\"",
      "cat > /etc/cron.d/backup <<EOF\n## nightly backup\n0 2 * * * root /usr/local/bin/backup.sh\nEOF"}},
    {"scm", {"(define (square x) (* x x)) ; square", ";| block |;", "(writes nil (sqrt 2))"}},
    {"sql",
     {"SELECT name, total FROM orders -- list", "WHERE total > 100 AND status = 'open'",
      "/* comment */ ORDER BY name;"}},
    {"tcl", {"proc hello {name} {", "    puts \"Hello $name\" ;# greet", "}", "# comment"}},
    {"tex",
     {"\\documentclass{article} % class", "\\begin{document}", "Text with $x^2 + y^2$ math.",
      "\\section{Intro} \\label{s:intro}", "\\end{document}"}},
    {"xml",
     {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<item id=\"1\">Text &amp; more</item>",
      "<!-- comment -->", "<![CDATA[ raw < text ]]>"}},
    {"js",
     {"import { request } from './http.js'; // the client",
      "  const url = `${BASE}/users?page=${page}&sort=${encodeURIComponent(\"name\")}`;",
      "  const pattern = /^\\/\\*\\s*user:(\\d+)\\s*\\*\\//; // an id",
      "  const half = total / 2; /* not a pattern */",
      "/**\n * Loads one page of users.\n * @param {number} page\n */",
      "export async function loadUsers(page) {\n  return request(url).then((r) => r.json());\n}"}},
    {"ts",
     {"export interface Session {\n  readonly user: string; // who\n  expires: number;\n}",
      "@Injectable({ providedIn: 'root' })", "  private key = 'session:/*current*/';",
      "  load(): Session | null { return raw ? (JSON.parse(raw) as Session) : null; }"}},
    {"json",
     {"{", "  \"compilerOptions\": { \"target\": \"ES2022\", \"strict\": true },", "  // a comment",
      "  \"paths\": { \"@app/*\": [\"src/app/*\"] }, \"n\": -1.5e3, \"z\": null", "}"}},
    {"yml",
     {"name: CI", "    runs-on: ubuntu-latest # the image", "      - uses: actions/checkout@v4",
      "      - name: Build\n        run: |\n          # configure\n          cmake -S . -B build",
      "    branches: [ main, 'release/*' ]", "    env: { TAG: \"v1 # beta\" }"}},
    {"md",
     {"# Widgets <!-- short -->", "", "Build with `make` and see [the guide](doc/guide.md).",
      "- item with **bold** and snake_case", "```sh\n# install\nsudo apt install libwidget-dev\n```",
      "<!--\nRelease notes.\n-->"}},
    {"css",
     {"/* Layout */", "@media (max-width: 600px) {\n  .nav a:hover { color: #333; } /* hover */\n}",
      "body { font-family: \"Noto Sans\", sans-serif; margin: 0 auto !important; }",
      ".note::before { content: \"/* note */\"; }"}},
    {"rs",
     {"use std::collections::HashMap; // maps", "/* Block comments /* nest */ in Rust. */",
      "#[derive(Debug, Default)]", "    pub fn get<'a>(&'a self, key: &str) -> Option<&'a str> {",
      "        let pattern = r#\"^\\s*// (\\w+)\"#; let c = '\\'';",
      "        println!(\"{} items\", count); }"}},
    {"go",
     {"// Command hello greets.", "import \"fmt\"", "const usage = `hello [name]\n// prints a greeting`",
      "func main() { r := 'x'; fmt.Println(\"a // b\", len(q), 0x1F) } /* c */"}},
    {"kt",
     {"/* Entry point. /* nested */ */", "@JvmStatic fun main(args: Array<String>) {",
      "    val s = \"Hello, ${args.joinToString(\", \")}!\" // greet",
      "    val help = \"\"\"\n        // Usage: demo [name]\n    \"\"\".trimIndent()"}},
    {"rb",
     {"# frozen_string_literal: true", "=begin\nLoads the configuration.\n=end",
      "  KEYS = %w[name port] # keys", "  def greet(name) = puts \"Hi #{name.split(\" \").first}\"",
      "    sql = <<~SQL\n      SELECT * FROM settings\n    SQL",
      "    x = line =~ /^\\s*#/ ? :sym : nil # c"}},
    {"lua",
     {"-- Settings --", "local opts = { number = true, -- numbers\n  name = [[long\n-- string]] }",
      "--[==[\nblock comment\n]==]", "print(\"x -- y\") -- end"}},
    {"cmake",
     {"cmake_minimum_required(VERSION 3.16) # the minimum", "project(demo LANGUAGES CXX)",
      "#[[ A bracket\ncomment ]]", "target_compile_definitions(core PRIVATE GREETING=\"hello # world\")",
      "add_executable(demo ${SRC} src/main.cpp)"}},
    {"mk",
     {"CFLAGS := -O2 -Wall # flags", "OBJS = main.o \\\n\tutil.o",
      "demo: $(OBJS)\n\t$(CC) $(CFLAGS) -o $@ $^ # link", "\t@echo \"# built $$PWD\"",
      "define HELP\n# make demo\nendef"}},
    {"dockerfile",
     {"FROM debian:bookworm-slim AS build", "# The tools.",
      "RUN apt-get update && \\\n    # keep it small\n    apt-get install -y curl # shell comment",
      "COPY <<EOF /etc/motd\n# Welcome\nEOF", "ENV NOTE=a #b", "CMD [\"sh\", \"-c\", \"echo ready\"]"}},
    {"toml",
     {"[package] # table", "name = \"demo\"", "description = \"\"\"\nA demo # with a hash\n\"\"\"",
      "serde = { version = \"1\", features = [\"derive\"] } # serialisation", "enabled = true"}},
    {"diff",
     {"From 3f2a1c0 Mon Sep 17 00:00:00 2001\nSubject: [PATCH] Fix the greeting\n\nThe comma.\n---",
      "diff --git a/hello.c b/hello.c\nindex 1111111..2222222 100644\n--- a/hello.c\n+++ b/hello.c",
      "@@ -1,3 +1,3 @@\n #include <stdio.h>\n-int main(void) { puts(\"Hello world\"); }\n+int main(void) { "
      "puts(\"Hello, world\"); }\n /* end */"}},
};

// kLines lines of whole pieces drawn at random.
std::vector<corvatine::CSyntaxTextLine> MakeLines(const std::vector<std::string>& sample) {
    std::vector<std::vector<std::string>> pieces;
    for (const std::string& piece : sample) {
        pieces.emplace_back();
        size_t start = 0;
        for (size_t end = piece.find('\n');; end = piece.find('\n', start)) {
            pieces.back().push_back(
                piece.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    std::mt19937 random(7);
    std::vector<corvatine::CSyntaxTextLine> lines;
    lines.reserve(kLines);
    while (lines.size() < static_cast<size_t>(kLines)) {
        for (const std::string& text : pieces[random() % pieces.size()]) {
            if (lines.size() == static_cast<size_t>(kLines)) break;
            lines.emplace_back();
            lines.back().Assign(text.data(), static_cast<int>(text.size()));
        }
    }
    return lines;
}

void Parse(benchmark::State& state, const corvatine::CSyntaxParser* parser,
           const std::vector<corvatine::CSyntaxTextLine>* lines, bool withBlocks) {
    std::vector<corvatine::COLORBLOCK> blocks;
    for (auto _ : state) {
        int lineState = 0;
        for (const corvatine::CSyntaxTextLine& line : *lines) {
            blocks.clear();
            lineState = parser->ParseLine(lineState, line, withBlocks ? &blocks : nullptr);
        }
        benchmark::DoNotOptimize(lineState);
    }
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(lines->size()), benchmark::Counter::kIsIterationInvariantRate);
}

// Notes the runs slower than a million lines a second.
class CSlowRuns : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto counter = run.counters.find("lines/s");
            if (counter != run.counters.end() && counter->second.value < kMinimumRate)
                slow.push_back(run.benchmark_name() + ": " +
                               std::to_string(static_cast<long long>(counter->second.value)));
        }
    }
    static constexpr double kMinimumRate = 1e6;
    std::vector<std::string> slow;
};

}  // namespace

int main(int argc, char** argv) {
    static std::vector<std::vector<corvatine::CSyntaxTextLine>> texts;
    texts.reserve(kSamples.size());
    for (const auto& [extension, sample] : kSamples) {
        const corvatine::CSyntaxParser* parser =
            corvatine::GetSyntaxEditor().FindDefinitionForExtension(extension);
        texts.push_back(MakeLines(sample));
        const auto* lines = &texts.back();
        for (const bool withBlocks : {false, true}) {
            const std::string name = parser->GetName() + (withBlocks ? "/blocks" : "/states");
            benchmark::RegisterBenchmark(name.c_str(), Parse, parser, lines, withBlocks)
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    CSlowRuns reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (reporter.slow.empty()) {
        std::printf("every definition parses more than a million lines a second\n");
        return 0;
    }
    std::printf("slower than a million lines a second:\n");
    for (const std::string& run : reporter.slow) std::printf("  %s\n", run.c_str());
    return 1;
}
