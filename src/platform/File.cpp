#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/FullTransfer.h"

namespace corvatine::platform {

FileType GetFileType(const std::string& path) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return FileType::Missing;
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
    do {
        m_fd = ::open(path.c_str(), flags);
    } while (m_fd < 0 && errno == EINTR);
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
