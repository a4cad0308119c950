#include <clocale>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "app/FrontEnd.h"
#include "app/IntegrationAction.h"
#include "app/WindowLauncher.h"
#include "platform/MappedViews.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    corvatine::platform::ReportFaultsInMappedViews();
    try {
        std::vector<std::string> arguments(argv + 1, argv + argc);
        corvatine::RESOLVEWATCH resolve;
        std::string error;
        if (!corvatine::TakeClientArguments(arguments, resolve, error)) {
            std::cerr << "corvatine: " << error << "\n";
            return 2;
        }
        const corvatine::FACECHOICE face = corvatine::ChooseFace(arguments);
        if (!face.trouble.empty()) {
            std::cerr << "corvatine: " << face.trouble << "\n";
            return 2;
        }
        if (face.window) {
            const int status = corvatine::RunWindow(face, std::cerr);
            if (status >= 0) return corvatine::ResolveStatus(resolve, status, std::cerr);
        }
        const int status = corvatine::RunFrontEnd(face.arguments, std::cout, std::cerr);
        std::cout.flush();
        if (!std::cout) {
            std::cerr << "corvatine: cannot write the output\n";
            return 2;
        }
        return corvatine::ResolveStatus(resolve, status, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "corvatine: " << e.what() << "\n";
        return 2;
    }
}
