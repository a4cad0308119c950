// Find in files: every file of chosen types in a folder, and optionally in
// its subfolders, is searched line by line for a text or a regular
// expression on a worker thread, which reports what it finds as the nodes of
// a results tree: a root per search, a node per file with hits, a node per
// hit line below it, and a summary.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/Event.h"
#include "platform/MessageQueue.h"
#include "tools/FindRegExp.h"
#include "tools/LiteralFinder.h"

namespace corvatine {

// Flags of a search request (FIF_: Find In Files, beside the editor's FIND_).
enum FindInFilesFlags : unsigned {
    FIF_SUBFOLDERS = 0x1,  // look in subfolders
    FIF_REGEXP = 0x2,      // the text is a regular expression (FindRegExp.h)
    FIF_MATCHCASE = 0x4,   // letters match only in the same case
};

// Levels of the result nodes.
enum FindResultLevel : int {
    FIND_LEVEL_ROOT = 0,     // a new root node: the search
    FIND_LEVEL_FILE = 1,     // a file under the current root
    FIND_LEVEL_LINE = 2,     // a hit line under the current file
    FIND_LEVEL_SUMMARY = 3,  // the summary under the current root
};

// The results window. The worker sends it every node by calling
// OnFindResult on the worker's thread, and goes on when it returns: a window
// that lives on another thread hands the node over and waits. The end is
// posted through the message queue and arrives as OnFindEnded on the
// queue's thread.
class CFindInFilesWindow : public platform::CMessageTarget {
public:
    virtual void OnFindResult(int level, const std::string& text) = 0;
    virtual void OnFindEnded() = 0;
};

// A search request; the worker copies it before it signals the start event.
struct FINDINFILESREQUEST {
    unsigned flags = 0;                      // FindInFilesFlags
    std::string findWhat;                    // the text searched for
    std::string fileTypes = "*.*";           // wildcard patterns separated by ";"
    std::string lookIn;                      // the folder
    CFindInFilesWindow* window = nullptr;    // where the nodes go
    platform::CEvent* startEvent = nullptr;  // set once the request is copied
};

// The line number of a line node's text, read as a double-click reads it:
// the part before the first ":" without "(", ")" and blanks, as a decimal
// number; 0 when that is no number.
int LineNodeNumber(std::string_view text);
// The line of a line node's text: what follows the first ": ".
std::string_view LineNodeText(std::string_view text);

// One search, run on the calling thread.
//
// Each pattern of the file types, in the order written, lists the files of
// the folder it matches (without regard to case; "*.*" matches every name),
// in the order the file system gives them; each regular file among them is
// searched (a link to one too; devices and fifos are not opened), once even
// when several patterns match it. With
// FIF_SUBFOLDERS every subfolder is then searched the same way, in the
// order listed, after the folder's own files; a link to a folder is
// followed unless it leads back to a folder being searched. A file that
// cannot be opened, or a folder that cannot be read, is passed over
// silently.
//
// A file is read in blocks of readBlockSize bytes and taken as lines:
// carriage returns are dropped, and a line ends after a line feed, which
// stays part of it, or when it has reached kMaxLineLength bytes (the rest is
// the next line); lines are numbered from 1. A line is a hit when it holds
// the text (byte for byte, or ASCII letters in either case without
// FIF_MATCHCASE) or, with FIF_REGEXP, when the expression matches it (the
// line feed is not part of the line it sees). An expression that does not
// compile leaves only the first test.
class CFindInFiles {
public:
    static constexpr size_t kReadBlockSize = 8192;
    static constexpr size_t kMaxLineLength = 65535;

    // readBlockSize is at most kMaxLineLength / 2; tests set it small to meet
    // block boundaries cheaply.
    explicit CFindInFiles(size_t readBlockSize = kReadBlockSize);
    CFindInFiles(const CFindInFiles&) = delete;
    CFindInFiles& operator=(const CFindInFiles&) = delete;

    // Runs the search: the root node "Searching for "TEXT" in FOLDER ...", a
    // file node with the file's path (folder and name joined by "/") before
    // its first hit, a line node "(%4d): LINE" for every hit, and the summary
    // "N occurrence(s) have been found.\n", "Cannot find the string "TEXT"."
    // or "Canceled". The stop event is tested between entries and lines;
    // once it is set the search ends at once with "Canceled". Returns the
    // number of hits.
    int Run(const FINDINFILESREQUEST& request, platform::CEvent& stop);

    // Whether the last run was canceled.
    bool WasCanceled() const { return m_canceled; }

private:
    struct FOLDERID;
    struct FOLDER;

    // Each returns false once the search is to end.
    bool SearchFolder(const FOLDER& folder, std::vector<FOLDER>& pending);
    bool SearchFile(const std::string& path);
    bool ScanLines(const std::string& path);
    bool Report(const std::string& path, size_t from, size_t to);
    bool Stopped();
    // The first position in [from, to) of the window, which holds whole
    // lines, that makes its line a hit; npos when none.
    size_t FindHit(size_t from, size_t to) const;
    // Whether the line [from, to) of the window is a hit.
    bool LineHits(size_t from, size_t to) const;
    void Send(int level, const std::string& text) const;

    const size_t m_blockSize;
    // The open line, which the blocks read so far began, at [m_start, m_end);
    // [m_start, m_checked) holds no line feed.
    std::vector<char> m_window;
    size_t m_start = 0, m_end = 0, m_checked = 0;
    std::unique_ptr<CLiteralFinder> m_literal;
    bool m_literalCanHit = false;  // no carriage return in the text, a line feed only at its end
    CFindRegExp m_expression;
    bool m_useExpression = false;  // FIF_REGEXP, and the expression compiled
    std::vector<std::string> m_patterns;
    unsigned m_flags = 0;
    CFindInFilesWindow* m_results = nullptr;
    platform::CEvent* m_stop = nullptr;
    bool m_canceled = false;
    int m_hits = 0;      // so far
    int m_fileHits = 0;  // in the current file
    int m_line = 0;      // number of the line that starts the unsearched bytes
    std::string m_node;
};

// The worker of a results window: one search at a time on its own thread,
// at the normal priority.
class CFindInFilesThread {
public:
    explicit CFindInFilesThread(platform::CMessageQueue& queue = platform::UserInterfaceQueue(),
                                size_t readBlockSize = CFindInFiles::kReadBlockSize)
        : m_queue(queue), m_blockSize(readBlockSize) {}
    // Stops a running search.
    ~CFindInFilesThread();
    CFindInFilesThread(const CFindInFilesThread&) = delete;
    CFindInFilesThread& operator=(const CFindInFilesThread&) = delete;

    // Starts the search: the worker is made, and this returns once it has
    // copied the request (whose start event is set here). False when a
    // search runs already or no thread can be made.
    [[nodiscard]] bool Start(FINDINFILESREQUEST request);
    // Sets the stop event and, while the worker lives, delivers the
    // messages of the queue; then the stop event is reset and the thread
    // idle.
    void Stop();
    // The end message arrived: the worker is ended and the thread idle.
    void OnEnd();
    bool IsRunning() const { return m_running; }
    // Set by whoever wants the search to end; Stop sets it and waits.
    platform::CEvent& StopEvent() { return m_stop; }

private:
    void Work(FINDINFILESREQUEST* request);
    void Join();

    platform::CMessageQueue& m_queue;
    const size_t m_blockSize;
    platform::CEvent m_stop{true, false};
    CFindInFilesWindow* m_window = nullptr;  // of the last search
    std::unique_ptr<std::thread> m_worker;
    std::atomic<bool> m_alive{false};
    bool m_running = false;
};

}  // namespace corvatine
