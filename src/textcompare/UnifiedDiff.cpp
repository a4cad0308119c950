#include "textcompare/UnifiedDiff.h"

#include "platform/LargeAlloc.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

#include "fileio/CodePages.h"
#include "fileio/Conversion.h"
#include "fileio/TextFormat.h"

namespace corvatine {

namespace {

constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";

// A change in real line numbers: [first, first + count) on each side.
struct CHANGE {
    int left;
    int leftCount;
    int right;
    int rightCount;
};

// The real lines of a side, without the empty line after a final ending,
// and where each line starts a line of patch (the line before it ends in a
// line feed). Lines are in their file's own encoding, as diff and patch see
// the file: an 8-bit file's lines in its code page (lines read with loss as
// the bytes they were read from), a Unicode file's in UTF-8.
//
// When every line is the buffer's own bytes and ends in a line feed (but
// perhaps the last), lines are patch lines and are read from the buffer;
// otherwise each line is listed with where its patch line starts.
class SIDELINES {
public:
    explicit SIDELINES(CTextCompareObject& side) : m_side(side) {
        const int kind = side.GetEncodingKind();
        const int codePage = kind == ENCODING_CODEPAGE ? side.GetCodePage() : CP_UTF8;
        if (!CodePagesEquivalent(codePage, WorkingCodePage())) {
            m_converter =
                std::make_unique<CCharsetConverter>(IconvCharset(WorkingCodePage()), IconvCharset(codePage));
            // Where the code page's line breaks are the bytes CR and LF, no
            // character is written as one: which lines a line feed ends is
            // known without converting them, and only the lines written are.
            std::string breaks;
            int lossy = 0;
            CCharsetConverter(IconvCharset(codePage), IconvCharset(WorkingCodePage()))
                .Convert("\r\n", breaks, lossy);
            m_lazy = breaks == "\r\n";
        }
        m_ownBytes = kind == ENCODING_CODEPAGE || kind == ENCODING_UTF8;
        m_bom = kind == ENCODING_UTF8;
        const int rows = side.GetLineCount();
        int lastRow = rows - 1;
        while (lastRow >= 0 && (side.GetLine(lastRow).flags & LF_GHOST)) --lastRow;
        // The byte-order mark is part of the first line as patch reads it.
        bool inBuffer = !m_converter && !m_bom;
        int count = 0;
        for (int row = 0; row <= lastRow && inBuffer; ++row) {
            const CSyntaxTextLine& line = side.GetLine(row);
            if (line.flags & LF_GHOST) continue;
            ++count;
            if (m_ownBytes && line.Origin() != nullptr && side.BytesAsRead(line) != nullptr) inBuffer = false;
            if (row < lastRow && line.Ending() != "\n") inBuffer = false;
        }
        if (inBuffer) {
            m_count = count;
            if (m_count > 0 && side.GetLine(lastRow).FullLength() == 0) --m_count;
            return;
        }
        List();
    }
    int Count() const { return m_count; }
    // Whether the file starts with a UTF-8 byte-order mark.
    bool HasBom() const { return m_bom; }
    // Real line i, with its ending.
    std::string_view Line(int i) const {
        if (m_listed) {
            const auto at = static_cast<size_t>(i);
            if (!m_pendingRows.empty() && m_pendingRows[at] >= 0) {
                // Converted when first written.
                const CSyntaxTextLine& line = m_side.GetLine(m_pendingRows[at]);
                std::string& bytes = m_converted.emplace_back();
                int lossy = 0;
                m_converter->Convert(line.Characters(), bytes, lossy);
                bytes.append(line.Ending());
                m_lines[at] = bytes;
                m_pendingRows[at] = -1;
            }
            return m_lines[at];
        }
        const CSyntaxTextLine& line = m_side.GetLine(m_side.RealLineToRow(i));
        return {line.Text(), static_cast<size_t>(line.FullLength())};
    }
    // The patch line where line i starts; i may be Count().
    int PatchLine(int i) const { return m_listed ? m_patchLine[static_cast<size_t>(i)] : i; }
    // Whether line i begins a patch line.
    bool StartsLine(int i) const { return i == 0 || i >= Count() || !m_listed || EndsInLineFeed(i - 1); }

private:
    void List() {
        m_listed = true;
        const int rows = m_side.GetLineCount();
        m_lines.reserve(static_cast<size_t>(rows));
        for (int row = 0; row < rows; ++row) {
            const CSyntaxTextLine& line = m_side.GetLine(row);
            if (line.flags & LF_GHOST) continue;
            const std::string* read = m_ownBytes ? m_side.BytesAsRead(line) : nullptr;
            const bool first = m_bom && m_lines.empty();
            if (read == nullptr && !m_converter && !first) {
                m_lines.emplace_back(line.Text(), static_cast<size_t>(line.FullLength()));
                continue;
            }
            if (read == nullptr && m_lazy && !first) {
                // Its characters for now: the ending, and whether there are
                // any, are what the converted line has.
                if (m_pendingRows.empty()) m_pendingRows.resize(m_lines.size(), -1);
                m_lines.emplace_back(line.Text(), static_cast<size_t>(line.FullLength()));
                m_pendingRows.push_back(row);
                continue;
            }
            std::string& bytes = m_converted.emplace_back(first ? kUtf8Bom : "");
            int lossy = 0;
            if (read != nullptr)
                bytes += *read;
            else if (m_converter)
                m_converter->Convert(line.Characters(), bytes, lossy);
            else
                bytes.append(line.Characters());
            bytes.append(line.Ending());
            m_lines.emplace_back(bytes);
            if (!m_pendingRows.empty()) m_pendingRows.push_back(-1);
        }
        if (!m_lines.empty() && m_lines.back().empty()) {
            m_lines.pop_back();
            if (!m_pendingRows.empty()) m_pendingRows.pop_back();
        }
        m_count = static_cast<int>(m_lines.size());
        int count = 0;
        m_patchLine.reserve(m_lines.size() + 1);
        for (int i = 0; i < m_count; ++i) {
            m_patchLine.push_back(count);
            if (EndsInLineFeed(i)) ++count;
        }
        // An unterminated last line is a line of its own.
        if (m_count > 0 && !EndsInLineFeed(m_count - 1)) ++count;
        m_patchLine.push_back(count);
    }

