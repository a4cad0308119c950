#include "app/CompareAction.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <nlohmann/json.hpp>
#include <set>
#include <span>

#include "app/ConsoleMessages.h"
#include "app/FolderAction.h"
#include "app/JsonOutput.h"
#include "app/TerminalProgress.h"
#include "binarycompare/BinaryCompareDoc.h"
#include "fileio/Archive.h"
#include "fileio/CodePages.h"
#include "fileio/Conversion.h"
#include "fileio/DocumentWatches.h"
#include "persist/ColorScheme.h"
#include "platform/AtomicFile.h"
#include "platform/File.h"
#include "platform/Output.h"
#include "platform/Terminal.h"
#include "textcompare/LineFilter.h"
#include "textcompare/TextCompareDoc.h"
#include "textcompare/TextCompareOptions.h"
#include "textcompare/UnifiedDiff.h"

namespace corvatine {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kDefaultWidth = 160;
constexpr int kTabStop = 8;

const char kReset[] = "\x1b[0m";
const char kChangedColor[] = "\x1b[33m";
const char kLeftOnlyColor[] = "\x1b[31m";
const char kRightOnlyColor[] = "\x1b[32m";
const char kTrivialColor[] = "\x1b[36m";
const char kMovedColor[] = "\x1b[35m";
const char kDifferenceColor[] = "\x1b[1;7m";

// --copy=DIRECTION[:LIST]: the direction, and the chosen 1-based difference
// numbers (empty for all).
bool ParseCopy(const std::string& value, bool& toRight, std::set<int>& chosen, std::string& error) {
    const size_t colon = value.find(':');
    const std::string direction = value.substr(0, colon);
    if (direction == "left-to-right")
        toRight = true;
    else if (direction == "right-to-left")
        toRight = false;
    else {
        error = "invalid value '" + value + "' for '--copy': left-to-right[:LIST] or right-to-left[:LIST]";
        return false;
    }
    chosen.clear();
    if (colon == std::string::npos) return true;
    const std::string list = value.substr(colon + 1);
    if (list == "all") return true;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        const std::string item = list.substr(start, end - start);
        char* stop = nullptr;
        errno = 0;
        const long n = item.empty() ? 0 : std::strtol(item.c_str(), &stop, 10);
        if (item.empty() || *stop != '\0' || errno != 0 || n < 1 || n > 1000000000) {
            error =
                "invalid difference number '" + item + "' in '--copy': numbers from 1, separated by commas";
            return false;
        }
        chosen.insert(static_cast<int>(n));
        start = end + 1;
    }
    return true;
}

// Text of the working code page in the terminal's character set, with the
// in-line difference ranges (byte offsets, both ends in) carried along.
class COutputText {
public:
    COutputText() {
        if (!CodePagesEquivalent(WorkingCodePage(), GetACP()))
            m_converter =
                std::make_unique<CCharsetConverter>(IconvCharset(WorkingCodePage()), IconvCharset(GetACP()));
    }
    // The text to show; marks are moved to its offsets.
    std::string_view Convert(std::string_view text, std::vector<std::pair<int, int>>& marks) {
        if (!m_converter) return text;
        // The pieces between range ends are converted one by one, so that
        // each end has its place in the result.
        std::vector<int> ends = {0, static_cast<int>(text.size())};
        for (const auto& [start, end] : marks) {
            ends.push_back(std::clamp(start, 0, static_cast<int>(text.size())));
            ends.push_back(std::clamp(end + 1, 0, static_cast<int>(text.size())));
        }
        std::sort(ends.begin(), ends.end());
        ends.erase(std::unique(ends.begin(), ends.end()), ends.end());
        std::vector<int> moved(ends.size());
        m_text.clear();
        int lossy = 0;
        for (size_t i = 0; i < ends.size(); ++i) {
            moved[i] = static_cast<int>(m_text.size());
            if (i + 1 < ends.size())
                m_converter->Convert(
                    text.substr(static_cast<size_t>(ends[i]), static_cast<size_t>(ends[i + 1] - ends[i])),
                    m_text, lossy);
        }
        const auto at = [&](int offset) {
            offset = std::clamp(offset, 0, static_cast<int>(text.size()));
            return moved[static_cast<size_t>(std::lower_bound(ends.begin(), ends.end(), offset) -
                                             ends.begin())];
        };
        for (auto& [start, end] : marks) {
            const int newStart = at(start), newEnd = at(end + 1) - 1;
            start = newStart;
            end = newEnd;
        }
        return m_text;
    }

private:
    std::unique_ptr<CCharsetConverter> m_converter;
    std::string m_text;
};

