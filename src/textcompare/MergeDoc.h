// The three-way merge document: BASE, OURS and THEIRS loaded in their own
// encodings, merged into chunks, and the merged text that the user resolves
// chunk by chunk. The command line and the window both work on it: what is
// written, what counts as resolved and what the exit status is are decided
// here alone.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SyntaxEditContextEx.h"
#include "textcompare/Merge3.h"
#include "textcompare/TextCompare.h"

namespace corvatine {

enum MergeSide : int { MERGE_SIDE_BASE = 0, MERGE_SIDE_OURS = 1, MERGE_SIDE_THEIRS = 2 };

// What a chunk of the merged text holds.
enum MergeContent : int {
    CONTENT_AUTO = 0,         // the chunk's own result: a conflict's markers, else the changed side
    CONTENT_OURS = 1,         // OURS's lines
    CONTENT_THEIRS = 2,       // THEIRS's lines
    CONTENT_OURS_THEIRS = 3,  // OURS's lines, then THEIRS's
    CONTENT_THEIRS_OURS = 4,  // THEIRS's lines, then OURS's
    CONTENT_BASE = 5,         // BASE's lines
    CONTENT_EDITED = 6,       // lines the user wrote
};

// One line of the merged text: a side's line, or (side -1) a line of its own
// (a conflict marker, an edited line), which ends in OURS's line ending.
struct MERGEDLINE {
    int side = -1;
    int line = 0;
    std::string text;
};

// A merge as the command line names it, for both faces.
struct MERGEREQUEST {
    std::array<std::string, 3> paths;  // BASE, OURS, THEIRS
    std::vector<std::string>
        labels;  // OURS, BASE, THEIRS in turn (as git merge-file -L); the paths otherwise
    bool diff3 = false;
    std::string rules;  // rule words joined by '|' or ',' (ignoreallspace, ias ...); empty: none
};

class CMergeDoc {
public:
    struct CHUNKSTATE {
        int content = CONTENT_AUTO;
        bool resolved = false;            // a conflict the user settled; other chunks always are
        std::vector<std::string> edited;  // CONTENT_EDITED: the lines, without endings
        bool operator==(const CHUNKSTATE& o) const {
            return content == o.content && resolved == o.resolved && edited == o.edited;
        }
    };

    CMergeDoc();

    // Loads the three files (indexed by MergeSide) in the encodings their
    // byte-order marks or bytes call for. BASE may be missing: it is then
    // empty, as for a file both sides added. False, with error naming the
    // file and the reason, when a file cannot be read or holds binary data.
    [[nodiscard]] bool Load(const std::array<std::string, 3>& paths, std::string& error);
    // Loads and merges what the request names. False with error for a file
    // that cannot be read or a rule word that does not exist.
    [[nodiscard]] bool Open(const MERGEREQUEST& request, std::string& error);

    // Loads texts given in memory (the working code page, LF endings unless
    // written), for tests and for sides not read from files.
    void LoadTexts(const std::array<std::string, 3>& texts);

    // Merges under the text rule word (0: lines equal byte for byte, line
    // endings included, as git compares them) and line filter. Drops every
    // resolution and the history. False with error for a line filter that
    // is not a valid expression.
    [[nodiscard]] bool Merge(uint32_t rules, const std::string& lineFilter, std::string& error);

    // Marker labels: OURS, BASE, THEIRS (default: the paths loaded).
    void SetLabel(int side, const std::string& label) { m_labels[static_cast<size_t>(side)] = label; }
    const std::string& Label(int side) const { return m_labels[static_cast<size_t>(side)]; }
    // With diff3 an unresolved conflict also shows BASE's lines after a
    // "|||||||" marker, and is not narrowed to the lines where OURS and
    // THEIRS differ.
    void SetDiff3(bool diff3) { m_diff3 = diff3; }
    bool Diff3() const { return m_diff3; }

    const std::vector<MERGECHUNK>& Chunks() const { return m_chunks; }
    int ChunkCount() const { return static_cast<int>(m_chunks.size()); }
    const CHUNKSTATE& State(int chunk) const { return m_states[static_cast<size_t>(chunk)]; }
    const CSyntaxEditContextEx& Side(int side) const { return *m_sides[static_cast<size_t>(side)]; }
    const std::string& Path(int side) const { return m_paths[static_cast<size_t>(side)]; }
    int SideLineCount(int side) const { return m_lineCounts[static_cast<size_t>(side)]; }
    bool BaseMissing() const { return m_baseMissing; }

    int ConflictCount() const;
    int UnresolvedCount() const;
    // Whether the chunk is a conflict not yet resolved.
    bool IsUnresolved(int chunk) const;
    // The conflict's number among the conflicts (1-based), or 0 for another chunk.
    int ConflictNumber(int chunk) const;
    // The next (forward) or previous chunk from chunk (exclusive; -1 starts
    // before the first, ChunkCount() after the last) that is a conflict, or
    // with conflictsOnly false any change; -1 when there is none.
    int FindChunk(int chunk, bool forward, bool conflictsOnly) const;

    // The merged lines of a chunk, and how many there are (without making them).
    void ChunkLines(int chunk, std::vector<MERGEDLINE>& lines) const;
    int ChunkLineCount(int chunk) const;
    // A side's lines of a chunk: [first, end).
    void SideRange(int chunk, int side, int& first, int& end) const;
    // A merged line's characters and the ending it is written with.
    std::string_view LineCharacters(const MERGEDLINE& line) const;
    std::string_view LineEnding(const MERGEDLINE& line) const;

