// The syntax-coloured HTML export of the edit action: the page read back by
// Python's HTML parser shows the file's text, and a target that cannot be
// written gets nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Json = nlohmann::json;

// Reads a page with html.parser and prints as JSON the text inside <pre>
// without the line numbers (entities decoded, the line break after <pre>
// dropped as HTML does, CR LF as LF), the line numbers, the classes of the
// spans, whether any span held another, and the title.
constexpr const char* kReader = R"(import json, sys
from html.parser import HTMLParser

class Page(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.pre = False
        self.spans = []
        self.text = []
        self.numbers = []
        self.classes = set()
        self.nested = False
        self.in_title = False
        self.title = ""

    def handle_starttag(self, tag, attrs):
        if tag == "pre":
            self.pre = True
        elif tag == "span":
            self.nested = self.nested or bool(self.spans)
            self.spans.append(dict(attrs).get("class"))
            self.classes.add(self.spans[-1])
        elif tag == "title":
            self.in_title = True

    def handle_endtag(self, tag):
        if tag == "pre":
            self.pre = False
        elif tag == "span":
            self.spans.pop()
        elif tag == "title":
            self.in_title = False

    def handle_data(self, data):
        if self.in_title:
            self.title += data
        elif not self.pre:
            return
        elif self.spans and self.spans[-1] == "tl":
            self.numbers.append(data)
        else:
            self.text.append(data)

page = Page()
with open(sys.argv[1], encoding="utf-8", newline="") as f:
    page.feed(f.read())
page.close()
text = "".join(page.text)
if text.startswith("\r\n"):
    text = text[2:]
print(json.dumps({"text": text.replace("\r\n", "\n"), "numbers": page.numbers,
                  "classes": sorted(page.classes), "nested": page.nested, "title": page.title}))
)";

class ExportTest : public ::testing::Test {
protected:
    test::ProgramResult Run(const std::vector<std::string>& arguments) {
        return test::RunCorvatine(arguments, dir.Path());
    }
    // The page as the reader sees it.
    Json Read(const std::string& page) {
        const std::string reader = dir.WriteFile("reader.py", kReader);
        const test::ProgramResult result = test::RunProgram("/usr/bin/python3", {reader, dir / page});
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        return Json::parse(result.out);
    }
    bool Exists(const std::string& name) { return ::access((dir / name).c_str(), F_OK) == 0; }

    test::TempDir dir;
};

constexpr const char* kSource =
    "#include <stdio.h>\n"
    "/* a comment\n"
    "\tthat spans <lines> & more */\n"
    "int main(void) {\n"
    "\tif (a < b && c)\tputs(\"<b>&amp;</b>\");\n"
    "\treturn 0; // caf\xC3\xA9\n"
    "}\n";
constexpr const char* kSourceExpanded =
    "#include <stdio.h>\n"
    "/* a comment\n"
    "    that spans <lines> & more */\n"
    "int main(void) {\n"
    "    if (a < b && c) puts(\"<b>&amp;</b>\");\n"
    "    return 0; // caf\xC3\xA9\n"
    "}\n";

