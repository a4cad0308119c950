// Files loaded into an edit context and saved again.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "editor/SyntaxEditContextEx.h"
#include "fileio/CodePages.h"
#include "fileio/TextFormat.h"
#include "fileio/UniStdioFile.h"
#include "platform/SysCalls.h"
#include "support/EncodingSamples.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

std::string Lines(const CSyntaxEditContext& context) {
    std::string text;
    for (int i = 0; i < context.GetLineCount(); ++i) text += std::string(context.GetLine(i).Text()) + "|";
    return text;
}

class LoadSaveTest : public ::testing::Test {
protected:
    int Load(const std::string& bytes, int codePage = CP_UTF8, int style = EOL_KEEP) {
        path = dir.WriteFile("file.txt", bytes);
        int kind = 0, sniffed = 0;
        SniffEncoding(path, kind, sniffed);
        lossy = 0;
        return context.LoadTextFile(path, lossy, style, codePage, error);
    }
    std::string SaveAndRead(int style = EOL_KEEP) {
        const std::string out = dir / "saved.txt";
        EXPECT_TRUE(context.SaveTextFile(out, false, error, style)) << error;
        return test::ReadFile(out);
    }

    test::TempDir dir;
    CSyntaxEditContextEx context;
    std::string path;
    std::string error;
    int lossy = 0;
};

TEST_F(LoadSaveTest, ThePartsEdgeCases) {
    struct Case {
        std::string bytes;
        int result;
        int style;
        std::string lines;
    };
    const Case cases[] = {
        // A text without any ending takes this system's, LF.
        {"", LOAD_OK, EOL_LF, "|"},
        {"a\r\nb", LOAD_OK, EOL_CRLF, "a\r\n|b|"},
        {"a\r\n", LOAD_OK, EOL_CRLF, "a\r\n||"},
        {"a\rb\nc\r\n", LOAD_MIXED, EOL_CRLF, "a\r|b\n|c\r\n||"},
        {"a\nb\nc\r", LOAD_MIXED, EOL_LF, "a\n|b\n|c\r||"},
        {"a\rb\r", LOAD_OK, EOL_CR, "a\r|b\r||"},
        {"a\nb\r\nc\rd\re", LOAD_MIXED, EOL_CR, "a\n|b\r\n|c\r|d\r|e|"},
        {"no ending", LOAD_OK, EOL_LF, "no ending|"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Load(c.bytes), c.result) << c.bytes;
        EXPECT_EQ(context.GetLineEndingStyle(), c.style) << c.bytes;
        EXPECT_EQ(Lines(context), c.lines) << c.bytes;
        EXPECT_FALSE(context.IsModified());
        EXPECT_EQ(lossy, 0);
    }
    // A requested style wins over the file's endings.
    EXPECT_EQ(Load("a\nb\n", CP_UTF8, EOL_CR), LOAD_OK);
    EXPECT_EQ(context.GetLineEndingStyle(), EOL_CR);
}

// A file of line feeds alone is read a block of lines at a time: across the
// blocks' boundaries, with a line longer than a block, every line is there
// with its ending, and the file comes back byte for byte.
TEST_F(LoadSaveTest, LinesEndingInLineFeedsAcrossBlocks) {
    std::string bytes;
    int lines = 0;
    for (int i = 0; bytes.size() < 2 * static_cast<size_t>(UniMemFile::kLineFeedBlock); ++i, ++lines)
        bytes += "line " + std::to_string(i) + std::string(static_cast<size_t>(i % 97), 'x') + "\n";
    bytes += std::string(static_cast<size_t>(UniMemFile::kLineFeedBlock) + 5, 'L') + "\n";
    bytes += "\nlast";
    lines += 3;
    ASSERT_EQ(Load(bytes), LOAD_OK);
    ASSERT_EQ(context.GetLineCount(), lines);
    EXPECT_EQ(context.GetLoadStats().nLF, lines - 1);
    EXPECT_EQ(context.GetLineEndingStyle(), EOL_LF);
    EXPECT_EQ(std::string(context.GetLine(0).Text()), "line 0\n");
    EXPECT_EQ(context.GetLine(lines - 3).Length(), UniMemFile::kLineFeedBlock + 5);
    EXPECT_EQ(std::string(context.GetLine(lines - 1).Text()), "last");
    std::string joined;
    for (int i = 0; i < context.GetLineCount(); ++i) joined += context.GetLine(i).Text();
    EXPECT_EQ(joined, bytes);
    EXPECT_EQ(SaveAndRead(), bytes);
    // Ending in a line feed: an empty last line.
    ASSERT_EQ(Load("a\nb\n"), LOAD_OK);
    EXPECT_EQ(Lines(context), "a\n|b\n||");
}

