// The 16-byte name of a scanned entry: inside the object up to 15 bytes, on
// the heap beyond.
#include "foldercompare/EntryName.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>

namespace corvatine {
namespace {

TEST(EntryNameTest, HoldsTextsOfEveryLengthAroundTheInlineLimit) {
    for (size_t length :
         {size_t{0}, size_t{1}, size_t{7}, size_t{14}, size_t{15}, size_t{16}, size_t{17}, size_t{300}}) {
        std::string text;
        for (size_t i = 0; i < length; ++i) text += static_cast<char>('a' + i % 26);
        const CEntryName name(text);
        EXPECT_EQ(name.size(), length);
        EXPECT_EQ(name.empty(), length == 0);
        EXPECT_EQ(name.view(), text);
        EXPECT_EQ(std::string(name.c_str()), text) << "terminated at " << length;
        EXPECT_EQ(name.str(), text);
        EXPECT_TRUE(name == text);
        EXPECT_FALSE(name == text + "x");
    }
    EXPECT_EQ(CEntryName().view(), "");
    EXPECT_EQ(sizeof(CEntryName), 16u);
}

TEST(EntryNameTest, CopiesMovesAndAssignsBetweenShortAndLong) {
    const std::string longText(40, 'L');
    CEntryName a("short");
    CEntryName b(longText);
    CEntryName c(a);
    EXPECT_EQ(c, "short");
    c = b;
    EXPECT_EQ(c, longText);
    c = a;
    EXPECT_EQ(c, "short");
    CEntryName moved(std::move(b));
    EXPECT_EQ(moved, longText);
    EXPECT_EQ(b, "");  // a moved-from name is empty
    b = std::move(moved);
    EXPECT_EQ(b, longText);
    b = "file0.dat";
    EXPECT_EQ(b, "file0.dat");
    b = std::string("a name longer than fifteen bytes");
    EXPECT_EQ(b, "a name longer than fifteen bytes");

    // A part of the name itself, short or long.
    b = b.view().substr(2, 4);
    EXPECT_EQ(b, "name");
    CEntryName self(longText + "tail");
    self = self.view().substr(30);
    EXPECT_EQ(self, "LLLLLLLLLLtail");
    const CEntryName& same = self;
    self = same;
    EXPECT_EQ(self, "LLLLLLLLLLtail");
}

TEST(EntryNameTest, ReadsAsAText) {
    const CEntryName name("sub");
    std::string full = "/top/";
    full += name;
    EXPECT_EQ(full, "/top/sub");
    EXPECT_EQ("a/" + name.str(), "a/sub");
    EXPECT_TRUE(name == "sub");
    EXPECT_TRUE(std::string("sub") == name);
    std::ostringstream out;
    out << name;
    EXPECT_EQ(out.str(), "sub");
}

}  // namespace
}  // namespace corvatine
