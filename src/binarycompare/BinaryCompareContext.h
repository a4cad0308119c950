// Two byte sequences compared position by position: whether they are
// identical, the status of the byte at any offset, and the ranges where they
// differ. There is no search for inserted or deleted runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

#include "binarycompare/HexEditContext.h"

namespace corvatine {

class CBinaryCompareParams;

enum BinaryCompareState : int {
    BINARY_NOT_COMPARED = 0,
    BINARY_IDENTICAL = 1,
    BINARY_DIFFERENT = 4,
    BINARY_COMPARING = 5,
    BINARY_ERROR = -1,  // a side's file could not be reopened for the test
};

enum ByteStatus : int {
    BYTE_EQUAL = 1,
    BYTE_DIFFERENT = 2,
    BYTE_LEFT_ONLY = 4,
    BYTE_RIGHT_ONLY = 8,
};

// [start, end) of one kind (2, 4 or 8).
struct BINARYDIFFERENCE {
    int64_t start;
    int64_t end;
    int kind;
    bool operator==(const BINARYDIFFERENCE&) const = default;
};

// The comparison state that every kind of comparison keeps.
class CCompareContext {
public:
    virtual ~CCompareContext() = default;
    virtual int GetState() const { return m_state.load(); }
    // Returns the previous state.
    virtual int SetState(int state) { return m_state.exchange(state); }

private:
    std::atomic<int> m_state{BINARY_NOT_COMPARED};
};

// A side's second handle on its file, used only by the whole-file test so
// that the editing handle is never moved.
class CBinaryCompareData {
public:
    platform::CRandomAccessFile compareFile;
};

// A side of a binary comparison: a hex buffer with its comparison handle.
class CBinaryCompareSide : public CHexEditContext {
public:
    using CHexEditContext::CHexEditContext;
    // How the whole-file test reads a chunk: the logical bytes, with file
    // pieces taken through the comparison handle. Virtual so that a test can
    // change the file between chunks.
    virtual int64_t ReadForCompare(uint8_t* destination, int64_t count, int64_t offset) {
        return Read(destination, count, offset, &compareData.compareFile);
    }
    CBinaryCompareData compareData;
};

// The two sides and the lock that every edit of a side holds while it
// changes the side's buffer.
class CBinaryCompare {
public:
    CBinaryCompareSide* sides[2] = {nullptr, nullptr};
    std::mutex editLock;
};

// Takes the ranges of a difference list as they are found, in order, a
// batch at a time.
using DifferenceSink = std::function<void(std::span<const BINARYDIFFERENCE>)>;

class CBinaryCompareContext : public CCompareContext {
public:
    // Reads of this size keep the disk busy and make few system calls, while
    // the two buffers still fit in the processor's second-level cache.
    static constexpr int64_t kQuickChunk = 262144;
    static constexpr int64_t kContentsChunk = 16384;
    static constexpr int64_t kListBlock = 262144;

    // The chunk of the whole-file test and the block of the difference list
    // can be made smaller, for tests that need their boundaries.
    explicit CBinaryCompareContext(int64_t quickChunk = kQuickChunk, int64_t listBlock = kListBlock)
        : m_quickChunk(quickChunk), m_listBlock(listBlock) {}

    virtual void SetSides(CBinaryCompareSide* left, CBinaryCompareSide* right);
    virtual int SetParams(const CBinaryCompareParams* params) {
        m_params = params;
        return 0;
    }
    // The whole-file test, on the sides' comparison handles (unsaved edits
    // are seen); each chunk is read under the edit lock. Sets the state;
    // returns 1. A side's file that is not the file its buffer holds (another
    // file at the path, another size or last write time) when the pass
    // starts or ends, or that ends early, makes the state an error, and
    // ChangedSide tells which.
    virtual int QuickCompare(const std::atomic<int>* cancel);
    // 4 when a side is missing or the sizes differ, 1 when every byte is
    // equal, 4 when some chunk differs, 0 when the sides give different
    // amounts for one chunk; stops early when cancelled.
    virtual int CompareContents(const std::atomic<int>* cancel);
    virtual int GetByteStatus(int64_t offset);
    // The ranges between from (-1: 0) and to (-1: the larger size);
    // returns their number. -1, with the list empty, when a side's file
    // cannot be read in full or is found changed afterwards (ChangedSide
    // then tells which).
    virtual int BuildDifferenceList(std::vector<BINARYDIFFERENCE>& list, int64_t from, int64_t to);
    // The same ranges handed to sink as they are found, none kept: their
    // number, or -1 when a side's file cannot be read in full or is found
    // changed afterwards, by which time sink may have had some of them.
    // Bytes that the last whole-file test found equal are not read again
    // while neither buffer has changed since.
    int64_t ScanDifferences(const DifferenceSink& sink, int64_t from, int64_t to);

    // How many bytes of each side the running (or last) whole-file test has
    // compared so far; readable from any thread.
    int64_t Progress() const { return m_progress.load(); }

    // The side (0 left, 1 right) whose file the last whole-file test or
    // difference list found changed since its buffer loaded it; -1 when none.
    int ChangedSide() const { return m_changedSide.load(); }
    // That side, else the first side whose file is found changed now; -1
    // when neither is.
    int FindChangedSide();

    CBinaryCompareSide* Side(int side) const { return m_sides[side]; }
    CBinaryCompare& Compare() { return m_compare; }
    const CBinaryCompareParams* Params() const { return m_params; }

private:
    const int64_t m_quickChunk;
    const int64_t m_listBlock;
    const CBinaryCompareParams* m_params = nullptr;
    CBinaryCompareSide* m_sides[2] = {nullptr, nullptr};
    CBinaryCompare m_compare;
    std::atomic<int> m_changedSide{-1};
    std::atomic<int64_t> m_progress{0};

    // What the last whole-file test found: the first length bytes are equal
    // in the sides at those revisions.
    struct EQUALPREFIX {
        const CBinaryCompareSide* sides[2] = {nullptr, nullptr};
        uint64_t revisions[2] = {0, 0};
        int64_t length = 0;
    };
    // The length of the equal prefix that holds for the current sides.
    int64_t KnownEqualPrefix();
    std::mutex m_prefixLock;
    EQUALPREFIX m_prefix;
};

}  // namespace corvatine
