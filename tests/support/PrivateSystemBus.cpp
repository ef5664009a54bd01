#include "tests/support/PrivateSystemBus.hpp"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace kindora::testing {

PrivateSystemBus::PrivateSystemBus() {
    const auto socket =
        std::filesystem::temp_directory_path() / ("kindora-system-bus-" + std::to_string(::getpid()));
    const std::string command =
        "dbus-daemon --session --fork --print-address=1 --print-pid=1 --address=unix:path=" + socket.string();
    FILE* output = ::popen(command.c_str(), "r");
    if (output == nullptr) {
        return;
    }
    char line[512] = {};
    if (std::fgets(line, sizeof line, output) != nullptr) {
        address_ = line;
        address_.erase(address_.find_last_not_of("\n") + 1);
    }
    if (std::fgets(line, sizeof line, output) != nullptr) {
        pid_ = std::atoi(line);
    }
    ::pclose(output);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
}

PrivateSystemBus::~PrivateSystemBus() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
    }
}

}  // namespace kindora::testing
