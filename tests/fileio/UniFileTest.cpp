#include "fileio/UniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "fileio/CodePages.h"
#include "platform/MappedViews.h"
#include "platform/Path.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

struct LINE {
    std::string text;
    std::string ending;
};

// Every line ReadLine gives, until it answers false.
std::vector<LINE> ReadAll(UniMemFile& file) {
    std::vector<LINE> lines;
    LINE line;
    while (file.ReadLine(line.text, line.ending)) lines.push_back(line);
    if (!line.text.empty()) lines.push_back(line);  // the last text of a converted file
    return lines;
}

std::vector<LINE> ReadFile(const std::string& path, int codePage = CP_UTF8, TextLineStats* stats = nullptr) {
    UniMemFile file;
    EXPECT_TRUE(file.OpenRead(path)) << path;
    if (!file.DetectBom()) file.SetCodePage(codePage);
    std::vector<LINE> lines = ReadAll(file);
    if (stats) *stats = file.GetStats();
    return lines;
}

TEST(UniMemFileTest, ReadsLinesWithTheirEndings) {
    test::TempDir dir;
    TextLineStats stats;
    const auto lines = ReadFile(dir.WriteFile("f", "a\r\nb\nc\rd"), CP_UTF8, &stats);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text, "a");
    EXPECT_EQ(lines[0].ending, "\r\n");
    EXPECT_EQ(lines[1].ending, "\n");
    EXPECT_EQ(lines[2].ending, "\r");
    EXPECT_EQ(lines[3].text, "d");
    EXPECT_EQ(lines[3].ending, "");
    EXPECT_EQ(stats.nCRLF, 1);
    EXPECT_EQ(stats.nLF, 1);
    EXPECT_EQ(stats.nCR, 1);
    EXPECT_EQ(stats.nNUL, 0);
    EXPECT_EQ(stats.firstNUL, -1);
}

// A file of line feeds alone is handed out in blocks of whole lines: they
// hold every line that ends in a line feed, a line longer than a block is
// one block, and an unterminated last line is left to ReadLineInPlace.
TEST(UniMemFileTest, LinesEndingInLineFeedsComeInBlocks) {
    test::TempDir dir;
    const std::string text = "one\ntwo\nthree\n\nfour is a long line\nfive\nsix";
    for (const int64_t size : {1, 4, 5, 8, 9, 20, 1000}) {
        UniMemFile file(size);
        ASSERT_TRUE(file.OpenRead(dir.WriteFile("f", text)));
        file.SetCodePage(WorkingCodePage());
        std::string joined;
        std::string_view block;
        int64_t lines = 0, total = 0;
        while (file.ReadLineFeedBlock(block, lines)) {
            ASSERT_FALSE(block.empty());
            EXPECT_EQ(block.back(), '\n');
            EXPECT_EQ(lines, std::count(block.begin(), block.end(), '\n'));
            EXPECT_TRUE(block.size() <= static_cast<size_t>(size) || lines == 1) << size << " " << block;
            joined += block;
            total += lines;
        }
        EXPECT_EQ(joined, "one\ntwo\nthree\n\nfour is a long line\nfive\n") << size;
        EXPECT_EQ(total, 6);
        EXPECT_EQ(file.GetStats().nLF, 6);
        EXPECT_EQ(file.GetLineNumber(), 6);
        std::string_view characters, ending;
        ASSERT_TRUE(file.ReadLineInPlace(characters, ending));
        EXPECT_EQ(characters, "six");
        EXPECT_FALSE(file.ReadLineInPlace(characters, ending));
    }
    // Other endings, a NUL or a code page to convert: line by line.
    for (const std::string& other : {std::string("a\nb\r\n"), std::string("a\nb\0\n", 5)}) {
        UniMemFile file(4);
        ASSERT_TRUE(file.OpenRead(dir.WriteFile("g", other)));
        file.SetCodePage(WorkingCodePage());
        std::string_view block;
        int64_t lines = 0;
        EXPECT_FALSE(file.ReadLineFeedBlock(block, lines));
    }
    UniMemFile converted(4);
    ASSERT_TRUE(converted.OpenRead(dir.WriteFile("h", "a\nb\n")));
    converted.SetCodePage(WorkingCodePage() == 1252 ? 437 : 1252);
    std::string_view block;
    int64_t lines = 0;
    EXPECT_FALSE(converted.ReadLineFeedBlock(block, lines));
}

