// The text rule word that text comparison requests, the command line and
// comparison files carry: which differences a text comparison ignores.
#pragma once

#include <cstdint>

namespace corvatine {

// Bits of the text rule word; all other bits are 0.
enum TextRule : uint32_t {
    RULE_IGNORE_ALL_SPACE = 0x1,
    RULE_IGNORE_SPACE_DIFFERENCES = 0x2,
    RULE_IGNORE_TAB_EXPANSION = 0x4,
    RULE_IGNORE_LEADING_SPACE = 0x8,
    RULE_IGNORE_TRAILING_SPACE = 0x10,
    RULE_IGNORE_CASE = 0x10000,
    RULE_IGNORE_LINE_ENDINGS = 0x20000,
    RULE_IGNORE_BLANK_LINES = 0x40000,
    RULE_IGNORE_COMMENTS = 0x80000,
    RULE_IGNORE_LINES_MATCHING_FILTER = 0x100000,
};

constexpr uint32_t kAllTextRules =
    RULE_IGNORE_ALL_SPACE | RULE_IGNORE_SPACE_DIFFERENCES | RULE_IGNORE_TAB_EXPANSION |
    RULE_IGNORE_LEADING_SPACE | RULE_IGNORE_TRAILING_SPACE | RULE_IGNORE_CASE | RULE_IGNORE_LINE_ENDINGS |
    RULE_IGNORE_BLANK_LINES | RULE_IGNORE_COMMENTS | RULE_IGNORE_LINES_MATCHING_FILTER;

// The rules of the text comparison settings before anything is stored.
constexpr uint32_t kDefaultTextRules = RULE_IGNORE_LINE_ENDINGS;

}  // namespace corvatine