// A buffer that may load in place keeps the lines of a file of line feeds
// in the file's view, one after another as they lie, for as long as they
// live, the file replaced or not; a last line without its ending, and the
// lines of other files, are copied as before.
TEST_F(LoadSaveTest, LinesLoadedInPlaceStayInTheFilesView) {
    context.SetLoadInPlace(true);
    std::string bytes;
    int lines = 0;
    for (int i = 0; bytes.size() < 2 * static_cast<size_t>(UniMemFile::kLineFeedBlock) + 77; ++i, ++lines)
        bytes += "line " + std::to_string(i) + std::string(static_cast<size_t>(i % 61), 'y') + "\n";
    bytes += "last";
    ++lines;
    ASSERT_EQ(Load(bytes), LOAD_OK);
    ASSERT_EQ(context.GetLineCount(), lines);
    EXPECT_EQ(context.GetLoadStats().nLF, lines - 1);
    for (int i = 0; i + 2 < lines; ++i) {
        const CSyntaxTextLine& line = context.GetLine(i);
        ASSERT_EQ(context.GetLine(i + 1).Text(), line.Text() + line.FullLength()) << i;
    }
    // Replaced on the disk, as a save replaces a file: the lines are still those read.
    const std::string other = dir.WriteFile("other.txt", "other\n");
    ASSERT_EQ(::rename(other.c_str(), path.c_str()), 0);
    std::string joined;
    for (int i = 0; i < context.GetLineCount(); ++i)
        joined.append(context.GetLine(i).Characters()).append(context.GetLine(i).Ending());
    EXPECT_EQ(joined, bytes);
    EXPECT_EQ(std::string(context.GetLine(lines - 1).Text()), "last");
    EXPECT_EQ(SaveAndRead(), bytes);
    context.GetLine(0).SetRevision(3);
    EXPECT_EQ(std::string(context.GetLine(0).Text()), "line 0\n");

    // A file of whole pages: its last line ends where the view does.
    std::string page;
    for (int i = 0; page.size() < 4096; ++i) page += "p" + std::to_string(i) + "\n";
    page.resize(4095);
    page += "\n";
    ASSERT_EQ(Load(page), LOAD_OK);
    EXPECT_EQ(SaveAndRead(), page);
    // Other endings: copied, each line ending in a NUL.
    ASSERT_EQ(Load("a\r\nb\r\n"), LOAD_OK);
    EXPECT_EQ(Lines(context), "a\r\n|b\r\n||");
}

