// The corvatine program run as a user or a script runs it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Json = nlohmann::json;
using test::RunCorvatine;

Json PrintRequest(std::vector<std::string> arguments, const std::string& cwd = {}) {
    arguments.insert(arguments.begin(), "--print-request");
    const test::ProgramResult result = RunCorvatine(arguments, cwd);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return Json::parse(result.out);
}

TEST(FrontEndTest, HelpAndVersion) {
    for (const char* help : {"--help", "-h", "-?", "/help"}) {
        const test::ProgramResult result = RunCorvatine({help});
        EXPECT_EQ(result.exitStatus, 0) << help;
        EXPECT_EQ(result.out.rfind("Usage: corvatine", 0), 0u) << help;
        EXPECT_NE(result.out.find("--print-request"), std::string::npos);
        // A binary range's end is exclusive, as the ranges show it.
        EXPECT_NE(result.out.find("exclusive (00000098-00000099 is the one byte at 0x98)"),
                  std::string::npos);
    }
    // The version names the program, its version and its licence; the
    // licence is the one in LICENSE.
    const test::ProgramResult version = RunCorvatine({"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out.rfind("corvatine ", 0), 0u);
    EXPECT_NE(version.out.find("\nCopyright 2026 Corvatine maintainers\nLicensed under the MIT licence:"),
              std::string::npos)
        << version.out;
    const std::string licence = test::ReadFile(std::string(CORVATINE_SOURCE_DIR) + "/LICENSE");
    EXPECT_EQ(licence.rfind("MIT License\n\nCopyright (c) 2026 Corvatine maintainers\n", 0), 0u);
    EXPECT_NE(licence.find("THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND"),
              std::string::npos);
    const std::string copyright = test::ReadFile(std::string(CORVATINE_SOURCE_DIR) + "/packaging/copyright");
    EXPECT_NE(copyright.find("\nFiles: *\nCopyright: 2026 Corvatine maintainers\nLicense: Expat\n"),
              std::string::npos);
    EXPECT_EQ(copyright.find("all-rights-reserved"), std::string::npos);
}

TEST(FrontEndTest, PrintsTheTextRequest) {
    test::TempDir dir;
    dir.WriteFile("left.txt", "a\n");
    dir.WriteFile("right.txt", "b\n");
    const Json json = PrintRequest(
        {"-c", "/t:text", "/r:ias|icc", "/ro:2", "/lf:re=^#", "left.txt", "right.txt"}, dir.Path());
    EXPECT_EQ(json["action"], 3);
    EXPECT_EQ(json["kind"], 1);
    EXPECT_EQ(json["pathCount"], 2);
    EXPECT_EQ(json["paths"], Json::array({"left.txt", "right.txt"}));
    EXPECT_EQ(json["readOnly"], Json::array({false, true}));
    const Json& request = json["request"];
    EXPECT_EQ(request["kind"], 21);
    EXPECT_EQ(request["title"], "left.txt : right.txt");
    EXPECT_EQ(request["sides"][1], Json({{"path", "right.txt"}, {"flags", 1}}));
    EXPECT_EQ(request["rules"], 0x10001);
    EXPECT_EQ(request["lineFilter"], "^#");
    EXPECT_FALSE(request.contains("methods"));
    EXPECT_FALSE(request.contains("filters"));
    EXPECT_EQ(request["commandLine"],
              "corvatine -c /t:t \"left.txt\" \"right.txt\" /ro:\"2\" /r:\"ias|icc\" /lf:re=\"^#\"");
    EXPECT_EQ(request["commandLineLong"],
              "corvatine -compare /type:text \"left.txt\" \"right.txt\" /readonly:\"2\" "
              "/rule:\"ignoreallspace|ignorecase\" /linefilter:regexp=\"^#\"");
}

TEST(FrontEndTest, PrintsTheFolderRequest) {
    test::TempDir dir;
    dir.MakeFolder("l");
    dir.MakeFolder("r");
    const Json json =
        PrintRequest({"l", "r", "/t:f", "/m:crc|size", "/ff:ni=*.c|tf=1-15-2007|ae=h", "/o:asf"}, dir.Path());
    const Json& request = json["request"];
    EXPECT_EQ(request["kind"], 10);
    EXPECT_EQ(request["methods"], 0x100100);
    EXPECT_EQ(request["options"], 2);
    EXPECT_EQ(request["filters"]["files"]["nameInclude"], "*.c");
    EXPECT_EQ(request["filters"]["files"]["timeFrom"], 1168819200);  // tests run in UTC
    EXPECT_EQ(request["filters"]["files"]["attributesExclude"], 2);
    EXPECT_EQ(request["filters"]["folders"]["nameInclude"], "*");
    EXPECT_FALSE(request.contains("rules"));
    EXPECT_EQ(request["commandLine"],
              "corvatine -c /t:f \"l\" \"r\" /m:\"size|crc\" /ff:\"ni=*.c|tf=01-15-2007|ae=h\" /o:\"asf\"");
}

TEST(FrontEndTest, OtherActionsCarryNoRequest) {
    test::TempDir dir;
    const std::string file = dir.WriteFile("only.txt", "x");
    Json json = PrintRequest({file});
    EXPECT_EQ(json["action"], 4);
    EXPECT_TRUE(json["request"].is_null());
    json = PrintRequest({dir.WriteFile("saved.cmp", "")});
    EXPECT_EQ(json["action"], 1);
    json = PrintRequest({});
    EXPECT_EQ(json["action"], 0);
    EXPECT_EQ(json["pathCount"], 0);
    json = PrintRequest({"-e", "/t:b"});
    EXPECT_EQ(json["action"], 4);
    EXPECT_EQ(json["kind"], 2);
}

TEST(FrontEndTest, AbsolutePathsAreNotOptions) {
    test::TempDir dir;
    const std::string a = dir.WriteFile("a.txt", "a\n");
    const std::string b = dir.WriteFile("b.txt", "b\n");
    const Json json = PrintRequest({a, b});
    EXPECT_EQ(json["paths"], Json::array({a, b}));
    EXPECT_EQ(json["request"]["kind"], 21);

    const Json missing = PrintRequest({"/tmp/x/a.txt", b});
    EXPECT_EQ(missing["paths"][0], "/tmp/x/a.txt");
    EXPECT_EQ(missing["request"]["kind"], 22);
}

TEST(FrontEndTest, PathsThatDifferOnlyInCaseAreDifferentFiles) {
    test::TempDir dir;
    dir.WriteFile("x.txt", "lower\n");
    dir.WriteFile("X.txt", "upper\n");
    const Json json = PrintRequest({"x.txt", "X.txt"}, dir.Path());
    EXPECT_EQ(json["request"]["kind"], 21);
    EXPECT_EQ(json["request"]["title"], "x.txt : X.txt");
}

TEST(FrontEndTest, GeneratedFullPathLineRunsInAShell) {
    test::TempDir dir;
    dir.WriteFile("old version.txt", "a\n");
    dir.WriteFile("new version.txt", "b\n");
    const test::ProgramResult first = RunCorvatine({"--print-request", "/t:text", "/r:its|ibl", "/ro:1",
                                                    "/lf:re=^a  b", "old version.txt", "new version.txt"},
                                                   dir.Path());
    ASSERT_EQ(first.exitStatus, 0) << first.err;
    const Json request = Json::parse(first.out)["request"];

    // Named by its full path, this very program reads the line back in a
    // shell and makes the same request of it.
    const std::string line =
        "\"" + test::CorvatineProgram() + "\" --print-request" +
        request["commandLine"].get<std::string>().substr(std::string("corvatine").size());
    const test::ProgramResult again = test::RunProgram("/bin/sh", {"-c", line}, {}, dir.Path());
    ASSERT_EQ(again.exitStatus, 0) << again.err;
    EXPECT_EQ(Json::parse(again.out)["request"], request);

    // And runs it: the two files differ.
    const std::string run = "\"" + test::CorvatineProgram() + "\"" +
                            request["commandLine"].get<std::string>().substr(std::string("corvatine").size());
    EXPECT_EQ(test::RunProgram("/bin/sh", {"-c", run}, {}, dir.Path()).exitStatus, 1);
}

TEST(FrontEndTest, Trouble) {
    test::TempDir dir;
    test::ProgramResult result = RunCorvatine({"--bogus", "a", "b"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("unrecognized option '--bogus'"), std::string::npos) << result.err;

    result = RunCorvatine({});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("no files or folders named"), std::string::npos);

    result = RunCorvatine({"-c"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("nothing to compare"), std::string::npos);

    result = RunCorvatine({"-e", dir / "missing.txt"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find(dir / "missing.txt"), std::string::npos) << result.err;

    result = RunCorvatine({"--format"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("needs a value"), std::string::npos) << result.err;

    // Unknown single-dash and slash options are ignored.
    dir.WriteFile("a.txt", "a\n");
    dir.WriteFile("b.txt", "b\n");
    const Json json = PrintRequest({"-zz", "/t:nonsense", "a.txt", "b.txt"}, dir.Path());
    // The default rules (ignore line endings) come from the settings.
    EXPECT_EQ(json["request"]["commandLine"], "corvatine -c /t:t \"a.txt\" \"b.txt\" /r:\"ieol\"");
}

// Every option word whose value is checked names the word and what it takes;
// nothing runs.
TEST(FrontEndTest, OptionValuesAreChecked) {
    test::TempDir dir;
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--color=blue", "a", "b"}, "invalid value 'blue' for '--color': auto, always or never"},
        {{"--context=100001", "a", "b"},
         "invalid value '100001' for '--context': a number of lines from 0 to 100000"},
        {{"--width=19", "a", "b"}, "invalid value '19' for '--width': a number of columns from 20 to 100000"},
        {{"--line-numbers=yes", "-e", "a"}, "invalid value 'yes' for '--line-numbers': on or off"},
        {{"--export=", "-e", "a"}, "option '--export' needs a file name: --export=FILE"},
        {{"--save-comparison=", "a", "b"},
         "option '--save-comparison' needs a file name: --save-comparison=FILE"},
        {{"--merge", "--output=", "a", "b", "c"}, "option '--output' needs a file name: --output=FILE"},
        {{"--recent=0"}, "invalid value '0' for '--recent': an entry number from 1"},
        {{"--max-delete=-1", "a", "b"}, "invalid value '-1' for '--max-delete': a number of files from 0"},
        {{"--max-delete=5x", "a", "b"}, "invalid value '5x' for '--max-delete': a number of files from 0"},
        {{"--op=", "a", "b"}, "option '--op' needs an operation: --op=KIND:..."},
        {{"--quiet=yes", "a", "b"}, "option '--quiet' takes no value"},
        {{"--merge", "--label=a", "--label=b", "--label=c", "--label=d", "a", "b", "c"},
         "option '--label' is given at most three times: OURS, BASE, THEIRS"},
    };
    for (const auto& [arguments, message] : cases) {
        const test::ProgramResult result = RunCorvatine(arguments, dir.Path());
        EXPECT_EQ(result.exitStatus, 2) << arguments.front();
        EXPECT_EQ(result.out, "") << arguments.front();
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    }
}

// Names are bytes: in JSON a byte outside a valid UTF-8 sequence is the
// escape \udcXX, so that names differing in such bytes stay different.
TEST(FrontEndTest, PathBytesThatAreNotUtf8StayDistinctInJson) {
    test::TempDir dir;
    dir.WriteFile("x\xFF", "a\n");
    dir.WriteFile("x\xFE", "b\n");
    test::ProgramResult result = RunCorvatine({"--print-request", "x\xFF", "x\xFE"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.out.find("\"paths\": [\n    \"x\\udcff\",\n    \"x\\udcfe\"\n  ]"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("\"title\": \"x\\udcff : x\\udcfe\""), std::string::npos) << result.out;

    // The names of a folder comparison too.
    dir.MakeFolder("a");
    dir.MakeFolder("b");
    dir.WriteFile("a/x\xFF", "a\n");
    dir.WriteFile("b/x\xFE", "b\n");
    result = RunCorvatine({"--format=json", "a", "b"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_NE(result.out.find("\"x\\udcff\""), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\"x\\udcfe\""), std::string::npos) << result.out;

    // Valid names keep their characters; a control character, or text that
    // looks like an escape, is what it is.
    dir.WriteFile("caf\xC3\xA9\x01", "a\n");
    dir.WriteFile("\\u0001", "b\n");
    result = RunCorvatine({"--print-request", "caf\xC3\xA9\x01", "\\u0001"}, dir.Path());
    const Json json = Json::parse(result.out);
    EXPECT_EQ(json["paths"], Json::array({"caf\xC3\xA9\x01", "\\u0001"}));
}

TEST(FrontEndTest, BundledExample) {
    const std::string examples = std::string(CORVATINE_SOURCE_DIR) + "/examples";
    const Json json = PrintRequest({"-c", examples + "/left.txt", examples + "/right.txt"});
    EXPECT_EQ(json["request"]["kind"], 21);
    EXPECT_EQ(json["request"]["title"], "left.txt : right.txt");
}

}  // namespace
}  // namespace corvatine

namespace corvatine {
namespace {

// Permissions bind the program run as an ordinary user, even when the tests
// run as root: a side it may not read is told, named, with the reason.
TEST(FrontEndTest, AnOrdinaryUserIsToldOfAFileItMayNotRead) {
    if (!test::CanRunAsOrdinaryUser()) GTEST_SKIP() << "no ordinary user to run as";
    test::TempDir dir;
    const std::string left = dir.WriteFile("left.txt", "a\n");
    const std::string right = dir.WriteFile("right.txt", "a\n");
    dir.OpenToAll();
    ASSERT_EQ(::chmod(right.c_str(), 0), 0);
    const test::ProgramResult result = test::RunCorvatineAsOrdinaryUser({left, right});
    EXPECT_EQ(result.exitStatus, 2) << result.out;
    EXPECT_EQ(result.err, "corvatine: cannot open '" + right + "': Permission denied\n");
    ASSERT_EQ(::chmod(right.c_str(), 0644), 0);
    EXPECT_EQ(test::RunCorvatineAsOrdinaryUser({left, right}).exitStatus, 0);
}

}  // namespace
}  // namespace corvatine

namespace corvatine {
namespace {

// Which face runs: the window with a display and no headless option, the
// headless front end otherwise; --gui and --no-gui decide.
TEST(FrontEndTest, TheWindowOrTheHeadlessFace) {
    test::TempDir dir;
    dir.WriteFile("a.txt", "a\n");
    dir.WriteFile("b.txt", "b\n");
    const auto run = [&](std::vector<std::string> arguments, std::vector<std::string> environment) {
        environment.push_back("QT_QPA_PLATFORM=offscreen");
        return test::RunProgram(
            "/usr/bin/timeout",
            [&] {
                std::vector<std::string> all = {"-s", "TERM", "3", test::CorvatineProgram()};
                all.insert(all.end(), arguments.begin(), arguments.end());
                return all;
            }(),
            environment, dir.Path());
    };
    // No display: as ever.
    test::ProgramResult result = run({"a.txt", "b.txt"}, {"DISPLAY=", "WAYLAND_DISPLAY="});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_NE(result.out.find("1 a"), std::string::npos);
    result = run({"--gui", "a.txt", "b.txt"}, {"DISPLAY=", "WAYLAND_DISPLAY="});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err,
              "corvatine: cannot open the window: no display (neither WAYLAND_DISPLAY nor DISPLAY is set)\n");
    // A display and a headless option, or --no-gui: headless.
    for (const auto& arguments : std::vector<std::vector<std::string>>{{"--format=unified", "a.txt", "b.txt"},
                                                                       {"--no-gui", "a.txt", "b.txt"}}) {
        result = run(arguments, {"DISPLAY=:0"});
        EXPECT_EQ(result.exitStatus, 1) << result.err;
        EXPECT_FALSE(result.out.empty());
    }
    result = run({"--gui", "--quiet", "a.txt", "b.txt"}, {"DISPLAY=:0"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "corvatine: --gui opens the window, which '--quiet' does not apply to\n");
    result = run({"--gui", "--no-gui", "a.txt", "b.txt"}, {"DISPLAY=:0"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "corvatine: --gui and --no-gui exclude each other\n");

    const std::string window = test::CorvatineProgram() + "-gui";
    if (::access(window.c_str(), X_OK) != 0) GTEST_SKIP() << "built without the window";
    // A display: the window opens and the program waits for it (here until
    // it is ended), printing nothing.
    result = run({"a.txt", "b.txt"}, {"DISPLAY=:0"});
    EXPECT_EQ(result.exitStatus, 124) << result.err;
    EXPECT_EQ(result.out, "");
    // A display that cannot be reached: the headless face serves instead,
    // unless the window was asked for.
    result = run({"a.txt", "b.txt"}, {"DISPLAY=:987", "QT_QPA_PLATFORM=xcb"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_NE(result.out.find("1 a"), std::string::npos);
    result = run({"--gui", "a.txt", "b.txt"}, {"DISPLAY=:987", "QT_QPA_PLATFORM=xcb"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("corvatine: the window could not be opened"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace corvatine