// What was read can be used where it lies after the file is closed, as long
// as a share of its view is kept.
// Lines that lie in a file's view while another program cuts the file short:
// reading them ends the run with the file's name, after Close too.
TEST(UniMemFileDeathTest, AFileCutShortUnderASharedViewIsNamed) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    test::TempDir dir;
    const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    std::string text;
    while (text.size() < 3 * page) text += "a line of the file\n";
    const std::string path = dir.WriteFile("shared.txt", text);
    EXPECT_EXIT(
        {
            platform::ReportFaultsInMappedViews();
            UniMemFile file;
            if (!file.OpenRead(path)) ::_exit(3);
            const std::shared_ptr<const void> view = file.ShareView();
            file.Close();
            if (view == nullptr || ::truncate(path.c_str(), 0) != 0) ::_exit(4);
            const volatile char byte = static_cast<const char*>(view.get())[2 * page];
            (void)byte;
            ::_exit(0);
        },
        ::testing::ExitedWithCode(2), "corvatine: .*/shared.txt: the file was cut short by another program");
}

TEST(UniMemFileTest, ASharedViewOutlivesTheFile) {
    test::TempDir dir;
    UniMemFile file(4);
    ASSERT_TRUE(file.OpenRead(dir.WriteFile("f", "one\ntwo\n")));
    file.SetCodePage(WorkingCodePage());
    EXPECT_EQ(file.CountLineFeeds(), 2);
    const std::shared_ptr<const void> view = file.ShareView();
    ASSERT_NE(view, nullptr);
    // Nothing is given back while shared: all the lines come in one block.
    std::string_view block;
    int64_t lines = 0;
    ASSERT_TRUE(file.ReadLineFeedBlock(block, lines));
    EXPECT_EQ(block.data(), static_cast<const char*>(view.get()));
    EXPECT_EQ(block, "one\ntwo\n");
    EXPECT_EQ(lines, 2);
    EXPECT_EQ(file.GetStats().nLF, 2);
    EXPECT_FALSE(file.ReadLineFeedBlock(block, lines));
    file.Close();
    EXPECT_EQ(std::string_view(static_cast<const char*>(view.get()), 8), "one\ntwo\n");
    // Counted from elsewhere, or not at all: the block's own line feeds.
    for (const bool count : {false, true}) {
        UniMemFile other(2);
        ASSERT_TRUE(other.OpenRead(dir.WriteFile("g", "a\nb\nc\nlast")));
        other.SetCodePage(WorkingCodePage());
        if (count) {
            EXPECT_EQ(other.CountLineFeeds(), 3);
        }
        std::string_view characters, ending;
        ASSERT_TRUE(other.ReadLineInPlace(characters, ending));
        const std::shared_ptr<const void> shared = other.ShareView();
        ASSERT_TRUE(other.ReadLineFeedBlock(block, lines));
        EXPECT_EQ(block, "b\nc\n");
        EXPECT_EQ(lines, 2) << count;
        EXPECT_EQ(other.GetStats().nLF, 3);
        ASSERT_TRUE(other.ReadLineInPlace(characters, ending));
        EXPECT_EQ(characters, "last");
    }
    // Nothing to share: an empty file, a file opened for writing.
    ASSERT_TRUE(file.OpenRead(dir.WriteFile("e", "")));
    EXPECT_EQ(file.ShareView(), nullptr);
    ASSERT_TRUE(file.OpenWrite(dir.WriteFile("w", "x\n")));
    EXPECT_EQ(file.ShareView(), nullptr);
}

TEST(UniMemFileTest, RecordsNulBytesOnEveryRoute) {
    test::TempDir dir;
    TextLineStats stats;
    ReadFile(dir.WriteFile("a", std::string("ab\0c\0", 5)), CP_UTF8, &stats);
    EXPECT_EQ(stats.nNUL, 2);
    EXPECT_EQ(stats.firstNUL, 2);
    EXPECT_EQ(stats.lastNUL, 4);
    ReadFile(dir.WriteFile("b", std::string("\xFF\xFE"
                                            "a\0\0\0",
                                            6)),
             CP_UTF8, &stats);
    EXPECT_EQ(stats.nNUL, 1);
    EXPECT_EQ(stats.firstNUL, 4);
    ReadFile(dir.WriteFile("c", std::string("x\0y", 3)), 1252, &stats);
    EXPECT_EQ(stats.nNUL, 1);
    EXPECT_EQ(stats.firstNUL, 1);
}

