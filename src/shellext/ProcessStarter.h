// The production starter and chooser of the extension: the program is
// started with posix_spawn without waiting, and "Compare To..." asks through
// zenity or kdialog when one of them is installed.
#pragma once

#include <string>
#include <vector>

#include "shellext/ContextMenu.h"

namespace corvatine::shellext {

// Starts the program in a session of its own, with the arguments as one
// argument vector (no shell), so that any path arrives as it is. The child is
// reaped by a thread of this process, so that a file manager that never
// waits collects no zombies.
class CORVASHELL_API CSpawnStarter : public IProgramStarter {
public:
    bool Start(const std::string& program, const std::vector<std::string>& arguments) override;
    // errno of the last failed start; 0 after a success.
    int LastError() const { return m_error; }

private:
    int m_error = 0;
};

// Runs a program and collects its standard output; the exit status, or -1
// when it could not be started.
CORVASHELL_API int RunAndCapture(const std::string& program, const std::vector<std::string>& arguments,
                                 std::string& output);

// The first executable named program in $PATH; empty when there is none.
CORVASHELL_API std::string FindInPath(const std::string& program);

// Asks with zenity, else kdialog; without either (or when the user cancels)
// nothing is chosen.
class CORVASHELL_API CDialogChooser : public IItemChooser {
public:
    bool Choose(const CHOOSEREQUEST& request, std::string& chosen) override;
};

}  // namespace corvatine::shellext
