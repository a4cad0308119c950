#include "shellext/ProcessStarter.h"

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

}  // namespace corvatine::shellext
