// kindora-appcast: signs update packages and writes the update feed the agents check.
#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "tools/appcast/AppcastCommandLine.hpp"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    kindora::AppcastCommandLine commandLine(std::cout, std::cerr, std::chrono::system_clock::now());
    return commandLine.run(arguments);
}