// Saving over the file the lines were loaded in place from, when that file
// is written in place (it has a second link): every line is written as it
// was, none read back from bytes the save has already overwritten.
TEST_F(LoadSaveTest, SavingInPlaceOverTheFileLinesWereLoadedFrom) {
    context.SetLoadInPlace(true);
    std::string bytes;
    for (int i = 0; bytes.size() < 3 * UniStdioFile::kWriteBufferSize; ++i)
        bytes += "line " + std::to_string(i) + " of the file\n";
    ASSERT_EQ(Load(bytes), LOAD_OK);
    const std::string link = dir / "link.txt";
    ASSERT_EQ(::link(path.c_str(), link.c_str()), 0);
    context.GetLine(0).Assign("a longer first line, which moves every other\n", 45);
    const std::string expected =
        "a longer first line, which moves every other\n" + bytes.substr(bytes.find('\n') + 1);
    ASSERT_TRUE(context.SaveTextFile(path, false, error)) << error;
    EXPECT_EQ(test::ReadFile(path), expected);
    EXPECT_EQ(test::ReadFile(link), expected);  // written in place: still one file
    std::string joined;
    for (int i = 0; i < context.GetLineCount(); ++i) joined += context.GetLine(i).Text();
    EXPECT_EQ(joined, expected);
}

TEST_F(LoadSaveTest, ANulMakesTheFileBinary) {
    EXPECT_EQ(Load(std::string("line one\nline\0two\n", 19)), LOAD_BINARY);
    EXPECT_EQ(context.GetLineCount(), 1);
    EXPECT_EQ(context.GetLine(0).FullLength(), 0);
    EXPECT_EQ(context.GetLoadStats().firstNUL, 13);
    EXPECT_EQ(Load(std::string("\xFF\xFEx\0\0\0", 6)), LOAD_BINARY);
    EXPECT_EQ(Load(std::string("x\0", 2), 1252), LOAD_BINARY);
}

TEST_F(LoadSaveTest, OpenFailuresResetTheBuffer) {
    Load("some text\n");
    EXPECT_EQ(context.LoadTextFile(dir / "missing", lossy, EOL_KEEP, CP_UTF8, error), LOAD_FAILED);
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_EQ(context.GetLineCount(), 1);
    EXPECT_EQ(context.GetLineEndingStyle(), EOL_CRLF);
}

TEST_F(LoadSaveTest, UnchangedFilesRoundTripByteForByte) {
    const std::string samples[] = {
        "plain\r\nmixed\nendings\rand no final one",
        "final ending\n",
        "\xEF\xBB\xBFutf-8 with a mark: \xE2\x82\xAC \xF0\x9F\x98\x80\r\n",
        "utf-8 without a mark: \xC3\xA9\n",
        std::string("\xFF\xFE"
                    "a\0\r\0\n\0\x3D\xD8\x00\xDE\n\0",
                    14),
        std::string("\xFE\xFF\0a\0\r\0\n\xD8\x3D\xDE\x00", 12),
        "invalid utf-8 kept as it is: \xFF\xFE\x80\n",
        "",
    };
    for (const std::string& bytes : samples) {
        ASSERT_NE(Load(bytes), LOAD_FAILED);
        EXPECT_EQ(lossy, 0) << bytes;
        EXPECT_EQ(SaveAndRead(), bytes);
    }
}

TEST_F(LoadSaveTest, CodePagesAgainstIconv) {
    struct Case {
        int codePage;
        const char* charset;
    };
    for (const Case& c : {Case{1252, "CP1252"}, Case{437, "CP437"}}) {
        std::string bytes;
        for (int b = 0x20; b < 0x100; ++b) {
            if (c.codePage == 1252 && (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D))
                continue;
            if (b == 0x7F) continue;
            bytes += static_cast<char>(b);
            if (b % 32 == 31) bytes += "\r\n";
        }
        const std::string source = dir.WriteFile("source", bytes);
        const test::ProgramResult oracle =
            test::RunProgram("/usr/bin/iconv", {"-f", c.charset, "-t", "UTF-8", source});
        ASSERT_EQ(oracle.exitStatus, 0) << oracle.err;

        ASSERT_EQ(Load(bytes, c.codePage), LOAD_OK);
        EXPECT_EQ(context.GetCodePage(), c.codePage);
        std::string text;
        for (int i = 0; i < context.GetLineCount(); ++i) text += context.GetLine(i).Text();
        EXPECT_EQ(text, oracle.out) << c.charset;
        EXPECT_EQ(lossy, 0);
        EXPECT_EQ(SaveAndRead(), bytes) << c.charset;
    }
}

