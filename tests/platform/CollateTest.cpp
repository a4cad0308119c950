#include "platform/Collate.h"

#include <gtest/gtest.h>

#include <random>

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

// Sorting by keys must give the order of the comparison itself.
TEST(CollateTest, KeysOrderLikeTheComparison) {
    const std::string pieces[] = {"a", "B", "\xC3\x84", "\xC3\xA4",     "z", "\xFF", "1",
                                  ".", "_", "I",        "\xE2\x82\xAC", ""};
    std::mt19937 random(5);
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        std::string name;
        for (int n = static_cast<int>(random() % 4); n >= 0; --n)
            name += pieces[random() % std::size(pieces)];
        names.push_back(name);
    }
    names.push_back(std::string("a\0b", 3));
    names.push_back(std::string("a\0c", 3));
    for (const std::string& a : names) {
        for (size_t j = 0; j < names.size(); j += 7) {
            const std::string& b = names[j];
            const int byCompare = CompareNoCaseCollate(a, b);
            const int byKey = CollationKeyNoCase(a).compare(CollationKeyNoCase(b));
            ASSERT_EQ(byCompare < 0, byKey < 0) << a << " / " << b;
            ASSERT_EQ(byCompare == 0, byKey == 0) << a << " / " << b;
        }
    }
}

}  // namespace
}  // namespace corvatine::platform
