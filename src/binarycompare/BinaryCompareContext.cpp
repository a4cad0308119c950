#include "binarycompare/BinaryCompareContext.h"

#include <algorithm>
#include <cstring>

namespace corvatine {

namespace {

bool Cancelled(const std::atomic<int>* cancel) { return cancel != nullptr && cancel->load() != 0; }

}  // namespace

void CBinaryCompareContext::SetSides(CBinaryCompareSide* left, CBinaryCompareSide* right) {
    m_sides[0] = m_compare.sides[0] = left;
    m_sides[1] = m_compare.sides[1] = right;
}

int CBinaryCompareContext::QuickCompare(const std::atomic<int>* cancel) {
    SetState(BINARY_COMPARING);
    CBinaryCompareSide* left = m_sides[0];
    CBinaryCompareSide* right = m_sides[1];
    int64_t sizes[2];
    {
        std::lock_guard<std::mutex> lock(m_compare.editLock);
        if (left == nullptr || right == nullptr || left->GetSize() != right->GetSize()) {
            SetState(BINARY_DIFFERENT);
            return 1;
        }
        sizes[0] = left->GetSize();
        sizes[1] = right->GetSize();
    }
    CBinaryCompareSide* sides[2] = {left, right};
    for (CBinaryCompareSide* side : sides) {
        side->compareData.compareFile.Close();
        if (side->IsOpen() &&
            !side->compareData.compareFile.Open(side->GetPath(), platform::CRandomAccessFile::READ_ONLY)) {
            SetState(BINARY_ERROR);
            return 1;
        }
    }
    const int64_t chunk = std::min(std::min(sizes[0], sizes[1]), kQuickChunk);
    std::vector<uint8_t> buffers[2] = {std::vector<uint8_t>(static_cast<size_t>(chunk)),
                                       std::vector<uint8_t>(static_cast<size_t>(chunk))};
    int64_t offsets[2] = {0, 0};
    int result = BINARY_IDENTICAL;
    while (offsets[0] < sizes[0] && offsets[1] < sizes[1] && !Cancelled(cancel)) {
        int64_t counts[2];
        {
            std::lock_guard<std::mutex> lock(m_compare.editLock);
            for (int s = 0; s < 2; ++s)
                counts[s] = sides[s]->Read(buffers[s].data(), std::min(chunk, sizes[s] - offsets[s]),
                                           offsets[s], &sides[s]->compareData.compareFile);
        }
        if (counts[0] <= 0 || counts[1] <= 0 || counts[0] != counts[1] ||
            std::memcmp(buffers[0].data(), buffers[1].data(), static_cast<size_t>(counts[0])) != 0) {
            result = BINARY_DIFFERENT;  // the rest cannot change the answer
            break;
        }
        offsets[0] += counts[0];
        offsets[1] += counts[1];
    }
    if (result == BINARY_IDENTICAL && (offsets[0] < sizes[0] || offsets[1] < sizes[1]))
        result = BINARY_DIFFERENT;
    for (CBinaryCompareSide* side : sides) side->compareData.compareFile.Close();
    SetState(result);
    return 1;
}

int CBinaryCompareContext::CompareContents(const std::atomic<int>* cancel) {
    CBinaryCompareSide* left = m_sides[0];
    CBinaryCompareSide* right = m_sides[1];
    if (left == nullptr || right == nullptr || left->GetSize() != right->GetSize()) return BINARY_DIFFERENT;
    std::vector<uint8_t> a(kContentsChunk), b(kContentsChunk);
    for (int64_t offset = 0; !Cancelled(cancel);) {
        const int64_t na = left->Read(a.data(), kContentsChunk, offset);
        const int64_t nb = right->Read(b.data(), kContentsChunk, offset);
        if (na != nb) return 0;
        if (std::memcmp(a.data(), b.data(), static_cast<size_t>(na)) != 0) return BINARY_DIFFERENT;
        if (na < kContentsChunk) break;
        offset += na;
    }
    return BINARY_IDENTICAL;
}

int CBinaryCompareContext::GetByteStatus(int64_t offset) {
    if (offset >= m_sides[0]->GetSize()) return BYTE_RIGHT_ONLY;
    if (offset >= m_sides[1]->GetSize()) return BYTE_LEFT_ONLY;
    uint8_t a = 0, b = 0;
    m_sides[0]->Read(&a, 1, offset);
    m_sides[1]->Read(&b, 1, offset);
    return a == b ? BYTE_EQUAL : BYTE_DIFFERENT;
}

int CBinaryCompareContext::BuildDifferenceList(std::vector<BINARYDIFFERENCE>& list, int64_t from,
                                               int64_t to) {
    list.clear();
    if (m_sides[0] == nullptr || m_sides[1] == nullptr) return 0;
    const int64_t sizes[2] = {m_sides[0]->GetSize(), m_sides[1]->GetSize()};
    int64_t limit = std::max(sizes[0], sizes[1]);
    if (from == -1) from = 0;
    if (to != -1 && to < limit) limit = to;

    bool open = false;
    int64_t start = 0;
    int kind = BYTE_EQUAL;
    auto step = [&](int64_t offset, int status) {
        if (status == BYTE_EQUAL) {
            if (open) list.push_back({start, offset, kind});
            open = false;
        } else if (!open) {
            open = true;
            start = offset;
            kind = status;
        } else if (status != kind) {
            list.push_back({start, offset, kind});
            start = offset;
            kind = status;
        }
    };
    // The statuses as GetByteStatus gives them, read a block at a time; the
    // offset limit itself is the sentinel.
    constexpr int64_t kBlock = 65536;
    std::vector<uint8_t> a(kBlock), b(kBlock);
    for (int64_t block = from; block < limit; block += kBlock) {
        const int64_t end = std::min(block + kBlock, limit);
        const int64_t common = std::max<int64_t>(0, std::min({end, sizes[0], sizes[1]}) - block);
        if (common > 0) {
            m_sides[0]->Read(a.data(), common, block);
            m_sides[1]->Read(b.data(), common, block);
        }
        for (int64_t offset = block; offset < end; ++offset) {
            const int64_t i = offset - block;
            const int status = offset >= sizes[0]                                       ? BYTE_RIGHT_ONLY
                               : offset >= sizes[1]                                     ? BYTE_LEFT_ONLY
                               : a[static_cast<size_t>(i)] == b[static_cast<size_t>(i)] ? BYTE_EQUAL
                                                                                        : BYTE_DIFFERENT;
            step(offset, status);
        }
    }
    if (from <= limit) step(limit, GetByteStatus(limit));
    if (open && start < limit) list.push_back({start, limit, kind});
    return static_cast<int>(list.size());
}

}  // namespace corvatine
