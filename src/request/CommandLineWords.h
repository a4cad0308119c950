// The words of the command line, shared by the parser and by the generator of
// comparison command lines, so that the two can never disagree.
#pragma once

#include <cstdint>

#include "platform/FileAttributes.h"
#include "request/CompareMethods.h"
#include "request/FilterRecords.h"
#include "request/TextRuleWord.h"

namespace corvatine::cmdline {

struct WORDBIT {
    uint32_t bit;
    const char* longWord;
    const char* shortWord;
};

// Text rules in the order of the rule table (the generator's order).
inline constexpr WORDBIT kRuleWords[] = {
    {RULE_IGNORE_ALL_SPACE, "ignoreallspace", "ias"},
    {RULE_IGNORE_SPACE_DIFFERENCES, "ignorespacedifferences", "isd"},
    {RULE_IGNORE_TAB_EXPANSION, "ignoretabexpansion", "ite"},
    {RULE_IGNORE_LEADING_SPACE, "ignoreleadingspace", "ils"},
    {RULE_IGNORE_TRAILING_SPACE, "ignoretrailingspace", "its"},
    {RULE_IGNORE_CASE, "ignorecase", "icc"},
    {RULE_IGNORE_LINE_ENDINGS, "ignorelineendings", "ieol"},
    {RULE_IGNORE_BLANK_LINES, "ignoreblanklines", "ibl"},
    {RULE_IGNORE_COMMENTS, "ignorecomments", "ic"},
    {RULE_IGNORE_LINES_MATCHING_FILTER, "ignorelinesmatchingfilter", "ilmf"},
};

// Folder methods in the generator's order: time, size, attributes, version,
// CRC-32, binary, text, type.
inline constexpr WORDBIT kMethodWords[] = {
    {METHOD_TIME, "time", "time"},
    {METHOD_SIZE, "size", "size"},
    {METHOD_ATTRIBUTES, "attributes", "attr"},
    {METHOD_VERSION, "version", "ver"},
    {METHOD_CRC, "crc32", "crc"},
    {METHOD_BINARY, "binary", "bin"},
    {METHOD_TEXT, "text", "txt"},
    {METHOD_TYPE, "type", "type"},
};

// File types excluded by "typeexclude=", in the generator's order. The parser
// also reads the directory word so that generated lines read back unchanged.
inline constexpr WORDBIT kTypeWords[] = {
    {FILTER_TYPE_TEXT, "text", "t"},
    {FILTER_TYPE_BINARY, "binary", "b"},
    {FILTER_TYPE_DIRECTORY, "directory", "d"},
};

// Attribute letters in the generator's order r, a, s, h.
struct ATTRIBUTELETTER {
    uint32_t bit;
    char letter;
};
inline constexpr ATTRIBUTELETTER kAttributeLetters[] = {
    {FILE_ATTRIBUTE_READONLY, 'r'},
    {FILE_ATTRIBUTE_ARCHIVE, 'a'},
    {FILE_ATTRIBUTE_SYSTEM, 's'},
    {FILE_ATTRIBUTE_HIDDEN, 'h'},
};

struct FILTERKEY {
    const char* longKey;
    const char* shortKey;
};
inline constexpr FILTERKEY kNameIncludeKey = {"nameinclude=", "ni="};
inline constexpr FILTERKEY kNameExcludeKey = {"nameexclude=", "ne="};
inline constexpr FILTERKEY kTimeFromKey = {"timefrom=", "tf="};
inline constexpr FILTERKEY kTimeToKey = {"timeto=", "tt="};
inline constexpr FILTERKEY kSizeMinKey = {"sizemin=", "si="};
inline constexpr FILTERKEY kSizeMaxKey = {"sizemax=", "sa="};
inline constexpr FILTERKEY kAttributesExcludeKey = {"attributesexclude=", "ae="};
inline constexpr FILTERKEY kTypeExcludeKey = {"typeexclude=", "te="};

inline constexpr const char* kAutoScanLong = "autoscansubfolders";
inline constexpr const char* kAutoScanShort = "asf";

}  // namespace corvatine::cmdline
