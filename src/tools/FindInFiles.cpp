#include "tools/FindInFiles.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <unordered_set>

#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/FileFind.h"

namespace corvatine {

// A folder on the way down, so that a link back to it is not followed.
struct CFindInFiles::FOLDERID {
    uint64_t device;
    uint64_t inode;
    std::shared_ptr<const FOLDERID> parent;
};

struct CFindInFiles::FOLDER {
    std::string path;
    std::shared_ptr<const FOLDERID> id;  // null when the folder could not be looked at
};

namespace {

constexpr size_t npos = std::string_view::npos;

std::vector<std::string> SplitPatterns(const std::string& types) {
    std::vector<std::string> patterns;
    size_t from = 0;
    for (;;) {
        const size_t semicolon = types.find(';', from);
        std::string pattern =
            types.substr(from, semicolon == std::string::npos ? semicolon : semicolon - from);
        if (!pattern.empty()) patterns.push_back(std::move(pattern));
        if (semicolon == std::string::npos) return patterns;
        from = semicolon + 1;
    }
}

}  // namespace

int LineNodeNumber(std::string_view text) {
    std::string digits;
    for (const char c : text.substr(0, text.find(':')))
        if (c != '(' && c != ')') digits += c;
    const size_t first = digits.find_first_not_of(" \t"), last = digits.find_last_not_of(" \t");
    if (first == std::string::npos || last - first >= 9) return 0;
    int number = 0;
    for (size_t i = first; i <= last; ++i) {
        if (digits[i] < '0' || digits[i] > '9') return 0;
        number = number * 10 + (digits[i] - '0');
    }
    return number;
}

std::string_view LineNodeText(std::string_view text) {
    const size_t colon = text.find(": ");
    return colon == std::string_view::npos ? std::string_view() : text.substr(colon + 2);
}

CFindInFiles::CFindInFiles(size_t readBlockSize)
    : m_blockSize(std::clamp<size_t>(readBlockSize, 1, kMaxLineLength / 2)) {
    assert(readBlockSize >= 1 && readBlockSize <= kMaxLineLength / 2);
}

void CFindInFiles::Send(int level, const std::string& text) const {
    if (m_results != nullptr) m_results->OnFindResult(level, text);
}

bool CFindInFiles::Stopped() {
    if (!m_canceled && m_stop->TryWait()) m_canceled = true;
    return m_canceled;
}

int CFindInFiles::Run(const FINDINFILESREQUEST& request, platform::CEvent& stop) {
    m_flags = request.flags;
    m_results = request.window;
    m_stop = &stop;
    m_canceled = false;
    m_hits = 0;
    Send(FIND_LEVEL_ROOT, "Searching for \"" + request.findWhat + "\" in " + request.lookIn + " ...");

    const bool matchCase = (m_flags & FIF_MATCHCASE) != 0;
    m_literal = std::make_unique<CLiteralFinder>(request.findWhat, matchCase);
    // Lines hold no carriage return, and a line feed only at their end.
    const size_t lineFeed = request.findWhat.find('\n');
    m_literalCanHit = request.findWhat.find('\r') == std::string::npos &&
                      (lineFeed == std::string::npos || lineFeed + 1 == request.findWhat.size());
    m_useExpression = (m_flags & FIF_REGEXP) != 0 && m_expression.Compile(request.findWhat, matchCase);
    m_patterns = SplitPatterns(request.fileTypes);
    m_window.resize(2 * kMaxLineLength + m_blockSize);

    std::vector<FOLDER> pending(1);
    pending[0].path = request.lookIn;
    platform::FINDDATA root;
    if (platform::FindEntry(request.lookIn, root))
        pending[0].id = std::make_shared<FOLDERID>(FOLDERID{root.device, root.inode, nullptr});
    // Depth first, each folder's files before its subfolders.
    while (!pending.empty()) {
        const FOLDER folder = std::move(pending.back());
        pending.pop_back();
        if (!SearchFolder(folder, pending)) break;
    }

    if (m_canceled)
        Send(FIND_LEVEL_SUMMARY, "Canceled");
    else if (m_hits != 0)
        Send(FIND_LEVEL_SUMMARY, std::to_string(m_hits) + " occurrence(s) have been found.\n");
    else
        Send(FIND_LEVEL_SUMMARY, "Cannot find the string \"" + request.findWhat + "\".");
    return m_hits;
}

bool CFindInFiles::SearchFolder(const FOLDER& folder, std::vector<FOLDER>& pending) {
    // A file that several patterns match ("*.c;*.C", or one given twice) is
    // searched once, where the first of them lists it.
    std::unordered_set<std::string> searched;
    for (const std::string& pattern : m_patterns) {
        platform::CFileFindEx find;
        if (find.FindFile(folder.path, pattern)) {
            while (find.FindNextFile()) {
                if (Stopped()) return false;
                if (find.IsDirectory()) continue;
                if (m_patterns.size() > 1 && !searched.insert(find.GetFileName()).second) continue;
                if (!SearchFile(find.GetFilePath())) return false;
            }
        }
        if (Stopped()) return false;
    }
    if ((m_flags & FIF_SUBFOLDERS) == 0) return true;

    platform::CFileFindEx find;
    if (!find.FindFile(folder.path, "*")) return true;
    std::vector<FOLDER> subfolders;
    while (find.FindNextFile()) {
        if (Stopped()) return false;
        if (!find.IsDirectory() || find.IsDots()) continue;
        const platform::FINDDATA& data = find.Data();
        if ((data.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            bool loop = false;
            for (const FOLDERID* up = folder.id.get(); up != nullptr && !loop; up = up->parent.get())
                loop = up->device == data.device && up->inode == data.inode;
            if (loop) continue;
        }
        subfolders.push_back(
            {find.GetFilePath(), std::make_shared<FOLDERID>(FOLDERID{data.device, data.inode, folder.id})});
    }
    pending.insert(pending.end(), std::make_move_iterator(subfolders.rbegin()),
                   std::make_move_iterator(subfolders.rend()));
    return true;
}

bool CFindInFiles::SearchFile(const std::string& path) {
    platform::InputFile file;
    if (!file.OpenRegular(path)) return true;
    file.AdviseSequential();
    m_fileHits = 0;
    m_line = 1;
    m_start = m_end = m_checked = 0;
    char* const window = m_window.data();
    for (;;) {
        if (m_end + m_blockSize > m_window.size()) {
            std::memmove(window, window + m_start, m_end - m_start);
            m_end -= m_start;
            m_checked -= m_start;
            m_start = 0;
        }
        const int64_t read = file.Read(window + m_end, m_blockSize);
        // A file that fails to read on is left where it failed.
        if (read < 0) return !Stopped();
        if (read == 0) break;
        m_end += DropCarriageReturns(window + m_end, static_cast<size_t>(read));
        if (!ScanLines(path)) return false;
        if (static_cast<size_t>(read) < m_blockSize) break;  // the end of the file
    }
    if (m_start < m_end && LineHits(m_start, m_end) && !Report(path, m_start, m_end)) return false;
    return !Stopped();
}

// Lines are only taken apart where there is a hit: the bytes are searched as
// a whole, and the line feeds before a hit counted to number its line.
bool CFindInFiles::ScanLines(const std::string& path) {
    const char* const window = m_window.data();
    // The open line, collected over the blocks before, ends at its first
    // line feed or is cut at kMaxLineLength bytes.
    for (;;) {
        const size_t limit = m_start + kMaxLineLength;
        const size_t end = std::min(m_end, limit);
        if (m_checked < end && std::memchr(window + m_checked, '\n', end - m_checked) != nullptr) break;
        if (limit > m_end) {
            m_checked = m_end;
            return true;
        }
        if (LineHits(m_start, limit) && !Report(path, m_start, limit)) return false;
        ++m_line;
        m_start = m_checked = limit;
    }
    // That line feed is in the last block, so every line after it is shorter
    // than a block and only ends at a line feed.
    const auto* last = static_cast<const char*>(::memrchr(window + m_start, '\n', m_end - m_start));
    const auto whole = static_cast<size_t>(last - window) + 1;
    size_t from = m_start;
    while (from < whole) {
        const size_t hit = FindHit(from, whole);
        if (hit == npos) break;
        const auto* before = static_cast<const char*>(::memrchr(window + from, '\n', hit - from));
        const size_t lineStart = before != nullptr ? static_cast<size_t>(before - window) + 1 : from;
        m_line += static_cast<int>(CountLineFeeds(window + from, lineStart - from));
        const auto* lineFeed = static_cast<const char*>(std::memchr(window + hit, '\n', whole - hit));
        const size_t lineEnd = static_cast<size_t>(lineFeed - window) + 1;
        if (!Report(path, lineStart, lineEnd)) return false;
        ++m_line;
        from = lineEnd;
    }
    m_line += static_cast<int>(CountLineFeeds(window + from, whole - from));
    m_start = m_checked = whole;
    return !Stopped();
}

size_t CFindInFiles::FindHit(size_t from, size_t to) const {
    const char* const window = m_window.data();
    size_t hit = npos;
    if (m_literalCanHit) {
        const size_t at = m_literal->Find(std::string_view(window + from, to - from));
        if (at != npos) {
            hit = from + at;
            // A match of the expression counts only in an earlier line.
            to = static_cast<size_t>(static_cast<const char*>(std::memchr(window + hit, '\n', to - hit)) -
                                     window) +
                 1;
        }
    }
    if (!m_useExpression) return hit;
    if (m_expression.LinesAtOnce()) {
        const size_t at = m_expression.FindInLines(std::string_view(window + from, to - from));
        return at == npos ? hit : std::min(hit, from + at);
    }
    for (size_t line = from; line < to;) {
        const size_t end = static_cast<size_t>(
            static_cast<const char*>(std::memchr(window + line, '\n', to - line)) - window);
        if (m_expression.Matches(std::string_view(window + line, end - line))) return std::min(hit, line);
        line = end + 1;
    }
    return hit;
}

bool CFindInFiles::LineHits(size_t from, size_t to) const {
    const std::string_view line(m_window.data() + from, to - from);
    if (m_literalCanHit && m_literal->Find(line) != npos) return true;
    if (!m_useExpression) return false;
    return m_expression.Matches(line.substr(0, line.size() - (line.back() == '\n' ? 1 : 0)));
}

bool CFindInFiles::Report(const std::string& path, size_t from, size_t to) {
    if (Stopped()) return false;
    if (m_fileHits == 0) Send(FIND_LEVEL_FILE, path);
    ++m_fileHits;
    ++m_hits;
    char number[32];
    const int length = std::snprintf(number, sizeof number, "(%4d): ", m_line);
    m_node.assign(number, static_cast<size_t>(length));
    m_node.append(m_window.data() + from, to - from);
    Send(FIND_LEVEL_LINE, m_node);
    return true;
}

CFindInFilesThread::~CFindInFilesThread() {
    if (m_running || m_worker != nullptr) Stop();
    if (m_window != nullptr) m_queue.Discard(m_window);
}

bool CFindInFilesThread::Start(FINDINFILESREQUEST request) {
    if (m_running) return false;
    platform::CEvent started(true, false);
    request.startEvent = &started;
    m_window = request.window;
    m_alive = true;
    try {
        m_worker = std::make_unique<std::thread>(&CFindInFilesThread::Work, this, &request);
    } catch (const std::system_error&) {
        m_alive = false;
        return false;
    }
    started.Wait();
    m_running = true;
    return true;
}

void CFindInFilesThread::Work(FINDINFILESREQUEST* shared) {
    const FINDINFILESREQUEST request = *shared;
    request.startEvent->Set();  // the starter's request and event go away now
    CFindInFiles search(m_blockSize);
    search.Run(request, m_stop);
    if (request.window != nullptr) m_queue.Post(request.window, &CFindInFilesWindow::OnFindEnded);
    m_alive = false;
}

void CFindInFilesThread::Stop() {
    m_stop.Set();
    while (m_alive) {
        platform::MESSAGE message;
        if (m_queue.Get(message, std::chrono::milliseconds(10))) message.Deliver();
    }
    Join();
    m_stop.Reset();
    m_running = false;
}

void CFindInFilesThread::OnEnd() {
    Join();
    m_running = false;
}

void CFindInFilesThread::Join() {
    if (m_worker != nullptr && m_worker->joinable()) m_worker->join();
    m_worker.reset();
}

}  // namespace corvatine
