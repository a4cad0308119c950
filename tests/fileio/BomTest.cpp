#include "fileio/Bom.h"

#include <gtest/gtest.h>

#include <string>

namespace corvatine {
namespace {

BomInfo Detect(const std::string& bytes, bool& found) {
    BomInfo info;
    found = DetectBom(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), info);
    return info;
}

TEST(BomTest, RecognisesTheThreeMarks) {
    struct Case {
        std::string bytes;
        bool found;
        int kind;
        int charSize;
        int dataOffset;
    };
    const Case cases[] = {
        {"\xFF\xFE", true, ENCODING_UCS2_LE, 2, 2},   {"\xFF\xFEx\0", true, ENCODING_UCS2_LE, 2, 2},
        {"\xFE\xFF", true, ENCODING_UCS2_BE, 2, 2},   {"\xEF\xBB\xBFtext", true, ENCODING_UTF8, 1, 3},
        {"\xEF\xBB", false, ENCODING_CODEPAGE, 1, 0},  // a cut UTF-8 mark is no mark
        {"\xFF", false, ENCODING_CODEPAGE, 1, 0},      // one byte has no mark
        {"", false, ENCODING_CODEPAGE, 1, 0},         {"plain", false, ENCODING_CODEPAGE, 1, 0},
    };
    for (const Case& c : cases) {
        bool found = false;
        const BomInfo info = Detect(c.bytes, found);
        EXPECT_EQ(found, c.found) << c.bytes;
        EXPECT_EQ(info.kind, c.kind) << c.bytes;
        EXPECT_EQ(info.charSize, c.charSize) << c.bytes;
        EXPECT_EQ(info.dataOffset, c.dataOffset) << c.bytes;
    }
}

}  // namespace
}  // namespace corvatine
