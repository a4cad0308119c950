#include "fileio/UniStdioFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "fileio/CodePages.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

TEST(UniStdioFileTest, WritesEveryEncoding) {
    test::TempDir dir;
    struct Case {
        int kind;
        int codePage;
        std::string expected;
    };
    const std::string text = "a\xC3\xA9\xF0\x9F\x98\x80\r\n";
    const Case cases[] = {
        {ENCODING_CODEPAGE, CP_UTF8, text},
        {ENCODING_UTF8, CP_UTF8, "\xEF\xBB\xBF" + text},
        {ENCODING_UCS2_LE, -1,
         std::string("\xFF\xFE"
                     "a\0\xE9\0\x3D\xD8\x00\xDE\r\0\n\0",
                     14)},
        {ENCODING_UCS2_BE, -1, std::string("\xFE\xFF\0a\0\xE9\xD8\x3D\xDE\x00\0\r\0\n", 14)},
        {ENCODING_CODEPAGE, 1252, "a\xE9?\r\n"},
    };
    for (const Case& c : cases) {
        const std::string path = dir / "out";
        UniStdioFile file;
        file.SetEncodingKind(c.kind);
        file.SetCodePage(c.codePage);
        ASSERT_TRUE(file.OpenWrite(path));
        ASSERT_TRUE(file.WriteBom());
        ASSERT_TRUE(file.WriteText(text));
        ASSERT_TRUE(file.Commit());
        std::ifstream in(path, std::ios::binary);
        const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(written, c.expected) << "kind " << c.kind << " code page " << c.codePage;
        EXPECT_EQ(file.LossyWritten(), c.codePage == 1252 ? 1 : 0);
    }
}

// A character the code page holds only as another one (iconv writes the
// pound sign U+00A3 as the full-width one in Windows-31J) is lost as much as
// one written as '?'.
TEST(UniStdioFileTest, ACharacterWrittenAsAnotherIsLossy) {
    test::TempDir dir;
    const std::pair<std::string, int> cases[] = {{"\xC2\xA3", 1}, {"\xEF\xBF\xA1", 0}, {"abc", 0}};
    for (const auto& [text, lossy] : cases) {
        UniStdioFile file;
        file.SetEncodingKind(ENCODING_CODEPAGE);
        file.SetCodePage(932);
        ASSERT_TRUE(file.OpenWrite(dir / "out"));
        ASSERT_TRUE(file.WriteText(text));
        EXPECT_EQ(file.LossyWritten(), lossy) << text;
        ASSERT_TRUE(file.Commit());
    }
}

TEST(UniStdioFileTest, NothingReplacesTheTargetWithoutCommit) {
    test::TempDir dir;
    const std::string path = dir.WriteFile("keep", "old");
    {
        UniStdioFile file;
        ASSERT_TRUE(file.OpenWrite(path));
        ASSERT_TRUE(file.WriteText(std::string(200000, 'x')));
        // Destroyed without Commit.
    }
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "old");
    EXPECT_EQ(test::RunProgram("/bin/sh", {"-c", "ls -A \"$0\"", dir.Path()}).out, "keep\n");
}

// A file with a second link is written in place, one with a single link
// replaced; a file not open for writing is neither.
TEST(UniStdioFileTest, TellsWhetherTheTargetIsWrittenInPlace) {
    test::TempDir dir;
    const std::string single = dir.WriteFile("single", "a\n");
    const std::string linked = dir.WriteFile("linked", "b\n");
    ASSERT_EQ(::link(linked.c_str(), (dir / "other").c_str()), 0);
    UniStdioFile file;
    EXPECT_FALSE(file.WritesInPlace());
    ASSERT_TRUE(file.OpenWrite(single));
    EXPECT_FALSE(file.WritesInPlace());
    file.Close();
    ASSERT_TRUE(file.OpenWrite(linked));
    EXPECT_TRUE(file.WritesInPlace());
    ASSERT_TRUE(file.WriteText("c\n"));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(test::ReadFile(dir / "other"), "c\n");
}

// The writer opened on a file sniffs its mark and stands after it; it writes
// nothing until opened for writing. Closing keeps the encoding to write in.
TEST(UniStdioFileTest, SniffsWithoutWritingAndKeepsTheEncodingOnClose) {
    test::TempDir dir;
    const std::string path = dir.WriteFile("marked", "\xEF\xBB\xBFtext");
    UniStdioFile file;
    ASSERT_TRUE(file.OpenRead(path));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.GetFileSize(), 7);
    ASSERT_TRUE(file.DetectBom());
    EXPECT_EQ(file.GetEncodingKind(), ENCODING_UTF8);
    EXPECT_EQ(file.GetPosition(), 3);
    EXPECT_FALSE(file.WriteText("more"));
    EXPECT_FALSE(file.WriteBom());
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(file.GetErrorInfo().syserrnum, EBADF);
    file.SetCodePage(1252);
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.GetEncodingKind(), ENCODING_UTF8);
    EXPECT_EQ(file.GetCodePage(), 1252);
    EXPECT_EQ(file.GetPosition(), 0);
    EXPECT_EQ(file.GetLineNumber(), -1);
    EXPECT_EQ(test::ReadFile(path), "\xEF\xBB\xBFtext");

    ASSERT_TRUE(file.OpenRead(dir.WriteFile("plain", "text")));
    EXPECT_FALSE(file.DetectBom());
    EXPECT_EQ(file.GetEncodingKind(), ENCODING_CODEPAGE);
    EXPECT_EQ(file.GetPosition(), 0);
}

}  // namespace
}  // namespace corvatine
