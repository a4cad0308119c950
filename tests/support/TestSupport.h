// Helpers shared by the tests: temporary folders, files, and running the
// corvatine program as a child process.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace corvatine::test {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when
// the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // The path of a name inside the folder.
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

    // Writes a file below the folder (creating parent folders) and returns its path.
    std::string WriteFile(const std::string& name, const std::string& bytes) const;
    // Creates a folder below the folder (and its parents) and returns its path.
    std::string MakeFolder(const std::string& name) const;
    // Lets every user into the folder and every folder below it and write
    // there (mode 0777), for programs run as an ordinary user.
    void OpenToAll() const;

private:
    std::string m_path;
};

// The bytes of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// Sets a file's last access and last write times (seconds since 1970 and
// nanoseconds). False when it cannot.
bool SetFileTimes(const std::string& path, int64_t seconds, long nanoseconds = 0);

struct ProgramResult {
    int exitStatus = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs a program with arguments and extra environment settings ("NAME=value"),
// capturing its output. The working folder is cwd when not empty.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {}, const std::string& cwd = {});

// The corvatine program of this build, or the one CORVATINE_TEST_PROGRAM names.
const std::string& CorvatineProgram();

// Runs corvatine with arguments.
ProgramResult RunCorvatine(const std::vector<std::string>& arguments, const std::string& cwd = {},
                           const std::vector<std::string>& environment = {});

// Whether the program can be run by an ordinary user, whom permissions bind:
// always when the tests do not run as root; as root through setpriv.
bool CanRunAsOrdinaryUser();

// Runs corvatine as an ordinary user: directly when the tests are not run as
// root, else as the user "nobody" (65534) through setpriv. The files it needs
// must be reachable by that user (TempDir::OpenToAll); unless the environment
// names one, it keeps its settings in a folder of its own.
ProgramResult RunCorvatineAsOrdinaryUser(const std::vector<std::string>& arguments,
                                         const std::string& cwd = {},
                                         const std::vector<std::string>& environment = {});

// Sets an environment variable for the lifetime of the object (and calls
// tzset when it is TZ), restoring the previous value afterwards.
class ScopedEnv {
public:
    ScopedEnv(const std::string& name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    bool m_hadValue = false;
    std::string m_oldValue;
};

}  // namespace corvatine::test
