#include "binarycompare/BinaryCompareContext.h"

#include <algorithm>
#include <cstring>

namespace corvatine {

namespace {

bool Cancelled(const std::atomic<int>* cancel) { return cancel != nullptr && cancel->load() != 0; }

// Whether a side's file is no longer the one its buffer loaded, through the
// comparison handle while it is open and through the path.
bool SideChanged(const CBinaryCompareSide& side) {
    if (!side.IsOpen()) return false;
    const platform::CRandomAccessFile& handle = side.compareData.compareFile;
    platform::FILEIDENTITY identity;
    if (handle.IsOpen() && (!handle.Identity(identity) || identity != side.FileIdentity())) return true;
    return !side.IsFileUnchanged();
}

}  // namespace

void CBinaryCompareContext::SetSides(CBinaryCompareSide* left, CBinaryCompareSide* right) {
    m_sides[0] = m_compare.sides[0] = left;
    m_sides[1] = m_compare.sides[1] = right;
}

int CBinaryCompareContext::QuickCompare(const std::atomic<int>* cancel) {
    SetState(BINARY_COMPARING);
    m_changedSide = -1;
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
    const auto finish = [&](int result) {
        for (CBinaryCompareSide* side : sides) side->compareData.compareFile.Close();
        SetState(result);
        return 1;
    };
    for (int s = 0; s < 2; ++s) {
        CBinaryCompareSide& side = *sides[s];
        side.compareData.compareFile.Close();
        if (!side.IsOpen()) continue;
        if (!side.compareData.compareFile.Open(side.GetPath(), platform::CRandomAccessFile::READ_ONLY))
            return finish(BINARY_ERROR);
        // The file pieces describe the file as loaded; another one cannot be compared.
        if (SideChanged(side)) {
            m_changedSide = s;
            return finish(BINARY_ERROR);
        }
    }
    const int64_t chunk = std::min(std::min(sizes[0], sizes[1]), m_quickChunk);
    std::vector<uint8_t> buffers[2] = {std::vector<uint8_t>(static_cast<size_t>(chunk)),
                                       std::vector<uint8_t>(static_cast<size_t>(chunk))};
    int64_t offsets[2] = {0, 0};
    int result = BINARY_IDENTICAL;
    bool readInFull = true;
    while (offsets[0] < sizes[0] && offsets[1] < sizes[1] && !Cancelled(cancel)) {
        int64_t wanted[2], counts[2];
        {
            std::lock_guard<std::mutex> lock(m_compare.editLock);
            for (int s = 0; s < 2; ++s) {
                wanted[s] = std::min(chunk, sizes[s] - offsets[s]);
                counts[s] = sides[s]->ReadForCompare(buffers[s].data(), wanted[s], offsets[s]);
            }
        }
        for (int s = 0; s < 2 && readInFull; ++s) {
            if (counts[s] == wanted[s]) continue;
            // Fewer bytes without a read error: the file ends before the size it was loaded with.
            readInFull = false;
            if (sides[s]->compareData.compareFile.LastError() == 0) m_changedSide = s;
        }
        if (!readInFull) break;
        if (std::memcmp(buffers[0].data(), buffers[1].data(), static_cast<size_t>(counts[0])) != 0) {
            result = BINARY_DIFFERENT;  // the rest cannot change the answer
            break;
        }
        offsets[0] += counts[0];
        offsets[1] += counts[1];
    }
    // A file rewritten or replaced during the pass may have given bytes
    // that all compare.
    for (int s = 0; s < 2 && m_changedSide < 0; ++s)
        if (SideChanged(*sides[s])) m_changedSide = s;
    if (m_changedSide >= 0 || !readInFull) return finish(BINARY_ERROR);
    if (result == BINARY_IDENTICAL && (offsets[0] < sizes[0] || offsets[1] < sizes[1]))
        result = BINARY_DIFFERENT;  // cancelled
    return finish(result);
}

int CBinaryCompareContext::FindChangedSide() {
    for (int s = 0; s < 2 && m_changedSide < 0; ++s)
        if (m_sides[s] != nullptr && !m_sides[s]->IsFileUnchanged()) m_changedSide = s;
    return m_changedSide;
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
    m_changedSide = -1;
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
    std::vector<uint8_t> a(static_cast<size_t>(m_listBlock)), b(static_cast<size_t>(m_listBlock));
    for (int64_t block = from; block < limit; block += m_listBlock) {
        const int64_t end = std::min(block + m_listBlock, limit);
        const int64_t common = std::max<int64_t>(0, std::min({end, sizes[0], sizes[1]}) - block);
        if (common > 0 && (m_sides[0]->Read(a.data(), common, block) != common ||
                           m_sides[1]->Read(b.data(), common, block) != common)) {
            list.clear();
            FindChangedSide();
            return -1;
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
    // A file rewritten while it was read may have given any bytes.
    if (FindChangedSide() >= 0) {
        list.clear();
        return -1;
    }
    return static_cast<int>(list.size());
}

}  // namespace corvatine
