// Folder chains deeper than the system's path limit, made level by level
// relative to open folders (no path the tests make is ever too long).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace corvatine::test {

// Makes root (when missing) and a chain of `levels` folders below it, each
// named `name`, and writes the files (name and bytes) into the deepest one.
// Returns the deepest folder's path. TempDir removes such a tree as any other.
inline std::string MakeDeepTree(const std::string& root, int levels, const std::string& name,
                                const std::vector<std::pair<std::string, std::string>>& files) {
    ::mkdir(root.c_str(), 0755);
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string path = root;
    for (int level = 0; level < levels && fd >= 0; ++level) {
        ::mkdirat(fd, name.c_str(), 0755);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        path += "/" + name;
    }
    if (fd < 0) throw std::runtime_error("cannot make the deep tree below " + root);
    for (const auto& [file, bytes] : files) {
        const int out = ::openat(fd, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const bool written =
            out >= 0 && ::write(out, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        if (out >= 0) ::close(out);
        if (!written) throw std::runtime_error("cannot write " + file + " at the bottom of " + root);
    }
    ::close(fd);
    return path;
}

}  // namespace corvatine::test
