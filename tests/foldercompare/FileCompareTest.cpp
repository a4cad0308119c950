// The comparison methods for a pair of entries: time, attributes, type,
// size, version, CRC-32, binary and text content.
#include "foldercompare/FileCompare.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "PeFiles.h"
#include "request/CompareMethods.h"
#include "support/EncodingSamples.h"
#include "support/PermissionsBind.h"
#include "support/TestSupport.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

class FileCompareTest : public ::testing::Test {
protected:
    // A pair of entries refreshed from files (or folders) written on the
    // left and right of the test's folder.
    struct Pair {
        std::unique_ptr<CFolderItem> left, right;
    };

    Pair Files(const std::string& leftBytes, const std::string& rightBytes, const std::string& prefix = "") {
        return Refreshed(dir.WriteFile(prefix + "left", leftBytes),
                         dir.WriteFile(prefix + "right", rightBytes), false);
    }
    Pair Folders() { return Refreshed(dir.MakeFolder("dl"), dir.MakeFolder("dr"), true); }
    static Pair Refreshed(const std::string& left, const std::string& right, bool folders) {
        Pair pair;
        pair.left = folders ? std::unique_ptr<CFolderItem>(new CFolder) : std::make_unique<CFolderItem>();
        pair.right = folders ? std::unique_ptr<CFolderItem>(new CFolder) : std::make_unique<CFolderItem>();
        EXPECT_TRUE(pair.left->Refresh(left));
        EXPECT_TRUE(pair.right->Refresh(right));
        return pair;
    }
    static void SetWriteTime(CFolderItem& entry, int64_t seconds, long nanoseconds = 0) {
        ASSERT_TRUE(test::SetFileTimes(entry.GetFullPath(), seconds, nanoseconds));
        ASSERT_TRUE(entry.Refresh());
    }
    uint32_t Compare(Pair& pair, uint32_t methods) {
        return ComparePair(*pair.left, *pair.right, methods, options, outcome);
    }

    test::TempDir dir;
    FILECOMPAREOPTIONS options;
    PAIROUTCOME outcome;
};

TEST_F(FileCompareTest, TimesWithinTheToleranceAreEqual) {
    Pair pair = Files("a", "a");
    SetWriteTime(*pair.left, 1700000000);
    SetWriteTime(*pair.right, 1700000002);
    EXPECT_EQ(CompareLastWriteTimes(*pair.left, *pair.right, 2), 0);
    EXPECT_EQ(Compare(pair, METHOD_TIME), 0u);

    SetWriteTime(*pair.right, 1700000003);
    EXPECT_EQ(CompareLastWriteTimes(*pair.left, *pair.right, 2), -1);
    EXPECT_EQ(CompareLastWriteTimes(*pair.right, *pair.left, 2), 1);
    EXPECT_EQ(Compare(pair, METHOD_TIME), DIFFERENCE_TIME);

    // Whole seconds under a tolerance; the raw times at tolerance 0.
    SetWriteTime(*pair.left, 1700000000, 100);
    SetWriteTime(*pair.right, 1700000000, 900000000);
    EXPECT_EQ(CompareLastWriteTimes(*pair.left, *pair.right, 1), 0);
    EXPECT_EQ(CompareLastWriteTimes(*pair.left, *pair.right, 0), -1);
    options.smallTimeToIgnore = 0;
    EXPECT_EQ(Compare(pair, METHOD_TIME), DIFFERENCE_TIME);
    SetWriteTime(*pair.right, 1700000000, 100);
    EXPECT_EQ(Compare(pair, METHOD_TIME), 0u);
    // Below 100 ns there is nothing to tell apart.
    SetWriteTime(*pair.right, 1700000000, 200);
    EXPECT_EQ(CompareLastWriteTimes(*pair.left, *pair.right, 0), -1);
    SetWriteTime(*pair.right, 1700000000, 199);
    EXPECT_EQ(CompareLastWriteTimes(*pair.left, *pair.right, 0), 0);
}

TEST_F(FileCompareTest, FolderPairsCompareTimeAndAttributesOnlyWhenAsked) {
    Pair pair = Folders();
    SetWriteTime(*pair.left, 1000000000);
    ASSERT_EQ(::chmod(pair.right->GetFullPath().c_str(), 0555), 0);
    ASSERT_TRUE(pair.right->Refresh());
    const uint32_t all = kAllCompareMethods;
    EXPECT_EQ(Compare(pair, all), 0u);
    EXPECT_EQ(outcome.content, CONTENT_NOT_COMPARED);
    options.ignoreFolderDifferences = false;
    EXPECT_EQ(Compare(pair, all), DIFFERENCE_TIME | DIFFERENCE_ATTRIBUTES);
    EXPECT_EQ(outcome.content, CONTENT_NOT_COMPARED);  // no content methods for folders
}

