#include "platform/Path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace corvatine::platform {

namespace {

// The path without trailing separators; "/" (or "//...") stays "/".
std::string_view TrimTrailingSeparators(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    if (name.empty()) return std::string(folder);
    while (!name.empty() && name.front() == '/') name.remove_prefix(1);
    std::string result(folder);
    if (result.back() != '/') result += '/';
    result += name;
    return result;
}

void SplitPath(std::string_view path, std::string& folder, std::string& name) {
    path = TrimTrailingSeparators(path);
    if (path == "/") {
        folder.clear();
        name = "/";
        return;
    }
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        folder.clear();
        name = std::string(path);
        return;
    }
    name = std::string(path.substr(slash + 1));
    std::string_view parent = path.substr(0, slash);
    while (parent.size() > 1 && parent.back() == '/') parent.remove_suffix(1);
    folder = parent.empty() ? std::string("/") : std::string(parent);
}

std::string PathFileName(std::string_view path) {
    std::string folder, name;
    SplitPath(path, folder, name);
    return name;
}

std::string PathParentFolder(std::string_view path) {
    std::string folder, name;
    SplitPath(path, folder, name);
    return folder;
}

std::string PathExtension(std::string_view path) {
    const std::string name = PathFileName(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return std::string();
    return name.substr(dot);
}

std::string NormalizePath(std::string_view path) {
    if (path.empty()) return std::string();
    const bool absolute = path.front() == '/';
    std::vector<std::string_view> parts;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = path.find('/', pos);
        if (end == std::string_view::npos) end = path.size();
        std::string_view part = path.substr(pos, end - pos);
        if (!part.empty() && part != ".") parts.push_back(part);
        pos = end + 1;
    }
    std::string result = absolute ? "/" : "";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) result += '/';
        result += parts[i];
    }
    if (result.empty()) result = ".";
    return result;
}

bool PathsEqual(std::string_view a, std::string_view b) { return NormalizePath(a) == NormalizePath(b); }

bool PathExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool NameExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ProgramPath() {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return std::string();
        if (static_cast<size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<size_t>(n));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string AbsolutePath(std::string_view path) {
    if (path.empty() || path.front() == '/') return NormalizePath(path);
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return NormalizePath(path);
        buffer.resize(buffer.size() * 2);
    }
    return NormalizePath(JoinPath(buffer.data(), path));
}

std::string ProgramFolder() {
    const std::string program = ProgramPath();
    return program.empty() ? std::string() : PathParentFolder(program);
}

}  // namespace corvatine::platform
