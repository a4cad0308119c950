#include "app/DiffAction.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <regex.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/FrontEndOptions.h"
#include "platform/AtomicFile.h"
#include "platform/File.h"
#include "platform/FileFind.h"
#include "platform/Output.h"
#include "platform/Path.h"
#include "textcompare/LineFilter.h"
#include "textcompare/TextCompare.h"
#include "textcompare/UnifiedDiff.h"

namespace corvatine {

namespace {

// Diff calls a file binary when a zero byte lies in what it reads first.
constexpr size_t kBinaryProbe = 32768;
constexpr int kTabSize = 8;

// diff's default colours: headers bold, line numbers cyan, deleted lines red,
// added lines green.
constexpr const char* kHeaderColor = "\033[1m";
constexpr const char* kLineNumberColor = "\033[36m";
constexpr const char* kDeletedColor = "\033[31m";
constexpr const char* kAddedColor = "\033[32m";
constexpr const char* kResetColor = "\033[0m";

// One side of a compared pair: its bytes split into lines at line feeds.
struct DIFFSIDE {
    std::string path;     // as named
    bool absent = false;  // -N: a file that does not exist, read as empty
    struct stat info {};
    std::string bytes;
    std::vector<std::string_view> lines;  // without their line feeds
    bool lastIncomplete = false;

    void Split() {
        lines.clear();
        size_t at = 0;
        while (at < bytes.size()) {
            size_t end = bytes.find('\n', at);
            if (end == std::string::npos) end = bytes.size();
            lines.emplace_back(bytes.data() + at, end - at);
            at = end + 1;
        }
        lastIncomplete = !bytes.empty() && bytes.back() != '\n';
    }
};

// A change of the engine with 0-based [first, end) line ranges.
struct CHANGE {
    int first[2];
    int end[2];
    bool ignorable;
};

// Output the run writes, coloured where --color asks for it.
class CDiffWriter {
public:
    CDiffWriter(platform::COutput& out, bool color) : m_out(out), m_color(color) {}

    void Colored(const char* color, std::string_view text) {
        if (m_color) m_out << color;
        m_out << text;
        if (m_color) m_out << kResetColor;
    }
    void Raw(std::string_view text) { m_out << text; }
    bool Color() const { return m_color; }

private:
    platform::COutput& m_out;
    bool m_color;
};

std::string TimeText(const struct stat& info, bool absent, bool context) {
    const time_t seconds = absent ? 0 : info.st_mtim.tv_sec;
    struct tm local {};
    if (::localtime_r(&seconds, &local) == nullptr) return {};
    char text[128];
    if (context) {
        std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y", &local);
        return text;
    }
    char date[64], zone[16];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    std::strftime(zone, sizeof zone, "%z", &local);
    std::snprintf(text, sizeof text, "%s.%09ld %s", date,
                  absent ? 0L : static_cast<long>(info.st_mtim.tv_nsec), zone);
    return text;
}

class CDiffRun {
public:
    CDiffRun(const DIFFOPTIONS& options, platform::COutput& out, platform::COutput& err)
        : m_options(options), m_err(err), m_writer(out, options.color) {}

    [[nodiscard]] bool Prepare() {
        if (m_options.ignoreLines.empty()) return true;
        std::string joined;
        for (const std::string& expression : m_options.ignoreLines)
            joined += (joined.empty() ? "" : "\\|") + expression;
        m_filter = std::make_unique<CLineFilter>(joined, RE_SYNTAX_GREP);
        if (!m_filter->IsValid()) {
            Trouble(m_err, m_filter->Error());
            return false;
        }
        return true;
    }

