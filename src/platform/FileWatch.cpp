#include "platform/FileWatch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "platform/FileAttributes.h"
#include "platform/Path.h"

namespace corvatine::platform {

namespace {

constexpr uint32_t kEvents =
    IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

// The folder of a path ("." for a bare name); names of one folder compare
// byte for byte.
std::string FolderOf(const std::string& path) {
    const std::string folder = PathParentFolder(path);
    return folder.empty() ? std::string(".") : folder;
}

// What a watch looks at, in one look-up: whether the path is a folder, and a
// file's last-write time. False when the entry cannot be read.
bool ReadWatchedEntry(const std::string& path, bool& isFolder, FILETIME& time) {
    FINDDATA data;
    if (!FindEntry(path, data)) return false;
    isFolder = (data.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    time = isFolder ? 0 : data.lastWriteTime;
    return true;
}

}  // namespace

CFileWatch::~CFileWatch() {
    StopWorker();
    if (m_inotify >= 0) ::close(m_inotify);
    if (m_wake >= 0) ::close(m_wake);
}

void CFileWatch::Wake() {
    if (m_wake < 0) return;
    const uint64_t one = 1;
    (void)!::write(m_wake, &one, sizeof one);
}

uint32_t CFileWatch::AddWatch(const std::string& path, CFileChangeTarget* window,
                              CFileChangeTarget* document) {
    std::unique_lock<std::mutex> lock(m_lock);
    const std::string folder = FolderOf(path);
    FILETIME time = 0;
    bool isFolder = false;
    if (!ReadWatchedEntry(path, isFolder, time)) return 0;
    if (m_inotify < 0) m_inotify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (m_wake < 0) m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_inotify < 0 || m_wake < 0) return 0;
    const uint32_t id = m_nextId++;
    m_items[id] = {path, time, window, document, 0};
    if (std::find(m_folders.begin(), m_folders.end(), folder) == m_folders.end()) {
        Wake();
        m_folders.push_back(folder);
        m_handles.push_back(::inotify_add_watch(m_inotify, folder.c_str(), kEvents));
    }
    if (!m_running) {
        if (m_worker.joinable()) m_worker.join();  // a worker that ended on its own
        m_stop = false;
        m_running = true;
        Wake();
        m_worker = std::thread([this] { Run(); });
    }
    return id;
}

void CFileWatch::SetTag(uint32_t id, uint32_t tag) {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_items.find(id);
    if (it != m_items.end()) it->second.tag = tag;
}

void CFileWatch::RemoveWatch(uint32_t id) {
    bool empty = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = m_items.find(id);
        if (it == m_items.end()) return;
        const std::string folder = FolderOf(it->second.path);
        m_items.erase(it);
        const bool shared = std::any_of(m_items.begin(), m_items.end(), [&](const auto& entry) {
            return FolderOf(entry.second.path) == folder;
        });
        if (!shared) {
            Wake();
            const auto at = std::find(m_folders.begin(), m_folders.end(), folder);
            if (at != m_folders.end()) {
                const size_t k = static_cast<size_t>(at - m_folders.begin());
                if (m_handles[k] >= 0) ::inotify_rm_watch(m_inotify, m_handles[k]);
                m_folders.erase(at);
                m_handles.erase(m_handles.begin() + static_cast<std::ptrdiff_t>(k));
            }
        }
        empty = m_items.empty();
    }
    if (empty) StopWorker();
}

void CFileWatch::StopWorker() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_running) return;
        m_stop = true;
        Wake();
    }
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (!m_running) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (m_worker.joinable()) m_worker.join();
}

bool CFileWatch::IsRunning() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_running;
}

size_t CFileWatch::WatchCount() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_items.size();
}

size_t CFileWatch::FolderCount() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_folders.size();
}

void CFileWatch::Notify(FILEWATCHITEM& item) {
    CFileChangeTarget* target = item.document != nullptr ? item.document : item.window;
    if (target != nullptr) m_queue.Post(target, &CFileChangeTarget::OnFileChanged, item.path);
}

// Under the watch lock: every entry of the folder whose time moved, or that
// is itself a folder.
void CFileWatch::CheckFolder(const std::string& folder) {
    for (auto& [id, item] : m_items) {
        if (FolderOf(item.path) != folder) continue;
        FILETIME time = 0;
        bool isFolder = false;
        if (!ReadWatchedEntry(item.path, isFolder, time)) continue;
        if (isFolder) {
            Notify(item);
            continue;
        }
        if (time == item.lastWriteTime) continue;
        item.lastWriteTime = time;
        Notify(item);
    }
}

void CFileWatch::Run() {
    LowerThreadPriority();
    alignas(struct inotify_event) char buffer[16384];
    for (;;) {
        struct pollfd fds[2] = {{m_wake, POLLIN, 0}, {m_inotify, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) break;
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_stop) break;
        if (fds[0].revents & POLLIN) {
            uint64_t count = 0;
            (void)!::read(m_wake, &count, sizeof count);
        }
        if (!(fds[1].revents & POLLIN)) continue;
        std::vector<std::string> changed;
        bool overflow = false;
        for (;;) {
            const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
            if (n <= 0) break;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
                if (event->mask & IN_Q_OVERFLOW) overflow = true;
                for (size_t k = 0; k < m_handles.size(); ++k)
                    if (m_handles[k] == event->wd &&
                        std::find(changed.begin(), changed.end(), m_folders[k]) == changed.end())
                        changed.push_back(m_folders[k]);
                at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
            }
        }
        // Events were lost: every folder is looked at again.
        if (overflow) changed = m_folders;
        for (const std::string& folder : changed) CheckFolder(folder);
    }
    std::lock_guard<std::mutex> lock(m_lock);
    for (const int handle : m_handles)
        if (handle >= 0) ::inotify_rm_watch(m_inotify, handle);
    m_items.clear();
    m_folders.clear();
    m_handles.clear();
    m_running = false;
}

CFileWatch& FileWatch() {
    static CFileWatch watch;
    return watch;
}

}  // namespace corvatine::platform
