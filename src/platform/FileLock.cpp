#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include "platform/AtomicFile.h"
#include "platform/Path.h"

namespace corvatine::platform {

namespace {

constexpr mode_t kLockFileMode = 0600;

struct HELDLOCK {
    int fd = -1;
    int depth = 0;
};

// The locks this thread holds, by path. flock excludes separate opens of the
// file even within one process, so other threads still wait for the lock.
std::map<std::string, HELDLOCK>& HeldLocks() {
    thread_local std::map<std::string, HELDLOCK> held;
    return held;
}

}  // namespace

std::string SettingsLockPath(const std::string& folder) { return JoinPath(folder, kSettingsLockFile); }

bool CFileLock::Lock(const std::string& path, std::string& error) {
    if (IsLocked()) return true;
    auto& held = HeldLocks();
    if (const auto it = held.find(path); it != held.end()) {
        ++it->second.depth;
        m_path = path;
        return true;
    }
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kLockFileMode);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        const int openError = errno;
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) errno = openError;
    }
    if (fd < 0) {
        error = "cannot open the lock file " + path + ": " + ErrorText(errno);
        return false;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        error = "cannot lock " + path + ": " + ErrorText(errno);
        ::close(fd);
        return false;
    }
    held[path] = HELDLOCK{fd, 1};
    m_path = path;
    return true;
}

void CFileLock::Unlock() {
    if (!IsLocked()) return;
    auto& held = HeldLocks();
    const auto it = held.find(m_path);
    m_path.clear();
    if (it == held.end() || --it->second.depth > 0) return;
    ::close(it->second.fd);  // closing releases the lock
    held.erase(it);
}

}  // namespace corvatine::platform