    int ComparePaths(std::string left, std::string right) {
        struct stat info[2];
        bool exists[2];
        std::string* paths[2] = {&left, &right};
        for (int f = 0; f < 2; ++f) {
            exists[f] = ::stat(paths[f]->c_str(), &info[f]) == 0;
            if (!exists[f] && (errno != ENOENT || !m_options.newFile))
                return Trouble(m_err, *paths[f] + ": " + platform::ErrorText(errno));
        }
        if (!exists[0] && !exists[1]) return Trouble(m_err, left + ": " + platform::ErrorText(ENOENT));
        const bool folder[2] = {exists[0] && S_ISDIR(info[0].st_mode), exists[1] && S_ISDIR(info[1].st_mode)};
        if (folder[0] && folder[1]) return CompareFolders(left, right, true, true);
        // A folder against a file stands for the file of its name in the folder.
        for (int f = 0; f < 2; ++f) {
            if (!folder[f] || !exists[1 - f] || folder[1 - f]) continue;
            *paths[f] = platform::JoinPath(*paths[f], platform::PathFileName(*paths[1 - f]));
        }
        if (folder[0] != folder[1] && (!exists[0] || !exists[1]))
            return CompareFolders(left, right, exists[0], exists[1]);
        return CompareFiles(left, right);
    }

private:
    // Reads a side; trouble told on err.
    bool Read(DIFFSIDE& side) {
        if (::stat(side.path.c_str(), &side.info) != 0) {
            if (errno == ENOENT && m_options.newFile) {
                side.absent = true;
                return true;
            }
            Trouble(m_err, side.path + ": " + platform::ErrorText(errno));
            return false;
        }
        bool missing = false;
        std::string error;
        if (!S_ISREG(side.info.st_mode)) {
            // A device or a pipe (/dev/null, <(...)): read to its end.
            if (!ReadStream(side)) return false;
        } else if (!platform::ReadWholeFile(side.path, side.bytes, missing, error)) {
            Trouble(m_err, error);
            return false;
        }
        if (m_options.stripTrailingCr) {
            std::string stripped;
            stripped.reserve(side.bytes.size());
            for (size_t i = 0; i < side.bytes.size(); ++i)
                if (!(side.bytes[i] == '\r' && i + 1 < side.bytes.size() && side.bytes[i + 1] == '\n'))
                    stripped += side.bytes[i];
            side.bytes = std::move(stripped);
        }
        return true;
    }

    bool ReadStream(DIFFSIDE& side) {
        const int fd = platform::OpenPath(side.path, O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            Trouble(m_err, side.path + ": " + platform::ErrorText(errno));
            return false;
        }
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                Trouble(m_err, side.path + ": " + platform::ErrorText(errno));
                ::close(fd);
                return false;
            }
            if (got == 0) break;
            side.bytes.append(buffer, static_cast<size_t>(got));
        }
        ::close(fd);
        return true;
    }

    static bool IsBinary(const DIFFSIDE& side) {
        return std::memchr(side.bytes.data(), 0, std::min(side.bytes.size(), kBinaryProbe)) != nullptr;
    }

    std::string Label(int f, const DIFFSIDE& side) const {
        if (m_inTree == 0 && static_cast<int>(m_options.labels.size()) > f) return m_options.labels[f];
        return QuoteUnifiedName(side.path);
    }
    bool Labelled(int f) const { return m_inTree == 0 && static_cast<int>(m_options.labels.size()) > f; }

    // The changes of a pair as the engine finds them under the rules.
    std::vector<CHANGE> Changes(const DIFFSIDE (&sides)[2]) {
        CTextCompare engine;
        engine.whiteSpaceMode = m_options.ignoreAllSpace       ? WHITESPACE_ALL
                                : m_options.ignoreSpaceChange  ? WHITESPACE_AMOUNT
                                : m_options.ignoreTabExpansion ? WHITESPACE_TAB_EXPANSION
                                                               : WHITESPACE_NONE;
        engine.tabSize = kTabSize;
        engine.ignoreCase = m_options.ignoreCase;
        engine.ignoreBlankLines = m_options.ignoreBlankLines;
        engine.lineFilter = m_filter.get();
        // -Z: lines are compared without the white space they end with
        // (-b and -w ignore it already).
        const bool trimTrailing = m_options.ignoreTrailingSpace && engine.whiteSpaceMode != WHITESPACE_ALL &&
                                  engine.whiteSpaceMode != WHITESPACE_AMOUNT;
        TEXTLINES lines[2];
        CLineStore store;
        for (int f = 0; f < 2; ++f) {
            if (!trimTrailing) {
                SplitTextLines(sides[f].bytes.data(), sides[f].bytes.size(), lines[f], store);
                continue;
            }
            lines[f] = TEXTLINES();
            for (std::string_view line : sides[f].lines) {
                size_t length = line.size();
                while (length > 0 && std::isspace(static_cast<unsigned char>(line[length - 1])) != 0)
                    --length;
                lines[f].Add(store.Add(line.substr(0, length)));
            }
            lines[f].lastIncomplete = sides[f].lastIncomplete;
        }
        CTextSectionCollector collector;
        engine.Run(lines[0], lines[1], collector);
        std::vector<CHANGE> changes;
        for (const TEXTSECTION& s : collector.sections)
            changes.push_back({{s.leftFirst, s.rightFirst},
                               {s.leftLast + 1, s.rightLast + 1},
                               s.kind == SECTION_IGNORABLE});
        return changes;
    }