    // Whether listed line i ends in a line feed (a line not converted yet
    // ends as its buffer line does).
    bool EndsInLineFeed(int i) const {
        const std::string_view line = m_lines[static_cast<size_t>(i)];
        return !line.empty() && line.back() == '\n';
    }

    CTextCompareObject& m_side;
    std::unique_ptr<CCharsetConverter> m_converter;
    bool m_lazy = false;  // lines are converted when written
    bool m_ownBytes = false;
    bool m_bom = false;
    bool m_listed = false;
    int m_count = 0;
    mutable platform::LargeVector<std::string_view> m_lines;
    // With lazy conversion, the row of each line not converted yet, else -1.
    mutable platform::LargeVector<int> m_pendingRows;
    platform::LargeVector<int> m_patchLine;  // patch line of each line's start; one more entry for the end
    mutable std::deque<std::string> m_converted;  // lines that are not the buffer's own bytes
};

void AppendLine(std::string& out, char prefix, std::string_view bytes) {
    out += prefix;
    out.append(bytes);
    if (bytes.empty() || bytes.back() != '\n') out += "\n\\ No newline at end of file\n";
}

// Writes the real lines [first, last) of a side with a prefix, one patch
// line at a time; returns how many patch lines.
int AppendLines(std::string& out, char prefix, const SIDELINES& side, int first, int last) {
    std::string current;
    int written = 0;
    for (int i = first; i < last; ++i) {
        current.append(side.Line(i));
        if ((!current.empty() && current.back() == '\n') || i == side.Count() - 1) {
            AppendLine(out, prefix, current);
            current.clear();
            ++written;
        }
    }
    return written;
}

// The C escape of a byte in a quoted name: a letter for the common controls,
// else three octal digits.
void AppendEscape(std::string& out, unsigned char c) {
    static const char kLetters[] = "abtnvfr";  // 7 to 13
    out += '\\';
    if (c >= 7 && c <= 13) {
        out += kLetters[c - 7];
    } else if (c == '"' || c == '\\') {
        out += static_cast<char>(c);
    } else {
        out += static_cast<char>('0' + (c >> 6));
        out += static_cast<char>('0' + ((c >> 3) & 7));
        out += static_cast<char>('0' + (c & 7));
    }
}

std::string Range(int first, int count) {
    // An empty range names the line before it.
    std::string text = std::to_string(count == 0 ? first : first + 1);
    if (count != 1) text += "," + std::to_string(count);
    return text;
}

}  // namespace

std::string UnifiedTimeStamp(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {};
    struct tm local {};
    const time_t seconds = info.st_mtim.tv_sec;
    if (::localtime_r(&seconds, &local) == nullptr) return {};
    char date[64], zone[16];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    std::strftime(zone, sizeof zone, "%z", &local);
    char text[128];
    std::snprintf(text, sizeof text, "%s.%09ld %s", date, static_cast<long>(info.st_mtim.tv_nsec), zone);
    return text;
}

std::string QuoteUnifiedName(std::string_view name) {
    const auto special = [](unsigned char c) {
        return c < 0x20 || c == ' ' || c == '"' || c == '\\' || c >= 0x80;
    };
    if (std::none_of(name.begin(), name.end(),
                     [&](char c) { return special(static_cast<unsigned char>(c)); }))
        return std::string(name);
    std::string quoted = "\"";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (special(byte) && byte != ' ')
            AppendEscape(quoted, byte);
        else
            quoted += c;
    }
    return quoted + '"';
}

