// Fuzz target: the command line. The input is the argument list, arguments
// separated by NUL bytes. The front end's words are taken out first, as the
// program does; the parsed record must stay in range and its request must
// produce its command lines and title.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/FrontEndOptions.h"
#include "launch/CommandLine.h"
#include "launch/Components.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kMaxArguments = 32;
    std::vector<std::string> arguments(1);
    for (size_t i = 0; i < size && arguments.size() <= kMaxArguments; ++i) {
        if (data[i] == '\0')
            arguments.emplace_back();
        else
            arguments.back() += static_cast<char>(data[i]);
    }
    if (size == 0) arguments.clear();

    corvatine::FRONTENDOPTIONS options;
    std::string error;
    if (!options.Extract(arguments, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    corvatine::CComponents settings;
    corvatine::CCommandLine commandLine;
    commandLine.Parse(arguments, settings.ForCommandLine());
    if (static_cast<int>(commandLine.action) < 0 || static_cast<int>(commandLine.action) > 4 ||
        static_cast<int>(commandLine.kind) < 0 || static_cast<int>(commandLine.kind) > 3 ||
        commandLine.pathCount < 0 || commandLine.pathCount > 2)
        std::abort();
    if (commandLine.action == corvatine::CCommandLine::ACTION_COMPARE) {
        const auto request = commandLine.BuildRequest();
        const std::string line = request->GetCommandLine(false, true);
        if (request->kind != corvatine::COMPARE_NONE && line.empty()) std::abort();
        request->GetCommandLine(true, false);
        request->GetTitle();
    }
    return 0;
}