TEST_F(FileCompareTest, PropertiesOfFilePairs) {
    Pair pair = Files("text\n", std::string("bin\0ary", 7));
    EXPECT_EQ(Compare(pair, METHOD_TYPE), DIFFERENCE_TYPE);
    EXPECT_EQ(Compare(pair, METHOD_SIZE), DIFFERENCE_SIZE);
    EXPECT_EQ(Compare(pair, METHOD_ATTRIBUTES), 0u);
    ASSERT_EQ(::chmod(pair.left->GetFullPath().c_str(), 0444), 0);
    ASSERT_TRUE(pair.left->Refresh());
    EXPECT_EQ(Compare(pair, METHOD_ATTRIBUTES | METHOD_SIZE), DIFFERENCE_ATTRIBUTES | DIFFERENCE_SIZE);
    EXPECT_EQ(Compare(pair, 0), 0u);  // every bit cleared first
    // Two files without a version resource have equal versions.
    EXPECT_EQ(Compare(pair, METHOD_VERSION), 0u);
}

TEST_F(FileCompareTest, VersionsOfProgramFiles) {
    test::VersionNode one{"VS_VERSION_INFO", false, "", test::FixedFileInfo(0x00010002, 0x00030004), {}};
    test::VersionNode two{"VS_VERSION_INFO", false, "", test::FixedFileInfo(0x00010002, 0x00030005), {}};
    const auto a = test::BuildPe32Image(test::EncodeVersionNode(one));
    const auto b = test::BuildPe32Image(test::EncodeVersionNode(two));
    Pair pair = Files(std::string(a.begin(), a.end()), std::string(b.begin(), b.end()));
    EXPECT_EQ(Compare(pair, METHOD_VERSION), DIFFERENCE_VERSION);
    Pair same = Files(std::string(a.begin(), a.end()), std::string(a.begin(), a.end()));
    EXPECT_EQ(Compare(same, METHOD_VERSION), 0u);
    Pair plain = Files(std::string(a.begin(), a.end()), "no image");
    EXPECT_EQ(Compare(plain, METHOD_VERSION), DIFFERENCE_VERSION);
}

TEST_F(FileCompareTest, CrcDecidesTheContentResult) {
    Pair equal = Files("same", "same");
    EXPECT_EQ(Compare(equal, METHOD_CRC), 0u);
    EXPECT_EQ(outcome.content, CONTENT_EQUAL);
    Pair different = Files("same", "diff");
    EXPECT_EQ(Compare(different, METHOD_CRC), DIFFERENCE_CRC);
    EXPECT_EQ(outcome.content, CONTENT_DIFFERENT);

    // Files that cannot be read have no CRC to compare: never equal.
    Pair gone = Files("a", "b");
    ASSERT_EQ(::unlink(gone.left->GetFullPath().c_str()), 0);
    ASSERT_EQ(::unlink(gone.right->GetFullPath().c_str()), 0);
    EXPECT_EQ(Compare(gone, METHOD_CRC), 0u);
    EXPECT_EQ(outcome.content, CONTENT_ERROR);
    EXPECT_EQ(gone.left->readError, ENOENT);
    EXPECT_EQ(gone.right->readError, ENOENT);
}

