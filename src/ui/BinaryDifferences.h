// The difference ranges of a binary comparison as the window lists them: found
// a slice at a time on the window's thread (the window never waits for a
// whole file), kept up to date after edits by listing again only from the
// first changed offset.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "binarycompare/BinaryCompareContext.h"

namespace corvatine::ui {

class CBinaryDifferences {
public:
    // A slice is compared per call of the context; more ranges than the
    // limit are not listed (the list then ends early and says so).
    static constexpr int64_t kSlice = 1 << 20;
    static constexpr size_t kMaxRanges = 1000000;

    explicit CBinaryDifferences(CBinaryCompareContext& context, int64_t slice = kSlice,
                                size_t maxRanges = kMaxRanges)
        : m_context(context), m_slice(slice), m_maxRanges(maxRanges) {}

    // Everything is to be listed again.
    void Reset();
    // The bytes changed from the offset on: the ranges that end before it
    // stay, the rest is listed again.
    void Invalidate(int64_t from);
    // The sides traded places: left-only and right-only trade too.
    void SwapSides();

    enum StepResult { STEP_MORE, STEP_DONE, STEP_ERROR };
    // Lists on for about the budget. STEP_ERROR when a side's file could
    // not be read or changed meanwhile (the list stops where it was).
    StepResult Step(std::chrono::milliseconds budget);

    const std::vector<BINARYDIFFERENCE>& Ranges() const { return m_ranges; }
    // Whether every byte is listed (or the limit was reached).
    bool Complete() const { return m_complete; }
    bool Truncated() const { return m_truncated; }
    bool Failed() const { return m_failed; }
    // How far the list reaches, and how far it is to reach.
    int64_t ListedTo() const { return m_listedTo; }
    int64_t Limit() const;
    // Changes whenever the list changes.
    uint64_t Generation() const { return m_generation; }

    // The index of the first range that starts after the offset, or that
    // starts before it; -1 when none is listed (yet).
    int NextAfter(int64_t offset) const;
    int PreviousBefore(int64_t offset) const;
    // The range that holds the offset; -1 when none.
    int RangeAt(int64_t offset) const;

private:
    CBinaryCompareContext& m_context;
    const int64_t m_slice;
    const size_t m_maxRanges;
    std::vector<BINARYDIFFERENCE> m_ranges;
    int64_t m_listedTo = 0;
    bool m_complete = false;
    bool m_truncated = false;
    bool m_failed = false;
    uint64_t m_generation = 0;
};

}  // namespace corvatine::ui
