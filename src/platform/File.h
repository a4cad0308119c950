// Plain file reading over POSIX descriptors.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvatine::platform {

enum class FileType {
    Missing,  // no such entry, or it cannot be examined
    Regular,
    Folder,
    CharacterDevice,
    Other,  // fifo, socket, block device
};

// The type of the entry, following symbolic links. With error, the errno
// value of the look-up when the entry is Missing (0 otherwise).
FileType GetFileType(const std::string& path, int* error = nullptr);

// A path of any length as a folder descriptor and a name below it, for the
// *at system calls: AT_FDCWD and the path itself when it is shorter than
// PATH_MAX; otherwise a folder on the way, reached by opening the path piece
// by piece (each piece shorter than PATH_MAX, so the system's limit never
// applies), and the rest of the path below that folder. At most two
// descriptors are open at once, and only while the object lives. The path
// must outlive the object.
class CPathAt {
public:
    explicit CPathAt(const std::string& path);
    ~CPathAt();
    CPathAt(const CPathAt&) = delete;
    CPathAt& operator=(const CPathAt&) = delete;

    // False when a folder on the way could not be opened; Error() says why.
    bool IsValid() const { return m_error == 0; }
    int Error() const { return m_error; }
    int Dir() const { return m_dir; }
    const char* Name() const { return m_name; }

private:
    int m_dir;
    const char* m_name;
    int m_error = 0;
};

// open(2) of a path of any length (see CPathAt), retrying interrupted calls.
// -1 with errno set on failure.
int OpenPath(const std::string& path, int flags);

// What tells one state of a file from another: which file it is (device and
// inode), its size and its last write time. Another program that changes or
// replaces a file changes one of these.
struct FILEIDENTITY {
    dev_t device = 0;
    ino_t inode = 0;
    int64_t size = -1;     // -1: not known
    int64_t modified = 0;  // nanoseconds since 1970

    bool IsKnown() const { return size >= 0; }
    bool operator==(const FILEIDENTITY& other) const = default;
};

// The identity of an open file, or of the file a path names (following
// symbolic links). False, with identity unknown, when it cannot be examined.
bool GetFileIdentity(int fd, FILEIDENTITY& identity);
bool GetFileIdentity(const std::string& path, FILEIDENTITY& identity);

// Whether two paths name one existing file (the same device and inode,
// symbolic links followed): writing to one would replace the other.
bool IsSameFile(const std::string& first, const std::string& second);

// A file opened for reading. Closed on destruction.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;

    // Opens the path (of any length) for reading. With nonBlocking, opening and reading never
    // wait for a writer (a terminal without input reads as an error).
    // On failure returns false and LastError() holds the errno value.
    [[nodiscard]] bool Open(const std::string& path, bool nonBlocking = false);
    // Opens the path only when it is a regular file (after following links):
    // a fifo, device or folder fails with EINVAL without being waited on or
    // read. One look-up of the path instead of a stat and an open.
    [[nodiscard]] bool OpenRegular(const std::string& path);

    // Reads until the buffer is full or the file ends, retrying interrupted
    // calls. Returns the number of bytes read (less than size only at the end
    // of the file), or -1 on error with LastError() set.
    [[nodiscard]] int64_t Read(void* buffer, size_t size);

    // Tells the system that the file will be read once from start to end.
    void AdviseSequential();

    // Moves the read position to an offset from the start.
    [[nodiscard]] bool Seek(int64_t offset);

    // The open descriptor, for status queries and maps; -1 while closed.
    int Descriptor() const { return m_fd; }

    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    int LastError() const { return m_error; }

private:
    int m_fd = -1;
    int m_error = 0;
};

}  // namespace corvatine::platform