    // The changes grouped as diff groups them into hunks: a change joins
    // the hunk before it when fewer lines than twice the context (the
    // context, for a change that is ignored by itself) lie between them.
    // Hunks made only of ignored changes are left out.
    std::vector<std::pair<size_t, size_t>> Hunks(const std::vector<CHANGE>& changes, int context) const {
        std::vector<std::pair<size_t, size_t>> hunks;
        size_t i = 0;
        while (i < changes.size()) {
            const size_t start = i;
            while (i + 1 < changes.size()) {
                const CHANGE& next = changes[i + 1];
                const int threshold = next.ignorable ? context : 2 * context + 1;
                if (next.first[0] - changes[i].end[0] >= threshold) break;
                ++i;
            }
            bool ignorable = true;
            for (size_t k = start; k <= i; ++k) ignorable = ignorable && changes[k].ignorable;
            if (!ignorable) hunks.emplace_back(start, i + 1);
            ++i;
        }
        return hunks;
    }

    void Line(const DIFFSIDE& side, int index, std::string_view prefix, const char* color) {
        std::string text(prefix);
        text += side.lines[static_cast<size_t>(index)];
        if (color != nullptr && m_writer.Color()) {
            m_writer.Colored(color, text);
            m_writer.Raw("\n");
        } else {
            m_writer.Raw(text);
            m_writer.Raw("\n");
        }
        if (side.lastIncomplete && index + 1 == static_cast<int>(side.lines.size()))
            m_writer.Raw("\\ No newline at end of file\n");
    }

    static std::string Range(int first, int end, char separator) {
        // 1-based first and last; an empty range names the line before it.
        if (end - first <= 1) return std::to_string(end - first == 1 ? first + 1 : first);
        return std::to_string(first + 1) + separator + std::to_string(end);
    }

    void WriteNormal(const DIFFSIDE (&sides)[2], const std::vector<CHANGE>& changes) {
        for (const auto& hunk : Hunks(changes, 0)) {
            const CHANGE& c = changes[hunk.first];
            const bool deleted = c.end[0] > c.first[0], inserted = c.end[1] > c.first[1];
            const std::string head = Range(c.first[0], c.end[0], ',') +
                                     (deleted && inserted ? 'c'
                                      : deleted           ? 'd'
                                                          : 'a') +
                                     Range(c.first[1], c.end[1], ',');
            m_writer.Colored(kLineNumberColor, head);
            m_writer.Raw("\n");
            for (int k = c.first[0]; k < c.end[0]; ++k) Line(sides[0], k, "< ", kDeletedColor);
            if (deleted && inserted) m_writer.Raw("---\n");
            for (int k = c.first[1]; k < c.end[1]; ++k) Line(sides[1], k, "> ", kAddedColor);
        }
    }

    void WriteHeaders(const DIFFSIDE (&sides)[2], const char* marks[2], bool context) {
        for (int f = 0; f < 2; ++f) {
            std::string header = std::string(marks[f]) + " " + Label(f, sides[f]);
            if (!Labelled(f)) header += "\t" + TimeText(sides[f].info, sides[f].absent, context);
            m_writer.Colored(kHeaderColor, header);
            m_writer.Raw("\n");
        }
    }