TEST(UniMemFileTest, Ucs2CombinesSurrogatePairsAndIgnoresAnOddByte) {
    test::TempDir dir;
    // "a" U+1F600 CR LF "b" and one stray byte, little-endian.
    const std::string le(
        "\xFF\xFE"
        "a\0"
        "\x3D\xD8\x00\xDE"
        "\r\0\n\0"
        "b\0"
        "x",
        15);
    TextLineStats stats;
    auto lines = ReadFile(dir.WriteFile("le", le), CP_UTF8, &stats);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "a\xF0\x9F\x98\x80");
    EXPECT_EQ(lines[0].ending, "\r\n");
    EXPECT_EQ(lines[1].text, "b");
    EXPECT_EQ(stats.nLossy, 1);  // the stray byte is no character, and so is lost

    // A lone surrogate stands for no character.
    const std::string lone(
        "\xFE\xFF"
        "\xD8\x3D"
        "\x00q",
        6);
    lines = ReadFile(dir.WriteFile("be", lone), CP_UTF8, &stats);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "?q");
    EXPECT_EQ(stats.nLossy, 1);
}

TEST(UniMemFileTest, Utf8WithBomIsDecodedStrictly) {
    test::TempDir dir;
    TextLineStats stats;
    // Valid text round-trips into the UTF-8 working code page unchanged.
    auto lines =
        ReadFile(dir.WriteFile("ok", "\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F\tdich \xE2\x82\xAC\n"), CP_UTF8, &stats);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "Gr\xC3\xBC\xC3\x9F\tdich \xE2\x82\xAC");
    EXPECT_EQ(stats.nLossy, 0);
    // A stray continuation byte, an overlong form and a surrogate are lossy.
    lines = ReadFile(dir.WriteFile("bad",
                                   "\xEF\xBB\xBF"
                                   "a\x80"
                                   "b\xC0\xAF"
                                   "c\xED\xA0\x80"),
                     CP_UTF8, &stats);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "a?b??c???");
    EXPECT_EQ(stats.nLossy, 6);
    // A sequence cut by the end of the file is dropped and ends the line.
    lines = ReadFile(dir.WriteFile("cut", "\xEF\xBB\xBFx\n\xE2\x82"), CP_UTF8, &stats);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "x");
    EXPECT_EQ(lines[1].text, "");
    EXPECT_EQ(lines[1].ending, "");
    EXPECT_EQ(stats.nLossy, 1);
}

TEST(UniMemFileTest, OtherCodePagesAreConvertedPerLine) {
    test::TempDir dir;
    TextLineStats stats;
    // CP1252: 0x80 is the euro sign, 0xE9 e-acute; 0x81 is not a character.
    const auto lines = ReadFile(dir.WriteFile("w", "\x80 caf\xE9\r\n\x81\x81 x"), 1252, &stats);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "\xE2\x82\xAC caf\xC3\xA9");
    EXPECT_EQ(lines[0].ending, "\r\n");
    EXPECT_EQ(lines[1].text, "?? x");
    EXPECT_EQ(stats.nLossy, 1);  // once per line
    EXPECT_EQ(stats.nCRLF, 1);
}

// A line whose characters would be written back as other bytes keeps its
// bytes, though its characters are exact: a redundant shift of ISO-2022-JP,
// a UTF-7 run that ends without "-", a duplicate code of Windows-31J. An
// EBCDIC line feed would put a line break inside a line: it becomes '?' and
// the line is lossy.
TEST(UniMemFileTest, LinesWhoseBytesHaveAnotherFormKeepThem) {
    test::TempDir dir;
    struct Case {
        std::string bytes;
        int codePage;
        std::vector<std::string> texts;
        std::vector<bool> otherForm;
        int lossy;
    };
    const Case cases[] = {
        {"\x1B(Bx\n\x1B$B$\"\x1B(B\n", 50220, {"x", "\xE3\x81\x82"}, {true, false}, 0},
        {"a+IKw\nb+IKw-\n", 65000, {"a\xE2\x82\xAC", "b\xE2\x82\xAC"}, {true, false}, 0},
        {"\xED\x40\r\n\xFA\x5C", 932, {"\xE7\xBA\x8A", "\xE7\xBA\x8A"}, {true, false}, 0},
        {"\x81\x25\x82\x0A\x83", 37, {"a?b", "c"}, {false, false}, 1},
        {"\x81\x82\r\n\x83", 37, {"ab", "c"}, {false, false}, 0},
    };
    for (const Case& c : cases) {
        UniMemFile file;
        ASSERT_TRUE(file.OpenRead(dir.WriteFile("f", c.bytes)));
        file.SetCodePage(c.codePage);
        std::vector<std::string> texts;
        std::vector<bool> otherForm;
        std::string text, ending;
        for (bool more = true; more;) {
            more = file.ReadLine(text, ending);
            if (!more && text.empty()) break;
            texts.push_back(text);
            otherForm.push_back(file.LineHasOtherForm());
            if (file.LineHasOtherForm()) {
                EXPECT_FALSE(file.LossyLineBytes().empty()) << c.codePage;
            }
        }
        EXPECT_EQ(texts, c.texts) << c.codePage;
        EXPECT_EQ(otherForm, c.otherForm) << c.codePage;
        EXPECT_EQ(file.GetStats().nLossy, c.lossy) << c.codePage;
    }
}

