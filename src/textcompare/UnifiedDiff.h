// A compared pair written as a unified diff in the form GNU diff and patch
// use.
#pragma once

#include <string>
#include <string_view>

#include "textcompare/TextCompareContext.h"

namespace corvatine {

struct UNIFIEDHEADER {
    std::string label;  // the path as named
    std::string time;   // the modification time as diff prints it, or empty
};

// "2026-12-09 02:29:33.123456789 +0000" for a file's modification time in
// the local time zone; empty when the file has none to give.
std::string UnifiedTimeStamp(const std::string& path);

// A file name as the headers show it: as it is, or, when it holds a blank,
// a quote, a backslash, a control character or a byte above 127, in double
// quotes with C escapes (\n, \t, \", \\, \ooo) as diff writes it and patch
// reads it.
std::string QuoteUnifiedName(std::string_view name);

// Appends the diff of the two sides of a compared context: its difference
// sections, and the lines whose terminators alone differ, with the given
// number of context lines, taken from the left side. Lines are the byte
// runs that end at a line feed, as patch reads them; a side whose lines end
// in a lone carriage return keeps its bytes exactly. Each side's lines are
// written in its file's encoding, as diff does, so that patch applies the
// diff to the file: an 8-bit file's in its code page, a Unicode file's in
// UTF-8. Nothing is written when there is no difference.
void WriteUnifiedDiff(CTextCompareContext& context, const UNIFIEDHEADER& left, const UNIFIEDHEADER& right,
                      int contextLines, std::string& out);

}  // namespace corvatine
