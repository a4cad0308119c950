// Writes the Dolphin service menus and Nemo actions for a program path into
// FOLDER/dolphin and FOLDER/nemo, for the install rules.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include "shellext/ShellMenuCommand.h"

namespace {

bool WriteAll(const std::string& folder, const std::vector<corvatine::shellext::MENUFILE>& files) {
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        std::cerr << "corvashell-menus: cannot create " << folder << ": " << std::strerror(errno) << "\n";
        return false;
    }
    for (const auto& file : files) {
        const std::string path = folder + "/" + file.name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << file.text;
        out.close();
        if (!out) {
            std::cerr << "corvashell-menus: cannot write " << path << "\n";
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: corvashell-menus FOLDER PROGRAM\n";
        return 2;
    }
    const std::string folder = argv[1];
    const std::string program = argv[2];
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        std::cerr << "corvashell-menus: cannot create " << folder << ": " << std::strerror(errno) << "\n";
        return 2;
    }
    const bool written = WriteAll(folder + "/dolphin", corvatine::shellext::DolphinServiceMenus(program)) &&
                         WriteAll(folder + "/nemo", corvatine::shellext::NemoActions(program));
    return written ? 0 : 2;
}
