#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/AtomicFile.h"
#include "platform/Shell.h"

extern char** environ;

namespace corvatine::platform {

namespace {

// Both pipes are drained together, so that a program filling one while
// this side waits on the other cannot stall.
void Drain(int outFd, int errFd, std::string& out, std::string& err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    char buffer[4096];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

// This process's environment with the changes applied.
std::vector<std::string> ChangedEnvironment(const std::vector<std::string>& changes) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) entries.emplace_back(*entry);
    for (const std::string& change : changes) {
        const size_t equals = change.find('=');
        const std::string name = change.substr(0, equals);
        std::erase_if(entries, [&](const std::string& entry) {
            return entry.size() > name.size() && entry[name.size()] == '=' &&
                   entry.compare(0, name.size(), name) == 0;
        });
        if (equals != std::string::npos) entries.push_back(change);
    }
    return entries;
}

}  // namespace

bool RunProgramAndWait(const std::string& program, const std::vector<std::string>& arguments,
                       PROCESSRESULT& result, std::string& error) {
    return RunProgramAndWait(program, arguments, PROCESSOPTIONS(), result, error);
}

bool RunProgramAndWait(const std::string& program, const std::vector<std::string>& arguments,
                       const PROCESSOPTIONS& options, PROCESSRESULT& result, std::string& error) {
    result = PROCESSRESULT();
    if (!options.workingFolder.empty() && ::access(options.workingFolder.c_str(), X_OK) != 0) {
        error = options.workingFolder + ": " + ErrorText(errno);
        return false;
    }
    const std::string path = FindProgram(program);
    if (path.empty()) {
        error = program + ": " + ErrorText(ENOENT);
        return false;
    }
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0) {
        error = program + ": " + ErrorText(errno);
        return false;
    }
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        error = program + ": " + ErrorText(errno);
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, options.outputFd >= 0 ? options.outputFd : outPipe[1],
                                     STDOUT_FILENO);
    if (!options.workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workingFolder.c_str());
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    std::vector<char*> envp;
    if (!options.environment.empty()) {
        environment = ChangedEnvironment(options.environment);
        for (std::string& entry : environment) envp.push_back(entry.data());
        envp.push_back(nullptr);
    }
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(),
                                      envp.empty() ? environ : envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (spawned == 0) Drain(outPipe[0], errPipe[0], result.out, result.err);
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    if (spawned != 0) {
        error = program + ": " + ErrorText(spawned);
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            error = program + ": " + ErrorText(errno);
            return false;
        }
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

}  // namespace corvatine::platform
