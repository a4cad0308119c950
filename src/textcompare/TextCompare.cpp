#include "textcompare/TextCompare.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace corvatine {

namespace {

using lin = std::ptrdiff_t;
constexpr lin kLinMax = std::numeric_limits<lin>::max();
// Line numbers and diagonal ends are stored in 32 bits (a side has fewer
// than 2^31 lines), half the memory of the arithmetic's type.
using stored = int32_t;
constexpr stored kStoredMax = std::numeric_limits<stored>::max();
// Lines hashed at once before they are placed in the table.
constexpr lin kHashBlock = 1024;
// The fewest places of the table of classes.
constexpr size_t kMinimumTable = 1024;

uint32_t Rotl7(uint32_t h) { return (h << 7) | (h >> 25); }
uint32_t Hash(uint32_t h, unsigned char c) { return Rotl7(h) + c; }

// A hash of bytes taken eight at a time, for lines compared exactly; two
// lanes of sixteen bytes a step, so that their multiplications overlap.
uint32_t HashBytes(const char* p, size_t n) {
    const size_t length = n;
    uint64_t h = static_cast<uint64_t>(n) * 0x9E3779B97F4A7C15ull;
    uint64_t g = h ^ 0x2545F4914F6CDD1Dull;
    for (; n >= 16; p += 16, n -= 16) {
        uint64_t first, second;
        std::memcpy(&first, p, 8);
        std::memcpy(&second, p + 8, 8);
        h = (h ^ first) * 0xff51afd7ed558ccdull;
        g = (g ^ second) * 0xc4ceb9fe1a85ec53ull;
        h ^= h >> 32;
        g ^= g >> 29;
    }
    if (n >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        h = (h ^ word) * 0xff51afd7ed558ccdull;
        h ^= h >> 32;
        p += 8;
        n -= 8;
    }
    uint64_t tail = 0;
    if (n > 0 && length >= 8) {
        // The last eight bytes of the line, overlapping those hashed already.
        std::memcpy(&tail, p + n - 8, 8);
    } else {
        std::memcpy(&tail, p, n);
    }
    h = (h ^ tail ^ (g << 1)) * 0xc4ceb9fe1a85ec53ull;
    return static_cast<uint32_t>(h ^ (h >> 29));
}

bool IsSpace(unsigned char c) { return std::isspace(c) != 0; }
unsigned char Lower(unsigned char c) { return static_cast<unsigned char>(std::tolower(c)); }

// One side of the comparison.
struct Side {
    const TEXTLINES* input = nullptr;
    lin first = 0;                           // the first analysed line of the input
    lin count = 0;                           // analysed lines
    bool lastAnalysedIncomplete = false;     // the last analysed line is the input's incomplete last line
    platform::LargeVector<uint32_t> equivs;  // class of each analysed line
    platform::LargeVector<char> changedStorage;
    char* changed = nullptr;                      // changed[-1] and changed[count] exist and stay 0
    platform::LargeVector<uint32_t> undiscarded;  // classes of the lines kept for the search
    platform::LargeVector<stored> realindexes;    // their line numbers

    // An analysed line: its characters, followed in memory by "\n".
    const char* Line(lin i) const { return input->Start(static_cast<size_t>(first + i)); }
    size_t LengthWithoutTerminator(lin i) const { return input->Length(static_cast<size_t>(first + i)); }
    std::string_view Characters(lin i) const { return input->Line(static_cast<size_t>(first + i)); }
};

struct Partition {
    lin xmid;
    lin ymid;
    bool loMinimal;
    bool hiMinimal;
};

// The box one middle-snake search runs in: lines xoff to xlim of the left
// side against yoff to ylim of the right.
struct DiagBox {
    lin xoff, xlim, yoff, ylim;
};

// The diagonals one of the two searches has reached, every other one from
// min to max, around the diagonal mid it started on.
struct DiagSweep {
    lin min, max, mid;
};

class Engine {
public:
    Engine(const CTextCompare& settings) : m_settings(settings) {}

    void Run(const TEXTLINES& left, const TEXTLINES& right, std::vector<TEXTSECTION>& sections);

private:
    void FindIdenticalEnds();
    void HashLines();
    uint32_t HashLine(const char* p) const;
    bool LinesDiffer(const char* s1, const char* s2) const;
    void DiscardConfusingLines();
    void CompareSequences();
    // Kept out of line: inlined, the compiler lays out its loops slower.
    __attribute__((noinline)) void Diag(lin xoff, lin xlim, lin yoff, lin ylim, bool findMinimal,
                                        Partition& part);
    // Diag's ways out short of the searches meeting, on the diagonals each
    // has reached after cost steps.
    bool CutAtLongSnake(const DiagBox& box, const DiagSweep& forward, const DiagSweep& backward, lin cost,
                        Partition& part) const;
    bool ForwardLongSnake(const DiagBox& box, const DiagSweep& forward, lin cost, Partition& part) const;
    bool BackwardLongSnake(const DiagBox& box, const DiagSweep& backward, lin cost, Partition& part) const;
    Partition SplitAtFurthest(const DiagBox& box, const DiagSweep& forward, const DiagSweep& backward) const;
    void ShiftBoundaries();
    void BuildScript(std::vector<TEXTSECTION>& sections) const;
    void SlideIntoSuffix(std::vector<TEXTSECTION>& sections) const;
    bool Ignorable(const Side& side, lin first, lin count) const;
    // Empty, or only white space where white space is ignored (as diff -w -B
    // and -b -B take it).
    bool IsBlank(std::string_view line) const {
        if (line.empty()) return true;
        if (m_settings.whiteSpaceMode != WHITESPACE_ALL && m_settings.whiteSpaceMode != WHITESPACE_AMOUNT)
            return false;
        return std::all_of(line.begin(), line.end(),
                           [](char c) { return IsSpace(static_cast<unsigned char>(c)); });
    }

