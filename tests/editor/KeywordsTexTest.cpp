#include "editor/KeywordSetCheck.h"

namespace corvatine {
namespace {

TEST(KeywordSetsTest, TexLanguages) {
    test::CheckKeywordSets({
        {"LispKeywords", keywords::LispKeywords, 226, true, {"abs", "acad_colordlg", "zerop"}},
        {"SiodKeywords", keywords::SiodKeywords, 70, false, {"abs", "alarm", "reverse"}},
        {"SiodMath",
         keywords::SiodMath,
         9,
         false,
         {"acos", "asin", "atan", "cos", "exp", "log", "sin", "tan", "sqrt"}},
        {"SiodFunctions", keywords::SiodFunctions, 203, false, {"%%%memref", "writes"}},
        {"TexKeywords", keywords::TexKeywords, 521, false, {"documentstyle", "document", "newdimen"}},
        {"TexCommands", keywords::TexCommands, 291, false, {"Alph", "AtBeginDocument", "xdef"}},
    });
}

}  // namespace
}  // namespace corvatine