    // The lines a hunk shows: its changes with the context around them.
    void HunkBounds(const DIFFSIDE (&sides)[2], const std::vector<CHANGE>& changes, size_t from, size_t to,
                    int (&low)[2], int (&high)[2]) const {
        const int context = m_options.context;
        for (int f = 0; f < 2; ++f) {
            low[f] = std::max(0, changes[from].first[f] - context);
            high[f] = std::min(static_cast<int>(sides[f].lines.size()), changes[to - 1].end[f] + context);
        }
        // Both sides show the same context lines.
        const int before = std::min(changes[from].first[0] - low[0], changes[from].first[1] - low[1]);
        const int after = std::min(high[0] - changes[to - 1].end[0], high[1] - changes[to - 1].end[1]);
        for (int f = 0; f < 2; ++f) {
            low[f] = changes[from].first[f] - before;
            high[f] = changes[to - 1].end[f] + after;
        }
    }

    void WriteUnified(const DIFFSIDE (&sides)[2], const std::vector<CHANGE>& changes) {
        const auto hunks = Hunks(changes, m_options.context);
        if (hunks.empty()) return;
        const char* marks[2] = {"---", "+++"};
        WriteHeaders(sides, marks, false);
        for (const auto& [from, to] : hunks) {
            int low[2], high[2];
            HunkBounds(sides, changes, from, to, low, high);
            const auto range = [](int first, int end) {
                const int count = end - first;
                if (count == 1) return std::to_string(first + 1);
                return std::to_string(count == 0 ? first : first + 1) + "," + std::to_string(count);
            };
            m_writer.Colored(kLineNumberColor,
                             "@@ -" + range(low[0], high[0]) + " +" + range(low[1], high[1]) + " @@");
            m_writer.Raw("\n");
            int at = low[0];
            for (size_t k = from; k < to; ++k) {
                const CHANGE& c = changes[k];
                for (; at < c.first[0]; ++at) Line(sides[0], at, " ", nullptr);
                for (int d = c.first[0]; d < c.end[0]; ++d) Line(sides[0], d, "-", kDeletedColor);
                for (int a = c.first[1]; a < c.end[1]; ++a) Line(sides[1], a, "+", kAddedColor);
                at = c.end[0];
            }
            for (; at < high[0]; ++at) Line(sides[0], at, " ", nullptr);
        }
    }

    void WriteContext(const DIFFSIDE (&sides)[2], const std::vector<CHANGE>& changes) {
        const auto hunks = Hunks(changes, m_options.context);
        if (hunks.empty()) return;
        const char* marks[2] = {"***", "---"};
        WriteHeaders(sides, marks, true);
        const auto range = [](int first, int end) {
            if (end - first == 1) return std::to_string(end);
            if (end == first) return std::to_string(end);
            return std::to_string(first + 1) + "," + std::to_string(end);
        };
        for (const auto& [from, to] : hunks) {
            int low[2], high[2];
            HunkBounds(sides, changes, from, to, low, high);
            m_writer.Raw("***************\n");
            for (int f = 0; f < 2; ++f) {
                const char* color = f == 0 ? kDeletedColor : kAddedColor;
                m_writer.Colored(kLineNumberColor, (f == 0 ? "*** " : "--- ") + range(low[f], high[f]) +
                                                       (f == 0 ? " ****" : " ----"));
                m_writer.Raw("\n");
                bool any = false;
                for (size_t k = from; k < to; ++k) any = any || changes[k].end[f] > changes[k].first[f];
                if (!any) continue;
                int at = low[f];
                for (size_t k = from; k < to; ++k) {
                    const CHANGE& c = changes[k];
                    for (; at < c.first[f]; ++at) Line(sides[f], at, "  ", color);
                    const bool both = c.end[0] > c.first[0] && c.end[1] > c.first[1];
                    for (; at < c.end[f]; ++at) Line(sides[f], at, both ? "! " : f == 0 ? "- " : "+ ", color);
                }
                for (; at < high[f]; ++at) Line(sides[f], at, "  ", color);
            }
        }
    }

