#include "binarycompare/BinaryCompareContext.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace corvatine {

namespace {

uint64_t Word(const uint8_t* bytes) {
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// The first position in [at, n) where the bytes differ; n when none.
size_t FirstDifference(const uint8_t* a, const uint8_t* b, size_t at, size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        // Eight bytes at a time; in a word the lowest set bit of the
        // exclusive or lies in the first differing byte.
        uint64_t x[4];
        for (; at + sizeof x <= n; at += sizeof x) {
            for (size_t k = 0; k < 4; ++k) x[k] = Word(a + at + 8 * k) ^ Word(b + at + 8 * k);
            if ((x[0] | x[1] | x[2] | x[3]) == 0) continue;
            for (size_t k = 0;; ++k)
                if (x[k] != 0) return at + 8 * k + static_cast<size_t>(std::countr_zero(x[k])) / 8;
        }
        for (; at + 8 <= n; at += 8)
            if (const uint64_t d = Word(a + at) ^ Word(b + at); d != 0)
                return at + static_cast<size_t>(std::countr_zero(d)) / 8;
    }
    while (at < n && a[at] == b[at]) ++at;
    return at;
}

// The first position in [at, n) where the bytes are equal; n when none.
size_t FirstEqual(const uint8_t* a, const uint8_t* b, size_t at, size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
        for (; at + 8 <= n; at += 8) {
            // The lowest flagged byte is the lowest zero byte of the exclusive
            // or: a borrow runs only upwards from a zero byte.
            const uint64_t d = Word(a + at) ^ Word(b + at);
            if (const uint64_t zero = (d - kOnes) & ~d & kHighs; zero != 0)
                return at + static_cast<size_t>(std::countr_zero(zero)) / 8;
        }
    }
    while (at < n && a[at] != b[at]) ++at;
    return at;
}

// Ranges gathered and handed on a batch at a time.
class RangeBatch {
public:
    explicit RangeBatch(const DifferenceSink& sink) : m_sink(sink) { m_ranges.reserve(kBatch); }
    void Add(const BINARYDIFFERENCE& range) {
        m_ranges.push_back(range);
        if (m_ranges.size() == kBatch) Flush();
    }
    void Flush() {
        if (m_ranges.empty()) return;
        m_count += static_cast<int64_t>(m_ranges.size());
        m_sink(m_ranges);
        m_ranges.clear();
    }
    int64_t Count() const { return m_count; }

private:
    static constexpr size_t kBatch = 4096;
    const DifferenceSink& m_sink;
    std::vector<BINARYDIFFERENCE> m_ranges;
    int64_t m_count = 0;
};

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
    m_progress = 0;
    CBinaryCompareSide* left = m_sides[0];
    CBinaryCompareSide* right = m_sides[1];
    int64_t sizes[2];
    EQUALPREFIX prefix;
    {
        std::lock_guard<std::mutex> lock(m_compare.editLock);
        if (left == nullptr || right == nullptr || left->GetSize() != right->GetSize()) {
            SetState(BINARY_DIFFERENT);
            return 1;
        }
        sizes[0] = left->GetSize();
        sizes[1] = right->GetSize();
        prefix = {{left, right}, {left->Revision(), right->Revision()}, 0};
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
        m_progress = offsets[0];
    }
    // A file rewritten or replaced during the pass may have given bytes
    // that all compare.
    for (int s = 0; s < 2 && m_changedSide < 0; ++s)
        if (SideChanged(*sides[s])) m_changedSide = s;
    if (m_changedSide >= 0 || !readInFull) return finish(BINARY_ERROR);
    // The bytes before the chunk that differed (or before where a cancelled
    // pass stopped) need not be compared again, unless a side was edited
    // during the pass.
    {
        std::scoped_lock lock(m_compare.editLock, m_prefixLock);
        prefix.length = offsets[0];
        if (left->Revision() == prefix.revisions[0] && right->Revision() == prefix.revisions[1])
            m_prefix = prefix;
    }
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

int64_t CBinaryCompareContext::KnownEqualPrefix() {
    std::lock_guard<std::mutex> lock(m_prefixLock);
    for (int s = 0; s < 2; ++s)
        if (m_prefix.sides[s] != m_sides[s] || m_sides[s] == nullptr ||
            m_prefix.revisions[s] != m_sides[s]->Revision())
            return 0;
    return m_prefix.length;
}

int CBinaryCompareContext::BuildDifferenceList(std::vector<BINARYDIFFERENCE>& list, int64_t from,
                                               int64_t to) {
    list.clear();
    const int64_t count = ScanDifferences(
        [&](std::span<const BINARYDIFFERENCE> found) { list.insert(list.end(), found.begin(), found.end()); },
        from, to);
    if (count < 0) {
        list.clear();
        return -1;
    }
    return static_cast<int>(count);
}

int64_t CBinaryCompareContext::ScanDifferences(const DifferenceSink& sink, int64_t from, int64_t to) {
    m_changedSide = -1;
    if (m_sides[0] == nullptr || m_sides[1] == nullptr) return 0;
    const int64_t sizes[2] = {m_sides[0]->GetSize(), m_sides[1]->GetSize()};
    int64_t limit = std::max(sizes[0], sizes[1]);
    if (from < 0) from = 0;
    if (to != -1 && to < limit) limit = to;
    // Byte by byte, the ranges are the longest runs of one status other than
    // equal, each cut at the limit. Where both sides have bytes that status
    // is "different"; beyond the shorter side it is the tail's one kind.
    const int64_t common = std::min({sizes[0], sizes[1], limit});

    RangeBatch ranges(sink);
    bool open = false;
    int64_t start = 0;
    std::vector<uint8_t> a(static_cast<size_t>(std::min(m_listBlock, std::max<int64_t>(common - from, 0)))),
        b(a.size());
    for (int64_t block = std::max(from, KnownEqualPrefix()); block < common; block += m_listBlock) {
        const int64_t length = std::min(m_listBlock, common - block);
        if (m_sides[0]->Read(a.data(), length, block) != length ||
            m_sides[1]->Read(b.data(), length, block) != length) {
            FindChangedSide();
            return -1;
        }
        const size_t n = static_cast<size_t>(length);
        if (std::memcmp(a.data(), b.data(), n) == 0) {
            if (open) ranges.Add({start, block, BYTE_DIFFERENT});
            open = false;
            continue;
        }
        for (size_t at = 0; at < n;) {
            if (open) {
                at = FirstEqual(a.data(), b.data(), at, n);
                if (at == n) break;
                ranges.Add({start, block + static_cast<int64_t>(at), BYTE_DIFFERENT});
                open = false;
            } else {
                at = FirstDifference(a.data(), b.data(), at, n);
                if (at == n) break;
                start = block + static_cast<int64_t>(at);
                open = true;
            }
        }
    }
    if (open) ranges.Add({start, common, BYTE_DIFFERENT});
    const int64_t tail = std::max(from, common);
    if (tail < limit) ranges.Add({tail, limit, sizes[0] > sizes[1] ? BYTE_LEFT_ONLY : BYTE_RIGHT_ONLY});
    ranges.Flush();
    // A file rewritten while it was read may have given any bytes.
    if (FindChangedSide() >= 0) return -1;
    return ranges.Count();
}

}  // namespace corvatine