TEST(UniMemFileTest, OpenFailuresSayWhy) {
    test::TempDir dir;
    UniMemFile file;
    EXPECT_FALSE(file.OpenRead(dir / "missing"));
    EXPECT_EQ(file.GetErrorInfo().apiName, "open");
    EXPECT_EQ(file.GetErrorInfo().syserrnum, ENOENT);
    EXPECT_FALSE(file.OpenRead(dir.MakeFolder("folder")));
    EXPECT_EQ(file.GetErrorInfo().syserrnum, EISDIR);
    EXPECT_EQ(file.GetLineNumber(), -1);
    ASSERT_TRUE(file.OpenRead(dir.WriteFile("empty", "")));
    EXPECT_FALSE(file.DetectBom());
    std::string text;
    EXPECT_FALSE(file.ReadLine(text));
    EXPECT_EQ(file.GetLineNumber(), 0);
}

TEST(UniMemFileTest, RefusesFilesOverTwoGigabytes) {
    test::TempDir dir;
    const std::string path = dir / "huge";
    // A sparse file: it takes no room on the disk.
    ASSERT_EQ(::truncate(dir.WriteFile("huge", "").c_str(), int64_t{1} << 31), 0);
    UniMemFile file;
    EXPECT_FALSE(file.OpenRead(path));
    EXPECT_EQ(file.GetErrorInfo().desc, "UniMemFile cannot handle files over 2 gigabytes");
    EXPECT_EQ(file.GetErrorInfo().apiName, "");
    ASSERT_EQ(::truncate(path.c_str(), UniMemFile::kMaxFileSize), 0);
    EXPECT_TRUE(file.OpenRead(path));
}

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

TEST(UniStdioFileTest, SniffsTheMark) {
    test::TempDir dir;
    int kind = -5, codePage = -5;
    SniffEncoding(dir.WriteFile("a", "\xFE\xFFxy"), kind, codePage);
    EXPECT_EQ(kind, ENCODING_UCS2_BE);
    EXPECT_EQ(codePage, WorkingCodePage());
    SniffEncoding(dir.WriteFile("b", "plain"), kind, codePage);
    EXPECT_EQ(kind, ENCODING_CODEPAGE);
    SniffEncoding(dir / "missing", kind, codePage);
    EXPECT_EQ(kind, ENCODING_CODEPAGE);

    UniStdioFile file;
    EXPECT_FALSE(file.OpenRead(dir.Path() + "/"));
    EXPECT_FALSE(file.OpenWrite(""));
}

TEST(FileSupportTest, SystemMessagesAndTemporaryNames) {
    EXPECT_EQ(FormatSystemMessage(ENOENT), "No such file or directory");
    EXPECT_EQ(FormatSystemMessage(99999), "?");

    test::TempDir dir;
    test::ScopedEnv tmp("TMPDIR", dir.Path());
    const std::string plain = MakeTempFileName();
    const std::string withExtension = MakeTempFileName("txt");
    EXPECT_EQ(platform::PathParentFolder(plain), dir.Path());
    EXPECT_EQ(platform::PathFileName(plain).rfind("~SE", 0), 0u);
    EXPECT_EQ(platform::PathExtension(withExtension), ".txt");
    EXPECT_NE(plain, MakeTempFileName());
    EXPECT_TRUE(platform::PathExists(plain));

    test::ScopedEnv gone("TMPDIR", dir / "missing");
    EXPECT_EQ(MakeTempFileName(), "");
}

}  // namespace
}  // namespace corvatine