// Files in legacy code pages without a mark: read in the code page their
// bytes call for, shown as their characters, saved back byte for byte with
// their line endings while unedited, and in their code page when edited.
TEST_F(LoadSaveTest, LegacyEncodingsAreDetectedAndRoundTripByteForByte) {
    const struct {
        const char* text;
        const char* charset;
        int codePage;
    } kCases[] = {
        {test::kGerman, "ISO-8859-1", 28591},
        {test::kFrench, "CP1252", 1252},
        {test::kJapanese, "SHIFT_JIS", 932},
        {test::kRussian, "KOI8-R", 20866},
    };
    for (const auto& c : kCases) {
        const std::string bytes = test::Iconv(dir, c.text, c.charset);
        ASSERT_EQ(Load(bytes, CP_DETECT), LOAD_OK) << c.charset;
        EXPECT_EQ(context.GetEncodingKind(), ENCODING_CODEPAGE);
        EXPECT_EQ(context.GetCodePage(), c.codePage) << c.charset;
        EXPECT_EQ(context.GetLoadEncoding().source, ENCODING_FROM_DETECTOR) << c.charset;
        std::string text;
        for (int i = 0; i < context.GetLineCount(); ++i) text += context.GetLine(i).Text();
        EXPECT_EQ(text, c.text) << c.charset;
        EXPECT_EQ(lossy, 0) << c.charset;
        EXPECT_TRUE(SaveAndRead() == bytes) << c.charset;
    }

    // Edited: what the code page holds is written in it; what it lacks asks
    // first and, accepted, is written as '?'.
    const std::string latin1 = test::Iconv(dir, test::kGerman, "ISO-8859-1");
    ASSERT_EQ(Load(latin1, CP_DETECT), LOAD_OK);
    int endLine = 0, endChar = 0;
    ASSERT_TRUE(context.InsertTextAt(nullptr, 0, 0, "\u00e9t\u00e9 ", endLine, endChar, 4));
    EXPECT_TRUE(SaveAndRead() == "\xE9t\xE9 " + latin1);
    ASSERT_TRUE(context.InsertTextAt(nullptr, 1, 0, "\u20ac", endLine, endChar, 4));
    const std::string target = dir.WriteFile("target.txt", "before\n");
    EXPECT_FALSE(context.SaveTextFile(target, false, error));
    EXPECT_EQ(error, "line 2 cannot be saved exactly");
    EXPECT_EQ(test::ReadFile(target), "before\n");
    ASSERT_TRUE(context.SaveTextFile(target, false, error, EOL_KEEP, true, [](int, int) { return true; }));
    EXPECT_TRUE(test::ReadFile(target) == "\xE9t\xE9 " + latin1.substr(0, latin1.find('\n') + 1) + "?" +
                                              latin1.substr(latin1.find('\n') + 1));
}

// A code page asked for is read in, whatever the bytes say; a mark still
// decides.
TEST_F(LoadSaveTest, ACodePageAskedForWinsOverDetection) {
    const std::string koi8 = test::Iconv(dir, test::kRussian, "KOI8-R");
    ASSERT_EQ(Load(koi8, 1251), LOAD_OK);
    EXPECT_EQ(context.GetCodePage(), 1251);
    EXPECT_EQ(context.GetLoadEncoding().source, ENCODING_FROM_REQUEST);
    EXPECT_TRUE(SaveAndRead() == koi8);
    ASSERT_EQ(Load("\xEF\xBB\xBF\xC3\xA9\n", 1251), LOAD_OK);
    EXPECT_EQ(context.GetEncodingKind(), ENCODING_UTF8);
    EXPECT_EQ(Lines(context), "\xC3\xA9\n||");
    // Without detection, a file in the working code page is read as it is.
    ASSERT_EQ(Load("caf\xE9\n", CP_UTF8), LOAD_OK);
    EXPECT_EQ(context.GetCodePage(), CP_UTF8);
    EXPECT_EQ(Lines(context), "caf\xE9\n||");
}

