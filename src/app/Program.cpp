#include "app/Program.h"

#include <algorithm>
#include <exception>

#include "app/DiffAction.h"
#include "app/DiffOptions.h"
#include "app/FrontEnd.h"
#include "app/FrontEndOptions.h"
#include "app/IntegrationAction.h"
#include "app/WindowLauncher.h"
#include "platform/AtomicFile.h"

namespace corvatine {

int RunProgram(std::vector<std::string> arguments, platform::COutput& out, platform::COutput& err) {
    try {
        RESOLVEWATCH resolve;
        std::string error;
        // GNU diff's options make a run of diff's, headless.
        DIFFOPTIONS diff;
        if (!TakeDiffOptions(arguments, diff, HasDisplay(), error)) {
            err << "corvatine: " << error << "\nTry 'corvatine --help' for more information.\n";
            return 2;
        }
        if (diff.active) {
            if (std::find(arguments.begin(), arguments.end(), "--gui") != arguments.end()) {
                err << "corvatine: --gui opens the window, which diff's options do not apply to\n";
                return 2;
            }
            const int status = RunDiffAction(diff, arguments, out, err);
            out.Flush();
            return out.Failed() ? 2 : status;
        }
        if (!TakeClientArguments(arguments, resolve, error)) {
            err << "corvatine: " << error << "\n";
            return 2;
        }
        const FACECHOICE face = ChooseFace(arguments);
        if (!face.trouble.empty()) {
            err << "corvatine: " << face.trouble << "\n";
            return 2;
        }
        if (face.window) {
            int status = RunWindow(face, err);
            // git takes any status but 0 from its external diff for a failure.
            if (diff.gitForm && status == EXIT_DIFFERENT) status = EXIT_SAME;
            if (status >= 0) return ResolveStatus(resolve, status, err);
        }
        int status = RunFrontEnd(face.arguments, out, err);
        if (diff.gitForm && status == EXIT_DIFFERENT) status = EXIT_SAME;
        out.Flush();
        if (out.Failed()) {
            // A run that failed has said why already.
            if (status != EXIT_TROUBLE)
                err << "corvatine: cannot write the output: " << platform::ErrorText(out.Error()) << "\n";
            return 2;
        }
        return ResolveStatus(resolve, status, err);
    } catch (const std::exception& e) {
        out.Flush();
        err << "corvatine: " << e.what() << "\n";
        return 2;
    }
}

}  // namespace corvatine
