// A file read and written at given offsets, for buffers that keep their file
// open (the hex editor) and for a second handle on the same file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/File.h"

namespace corvatine::platform {

class CRandomAccessFile {
public:
    enum Mode { READ_ONLY, READ_WRITE };

    CRandomAccessFile() = default;
    ~CRandomAccessFile() { Close(); }
    CRandomAccessFile(const CRandomAccessFile&) = delete;
    CRandomAccessFile& operator=(const CRandomAccessFile&) = delete;

    // Opens an existing regular file. False with LastError() set (EISDIR for
    // a folder, EINVAL for a fifo, device or socket).
    [[nodiscard]] bool Open(const std::string& path, Mode mode);
    // Opens a file for writing: created (emptied when it exists, refused
    // when exclusive and it exists) or, with append, an existing file at its
    // end. New files get the permission bits 0666 less the umask. A symbolic
    // link that may not be followed (MayFollowLink) fails with EACCES.
    [[nodiscard]] bool Create(const std::string& path, bool append, bool exclusive);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }

    // The current length; -1 when it cannot be read.
    int64_t Length() const;
    // The identity of the open file; false (unknown) when it cannot be read.
    [[nodiscard]] bool Identity(FILEIDENTITY& identity) const { return GetFileIdentity(m_fd, identity); }
    // Reads up to size bytes at the offset (fewer only at the end); -1 on error.
    int64_t ReadAt(void* buffer, size_t size, int64_t offset);
    // Writes all bytes at the end (a file made by Create) or at the offset.
    [[nodiscard]] bool Write(const void* data, size_t size);
    // Writes all bytes at the offset; false on error.
    [[nodiscard]] bool WriteAt(const void* data, size_t size, int64_t offset);
    [[nodiscard]] bool Sync();
    int LastError() const { return m_error; }

private:
    int m_fd = -1;
    int m_error = 0;
    std::string m_path;
};

}  // namespace corvatine::platform
