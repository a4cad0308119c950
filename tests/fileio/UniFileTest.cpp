#include "fileio/UniFile.h"

#include <gtest/gtest.h>

#include "fileio/CodePages.h"
#include "fileio/UniStdioFile.h"
#include "platform/Path.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

TEST(UniFileTest, SniffsTheMark) {
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
