// The keyword sets of the language parsers. Each is built on first use and
// lives until exit; the size and case rule of each are fixed.
#pragma once

#include "editor/SyntaxParser.h"

namespace corvatine::keywords {

// ASP: tag names: 77 words, case-insensitive.
const CKeywordSet& AspTags();
// ASP: attribute names: 57 words, case-insensitive.
const CKeywordSet& AspAttributes();
// ASP: entity names (without & and ;): 101 words, case-insensitive.
const CKeywordSet& AspEntities();
// ASP: VBScript words of the script regions: 159 words, case-insensitive.
const CKeywordSet& AspScriptWords();
// Basic: 186 words, case-sensitive.
const CKeywordSet& BasicKeywords();
// Batch: internal commands: 177 words, case-insensitive.
const CKeywordSet& BatchCommands();
// Batch: external commands (also matched with .COM and .EXE): 66 words, case-insensitive.
const CKeywordSet& BatchExternalCommands();
// Batch: functions and variables: 268 words, case-insensitive.
const CKeywordSet& BatchFunctions();
// C#: 76 words, case-sensitive.
const CKeywordSet& CsharpKeywords();
// DCL: tiles: 20 words, case-sensitive.
const CKeywordSet& DclTiles();
// DCL: predefined tiles: 18 words, case-sensitive.
const CKeywordSet& DclPredefinedTiles();
// DCL: attributes: 31 words, case-sensitive.
const CKeywordSet& DclAttributes();
// Fortran: 205 words, case-insensitive.
const CKeywordSet& FortranKeywords();
// HTML and PHP: tag names: 93 words, case-insensitive.
const CKeywordSet& HtmlTags();
// HTML and PHP: attribute names: 122 words, case-insensitive.
const CKeywordSet& HtmlAttributes();
// HTML, PHP and XML: entity names (without & and ;): 100 words, case-insensitive.
const CKeywordSet& HtmlEntities();
// Inno Setup: Pascal words, section directives and parameters: 201 words, case-insensitive.
const CKeywordSet& IssKeywords();
// Inno Setup: flags and constants: 79 words, case-insensitive.
const CKeywordSet& IssConstants();
// InstallShield: keywords: 44 words, case-sensitive.
const CKeywordSet& IsKeywords();
// InstallShield: constants: 30 words, case-sensitive.
const CKeywordSet& IsConstants();
// InstallShield: system variables: 15 words, case-sensitive.
const CKeywordSet& IsSystemVariables();
// Java: 50 words, case-sensitive.
const CKeywordSet& JavaKeywords();
// AutoLISP: 226 words, case-sensitive.
const CKeywordSet& LispKeywords();
// NSIS: commands: 224 words, case-sensitive.
const CKeywordSet& NsisCommands();
// NSIS: parameters: 96 words, case-sensitive.
const CKeywordSet& NsisParameters();
// Pascal: 51 words, case-insensitive.
const CKeywordSet& PascalKeywords();
// Perl: 222 words, case-insensitive.
const CKeywordSet& PerlKeywords();
// Perl: the words after which "/" opens a regular expression: 13 words, case-sensitive.
const CKeywordSet& PerlRegexWords();
// PHP: script words: 48 words, case-insensitive.
const CKeywordSet& PhpScriptWords();
// PHP: word operators: 3 words, case-insensitive.
const CKeywordSet& PhpOperators();
// PHP: magic constants: 5 words, case-insensitive.
const CKeywordSet& PhpConstants();
// Python: keywords: 28 words, case-sensitive.
const CKeywordSet& PythonKeywords();
// Python: built-in names: 37 words, case-sensitive.
const CKeywordSet& PythonBuiltins();
// Python: built-in functions and special names: 53 words, case-sensitive.
const CKeywordSet& PythonNames();
// REXX: keywords: 57 words, case-insensitive.
const CKeywordSet& RexxKeywords();
// REXX: object words: 10 words, case-insensitive.
const CKeywordSet& RexxObjectWords();
// Resources: statements and styles: 80 words, case-insensitive.
const CKeywordSet& RsrcKeywords();
// Resources: virtual keys: 51 words, case-insensitive.
const CKeywordSet& RsrcVirtualKeys();
// SGML: element names: 55 words, case-insensitive.
const CKeywordSet& SgmlKeywords();
// SGML: attribute names: 4 words, case-insensitive.
const CKeywordSet& SgmlAttributes();
// SGML: entity names (without & and ;): 101 words, case-insensitive.
const CKeywordSet& SgmlEntities();
// Shell: keywords and built-ins: 28 words, case-insensitive.
const CKeywordSet& ShellKeywords();
// Shell: commands: 8 words, case-insensitive.
const CKeywordSet& ShellCommands();
// SIOD: special forms and core functions: 70 words, case-insensitive.
const CKeywordSet& SiodKeywords();
// SIOD: mathematical functions: 9 words, case-insensitive.
const CKeywordSet& SiodMath();
// SIOD: library functions: 203 words, case-insensitive.
const CKeywordSet& SiodFunctions();
// SQL: keywords: 17 words, case-insensitive.
const CKeywordSet& SqlKeywords();
// SQL: types: 10 words, case-insensitive.
const CKeywordSet& SqlTypes();
// TCL: 14 words, case-insensitive.
const CKeywordSet& TclKeywords();
// TeX: primitives and plain TeX macros: 521 words, case-insensitive.
const CKeywordSet& TexKeywords();
// TeX: LaTeX commands: 291 words, case-insensitive.
const CKeywordSet& TexCommands();
// XML: declarations: 6 words, case-insensitive.
const CKeywordSet& XmlKeywords();
// XML: declaration words: 22 words, case-insensitive.
const CKeywordSet& XmlAttributes();

// JavaScript: reserved and contextual words and literals: 46 words, case-sensitive.
const CKeywordSet& JavaScriptKeywords();
// JavaScript: global objects and functions: 40 words, case-sensitive.
const CKeywordSet& JavaScriptGlobals();
// JavaScript and TypeScript: the words after which "/" opens a regular expression: 14 words, case-sensitive.
const CKeywordSet& JavaScriptRegexWords();
// TypeScript: its words beyond JavaScript's: 20 words, case-sensitive.
const CKeywordSet& TypeScriptKeywords();
// TypeScript: basic and utility types: 16 words, case-sensitive.
const CKeywordSet& TypeScriptTypes();
// JSON: literal names: 3 words, case-sensitive.
const CKeywordSet& JsonKeywords();
// YAML: booleans and null: 7 words, case-insensitive.
const CKeywordSet& YamlKeywords();
// TOML: booleans and special floats: 4 words, case-sensitive.
const CKeywordSet& TomlKeywords();
// CSS: properties: 102 words, case-insensitive.
const CKeywordSet& CssProperties();
// CSS: values: 30 words, case-insensitive.
const CKeywordSet& CssValues();
// Rust: keywords: 41 words, case-sensitive.
const CKeywordSet& RustKeywords();
// Rust: primitive types and the prelude's types, variants and traits: 47 words, case-sensitive.
const CKeywordSet& RustTypes();
// Go: keywords: 25 words, case-sensitive.
const CKeywordSet& GoKeywords();
// Go: predeclared identifiers: 44 words, case-sensitive.
const CKeywordSet& GoPredeclared();
// Kotlin: hard, soft and modifier keywords: 70 words, case-sensitive.
const CKeywordSet& KotlinKeywords();
// Kotlin: standard types and functions: 26 words, case-sensitive.
const CKeywordSet& KotlinTypes();
// Ruby: reserved words: 41 words, case-sensitive.
const CKeywordSet& RubyKeywords();
// Ruby: Kernel and Module methods: 19 words, case-sensitive.
const CKeywordSet& RubyMethods();
// Ruby: the words after which "/" opens a regular expression: 17 words, case-sensitive.
const CKeywordSet& RubyRegexWords();
// Lua: reserved words: 22 words, case-sensitive.
const CKeywordSet& LuaKeywords();
// Lua: basic functions and library tables: 35 words, case-sensitive.
const CKeywordSet& LuaBuiltins();
// CMake: commands: 71 words, case-insensitive.
const CKeywordSet& CmakeCommands();
// CMake: keyword arguments: 55 words, case-sensitive.
const CKeywordSet& CmakeArguments();
// Make: directives and special targets: 31 words, case-sensitive.
const CKeywordSet& MakeDirectives();
// Dockerfile: instructions: 18 words, case-insensitive.
const CKeywordSet& DockerInstructions();

}  // namespace corvatine::keywords
