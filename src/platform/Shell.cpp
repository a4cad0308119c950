#include "platform/Shell.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/FullTransfer.h"

extern char** environ;

namespace corvatine::platform {

namespace {

bool IsExecutable(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool HasEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Runs a program with its standard input fed from text and its output
// discarded; the exit status, or -1 when it could not be run.
int RunWithInput(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& text) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[0]);
    if (spawned != 0) {
        ::close(pipeFds[1]);
        return -1;
    }
    // A reader that goes away early must not kill this process.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    const bool written = TransferFully(TransferKind::Write, text.size(), [&](size_t done, size_t rest) {
                             return ::write(pipeFds[1], text.data() + done, rest);
                         }) >= 0;
    ::close(pipeFds[1]);
    ::sigaction(SIGPIPE, &previous, nullptr);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (!written) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::string FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return IsExecutable(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(start, end - start);
        if (folder.empty()) folder = ".";
        const std::string candidate = folder + "/" + name;
        if (IsExecutable(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

bool ShellOpen(const std::string& target) {
    const std::string opener = FindProgram("xdg-open");
    if (opener.empty()) return false;
    // The shell starts the opener in the background and returns at once, so
    // that no child is left for this process to wait for.
    const std::string shell = "/bin/sh";
    return RunWithInput(shell, {"-c", "\"$0\" \"$1\" </dev/null >/dev/null 2>&1 &", opener, target}, {}) == 0;
}

bool SplitCommandWords(std::string_view text, std::vector<std::string>& words) {
    words.clear();
    std::string word;
    bool inWord = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (++i < text.size()) word.push_back(text[i]);
        } else if (c == '\'') {
            const size_t close = text.find('\'', i + 1);
            if (close == std::string_view::npos) return false;
            word.append(text.substr(i + 1, close - i - 1));
            i = close;
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i >= text.size()) return false;
                if (text[i] == '"') break;
                if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\'))
                    ++i;
                word.push_back(text[i]);
            }
        } else {
            word.push_back(c);
        }
    }
    if (inWord) words.push_back(std::move(word));
    return true;
}

bool StartProgram(const std::string& program, const std::vector<std::string>& arguments, std::string& error) {
    const std::string path = FindProgram(program);
    if (path.empty()) {
        error = program + ": " + ErrorText(ENOENT);
        return false;
    }
    // Everything the children need is made before fork: only async-signal-
    // safe calls happen between fork and exec.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        error = program + ": " + ErrorText(errno);
        return false;
    }
    // The middle child starts the program and ends at once, so that the
    // program is nobody's child to wait for; a failed exec writes its errno
    // into the pipe, a successful one closes it.
    const pid_t middle = ::fork();
    if (middle == 0) {
        ::setsid();
        const pid_t child = ::fork();
        if (child == 0) {
            const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
            if (devNull >= 0) ::dup2(devNull, STDIN_FILENO);
            ::execve(path.c_str(), argv.data(), environ);
            const int failure = errno;
            (void)!::write(report[1], &failure, sizeof failure);
            ::_exit(127);
        }
        if (child < 0) {
            const int failure = errno;
            (void)!::write(report[1], &failure, sizeof failure);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    if (middle < 0) {
        error = program + ": " + ErrorText(errno);
        ::close(report[0]);
        return false;
    }
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int failure = 0;
    ssize_t n;
    do {
        n = ::read(report[0], &failure, sizeof failure);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    if (n == static_cast<ssize_t>(sizeof failure)) {
        error = program + ": " + ErrorText(failure);
        return false;
    }
    return true;
}

bool CopyTextToClipboard(const std::string& text) {
    if (HasEnvironment("WAYLAND_DISPLAY")) {
        const std::string program = FindProgram("wl-copy");
        if (!program.empty() && RunWithInput(program, {}, text) == 0) return true;
    }
    if (HasEnvironment("DISPLAY")) {
        const std::string program = FindProgram("xclip");
        if (!program.empty() && RunWithInput(program, {"-selection", "clipboard"}, text) == 0) return true;
    }
    return false;
}

bool CreateTempFile(const std::string& suffix, std::string& path, std::string& error) {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern =
        std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/corvatine-XXXXXX";
    pattern += suffix;
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkostemps(buffer.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd < 0) {
        error = pattern + ": " + ErrorText(errno);
        return false;
    }
    ::close(fd);
    path = buffer.data();
    return true;
}

}  // namespace corvatine::platform