    // Commands, each one step of the history. Taking a side resolves a
    // conflict; edited lines resolve it unless a conflict marker line is
    // left among them; MarkResolved toggles. False when the command does not
    // apply (a chunk out of range; nothing would change).
    bool Take(int chunk, int content);
    bool Edit(int chunk, std::vector<std::string> lines);
    bool MarkResolved(int chunk, bool resolved);
    bool Undo(int& chunk);
    bool Redo(int& chunk);
    bool CanUndo() const { return m_undoPosition > 0; }
    bool CanRedo() const { return m_undoPosition < static_cast<int>(m_history.size()); }
    // Whether anything changed since the merge or the last save.
    bool IsModified() const { return m_undoPosition != m_savedPosition; }

    // Writes the merged text line by line: characters and ending, and the
    // side whose bytes they are (-1: written here). A line without an
    // ending that is followed by another line gets OURS's.
    using LineWriter =
        std::function<bool(int side, int line, std::string_view characters, std::string_view ending)>;
    bool WriteMerged(const LineWriter& write) const;

    // Saves the merged text in OURS's encoding (byte-order mark included)
    // and line endings, replacing the file atomically and keeping its owner
    // and mode. False with error naming the file, or the first line the
    // encoding cannot represent.
    [[nodiscard]] bool Save(const std::string& path, std::string& error);
    // The merged text's bytes, the same as Save writes, handed to put piece
    // by piece. False with error for a line the encoding cannot represent
    // (or when put returns false).
    using ByteSink = std::function<bool(std::string_view bytes)>;
    [[nodiscard]] bool WriteBytes(const ByteSink& put, std::string& error) const;
    // All of them in one string.
    [[nodiscard]] bool MergedBytes(std::string& bytes, std::string& error) const;

    // Whether loads let lines borrow the files' bytes where they lie: only
    // for a merge whose files stay as they are while it lives (a run of the
    // command line). See CSyntaxEditContextEx::SetLoadInPlace.
    void SetLoadInPlace(bool inPlace) {
        for (auto& side : m_sides) side->SetLoadInPlace(inPlace);
    }

    // The exit status the merge ends with: 0 when every conflict is
    // resolved, 1 when some are not.
    int ExitStatus() const { return UnresolvedCount() == 0 ? 0 : 1; }

    // The rows of the side-by-side panes: each chunk takes as many rows as
    // the most lines a shown column (OURS, merged, THEIRS, and BASE when
    // withBase) has there; a column with fewer shows placeholder rows below
    // its lines. Made again by AlignRows after every change of the merge.
    void AlignRows(bool withBase);
    int RowCount() const { return m_rowStarts.empty() ? 0 : m_rowStarts.back(); }
    int ChunkFirstRow(int chunk) const { return m_rowStarts[static_cast<size_t>(chunk)]; }
    int ChunkRowCount(int chunk) const {
        return m_rowStarts[static_cast<size_t>(chunk) + 1] - m_rowStarts[static_cast<size_t>(chunk)];
    }
    // The merged text's line (0-based) where a chunk's merged lines begin.
    int ChunkMergedLine(int chunk) const { return m_mergedStarts[static_cast<size_t>(chunk)]; }
    // The chunk that holds a row (rows past the end: the last chunk; -1 when none).
    int ChunkAtRow(int row) const;
    // What a column shows on a row: a side's line (side 0-2) or the
    // merged chunk's line index (MERGE_COLUMN_MERGED); -1 for a placeholder.
    static constexpr int MERGE_COLUMN_MERGED = 3;
    int LineAtRow(int column, int row) const;
    // The merged line a row shows, with its characters in the line; false
    // for a placeholder row.
    bool MergedLineAtRow(int row, MERGEDLINE& line) const;

    // One line per chunk, DumpMergeChunks's with the merged lines' range and
    // state: "... merged M0-M1 [resolved|unresolved] [content N]".
    std::string Dump() const;

private:
    struct STEP {
        int chunk;
        CHUNKSTATE before;
        CHUNKSTATE after;
    };
    bool Apply(int chunk, CHUNKSTATE state);
    void AppendSide(int side, int first, int end, std::vector<MERGEDLINE>& lines) const;
    // The conflict's lines with markers.
    void ConflictLines(int chunk, std::vector<MERGEDLINE>& lines) const;
    bool SameLine(int sideA, int lineA, int sideB, int lineB) const;
    void DecideEndings();

    std::array<std::unique_ptr<CSyntaxEditContextEx>, 3> m_sides;
    std::array<std::string, 3> m_paths;
    std::array<std::string, 3> m_labels;
    std::array<int, 3> m_lineCounts{};
    bool m_baseMissing = false;
    bool m_diff3 = false;
    // The ending of lines written here, and of other sides' lines: OURS's
    // one kind; unless OURS mixes kinds or has none, when the other sides'
    // lines keep their own.
    std::string m_newEnding = "\n";
    bool m_keepOwnEndings = false;
    std::vector<MERGECHUNK> m_chunks;
    std::vector<CHUNKSTATE> m_states;
    std::vector<STEP> m_history;
    std::vector<int> m_rowStarts;     // each chunk's first row, and the row count last
    std::vector<int> m_mergedStarts;  // each chunk's first merged line, and the line count last
    int m_undoPosition = 0;
    int m_savedPosition = 0;
};

}  // namespace corvatine
