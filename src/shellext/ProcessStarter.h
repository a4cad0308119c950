// The production starter of the extension: the program is started with
// posix_spawn without waiting.
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
    int LastError() const override { return m_error; }

private:
    int m_error = 0;
};

// The first executable named program in $PATH; empty when there is none.
CORVASHELL_API std::string FindInPath(const std::string& program);

}  // namespace corvatine::shellext
