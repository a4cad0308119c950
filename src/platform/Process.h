// Running a program to its end and collecting what it printed, without a
// shell between: for the command-line tools the program drives (git config).
#pragma once

#include <string>
#include <vector>

namespace corvatine::platform {

struct PROCESSRESULT {
    int exitStatus = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs the program (looked up on $PATH when it holds no '/') with the
// arguments, standard input from /dev/null, and waits for it. False, with
// error naming the program and the reason, when it could not be started; an
// exit status other than 0 is no failure here, the caller judges it.
[[nodiscard]] bool RunProgramAndWait(const std::string& program, const std::vector<std::string>& arguments,
                                     PROCESSRESULT& result, std::string& error);

// How a program is run beside its arguments.
struct PROCESSOPTIONS {
    std::string workingFolder;  // empty: this process's
    // "NAME=value" set, or "NAME" removed, in the program's environment.
    std::vector<std::string> environment;
    // Standard output written to this open descriptor instead of collected
    // in out; -1: collected.
    int outputFd = -1;
};

// The same with options; a working folder that cannot be entered is a
// failure to start, named in error.
[[nodiscard]] bool RunProgramAndWait(const std::string& program, const std::vector<std::string>& arguments,
                                     const PROCESSOPTIONS& options, PROCESSRESULT& result,
                                     std::string& error);

}  // namespace corvatine::platform
