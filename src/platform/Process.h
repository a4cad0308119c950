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

}  // namespace corvatine::platform
