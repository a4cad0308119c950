#include "fileio/UniMemFile.h"

#include <fcntl.h>
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
    // Nothing to share: an empty file.
    ASSERT_TRUE(file.OpenRead(dir.WriteFile("e", "")));
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

// A pipe has no size to map: what it delivers is read to its end first, and
// its lines come as a file's would.
TEST(UniMemFileTest, ReadsAPipeToItsEnd) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const std::string bytes = "one\r\ntwo\nthree";
    ASSERT_EQ(::write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(ends[1]);
    UniMemFile file;
    ASSERT_TRUE(file.OpenRead("/dev/fd/" + std::to_string(ends[0]))) << file.GetErrorInfo().apiName;
    ::close(ends[0]);
    EXPECT_EQ(file.GetFileSize(), static_cast<int64_t>(bytes.size()));
    EXPECT_FALSE(file.GetIdentity().IsKnown());
    file.SetCodePage(CP_UTF8);
    const std::vector<LINE> lines = ReadAll(file);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text + lines[0].ending, "one\r\n");
    EXPECT_EQ(lines[1].text + lines[1].ending, "two\n");
    EXPECT_EQ(lines[2].text + lines[2].ending, "three");
    EXPECT_EQ(file.GetStats().nCRLF, 1);
    EXPECT_EQ(file.GetStats().nLF, 1);
}

// Closing the reader forgets the encoding it found: the next file starts
// from the working code page.
TEST(UniMemFileTest, CloseForgetsTheEncoding) {
    test::TempDir dir;
    UniMemFile file;
    ASSERT_TRUE(file.OpenRead(dir.WriteFile("be", std::string("\xFE\xFF\0a", 4))));
    ASSERT_TRUE(file.DetectBom());
    file.SetCodePage(1252);
    EXPECT_EQ(file.GetEncodingKind(), ENCODING_UCS2_BE);
    EXPECT_EQ(file.GetPosition(), 2);
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.GetEncodingKind(), ENCODING_CODEPAGE);
    EXPECT_EQ(file.GetCodePage(), WorkingCodePage());
    EXPECT_EQ(file.GetLineNumber(), -1);
    EXPECT_EQ(file.GetFullPath(), "");
}

}  // namespace
}  // namespace corvatine
