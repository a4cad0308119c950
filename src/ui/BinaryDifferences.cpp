#include "ui/BinaryDifferences.h"

#include <algorithm>

namespace corvatine::ui {

void CBinaryDifferences::Reset() {
    m_ranges.clear();
    m_listedTo = 0;
    m_complete = m_truncated = m_failed = false;
    ++m_generation;
}

void CBinaryDifferences::Invalidate(int64_t from) {
    from = std::max<int64_t>(from, 0);
    // A range that reaches the changed offset may now end elsewhere or join
    // the next one: it is listed again from its start.
    const auto first = std::find_if(m_ranges.begin(), m_ranges.end(),
                                    [from](const BINARYDIFFERENCE& range) { return range.end >= from; });
    if (first != m_ranges.end()) from = std::min(from, first->start);
    m_ranges.erase(first, m_ranges.end());
    m_listedTo = std::min(m_listedTo, from);
    m_complete = m_truncated = m_failed = false;
    ++m_generation;
}

void CBinaryDifferences::SwapSides() {
    for (BINARYDIFFERENCE& range : m_ranges) {
        if (range.kind == BYTE_LEFT_ONLY)
            range.kind = BYTE_RIGHT_ONLY;
        else if (range.kind == BYTE_RIGHT_ONLY)
            range.kind = BYTE_LEFT_ONLY;
    }
    ++m_generation;
}

int64_t CBinaryDifferences::Limit() const {
    const CBinaryCompareSide* left = m_context.Side(0);
    const CBinaryCompareSide* right = m_context.Side(1);
    if (left == nullptr || right == nullptr) return 0;
    return std::max(left->GetSize(), right->GetSize());
}

CBinaryDifferences::StepResult CBinaryDifferences::Step(std::chrono::milliseconds budget) {
    if (m_failed) return STEP_ERROR;
    const auto end = std::chrono::steady_clock::now() + budget;
    const int64_t limit = Limit();
    const size_t before = m_ranges.size();
    while (!m_complete) {
        if (m_listedTo >= limit) {
            m_complete = true;
            break;
        }
        const int64_t to = std::min(limit, m_listedTo + m_slice);
        // A range cut at the end of a slice goes on in the next one.
        const int64_t count = m_context.ScanDifferences(
            [this](std::span<const BINARYDIFFERENCE> found) {
                for (const BINARYDIFFERENCE& range : found) {
                    if (!m_ranges.empty() && m_ranges.back().end == range.start &&
                        m_ranges.back().kind == range.kind)
                        m_ranges.back().end = range.end;
                    else
                        m_ranges.push_back(range);
                }
            },
            m_listedTo, to);
        if (count < 0) {
            m_failed = true;
            ++m_generation;
            return STEP_ERROR;
        }
        m_listedTo = to;
        if (m_ranges.size() >= m_maxRanges) {
            m_truncated = m_complete = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= end) break;
    }
    if (m_ranges.size() != before || m_complete) ++m_generation;
    return m_complete ? STEP_DONE : STEP_MORE;
}

int CBinaryDifferences::NextAfter(int64_t offset) const {
    const auto it =
        std::upper_bound(m_ranges.begin(), m_ranges.end(), offset,
                         [](int64_t value, const BINARYDIFFERENCE& range) { return value < range.start; });
    return it == m_ranges.end() ? -1 : static_cast<int>(it - m_ranges.begin());
}

int CBinaryDifferences::PreviousBefore(int64_t offset) const {
    const auto it =
        std::lower_bound(m_ranges.begin(), m_ranges.end(), offset,
                         [](const BINARYDIFFERENCE& range, int64_t value) { return range.start < value; });
    return it == m_ranges.begin() ? -1 : static_cast<int>(it - m_ranges.begin()) - 1;
}

int CBinaryDifferences::RangeAt(int64_t offset) const {
    const int before = NextAfter(offset) - 1;
    const int index = before < -1 ? static_cast<int>(m_ranges.size()) - 1 : before;
    if (index < 0) return -1;
    const BINARYDIFFERENCE& range = m_ranges[static_cast<size_t>(index)];
    return offset >= range.start && offset < range.end ? index : -1;
}

}  // namespace corvatine::ui
