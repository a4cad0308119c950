#include "platform/FileFind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/Path.h"
#include "platform/Wildcard.h"

namespace corvatine::platform {

namespace {

FILETIME FromStatx(const struct statx_timestamp& t) { return FileTimeFromUnix(t.tv_sec, t.tv_nsec); }

bool StatAt(int dirFd, const char* name, int flags, struct statx& info) {
    constexpr unsigned kMask = STATX_BASIC_STATS | STATX_BTIME;
    int result;
    do {
        result = ::statx(dirFd, name, flags | AT_NO_AUTOMOUNT, kMask, &info);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// Fills everything but the name. The entry is looked at without following a
// link first; a link is then followed when its target exists.
bool ReadEntry(int dirFd, const char* name, FINDDATA& data) {
    struct statx info {};
    if (!StatAt(dirFd, name, AT_SYMLINK_NOFOLLOW, info)) return false;
    uint32_t attributes = 0;
    if (S_ISLNK(info.stx_mode)) {
        attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        struct statx target {};
        if (StatAt(dirFd, name, 0, target)) info = target;
    }
    const mode_t mode = info.stx_mode;
    if (S_ISDIR(mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    else if (!S_ISREG(mode) && !S_ISLNK(mode))
        attributes |= FILE_ATTRIBUTE_SYSTEM;
    if ((mode & S_IWUSR) == 0 && !S_ISLNK(mode)) attributes |= FILE_ATTRIBUTE_READONLY;
    data.attributes = attributes;
    data.lastWriteTime = FromStatx(info.stx_mtime);
    data.lastAccessTime = FromStatx(info.stx_atime);
    data.creationTime = (info.stx_mask & STATX_BTIME) ? FromStatx(info.stx_btime) : FromStatx(info.stx_ctime);
    const uint64_t size = S_ISDIR(mode) ? 0 : info.stx_size;
    data.sizeHigh = static_cast<uint32_t>(size >> 32);
    data.sizeLow = static_cast<uint32_t>(size);
    data.device = (static_cast<uint64_t>(info.stx_dev_major) << 32) | info.stx_dev_minor;
    data.inode = info.stx_ino;
    return true;
}

// A folder of any path length opened for listing; null with errno on
// failure. Paths within the limit take opendir, which costs fewer calls
// than fdopendir on a descriptor of one's own.
DIR* OpenFolder(const std::string& path) {
    if (path.size() < PATH_MAX) return ::opendir(path.c_str());
    const int fd = OpenPath(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return dir;
}

void MarkHidden(FINDDATA& data) {
    if (!data.name.empty() && data.name[0] == '.') data.attributes |= FILE_ATTRIBUTE_HIDDEN;
}

}  // namespace

FILETIME FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
    const int64_t since1601 = seconds + kFileTimeEpochSeconds;
    if (since1601 < 0) return 0;
    return static_cast<FILETIME>(since1601) * 10000000u + static_cast<FILETIME>(nanoseconds / 100);
}

int64_t FileTimeToUnixSeconds(FILETIME time) {
    return static_cast<int64_t>(time / 10000000u) - kFileTimeEpochSeconds;
}

bool FindEntry(const std::string& path, FINDDATA& data, int* error) {
    data = FINDDATA();
    const CPathAt at(path);
    if (path.empty() || !at.IsValid() || !ReadEntry(at.Dir(), at.Name(), data)) {
        if (error != nullptr) *error = path.empty() ? ENOENT : !at.IsValid() ? at.Error() : errno;
        return false;
    }
    data.name = PathFileName(path);
    MarkHidden(data);
    return true;
}

bool FindEntryAt(int dirFd, const std::string& name, FINDDATA& data) {
    data = FINDDATA();
    if (!ReadEntry(dirFd, name.c_str(), data)) return false;
    data.name = PathFileName(name);
    MarkHidden(data);
    return true;
}

std::string CFileFindEx::SearchPath(const std::string& folder, std::string_view name) {
    return JoinPath(folder, name);
}

bool CFileFindEx::FindFile(const std::string& folder, std::string_view pattern) {
    Close();
    m_folder = folder;
    m_pattern = pattern == "*.*" ? "*" : std::string(pattern);
    m_error = 0;
    m_dir = OpenFolder(folder.empty() ? std::string(".") : folder);
    if (m_dir == nullptr) m_error = errno;
    return m_dir != nullptr;
}

bool CFileFindEx::FindNextFile() {
    if (m_dir == nullptr) return false;
    for (;;) {
        errno = 0;
        const struct dirent* entry = ::readdir(m_dir);
        if (entry == nullptr) {
            m_error = errno;
            return false;
        }
        if (m_pattern != "*" && !WildcardMatch(m_pattern, entry->d_name)) continue;
        m_data = FINDDATA();
        // "." and ".." are passed over by every caller: they are not looked up.
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            m_data.name = entry->d_name;
            m_data.attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN;
            return true;
        }
        if (!ReadEntry(::dirfd(m_dir), entry->d_name, m_data)) {
            if (errno == ENOENT) continue;  // removed since the folder was read
            m_error = errno;
            return false;
        }
        m_data.name = entry->d_name;
        MarkHidden(m_data);
        return true;
    }
}

void CFileFindEx::Close() {
    if (m_dir != nullptr) ::closedir(m_dir);
    m_dir = nullptr;
}

std::string CFileFindEx::GetFilePath() const { return SearchPath(m_folder, m_data.name); }

bool CFileFindEx::IsDirectory() const { return (m_data.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

}  // namespace corvatine::platform