// One side's cell of the side-by-side view: tabs expanded, control bytes
// shown as '?', a character taking one column (a UTF-8 sequence in a UTF-8
// locale, else a byte), cut to the width; the in-line differences
// highlighted when colour is on.
// Appends one column of the side format: the text shown in the locale's
// character set up to width cells, tabs expanded, marked ranges coloured,
// padded to the width when asked.
void AppendCell(std::string& out, std::string_view text, const std::vector<std::pair<int, int>>& marks,
                int width, bool color, const char* rowColor, bool pad) {
    static const bool utf8 = GetACP() == CP_UTF8;
    const bool marking = color && !marks.empty();
    int column = 0;
    bool marked = false;
    size_t i = 0;
    while (i < text.size() && column < width) {
        if (!marking) {
            // A run of printable ASCII goes as it is.
            size_t run = i;
            const size_t limit = std::min(text.size(), i + static_cast<size_t>(width - column));
            while (run < limit && static_cast<unsigned char>(text[run]) >= 0x20 &&
                   static_cast<unsigned char>(text[run]) < 0x7F)
                ++run;
            if (run > i) {
                out.append(text.substr(i, run - i));
                column += static_cast<int>(run - i);
                i = run;
                continue;
            }
        }
        const int at = static_cast<int>(i);
        bool inMark = false;
        for (const auto& [start, end] : marks) inMark = inMark || (at >= start && at <= end);
        if (color && inMark != marked) {
            out += inMark ? kDifferenceColor : kReset;
            if (!inMark && rowColor) out += rowColor;
            marked = inMark;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\t') {
            const int next = std::min(width, (column / kTabStop + 1) * kTabStop);
            out.append(static_cast<size_t>(next - column), ' ');
            column = next;
            ++i;
            continue;
        }
        size_t length = 1;
        if (!utf8) {
            // A byte of the locale's single-byte character set.
        } else if (c >= 0xC2 && c <= 0xF4) {
            length = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            for (size_t k = 1; k < length; ++k)
                if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                    length = 0;
        } else if (c >= 0x80) {
            length = 0;  // not the start of a UTF-8 sequence
        }
        if (length == 0) {
            out += '?';
            ++i;
        } else if (length == 1) {
            out += c < 0x20 || c == 0x7F || (!utf8 && c >= 0x80 && c < 0xA0) ? '?' : static_cast<char>(c);
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
        ++column;
    }
    if (color && marked) {
        out += kReset;
        if (rowColor) out += rowColor;
    }
    if (pad && column < width) out.append(static_cast<size_t>(width - column), ' ');
}

void WriteSideBySide(CTextCompareDoc& doc, int width, bool color, platform::COutput& out) {
    CTextCompareObject& left = doc.GetSide(0);
    CTextCompareObject& right = doc.GetSide(1);
    const int rows = doc.Context().VisibleRowCount();
    // The highest line number shown: the empty line after a final ending is none.
    int lines = 0;
    for (CTextCompareObject* side : {&left, &right}) {
        int count = side->GetRealLineCount();
        const int last = side->GetLineCount() - 1;
        if (last >= 0 && !side->IsGhostRow(last) && side->GetLine(last).FullLength() == 0) --count;
        lines = std::max(lines, count);
    }
    const int numberWidth = static_cast<int>(std::to_string(std::max(lines, 1)).size());
    const int columnWidth = std::max(1, (width - 2 * numberWidth - 5) / 2);
    COutputText output[2];
    std::string line;
    std::string block;  // rows gathered and written out together
    int nextLine[2] = {1, 1};
    for (int row = 0; row < rows; ++row) {
        const uint32_t lf = left.GetLine(row).flags, rf = right.GetLine(row).flags;
        char marker = ' ';
        const char* rowColor = nullptr;
        if ((lf | rf) & LF_MOVED) {
            // A line of a block that moved: '{' where it left, '}' where it arrived.
            marker = (lf & LF_MOVED) ? '{' : '}';
            rowColor = kMovedColor;
        } else if ((lf | rf) & LF_CHANGED) {
            marker = '|';
            rowColor = kChangedColor;
        } else if (lf & LF_ONE_SIDED) {
            marker = '<';
            rowColor = kLeftOnlyColor;
        } else if (rf & LF_ONE_SIDED) {
            marker = '>';
            rowColor = kRightOnlyColor;
        } else if ((lf | rf) & LF_TRIVIAL) {
            marker = '~';
            rowColor = kTrivialColor;
        }
        std::vector<std::pair<int, int>> marks[2];
        if (color && (lf & LF_CHANGED) && (rf & LF_CHANGED))
            for (const STRINGDIFFERENCE& d : doc.LineDifferences(row)) {
                marks[0].emplace_back(d.leftStart, d.leftEnd);
                marks[1].emplace_back(d.rightStart, d.rightEnd);
            }
        line.clear();
        if (color && rowColor) line += rowColor;
        for (int f = 0; f < 2; ++f) {
            CTextCompareObject& side = doc.GetSide(f);
            const bool ghost = side.IsGhostRow(row);
            char number[16];
            const int digits =
                ghost ? 0
                      : static_cast<int>(std::to_chars(number, number + sizeof number, nextLine[f]++).ptr -
                                         number);
            line.append(static_cast<size_t>(numberWidth - digits), ' ');
            line.append(number, static_cast<size_t>(digits));
            line += ' ';
            const std::string_view text =
                ghost ? std::string_view() : output[f].Convert(side.GetLine(row).Characters(), marks[f]);
            AppendCell(line, text, marks[f], columnWidth, color && rowColor, rowColor, f == 0);
            if (f == 0) {
                line += ' ';
                line += marker;
                line += ' ';
            }
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        if (color && rowColor) line += kReset;
        block += line;
        block += '\n';
        if (block.size() >= 64 * 1024) {
            out.Write(block.data(), block.size());
            block.clear();
        }
    }
    out.Write(block.data(), block.size());
}

Json JsonResult(CTextCompareDoc& doc) {
    const CTextSectionList& list = doc.Sections();
    const int rows = doc.Context().VisibleRowCount();
    Json json;
    json["identical"] = list.GetCount() == 0 && list.trivialCount == 0;
    json["differences"] = list.GetCount();
    json["trivial"] = list.trivialCount;
    json["rows"] = rows;
    Json sections = Json::array();
    for (const CTextSection& s : list.Sections())
        sections.push_back({{"kind", s.kind},
                            {"leftRows", {s.leftFirstRow, s.leftLastRow}},
                            {"rightRows", {s.rightFirstRow, s.rightLastRow}},
                            {"leftLines", {s.leftFirst, s.leftLast}},
                            {"rightLines", {s.rightFirst, s.rightLast}}});
    json["sections"] = std::move(sections);
    Json moves = Json::array();
    for (const TEXTMOVE& m : doc.Context().Moves())
        moves.push_back({{"kind", "moved"},
                         {"leftRows", {m.leftFirstRow, m.leftLastRow}},
                         {"rightRows", {m.rightFirstRow, m.rightLastRow}},
                         {"leftLines", {m.leftFirst, m.leftLast}},
                         {"rightLines", {m.rightFirst, m.rightLast}}});
    json["moves"] = std::move(moves);
    Json flags = Json::array();
    for (int row = 0; row < rows; ++row)
        flags.push_back({doc.GetSide(0).GetLine(row).flags & 0xFF000000u,
                         doc.GetSide(1).GetLine(row).flags & 0xFF000000u});
    json["flags"] = std::move(flags);
    return json;
}

bool UseColor(const std::string& setting) {
    if (setting == "always") return true;
    if (setting == "never") return false;
    const char* noColor = std::getenv("NO_COLOR");
    return platform::IsTerminal(STDOUT_FILENO) && (noColor == nullptr || *noColor == '\0');
}

// --watch: the files stay watched, and the comparison is shown again after
// every change another program makes to either, until the program is
// interrupted (or the output goes away).
int WatchAndRepeat(CDocumentWatches& watches, const std::vector<std::string>& paths,
                   const std::function<int()>& repeat) {
    bool changed = false;
    watches.onChanged = [&](const std::string&) { changed = true; };
    for (const std::string& path : paths) watches.Watch(path);
    platform::MESSAGE message;
    for (;;) {
        if (!platform::UserInterfaceQueue().Get(message, std::chrono::milliseconds(500))) continue;
        message.Deliver();
        if (!changed) continue;
        // Let a writer finish: changes that follow within a moment are one.
        while (platform::UserInterfaceQueue().Get(message, std::chrono::milliseconds(100))) message.Deliver();
        changed = false;
        // The documents suspend their watches around their own reloads.
        if (repeat() == EXIT_TROUBLE) return EXIT_TROUBLE;
    }
}

int RunTextCompare(CComponents& components, const CTextCompareParams& request, const FRONTENDOPTIONS& options,
                   platform::COutput& out, platform::COutput& err) {
    const std::string format = options.format.empty() ? "side" : options.format;
    if (format != "side" && format != "unified" && format != "json")
        return Trouble(
            err, "invalid value '" + format + "' for '--format' of a text comparison: side, unified or json");
    bool toRight = true;
    std::set<int> chosen;
    std::string error;
    if (!options.copy.empty() && !ParseCopy(options.copy, toRight, chosen, error)) return Trouble(err, error);
    if (options.save && options.copy.empty())
        return Trouble(err, "'--save' saves what '--copy' changed: give --copy too");
    // The comparison would take a filter that does not compile as matching
    // no line; asked for on the command line, it is a mistake to tell.
    if (!request.lineFilter.empty()) {
        const CLineFilter filter(request.lineFilter);
        if (!filter.IsValid())
            return Trouble(err, "invalid line filter '" + request.lineFilter + "': " + filter.Error());
    }

    for (int side = 0; side < 2 && !options.report.empty(); ++side)
        if (platform::IsSameFile(request.sides[side].path, options.report))
            return Trouble(err, "cannot write the report to '" + options.report +
                                    "': it is the file compared, '" + request.sides[side].path + "'");

    CConsoleMessages messages(err, options.yes);
    CDocumentWatches watches(options.watch);
    // Nothing headless shows the marks of changed lines: they are not kept.
    CTextCompareDoc doc(messages, components.Text(), false, &watches);
    // Compared once and closed: the lines may stay where the files were
    // read. Not while watching (the files are expected to change) nor for
    // the report (its colouring reads the lines as the editor does).
    doc.SetLoadInPlace(!options.watch && options.report.empty());
    // Only the side and json formats show moves: the others do not look for them.
    if (options.quiet || format == "unified") doc.SetMovedLines(0);
    if (!doc.Open(request)) return EXIT_TROUBLE;

    if (!options.copy.empty()) {
        const int target = toRight ? CTextCompareDoc::RIGHT : CTextCompareDoc::LEFT;
        if (doc.IsSideReadOnly(target))
            return Trouble(err, std::string("cannot copy to the ") + (toRight ? "right" : "left") + " side " +
                                    request.sides[target].path + ": it is read-only (/ro)");
        const int count = doc.GetDifferenceCount();
        if (!chosen.empty() && *chosen.rbegin() > count)
            return Trouble(err, "there is no difference " + std::to_string(*chosen.rbegin()) +
                                    " to copy: the files have " + std::to_string(count));
        std::vector<int> indexes;
        for (const int n : chosen) indexes.push_back(n - 1);
        const int result =
            chosen.empty() ? doc.CopyAll(toRight) : doc.CopySections(std::move(indexes), toRight);
        if (result != CTextCompareDoc::MERGE_DONE) return EXIT_TROUBLE;
        if (options.save && doc.GetSide(target).IsModified() && !doc.SaveSide(target)) return EXIT_TROUBLE;
    }

    if (!options.report.empty()) {
        CTerminalProgress progress(err);
        // No desktop is asked: the scheme chosen is made for a light one.
        if (!components.Text().report.Generate(doc.ReportSource(), components.ColorScheme().TextReport(),
                                               options.report, &progress, error))
            return Trouble(err, "cannot write the report: " + error);
    }

    const auto print = [&]() -> int {
        const CTextSectionList& list = doc.Sections();
        int status = list.GetCount() == 0 && list.trivialCount == 0 ? EXIT_SAME : EXIT_DIFFERENT;
        if (format == "unified") {
            // As diff: different when there is a diff, which a byte-order
            // mark that only one file has makes too.
            std::string diff;
            WriteUnifiedDiff(doc.Context(), {request.sides[0].path, UnifiedTimeStamp(request.sides[0].path)},
                             {request.sides[1].path, UnifiedTimeStamp(request.sides[1].path)},
                             options.context, diff);
            if (!diff.empty()) status = EXIT_DIFFERENT;
            if (!options.quiet) out << diff;
        }
        if (options.quiet) return status;
        if (format == "json") {
            out << DumpJson(JsonResult(doc)) << "\n";
        } else if (format == "unified") {
            // Written above.
        } else {
            int width = options.width;
            if (width == 0) width = platform::TerminalWidth(STDOUT_FILENO);
            if (width < 20) width = kDefaultWidth;
            WriteSideBySide(doc, width, UseColor(options.color), out);
        }
        out.Flush();
        if (out.Failed()) return Trouble(err, "cannot write the output: " + platform::ErrorText(out.Error()));
        return status;
    };
    const int status = print();
    if (!options.watch || status == EXIT_TROUBLE) return status;
    return WatchAndRepeat(watches, {request.sides[0].path, request.sides[1].path}, [&]() -> int {
        if (!doc.Reload()) return EXIT_TROUBLE;
        return print();
    });
}

// The ranges of a binary comparison written as they are found, in large
// pieces: for --format=ranges one "START-END KIND" line each, the offsets in
// at least eight upper-case hex digits; for --format=json the object with
// its "ranges" array, laid out as DumpJson lays it out, begun with the first
// range (or at the end), so that a list that fails at once prints nothing.
class CRangeWriter {
public:
    CRangeWriter(platform::COutput& out, bool json, int state, const int64_t sizes[2])
        : m_out(out), m_json(json), m_state(state), m_sizes{sizes[0], sizes[1]} {
        m_text.reserve(kFlushAt + 128);
    }
    void Write(std::span<const BINARYDIFFERENCE> ranges) {
        for (const BINARYDIFFERENCE& r : ranges) {
            if (m_json) {
                if (m_count == 0) Begin();
                m_text += m_count == 0 ? "\n    [\n      " : ",\n    [\n      ";
                m_text += std::to_string(r.start) + ",\n      " + std::to_string(r.end) + ",\n      " +
                          std::to_string(r.kind) + "\n    ]";
            } else {
                char line[64];
                char* end = Hex(Hex(line, r.start, '-'), r.end, ' ');
                m_text.append(line, end);
                m_text += r.kind == BYTE_DIFFERENT   ? "different\n"
                          : r.kind == BYTE_LEFT_ONLY ? "left-only\n"
                                                     : "right-only\n";
            }
            m_bytes += r.end - r.start;
            ++m_count;
            if (m_text.size() >= kFlushAt) Flush();
        }
    }
    // What follows the ranges.
    void Finish() {
        if (m_json) {
            if (m_count == 0) Begin();
            m_text += m_count == 0 ? "]\n}\n" : "\n  ]\n}\n";
        } else if (m_count == 0) {
            m_text += "identical: " + std::to_string(m_sizes[0]) + " bytes\n";
        } else {
            m_text += std::to_string(m_count) + (m_count == 1 ? " range, " : " ranges, ") +
                      std::to_string(m_bytes) + " bytes differ; left " + std::to_string(m_sizes[0]) +
                      " bytes, right " + std::to_string(m_sizes[1]) + " bytes\n";
        }
        Flush();
    }
    void Flush() {
        m_out.Write(m_text.data(), m_text.size());
        m_text.clear();
    }

private:
    static constexpr size_t kFlushAt = 65536;
    static char* Hex(char* at, int64_t value, char after) {
        char digits[16];
        int n = 0;
        for (auto v = static_cast<uint64_t>(value); v != 0 || n < 8; v >>= 4)
            digits[n++] = "0123456789ABCDEF"[v & 15];
        while (n > 0) *at++ = digits[--n];
        *at++ = after;
        return at;
    }
    void Begin() {
        m_text += "{\n  \"state\": " + std::to_string(m_state) +
                  ",\n  \"leftSize\": " + std::to_string(m_sizes[0]) +
                  ",\n  \"rightSize\": " + std::to_string(m_sizes[1]) + ",\n  \"ranges\": [";
    }
    platform::COutput& m_out;
    const bool m_json;
    const int m_state;
    const int64_t m_sizes[2];
    std::string m_text;
    int64_t m_count = 0;
    int64_t m_bytes = 0;
};

int RunBinaryCompare(CComponents& components, const CBinaryCompareParams& request,
                     const FRONTENDOPTIONS& options, platform::COutput& out, platform::COutput& err) {
    const std::string format = options.format.empty() ? "ranges" : options.format;
    if (format != "ranges" && format != "json")
        return Trouble(
            err, "invalid value '" + format + "' for '--format' of a binary comparison: ranges or json");
    CConsoleMessages messages(err, options.yes);
    // Nothing but the comparison runs here: its worker need not give way.
    CBinaryCompareDoc doc(messages, components.Binary(), options.watch, WorkerPriority::NORMAL);
    if (!doc.LoadSides(request)) return EXIT_TROUBLE;
    const auto print = [&]() -> int {
        if (!doc.WaitForComparison()) return Trouble(err, "the comparison did not finish");
        const int state = doc.State();
        // Only different files have ranges. Listing them reads the files
        // again: a file changed since the pass makes the list fail (the
        // ranges printed so far stay), or come out empty when nothing about
        // the file shows the change.
        const int64_t sizes[2] = {doc.Side(0).GetSize(), doc.Side(1).GetSize()};
        CRangeWriter writer(out, format == "json", state, sizes);
        const int64_t count =
            state == BINARY_DIFFERENT && !options.quiet
                ? doc.Context().ScanDifferences(
                      [&](std::span<const BINARYDIFFERENCE> found) { writer.Write(found); }, -1, -1)
                : 1;
        writer.Flush();
        if (state == BINARY_ERROR || count <= 0) {
            const int changed = doc.Context().FindChangedSide();
            if (changed >= 0)
                return Trouble(err, "'" + request.sides[changed].path + "' changed while being compared");
            if (count == 0)
                return Trouble(err, "'" + request.sides[0].path + "' or '" + request.sides[1].path +
                                        "' changed while being compared");
            return Trouble(err, "cannot compare '" + request.sides[0].path + "' and '" +
                                    request.sides[1].path + "': a file cannot be read again");
        }
        const int status = state == BINARY_IDENTICAL ? EXIT_SAME : EXIT_DIFFERENT;
        if (options.quiet) return status;
        writer.Finish();
        out.Flush();
        if (out.Failed()) return Trouble(err, "cannot write the output: " + platform::ErrorText(out.Error()));
        return status;
    };
    const int status = print();
    if (!options.watch || status == EXIT_TROUBLE) return status;
    return WatchAndRepeat(doc.Watches(), {request.sides[0].path, request.sides[1].path}, [&]() -> int {
        if (!doc.Reload()) return EXIT_TROUBLE;
        return print();
    });
}

}  // namespace

int RunCompareRequest(CComponents& components, const CCompareParams& request, const FRONTENDOPTIONS& options,
                      platform::COutput& out, platform::COutput& err) {
    if (request.GetCommandLine(false, true).empty())
        return Trouble(err, "nothing to compare: name two files or folders, or give -t:KIND");
    if (request.sides[0].path.empty() || request.sides[1].path.empty())
        return Trouble(err, "only one path given: name two files or folders to compare");
    // A side that cannot be read is told first, whatever the kind.
    // A path through an archive names no file on disk: the archive tells.
    for (const COMPARESIDE& side : request.sides) {
        if (::access(side.path.c_str(), R_OK) != 0 &&
            !(errno == ENOTDIR && request.kind == COMPARE_FOLDER && CArchive::IsInsideArchive(side.path)))
            return Trouble(err, "cannot open '" + side.path + "': " + platform::ErrorText(errno));
    }
    switch (request.kind) {
        case COMPARE_TEXT:
            return RunTextCompare(components, static_cast<const CTextCompareParams&>(request), options, out,
                                  err);
        case COMPARE_BINARY:
            return RunBinaryCompare(components, static_cast<const CBinaryCompareParams&>(request), options,
                                    out, err);
        case COMPARE_FOLDER:
            return RunFolderCompare(components, static_cast<const CFolderCompareParams&>(request), options,
                                    out, err);
        default: return Trouble(err, "nothing to compare");
    }
}

}  // namespace corvatine
