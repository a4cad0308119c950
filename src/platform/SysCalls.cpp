#include "platform/SysCalls.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

namespace corvatine::platform {

namespace {

int RealMkostemp(char* pathTemplate, int flags) { return ::mkostemp(pathTemplate, flags); }
ssize_t RealWrite(int fd, const void* data, size_t size) { return ::write(fd, data, size); }
int RealFsync(int fd) { return ::fsync(fd); }
int RealRename(const char* from, const char* to) { return std::rename(from, to); }
ssize_t RealCopyFileRange(int from, off_t* fromOffset, int to, off_t* toOffset, size_t size, unsigned flags) {
    return ::copy_file_range(from, fromOffset, to, toOffset, size, flags);
}
int RealSyncfs(int fd) { return ::syncfs(fd); }

constexpr SYSCALLS kReal = {RealMkostemp, RealWrite, RealFsync, RealRename, RealCopyFileRange, RealSyncfs};

}  // namespace

SYSCALLS& SysCalls() {
    static SYSCALLS calls = kReal;
    return calls;
}

const SYSCALLS& RealSysCalls() { return kReal; }

}  // namespace corvatine::platform