TEST_F(LoadSaveTest, SavingInAnotherEncoding) {
    ASSERT_EQ(Load("a\r\nb\n\xC3\xA9"), LOAD_MIXED);
    context.ChangeEncoding(ENCODING_UCS2_LE, -1);
    EXPECT_TRUE(context.IsModified());
    EXPECT_EQ(SaveAndRead(), std::string("\xFF\xFE"
                                         "a\0\r\0\n\0b\0\n\0\xE9\0",
                                         14));
    EXPECT_FALSE(context.IsModified());

    // One style for every line; the last line never gets an ending.
    EXPECT_EQ(SaveAndRead(EOL_LF), std::string("\xFF\xFE"
                                               "a\0\n\0b\0\n\0\xE9\0",
                                               12));
    context.ChangeLineEndingStyle(EOL_CR);
    EXPECT_TRUE(context.IsModified());
    context.ChangeEncoding(-1, 437);
    EXPECT_EQ(SaveAndRead(), "a\rb\r\x82");

    // A character the code page lacks is written as '?' and counted, once
    // the loss is accepted; until then the target is not written.
    ASSERT_EQ(Load("ok\n\xE2\x82\xAC and \xC3\xA9\n\xE2\x82\xAC\n"), LOAD_OK);
    context.ChangeEncoding(-1, 437);
    const std::string target = dir.WriteFile("target.txt", "before\n");
    EXPECT_FALSE(context.SaveTextFile(target, false, error));
    EXPECT_EQ(error, "line 2 cannot be saved exactly (nor 1 more)");
    std::vector<std::pair<int, int>> asked;
    const auto refuse = [&](int line, int count) { return asked.emplace_back(line, count), false; };
    EXPECT_FALSE(context.SaveTextFile(target, false, error, EOL_KEEP, true, refuse));
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{1, 2}}));
    EXPECT_EQ(test::ReadFile(target), "before\n");
    EXPECT_TRUE(context.IsModified());
    ASSERT_TRUE(context.SaveTextFile(target, false, error, EOL_KEEP, true, [](int, int) { return true; }));
    EXPECT_EQ(test::ReadFile(target), "ok\n? and \x82\n?\n");
    EXPECT_EQ(context.GetLossySaved(), 2);
    EXPECT_EQ(SaveLossQuestion("f.txt", 1, 2),
              "f.txt\nLine 2 and 1 more line cannot be saved exactly: characters that were not read exactly, "
              "or that the encoding cannot represent, would be written as '?'.\nSave anyway?");
}

TEST_F(LoadSaveTest, LossyLoadsRaiseTheFlag) {
    EXPECT_EQ(Load("\xEF\xBB\xBF"
                   "bad \xC0 byte"),
              LOAD_OK);
    EXPECT_EQ(lossy, 1);
    EXPECT_EQ(Lines(context), "bad ? byte|");
    EXPECT_EQ(Load("\x81 not in 1252", 1252), LOAD_OK);
    EXPECT_EQ(lossy, 1);
}

