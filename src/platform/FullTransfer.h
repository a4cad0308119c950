// Moving a whole buffer through read or write system calls, which may move
// fewer bytes than asked or be interrupted by a signal.
#pragma once

#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

namespace corvatine::platform {

enum class TransferKind { Read, Write };

// Repeats call(done, remaining), one system call for the bytes from done on,
// until size bytes have moved, retrying interrupted calls. A read stops early
// at the end of the file (a call that moves nothing); a write that moves
// nothing fails with ENOSPC rather than retrying for ever. Returns the bytes
// moved, or -1 with errno set.
template <typename Call>
int64_t TransferFully(TransferKind kind, size_t size, Call&& call) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = call(done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) {
            if (kind == TransferKind::Read) break;
            errno = ENOSPC;
            return -1;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

}  // namespace corvatine::platform
