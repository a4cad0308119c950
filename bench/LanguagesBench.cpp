// Parsing speed of every language's line parser on 100,000 lines of text
// typical of that language: states only (as the parse-state cache fills) and
// with colour blocks (as a view or the export colours lines).
#include <benchmark/benchmark.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "editor/SyntaxEditor.h"
#include "editor/SyntaxParsers.h"

namespace {

constexpr int kLines = 100000;

// A few lines of each language; the benchmark text draws from them at random.
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
      "<!-- comment -->", "  <a href=\"https://example.org\">link</a>", "</div>"}},
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
      "foreach my $i (@list) { $h{$i}++; }", "sub helper { return tan(shift); }"}},
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
    {"sh", {"if [ -f \"$HOME/.profile\" ]; then", "  echo \"found\" # note", "  ls -l ${DIR} | wc -l", "fi"}},
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
};

std::vector<corvatine::CSyntaxTextLine> MakeLines(const std::vector<std::string>& sample) {
    std::mt19937 random(7);
    std::vector<corvatine::CSyntaxTextLine> lines(kLines);
    for (corvatine::CSyntaxTextLine& line : lines) {
        const std::string& text = sample[random() % sample.size()];
        line.Assign(text.data(), static_cast<int>(text.size()));
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
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
