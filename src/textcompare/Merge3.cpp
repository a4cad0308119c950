#include "textcompare/Merge3.h"

#include <algorithm>
#include <thread>

namespace corvatine {

namespace {

// A change of one side: BASE lines [baseFirst, baseEnd) became the side's
// lines [sideFirst, sideEnd).
struct CHANGE {
    int baseFirst;
    int baseEnd;
    int sideFirst;
    int sideEnd;
};

std::vector<CHANGE> ChangesOf(const std::vector<TEXTSECTION>& sections) {
    std::vector<CHANGE> changes;
    changes.reserve(sections.size());
    for (const TEXTSECTION& s : sections) {
        if (s.kind == SECTION_IGNORABLE) continue;
        changes.push_back({s.leftFirst, s.leftLast + 1, s.rightFirst, s.rightLast + 1});
    }
    return changes;
}

}  // namespace

const char* MergeChunkKindName(int kind) {
    switch (kind) {
        case MERGE_OURS: return "ours";
        case MERGE_THEIRS: return "theirs";
        case MERGE_BOTH: return "both";
        case MERGE_CONFLICT: return "conflict";
        default: return "unchanged";
    }
}

std::vector<MERGECHUNK> BuildMergeChunks(const std::vector<TEXTSECTION>& oursSections,
                                         const std::vector<TEXTSECTION>& theirsSections, int baseLines,
                                         int oursLines, int theirsLines, const MergeRangesEqual& equal) {
    const std::vector<CHANGE> changes[2] = {ChangesOf(oursSections), ChangesOf(theirsSections)};
    std::vector<MERGECHUNK> chunks;
    size_t next[2] = {0, 0};
    // Where the walk stands in BASE, and each side's line there.
    int base = 0;
    int side[2] = {0, 0};
    // A side's line that stands for a BASE line outside its changes: the
    // lines between changes are the same lines on both.
    const auto unchanged = [&](int to) {
        if (to <= base) return;
        const int count = to - base;
        chunks.push_back({MERGE_UNCHANGED, base, to, side[0], side[0] + count, side[1], side[1] + count});
        base = to;
        side[0] += count;
        side[1] += count;
    };
    while (next[0] < changes[0].size() || next[1] < changes[1].size()) {
        // The change that starts first opens the group.
        int first = 0;
        if (next[0] >= changes[0].size() ||
            (next[1] < changes[1].size() && changes[1][next[1]].baseFirst < changes[0][next[0]].baseFirst))
            first = 1;
        const int lo = changes[first][next[first]].baseFirst;
        unchanged(lo);
        int hi = lo;
        size_t from[2] = {next[0], next[1]};
        // Any change of either side that starts at or before the group's end
        // joins it: touching changes are a conflict as overlapping ones are.
        // (One side's own changes never touch: the engine joins them.)
        for (bool grew = true; grew;) {
            grew = false;
            for (int s = 0; s < 2; ++s) {
                while (next[s] < changes[s].size() && changes[s][next[s]].baseFirst <= hi) {
                    hi = std::max(hi, changes[s][next[s]].baseEnd);
                    ++next[s];
                    grew = true;
                }
            }
        }
        // Each side's lines for BASE [lo, hi): from the side's first change
        // in the group (or the unchanged lines) to its last.
        int range[2][2];
        bool changed[2];
        for (int s = 0; s < 2; ++s) {
            changed[s] = next[s] > from[s];
            if (!changed[s]) {
                range[s][0] = side[s];
                range[s][1] = side[s] + (hi - lo);
                continue;
            }
            const CHANGE& a = changes[s][from[s]];
            const CHANGE& z = changes[s][next[s] - 1];
            range[s][0] = a.sideFirst - (a.baseFirst - lo);
            range[s][1] = z.sideEnd + (hi - z.baseEnd);
        }
        int kind = MERGE_OURS;
        if (changed[0] && changed[1])
            kind = equal(range[0][0], range[0][1], range[1][0], range[1][1]) ? MERGE_BOTH : MERGE_CONFLICT;
        else if (changed[1])
            kind = MERGE_THEIRS;
        chunks.push_back({kind, lo, hi, range[0][0], range[0][1], range[1][0], range[1][1]});
        base = hi;
        side[0] = range[0][1];
        side[1] = range[1][1];
    }
    unchanged(baseLines);
    // The sides' ends follow from BASE's when the sections are consistent.
    (void)oursLines;
    (void)theirsLines;
    return chunks;
}

std::vector<MERGECHUNK> MergeLines(CTextCompare& engine, const TEXTLINES& base, const TEXTLINES& ours,
                                   const TEXTLINES& theirs) {
    // The two comparisons are independent: the second runs beside the first.
    CTextSectionCollector oursSections, theirsSections;
    // Changes lie where git's comparison puts them, so that the same
    // changes touch.
    engine.slideIntoSuffix = true;
    CTextCompare second = engine;
    if (engine.lineFilter != nullptr) {
        // A compiled expression is not searched from two threads at once.
        engine.Run(base, ours, oursSections);
        second.Run(base, theirs, theirsSections);
    } else {
        std::thread worker([&] { second.Run(base, theirs, theirsSections); });
        engine.Run(base, ours, oursSections);
        worker.join();
    }
    const auto equal = [&](int o0, int o1, int t0, int t1) {
        if (o1 - o0 != t1 - t0) return false;
        for (int i = 0; i < o1 - o0; ++i) {
            const size_t o = static_cast<size_t>(o0 + i), t = static_cast<size_t>(t0 + i);
            if (ours.Line(o) != theirs.Line(t)) return false;
            // A last line without an ending is not the same line with one.
            const bool oursOpen = ours.lastIncomplete && o + 1 == ours.Count();
            const bool theirsOpen = theirs.lastIncomplete && t + 1 == theirs.Count();
            if (oursOpen != theirsOpen) return false;
        }
        return true;
    };
    return BuildMergeChunks(oursSections.sections, theirsSections.sections, static_cast<int>(base.Count()),
                            static_cast<int>(ours.Count()), static_cast<int>(theirs.Count()), equal);
}

std::string DumpMergeChunks(const std::vector<MERGECHUNK>& chunks) {
    std::string out;
    for (const MERGECHUNK& c : chunks) {
        out += MergeChunkKindName(c.kind);
        out += " base " + std::to_string(c.baseFirst) + "-" + std::to_string(c.baseEnd);
        out += " ours " + std::to_string(c.oursFirst) + "-" + std::to_string(c.oursEnd);
        out += " theirs " + std::to_string(c.theirsFirst) + "-" + std::to_string(c.theirsEnd) + "\n";
    }
    return out;
}

}  // namespace corvatine