// Lines that could not be read exactly come back byte for byte while nobody
// changed them, whatever happened to the other lines.
TEST_F(LoadSaveTest, LinesReadWithLossComeBackAsTheyWere) {
    const std::string bom("\xFF\xFE", 2), lone("x\0\x00\xD8y\0", 6), crlf("\r\0\n\0", 4);
    const std::string cases[] = {
        bom + lone + crlf + std::string("b\0", 2) + crlf,                // a lone surrogate
        bom + std::string("a\0", 2) + crlf + std::string("b\0\x01", 3),  // an odd last byte
        bom + std::string("a\0", 2) + crlf + std::string("\x01", 1),     // ... after the last ending
        "\xEF\xBB\xBF"
        "bad \xC0 byte\r\nb\r\ncut \xE2\x82",  // invalid UTF-8 behind a mark
    };
    for (const std::string& bytes : cases) {
        ASSERT_EQ(Load(bytes), LOAD_OK);
        EXPECT_EQ(lossy, 1);
        EXPECT_TRUE(SaveAndRead() == bytes) << bytes.size();
    }

    // Another line edited: the surrogate line stays exact, no question asked.
    ASSERT_EQ(Load(cases[0]), LOAD_OK);
    int endLine = 0, endChar = 0;
    ASSERT_TRUE(context.InsertTextAt(nullptr, 1, 1, "c", endLine, endChar, 4));
    ASSERT_TRUE(context.SaveTextFile(path, false, error)) << error;
    EXPECT_TRUE(test::ReadFile(path) == bom + lone + crlf + std::string("b\0c\0", 4) + crlf);

    // The line itself edited, or the file put in another encoding: what was
    // lost at reading would be saved as '?', so the save asks first.
    ASSERT_TRUE(context.InsertTextAt(nullptr, 0, 0, "w", endLine, endChar, 4));
    EXPECT_FALSE(context.SaveTextFile(path, false, error));
    EXPECT_EQ(error, "line 1 cannot be saved exactly");
    ASSERT_EQ(Load(cases[0]), LOAD_OK);
    context.ChangeEncoding(ENCODING_UTF8, -1);
    EXPECT_FALSE(context.SaveTextFile(dir / "utf8.txt", false, error));
    EXPECT_EQ(error, "line 1 cannot be saved exactly");
}

// Code pages in which one text has other byte forms, or that have line
// breaks of their own: an unchanged file saves back byte for byte.
TEST_F(LoadSaveTest, CodePageFilesWithOtherFormsRoundTripByteForByte) {
    const std::pair<std::string, int> samples[] = {
        {"B\x1B\\8$Fl\x1B(B(B\n", 50220},      // a shift to ASCII where ASCII is on
        {"a+IKw\nb+IKw-\n", 65000},            // UTF-7 with and without the closing "-"
        {"\xED\x40 \xFA\x5C\r\n", 932},        // one character, two codes
        {"\x81\x25\x82\x0A\x83\x15\x0D", 37},  // EBCDIC line feed and new line, ASCII ones
    };
    for (const auto& [bytes, codePage] : samples) {
        ASSERT_NE(Load(bytes, codePage), LOAD_FAILED) << codePage;
        EXPECT_TRUE(SaveAndRead() == bytes) << codePage;
    }
}

// Such lines lose nothing: the load is not lossy, and saved in another
// encoding their characters go out without a question.
TEST_F(LoadSaveTest, LinesWhoseBytesHaveAnotherFormAreNoLoss) {
    ASSERT_EQ(Load("\xED\x40\r\nB\x1B(B\n", 932), LOAD_MIXED);
    EXPECT_EQ(lossy, 0);
    context.ChangeEncoding(ENCODING_UTF8, -1);
    EXPECT_TRUE(SaveAndRead() == "\xEF\xBB\xBF\xE7\xBA\x8A\r\nB\x1B(B\n");
    ASSERT_EQ(Load("a+IKw\n", 65000), LOAD_OK);
    EXPECT_EQ(lossy, 0);
    context.ChangeEncoding(ENCODING_UCS2_LE, -1);
    EXPECT_TRUE(SaveAndRead() == std::string("\xFF\xFE"
                                             "a\0\xAC\x20\n\0",
                                             8));
}

// Lines end in a code page file as the reader finds them: in the bytes CR
// and LF, whatever the code page calls them.
TEST_F(LoadSaveTest, CodePageFilesEndTheirLinesInCarriageReturnAndLineFeedBytes) {
    ASSERT_EQ(Load("a\r\nb\nc"), LOAD_MIXED);
    context.ChangeEncoding(-1, 37);
    const std::string saved = SaveAndRead();
    EXPECT_TRUE(saved == "\x81\r\n\x82\n\x83") << saved;
    ASSERT_EQ(Load(saved, 37), LOAD_MIXED);
    EXPECT_EQ(Lines(context), "a\r\n|b\n|c|");
    EXPECT_EQ(lossy, 0);
}