// Two files of one size whose contents differ and may not be read: under
// every method that reads content the pair is not compared, and each side
// tells why.
TEST_F(FileCompareTest, UnreadableFilesAreNeverComparedEqual) {
    struct METHODCASE {
        uint32_t method;
        const char* name;
    };
    const METHODCASE methods[] = {{METHOD_CRC, "crc"},   {METHOD_BINARY, "binary"},
                                  {METHOD_TEXT, "text"}, {METHOD_VERSION, "version"},
                                  {METHOD_TYPE, "type"}, {METHOD_TYPE | METHOD_CRC | METHOD_BINARY, "all"}};
    for (const METHODCASE& c : methods) {
        SCOPED_TRACE(c.name);
        Pair pair = Files("left text\n", "rightext\n\n", c.name);
        ASSERT_EQ(pair.left->GetSize(), pair.right->GetSize());
        ASSERT_EQ(::chmod(pair.left->GetFullPath().c_str(), 0), 0);
        ASSERT_EQ(::chmod(pair.right->GetFullPath().c_str(), 0), 0);
        test::PermissionsBind bind;
        if (!bind.Active()) GTEST_SKIP() << "permissions cannot be made to bind";
        Compare(pair, c.method | METHOD_SIZE | METHOD_TIME);
        EXPECT_EQ(outcome.content, CONTENT_ERROR);
        EXPECT_EQ(outcome.difference & DIFFERENCE_CRC, 0u);
        EXPECT_EQ(pair.left->readError, EACCES);
        EXPECT_EQ(pair.right->readError, EACCES);
        EXPECT_TRUE(HasReadError(*pair.left, *pair.right));
    }

    // One unreadable side is enough; the binary method still knows files of
    // other sizes differ without reading them.
    Pair one = Files("same", "same", "one");
    ASSERT_EQ(::chmod(one.right->GetFullPath().c_str(), 0), 0);
    Pair sizes = Files("short", "longer", "sizes");
    ASSERT_EQ(::chmod(sizes.left->GetFullPath().c_str(), 0), 0);
    test::PermissionsBind bind;
    if (!bind.Active()) GTEST_SKIP() << "permissions cannot be made to bind";
    EXPECT_EQ(CompareContents(*one.left, *one.right, METHOD_CRC, options, outcome), CONTENT_ERROR);
    EXPECT_EQ(one.left->readError, 0);
    EXPECT_EQ(one.right->readError, EACCES);
    Compare(sizes, METHOD_BINARY);
    EXPECT_EQ(outcome.content, CONTENT_DIFFERENT);
    int errors[2] = {-9, -9};
    EXPECT_EQ(CompareFilesBinary(one.left->GetFullPath(), one.right->GetFullPath(), 4, 4, errors),
              CONTENT_ERROR);
    EXPECT_EQ(errors[0], 0);
    EXPECT_EQ(errors[1], EACCES);
}

// Fifos are not read: their content type is unknown without an error, and a
// method that needs their content cannot compare them.
TEST_F(FileCompareTest, FifosHaveNoContentToCompare) {
    Pair pair = Files("", "");
    for (CFolderItem* side : {pair.left.get(), pair.right.get()}) {
        ASSERT_EQ(::unlink(side->GetFullPath().c_str()), 0);
        ASSERT_EQ(::mkfifo(side->GetFullPath().c_str(), 0644), 0);
        ASSERT_TRUE(side->Refresh());
    }
    EXPECT_EQ(Compare(pair, METHOD_TYPE | METHOD_VERSION), 0u);
    EXPECT_EQ(outcome.content, CONTENT_NOT_COMPARED);
    EXPECT_EQ(pair.left->readError, 0);
    Compare(pair, METHOD_CRC);
    EXPECT_EQ(outcome.content, CONTENT_ERROR);
    EXPECT_EQ(pair.left->readError, kReadErrorNotRegular);
    EXPECT_EQ(ReadErrorText(pair.left->readError), "not a regular file");
}

