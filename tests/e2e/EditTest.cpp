// The edit action: a text file loaded headless, described, converted, saved.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Json = nlohmann::json;

class EditTest : public ::testing::Test {
protected:
    test::ProgramResult Run(const std::vector<std::string>& arguments) {
        return test::RunCorvatine(arguments, dir.Path());
    }
    test::TempDir dir;
};

TEST_F(EditTest, InfoDescribesTheLoadedFile) {
    dir.WriteFile("mixed.txt", "a\r\nb\nc\rd");
    const test::ProgramResult result = Run({"-e", "mixed.txt"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const Json info = Json::parse(result.out);
    EXPECT_EQ(info["loadResult"], 2);
    EXPECT_EQ(info["encodingKind"], 0);
    EXPECT_EQ(info["codePage"], 65001);
    EXPECT_EQ(info["lineEndingStyle"], 1);
    EXPECT_EQ(info["lines"], 4);
    EXPECT_EQ(info["lossy"], false);
    EXPECT_EQ(info["stats"], Json({{"cr", 1},
                                   {"lf", 1},
                                   {"crlf", 1},
                                   {"nul", 0},
                                   {"firstNul", -1},
                                   {"lastNul", -1},
                                   {"lossy", 0}}));

    // One path of a text file edits it too.
    dir.WriteFile("utf16.txt", std::string("\xFF\xFE"
                                           "a\0\n\0",
                                           6));
    const Json unicode = Json::parse(Run({"utf16.txt"}).out);
    EXPECT_EQ(unicode["encodingKind"], 1);
    EXPECT_EQ(unicode["lineEndingStyle"], 3);
    EXPECT_EQ(unicode["lines"], 2);
}

TEST_F(EditTest, TextPrintsTheBufferInTheWorkingCodePage) {
    const std::string bytes = "caf\xC3\xA9\r\n\xF0\x9F\x98\x80 and more\nlast";
    dir.WriteFile("u8.txt", "\xEF\xBB\xBF" + bytes);
    const test::ProgramResult result = Run({"-e", "u8.txt", "--format=text"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, bytes);
}

TEST_F(EditTest, ConvertsEncodingAndLineEndings) {
    dir.WriteFile("a.txt", "one\r\ntwo \xE2\x82\xAC\r\n");
    test::ProgramResult result =
        Run({"-e", "a.txt", "--encoding=UNI16_LE", "--line-endings=lf", "--save-as=b.txt"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(test::ReadFile(dir / "b.txt"), std::string("\xFF\xFE"
                                                         "o\0n\0e\0\n\0t\0w\0o\0 \0\xAC\x20\n\0",
                                                         22));
    const Json info = Json::parse(result.out);
    EXPECT_EQ(info["encodingKind"], 1);
    EXPECT_EQ(info["lineEndingStyle"], 3);

    // And back: iconv reads the result as UTF-16 the same way.
    const test::ProgramResult oracle =
        test::RunProgram("/usr/bin/iconv", {"-f", "UTF-16", "-t", "UTF-8", dir / "b.txt"});
    EXPECT_EQ(oracle.out, "one\ntwo \xE2\x82\xAC\n");
    result = Run({"-e", "b.txt", "--encoding=65001", "--line-endings=crlf", "--save-as=c.txt"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(test::ReadFile(dir / "c.txt"), "one\r\ntwo \xE2\x82\xAC\r\n");

    // A code page that lacks a character would write '?': only when the
    // question is answered Yes, and the program says so. (The file is read
    // as its bytes call for, and saved in 437.)
    result = Run({"-e", "a.txt", "--encoding=auto,437", "--save-as=d.txt"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_FALSE(std::ifstream(dir / "d.txt").good());
    EXPECT_NE(result.err.find("corvatine: d.txt\n  Line 2 cannot be saved exactly"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("cannot save 'd.txt': line 2 cannot be saved exactly"), std::string::npos)
        << result.err;
    result = Run({"-e", "a.txt", "--encoding=auto,437", "--save-as=d.txt", "--yes"});
    ASSERT_EQ(result.exitStatus, 0);
    EXPECT_EQ(test::ReadFile(dir / "d.txt"), "one\r\ntwo ?\r\n");
    EXPECT_NE(result.err.find("1 characters cannot be represented"), std::string::npos) << result.err;
}

TEST_F(EditTest, UneditedFilesRoundTripThroughTheProgram) {
    const std::string samples[] = {
        "mixed\r\nendings\nand\rno final one",
        std::string("\xFE\xFF\0a\0\r\0\n\xD8\x3D\xDE\x00", 12),
        "\xEF\xBB\xBFwith mark\n",
    };
    int n = 0;
    for (const std::string& bytes : samples) {
        const std::string name = "s" + std::to_string(n++) + ".txt";
        dir.WriteFile(name, bytes);
        ASSERT_EQ(Run({"-e", name, "--save-as=copy.txt"}).exitStatus, 0);
        EXPECT_TRUE(test::ReadFile(dir / "copy.txt") == bytes) << name;
    }
}

TEST_F(EditTest, WhatCannotBeEdited) {
    dir.WriteFile("bin.dat", std::string("ab\0cd", 5));
    // A binary file opens in the hex buffer, which knows only its own format.
    test::ProgramResult result = Run({"-e", "bin.dat", "--format=text"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("unknown format 'text' for a binary file; use hex"), std::string::npos)
        << result.err;

    // A UTF-16 file passes the file-kind test, but a NUL character makes it binary.
    dir.WriteFile("nul16.txt", std::string("\xFF\xFE"
                                           "a\0\0\0",
                                           6));
    result = Run({"-e", "nul16.txt"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(Json::parse(result.out)["loadResult"], 3);
    EXPECT_NE(result.err.find("NUL"), std::string::npos);

    result = Run({"-e", "nowhere.txt"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("cannot open 'nowhere.txt': No such file or directory"), std::string::npos)
        << result.err;

    dir.WriteFile("ok.txt", "x\n");
    for (const char* bad : {"--encoding=12345", "--encoding=utf8", "--line-endings=dos", "--format=html"}) {
        result = Run({"-e", "ok.txt", bad});
        EXPECT_EQ(result.exitStatus, 2) << bad;
        EXPECT_NE(result.err.find("unknown"), std::string::npos) << bad << ": " << result.err;
    }
}

TEST_F(EditTest, AFailedSaveLeavesTheTargetByteIdentical) {
    dir.WriteFile("src.txt", std::string(100000, 'n') + "\n");
    const std::string target = dir.WriteFile("target.txt", "keep me\n");
    // No file may grow beyond 8 KiB: the save runs out of room.
    const test::ProgramResult result =
        test::RunProgram("/bin/sh",
                         {"-c", "trap '' XFSZ; ulimit -f 16; exec \"$0\" -e src.txt --save-as=target.txt",
                          test::CorvatineProgram()},
                         {}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("cannot save 'target.txt': File too large"), std::string::npos) << result.err;
    EXPECT_EQ(test::ReadFile(target), "keep me\n");
    EXPECT_EQ(test::RunProgram("/bin/sh", {"-c", "ls -A"}, {}, dir.Path()).out, "src.txt\ntarget.txt\n");

    if (::geteuid() != 0) {
        const std::string locked = dir.MakeFolder("locked");
        dir.WriteFile("locked/old.txt", "old\n");
        ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
        const test::ProgramResult denied = Run({"-e", "src.txt", "--save-as=locked/old.txt"});
        EXPECT_EQ(denied.exitStatus, 2);
        EXPECT_NE(denied.err.find("Permission denied"), std::string::npos);
        EXPECT_EQ(test::ReadFile(locked + "/old.txt"), "old\n");
    }
}

TEST_F(EditTest, SyntaxFormatShowsStatesAndBlocks) {
    dir.WriteFile("code.CPP", "int x; /* open\nstill */ y = 0x1F;\n");
    test::ProgramResult result = Run({"-e", "code.CPP", "--format=syntax"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    std::vector<Json> lines;
    size_t pos = 0;
    while (pos < result.out.size()) {
        const size_t end = result.out.find('\n', pos);
        lines.push_back(Json::parse(result.out.substr(pos, end - pos)));
        pos = end + 1;
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]["line"], 0);
    EXPECT_EQ(lines[0]["state"], 4);
    EXPECT_EQ(lines[0]["blocks"][0], Json::array({0, 3}));
    EXPECT_EQ(lines[0]["blocks"][1], Json::array({0, 9}));
    EXPECT_EQ(lines[1]["state"], 0);
    EXPECT_EQ(lines[1]["blocks"][0], Json::array({0, 11}));
    EXPECT_EQ(lines[1]["blocks"].back(), Json::array({17, 13}));
    EXPECT_EQ(lines[2]["blocks"], Json::array());
    EXPECT_EQ(Json::parse(Run({"-e", "code.CPP"}).out)["language"], "C/C++");

    dir.WriteFile("notes.txt", "plain // text\n");
    result = Run({"-e", "notes.txt", "--format=syntax"});
    EXPECT_EQ(result.out, "{\"line\":0,\"state\":0,\"blocks\":[]}\n{\"line\":1,\"state\":0,\"blocks\":[]}\n");
    EXPECT_EQ(Json::parse(Run({"-e", "notes.txt"}).out)["language"], "Text");
}

// A fifo without a writer would hold the editor for ever: special files are
// refused at once, as comparisons refuse them.
TEST_F(EditTest, SpecialFilesAreRefusedAtOnce) {
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    test::ProgramResult result =
        test::RunProgram("/usr/bin/timeout", {"10", test::CorvatineProgram(), "-e", "fifo"}, {}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "corvatine: cannot edit 'fifo': it is a special file\n");
    result = test::RunProgram(
        "/bin/sh",
        {"-c", "printf 'a pipe' | \"$0\" -e /t:text /dev/stdin --format=text", test::CorvatineProgram()});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "corvatine: cannot edit '/dev/stdin': it is a special file\n");
    dir.MakeFolder("folder");
    result = Run({"-e", "folder"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "corvatine: cannot edit 'folder': it is a folder\n");
}

TEST_F(EditTest, OptionsOfComparisonsAreRefusedAndQuietPrintsNothing) {
    dir.WriteFile("text.txt", "x\n");
    dir.WriteFile("bin.dat", std::string("\0\1", 2));
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{"-e", "text.txt", "--copy=left-to-right"}, "'--copy' does not apply to editing a text file"},
        {{"-e", "text.txt", "--width=80"}, "'--width' does not apply to editing a text file"},
        {{"-e", "bin.dat", "--save-as=x"}, "'--save-as' does not apply to editing a binary file"},
        {{"-e", "bin.dat", "--report=r.html"}, "'--report' does not apply to editing a binary file"},
    };
    for (const auto& c : cases) {
        const test::ProgramResult result = Run(c.arguments);
        EXPECT_EQ(result.exitStatus, 2) << c.err;
        EXPECT_EQ(result.err, "corvatine: " + c.err + "\n");
        EXPECT_EQ(result.out, "");
    }
    test::ProgramResult result = Run({"-e", "text.txt", "--quiet"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "");
    result = Run({"-e", "bin.dat", "--quiet", "--find=00"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "");
}

}  // namespace
}  // namespace corvatine
