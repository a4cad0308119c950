#include <clocale>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "app/FrontEnd.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    try {
        std::vector<std::string> arguments(argv + 1, argv + argc);
        const int status = corvatine::RunFrontEnd(arguments, std::cout, std::cerr);
        std::cout.flush();
        if (!std::cout) {
            std::cerr << "corvatine: cannot write the output\n";
            return 2;
        }
        return status;
    } catch (const std::exception& e) {
        std::cerr << "corvatine: " << e.what() << "\n";
        return 2;
    }
}
