#include "support/TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace corvatine::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/corvatine-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = buffer.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore permissions that tests took away, so that everything can go.
    for (auto it =
             fs::recursive_directory_iterator(m_path, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(m_path, ec);
}

std::string TempDir::WriteFile(const std::string& name, const std::string& bytes) const {
    const fs::path path = fs::path(m_path) / name;
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path.string());
    return path.string();
}

std::string TempDir::MakeFolder(const std::string& name) const {
    const fs::path path = fs::path(m_path) / name;
    fs::create_directories(path);
    return path.string();
}

void TempDir::OpenToAll() const {
    std::error_code ec;
    fs::permissions(m_path, fs::perms::all, ec);
    for (auto it = fs::recursive_directory_iterator(m_path, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec)) fs::permissions(it->path(), fs::perms::all, ec);
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment, const std::string& cwd) {
    ProgramResult result;
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");

    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool overridden = false;
        for (const std::string& extra : environment)
            if (extra.substr(0, extra.find('=')) == name) overridden = true;
        if (!overridden) envStrings.push_back(entry);
    }
    for (const std::string& extra : environment) envStrings.push_back(extra);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(127);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);

    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
            char buffer[65536];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

const std::string& CorvatineProgram() {
    // CORVATINE_TEST_PROGRAM in the environment puts another build's program
    // (the Release one in CI) under the same tests.
    static const std::string program = [] {
        const char* other = std::getenv("CORVATINE_TEST_PROGRAM");
        return std::string(other != nullptr && *other != '\0' ? other : CORVATINE_TEST_PROGRAM);
    }();
    return program;
}

ProgramResult RunCorvatine(const std::vector<std::string>& arguments, const std::string& cwd,
                           const std::vector<std::string>& environment) {
    return RunProgram(CorvatineProgram(), arguments, environment, cwd);
}

namespace {

constexpr const char* kSetpriv = "/usr/bin/setpriv";

}  // namespace

bool CanRunAsOrdinaryUser() { return ::geteuid() != 0 || ::access(kSetpriv, X_OK) == 0; }

ProgramResult RunCorvatineAsOrdinaryUser(const std::vector<std::string>& arguments, const std::string& cwd,
                                         const std::vector<std::string>& environment) {
    if (::geteuid() != 0) return RunCorvatine(arguments, cwd, environment);
    static const TempDir settings;
    settings.OpenToAll();
    std::vector<std::string> env = environment;
    const bool ownSettings = std::any_of(env.begin(), env.end(), [](const std::string& entry) {
        return entry.rfind("CORVATINE_CONFIG_DIR=", 0) == 0;
    });
    if (!ownSettings) env.push_back("CORVATINE_CONFIG_DIR=" + settings.Path());
    std::vector<std::string> args = {"--reuid=65534", "--regid=65534", "--clear-groups", "--",
                                     CorvatineProgram()};
    args.insert(args.end(), arguments.begin(), arguments.end());
    return RunProgram(kSetpriv, args, env, cwd);
}

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name.c_str())) {
        m_hadValue = true;
        m_oldValue = old;
    }
    ::setenv(name.c_str(), value.c_str(), 1);
    if (name == "TZ") ::tzset();
}

ScopedEnv::~ScopedEnv() {
    if (m_hadValue)
        ::setenv(m_name.c_str(), m_oldValue.c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
    if (m_name == "TZ") ::tzset();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool SetFileTimes(const std::string& path, int64_t seconds, long nanoseconds) {
    const struct timespec times[2] = {{static_cast<time_t>(seconds), nanoseconds},
                                      {static_cast<time_t>(seconds), nanoseconds}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace corvatine::test

// Every test program starts in a known time zone and locale, with a private
// settings folder, so that no test reads or writes the user's own settings.
int main(int argc, char** argv) {
    ::setenv("TZ", "UTC", 1);
    // The program runs headless in tests, whatever desktop they are run from.
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::tzset();
    std::setlocale(LC_ALL, "C.UTF-8");
    static corvatine::test::TempDir configDir;
    ::setenv("CORVATINE_CONFIG_DIR", configDir.Path().c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
