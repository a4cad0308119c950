// The keyword sets of the language parsers. They are data, one file per
// language in keywords/ (the format is in keywords/README.md); the build makes
// KeywordTables.h and KeywordTables.cpp from them, with a function per set
// (LispKeywords()) that answers it, built on first use and kept until exit.
#pragma once

#include <span>
#include <string_view>

#include "editor/KeywordTables.h"
#include "editor/SyntaxParser.h"

namespace corvatine::keywords {

// One set as the data files declare it.
struct KeywordTable {
    std::string_view language;  // its file without ".txt": "lisp", "inno-setup"
    std::string_view name;      // the function that answers it: "LispKeywords"
    const CKeywordSet& (*set)();
};

// Every set, by file name and then in the order of its file.
std::span<const KeywordTable> AllTables();

}  // namespace corvatine::keywords
