#include "launch/NamedEncodings.h"

#include <gtest/gtest.h>

#include "fileio/Bom.h"
#include "fileio/CodePages.h"
#include "fileio/EncodingDetect.h"

namespace corvatine {
namespace {

std::vector<NAMEDENCODING> Names(const std::string& list) {
    std::vector<NAMEDENCODING> names;
    std::string error;
    EXPECT_TRUE(ParseEncodingNames(list, names, error)) << error;
    return names;
}

TEST(NamedEncodingsTest, AComparisonTakesOneForBothSidesOrOneEach) {
    const struct {
        const char* names;
        int32_t left, right;
    } kCases[] = {
        {"28591", 28591, 28591},
        {"1252,auto", 1252, CODEPAGE_DETECT},
        {"auto", CODEPAGE_DETECT, CODEPAGE_DETECT},
        {"UTF-8,65001", CP_UTF8, CP_UTF8},
    };
    for (const auto& c : kCases) {
        CTextCompareParams request;
        std::string error;
        ASSERT_TRUE(SetRequestEncodings(request, Names(c.names), error)) << error;
        EXPECT_EQ(request.codePages[0], c.left) << c.names;
        EXPECT_EQ(request.codePages[1], c.right) << c.names;
    }
    // Other kinds, and no names, stay as they are.
    CTextCompareParams request;
    request.codePages[0] = 437;
    std::string error;
    ASSERT_TRUE(SetRequestEncodings(request, {}, error));
    EXPECT_EQ(request.codePages[0], 437);
    CFolderCompareParams folders;
    EXPECT_TRUE(SetRequestEncodings(folders, Names("1252"), error));

    EXPECT_FALSE(SetRequestEncodings(request, Names("1252,1252,1252"), error));
    EXPECT_EQ(
        error,
        "'--encoding=1252,1252,1252' names more than two encodings: a comparison takes one for both sides, "
        "or LEFT,RIGHT");
    EXPECT_FALSE(SetRequestEncodings(request, Names("auto,UNI16_LE"), error));
    EXPECT_EQ(error.rfind("cannot read a file in UNI16_LE: ", 0), 0u) << error;
    EXPECT_EQ(request.codePages[0], 437);  // untouched when refused
}

TEST(NamedEncodingsTest, EditingReadsInOneAndSavesInItOrTheOther) {
    const struct {
        const char* names;
        int read;
        bool save;
        int saveKind, saveCodePage;
    } kCases[] = {
        {"28591", 28591, true, -1, 28591},
        {"auto", CP_DETECT, false, -1, CP_DETECT},
        {"UTF-8", CP_UTF8, true, ENCODING_UTF8, -1},
        {"UNI16_LE", CP_DETECT, true, ENCODING_UCS2_LE, -1},
        {"auto,437", CP_DETECT, true, -1, 437},
        {"1251,auto", 1251, false, -1, CP_DETECT},
        {"1251,UNI16_BE", 1251, true, ENCODING_UCS2_BE, -1},
    };
    for (const auto& c : kCases) {
        EDITINGENCODING encoding;
        std::string error;
        ASSERT_TRUE(EditingEncoding(Names(c.names), encoding, error)) << error;
        EXPECT_EQ(encoding.readCodePage, c.read) << c.names;
        EXPECT_EQ(encoding.save, c.save) << c.names;
        EXPECT_EQ(encoding.saveKind, c.saveKind) << c.names;
        EXPECT_EQ(encoding.saveCodePage, c.saveCodePage) << c.names;
    }
    EDITINGENCODING encoding;
    std::string error;
    EXPECT_FALSE(EditingEncoding(Names("UNI16_LE,1252"), encoding, error));
    EXPECT_EQ(error.rfind("cannot read a file in UNI16_LE: ", 0), 0u) << error;
    EXPECT_FALSE(EditingEncoding(Names("1252,1251,1250"), encoding, error));
    EXPECT_EQ(error,
              "'--encoding=1252,1251,1250' names more than two encodings: editing takes one, or READ,SAVE");
}

// The buffer takes the encoding to save in only when it was read in another.
TEST(NamedEncodingsTest, TheSaveEncodingMarksTheBufferOnlyWhenItChangesIt) {
    CSyntaxEditContextEx context;
    context.ResetToNew(1);
    context.SetEncodingKind(ENCODING_CODEPAGE);
    context.SetCodePage(1252);
    EDITINGENCODING encoding;
    std::string error;
    ASSERT_TRUE(EditingEncoding(Names("1252"), encoding, error));
    ApplySaveEncoding(encoding, context);
    EXPECT_FALSE(context.IsModified());
    ASSERT_TRUE(EditingEncoding(Names("auto,437"), encoding, error));
    ApplySaveEncoding(encoding, context);
    EXPECT_TRUE(context.IsModified());
    EXPECT_EQ(context.GetCodePage(), 437);
    ASSERT_TRUE(EditingEncoding(Names("UNI16_BE"), encoding, error));
    ApplySaveEncoding(encoding, context);
    EXPECT_EQ(context.GetEncodingKind(), ENCODING_UCS2_BE);
}

}  // namespace
}  // namespace corvatine