    // Writes a half of a side-by-side row from column to at most bound
    // columns; returns the column reached.
    static size_t HalfLine(std::string& row, std::string_view text, size_t column, size_t bound) {
        for (const char c : text) {
            if (c == '\t') {
                const size_t stop = column + kTabSize - column % kTabSize;
                if (stop >= bound) break;
                column = stop;
            } else {
                if (column + 1 > bound) break;
                ++column;
            }
            row += c;
        }
        return column;
    }
    // Tabs, then blanks, from column to column to.
    static size_t Pad(std::string& row, size_t column, size_t to) {
        for (size_t stop; (stop = column + kTabSize - column % kTabSize) <= to; column = stop) row += '\t';
        for (; column < to; ++column) row += ' ';
        return column;
    }

    void WriteSideBySide(const DIFFSIDE (&sides)[2], const std::vector<CHANGE>& changes) {
        const size_t width = static_cast<size_t>(m_options.width);
        const size_t offset = (width + kTabSize + 1) / (2 * kTabSize) * kTabSize;
        const size_t half = offset >= 3 ? std::min(offset - 3, width > offset ? width - offset : 0) : 0;
        const size_t column2 = half > 0 ? offset : width;
        const size_t separatorColumn = (half + column2 - 1) / 2;
        // A row of line left of the left side and line right of the right
        // (-1: none). It ends in a line feed unless each line it shows is
        // an incomplete last line.
        const auto row = [&](int left, int right, char separator) {
            const std::string_view* texts[2] = {
                left >= 0 ? &sides[0].lines[static_cast<size_t>(left)] : nullptr,
                right >= 0 ? &sides[1].lines[static_cast<size_t>(right)] : nullptr};
            const bool incomplete[2] = {
                left >= 0 && sides[0].lastIncomplete && left + 1 == static_cast<int>(sides[0].lines.size()),
                right >= 0 && sides[1].lastIncomplete &&
                    right + 1 == static_cast<int>(sides[1].lines.size())};
            // Lines that differ only in the last one's missing line feed.
            if (separator == '|' && *texts[0] == *texts[1]) separator = incomplete[0] ? '\\' : '/';
            std::string text;
            size_t column = 0;
            if (texts[0] != nullptr) column = HalfLine(text, *texts[0], 0, half);
            if (separator == ' ') {
                if (!texts[1]->empty()) {
                    column = Pad(text, column, column2);
                    HalfLine(text, *texts[1], column2, width);
                }
            } else {
                column = Pad(text, column, separatorColumn);
                text += separator;
                ++column;
                if (texts[1] != nullptr) {
                    column = Pad(text, column, column2);
                    HalfLine(text, *texts[1], column2, width);
                }
            }
            if ((texts[0] != nullptr && !incomplete[0]) || (texts[1] != nullptr && !incomplete[1]))
                text += '\n';
            const char* color = separator == '<' ? kDeletedColor : separator == '>' ? kAddedColor : nullptr;
            if (color != nullptr && m_writer.Color()) {
                m_writer.Raw(color);
                m_writer.Raw(text);
                m_writer.Raw(kResetColor);
            } else {
                m_writer.Raw(text);
            }
        };
        int at[2] = {0, 0};
        const auto common = [&](int until) {
            for (; at[0] < until; ++at[0], ++at[1]) row(at[0], at[1], ' ');
        };
        for (const CHANGE& c : changes) {
            common(c.first[0]);
            const int deleted = c.end[0] - c.first[0], inserted = c.end[1] - c.first[1];
            for (int k = 0; k < std::max(deleted, inserted); ++k) {
                const int left = k < deleted ? c.first[0] + k : -1;
                const int right = k < inserted ? c.first[1] + k : -1;
                row(left, right, left >= 0 && right >= 0 ? '|' : left >= 0 ? '<' : '>');
            }
            at[0] = c.end[0];
            at[1] = c.end[1];
        }
        common(static_cast<int>(sides[0].lines.size()));
    }

    // The "diff OPTIONS LEFT RIGHT" line before a pair's output in a tree.
    void PairHeader(const DIFFSIDE (&sides)[2]) {
        if (m_inTree == 0) return;
        std::string line = "diff ";
        if (!m_options.given.empty()) line += m_options.given + " ";
        m_writer.Raw(line + QuoteUnifiedName(sides[0].path) + " " + QuoteUnifiedName(sides[1].path) + "\n");
    }

