#include "fileio/CodePages.h"

#include <gtest/gtest.h>

#include "fileio/EncodingChoices.h"
#include "fileio/UniFile.h"

namespace corvatine {
namespace {

TEST(CodePagesTest, TheBuiltInTableHoldsTheStandardDescriptions) {
    const auto& table = CodePageDescriptions();
    EXPECT_EQ(table.size(), 150u);
    for (size_t i = 1; i < table.size(); ++i) EXPECT_LT(table[i - 1].codePage, table[i].codePage);
    EXPECT_EQ(CodePageDescription(37), "IBM EBCDIC - U.S./Canada");
    EXPECT_EQ(CodePageDescription(437), "OEM - United States");
    EXPECT_EQ(CodePageDescription(500), "IBM EBCDIC - International");
    EXPECT_EQ(CodePageDescription(54936), "Windows XP: GB18030 Simplified Chinese (4 Byte)");
    for (int cp = 57002; cp <= 57011; ++cp) EXPECT_EQ(CodePageDescription(cp).rfind("ISCII ", 0), 0u) << cp;
    EXPECT_EQ(CodePageDescription(65000), "Unicode UTF-7");
    EXPECT_EQ(CodePageDescription(65001), "Unicode UTF-8");
    EXPECT_EQ(CodePageDescription(12345), "");
}

TEST(CodePagesTest, TheListHoldsWhatCanBeConverted) {
    const auto& list = GetCodePageList();
    ASSERT_FALSE(list.empty());
    for (size_t i = 1; i < list.size(); ++i) EXPECT_LT(list[i - 1].codePage, list[i].codePage);
    bool has437 = false, has1252 = false, has37 = false;
    for (const CODEPAGEINFO& entry : list) {
        EXPECT_TRUE(IsCodePageSupported(entry.codePage)) << entry.codePage;
        if (entry.codePage == 437) {
            has437 = true;
            EXPECT_EQ(entry.name, "437\t(OEM - United States)");
        }
        if (entry.codePage == GetACP()) {
            EXPECT_EQ(entry.name.rfind("* ", 0), 0u) << entry.name;
        }
        has1252 = has1252 || entry.codePage == 1252;
        has37 = has37 || entry.codePage == 37;
        // UTF-16 and UTF-32 are no byte-oriented code pages.
        EXPECT_NE(entry.codePage, 1200);
        EXPECT_NE(entry.codePage, 12000);
    }
    EXPECT_TRUE(has437 && has1252 && has37);
    EXPECT_FALSE(IsCodePageSupported(12345));
}

TEST(CodePagesTest, EquivalenceResolvesTheSystemCodePages) {
    EXPECT_TRUE(CodePagesEquivalent(1252, 1252));
    EXPECT_TRUE(CodePagesEquivalent(CP_ACP, GetACP()));
    EXPECT_TRUE(CodePagesEquivalent(GetOEMCP(), CP_OEMCP));
    EXPECT_TRUE(CodePagesEquivalent(CP_THREAD_ACP, GetACP()));
    EXPECT_FALSE(CodePagesEquivalent(437, 1252));
    // The C.UTF-8 locale of the tests.
    EXPECT_EQ(GetACP(), CP_UTF8);
    EXPECT_EQ(WorkingCodePage(), CP_UTF8);
}

TEST(EncodingChoicesTest, UnicodeFirstThenTheCodePages) {
    const auto choices = GetEncodingChoices();
    ASSERT_GT(choices.size(), 3u);
    EXPECT_EQ(choices[0].label, "UNI16_LE");
    EXPECT_EQ(choices[1].label, "UNI16_BE");
    EXPECT_EQ(choices[2].label, "UTF-8");
    EXPECT_EQ(choices[2].kind, ENCODING_UTF8);
    EXPECT_EQ(choices[2].codePage, -1);
    EXPECT_EQ(choices[3].kind, -1);
    EXPECT_EQ(choices.size(), 3 + GetCodePageList().size());

    EXPECT_EQ(InitialEncodingChoice(choices, ENCODING_UCS2_BE, 1252), 1);
    const int cp1252 = InitialEncodingChoice(choices, ENCODING_CODEPAGE, 1252);
    ASSERT_GE(cp1252, 3);
    EXPECT_EQ(choices[static_cast<size_t>(cp1252)].codePage, 1252);
    const int working = InitialEncodingChoice(choices, ENCODING_CODEPAGE, -1);
    EXPECT_EQ(choices[static_cast<size_t>(working)].codePage, WorkingCodePage());

    EXPECT_EQ(FindEncodingChoice(choices, "UNI16_LE"), 0);
    EXPECT_EQ(FindEncodingChoice(choices, "1252"), cp1252);
    EXPECT_EQ(FindEncodingChoice(choices, "12345"), -1);
    EXPECT_EQ(FindEncodingChoice(choices, "utf-8"), -1);
    EXPECT_EQ(FindEncodingChoice(choices, ""), -1);
}

}  // namespace
}  // namespace corvatine
