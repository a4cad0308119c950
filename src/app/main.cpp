#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <exception>
#include <string>
#include <vector>

#include "app/DiffAction.h"
#include "app/DiffOptions.h"
#include "app/FrontEnd.h"
#include "app/FrontEndOptions.h"
#include "app/IntegrationAction.h"
#include "app/WindowLauncher.h"
#include "platform/AtomicFile.h"
#include "platform/MappedViews.h"
#include "platform/Output.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    corvatine::platform::ReportFaultsInMappedViews();
    using corvatine::platform::CDescriptorOutput;
    // Standard output is gathered (line by line on a terminal); standard
    // error goes out at once.
    CDescriptorOutput out(STDOUT_FILENO, CDescriptorOutput::UsualFor(STDOUT_FILENO));
    CDescriptorOutput err(STDERR_FILENO, CDescriptorOutput::Buffering::None);
    try {
        std::vector<std::string> arguments(argv + 1, argv + argc);
        corvatine::RESOLVEWATCH resolve;
        std::string error;
        // GNU diff's options make a run of diff's, headless.
        corvatine::DIFFOPTIONS diff;
        if (!corvatine::TakeDiffOptions(arguments, diff, corvatine::HasDisplay(), error)) {
            err << "corvatine: " << error << "\nTry 'corvatine --help' for more information.\n";
            return 2;
        }
        if (diff.active) {
            if (std::find(arguments.begin(), arguments.end(), "--gui") != arguments.end()) {
                err << "corvatine: --gui opens the window, which diff's options do not apply to\n";
                return 2;
            }
            const int status = corvatine::RunDiffAction(diff, arguments, out, err);
            out.Flush();
            return out.Failed() ? 2 : status;
        }
        if (!corvatine::TakeClientArguments(arguments, resolve, error)) {
            err << "corvatine: " << error << "\n";
            return 2;
        }
        const corvatine::FACECHOICE face = corvatine::ChooseFace(arguments);
        if (!face.trouble.empty()) {
            err << "corvatine: " << face.trouble << "\n";
            return 2;
        }
        if (face.window) {
            int status = corvatine::RunWindow(face, err);
            // git takes any status but 0 from its external diff for a failure.
            if (diff.gitForm && status == corvatine::EXIT_DIFFERENT) status = corvatine::EXIT_SAME;
            if (status >= 0) return corvatine::ResolveStatus(resolve, status, err);
        }
        int status = corvatine::RunFrontEnd(face.arguments, out, err);
        if (diff.gitForm && status == corvatine::EXIT_DIFFERENT) status = corvatine::EXIT_SAME;
        out.Flush();
        if (out.Failed()) {
            // A run that failed has said why already.
            if (status != corvatine::EXIT_TROUBLE)
                err << "corvatine: cannot write the output: " << corvatine::platform::ErrorText(out.Error())
                    << "\n";
            return 2;
        }
        return corvatine::ResolveStatus(resolve, status, err);
    } catch (const std::exception& e) {
        out.Flush();
        err << "corvatine: " << e.what() << "\n";
        return 2;
    }
}
