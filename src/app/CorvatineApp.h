// Start and stop of the program: the settings and the components that hold
// them for the whole run.
#pragma once

#include <iosfwd>
#include <string>

#include "persist/GeneralOptions.h"

namespace corvatine {

class CCorvatineApp {
public:
    // Selects the settings root, loads the general options, resolves the
    // installation folder, then loads the components. A settings file that
    // could not be used is reported on err; the defaults are used then.
    void InitInstance(std::ostream& err);

    // The components, then the general options, write their settings back
    // and the settings files are saved. False, with the reason on err, when a
    // file could not be saved; it is then left as it was.
    bool ExitInstance(std::ostream& err);

    CGeneralOptions generalOptions;
    std::string installDir;
};

}  // namespace corvatine
