#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>

#include "platform/FullTransfer.h"

namespace corvatine::platform {

FileType GetFileType(const std::string& path, int* error) {
    if (error != nullptr) *error = 0;
    struct stat st;
    if (path.empty()) {
        if (error != nullptr) *error = ENOENT;
        return FileType::Missing;
    }
    const CPathAt at(path);
    if (!at.IsValid() || ::fstatat(at.Dir(), at.Name(), &st, 0) != 0) {
        if (error != nullptr) *error = at.IsValid() ? errno : at.Error();
        return FileType::Missing;
    }
    if (S_ISREG(st.st_mode)) return FileType::Regular;
    if (S_ISDIR(st.st_mode)) return FileType::Folder;
    if (S_ISCHR(st.st_mode)) return FileType::CharacterDevice;
    return FileType::Other;
}

namespace {

FILEIDENTITY IdentityOf(const struct stat& st) {
    return {st.st_dev, st.st_ino, static_cast<int64_t>(st.st_size),
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

}  // namespace

bool GetFileIdentity(int fd, FILEIDENTITY& identity) {
    identity = FILEIDENTITY();
    struct stat st;
    if (::fstat(fd, &st) != 0) return false;
    identity = IdentityOf(st);
    return true;
}

bool GetFileIdentity(const std::string& path, FILEIDENTITY& identity) {
    identity = FILEIDENTITY();
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    identity = IdentityOf(st);
    return true;
}

bool IsSameFile(const std::string& first, const std::string& second) {
    struct stat a, b;
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

CPathAt::CPathAt(const std::string& path) : m_dir(AT_FDCWD), m_name(path.c_str()) {
    size_t start = 0;
    while (path.size() - start >= PATH_MAX) {
        // The longest piece that fits and ends before a separator; a leading
        // "/" is a piece of its own only when no longer one fits.
        const size_t cut = path.rfind('/', start + PATH_MAX - 1);
        if (cut == std::string::npos || cut < start) {
            m_error = ENAMETOOLONG;  // one name longer than any file system allows
            break;
        }
        const std::string piece = cut == start ? std::string("/") : path.substr(start, cut - start);
        int next;
        do {
            next = ::openat(m_dir, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        } while (next < 0 && errno == EINTR);
        const int openError = errno;
        if (m_dir >= 0) ::close(m_dir);
        m_dir = next;
        if (next < 0) {
            m_error = openError;
            break;
        }
        start = cut + 1;
        while (start < path.size() && path[start] == '/') ++start;
    }
    // A long path that ends in separators names the folder reached last.
    m_name = start == 0 || start < path.size() ? path.c_str() + start : ".";
}

CPathAt::~CPathAt() {
    const int saved = errno;  // callers read the errno of the call they made through the object
    if (m_dir >= 0) ::close(m_dir);
    errno = saved;
}

int OpenPath(const std::string& path, int flags) {
    const CPathAt at(path);
    if (!at.IsValid()) {
        errno = at.Error();
        return -1;
    }
    int fd;
    do {
        fd = ::openat(at.Dir(), at.Name(), flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

InputFile::~InputFile() { Close(); }

InputFile::InputFile(InputFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_error(other.m_error) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_error = other.m_error;
    }
    return *this;
}

bool InputFile::Open(const std::string& path, bool nonBlocking) {
    Close();
    int flags = O_RDONLY | O_CLOEXEC;
    if (nonBlocking) flags |= O_NONBLOCK;
    m_fd = OpenPath(path, flags);
    m_error = m_fd < 0 ? errno : 0;
    return m_fd >= 0;
}

bool InputFile::OpenRegular(const std::string& path) {
    if (!Open(path, true)) return false;
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        Close();
        m_error = EINVAL;
        return false;
    }
    return true;
}

int64_t InputFile::Read(void* buffer, size_t size) {
    if (m_fd < 0) {
        m_error = EBADF;
        return -1;
    }
    char* out = static_cast<char*>(buffer);
    const int64_t read = TransferFully(
        TransferKind::Read, size, [&](size_t done, size_t rest) { return ::read(m_fd, out + done, rest); });
    if (read < 0) m_error = errno;
    return read;
}

void InputFile::AdviseSequential() {
    if (m_fd >= 0) ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

bool InputFile::Seek(int64_t offset) {
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
        m_error = errno;
        return false;
    }
    return true;
}

void InputFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

}  // namespace corvatine::platform
