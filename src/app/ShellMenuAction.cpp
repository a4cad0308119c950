#include "app/ShellMenuAction.h"

#include <ostream>

#include "app/FrontEndOptions.h"
#include "platform/Profile.h"
#include "platform/RegistryHive.h"
#include "shellext/ProcessStarter.h"
#include "shellext/ShellMenuCommand.h"

namespace corvatine {

int RunShellMenuAction(const std::string& code, const std::vector<std::string>& paths, std::ostream& err) {
    if (code.size() != 1 || code[0] < '1' || code[0] > '9')
        return Trouble(err, "invalid value '" + code + "' for '--shell-menu': a command code from 1 to 9");
    // The command finds the program through InstallDir of the settings file,
    // which this run has just filled in when it was missing.
    std::string error;
    if (!platform::CurrentUserHive().Flush(error)) return Trouble(err, error);

    std::vector<std::string> items = paths;
    if (!items.empty() && items.front() == "--") items.erase(items.begin());
    shellext::CSpawnStarter starter;
    shellext::CDialogChooser chooser;
    if (!shellext::RunShellMenuCommand(code[0] - '0', items, platform::ConfigFolder(),
                                       shellext::RememberedItemsFile(), starter, &chooser, error))
        return Trouble(err, "--shell-menu=" + code + ": " + error);
    return EXIT_SAME;
}

}  // namespace corvatine
