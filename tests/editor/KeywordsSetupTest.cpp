#include "editor/KeywordSetCheck.h"

namespace corvatine {
namespace {

TEST(KeywordSetsTest, SetupLanguages) {
    test::CheckKeywordSets({
        {"CsharpKeywords",
         keywords::CsharpKeywords,
         76,
         true,
         {"abstract", "base", "bool", "using", "virtual", "void"}},
        {"DclTiles", keywords::DclTiles, 20, true, {"boxed_column", "toggle"}},
        {"DclPredefinedTiles", keywords::DclPredefinedTiles, 18, true, {"spacer_0", "radio_row"}},
        {"DclAttributes", keywords::DclAttributes, 31, true, {"action", "width"}},
        {"IssKeywords",
         keywords::IssKeywords,
         201,
         false,
         {"program", "const", "type", "WizardStyle", "WorkingDir"}},
        {"IssConstants", keywords::IssConstants, 79, false, {"HKCC", "HKCR", "waituntilidle"}},
        {"IsKeywords", keywords::IsKeywords, 44, true, {"begin", "call", "case", "declare", "STRING"}},
        {"IsConstants", keywords::IsConstants, 30, true, {"AFTER", "APPEND", "YES"}},
        {"IsSystemVariables", keywords::IsSystemVariables, 15, true, {"CMDLINE", "WINSYSDISK"}},
        {"JavaKeywords", keywords::JavaKeywords, 50, true, {"abstract", "default", "goto", "continue"}},
        {"NsisCommands", keywords::NsisCommands, 224, true, {"Abort", "AddBrandingImage", "XPStyle"}},
        {"NsisParameters", keywords::NsisParameters, 96, true, {"alwaysoff", "ARCHIVE", "zlib"}},
        {"PascalKeywords", keywords::PascalKeywords, 51, false, {"program", "const", "type", "inherited"}},
        {"RexxKeywords", keywords::RexxKeywords, 57, false, {"ADDRESS", "ARG", "CALL", "ENGINEERING"}},
        {"RexxObjectWords",
         keywords::RexxObjectWords,
         10,
         false,
         {"METHOD", "CLASS", "NULL", "LOOP", "CATCH", "RETURNS", "EXTENDS", "IMPLEMENTS", "CHAR", "BOOLEAN"}},
        {"RsrcKeywords", keywords::RsrcKeywords, 80, false, {"ACCELERATORS", "ALT", "VIRTKEY"}},
        {"RsrcVirtualKeys", keywords::RsrcVirtualKeys, 51, false, {"VK_LBUTTON", "VK_F24"}},
    });
}

}  // namespace
}  // namespace corvatine
