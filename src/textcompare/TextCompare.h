// The line difference engine: equivalence classes of lines under the
// comparison settings, a shortest edit script by the O(ND) difference
// algorithm with its cost-cutting heuristics, boundary shifting, and one
// section per change block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SyntaxTextBuffer.h"
#include "platform/LargeAlloc.h"
#include "textcompare/LineFilter.h"

namespace corvatine {

// White-space modes of the engine.
enum WhiteSpaceMode : int {
    WHITESPACE_NONE = 0,
    WHITESPACE_TAB_EXPANSION = 1,
    WHITESPACE_AMOUNT = 2,
    WHITESPACE_ALL = 3,
};

// Kinds of a section.
enum SectionKind : int {
    SECTION_IGNORABLE = 0,  // every line of the block is blank or matches the line filter
    SECTION_DIFFERENCE = 2,
};

// One change block in 0-based line numbers of the compared texts. An empty
// range has last = first - 1; its first line is where the other side's
// lines belong.
struct TEXTSECTION {
    int leftFirst;
    int leftLast;
    int rightFirst;
    int rightLast;
    int kind;
    bool operator==(const TEXTSECTION& o) const {
        return leftFirst == o.leftFirst && leftLast == o.leftLast && rightFirst == o.rightFirst &&
               rightLast == o.rightLast && kind == o.kind;
    }
};

// Where the sections go.
class CTextSectionSink {
public:
    virtual ~CTextSectionSink() = default;
    // False with a message when the sink could not take the section; the
    // run goes on with the next one.
    virtual bool AddSection(const TEXTSECTION& section, std::string& error) = 0;
};

// One side's lines as the engine reads them, where they lie: each line's
// characters without its ending, followed in memory by "\n" (the scans stop
// there). The last line may be incomplete: it had no ending in the text.
//
// The lines are either listed one by one, or they are the first lines of an
// editor buffer whose lines all end in a line feed (the usual text as
// loaded), so that a side costs no list of its own; only an incomplete last
// line then lies elsewhere.
struct TEXTLINES {
    // Where each line starts; it runs to the next "\n". Empty while the
    // lines are read from the buffer.
    platform::LargeVector<const char*> starts;
    bool lastIncomplete = false;
    const CSyntaxTextBuffer* buffer = nullptr;  // not owned
    size_t bufferLines = 0;
    const char* bufferLast = nullptr;  // the last line, when it does not lie in the buffer

    size_t Count() const { return buffer != nullptr ? bufferLines : starts.size(); }
    const char* Start(size_t i) const {
        if (buffer == nullptr) return starts[i];
        if (bufferLast != nullptr && i + 1 == bufferLines) return bufferLast;
        return buffer->GetLine(static_cast<int>(i)).Text();
    }
    // A line's characters, without the "\n". A buffer's line knows its
    // length; a listed one is measured.
    std::string_view Line(size_t i) const {
        if (buffer != nullptr && (bufferLast == nullptr || i + 1 != bufferLines)) {
            const CSyntaxTextLine& line = buffer->GetLine(static_cast<int>(i));
            return {line.Text(), static_cast<size_t>(line.Length())};
        }
        return MeasuredLine(i);
    }
    // Their length.
    size_t Length(size_t i) const { return Line(i).size(); }
    // Adds a line whose characters are followed in memory by "\n".
    void Add(std::string_view line) { starts.push_back(line.data()); }
    // Lists every line read from the buffer so far: the lines are listed
    // from then on.
    void ListBufferLines();

private:
    std::string_view MeasuredLine(size_t i) const;
};

// Copies of lines that need the terminator after them, in pieces that never
// move while the store lives.
class CLineStore {
public:
    // Stores the characters and a "\n"; returns the stored characters.
    std::string_view Add(std::string_view characters);

private:
    std::vector<std::unique_ptr<char[]>> m_pieces;
    char* m_next = nullptr;
    size_t m_left = 0;
};

// The lines of a text of "\n"-terminated lines; an incomplete last line is
// copied into the store to get its terminator.
void SplitTextLines(const char* text, size_t length, TEXTLINES& lines, CLineStore& store);

// The classes of equal lines a run found: two lines, of either side, are
// equal under the settings exactly when their classes are. Only the lines
// the run looked at have one: from first[side] on (the lines the sides share
// at their start and end are left out).
struct TEXTLINECLASSES {
    int first[2] = {0, 0};
    std::vector<uint32_t> classes[2];
    // The class of line i of a side; 0 when it has none.
    uint32_t Of(int side, int line) const {
        const int at = line - first[side];
        return at >= 0 && at < static_cast<int>(classes[side].size()) ? classes[side][static_cast<size_t>(at)]
                                                                      : 0;
    }
};

class CTextCompare {
public:
    static constexpr int kSnakeLimit = 20;

    int whiteSpaceMode = WHITESPACE_NONE;
    bool ignoreCase = false;
    bool ignoreBlankLines = false;
    const CLineFilter* lineFilter = nullptr;  // not owned
    int tabSize = 4;
    bool speedHeuristic = true;
    bool minimal = false;
    // The cost from which a search step gives up and splits where it has
    // come furthest: the square root of the input size, but at least this.
    // (GNU diff 3.4 and later use 4096.)
    int tooExpensiveMinimum = 256;
    // When set (not owned), Run fills in the classes of the lines it looked at.
    TEXTLINECLASSES* lineClasses = nullptr;
    // Whether the last run of inserted or deleted lines, when it ends where
    // the lines both texts end with begin, goes on down into them as far as
    // its lines allow: where git places it (so that a three-way merge finds
    // the conflicts git merge-file finds). GNU diff leaves it.
    bool slideIntoSuffix = false;

    // Compares two texts and hands each section to the sink in ascending
    // order. Bytes of any value are ordinary characters.
    void Run(const char* left, size_t leftLength, const char* right, size_t rightLength,
             CTextSectionSink& sink);
    // The same on lines that lie anywhere.
    void Run(const TEXTLINES& left, const TEXTLINES& right, CTextSectionSink& sink);

    // The messages of sections the sink refused in the last run.
    const std::vector<std::string>& SinkErrors() const { return m_sinkErrors; }

private:
    std::vector<std::string> m_sinkErrors;
};

// A sink that keeps the sections.
class CTextSectionCollector : public CTextSectionSink {
public:
    bool AddSection(const TEXTSECTION& section, std::string&) override {
        sections.push_back(section);
        return true;
    }
    std::vector<TEXTSECTION> sections;
};

}  // namespace corvatine
