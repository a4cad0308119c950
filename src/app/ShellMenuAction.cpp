#include "app/ShellMenuAction.h"

#include <unistd.h>

#include <cstdlib>

#include "app/FrontEndOptions.h"
#include "app/WindowLauncher.h"
#include "platform/Output.h"
#include "platform/Profile.h"
#include "platform/RegistryHive.h"
#include "shellext/ProcessStarter.h"
#include "shellext/ShellMenuCommand.h"

namespace corvatine {

namespace {

// A file manager that starts the command reads nothing of stderr: there the
// message is also shown in a dialog, when zenity or kdialog is installed.
void ShowInDialog(const std::string& message) {
    if (::isatty(STDERR_FILENO) || !HasDisplay()) return;
    std::string program = shellext::FindInPath("zenity");
    std::vector<std::string> arguments = {"--error", "--no-markup", "--title=Corvatine", "--text=" + message};
    if (program.empty()) {
        program = shellext::FindInPath("kdialog");
        arguments = {"--title", "Corvatine", "--error", message};
    }
    if (program.empty()) return;
    shellext::CSpawnStarter starter;
    (void)starter.Start(program, arguments);
}

int Fail(platform::COutput& err, const std::string& message) {
    ShowInDialog(message);
    return Trouble(err, message);
}

}  // namespace

int RunShellMenuAction(const std::string& code, const std::vector<std::string>& paths,
                       platform::COutput& err) {
    if (code.size() != 1 || code[0] < '1' || code[0] > '9')
        return Trouble(err, "invalid value '" + code + "' for '--shell-menu': a command code from 1 to 9");
    // The command finds the program through InstallDir of the settings file,
    // which this run has just filled in when it was missing.
    std::string error;
    if (!platform::CurrentUserHive().Flush(error)) return Fail(err, error);

    std::vector<std::string> items = paths;
    if (!items.empty() && items.front() == "--") items.erase(items.begin());
    shellext::CSpawnStarter starter;
    // "Compare To..." starts the program again, which asks in its window.
    if (!shellext::RunShellMenuCommand(code[0] - '0', items, platform::ConfigFolder(),
                                       shellext::RememberedItemsFile(), starter, nullptr, error))
        return Fail(err, "--shell-menu=" + code + ": " + error);
    return EXIT_SAME;
}

}  // namespace corvatine
