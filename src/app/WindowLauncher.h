// The program's two faces: the window, a separate program beside this one
// that links the GUI toolkit, and the headless front end. Which one runs is
// decided here, without loading the toolkit.
#pragma once

#include <string>
#include <vector>

#include "launch/ProgramNames.h"
#include "platform/Output.h"

namespace corvatine {

// What the arguments ask for.
struct FACECHOICE {
    bool window = false;                 // open the window
    bool forced = false;                 // --gui: the window or trouble
    std::string trouble;                 // why neither face can run as asked (exit 2)
    std::vector<std::string> arguments;  // without --gui and --no-gui
};

// Whether a display is there: WAYLAND_DISPLAY or DISPLAY set, not empty.
bool HasDisplay();

// The window opens when a display is there (WAYLAND_DISPLAY or DISPLAY set)
// and no headless option is given: any front-end word but --recent=N,
// --encoding, --vcs and a merge's own words (--merge, --output, --diff3, --label,
// --rules, --auto), or a request for help. --gui forces it (trouble without a display or with a
// headless option), --no-gui forbids it. --compare-to-chosen forces it when a display is there,
// once its arguments are checked (trouble when they are wrong).
FACECHOICE ChooseFace(const std::vector<std::string>& arguments);

// Runs the window's program on the arguments and waits until the window is
// closed; its exit status. -1, when the window could not be opened and the
// headless face should run instead (it is not forced); with forced that is
// trouble, told on err.
int RunWindow(const FACECHOICE& choice, platform::COutput& err);

}  // namespace corvatine