namespace {

// The sections, and the rows that differ in their terminators alone or,
// where only one file has a byte-order mark, in that mark; in the order of
// both sides.
std::vector<CHANGE> CollectChanges(CTextCompareContext& context, const SIDELINES (&sides)[2]) {
    CTextCompareObject& leftSide = context.Side(0);
    CTextCompareObject& rightSide = context.Side(1);
    std::vector<CHANGE> changes;
    for (const CTextSection& s : context.Sections().Sections())
        changes.push_back(
            {s.leftFirst, s.leftLast - s.leftFirst + 1, s.rightFirst, s.rightLast - s.rightFirst + 1});
    const bool bomDiffers = sides[0].HasBom() != sides[1].HasBom();
    const int rows = std::min(leftSide.GetLineCount(), rightSide.GetLineCount());
    for (int row = 0; row < rows; ++row) {
        const CSyntaxTextLine& l = leftSide.GetLine(row);
        const CSyntaxTextLine& r = rightSide.GetLine(row);
        if ((l.flags | r.flags) & (LF_GHOST | LF_CHANGED | LF_ONE_SIDED)) continue;
        const int leftLine = leftSide.RowToRealLine(row), rightLine = rightSide.RowToRealLine(row);
        const bool endings = (l.flags & LF_TRIVIAL) && l.Ending() != r.Ending();
        if (endings || (bomDiffers && (leftLine == 0 || rightLine == 0)))
            changes.push_back({leftLine, 1, rightLine, 1});
    }
    // In the order of both sides: a section that inserts lines starts where
    // the line after it does on the left, and must come before that line's
    // change (an unstable sort on the left alone put it anywhere among them).
    std::sort(changes.begin(), changes.end(), [](const CHANGE& a, const CHANGE& b) {
        return a.left != b.left ? a.left < b.left : a.right < b.right;
    });
    return changes;
}

// The changes clipped to the lines that exist, joined where they meet, and
// widened to start and end where patch lines do.
std::vector<CHANGE> JoinChanges(const std::vector<CHANGE>& changes, const SIDELINES (&sides)[2]) {
    // Clip to the lines that exist (the engine's empty last line is none).
    std::vector<CHANGE> joined;
    for (CHANGE c : changes) {
        for (int f = 0; f < 2; ++f) {
            int& first = f == 0 ? c.left : c.right;
            int& count = f == 0 ? c.leftCount : c.rightCount;
            first = std::min(first, sides[f].Count());
            count = std::max(0, std::min(count, sides[f].Count() - first));
        }
        if (c.leftCount > 0 || c.rightCount > 0) joined.push_back(c);
    }
    // Join changes that meet, and widen each over the equal lines around it,
    // the same number on both sides, until it starts and ends where patch
    // lines do; widening may make changes meet, so repeat until nothing moves.
    const auto starts = [&sides](int l, int r) { return sides[0].StartsLine(l) && sides[1].StartsLine(r); };
    for (bool moved = true; moved;) {
        moved = false;
        std::vector<CHANGE> merged;
        for (const CHANGE& c : joined) {
            if (!merged.empty() && c.left <= merged.back().left + merged.back().leftCount) {
                // Both sides' spans joined, whichever starts first.
                CHANGE& last = merged.back();
                const int rightEnd = std::max(last.right + last.rightCount, c.right + c.rightCount);
                last.leftCount = std::max(last.left + last.leftCount, c.left + c.leftCount) - last.left;
                last.right = std::min(last.right, c.right);
                last.rightCount = rightEnd - last.right;
                moved = true;
            } else {
                merged.push_back(c);
            }
        }
        joined = std::move(merged);
        for (size_t i = 0; i < joined.size(); ++i) {
            CHANGE& c = joined[i];
            int before =
                i == 0 ? std::min(c.left, c.right) : c.left - (joined[i - 1].left + joined[i - 1].leftCount);
            while (before > 0 && !starts(c.left, c.right)) {
                --c.left, --c.right, ++c.leftCount, ++c.rightCount, --before;
                moved = true;
            }
            int after = i + 1 < joined.size() ? joined[i + 1].left - (c.left + c.leftCount)
                                              : std::min(sides[0].Count() - (c.left + c.leftCount),
                                                         sides[1].Count() - (c.right + c.rightCount));
            while (after > 0 && !starts(c.left + c.leftCount, c.right + c.rightCount)) {
                ++c.leftCount, ++c.rightCount, --after;
                moved = true;
            }
        }
    }
    return joined;
}

// The hunks of the joined changes with lines of context around them.
void WriteHunks(const std::vector<CHANGE>& joined, const SIDELINES (&sides)[2], int contextLines,
                std::string& out) {
    // Counted in patch lines from here on. Equal stretches are the same
    // lines on both sides, so the right side's context follows the left's.
    const SIDELINES& pl = sides[0];
    const SIDELINES& pr = sides[1];
    const int lines = std::max(0, contextLines);
    auto at = [](const SIDELINES& side, int i) { return side.PatchLine(i); };
    size_t k = 0;
    while (k < joined.size()) {
        // The changes of one hunk: gaps of at most twice the context.
        size_t end = k + 1;
        while (end < joined.size() &&
               at(pl, joined[end].left) - at(pl, joined[end - 1].left + joined[end - 1].leftCount) <=
                   2 * lines)
            ++end;
        const CHANGE& first = joined[k];
        const CHANGE& last = joined[end - 1];
        const int changeStop = last.left + last.leftCount;
        int startLine = first.left;
        while (startLine > 0 && at(pl, first.left) - at(pl, startLine) < lines) {
            --startLine;
            while (startLine > 0 && !sides[0].StartsLine(startLine)) --startLine;
        }
        int stopLine = changeStop;
        while (stopLine < sides[0].Count() && at(pl, stopLine) - at(pl, changeStop) < lines) {
            ++stopLine;
            while (stopLine < sides[0].Count() && !sides[0].StartsLine(stopLine)) ++stopLine;
        }
        const int rightStartLine = first.right - (first.left - startLine);

        // The right side's count is that of the lines written for it: its
        // context is the left's, whose lines may end otherwise where line
        // endings are ignored (a lone carriage return joins two lines).
        std::string body;
        int rightLines = 0;
        int line = startLine;
        for (size_t c = k; c < end; ++c) {
            const CHANGE& change = joined[c];
            rightLines += AppendLines(body, ' ', sides[0], line, change.left);
            AppendLines(body, '-', sides[0], change.left, change.left + change.leftCount);
            rightLines += AppendLines(body, '+', sides[1], change.right, change.right + change.rightCount);
            line = change.left + change.leftCount;
        }
        rightLines += AppendLines(body, ' ', sides[0], line, stopLine);
        out += "@@ -" + Range(at(pl, startLine), at(pl, stopLine) - at(pl, startLine)) + " +" +
               Range(at(pr, rightStartLine), rightLines) + " @@\n";
        out += body;
        k = end;
    }
}

}  // namespace

void WriteUnifiedDiff(CTextCompareContext& context, const UNIFIEDHEADER& left, const UNIFIEDHEADER& right,
                      int contextLines, std::string& out) {
    const SIDELINES sides[2] = {SIDELINES(context.Side(0)), SIDELINES(context.Side(1))};
    const std::vector<CHANGE> joined = JoinChanges(CollectChanges(context, sides), sides);
    if (joined.empty()) return;
    out += "--- " + QuoteUnifiedName(left.label) + (left.time.empty() ? "" : "\t" + left.time) + "\n";
    out += "+++ " + QuoteUnifiedName(right.label) + (right.time.empty() ? "" : "\t" + right.time) + "\n";
    WriteHunks(joined, sides, contextLines, out);
}

}  // namespace corvatine
