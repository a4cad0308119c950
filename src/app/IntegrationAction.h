// The front end's side of the integration with version-control clients:
// --integrate, --unintegrate and --integration-status, and the arguments the
// clients start the program with (Subversion's diff labels, git mergetool's
// --resolve).
#pragma once

#include <string>
#include <vector>

#include "app/FrontEndOptions.h"
#include "platform/File.h"
#include "platform/Output.h"

namespace corvatine {

// Switches the clients named by --integrate and --unintegrate on and off, in
// the order given, then prints the status lines when --integration-status
// asked for them. Returns 0, or 2 when a name is unknown (nothing is done
// then) or a client could not be switched (each failure told on err).
int RunIntegrationAction(const FRONTENDOPTIONS& options, const std::string& installDir,
                         platform::COutput& out, platform::COutput& err);

// What --resolve watches: the merged file, as it was before the run.
struct RESOLVEWATCH {
    bool active = false;
    std::string merged;
    platform::FILEIDENTITY before;
};

// Takes out of the arguments what version-control clients add and the
// comparison does not use: "-L LABEL" pairs (as diff takes them; Subversion's
// diff-cmd passes two), and "--resolve", which sets up watch on the first
// path. False, with error set, when --resolve names no file that exists.
bool TakeClientArguments(std::vector<std::string>& arguments, RESOLVEWATCH& watch, std::string& error);

// The exit status of a run under --resolve: the run's trouble stays 2;
// otherwise 0 when the merged file was saved and holds no conflict marker
// line ("<<<<<<<" or ">>>>>>>"), else 1 with the reason on err. Without
// --resolve the status is returned unchanged.
int ResolveStatus(const RESOLVEWATCH& watch, int status, platform::COutput& err);

}  // namespace corvatine
