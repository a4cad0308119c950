#include "fileio/EncodingDetect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "fileio/CodePages.h"
#include "fileio/EncodingChoices.h"
#include "fileio/UniMemFile.h"
#include "support/EncodingSamples.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

using test::Iconv;
using test::kChinese;
using test::kFrench;
using test::kGerman;
using test::kJapanese;
using test::kRussian;

DETECTEDENCODING Detect(const std::string& bytes, int codePage = CP_DETECT) {
    return DetectEncoding(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), codePage);
}

bool Valid(const std::string& bytes) {
    return IsValidUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(EncodingDetectTest, ValidUtf8IsStrict) {
    const std::string ascii(70, 'a');
    const struct {
        std::string bytes;
        bool valid;
    } kCases[] = {
        {"", true},
        {"plain", true},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", true},
        {"\xC0\x80", false},          // overlong NUL
        {"\xE0\x80\xAF", false},      // overlong '/'
        {"\xED\xA0\x80", false},      // a surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"caf\xE9", false},           // Latin-1
        {"\xC3", false},              // cut short by the end
        {"\xE2\x82", false},
        {"\x80", false},  // a continuation byte alone
        // Past the word-wise pass over long ASCII runs, before and after.
        {ascii + "\xC3\xA9" + ascii + "\xE2\x82\xAC" + ascii, true},
        {ascii + "\xC3\xA9" + ascii + "\xE9" + ascii, false},
        {ascii + ascii + "\xFF", false},
    };
    for (const auto& c : kCases) EXPECT_EQ(Valid(c.bytes), c.valid) << c.bytes;
}

TEST(EncodingDetectTest, CharsetNamesMapToCodePages) {
    const struct {
        const char* charset;
        int codePage;
    } kCases[] = {
        {"ISO-8859-1", 28591},
        {"iso-8859-1", 28591},
        {"WINDOWS-1252", 1252},
        {"ISO-8859-15", 28605},
        {"ISO-8859-2", 28592},
        {"KOI8-R", 20866},
        {"WINDOWS-1251", 1251},
        {"SHIFT_JIS", 932},
        {"GB18030", 936},
        {"BIG5", 950},
        {"EUC-KR", 51949},
        {"EUC-JP", 51932},
        {"IBM866", 866},
        {"MAC-CYRILLIC", 10007},
        {"TIS-620", 874},
        // Nothing this system reads as a code page.
        {"ISO-8859-10", 1252},
        {"ISO-8859-16", 1252},
        {"UTF-16", 0},
        {"UTF-32", 0},
        {"VISCII", 0},
        {"HZ-GB-2312", 0},
        {"ASCII", 0},
        {"", 0},
    };
    for (const auto& c : kCases) EXPECT_EQ(CodePageOfCharset(c.charset), c.codePage) << c.charset;
}

TEST(EncodingDetectTest, AByteOrderMarkDecides) {
    const DETECTEDENCODING le = Detect(std::string("\xFF\xFEq\0", 4));
    EXPECT_EQ(le.kind, ENCODING_UCS2_LE);
    EXPECT_EQ(le.source, ENCODING_FROM_BOM);
    // Also against a code page asked for, and bytes that are no UTF-8.
    const DETECTEDENCODING utf8 = Detect(
        "\xEF\xBB\xBF"
        "caf\xE9",
        1252);
    EXPECT_EQ(utf8.kind, ENCODING_UTF8);
    EXPECT_EQ(utf8.source, ENCODING_FROM_BOM);
    EXPECT_EQ(utf8.codePage, 1252);
}

TEST(EncodingDetectTest, ACodePageAskedForIsTakenWithoutLooking) {
    test::TempDir dir;
    const DETECTEDENCODING found = Detect(Iconv(dir, kRussian, "KOI8-R"), 1251);
    EXPECT_EQ(found.kind, ENCODING_CODEPAGE);
    EXPECT_EQ(found.codePage, 1251);
    EXPECT_EQ(found.source, ENCODING_FROM_REQUEST);
    EXPECT_EQ(found.charset, "");
}

TEST(EncodingDetectTest, AsciiAndValidUtf8AreReadAsTheyAre) {
    DETECTEDENCODING found = Detect("just ASCII\r\n");
    EXPECT_EQ(found.codePage, WorkingCodePage());
    EXPECT_EQ(found.source, ENCODING_FROM_BYTES);
    found = Detect(kFrench);
    EXPECT_EQ(found.kind, ENCODING_CODEPAGE);
    EXPECT_EQ(found.codePage, CP_UTF8);
    EXPECT_EQ(found.source, ENCODING_FROM_BYTES);
    EXPECT_EQ(found.charset, "");  // the detector was not asked
    found = Detect("");
    EXPECT_EQ(found.source, ENCODING_FROM_BYTES);
}

// UTF-8 is checked as far as kUtf8CheckBytes from the first byte above 0x7F:
// a stray byte beyond leaves the file UTF-8, and a sequence cut by the end of
// the check counts as whole.
TEST(EncodingDetectTest, Utf8IsCheckedAsFarAsTheCheckReaches) {
    std::string bytes = "ascii first\n";
    const size_t first = bytes.size();
    while (bytes.size() < first + kUtf8CheckBytes - 1)
        bytes += first + kUtf8CheckBytes - 1 - bytes.size() >= 2 ? "\xD0\xB2" : " ";  // "\u0432"
    bytes += "\xD0";  // the last byte checked begins a character
    ASSERT_EQ(bytes.size(), first + kUtf8CheckBytes);
    bytes += "\xB2 \xE9\n";
    EXPECT_FALSE(Valid(bytes));
    const DETECTEDENCODING found = Detect(bytes);
    EXPECT_EQ(found.codePage, CP_UTF8);
    EXPECT_EQ(found.source, ENCODING_FROM_BYTES);
    // Within the check, the stray byte is found.
    bytes.erase(first, kUtf8CheckBytes / 2);
    EXPECT_NE(Detect(bytes).source, ENCODING_FROM_BYTES);
}

TEST(EncodingDetectTest, LegacyEncodingsAreRecognised) {
    test::TempDir dir;
    const struct {
        const char* text;
        const char* charset;
        int codePage;
        const char* detected;
    } kCases[] = {
        {kGerman, "ISO-8859-1", 28591, "ISO-8859-1"},  {kFrench, "CP1252", 1252, "WINDOWS-1252"},
        {kRussian, "KOI8-R", 20866, "KOI8-R"},         {kRussian, "CP1251", 1251, "WINDOWS-1251"},
        {kJapanese, "SHIFT_JIS", 932, "SHIFT_JIS"},    {kJapanese, "EUC-JP", 51932, "EUC-JP"},
        {kRussian, "ISO-8859-5", 28595, "ISO-8859-5"},
    };
    for (const auto& c : kCases) {
        const DETECTEDENCODING found = Detect(Iconv(dir, c.text, c.charset));
        EXPECT_EQ(found.kind, ENCODING_CODEPAGE) << c.charset;
        EXPECT_EQ(found.codePage, c.codePage) << c.charset;
        EXPECT_EQ(found.source, ENCODING_FROM_DETECTOR) << c.charset;
        EXPECT_EQ(found.charset, c.detected) << c.charset;
    }
}

// The detector names GB18030 for any simplified Chinese text; most of it is
// GBK (936), but a character GBK lacks takes four bytes that only GB18030
// (54936) reads.
TEST(EncodingDetectTest, AVerdictMustDecodeTheBytes) {
    test::TempDir dir;
    std::string charset;
    const auto guess = [&charset](const std::string& b) {
        return GuessCodePage(reinterpret_cast<const unsigned char*>(b.data()), b.size(), charset);
    };
    const std::string gbk = Iconv(dir, kChinese, "GB18030");
    EXPECT_EQ(guess(gbk), 936);
    EXPECT_EQ(charset, "GB18030");
    const std::string beyond = Iconv(dir, std::string(kChinese) + "\U0001F600\n", "GB18030");
    EXPECT_EQ(guess(beyond), 54936);
    EXPECT_EQ(charset, "GB18030");
}

// On a line or two the detector may name a code page that reads Western
// letters as signs; the Western code page, reading more letters, is taken.
// A verdict that reads as many stands, and so does one of another script.
TEST(EncodingDetectTest, AVerdictReadingFewerLettersGivesWayToTheWesternCodePage) {
    test::TempDir dir;
    std::string charset;
    const auto guess = [&charset](const std::string& b) {
        return GuessCodePage(reinterpret_cast<const unsigned char*>(b.data()), b.size(), charset);
    };
    EXPECT_EQ(guess(Iconv(dir, "na\u00efve fa\u00e7ade\n", "CP1252")), 1252);
    EXPECT_EQ(charset, "IBM852");  // which reads "na\u00b4ve fa\u0161ade"
    EXPECT_EQ(guess(Iconv(dir, "se\u00f1or ni\u00f1o a\u00f1o\n", "CP1252")), 1252);
    EXPECT_EQ(charset, "ISO-8859-10");
    EXPECT_EQ(guess(Iconv(dir, kRussian, "CP1251")), 1251);
    const std::string polish =
        "Wszystko b\u0119dzie dobrze. Za\u017c\u00f3\u0142\u0107 g\u0119\u015bl\u0105 ja\u017a\u0144. "
        "\u0141\u00f3d\u017a to du\u017ce miasto, a Krak\u00f3w jest pi\u0119kny.\n";
    EXPECT_EQ(guess(Iconv(dir, polish, "ISO-8859-2")), 28592);
}

TEST(EncodingDetectTest, WithoutAUsableVerdictTheWorkingCodePageStays) {
    // The detector names nothing.
    DETECTEDENCODING found = Detect("\x81\x8D\x8F\x90\x9D\n");
    EXPECT_EQ(found.codePage, WorkingCodePage());
    EXPECT_EQ(found.source, ENCODING_FROM_FALLBACK);
    EXPECT_EQ(found.charset, "");
    // UTF-8 with one stray byte: the detector says UTF-8, which the bytes
    // are not; they are left as they are.
    found = Detect("caf\xC3\xA9 and one bad \xE9 byte in a long UTF-8 text \xC3\xA0 \xC3\xA8 \xC3\xB9\n");
    EXPECT_EQ(found.codePage, WorkingCodePage());
    EXPECT_EQ(found.source, ENCODING_FROM_FALLBACK);
    EXPECT_EQ(found.charset, "UTF-8");
}

// The sample starts at the first line that is not ASCII, however far in, and
// a long one ends between characters.
TEST(EncodingDetectTest, TheSampleIsTakenWhereTheTextIs) {
    test::TempDir dir;
    std::string bytes;
    while (bytes.size() < kDetectSampleBytes + 1000) bytes += std::string(79, 'x') + "\n";
    bytes += Iconv(dir, kGerman, "ISO-8859-1");
    DETECTEDENCODING found = Detect(bytes);
    EXPECT_EQ(found.codePage, 28591);
    EXPECT_EQ(found.source, ENCODING_FROM_DETECTOR);

    // Shift-JIS without a line break in the sample: the cut falls before a
    // byte that no character continues with, and the sample decodes whole.
    std::string line = "x";  // puts the sample's end inside a character
    const std::string sjis = Iconv(dir, "\u543e\u8f29\u306f\u732b\u3067\u3042\u308b\u3002 ", "SHIFT_JIS");
    while (line.size() < kDetectSampleBytes + 7) line += sjis;
    found = Detect(line);
    EXPECT_EQ(found.codePage, 932);
    EXPECT_EQ(found.source, ENCODING_FROM_DETECTOR);
}

TEST(EncodingDetectTest, TheReaderReadsInTheDetectedCodePage) {
    test::TempDir dir;
    const std::string path = dir.WriteFile("koi8.txt", Iconv(dir, kRussian, "KOI8-R"));
    UniMemFile file;
    ASSERT_TRUE(file.OpenRead(path));
    const DETECTEDENCODING found = file.DetectEncoding(CP_DETECT);
    EXPECT_EQ(found.codePage, 20866);
    EXPECT_EQ(file.GetCodePage(), 20866);
    EXPECT_EQ(file.GetEncodingKind(), ENCODING_CODEPAGE);
    std::string text, ending, all;
    while (file.ReadLine(text, ending)) all += text + ending;
    EXPECT_EQ(all, kRussian);
    EXPECT_EQ(file.GetStats().nLossy, 0);

    // With a mark, the reader is past it and keeps its code page.
    ASSERT_TRUE(file.OpenRead(dir.WriteFile("bom.txt",
                                            "\xEF\xBB\xBF"
                                            "abc")));
    const DETECTEDENCODING marked = file.DetectEncoding(CP_DETECT);
    EXPECT_EQ(marked.kind, ENCODING_UTF8);
    EXPECT_EQ(marked.codePage, WorkingCodePage());
    EXPECT_EQ(file.GetPosition(), 3);
}

// The pass that counts the line feeds also finds where the ASCII ends: the
// detection that follows starts there, and decides as it would alone.
TEST(EncodingDetectTest, CountingLineFeedsFirstFindsTheSameEncoding) {
    test::TempDir dir;
    const std::string ascii = [] {
        std::string text;
        while (text.size() < 1000) text += "plain ASCII line\n";
        return text;
    }();
    const std::string cases[] = {
        ascii,
        ascii + "caf\xC3\xA9\n",
        ascii + Iconv(dir, kRussian, "KOI8-R"),
        ascii.substr(0, 300) + "\xE9" + ascii,  // in a run of the count
        "x\xE9",                                // in the tail after the runs
        "\xEF\xBB\xBF" + ascii,
    };
    for (const std::string& bytes : cases) {
        UniMemFile file;
        ASSERT_TRUE(file.OpenRead(dir.WriteFile("f.txt", bytes)));
        const int64_t lines = file.CountLineFeeds();
        const DETECTEDENCODING found = file.DetectEncoding(CP_DETECT);
        const DETECTEDENCODING alone = Detect(bytes);
        EXPECT_EQ(found.kind, alone.kind) << bytes.size();
        EXPECT_EQ(found.codePage, alone.codePage) << bytes.size();
        EXPECT_EQ(found.source, alone.source) << bytes.size();
        EXPECT_EQ(lines, std::count(bytes.begin(), bytes.end(), '\n'));
    }
    EXPECT_EQ(Detect(cases[0]).source, ENCODING_FROM_BYTES);
    EXPECT_EQ(Detect(cases[1]).codePage, CP_UTF8);
    EXPECT_EQ(Detect(cases[2]).codePage, 20866);
    EXPECT_NE(Detect(cases[3]).codePage, CP_UTF8);
    // Told that the bytes are ASCII further than they are, the rule believes it.
    const std::string latin1 = ascii + Iconv(dir, kGerman, "ISO-8859-1");
    EXPECT_EQ(DetectEncoding(reinterpret_cast<const unsigned char*>(latin1.data()), latin1.size(), CP_DETECT,
                             latin1.size())
                  .source,
              ENCODING_FROM_BYTES);
}

TEST(EncodingDetectTest, NamedEncodings) {
    std::vector<NAMEDENCODING> named;
    std::string error;
    ASSERT_TRUE(ParseEncodingNames("28591", named, error)) << error;
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(named[0].kind, -1);
    EXPECT_EQ(named[0].codePage, 28591);
    ASSERT_TRUE(ParseEncodingNames("auto,UTF-8", named, error)) << error;
    ASSERT_EQ(named.size(), 2u);
    EXPECT_EQ(named[0].codePage, CP_DETECT);
    EXPECT_EQ(named[1].kind, ENCODING_UTF8);
    int codePage = 0;
    ASSERT_TRUE(ReadingCodePage(named[1], codePage));
    EXPECT_EQ(codePage, CP_UTF8);
    ASSERT_TRUE(ReadingCodePage(named[0], codePage));
    EXPECT_EQ(codePage, CP_DETECT);
    ASSERT_TRUE(ParseEncodingNames("UNI16_BE", named, error));
    EXPECT_FALSE(ReadingCodePage(named[0], codePage));

    for (const char* bad : {"latin1", "12345", "", "1252,", ",1252", "utf8"}) {
        EXPECT_FALSE(ParseEncodingNames(bad, named, error)) << bad;
        EXPECT_EQ(error.rfind("unknown encoding '", 0), 0u) << error;
    }
    EXPECT_FALSE(ParseEncodingNames("1252,latin1", named, error));
    EXPECT_EQ(error,
              "unknown encoding 'latin1'; use auto, UNI16_LE, UNI16_BE, UTF-8 or a code page this system "
              "converts");
}

}  // namespace
}  // namespace corvatine
