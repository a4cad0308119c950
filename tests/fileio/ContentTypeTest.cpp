#include "fileio/ContentType.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "support/PermissionsBind.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

TEST(ContentTypeTest, TextUnlessAZeroByteOccurs) {
    test::TempDir dir;
    EXPECT_EQ(DetermineContentType(dir.WriteFile("empty", "")), CONTENT_TYPE_TEXT);
    EXPECT_EQ(DetermineContentType(dir.WriteFile("plain", "a\nb\r\n")), CONTENT_TYPE_TEXT);
    EXPECT_EQ(DetermineContentType(dir.WriteFile("exact", std::string(4096, 'x'))), CONTENT_TYPE_TEXT);
    EXPECT_EQ(DetermineContentType(dir.WriteFile("zero", std::string("a\0b", 3))), CONTENT_TYPE_BINARY);
    // A zero byte far behind the first block still counts.
    EXPECT_EQ(DetermineContentType(dir.WriteFile("late", std::string(4096 * 3 + 17, 'x') + '\0')),
              CONTENT_TYPE_BINARY);
    EXPECT_EQ(DetermineContentType(dir.WriteFile("edge", std::string(4096, 'x') + '\0')),
              CONTENT_TYPE_BINARY);
    // Around the reads of many blocks at once: a zero byte at their edges
    // and far behind them, and a text that fills them exactly.
    for (const size_t size : {size_t{64 * 1024}, size_t{64 * 1024 + 1}, size_t{1024 * 1024 + 4096}}) {
        for (const size_t at : {size_t{0}, size_t{64 * 1024 - 1}, size - 1}) {
            if (at >= size) continue;
            std::string text(size, 'x');
            text[at] = '\0';
            EXPECT_EQ(DetermineContentType(dir.WriteFile("big", text)), CONTENT_TYPE_BINARY)
                << size << " " << at;
        }
        EXPECT_EQ(DetermineContentType(dir.WriteFile("big", std::string(size, 'x'))), CONTENT_TYPE_TEXT)
            << size;
    }
}

TEST(ContentTypeTest, UnicodeMarkMakesTextDespiteZeroBytes) {
    test::TempDir dir;
    EXPECT_EQ(DetermineContentType(dir.WriteFile("le", std::string("\xFF\xFE"
                                                                   "a\0b\0",
                                                                   6))),
              CONTENT_TYPE_TEXT);
    EXPECT_EQ(DetermineContentType(dir.WriteFile("be", std::string("\xFE\xFF\0a\0b", 6))), CONTENT_TYPE_TEXT);
    EXPECT_EQ(DetermineContentType(dir.WriteFile("u8", std::string("\xEF\xBB\xBF"
                                                                   "a\0",
                                                                   5))),
              CONTENT_TYPE_TEXT);
    // Without a mark the same UTF-16 bytes are binary.
    EXPECT_EQ(DetermineContentType(dir.WriteFile("nomark", std::string("a\0b\0", 4))), CONTENT_TYPE_BINARY);
}

TEST(ContentTypeTest, BlockBoundariesDoNotHideZeroBytes) {
    test::TempDir dir;
    for (size_t blockSize : {3u, 4u, 5u, 7u}) {
        for (size_t at = 0; at < 12; ++at) {
            std::string bytes(12, 'x');
            bytes[at] = '\0';
            EXPECT_EQ(DetermineContentType(dir.WriteFile("f", bytes), blockSize), CONTENT_TYPE_BINARY)
                << "block " << blockSize << " at " << at;
        }
        EXPECT_EQ(DetermineContentType(dir.WriteFile("g", std::string(12, 'x')), blockSize),
                  CONTENT_TYPE_TEXT);
    }
}

// Unknown, with the reason when it could not be read, and without one for
// what is deliberately not read.
TEST(ContentTypeTest, WhatCannotBeReadIsUnknown) {
    test::TempDir dir;
    int error = 0;
    EXPECT_EQ(DetermineContentType(dir / "missing", kContentTypeBlockSize, nullptr, &error),
              CONTENT_TYPE_UNKNOWN);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(DetermineContentType(""), CONTENT_TYPE_UNKNOWN);
    EXPECT_EQ(DetermineContentType(dir.MakeFolder("folder"), kContentTypeBlockSize, nullptr, &error),
              CONTENT_TYPE_UNKNOWN);
    EXPECT_EQ(error, 0);
    EXPECT_FALSE(IsTextFile(dir / "missing"));

    // A fifo without a writer must neither block nor be consumed.
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(DetermineContentType(fifo, kContentTypeBlockSize, nullptr, &error), CONTENT_TYPE_UNKNOWN);
    EXPECT_EQ(error, 0);

    const std::string locked = dir.WriteFile("locked", "text");
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    test::PermissionsBind bind;
    if (!bind.Active()) GTEST_SKIP() << "permissions cannot be made to bind";
    EXPECT_EQ(DetermineContentType(locked, kContentTypeBlockSize, nullptr, &error), CONTENT_TYPE_UNKNOWN);
    EXPECT_EQ(error, EACCES);
}

TEST(ContentTypeTest, DevNullIsAnEmptyText) {
    EXPECT_EQ(DetermineContentType("/dev/null"), CONTENT_TYPE_TEXT);
    EXPECT_EQ(DetermineContentType("/dev/zero"), CONTENT_TYPE_BINARY);
}

}  // namespace
}  // namespace corvatine
