#include "shellext/ProcessStarter.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace corvatine::shellext {

namespace {

std::vector<char*> ArgumentVector(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return argv;
}

void WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

bool CSpawnStarter::Start(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv = ArgumentVector(program, arguments);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own session: closing the file manager's terminal or session
    // leader does not end the comparison.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int result = ::posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (result != 0) {
        m_error = result;
        return false;
    }
    m_error = 0;
    std::thread(WaitFor, pid).detach();
    return true;
}

int RunAndCapture(const std::string& program, const std::vector<std::string>& arguments,
                  std::string& output) {
    output.clear();
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    std::vector<char*> argv = ArgumentVector(program, arguments);
    pid_t pid = 0;
    const int result = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (result != 0) {
        ::close(pipeEnds[0]);
        return -1;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        output.append(buffer, static_cast<size_t>(got));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string FindInPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    const std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    size_t pos = 0;
    while (pos <= folders.size()) {
        size_t end = folders.find(':', pos);
        if (end == std::string::npos) end = folders.size();
        std::string candidate = folders.substr(pos, end - pos);
        pos = end + 1;
        if (candidate.empty()) continue;
        candidate += '/';
        candidate += program;
        struct stat status;
        if (::stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

bool CDialogChooser::Choose(const CHOOSEREQUEST& request, std::string& chosen) {
    std::string start = request.startFolder;
    if (!start.empty() && start.back() != '/') start += '/';
    std::string program = FindInPath("zenity");
    std::vector<std::string> arguments;
    if (!program.empty()) {
        arguments = {"--file-selection", "--title=" + request.title, "--filename=" + start};
        if (request.folder) arguments.push_back("--directory");
        if (!request.filterName.empty()) arguments.push_back("--file-filter=" + request.filterName + " | *");
    } else if (program = FindInPath("kdialog"); !program.empty()) {
        arguments = {"--title", request.title};
        if (request.folder)
            arguments.insert(arguments.end(), {"--getexistingdirectory", start});
        else
            arguments.insert(arguments.end(), {"--getopenfilename", start, "*|" + request.filterName});
    } else {
        return false;
    }
    std::string output;
    if (RunAndCapture(program, arguments, output) != 0) return false;  // cancelled
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    if (output.empty()) return false;
    chosen = output;
    return true;
}

}  // namespace corvatine::shellext