    int CompareFiles(const std::string& left, const std::string& right) {
        DIFFSIDE sides[2];
        sides[0].path = left;
        sides[1].path = right;
        for (DIFFSIDE& side : sides)
            if (!Read(side)) return EXIT_TROUBLE;
        const bool same = sides[0].bytes == sides[1].bytes && sides[0].absent == sides[1].absent;
        if (same) return Identical(sides);
        if (!m_options.text && (IsBinary(sides[0]) || IsBinary(sides[1]))) {
            m_writer.Raw(std::string(m_options.brief ? "Files " : "Binary files ") + left + " and " + right +
                         " differ\n");
            return EXIT_DIFFERENT;
        }
        for (DIFFSIDE& side : sides) side.Split();
        const std::vector<CHANGE> changes = Changes(sides);
        if (Hunks(changes, 0).empty()) return Identical(sides);
        if (m_options.brief) {
            m_writer.Raw("Files " + left + " and " + right + " differ\n");
            return EXIT_DIFFERENT;
        }
        PairHeader(sides);
        switch (m_options.format) {
            case DiffFormat::Normal: WriteNormal(sides, changes); break;
            case DiffFormat::Unified: WriteUnified(sides, changes); break;
            case DiffFormat::Context: WriteContext(sides, changes); break;
            case DiffFormat::SideBySide: WriteSideBySide(sides, changes); break;
        }
        return EXIT_DIFFERENT;
    }

    int Identical(const DIFFSIDE (&sides)[2]) {
        if (m_options.format == DiffFormat::SideBySide && !m_options.brief && m_inTree == 0) {
            DIFFSIDE copy[2];
            for (int f = 0; f < 2; ++f) {
                copy[f].bytes = sides[f].bytes;
                copy[f].Split();
            }
            if (!m_options.reportIdentical) WriteSideBySide(copy, {});
        }
        if (m_options.reportIdentical)
            m_writer.Raw("Files " + sides[0].path + " and " + sides[1].path + " are identical\n");
        return EXIT_SAME;
    }

    bool Excluded(const std::string& name) const {
        return std::any_of(
            m_options.excludes.begin(), m_options.excludes.end(),
            [&](const std::string& pattern) { return ::fnmatch(pattern.c_str(), name.c_str(), 0) == 0; });
    }

    // The names in a folder, diff's exclusions left out; false with trouble
    // told when it cannot be read.
    bool List(const std::string& folder, std::vector<std::string>& names) {
        platform::CFileFindEx find;
        if (!find.FindFile(folder)) {
            Trouble(m_err, folder + ": " + platform::ErrorText(find.Error()));
            return false;
        }
        while (find.FindNextFile())
            if (!find.IsDots() && !Excluded(find.GetFileName())) names.push_back(find.GetFileName());
        if (find.Error() != 0) {
            Trouble(m_err, folder + ": " + platform::ErrorText(find.Error()));
            return false;
        }
        return true;
    }