TEST_F(ExportTest, APageOfACFileShowsItsTextInColour) {
    dir.WriteFile("file.c", kSource);
    test::ProgramResult result = Run({"-e", "file.c", "--export=out.html", "--line-numbers=off", "--quiet"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    Json page = Read("out.html");
    EXPECT_EQ(page["text"], kSourceExpanded);
    EXPECT_EQ(page["numbers"], Json::array());
    EXPECT_EQ(page["classes"], Json({"tc", "tf", "tk", "tn", "to", "tp", "ts"}));
    EXPECT_EQ(page["nested"], false);
    EXPECT_EQ(page["title"], "file.c");
    const std::string bytes = test::ReadFile(dir / "out.html");
    EXPECT_NE(bytes.find("<span class=\"tc\">    that spans &lt;lines&gt; &amp; more */</span>\r\n"),
              std::string::npos);
    EXPECT_NE(bytes.find("<span class=\"to\"> &amp;&amp; </span>"), std::string::npos);

    // With line numbers (the default), replacing the page; the description
    // is printed as without the export.
    result = Run({"-e", "file.c", "--export=out.html"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(Json::parse(result.out)["language"], "C/C++");
    page = Read("out.html");
    EXPECT_EQ(page["text"], kSourceExpanded);
    EXPECT_EQ(page["numbers"], Json({"1 ", "2 ", "3 ", "4 ", "5 ", "6 ", "7 "}));
    EXPECT_EQ(page["nested"], false);
}

TEST_F(ExportTest, APlainTextFileIsEscapedWithoutColours) {
    dir.WriteFile("notes.txt", "a < b\r\n\tc & d\r\n<p>\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\nten");
    const test::ProgramResult result = Run({"-e", "notes.txt", "--export=notes.html", "--quiet"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const Json page = Read("notes.html");
    EXPECT_EQ(page["text"], "a < b\n    c & d\n<p>\n4\n5\n6\n7\n8\n9\nten\n");
    EXPECT_EQ(page["numbers"], Json({" 1 ", " 2 ", " 3 ", " 4 ", " 5 ", " 6 ", " 7 ", " 8 ", " 9 ", "10 "}));
    EXPECT_EQ(page["classes"], Json({"tl"}));

    dir.WriteFile("empty.txt", "");
    ASSERT_EQ(Run({"-e", "empty.txt", "--export=empty.html", "--quiet"}).exitStatus, 0);
    EXPECT_EQ(Read("empty.html")["text"], "Empty");
}

TEST_F(ExportTest, ATargetThatCannotBeWrittenGetsNothing) {
    dir.WriteFile("file.c", kSource);
    test::ProgramResult result = Run({"-e", "file.c", "--export=missing/out.html", "--quiet"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(
        result.err,
        "corvatine: cannot export to 'missing/out.html': cannot create a temporary file in missing: No such "
        "file or directory\n");
    EXPECT_FALSE(Exists("missing"));

    const std::string readOnly = dir.WriteFile("read-only.html", "old");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    result = Run({"-e", "file.c", "--export=read-only.html", "--quiet"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err,
              "corvatine: cannot export to 'read-only.html': cannot write read-only.html: it is read-only\n");
    EXPECT_EQ(test::ReadFile(readOnly), "old");

    if (!test::CanRunAsOrdinaryUser()) GTEST_SKIP() << "no ordinary user to run as";
    dir.MakeFolder("shut");
    dir.OpenToAll();
    ASSERT_EQ(::chmod((dir / "shut").c_str(), 0555), 0);
    result =
        test::RunCorvatineAsOrdinaryUser({"-e", "file.c", "--export=shut/out.html", "--quiet"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(
        result.err,
        "corvatine: cannot export to 'shut/out.html': cannot create a temporary file in shut: Permission "
        "denied\n");
    EXPECT_EQ(test::RunProgram("/bin/sh", {"-c", "ls -A shut"}, {}, dir.Path()).out, "");
}

// A page declared UTF-8 holds only UTF-8 that HTML allows: a byte that is
// not valid UTF-8 is U+FFFD (and said so), a control character its picture;
// Python's strict decoder reads the page. (Read as UTF-8 on purpose: left to
// itself the program reads such a file in the code page it detects.)
TEST_F(ExportTest, InvalidUtf8AndControlCharactersAreEscaped) {
    dir.WriteFile("latin1.txt", "caf\xE9 na\xEFve\nbell\x07 esc\x1B del\x7F nul-free\n\xC3\xA9t\xC3\xA9\n");
    const test::ProgramResult result =
        Run({"-e", "latin1.txt", "--encoding=UTF-8", "--export=out.html", "--line-numbers=off"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(
        result.err,
        "corvatine: warning: 2 bytes of 'latin1.txt' are not valid in its encoding and are shown as U+FFFD "
        "in the page\n");
    const Json page = Read("out.html");
    EXPECT_EQ(page["text"],
              "caf\xEF\xBF\xBD na\xEF\xBF\xBDve\nbell\xE2\x90\x87 esc\xE2\x90\x9B del\xE2\x90\xA1 "
              "nul-free\n\xC3\xA9t\xC3\xA9\n");
    // The description says what the bytes are: not valid UTF-8.
    const Json info = Json::parse(result.out);
    EXPECT_EQ(info["lossy"], true);
    EXPECT_EQ(info["invalidBytes"], 2);
    EXPECT_EQ(Json::parse(Run({"-e", "out.html"}).out)["invalidBytes"], 0);
}

// The page never replaces the file it is made of, under any name.
TEST_F(ExportTest, ExportingOntoItsOwnFileIsRefused) {
    dir.WriteFile("notes.txt", "text\n");
    ASSERT_EQ(::symlink("notes.txt", (dir / "alias.txt").c_str()), 0);
    ASSERT_EQ(::link((dir / "notes.txt").c_str(), (dir / "hard.txt").c_str()), 0);
    for (const char* target : {"notes.txt", "./notes.txt", "alias.txt", "hard.txt"}) {
        const test::ProgramResult result = Run({"-e", "notes.txt", std::string("--export=") + target});
        EXPECT_EQ(result.exitStatus, 2) << target;
        EXPECT_EQ(result.err, std::string("corvatine: cannot export to '") + target +
                                  "': it is the file being exported, 'notes.txt'\n");
        EXPECT_EQ(test::ReadFile(dir / "notes.txt"), "text\n") << target;
    }
    // Nor does a comparison's report replace a compared file.
    dir.WriteFile("other.txt", "other\n");
    const test::ProgramResult result = Run({"--report=other.txt", "notes.txt", "other.txt"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err,
              "corvatine: cannot write the report to 'other.txt': it is the file compared, 'other.txt'\n");
    EXPECT_EQ(test::ReadFile(dir / "other.txt"), "other\n");
}

TEST_F(ExportTest, TheExportWordsApplyOnlyWhereTheySay) {
    dir.WriteFile("file.c", kSource);
    dir.WriteFile("other.c", kSource);
    dir.WriteFile("data.bin", std::string("\x00\x01\x02", 3));
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{"-e", "file.c", "--line-numbers=off"}, "'--line-numbers' applies only with --export"},
        {{"-e", "file.c", "--export=out.html", "--line-numbers=no"},
         "invalid value 'no' for '--line-numbers': on or off\nTry 'corvatine --help' for more information."},
        {{"-e", "file.c", "--export="},
         "option '--export' needs a file name: --export=FILE\nTry 'corvatine --help' for more information."},
        {{"-e", "data.bin", "--export=out.html"}, "'--export' does not apply to editing a binary file"},
        {{"file.c", "other.c", "--export=out.html"}, "'--export' does not apply to a text comparison"},
    };
    for (const auto& c : cases) {
        const test::ProgramResult result = Run(c.arguments);
        EXPECT_EQ(result.exitStatus, 2) << c.err;
        EXPECT_EQ(result.err, "corvatine: " + c.err + "\n");
        EXPECT_FALSE(Exists("out.html")) << c.err;
    }
    EXPECT_NE(Run({"--help"}).out.find("  --export=FILE "), std::string::npos);
}

}  // namespace
}  // namespace corvatine
