#include "editor/KeywordSetCheck.h"

namespace corvatine {
namespace {

TEST(KeywordSetsTest, LanguagesOfToday) {
    test::CheckKeywordSets({
        {"JavaScriptKeywords",
         keywords::JavaScriptKeywords,
         46,
         true,
         {"async", "await", "typeof", "undefined"}},
        {"JavaScriptGlobals",
         keywords::JavaScriptGlobals,
         40,
         true,
         {"console", "Promise", "require", "window"}},
        {"JavaScriptRegexWords", keywords::JavaScriptRegexWords, 14, true, {"return", "typeof", "yield"}},
        {"TypeScriptKeywords",
         keywords::TypeScriptKeywords,
         20,
         true,
         {"interface", "readonly", "satisfies"}},
        {"TypeScriptTypes", keywords::TypeScriptTypes, 16, true, {"string", "unknown", "Record"}},
        {"JsonKeywords", keywords::JsonKeywords, 3, true, {"true", "false", "null"}},
        {"YamlKeywords", keywords::YamlKeywords, 7, false, {"true", "yes", "off"}},
        {"TomlKeywords", keywords::TomlKeywords, 4, true, {"true", "inf", "nan"}},
        {"CssProperties", keywords::CssProperties, 102, false, {"color", "grid-template-columns", "z-index"}},
        {"CssValues", keywords::CssValues, 30, false, {"important", "inherit", "none"}},
        {"RustKeywords", keywords::RustKeywords, 41, true, {"fn", "impl", "Self", "macro_rules"}},
        {"RustTypes", keywords::RustTypes, 47, true, {"u8", "String", "Option", "Ok"}},
        {"GoKeywords", keywords::GoKeywords, 25, true, {"chan", "defer", "fallthrough", "select"}},
        {"GoPredeclared", keywords::GoPredeclared, 44, true, {"rune", "iota", "nil", "recover"}},
        {"KotlinKeywords", keywords::KotlinKeywords, 70, true, {"fun", "val", "suspend", "when"}},
        {"KotlinTypes", keywords::KotlinTypes, 26, true, {"Int", "Unit", "listOf"}},
        {"RubyKeywords", keywords::RubyKeywords, 41, true, {"def", "elsif", "__FILE__", "yield"}},
        {"RubyMethods", keywords::RubyMethods, 19, true, {"attr_accessor", "puts", "require_relative"}},
        {"RubyRegexWords", keywords::RubyRegexWords, 17, true, {"if", "split", "when"}},
        {"LuaKeywords", keywords::LuaKeywords, 22, true, {"local", "elseif", "goto"}},
        {"LuaBuiltins", keywords::LuaBuiltins, 35, true, {"pairs", "setmetatable", "_G"}},
        {"CmakeCommands",
         keywords::CmakeCommands,
         71,
         false,
         {"add_executable", "target_link_libraries", "endif"}},
        {"CmakeArguments", keywords::CmakeArguments, 55, true, {"PUBLIC", "REQUIRED", "VERSION"}},
        {"MakeDirectives", keywords::MakeDirectives, 31, true, {"ifeq", "-include", ".PHONY", "endef"}},
        {"DockerInstructions", keywords::DockerInstructions, 18, false, {"FROM", "RUN", "HEALTHCHECK"}},
        {"PerlRegexWords", keywords::PerlRegexWords, 13, true, {"split", "grep", "unless"}},
    });
}

}  // namespace
}  // namespace corvatine
