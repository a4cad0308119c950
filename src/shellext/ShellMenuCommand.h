// The process entry of the extension: file managers that start a program per
// menu action (Dolphin service menus, Nemo actions) run
// "corvatine --shell-menu=CODE PATHS...", which builds the menu for the
// paths and runs the command of that code. The remembered first items live
// in a file between these processes, so that "Select First Item to Compare"
// and "Compare To" work across them.
#pragma once

#include <string>
#include <vector>

#include "shellext/ContextMenu.h"

namespace corvatine::shellext {

// $XDG_RUNTIME_DIR/corvatine-shell-items when that is an absolute path, else
// the file of that name in the configuration folder.
CORVASHELL_API std::string RememberedItemsFile();

// Reads the remembered items from file into RememberedItems(); a missing or
// unreadable file remembers nothing.
CORVASHELL_API void LoadRememberedItems(const std::string& file);
// Writes RememberedItems() to file, replacing it whole; false with error
// naming the file and the reason.
[[nodiscard]] CORVASHELL_API bool SaveRememberedItems(const std::string& file, std::string& error);

// Runs command code (1 to 9) on the paths as the menu of that selection
// would: codes 1 to 6 take the selected items (one or two), codes 7 to 9 the
// dragged item and then the target folder. Relative paths are taken against
// the current folder. The remembered items are read from and written back to
// itemsFile. "Compare To..." asks chooser, or without one starts the program
// to ask (--compare-to-chosen). True when the command ran (a cancelled
// "Compare To..." also counts); false with error saying why nothing was done.
[[nodiscard]] CORVASHELL_API bool RunShellMenuCommand(int code, const std::vector<std::string>& paths,
                                                      const std::string& configFolder,
                                                      const std::string& itemsFile, IProgramStarter& starter,
                                                      IItemChooser* chooser, std::string& error);

// The Dolphin service menu and the Nemo actions that reach the entry above,
// with program as the command run.
struct MENUFILE {
    std::string name;  // file name
    std::string text;
};
CORVASHELL_API std::vector<MENUFILE> DolphinServiceMenus(const std::string& program);
CORVASHELL_API std::vector<MENUFILE> NemoActions(const std::string& program);

}  // namespace corvatine::shellext
