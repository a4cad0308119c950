// The process-wide watch on files and folders shown by documents: when
// another program changes a watched file's last-write time (or anything in a
// watched folder), the document, or the window, gets the message 1445 with
// the path. One inotify watch per folder (not recursive), on one background
// thread that runs only while something is watched.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileFind.h"
#include "platform/MessageQueue.h"

namespace corvatine::platform {

// Whoever hears of a watched file that another program changed, on the
// queue's thread.
class CFileChangeTarget : public CMessageTarget {
public:
    virtual void OnFileChanged(const std::string& path) = 0;
};

struct FILEWATCHITEM {
    std::string path;
    FILETIME lastWriteTime;  // 0 for a folder
    CFileChangeTarget* window;
    CFileChangeTarget* document;  // when given, the event goes here
    uint32_t tag;
};

class CFileWatch {
public:
    explicit CFileWatch(CMessageQueue& queue = UserInterfaceQueue()) : m_queue(queue) {}
    ~CFileWatch();
    CFileWatch(const CFileWatch&) = delete;
    CFileWatch& operator=(const CFileWatch&) = delete;

    // The identifier of the new watch; 0 when the path is neither an existing
    // folder nor a file whose last-write time can be read.
    uint32_t AddWatch(const std::string& path, CFileChangeTarget* window, CFileChangeTarget* document);
    void SetTag(uint32_t id, uint32_t tag);
    void RemoveWatch(uint32_t id);

    bool IsRunning();
    size_t WatchCount();
    size_t FolderCount();

private:
    void Run();
    void StopWorker();
    void Wake();
    void CheckFolder(const std::string& folder);
    void Notify(FILEWATCHITEM& item);

    CMessageQueue& m_queue;
    std::mutex m_lock;  // the watch lock
    std::map<uint32_t, FILEWATCHITEM> m_items;
    uint32_t m_nextId = 1;
    std::vector<std::string> m_folders;  // in the order first needed
    std::vector<int> m_handles;          // the folders' inotify watches
    int m_inotify = -1;
    int m_wake = -1;  // eventfd
    bool m_stop = false;
    std::thread m_worker;
    bool m_running = false;
};

// The watch of the program's documents.
CFileWatch& FileWatch();

}  // namespace corvatine::platform
