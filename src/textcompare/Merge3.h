// The three-way merge engine: BASE compared with OURS and with THEIRS by the
// line difference engine, and the two edit scripts walked together into a
// list of chunks. A change of one side alone is taken; changes of both sides
// that overlap or touch are one conflict unless both made the same text, as
// git merge-file decides.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "textcompare/TextCompare.h"

namespace corvatine {

enum MergeChunkKind : int {
    MERGE_UNCHANGED = 0,  // no side changed these lines
    MERGE_OURS = 1,       // changed in OURS only
    MERGE_THEIRS = 2,     // changed in THEIRS only
    MERGE_BOTH = 3,       // changed in both the same way
    MERGE_CONFLICT = 4,   // changed in both, differently
};

// "unchanged", "ours", "theirs", "both", "conflict".
const char* MergeChunkKindName(int kind);

// A run of lines of the three texts, 0-based, each range [first, end).
// Chunks follow each other without gaps on every side.
struct MERGECHUNK {
    int kind = MERGE_UNCHANGED;
    int baseFirst = 0;
    int baseEnd = 0;
    int oursFirst = 0;
    int oursEnd = 0;
    int theirsFirst = 0;
    int theirsEnd = 0;
    bool operator==(const MERGECHUNK& o) const {
        return kind == o.kind && baseFirst == o.baseFirst && baseEnd == o.baseEnd &&
               oursFirst == o.oursFirst && oursEnd == o.oursEnd && theirsFirst == o.theirsFirst &&
               theirsEnd == o.theirsEnd;
    }
};

// Whether OURS lines [oursFirst, oursEnd) equal THEIRS lines [theirsFirst,
// theirsEnd) under the comparison rules.
using MergeRangesEqual = std::function<bool(int oursFirst, int oursEnd, int theirsFirst, int theirsEnd)>;

// Walks the sections of BASE against OURS and of BASE against THEIRS (left:
// BASE; sections of kind SECTION_IGNORABLE count as no change) into chunks
// covering every line of the three texts. Two changes of different sides
// whose BASE ranges overlap or touch (an insertion at either end of the
// other's range included) join one chunk, and so does any change touching
// that chunk; such a chunk is MERGE_BOTH when equal says both sides hold the
// same lines there, else MERGE_CONFLICT.
std::vector<MERGECHUNK> BuildMergeChunks(const std::vector<TEXTSECTION>& oursSections,
                                         const std::vector<TEXTSECTION>& theirsSections, int baseLines,
                                         int oursLines, int theirsLines, const MergeRangesEqual& equal);

// Compares the three sides with the engine (set up by the caller under its
// rules) and builds the chunks. Lines are equal for MERGE_BOTH as the engine
// sees them (the same TEXTLINES, byte for byte).
std::vector<MERGECHUNK> MergeLines(CTextCompare& engine, const TEXTLINES& base, const TEXTLINES& ours,
                                   const TEXTLINES& theirs);

// One line per chunk: "KIND base B0-B1 ours O0-O1 theirs T0-T1", ranges
// [first, end).
std::string DumpMergeChunks(const std::vector<MERGECHUNK>& chunks);

}  // namespace corvatine