    // A class: its first line, for comparing others with it: the analysed
    // line's number, counting the left side's lines first, and its length.
    struct EQUIV {
        uint32_t line;
        uint32_t length;
    };
    const char* ClassLine(const EQUIV& cls) const {
        const lin left = m_side[0].count;
        const lin line = static_cast<lin>(cls.line);
        return line < left ? m_side[0].Line(line) : m_side[1].Line(line - left);
    }

    const CTextCompare& m_settings;
    Side m_side[2];
    lin m_prefixLines = 0;
    platform::LargeVector<EQUIV> m_classes;  // numbered from 1, while the lines are hashed
    size_t m_classCount = 0;                 // with the unused class 0
    platform::LargeBytes m_fdiagStorage;
    platform::LargeBytes m_bdiagStorage;
    stored* m_fdiag = nullptr;
    stored* m_bdiag = nullptr;
    lin m_diagOffset = 0;
    lin m_tooExpensive = 0;
};

// Whether line i of a equals line j of b, terminator included: an
// incomplete last line equals only an incomplete one.
bool SameLine(const TEXTLINES& a, size_t i, const TEXTLINES& b, size_t j) {
    const std::string_view x = a.Line(i), y = b.Line(j);
    if (x.size() != y.size() || std::memcmp(x.data(), y.data(), x.size()) != 0) return false;
    const bool xIncomplete = a.lastIncomplete && i + 1 == a.Count();
    const bool yIncomplete = b.lastIncomplete && j + 1 == b.Count();
    return xIncomplete == yIncomplete;
}

void Engine::FindIdenticalEnds() {
    const TEXTLINES& a = *m_side[0].input;
    const TEXTLINES& b = *m_side[1].input;
    const size_t na = a.Count(), nb = b.Count();
    // Whole lines equal from the start, then from the end (when both sides
    // agree on whether the last line is incomplete) without overlapping.
    size_t prefix = 0;
    while (prefix < na && prefix < nb && SameLine(a, prefix, b, prefix)) ++prefix;
    size_t suffix = 0;
    if (a.lastIncomplete == b.lastIncomplete)
        while (suffix < na - prefix && suffix < nb - prefix &&
               SameLine(a, na - 1 - suffix, b, nb - 1 - suffix))
            ++suffix;
    m_prefixLines = static_cast<lin>(prefix);
    const size_t counts[2] = {na, nb};
    for (int f = 0; f < 2; ++f) {
        Side& side = m_side[f];
        side.first = static_cast<lin>(prefix);
        side.count = static_cast<lin>(counts[f] - prefix - suffix);
        side.lastAnalysedIncomplete = side.input->lastIncomplete && suffix == 0 && side.count > 0;
    }
}

uint32_t Engine::HashLine(const char* p) const {
    const bool icase = m_settings.ignoreCase;
    uint32_t h = 0;
    unsigned char c;
    switch (m_settings.whiteSpaceMode) {
        case WHITESPACE_ALL:
            while ((c = static_cast<unsigned char>(*p++)) != '\n')
                if (!IsSpace(c)) h = Hash(h, icase ? Lower(c) : c);
            break;
        case WHITESPACE_AMOUNT:
            while ((c = static_cast<unsigned char>(*p++)) != '\n') {
                if (IsSpace(c)) {
                    do {
                        if ((c = static_cast<unsigned char>(*p++)) == '\n') return h;
                    } while (IsSpace(c));
                    h = Hash(h, ' ');
                }
                h = Hash(h, icase ? Lower(c) : c);
            }
            break;
        case WHITESPACE_TAB_EXPANSION: {
            size_t column = 0;
            const size_t tab = static_cast<size_t>(m_settings.tabSize > 0 ? m_settings.tabSize : 1);
            while ((c = static_cast<unsigned char>(*p++)) != '\n') {
                size_t repetitions = 1;
                switch (c) {
                    case '\b': column -= 0 < column; break;
                    case '\t':
                        c = ' ';
                        repetitions = tab - column % tab;
                        column += repetitions;
                        break;
                    case '\r': column = 0; break;
                    default: ++column; break;
                }
                if (icase) c = Lower(c);
                do h = Hash(h, c);
                while (--repetitions != 0);
            }
            break;
        }
        default:
            while ((c = static_cast<unsigned char>(*p++)) != '\n') h = Hash(h, icase ? Lower(c) : c);
            break;
    }
    return h;
}

// Both lines end at "\n".
bool Engine::LinesDiffer(const char* s1, const char* s2) const {
    const auto* t1 = reinterpret_cast<const unsigned char*>(s1);
    const auto* t2 = reinterpret_cast<const unsigned char*>(s2);
    const auto* start1 = t1;
    const auto* start2 = t2;
    const size_t tab = static_cast<size_t>(m_settings.tabSize > 0 ? m_settings.tabSize : 1);
    size_t column = 0;
    for (;;) {
        unsigned char c1 = *t1++;
        unsigned char c2 = *t2++;
        if (c1 != c2) {
            switch (m_settings.whiteSpaceMode) {
                case WHITESPACE_ALL:
                    while (IsSpace(c1) && c1 != '\n') c1 = *t1++;
                    while (IsSpace(c2) && c2 != '\n') c2 = *t2++;
                    break;
                case WHITESPACE_AMOUNT:
                    // A run of white space is one space, or nothing before the end.
                    if (IsSpace(c1)) {
                        while (c1 != '\n') {
                            c1 = *t1++;
                            if (!IsSpace(c1)) {
                                --t1;
                                c1 = ' ';
                                break;
                            }
                        }
                    }
                    if (IsSpace(c2)) {
                        while (c2 != '\n') {
                            c2 = *t2++;
                            if (!IsSpace(c2)) {
                                --t2;
                                c2 = ' ';
                                break;
                            }
                        }
                    }
                    if (c1 != c2) {
                        // One side went past the other's run: back up and retry.
                        if (c2 == ' ' && c1 != '\n' && t1 - 1 > start1 && IsSpace(t1[-2])) {
                            --t1;
                            continue;
                        }
                        if (c1 == ' ' && c2 != '\n' && t2 - 1 > start2 && IsSpace(t2[-2])) {
                            --t2;
                            continue;
                        }
                    }
                    break;
                case WHITESPACE_TAB_EXPANSION:
                    if ((c1 == ' ' && c2 == '\t') || (c1 == '\t' && c2 == ' ')) {
                        size_t column2 = column;
                        for (;; c1 = *t1++) {
                            if (c1 == ' ')
                                ++column;
                            else if (c1 == '\t')
                                column += tab - column % tab;
                            else
                                break;
                        }
                        for (;; c2 = *t2++) {
                            if (c2 == ' ')
                                ++column2;
                            else if (c2 == '\t')
                                column2 += tab - column2 % tab;
                            else
                                break;
                        }
                        if (column != column2) return true;
                    }
                    break;
                default: break;
            }
            if (m_settings.ignoreCase) {
                c1 = Lower(c1);
                c2 = Lower(c2);
            }
            if (c1 != c2) return true;
        }
        if (c1 == '\n') return false;
        column += c1 == '\t' ? tab - column % tab : 1;
    }
}

void Engine::HashLines() {
    const lin total = m_side[0].count + m_side[1].count;
    // An open table of (hash, class) pairs; a lookup reads one place in
    // memory, not a chain. Compared texts share most of their lines, so it
    // starts with twice as many places as the larger side has lines (half
    // full, probes stay short); when three quarters full it grows to hold
    // every line still to come. The
    // incomplete last lines of modes 0 and 1 match only each other, so they
    // are kept apart in a short list.
    struct SLOT {
        uint32_t hash;
        uint32_t cls;  // 0: empty
    };
    size_t capacity =
        std::max<size_t>(kMinimumTable, static_cast<size_t>(std::max(m_side[0].count, m_side[1].count)) * 2);
    platform::LargeVector<SLOT> table(capacity, SLOT{0, 0});
    size_t used = 0;
    std::vector<uint32_t> incompleteClasses;
    // The hash spread over the table's places by a multiplication.
    auto home = [&](uint32_t h) {
        return static_cast<size_t>((static_cast<uint64_t>(h * 0x9E3779B1u) * capacity) >> 32);
    };
    m_classes.clear();
    m_classes.reserve(static_cast<size_t>(total) + 2);
    m_classes.push_back({0, 0});

    const bool exact = m_settings.whiteSpaceMode == WHITESPACE_NONE && !m_settings.ignoreCase;
    const bool separateIncomplete =
        m_settings.whiteSpaceMode == WHITESPACE_NONE || m_settings.whiteSpaceMode == WHITESPACE_TAB_EXPANSION;
    // The hashes and lengths of a block of lines first, in one sequential
    // pass, so that the place of a line a few lines ahead can be fetched
    // while this one is placed.
    uint32_t hashes[kHashBlock];
    uint32_t lengths[kHashBlock];
    const char* starts[kHashBlock];
    lin placed = 0;  // lines of the sides before this one
    for (Side& side : m_side) {
        const bool lastIncomplete = side.lastAnalysedIncomplete;
        auto sameClass = [&](uint32_t e, const char* line, size_t length) {
            const EQUIV& cls = m_classes[e];
            return exact ? (cls.length == length && std::memcmp(ClassLine(cls), line, length) == 0)
                         : !LinesDiffer(ClassLine(cls), line);
        };
        constexpr lin kAhead = 16;
        side.equivs.assign(static_cast<size_t>(side.count), 0);
        for (lin block = 0; block < side.count; block += kHashBlock) {
            const lin blockEnd = std::min<lin>(side.count, block + kHashBlock);
            for (lin k = block; k < blockEnd; ++k) {
                // Each line is found once, here.
                const std::string_view line = side.Characters(k);
                starts[k - block] = line.data();
                lengths[k - block] = static_cast<uint32_t>(line.size());
                // Lines that are equal only byte for byte may hash any way:
                // eight bytes at a time.
                hashes[k - block] = exact ? HashBytes(line.data(), line.size()) : HashLine(line.data());
            }
            for (lin k = block; k < blockEnd; ++k) {
                if (k + kAhead < blockEnd) __builtin_prefetch(&table[home(hashes[k + kAhead - block])]);
                const char* line = starts[k - block];
                const size_t length = lengths[k - block];
                const uint32_t h = hashes[k - block];
                const auto number = static_cast<uint32_t>(placed + k);
                uint32_t found = 0;
                if (lastIncomplete && k == side.count - 1 && separateIncomplete) {
                    for (const uint32_t e : incompleteClasses)
                        if (sameClass(e, line, length)) found = e;
                    if (found == 0) {
                        found = static_cast<uint32_t>(m_classes.size());
                        m_classes.push_back({number, static_cast<uint32_t>(length)});
                        incompleteClasses.push_back(found);
                    }
                    side.equivs[static_cast<size_t>(k)] = found;
                    continue;
                }
                size_t at = home(h);
                for (; table[at].cls != 0; at = at + 1 == capacity ? 0 : at + 1) {
                    if (table[at].hash == h && sameClass(table[at].cls, line, length)) {
                        found = table[at].cls;
                        break;
                    }
                }
                if (found == 0) {
                    found = static_cast<uint32_t>(m_classes.size());
                    m_classes.push_back({number, static_cast<uint32_t>(length)});
                    table[at] = {h, found};
                    if (++used * 4 > capacity * 3) {
                        // Room for every line still to come, every pair placed again.
                        const size_t rest = static_cast<size_t>(total - (placed + k + 1));
                        platform::LargeVector<SLOT> old(
                            std::max(capacity * 2, (used + rest) / 3 * 4 + kMinimumTable), SLOT{0, 0});
                        old.swap(table);
                        capacity = table.size();
                        for (const SLOT& slot : old) {
                            if (slot.cls == 0) continue;
                            size_t to = home(slot.hash);
                            while (table[to].cls != 0) to = to + 1 == capacity ? 0 : to + 1;
                            table[to] = slot;
                        }
                    }
                }
                side.equivs[static_cast<size_t>(k)] = found;
            }
        }
        placed += side.count;
    }
    // Only the number of classes is needed from here on.
    m_classCount = m_classes.size();
    platform::LargeVector<EQUIV>().swap(m_classes);
}

void Engine::DiscardConfusingLines() {
    const size_t nclasses = m_classCount;
    for (Side& side : m_side) {
        side.changedStorage.assign(static_cast<size_t>(side.count) + 2, 0);
        side.changed = side.changedStorage.data() + 1;
    }
    platform::LargeVector<stored> counts[2];
    for (int f = 0; f < 2; ++f) {
        counts[f].assign(nclasses, 0);
        for (uint32_t e : m_side[f].equivs) ++counts[f][e];
    }

    platform::LargeVector<char> discards[2];
    for (int f = 0; f < 2; ++f) {
        const Side& side = m_side[f];
        const lin end = side.count;
        discards[f].assign(static_cast<size_t>(end), 0);
        if (m_settings.minimal) continue;
        const platform::LargeVector<stored>& other = counts[1 - f];
        lin many = 5;
        for (lin tem = end / 64; (tem >>= 2) > 0;) many *= 2;
        for (lin i = 0; i < end; ++i) {
            const lin nmatch = other[static_cast<size_t>(side.equivs[static_cast<size_t>(i)])];
            if (nmatch == 0)
                discards[f][static_cast<size_t>(i)] = 1;
            else if (nmatch > many)
                discards[f][static_cast<size_t>(i)] = 2;
        }
    }
    for (auto& count : counts) platform::LargeVector<stored>().swap(count);

    // Provisional discards stand only inside runs of discardable lines.
    for (int f = 0; f < 2; ++f) {
        char* d = discards[f].data();
        const lin end = m_side[f].count;
        for (lin i = 0; i < end; ++i) {
            if (d[i] == 2) {
                d[i] = 0;
            } else if (d[i] != 0) {
                lin j, provisional = 0;
                for (j = i; j < end; ++j) {
                    if (d[j] == 0) break;
                    if (d[j] == 2) ++provisional;
                }
                while (j > i && d[j - 1] == 2) d[--j] = 0, --provisional;
                const lin length = j - i;
                if (provisional * 4 > length) {
                    while (j > i)
                        if (d[--j] == 2) d[j] = 0;
                } else {
                    lin minimum = 1;
                    for (lin tem = length >> 2; 0 < (tem >>= 2);) minimum <<= 1;
                    ++minimum;
                    lin consec = 0;
                    for (j = 0; j < length; ++j) {
                        if (d[i + j] != 2)
                            consec = 0;
                        else if (minimum == ++consec)
                            j -= consec;  // back to the sub-run's start, clearing it all
                        else if (minimum < consec)
                            d[i + j] = 0;
                    }
                    consec = 0;
                    for (j = 0; j < length; ++j) {
                        if (j >= 8 && d[i + j] == 1) break;
                        if (d[i + j] == 2)
                            consec = 0, d[i + j] = 0;
                        else if (d[i + j] == 0)
                            consec = 0;
                        else
                            ++consec;
                        if (consec == 3) break;
                    }
                    i += length - 1;
                    consec = 0;
                    for (j = 0; j < length; ++j) {
                        if (j >= 8 && d[i - j] == 1) break;
                        if (d[i - j] == 2)
                            consec = 0, d[i - j] = 0;
                        else if (d[i - j] == 0)
                            consec = 0;
                        else
                            ++consec;
                        if (consec == 3) break;
                    }
                }
            }
        }
    }

    for (int f = 0; f < 2; ++f) {
        Side& side = m_side[f];
        side.undiscarded.clear();
        side.realindexes.clear();
        // Sized at once: growing would copy them.
        const auto kept = static_cast<size_t>(std::count(discards[f].begin(), discards[f].end(), 0));
        side.undiscarded.reserve(kept);
        side.realindexes.reserve(kept);
        for (lin i = 0; i < side.count; ++i) {
            if (discards[f][static_cast<size_t>(i)]) {
                side.changed[i] = 1;
            } else {
                side.undiscarded.push_back(side.equivs[static_cast<size_t>(i)]);
                side.realindexes.push_back(static_cast<stored>(i));
            }
        }
        platform::LargeVector<char>().swap(discards[f]);
    }
}

// The middle snake of the box (Myers' search from both ends at once): a
// forward and a backward search, each one more edit step on each of its
// diagonals per round, until they meet. Unless a minimal script is wanted,
// a round may end the search early at a long snake, and one past the cost
// limit splits where a search has come furthest.
void Engine::Diag(lin xoff, lin xlim, lin yoff, lin ylim, bool findMinimal, Partition& part) {
    const uint32_t* xv = m_side[0].undiscarded.data();
    const uint32_t* yv = m_side[1].undiscarded.data();
    stored* fd = m_fdiag + m_diagOffset;
    stored* bd = m_bdiag + m_diagOffset;
    const lin dmin = xoff - ylim, dmax = xlim - yoff;
    const lin fmid = xoff - yoff, bmid = xlim - ylim;
    lin fmin = fmid, fmax = fmid, bmin = bmid, bmax = bmid;
    const bool odd = ((fmid - bmid) & 1) != 0;
    fd[fmid] = static_cast<stored>(xoff);
    bd[bmid] = static_cast<stored>(xlim);

    for (lin c = 1;; ++c) {
        bool bigSnake = false;
        // The forward search, one more edit step on each diagonal.
        if (fmin > dmin)
            fd[--fmin - 1] = -1;
        else
            ++fmin;
        if (fmax < dmax)
            fd[++fmax + 1] = -1;
        else
            --fmax;
        for (lin d = fmax; d >= fmin; d -= 2) {
            const lin tlo = fd[d - 1], thi = fd[d + 1];
            const lin x0 = tlo >= thi ? tlo + 1 : thi;
            lin x = x0, y = x0 - d;
            while (x < xlim && y < ylim && xv[x] == yv[y]) ++x, ++y;
            if (x - x0 > CTextCompare::kSnakeLimit) bigSnake = true;
            fd[d] = static_cast<stored>(x);
            if (odd && bmin <= d && d <= bmax && bd[d] <= x) {
                part = {x, y, true, true};
                return;
            }
        }
        // The backward search likewise.
        if (bmin > dmin)
            bd[--bmin - 1] = kStoredMax;
        else
            ++bmin;
        if (bmax < dmax)
            bd[++bmax + 1] = kStoredMax;
        else
            --bmax;
        for (lin d = bmax; d >= bmin; d -= 2) {
            const lin tlo = bd[d - 1], thi = bd[d + 1];
            const lin x0 = tlo < thi ? tlo : thi - 1;
            lin x = x0, y = x0 - d;
            while (xoff < x && yoff < y && xv[x - 1] == yv[y - 1]) --x, --y;
            if (x0 - x > CTextCompare::kSnakeLimit) bigSnake = true;
            bd[d] = static_cast<stored>(x);
            if (!odd && fmin <= d && d <= fmax && x <= fd[d]) {
                part = {x, y, true, true};
                return;
            }
        }
        if (findMinimal) continue;

        // The box and the sweeps go to the helpers as copies, so that the
        // loops above keep them in registers.
        if (200 < c && bigSnake && m_settings.speedHeuristic &&
            CutAtLongSnake({xoff, xlim, yoff, ylim}, {fmin, fmax, fmid}, {bmin, bmax, bmid}, c, part))
            return;
        if (c >= m_tooExpensive) {
            part = SplitAtFurthest({xoff, xlim, yoff, ylim}, {fmin, fmax, fmid}, {bmin, bmax, bmid});
            return;
        }
    }
}

// The speed heuristic: a diagonal that has made much more progress than the
// cost so far, ending in a long snake, is taken as if the searches had met
// there; the forward search's first. False when neither has one.
bool Engine::CutAtLongSnake(const DiagBox& box, const DiagSweep& forward, const DiagSweep& backward, lin cost,
                            Partition& part) const {
    if (ForwardLongSnake(box, forward, cost, part)) {
        part.loMinimal = true;
        part.hiMinimal = false;
        return true;
    }
    if (BackwardLongSnake(box, backward, cost, part)) {
        part.loMinimal = false;
        part.hiMinimal = true;
        return true;
    }
    return false;
}

// The forward diagonal furthest ahead for its cost that ends in a snake of
// kSnakeLimit lines: its end goes into part's middle.
bool Engine::ForwardLongSnake(const DiagBox& box, const DiagSweep& forward, lin cost, Partition& part) const {
    const uint32_t* xv = m_side[0].undiscarded.data();
    const uint32_t* yv = m_side[1].undiscarded.data();
    const stored* fd = m_fdiag + m_diagOffset;
    lin best = 0;
    for (lin d = forward.max; d >= forward.min; d -= 2) {
        const lin dd = d - forward.mid;
        const lin x = fd[d], y = x - d;
        const lin v = (x - box.xoff) * 2 - dd;
        if (v > 12 * (cost + (dd < 0 ? -dd : dd)) && v > best && box.xoff + CTextCompare::kSnakeLimit <= x &&
            x < box.xlim && box.yoff + CTextCompare::kSnakeLimit <= y && y < box.ylim) {
            for (int k = 1; xv[x - k] == yv[y - k]; ++k) {
                if (k == CTextCompare::kSnakeLimit) {
                    best = v;
                    part.xmid = x;
                    part.ymid = y;
                    break;
                }
            }
        }
    }
    return best > 0;
}

// The same for the backward diagonals, whose snakes run on from their ends.
bool Engine::BackwardLongSnake(const DiagBox& box, const DiagSweep& backward, lin cost,
                               Partition& part) const {
    const uint32_t* xv = m_side[0].undiscarded.data();
    const uint32_t* yv = m_side[1].undiscarded.data();
    const stored* bd = m_bdiag + m_diagOffset;
    lin best = 0;
    for (lin d = backward.max; d >= backward.min; d -= 2) {
        const lin dd = d - backward.mid;
        const lin x = bd[d], y = x - d;
        const lin v = (box.xlim - x) * 2 + dd;
        if (v > 12 * (cost + (dd < 0 ? -dd : dd)) && v > best && box.xoff < x &&
            x <= box.xlim - CTextCompare::kSnakeLimit && box.yoff < y &&
            y <= box.ylim - CTextCompare::kSnakeLimit) {
            for (int k = 0; xv[x + k] == yv[y + k]; ++k) {
                if (k == CTextCompare::kSnakeLimit - 1) {
                    best = v;
                    part.xmid = x;
                    part.ymid = y;
                    break;
                }
            }
        }
    }
    return best > 0;
}

// Too expensive: the split goes where one of the searches has come
// furthest (x + y forwards, least x + y backwards), whichever is further.
Partition Engine::SplitAtFurthest(const DiagBox& box, const DiagSweep& forward,
                                  const DiagSweep& backward) const {
    const stored* fd = m_fdiag + m_diagOffset;
    const stored* bd = m_bdiag + m_diagOffset;
    lin fxybest = -1, fxbest = 0;
    for (lin d = forward.max; d >= forward.min; d -= 2) {
        lin x = std::min<lin>(fd[d], box.xlim), y = x - d;
        if (box.ylim < y) x = box.ylim + d, y = box.ylim;
        if (fxybest < x + y) {
            fxybest = x + y;
            fxbest = x;
        }
    }
    lin bxybest = kLinMax, bxbest = 0;
    for (lin d = backward.max; d >= backward.min; d -= 2) {
        lin x = std::max<lin>(box.xoff, bd[d]), y = x - d;
        if (y < box.yoff) x = box.yoff + d, y = box.yoff;
        if (x + y < bxybest) {
            bxybest = x + y;
            bxbest = x;
        }
    }
    if ((box.xlim + box.ylim) - bxybest < fxybest - (box.xoff + box.yoff))
        return {fxbest, fxybest - fxbest, true, false};
    return {bxbest, bxybest - bxbest, false, true};
}

void Engine::CompareSequences() {
    const lin nx = static_cast<lin>(m_side[0].undiscarded.size());
    const lin ny = static_cast<lin>(m_side[1].undiscarded.size());
    m_diagOffset = ny + 1;
    // Each search writes a diagonal before it reads it: the arrays need no
    // first values, so that only the diagonals searched take memory.
    const size_t diagonals = static_cast<size_t>(nx + ny + 3);
    m_fdiagStorage = platform::MakeLargeBytes(diagonals * sizeof(stored));
    m_bdiagStorage = platform::MakeLargeBytes(diagonals * sizeof(stored));
    m_fdiag = reinterpret_cast<stored*>(m_fdiagStorage.get());
    m_bdiag = reinterpret_cast<stored*>(m_bdiagStorage.get());
    m_tooExpensive = 1;
    for (lin diags = nx + ny + 3; diags != 0; diags >>= 2) m_tooExpensive <<= 1;
    m_tooExpensive = std::max<lin>(m_settings.tooExpensiveMinimum, m_tooExpensive);

    const uint32_t* xv = m_side[0].undiscarded.data();
    const uint32_t* yv = m_side[1].undiscarded.data();
    struct RANGE {
        lin xoff, xlim, yoff, ylim;
        bool minimal;
    };
    // The halves are processed from an explicit stack: the marks they leave
    // do not depend on the order, and deep splits need no deep recursion.
    std::vector<RANGE> stack{{0, nx, 0, ny, m_settings.minimal}};
    while (!stack.empty()) {
        RANGE r = stack.back();
        stack.pop_back();
        while (r.xoff < r.xlim && r.yoff < r.ylim && xv[r.xoff] == yv[r.yoff]) ++r.xoff, ++r.yoff;
        while (r.xlim > r.xoff && r.ylim > r.yoff && xv[r.xlim - 1] == yv[r.ylim - 1]) --r.xlim, --r.ylim;
        if (r.xoff == r.xlim) {
            while (r.yoff < r.ylim)
                m_side[1].changed[m_side[1].realindexes[static_cast<size_t>(r.yoff++)]] = 1;
        } else if (r.yoff == r.ylim) {
            while (r.xoff < r.xlim)
                m_side[0].changed[m_side[0].realindexes[static_cast<size_t>(r.xoff++)]] = 1;
        } else {
            Partition part{};
            Diag(r.xoff, r.xlim, r.yoff, r.ylim, r.minimal, part);
            stack.push_back({part.xmid, r.xlim, part.ymid, r.ylim, part.hiMinimal});
            stack.push_back({r.xoff, part.xmid, r.yoff, part.ymid, part.loMinimal});
        }
    }
}

void Engine::ShiftBoundaries() {
    for (int f = 0; f < 2; ++f) {
        char* changed = m_side[f].changed;
        const char* otherChanged = m_side[1 - f].changed;
        const uint32_t* equivs = m_side[f].equivs.data();
        const lin iEnd = m_side[f].count;
        lin i = 0, j = 0;
        for (;;) {
            // The next run of changes, and the corresponding point in the other side.
            while (i < iEnd && !changed[i]) {
                while (otherChanged[j++]) continue;
                ++i;
            }
            if (i == iEnd) break;
            lin start = i;
            while (changed[++i]) continue;
            while (otherChanged[j]) ++j;

            lin runLength, corresponding;
            do {
                runLength = i - start;
                // Back while the line before the run equals its last line.
                while (start && equivs[start - 1] == equivs[i - 1]) {
                    changed[--start] = 1;
                    changed[--i] = 0;
                    while (changed[start - 1]) --start;
                    while (otherChanged[--j]) continue;
                }
                corresponding = otherChanged[j - 1] ? i : iEnd;
                // Forward while the run's first line equals the line after it.
                while (i != iEnd && equivs[start] == equivs[i]) {
                    changed[start++] = 0;
                    changed[i++] = 1;
                    while (changed[i]) ++i;
                    while (otherChanged[++j]) corresponding = i;
                }
            } while (runLength != i - start);

            // Back to where it last lay opposite changes of the other side.
            while (corresponding < i) {
                changed[--start] = 1;
                changed[--i] = 0;
                while (otherChanged[--j]) continue;
            }
        }
    }
}

bool Engine::Ignorable(const Side& side, lin first, lin count) const {
    for (lin k = first; k < first + count; ++k) {
        const size_t length = side.LengthWithoutTerminator(k);
        if (m_settings.ignoreBlankLines && IsBlank(side.Characters(k))) continue;
        if (m_settings.lineFilter != nullptr &&
            m_settings.lineFilter->Matches(std::string_view(side.Line(k), length)))
            continue;
        return false;
    }
    return true;
}

void Engine::BuildScript(std::vector<TEXTSECTION>& sections) const {
    const char* changed0 = m_side[0].changed;
    const char* changed1 = m_side[1].changed;
    lin i0 = m_side[0].count, i1 = m_side[1].count;
    const bool mayIgnore = m_settings.ignoreBlankLines || m_settings.lineFilter != nullptr;
    std::vector<TEXTSECTION> reversed;
    while (i0 >= 0 || i1 >= 0) {
        if (changed0[i0 - 1] | changed1[i1 - 1]) {
            const lin line0 = i0, line1 = i1;
            while (changed0[i0 - 1]) --i0;
            while (changed1[i1 - 1]) --i1;
            const lin deleted = line0 - i0, inserted = line1 - i1;
            const bool ignorable =
                mayIgnore && Ignorable(m_side[0], i0, deleted) && Ignorable(m_side[1], i1, inserted);
            const int base = static_cast<int>(m_prefixLines);
            reversed.push_back({base + static_cast<int>(i0), base + static_cast<int>(i0 + deleted) - 1,
                                base + static_cast<int>(i1), base + static_cast<int>(i1 + inserted) - 1,
                                ignorable ? SECTION_IGNORABLE : SECTION_DIFFERENCE});
        }
        --i0;
        --i1;
    }
    sections.assign(reversed.rbegin(), reversed.rend());
}

// Boundary shifting moves a run of inserted or deleted lines as far down as
// its lines allow, but only within the lines analysed: the common suffix
// stops it. A last such run that ends where the suffix begins goes on down
// into it while its first line equals the line after it, so that it lies
// where it would without the suffix taken off, as git places it.
void Engine::SlideIntoSuffix(std::vector<TEXTSECTION>& sections) const {
    if (sections.empty()) return;
    TEXTSECTION& last = sections.back();
    const int leftEnd = static_cast<int>(m_prefixLines + m_side[0].count);
    const int rightEnd = static_cast<int>(m_prefixLines + m_side[1].count);
    if (last.leftLast + 1 != leftEnd || last.rightLast + 1 != rightEnd) return;
    const bool inserted = last.leftLast < last.leftFirst, deleted = last.rightLast < last.rightFirst;
    if (inserted == deleted) return;
    const TEXTLINES& lines = *m_side[inserted ? 1 : 0].input;
    int& first = inserted ? last.rightFirst : last.leftFirst;
    int& lastLine = inserted ? last.rightLast : last.leftLast;
    int& otherFirst = inserted ? last.leftFirst : last.rightFirst;
    int& otherLast = inserted ? last.leftLast : last.rightLast;
    while (static_cast<size_t>(lastLine) + 1 < lines.Count() &&
           SameLine(lines, static_cast<size_t>(first), lines, static_cast<size_t>(lastLine) + 1)) {
        ++first;
        ++lastLine;
        ++otherFirst;
        ++otherLast;
    }
}

void Engine::Run(const TEXTLINES& left, const TEXTLINES& right, std::vector<TEXTSECTION>& sections) {
    m_side[0].input = &left;
    m_side[1].input = &right;
    FindIdenticalEnds();
    HashLines();
    if (TEXTLINECLASSES* classes = m_settings.lineClasses) {
        for (int f = 0; f < 2; ++f) {
            classes->first[f] = static_cast<int>(m_side[f].first);
            classes->classes[f].assign(m_side[f].equivs.begin(), m_side[f].equivs.end());
        }
    }
    DiscardConfusingLines();
    CompareSequences();
    ShiftBoundaries();
    BuildScript(sections);
    if (m_settings.slideIntoSuffix) SlideIntoSuffix(sections);
}

}  // namespace

