#include <unistd.h>

#include <clocale>
#include <string>
#include <vector>

#include "app/Program.h"
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
    return corvatine::RunProgram(std::vector<std::string>(argv + 1, argv + argc), out, err);
}
