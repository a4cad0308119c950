#include <unistd.h>

#include <clocale>
#include <exception>
#include <string>
#include <vector>

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
            const int status = corvatine::RunWindow(face, err);
            if (status >= 0) return corvatine::ResolveStatus(resolve, status, err);
        }
        const int status = corvatine::RunFrontEnd(face.arguments, out, err);
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