std::string_view TEXTLINES::MeasuredLine(size_t i) const {
    const char* start = Start(i);
    return {start, static_cast<size_t>(static_cast<const char*>(rawmemchr(start, '\n')) - start)};
}

void TEXTLINES::ListBufferLines() {
    if (buffer == nullptr) return;
    starts.clear();
    starts.reserve(bufferLines);
    for (size_t i = 0; i < bufferLines; ++i) starts.push_back(Start(i));
    buffer = nullptr;
    bufferLines = 0;
    bufferLast = nullptr;
}

std::string_view CLineStore::Add(std::string_view characters) {
    const size_t needed = characters.size() + 1;
    if (needed > m_left) {
        const size_t piece = std::max<size_t>(needed, 256 * 1024);
        m_pieces.push_back(std::make_unique_for_overwrite<char[]>(piece));
        m_next = m_pieces.back().get();
        m_left = piece;
    }
    char* stored = m_next;
    if (!characters.empty()) std::memcpy(stored, characters.data(), characters.size());
    stored[characters.size()] = '\n';
    m_next += needed;
    m_left -= needed;
    return {stored, characters.size()};
}

void SplitTextLines(const char* text, size_t length, TEXTLINES& lines, CLineStore& store) {
    lines = TEXTLINES();
    lines.lastIncomplete = length > 0 && text[length - 1] != '\n';
    size_t at = 0;
    while (at < length) {
        const void* newline = std::memchr(text + at, '\n', length - at);
        if (newline == nullptr) break;
        const size_t end = static_cast<size_t>(static_cast<const char*>(newline) - text);
        lines.Add(std::string_view(text + at, end - at));
        at = end + 1;
    }
    // The last line gets the terminator the scans stop at.
    if (lines.lastIncomplete) lines.Add(store.Add(std::string_view(text + at, length - at)));
}

void CTextCompare::Run(const char* left, size_t leftLength, const char* right, size_t rightLength,
                       CTextSectionSink& sink) {
    TEXTLINES lines[2];
    CLineStore store;
    SplitTextLines(left, leftLength, lines[0], store);
    SplitTextLines(right, rightLength, lines[1], store);
    Run(lines[0], lines[1], sink);
}

void CTextCompare::Run(const TEXTLINES& left, const TEXTLINES& right, CTextSectionSink& sink) {
    m_sinkErrors.clear();
    std::vector<TEXTSECTION> sections;
    {
        Engine engine(*this);
        engine.Run(left, right, sections);
    }
    for (const TEXTSECTION& section : sections) {
        std::string error;
        if (!sink.AddSection(section, error)) m_sinkErrors.push_back(error);
    }
}

}  // namespace corvatine