// Files are read without a second look at what they are: one that a fifo
// replaced since the scan is still told as not a regular file, and files
// that grew since are read to their new end.
TEST_F(FileCompareTest, FilesChangedSinceTheScanAreReadForWhatTheyAreNow) {
    for (const uint32_t method : {METHOD_CRC, METHOD_BINARY}) {
        SCOPED_TRACE(method);
        Pair fifo = Files("same", "same", "fifo" + std::to_string(method));
        ASSERT_EQ(::unlink(fifo.right->GetFullPath().c_str()), 0);
        ASSERT_EQ(::mkfifo(fifo.right->GetFullPath().c_str(), 0644), 0);
        Compare(fifo, method);
        EXPECT_EQ(outcome.content, CONTENT_ERROR);
        EXPECT_EQ(fifo.left->readError, 0);
        EXPECT_EQ(fifo.right->readError, kReadErrorNotRegular);

        Pair folder = Files("same", "same", "folder" + std::to_string(method));
        ASSERT_EQ(::unlink(folder.left->GetFullPath().c_str()), 0);
        ASSERT_EQ(::mkdir(folder.left->GetFullPath().c_str(), 0755), 0);
        Compare(folder, method);
        EXPECT_EQ(outcome.content, CONTENT_ERROR);
        EXPECT_EQ(folder.left->readError, kReadErrorNotRegular);

        // Grown past the scanned size, past one block, and to one byte short of it.
        for (const size_t grown : {size_t{5}, kBinaryCompareBlockSize + 1, size_t{4095}}) {
            SCOPED_TRACE(grown);
            const std::string prefix = "grown" + std::to_string(method) + "_" + std::to_string(grown);
            Pair pair = Files("abcd", "abcd", prefix);
            dir.WriteFile(prefix + "left", std::string(grown, 'x'));
            dir.WriteFile(prefix + "right", std::string(grown, 'x'));
            Compare(pair, method);
            EXPECT_EQ(outcome.content, CONTENT_EQUAL);
            EXPECT_FALSE(HasReadError(*pair.left, *pair.right));
            if (method == METHOD_CRC) {
                EXPECT_EQ(pair.left->GetCRCValue(), ComputeFileCrc(pair.left->GetFullPath()));
                EXPECT_NE(pair.left->GetCRCValue(), ComputeFileCrc(dir.WriteFile("four", "abcd")));
            }
            dir.WriteFile(prefix + "right", std::string(grown - 1, 'x') + "y");
            pair.left->Refresh();
            pair.right->Refresh();
            Compare(pair, method);
            EXPECT_EQ(outcome.content, CONTENT_DIFFERENT);
        }

        // Shrunk since the scan: the one that ended first changed while read.
        Pair shrunk = Files("abcdef", "abcdef", "shrunk" + std::to_string(method));
        dir.WriteFile("shrunk" + std::to_string(method) + "right", "abc");
        Compare(shrunk, method);
        if (method == METHOD_BINARY) {
            EXPECT_EQ(outcome.content, CONTENT_ERROR);
            EXPECT_EQ(shrunk.right->readError, kReadErrorChanged);
        } else {
            EXPECT_EQ(outcome.content, CONTENT_DIFFERENT);  // the CRC of what it holds now
        }
    }
}

TEST_F(FileCompareTest, BinaryContent) {
    Pair empty = Files("", "");
    EXPECT_EQ(Compare(empty, METHOD_BINARY), 0u);
    EXPECT_EQ(outcome.content, CONTENT_EQUAL);

    Pair sizes = Files("abc", "abcd");
    ASSERT_EQ(::unlink(sizes.left->GetFullPath().c_str()), 0);  // sizes decide without reading
    Compare(sizes, METHOD_BINARY);
    EXPECT_EQ(outcome.content, CONTENT_DIFFERENT);

    Pair missing = Files("abc", "abd");
    ASSERT_EQ(::unlink(missing.right->GetFullPath().c_str()), 0);
    Compare(missing, METHOD_BINARY);
    EXPECT_EQ(outcome.content, CONTENT_ERROR);

    // A later content method overwrites the result of an earlier one ...
    Pair cased = Files("ABC\n", "abc\n", "cased");
    options.textRules = RULE_IGNORE_CASE;
    EXPECT_EQ(Compare(cased, METHOD_CRC | METHOD_TEXT), DIFFERENCE_CRC);
    EXPECT_EQ(outcome.content, CONTENT_EQUAL);
    // ... but not that a file could not be read.
    Pair both = Files("abc", "abd");
    ASSERT_EQ(::unlink(both.right->GetFullPath().c_str()), 0);
    EXPECT_EQ(Compare(both, METHOD_CRC | METHOD_BINARY), 0u);
    EXPECT_EQ(outcome.content, CONTENT_ERROR);
    EXPECT_EQ(both.right->readError, ENOENT);
}

// Pairs that differ in one byte at and around block boundaries, and equal
// pairs, against cmp.
TEST_F(FileCompareTest, BinaryMethodAgreesWithCmp) {
    std::mt19937 random(11);
    const size_t block = kBinaryCompareBlockSize;
    const size_t sizes[] = {1, 4095, 4096, 4097, block - 1, block, block + 1, 2 * block, 3 * block + 5};
    for (const size_t size : sizes) {
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        for (const size_t at :
             {size_t{0}, size / 2, size - 1, size_t{4095}, size_t{4096}, size_t{SIZE_MAX}}) {
            if (at != SIZE_MAX && at >= size) continue;
            std::string other = bytes;
            if (at != SIZE_MAX) other[at] = static_cast<char>(other[at] ^ 0x20);
            Pair pair = Files(bytes, other);
            const int result = CompareFilesBinary(pair.left->GetFullPath(), pair.right->GetFullPath(),
                                                  pair.left->GetSize(), pair.right->GetSize());
            const int cmp =
                test::RunProgram("/usr/bin/cmp", {"-s", pair.left->GetFullPath(), pair.right->GetFullPath()})
                    .exitStatus;
            ASSERT_TRUE(cmp == 0 || cmp == 1);
            EXPECT_EQ(result, cmp == 0 ? CONTENT_EQUAL : CONTENT_DIFFERENT)
                << "size " << size << " at " << at;
        }
    }
}

