#include "platform/RandomAccessFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/AtomicFile.h"
#include "platform/FullTransfer.h"

namespace corvatine::platform {

bool CRandomAccessFile::Open(const std::string& path, Mode mode) {
    Close();
    // Non-blocking, so that a fifo cannot hold the open; it is refused below.
    const int flags = (mode == READ_WRITE ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK;
    int fd;
    do {
        fd = ::open(path.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_error = errno;
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        m_error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    m_path = path;
    m_error = 0;
    return true;
}

bool CRandomAccessFile::Create(const std::string& path, bool append, bool exclusive) {
    Close();
    int flags = O_WRONLY | O_CLOEXEC | (append ? O_APPEND : O_CREAT | O_TRUNC);
    if (exclusive && !append) flags |= O_EXCL;
    // A link another user planted in a sticky folder is not written through;
    // the file it names is opened without following a link swapped in since.
    std::string target;
    bool refused = false;
    if (!ResolveLinks(path, target, refused)) {
        m_error = errno;
        return false;
    }
    if (target != path) flags |= O_NOFOLLOW;
    int fd;
    do {
        fd = ::open(target.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_error = errno;
        return false;
    }
    m_fd = fd;
    m_path = path;
    m_error = 0;
    return true;
}

bool CRandomAccessFile::Write(const void* data, size_t size) {
    const char* in = static_cast<const char*>(data);
    if (TransferFully(TransferKind::Write, size,
                      [&](size_t done, size_t rest) { return ::write(m_fd, in + done, rest); }) >= 0)
        return true;
    m_error = errno;
    return false;
}

void CRandomAccessFile::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

int64_t CRandomAccessFile::Length() const {
    struct stat info {};
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0) return -1;
    return static_cast<int64_t>(info.st_size);
}

int64_t CRandomAccessFile::ReadAt(void* buffer, size_t size, int64_t offset) {
    if (m_fd < 0) {
        m_error = EBADF;
        return -1;
    }
    char* out = static_cast<char*>(buffer);
    const int64_t read = TransferFully(TransferKind::Read, size, [&](size_t done, size_t rest) {
        return ::pread(m_fd, out + done, rest, static_cast<off_t>(offset + static_cast<int64_t>(done)));
    });
    if (read < 0) m_error = errno;
    return read;
}

bool CRandomAccessFile::WriteAt(const void* data, size_t size, int64_t offset) {
    if (m_fd < 0) {
        m_error = EBADF;
        return false;
    }
    const char* in = static_cast<const char*>(data);
    if (TransferFully(TransferKind::Write, size, [&](size_t done, size_t rest) {
            return ::pwrite(m_fd, in + done, rest, static_cast<off_t>(offset + static_cast<int64_t>(done)));
        }) >= 0)
        return true;
    m_error = errno;
    return false;
}

bool CRandomAccessFile::Sync() {
    if (m_fd >= 0 && ::fsync(m_fd) == 0) return true;
    m_error = m_fd < 0 ? EBADF : errno;
    return false;
}

}  // namespace corvatine::platform