    int CompareFolders(const std::string& left, const std::string& right, bool leftExists, bool rightExists) {
        std::vector<std::string> names[2];
        int status = EXIT_SAME;
        if (leftExists && !List(left, names[0])) status = EXIT_TROUBLE;
        if (rightExists && !List(right, names[1])) status = EXIT_TROUBLE;
        if (status == EXIT_TROUBLE) return status;
        for (std::vector<std::string>& list : names) std::sort(list.begin(), list.end());
        std::vector<std::string> all = names[0];
        all.insert(all.end(), names[1].begin(), names[1].end());
        std::sort(all.begin(), all.end(), [](const std::string& a, const std::string& b) {
            return std::strcoll(a.c_str(), b.c_str()) < 0;
        });
        all.erase(std::unique(all.begin(), all.end()), all.end());
        ++m_inTree;
        for (const std::string& name : all) {
            const std::string paths[2] = {platform::JoinPath(left, name), platform::JoinPath(right, name)};
            struct stat info[2];
            bool exists[2];
            for (int f = 0; f < 2; ++f) {
                const bool listed = std::binary_search(names[f].begin(), names[f].end(), name);
                exists[f] = listed && ::stat(paths[f].c_str(), &info[f]) == 0;
                if (listed && !exists[f]) {
                    status = std::max(status, Trouble(m_err, paths[f] + ": " + platform::ErrorText(errno)));
                }
            }
            if (!exists[0] && !exists[1]) continue;
            const bool folder[2] = {exists[0] && S_ISDIR(info[0].st_mode),
                                    exists[1] && S_ISDIR(info[1].st_mode)};
            int result = EXIT_SAME;
            if (!exists[0] || !exists[1]) {
                const int f = exists[0] ? 0 : 1;
                if (!m_options.newFile) {
                    m_writer.Raw("Only in " + (f == 0 ? left : right) + ": " + name + "\n");
                    result = EXIT_DIFFERENT;
                } else if (folder[f]) {
                    result = m_options.recursive ? CompareFolders(paths[0], paths[1], exists[0], exists[1])
                                                 : EXIT_SAME;
                    if (!m_options.recursive) {
                        m_writer.Raw("Only in " + (f == 0 ? left : right) + ": " + name + "\n");
                        result = EXIT_DIFFERENT;
                    }
                } else {
                    result = CompareFiles(paths[0], paths[1]);
                }
            } else if (folder[0] && folder[1]) {
                if (m_options.recursive) {
                    result = CompareFolders(paths[0], paths[1], true, true);
                } else {
                    m_writer.Raw("Common subdirectories: " + paths[0] + " and " + paths[1] + "\n");
                }
            } else if (folder[0] != folder[1]) {
                m_writer.Raw("File " + paths[0] + " is a " + TypeName(info[0]) + " while file " + paths[1] +
                             " is a " + TypeName(info[1]) + "\n");
                result = EXIT_DIFFERENT;
            } else {
                result = CompareFiles(paths[0], paths[1]);
            }
            status = std::max(status, result);
        }
        --m_inTree;
        return status;
    }

    static const char* TypeName(const struct stat& info) {
        if (S_ISDIR(info.st_mode)) return "directory";
        if (S_ISREG(info.st_mode)) return info.st_size == 0 ? "regular empty file" : "regular file";
        if (S_ISFIFO(info.st_mode)) return "fifo";
        if (S_ISCHR(info.st_mode)) return "character special file";
        if (S_ISBLK(info.st_mode)) return "block special file";
        if (S_ISSOCK(info.st_mode)) return "socket";
        return "weird file";
    }

    const DIFFOPTIONS& m_options;
    platform::COutput& m_err;
    CDiffWriter m_writer;
    std::unique_ptr<CLineFilter> m_filter;
    int m_inTree = 0;
};

}  // namespace

int RunDiffAction(const DIFFOPTIONS& options, const std::vector<std::string>& arguments,
                  platform::COutput& out, platform::COutput& err) {
    std::vector<std::string> paths;
    bool ended = false;
    for (const std::string& argument : arguments) {
        if (!ended && argument == "--") {
            ended = true;
            continue;
        }
        if (!ended && (argument == "--no-gui" || argument == "-c" || argument == "-compare" ||
                       argument == "--compare" || argument == "/c")) {
            continue;
        }
        if (!ended && argument.size() > 1 && argument[0] == '-')
            return Trouble(err, "option '" + argument +
                                    "' cannot be used with diff's options\nTry 'corvatine --help' for more "
                                    "information.");
        paths.push_back(argument);
    }
    if (paths.size() != 2)
        return Trouble(err, std::string(paths.size() < 2 ? "missing operand after '" : "extra operand '") +
                                (paths.size() < 2 ? (paths.empty() ? std::string("corvatine") : paths.back())
                                                  : paths[2]) +
                                "'\nTry 'corvatine --help' for more information.");
    CDiffRun run(options, out, err);
    if (!run.Prepare()) return EXIT_TROUBLE;
    const int status = run.ComparePaths(paths[0], paths[1]);
    out.Flush();
    if (options.gitForm && status == EXIT_DIFFERENT) return EXIT_SAME;
    return status;
}

}  // namespace corvatine