TEST_F(FileCompareTest, TextContentUnderTheRules) {
    Pair pair = Files("Alpha\r\nbeta\r\n", "alpha\nBETA\n");
    options.textRules = RULE_IGNORE_LINE_ENDINGS;
    Compare(pair, METHOD_TEXT);
    EXPECT_EQ(outcome.content, CONTENT_DIFFERENT);
    options.textRules = RULE_IGNORE_LINE_ENDINGS | RULE_IGNORE_CASE;
    EXPECT_EQ(Compare(pair, METHOD_TEXT), 0u);
    EXPECT_EQ(outcome.content, CONTENT_EQUAL);
    // Without the line-ending rule, only the endings differ: the document
    // shows no difference section for them either.
    options.textRules = RULE_IGNORE_CASE;
    Compare(pair, METHOD_TEXT);
    EXPECT_EQ(outcome.content, CONTENT_EQUAL);

    Pair filtered = Files("x = 1\n# one\n", "x = 1\n# two\n");
    options.textRules = RULE_IGNORE_LINES_MATCHING_FILTER;
    options.lineFilter = "^#";
    Compare(filtered, METHOD_TEXT);
    EXPECT_EQ(outcome.content, CONTENT_EQUAL);
}

TEST_F(FileCompareTest, TextMethodReadsUnicodeAndFallsBackToBinary) {
    // The same text as UTF-8 and as UTF-16 with a mark: both are text, and
    // the text method compares what they say.
    const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("h\0i\0\n\0", 6);
    Pair marked = Files("hi\n", utf16);
    options.textRules = 0;
    Compare(marked, METHOD_TEXT);
    EXPECT_EQ(outcome.content, CONTENT_EQUAL);
    // Without the mark the UTF-16 file is binary, so the binary method runs.
    Pair unmarked = Files("hi\n", std::string("h\0i\0\n\0", 6));
    EXPECT_EQ(Compare(unmarked, METHOD_TEXT | METHOD_TYPE), DIFFERENCE_TYPE);
    EXPECT_EQ(outcome.content, CONTENT_DIFFERENT);
    Pair binary = Files(std::string("\0\1", 2), std::string("\0\1", 2));
    Compare(binary, METHOD_TEXT);
    EXPECT_EQ(outcome.content, CONTENT_EQUAL);
}

// A Latin-1 file and the same text in UTF-8 say the same: the text method
// reads each in the encoding its bytes call for.
TEST_F(FileCompareTest, TextMethodReadsLegacyEncodings) {
    Pair pair = Files(test::Iconv(dir, test::kGerman, "ISO-8859-1"), test::kGerman);
    options.textRules = 0;
    Compare(pair, METHOD_TEXT);
    EXPECT_EQ(outcome.content, CONTENT_EQUAL);
    Pair other =
        Files(test::Iconv(dir, test::kRussian, "KOI8-R"), test::Iconv(dir, test::kRussian, "CP1251"));
    Compare(other, METHOD_TEXT);
    EXPECT_EQ(outcome.content, CONTENT_EQUAL);
}

TEST_F(FileCompareTest, ContentMethodsOnRequest) {
    Pair pair = Files("one\n", "two\n");
    EXPECT_EQ(CompareContents(*pair.left, *pair.right, METHOD_CRC, options, outcome), CONTENT_DIFFERENT);
    EXPECT_EQ(outcome.difference, DIFFERENCE_CRC);
    EXPECT_EQ(CompareContents(*pair.left, *pair.right, METHOD_BINARY, options, outcome), CONTENT_DIFFERENT);
    EXPECT_EQ(CompareContents(*pair.left, *pair.right, METHOD_TEXT, options, outcome), CONTENT_DIFFERENT);
    EXPECT_EQ(CompareContents(*pair.left, *pair.right, METHOD_SIZE, options, outcome), -1);
}

}  // namespace
}  // namespace corvatine
