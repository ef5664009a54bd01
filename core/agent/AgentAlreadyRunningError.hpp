#pragma once

#include <stdexcept>
#include <string>
#include <utility>

#include <sys/types.h>

namespace kindora {

// Another agent holds the data directory: its process id and program, as it recorded them in the
// lock (0 and "" when it had not written them yet).
class AgentAlreadyRunningError : public std::runtime_error {
public:
    AgentAlreadyRunningError(pid_t pid, std::string program, const std::string& directory)
        : std::runtime_error(describe(pid, program, directory)), pid_(pid), program_(std::move(program)) {}

    pid_t pid() const { return pid_; }
    const std::string& program() const { return program_; }

private:
    static std::string describe(pid_t pid, const std::string& program, const std::string& directory) {
        const std::string who = program.empty() ? std::string("another Kindora agent") : program;
        return who + (pid > 0 ? " (process " + std::to_string(pid) + ")" : std::string()) +
               " is already running on " + directory + "; only one agent may use a data directory";
    }

    pid_t pid_;
    std::string program_;
};

}  // namespace kindora
