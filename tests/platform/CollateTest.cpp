#include "platform/Collate.h"

#include <gtest/gtest.h>

namespace corvatine::platform {
namespace {

TEST(CollateTest, IgnoresCaseIncludingNonAsciiLetters) {
    EXPECT_TRUE(EqualNoCaseCollate("*.CPP;*.h", "*.cpp;*.H"));
    EXPECT_TRUE(EqualNoCaseCollate("\xC3\x84rger", "\xC3\xA4rger"));  // Ärger, ärger
    EXPECT_FALSE(EqualNoCaseCollate("*.cpp", "*.cp"));
    EXPECT_TRUE(EqualNoCaseCollate("", ""));
}

TEST(CollateTest, OrdersAndKeepsInvalidBytesDistinct) {
    EXPECT_LT(CompareNoCaseCollate("apple", "Banana"), 0);
    EXPECT_GT(CompareNoCaseCollate("b", "A"), 0);
    EXPECT_FALSE(EqualNoCaseCollate("a\xFF", "a"));
    EXPECT_FALSE(EqualNoCaseCollate("a\xFF", "a\xFE"));
    EXPECT_TRUE(EqualNoCaseCollate("A\xFF", "a\xFF"));
    // A NUL inside must not end the comparison early.
    EXPECT_FALSE(EqualNoCaseCollate(std::string_view("a\0b", 3), std::string_view("a\0c", 3)));
}

}  // namespace
}  // namespace corvatine::platform
