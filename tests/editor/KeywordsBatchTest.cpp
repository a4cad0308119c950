#include "editor/KeywordSetCheck.h"

namespace corvatine {
namespace {

TEST(KeywordSetsTest, BatchLanguages) {
    test::CheckKeywordSets({
        {"BasicKeywords",
         keywords::BasicKeywords,
         186,
         true,
         {"SMDoMenu", "GetAttrType", "With", "Write", "Year"}},
        {"BatchCommands",
         keywords::BatchCommands,
         177,
         false,
         {".AND.", ".OR.", ".XOR.", "?", "ACTIVATE", "ALIAS"}},
        {"BatchExternalCommands", keywords::BatchExternalCommands, 66, false, {"APPEND", "ATTRIB", "XCOPY"}},
        {"BatchFunctions", keywords::BatchFunctions, 268, false, {"@ABS", "_YPIXELS"}},
        {"FortranKeywords",
         keywords::FortranKeywords,
         205,
         false,
         {"abs", "achar", "acos", "where", "while", "write"}},
        {"PerlKeywords",
         keywords::PerlKeywords,
         222,
         false,
         {"q", "qq", "qw", "qx", "m", "s", "y", "tr", "if", "tan"}},
    });
}

}  // namespace
}  // namespace corvatine