// Saved in a code page that has a character only as another one, the line
// cannot be saved exactly: the save asks first.
TEST_F(LoadSaveTest, ACharacterSavedAsAnotherAsksFirst) {
    ASSERT_EQ(Load("ok\n\xC2\xA3 5\n"), LOAD_OK);
    context.ChangeEncoding(-1, 932);
    const std::string target = dir.WriteFile("target.txt", "before\n");
    EXPECT_FALSE(context.SaveTextFile(target, false, error));
    EXPECT_EQ(error, "line 2 cannot be saved exactly");
    EXPECT_EQ(test::ReadFile(target), "before\n");
}

TEST_F(LoadSaveTest, AFailedSaveLeavesTheTargetAndTheBufferModified) {
    ASSERT_EQ(Load("original\n"), LOAD_OK);
    const std::string target = dir.WriteFile("target.txt", "precious\n");
    int endLine = 0, endChar = 0;
    ASSERT_TRUE(context.InsertTextAt(nullptr, 0, 0, std::string(300000, 'x'), endLine, endChar, 4));
    platform::SYSCALLS saved = platform::SysCalls();
    // The disk fills up after the first 4096 bytes.
    static int calls;
    calls = 0;
    platform::SysCalls().write = [](int fd, const void* data, size_t size) -> ssize_t {
        if (++calls > 1) return errno = ENOSPC, -1;
        return platform::RealSysCalls().write(fd, data, size < 4096 ? size : 4096);
    };
    const bool ok = context.SaveTextFile(target, false, error);
    platform::SysCalls() = saved;
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "No space left on device");
    EXPECT_TRUE(test::ReadFile(target) == "precious\n") << test::ReadFile(target).size() << " bytes";
    EXPECT_TRUE(context.IsModified());
    EXPECT_EQ(test::RunProgram("/bin/sh", {"-c", "ls -A \"$0\"", dir.Path()}).out, "file.txt\ntarget.txt\n");

    // The last step, putting the new file in place, can fail too.
    saved = platform::SysCalls();
    platform::SysCalls().rename = [](const char*, const char*) { return errno = EXDEV, -1; };
    const bool renamed = context.SaveTextFile(target, false, error);
    platform::SysCalls() = saved;
    EXPECT_FALSE(renamed);
    EXPECT_EQ(error, "Invalid cross-device link");
    EXPECT_TRUE(test::ReadFile(target) == "precious\n");
    EXPECT_TRUE(context.IsModified());

    if (::geteuid() != 0) {
        const std::string locked = dir.MakeFolder("locked");
        ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
        EXPECT_FALSE(context.SaveTextFile(locked + "/new.txt", false, error));
        EXPECT_EQ(error, "Permission denied");
    }
}

TEST_F(LoadSaveTest, SavingKeepsPermissionsAndWritesThroughLinks) {
    ASSERT_EQ(Load("x\n"), LOAD_OK);
    const std::string real = dir.WriteFile("real.txt", "old\n");
    ASSERT_EQ(::chmod(real.c_str(), 0751), 0);
    const std::string link = dir / "link.txt";
    ASSERT_EQ(::symlink("real.txt", link.c_str()), 0);
    ASSERT_TRUE(context.SaveTextFile(link, false, error)) << error;
    struct stat st;
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0751u);
    EXPECT_EQ(test::ReadFile(real), "x\n");
}

TEST_F(LoadSaveTest, EmptyPathFails) {
    ASSERT_EQ(Load("x"), LOAD_OK);
    EXPECT_FALSE(context.SaveTextFile("", false, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace corvatine
