// The system calls behind file writes, gathered in one table so that tests
// can make them fail (no space left, short writes, a read-only folder) without
// a special file system. Production code always runs the real calls.
#pragma once

#include <sys/types.h>

namespace corvatine::platform {

struct SYSCALLS {
    int (*mkostemp)(char* pathTemplate, int flags);
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*rename)(const char* from, const char* to);
    ssize_t (*copyFileRange)(int from, off_t* fromOffset, int to, off_t* toOffset, size_t size,
                             unsigned flags);
    int (*syncfs)(int fd);
};

// The table in use; the real calls unless a test replaced some.
SYSCALLS& SysCalls();

// The real calls.
const SYSCALLS& RealSysCalls();

}  // namespace corvatine::platform
