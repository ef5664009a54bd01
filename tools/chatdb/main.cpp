// kindora-chatdb: creates, grows and inspects Messages databases for development, tests and the demo.
#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "tools/chatdb/ChatDBCommandLine.hpp"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    kindora::ChatDBCommandLine commandLine(std::cout, std::cerr, std::chrono::system_clock::now());
    return commandLine.run(arguments);
}
